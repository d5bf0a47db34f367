#include "platform/text/number.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <langinfo.h>
#include <limits>
#include <locale.h>
#include <string>

namespace platform::text {
namespace {

constexpr std::int64_t i64_max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t i64_min = std::numeric_limits<std::int64_t>::min();
constexpr std::int32_t i32_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t i32_min = std::numeric_limits<std::int32_t>::min();

// --- integers ---------------------------------------------------------------

struct int_row {
    const char* name;
    std::string text;
    std::size_t consumed;
    std::int64_t value64;
    std::int32_t value32;
};

std::ostream& operator<<(std::ostream& os, const int_row& r) { return os << r.name; }

class TextParseInt : public testing::TestWithParam<int_row> {};

TEST_P(TextParseInt, ReadsLeadingNumber) {
    const int_row& row = GetParam();
    std::int64_t value = -999;
    EXPECT_EQ(parse_leading_int(row.text, &value), row.consumed);
    EXPECT_EQ(value, row.value64);
    EXPECT_EQ(parse_leading_int(row.text, nullptr), row.consumed);
    EXPECT_EQ(to_int64(row.text), row.value64);
    EXPECT_EQ(to_int32(row.text), row.value32);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextParseInt,
    testing::Values(
        int_row{"empty", "", 0, 0, 0},
        int_row{"trailing_text_ignored", "  42abc", 4, 42, 42},
        int_row{"negative", "-17", 3, -17, -17},
        int_row{"explicit_plus", "+5", 2, 5, 5},
        int_row{"no_digits", "abc", 0, 0, 0},
        int_row{"sign_alone", "-", 0, 0, 0},
        int_row{"two_signs", "+-5", 0, 0, 0},
        int_row{"space_after_sign", "- 5", 0, 0, 0},
        int_row{"leading_zeros", "007", 3, 7, 7},
        int_row{"stops_at_space", "12 34", 2, 12, 12},
        int_row{"stops_at_point", "3.9", 1, 3, 3},
        int_row{"exponent_not_read", "1e5", 1, 1, 1},
        int_row{"hex_reads_leading_zero", "0x1A", 1, 0, 0},
        int_row{"all_c_white_space", " \t\n\v\f\r12", 8, 12, 12},
        int_row{"int32_max", "2147483647", 10, 2147483647, i32_max},
        int_row{"int32_overflow_saturates", "2147483648", 10, 2147483648, i32_max},
        int_row{"int32_underflow_saturates", "-2147483649", 11, -2147483649, i32_min},
        int_row{"int64_max", "9223372036854775807", 19, i64_max, i32_max},
        int_row{"int64_min", "-9223372036854775808", 20, i64_min, i32_min},
        int_row{"int64_overflow_saturates", "9223372036854775808", 19, i64_max, i32_max},
        int_row{"int64_underflow_saturates", "-99999999999999999999999", 24, i64_min, i32_min}),
    [](const testing::TestParamInfo<int_row>& info) { return std::string(info.param.name); });

// --- doubles ----------------------------------------------------------------

struct double_row {
    const char* name;
    std::string text;
    std::size_t consumed;
    double value;
};

std::ostream& operator<<(std::ostream& os, const double_row& r) { return os << r.name; }

class TextParseDouble : public testing::TestWithParam<double_row> {};

// Exact comparison, sign of zero included: the parser must round correctly.
void expect_same(double actual, double expected) {
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << actual;
}

TEST_P(TextParseDouble, ReadsLeadingNumber) {
    const double_row& row = GetParam();
    double value = -999.0;
    EXPECT_EQ(parse_leading_double(row.text, &value), row.consumed);
    expect_same(value, row.value);
    EXPECT_EQ(parse_leading_double(row.text, nullptr), row.consumed);
    expect_same(to_double(row.text), row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextParseDouble,
    testing::Values(
        double_row{"empty", "", 0, 0.0},
        double_row{"trailing_text_ignored", "  42abc", 4, 42.0},
        double_row{"negative", "-17", 3, -17.0},
        double_row{"explicit_plus", "+5", 2, 5.0},
        double_row{"no_digits", "abc", 0, 0.0},
        double_row{"fraction", "3.14abc", 4, 3.14},
        double_row{"exponent", "1e5", 3, 1e5},
        double_row{"exponent_upper_negative", "1E-2", 4, 0.01},
        double_row{"exponent_plus", "1.5e+3x", 6, 1500.0},
        double_row{"e_without_digits_not_consumed", "1e", 1, 1.0},
        double_row{"e_sign_without_digits_not_consumed", "1e+", 1, 1.0},
        double_row{"leading_point", ".5", 2, 0.5},
        double_row{"trailing_point", "5.", 2, 5.0},
        double_row{"point_alone", ".", 0, 0.0},
        double_row{"two_signs", "+-5", 0, 0.0},
        double_row{"point_then_exponent", ".e1", 0, 0.0},
        double_row{"negative_fraction_exponent", "-.5e-3", 6, -0.0005},
        double_row{"negative_zero", "-0", 2, -0.0},
        double_row{"nan_rejected", "nan", 0, 0.0},
        double_row{"inf_rejected", "inf", 0, 0.0},
        double_row{"infinity_rejected", "-infinity", 0, 0.0},
        double_row{"hex_reads_leading_zero", "0x1A", 1, 0.0},
        double_row{"hex_float_reads_leading_zero", "0x1p3", 1, 0.0},
        double_row{"all_c_white_space", " \t\n\v\f\r12", 8, 12.0},
        double_row{"correctly_rounded", "0.1", 3, 0.1},
        double_row{"max", "1.7976931348623157e308", 22, DBL_MAX},
        double_row{"overflow_saturates", "1e999", 5, DBL_MAX},
        double_row{"negative_overflow_saturates", "-1e999", 6, -DBL_MAX},
        double_row{"huge_exponent_saturates", "1e99999999999999999999999", 25, DBL_MAX},
        double_row{"overflow_from_many_digits", "100000e305", 10, DBL_MAX},
        double_row{"underflow_to_zero", "1e-999", 6, 0.0},
        double_row{"negative_underflow_to_negative_zero", "-1e-999", 7, -0.0},
        double_row{"underflow_from_many_digits", "1000e-330", 9, 0.0},
        double_row{"small_fraction_large_exponent_in_range", "0.00001e309", 11, 1e304},
        double_row{"subnormal_kept", "5e-324", 6, 5e-324}),
    [](const testing::TestParamInfo<double_row>& info) { return std::string(info.param.name); });

// The C runtime's atof reads "1,5" as 1.5 under a comma locale; ours must not.
TEST(TextParseLocale, PointIsTheDecimalSeparatorUnderCommaLocale) {
    locale_t loc = static_cast<locale_t>(nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8"}) {
        loc = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
        if (loc != static_cast<locale_t>(nullptr) && std::string(nl_langinfo_l(RADIXCHAR, loc)) == ",")
            break;
        if (loc != static_cast<locale_t>(nullptr))
            freelocale(loc);
        loc = static_cast<locale_t>(nullptr);
    }
    if (loc == static_cast<locale_t>(nullptr))
        GTEST_SKIP() << "no locale with a comma decimal point is installed";
    const locale_t old = uselocale(loc);
    const double point = to_double("1.5");
    double comma = 0.0;
    const std::size_t comma_len = parse_leading_double("1,5", &comma);
    uselocale(old);
    freelocale(loc);
    EXPECT_EQ(point, 1.5);
    EXPECT_EQ(comma, 1.0);
    EXPECT_EQ(comma_len, 1u);
}

} // namespace
} // namespace platform::text
