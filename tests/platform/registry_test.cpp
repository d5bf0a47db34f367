#include "platform/profile/registry.h"

#include "platform/text/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using platform::profile::hive;
using platform::profile::registry_store_t;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "registry_test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path file() const { return dir_ / "registry.ini"; }
    std::string stored() const {
        std::ifstream in(file(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
};

TEST_F(RegistryTest, AwkwardValuesRoundTrip) {
    struct case_t {
        const char* name;
        std::string value;
    };
    const case_t cases[] = {
        {"blanks trimmed by the reader", "  leading and trailing  "},
        {"tabs trimmed by the reader", "\tindented\t"},
        {"quotes taken off by the reader", "\"quoted\""},
        {"single quotes taken off by the reader", "'single'"},
        {"trailing quote mistaken for an escape", "abc\""},
        {"newline splits the line", "line1\nline2"},
        {"CRLF splits the line", "line1\r\nline2"},
        {"backslash read as an escape", "C:\\Program Files\\Ostrel\\"},
        {"escape-like text read as an escape", "\\x41\\n"},
        {"Chinese text", "\xe4\xb8\xad\xe6\x96\x87\xe5\x80\xbc"},
        {"empty value read as missing", ""},
        {"control character lost", std::string("a\001b\177c\0d", 7)},
        {"'=' inside the value", "a=b=c"},
        {"value looking like a comment", "; not a comment"},
        {"value looking like a header", "[not a section]"},
        {"bytes that are not UTF-8 make the file GBK", "\xd6\xd0\xce\xc4"},
        {"a cut UTF-8 sequence", "ok\xe4\xb8"},
        {"the missing-value marker itself", "\x01"},
    };
    registry_store_t writer(file());
    for (std::size_t i = 0; i < std::size(cases); ++i)
        ASSERT_TRUE(writer.set(hive::current_user, "SOFTWARE\\Ostrel", "v" + std::to_string(i),
                               cases[i].value))
            << cases[i].name;

    const std::string text = stored();
    EXPECT_TRUE(platform::text::is_valid_utf8(text));
    // The header and one line per value.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ssize(cases) + 1);

    const registry_store_t reader(file());
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(reader.get(hive::current_user, "SOFTWARE\\Ostrel", "v" + std::to_string(i)),
                  cases[i].value)
            << cases[i].name;
}

TEST_F(RegistryTest, KeyPathsAndValueNamesIgnoreCase) {
    registry_store_t store(file());
    ASSERT_TRUE(store.set(hive::local_machine, "SOFTWARE\\Ostrel", "Password", "secret"));
    EXPECT_EQ(store.get(hive::local_machine, "software\\OSTREL", "PASSWORD"), "secret");
    ASSERT_TRUE(store.set(hive::local_machine, "Software\\ostrel", "password", "changed"));
    EXPECT_EQ(store.get(hive::local_machine, "SOFTWARE\\Ostrel", "Password"), "changed");
    EXPECT_EQ(stored(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrel]\nPassword=\"changed\"\n");
}

TEST_F(RegistryTest, HivesAreKeptApart) {
    registry_store_t store(file());
    ASSERT_TRUE(store.set(hive::local_machine, "SOFTWARE\\Ostrel", "Profile", "machine"));
    ASSERT_TRUE(store.set(hive::current_user, "SOFTWARE\\Ostrel", "Profile", "user"));
    EXPECT_EQ(store.get(hive::local_machine, "SOFTWARE\\Ostrel", "Profile"), "machine");
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "Profile"), "user");

    ASSERT_TRUE(store.erase_key(hive::current_user, "SOFTWARE\\Ostrel"));
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "Profile"), std::nullopt);
    EXPECT_EQ(store.get(hive::local_machine, "SOFTWARE\\Ostrel", "Profile"), "machine");
}

TEST_F(RegistryTest, MissingValuesAreNullopt) {
    registry_store_t store(file());
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "Password"), std::nullopt);
    EXPECT_FALSE(fs::exists(file()));

    ASSERT_TRUE(store.set(hive::current_user, "SOFTWARE\\Ostrel", "Password", ""));
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "Password"), "");
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "Other"), std::nullopt);
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Elsewhere", "Password"), std::nullopt);
}

TEST_F(RegistryTest, EraseRemovesOnlyWhatItNames) {
    registry_store_t store(file());
    ASSERT_TRUE(store.set(hive::current_user, "SOFTWARE\\Ostrel", "a", "1"));
    ASSERT_TRUE(store.set(hive::current_user, "SOFTWARE\\Ostrel", "b", "2"));
    ASSERT_TRUE(store.set(hive::current_user, "SOFTWARE\\Ostrel\\Sub", "c", "3"));

    ASSERT_TRUE(store.erase_value(hive::current_user, "software\\ostrel", "A"));
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "a"), std::nullopt);
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "b"), "2");

    ASSERT_TRUE(store.erase_key(hive::current_user, "SOFTWARE\\Ostrel"));
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel", "b"), std::nullopt);
    EXPECT_EQ(store.get(hive::current_user, "SOFTWARE\\Ostrel\\Sub", "c"), "3");

    EXPECT_TRUE(store.erase_value(hive::current_user, "SOFTWARE\\Gone", "x"));
    EXPECT_TRUE(store.erase_key(hive::current_user, "SOFTWARE\\Gone"));
}

TEST_F(RegistryTest, NamesTheFileCannotHoldAreRefused) {
    struct case_t {
        const char* name;
        const char* key_path;
        const char* value_name;
    };
    const case_t cases[] = {
        {"empty value name would be no key", "SOFTWARE\\Ostrel", ""},
        {"'=' in a value name splits it", "SOFTWARE\\Ostrel", "a=b"},
        {"blank around a value name is trimmed", "SOFTWARE\\Ostrel", " a"},
        {"value name read as a comment", "SOFTWARE\\Ostrel", ";a"},
        {"value name read as a header", "SOFTWARE\\Ostrel", "[a"},
        {"line break in a value name", "SOFTWARE\\Ostrel", "a\nb"},
        {"']' ends the section name", "SOFTWARE\\Os]trel", "a"},
        {"trailing blank of a key path is trimmed", "SOFTWARE\\Ostrel ", "a"},
    };
    registry_store_t store(file());
    for (const auto& c : cases) {
        EXPECT_FALSE(store.set(hive::current_user, c.key_path, c.value_name, "v")) << c.name;
        EXPECT_EQ(store.get(hive::current_user, c.key_path, c.value_name), std::nullopt) << c.name;
    }
    EXPECT_FALSE(fs::exists(file()));
}

} // namespace
