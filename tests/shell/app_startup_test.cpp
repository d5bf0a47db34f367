// The application's start-up over recording windows: each way it ends, the
// order of its steps, the settings it leaves, and a second start in the
// same program folder.
#include "resources/message_ids.h"
#include "shell/ostrel_app.h"

#include "model/recording_messages.h"

#include "app_recorders.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace app_test;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A watch that completes its first sweep at once, or gives up before one.
class CWatch final : public shell::INetWatch {
public:
    CWatch(comm::CWatchState& state, bool sweeps) : m_state(state), m_sweeps(sweeps) {}
    void Start(bool capture) override
    {
        starts.push_back(capture ? "capture" : "manager");
        if (m_sweeps)
            m_state.firstSweep = 1;
        m_state.sweepEvent.set();
    }
    void Stop() override { m_state.RequestStop(); }

    static inline std::vector<std::string> starts;

private:
    comm::CWatchState& m_state;
    bool m_sweeps;
};

class AppStartup : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = fs::temp_directory_path() /
                 ("ostrel-app-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count));
        fs::create_directories(m_home);
        ::setenv("OSTREL_HOME", m_home.c_str(), 1);
        ::setenv("OSTREL_AUTOMATION_REGISTRY", (m_home / "classes.ini").c_str(), 1);
        std::ofstream(m_home / "classes.ini");
        WriteIni("[IPSeg]\nIPStart=198.18.1.10\nIPEnd=198.18.1.12\nStartVisible=0\n"
                 "[AdapterSeg]\nAdapter=eth0\n[NetAttri]\nNetType=Wireless\n");
        shell::RegisteredDialogs() = {};
    }
    void TearDown() override
    {
        shell::RegisteredDialogs() = {};
        ::unsetenv("OSTREL_HOME");
        ::unsetenv("OSTREL_AUTOMATION_REGISTRY");
        fs::remove_all(m_home);
    }
    void WriteIni(const std::string& text) { std::ofstream(m_home / "Ostrel.ini") << text; }

    shell::CStartupServices Services(int made, bool sweeps)
    {
        shell::CStartupServices services;
        services.makeComponents = [made](auto*, auto*, auto&, const std::string& card) {
            EXPECT_EQ(card, "eth0");
            return made;
        };
        services.makeWatch = [sweeps](comm::CWatchState& state, const std::string&) {
            return std::make_unique<CWatch>(state, sweeps);
        };
        services.firstSweepLimit = 2s;
        return services;
    }

    static inline int s_count = 0;
    fs::path m_home;
    CFrameWindows m_windows;
    CNoTimer m_timer;
};

TEST_F(AppStartup, EachWayTheStartEnds)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int made;
        bool sweeps;
        bool result;
        std::vector<int> messages;
        std::vector<std::string> log;
        bool deviceKind = true;
    };
    const Case cases[] = {
        {"a new sheet", {}, 1, true, true, {},
         {"main window", "splash", "new", "show", "close splash 750"}},
        {"a file on the command line", {"x.DSP"}, 1, true, true, {},
         {"main window", "splash", "open x.DSP", "show", "close splash 750"}},
        {"a file of another type", {"x.txt"}, 1, true, false, {285}, {"main window", "splash"}},
        {"no components", {}, 0, true, false, {203}, {"main window", "splash"}},
        {"no first sweep", {}, 1, false, false, {204}, {"main window", "splash"}},
        // Until the device editor is there, the work area starts empty.
        {"no device sheets yet", {}, 1, true, true, {},
         {"main window", "splash", "show", "close splash 750"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        model::CRecordingMessages messages;
        CRecordingUi ui;
        ui.deviceKind = c.deviceKind;
        shell::CMainFrameCore frame(m_windows, m_timer);
        {
            shell::COstrelApp app(ui, frame, m_home, Services(c.made, c.sweeps));
            EXPECT_EQ(app.InitInstance(c.args), c.result);
            EXPECT_EQ(app.LanguageName(), "rcEng"); // the shipped packs came along
            frame.OnDestroy();
        }
        EXPECT_EQ(messages.ShownIds(), c.messages);
        EXPECT_EQ(ui.log, c.log);
        EXPECT_EQ(frame.RangeStart(), 0xC612010Au);
        std::string password;
        EXPECT_EQ(shell::ReadRegistryString(shell::kConfigPassKey, password), c.result);
        EXPECT_EQ(password, c.result ? "0" : "");
        // Without a network the next start asks for the range again.
        EXPECT_EQ(shell::CAppSettings(m_home / "Ostrel.ini").StartVisible(),
                  c.messages == std::vector<int>{204} ? 1 : 0);
    }
}

TEST_F(AppStartup, TheRangeDialog)
{
    struct Case {
        const char* name;
        int startVisible;
        bool registered;
        bool answer;
        bool result;
        int asked;
    };
    const Case cases[] = {
        {"shown and confirmed", 1, true, true, true, 1},
        {"cancelled: the program ends before its window", 1, true, false, false, 1},
        {"not shown with StartVisible=0", 0, true, true, true, 0},
        {"no dialog registered yet: the stored range", 1, false, true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        WriteIni("[IPSeg]\nIPStart=198.18.1.10\nIPEnd=198.18.1.12\nStartVisible=" +
                 std::to_string(c.startVisible) + "\n[AdapterSeg]\nAdapter=eth0\n");
        int asked = 0;
        if (c.registered) {
            shell::RegisteredDialogs().ipRange = [&] {
                ++asked;
                // The dialog writes the range itself.
                shell::CAppSettings(m_home / "Ostrel.ini").SetIpRange(0xC6120214, 0xC6120216);
                return c.answer;
            };
        }
        model::CRecordingMessages messages;
        CRecordingUi ui;
        shell::CMainFrameCore frame(m_windows, m_timer);
        shell::COstrelApp app(ui, frame, m_home, Services(1, true));
        EXPECT_EQ(app.InitInstance({}), c.result);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(ui.log.empty(), !c.result);
        if (c.result) {
            EXPECT_EQ(frame.RangeStart(), c.asked ? 0xC6120214u : 0xC612010Au);
        }
        frame.OnDestroy();
    }
}

TEST_F(AppStartup, TheNetTypeCommand)
{
    model::CRecordingMessages messages;
    CRecordingUi ui;
    shell::CMainFrameCore frame(m_windows, m_timer);
    shell::COstrelApp app(ui, frame, m_home, Services(1, true));
    CWatch::starts.clear();
    ASSERT_TRUE(app.InitInstance({}));
    app.OnNetType(); // no dialog registered: nothing
    std::vector<bool> offered;
    std::optional<bool> answer = true;
    shell::RegisteredDialogs().netType = [&](bool wired) {
        offered.push_back(wired);
        return answer;
    };
    app.OnNetType(); // wireless -> wired
    answer = true;
    app.OnNetType(); // unchanged: nothing
    answer = std::nullopt;
    app.OnNetType(); // cancelled: nothing
    EXPECT_EQ(offered, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(CWatch::starts, (std::vector<std::string>{"manager", "capture"}));
    EXPECT_EQ(app.Settings().NetType(), "Normal");
    EXPECT_EQ(ui.log.back(), "wired");
    frame.OnDestroy();
}

TEST_F(AppStartup, ASecondStartInTheSameFolderRaisesTheFirst)
{
    int argc = 1;
    char name[] = "app_startup_test";
    char* argv[] = {name, nullptr};
    QCoreApplication qt(argc, argv);
    model::CRecordingMessages messages;
    CRecordingUi firstUi, secondUi;
    shell::CMainFrameCore firstFrame(m_windows, m_timer), secondFrame(m_windows, m_timer);
    shell::COstrelApp first(firstUi, firstFrame, m_home, Services(1, true));
    ASSERT_TRUE(first.InitInstance({}));
    shell::COstrelApp second(secondUi, secondFrame, m_home, Services(1, true));
    EXPECT_FALSE(second.InitInstance({}));
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgAlreadyRunning});
    EXPECT_TRUE(secondUi.log.empty()); // before any window
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (firstUi.log.back() != "raise" && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(firstUi.log.back(), "raise");
    firstFrame.OnDestroy();
}

} // namespace
