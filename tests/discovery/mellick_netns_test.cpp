// The discovery server end to end: mellick started by a private bus inside
// the hub namespace, simulated devices on the veth card, two autocall
// processes and this test as its clients.
#include "mellick_fixture.h"
#include "netns_fixture.h"

#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/driver.h"
#include "platform/automation/object.h"

#include <gtest/gtest.h>

namespace {

using namespace discovery_test;
using namespace mellick_test;
namespace pa = platform::automation;

using driver = pa::dispatch_driver_t;

// Icom_adapter and Icom_device DISPIDs, as clients know them.
constexpr pa::DISPID adapter_autoassign = 1, adapter_ip = 2, adapter_ip_start = 4,
                     adapter_device_first = 8, adapter_device_next = 9, adapter_start = 11,
                     adapter_device_get = 12, adapter_device_remove = 13;
constexpr pa::DISPID device_ip = 1, device_mac = 2, device_valid = 4;

class Cforeign : public pa::dispatch_object_t<Cforeign> {
public:
    static const pa::dispatch_class_t& dispatch_class() {
        static const pa::dispatch_class_t cls{"Cforeign", "Test.foreign", {}};
        return cls;
    }
};

class MellickNetns : public netns_fixture_t {
protected:
    void SetUp() override {
        netns_fixture_t::SetUp();
        if (IsSkipped())
            return;
        // Started from this thread, the bus and every server it starts live
        // in the hub with the card.
        env_ = std::make_unique<mellick_env_t>();
        ASSERT_TRUE(env_->registered());
        pa::use_dbus_transport();
        ASSERT_EQ(pa::initialize(), pa::S_OK);
        initialised_ = true;
    }
    void TearDown() override {
        if (initialised_)
            pa::uninitialize();
        env_.reset();
        netns_fixture_t::TearDown();
    }

    static std::string text(const pa::variant_t& v) { return driver::to_string(v); }

    // Every device from device_first through device_next, as MACs.
    static std::vector<std::string> walk(const driver& adapter) {
        std::vector<std::string> macs;
        auto d = driver::to_object(adapter.call(adapter_device_first));
        while (driver::to_int(d.get(device_valid)) == 1 && macs.size() < 100) {
            macs.push_back(text(d.get(device_mac)));
            d = driver::to_object(adapter.call(adapter_device_next, {pa::variant_t(d.get())}));
        }
        return macs;
    }

    template <class F> static bool eventually(F&& f, std::chrono::milliseconds timeout = 10s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!f()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    std::unique_ptr<mellick_env_t> env_;
    bool initialised_ = false;
};

TEST_F(MellickNetns, TwoClientsShareTheServerAndItsCardSession) {
    start_sim({"00602b000003=198.18.0.50", "00602b000001", "00602b000002=198.18.0.51"});
    const std::string card = link().hub_if;

    // The first client opens the card, starts it and moves the pool.
    auto first = env_->autocall("m = create Mellick.manager.1\nv = m.adapters\nprint v.length\n"
                                "t = v.at 0\nprint t\na = m.adapter_get t\na.start\n"
                                "a.ip_start = \"198.18.0.100\"\nprint \"ready\"\nsleep 60000\n");
    ASSERT_TRUE(first->wait_for_output("ready", 20s)) << first->output() << first->errors();
    EXPECT_EQ(first->output(), "1\n" + card + "\nready\n")
        << "the veth card is the hub's only card";

    // The second sees the same session: the pool the first one set.
    const auto second = env_->autocall_run("m = create Mellick.manager.1\na = m.adapter_get \"" +
                                           card + "\"\nprint a.ip a.ip_subnet a.ip_start\n");
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "198.18.0.1 255.255.255.0 198.18.0.100\n");
    EXPECT_EQ(mellick_processes(env_->dir()).size(), 1u);

    // This test is a third client.
    {
        auto manager = driver::create("Mellick.manager.1");
        auto adapter = driver::to_object(manager.call(3, {pa::variant_t(card)}));
        EXPECT_EQ(text(adapter.get(adapter_ip)), "198.18.0.1");
        adapter.call(adapter_start); // a second start changes nothing

        const std::vector<std::string> all = {"00602b000001", "00602b000002", "00602b000003"};
        std::vector<std::string> seen;
        EXPECT_TRUE(eventually([&] { return (seen = walk(adapter)) == all; }))
            << ::testing::PrintToString(seen);

        // Lookups that find nothing still give an object, one with valid 0.
        for (const char* mac :
             {"00602b0000ff", "xyz", "00602b00000", "00602b0000001", "", "00:60:2b:00:00:01"}) {
            SCOPED_TRACE(mac);
            const auto d =
                driver::to_object(adapter.call(adapter_device_get, {pa::variant_t(mac)}));
            ASSERT_TRUE(d);
            EXPECT_EQ(driver::to_int(d.get(device_valid)), 0);
        }
        // device_next of no object, or of one that is not a device of this
        // server, gives no result.
        const auto foreign = pa::make_object<Cforeign>();
        for (pa::IDispatch* current : {static_cast<pa::IDispatch*>(nullptr),
                                       static_cast<pa::IDispatch*>(foreign.get()), adapter.get()}) {
            const auto next = adapter.call(adapter_device_next, {pa::variant_t(current)});
            EXPECT_FALSE(next.vt == pa::VT_DISPATCH && next.pdispVal);
        }

        // Automatic assignment gives the device without an address the pool's first.
        adapter.put(adapter_autoassign, pa::variant_t(1));
        EXPECT_EQ(driver::to_int(adapter.get(adapter_autoassign)), 1);
        ASSERT_TRUE(sim_->wait_for("adopted 00602b000001 198.18.0.100", 15s));
        const auto first_device =
            driver::to_object(adapter.call(adapter_device_get, {pa::variant_t("00602b000001")}));
        EXPECT_TRUE(
            eventually([&] { return text(first_device.get(device_ip)) == "198.18.0.100"; }));

        // An ip put moves a device.
        const auto moved =
            driver::to_object(adapter.call(adapter_device_get, {pa::variant_t("00602b000002")}));
        EXPECT_EQ(text(moved.get(device_ip)), "198.18.0.51");
        moved.put(device_ip, pa::variant_t("198.18.0.77"));
        ASSERT_TRUE(sim_->wait_for("adopted 00602b000002 198.18.0.77", 15s));
        EXPECT_TRUE(eventually([&] { return text(moved.get(device_ip)) == "198.18.0.77"; }));
        try {
            moved.put(device_ip, pa::variant_t("198.18.0.300"));
            ADD_FAILURE() << "an address out of range was queued";
        } catch (const pa::automation_error& e) {
            EXPECT_EQ(e.hr(), pa::DISP_E_EXCEPTION);
            EXPECT_EQ(e.source(), "Mellick.com_device.1");
        }

        // Removal: the table forgets the device, an object obtained before keeps answering.
        sim("silence 00602b000003");
        const auto removed =
            driver::to_object(adapter.call(adapter_device_get, {pa::variant_t("00602b000003")}));
        EXPECT_EQ(
            driver::to_int(adapter.call(adapter_device_remove, {pa::variant_t("00602b000003")})),
            1);
        EXPECT_EQ(text(removed.get(device_mac)), "00602b000003");
        EXPECT_EQ(driver::to_int(removed.get(device_valid)), 1);
        EXPECT_EQ(driver::to_int(driver::to_object(adapter.call(adapter_device_get,
                                                                {pa::variant_t("00602b000003")}))
                                     .get(device_valid)),
                  0);
        for (const char* mac : {"00602b000003", "00602b0000ff", "nonsense"})
            EXPECT_EQ(driver::to_int(adapter.call(adapter_device_remove, {pa::variant_t(mac)})), 0)
                << mac;
        EXPECT_EQ(walk(adapter), (std::vector<std::string>{"00602b000001", "00602b000002"}));
        // The removed device's next is still found by its MAC.
        const auto after_removed =
            driver::to_object(adapter.call(adapter_device_next, {pa::variant_t(removed.get())}));
        EXPECT_EQ(driver::to_int(after_removed.get(device_valid)), 0);
        const auto after_first = driver::to_object(
            adapter.call(adapter_device_next, {pa::variant_t(first_device.get())}));
        EXPECT_EQ(text(after_first.get(device_mac)), "00602b000002");

        EXPECT_EQ(text(adapter.get(adapter_ip_start)), "198.18.0.100");
    }

    // The server goes about 5 s after its last client: this test has let go
    // of everything, and the first client is killed.
    EXPECT_EQ(mellick_processes(env_->dir()).size(), 1u);
    first->kill_hard();
    const auto waited = wait_until_mellick_ends(env_->dir(), 15s);
    EXPECT_GE(waited, 4500) << "ended too soon, or never";
    EXPECT_LE(waited, 9000);
}

} // namespace
