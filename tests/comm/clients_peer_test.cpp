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
#include <fstream>
#include <vector>
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

TEST_F(CommClientsPeers, BothServersAreCreatedAndStarted)
{
    comm::Imanager discovery;
    comm::Icom_manager poller;
    comm::Icom_adapter adapter;
    ASSERT_EQ(comm::CreateNetComponents(&discovery, &poller, adapter, "no-such-card"), 1);
    EXPECT_FALSE(discovery.IsNull());
    EXPECT_FALSE(poller.IsNull());
    // An unknown card still gives an adapter; it hands out no valid device.
    EXPECT_FALSE(adapter.IsNull());
    EXPECT_EQ(adapter.device_get("0060a1000001").valid(), 0);
}

// The mailbox of the simulated unit through libkestrin2.so, its register an
// OCTET STRING or an INTEGER: the program passes text, the poller picks
// the type.
class CommMailboxPeers : public CommClientsPeers, public testing::WithParamInterface<bool> {};

TEST_P(CommMailboxPeers, AHandshakeThroughThePollerAndTheRetryRule)
{
    std::vector<std::string> options{"--unit"};
    if (GetParam())
        options.push_back("--integer-register");
    snmp_peers::scripted_agent_t unit("127.0.0.44", "vuzuvuz", options);
    // Units answer on 161 only; the agent's port reaches the program the way
    // every test points it at a simulated unit.
    ::setenv("OSTREL_UNIT_SNMP_PORT", std::to_string(unit.port()).c_str(), 1);
    unit.command("unit latency 5");

    comm::Icom_manager poller;
    comm::Icom_adapter none;
    ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller, none, ""), 1);
    const std::string ip = unit.address();
    std::string value;
    ASSERT_TRUE(comm::SnmpGetValue(poller, ip, comm::kSerialPriorityOid, value));
    EXPECT_EQ(value, comm::kMailboxFree);
    ASSERT_TRUE(comm::SnmpSetValue(poller, ip, comm::kSerialPriorityOid, comm::kMailboxClaimed));
    ASSERT_TRUE(comm::SnmpSetValue(poller, ip, comm::kSysContactOid, "*NyRUN#"));
    ASSERT_TRUE(comm::SnmpSetValue(poller, ip, comm::kSerialPriorityOid, comm::kMailboxPosted));
    const auto end = std::chrono::steady_clock::now() + 5s;
    do {
        ASSERT_TRUE(comm::SnmpGetValue(poller, ip, comm::kSerialPriorityOid, value));
    } while (value != comm::kMailboxReplied && std::chrono::steady_clock::now() < end);
    EXPECT_EQ(value, comm::kMailboxReplied);
    ASSERT_TRUE(comm::SnmpGetValue(poller, ip, comm::kSysContactOid, value));
    EXPECT_EQ(value, "*NyRUN#");
    EXPECT_TRUE(comm::IsCommandReply(value));
    ASSERT_TRUE(comm::SnmpSetValue(poller, ip, comm::kSerialPriorityOid, comm::kMailboxFree));

    // Two failed tries, the third goes through; three failed ones give up
    // with the value untouched.
    std::vector<std::chrono::milliseconds> sleeps;
    const comm::Sleeper record = [&sleeps](std::chrono::milliseconds d) { sleeps.push_back(d); };
    unit.command("unit fail write 247 2");
    EXPECT_TRUE(comm::SnmpSetValue(poller, ip, comm::kSerialPriorityOid, "247", record));
    EXPECT_EQ(sleeps.size(), 2u);
    unit.command("unit fail read 3");
    value = "kept";
    EXPECT_FALSE(comm::SnmpGetValue(poller, ip, comm::kSysContactOid, value, record));
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(sleeps.size(), 5u);

    EXPECT_EQ(unit.journal(),
              (std::vector<std::string>{"set SerialPriority 247", "set SysContact *NyRUN#",
                                        "set SerialPriority 165", "command *NyRUN# -> *NyRUN#",
                                        "set SerialPriority 0", "set SerialPriority 247"}));
}

INSTANTIATE_TEST_SUITE_P(Register, CommMailboxPeers, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Integer" : "OctetString"; });

} // namespace
