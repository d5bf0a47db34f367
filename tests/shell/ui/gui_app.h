#pragma once
// What the offscreen widget tests share: one QApplication for a whole test
// program, a deadline-bound wait for the event loop, a dialog's controls by
// resource id, the shipped English pack as the program's texts, and the
// words a window shows.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "shell/language.h"
#include "shell/ui/my_button_widget.h"

namespace gui_test {

// Made before the first test and gone before the program's exit handlers
// take Qt's own globals down (a function-local static application crashes
// there).
class CAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { m_app = new QApplication(m_argc, m_argv); }
    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    int m_argc = 1;
    char m_name[16] = "gui_test";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_app = nullptr;
};

inline const auto* const g_app = ::testing::AddGlobalTestEnvironment(new CAppEnvironment);

// Runs the event loop until `condition` holds or `timeout` is up; true when
// it held. Shows, focus changes and layouts arrive through the loop, so a
// test polls for them rather than sleeping. Meant under an assertion,
// ASSERT_TRUE(WaitFor(...)) << "what did not happen". Not QTRY_VERIFY and
// its kin (nor QVERIFY, QCOMPARE): they report to a QTest run that gtest
// never sees and quietly return, so a test whose wait ran out skipped its
// remaining checks and passed.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

// The DSP editor's dialogs name each control "ctl<id>" after its resource
// id, so a test finds it as the resource has it; null when there is no such
// control.
template <class T> T* Control(QWidget& dialog, int id) {
    return dialog.findChild<T*>(QStringLiteral("ctl%1").arg(id));
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

// What a window shows of its own words, for the language checks: the texts
// of its visible labels, buttons (the program's lamp buttons too), group
// boxes and list boxes' entries, and its title when asked. `names` are
// texts the program shows alike in every language (the filter types, the
// switches' "On" and "Off"); they are left out.
inline std::vector<std::string> VisibleTexts(const QWidget& window, bool withTitle,
                                             const std::set<std::string>& names = {}) {
    std::vector<std::string> texts;
    const auto add = [&](const QString& text) {
        const std::string utf8 = text.toStdString();
        if (!utf8.empty() && !names.contains(utf8))
            texts.push_back(utf8);
    };
    if (withTitle)
        add(window.windowTitle());
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            add(label->text());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            add(button->text());
        else if (const auto* group = qobject_cast<const QGroupBox*>(widget))
            add(group->title());
        else if (const auto* lamp = qobject_cast<const shell::ui::CMyButton*>(widget))
            add(lamp->text());
        else if (const auto* list = qobject_cast<const QComboBox*>(widget))
            for (int i = 0; i < list->count(); ++i)
                add(list->itemText(i));
    }
    return texts;
}

} // namespace gui_test
