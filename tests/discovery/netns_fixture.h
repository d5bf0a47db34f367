#pragma once
// A hub namespace holding the card under test, joined by a veth pair to a
// peer namespace where the device simulator runs. The test's own thread
// works inside the hub, so the card list and the session see its cards.
#include "tests/support/peers_required.h"
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "netns.h"
#include "support.h"

namespace discovery_test {

using namespace std::chrono_literals;

class netns_fixture_t : public testing::Test {
protected:
    void SetUp() override {
        OSTREL_REQUIRE_PEER(netns::unavailable_reason().empty(),
                            "a network namespace: " << netns::unavailable_reason());
        topology_ = std::make_unique<netns::topology_t>("disc", 1);
        enter_ = std::make_unique<netns::enter_t>(topology_->hub());
    }

    void TearDown() override {
        sim_.reset();
        enter_.reset();
        topology_.reset();
    }

    const netns::link_t& link() const { return topology_->link(0); }

    // The simulator on the peer's end, with these devices.
    void start_sim(const std::vector<std::string>& devices, int period_min = 100,
                   int period_max = 200) {
        std::vector<std::string> argv = {VGSIM_PATH,
                                         "--interface",
                                         link().peer_if,
                                         "--period-min",
                                         std::to_string(period_min),
                                         "--period-max",
                                         std::to_string(period_max)};
        for (const std::string& device : devices) {
            argv.push_back("--device");
            argv.push_back(device);
        }
        sim_ = std::make_unique<netns::process_t>(topology_->peer(0), argv);
        const std::optional<std::string> ready = sim_->wait_for("ready", 10s);
        ASSERT_TRUE(ready) << "the simulator did not start";
        sim_mac_ = ready->substr(ready->find(' ') + 1);
    }

    // A command to the simulator, done when it answers.
    void sim(const std::string& command) {
        ASSERT_TRUE(sim_->send_line(command));
        ASSERT_TRUE(sim_->wait_for("ok " + command, 10s)) << command;
    }

    std::unique_ptr<netns::topology_t> topology_;
    std::unique_ptr<netns::enter_t> enter_;
    std::unique_ptr<netns::process_t> sim_;
    // The peer interface's own MAC, as the simulator reported it.
    std::string sim_mac_;
};

} // namespace discovery_test
