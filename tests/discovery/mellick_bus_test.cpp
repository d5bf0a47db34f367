// The mellick program on a private bus, its clients autocall processes: the
// command line, one shared process, and its end when idle.
#include "mellick_fixture.h"

#include "platform/automation/dbus_transport.h"
#include "platform/automation/registry.h"

#include <gtest/gtest.h>

namespace {

using namespace mellick_test;
using namespace std::chrono_literals;
namespace pa = platform::automation;

const char* const progids[] = {"Mellick.manager.1", "Mellick.com_adapter.1", "Mellick.com_device.1",
                               "Mellick.com_bstr_vector.1"};

std::filesystem::path service_file() {
    return pa::dbus_service_dir() /
           (pa::dbus_service_name(pa::make_guid("{40F143F6-D84A-4B29-803B-6C6C42261313}")) +
            ".service");
}

TEST(MellickBus, RegServerAndUnregServerInAnyLetterCase) {
    mellick_env_t env;
    ASSERT_TRUE(env.registered());
    const pa::class_registry_t reg(pa::class_registry_t::default_path());
    for (const char* progid : progids) {
        SCOPED_TRACE(progid);
        const auto clsid = reg.clsid_from_progid(progid);
        ASSERT_TRUE(clsid);
        const auto record = reg.find_class(*clsid);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->kind, pa::server_kind::local);
        EXPECT_EQ(record->path, std::filesystem::canonical(MELLICK_PATH).string());
        EXPECT_EQ(to_string(*record->appid), "{40F143F6-D84A-4B29-803B-6C6C42261313}");
        // The version-independent ProgID leads to the same class.
        const std::string vi(progid, std::string_view(progid).rfind('.'));
        EXPECT_EQ(reg.clsid_from_progid(vi), clsid);
    }
    EXPECT_EQ(to_string(*reg.clsid_from_progid("Mellick.manager")),
              "{DA118759-2053-4496-AB8C-53C74FBB979C}");
    EXPECT_TRUE(std::filesystem::exists(service_file()));

    EXPECT_EQ(spawned_t(env.dir(), {MELLICK_PATH, "/unREGserver"}, "").wait(), 0);
    for (const char* progid : progids)
        EXPECT_FALSE(reg.clsid_from_progid(progid)) << progid;
    EXPECT_FALSE(std::filesystem::exists(service_file()));

    EXPECT_EQ(spawned_t(env.dir(), {MELLICK_PATH, "-rEgSeRvEr"}, "").wait(), 0);
    EXPECT_TRUE(reg.clsid_from_progid("Mellick.com_device.1"));

    // Without its "-" or "/" the word starts the server, which registers nothing.
    EXPECT_EQ(spawned_t(env.dir(), {MELLICK_PATH, "/UnregServer"}, "").wait(), 0);
    {
        spawned_t server(env.dir(), {MELLICK_PATH, "RegServer"}, "");
        // The server must stay: a program that took the word for the
        // command would have registered and ended within this.
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(mellick_processes(env.dir()).size(), 1u) << "the server did not stay";
        EXPECT_FALSE(reg.clsid_from_progid("Mellick.manager.1"));
    }
}

TEST(MellickBus, ClientsShareOneProcessThatEndsAfterTheLastRelease) {
    mellick_env_t env;
    ASSERT_TRUE(env.registered());
    const std::string script = "m = create Mellick.manager.1\n"
                               "a = m.adapter_get \"no-such-card\"\n"
                               "print a.ip a.autoassign\n"
                               "d = a.device_first\n"
                               "print \"ready\"\n"
                               "sleep 1500\n";
    auto first = env.autocall(script);
    auto second = env.autocall(script);
    ASSERT_TRUE(first->wait_for_output("ready", 20s)) << first->output();
    ASSERT_TRUE(second->wait_for_output("ready", 20s)) << second->output();
    EXPECT_EQ(mellick_processes(env.dir()).size(), 1u);
    EXPECT_EQ(first->wait(), 0);
    EXPECT_EQ(second->wait(), 0);
    // An unknown card gives an adapter whose members succeed without values.
    EXPECT_EQ(first->output(), " 0\nready\n");

    const auto released = std::chrono::steady_clock::now();
    ASSERT_EQ(mellick_processes(env.dir()).size(), 1u);
    const auto waited = wait_until_mellick_ends(env.dir(), 15s);
    ASSERT_GE(waited, 0) << "the server never ended";
    const auto after = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - released);
    // 5 s of quiet, then a second to finish.
    EXPECT_GE(after.count(), 4500);
    EXPECT_LE(after.count(), 9000);
}

TEST(MellickBus, TheServerEndsAfterItsOnlyClientIsKilled) {
    mellick_env_t env;
    ASSERT_TRUE(env.registered());
    auto client =
        env.autocall("m = create Mellick.manager.1\nv = m.adapters\nn = m.adapter_get \"x\"\n"
                     "print \"ready\"\nsleep 60000\n");
    ASSERT_TRUE(client->wait_for_output("ready", 20s)) << client->output();
    ASSERT_EQ(mellick_processes(env.dir()).size(), 1u);
    client->kill_hard();
    const auto waited = wait_until_mellick_ends(env.dir(), 15s);
    EXPECT_GE(waited, 4500) << "the server ended too soon, or never";
    EXPECT_LE(waited, 9000);
}

TEST(MellickBus, TheServerEndsWhenItsBusGoes) {
    mellick_env_t env;
    ASSERT_TRUE(env.registered());
    auto client = env.autocall("m = create Mellick.manager.1\nprint \"ready\"\nsleep 60000\n");
    ASSERT_TRUE(client->wait_for_output("ready", 20s)) << client->output();
    const auto servers = mellick_processes(env.dir());
    ASSERT_EQ(servers.size(), 1u);
    env.bus().stop();
    // Nobody can reach it any more: it must neither stay nor spin.
    EXPECT_TRUE(bustest::process_ends_within(servers[0], 4000));
}

TEST(MellickBus, FailuresReachTheClient) {
    mellick_env_t env;
    ASSERT_TRUE(env.registered());
    const auto r = env.autocall_run("m = create Mellick.manager.1\nv = m.adapters\n"
                                    "try x = v.at -1\nn = v.length\ntry y = v.at n\n"
                                    "a = m.adapter_get \"no-such-card\"\nprint \"done\"\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "done\n");
    EXPECT_NE(r.err.find(
                  "error: 0x80020009 Mellick.com_bstr_vector.1: Illegal index -1 for vector with "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("error: 0x80020009 Mellick.com_bstr_vector.1: Illegal index "),
              r.err.rfind("error:"))
        << "the index at the end was served: " << r.err;
}

} // namespace
