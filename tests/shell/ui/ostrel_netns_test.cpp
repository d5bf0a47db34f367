// The operator program as a user starts it, on a real card: `ostrel` runs
// in the hub namespace with the hub's end of a veth pair as its card, the
// packet-capture watch on it and simulated devices announcing from the peer
// namespace; mellick is activated on a private bus and libkestrin2.so is
// loaded from the class registry.
#include "shell/app_settings.h"
#include "shell/ostrel_app.h"

#include "mellick_fixture.h"
#include "net_watch_fixture.h"
#include "netns_fixture.h"
#include "tests/support/scoped_env.h"

#include "platform/automation/activation.h"
#include "platform/profile/registry.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
namespace pa = platform::automation;
using test_support::ScopedEnv;
using watch_test::Eventually;
using namespace std::chrono_literals;

std::string FileText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The lines of the message log that a user would have seen as boxes.
std::string ShownMessages(const fs::path& log) {
    std::istringstream lines(FileText(log));
    std::string shown;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("MSG ", 0) == 0)
            shown += line + "\n";
    return shown;
}

class OstrelNetns : public discovery_test::netns_fixture_t {};

// The start's last step resets the configuration password: once it is
// stored, the main window is up and the program is in its event loop.
TEST_F(OstrelNetns, TheProgramReachesItsMainWindowWatchingTheCard) {
    if (IsSkipped())
        return;
    start_sim({"00602b000031=198.18.0.60", "00602b000032"}, 50, 100);

    // Sets the bus, the class registry and MELLICK_HOME for the program too.
    mellick_test::mellick_env_t env;
    ASSERT_TRUE(env.registered());
    ASSERT_EQ(pa::register_library(KESTRIN2_PATH), pa::S_OK);

    // OSTREL_HOME, with the watch's event log in it.
    watch_test::CProgramFolder folder;
    const fs::path home = std::getenv("OSTREL_HOME");
    std::ofstream(home / "Ostrel.ini")
        << "[IPSeg]\nIPStart=198.18.0.10\nIPEnd=198.18.0.20\nStartVisible=0\n"
        << "[AdapterSeg]\nAdapter=" << link().hub_if << "\n[NetAttri]\nNetType=Normal\n";
    const fs::path messageLog = home / "messages.log";
    const ScopedEnv messages("OSTREL_MESSAGE_LOG", messageLog.string());
    const ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");

    netns::process_t ostrel(topology_->hub(), {OSTREL_PATH});
    const platform::profile::registry_store_t registry(home / "Registry.ini");
    std::string password;
    const auto ended = [&] { return bustest::process_ends_within(ostrel.pid(), 0); };
    Eventually(
        [&] {
            return (shell::ReadRegistryString(registry, shell::kConfigPassKey, password) &&
                    password == shell::kInitialConfigPass) ||
                   ended();
        },
        30s);
    ASSERT_FALSE(ended()) << "ostrel ended during its start; messages:\n" << FileText(messageLog);
    EXPECT_EQ(password, shell::kInitialConfigPass) << "no main window within 30 s";
    EXPECT_EQ(ShownMessages(messageLog), "");
    // The capture watch found the card by the address mellick gave for it.
    EXPECT_TRUE(folder.LogHas("Thread info: open " + link().hub_if + " !"))
        << testing::PrintToString(folder.LogTexts());

    ::kill(ostrel.pid(), SIGTERM);
    ostrel.stop();
}

} // namespace
