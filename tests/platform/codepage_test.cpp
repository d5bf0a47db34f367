#include "platform/text/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace platform::text {
namespace {

struct conversion_row {
    const char* name;
    std::string input;
    std::string expected;
};

std::ostream& operator<<(std::ostream& os, const conversion_row& r) { return os << r.name; }

std::string row_name(const testing::TestParamInfo<conversion_row>& info) { return info.param.name; }

// --- GBK -> UTF-8 ---------------------------------------------------------

class TextGbkToUtf8 : public testing::TestWithParam<conversion_row> {};

TEST_P(TextGbkToUtf8, Converts) {
    EXPECT_EQ(gbk_to_utf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextGbkToUtf8,
    testing::Values(
        conversion_row{"empty", "", ""},
        conversion_row{"ascii_unchanged", "*SET 3 301\r\n", "*SET 3 301\r\n"},
        conversion_row{"two_byte_chinese", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
        conversion_row{"byte_0x80_is_euro_as_on_windows", "\x80", "\xE2\x82\xAC"},
        conversion_row{"undecodable_byte_escaped", "a\xFF" "b", "a\xED\xB3\xBF" "b"},
        conversion_row{"lead_byte_with_bad_trail_escapes_only_lead", "\x81\x20", "\xED\xB2\x81\x20"},
        conversion_row{"lead_byte_cut_off_at_end_escaped", "\xD6\xD0\xD6", "\xE4\xB8\xAD\xED\xB3\x96"},
        conversion_row{"nul_byte_kept", std::string("a\0b", 3), std::string("a\0b", 3)}),
    row_name);

// --- UTF-8 -> GBK ---------------------------------------------------------

class TextUtf8ToGbk : public testing::TestWithParam<conversion_row> {};

TEST_P(TextUtf8ToGbk, Converts) {
    EXPECT_EQ(utf8_to_gbk(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextUtf8ToGbk,
    testing::Values(
        conversion_row{"empty", "", ""},
        conversion_row{"ascii_unchanged", "Input 1", "Input 1"},
        conversion_row{"two_byte_chinese", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
        conversion_row{"euro_to_0x80", "\xE2\x82\xAC", "\x80"},
        conversion_row{"unrepresentable_becomes_question_mark", "a\xF0\x9F\x98\x80" "b", "a?b"},
        conversion_row{"unrepresentable_between_convertible", "\xE4\xB8\xAD\xE0\xB8\x81\xE6\x96\x87",
                       "\xD6\xD0?\xCE\xC4"},
        conversion_row{"escaped_bytes_restored", "\xED\xB2\x80\xED\xB3\xBF", "\x80\xFF"},
        conversion_row{"invalid_utf8_copied", "a\xC3", "a\xC3"},
        conversion_row{"overlong_copied_byte_by_byte", "\xC0\xAF", "\xC0\xAF"},
        conversion_row{"surrogate_outside_escape_range_copied", "\xED\xA0\x80", "\xED\xA0\x80"}),
    row_name);

// Every byte sequence survives a load and a save: all pairs of bytes, so that
// every lead byte meets every trail byte, valid or not.
TEST(TextCodepageRoundTrip, EveryBytePairSurvives) {
    std::string all;
    all.reserve(2 * 256 * 256);
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            all += static_cast<char>(a);
            all += static_cast<char>(b);
        }
    }
    EXPECT_EQ(utf8_to_gbk(gbk_to_utf8(all)), all);
}

TEST(TextCodepageRoundTrip, PseudoRandomBytesSurvive) {
    std::uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        for (int i = 0; i < 1 + round % 37; ++i) {
            seed = seed * 1664525u + 1013904223u;
            bytes += static_cast<char>(seed >> 24);
        }
        ASSERT_EQ(utf8_to_gbk(gbk_to_utf8(bytes)), bytes) << "round " << round;
    }
}

TEST(TextCodepageThreads, ConcurrentConversionsDoNotInterfere) {
    const std::string gbk = "\xD6\xD0\xCE\xC4\x80\xFF abc";
    const std::string utf8 = gbk_to_utf8(gbk);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i)
                if (gbk_to_utf8(gbk) != utf8 || utf8_to_gbk(utf8) != gbk)
                    ++failures[t];
        });
    }
    for (auto& th : threads)
        th.join();
    for (int f : failures)
        EXPECT_EQ(f, 0);
}

// --- is_valid_utf8 ---------------------------------------------------------

struct validity_row {
    const char* name;
    std::string text;
    bool valid;
};

std::ostream& operator<<(std::ostream& os, const validity_row& r) { return os << r.name; }

class TextIsValidUtf8 : public testing::TestWithParam<validity_row> {};

TEST_P(TextIsValidUtf8, Judges) {
    EXPECT_EQ(is_valid_utf8(GetParam().text), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextIsValidUtf8,
    testing::Values(
        validity_row{"empty", "", true},
        validity_row{"ascii", "abc", true},
        validity_row{"two_three_four_byte", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", true},
        validity_row{"highest_code_point", "\xF4\x8F\xBF\xBF", true},
        validity_row{"above_10ffff", "\xF4\x90\x80\x80", false},
        validity_row{"lead_f5", "\xF5\x80\x80\x80", false},
        validity_row{"overlong_two_byte", "\xC0\x80", false},
        validity_row{"overlong_three_byte", "\xE0\x80\xAF", false},
        validity_row{"overlong_four_byte", "\xF0\x8F\xBF\xBF", false},
        validity_row{"surrogate", "\xED\xA0\x80", false},
        validity_row{"escaped_byte_is_a_surrogate", "\xED\xB3\xBF", false},
        validity_row{"truncated_at_end", "a\xE4\xB8", false},
        validity_row{"stray_continuation", "a\x80" "b", false},
        validity_row{"gbk_text", "\xD6\xD0\xCE\xC4", false}),
    [](const testing::TestParamInfo<validity_row>& info) { return std::string(info.param.name); });

// --- decode_file_text ------------------------------------------------------

class TextDecodeFileText : public testing::TestWithParam<conversion_row> {};

TEST_P(TextDecodeFileText, Decodes) {
    EXPECT_EQ(decode_file_text(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextDecodeFileText,
    testing::Values(
        conversion_row{"utf8_kept", "[Main]\nName=\xE4\xB8\xAD\n", "[Main]\nName=\xE4\xB8\xAD\n"},
        conversion_row{"bom_dropped", "\xEF\xBB\xBF[Main]", "[Main]"},
        conversion_row{"only_first_bom_dropped", "\xEF\xBB\xBF\xEF\xBB\xBF", "\xEF\xBB\xBF"},
        conversion_row{"gbk_file_converted", "Name=\xD6\xD0\xCE\xC4\n", "Name=\xE4\xB8\xAD\xE6\x96\x87\n"},
        conversion_row{"bom_then_invalid_is_gbk", "\xEF\xBB\xBF\xD6\xD0",
                       "\xE9\x94\x98\xE6\x81\x90\xED\xB3\x90"}),
    row_name);

} // namespace
} // namespace platform::text
