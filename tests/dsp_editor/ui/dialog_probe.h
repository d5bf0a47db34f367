#pragma once
// What the DSP editor's offscreen widget tests use to reach into a dialog:
// its controls by id, a deadline-bound wait for the event loop, and the
// shipped English pack for the tests of a dialog's translated texts.
#include <QCoreApplication>
#include <QString>
#include <QWidget>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "shell/language.h"

namespace dialog_probe {

// The dialogs name each control "ctl<id>" after its resource id, so a test
// finds it as the resource has it; null when there is no such control.
template <class T> T* Control(QWidget& dialog, int id) {
    return dialog.findChild<T*>(QStringLiteral("ctl%1").arg(id));
}

// Runs the event loop until `done` holds or 5 s have passed; whether it
// holds. Shows, focus changes and layouts arrive through the loop, so a
// test polls for them rather than sleeping.
inline bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Installs rcEng.lang from `packsDir` as the program's texts. False, with
// nothing installed, when the pack does not parse cleanly: a line left out
// would make a missing translation look like the dialog's fault.
[[nodiscard]] inline bool InstallEnglishPack(const char* packsDir) {
    std::ifstream in(std::string(packsDir) + "/rcEng.lang", std::ios::binary);
    auto reading = shell::ParseLanguagePack(
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    if (!reading.problems.empty())
        return false;
    shell::InstallLanguage(std::make_shared<shell::CLanguagePack>(std::move(reading.pack)),
                           "rcEng");
    return true;
}

// Back to the built-in texts. A dialog takes its texts when it is built, so
// a test uninstalls right after building its English dialogs and the next
// test starts from the built-in texts.
inline void UninstallLanguage() {
    shell::InstallLanguage(nullptr, "");
}

} // namespace dialog_probe
