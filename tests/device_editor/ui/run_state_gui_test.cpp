// A device sheet window in run state, on the offscreen platform, with the
// unit requests answered by recording device services: the main frame's
// notifications enter the run state (red frame, the channel gains and the
// amplifier's gains sent, the status poller running), leave it (the poller
// idles, the amplifier's status window shows no old readings), the units'
// on-line marks follow the online-device list while the sheet runs, and the
// window closes promptly even while a unit keeps a command waiting. And
// where the program finds its alarm sound.
#include "device_editor/ui/device_windows.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/online_devices.h"
#include "device_editor/run_state.h"
#include "device_editor/sheet_drawing.h"
#include "device_editor/ui/amplifier_monitor_dialog.h"
#include "device_editor/ui/run_state_window.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "platform/text/ipv4.h"
#include "shell/ui/output_list.h"
#include "tests/device_editor/ui/sheet_window_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

namespace de = device_editor;
using namespace std::chrono_literals;

const QColor kGrey(0x80, 0x80, 0x80);
const QColor kRed(255, 0, 0);

constexpr const char* kStageMac = "00602b000004";
constexpr const char* kStageIp = "192.168.1.4";
constexpr const char* kAmpMac = "00602b000021";
constexpr const char* kAmpIp = "192.168.1.21";

// The main frame's device services as the run state reaches them, recorded
// ("send <ip> <text>", "set <oid> <value>", "get <oid>"); every unit
// answers "*OK#", or nothing when silent: the amplifier after 2 s, the
// others after 20 ms.
class CRecordingServices final : public shell::IMainFrame {
public:
    explicit CRecordingServices(shell::IMainFrame& frame) : m_frame(frame) {}

    int SendTextCommand(const std::string& ip, const std::string& text, bool,
                        std::string* reply) override {
        Record("send " + ip + " " + text);
        if (silent) {
            std::this_thread::sleep_for(ip == kAmpIp ? 2000ms : 20ms);
            return 0;
        }
        if (reply != nullptr)
            *reply = "*OK#";
        return 1;
    }
    int SnmpGet(const std::string&, const std::string& oid, std::string& value) override {
        Record("get " + oid);
        value = std::to_string(volume.load());
        return 1;
    }
    int SnmpSet(const std::string&, const std::string& oid, const std::string& value) override {
        Record("set " + oid + " " + value);
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

    std::vector<std::string> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    std::size_t Count(const std::string& event) const {
        const auto events = Events();
        return static_cast<std::size_t>(std::count(events.begin(), events.end(), event));
    }

    std::atomic<bool> silent{false};
    // What the amplifier's volumes read.
    std::atomic<long long> volume{1048576};

private:
    void Record(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }

    shell::IMainFrame& m_frame;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

// The threads' traffic reaches the window through the event loop: a longer
// wait than the dialogs' own.
bool WaitFor(const std::function<bool()>& done) {
    return gui_test::WaitFor(done, 10s);
}

//   id 1  model 4 "Stage" (input half), input 3 at step 4 with phantom power
//   id 2  model 21 "Amp"
// both on line in the adapter's subnet and within the configured range.
class RunStateGui : public sheet_window_test::CSheetWindowTest {
protected:
    RunStateGui() : CSheetWindowTest("ostrel-run-state") {}

    shell::IMainFrame* DeviceServices() override {
        services = std::make_unique<CRecordingServices>(frame->Core());
        return services.get();
    }
    void SetUp() override {
        CSheetWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        frame->Core().SetRange(*platform::text::parse_ipv4("192.168.1.1"),
                               *platform::text::parse_ipv4("192.168.1.200"));
        comm::COnlineDeviceList& online = comm::OnlineDevices();
        online.Clear();
        online.BeginSweep();
        online.MarkSeen(kStageMac, kStageIp);
        online.MarkSeen(kAmpMac, kAmpIp);
        online.EndSweepKeepingUnseen();

        auto stage = std::make_unique<model::CDeviceNy>(measurer, 400, 300, 1, 4, 1);
        stage->SetName("Stage", measurer);
        stage->m_mac = kStageMac;
        auto* input3 = model::AsDeviceChnl(stage->m_channels[2]);
        input3->m_gainStep = 4;
        input3->m_phantomPower = 1;
        window->Document().AddDevice(std::move(stage));
        auto amp =
            std::make_unique<model::CDeviceQOVG>(measurer, 400, 600, 2, model::kModelQOVG, 2);
        amp->SetName("Amp", measurer);
        amp->m_mac = kAmpMac;
        window->Document().AddDevice(std::move(amp));
        window->Document().SetModifiedFlag(false);
    }
    void TearDown() override {
        CSheetWindowTest::TearDown();
        comm::OnlineDevices().Clear();
    }

    model::CDeviceQOVG& Amp() {
        return *dynamic_cast<model::CDeviceQOVG*>(window->Document().FindDevice(2, 2));
    }
    template <class T> T Locked(const std::function<T()>& read) {
        auto lock = window->LockSheet();
        return read();
    }
    std::vector<std::string> OutputLines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < frame->Output()->count(); ++i)
            lines.push_back(frame->Output()->item(i)->text().toStdString());
        return lines;
    }
    bool Listed(const std::string& line) const {
        const auto lines = OutputLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    void EnterRunState() {
        frame->Core().OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
        frame->Core().OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
        ASSERT_EQ(frame->Core().RunningView(), window);
    }
    // Closes the sheet; how long until its window was gone.
    std::chrono::milliseconds Close() {
        window->Document().SetModifiedFlag(false);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(frame->CloseActiveDocument());
        EXPECT_TRUE(WaitFor([&] { return frame->ChildFrames().empty(); }));
        window = nullptr;
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }
    QColor FramePixel() { return view->viewport()->grab().toImage().pixelColor(2, 300); }

    std::unique_ptr<CRecordingServices> services;
};

TEST_F(RunStateGui, EnteringSendsTheGainsAndPollsLeavingIdlesTheWindowCloses) {
    EnterRunState();
    EXPECT_EQ(FramePixel(), kRed);

    // The channel gains, on the user-interface thread, before 0x402 returns.
    const auto events = services->Events();
    std::vector<std::string> gains;
    std::copy_if(events.begin(), events.end(), std::back_inserter(gains),
                 [](const std::string& e) { return e.find("SETVO") != std::string::npos; });
    ASSERT_EQ(gains.size(), 8u);
    EXPECT_EQ(gains[0], "send 192.168.1.4 SETVO01000");
    EXPECT_EQ(gains[2], "send 192.168.1.4 SETVO03036");
    const auto lines = OutputLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "开始通道增益设置...");
    EXPECT_EQ(lines[1], "'Stage' (00602b000004)");
    EXPECT_EQ(lines[lines.size() - 2], "通道增益设置完成！");
    EXPECT_EQ(Locked<int>([&] { return Amp().m_flag; }), 1);

    // The poller's first round: the amplifier's gains set, its state and
    // readings fetched; the results reach the output list through the event
    // loop.
    const std::string leftGain = std::string("set ") + de::kLeftGainOid + " 134217728";
    ASSERT_TRUE(WaitFor([&] {
        return services->Count(std::string("get ") + de::kRightVolumeOid) > 0 &&
               Listed("成功设置QLV-3300A设备Amp('00602b000021')右输出通道电平增益0.0 dB。");
    }));
    EXPECT_EQ(services->Count(leftGain), 1u);
    EXPECT_EQ(services->Count(std::string("send ") + kAmpIp + " GETPO"), 1u);
    EXPECT_GE(services->Count(std::string("send ") + kAmpIp + " GETAV0"), 1u);

    // Running, the sheet takes no deletion.
    window->Document().SelectDevice(window->Document().FindDevice(1, 1), false);
    frame->RunCommand(de::kCmdDelete);
    EXPECT_NE(window->Document().FindDevice(1, 1), nullptr);

    // The amplifier's status window shows each round's readings as the
    // poller announces them.
    const model::Point body = Amp().m_body.CenterPoint();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(body.x, body.y));
    auto* status = dynamic_cast<de::ui::CAmplifierStatusWindow*>(
        window->Document().FindStatusWindow(2, 2));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->Dialog()->VolumeText(0)->text(), "15.5");
    services->volume = 0;
    EXPECT_TRUE(WaitFor([&] { return status->Dialog()->VolumeText(0)->text() == "-100.0"; }))
        << status->Dialog()->VolumeText(0)->text().toStdString();

    // Leaving: marks cleared, the grey frame, and the poller idles, which
    // asks for the gains to be set again in each idle round.
    frame->Core().OnAppNotify(0, shell::NOTIFY_LEAVE_RUN);
    EXPECT_EQ(Locked<int>([&] { return Amp().m_flag; }), 0);
    EXPECT_EQ(FramePixel(), kGrey);
    // Nothing reads the amplifier now: its window shows no old readings.
    EXPECT_TRUE(WaitFor([&] { return status->Dialog()->VolumeText(0)->text().isEmpty(); }))
        << status->Dialog()->VolumeText(0)->text().toStdString();
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(status->Dialog()->ValueField(k)->text().isEmpty()) << k;
    auto idleRound = [&] {
        return WaitFor([&] { return Locked<int>([&] { return Amp().m_gainSetRequest; }) == 1; });
    };
    ASSERT_TRUE(idleRound());
    const std::size_t polled = services->Events().size();
    Locked<int>([&] { return Amp().m_gainSetRequest = 0; });
    ASSERT_TRUE(idleRound());
    EXPECT_EQ(services->Events().size(), polled) << "an idle round sends nothing";

    EXPECT_LT(Close(), 2s);
}

// The on-line marks as the sheet shows them: drawn for the units the online
// list has on line once the sheet runs, following the list while it runs,
// gone when it stops.
TEST_F(RunStateGui, OnLineMarksShowWhatTheOnlineListKnows) {
    auto far = std::make_unique<model::CDeviceNy>(measurer, 600, 300, 3, 4, 1);
    far->m_mac = "00602b000099";
    window->Document().AddDevice(std::move(far));
    const model::Rect stageMark = de::OnlineMarkRect(*window->Document().FindDevice(1, 1));
    const model::Rect farMark = de::OnlineMarkRect(*window->Document().FindDevice(3, 1));
    const QColor green(0, 0xC0, 0);
    const auto lamp = [&](const model::Rect& mark) {
        const model::Point c = mark.CenterPoint();
        return view->viewport()->grab().toImage().pixelColor(c.x, c.y);
    };
    EXPECT_NE(lamp(stageMark), green) << "no marks before the run state";

    EnterRunState();
    EXPECT_EQ(lamp(stageMark), green);
    EXPECT_NE(lamp(farMark), green) << "a unit the list does not know";

    // The Stage misses a sweep: its mark goes; it is seen again: it comes
    // back, without a notification of the main frame.
    comm::COnlineDeviceList& online = comm::OnlineDevices();
    online.BeginSweep();
    online.MarkSeen(kAmpMac, kAmpIp);
    online.EndSweepKeepingUnseen();
    EXPECT_TRUE(WaitFor([&] { return lamp(stageMark) != green; }));
    online.BeginSweep();
    online.MarkSeen(kStageMac, kStageIp);
    online.MarkSeen(kAmpMac, kAmpIp);
    online.MarkSeen("00602b000099", "192.168.1.99");
    online.EndSweepKeepingUnseen();
    EXPECT_TRUE(WaitFor([&] { return lamp(stageMark) == green && lamp(farMark) == green; }));

    frame->Core().OnAppNotify(0, shell::NOTIFY_LEAVE_RUN);
    EXPECT_NE(lamp(stageMark), green);
    EXPECT_NE(lamp(farMark), green);
}

TEST_F(RunStateGui, ASilentUnitKeepsTheCloseWaitingAtMostForItsCommand) {
    services->silent = true;
    EnterRunState();
    // The Stage's eight gains time out on the user-interface thread; listed
    // as failed.
    EXPECT_TRUE(Listed("    错误：设置设备'Stage'(00602b000004)的3通道增益+24 dB失败！"));

    // A poller command under way when the sheet leaves the run state and
    // closes: the close waits for that command only, whose failure is
    // still listed.
    ASSERT_TRUE(
        WaitFor([&] { return services->Count(std::string("send ") + kAmpIp + " GETPO") > 0; }));
    frame->Core().OnAppNotify(0, shell::NOTIFY_LEAVE_RUN);
    EXPECT_LT(Close(), 3s);
    EXPECT_TRUE(WaitFor(
        [&] { return Listed("获取QLV-3300A设备Amp('00602b000021')的数字输出口电平状态失败！"); }));
    EXPECT_EQ(services->Count(std::string("send ") + kAmpIp + " GETAV0"), 0u);
}

// The program run from its build tree finds the sound the build made; an
// installed one the sound of its shipped defaults; the operator's own sound
// in the program folder comes first.
TEST(RunStateWindowAlarm, TheProgramFindsItsAlarmSound) {
    test_support::CTempDir program{"alarm-program"}, shipped{"alarm-shipped"};
    ::setenv("OSTREL_HOME", program.path().c_str(), 1);
    ::setenv("OSTREL_DATA_DIR", "/nonexistent/share/ostrel", 1);
    const auto built = de::FindAlarmSound(de::ui::AlarmSoundFolders());
    ASSERT_TRUE(built.has_value()) << "the build tree's sound";
    EXPECT_GT(std::filesystem::file_size(*built), 44u) << *built;

    std::ofstream(shipped.path() / "Alarm.wav") << "RIFF";
    ::setenv("OSTREL_DATA_DIR", shipped.path().c_str(), 1);
    EXPECT_EQ(de::FindAlarmSound(de::ui::AlarmSoundFolders()), shipped.path() / "Alarm.wav");

    std::ofstream(program.path() / "alarm.wav") << "RIFF";
    EXPECT_EQ(de::FindAlarmSound(de::ui::AlarmSoundFolders()), program.path() / "alarm.wav");
    ::unsetenv("OSTREL_DATA_DIR");
    ::unsetenv("OSTREL_HOME");
}

} // namespace
