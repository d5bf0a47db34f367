// The program itself, offscreen with its messages recorded: a start whose
// discovery server cannot be made ends with message 203; a second start on
// the same program folder records 312 and ends while the first, on the
// stand-in servers, stays.
#include "shell/app_settings.h"
#include "shell/ostrel_app.h"

#include "fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
namespace pa = platform::automation;

class COstrel {
public:
    COstrel()
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execl(OSTREL_PATH, OSTREL_PATH, nullptr);
            ::_exit(127);
        }
    }
    ~COstrel()
    {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    // The exit code once it ended within `limit`; -1 while it runs.
    int Wait(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        do {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return -1;
    }

private:
    pid_t m_pid = -1;
    bool m_exited = false;
};

class OstrelProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = m_registry.dir() / "home";
        fs::create_directories(m_home);
        ::setenv("OSTREL_HOME", m_home.c_str(), 1);
        ::setenv("OSTREL_MESSAGE_LOG", (m_home / "messages.log").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::ofstream(m_registry.file());
        std::ofstream(m_home / "Ostrel.ini")
            << "[IPSeg]\nIPStart=198.18.1.10\nIPEnd=198.18.1.12\nStartVisible=0\n"
               "[AdapterSeg]\nAdapter=eth0\n[NetAttri]\nNetType=Wireless\n";
    }
    void TearDown() override
    {
        for (const char* name : {"OSTREL_HOME", "OSTREL_MESSAGE_LOG", "QT_QPA_PLATFORM",
                                 "COMM_STANDIN_JOURNAL", "COMM_STANDIN_TABLE"})
            ::unsetenv(name);
    }
    std::string Messages() const
    {
        std::ifstream file(m_home / "messages.log");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // The start's last step resets the configuration password.
    bool Started() const
    {
        std::string password;
        return shell::ReadRegistryString(shell::kConfigPassKey, password) &&
               password == shell::kInitialConfigPass;
    }

    autotest::temp_registry_t m_registry;
    fs::path m_home;
};

TEST_F(OstrelProgram, EndsWith203WithoutTheDiscoveryServer)
{
    COstrel ostrel;
    EXPECT_EQ(ostrel.Wait(30s), 1);
    EXPECT_EQ(Messages().rfind("MSG 203 ", 0), 0u) << Messages();
    EXPECT_FALSE(Started());
}

TEST_F(OstrelProgram, ASecondStartRecords312AndEndsWhileTheFirstStays)
{
    ASSERT_EQ(pa::register_library(AUTOTEST_SERVER_PATH), pa::S_OK);
    ::setenv("COMM_STANDIN_JOURNAL", (m_registry.dir() / "journal").c_str(), 1);
    ::setenv("COMM_STANDIN_TABLE", (m_registry.dir() / "table").c_str(), 1);
    std::ofstream(m_registry.dir() / "table") << "card eth0 198.18.1.1\n";

    COstrel first;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!Started() && std::chrono::steady_clock::now() < deadline && first.Wait(0ms) < 0)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(Started()) << Messages();

    COstrel second;
    EXPECT_EQ(second.Wait(30s), 1);
    EXPECT_EQ(Messages().rfind("MSG 312 ", 0), 0u) << Messages();
    EXPECT_EQ(first.Wait(200ms), -1); // still running
}

} // namespace
