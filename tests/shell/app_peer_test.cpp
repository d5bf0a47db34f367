// One start of the application with the real servers: mellick on a private
// bus, libkestrin2.so in process, and the watch that asks the discovery
// server reaching its first sweep.
#include "shell/ostrel_app.h"

#include "mellick_fixture.h"
#include "model/recording_messages.h"
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace pa = platform::automation;
namespace fs = std::filesystem;

class CUi final : public shell::IAppUi {
public:
    std::vector<std::string> log;
    bool CreateMainWindow() override { return true; }
    void ShowSplash() override {}
    void ShowMainWindowMaximised() override { log.push_back("show"); }
    void CloseSplashAfter(std::chrono::milliseconds) override {}
    void RaiseMainWindow() override {}
    void ShowNetTypePicture(bool) override {}
    bool HasActiveView() override { return false; }
    bool HasDeviceView() override { return false; }
    bool CloseActiveDocument() override { return true; }
    bool OpenDocument(const std::string&) override { return true; }
    bool NewDeviceDocument() override
    {
        log.push_back("new");
        return true;
    }
};

class CWindows final : public shell::IFrameWindows {
public:
    const void* ActiveChild() override { return nullptr; }
    shell::IFrameView* ActiveView() override { return nullptr; }
    void ClearOutput() override {}
    void RestoreArrowCursor() override {}
    void DestroyHwConfigDialog() override {}
    void RefreshHwConfigDialog() override {}
    void LoadDeviceConfiguration(const std::string&) override {}
    void ForgetDeviceConfiguration(const std::string&) override {}
    void OpenDspDocumentOfDevice(int) override {}
};

class CTimer final : public shell::ITimer {
public:
    void Start(std::chrono::milliseconds, std::function<void()>) override {}
    void Stop() override {}
};

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
    CUi ui;
    CWindows windows;
    CTimer timer;
    shell::CMainFrameCore frame(windows, timer);
    {
        shell::COstrelApp app(ui, frame, home);
        EXPECT_TRUE(app.InitInstance({}));
        EXPECT_EQ(app.WatchState().firstSweep, 1);
        EXPECT_FALSE(frame.Poller().IsNull());
        frame.OnDestroy();
    }
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(ui.log, (std::vector<std::string>{"new", "show"}));
    ::unsetenv("OSTREL_HOME");
}

} // namespace
