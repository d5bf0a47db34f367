#pragma once
// The simulated unit of snmpagent --unit, reached through libkestrin2.so,
// for the end-to-end tests of the console's sender and the views over it:
// the build's class registry and a program folder of the test's own, an
// initialised thread, the program's messages recorded, and the unit's
// journal read through a temporary folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "comm/automation_wrappers.h"
#include "kestrin2_fixture.h"
#include "model/recording_messages.h"
#include "platform/automation/activation.h"
#include "tests/support/peers_required.h"
#include "tools/snmpagent/peers.h"

namespace unit_test {

class CSimulatedUnitTest : public testing::Test {
protected:
    // The unit listens on a port of its own at `address`.
    explicit CSimulatedUnitTest(std::string address) : address_(std::move(address)) {}

    void SetUp() override {
        ASSERT_EQ(platform::automation::initialize(), platform::automation::S_OK);
        initialised_ = true;
        {
            comm::Icom_manager poller;
            comm::Icom_adapter none;
            OSTREL_REQUIRE_PEER(comm::CreateNetComponents(nullptr, &poller, none, "") == 1,
                                "the poller of libkestrin2.so in the build's class registry");
        }
        unit_ = std::make_unique<snmp_peers::scripted_agent_t>(address_, "vuzuvuz",
                                                               std::vector<std::string>{"--unit"});
        Script("unit latency 2");
    }
    void TearDown() override {
        unit_.reset();
        if (initialised_)
            platform::automation::uninitialize();
        initialised_ = false;
    }

    void Script(const std::string& line) { ASSERT_EQ(unit_->command(line), "ok") << line; }
    // Every line of the unit's journal.
    std::vector<std::string> Journal() { return unit_->journal(); }

    k2test::registry_copy_t registry_;
    model::CRecordingMessages messages_;
    std::unique_ptr<snmp_peers::scripted_agent_t> unit_;

private:
    std::string address_;
    bool initialised_ = false;
};

} // namespace unit_test
