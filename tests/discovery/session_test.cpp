// A card session fed frames by hand: the device table, ages and sweeps on a
// clock the test moves, the queues, the history on close, the reservation
// switch. The card itself does not open here (namespaces show that part).
#include "discovery/adapter.h"
#include "discovery/frames.h"
#include "platform/profile/profile.h"
#include "support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

using namespace discovery_test;
using qo::vg::adapter_t;
using qo::vg::assignment_t;

class DiscoverySession : public testing::Test {
protected:
    void SetUp() override {
        fake_now = 1000;
        session_ = adapter_t::create(missing_card(), fake_clock);
        ASSERT_FALSE(session_->opened());
    }

    void feed(const bytes_t& frame) { session_->handle_frame(frame.data(), frame.size()); }
    void hear(const char* device, const char* address) {
        feed(announcement(mac(device), ip(address)));
    }
    void hear_without_ip(const char* device) { feed(announcement(mac(device), nullptr)); }

    std::vector<std::string> table() const {
        std::vector<std::string> macs;
        for (auto d = session_->device_first(); d; d = session_->device_next(*d))
            macs.push_back(d->mac().to_string());
        return macs;
    }

    state_home_t home_;
    trace_capture_t trace_;
    std::shared_ptr<adapter_t> session_;
};

TEST_F(DiscoverySession, FailedOpenIsLoggedAndLeavesAnEmptySession) {
    EXPECT_TRUE(trace_.has("AdapterOpen failure: W32N_OpenAdapterA failed on ostrelnocard"));
    EXPECT_EQ(session_->handle(), -1);
    EXPECT_EQ(session_->device_first(), nullptr);
    EXPECT_EQ(session_->ip(), ip("198.18.0.1"));
    EXPECT_EQ(session_->subnet_mask(), ip("255.255.255.0"));
}

TEST_F(DiscoverySession, TableIsOrderedByUnsignedMacBytes) {
    hear("00602b800000", "198.18.1.3");
    hear("00602b000002", "198.18.1.2");
    hear("ff602b000000", "198.18.1.4");
    hear("00602b7f0000", "198.18.1.1");
    hear("00602b000002", "198.18.1.2"); // again: still one record
    EXPECT_EQ(table(), (std::vector<std::string>{"00602b000002", "00602b7f0000", "00602b800000",
                                                 "ff602b000000"}));
    EXPECT_EQ(session_->device_get(mac("00602b800000"))->ip(), ip("198.18.1.3"));
    EXPECT_EQ(session_->device_get(mac("00602b000009")), nullptr);

    // A record taken out of the table still finds its successor.
    const auto removed = session_->device_get(mac("00602b7f0000"));
    ASSERT_EQ(session_->device_remove(mac("00602b7f0000")), 1);
    EXPECT_EQ(session_->device_next(*removed)->mac(), mac("00602b800000"));
}

TEST_F(DiscoverySession, AnnouncedAddressesReachDeviceAndHistory) {
    hear_without_ip("00602b000001");
    const auto device = session_->device_get(mac("00602b000001"));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->ip(), ip("0.0.0.0"));

    hear("00602b000001", "198.18.1.7");
    EXPECT_EQ(device->ip(), ip("198.18.1.7"));
    EXPECT_EQ(session_->history().ip_of(mac("00602b000001")), ip("198.18.1.7"));

    // 0.0.0.0 clears the device's address but is not remembered.
    hear("00602b000001", "0.0.0.0");
    EXPECT_EQ(device->ip(), ip("0.0.0.0"));
    EXPECT_EQ(session_->history().ip_of(mac("00602b000001")), ip("198.18.1.7"));
}

TEST_F(DiscoverySession, AgesGrowAndResetWhenHeard) {
    hear("00602b000001", "198.18.1.1");
    const auto device = session_->device_get(mac("00602b000001"));
    EXPECT_EQ(device->age(), 0u);
    fake_now += 700;
    EXPECT_EQ(device->age(), 700u);
    hear("00602b000002", "198.18.1.2"); // another device's frame changes nothing
    EXPECT_EQ(device->age(), 700u);
    hear("00602b000001", "198.18.1.1");
    EXPECT_EQ(device->age(), 0u);
}

TEST_F(DiscoverySession, SweepClearsFailedMarkOfDevicesHeardInTheLastFiveSeconds) {
    // Sweep timer started with the session at t = 1000.
    hear("00602b000001", "198.18.1.1"); // talks on
    hear("00602b000002", "198.18.1.2"); // falls silent
    hear("00602b000003", "198.18.1.3"); // heard exactly 5000 ms before the sweep
    const auto talking = session_->device_get(mac("00602b000001"));
    const auto silent = session_->device_get(mac("00602b000002"));
    const auto edge = session_->device_get(mac("00602b000003"));
    for (const auto& d : {talking, silent, edge})
        d->set_failed(true);

    fake_now = 1000 + 10000; // exactly 10000 ms: no sweep yet
    hear("00602b000001", "198.18.1.1");
    EXPECT_TRUE(talking->failed());

    fake_now = 1000 + 10001 - 5000;
    hear("00602b000003", "198.18.1.3");
    fake_now = 1000 + 10001; // the sweep
    hear("00602b000001", "198.18.1.1");
    EXPECT_FALSE(talking->failed());
    EXPECT_TRUE(silent->failed());
    EXPECT_TRUE(edge->failed());

    // Heard again, the silent one waits for the next sweep, 10000 ms on.
    fake_now += 2000;
    hear("00602b000002", "198.18.1.2");
    EXPECT_TRUE(silent->failed());
    fake_now += 8002;
    hear("00602b000002", "198.18.1.2");
    EXPECT_FALSE(silent->failed());
}

TEST_F(DiscoverySession, AutomaticAssignmentIsQueuedOncePerDevice) {
    hear("00602b000001", "0.0.0.0"); // autoassign still off
    EXPECT_TRUE(session_->queued_assignments().empty());

    session_->put_autoassign(7);
    EXPECT_EQ(session_->autoassign(), 1);
    for (int i = 0; i < 3; ++i) {
        hear("00602b000001", "0.0.0.0");
        hear_without_ip("00602b000002"); // no IP entry: nothing to assign
        hear("00602b000003", "198.18.1.3");
    }
    hear("00602b000004", "0.0.0.0");
    hear_without_ip("00602b000005");
    session_->device_get(mac("00602b000005"))->set_failed(true);
    hear("00602b000005", "0.0.0.0"); // failed: not queued

    const std::vector<assignment_t> expected = {
        {mac("00602b000001"), ip("0.0.0.0"), assignment_t::automatic},
        {mac("00602b000004"), ip("0.0.0.0"), assignment_t::automatic}};
    EXPECT_EQ(session_->queued_assignments(), expected);
    EXPECT_TRUE(session_->device_get(mac("00602b000001"))->queued());
    EXPECT_FALSE(session_->device_get(mac("00602b000005"))->queued());
    EXPECT_EQ(trace_.count("Queueing auto IP assignment 00602b000001"), 1u);
}

TEST_F(DiscoverySession, ManualAssignmentQueuedForKnownDevicesOnly) {
    hear("00602b000001", "198.18.1.1");
    const auto device = session_->device_get(mac("00602b000001"));
    device->set_failed(true);
    device->queue_manual_ip(ip("198.18.1.50"));
    EXPECT_TRUE(device->queued());
    EXPECT_FALSE(device->failed());
    EXPECT_TRUE(trace_.has("Queueing manual IP assignment 198.18.1.50 00602b000001"));

    ASSERT_EQ(session_->device_remove(mac("00602b000001")), 1);
    device->queue_manual_ip(ip("198.18.1.51")); // no longer in the table
    session_->queue_manual_assignment(mac("00602b00000f"), ip("198.18.1.52"));

    const std::vector<assignment_t> expected = {
        {mac("00602b000001"), ip("198.18.1.50"), assignment_t::manual}};
    EXPECT_EQ(session_->queued_assignments(), expected);
}

// The packet thread takes the device lock and then a record's IP lock; a
// manual put must not take them the other way round. Run under
// ThreadSanitizer, an inverted order is reported even when this run is
// lucky enough not to hang.
TEST_F(DiscoverySession, ManualPutsWhileFramesArriveDoNotDeadlock) {
    hear("00602b000001", "198.18.1.1");
    const auto device = session_->device_get(mac("00602b000001"));
    std::atomic<bool> done{false};
    auto frames = std::async(std::launch::async, [&] {
        const bytes_t frame = announcement(mac("00602b000001"), ip("198.18.1.1"));
        while (!done)
            session_->handle_frame(frame.data(), frame.size());
    });
    auto puts = std::async(std::launch::async, [&] {
        for (int i = 0; i < 2000; ++i)
            device->queue_manual_ip(ip("198.18.1.60"));
    });
    const bool finished = puts.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    done = true;
    if (!finished) {
        // Both threads are stuck for good: end here rather than hang.
        std::fprintf(stderr, "manual put and packet handling deadlocked\n");
        std::abort();
    }
    frames.get();
    EXPECT_EQ(session_->queued_assignments().size(), 2000u);
}

TEST_F(DiscoverySession, RecordsOutliveRemovalAndTheSession) {
    hear("00602b000001", "198.18.1.1");
    auto device = session_->device_get(mac("00602b000001"));
    EXPECT_EQ(session_->device_remove(mac("00602b000001")), 1);
    EXPECT_EQ(session_->device_remove(mac("00602b000001")), 0);
    EXPECT_EQ(session_->device_remove(mac("00602b0000ff")), 0);
    EXPECT_EQ(device->ip(), ip("198.18.1.1"));

    // Heard again: a new record; the old one is left alone.
    hear("00602b000001", "198.18.1.2");
    EXPECT_NE(session_->device_get(mac("00602b000001")), device);
    EXPECT_EQ(device->ip(), ip("198.18.1.1"));

    auto kept = session_->device_get(mac("00602b000001"));
    session_.reset();
    EXPECT_EQ(kept->mac(), mac("00602b000001"));
    EXPECT_EQ(kept->ip(), ip("198.18.1.2"));
    fake_now += 5;
    EXPECT_EQ(kept->age(), 5u);
    kept->queue_manual_ip(ip("198.18.1.9")); // no session: nothing happens
}

TEST_F(DiscoverySession, OwnFramesOtherTypesAndShortFramesAddNoDevice) {
    // The unopened card's MAC is all zero: a frame from that MAC is "ours".
    feed(announcement(qo::mac_address_t(), ip("198.18.1.1")));
    feed(bytes_t(13, 0x00));
    bytes_t cut = vargo_header(mac("00602b000001"));
    cut.pop_back();
    feed(cut);
    feed(arp(1, mac("00602b000002"), ip("198.18.1.2"), ip("198.18.0.1")));
    EXPECT_EQ(session_->device_first(), nullptr);

    bytes_t ipv4 = arp(1, mac("00602b000002"), ip("198.18.1.2"), ip("198.18.0.1"));
    ipv4[12] = 0x08;
    ipv4[13] = 0x00;
    feed(ipv4);
    EXPECT_EQ(trace_.count("Received unrecognized packet (filter problem?)"), 1u);
}

TEST_F(DiscoverySession, ArpRepliesAreQueuedRequestsAreNot) {
    feed(arp(2, mac("00602b000002"), ip("198.18.1.2"), ip("198.18.0.1")));
    feed(arp(1, mac("00602b000003"), ip("198.18.1.3"), ip("198.18.0.1")));
    bytes_t short_reply = arp(2, mac("00602b000004"), ip("198.18.1.4"), ip("198.18.0.1"));
    short_reply.resize(30);
    feed(short_reply);
    const std::vector<assignment_t> expected = {
        {mac("00602b000002"), ip("198.18.1.2"), assignment_t::arp_reply}};
    EXPECT_EQ(session_->queued_arp_replies(), expected);
}

TEST_F(DiscoverySession, PoolPutsGoToTheHistory) {
    session_->put_pool_end(ip("198.18.0.150"));
    session_->put_pool_start(ip("198.18.0.100"));
    EXPECT_EQ(session_->pool_start(), ip("198.18.0.100"));
    EXPECT_EQ(session_->pool_end(), ip("198.18.0.150"));
    EXPECT_EQ(session_->history().pool_start(), ip("198.18.0.100"));
    EXPECT_EQ(session_->history().pool_end(), ip("198.18.0.150"));
    EXPECT_EQ(session_->history().next_candidate(), ip("198.18.0.100"));
    // A card that did not open has no default range.
    EXPECT_EQ(session_->default_pool_start(), ip("0.0.0.0"));
}

TEST_F(DiscoverySession, FailedOpenLeavesTheStoredHistoryAlone) {
    session_.reset();
    platform::profile::ini_file_t ini(home_.history());
    ASSERT_TRUE(ini.write_string("card0", "00602b000001", "198.18.1.1"));
    ASSERT_TRUE(ini.write_string("card0", "00602b000002", "198.18.1.2"));

    auto session = adapter_t::create(missing_card("card0"), fake_clock);
    ASSERT_FALSE(session->opened());
    session->handle_frame(announcement(mac("00602b000003"), ip("198.18.1.3")).data(), 60);
    session->close();
    session.reset();

    EXPECT_EQ(ini.read_section("card0"),
              (std::vector<std::string>{"00602b000001=198.18.1.1", "00602b000002=198.18.1.2"}));
    EXPECT_FALSE(trace_.has("Writing IP history"));
}

// Before start the switch is only stored; start starts the thread it asks
// for, and turning it off stops the thread, which sends under the device
// lock, without waiting on that lock.
TEST_F(DiscoverySession, ReservationSwitchedOnBeforeStartRunsFromStart) {
    session_->put_send_reservation(1);
    EXPECT_EQ(session_->send_reservation(), 1);
    // Nothing may happen here: a thread started by mistake would say so
    // at once, well within this.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(trace_.has("Send Res. Request thread starting"));
    EXPECT_FALSE(trace_.has("reservation_thread_t shutting down..."));

    session_->start();
    ASSERT_TRUE(eventually([&] { return trace_.has("Send Res. Request thread starting"); }));
    // The card is not open: the send fails and says so.
    EXPECT_TRUE(eventually([&] { return trace_.has("packet_send W32N Failure: "); }));

    const auto before = std::chrono::steady_clock::now();
    session_->put_send_reservation(0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1000));
    EXPECT_EQ(session_->send_reservation(), 0);
    EXPECT_TRUE(trace_.has("reservation_thread_t shutting down..."));

    session_->put_send_reservation(1);
    EXPECT_TRUE(eventually([&] { return trace_.count("Send Res. Request thread starting") >= 2; }));
    session_->close();
    EXPECT_EQ(trace_.count("reservation_thread_t shutting down..."), 2u);
}

TEST_F(DiscoverySession, StartOnUnopenedCardEndsPacketThreadAndClosesCleanly) {
    session_->start();
    EXPECT_TRUE(session_->started());
    EXPECT_TRUE(eventually([&] { return trace_.has("Packet thread exiting"); }));
    EXPECT_TRUE(trace_.has("W32N_PacketRead failed"));
    session_->close();
    EXPECT_FALSE(session_->started());
    EXPECT_TRUE(trace_.has("arp_thread exiting..."));
}

} // namespace

namespace {

// Spoofed announcements must not grow the table or the history without end.
TEST_F(DiscoverySession, AFullTableDropsItsLongestUnheardRecordButNoneWaitingForAnAddress) {
    session_->set_limits({3, 3600, 4096});
    session_->put_autoassign(1);
    hear("00602b000001", "0.0.0.0"); // waits for an automatic address
    fake_now += 10;
    hear("00602b000002", "198.18.1.2");
    fake_now += 10;
    hear("00602b000003", "198.18.1.3");
    fake_now += 10;
    hear("00602b000004", "198.18.1.4");
    EXPECT_EQ(table(), (std::vector<std::string>{"00602b000001", "00602b000003", "00602b000004"}));
    fake_now += 10;
    hear("00602b000003", "198.18.1.3"); // heard again: no longer the oldest
    hear("00602b000005", "198.18.1.5");
    EXPECT_EQ(table(), (std::vector<std::string>{"00602b000001", "00602b000003", "00602b000005"}));
    EXPECT_EQ(trace_.count("Device table full (3 records)"), 1u) << "logged once";

    // Every record waiting for an address: a new sender is not taken in.
    session_->set_limits({1, 3600, 4096});
    hear("00602b000001", "0.0.0.0");
    session_->device_remove(mac("00602b000003"));
    session_->device_remove(mac("00602b000005"));
    hear("00602b000006", "198.18.1.6");
    EXPECT_EQ(table(), (std::vector<std::string>{"00602b000001"}));
}

TEST_F(DiscoverySession, RecordsUnheardForTheAgeLimitGoAtTheSweep) {
    session_->set_limits({4096, 60, 4096});
    hear("00602b000001", "198.18.1.1");
    hear("00602b000002", "198.18.1.2");
    fake_now += 30000;
    hear("00602b000001", "198.18.1.1");
    fake_now += 30001; // 60001 ms since 2 was heard; a sweep is due
    hear("00602b000003", "198.18.1.3");
    EXPECT_EQ(table(), (std::vector<std::string>{"00602b000001", "00602b000003"}));
}

TEST_F(DiscoverySession, TheHistoryKeepsTheMostRecentlySeenAddresses) {
    session_->set_limits({4096, 3600, 2});
    hear("00602b000001", "198.18.1.1");
    hear("00602b000002", "198.18.1.2");
    hear("00602b000001", "198.18.1.1"); // seen again
    hear("00602b000003", "198.18.1.3");
    auto& history = session_->history();
    EXPECT_TRUE(history.ip_of(mac("00602b000001")));
    EXPECT_FALSE(history.ip_of(mac("00602b000002")));
    EXPECT_FALSE(history.mac_of(ip("198.18.1.2")));
    EXPECT_EQ(history.state_of(ip("198.18.1.2")), 0) << "its address is free again";
    EXPECT_TRUE(history.ip_of(mac("00602b000003")));
    EXPECT_EQ(history.entries().size(), 2u);
}

} // namespace
