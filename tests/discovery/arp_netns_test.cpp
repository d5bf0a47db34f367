// IP assignment on a real Ethernet link: simulated devices on the peer's
// end take addresses from RARP replies and answer ARP for them; the peer's
// own kernel answers ARP for the addresses of its interface.
#include "discovery/adapter.h"
#include "discovery/adapter_list.h"
#include "netns_fixture.h"
#include "platform/profile/profile.h"

#include <gtest/gtest.h>

namespace {

using namespace discovery_test;
using qo::vg::adapter_t;

class DiscoveryArpNetns : public netns_fixture_t {
protected:
    void SetUp() override {
        netns_fixture_t::SetUp();
        if (IsSkipped())
            return;
        // Fast steps; the retry counts stay at their defaults.
        platform::profile::ini_file_t ini(home_.history());
        ASSERT_TRUE(ini.write_string("Timeouts", "ARPSleepMS", "10"));
    }

    void TearDown() override {
        session_.reset();
        netns_fixture_t::TearDown();
    }

    void open_session() {
        const qo::vg::adapter_list_t cards;
        session_ = cards.open(link().hub_if);
        ASSERT_NE(session_, nullptr);
        ASSERT_TRUE(session_->opened());
    }

    std::shared_ptr<qo::vg::device_t> device(const char* m) const {
        std::shared_ptr<qo::vg::device_t> found;
        eventually([&] { return (found = session_->device_get(mac(m))) != nullptr; });
        return found;
    }

    // The device holds the address: the session has it, and so do the
    // device's own announcements, which would reset it otherwise.
    void expect_holds(const char* m, const char* address) {
        const auto d = device(m);
        ASSERT_NE(d, nullptr);
        ASSERT_TRUE(eventually([&] { return d->ip() == ip(address); })) << d->ip().to_string();
        ASSERT_TRUE(heard_again({d}, 3)) << "the device fell silent";
        EXPECT_EQ(d->ip(), ip(address));
        EXPECT_FALSE(d->queued());
        EXPECT_FALSE(d->failed());
        EXPECT_EQ(session_->history().ip_of(mac(m)), ip(address));
    }

    state_home_t home_;
    trace_capture_t trace_;
    std::shared_ptr<adapter_t> session_;
};

TEST_F(DiscoveryArpNetns, DeviceWithoutAddressGetsTheFirstFreePoolAddress) {
    start_sim({"00602b000001"});
    open_session();
    session_->put_pool_start(ip("198.18.0.10"));
    session_->put_autoassign(1);
    session_->start();
    ASSERT_TRUE(sim_->wait_for("adopted 00602b000001 198.18.0.10", 10s));
    expect_holds("00602b000001", "198.18.0.10");

    EXPECT_EQ(trace_.count("History suggests 198.18.0.10 for 00602b000001"), 1u);
    EXPECT_EQ(trace_.count("ARP retries expired on 198.18.0.10"), 1u);
    EXPECT_TRUE(trace_.has("Assigning 198.18.0.10 to 00602b000001"));
    EXPECT_TRUE(trace_.has("Recieved ARP response 198.18.0.10 from 00602b000001"));
    // Six probes, then the one that follows the RARP reply.
    EXPECT_GE(trace_.count("Sending ARP request for 198.18.0.10"), 7u);
    EXPECT_FALSE(trace_.has("No response from"));
    EXPECT_TRUE(session_->queued_assignments().empty());
}

// The pool starts at .2, the peer interface's address; .3 goes on it too.
// Its kernel answers the probes for both: they are skipped and excluded,
// though the history keeps only one address per MAC.
TEST_F(DiscoveryArpNetns, AddressesInUseAreSkippedAndNotSuggestedAgain) {
    topology_->peer(0).ip({"addr", "add", "198.18.0.3/24", "dev", link().peer_if});
    start_sim({"00602b000001"});
    open_session();
    ASSERT_EQ(session_->pool_start(), ip("198.18.0.2"));
    session_->put_autoassign(1);
    session_->start();
    ASSERT_TRUE(sim_->wait_for("adopted 00602b000001 198.18.0.4", 10s));
    expect_holds("00602b000001", "198.18.0.4");
    for (const char* in_use : {"198.18.0.2", "198.18.0.3"}) {
        EXPECT_TRUE(trace_.has(std::string("History suggests ") + in_use + " for 00602b000001"));
        EXPECT_TRUE(
            trace_.has(std::string("Recieved ARP response ") + in_use + " from " + sim_mac_));
        EXPECT_EQ(session_->history().state_of(ip(in_use)), qo::vg::ip_history_t::state_excluded);
    }
    EXPECT_EQ(session_->history().ip_of(mac(sim_mac_.c_str())), ip("198.18.0.3"));
    EXPECT_FALSE(trace_.has("Assigning 198.18.0.2"));
    EXPECT_FALSE(trace_.has("Assigning 198.18.0.3"));

    // The walk starts over at .2 for the next device: both are passed over
    // without a probe.
    session_->put_pool_start(ip("198.18.0.2"));
    sim("add 00602b000002");
    ASSERT_TRUE(sim_->wait_for("adopted 00602b000002 198.18.0.5", 10s));
    EXPECT_EQ(trace_.count("History suggests 198.18.0.2 for"), 1u);
    EXPECT_EQ(trace_.count("History suggests 198.18.0.3 for"), 1u);
}

TEST_F(DiscoveryArpNetns, ManualAssignmentMovesTheDevice) {
    start_sim({"00602b000001=198.18.0.20"});
    open_session();
    session_->start();
    const auto d = device("00602b000001");
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(eventually([&] { return d->ip() == ip("198.18.0.20"); }));
    ASSERT_TRUE(d->queue_manual_ip("198.18.0.30"));
    ASSERT_TRUE(sim_->wait_for("adopted 00602b000001 198.18.0.30", 10s));
    expect_holds("00602b000001", "198.18.0.30");
    EXPECT_TRUE(trace_.has("Queueing manual IP assignment 198.18.0.30 00602b000001"));
    EXPECT_FALSE(trace_.has("History suggests"));
    // The old address is free again.
    EXPECT_EQ(session_->history().mac_of(ip("198.18.0.20")), std::nullopt);
}

// The peer's kernel has the address: the assignment is given up without a
// RARP reply, and the device can still be assigned afterwards.
TEST_F(DiscoveryArpNetns, ManualAssignmentToAnAddressInUseIsAborted) {
    start_sim({"00602b000001"});
    open_session();
    session_->put_pool_start(ip("198.18.0.10"));
    session_->start();
    const auto d = device("00602b000001");
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->queue_manual_ip(link().peer_address));
    ASSERT_TRUE(eventually(
        [&] { return trace_.has("Aborting manual IP assignment " + link().peer_address); }));
    EXPECT_FALSE(trace_.has("Assigning " + link().peer_address));
    EXPECT_FALSE(d->queued());
    EXPECT_EQ(d->ip(), ip("0.0.0.0"));

    session_->put_autoassign(1);
    ASSERT_TRUE(sim_->wait_for("adopted 00602b000001 198.18.0.10", 10s));
    expect_holds("00602b000001", "198.18.0.10");
}

// A device that ignores RARP replies: probed 6 times, then told 6 times,
// each followed by 6 requests; then marked failed and left alone, until an
// operator assigns it by hand.
TEST_F(DiscoveryArpNetns, DeviceThatNeverTakesItsAddressFailsAndCanBeAssignedLater) {
    start_sim({"00602b000001"});
    sim("deaf 00602b000001");
    open_session();
    session_->put_pool_start(ip("198.18.0.10"));
    session_->put_autoassign(1);
    session_->start();
    ASSERT_TRUE(eventually([&] { return trace_.has("No response from 00602b000001"); }, 20s));
    const auto d = device("00602b000001");
    EXPECT_TRUE(d->failed());
    EXPECT_FALSE(d->queued());
    EXPECT_TRUE(session_->queued_assignments().empty());
    EXPECT_EQ(trace_.count("Assigning 198.18.0.10 to 00602b000001"), 6u);
    EXPECT_EQ(trace_.count("Sending ARP request for 198.18.0.10"), 6u + 6u * 6u);

    // Still announcing 0.0.0.0, but failed: not queued again.
    ASSERT_TRUE(heard_again({d}, 3));
    EXPECT_EQ(trace_.count("Queueing auto IP assignment 00602b000001"), 1u);
    EXPECT_TRUE(session_->queued_assignments().empty());

    sim("hearing 00602b000001");
    ASSERT_TRUE(d->queue_manual_ip("198.18.0.10"));
    ASSERT_TRUE(sim_->wait_for("adopted 00602b000001 198.18.0.10", 10s));
    expect_holds("00602b000001", "198.18.0.10");
}

TEST_F(DiscoveryArpNetns, HistoryFileHoldsEveryAssignment) {
    start_sim({"00602b000001", "00602b000002", "00602b000003=198.18.0.20"});
    open_session();
    session_->put_pool_start(ip("198.18.0.10"));
    session_->put_autoassign(1);
    session_->start();
    ASSERT_TRUE(device("00602b000003")->queue_manual_ip("198.18.0.30"));
    ASSERT_TRUE(eventually(
        [&] {
            return session_->history().ip_of(mac("00602b000001")) &&
                   session_->history().ip_of(mac("00602b000002")) &&
                   session_->history().ip_of(mac("00602b000003")) == ip("198.18.0.30") &&
                   session_->queued_assignments().empty();
        },
        10s));
    session_->close();

    // Which device came first decides which got .10.
    const std::vector<std::string> section =
        platform::profile::ini_file_t(home_.history()).read_section(link().hub_if);
    ASSERT_EQ(section.size(), 3u) << testing::PrintToString(section);
    EXPECT_TRUE(section[0] == "00602b000001=198.18.0.10" ||
                section[0] == "00602b000001=198.18.0.11")
        << section[0];
    EXPECT_TRUE(section[1] == "00602b000002=198.18.0.10" ||
                section[1] == "00602b000002=198.18.0.11")
        << section[1];
    EXPECT_NE(section[0].substr(13), section[1].substr(13));
    EXPECT_EQ(section[2], "00602b000003=198.18.0.30");
    // The pacing lines are untouched by the save.
    EXPECT_EQ(platform::profile::ini_file_t(home_.history()).read_int("Timeouts", "ARPSleepMS", 0),
              10);
}

} // namespace
