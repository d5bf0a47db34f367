// The program's own windows as an operator meets them, in the program put
// together in this process (tests/ostrel/ostrel_fixture.h): the progress
// window of a DSP download against the simulated unit, what each document
// hides and brings back as frames switch, the bars after the last document
// closed, the size new documents open at, and the output list read back.
#include "tests/ostrel/ostrel_fixture.h"

#include <QMdiArea>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "device_editor/ui/amplifier_dialogs.h"
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

// A download of a few seconds: the window shows over the view while the
// store and control commands go, and goes once they are delivered.
TEST_F(OstrelWindows, ADownloadShowsItsProgressOverTheViewUntilItEnds) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        WaitForStart(program);
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
            [&] { return dsp->Document().m_live == 1 && dsp->ViewLogic().m_progress == 0; }, 30s))
            << "the download did not end live";
        ASSERT_TRUE(gui_test::WaitFor([&] { return ProgressWindows(frame).empty(); }))
            << "the progress window stayed";
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

} // namespace
