// A whole session of the operator program in this process, on the offscreen
// platform, run by its own event loop as main() runs it: a device sheet in
// run state, the DSP documents of two units with their consoles talking to
// the simulated unit (snmpagent --unit) over libkestrin2.so, the modeless
// windows of both kinds open, then File > Exit answered "No" to each save
// question, and the program's end; and a loop that ends with all of it still
// open. Under the sanitizer build any step of the end that touches a freed
// object stops the test.
#include "tests/ostrel/ostrel_fixture.h"

#include <QMdiArea>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device_editor/ui/device_view.h"
#include "device_editor/ui/device_windows.h"
#include "dsp_editor/dsp_commands.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "platform/archive/file.h"
#include "shell/ui/main_frame.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
namespace de = device_editor;

constexpr const char* kDspUnitMac = "00602b000001";
constexpr const char* kOtherDspUnitMac = "00602b000002";
using ostrel_test::kAmpMac;

class OstrelSession : public ostrel_test::OstrelProgramTest {
protected:
    // A saved DSP configuration of the second unit.
    fs::path WriteDspFile() const {
        const fs::path path = home.path() / "second.dsp";
        dsp_editor::CZoDSPDoc doc;
        doc.OnNewDocument();
        doc.m_unitMac = kOtherDspUnitMac;
        platform::archive::write_file_atomic(path, doc.SaveDocument());
        return path;
    }

    // Inside the program's loop: a sheet in run state with a DSP unit and a
    // monitored amplifier whose status window is open, the stored hardware
    // configurations' window, and the DSP documents of two units, each with
    // its console, property panel and an attribute dialog open, the first
    // downloaded and live. The sheet is active.
    void OpenEverything(ostrel::COstrelProgram& program) {
        shell::ui::CMainFrame& frame = program.Frame();
        shell::CMainFrameCore& core = frame.Core();
        ASSERT_TRUE(gui_test::WaitFor([&] { return frame.Splash() == nullptr; }))
            << "the splash stayed";

        // The sheet the start opened: a DSP unit and a monitored amplifier.
        de::ui::CDeviceWindow* sheet = program.DeviceWindows().ActiveWindow();
        ASSERT_NE(sheet, nullptr);
        auto dspUnit = std::make_unique<model::CDeviceNy>(measurer, 60, 60, 1, 1, 1);
        dspUnit->m_mac = kDspUnitMac;
        sheet->Document().AddDevice(std::move(dspUnit));
        auto amp = std::make_unique<model::CDeviceQOVG>(measurer, 300, 60, 2, model::kModelQOVG, 2);
        amp->SetName("Amp", measurer);
        amp->m_mac = kAmpMac;
        const model::Point ampBody = amp->m_body.CenterPoint();
        sheet->Document().AddDevice(std::move(amp));
        QMdiSubWindow* sheetFrame = frame.ActiveChildFrame();
        ASSERT_NE(sheetFrame, nullptr);
        sheetFrame->showMaximized();
        QWidget* viewport = sheet->Widget()->viewport();
        ASSERT_TRUE(gui_test::WaitFor([&] {
            return viewport->rect().contains(QPoint(ampBody.x, ampBody.y));
        })) << "the amplifier lies outside the sheet's viewport";

        // The DSP documents: the unit's own from the sheet, and a saved one.
        sheet->OpenUnitDsp(1);
        ASSERT_TRUE(program.App().OpenDocumentFile(WriteDspFile().string()));
        const std::vector<dsp_editor::ui::CDspWindow*> dsps = program.DspWindows().Windows();
        ASSERT_EQ(dsps.size(), 2u);
        for (dsp_editor::ui::CDspWindow* dsp : dsps) {
            ASSERT_TRUE(gui_test::WaitFor([&] { return dsp->ConsoleWindow() != nullptr; }))
                << "no console came";
            // Its modeless windows: the console, the property panel and an
            // input's attribute dialog.
            dsp->OnCommand(dsp_editor::kCmdConsole);
            dsp->OnCommand(dsp_editor::kCmdProperties);
            dsp_editor::CZoDSPDoc& doc = dsp->Document();
            ASSERT_NE(dsp->ViewLogic().ShowAttriDialog(*doc.GetModuleById(1), false), nullptr);
            EXPECT_EQ(doc.AttriDialogs().size(), 1u);
            doc.SetModifiedFlag(true);
        }
        // The unit's configuration downloaded: live, its console's sender
        // keeps talking to the unit.
        dsp_editor::ui::CDspWindow* live = dsps.front();
        frame.MdiArea()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow*>(live->View()->parentWidget()));
        ASSERT_TRUE(frame.CommandState(dsp_editor::kCmdDownloadStart).enabled);
        frame.RunCommand(dsp_editor::kCmdDownloadStart);
        ASSERT_TRUE(gui_test::WaitFor(
            [&] {
                return live->Document().m_live == 1 && live->ViewLogic().Download().m_progress == 0;
            },
            30s))
            << "the download did not end live";
        EXPECT_GT(unit->count(), 0);

        frame.MdiArea()->setActiveSubWindow(sheetFrame);
        core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
        core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
        ASSERT_EQ(core.RunningView(), sheet);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(ampBody.x, ampBody.y));
        ASSERT_NE(sheet->Document().FindStatusWindow(2, 2), nullptr);
        frame.RunCommand(shell::ID_VIEW_HWCONFIG);
        ASSERT_TRUE(gui_test::WaitFor([&] { return services->requests > 0; }))
            << "the run state asked no unit";
        EXPECT_EQ(frame.ChildFrames().size(), 3u);
        // A DSP window's activation may still be on its way under load.
        frame.MdiArea()->setActiveSubWindow(sheetFrame);
        ASSERT_TRUE(gui_test::WaitFor([&] {
            return program.DeviceWindows().ActiveWindow() == sheet;
        })) << "the sheet did not come to the front";
        opened = true;
    }

    bool opened = false;
};

TEST_F(OstrelSession, FileExitWithEverythingOpenEndsTheProgramCleanly) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        OpenEverything(program);
        ASSERT_TRUE(opened);
        shell::ui::CMainFrame& frame = program.Frame();
        de::ui::CDeviceWindow* sheet = program.DeviceWindows().ActiveWindow();
        ASSERT_NE(sheet, nullptr);

        // While it runs, neither File > Close nor File > Exit closes it.
        frame.RunCommand(shell::ID_FILE_CLOSE);
        frame.RunCommand(shell::ID_APP_EXIT);
        EXPECT_EQ(messages.ShownIds(), (std::vector<int>{221, 221}));
        EXPECT_TRUE(messages.AskedIds().empty());
        EXPECT_EQ(frame.ChildFrames().size(), 3u);

        // Out of the run state, File > Exit: "No" to every save question.
        frame.RunCommand(shell::ID_LEAVE_RUN);
        sheet->Document().SetModifiedFlag(true);
        messages.ScriptAnswer(324, model::EMessageAnswer::No);
        frame.RunCommand(shell::ID_APP_EXIT);
        EXPECT_EQ(messages.AskedIds(), (std::vector<int>{324, 324, 324}));
        EXPECT_FALSE(frame.isVisible()) << "File > Exit left the main window open";
    });
    EXPECT_EQ(result, 0);
}

// A loop that ends without the main window's close (its documents still
// open, the sheet still running): the program's end closes them, asking
// nothing, before the main window and the editors go.
TEST_F(OstrelSession, ALoopEndedWithDocumentsOpenEndsThemFirst) {
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        OpenEverything(program);
        ASSERT_TRUE(opened);
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(messages.AskedIds().empty());
    EXPECT_TRUE(messages.ShownIds().empty());
}

} // namespace
