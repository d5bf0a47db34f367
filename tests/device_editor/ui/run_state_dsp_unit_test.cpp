// Entering the run state of a saved sheet with a DSP unit, through the
// program's windows on the offscreen platform, against the simulated unit
// (snmpagent --unit) over libkestrin2.so: a unit without a DSP file beside
// the sheet gets an empty DSP document to edit and is sent nothing; once the
// file is there, the unit receives its download. Asserted on the unit's
// journal.
#include <QListWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "comm/command_sender.h"
#include "comm/online_devices.h"
#include "device_editor/ui/device_windows.h"
#include "device_editor/zo_device_doc.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "kestrin2_fixture.h"
#include "model/device_ny.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "platform/gdi/qt_canvas.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"
#include "shell/ui/output_list.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/peers_required.h"
#include "tests/support/temp_dir.h"
#include "tools/snmpagent/peers.h"

namespace {

namespace pa = platform::automation;
using namespace std::chrono_literals;
using Commands = std::vector<std::string>;

constexpr const char* kUnitAddress = "127.0.0.48";
constexpr const char* kUnitMac = "00602b000001";

// The frame's device services, but for the card's address, which puts the
// simulated unit in the card's subnet.
class CLoopbackCard final : public shell::IMainFrame {
public:
    explicit CLoopbackCard(shell::IMainFrame& frame) : m_frame(frame) {}

    int SendTextCommand(const std::string& ip, const std::string& text, bool replyWanted,
                        std::string* reply) override {
        return m_frame.SendTextCommand(ip, text, replyWanted, reply);
    }
    int SnmpGet(const std::string& ip, const std::string& oid, std::string& value) override {
        return m_frame.SnmpGet(ip, oid, value);
    }
    int SnmpSet(const std::string& ip, const std::string& oid, const std::string& value) override {
        return m_frame.SnmpSet(ip, oid, value);
    }
    int GetOnlineDeviceIp(const std::string& mac, std::string& ip) override {
        return m_frame.GetOnlineDeviceIp(mac, ip);
    }
    std::string GetAdapterIp() override { return "127.0.0.1"; }
    void UpdateStatusPanes(int selector) override { m_frame.UpdateStatusPanes(selector); }
    shell::CStatusPanes& Status() override { return m_frame.Status(); }
    void SetRunState(bool on) override { m_frame.SetRunState(on); }
    int OnAppNotify(std::intptr_t wParam, int code) override {
        return m_frame.OnAppNotify(wParam, code);
    }

private:
    shell::IMainFrame& m_frame;
};

class RunStateDspUnit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pa::initialize(), pa::S_OK);
        initialised = true;
        {
            comm::Icom_manager poller;
            comm::Icom_adapter none;
            OSTREL_REQUIRE_PEER(comm::CreateNetComponents(nullptr, &poller, none, "") == 1,
                                "the poller of libkestrin2.so in the build's class registry");
        }
        unit = std::make_unique<snmp_peers::scripted_agent_t>(kUnitAddress, "vuzuvuz",
                                                              std::vector<std::string>{"--unit"});
        ASSERT_EQ(unit->command("unit latency 2"), "ok");
        comm::COnlineDeviceList& online = comm::OnlineDevices();
        online.Clear();
        online.BeginSweep();
        online.MarkSeen(kUnitMac, kUnitAddress);
        online.EndSweepKeepingUnseen();

        ::setenv("OSTREL_HOME", home.path().c_str(), 1);
        model::SetUiThread(&uiThread);
        frame = std::make_unique<shell::ui::CMainFrame>(home.path());
        deviceFrame = device_editor::ui::RegisterDeviceWindows(*frame);
        card = std::make_unique<CLoopbackCard>(frame->Core());
        deviceFrame->SetDeviceServices(card.get());
        dspFrame = dsp_editor::ui::RegisterDspWindows(*frame);
        dspFrame->makeSenderComponents = [this] {
            return std::make_unique<comm::CFixedUnitComponents>(unit->target());
        };
        ASSERT_TRUE(frame->CreateMainWindow());
        frame->show();
    }
    void TearDown() override {
        frame.reset();
        dspFrame.reset();
        deviceFrame.reset();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
        comm::OnlineDevices().Clear();
        unit.reset();
        if (initialised)
            pa::uninitialize();
    }

    // A sheet holding the DSP unit "Player" (model 1), saved as hall.zo and
    // opened as the operator opens it.
    void OpenSheet() {
        device_editor::CZoDeviceDoc sheet;
        sheet.OnNewDocument();
        auto player = std::make_unique<model::CDeviceNy>(measurer, 300, 300, 1, 1, 3);
        player->SetName("Player", measurer);
        player->m_mac = kUnitMac;
        sheet.AddDevice(std::move(player));
        platform::archive::write_file_atomic(sheetPath, sheet.SaveDocument());
        ASSERT_TRUE(frame->OpenDocument(sheetPath.string()));
        sheetWindow = deviceFrame->ActiveWindow();
        ASSERT_NE(sheetWindow, nullptr);
    }
    // Where the unit's DSP file belongs: beside the sheet, in "hall DSP
    // Files".
    void WriteUnitDspFile() {
        dsp_test::FakeFrame sheetFrame;
        auto document = dsp_test::NewDocument(sheetFrame);
        document->m_unitMac = kUnitMac;
        std::filesystem::create_directories(home.path() / "hall DSP Files");
        platform::archive::write_file_atomic(home.path() / "hall DSP Files" /
                                                 (std::string(kUnitMac) + ".dsp"),
                                             document->SaveDocument());
    }
    void EnterRunState() {
        frame->Core().OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
        frame->Core().OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
    }
    bool Listed(const std::string& line) const {
        for (int i = 0; i < frame->Output()->count(); ++i)
            if (frame->Output()->item(i)->text().toStdString() == line)
                return true;
        return false;
    }
    // The commands the unit took, in order.
    Commands Taken() { return unit->journal_commands((home.path() / "journal").string()); }

    k2test::registry_copy_t registry;
    test_support::CTempDir home{"ostrel-run-state-dsp"};
    const std::filesystem::path sheetPath = home.path() / "hall.zo";
    model::CRecordingMessages messages;
    shell::ui::CQtUiThread uiThread;
    platform::gdi::QtTextMeasurer measurer;
    std::unique_ptr<snmp_peers::scripted_agent_t> unit;
    std::unique_ptr<shell::ui::CMainFrame> frame;
    std::unique_ptr<device_editor::ui::CDeviceFrame> deviceFrame;
    device_editor::ui::CDeviceWindow* sheetWindow = nullptr;
    std::unique_ptr<CLoopbackCard> card;
    std::unique_ptr<dsp_editor::ui::CDspFrame> dspFrame;
    bool initialised = false;
};

TEST_F(RunStateDspUnit, AUnitWithoutADspFileKeepsItsConfigurationOneWithAFileGetsItsDownload) {
    OpenSheet();
    if (HasFatalFailure())
        return;
    EnterRunState();

    // No file: an empty document for the operator, nothing for the unit.
    std::vector<dsp_editor::ui::CDspWindow*> windows = dspFrame->Windows();
    ASSERT_EQ(windows.size(), 1u);
    dsp_editor::ui::CDspWindow* empty = windows.front();
    EXPECT_EQ(empty->Document().m_unitMac, kUnitMac);
    EXPECT_TRUE(
        Listed("    信息：设备'Player'(00602b000001)没有DSP配置文件，保持其正在运行的配置。"));
    ASSERT_TRUE(gui_test::WaitFor([&] { return empty->ConsoleWindow() != nullptr; }))
        << "the document's sender never started";
    EXPECT_TRUE(empty->ViewLogic().Console().Queue(comm::EConsoleQueue::Control).empty());
    EXPECT_EQ(empty->Document().m_live, 0);
    // Whatever a download would have sent has reached the unit by now.
    ASSERT_TRUE(
        gui_test::WaitFor([&] { return empty->ViewLogic().Download().m_progress == 0; }, 60s));
    EXPECT_EQ(Taken(), Commands{}) << "the unit was sent nothing";

    // Out of the run state, the empty document closed unsaved and the unit's
    // file written: the next entry downloads the file.
    frame->Core().OnAppNotify(0, shell::NOTIFY_LEAVE_RUN);
    empty->Activate();
    empty->Document().SetModifiedFlag(false);
    ASSERT_TRUE(frame->CloseActiveDocument());
    ASSERT_TRUE(gui_test::WaitFor([&] { return dspFrame->Windows().empty(); }));
    WriteUnitDspFile();
    ASSERT_TRUE(gui_test::WaitFor([&] { return deviceFrame->ActiveWindow() == sheetWindow; }));
    EnterRunState();

    windows = dspFrame->Windows();
    ASSERT_EQ(windows.size(), 1u);
    dsp_editor::ui::CDspWindow* opened = windows.front();
    EXPECT_EQ(opened->Document().GetPathName().filename(), std::string(kUnitMac) + ".dsp");
    const Commands program = opened->ViewLogic().Console().Queue(comm::EConsoleQueue::Control);
    ASSERT_GE(program.size(), 4u);
    EXPECT_EQ(program.front(), "*NyRST#");
    EXPECT_EQ(program.back(), "*NyRUN#");
    // Exactly the program: the first entry sent nothing.
    ASSERT_TRUE(gui_test::WaitFor([&] { return Taken() == program; }, 60s))
        << testing::PrintToString(Taken());
    EXPECT_TRUE(messages.ShownIds().empty());
}

} // namespace
