// The configuration password: the prompt's check, the change, and how the
// stored value behaves in the program's registry store.
#include "device_editor/config_password_controller.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "device_test_support.h"
#include "platform/profile/registry.h"
#include "resources/message_ids.h"

namespace {

using device_editor::CConfigPasswordController;
using device_editor::kMasterPassword;
using Field = CConfigPasswordController::EField;

struct Store {
    Store() : file(home.path() / "Registry.ini"), password(file) {}
    device_test::TempHome home;
    device_test::RecordingSink sink;
    std::filesystem::path file;
    CConfigPasswordController password;
};

TEST(ConfigPassword, TheMasterOpensThePromptButIsRefusedAsTheOldPassword) {
    Store s;
    ASSERT_TRUE(s.password.Write("0"));
    EXPECT_EQ(s.password.Check(kMasterPassword), 0);
    const auto result = s.password.Change(kMasterPassword, "new", "new");
    EXPECT_EQ(result.message, resources::kMsgPasswordWrong);
    EXPECT_EQ(result.focus, Field::Old);
    EXPECT_EQ(s.password.Check("new"), resources::kMsgPasswordWrong);
}

TEST(ConfigPassword, AnEmptyStoredPasswordIsMatchedByAnEmptyEntry) {
    Store s;
    ASSERT_TRUE(s.password.Write(""));
    EXPECT_EQ(s.password.Check(""), 0);
    EXPECT_EQ(s.password.Check(" "), resources::kMsgPasswordWrong);
    EXPECT_EQ(s.sink.ShownIds(), std::vector<int>{resources::kMsgPasswordWrong});
}

TEST(ConfigPassword, TheLimitCountsCharactersAndComesBeforeTheConfirmation) {
    struct case_t {
        std::string password;
        int message;
    } cases[] = {
        {std::string(20, 'a'), resources::kMsgPasswordChanged},
        {std::string(21, 'a'), resources::kMsgPasswordTooLong},
        // 20 Chinese characters are 60 bytes, and read back whole.
        {[] {
             std::string s;
             for (int i = 0; i < 20; ++i)
                 s += "密";
             return s;
         }(),
         resources::kMsgPasswordChanged},
        {std::string(20, 'b') + "中", resources::kMsgPasswordTooLong},
    };
    for (const case_t& c : cases) {
        Store s;
        ASSERT_TRUE(s.password.Write("0"));
        // The confirmation differs too: the length is checked first.
        const std::string confirmation =
            c.message == resources::kMsgPasswordTooLong ? "x" : c.password;
        const auto result = s.password.Change("0", c.password, confirmation);
        EXPECT_EQ(result.message, c.message) << c.password;
        if (c.message == resources::kMsgPasswordChanged) {
            std::string stored;
            ASSERT_TRUE(s.password.Read(stored));
            EXPECT_EQ(stored, c.password);
            EXPECT_EQ(s.password.Check(c.password), 0);
        } else {
            EXPECT_EQ(result.focus, Field::New);
        }
    }
}

TEST(ConfigPassword, AMismatchedConfirmationFocusesTheNewPassword) {
    Store s;
    ASSERT_TRUE(s.password.Write("0"));
    const auto result = s.password.Change("0", "abc", "abd");
    EXPECT_EQ(result.message, resources::kMsgPasswordMismatch);
    EXPECT_EQ(result.focus, Field::New);
    EXPECT_FALSE(result.changed);
}

TEST(ConfigPassword, AMissingKeyGivesTheReadFailureWhileTheMasterStillOpens) {
    Store s;
    EXPECT_EQ(s.password.Check("0"), resources::kMsgPasswordReadFailed);
    EXPECT_EQ(s.password.Check(kMasterPassword), 0);
    EXPECT_EQ(s.password.Change("0", "1", "1").message, resources::kMsgPasswordReadFailed);
    EXPECT_EQ(s.sink.ShownIds(), (std::vector<int>{resources::kMsgPasswordReadFailed,
                                                   resources::kMsgPasswordReadFailed}));
}

TEST(ConfigPassword, AChangeWorksAtOnceAndTheStartUpWriteResetsIt) {
    Store s;
    ASSERT_TRUE(s.password.Write("0")); // the start-up's initial password
    ASSERT_TRUE(s.password.Change("0", "secret", "secret").changed);
    EXPECT_EQ(s.sink.ShownIds().back(), resources::kMsgPasswordChanged);
    EXPECT_EQ(s.password.Check("secret"), 0);
    EXPECT_EQ(s.password.Check("0"), resources::kMsgPasswordWrong);
    // The next start writes the initial password again, through the store.
    platform::profile::registry_store_t store(s.file);
    ASSERT_TRUE(
        store.set(platform::profile::hive::local_machine, device_editor::kConfigPassKey, "@", "0"));
    EXPECT_EQ(s.password.Check("0"), 0);
    EXPECT_EQ(s.password.Check("secret"), resources::kMsgPasswordWrong);
}

TEST(ConfigPassword, TheStoreFileIsPrivate) {
    Store s;
    ASSERT_TRUE(s.password.Write("0"));
    struct stat st {};
    ASSERT_EQ(::stat(s.file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A store made by someone else first becomes private too.
    ::chmod(s.file.c_str(), 0644);
    ASSERT_TRUE(s.password.Write("1"));
    ASSERT_EQ(::stat(s.file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

} // namespace
