// The poller with its real back ends, against snmpd and the scripted agent.
#include "tests/support/peers_required.h"
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "poller/snmp_manager.h"
#include "poller/snmp_nt.h"
#include "tools/snmpagent/peers.h"

namespace {

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;
using kestrin2::snmp_manager_t;

const std::string mib_sys_descr = "1.3.6.1.2.1.1.1.0";
const std::string mib_sys_object_id = "1.3.6.1.2.1.1.2.0";
const std::string mib_sys_contact = "1.3.6.1.2.1.1.4.0";
const std::string serial_priority = "1.3.6.1.4.1.2680.1.1.10.1.5.0";

class PollerBackendManager : public testing::Test {
protected:
    void SetUp() override {
        OSTREL_REQUIRE_PEER(snmp_peers::snmpd_t::available(), "snmpd");
        snmpd_ = std::make_unique<snmp_peers::snmpd_t>("127.0.0.43");
        agent_ = std::make_unique<snmp_peers::scripted_agent_t>("127.0.0.44");
    }

    static std::unique_ptr<snmp_manager_t> make(int platform = snmp_manager_t::platform_nt) {
        auto manager = std::make_unique<snmp_manager_t>(platform);
        manager->set_timeout(1000);
        manager->set_retry_count(1);
        return manager;
    }

    std::unique_ptr<snmp_peers::snmpd_t> snmpd_;
    std::unique_ptr<snmp_peers::scripted_agent_t> agent_;
};

TEST_F(PollerBackendManager, NtFamilyServesThroughTheManagementApi) {
    auto manager = make();
    EXPECT_EQ(kestrin2::snmp_nt_t::living_count(), 5) << "five workers, each with its back end";
    manager->set_num_threads(8);
    EXPECT_EQ(kestrin2::snmp_nt_t::living_count(), 8);

    const auto descr = manager->get(snmpd_->target(), mib_sys_descr);
    EXPECT_EQ(descr.valid, 1);
    EXPECT_EQ(descr.value, snmp_peers::snmpd_t::sys_descr);
    EXPECT_EQ(descr.type, 4);

    const auto next = manager->get_next(snmpd_->target(), mib_sys_descr);
    EXPECT_EQ(next.valid, 1);
    EXPECT_EQ(next.name, mib_sys_object_id);

    const auto written = manager->set(snmpd_->target(), mib_sys_contact, "*NyFIRMW#");
    EXPECT_EQ(written.valid, 1);
    EXPECT_EQ(written.value, "*NyFIRMW#");
    EXPECT_EQ(manager->get(snmpd_->target(), mib_sys_contact).value, "*NyFIRMW#");

    const auto missing = manager->get(snmpd_->target(), "1.3.6.1.2.1.1.99.0");
    EXPECT_EQ(missing.valid, 0);
    EXPECT_EQ(missing.value, "Unknown variable");

    manager.reset();
    EXPECT_EQ(kestrin2::snmp_nt_t::living_count(), 0);
    EXPECT_FALSE(kestrin2::snmp_nt_t::libraries_loaded());
}

TEST_F(PollerBackendManager, GeneralErrorComesBackInvalid) {
    agent_->var(serial_priority, "octets", "0");
    agent_->fault(serial_priority, "generr");
    for (int platform : {snmp_manager_t::platform_nt, 1}) {
        SCOPED_TRACE(platform);
        auto manager = make(platform);
        const auto read = manager->get(agent_->target(), serial_priority);
        EXPECT_EQ(read.valid, 0);
        EXPECT_EQ(read.value, platform == 1 ? "SNMP Error: General error" : "General error");
        const auto written = manager->set(agent_->target(), serial_priority, "247");
        EXPECT_EQ(written.valid, 0);
    }
    EXPECT_EQ(agent_->show(serial_priority), "4 30") << "the failed set changed nothing";
}

TEST_F(PollerBackendManager, OtherPlatformsServeThroughTheSnmpClasses) {
    auto manager = make(1);
    EXPECT_EQ(kestrin2::snmp_nt_t::living_count(), 0);
    const auto descr = manager->get(snmpd_->target(), mib_sys_descr);
    EXPECT_EQ(descr.valid, 1);
    EXPECT_EQ(descr.value, snmp_peers::snmpd_t::sys_descr);
    const auto missing = manager->get(snmpd_->target(), "1.3.6.1.2.1.1.99.0");
    EXPECT_EQ(missing.value, "SNMP Error: Unknown variable");
}

TEST_F(PollerBackendManager, WatchedVariablesOfSeveralDevicesArePolled) {
    agent_->var(serial_priority, "octets", "165");
    auto manager = make();
    manager->set_poll_period(100);
    manager->watch(snmpd_->target(), mib_sys_descr);
    manager->watch(agent_->target(), serial_priority);
    manager->start();
    std::vector<kestrin2::snmp_variable_t> seen;
    const auto until = clock_type::now() + 10s;
    while (clock_type::now() < until) {
        for (const auto& v : manager->get_changes())
            seen.push_back(v);
        if (seen.size() >= 2)
            break;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_GE(seen.size(), 2u);
    for (const auto& v : seen) {
        EXPECT_EQ(v.valid, 1) << v.ip << " " << v.value;
        EXPECT_EQ(v.value, v.ip == agent_->target() ? "165" : snmp_peers::snmpd_t::sys_descr);
    }
    agent_->var(serial_priority, "octets", "90");
    bool changed = false;
    while (!changed && clock_type::now() < until + 10s) {
        for (const auto& v : manager->get_device_changes(agent_->target()))
            changed = changed || v.value == "90";
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(changed);
}

TEST_F(PollerBackendManager, StoppingAbandonsRequestsInFlight) {
    agent_->var(serial_priority, "octets", "0");
    agent_->fault(serial_priority, "silent");
    for (int platform : {snmp_manager_t::platform_nt, 1}) {
        SCOPED_TRACE(platform);
        auto manager = make(platform);
        manager->set_timeout(20000);
        manager->set_retry_count(3);
        manager->set_poll_period(100);
        manager->watch(agent_->target(), serial_priority);
        manager->start();
        const long before = agent_->count(serial_priority);
        const auto until = clock_type::now() + 10s;
        while (agent_->count(serial_priority) == before && clock_type::now() < until)
            std::this_thread::sleep_for(10ms);
        ASSERT_GT(agent_->count(serial_priority), before) << "the request is in flight";
        const auto began = clock_type::now();
        manager.reset();
        EXPECT_LT(clock_type::now() - began, 3s);
    }
}

} // namespace
