// screenshots: the README's pictures, taken of the operator program itself.
//
//   screenshots SHEET.zo SHEET.dsp OUT_DIR
//
// Puts the program together as ostrel does, in a program folder of its own
// (a temporary one), starts it on SHEET.zo, opens SHEET.dsp beside it and
// writes two pictures of the main window (QWidget::grab) to OUT_DIR:
//   main-window.png    the device sheet, maximised in the work area
//   dsp-equalizer.png  the DSP sheet with the attribute dialog of its first
//                      equalizer open over it
// Meant for the offscreen platform (scripts/screenshots.sh). The network
// watch is replaced by one that reports its first sweep at once: the
// pictures need no card. Exit status 0 when both were written.
#include "ostrel/ostrel_program.h"

#include "comm/automation_wrappers.h"
#include "comm/command_sender.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/base_ari_module.h"
#include "model/messages.h"
#include "shell/sweeping_watch.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

constexpr QSize kWindowSize{1280, 800};

// What the DSP sheet's sender reaches units through: none here.
class CNoUnits final : public comm::ISenderComponents {
public:
    bool Create() override { return true; }
    void Release() override {}
    std::optional<std::string> FindUnit(const std::string&) override { return std::nullopt; }
    std::unique_ptr<comm::IUnitMailbox> Mailbox(const std::string&) override { return nullptr; }
};

// The program's own start but for the card: the poller of libkestrin2.so
// (registered by the script), no discovery server, the sweeping watch.
shell::CStartupServices Services() {
    shell::CStartupServices services;
    services.makeComponents = [](comm::Imanager*, comm::Icom_manager* poller,
                                 comm::Icom_adapter& adapter, const std::string&) {
        return comm::CreateNetComponents(nullptr, poller, adapter, "");
    };
    services.makeWatch = [](comm::CWatchState& state, const std::string&) {
        return std::make_unique<shell::CSweepingWatch>(state);
    };
    return services;
}

// Runs the event loop until `condition` holds, five seconds at most.
bool WaitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(5000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets pending paints and layouts happen.
void Settle() {
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(const QPixmap& picture, const std::filesystem::path& path) {
    if (picture.save(QString::fromStdString(path.string()), "PNG"))
        return true;
    std::fprintf(stderr, "screenshots: cannot write %s\n", path.c_str());
    return false;
}

bool Fail(const char* what) {
    std::fprintf(stderr, "screenshots: %s\n", what);
    return false;
}

bool Take(ostrel::COstrelProgram& program, const std::string& dspPath,
          const std::filesystem::path& out) {
    shell::ui::CMainFrame& frame = program.Frame();
    if (!WaitFor([&] { return frame.Splash() == nullptr; }))
        return Fail("the splash stayed");
    frame.showNormal();
    frame.resize(kWindowSize);
    QMdiSubWindow* sheet = frame.MdiArea()->activeSubWindow();
    if (sheet == nullptr)
        return Fail("no device sheet opened");
    sheet->showMaximized();
    Settle();
    if (!Save(frame.grab(), out / "main-window.png"))
        return false;

    if (!program.App().OpenDocumentFile(dspPath) || program.DspWindows().ActiveWindow() == nullptr)
        return Fail("the DSP sheet did not open");
    dsp_editor::ui::CDspWindow& dsp = *program.DspWindows().ActiveWindow();
    if (auto* child = qobject_cast<QMdiSubWindow*>(dsp.View()->parentWidget()))
        child->showMaximized();
    model::CBaseAriModule* equalizer = nullptr;
    for (const auto& module : dsp.Document().Modules())
        if (module->m_typeCode == model::kAriEqualizer && equalizer == nullptr)
            equalizer = module.get();
    if (equalizer == nullptr)
        return Fail("the DSP sheet has no equalizer");
    // The equalizer in sight, its dialog beside it in the work area.
    if (auto* view = qobject_cast<QAbstractScrollArea*>(dsp.View())) {
        Settle();
        view->horizontalScrollBar()->setValue(equalizer->m_body.left - 400);
        view->verticalScrollBar()->setValue(equalizer->m_body.top - 200);
    }
    if (dsp.ViewLogic().ShowAttriDialog(*equalizer, false) == nullptr)
        return Fail("the equalizer's dialog did not open");
    Settle();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != &frame && window->isVisible())
            window->move(frame.geometry().topLeft() +
                         QPoint(frame.width() - window->frameGeometry().width() - 60, 130));
    Settle();
    // The dialog is a window of its own: drawn over the main window where
    // it stands on the screen.
    QPixmap picture = frame.grab();
    QPainter painter(&picture);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == &frame || !window->isVisible())
            continue;
        painter.drawPixmap(window->frameGeometry().topLeft() - frame.geometry().topLeft(),
                           window->grab());
    }
    painter.end();
    return Save(picture, out / "dsp-equalizer.png");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: screenshots SHEET.zo SHEET.dsp OUT_DIR\n", stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QTemporaryDir home;
    if (!home.isValid()) {
        Fail("no temporary program folder");
        return 1;
    }
    const std::filesystem::path folder = home.path().toStdString();
    std::ofstream(folder / "Ostrel.ini") << "[Interface]\nLanguage=rcEng\n"
                                         << "[IPSeg]\nIPStart=198.18.1.10\nIPEnd=198.18.1.11\n"
                                         << "StartVisible=0\n[AdapterSeg]\nAdapter=try0\n"
                                         << "[NetAttri]\nNetType=Wireless\n";
    shell::ui::CQtUiThread uiThread;
    model::SetUiThread(&uiThread);
    // A message would wait for an answer nobody gives: OSTREL_MESSAGE_LOG
    // (the script sets it) records them instead.
    shell::ui::CMessageBoxSink boxes;
    try {
        if (!model::InstallMessageLogFromEnvironment())
            model::SetMessageSink(&boxes);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "screenshots: %s\n", error.what());
        return 2;
    }

    bool taken = false;
    {
        ostrel::COstrelProgram program(folder, Services());
        program.DspWindows().makeSenderComponents = [] { return std::make_unique<CNoUnits>(); };
        if (program.Start({argv[1]})) {
            QTimer::singleShot(0, [&] {
                taken = Take(program, argv[2], argv[3]);
                QCoreApplication::exit(0);
            });
            QApplication::exec();
        }
    }
    model::SetMessageSink(nullptr);
    model::SetUiThread(nullptr);
    return taken ? 0 : 1;
}
