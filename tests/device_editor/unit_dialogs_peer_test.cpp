// The unit dialogs' requests against the simulated unit of snmpagent --unit
// through device communication's real parts, asserted on the unit's
// journal: the matrix route dialog's route and clear texts reach the
// receiving unit, and the amplifier's sleep switch reaches the unit in the
// status poller's next round.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device_editor/amplifier_limits_controller.h"
#include "device_editor/amplifier_monitor_controller.h"
#include "device_editor/matrix_route_controller.h"
#include "device_editor/run_state.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "platform/text/format.h"
#include "run_state_recorders.h"
#include "sheet_builder.h"
#include "unit_peer_fixture.h"

namespace {

using namespace device_editor;
using Lines = std::vector<std::string>;

using run_state_test::kUnitAddress;

class UnitDialogPeers : public run_state_test::CUnitPeerTest {
protected:
    UnitDialogPeers() : CUnitPeerTest({"127.0.0.1", "0.0.0.0", "255.255.255.255"}) {}

    void SetUp() override {
        CUnitPeerTest::SetUp();
        if (HasFatalFailure())
            return;
        port_->running = true;
        doc_.OnNewDocument();
    }
    // The simulated unit answers at kUnitAddress; nothing else is sent to.
    std::string TargetOf(const std::string& ip) override {
        EXPECT_EQ(ip, kUnitAddress);
        return unit_->target();
    }

    void Seen(const std::vector<std::pair<std::string, std::string>>& units) {
        online_.BeginSweep();
        for (const auto& [mac, ip] : units)
            online_.MarkSeen(mac, ip);
        online_.EndSweepKeepingUnseen();
    }
    // The unit's text commands with their replies.
    Lines Commands() {
        Lines lines;
        for (const std::string& line : UnitJournal())
            if (line.rfind("command ", 0) == 0)
                lines.push_back(line);
        return lines;
    }

    platform::gdi::FixedWidthMeasurer dc_;
    CZoDeviceDoc doc_;
};

TEST_F(UnitDialogPeers, TheReceivingUnitGetsTheRouteAndItsClear) {
    auto sender = std::make_unique<model::CDeviceNy>(dc_, 100, 100, 1, 4, 1);
    sender->m_mac = "00602b001122";
    sender->m_bundle1 = 7;
    auto receiver = std::make_unique<model::CDeviceNy>(dc_, 400, 100, 3, 4, 2);
    receiver->m_mac = "00602b003344";
    doc_.AddDevice(std::move(sender));
    doc_.AddDevice(std::move(receiver));
    doc_.AddDevice(
        std::make_unique<model::CDeviceMatrix>(dc_, 300, 400, 9, "M", model::kModelMatrix, 4, 4));
    ASSERT_TRUE(
        doc_.AddLinkFromRecord(sheet_builder::MakeLink(doc_, 1, {1, 1, 9}, {9, 0, 1}, true)));
    ASSERT_TRUE(
        doc_.AddLinkFromRecord(sheet_builder::MakeLink(doc_, 2, {9, 0, 4}, {3, 2, 2}, true)));
    // The sender is on line elsewhere; only the receiver is sent to.
    Seen({{"00602b001122", "127.0.0.47"}, {"00602b003344", kUnitAddress}});

    auto& matrix = static_cast<model::CDeviceMatrix&>(*doc_.FindDevice(9, 0));
    CMatrixRouteController dialog(doc_, matrix, *port_);
    dialog.Toggle(0, 1);
    dialog.Toggle(0, 1);
    EXPECT_EQ(Commands(), (Lines{"command *ROUTE33441122030211003007# -> "
                                 "*ROUTE33441122030211003007#",
                                 "command *ROUTE33443344030001000000# -> "
                                 "*ROUTE33443344030001000000#"}));
    EXPECT_EQ(port_->Lines(),
              (Lines{"    信息：已经完成从 00602b001122—2(发送) 到 00602b003344—3(接收)的连接。",
                     "    信息：清除连接 00602b003344—3(接收)成功。"}));
}

TEST_F(UnitDialogPeers, TheSleepSwitchReachesTheAmplifierInTheNextRound) {
    constexpr const char* kAmpMac = "00602b000021";
    auto made = std::make_unique<model::CDeviceQOVG>(dc_, 100, 100, 1, model::kModelQOVG, 2);
    made->m_mac = kAmpMac;
    doc_.AddDevice(std::move(made));
    auto& amp = static_cast<model::CDeviceQOVG&>(*doc_.FindDevice(1, 2));
    Seen({{kAmpMac, kUnitAddress}});
    unit_->command("unit getpo 0000");
    unit_->command("unit reply *SETPT *OK#");

    run_state_test::CRecordingView view;
    run_state_test::CRecordingPlayer player;
    CDeviceRunState state(doc_, *port_, view, player, {}, [](std::chrono::milliseconds) {});
    state.UpdateOnlineState(1);
    ASSERT_EQ(amp.m_flag, 1);
    CAmplifierMonitorController monitor(doc_, amp, [&state] { return state.LockSheet(); });
    monitor.Open();
    state.PollRound();
    ASSERT_EQ(amp.m_digitalOutputLevels[0], 0);
    monitor.OnAppNotify(kNotifyStatusSleep);
    EXPECT_EQ(monitor.GetSleepSwitch().caption, "On");

    monitor.OnSleepSwitch();
    unit_->command("unit getpo 1000");
    state.PollRound();
    const Lines commands = Commands();
    const auto setpt = std::find(commands.begin(), commands.end(), "command *SETPT11# -> *OK#");
    ASSERT_NE(setpt, commands.end());
    ASSERT_NE(setpt + 1, commands.end());
    EXPECT_EQ(*(setpt + 1), "command *GETPO# -> *GETPO=1000#");
    EXPECT_EQ(amp.m_outputToggleRequests[0], 0);
    monitor.OnAppNotify(kNotifyStatusSleep);
    EXPECT_EQ(monitor.GetSleepSwitch().caption, "Off");
}

// The unit has no command for its alarm limits: the program itself compares
// the samples it reads with the limits the dialog stores, so "下载并固化"
// keeps them in the record, where the alarm looks, and no invented text may
// reach the amplifier.
TEST_F(UnitDialogPeers, TheLimitsDialogsDownloadIsKeptForTheAlarmAndSendsTheUnitNothingNew) {
    constexpr const char* kAmpMac = "00602b000021";
    auto made = std::make_unique<model::CDeviceQOVG>(dc_, 100, 100, 1, model::kModelQOVG, 2);
    made->m_mac = kAmpMac;
    doc_.AddDevice(std::move(made));
    auto& amp = static_cast<model::CDeviceQOVG&>(*doc_.FindDevice(1, 2));
    Seen({{kAmpMac, kUnitAddress}});

    run_state_test::CRecordingView view;
    run_state_test::CRecordingPlayer player;
    CDeviceRunState state(doc_, *port_, view, player, {}, [](std::chrono::milliseconds) {});
    state.UpdateOnlineState(1);
    ASSERT_EQ(amp.m_flag, 1);

    // "启动报警" on; the current's alarm from 1.0 A to 12.1 A (raw 68 and 825).
    CAmplifierLimitsController limits(doc_, amp, [&state] { return state.LockSheet(); });
    limits.Load();
    limits.global = true;
    auto& current = limits.GetRow(0);
    current.alarmOn = true;
    current.alarmLower = "1.0";
    current.alarmUpper = "12.1";
    ASSERT_TRUE(limits.OnDownload());
    state.PollRound();

    EXPECT_EQ(amp.m_globalAlarm, 1);
    EXPECT_EQ(amp.m_alarmOn[5], 1);
    EXPECT_EQ(amp.m_alarmLower[5], 68);
    EXPECT_EQ(amp.m_alarmUpper[5], 825);
    for (const std::string& line : Commands()) {
        const bool known = line.rfind("command *GETPO#", 0) == 0 ||
                           line.rfind("command *GETAV0#", 0) == 0 ||
                           line.rfind("command *SETPT", 0) == 0 ||
                           line.rfind("command *FIRMW#", 0) == 0;
        EXPECT_TRUE(known) << line;
    }
}

} // namespace
