// A whole session of the operator program in this process, on the offscreen
// platform, run by its own event loop as main() runs it: a device sheet in
// run state, the DSP documents of two units with their consoles talking to
// the simulated unit (snmpagent --unit) over libkestrin2.so, the modeless
// windows of both kinds open, then File > Exit answered "No" to each save
// question, and the program's end; and a loop that ends with all of it still
// open. Under the sanitizer build any step of the end that touches a freed
// object stops the test.
#include "ostrel/ostrel_program.h"

#include <QApplication>
#include <QMdiArea>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/automation_wrappers.h"
#include "comm/command_sender.h"
#include "comm/online_devices.h"
#include "device_editor/ui/device_view.h"
#include "device_editor/ui/device_windows.h"
#include "dsp_editor/dsp_commands.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "dsp_editor/zo_dsp_view.h"
#include "kestrin2_fixture.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "platform/gdi/qt_canvas.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/peers_required.h"
#include "tests/support/temp_dir.h"
#include "tools/snmpagent/peers.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
namespace de = device_editor;
namespace pa = platform::automation;

constexpr const char* kDspUnitMac = "00602b000001";
constexpr const char* kOtherDspUnitMac = "00602b000002";
constexpr const char* kAmpMac = "00602b000021";
constexpr const char* kAmpIp = "192.168.1.21";

// A watch whose first sweep comes at once: the session needs no network card.
class CSweepingWatch final : public shell::INetWatch {
public:
    explicit CSweepingWatch(comm::CWatchState& state) : m_state(state) {}
    void Start(bool) override {
        m_state.firstSweep = 1;
        m_state.sweepEvent.set();
    }
    void Stop() override { m_state.RequestStop(); }

private:
    comm::CWatchState& m_state;
};

// What the sheet's run state reaches the units through: every unit answers
// at once. The status panes and notifications are the frame's own.
class CAnsweringServices final : public shell::IMainFrame {
public:
    explicit CAnsweringServices(shell::IMainFrame& frame) : m_frame(frame) {}
    int SendTextCommand(const std::string&, const std::string&, bool,
                        std::string* reply) override {
        ++requests;
        if (reply != nullptr)
            *reply = "*OK#";
        return 1;
    }
    int SnmpGet(const std::string&, const std::string&, std::string& value) override {
        ++requests;
        value = "1048576";
        return 1;
    }
    int SnmpSet(const std::string&, const std::string&, const std::string&) override {
        ++requests;
        return 0;
    }
    int GetOnlineDeviceIp(const std::string& mac, std::string& ip) override {
        ip = comm::GetNetDeviceIP(mac);
        return ip.empty() ? 0 : 1;
    }
    std::string GetAdapterIp() override { return "192.168.1.10"; }
    void UpdateStatusPanes(int selector) override { m_frame.UpdateStatusPanes(selector); }
    shell::CStatusPanes& Status() override { return m_frame.Status(); }
    void SetRunState(bool on) override { m_frame.SetRunState(on); }
    int OnAppNotify(std::intptr_t wParam, int code) override {
        return m_frame.OnAppNotify(wParam, code);
    }

    std::atomic<int> requests{0};

private:
    shell::IMainFrame& m_frame;
};

class OstrelSession : public ::testing::Test {
protected:
    void SetUp() override {
        {
            comm::Icom_manager poller;
            comm::Icom_adapter none;
            ASSERT_EQ(pa::initialize(), pa::S_OK);
            const bool made = comm::CreateNetComponents(nullptr, &poller, none, "") == 1;
            poller.Release();
            pa::uninitialize();
            OSTREL_REQUIRE_PEER(made, "the poller of libkestrin2.so in the build's class registry");
        }
        unit = std::make_unique<snmp_peers::scripted_agent_t>("127.0.0.49", "vuzuvuz",
                                                              std::vector<std::string>{"--unit"});
        ASSERT_EQ(unit->command("unit latency 2"), "ok");
        ::setenv("OSTREL_HOME", home.path().c_str(), 1);
        std::ofstream(home.path() / "Ostrel.ini")
            << "[IPSeg]\nIPStart=192.168.1.1\nIPEnd=192.168.1.200\nStartVisible=0\n"
               "[AdapterSeg]\nAdapter=eth0\n[NetAttri]\nNetType=Wireless\n";
        model::SetUiThread(&uiThread);
        comm::COnlineDeviceList& online = comm::OnlineDevices();
        online.Clear();
        online.BeginSweep();
        online.MarkSeen(kAmpMac, kAmpIp);
        online.EndSweepKeepingUnseen();
    }
    void TearDown() override {
        comm::OnlineDevices().Clear();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
        unit.reset();
    }

    // The program's own network start, but for the discovery server and the
    // card: the frame holds a real poller of libkestrin2.so, released at its
    // end like the program's.
    static shell::CStartupServices Services() {
        shell::CStartupServices services;
        services.makeComponents = [](comm::Imanager*, comm::Icom_manager* poller,
                                     comm::Icom_adapter& adapter, const std::string&) {
            return comm::CreateNetComponents(nullptr, poller, adapter, "");
        };
        services.makeWatch = [](comm::CWatchState& state, const std::string&) {
            return std::make_unique<CSweepingWatch>(state);
        };
        return services;
    }

    // A saved DSP configuration of the second unit.
    fs::path WriteDspFile() const {
        const fs::path path = home.path() / "second.dsp";
        dsp_editor::CZoDSPDoc doc;
        doc.OnNewDocument();
        doc.m_unitMac = kOtherDspUnitMac;
        platform::archive::write_file_atomic(path, doc.SaveDocument());
        return path;
    }

    // Runs the program as main() does, with `session` inside its event loop
    // once the start is done; the loop's result. The session ends the loop;
    // one cut short by a failed step still does (by an exit that asks no
    // window: one might refuse or ask to save).
    int RunProgram(const std::function<void(ostrel::COstrelProgram&)>& session) {
        int result = -1;
        {
            ostrel::COstrelProgram program(home.path(), Services());
            services = std::make_unique<CAnsweringServices>(program.Frame().Core());
            program.DeviceWindows().SetDeviceServices(services.get());
            const std::string target = unit->target();
            program.DspWindows().makeSenderComponents = [target] {
                return std::make_unique<comm::CFixedUnitComponents>(target);
            };
            if (!program.Start({})) {
                ADD_FAILURE() << "the program did not start";
                return -1;
            }
            bool done = false;
            QTimer::singleShot(0, [&] {
                session(program);
                done = true;
                if (HasFailure())
                    QCoreApplication::exit(1);
            });
            result = QApplication::exec();
            EXPECT_TRUE(done);
        }
        services.reset();
        return result;
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
            [&] { return live->Document().m_live == 1 && live->ViewLogic().m_progress == 0; }, 30s))
            << "the download did not end live";
        EXPECT_GT(unit->count(), 0);

        frame.MdiArea()->setActiveSubWindow(sheetFrame);
        core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
        core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
        ASSERT_EQ(core.RunningView(), sheet);
        QTest::mouseDClick(viewport, Qt::LeftButton, {},
                           QPoint(ampBody.x, ampBody.y));
        ASSERT_NE(sheet->Document().FindStatusWindow(2, 2), nullptr);
        frame.RunCommand(shell::ID_VIEW_HWCONFIG);
        ASSERT_TRUE(gui_test::WaitFor([&] { return services->requests > 0; }))
            << "the run state asked no unit";
        EXPECT_EQ(frame.ChildFrames().size(), 3u);
        opened = true;
    }

    k2test::registry_copy_t registry;
    test_support::CTempDir home{"ostrel-session"};
    model::CRecordingMessages messages;
    shell::ui::CQtUiThread uiThread;
    platform::gdi::QtTextMeasurer measurer;
    std::unique_ptr<snmp_peers::scripted_agent_t> unit;
    std::unique_ptr<CAnsweringServices> services;
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
