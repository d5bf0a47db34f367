#include "platform/text/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <langinfo.h>
#include <limits>
#include <locale.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::text {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct format_row {
    const char* name;
    const char* fmt;
    std::vector<format_arg> args;
    std::string expected;
};

std::ostream& operator<<(std::ostream& os, const format_row& r) { return os << r.name; }

const std::vector<format_row>& format_rows() {
    static const std::vector<format_row> rows = {
        // Floating point: digits and rounding.
        {"zero_fixed", "%f", {0.0}, "0.000000"},
        {"zero_exponent_has_three_digits", "%e", {0.0}, "0.000000e+000"},
        {"negative_zero_keeps_sign_fixed", "%f", {-0.0}, "-0.000000"},
        {"negative_zero_keeps_sign_exponent", "%e", {-0.0}, "-0.000000e+000"},
        {"small_fixed", "%f", {1e-5}, "0.000010"},
        {"small_exponent", "%e", {1e-5}, "1.000000e-005"},
        {"integral_value_exponent", "%e", {44012.0}, "4.401200e+004"},
        {"integral_value_fixed", "%f", {44012.0}, "44012.000000"},
        {"one_exponent", "%e", {1.0}, "1.000000e+000"},
        {"negative_exponent", "%e", {-0.0025}, "-2.500000e-003"},
        {"exponent_300_below", "%e", {1e-300}, "1.000000e-300"},
        {"exponent_300_above", "%e", {1e300}, "1.000000e+300"},
        {"smallest_subnormal", "%e", {5e-324}, "4.940656e-324"},
        {"upper_case_exponent", "%E", {1.5}, "1.500000E+000"},
        {"fixed_pads_past_17_digits", "%f", {1e300},
         "10000000000000001" + std::string(284, '0') + ".000000"},
        {"fraction_pads_past_17_digits", "%.20f", {0.1}, "0.10000000000000001000"},
        {"half_rounds_up_one_decimal", "%.1f", {0.25}, "0.3"},
        {"half_rounds_up_two_decimals", "%.2f", {0.125}, "0.13"},
        {"half_rounds_up_not_to_even", "%.0f", {2.5}, "3"},
        {"half_rounds_up_from_below_one", "%.0f", {0.5}, "1"},
        {"odd_half_rounds_up", "%.0f", {1.5}, "2"},
        {"below_half_in_binary_rounds_down", "%.2f", {1.005}, "1.00"},
        {"above_half_in_binary_exponent", "%e", {1.0000005}, "1.000001e+000"},
        {"below_half_in_binary_exponent", "%e", {9.9999995}, "9.999999e+000"},
        {"rounds_17_digit_string_not_exact_value", "%.15e", {0.068}, "6.800000000000001e-002"},
        {"carry_into_exponent", "%e", {9.9999996}, "1.000000e+001"},
        {"carry_into_new_integer_digit", "%f", {999.9999996}, "1000.000000"},
        {"carry_from_first_digit_below_precision", "%.3f", {0.0005}, "0.001"},
        {"far_below_precision_is_zero", "%.3f", {0.0004}, "0.000"},
        {"negative_rounding_to_zero_keeps_sign", "%.1f", {-0.04}, "-0.0"},
        {"precision_zero_no_point", "%.0f", {3.0}, "3"},
        {"alternate_keeps_point_fixed", "%#.0f", {3.0}, "3."},
        {"alternate_keeps_point_exponent", "%#.0e", {2.0}, "2.e+000"},
        {"precision_zero_exponent_rounds", "%.0e", {2.5}, "3e+000"},
        {"float_argument", "%f", {0.5f}, "0.500000"},
        // Floating point: width and flags.
        {"width_and_precision", "%5.2f", {3.14159}, " 3.14"},
        {"left_justified", "%-8.2f|", {3.14159}, "3.14    |"},
        {"plus_flag", "%+f", {1.0}, "+1.000000"},
        {"space_flag", "% f", {1.0}, " 1.000000"},
        {"plus_wins_over_space", "%+ f", {1.0}, "+1.000000"},
        {"zero_pad_after_sign", "%010.3f", {-3.5}, "-00003.500"},
        {"plus_on_zero_exponent", "%+e", {0.0}, "+0.000000e+000"},
        // Non-finite values.
        {"infinity_fixed", "%f", {inf}, "1.#INF00"},
        {"negative_infinity", "%f", {-inf}, "-1.#INF00"},
        {"nan_fixed", "%f", {nan}, "1.#QNAN0"},
        {"negative_nan_has_no_sign", "%f", {-nan}, "1.#QNAN0"},
        {"infinity_exponent", "%e", {inf}, "1.#INF00e+000"},
        {"nan_exponent", "%e", {nan}, "1.#QNAN0e+000"},
        {"infinity_ignores_precision", "%.2f", {inf}, "1.#INF00"},
        {"infinity_width", "%10f", {inf}, "  1.#INF00"},
        {"infinity_left_width", "%-10f|", {-inf}, "-1.#INF00 |"},
        {"infinity_plus", "%+f", {inf}, "+1.#INF00"},
        // Integers.
        {"int_zero", "%d", {0}, "0"},
        {"int_zero_pad", "%02d", {5}, "05"},
        {"int_zero_pad_after_minus", "%03d", {-5}, "-05"},
        {"int_zero_pad_four", "%04d", {42}, "0042"},
        {"int_left", "%-4d|", {7}, "7   |"},
        {"int_plus", "%+d", {5}, "+5"},
        {"int_space", "% d", {5}, " 5"},
        {"int_plus_negative", "%+d", {-5}, "-5"},
        {"int_i", "%i", {-123}, "-123"},
        {"int_precision_min_digits", "%.3d", {7}, "007"},
        {"int_precision_negative", "%.3d", {-7}, "-007"},
        {"int_precision_turns_zero_flag_off", "%05.3d", {7}, "  007"},
        {"int_precision_zero_value_zero_empty", "%.0d", {0}, ""},
        {"int64_min", "%d", {std::numeric_limits<std::int64_t>::min()}, "-9223372036854775808"},
        {"unsigned_32_bit_as_signed", "%d", {4294967295u}, "-1"},
        {"unsigned_64_bit_as_signed", "%d", {std::uint64_t{5000000000}}, "5000000000"},
        {"hex_upper_zero_padded", "%08X", {0xDEADBEEFu}, "DEADBEEF"},
        {"hex_lower_zero_padded", "%08x", {0xBEEF}, "0000beef"},
        {"hex_upper", "%X", {255}, "FF"},
        {"negative_hex_is_32_bit", "%x", {-1}, "ffffffff"},
        {"negative_unsigned_is_32_bit", "%u", {-1}, "4294967295"},
        {"negative_64_bit_unsigned_keeps_64_bits", "%u", {std::int64_t{-5000000000}}, "18446744068709551616"},
        {"octal", "%o", {8}, "10"},
        {"octal_alternate", "%#o", {8}, "010"},
        {"octal_alternate_zero", "%#o", {0}, "0"},
        {"hex_alternate", "%#x", {255}, "0xff"},
        {"hex_alternate_upper", "%#X", {255}, "0XFF"},
        {"hex_alternate_zero_has_no_prefix", "%#x", {0}, "0"},
        {"hex_alternate_zero_pad_after_prefix", "%#06x", {255}, "0x00ff"},
        {"length_modifiers_ignored", "%ld %lld %I64d %hd %lu", {1, 2, std::int64_t{1} << 40, 70000, 5u},
         "1 2 1099511627776 70000 5"},
        {"bool_is_integer", "%d", {true}, "1"},
        {"char", "%c", {'A'}, "A"},
        {"char_width", "%3c", {65}, "  A"},
        // Strings.
        {"string", "%s", {"abc"}, "abc"},
        {"string_view", "[%s]", {std::string_view("x y")}, "[x y]"},
        {"string_left", "%-5s|", {"ab"}, "ab   |"},
        {"string_right", "%5s|", {"ab"}, "   ab|"},
        {"string_precision_truncates", "%.2s", {"abcdef"}, "ab"},
        {"string_zero_flag_pads_zeros_as_old_runtime", "%05s", {"ab"}, "000ab"},
        {"wide_string_conversion", "%S", {"x"}, "x"},
        {"null_string", "%s", {static_cast<const char*>(nullptr)}, "(null)"},
        {"percent", "100%%", {}, "100%"},
        {"no_conversions", "plain", {}, "plain"},
        // '*' width and precision.
        {"star_width", "%*d", {5, 42}, "   42"},
        {"star_negative_width_left_justifies", "%*d|", {-5, 42}, "42   |"},
        {"star_precision", "%.*f", {2, 3.14159}, "3.14"},
        {"star_negative_precision_is_default", "%.*f", {-1, 1.0}, "1.000000"},
        {"star_both", "%*.*e", {14, 1, 0.5}, "      5.0e-001"},
        // Whole device commands.
        {"device_command", "*SET %d %d %e", {3, 301, 0.5}, "*SET 3 301 5.000000e-001"},
        {"device_command_negative", "*SET %d %d %e", {3, 302, -12.25}, "*SET 3 302 -1.225000e+001"},
    };
    return rows;
}

class TextFormat : public testing::TestWithParam<format_row> {};

TEST_P(TextFormat, MatchesOldRuntime) {
    EXPECT_EQ(vformat(GetParam().fmt, GetParam().args), GetParam().expected) << GetParam().fmt;
}

INSTANTIATE_TEST_SUITE_P(Rows, TextFormat, testing::ValuesIn(format_rows()),
                         [](const testing::TestParamInfo<format_row>& info) { return std::string(info.param.name); });

TEST(TextFormat, VariadicFrontEnd) {
    const std::string name = "Input";
    EXPECT_EQ(format("*SET %d %d %e", 3, 301, 0.5), "*SET 3 301 5.000000e-001");
    EXPECT_EQ(format("%s %u %c", name, 7u, 'x'), "Input 7 x");
}

// Switches this thread to a locale whose decimal point is ',' for the scope.
class comma_locale_t {
public:
    comma_locale_t() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8"}) {
            loc_ = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
            if (loc_ == static_cast<locale_t>(nullptr))
                continue;
            if (std::string(nl_langinfo_l(RADIXCHAR, loc_)) == ",") {
                old_ = uselocale(loc_);
                return;
            }
            freelocale(loc_);
            loc_ = static_cast<locale_t>(nullptr);
        }
    }
    ~comma_locale_t() {
        if (loc_ != static_cast<locale_t>(nullptr)) {
            uselocale(old_);
            freelocale(loc_);
        }
    }
    comma_locale_t(const comma_locale_t&) = delete;
    comma_locale_t& operator=(const comma_locale_t&) = delete;
    bool active() const { return loc_ != static_cast<locale_t>(nullptr); }

private:
    locale_t loc_ = static_cast<locale_t>(nullptr);
    locale_t old_ = static_cast<locale_t>(nullptr);
};

TEST(TextFormatLocale, TableUnderCommaDecimalLocale) {
    comma_locale_t locale;
    if (!locale.active())
        GTEST_SKIP() << "no locale with a comma decimal point is installed";
    for (const format_row& row : format_rows())
        EXPECT_EQ(vformat(row.fmt, row.args), row.expected) << row.name;
}

struct error_row {
    const char* name;
    const char* fmt;
    std::vector<format_arg> args;
};

std::ostream& operator<<(std::ostream& os, const error_row& r) { return os << r.name; }

class TextFormatError : public testing::TestWithParam<error_row> {};

TEST_P(TextFormatError, Throws) {
    EXPECT_THROW(vformat(GetParam().fmt, GetParam().args), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextFormatError,
    testing::Values(
        error_row{"missing_argument", "%d %d", {1}},
        error_row{"missing_star_argument", "%*d", {5}},
        error_row{"int_conversion_with_string", "%d", {"5"}},
        error_row{"int_conversion_with_double", "%d", {1.5}},
        error_row{"char_with_string", "%c", {"a"}},
        error_row{"string_with_number", "%s", {5}},
        error_row{"fixed_with_integer", "%f", {1}},
        error_row{"exponent_with_unsigned", "%e", {1u}},
        error_row{"star_with_double", "%*d", {2.0, 1}},
        error_row{"unknown_conversion", "%q", {1}},
        error_row{"general_conversion_not_supported", "%g", {1.0}},
        error_row{"lone_percent_at_end", "abc%", {}},
        error_row{"conversion_cut_off_after_width", "%5", {1}},
        error_row{"conversion_cut_off_after_modifier", "%l", {1}},
        error_row{"absurd_width", "%99999999999d", {1}}),
    [](const testing::TestParamInfo<error_row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace platform::text
