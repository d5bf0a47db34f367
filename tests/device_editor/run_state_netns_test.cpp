// A device sheet's run state after a real download, on the download's
// namespace harness: the sheet goes to the simulated units as the main
// frame downloads it, then enters the run state over device communication
// (the capture watch's online list, one-shots and SNMP through
// libkestrin2.so) with the hub's card as the adapter, and leaves it again.
// Asserted on the units' journals.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/automation_wrappers.h"
#include "comm_unit_port.h"
#include "device_editor/run_state.h"
#include "download_netns_fixture.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "platform/automation/activation.h"
#include "run_state_recorders.h"

namespace {

namespace pa = platform::automation;
using namespace std::chrono_literals;
using device_editor::CDeviceRunState;
using model::FormatMessage;
using run_state_test::CCommPort;

constexpr const char* kStageMac = "00602b000061";
constexpr const char* kAmpMac = "00602b000062";

// Counts each thread's sleeps by length and sleeps a twentieth of each, so
// the threads neither spin nor keep the test waiting. The poller is the
// thread that sleeps 100 ms between its running rounds.
class CCountingSleeper {
public:
    device_editor::RunSleeper Sleeper() {
        return [this](std::chrono::milliseconds duration) {
            {
                std::lock_guard lock(m_mutex);
                m_sleeps[std::this_thread::get_id()].push_back(duration.count());
            }
            m_changed.notify_all();
            std::this_thread::sleep_for(duration / 20);
        };
    }
    // The poller's sleeps so far, in order; none before its first running
    // round ended.
    std::vector<long long> PollerSleeps() const {
        std::lock_guard lock(m_mutex);
        return PollerSleepsLocked();
    }
    // Waits, at most `limit`, until the poller's sleeps satisfy `condition`.
    bool WaitForPoller(const std::function<bool(const std::vector<long long>&)>& condition,
                       std::chrono::milliseconds limit = 20s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return condition(PollerSleepsLocked()); });
    }

private:
    std::vector<long long> PollerSleepsLocked() const {
        for (const auto& [thread, sleeps] : m_sleeps)
            if (std::find(sleeps.begin(), sleeps.end(), 100) != sleeps.end())
                return sleeps;
        return {};
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::thread::id, std::vector<long long>> m_sleeps;
};

std::size_t CountWith(const std::vector<std::string>& lines, const std::string& head) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(head, 0) == 0; }));
}

class RunStateNetns : public download_test::DownloadNetns {
protected:
    // A model-4 unit, both halves: the input half takes the channel gains,
    // the output half stands for the unit in the download.
    model::CDeviceNy& AddStage() {
        model::CDeviceNy* input = nullptr;
        for (std::int32_t subType : {1, 2}) {
            auto half = std::make_unique<model::CDeviceNy>(m_dc, 100, 100 + 200 * (subType - 1), 1,
                                                           4, subType);
            half->m_name = "Stage";
            half->m_mac = kStageMac;
            if (subType == 1)
                input = half.get();
            m_doc.AddDevice(std::move(half));
        }
        return *input;
    }

    // The run state's traffic at `address` from line `from` on.
    std::vector<std::string> TrafficSince(const std::string& address, std::size_t from) {
        const std::vector<std::string> traffic =
            run_state_test::RunStateTraffic(UnitJournal(address));
        return {traffic.begin() + static_cast<std::ptrdiff_t>(std::min(from, traffic.size())),
                traffic.end()};
    }
};

// Downloaded, the sheet enters the run state: the model-4 unit gets its
// channel gains, the amplifier its output gains and then polling rounds.
// Leaving clears the marks, and the amplifier hears no more polls.
TEST_F(RunStateNetns, ADownloadedSheetRunsAndStopsPollingWhenItLeaves) {
    if (IsSkipped())
        return;
    model::CDeviceNy& stage = AddStage();
    // In 3 at step 4 with phantom power, In 6 at step 2 without.
    model::AsDeviceChnl(stage.m_channels[2])->m_gainStep = 4;
    model::AsDeviceChnl(stage.m_channels[2])->m_phantomPower = 1;
    model::AsDeviceChnl(stage.m_channels[5])->m_gainStep = 2;
    model::CDeviceQOVG& amp = AddUnit(2, "Amp", kAmpMac);
    amp.m_leftGain = -6.0f;
    start_sim({kStageMac, kAmpMac}, 50, 100);
    for (const std::string& address : download_test::kRange)
        StartUnit(address);
    WatchUntilOnline({kStageMac, kAmpMac});
    if (HasFatalFailure())
        return;

    // The download gives the last unit the range's first address.
    const std::vector<std::string> lines = Download("run.zo");
    ASSERT_EQ(m_frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "done"}))
        << testing::PrintToString(lines);
    const std::string ampIp = "198.18.1.10";
    const std::string stageIp = "198.18.1.11";
    ASSERT_EQ(amp.m_ip, ampIp);
    ASSERT_EQ(stage.m_ip, stageIp);
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(lines[lines.size() - 2], FormatMessage(202, 0, 0));
    const std::vector<std::string> stageDownload = UnitCommands(stageIp);
    ASSERT_FALSE(stageDownload.empty());
    EXPECT_EQ(stageDownload.back(), "*FIRMW#");
    const std::vector<std::string> ampCommands = UnitCommands(ampIp);
    ASSERT_FALSE(ampCommands.empty());
    EXPECT_EQ(ampCommands.back(), "*FIRMW#");
    const std::size_t ampDownload = run_state_test::RunStateTraffic(UnitJournal(ampIp)).size();

    snmp_peers::scripted_agent_t& ampUnit = *m_units.at(ampIp);
    ampUnit.command("unit getpo 1000");
    ampUnit.command("unit getav0 0001 0002 0003 0004 0005 0600 0700 0800");
    ampUnit.var(device_editor::kLeftVolumeOid, "integer", "1048576");

    // The run state over device communication, as the sheet's window makes
    // it: the hub's card is the adapter, the download's range configured.
    const pa::initializer_t automation;
    ASSERT_GE(automation.hr(), 0);
    comm::Icom_adapter none;
    comm::Icom_manager poller;
    ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller, none, ""), 1);
    CCommPort port(poller, m_online,
                   CCommPort::Network{download_test::kCard, download_test::kRange.front(),
                                      download_test::kRange.back()});
    run_state_test::CRecordingView view;
    run_state_test::CRecordingPlayer player;
    CCountingSleeper sleeper;
    auto state = std::make_unique<CDeviceRunState>(
        m_doc, port, view, player, std::vector<std::filesystem::path>{}, sleeper.Sleeper());

    port.running = true;
    state->OnAppNotify(device_editor::kNotifyRunStateEntered);
    {
        auto lock = state->LockSheet();
        for (const auto& device : m_doc.Devices())
            EXPECT_EQ(device->m_flag, 1) << device->m_name << "/" << device->m_subType;
    }
    const std::vector<std::string> setvo = {"*SETVO01000#", "*SETVO02000#", "*SETVO03036#",
                                            "*SETVO04000#", "*SETVO05000#", "*SETVO06002#",
                                            "*SETVO07000#", "*SETVO08000#"};
    std::vector<std::string> stageCommands = stageDownload;
    stageCommands.insert(stageCommands.end(), setvo.begin(), setvo.end());
    EXPECT_EQ(UnitCommands(stageIp), stageCommands);

    // Two rounds reach the amplifier: the first sets the gains and reads
    // everything, the next reads the samples and volumes again. A round's
    // last read is the right volume.
    ASSERT_TRUE(watch_test::Eventually(
        [&] { return CountWith(TrafficSince(ampIp, ampDownload), "get RightVolume") >= 2; }, 20s))
        << testing::PrintToString(TrafficSince(ampIp, ampDownload));
    const std::string samples =
        "command *GETAV0# -> *GETAV0 0001 0002 0003 0004 0005 0600 0700 0800#";
    const std::vector<std::string> traffic = TrafficSince(ampIp, ampDownload);
    ASSERT_GE(traffic.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(traffic.begin(), traffic.begin() + 9),
              (std::vector<std::string>{"set LeftGain 67268211", "set RightGain 134217728",
                                        "command *GETPO# -> *GETPO=1000#", samples,
                                        "get LeftVolume", "get RightVolume", samples,
                                        "get LeftVolume", "get RightVolume"}));
    {
        auto lock = state->LockSheet();
        EXPECT_EQ(amp.m_digitalOutputLevels[0], 1);
        EXPECT_EQ(amp.m_analogSamples[5], 600);
        EXPECT_FLOAT_EQ(amp.m_leftVolume, 15.5f);
        EXPECT_FLOAT_EQ(amp.m_rightVolume, -100.0f);
    }

    const std::string_view qovg = model::ModelName(model::kModelQOVG);
    std::vector<std::string> expected = {FormatMessage(382),
                                         FormatMessage(190, "Stage", kStageMac)};
    const int dB[8] = {0, 0, 24, 0, 0, 12, 0, 0}; // 6 dB a step
    for (int ch = 1; ch <= 8; ++ch)
        expected.push_back(FormatMessage(383, "Stage", kStageMac, ch, dB[ch - 1]));
    expected.push_back(FormatMessage(389));
    expected.push_back("");
    expected.push_back(FormatMessage(439, qovg, "Amp", kAmpMac, -6.0f));
    expected.push_back(FormatMessage(440, qovg, "Amp", kAmpMac, 0.0f));
    EXPECT_EQ(port.Lines(), expected);

    // Leaving, as the sheet's window does it: the frame no longer runs the
    // sheet, and the marks go.
    const std::size_t sleptBefore = sleeper.PollerSleeps().size();
    port.running = false;
    state->OnAppNotify(device_editor::kNotifyRunStateLeft);
    {
        auto lock = state->LockSheet();
        for (const auto& device : m_doc.Devices())
            EXPECT_EQ(device->m_flag, 0) << device->m_name << "/" << device->m_subType;
    }
    // The poller's first sleep after leaving ends the round under way at
    // the time; the second ends a round begun after leaving. From there on,
    // three more rounds bring no poll.
    const auto slept = [&](std::size_t count) {
        return sleeper.WaitForPoller(
            [&](const std::vector<long long>& sleeps) { return sleeps.size() >= count; });
    };
    ASSERT_TRUE(slept(sleptBefore + 2));
    const std::vector<std::string> settled = TrafficSince(ampIp, ampDownload);
    ASSERT_TRUE(slept(sleptBefore + 5));
    const std::vector<std::string> after = TrafficSince(ampIp, ampDownload);
    EXPECT_EQ(CountWith(after, "command *GETAV0#"), CountWith(settled, "command *GETAV0#"));
    EXPECT_EQ(CountWith(after, "command *GETPO#"), CountWith(settled, "command *GETPO#"));
    EXPECT_EQ(after.size(), settled.size()) << testing::PrintToString(after);
    const std::vector<long long> sleeps = sleeper.PollerSleeps();
    EXPECT_TRUE(std::all_of(sleeps.begin() + static_cast<std::ptrdiff_t>(sleptBefore + 1),
                            sleeps.end(), [](long long ms) { return ms == 1000; }))
        << "the poller idles once the sheet left: " << testing::PrintToString(sleeps);

    state.reset();
    EXPECT_EQ(UnitCommands(stageIp), stageCommands) << "the model-4 unit hears nothing more";
}

} // namespace
