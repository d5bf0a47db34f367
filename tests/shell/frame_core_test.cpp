// The main frame's core: the notification codes and the download and run
// state they drive, the close guard, the run-state blink, the status panes
// and the device services against a stand-in discovery server.
#include "shell/document_file.h"
#include "shell/document_guards.h"
#include "shell/main_frame_core.h"

#include "comm/automation_wrappers.h"
#include "model/recording_messages.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

#include "app_recorders.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using shell::CMainFrameCore;

std::string Text(int id)
{
    return std::string(resources::LoadString(id));
}

class CView final : public shell::IFrameView {
public:
    CView(std::string name, std::vector<std::string>& log, bool device = true)
        : m_name(std::move(name)), m_log(log), m_device(device) {}
    void OnAppNotify(int code) override
    {
        m_log.push_back(m_name + " " + platform::text::format("0x%x", code));
    }
    bool IsDeviceView() const override { return m_device; }
    int SheetWidth() const override { return 1130; }
    int SheetHeight() const override { return 1600; }
    void LoadUnitConfiguration(const std::string& mac) override
    {
        m_log.push_back(m_name + " load " + mac);
    }
    void ForgetUnitConfiguration(const std::string& mac) override
    {
        m_log.push_back(m_name + " forget " + mac);
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    bool m_device;
};

class CWindows final : public shell::IFrameWindows {
public:
    std::vector<std::string> log;
    const void* child = nullptr;
    shell::IFrameView* view = nullptr;

    const void* ActiveChild() override { return child; }
    shell::IFrameView* ActiveView() override { return view; }
    void ClearOutput() override { log.push_back("clear output"); }
    void RestoreArrowCursor() override { log.push_back("arrow"); }
    void DestroyHwConfigDialog() override { log.push_back("destroy hwconfig"); }
    void RefreshHwConfigDialog() override { log.push_back("refresh hwconfig"); }
    void OpenDspDocumentOfDevice(int id) override { log.push_back("open dsp " + std::to_string(id)); }
};

class CManualTimer final : public shell::ITimer {
public:
    std::function<void()> tick;
    std::chrono::milliseconds period{};
    void Start(std::chrono::milliseconds p, std::function<void()> t) override
    {
        period = p;
        tick = std::move(t);
    }
    void Stop() override { tick = nullptr; }
};

struct FrameCore : ::testing::Test {
    CWindows windows;
    CManualTimer timer;
    CMainFrameCore frame{windows, timer};
    const int childA = 0, childB = 0;
};

TEST_F(FrameCore, NotificationsDriveTheDownloadAndRunState)
{
    CView a("A", windows.log), b("B", windows.log);
    windows.child = &childA;
    windows.view = &a;

    frame.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
    EXPECT_TRUE(frame.DownloadBusy());
    EXPECT_EQ(frame.DownloadingView(), &a);
    // Another child becomes active during the download: the outcome still
    // goes to the sheet that started it.
    windows.child = &childB;
    windows.view = &b;
    frame.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
    EXPECT_FALSE(frame.DownloadBusy());
    EXPECT_EQ(frame.RunningView(), &a);
    EXPECT_EQ(frame.RunningFrame(), &childA);
    frame.OnAppNotify(0, shell::NOTIFY_LEAVE_RUN);
    EXPECT_EQ(frame.RunningView(), nullptr);
    // Without a running view, leaving the run state reaches nobody.
    frame.OnAppNotify(0, shell::NOTIFY_LEAVE_RUN);

    frame.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
    frame.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_FAILED);
    EXPECT_EQ(frame.RunningView(), nullptr);
    EXPECT_FALSE(frame.DownloadBusy());

    frame.SetChangedUnitMac("00602B000001");
    for (const int code : {0x405, 0x406, 0x407, 0x408, 0x409, 0x466})
        frame.OnAppNotify(0, code);
    frame.OnAppNotify(42, shell::NOTIFY_OPEN_DEVICE_DSP);

    EXPECT_EQ(windows.log,
              (std::vector<std::string>{"clear output", "A 0x401", "A 0x402", "arrow", "A 0x404",
                                        "clear output", "B 0x401", "B 0x403", "arrow",
                                        "destroy hwconfig", "refresh hwconfig",
                                        "B load 00602B000001", "refresh hwconfig",
                                        "B forget 00602B000001", "open dsp 42"}));

    // With no active view the changed unit reaches no sheet.
    windows.log.clear();
    windows.view = nullptr;
    frame.OnAppNotify(0, shell::NOTIFY_RELOAD_UNIT_CONFIG);
    frame.OnAppNotify(0, shell::NOTIFY_REFRESH_HWCONFIG_DEVICES);
    EXPECT_EQ(windows.log, (std::vector<std::string>{"refresh hwconfig"}));
}

TEST_F(FrameCore, TheWindowStaysWhileADownloadRunsOrASheetIsRunning)
{
    model::CRecordingMessages messages;
    CView a("A", windows.log);
    windows.child = &childA;
    windows.view = &a;
    EXPECT_TRUE(frame.CanClose());
    frame.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
    EXPECT_FALSE(frame.CanClose());
    // A child window: only the one whose sheet downloads or runs stays.
    EXPECT_FALSE(frame.CanClose(&childA));
    EXPECT_TRUE(frame.CanClose(&childB));
    frame.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
    EXPECT_FALSE(frame.CanClose());
    EXPECT_FALSE(frame.CanClose(&childA));
    EXPECT_TRUE(frame.CanClose(&childB));
    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{209, 209, 221, 221}));

    // The running sheet's view and frame go: nothing points at them.
    frame.ViewDestroyed(&a, &childA);
    EXPECT_EQ(frame.RunningView(), nullptr);
    EXPECT_EQ(frame.RunningFrame(), nullptr);
    EXPECT_EQ(frame.DownloadingView(), nullptr);
    EXPECT_TRUE(frame.CanClose());
}

TEST_F(FrameCore, TheRunStatePaneBlinks)
{
    frame.Status().SetLayout(shell::EStatusLayout::Dsp);
    const auto pane = [&] { return frame.Status().Find(shell::kPaneRunState)->text; };
    const std::string running = Text(336);
    frame.SetRunState(true);
    EXPECT_EQ(pane(), running);
    EXPECT_EQ(timer.period, 500ms);
    ASSERT_TRUE(timer.tick);
    timer.tick();
    EXPECT_EQ(pane(), "");
    timer.tick();
    EXPECT_EQ(pane(), running);
    frame.SetRunState(false);
    EXPECT_FALSE(timer.tick);
    EXPECT_EQ(pane(), Text(337));
}

TEST_F(FrameCore, StatusTexts)
{
    shell::CStatusPanes& status = frame.Status();
    frame.SetRange(0xC6120A0A, 0xC6120A14); // 198.18.10.10 - 198.18.10.20
    frame.SetLocalAdapterIp("198.18.10.1");
    frame.UpdateIpPanes();
    const std::string start = Text(1) + "198.18.10.10" + std::string(10, ' ');
    EXPECT_EQ(status.Find(shell::kPaneStartIp)->text, start);
    EXPECT_EQ(status.Find(shell::kPaneAdapterIp)->toolTip,
              Text(1) + "198.18.10.10; " + Text(2) +
                  "198.18.10.20; " + Text(3) + "198.18.10.1");

    CView device("D", windows.log);
    windows.view = &device;
    frame.UpdateSheetSizePane();
    const std::string label = Text(205);
    const std::string prefix = label.substr(0, label.find(':') + 1);
    EXPECT_EQ(status.Find(shell::kPaneSheetSize)->text, prefix + " 1130x1600          ");
    EXPECT_EQ(status.Find(shell::kPaneSheetSize)->toolTip, prefix + " 1130x1600");

    // DSP panes do nothing in the device layout.
    status.SetModuleCountPane(20, 1);
    EXPECT_EQ(status.Find(shell::kPaneModuleCount), nullptr);

    status.SetLayout(shell::EStatusLayout::Dsp);
    const auto text = [&](int id) { return status.Find(id)->text; };
    // The algorithm modules shown are the count less 14, the sheet's 16
    // fixed modules notwithstanding.
    status.SetModuleCountPane(16, 0);
    EXPECT_EQ(text(shell::kPaneModuleCount), platform::text::format(Text(329), 2, 16, 0));
    status.SetModuleCountPane(20, 3);
    EXPECT_EQ(text(shell::kPaneModuleCount), platform::text::format(Text(329), 6, 20, 3));
    status.SetModuleCountPane(0, 0);
    EXPECT_EQ(text(shell::kPaneModuleCount), Text(328));
    status.SetSpaceUsedPane(81); // 0.98 %
    EXPECT_EQ(text(shell::kPaneSpaceUsed), Text(333));
    status.SetSpaceUsedPane(4096);
    EXPECT_EQ(text(shell::kPaneSpaceUsed), platform::text::format(Text(332), 50));
    status.SetTimeUsedPane(249);
    EXPECT_EQ(text(shell::kPaneTimeUsed), Text(335));
    status.SetTimeUsedPane(250);
    EXPECT_EQ(text(shell::kPaneTimeUsed), platform::text::format(Text(334), 1));
    status.SetIdStatePane(true);
    EXPECT_EQ(text(shell::kPaneIdState), Text(331));
    status.SetModulePosPane(10, 20);
    EXPECT_EQ(text(shell::kPaneModulePos), "(10,20)");
    status.SetModuleSizePane(80, 60);
    EXPECT_EQ(text(shell::kPaneModuleSize), "80X60");
    status.SetLinkCountPane(5, 2);
    EXPECT_EQ(text(shell::kPaneLinkCount), platform::text::format(Text(327), 5, 2));
}

// A watch that does on its start what the test says: complete a sweep,
// give up before one, or never report.
class CFakeWatch final : public shell::INetWatch {
public:
    enum class EOutcome { Sweep, GiveUp, Silent } outcome = EOutcome::Sweep;
    comm::CWatchState& state;
    std::vector<std::string>& log;
    CFakeWatch(comm::CWatchState& s, std::vector<std::string>& l) : state(s), log(l) {}
    void Start(bool capture) override
    {
        log.push_back(capture ? "start capture" : "start manager");
        if (outcome == EOutcome::Sweep)
            state.firstSweep = 1;
        if (outcome != EOutcome::Silent)
            state.sweepEvent.set();
    }
    void Stop() override
    {
        state.RequestStop();
        log.push_back("stop");
    }
};

TEST_F(FrameCore, StartingTheNetwork)
{
    using EOutcome = CFakeWatch::EOutcome;
    struct Case {
        const char* name;
        int made;
        const char* netType;
        EOutcome outcome;
        int result;
        std::vector<int> messages;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"first sweep", 1, "Normal", EOutcome::Sweep, 1, {}, {"start capture"}},
        {"any other net type asks the discovery server", 1, "normal", EOutcome::Sweep, 1, {},
         {"start manager"}},
        {"no components", 0, "Normal", EOutcome::Sweep, 0, {203}, {}},
        {"the watch gave up before a sweep", 1, "Normal", EOutcome::GiveUp, 0, {204},
         {"start capture", "stop", "start visible"}},
        {"a watch that never reports is given up after the limit", 1, "Wireless",
         EOutcome::Silent, 0, {204}, {"start manager", "stop", "start visible"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model::CRecordingMessages messages;
        std::vector<std::string> log;
        comm::CWatchState state;
        CFakeWatch watch(state, log);
        watch.outcome = c.outcome;
        CMainFrameCore core(windows, timer);
        core.onNetFailure = [&] { log.push_back("start visible"); };
        const shell::ComponentsMaker make = [&](comm::Imanager*, comm::Icom_manager*,
                                                comm::Icom_adapter&, const std::string& card) {
            EXPECT_EQ(card, "eth0");
            return c.made;
        };
        EXPECT_EQ(core.StartNetwork("eth0", c.netType, state, watch, make, 50ms), c.result);
        EXPECT_EQ(messages.ShownIds(), c.messages);
        EXPECT_EQ(log, c.log);
    }
}

TEST_F(FrameCore, TheNetTypeRestartAndTheEnd)
{
    model::CRecordingMessages messages;
    std::vector<std::string> log;
    comm::CWatchState state;
    CFakeWatch watch(state, log);
    const shell::ComponentsMaker make = [](auto*, auto*, auto&, const std::string&) { return 1; };
    ASSERT_EQ(frame.StartNetwork("eth0", "Normal", state, watch, make, 50ms), 1);
    EXPECT_TRUE(frame.RestartWatch("Wireless"));
    EXPECT_EQ(frame.NetType(), "Wireless");
    watch.outcome = CFakeWatch::EOutcome::Silent;
    EXPECT_FALSE(frame.RestartWatch("Normal")); // the program stays open
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{204});
    frame.OnDestroy();
    EXPECT_EQ(log, (std::vector<std::string>{"start capture", "stop", "start manager", "stop",
                                             "start capture", "stop", "stop"}));
}

// The device services against a stand-in discovery server and poller.
class FrameServices : public autotest::ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        ::setenv("COMM_STANDIN_JOURNAL", (registry_.dir() / "journal").c_str(), 1);
        ::setenv("COMM_STANDIN_TABLE", (registry_.dir() / "table").c_str(), 1);
        std::ofstream(registry_.dir() / "table")
            << "card eth0 198.18.1.1\ndevice 00602b000001 198.18.1.10\n"
               "device 00602b000003 198.18.1.12\n";
    }
    void TearDown() override
    {
        frame.ReleaseComponents();
        ::unsetenv("COMM_STANDIN_JOURNAL");
        ::unsetenv("COMM_STANDIN_TABLE");
        ServerFixture::TearDown();
    }

    CWindows windows;
    CManualTimer timer;
    CMainFrameCore frame{windows, timer};
};

TEST_F(FrameServices, OnlineAddressesAndTheRangeGuard)
{
    ASSERT_EQ(comm::CreateNetComponents(&frame.Discovery(), &frame.Poller(), frame.Adapter(),
                                        "eth0", [](std::chrono::milliseconds) {}),
              1);
    EXPECT_EQ(frame.GetAdapterIp(), "198.18.1.1");

    comm::COnlineDeviceList online;
    online.MarkSeen("00602b000001", "198.18.1.10");
    online.MarkSeen("00602b000002", "198.18.1.11");
    online.MarkSeen("00602b000003", "198.18.1.12");
    online.BeginSweep();
    online.MarkSeen("00602b000001", "198.18.1.10");
    online.MarkSeen("00602b000002", "198.18.1.11");
    online.EndSweepKeepingUnseen(); // 3 went off line
    frame.SetOnlineList(online);

    struct Case {
        const char* mac;
        int result;
        const char* ip;
    };
    const Case cases[] = {
        {"00602b000001", 1, "198.18.1.10"},
        {"00602b000002", 0, ""},  // the discovery server has no such device
        {"00602b000003", 0, ""},  // off line: "0.0.0.0" is no address
        {"00602b000004", 0, ""},  // known to neither
        {"00602B000001", 0, ""},  // the prefix is compared exactly
        {"00602b00001", 0, ""},   // 11 characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mac);
        std::string ip = "stale";
        EXPECT_EQ(frame.GetOnlineDeviceIp(c.mac, ip), c.result);
        EXPECT_EQ(ip, c.ip);
    }

    // No guard while the range is unset; outside a set one, -3 before any
    // request goes out.
    std::string value;
    EXPECT_NE(frame.SnmpGet("10.9.9.9", "1.3.6.1.2.1.1.5.0", value), shell::kSnmpOutOfRange);
    frame.SetRange(0xC612010A, 0xC612010C);
    EXPECT_EQ(frame.SnmpGet("10.9.9.9", "1.3.6.1.2.1.1.5.0", value), shell::kSnmpOutOfRange);
    EXPECT_EQ(frame.SnmpSet("198.18.1.13", "1.3.6.1.2.1.1.5.0", "x"), shell::kSnmpOutOfRange);
    EXPECT_EQ(frame.SnmpSet("198.18.1.12", "1.3.6.1.2.1.1.5.0", "x"), 0);
    EXPECT_EQ(frame.SnmpGet("198.18.1.12", "1.3.6.1.2.1.1.5.0", value), 1);
}

} // namespace

namespace {

using app_test::CDocuments;

TEST_F(FrameCore, OpeningAndCreatingDocuments)
{
    using A = model::EMessageAnswer;
    struct Case {
        const char* name;
        const char* path; // null: the new-file command
        int views;
        bool busy, running, refuseClose;
        A answer;
        bool result;
        std::vector<int> shown, asked;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"a DSP file in capitals opens beside the others", "x.DSP", 2, false, false, false, A::Ok,
         true, {}, {}, {"open x.DSP"}},
        {"a DSP file during a download", "x.dsp", 1, true, false, false, A::Ok, true, {}, {},
         {"open x.dsp"}},
        {"another type", "x.txt", 0, false, false, false, A::Ok, false, {285}, {}, {}},
        {"a sheet while a download runs", "x.zo", 1, true, false, false, A::Ok, false, {209}, {},
         {}},
        {"a sheet while one runs", "x.zo", 1, false, true, false, A::Ok, false, {221}, {}, {}},
        {"a sheet replacing two documents", "x.zo", 2, false, false, false, A::Ok, true, {},
         {305}, {"close", "close", "open x.zo"}},
        {"a sheet, cancelled", "x.zo", 1, false, false, false, A::Cancel, false, {}, {305}, {}},
        {"a sheet, a save refused", "x.zo", 1, false, false, true, A::Ok, false, {}, {305},
         {"close"}},
        {"a sheet with nothing open asks nothing", "x.ZO", 0, false, false, false, A::Ok, true,
         {}, {}, {"open x.ZO"}},
        {"a new sheet", nullptr, 1, false, false, false, A::Ok, true, {}, {305}, {"close", "new"}},
        {"a new sheet while a download runs", nullptr, 1, true, false, false, A::Ok, false, {209},
         {}, {}},
        {"a new sheet while one runs", nullptr, 1, false, true, false, A::Ok, false, {221}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model::CRecordingMessages messages;
        messages.ScriptAnswer(resources::kMsgReplaceDocument, c.answer);
        CWindows frameWindows;
        CView view("V", frameWindows.log);
        frameWindows.child = &childA;
        frameWindows.view = &view;
        CMainFrameCore core(frameWindows, timer);
        if (c.busy || c.running)
            core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
        if (c.running)
            core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
        CDocuments docs;
        docs.activeViews = c.views;
        docs.deviceView = c.views > 0;
        docs.refuseClose = c.refuseClose;
        core.SetDeviceDocPath("old.zo");
        const bool result = c.path ? shell::OpenDocumentFile(c.path, core, docs)
                                   : shell::NewDeviceSheet(core, docs);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(messages.ShownIds(), c.shown);
        EXPECT_EQ(messages.AskedIds(), c.asked);
        EXPECT_EQ(docs.log, c.log);
        if (!c.path && c.result) {
            EXPECT_EQ(core.DeviceDocPath(), "");
        }
    }
}

// The one check before a file is opened, which the application's open and
// both editors' File Open make: the kind by the last three characters in
// lower case, and 285 for anything else.
TEST(DocumentFile, TheKindOfAFileToOpen) {
    using K = shell::EDocumentFile;
    const struct {
        const char* path;
        K kind;
    } rows[] = {
        {"/s/a.zo", K::DeviceSheet},
        {"/s/A.ZO", K::DeviceSheet},
        {"/s/b.dsp", K::DspSheet},
        {"/s/b.DsP", K::DspSheet},
        {"/s/mydsp", K::DspSheet},
        {"/s/a.zo.bak", K::Other},
        {"/s/cazo", K::Other},
        {"/s/a.dmu", K::Other},
        {"zo", K::Other},
        {"", K::Other},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.path);
        model::CRecordingMessages messages;
        EXPECT_EQ(shell::CheckFileToOpen(r.path), r.kind);
        EXPECT_EQ(messages.ShownIds(), r.kind == K::Other
                                           ? std::vector<int>{resources::kMsgBadFileFormat}
                                           : std::vector<int>{});
    }
}

} // namespace
