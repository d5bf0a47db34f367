// The program's own windows as an operator meets them, in the program put
// together in this process (tests/ostrel/ostrel_fixture.h): the progress
// window of a DSP download against the simulated unit, what each document
// hides and brings back as frames switch, the buttons following the state
// with no switch, the bars after the last document closed, the size new
// documents open at, and the output list read back.
#include "tests/ostrel/ostrel_fixture.h"

#include <QAction>
#include <QMdiArea>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device_editor/ui/amplifier_monitor_dialog.h"
#include "device_editor/ui/device_view.h"
#include "device_editor/ui/device_windows.h"
#include "dsp_editor/dsp_commands.h"
#include "dsp_editor/ui/dsp_view_widget.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "dsp_editor/ui/property_panel_dialog.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/device_models.h"
#include "model/device_qovg.h"
#include "shell/ui/console_window.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/output_list.h"

namespace {

using namespace std::chrono_literals;
namespace de = device_editor;
using dsp_editor::ui::CDspWindow;
using shell::ui::CMainFrame;
using shell::ui::EBar;

constexpr const char* kDspUnitMac = "00602b000001";

class OstrelWindows : public ostrel_test::OstrelProgramTest {
protected:
    // The start is done when the splash has gone.
    static void WaitForStart(ostrel::COstrelProgram& program) {
        ASSERT_TRUE(gui_test::WaitFor([&] { return program.Frame().Splash() == nullptr; }))
            << "the splash stayed";
    }

    // A new DSP configuration of the simulated unit, active, its console
    // and sender started.
    static CDspWindow* NewDsp(ostrel::COstrelProgram& program) {
        auto* dsp = dynamic_cast<CDspWindow*>(program.DspWindows().NewDocument());
        if (dsp == nullptr)
            return nullptr;
        // Before the console starts: the sender reads the unit's MAC once.
        dsp->Document().m_unitMac = kDspUnitMac;
        if (!gui_test::WaitFor([&] { return dsp->ConsoleWindow() != nullptr; }))
            return nullptr;
        return dsp;
    }

    static QMdiSubWindow* ChildOf(QWidget* view) {
        return qobject_cast<QMdiSubWindow*>(view->parentWidget());
    }

    static void Activate(CMainFrame& frame, QWidget* view) {
        frame.MdiArea()->setActiveSubWindow(ChildOf(view));
    }

    static std::vector<shell::ui::CProgressWindow*> ProgressWindows(CMainFrame& frame) {
        const auto found = frame.findChildren<shell::ui::CProgressWindow*>();
        return {found.begin(), found.end()};
    }
};

// A slowed download: the window shows over the view while the
// store and control commands go, and goes once they are delivered.
TEST_F(OstrelWindows, ADownloadShowsItsProgressOverTheViewUntilItEnds) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        ASSERT_NO_FATAL_FAILURE(WaitForStart(program));
        CMainFrame& frame = program.Frame();
        CDspWindow* dsp = NewDsp(program);
        ASSERT_NE(dsp, nullptr);
        ASSERT_TRUE(ProgressWindows(frame).empty());

        // Slow enough that the window is seen between two replies.
        ASSERT_EQ(unit->command("unit latency 150"), "ok");
        ASSERT_TRUE(frame.CommandState(dsp_editor::kCmdDownloadStart).enabled);
        frame.RunCommand(dsp_editor::kCmdDownloadStart);
        shell::ui::CProgressWindow* progress = nullptr;
        ASSERT_TRUE(gui_test::WaitFor(
            [&] {
                const auto windows = ProgressWindows(frame);
                progress = windows.empty() ? nullptr : windows.front();
                return progress != nullptr && progress->isVisible() &&
                       progress->Bar()->maximum() > 1;
            },
            10s))
            << "no progress window showed";
        const QRect view(dsp->Widget()->mapToGlobal(QPoint(0, 0)), dsp->Widget()->size());
        EXPECT_TRUE(view.contains(progress->frameGeometry().center()))
            << "the window is not over the view";
        ASSERT_TRUE(gui_test::WaitFor([&] { return progress->Bar()->value() > 1; }, 10s))
            << "the bar did not move";

        ASSERT_EQ(unit->command("unit latency 2"), "ok");
        ASSERT_TRUE(gui_test::WaitFor(
            [&] {
                return dsp->Document().m_live == 1 && dsp->ViewLogic().Download().m_progress == 0;
            },
            30s))
            << "the download did not end live";
        ASSERT_TRUE(gui_test::WaitFor([&] { return ProgressWindows(frame).empty(); }))
            << "the progress window stayed";
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

// A DSP configuration with an attribute dialog, its console and its property
// panel shown, and a sheet in run state with an amplifier's status window:
// each frame's activation hides the other's windows and brings back its own
// that were showing; a window the user hid stays hidden.
TEST_F(OstrelWindows, SwitchingDocumentsHidesTheOthersWindowsAndBringsBackItsOwn) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        ASSERT_NO_FATAL_FAILURE(WaitForStart(program));
        CMainFrame& frame = program.Frame();
        shell::CMainFrameCore& core = frame.Core();

        // The sheet in run state, the amplifier's status window open.
        de::ui::CDeviceWindow* sheet = program.DeviceWindows().ActiveWindow();
        ASSERT_NE(sheet, nullptr);
        auto amp = std::make_unique<model::CDeviceQOVG>(measurer, 60, 60, 2, model::kModelQOVG, 2);
        amp->m_mac = ostrel_test::kAmpMac;
        const model::Point ampBody = amp->m_body.CenterPoint();
        sheet->Document().AddDevice(std::move(amp));
        ChildOf(sheet->Widget())->showMaximized();
        core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
        core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
        QTest::mouseDClick(sheet->Widget()->viewport(), Qt::LeftButton, {},
                           QPoint(ampBody.x, ampBody.y));
        auto* statusHandle =
            dynamic_cast<de::ui::CAmplifierStatusWindow*>(sheet->Document().FindStatusWindow(2, 2));
        ASSERT_NE(statusHandle, nullptr);
        QWidget* status = statusHandle->Dialog();
        ASSERT_TRUE(status->isVisible());

        // The DSP configuration with its three kinds of window shown.
        CDspWindow* dsp = NewDsp(program);
        ASSERT_NE(dsp, nullptr);
        EXPECT_FALSE(status->isVisible()) << "the status window stayed over the DSP sheet";
        dsp->OnCommand(dsp_editor::kCmdConsole);
        dsp->OnCommand(dsp_editor::kCmdProperties);
        auto* attri = dynamic_cast<QWidget*>(
            dsp->ViewLogic().ShowAttriDialog(*dsp->Document().GetModuleById(1), false));
        ASSERT_NE(attri, nullptr);
        QWidget* console = dsp->ConsoleWindow();
        QWidget* panel = dsp->PropertyPanel();
        ASSERT_NE(panel, nullptr);
        const std::vector<QWidget*> dspWindows{attri, console, panel};
        for (QWidget* window : dspWindows)
            ASSERT_TRUE(window->isVisible()) << window->windowTitle().toStdString();

        // The main window giving the activation to one of them keeps them all.
        attri->activateWindow();
        ASSERT_TRUE(gui_test::WaitFor([&] { return !frame.isActiveWindow(); }));
        for (QWidget* window : dspWindows)
            EXPECT_TRUE(window->isVisible()) << window->windowTitle().toStdString();
        EXPECT_EQ(frame.ActiveChildFrame(), ChildOf(dsp->Widget()));

        Activate(frame, sheet->Widget());
        for (QWidget* window : dspWindows)
            EXPECT_FALSE(window->isVisible())
                << window->windowTitle().toStdString() << " stayed over the sheet";
        EXPECT_TRUE(status->isVisible()) << "the status window did not come back";

        Activate(frame, dsp->Widget());
        for (QWidget* window : dspWindows)
            EXPECT_TRUE(window->isVisible())
                << window->windowTitle().toStdString() << " did not come back";
        EXPECT_FALSE(status->isVisible());

        // The console hidden by its command is not brought back.
        dsp->OnCommand(dsp_editor::kCmdConsole);
        ASSERT_FALSE(console->isVisible());
        Activate(frame, sheet->Widget());
        Activate(frame, dsp->Widget());
        EXPECT_FALSE(console->isVisible()) << "a window the user hid came back";
        EXPECT_TRUE(attri->isVisible());
        EXPECT_TRUE(panel->isVisible());

        frame.RunCommand(shell::ID_LEAVE_RUN);
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

// The buttons follow what changes them with no switch of windows: the
// sheet's download and stop buttons its download and run state, Undo a
// device moved with the mouse, and a DSP sheet's download buttons its
// download against the simulated unit. Then the update rests.
TEST_F(OstrelWindows, ButtonsFollowTheStateWithoutASwitchOfWindows) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        ASSERT_NO_FATAL_FAILURE(WaitForStart(program));
        CMainFrame& frame = program.Frame();
        shell::CMainFrameCore& core = frame.Core();
        de::ui::CDeviceWindow* sheet = program.DeviceWindows().ActiveWindow();
        ASSERT_NE(sheet, nullptr);
        const auto shows = [&](std::vector<std::pair<int, bool>> states) {
            return gui_test::WaitFor([&] {
                for (const auto& [id, enabled] : states) {
                    const QAction* action = frame.Action(id);
                    if (action == nullptr || action->isEnabled() != enabled)
                        return false;
                }
                return true;
            });
        };
        const int download = shell::ID_DOWNLOAD_DEVICE_SHEET;
        const int stop = shell::ID_LEAVE_RUN;
        EXPECT_TRUE(shows({{download, true}, {stop, false}}));

        // The notifications as the download thread gives them.
        core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
        EXPECT_TRUE(shows({{download, false}, {stop, false}})) << "downloading";
        // From a worker, which waits until the frame took it.
        std::thread worker([&] {
            model::RunOnUiThread([&] { core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE); });
        });
        EXPECT_TRUE(shows({{download, false}, {stop, true}})) << "running";
        worker.join();
        frame.Action(stop)->trigger();
        EXPECT_TRUE(shows({{download, true}, {stop, false}})) << "stopped";

        // A device moved with the mouse: one step to undo.
        auto amp = std::make_unique<model::CDeviceQOVG>(measurer, 60, 60, 2, model::kModelQOVG, 2);
        const model::Point body = amp->m_body.CenterPoint();
        sheet->Document().AddDevice(std::move(amp));
        ASSERT_FALSE(frame.CommandState(de::kCmdUndo).enabled);
        QWidget* viewport = sheet->Widget()->viewport();
        const QPoint from(body.x, body.y);
        QTest::mousePress(viewport, Qt::LeftButton, {}, from);
        QTest::mouseMove(viewport, from + QPoint(20, 20));
        QTest::mouseMove(viewport, from + QPoint(40, 40));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, from + QPoint(40, 40));
        ASSERT_TRUE(frame.CommandState(de::kCmdUndo).enabled) << "the move left no step";
        EXPECT_TRUE(shows({{de::kCmdUndo, true}})) << "Undo stayed off after the move";

        // A DSP sheet's download: its buttons follow the console's reports.
        CDspWindow* dsp = NewDsp(program);
        ASSERT_NE(dsp, nullptr);
        const int start = dsp_editor::kCmdDownloadStart;
        const int halt = dsp_editor::kCmdDownloadStop;
        EXPECT_TRUE(shows({{start, true}, {halt, false}}));
        frame.RunCommand(start);
        ASSERT_TRUE(gui_test::WaitFor(
            [&] {
                return dsp->Document().m_live == 1 && dsp->ViewLogic().Download().m_progress == 0;
            },
            30s))
            << "the download did not end live";
        EXPECT_TRUE(shows({{start, false}, {halt, true}})) << "live";
        frame.Action(halt)->trigger();
        ASSERT_TRUE(gui_test::WaitFor([&] { return dsp->Document().m_live == 0; }));
        EXPECT_TRUE(shows({{start, true}, {halt, false}})) << "offline again";

        // Nothing polls: once the program rests, no update waits.
        auto* update = frame.findChild<QTimer*>("commandUpdate");
        ASSERT_NE(update, nullptr);
        EXPECT_TRUE(gui_test::WaitFor([&] { return !update->isActive(); }));
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        EXPECT_FALSE(update->isActive());
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

// The bars of a kind come back with the first document of that kind after
// the last document closed, as the user left them.
TEST_F(OstrelWindows, BarsComeBackAfterTheLastDocumentClosed) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        ASSERT_NO_FATAL_FAILURE(WaitForStart(program));
        CMainFrame& frame = program.Frame();
        const std::vector<EBar> deviceBars{EBar::Standard, EBar::Special, EBar::DevicePalette,
                                           EBar::Output};
        const std::vector<EBar> dspBars{EBar::Dsp, EBar::Arrange, EBar::Modules, EBar::DspPalette};
        const auto closeAll = [&] {
            for (shell::ui::CChildFrame* child : frame.ChildFrames())
                ASSERT_TRUE(child->CloseDocument());
            // Until their windows have gone, not only closed.
            ASSERT_TRUE(gui_test::WaitFor([&] {
                return frame.Core().DeviceViewCount() == 0 && frame.Core().DspViewCount() == 0;
            })) << "a document stayed";
        };
        const auto expectShown = [&](const std::vector<EBar>& bars, const char* when) {
            for (EBar bar : bars)
                EXPECT_TRUE(frame.BarVisible(bar))
                    << "bar " << static_cast<int>(bar) << " " << when;
        };
        expectShown(deviceBars, "at the start");
        // New documents are modified: "No" to their save questions.
        messages.ScriptAnswer(324, model::EMessageAnswer::No);

        closeAll();
        frame.RunCommand(shell::ID_FILE_NEW);
        ASSERT_EQ(frame.ChildFrames().size(), 1u);
        expectShown(deviceBars, "with a sheet after the last closed");

        ASSERT_NE(NewDsp(program), nullptr);
        expectShown(dspBars, "with the first DSP configuration");
        closeAll();
        ASSERT_NE(NewDsp(program), nullptr);
        expectShown(dspBars, "with a DSP configuration after the last closed");

        // A bar the user hid stays hidden.
        frame.RunCommand(dsp_editor::ui::kCmdArrangeBar);
        ASSERT_FALSE(frame.BarVisible(EBar::Arrange));
        closeAll();
        ASSERT_NE(NewDsp(program), nullptr);
        EXPECT_FALSE(frame.BarVisible(EBar::Arrange));
        EXPECT_TRUE(frame.BarVisible(EBar::Modules));
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

// New documents open at the work area's size, each a step down and right of
// the one before, or maximised while the active one is.
TEST_F(OstrelWindows, NewDocumentsOpenAtAWorkableSize) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        ASSERT_NO_FATAL_FAILURE(WaitForStart(program));
        CMainFrame& frame = program.Frame();
        QMdiArea* area = frame.MdiArea();
        const QSize work = area->viewport()->size();
        ASSERT_GT(work.width(), 400);
        ASSERT_GT(work.height(), 300);
        const auto workable = [&](QMdiSubWindow* child) {
            const QRect inside = area->viewport()->rect();
            return child->width() >= work.width() * 2 / 3 &&
                   child->height() >= work.height() * 2 / 3 && inside.contains(child->geometry());
        };

        // The sheet the start opened.
        QMdiSubWindow* sheet = frame.ActiveChildFrame();
        ASSERT_NE(sheet, nullptr);
        // Placed before the main window showed, it takes its place as the
        // work area reaches its size.
        EXPECT_TRUE(gui_test::WaitFor([&] { return workable(sheet); }))
            << sheet->width() << "x" << sheet->height() << " in " << work.width() << "x"
            << work.height();

        CDspWindow* first = NewDsp(program);
        ASSERT_NE(first, nullptr);
        QMdiSubWindow* dsp = ChildOf(first->Widget());
        EXPECT_TRUE(workable(dsp)) << dsp->width() << "x" << dsp->height();
        EXPECT_GT(dsp->x(), sheet->x());
        EXPECT_GT(dsp->y(), sheet->y());

        dsp->showMaximized();
        CDspWindow* second = NewDsp(program);
        ASSERT_NE(second, nullptr);
        EXPECT_TRUE(ChildOf(second->Widget())->isMaximized());
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

// A full output list is read back with the wheel, the scroll bar and Home;
// it follows new lines only while it shows the last one.
TEST_F(OstrelWindows, TheOutputListScrollsBackAndFollowsOnlyAtTheEnd) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        ASSERT_NO_FATAL_FAILURE(WaitForStart(program));
        CMainFrame& frame = program.Frame();
        shell::ui::CMyListBox* list = frame.Output();
        ASSERT_TRUE(list->isVisible());
        for (int i = 0; i < 200; ++i)
            list->AddLine("line " + std::to_string(i) + std::string(i % 7 == 0 ? 300 : 10, 'x'));
        QScrollBar* bar = list->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0);
        ASSERT_EQ(bar->value(), bar->maximum()) << "the list does not show its last line";

        // The wheel, one notch up.
        const QPoint centre = list->viewport()->rect().center();
        QWheelEvent wheel(centre, list->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &wheel);
        EXPECT_LT(bar->value(), bar->maximum()) << "the wheel did not scroll";

        // A new line while the user reads back leaves the place alone.
        const int reading = bar->value();
        list->AddLine("while reading");
        EXPECT_EQ(bar->value(), reading) << "a new line took the reader to the end";

        // Home, with the keyboard focus where a click puts it.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::keyClick(list, Qt::Key_Home);
        EXPECT_EQ(bar->value(), 0) << "Home did not go to the first line";

        // The scroll bar's page area, below its handle.
        const QPoint below(bar->width() / 2, bar->height() - bar->width() - 2);
        QTest::mouseClick(bar, Qt::LeftButton, {}, below);
        EXPECT_GT(bar->value(), 0) << "the scroll bar did not scroll";

        // Back at the end, new lines are followed again.
        bar->setValue(bar->maximum());
        list->AddLine("at the end");
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_TRUE(list->visualItemRect(list->item(list->count() - 1)).bottom() <=
                    list->viewport()->height());
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

} // namespace
