#include "qo/exception.h"
#include "qo/ip_address.h"
#include "qo/mac_address.h"
#include "qo/net/address.h"
#include "qo/net/exception.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace {

// ---------------------------------------------------------------------------
// IPv4 texts. Every row parses into an address that held 1.2.3.4 before,
// so a parse that does not clear first shows.

struct ip_row_t {
    const char* name;
    const char* text;
    bool lenient_ok;
    std::array<std::uint8_t, 4> lenient;
    bool strict_ok;
};

class QoIpAddressParse : public ::testing::TestWithParam<ip_row_t> {};

TEST_P(QoIpAddressParse, LenientAndStrict) {
    const ip_row_t& row = GetParam();
    qo::ip_address_t ip(0x01020304);
    EXPECT_EQ(ip.parse(row.text), row.lenient_ok);
    EXPECT_EQ(ip.bytes(), row.lenient);
    const auto& b = row.lenient;
    EXPECT_EQ(ip.value(), std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                              std::uint32_t{b[2]} << 8 | b[3]);

    qo::ip_address_t strict(0x01020304);
    EXPECT_EQ(strict.try_parse(row.text), row.strict_ok);
    if (row.strict_ok)
        EXPECT_EQ(strict, ip);
    else
        EXPECT_EQ(strict.value(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QoIpAddressParse,
    ::testing::Values(
        ip_row_t{"good", "192.168.1.20", true, {192, 168, 1, 20}, true},
        ip_row_t{"edges", "0.0.0.255", true, {0, 0, 0, 255}, true},
        ip_row_t{"leading_zeros_are_decimal", "010.001.0.9", true, {10, 1, 0, 9}, true},
        // Stored files and peers rely on the short form.
        ip_row_t{"short_missing_parts_stay_zero", "10.0.0", true, {10, 0, 0, 0}, false},
        ip_row_t{"single_number", "7", true, {7, 0, 0, 0}, false},
        ip_row_t{"out_of_range_not_wrapped_to_44", "300.1.1.1", false, {0, 0, 0, 0}, false},
        ip_row_t{"out_of_range_last_part", "1.2.3.256", false, {0, 0, 0, 0}, false},
        ip_row_t{"negative_part", "-1.2.3.4", false, {0, 0, 0, 0}, false},
        ip_row_t{"huge_part_not_wrapped", "4294967297.0.0.1", false, {0, 0, 0, 0}, false},
        ip_row_t{"long_extra_part_ignored", "1.2.3.4.5", true, {1, 2, 3, 4}, false},
        ip_row_t{"trailing_text_ignored", "10.0.0.5abc", true, {10, 0, 0, 5}, false},
        ip_row_t{"leading_blank_skipped", " 10.0.0.1", true, {10, 0, 0, 1}, false},
        ip_row_t{"empty_part_stops", "1..2.3", true, {1, 0, 0, 0}, false},
        ip_row_t{"four_digits", "1.2.3.0004", true, {1, 2, 3, 4}, false},
        ip_row_t{"empty", "", true, {0, 0, 0, 0}, false},
        ip_row_t{"not_a_number", "host.example", true, {0, 0, 0, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QoIpAddress, PrintsDottedDecimal) {
    qo::ip_address_t ip;
    EXPECT_EQ(ip.to_string(), "0.0.0.0");
    ip.parse("10.0.0");
    EXPECT_EQ(ip.value(), 10u << 24);
    EXPECT_EQ(ip.to_string(), "10.0.0.0");
    ip.set_value(0xC0A801FE);
    EXPECT_EQ(ip.to_string(), "192.168.1.254");
    EXPECT_LT(qo::ip_address_t(0x0A000001), qo::ip_address_t(0xC0A80001));
}

// ---------------------------------------------------------------------------
// MAC texts, parsed into an address that held ff..ff before.

struct mac_row_t {
    const char* name;
    const char* text;
    const char* lenient;
    bool strict_ok;
};

class QoMacAddressParse : public ::testing::TestWithParam<mac_row_t> {};

TEST_P(QoMacAddressParse, LenientAndStrict) {
    const mac_row_t& row = GetParam();
    qo::mac_address_t mac(std::array<std::uint8_t, 6>{0xff, 0xff, 0xff, 0xff, 0xff, 0xff});
    mac.parse(row.text);
    EXPECT_EQ(mac.to_string(), row.lenient);

    qo::mac_address_t strict(std::array<std::uint8_t, 6>{0xff, 0xff, 0xff, 0xff, 0xff, 0xff});
    EXPECT_EQ(strict.try_parse(row.text), row.strict_ok);
    EXPECT_EQ(strict.to_string(), row.strict_ok ? row.lenient : "000000000000");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QoMacAddressParse,
    ::testing::Values(mac_row_t{"lower_case", "00602b0a0b0c", "00602b0a0b0c", true},
                      mac_row_t{"upper_case_prints_lower", "00602BFF0A01", "00602bff0a01", true},
                      mac_row_t{"short_rest_cleared", "00602b", "00602b000000", false},
                      mac_row_t{"odd_length_last_digit_alone", "00602b0", "00602b000000", false},
                      mac_row_t{"long_extra_ignored", "00602b0a0b0c0d", "00602b0a0b0c", false},
                      mac_row_t{"separators_stop", "00:60:2b:0a:0b:0c", "000000000000", false},
                      mac_row_t{"non_hex_digit_stops", "00602b0a0bxc", "00602b0a0b00", false},
                      mac_row_t{"empty", "", "000000000000", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QoMacAddress, ZeroAndComparison) {
    qo::mac_address_t a;
    EXPECT_TRUE(a.is_zero());
    qo::mac_address_t b;
    b.parse("000000000001");
    EXPECT_FALSE(b.is_zero());
    EXPECT_TRUE(a != b);
    a.parse("000000000001");
    EXPECT_FALSE(a != b);
    b.clear();
    EXPECT_TRUE(b.is_zero());
}

// The order device tables and histories keep: first byte first, each byte
// unsigned, a later byte never outweighing an earlier one.
TEST(QoMacAddress, OrdersByteByByteFirstByteFirst) {
    const std::pair<const char*, const char*> ascending[] = {
        {"000000000000", "000000000001"}, {"0000000000ff", "000000000100"},
        {"7fffffffffff", "800000000000"}, {"00602b10ffff", "00602b110000"},
        {"01ffffffffff", "020000000000"}, {"fffffffffffe", "ffffffffffff"},
    };
    for (const auto& [low_text, high_text] : ascending) {
        qo::mac_address_t low;
        qo::mac_address_t high;
        low.parse(low_text);
        high.parse(high_text);
        EXPECT_TRUE(low < high) << low_text << " < " << high_text;
        EXPECT_FALSE(high < low) << high_text << " < " << low_text;
        EXPECT_TRUE((low <=> qo::mac_address_t(low.bytes())) == 0) << low_text;
    }
}

// ---------------------------------------------------------------------------
// Socket addresses.

TEST(QoNetAddress, WildcardAndDottedHost) {
    const qo::net::address_t any;
    EXPECT_EQ(any.native().sin_family, AF_INET);
    EXPECT_EQ(any.port(), 0);
    EXPECT_EQ(any.address(), htonl(INADDR_ANY));

    const qo::net::address_t tftp(69, "127.0.0.5");
    EXPECT_EQ(tftp.native().sin_port, htons(69));
    EXPECT_EQ(tftp.address(), htonl(0x7F000005));
    EXPECT_TRUE(tftp.name.empty());
    EXPECT_TRUE(tftp.info.empty());
}

TEST(QoNetAddress, ResolveHost) {
    EXPECT_EQ(qo::net::resolve_host("10.1.2.3"), htonl(0x0A010203));
    // The failure value of the dotted conversion still resolves, by name.
    EXPECT_EQ(qo::net::resolve_host("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(qo::net::resolve_host("localhost"), htonl(INADDR_LOOPBACK));
}

TEST(QoNetAddress, FailedLookUpThrowsTheSocketError) {
    try {
        qo::net::address_t(69, "");
        FAIL() << "no exception";
    } catch (const qo::net::exception_t& e) {
        EXPECT_EQ(e.code(), 11001);
        EXPECT_STREQ(e.what(), "host not found");
    }
}

} // namespace
