// The watch threads on a real card: simulated devices in a peer namespace,
// the hub's end of the veth pair as the card, the capture thread reading
// the announcements itself, and the discovery-server thread asking mellick
// started on a private bus inside the hub.
#include "comm/net_watch.h"

#include "net_watch_fixture.h"

#include "mellick_fixture.h"
#include "netns_fixture.h"

#include "model/recording_messages.h"
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/automation/driver.h"

#include <gtest/gtest.h>

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace watch_test;
namespace pa = platform::automation;

// MAC -> "online ip", for lists whose order follows arrival.
std::map<std::string, std::string> Devices(const comm::COnlineDeviceList& list)
{
    std::map<std::string, std::string> out;
    for (const comm::CNetDevice& d : list.Snapshot())
        out[d.mac] = std::to_string(d.online) + " " + d.ip;
    return out;
}

// The MAC of an interface of the calling thread's namespace.
std::string InterfaceMac(const std::string& name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    std::string mac;
    if (fd >= 0 && ::ioctl(fd, SIOCGIFHWADDR, &request) == 0) {
        char text[13];
        const auto* b = reinterpret_cast<const unsigned char*>(request.ifr_hwaddr.sa_data);
        std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", b[0], b[1], b[2], b[3], b[4],
                      b[5]);
        mac = text;
    }
    if (fd >= 0)
        ::close(fd);
    return mac;
}

// An announcement with an IP entry, in the simulator's `raw` form.
std::string RawAnnouncement(const std::string& source, const std::string& ipHex)
{
    std::string frame =
        "01602bffff01" + source + "88190102" + "030400000000" + "0308" + ipHex + "0000";
    frame.resize(120, '0');
    return frame;
}

class NetWatchNetns : public discovery_test::netns_fixture_t {};

TEST_F(NetWatchNetns, CaptureThreadListsTheDevicesOnTheCard)
{
    if (IsSkipped())
        return;
    start_sim({"00602b000001=198.18.0.50", "00602b000002", "00602b000003=none"}, 50, 100);
    CProgramFolder folder;
    comm::CWatchState state;
    state.SetLocalIp(link().hub_address);
    comm::COnlineDeviceList list;
    comm::CNetWatch watch(state, list, QuickTiming());
    // Started from this thread, the watch thread captures in the hub.
    watch.Start(comm::ENetWatch::Capture);

    const std::map<std::string, std::string> all = {{"00602b000001", "1 198.18.0.50"},
                                                    {"00602b000002", "1 0.0.0.0"},
                                                    {"00602b000003", "1 0.0.0.0"}};
    ASSERT_TRUE(Eventually([&] { return Devices(list) == all; }))
        << testing::PrintToString(Devices(list));
    ASSERT_TRUE(state.sweepEvent.wait(5000));
    EXPECT_EQ(state.firstSweep, 1);
    EXPECT_TRUE(folder.LogHas("Thread info: open " + link().hub_if + " !"));

    // Frames that name no device: the card's own (a reservation request
    // coming back), one cut short of the address, another EtherType, kind 2.
    const std::string card = InterfaceMac(link().hub_if);
    ASSERT_EQ(card.size(), 12u);
    sim("raw " + RawAnnouncement(card, "c6120001"));
    sim("raw 01602bffff0100602b0000a18819010203040000");
    sim("raw 01602bffff0100602b0000a20800" + std::string(92, '0'));
    sim("malformed kind2 00602b0000a3");
    // Read in the sweep going on or the next; one more sweep after that.
    for (int sweep = 0; sweep < 3; ++sweep)
        ASSERT_TRUE(state.sweepEvent.wait(5000));
    EXPECT_EQ(Devices(list), all);

    // A device that falls silent stays in the list, off line, without an
    // address.
    sim("silence 00602b000001");
    EXPECT_TRUE(Eventually([&] {
        return Devices(list)["00602b000001"] == "0 0.0.0.0" && Devices(list).size() == 3;
    })) << testing::PrintToString(Devices(list));
    sim("resume 00602b000001");
    EXPECT_TRUE(Eventually([&] { return Devices(list) == all; }));

    watch.Stop();
    EXPECT_TRUE(list.Snapshot().empty());
    EXPECT_EQ(folder.LogTexts().back(), "Net thread stopped");
}

// Failures before a completed sweep count on; the sweep clears the count,
// so the next failure is logged with 0.
TEST_F(NetWatchNetns, ACompletedSweepResetsTheErrorCount)
{
    if (IsSkipped())
        return;
    CProgramFolder folder;
    model::CRecordingMessages messages;
    comm::CWatchState state;
    state.SetLocalIp("198.18.0.99"); // no card has it yet
    comm::COnlineDeviceList list;
    comm::CWatchTiming timing = QuickTiming();
    timing.failureSleep = 10ms;
    comm::CNetWatch watch(state, list, timing);
    watch.Start(comm::ENetWatch::Capture);
    ASSERT_TRUE(Eventually([&] { return folder.LogHas("Thread error: match interface! 30"); }));

    state.SetLocalIp(link().hub_address);
    ASSERT_TRUE(state.sweepEvent.wait(5000));
    const std::size_t before = folder.LogTexts().size();

    // The card goes away under the capture: the read fails.
    topology_->hub().ip({"link", "del", link().hub_if});
    ASSERT_TRUE(Eventually([&] { return folder.LogTexts().size() > before; }));
    EXPECT_EQ(folder.LogTexts()[before], "Thread error: in pcap_next_ex! 0");
    watch.Stop();
    EXPECT_TRUE(messages.ShownIds().empty());
}

class NetWatchMellickNetns : public discovery_test::netns_fixture_t {
protected:
    void SetUp() override
    {
        netns_fixture_t::SetUp();
        if (IsSkipped())
            return;
        // Started from this thread, the bus and mellick live in the hub.
        env_ = std::make_unique<mellick_test::mellick_env_t>();
        ASSERT_TRUE(env_->registered());
        pa::use_dbus_transport();
        ASSERT_EQ(pa::initialize(), pa::S_OK);
        initialised_ = true;
    }
    void TearDown() override
    {
        if (initialised_)
            pa::uninitialize();
        env_.reset();
        netns_fixture_t::TearDown();
    }

    std::unique_ptr<mellick_test::mellick_env_t> env_;
    bool initialised_ = false;
};

TEST_F(NetWatchMellickNetns, ManagerThreadListsTheServersTable)
{
    if (IsSkipped())
        return;
    start_sim({"00602b000001=198.18.0.50", "00602b000002", "00602b000003=198.18.0.52"}, 50, 100);
    CProgramFolder folder;
    model::CRecordingMessages messages;
    comm::CWatchState state;
    state.SetLocalIp(link().hub_address);
    comm::COnlineDeviceList list;
    comm::CWatchTiming timing = QuickTiming();
    timing.creationSleep = 200ms; // a restarting server is not given up on
    comm::CNetWatch watch(state, list, timing);
    watch.Start(comm::ENetWatch::Manager, link().hub_if);

    ASSERT_TRUE(Eventually(
        [&] {
            return Devices(list) ==
                   std::map<std::string, std::string>{{"00602b000001", "1 198.18.0.50"},
                                                      {"00602b000002", "1 0.0.0.0"},
                                                      {"00602b000003", "1 198.18.0.52"}};
        },
        20s))
        << testing::PrintToString(Devices(list));

    // A device the server forgets leaves the list.
    sim("silence 00602b000003");
    {
        const auto manager = pa::dispatch_driver_t::create("Mellick.manager.1");
        const auto adapter = pa::dispatch_driver_t::to_object(
            manager.call(3, {pa::variant_t(link().hub_if)}));
        constexpr pa::DISPID device_remove = 13;
        ASSERT_EQ(pa::dispatch_driver_t::to_int(
                      adapter.call(device_remove, {pa::variant_t("00602b000003")})),
                  1);
    }
    const std::map<std::string, std::string> two = {{"00602b000001", "1 198.18.0.50"},
                                                    {"00602b000002", "1 0.0.0.0"}};
    EXPECT_TRUE(Eventually([&] { return Devices(list) == two; }))
        << testing::PrintToString(Devices(list));

    // The server dies: the sweep's call fails, the thread counts it and
    // reaches the server again (the bus starts a new one).
    const std::vector<pid_t> servers = mellick_test::mellick_processes(env_->dir());
    ASSERT_EQ(servers.size(), 1u);
    ::kill(servers[0], SIGKILL);
    const auto thrown = [&] {
        for (const std::string& line : folder.LogTexts())
            if (line.rfind("Thread error: ", 0) == 0)
                return line;
        return std::string();
    };
    ASSERT_TRUE(Eventually([&] { return !thrown().empty(); }, 15s));
    // The count the last sweep left.
    EXPECT_EQ(thrown().substr(thrown().rfind(' ')), " 0") << thrown();
    state.sweepEvent.reset_event();
    ASSERT_TRUE(Eventually(
        [&] {
            const auto now = mellick_test::mellick_processes(env_->dir());
            return now.size() == 1 && now[0] != servers[0];
        },
        20s));
    bool swept = false;
    EXPECT_TRUE(Eventually(
        [&] {
            swept = swept || state.sweepEvent.wait(0);
            return swept && Devices(list) == two;
        },
        20s))
        << testing::PrintToString(Devices(list));

    watch.Stop();
    EXPECT_TRUE(list.Snapshot().empty());
    EXPECT_TRUE(messages.ShownIds().empty());
}

} // namespace
