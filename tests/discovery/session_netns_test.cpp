// Card sessions on a real Ethernet link: a veth card in a namespace of its
// own, and simulated devices announcing themselves from the other end.
#include "discovery/adapter.h"
#include "discovery/adapter_list.h"
#include "discovery/frames.h"
#include "netns_fixture.h"
#include "platform/profile/profile.h"
#include "platform/w32n/cards.h"
#include "platform/w32n/w32n.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <sstream>

namespace {

using namespace discovery_test;
using qo::vg::adapter_t;
using qo::vg::assignment_t;

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

class DiscoveryNetns : public netns_fixture_t {
protected:
    void open_session() {
        const qo::vg::adapter_list_t cards;
        session_ = cards.open(link().hub_if);
        ASSERT_NE(session_, nullptr);
        ASSERT_TRUE(session_->opened());
        opened_at_ = std::chrono::steady_clock::now();
    }

    void TearDown() override {
        session_.reset();
        netns_fixture_t::TearDown();
    }

    std::vector<std::string> table() const {
        std::vector<std::string> rows;
        for (auto d = session_->device_first(); d; d = session_->device_next(*d))
            rows.push_back(d->mac().to_string() + " " + d->ip().to_string());
        return rows;
    }

    bool heard(const char* device) const { return session_->device_get(mac(device)) != nullptr; }

    state_home_t home_;
    trace_capture_t trace_;
    std::shared_ptr<adapter_t> session_;
    std::chrono::steady_clock::time_point opened_at_;
};

TEST_F(DiscoveryNetns, CardListHoldsEthernetCardsWithAnIpv4Address) {
    // A second pair inside the hub: one end with an address, one without.
    const std::string with_ip = "x" + std::to_string(::getpid()) + "a";
    const std::string without_ip = "x" + std::to_string(::getpid()) + "b";
    topology_->hub().ip({"link", "add", with_ip, "type", "veth", "peer", "name", without_ip});
    topology_->hub().ip({"addr", "add", "198.18.9.150/24", "dev", with_ip});

    const qo::vg::adapter_list_t cards;
    std::vector<std::string> titles = {"kept"};
    cards.titles(titles);
    EXPECT_EQ(titles, (std::vector<std::string>{"kept", link().hub_if, with_ip}));
    const qo::vg::adapter_info_t& card = cards.cards().at(with_ip);
    EXPECT_EQ(card.device_name, with_ip);
    EXPECT_EQ(card.ip, ip("198.18.9.150"));
    EXPECT_EQ(card.mask, ip("255.255.255.0"));

    EXPECT_EQ(cards.open("no such card"), nullptr);
    EXPECT_TRUE(trace_.has("Failed to find the adapter: no such card"));

    // The default range keeps clear of a card in the upper part of the
    // first 200 addresses.
    const auto upper = cards.open(with_ip);
    ASSERT_TRUE(upper->opened());
    EXPECT_EQ(upper->default_pool_start(), ip("198.18.9.1"));
    EXPECT_EQ(upper->default_pool_end(), ip("198.18.9.149"));
}

TEST_F(DiscoveryNetns, OpenedCardHasItsMacGroupsAndDefaultRange) {
    open_session();
    const auto cards = platform::w32n::ethernet_cards();
    const auto card = std::find_if(cards.begin(), cards.end(),
                                   [&](const auto& c) { return c.name == link().hub_if; });
    ASSERT_NE(card, cards.end());
    EXPECT_EQ(session_->mac(), qo::mac_address_t(card->mac));
    EXPECT_EQ(session_->ip(), ip("198.18.0.1"));
    EXPECT_EQ(session_->default_pool_start(), ip("198.18.0.2"));
    EXPECT_EQ(session_->default_pool_end(), ip("198.18.0.199"));
    EXPECT_EQ(session_->pool_start(), ip("198.18.0.2"));
    EXPECT_EQ(session_->history().pool_start(), ip("198.18.0.2"));

    std::uint8_t groups[64] = {};
    W32N_NDIS_REQUEST request;
    request.oid = W32N_OID_802_3_MULTICAST_LIST;
    request.data = groups;
    request.data_length = sizeof groups;
    ASSERT_EQ(W32N_MakeNdisRequest(session_->handle(), &request, nullptr, 1), 0u);
    EXPECT_EQ(bytes_t(groups, groups + request.bytes_done),
              (bytes_t{0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x01, 0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x00}));

    for (const std::string& line :
         {"Adaptor MAC address: " + session_->mac().to_string(),
          std::string("Packet filter program set successfully."),
          std::string("Adaptor set to multicast mode successfully."),
          std::string("Adaptor set reservation MAC to MAC list."),
          "Opened adapter " + link().hub_if, std::string("IP address:    198.18.0.1"),
          std::string("Default range: 198.18.0.2 to 198.18.0.199"),
          std::string("Reading IP history")})
        EXPECT_TRUE(trace_.has(line)) << line;
}

TEST_F(DiscoveryNetns, ListsSimulatedDevicesInMacOrderWithTheirAddresses) {
    start_sim({"00602b000003=198.18.1.13", "00602b000001=198.18.1.11", "00602b000002=none",
               "00602b000004"});
    // The ARP thread takes one step and then rests: the device keeps
    // announcing 0.0.0.0 and its entry stays queued.
    ASSERT_TRUE(platform::profile::ini_file_t(home_.history())
                    .write_string("Timeouts", "ARPSleepMS", "600000"));
    open_session();
    session_->put_autoassign(1);
    session_->start();
    ASSERT_TRUE(eventually([&] { return table().size() == 4; }))
        << ::testing::PrintToString(table());
    std::vector<std::shared_ptr<qo::vg::device_t>> devices;
    for (auto d = session_->device_first(); d; d = session_->device_next(*d))
        devices.push_back(d);
    ASSERT_TRUE(heard_again(devices, 3));
    EXPECT_EQ(table(),
              (std::vector<std::string>{"00602b000001 198.18.1.11", "00602b000002 0.0.0.0",
                                        "00602b000003 198.18.1.13", "00602b000004 0.0.0.0"}));
    // Only the device announcing 0.0.0.0 waits for an address, once (the
    // entry carries the address the history suggested for it).
    const std::vector<assignment_t> queued = session_->queued_assignments();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].mac, mac("00602b000004"));
    EXPECT_EQ(queued[0].kind, assignment_t::automatic);
    EXPECT_EQ(trace_.count("Queueing auto IP assignment"), 1u);
    EXPECT_EQ(session_->history().ip_of(mac("00602b000001")), ip("198.18.1.11"));
}

TEST_F(DiscoveryNetns, AgesGrowWhileSilentAndResetWhenHeard) {
    start_sim({"00602b000001=198.18.1.11", "00602b000002=198.18.1.12"});
    open_session();
    session_->start();
    ASSERT_TRUE(eventually([&] { return heard("00602b000001") && heard("00602b000002"); }));
    const auto quiet = session_->device_get(mac("00602b000001"));
    const auto talking = session_->device_get(mac("00602b000002"));

    sim("silence 00602b000001");
    // Five of the longest announcement periods without a word.
    ASSERT_TRUE(eventually([&] { return quiet->age() >= 1000; }, 3000ms)) << quiet->age();
    EXPECT_LT(talking->age(), 600u);

    sim("resume 00602b000001");
    EXPECT_TRUE(eventually([&] { return quiet->age() < 300; }, 2000ms)) << quiet->age();
}

// The sweep runs on the first frame more than 10 s after the previous one
// (here: after the session opened) and gives back the failed mark only to
// devices heard within the last 5 s.
TEST_F(DiscoveryNetns, SweepClearsFailedMarkOfTalkingDeviceOnly) {
    start_sim({"00602b000001=198.18.1.11", "00602b000002=198.18.1.12"});
    // The sweep timer starts while the session opens.
    const auto opening = std::chrono::steady_clock::now();
    open_session();
    session_->start();
    ASSERT_TRUE(eventually([&] { return heard("00602b000001") && heard("00602b000002"); }));
    const auto talking = session_->device_get(mac("00602b000001"));
    const auto silent = session_->device_get(mac("00602b000002"));
    talking->set_failed(true);
    silent->set_failed(true);
    sim("silence 00602b000002");

    // The sweep's period is the session's own: the wait is that long.
    ASSERT_TRUE(eventually([&] { return !talking->failed(); }, 12s));
    EXPECT_GE(std::chrono::steady_clock::now() - opening, 10000ms) << "swept before 10 s";
    EXPECT_LT(std::chrono::steady_clock::now() - opened_at_, 11000ms);
    EXPECT_TRUE(silent->failed());
    EXPECT_GT(silent->age(), 5000u);
    // Still listed: the sweep removes nothing.
    EXPECT_EQ(session_->device_get(mac("00602b000002")), silent);
}

TEST_F(DiscoveryNetns, DeviceRemoveOfKnownAndUnknownMac) {
    start_sim({"00602b000001=198.18.1.11"});
    open_session();
    session_->start();
    ASSERT_TRUE(eventually([&] { return heard("00602b000001"); }));
    const auto old = session_->device_get(mac("00602b000001"));

    EXPECT_EQ(session_->device_remove(mac("00602b000001")), 1);
    EXPECT_EQ(session_->device_remove(mac("00602b0000ff")), 0);
    EXPECT_EQ(old->ip(), ip("198.18.1.11"));
    // The next announcement makes a new record.
    ASSERT_TRUE(eventually([&] { return heard("00602b000001"); }));
    EXPECT_NE(session_->device_get(mac("00602b000001")), old);
    EXPECT_EQ(session_->device_get(mac("00602b000001"))->ip(), ip("198.18.1.11"));
}

TEST_F(DiscoveryNetns, MalformedAndForeignFramesChangeNothing) {
    start_sim({});
    open_session();
    session_->start();
    sim("malformed short 00602b0000a1");
    sim("malformed past-end 00602b0000a2");
    sim("malformed len2 00602b0000a3");
    sim("malformed no-ip 00602b0000a4");
    sim("malformed no-terminator 00602b0000a5");
    sim("malformed bad-version 00602b0000a6");
    sim("malformed kind2 00602b0000a7");
    sim("malformed ipv4 00602b0000a8");
    sim("announce " + session_->mac().to_string() + " 198.18.1.77"); // "our own" frame
    sim("announce 00602b0000ff 198.18.1.255");                       // in order: the last
    ASSERT_TRUE(eventually([&] { return heard("00602b0000ff"); }));

    EXPECT_EQ(table(), (std::vector<std::string>{"00602b0000a2 0.0.0.0", "00602b0000a3 0.0.0.0",
                                                 "00602b0000a4 0.0.0.0", "00602b0000a5 198.18.1.99",
                                                 "00602b0000ff 198.18.1.255"}));
    // The kernel filter took the IPv4 frame: the session never saw it.
    EXPECT_FALSE(trace_.has("Received unrecognized packet"));
}

TEST_F(DiscoveryNetns, SilentNetworkIsReportedEachTimeASlotWaitsThreeSeconds) {
    open_session();
    const auto started = std::chrono::steady_clock::now();
    session_->start();
    ASSERT_TRUE(eventually([&] { return trace_.has("No vargo packet received"); }, 5s));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 3000ms);
    // The next slot waits its own 3 s: one line so far.
    EXPECT_EQ(trace_.count("No vargo packet received, probably the network is down"), 1u);
    EXPECT_EQ(session_->network_error(), static_cast<std::uint32_t>(ETIMEDOUT));
    // The slot that timed out was posted again and still receives.
    start_sim({"00602b000001=198.18.1.11"});
    EXPECT_TRUE(eventually([&] { return heard("00602b000001"); }));
}

// The card says at once that its interface went: the session reports the
// loss well before a read slot's 3 s wait could, and says it once.
TEST_F(DiscoveryNetns, DeletedCardIsReportedDownAtOnce) {
    start_sim({"00602b000001=198.18.1.11"});
    open_session();
    session_->start();
    ASSERT_TRUE(eventually([&] { return heard("00602b000001"); }));
    EXPECT_FALSE(session_->network_down());

    const auto deleted_at = std::chrono::steady_clock::now();
    topology_->hub().ip({"link", "del", link().hub_if});
    ASSERT_TRUE(eventually(
        [&] { return session_->network_down() && session_->network_error() != ETIMEDOUT; }, 2500ms))
        << session_->network_error();
    EXPECT_LT(std::chrono::steady_clock::now() - deleted_at, 2500ms);
    EXPECT_TRUE(session_->network_error() == ENODEV || session_->network_error() == ENETDOWN)
        << session_->network_error();
    EXPECT_FALSE(trace_.has("No vargo packet received"));
    // The interface is gone for good: the packet thread ends with it.
    ASSERT_TRUE(eventually([&] { return trace_.has("Packet thread exiting"); }));
    EXPECT_EQ(trace_.count(", the network is down"), 1u) << trace_.text();
    session_->close();
    EXPECT_TRUE(trace_.has("Writing IP history"));
}

TEST_F(DiscoveryNetns, LinkDownIsReportedAtOnceAndClearedWhenFramesReturn) {
    start_sim({"00602b000001=198.18.1.11"});
    open_session();
    session_->start();
    ASSERT_TRUE(eventually([&] { return heard("00602b000001"); }));

    topology_->hub().ip({"link", "set", link().hub_if, "down"});
    ASSERT_TRUE(eventually([&] { return session_->network_error() == ENETDOWN; }, 2500ms))
        << session_->network_error();
    topology_->hub().ip({"link", "set", link().hub_if, "up"});
    ASSERT_TRUE(eventually([&] { return !session_->network_down(); }));
    EXPECT_TRUE(trace_.has("Packets are received again"));
    EXPECT_EQ(trace_.count(", the network is down"), 1u);
    EXPECT_FALSE(trace_.has("Packet thread exiting"));
}

class DiscoveryNetnsReservation : public DiscoveryNetns {
protected:
    // Reservation requests the simulator saw within `span`, or until `want`
    // came: arrival times.
    std::vector<std::uint64_t> collect(std::chrono::milliseconds span,
                                       std::size_t want = SIZE_MAX) {
        std::vector<std::uint64_t> times;
        const auto until = std::chrono::steady_clock::now() + span;
        while (times.size() < want) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            const auto line = sim_->read_line(left);
            if (!line)
                break;
            const std::vector<std::string> w = words(*line);
            if (w.size() != 4 || w[0] != "rx-reservation")
                continue;
            EXPECT_EQ(w[2], "50");
            EXPECT_EQ(w[3], expected_hex_) << "the request's bytes";
            times.push_back(std::stoull(w[1]));
        }
        return times;
    }

    void expect_period(const std::vector<std::uint64_t>& times) {
        for (std::size_t i = 1; i < times.size(); ++i) {
            EXPECT_GE(times[i] - times[i - 1], 1566u) << "request " << i;
            EXPECT_LE(times[i] - times[i - 1], 1866u) << "request " << i;
        }
    }

    void SetUp() override {
        DiscoveryNetns::SetUp();
        if (IsSkipped())
            return;
        start_sim({});
        if (HasFatalFailure())
            return;
        open_session();
        if (HasFatalFailure())
            return;
        const std::string m = session_->mac().to_string();
        expected_hex_ = "01602bffff01" + m + "881901020304000000000308c6120001" +
                        "0440101000000000" + "0660101000000000000000000000";
    }

    std::string expected_hex_;
};

// Where a test shows that nothing is sent, it listens a little longer than
// one period: a running thread would have sent within it.
TEST_F(DiscoveryNetnsReservation, SwitchedOnBeforeStartSendsEvery1666ms) {
    session_->put_send_reservation(1);
    // A started thread sends at once.
    EXPECT_TRUE(collect(300ms).empty()) << "sent before start";
    session_->start();
    const auto times = collect(6000ms, 3);
    EXPECT_EQ(times.size(), 3u);
    expect_period(times);

    session_->put_send_reservation(1); // again: still one thread, so still the period
    const auto more = collect(6000ms, 3);
    EXPECT_EQ(more.size(), 3u);
    expect_period(more);

    session_->put_send_reservation(0);
    EXPECT_TRUE(collect(2000ms).empty());
    // Its own requests never come back as a device.
    EXPECT_EQ(session_->device_first(), nullptr);
}

TEST_F(DiscoveryNetnsReservation, SwitchedOnAfterStartSendsAtOnce) {
    session_->start();
    session_->put_send_reservation(1);
    const auto times = collect(1000ms, 1);
    ASSERT_EQ(times.size(), 1u);
    session_->put_send_reservation(0);
    EXPECT_TRUE(collect(2000ms).empty());
}

TEST_F(DiscoveryNetns, CloseWhileFramesArriveEndsPromptly) {
    start_sim({});
    open_session();
    session_->put_send_reservation(1);
    session_->start();
    ASSERT_TRUE(sim_->send_line("flood 3000000 1000 0"));
    ASSERT_TRUE(eventually([&] { return table().size() >= 500; })) << table().size();

    const auto before = std::chrono::steady_clock::now();
    session_->close();
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, 1000ms);
    EXPECT_FALSE(session_->opened());
    // Seen between two rounds or as the stop request: either way it ended.
    EXPECT_TRUE(trace_.has("Packet thread exiting"));
    EXPECT_TRUE(trace_.has("reservation_thread_t shutting down..."));
    // The threads ended before the card closed under them.
    EXPECT_FALSE(trace_.has("W32N_PacketRead failed"));
    EXPECT_FALSE(trace_.has("Packet read failed"));
    EXPECT_FALSE(trace_.has("packet_send W32N Failure"));
    session_.reset();
}

TEST_F(DiscoveryNetns, HistoryOfAnOpenedCardIsSavedOnClose) {
    platform::profile::ini_file_t ini(home_.history());
    ASSERT_TRUE(ini.write_string(link().hub_if, "00602b0000ee", "198.18.1.200"));
    start_sim({"00602b000001=198.18.1.11", "00602b000002=198.18.1.12"});
    open_session();
    session_->start();
    ASSERT_TRUE(eventually([&] { return heard("00602b000001") && heard("00602b000002"); }));
    session_->close();
    EXPECT_TRUE(trace_.has("Writing IP history"));
    EXPECT_EQ(ini.read_section(link().hub_if),
              (std::vector<std::string>{"00602b000001=198.18.1.11", "00602b000002=198.18.1.12",
                                        "00602b0000ee=198.18.1.200"}));
}

} // namespace
