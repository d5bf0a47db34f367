#include "platform/app_paths/app_paths.h"
#include "tests/support/scoped_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

using platform::app_paths::ProgramFolder;
using platform::app_paths::ProgramIniPath;

using test_support::ScopedEnv;

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
