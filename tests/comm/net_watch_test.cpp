// The watch threads without a network: which frames the capture thread
// takes for a device, the give-up after 101 failures of either thread, and
// the discovery-server thread over a stand-in server's device table.
#include "comm/net_watch.h"

#include "net_watch_fixture.h"

#include "fixture.h"
#include "model/recording_messages.h"
#include "platform/automation/activation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace pa = platform::automation;
using namespace watch_test;
using bytes_t = std::vector<std::uint8_t>;

// An announcement as the devices send it: status entry, IP entry
// (198.18.1.50), capability entry, end word, padded to the minimum.
bytes_t Announcement()
{
    bytes_t frame = {0x01, 0x60, 0x2b, 0xff, 0xff, 0x01, // destination
                     0x00, 0x60, 0x2b, 0x00, 0x00, 0x07, // source
                     0x88, 0x19, 0x01, 0x02,             // EtherType, kind, version
                     0x03, 0x04, 0x00, 0x00, 0x00, 0x00, // status
                     0x03, 0x08, 0xc6, 0x12, 0x01, 0x32, // IP
                     0x04, 0x40, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    frame.resize(60, 0);
    return frame;
}

TEST(NetWatchFrames, WhatTheCaptureThreadTakesForADevice)
{
    const std::optional<comm::CAnnouncement> none;
    const comm::CAnnouncement device{"00602b000007", "198.18.1.50"};
    const comm::CAnnouncement noAddress{"00602b000007", "0.0.0.0"};
    struct Row {
        const char* name;
        std::function<void(bytes_t&)> change;
        std::size_t length; // captured; 0: all of it
        const char* ownMac;
        std::optional<comm::CAnnouncement> expected;
    };
    const Row rows[] = {
        {"Announcement", [](bytes_t&) {}, 0, "00602b0000ff", device},
        {"OwnMacUnknown", [](bytes_t&) {}, 0, "", device},
        {"CapturedUpToTheAddressEnd", [](bytes_t&) {}, 28, "", device},
        {"CutInsideTheAddress", [](bytes_t&) {}, 27, "", none},
        {"HeaderOnly", [](bytes_t&) {}, 16, "", none},
        {"OtherEtherType", [](bytes_t& f) { f[12] = 0x08, f[13] = 0x00; }, 0, "", none},
        {"EtherTypeBytesSwapped", [](bytes_t& f) { f[12] = 0x19, f[13] = 0x88; }, 0, "", none},
        {"TheOtherGroup", [](bytes_t& f) { f[5] = 0x00; }, 0, "", none},
        {"Broadcast", [](bytes_t& f) { std::fill(f.begin(), f.begin() + 6, 0xff); }, 0, "", none},
        {"KindTwo", [](bytes_t& f) { f[14] = 2; }, 0, "", none},
        {"KindZero", [](bytes_t& f) { f[14] = 0; }, 0, "", none},
        {"FromTheCardItself", [](bytes_t&) {}, 0, "00602b000007", none},
        {"NoIpEntry",
         [](bytes_t& f) {
             const bytes_t capability = {0x04, 0x40, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, 0, 0};
             std::copy(capability.begin(), capability.end(), f.begin() + 22);
         },
         0, "", noAddress},
        {"IpEntryTooShortForAnAddress", [](bytes_t& f) { f[22] = 2; }, 0, "", noAddress},
        {"EmptyEntry", [](bytes_t& f) { f[22] = 0; }, 0, "", noAddress},
        {"IpEntryTypeVariant", [](bytes_t& f) { f[23] = 0x0b; }, 0, "", device},
        {"TypeOutsideTheIpEntries", [](bytes_t& f) { f[23] = 0x0c; }, 0, "", noAddress},
        {"LongerIpEntry", [](bytes_t& f) { f[22] = 5; }, 0, "", device},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bytes_t frame = Announcement();
        row.change(frame);
        const std::size_t length = row.length ? row.length : frame.size();
        // Only the captured bytes exist: a read past them shows under the
        // sanitizers.
        const bytes_t captured(frame.begin(), frame.begin() + static_cast<long>(length));
        EXPECT_EQ(comm::ParseAnnouncement(captured.data(), captured.size(), row.ownMac),
                  row.expected);
    }
}

TEST(NetWatchFrames, NetTypeChoosesTheThread)
{
    EXPECT_EQ(comm::NetWatchFromNetType("Normal"), comm::ENetWatch::Capture);
    EXPECT_EQ(comm::NetWatchFromNetType("Mellick"), comm::ENetWatch::Manager);
    EXPECT_EQ(comm::NetWatchFromNetType(""), comm::ENetWatch::Manager);
}

// ---- giving up

struct GiveUpCase {
    const char* name;
    comm::ENetWatch kind;
    const char* failure; // the log text of each failed pass
    int firstSweep;
};

void PrintTo(const GiveUpCase& c, std::ostream* out)
{
    *out << c.name;
}

class NetWatchGivesUp : public testing::TestWithParam<GiveUpCase> {};

// No interface has the local IP, or no discovery server is registered: 101
// failed passes, each logged with the count before it, then the give-up,
// which signals the sweep event whether or not a sweep ever completed.
TEST_P(NetWatchGivesUp, After101FailedPasses)
{
    const GiveUpCase& c = GetParam();
    CProgramFolder folder;
    autotest::temp_registry_t registry; // empty: no server to create
    std::ofstream(registry.file()).flush();
    model::CRecordingMessages messages;
    comm::CWatchState state;
    state.SetLocalIp("203.0.113.254");
    state.firstSweep = c.firstSweep;
    comm::COnlineDeviceList list;
    list.MarkSeen("00602b000001", "198.18.1.10"); // from before; gone at the end

    const std::string gaveUp =
        "Thread error: catch arp, errcnt>100! To restore it, please restart Halvik! 101";
    {
        comm::CNetWatch watch(state, list, QuickTiming());
        watch.Start(c.kind, "no-such-card");
        ASSERT_TRUE(state.sweepEvent.wait(30000)) << "the sweep event never came";
        ASSERT_TRUE(Eventually([&] { return folder.LogHas(gaveUp); }));
        if (c.firstSweep) {
            ASSERT_TRUE(Eventually([&] { return !messages.ShownIds().empty(); }));
        }
        // Given up, the thread only sleeps; the stop wakes it.
        watch.Stop();
    }

    std::vector<std::string> expected;
    for (int count = 0; count <= 100; ++count)
        expected.push_back(std::string(c.failure) + " " + std::to_string(count));
    expected.push_back(gaveUp);
    expected.push_back("Net thread stopped");
    EXPECT_EQ(folder.LogTexts(), expected);
    EXPECT_EQ(messages.ShownIds(), c.firstSweep ? std::vector<int>{311} : std::vector<int>{});
    EXPECT_TRUE(list.Snapshot().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Threads, NetWatchGivesUp,
    testing::Values(
        GiveUpCase{"CaptureNoInterfaceWithTheIp", comm::ENetWatch::Capture,
                   "Thread error: match interface!", 1},
        GiveUpCase{"CaptureBeforeAnySweep", comm::ENetWatch::Capture,
                   "Thread error: match interface!", 0},
        GiveUpCase{"ManagerNoServer", comm::ENetWatch::Manager,
                   "Failed to initiate net manager catching devices!", 1},
        GiveUpCase{"ManagerNoServerBeforeAnySweep", comm::ENetWatch::Manager,
                   "Failed to initiate net manager catching devices!", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The main frame stops its watch from the user-interface thread while the
// watch waits there for message 311 to be dismissed: the stop releases the
// wait, so the join returns, and the box is never shown.
TEST(NetWatchStop, ReleasesAWaitForTheGiveUpMessage)
{
    CProgramFolder folder;
    model::CRecordingMessages messages;
    model::CManualUiThread ui;
    comm::CWatchState state;
    state.SetLocalIp("203.0.113.254");
    state.firstSweep = 1;
    comm::COnlineDeviceList list;
    comm::CNetWatch watch(state, list, QuickTiming());
    watch.Start(comm::ENetWatch::Capture);
    ASSERT_TRUE(ui.WaitForPosted(1, 30s));
    watch.Stop();
    EXPECT_FALSE(watch.Running());
    ui.RunPosted();
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(folder.LogTexts().back(), "Net thread stopped");
}

TEST(NetWatchStop, WakesASleepAndLastsUntilReset)
{
    comm::CWatchState state;
    auto sleeper = std::async(std::launch::async,
                              [&] { return state.SleepUnlessStopped(std::chrono::hours(1)); });
    state.RequestStop();
    ASSERT_EQ(sleeper.wait_for(30s), std::future_status::ready);
    EXPECT_TRUE(sleeper.get());
    EXPECT_TRUE(state.stop);
    EXPECT_TRUE(state.StopToken().stop_requested());
    // Requested before it begins, a sleep does not begin.
    EXPECT_TRUE(state.SleepUnlessStopped(std::chrono::hours(1)));

    state.ResetStop();
    EXPECT_FALSE(state.stop);
    EXPECT_FALSE(state.StopToken().stop_requested());
    EXPECT_FALSE(state.SleepUnlessStopped(1ms));
}

// A thread that cannot use automation at all (no place for the class
// registry) ends at once, and still lets a waiting main frame go on.
TEST(NetWatchManager, WithoutAutomationShowsMessage100AndSignals)
{
    CProgramFolder folder;
    std::optional<std::string> home, registry;
    if (const char* v = std::getenv("HOME"))
        home = v;
    if (const char* v = std::getenv("OSTREL_AUTOMATION_REGISTRY"))
        registry = v;
    ::unsetenv("HOME");
    ::unsetenv("OSTREL_AUTOMATION_REGISTRY");

    model::CRecordingMessages messages;
    comm::CWatchState state;
    {
        comm::CNetWatch watch(state, comm::OnlineDevices(), QuickTiming());
        watch.Start(comm::ENetWatch::Manager, "eth0");
        EXPECT_TRUE(state.sweepEvent.wait(10000));
        EXPECT_TRUE(Eventually([&] { return !messages.ShownIds().empty(); }));
    }
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{100});

    if (home)
        ::setenv("HOME", home->c_str(), 1);
    if (registry)
        ::setenv("OSTREL_AUTOMATION_REGISTRY", registry->c_str(), 1);
}

// ---- the discovery server's table, from a stand-in server

class NetWatchStandIn : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pa::register_library(STANDIN_SERVER_PATH), pa::S_OK);
        ::setenv("COMM_STANDIN_TABLE", TablePath().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("COMM_STANDIN_TABLE"); }

    std::filesystem::path TablePath() const { return registry_.dir() / "table"; }

    // Replaced whole: the server reads it at every call.
    void Table(const std::string& text) const
    {
        const auto next = registry_.dir() / "table.next";
        std::ofstream(next) << text;
        std::filesystem::rename(next, TablePath());
    }

    static std::vector<std::string> Devices(const comm::COnlineDeviceList& list)
    {
        std::vector<std::string> out;
        for (const comm::CNetDevice& d : list.Snapshot())
            out.push_back(d.mac + " " + std::to_string(d.online) + " " + d.ip);
        return out;
    }

    // Log lines of failures thrown at the thread (not the ones it logs for
    // a mismatch or a creation failure).
    static std::vector<std::string> Thrown(const CProgramFolder& folder)
    {
        std::vector<std::string> out;
        for (const std::string& line : folder.LogTexts())
            if (line.rfind("Thread error: ", 0) == 0 &&
                line.rfind("Thread error: match interface!", 0) != 0)
                out.push_back(line);
        return out;
    }

    autotest::temp_registry_t registry_;
};

TEST_F(NetWatchStandIn, ManagerThreadFollowsTheServersTable)
{
    CProgramFolder folder;
    model::CRecordingMessages messages;
    Table("card eth0 198.18.1.1\n"
          "device 00602b000001 198.18.1.50\n"
          "device 00602b000002 0.0.0.0\n");
    comm::CWatchState state;
    state.SetLocalIp("198.18.1.9"); // not the card's
    comm::COnlineDeviceList list;
    list.MarkSeen("00602b000009", "198.18.1.99");
    comm::CWatchTiming timing = QuickTiming();
    // Slow enough that the failures below stay far from the give-up.
    timing.failureSleep = 20ms;
    timing.creationSleep = 20ms;

    comm::CNetWatch watch(state, list, timing);
    watch.Start(comm::ENetWatch::Manager, "eth0");
    ASSERT_TRUE(Eventually([&] { return folder.LogHas("Thread error: match interface! 2"); }));
    EXPECT_EQ(Devices(list), std::vector<std::string>{"00602b000009 1 198.18.1.99"});

    // The right card: sweeps; what the table lacks leaves the list.
    state.SetLocalIp("198.18.1.1");
    ASSERT_TRUE(state.sweepEvent.wait(10000));
    EXPECT_EQ(state.firstSweep, 1);
    EXPECT_TRUE(Eventually([&] {
        return Devices(list) ==
               std::vector<std::string>{"00602b000001 1 198.18.1.50", "00602b000002 1 0.0.0.0"};
    })) << testing::PrintToString(Devices(list));
    Table("card eth0 198.18.1.1\n"
          "device 00602b000002 198.18.1.51\n");
    EXPECT_TRUE(Eventually([&] {
        return Devices(list) == std::vector<std::string>{"00602b000002 1 198.18.1.51"};
    })) << testing::PrintToString(Devices(list));
    state.sweepEvent.reset_event();
    ASSERT_TRUE(state.sweepEvent.wait(10000));

    // A table the stand-in cannot read fails each of its calls: the sweep
    // throws, the thread counts it and goes on, trying to reach the server
    // afresh; the list stays as the last sweep left it.
    Table("invalid x\n");
    ASSERT_TRUE(Eventually([&] {
        return folder.LogHas("Failed to initiate net manager catching devices! 2");
    }));
    ASSERT_EQ(Thrown(folder).size(), 1u);
    EXPECT_EQ(Thrown(folder)[0].substr(Thrown(folder)[0].rfind(' ')), " 0");
    EXPECT_EQ(Devices(list), std::vector<std::string>{"00602b000002 1 198.18.1.51"});

    // The server back: sweeps again, and the count starts afresh.
    Table("card eth0 198.18.1.1\n"
          "device 00602b000002 198.18.1.51\n"
          "device 00602b000003 198.18.1.52\n");
    EXPECT_TRUE(Eventually([&] {
        return Devices(list) ==
               std::vector<std::string>{"00602b000002 1 198.18.1.51", "00602b000003 1 198.18.1.52"};
    })) << testing::PrintToString(Devices(list));
    // A whole sweep after the one that found them: the table must not turn
    // bad in the middle of a walk, which would end that sweep uncompleted.
    state.sweepEvent.reset_event();
    ASSERT_TRUE(state.sweepEvent.wait(10000));
    Table("invalid x\n");
    ASSERT_TRUE(Eventually([&] { return Thrown(folder).size() == 2; }));
    EXPECT_EQ(Thrown(folder)[1].substr(Thrown(folder)[1].rfind(' ')), " 0");

    watch.Stop();
    EXPECT_TRUE(list.Snapshot().empty());
    EXPECT_EQ(folder.LogTexts().back(), "Net thread stopped");
    EXPECT_TRUE(messages.ShownIds().empty()) << "failures are logged, never shown";
}

} // namespace
