#include "platform/app_paths/app_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

using platform::app_paths::ProgramFolder;
using platform::app_paths::ProgramIniPath;

class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

TEST(AppPathsProgramFolder, OstrelHomeElseTheUsersDataFolder) {
    {
        const ScopedEnv home("OSTREL_HOME", std::string("/tmp/ostrel-test-home"));
        EXPECT_EQ(ProgramFolder(), std::filesystem::path("/tmp/ostrel-test-home"));
        EXPECT_EQ(ProgramIniPath(), std::filesystem::path("/tmp/ostrel-test-home/Ostrel.ini"));
    }
    const ScopedEnv user("HOME", std::string("/home/someone"));
    for (const std::optional<std::string>& unset :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        const ScopedEnv home("OSTREL_HOME", unset);
        EXPECT_EQ(ProgramFolder(), std::filesystem::path("/home/someone/.local/share/ostrel"));
        EXPECT_EQ(ProgramIniPath(),
                  std::filesystem::path("/home/someone/.local/share/ostrel/Ostrel.ini"));
    }
}

} // namespace
