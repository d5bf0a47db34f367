// The discovery server's automation classes in-process: objects without a
// session or device, the text vector, the card-title map, the command line
// and the idle monitor.
#include "discovery/server/com_objects.h"
#include "discovery/server/server_process.h"
#include "platform/automation/driver.h"
#include "platform/automation/module.h"
#include "platform/sync/event.h"
#include "support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace {

namespace pa = platform::automation;
using mellick::command_t;
using namespace std::chrono_literals;

pa::dispatch_driver_t wrap(pa::IDispatch* p) {
    return pa::dispatch_driver_t(pa::com_ptr_t<pa::IDispatch>(p));
}

TEST(MellickCommandLine, FirstWordAfterDashOrSlashDecides) {
    struct row {
        const char* catches;
        std::vector<std::string> args;
        command_t expected;
    } rows[] = {
        {"dash not recognised", {"-RegServer"}, command_t::register_server},
        {"slash not recognised", {"/RegServer"}, command_t::register_server},
        {"letter case matters", {"-rEGsERVER"}, command_t::register_server},
        {"unregister taken for register", {"/unregserver"}, command_t::unregister_server},
        {"mixed-case unregister", {"-UnRegServer"}, command_t::unregister_server},
        {"bare word registers", {"RegServer"}, command_t::serve},
        {"no arguments", {}, command_t::serve},
        {"unknown switch", {"-Embedding"}, command_t::serve},
        {"a later switch overrides the first", {"-Embedding", "-RegServer"}, command_t::serve},
        {"word before the switch", {"foo", "/RegServer"}, command_t::register_server},
        {"switches in one argument", {"x -UnregServer"}, command_t::unregister_server},
        {"prefix of the word", {"-Reg"}, command_t::serve},
        {"longer word", {"-RegServerX"}, command_t::serve},
        {"help", {"--help"}, command_t::help},
        {"help, short", {"-h"}, command_t::help},
        {"help, slash", {"/?"}, command_t::help},
    };
    for (const auto& r : rows)
        EXPECT_EQ(mellick::parse_command_line(r.args), r.expected) << r.catches;
}

TEST(MellickObjects, MembersOfObjectsWithoutSessionOrDeviceSucceedWithoutValues) {
    const auto adapter = pa::make_object<mellick::Ccom_adapter>();
    const auto a = wrap(adapter.get());
    for (pa::DISPID id : {1, 2, 3, 4, 5, 6, 7, 10}) {
        SCOPED_TRACE(id);
        const auto v = a.get(id);
        EXPECT_TRUE((v.vt == pa::VT_BSTR && !v.bstrVal) || (v.vt == pa::VT_I4 && v.lVal == 0));
    }
    EXPECT_NO_THROW(a.put(1, pa::variant_t(1)));
    EXPECT_NO_THROW(a.put(4, pa::variant_t("not an address")));
    EXPECT_NO_THROW(a.call(11));
    for (pa::DISPID id : {8, 12}) {
        const auto v = id == 8 ? a.call(id) : a.call(id, {pa::variant_t("0011223344ff")});
        EXPECT_EQ(v.vt == pa::VT_DISPATCH ? v.pdispVal : nullptr, nullptr) << id;
    }

    const auto device = pa::make_object<mellick::Ccom_device>();
    const auto d = wrap(device.get());
    EXPECT_EQ(pa::dispatch_driver_t::to_int(d.get(4)), 0);
    EXPECT_EQ(d.get(1).bstrVal, nullptr);
    EXPECT_EQ(d.get(2).bstrVal, nullptr);
    EXPECT_EQ(d.get(3).lVal, 0);
    EXPECT_NO_THROW(d.put(1, pa::variant_t("10.0.0.9")));
}

TEST(MellickObjects, TextVectorAnswersByMemberAndByElementName) {
    const auto vec =
        pa::make_object<mellick::Ccom_bstr_vector>(std::vector<std::string>{"eth0", "veth1"});
    const auto v = wrap(vec.get());
    EXPECT_EQ(pa::dispatch_driver_t::to_int(v.get(1)), 2);
    EXPECT_EQ(pa::dispatch_driver_t::to_string(v.call(2, {pa::variant_t(1)})), "veth1");
    EXPECT_EQ(pa::dispatch_driver_t::to_string(v.get(v.id_of("0"))), "eth0");
    struct row {
        const char* catches;
        pa::DISPID id;
        std::uint16_t flags;
        std::vector<pa::variant_t> args;
        pa::HRESULT hr;
        std::string source, description;
        std::uint16_t code;
    } rows[] = {
        {"negative index served",
         2,
         pa::DISPATCH_METHOD,
         {pa::variant_t(-1)},
         pa::DISP_E_EXCEPTION,
         "Mellick.com_bstr_vector.1",
         "Illegal index -1 for vector with 2 element(s).",
         0},
        {"index at the end served",
         2,
         pa::DISPATCH_METHOD,
         {pa::variant_t(2)},
         pa::DISP_E_EXCEPTION,
         "Mellick.com_bstr_vector.1",
         "Illegal index 2 for vector with 2 element(s).",
         0},
        {"element beyond the end served",
         256 + 2,
         pa::DISPATCH_PROPERTYGET,
         {},
         pa::DISP_E_EXCEPTION,
         "Mellick BSTR vector",
         "Illegal index 2 for vector with 2 element(s).",
         1001},
        {"element called as a method",
         256,
         pa::DISPATCH_METHOD,
         {},
         pa::DISP_E_TYPEMISMATCH,
         "",
         "",
         0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.catches);
        try {
            v.invoke(r.id, r.flags, r.args);
            ADD_FAILURE() << "no failure";
        } catch (const pa::automation_error& e) {
            EXPECT_EQ(e.hr(), r.hr);
            if (r.hr == pa::DISP_E_EXCEPTION) {
                EXPECT_EQ(e.source(), r.source);
                EXPECT_EQ(e.description(), r.description);
                EXPECT_EQ(e.code(), r.code);
            }
        }
    }
}

TEST(MellickObjects, UnknownTitleGivesAnAdapterWithoutSessionAndTheMapHoldsNoReference) {
    discovery_test::state_home_t home;
    auto& manager = mellick::Cmanager::instance();
    const long before = pa::this_module().count();
    {
        const auto m = wrap(&manager);
        EXPECT_EQ(pa::this_module().count(), before + 1)
            << "a client's manager reference is a lock";
        auto first = pa::dispatch_driver_t::to_object(m.call(3, {pa::variant_t("no-such-card")}));
        auto second = pa::dispatch_driver_t::to_object(m.call(3, {pa::variant_t("no-such-card")}));
        EXPECT_EQ(first.get(), second.get());
        EXPECT_EQ(manager.adapter_count(), 1u);
        EXPECT_EQ(first.get(2).bstrVal, nullptr);
        first.reset();
        EXPECT_EQ(manager.adapter_count(), 1u);
        second.reset();
        EXPECT_EQ(manager.adapter_count(), 0u);
        // A new request after the last release makes a new object.
        auto again = pa::dispatch_driver_t::to_object(m.call(3, {pa::variant_t("no-such-card")}));
        EXPECT_EQ(manager.adapter_count(), 1u);
        const auto next = again.call(9, {pa::variant_t(static_cast<pa::IDispatch*>(nullptr))});
        EXPECT_FALSE(next.vt == pa::VT_DISPATCH && next.pdispVal);
    }
    EXPECT_EQ(pa::this_module().count(), before);
}

// The idle monitor's waits, with its quiet periods run out by the test
// rather than by the clock: each wait is recorded with its limit, and a
// limited one ends at activity or when the test lets the period pass.
class manual_quiet_t {
public:
    mellick::idle_monitor_t::wait_t waiter() {
        return [this](platform::sync::event_t& activity, std::uint32_t ms) {
            {
                std::lock_guard lock(mutex_);
                waits_.push_back(ms);
            }
            if (ms == platform::sync::infinite)
                return activity.wait();
            return platform::sync::wait_any({&activity, &run_out_}, platform::sync::infinite) == 0;
        };
    }
    // The limits of the waits the monitor has begun, once there are `count`.
    std::vector<std::uint32_t> waits(std::size_t count) const {
        discovery_test::eventually([&] {
            std::lock_guard lock(mutex_);
            return waits_.size() >= count;
        });
        std::lock_guard lock(mutex_);
        return waits_;
    }
    void run_out() {
        ++run_outs_;
        run_out_.set();
    }
    int run_outs() const { return run_outs_.load(); }

private:
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> waits_;
    platform::sync::event_t run_out_{platform::sync::event_t::reset::automatic};
    std::atomic<int> run_outs_{0};
};

constexpr std::uint32_t no_limit = platform::sync::infinite;

TEST(MellickIdleMonitor, QuitsOnlyAfterAQuietPeriodWithNothingLocked) {
    std::atomic<long> count{1};
    std::atomic<int> quits{0};
    std::atomic<int> quit_after{-1};
    manual_quiet_t quiet;
    {
        mellick::idle_monitor_t monitor([&] { return count.load(); },
                                        [&] {
                                            quit_after = quiet.run_outs();
                                            ++quits;
                                        },
                                        200, quiet.waiter());
        // Waiting without limit for the first fall: no quiet period runs.
        EXPECT_EQ(quiet.waits(1), std::vector<std::uint32_t>{no_limit});
        EXPECT_EQ(quits.load(), 0) << "quit before the count ever fell to 0";
        count = 0;
        monitor.count_fell_to_zero();
        EXPECT_EQ(quiet.waits(2), (std::vector<std::uint32_t>{no_limit, 200}));
        // Activity inside the quiet period starts a whole one again.
        count = 1;
        count = 0;
        monitor.count_fell_to_zero();
        EXPECT_EQ(quiet.waits(3), (std::vector<std::uint32_t>{no_limit, 200, 200}));
        EXPECT_EQ(quits.load(), 0) << "quit inside the quiet period";
        quiet.run_out();
        EXPECT_TRUE(discovery_test::eventually([&] { return quits.load() > 0; }, 2000ms));
    }
    EXPECT_EQ(quits.load(), 1);
    EXPECT_EQ(quit_after.load(), 1) << "the quit came before the restarted period ran out";

    // A lock taken without falling back to 0 keeps the process.
    count = 0;
    quits = 0;
    manual_quiet_t held;
    {
        mellick::idle_monitor_t monitor([&] { return count.load(); }, [&] { ++quits; }, 100,
                                        held.waiter());
        monitor.count_fell_to_zero();
        EXPECT_EQ(held.waits(2), (std::vector<std::uint32_t>{no_limit, 100}));
        count = 1;
        held.run_out();
        // Back to waiting without limit for the next fall, having decided.
        EXPECT_EQ(held.waits(3), (std::vector<std::uint32_t>{no_limit, 100, no_limit}));
    }
    EXPECT_EQ(quits.load(), 0);
}

} // namespace
