// The automation clients against the real servers: mellick on a private
// session bus, libkestrin2.so in process, and the scripted SNMP agent as
// the unit.
#include "comm/automation_wrappers.h"
#include "comm/snmp_mailbox.h"

#include "mellick_fixture.h"
#include "tools/snmpagent/peers.h"

#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

namespace pa = platform::automation;
using namespace std::chrono_literals;

class CommClientsPeers : public testing::Test {
protected:
    void SetUp() override
    {
        env_ = std::make_unique<mellick_test::mellick_env_t>();
        ASSERT_TRUE(env_->registered());
        // The private bus names the registry mellick registered itself in.
        ASSERT_EQ(pa::register_library(KESTRIN2_PATH), pa::S_OK);
        pa::use_dbus_transport();
        ASSERT_EQ(pa::initialize(), pa::S_OK);
        initialised_ = true;
    }
    void TearDown() override
    {
        if (initialised_)
            pa::uninitialize();
        env_.reset();
    }

    std::unique_ptr<mellick_test::mellick_env_t> env_;
    bool initialised_ = false;
};

TEST_F(CommClientsPeers, BothServersAreCreatedAndStartedAndTheMailboxIsReachedThroughThePoller)
{
    snmp_peers::scripted_agent_t unit;
    // Units answer on 161 only; the agent's port reaches the program the way
    // every test points it at a simulated unit.
    ::setenv("OSTREL_UNIT_SNMP_PORT", std::to_string(unit.port()).c_str(), 1);
    unit.var(comm::kSerialPriorityOid, "integer", "0");
    unit.var(comm::kSysContactOid, "octets", "");

    comm::Imanager discovery;
    comm::Icom_manager poller;
    comm::Icom_adapter adapter;
    ASSERT_EQ(comm::CreateNetComponents(&discovery, &poller, adapter, "no-such-card"), 1);
    EXPECT_FALSE(discovery.IsNull());
    EXPECT_FALSE(adapter.IsNull());
    // An unknown card still gives an adapter; its devices are not valid.
    EXPECT_EQ(adapter.device_get("0060a1000001").valid(), 0);

    // The register is an INTEGER here, the command an OCTET STRING: the
    // poller picks the type, the program passes text only.
    EXPECT_TRUE(comm::SnmpSetValue(poller, unit.address(), comm::kSerialPriorityOid, "165"));
    EXPECT_EQ(unit.show(comm::kSerialPriorityOid), "2 165");
    EXPECT_TRUE(comm::SnmpSetValue(poller, unit.address(), comm::kSysContactOid, "*NyGETAV0#"));
    std::string value;
    EXPECT_TRUE(comm::SnmpGetValue(poller, unit.address(), comm::kSerialPriorityOid, value));
    EXPECT_EQ(value, "165");
    EXPECT_TRUE(comm::SnmpGetValue(poller, unit.address(), comm::kSysContactOid, value));
    EXPECT_EQ(value, "*NyGETAV0#");

    // A register that always fails is asked three times, then given up.
    unit.var(comm::kSerialPriorityOid, "octets", "90");
    EXPECT_TRUE(comm::SnmpGetValue(poller, unit.address(), comm::kSerialPriorityOid, value));
    EXPECT_EQ(value, "90");
    unit.fault(comm::kSerialPriorityOid, "generr");
    const long before = unit.count(comm::kSerialPriorityOid);
    value = "kept";
    EXPECT_FALSE(comm::SnmpGetValue(poller, unit.address(), comm::kSerialPriorityOid, value));
    EXPECT_EQ(value, "kept");
    // Each try may carry the poller's own one retry.
    const long asked = unit.count(comm::kSerialPriorityOid) - before;
    EXPECT_GE(asked, 3);
    EXPECT_LE(asked, 6);
}

} // namespace
