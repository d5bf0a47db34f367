// The namespace harness itself: what it makes goes away with its objects,
// also when a test stops half-way, and leftovers of dead processes are
// cleared.
#include "netns.h"

#include "tests/support/peers_required.h"
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace {

bool exists(const std::string& ns) {
    return std::filesystem::exists("/run/netns/" + ns);
}

class DiscoveryHarness : public testing::Test {
protected:
    void SetUp() override {
        OSTREL_REQUIRE_PEER(netns::unavailable_reason().empty(),
                            "a network namespace: " << netns::unavailable_reason());
    }
};

TEST_F(DiscoveryHarness, NamespacesAndProcessesGoWithTheirObjects) {
    std::string hub;
    std::string peer;
    pid_t child = -1;
    try {
        netns::topology_t topology("harn", 1);
        hub = topology.hub().name();
        peer = topology.peer(0).name();
        EXPECT_TRUE(exists(hub));
        EXPECT_TRUE(exists(peer));
        EXPECT_EQ(hub.rfind("ostrel-" + std::to_string(::getpid()) + "-", 0), 0u);
        // The link works: the peer answers ping from the hub.
        EXPECT_EQ(netns::run(topology.hub().exec_argv(
                      {"ping", "-c", "1", "-W", "2", topology.link(0).peer_address})),
                  0);
        netns::process_t sleeper(topology.peer(0), {"sleep", "60"});
        child = sleeper.pid();
        throw std::runtime_error("a test that stops half-way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(exists(hub));
    EXPECT_FALSE(exists(peer));
    ASSERT_GT(child, 0);
    EXPECT_NE(::kill(child, 0), 0) << "the program in the namespace still runs";
}

TEST_F(DiscoveryHarness, StaleNamespacesOfEndedProcessesAreRemoved) {
    // A process id that has just ended.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string stale = "ostrel-" + std::to_string(dead) + "-left-0";
    const std::string live = "ostrel-1-live-0"; // process 1 always runs
    ASSERT_EQ(netns::run({"ip", "netns", "add", stale}), 0);
    ASSERT_EQ(netns::run({"ip", "netns", "add", live}), 0);
    netns::remove_stale();
    EXPECT_FALSE(exists(stale));
    EXPECT_TRUE(exists(live));
    netns::run({"ip", "netns", "del", live});
    netns::run({"ip", "netns", "del", stale});
}

} // namespace
