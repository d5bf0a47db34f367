// The poller with its threads, over the scripted fake network.
#include "poller/snmp_manager.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "qo/exception.h"
#include "tests/poller/fake_snmp_backend.h"

namespace {

using namespace std::chrono_literals;
using kestrin2::snmp_manager_t;
using kestrin2::snmp_variable_t;

const std::string ip1 = "10.0.0.1";
const std::string ip2 = "10.0.0.2";

std::string error_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const qo::exception_t& e) {
        return e.what();
    }
    return "";
}

class PollerManager : public ::testing::Test {
protected:
    std::unique_ptr<snmp_manager_t> make(int platform = snmp_manager_t::platform_nt) {
        auto manager = std::make_unique<snmp_manager_t>(net->factory(), platform, resolve);
        manager->set_poll_period(100);
        return manager;
    }
    bool wait_until(const std::function<bool()>& condition) { return net->wait_until(condition); }

    std::shared_ptr<poller_test::fake_network_t> net =
        std::make_shared<poller_test::fake_network_t>();
    // The name service of the managers that make() makes: no name resolves
    // unless a test says so, and none is ever asked of the system's.
    kestrin2::snmp_host_resolver_t resolve = [](std::string_view) -> std::uint32_t {
        throw qo::exception_t("bad net address");
    };
};

TEST_F(PollerManager, SettingsHaveTheirDefaultsAndReachTheBackEndPerRequest) {
    snmp_manager_t manager(net->factory());
    EXPECT_EQ(manager.poll_period(), 5000);
    EXPECT_EQ(manager.timeout(), 3000);
    EXPECT_EQ(manager.retry_count(), 3);
    EXPECT_EQ(manager.num_threads(), 5);
    EXPECT_EQ(manager.user(), "vuzuvuz");
    EXPECT_EQ(manager.password(), "");
    EXPECT_EQ(net->backends_made(), 5);

    manager.get(ip1, "1.3.6.1.2.1.1.5.0");
    manager.set_user("public");
    manager.set_timeout(250);
    manager.set_retry_count(0);
    manager.set_password("secret");
    manager.get(ip1, "1.3.6.1.2.1.1.5.0");
    const auto log = net->log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(std::tie(log[0].community, log[0].timeout_ms, log[0].retry_count),
              std::make_tuple(std::string("vuzuvuz"), 3000, 3));
    EXPECT_EQ(std::tie(log[1].community, log[1].timeout_ms, log[1].retry_count),
              std::make_tuple(std::string("public"), 250, 0));
    EXPECT_EQ(manager.password(), "secret");
}

TEST_F(PollerManager, SettingLimits) {
    struct row_t {
        const char* fault;
        std::function<void(snmp_manager_t&)> put;
        const char* error;
        std::function<int(snmp_manager_t&)> get;
        int expected;
    };
    const auto poll_period = [](snmp_manager_t& m) { return m.poll_period(); };
    const auto retry_count = [](snmp_manager_t& m) { return m.retry_count(); };
    const auto num_threads = [](snmp_manager_t& m) { return m.num_threads(); };
    const char* const period_error = "Out of range of the poll_period";
    const char* const retry_error = "Out of range of the retry count";
    const char* const threads_error = "Out of the range of the thread number";
    const row_t rows[] = {
        {"poll_period_100_refused", [](auto& m) { m.set_poll_period(100); }, "", poll_period, 100},
        {"poll_period_99_accepted", [](auto& m) { m.set_poll_period(99); }, period_error,
         poll_period, 5000},
        {"retry_count_0_refused", [](auto& m) { m.set_retry_count(0); }, "", retry_count, 0},
        {"retry_count_negative_accepted", [](auto& m) { m.set_retry_count(-1); }, retry_error,
         retry_count, 3},
        {"num_threads_0_accepted", [](auto& m) { m.set_num_threads(0); }, threads_error,
         num_threads, 5},
        {"num_threads_31_accepted", [](auto& m) { m.set_num_threads(31); }, threads_error,
         num_threads, 5},
        {"num_threads_1_refused", [](auto& m) { m.set_num_threads(1); }, "", num_threads, 1},
        {"num_threads_30_refused", [](auto& m) { m.set_num_threads(30); }, "", num_threads, 30},
        {"timeout_checked", [](auto& m) { m.set_timeout(0); }, "",
         [](auto& m) { return m.timeout(); }, 0},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        snmp_manager_t manager(net->factory());
        EXPECT_EQ(error_of([&] { row.put(manager); }), row.error);
        EXPECT_EQ(row.get(manager), row.expected);
    }
}

TEST_F(PollerManager, OutsideTheNtFamilyOneWorkerServesAndItsCountIsFixed) {
    auto manager = make(1);
    EXPECT_EQ(manager->num_threads(), 1);
    manager->set_num_threads(10);
    manager->set_num_threads(99);
    EXPECT_EQ(manager->num_threads(), 1);
    EXPECT_EQ(net->backends_made(), 1);
    EXPECT_EQ(manager->get(ip1, "1.3.6.1.2.1.1.5.0").valid, 1);
}

TEST_F(PollerManager, InvalidAddressIsRefusedBeforeAnythingIsQueued) {
    auto manager = make();
    for (const char* ip : {"10.0.0.256", "10.0.0", "", "unit-7", "1.2.3.4.5", "10.0.0.1 "}) {
        SCOPED_TRACE(ip);
        EXPECT_EQ(error_of([&] { manager->get(ip, "1.3"); }), "Invalid IP address");
        EXPECT_EQ(error_of([&] { manager->get_next(ip, "1.3"); }), "Invalid IP address");
        EXPECT_EQ(error_of([&] { manager->set(ip, "1.3", "1"); }), "Invalid IP address");
        EXPECT_EQ(error_of([&] { manager->watch(ip, "1.3"); }), "Invalid IP address");
    }
    EXPECT_EQ(manager->watch_size(), 0);
    EXPECT_EQ(net->request_count(), 0u);
}

TEST_F(PollerManager, AHostNameIsLookedUpOnceWhileItsDeviceIsListed) {
    // The name's address as the name service gives it at the time.
    std::atomic<std::uint32_t> unit_7{htonl(0x0A000001)}; // ip1
    std::atomic<int> lookups{0};
    resolve = [&](std::string_view host) -> std::uint32_t {
        ++lookups;
        if (host != "unit-7")
            throw qo::exception_t("bad net address");
        return unit_7.load();
    };
    auto manager = make();
    net->set_value(ip1, "a", "1");
    net->set_value(ip1, "b", "2");
    net->set_value(ip2, "b", "3");

    manager->watch("unit-7", "a");
    manager->start();
    std::vector<snmp_variable_t> changes;
    ASSERT_TRUE(wait_until([&] {
        changes = manager->get_device_changes("unit-7");
        return !changes.empty();
    }));
    EXPECT_EQ(changes[0].ip, "unit-7");
    EXPECT_EQ(changes[0].value, "1");

    // The name moves; the listed device stays where it was looked up.
    unit_7 = htonl(0x0A000002); // ip2
    const snmp_variable_t listed = manager->get("unit-7", "b");
    EXPECT_EQ(listed.ip, "unit-7");
    EXPECT_EQ(listed.value, "2");
    EXPECT_EQ(lookups, 1);
    EXPECT_TRUE(net->names_sent_to(ip2).empty());

    // Once the device has left the watch list, the name is looked up again.
    manager->end_device_watch("unit-7");
    ASSERT_TRUE(wait_until([&] { return manager->watch_size() == 0; }));
    EXPECT_EQ(manager->get("unit-7", "b").value, "3");
    EXPECT_EQ(lookups, 2);
    EXPECT_EQ(net->names_sent_to(ip2), std::vector<std::string>{"b"});

    const std::size_t sent = net->request_count();
    EXPECT_EQ(error_of([&] { manager->get("unit-8", "b"); }), "Invalid IP address");
    EXPECT_EQ(error_of([&] { manager->watch("unit-8", "b"); }), "Invalid IP address");
    EXPECT_EQ(manager->watch_size(), 0);
    EXPECT_EQ(net->request_count(), sent);
}

TEST_F(PollerManager, GrowingAgainReusesTheStoppedWorkers) {
    auto manager = make();
    manager->start();
    manager->set_num_threads(3);
    manager->set_num_threads(5);
    EXPECT_EQ(net->backends_made(), 5);
    manager->set_num_threads(7);
    EXPECT_EQ(net->backends_made(), 7);
    EXPECT_EQ(manager->get(ip1, "1.3.6.1.2.1.1.5.0").valid, 1);
}

// One-shot requests are served whether or not the scheduler runs.
class PollerManagerOneShot : public PollerManager,
                             public ::testing::WithParamInterface<const char*> {
protected:
    std::unique_ptr<snmp_manager_t> make_in_mode() {
        auto manager = make();
        const std::string mode = GetParam();
        if (mode != "never_started")
            manager->start();
        if (mode == "after_stop")
            manager->stop();
        return manager;
    }
};

INSTANTIATE_TEST_SUITE_P(Modes, PollerManagerOneShot,
                         ::testing::Values("never_started", "after_stop", "running"));

TEST_P(PollerManagerOneShot, GetSetAndGetNextAnswerTheCaller) {
    auto manager = make_in_mode();
    net->set_value(ip1, "1.3.6.1.2.1.1.5.0", "unit");
    snmp_variable_t got = manager->get(ip1, "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(got.ip, ip1);
    EXPECT_EQ(got.name, "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(got.value, "unit");
    EXPECT_EQ(got.valid, 1);
    EXPECT_EQ(got.type, poller_test::fake_network_t::octet_string);

    snmp_variable_t written = manager->set(ip1, "1.3.6.1.2.1.1.4.0", "*NyGET 1 2#");
    EXPECT_EQ(written.value, "*NyGET 1 2#");
    EXPECT_EQ(net->value(ip1, "1.3.6.1.2.1.1.4.0"), "*NyGET 1 2#");

    EXPECT_EQ(manager->get_next(ip1, "1.3.6.1.2.1.1").name, "1.3.6.1.2.1.1.1");

    net->fail(ip1, "1.3.6.1.9", "Unknown variable");
    snmp_variable_t failed = manager->get(ip1, "1.3.6.1.9");
    EXPECT_EQ(failed.valid, 0);
    EXPECT_EQ(failed.value, "Unknown variable");
    EXPECT_EQ(failed.type, 0);
    EXPECT_EQ(manager->watch_size(), 0) << "answered one-shot tasks are gone";
}

TEST_P(PollerManagerOneShot, TwoCallersOnOneDeviceBothGetTheirOwnAnswer) {
    for (const bool same_name : {true, false}) {
        SCOPED_TRACE(same_name ? "same variable" : "two variables");
        auto manager = make_in_mode();
        manager->watch(ip1, "1.3.6.1.2.1.1.3.0");
        net->hold(ip1);
        snmp_variable_t first;
        snmp_variable_t second;
        std::thread a([&] { first = manager->set(ip1, "1.3.6.1.2.1.1.4.0", "A"); });
        ASSERT_TRUE(wait_until([&] { return net->in_flight(ip1) == 1; }));
        const std::string other = same_name ? "1.3.6.1.2.1.1.4.0" : "1.3.6.1.2.1.1.6.0";
        std::thread b([&] { second = manager->set(ip1, other, "B"); });
        // Gives the second caller time to queue; the outcome must not
        // depend on whether it did.
        std::this_thread::sleep_for(20ms);
        net->release(ip1);
        a.join();
        b.join();
        EXPECT_EQ(first.value, "A");
        EXPECT_EQ(first.valid, 1);
        EXPECT_EQ(second.value, "B");
        EXPECT_EQ(second.name, other);
        EXPECT_EQ(second.valid, 1);
    }
    EXPECT_EQ(net->overlaps(), 0);
}

TEST_F(PollerManager, OneShotWaitsForTheWatchedRequestInFlightThenGoesFirst) {
    auto manager = make();
    manager->watch(ip1, "1.3.6.1.2.1.1.1.0");
    manager->watch(ip1, "1.3.6.1.2.1.1.2.0");
    net->hold(ip1);
    manager->start();
    ASSERT_TRUE(wait_until([&] { return net->in_flight(ip1) == 1; }));

    snmp_variable_t got;
    std::thread caller([&] { got = manager->get(ip1, "1.3.6.1.2.1.1.5.0"); });
    ASSERT_TRUE(wait_until([&] { return manager->watch_size() == 3; }));
    net->release(ip1);
    caller.join();

    const auto sent = net->names_sent_to(ip1);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[1], "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(got.valid, 1);
}

TEST_F(PollerManager, PollingReportsEachChangeOnce) {
    auto manager = make();
    net->set_value(ip1, "a", "1");
    net->set_value(ip1, "b", "2");
    // Started on an empty list: the first watch wakes the scheduler.
    manager->start();
    manager->watch(ip1, "a");
    manager->watch(ip1, "b");

    std::map<std::string, std::vector<std::string>> seen;
    const auto collect = [&] {
        for (const auto& variable : manager->get_changes())
            seen[variable.name].push_back(variable.value);
    };
    ASSERT_TRUE(wait_until([&] {
        collect();
        return seen.count("a") && seen.count("b");
    }));
    net->set_value(ip1, "a", "3");
    ASSERT_TRUE(wait_until([&] {
        collect();
        return seen["a"].size() >= 2;
    }));
    EXPECT_EQ(seen["a"], (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(seen["b"], std::vector<std::string>{"2"});
}

TEST_F(PollerManager, AtMostOneRequestPerDeviceUnderLoad) {
    auto manager = make();
    manager->set_num_threads(30);
    std::vector<std::string> devices;
    for (int d = 1; d <= 4; ++d) {
        devices.push_back("10.0.1." + std::to_string(d));
        net->set_latency(devices.back(), 1);
        for (int v = 0; v < 6; ++v)
            manager->watch(devices.back(), "1.3.6.1.4.1.2680." + std::to_string(v));
    }
    manager->start();

    std::vector<std::thread> callers;
    std::vector<int> answered(4, 0);
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            for (int k = 0; k < 25; ++k) {
                const std::string& ip = devices[static_cast<std::size_t>((t + k) % 4)];
                if (manager->get(ip, "1.3.6.1.2.1.1.5.0").valid == 1)
                    ++answered[static_cast<std::size_t>(t)];
            }
        });
    }
    for (auto& caller : callers)
        caller.join();
    EXPECT_EQ(answered, std::vector<int>(4, 25));
    EXPECT_EQ(net->overlaps(), 0);
    EXPECT_GT(net->max_in_flight(), 1) << "devices are served in parallel";
}

// Callers run requests to idle devices with the back ends of parked
// workers: the pool still bounds how many requests are in flight.
TEST_F(PollerManager, OneShotCallersOnManyDevicesStayWithinThePool) {
    auto manager = make();
    manager->set_num_threads(2);
    std::vector<std::string> devices;
    for (int d = 1; d <= 5; ++d) {
        devices.push_back("10.0.3." + std::to_string(d));
        net->hold(devices.back());
    }
    std::vector<snmp_variable_t> got(devices.size());
    std::vector<std::thread> callers;
    for (std::size_t d = 0; d < devices.size(); ++d)
        callers.emplace_back(
            [&, d] { got[d] = manager->get(devices[d], "1.3.6.1.2.1.1.5.0"); });
    ASSERT_TRUE(wait_until([&] { return net->in_flight() >= 2; }));
    for (const auto& ip : devices)
        net->release(ip);
    for (auto& caller : callers)
        caller.join();
    for (const auto& variable : got)
        EXPECT_EQ(variable.valid, 1) << variable.ip;
    EXPECT_EQ(net->max_in_flight(), 2);
    EXPECT_EQ(manager->watch_size(), 0);
}

TEST_F(PollerManager, StopEndsPromptlyWithWorkersBlockedInSlowRequests) {
    auto manager = make();
    for (int d = 1; d <= 5; ++d) {
        const std::string ip = "10.0.2." + std::to_string(d);
        net->hold(ip);
        manager->watch(ip, "1.3.6.1.2.1.1.3.0");
    }
    manager->start();
    // Four of the five workers: one is kept for one-shot requests.
    ASSERT_TRUE(wait_until([&] { return net->in_flight() == 4; }));

    const auto began = std::chrono::steady_clock::now();
    manager.reset();
    // Without abandoning, each worker would hold the stop for its full
    // 60-second wait.
    EXPECT_LT(std::chrono::steady_clock::now() - began, 30s);
    EXPECT_EQ(net->abandoned(), 4);
    EXPECT_EQ(net->backends_alive(), 0);
}

TEST_F(PollerManager, ShrinkingThePoolHandsAnAbandonedOneShotToAnotherWorker) {
    auto manager = make();
    manager->set_num_threads(1);
    manager->watch(ip1, "1.3.6.1.2.1.1.3.0");
    net->hold(ip1);
    manager->start();
    ASSERT_TRUE(wait_until([&] { return net->in_flight(ip1) == 1; }));

    // Worker 0 is blocked on ip1, so worker 1 takes the one-shot request.
    manager->set_num_threads(2);
    net->hold(ip2);
    snmp_variable_t got;
    std::thread caller([&] { got = manager->get(ip2, "1.3.6.1.2.1.1.5.0"); });
    ASSERT_TRUE(wait_until([&] { return net->in_flight(ip2) == 1; }));

    manager->set_num_threads(1);
    EXPECT_EQ(net->abandoned(), 1);
    net->release(ip2);
    net->release(ip1);
    caller.join();
    EXPECT_EQ(got.valid, 1);
    EXPECT_EQ(net->names_sent_to(ip2).size(), 2u);
}

TEST_F(PollerManager, DestroyingAfterAStopThatGaveUpLeavesTheWorkerWhatItUses) {
    net->hold(ip1);
    net->ignore_abandon(ip1);
    auto manager = make();
    manager->set_thread_stop_timeout(50);
    manager->watch(ip1, "1.3.6.1.2.1.1.3.0");
    manager->start();
    ASSERT_TRUE(wait_until([&] { return net->in_flight(ip1) == 1; }));

    manager.reset();
    // The stuck worker's thread still holds its back end and the poller's
    // state; the request it comes back from is stored into that state.
    EXPECT_EQ(net->backends_alive(), 1);
    net->release(ip1);
    EXPECT_TRUE(wait_until([&] { return net->backends_alive() == 0; }));
}

// A caller may watch for the answer of a request to a quick device, but a
// slow device must not keep it busy for the whole request.
TEST_F(PollerManager, CallerSleepsThroughRequestsToSlowDevices) {
    auto manager = make();
    net->set_value(ip1, "1.3.6.1.2.1.1.5.0", "unit");
    net->set_latency(ip1, 30);
    timespec cpu_before{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu_before);
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(manager->get(ip1, "1.3.6.1.2.1.1.5.0").valid, 1);
    const auto wall = std::chrono::steady_clock::now() - began;
    timespec cpu_after{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu_after);
    const auto cpu = std::chrono::seconds(cpu_after.tv_sec - cpu_before.tv_sec) +
                     std::chrono::nanoseconds(cpu_after.tv_nsec - cpu_before.tv_nsec);
    EXPECT_GE(wall, 150ms);
    EXPECT_LT(cpu, wall / 4) << "the caller spun through the requests";
}

} // namespace

namespace {

// Silent watched devices each hold a worker for a whole time-out; one
// worker of the pool stays free for gets and sets to healthy units.
TEST_F(PollerManager, OneWorkerIsKeptForOneShotsWhileWatchedDevicesHangTheRest) {
    auto manager = make();
    manager->set_num_threads(3);
    std::vector<std::string> silent;
    for (int i = 0; i < 8; ++i) {
        silent.push_back("10.0.1." + std::to_string(i + 1));
        net->hold(silent.back());
        manager->watch(silent.back(), "1.3.6.1.2.1.1.1.0");
    }
    net->set_value(ip1, "1.3.6.1.2.1.1.5.0", "unit");
    manager->start();
    ASSERT_TRUE(wait_until([&] { return net->in_flight() == 2; }));

    snmp_variable_t got;
    std::atomic<bool> answered{false};
    std::thread caller([&] {
        got = manager->get(ip1, "1.3.6.1.2.1.1.5.0");
        answered = true;
    });
    const bool in_time = wait_until([&] { return answered.load(); });
    int silent_in_flight = 0;
    for (const auto& ip : silent)
        silent_in_flight += net->in_flight(ip);
    for (const auto& ip : silent)
        net->release(ip);
    caller.join();
    EXPECT_TRUE(in_time) << "the get waited behind the silent devices";
    EXPECT_EQ(silent_in_flight, 2) << "polling took the kept worker";
    EXPECT_EQ(got.valid, 1);
    EXPECT_EQ(got.value, "unit");
}

// With a single worker there is nothing to keep back: it polls.
TEST_F(PollerManager, ASingleWorkerStillPolls) {
    auto manager = make();
    manager->set_num_threads(1);
    net->set_value(ip1, "1.3.6.1.2.1.1.1.0", "x");
    manager->watch(ip1, "1.3.6.1.2.1.1.1.0");
    manager->start();
    EXPECT_TRUE(wait_until([&] { return !net->names_sent_to(ip1).empty(); }));
}

} // namespace
