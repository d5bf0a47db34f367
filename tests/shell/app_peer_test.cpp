// One start of the application with the real servers: mellick on a private
// bus, libkestrin2.so in process, and the watch that asks the discovery
// server reaching its first sweep.
#include "shell/ostrel_app.h"

#include "app_recorders.h"
#include "mellick_fixture.h"
#include "model/recording_messages.h"
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace app_test;

namespace pa = platform::automation;
namespace fs = std::filesystem;

TEST(AppPeers, AStartReachesTheWatchsFirstSweep)
{
    mellick_test::mellick_env_t env;
    ASSERT_TRUE(env.registered());
    ASSERT_EQ(pa::register_library(KESTRIN2_PATH), pa::S_OK);
    pa::use_dbus_transport();

    const fs::path home = env.dir() / "home";
    fs::create_directories(home);
    ::setenv("OSTREL_HOME", home.c_str(), 1);
    // The discovery server's own table, asked about a card it has no
    // address for: the adapter's address and the local one are both empty,
    // which the watch takes as its card.
    std::ofstream(home / "Ostrel.ini") << "[IPSeg]\nStartVisible=0\n[AdapterSeg]\nAdapter=no-such-card\n"
                                          "[NetAttri]\nNetType=Wireless\n";
    model::CRecordingMessages messages;
    CRecordingUi ui;
    CFrameWindows windows;
    CNoTimer timer;
    shell::CMainFrameCore frame(windows, timer);
    {
        shell::COstrelApp app(ui, frame, home);
        EXPECT_TRUE(app.InitInstance({}));
        EXPECT_EQ(app.WatchState().firstSweep, 1);
        EXPECT_FALSE(frame.Poller().IsNull());
        frame.OnDestroy();
    }
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(ui.log, (std::vector<std::string>{"main window", "splash", "new", "show",
                                                "close splash 750"}));
    ::unsetenv("OSTREL_HOME");
}

} // namespace
