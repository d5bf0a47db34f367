// IP assignment without a network: the two frames the ARP thread sends, the
// default pool, manual addresses given as text, and the ARP thread of a
// session whose card did not open (its sends fail; frames are fed by hand).
#include "discovery/adapter.h"
#include "discovery/frames.h"
#include "platform/profile/profile.h"
#include "support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

using namespace discovery_test;
using qo::vg::adapter_t;
using qo::vg::assignment_t;

std::string hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char pair[3];
    for (const std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

TEST(DiscoveryArpFrames, ArpRequestAndRarpReplyAreTheFixedFortyTwoBytes) {
    const auto card = mac("00a0c9123456");
    const auto device = mac("00602b0000ab");
    EXPECT_EQ(hex(qo::vg::arp_request_frame(card, ip("198.18.0.1"), ip("198.18.0.10"))),
              "ffffffffffff"
              "00a0c9123456"
              "0806"
              "0001"
              "0800"
              "06"
              "04"
              "0001"
              "00a0c9123456"
              "c6120001"
              "ffffffffffff"
              "c612000a");
    EXPECT_EQ(hex(qo::vg::rarp_reply_frame(card, ip("198.18.0.1"), device, ip("198.18.0.10"))),
              "00602b0000ab"
              "00a0c9123456"
              "8035"
              "0001"
              "0800"
              "06"
              "04"
              "0004"
              "00a0c9123456"
              "c6120001"
              "00602b0000ab"
              "c612000a");
}

struct pool_row_t {
    const char* name;
    const char* card_ip;
    const char* mask;
    const char* start; // nullptr: the pool is empty
    const char* end;
};

void PrintTo(const pool_row_t& row, std::ostream* out) {
    *out << row.name;
}

class DiscoveryArpDefaultPool : public testing::TestWithParam<pool_row_t> {};

TEST_P(DiscoveryArpDefaultPool, StaysInsideTheSubnetAndClearOfTheCard) {
    const pool_row_t& row = GetParam();
    const auto [start, end] = qo::vg::default_pool(ip(row.card_ip), ip(row.mask));
    if (row.start == nullptr) {
        EXPECT_LT(end, start) << start.to_string() << " to " << end.to_string();
        return;
    }
    EXPECT_EQ(start, ip(row.start));
    EXPECT_EQ(end, ip(row.end));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DiscoveryArpDefaultPool,
    testing::Values(
        pool_row_t{"CardBelow101PoolStartsAboveIt", "192.168.1.10", "255.255.255.0", "192.168.1.11",
                   "192.168.1.199"},
        pool_row_t{"Card101To199PoolEndsBelowIt", "192.168.1.150", "255.255.255.0", "192.168.1.1",
                   "192.168.1.149"},
        pool_row_t{"CardFrom200LeavesTheFirst199", "192.168.1.220", "255.255.255.0", "192.168.1.1",
                   "192.168.1.199"},
        pool_row_t{"WideSubnetTakesItsFirst199", "10.0.5.1", "255.255.0.0", "10.0.0.1",
                   "10.0.0.199"},
        pool_row_t{"SmallSubnetWouldHandOutItsBroadcast", "192.168.1.1", "255.255.255.240",
                   "192.168.1.2", "192.168.1.14"},
        pool_row_t{"UpperHalfWouldRunIntoTheNextSubnet", "192.168.1.130", "255.255.255.128",
                   "192.168.1.131", "192.168.1.254"},
        pool_row_t{"SmallSubnetAboveZeroStaysInside", "192.168.1.20", "255.255.255.240",
                   "192.168.1.21", "192.168.1.30"},
        pool_row_t{"TwoHostSubnetLeavesOneAddress", "192.168.1.1", "255.255.255.252", "192.168.1.2",
                   "192.168.1.2"},
        pool_row_t{"CardAtTheTopOfItsSubnetLeavesNone", "192.168.1.14", "255.255.255.240", nullptr,
                   nullptr},
        pool_row_t{"PointToPointLeavesNone", "192.168.1.0", "255.255.255.254", nullptr, nullptr},
        pool_row_t{"SingleHostLeavesNone", "192.168.1.5", "255.255.255.255", nullptr, nullptr},
        pool_row_t{"TopOfTheAddressSpaceDoesNotWrap", "255.255.255.255", "255.255.255.255", nullptr,
                   nullptr}),
    [](const testing::TestParamInfo<pool_row_t>& info) { return std::string(info.param.name); });

struct manual_row_t {
    const char* name;
    const char* text;
    bool accepted;
};

void PrintTo(const manual_row_t& row, std::ostream* out) {
    *out << row.name;
}

class DiscoveryArpManualText : public testing::TestWithParam<manual_row_t> {
protected:
    state_home_t home_;
    trace_capture_t trace_;
};

TEST_P(DiscoveryArpManualText, OnlyADottedQuadIsQueued) {
    const manual_row_t& row = GetParam();
    const auto session = adapter_t::create(missing_card(), fake_clock);
    const bytes_t frame = announcement(mac("00602b000001"), ip("198.18.0.20"));
    session->handle_frame(frame.data(), frame.size());
    const auto device = session->device_get(mac("00602b000001"));
    ASSERT_NE(device, nullptr);

    EXPECT_EQ(device->queue_manual_ip(row.text), row.accepted);
    EXPECT_EQ(device->queued(), row.accepted);
    if (row.accepted) {
        const std::vector<assignment_t> expected = {
            {mac("00602b000001"), ip(row.text), assignment_t::manual}};
        EXPECT_EQ(session->queued_assignments(), expected);
    } else {
        EXPECT_TRUE(session->queued_assignments().empty());
        EXPECT_TRUE(trace_.has(std::string("Refusing manual IP assignment ") + row.text));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DiscoveryArpManualText,
    testing::Values(manual_row_t{"DottedQuad", "198.18.0.50", true},
                    manual_row_t{"PartAbove255WouldWrap", "198.18.0.300", false},
                    manual_row_t{"ThreePartsWouldReadAsDotZero", "198.18.0", false},
                    manual_row_t{"FiveParts", "198.18.0.1.5", false},
                    manual_row_t{"TrailingJunk", "198.18.0.5x", false},
                    manual_row_t{"NegativePart", "198.18.-1.5", false},
                    manual_row_t{"HexPart", "0x10.0.0.1", false}, manual_row_t{"Empty", "", false}),
    [](const testing::TestParamInfo<manual_row_t>& info) { return std::string(info.param.name); });

// A started session on a card that did not open: its packet thread ends at
// once, its ARP thread runs and every send fails (and is logged). Replies
// and announcements come from the test.
class DiscoveryArpThread : public testing::Test {
protected:
    void SetUp() override {
        fake_now = 1000;
        platform::profile::ini_file_t ini(home_.history());
        ASSERT_TRUE(ini.write_string("Timeouts", "ARPSleepMS", "5"));
        ASSERT_TRUE(ini.write_string("Retries", "ARP", "2"));
        ASSERT_TRUE(ini.write_string("Retries", "RARP", "1"));
        session_ = adapter_t::create(missing_card(), fake_clock);
        session_->put_pool_end(ip("198.18.0.20"));
        session_->put_pool_start(ip("198.18.0.10"));
    }

    void TearDown() override {
        stop_feeding();
        if (session_)
            session_->close();
    }

    // Read when the thread starts. Many ARP retries leave the test time
    // to answer a probe while it runs.
    void set_arp_retries(int retries) {
        platform::profile::ini_file_t ini(home_.history());
        ASSERT_TRUE(ini.write_string("Retries", "ARP", std::to_string(retries)));
    }

    void feed(const bytes_t& frame) { session_->handle_frame(frame.data(), frame.size()); }
    void hear(const char* device, const char* address) {
        feed(announcement(mac(device), ip(address)));
    }

    // Feeds this ARP reply again and again from another thread, as a busy
    // network would, until stop_feeding.
    void keep_feeding(const bytes_t& reply) {
        feeding_ = true;
        feeder_ = std::async(std::launch::async, [this, reply] {
            while (feeding_) {
                session_->handle_frame(reply.data(), reply.size());
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    void stop_feeding() {
        feeding_ = false;
        if (feeder_.valid())
            feeder_.get();
    }

    state_home_t home_;
    trace_capture_t trace_;
    std::shared_ptr<adapter_t> session_;
    std::atomic<bool> feeding_{false};
    std::future<void> feeder_;
};

// Nothing to assign: replies still go, or ARP traffic would fill the queue
// for as long as the session runs.
TEST_F(DiscoveryArpThread, IdleThreadDropsEveryArpReply) {
    session_->start();
    for (int i = 0; i < 1000; ++i)
        feed(arp(2, mac("00602b0000ee"), qo::ip_address_t(0xC6120100u + (i & 0xFF)),
                 ip("198.18.0.1")));
    EXPECT_TRUE(eventually([&] { return session_->queued_arp_replies().empty(); }))
        << session_->queued_arp_replies().size();
}

// Replies for other addresses answer no probe: they neither hold a probe up
// (one step each) nor pile up while it runs. With 2 ARP and 1 RARP retry a
// silent device is probed 3 times, then told twice, each time followed by 3
// requests.
TEST_F(DiscoveryArpThread, RepliesForOtherAddressesDoNotHoldUpTheProbe) {
    session_->put_autoassign(1);
    session_->start();
    keep_feeding(arp(2, mac("00602b0000ee"), ip("198.18.0.99"), ip("198.18.0.1")));
    hear("00602b000001", "0.0.0.0");
    ASSERT_TRUE(eventually([&] { return trace_.has("No response from 00602b000001"); }))
        << "the probe never ended; replies queued: " << session_->queued_arp_replies().size();
    stop_feeding();

    EXPECT_EQ(trace_.count("History suggests 198.18.0.10 for 00602b000001"), 1u);
    EXPECT_EQ(trace_.count("ARP retries expired on 198.18.0.10"), 1u);
    EXPECT_EQ(trace_.count("Assigning 198.18.0.10 to 00602b000001"), 2u);
    EXPECT_EQ(trace_.count("Sending ARP request for 198.18.0.10"), 3u + 2u * 3u);
    const auto device = session_->device_get(mac("00602b000001"));
    EXPECT_TRUE(device->failed());
    EXPECT_FALSE(device->queued());
    EXPECT_TRUE(session_->queued_assignments().empty());
    EXPECT_TRUE(eventually([&] { return session_->queued_arp_replies().empty(); }));
}

// A failed device is left alone while the mark lasts; the sweep gives it
// back once it is heard again, and it is queued anew.
TEST_F(DiscoveryArpThread, FailedDeviceIsQueuedAgainAfterTheSweep) {
    session_->put_autoassign(1);
    session_->start();
    hear("00602b000001", "0.0.0.0");
    ASSERT_TRUE(eventually([&] { return trace_.has("No response from 00602b000001"); }));
    hear("00602b000001", "0.0.0.0");
    EXPECT_TRUE(session_->queued_assignments().empty());
    EXPECT_EQ(trace_.count("Queueing auto IP assignment 00602b000001"), 1u);

    fake_now += 10001;
    hear("00602b000001", "0.0.0.0");
    EXPECT_FALSE(session_->device_get(mac("00602b000001"))->failed());
    EXPECT_EQ(trace_.count("Queueing auto IP assignment 00602b000001"), 2u);
    // The walk goes on from where it was.
    EXPECT_TRUE(
        eventually([&] { return trace_.has("History suggests 198.18.0.11 for 00602b000001"); }));
}

// An entry dropped because the pool has nothing left must not keep its
// device marked queued: it would never be queued again.
TEST_F(DiscoveryArpThread, NoSuggestionDropsTheEntryAndTheQueuedMark) {
    session_->put_pool_end(ip("198.18.0.5")); // before the start: empty
    session_->put_autoassign(1);
    session_->start();
    hear("00602b000001", "0.0.0.0");
    ASSERT_TRUE(
        eventually([&] { return trace_.has("History suggests 0.0.0.0 for 00602b000001"); }));
    const auto device = session_->device_get(mac("00602b000001"));
    EXPECT_TRUE(eventually([&] { return !device->queued(); }));
    EXPECT_TRUE(session_->queued_assignments().empty());
    EXPECT_FALSE(trace_.has("Sending ARP request for 0.0.0.0"));

    session_->put_pool_end(ip("198.18.0.20"));
    hear("00602b000001", "0.0.0.0");
    EXPECT_TRUE(
        eventually([&] { return trace_.has("History suggests 198.18.0.10 for 00602b000001"); }));
}

// Somebody answers for a manually given address: the assignment is given
// up, and the device may be queued again afterwards.
TEST_F(DiscoveryArpThread, AbortedManualAssignmentDropsTheQueuedMark) {
    hear("00602b000001", "0.0.0.0");
    const auto device = session_->device_get(mac("00602b000001"));
    set_arp_retries(200);
    session_->start();
    ASSERT_TRUE(device->queue_manual_ip("198.18.0.50"));
    ASSERT_TRUE(eventually([&] { return trace_.has("Sending ARP request for 198.18.0.50"); }));
    keep_feeding(arp(2, mac("00602b0000ee"), ip("198.18.0.50"), ip("198.18.0.1")));
    ASSERT_TRUE(
        eventually([&] { return trace_.has("Aborting manual IP assignment 198.18.0.50"); }));
    stop_feeding();

    EXPECT_FALSE(device->queued());
    EXPECT_EQ(device->ip(), ip("0.0.0.0"));
    EXPECT_FALSE(trace_.has("Assigning 198.18.0.50"));
    EXPECT_EQ(session_->history().mac_of(ip("198.18.0.50")), mac("00602b0000ee"));
    EXPECT_TRUE(trace_.has("Recieved ARP response 198.18.0.50 from 00602b0000ee"));

    session_->put_autoassign(1);
    hear("00602b000001", "0.0.0.0");
    EXPECT_TRUE(
        eventually([&] { return trace_.has("History suggests 198.18.0.10 for 00602b000001"); }));
}

// The device answers for its new address while being told it.
TEST_F(DiscoveryArpThread, AnswerDuringAssignmentCompletesIt) {
    set_arp_retries(200);
    session_->put_autoassign(1);
    session_->start();
    hear("00602b000001", "0.0.0.0");
    ASSERT_TRUE(eventually([&] { return trace_.has("Assigning 198.18.0.10 to 00602b000001"); }));
    keep_feeding(arp(2, mac("00602b000001"), ip("198.18.0.10"), ip("198.18.0.1")));
    const auto device = session_->device_get(mac("00602b000001"));
    ASSERT_TRUE(eventually([&] { return session_->queued_assignments().empty(); }));
    stop_feeding();

    EXPECT_EQ(device->ip(), ip("198.18.0.10"));
    EXPECT_FALSE(device->queued());
    EXPECT_FALSE(device->failed());
    EXPECT_EQ(session_->history().ip_of(mac("00602b000001")), ip("198.18.0.10"));
    EXPECT_EQ(session_->history().state_of(ip("198.18.0.10")), qo::vg::ip_history_t::state_live);
    EXPECT_TRUE(trace_.has("Recieved ARP response 198.18.0.10 from 00602b000001"));
    EXPECT_FALSE(trace_.has("No response from"));
}

} // namespace
