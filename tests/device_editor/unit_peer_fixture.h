#pragma once
// The simulated unit of snmpagent --unit at kUnitAddress and device
// communication's real parts over it (one-shot text commands and SNMP
// through libkestrin2.so, an online list, the event log in a folder of the
// test's own), with the run state's unit port on top, for the peer tests of
// the run state and the unit dialogs.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "comm/automation_wrappers.h"
#include "comm/online_devices.h"
#include "comm_unit_port.h"
#include "kestrin2_fixture.h"
#include "platform/automation/activation.h"
#include "tests/support/temp_dir.h"
#include "tools/snmpagent/peers.h"

namespace run_state_test {

inline constexpr const char* kUnitAddress = "127.0.0.46";

class CUnitPeerTest : public testing::Test {
protected:
    // The main frame's card and range as the port reports them.
    explicit CUnitPeerTest(CCommPort::Network network) : network_(std::move(network)) {}

    void SetUp() override {
        ASSERT_EQ(platform::automation::initialize(), platform::automation::S_OK);
        unit_ = std::make_unique<snmp_peers::scripted_agent_t>(kUnitAddress, "vuzuvuz",
                                                               std::vector<std::string>{"--unit"});
        unit_->command("unit latency 2");
        comm::Icom_adapter none;
        ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller_, none, ""), 1);
        port_ = std::make_unique<CCommPort>(
            poller_, online_, network_, [this](const std::string& ip) { return TargetOf(ip); },
            folder_.path());
    }
    void TearDown() override {
        port_.reset();
        poller_ = {};
        unit_.reset();
        platform::automation::uninitialize();
    }

    // The SNMP target of a unit's address: the simulated unit listens on a
    // port of its own.
    virtual std::string TargetOf(const std::string& ip) {
        return ip == kUnitAddress ? unit_->target() : ip;
    }

    // Every line of the unit's journal.
    std::vector<std::string> UnitJournal() { return unit_->journal(folder_.path() / "journal.txt"); }

    const CCommPort::Network network_;
    k2test::registry_copy_t registry_;
    test_support::CTempDir folder_{"unit-peers"};
    std::unique_ptr<snmp_peers::scripted_agent_t> unit_;
    comm::Icom_manager poller_;
    comm::COnlineDeviceList online_;
    std::unique_ptr<CCommPort> port_;
};

} // namespace run_state_test
