#include "shell/ip_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace {

struct StringToIpRow {
    const char* name;
    std::string_view text;
    bool ok;
    std::uint32_t address;
};

TEST(ShellStringToIp, FourDecimalFieldsOrZeroAndFailure) {
    const StringToIpRow rows[] = {
        {"first field in the highest byte", "192.168.1.20", true, 0xC0A80114},
        {"the default range bound", "0.0.0.0", true, 0},
        {"every field at its largest", "255.255.255.255", true, 0xFFFFFFFF},
        {"leading zeros read as decimal, not octal", "010.0.0.08", true, 0x0A000008},
        {"a field above 255 does not carry into the next", "1.2.3.256", false, 0},
        {"three fields", "10.0.0", false, 0},
        {"five fields", "10.0.0.1.5", false, 0},
        {"an empty field", "10..0.1", false, 0},
        {"a sign", "10.0.0.-1", false, 0},
        {"a blank before", " 10.0.0.1", false, 0},
        {"trailing text", "10.0.0.1x", false, 0},
        {"a four-digit field", "10.0.0.0001", false, 0},
        {"an empty text", "", false, 0},
        {"a host name", "localhost", false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool ok = !row.ok;
        EXPECT_EQ(shell::StringToIp(row.text, &ok), row.address);
        EXPECT_EQ(ok, row.ok);
        EXPECT_EQ(shell::StringToIp(row.text), row.address);
    }
}

TEST(ShellIpToString, HighestByteFirstAndBackAgain) {
    const std::pair<std::uint32_t, std::string_view> rows[] = {
        {0, "0.0.0.0"},
        {0xC0A80114, "192.168.1.20"},
        {0xFFFFFFFF, "255.255.255.255"},
        {0x0A000008, "10.0.0.8"},
    };
    for (const auto& [address, text] : rows) {
        EXPECT_EQ(shell::IpToString(address), text);
        EXPECT_EQ(shell::StringToIp(text), address);
    }
}

} // namespace
