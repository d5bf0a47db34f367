// The run state's status poller against the simulated unit of snmpagent
// --unit playing a model-21 amplifier, through device communication's real
// parts (one-shot text commands and SNMP through libkestrin2.so, the online
// list, the event log), asserted on the unit's journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device_editor/run_state.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/device_qovg.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "run_state_recorders.h"
#include "unit_peer_fixture.h"

namespace {

using namespace std::chrono_literals;
using device_editor::CDeviceRunState;
using device_editor::CZoDeviceDoc;

constexpr const char* kAmpMac = "00602b000021";
using run_state_test::kUnitAddress;

class RunStatePeers : public run_state_test::CUnitPeerTest {
protected:
    RunStatePeers() : CUnitPeerTest({"127.0.0.1", "127.0.0.1", "127.0.0.200"}) {}

    void SetUp() override {
        CUnitPeerTest::SetUp();
        if (HasFatalFailure())
            return;
        online_.BeginSweep();
        online_.MarkSeen(kAmpMac, kUnitAddress);
        online_.EndSweepKeepingUnseen();

        auto amp = std::make_unique<model::CDeviceQOVG>(dc_, 100, 100, 1, model::kModelQOVG, 2);
        amp->SetName("Amp", dc_);
        amp->m_mac = kAmpMac;
        doc_.AddDevice(std::move(amp));
    }
    void TearDown() override {
        state_.reset();
        CUnitPeerTest::TearDown();
    }

    model::CDeviceQOVG& Amp() { return *dynamic_cast<model::CDeviceQOVG*>(doc_.FindDevice(1, 2)); }
    void MakeState(device_editor::RunSleeper sleep) {
        state_ = std::make_unique<CDeviceRunState>(
            doc_, *port_, view_, player_, std::vector<std::filesystem::path>{}, std::move(sleep));
    }

    // The run state's traffic in the unit's journal.
    std::vector<std::string> Journal() { return run_state_test::RunStateTraffic(UnitJournal()); }
    std::string EventLog() const {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
            if (entry.path().filename().string().rfind("Halvik_Log", 0) != 0)
                continue;
            std::ifstream in(entry.path());
            all += std::string(std::istreambuf_iterator<char>(in), {});
        }
        return all;
    }

    platform::gdi::FixedWidthMeasurer dc_;
    CZoDeviceDoc doc_;
    run_state_test::CRecordingView view_;
    run_state_test::CRecordingPlayer player_;
    std::unique_ptr<CDeviceRunState> state_;
};

TEST_F(RunStatePeers, AFirstRoundThenTheStoreAndSleepRequests) {
    MakeState([](std::chrono::milliseconds) {});
    unit_->command("unit getpo 0000");
    unit_->command("unit getav0 0001 0002 0003 0004 0005 0600 0700 0800");
    unit_->var(device_editor::kLeftVolumeOid, "integer", "1048576");
    unit_->command("unit reply *FIRMW *OK#");
    unit_->command("unit reply *SETPT *OK#");
    state_->UpdateOnlineState(1);
    ASSERT_EQ(Amp().m_flag, 1);

    state_->PollRound(); // idle: asks for everything
    port_->running = true;
    state_->PollRound();
    EXPECT_EQ(Journal(), (std::vector<std::string>{
                             "set LeftGain 134217728", "set RightGain 134217728",
                             "command *GETPO# -> *GETPO=0000#",
                             "command *GETAV0# -> *GETAV0 0001 0002 0003 0004 0005 0600 0700 0800#",
                             "get LeftVolume", "get RightVolume"}));
    EXPECT_EQ(Amp().m_analogSamples[7], 800);
    EXPECT_FLOAT_EQ(Amp().m_leftVolume, 15.5f);
    EXPECT_FLOAT_EQ(Amp().m_rightVolume, -100.0f);
    EXPECT_EQ(Amp().m_digitalOutputLevels[0], 0);

    // The status dialog asks to store the gains and to switch sleep on.
    unit_->command("unit getpo 1000");
    {
        auto lock = state_->LockSheet();
        Amp().m_firmwareQueryRequest = 1;
        Amp().m_outputToggleRequests[0] = 1;
    }
    state_->PollRound();
    const auto journal = Journal();
    ASSERT_GE(journal.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(journal.begin() + 6, journal.begin() + 9),
              (std::vector<std::string>{"command *FIRMW# -> *OK#", "command *SETPT11# -> *OK#",
                                        "command *GETPO# -> *GETPO=1000#"}));
    EXPECT_EQ(Amp().m_digitalOutputLevels[0], 1);
    EXPECT_EQ(Amp().m_firmwareQueryRequest, 0);
    EXPECT_EQ(Amp().m_outputToggleRequests[0], 0);
    EXPECT_EQ(port_->Lines(),
              (std::vector<std::string>{
                  "成功设置QLV-3300A设备Amp('00602b000021')左输出通道电平增益0.0 dB。",
                  "成功设置QLV-3300A设备Amp('00602b000021')右输出通道电平增益0.0 dB。",
                  "成功固化QLV-3300A设备Amp('00602b000021')输出增益。"}));
}

TEST_F(RunStatePeers, ASilentUnitIsListedAndLoggedAndTheViewStillCloses) {
    MakeState({});
    unit_->command("unit noreply 100");
    port_->running = true;
    Amp().m_queryRequests[0] = 1;
    state_->OnAppNotify(device_editor::kNotifyRunStateEntered);
    const std::string ports = "获取QLV-3300A设备Amp('00602b000021')的数字输出口电平状态失败！";
    const std::string samples =
        "获取QLV-3300A设备Amp('00602b000021')模拟输入口所有通道采样值失败！";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    auto listed = [&](const std::string& line) {
        const auto lines = port_->Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    while (!listed(samples) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(listed(ports));
    EXPECT_TRUE(listed(samples));

    // Closing waits at most for the command under way.
    const auto closing = std::chrono::steady_clock::now();
    state_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 6s);
    const std::string log = EventLog();
    EXPECT_NE(log.find(ports), std::string::npos);
    EXPECT_NE(log.find(samples), std::string::npos);
}

} // namespace
