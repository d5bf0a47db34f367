#include "platform/text/ascii.h"
#include "platform/text/ipv4.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {
namespace {

// The readers are constexpr: GUIDs and addresses are read at compile time.
static_assert(hex_digit_value('b') == 11);
static_assert(equals_no_case("ProgID", "progid"));
static_assert(parse_ipv4("10.0.0.1") == 0x0A000001u);

TEST(HexDigitValue, EveryByte) {
    // Each byte once, so that a neighbour of a range end ('/', ':', '@',
    // 'G', '`', 'g') or a byte with the high bit set cannot slip through.
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        int expected = -1;
        if (b >= '0' && b <= '9')
            expected = b - '0';
        else if (b >= 'a' && b <= 'f')
            expected = b - 'a' + 10;
        else if (b >= 'A' && b <= 'F')
            expected = b - 'A' + 10;
        EXPECT_EQ(hex_digit_value(c), expected) << "byte " << b;
    }
}

TEST(AsciiCase, OnlyLettersChange) {
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const bool upper = b >= 'A' && b <= 'Z';
        const bool lower = b >= 'a' && b <= 'z';
        EXPECT_EQ(ascii_lower(c), upper ? static_cast<char>(b + 32) : c) << "byte " << b;
        EXPECT_EQ(ascii_upper(c), lower ? static_cast<char>(b - 32) : c) << "byte " << b;
    }
}

struct case_row {
    const char* name;
    std::string a;
    std::string b;
    int order; // sign of compare_no_case(a, b); 0 means equal without case
};

std::ostream& operator<<(std::ostream& os, const case_row& r) {
    return os << r.name;
}

class CaseRules : public ::testing::TestWithParam<case_row> {};

TEST_P(CaseRules, EqualsAndCompareAgree) {
    const case_row& r = GetParam();
    EXPECT_EQ(equals_no_case(r.a, r.b), r.order == 0);
    EXPECT_EQ(equals_no_case(r.b, r.a), r.order == 0);
    const int forward = compare_no_case(r.a, r.b);
    const int backward = compare_no_case(r.b, r.a);
    EXPECT_EQ((forward > 0) - (forward < 0), r.order);
    EXPECT_EQ((backward > 0) - (backward < 0), -r.order);
}

INSTANTIATE_TEST_SUITE_P(
    Ascii, CaseRules,
    ::testing::Values(case_row{"empty_texts", "", "", 0},
                      case_row{"mixed_case_is_equal", "Mellick.Manager.1", "mellick.MANAGER.1", 0},
                      case_row{"every_letter_folds", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                               "abcdefghijklmnopqrstuvwxyz", 0},
                      case_row{"digits_and_marks_as_they_are", "A-1_b.bin", "a-1_B.BIN", 0},
                      // Bytes 0x20 apart that are not letters: a fold by "| 0x20" would
                      // take them for one another.
                      case_row{"at_sign_is_not_backquote", "@", "`", -1},
                      case_row{"bracket_is_not_brace", "[", "{", -1},
                      case_row{"caret_is_not_tilde", "^", "~", -1},
                      // A locale's tolower may fold these; stored names must not depend
                      // on the locale the program runs in.
                      case_row{"high_bytes_are_not_folded", "\xC9", "\xE9", -1},
                      case_row{"utf8_letters_are_not_folded", "\xC3\x89", "\xC3\xA9", -1},
                      case_row{"shorter_prefix_sorts_first", "ab", "ABC", -1},
                      case_row{"different_lengths_never_equal", "bin", "bin ", -1},
                      // Order is that of the lowered texts: 'B' before 'a' in bytes, after
                      // it without case; '_' (0x5F) sorts before letters, not between
                      // upper and lower case.
                      case_row{"order_ignores_case", "B", "a", 1},
                      case_row{"underscore_sorts_before_letters", "_", "A", -1},
                      case_row{"high_bytes_sort_after_ascii", "\xE9", "z", 1},
                      case_row{"first_difference_decides", "abcX", "ABDa", -1}),
    [](const ::testing::TestParamInfo<case_row>& i) { return std::string(i.param.name); });

struct ipv4_row {
    const char* name;
    std::string text;
    std::optional<std::uint32_t> address;
};

std::ostream& operator<<(std::ostream& os, const ipv4_row& r) {
    return os << r.name;
}

class ParseIpv4 : public ::testing::TestWithParam<ipv4_row> {};

TEST_P(ParseIpv4, Reads) {
    EXPECT_EQ(parse_ipv4(GetParam().text), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Text, ParseIpv4,
    ::testing::Values(
        ipv4_row{"first_part_is_high_byte", "192.168.1.20", 0xC0A80114u},
        ipv4_row{"all_zero", "0.0.0.0", 0u}, ipv4_row{"all_ones", "255.255.255.255", 0xFFFFFFFFu},
        ipv4_row{"leading_zeros_are_decimal_not_octal", "010.001.000.009", 0x0A010009u},
        ipv4_row{"three_zeros", "000.0.00.1", 0x00000001u},
        ipv4_row{"part_above_255", "256.0.0.1", std::nullopt},
        ipv4_row{"last_part_above_255", "1.2.3.300", std::nullopt},
        ipv4_row{"four_digits_even_if_small", "0001.2.3.4", std::nullopt},
        ipv4_row{"large_part_does_not_wrap", "1.2.3.4294967297", std::nullopt},
        ipv4_row{"three_parts", "1.2.3", std::nullopt},
        ipv4_row{"five_parts", "1.2.3.4.5", std::nullopt}, ipv4_row{"empty_text", "", std::nullopt},
        ipv4_row{"empty_middle_part", "1..3.4", std::nullopt},
        ipv4_row{"leading_dot", ".1.2.3", std::nullopt},
        ipv4_row{"trailing_dot", "1.2.3.4.", std::nullopt},
        ipv4_row{"leading_blank", " 1.2.3.4", std::nullopt},
        ipv4_row{"trailing_blank", "1.2.3.4 ", std::nullopt},
        ipv4_row{"blank_inside", "1.2. 3.4", std::nullopt},
        ipv4_row{"plus_sign", "+1.2.3.4", std::nullopt},
        ipv4_row{"minus_sign", "1.2.3.-4", std::nullopt},
        ipv4_row{"hex_part", "1.2.3.0x1", std::nullopt},
        ipv4_row{"port_suffix", "1.2.3.4/161", std::nullopt},
        ipv4_row{"embedded_nul", std::string("1.2.3.4\0", 8), std::nullopt},
        ipv4_row{"host_name", "localhost", std::nullopt}),
    [](const ::testing::TestParamInfo<ipv4_row>& i) { return std::string(i.param.name); });

} // namespace
} // namespace platform::text
