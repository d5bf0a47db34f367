#include "platform/text/number.h"

#include <charconv>
#include <limits>

namespace platform::text {
namespace {

// The C locale's white space, whatever the process locale says.
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_space(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_space(text[pos]))
        ++pos;
    return pos;
}

std::size_t skip_digits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_digit(text[pos]))
        ++pos;
    return pos;
}

} // namespace

std::size_t parse_leading_int(std::string_view text, std::int64_t* out) {
    std::size_t pos = skip_space(text, 0);
    // from_chars takes '-' but not '+'.
    const bool plus = pos < text.size() && text[pos] == '+';
    const std::size_t start = plus ? pos + 1 : pos;
    pos = !plus && start < text.size() && text[start] == '-' ? start + 1 : start;
    const std::size_t end = skip_digits(text, pos);
    std::int64_t value = 0;
    if (end == pos) {
        if (out)
            *out = 0;
        return 0;
    }
    const auto r = std::from_chars(text.data() + start, text.data() + end, value);
    if (r.ec == std::errc::result_out_of_range)
        value = text[start] == '-' ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    if (out)
        *out = value;
    return end;
}

std::size_t parse_leading_double(std::string_view text, double* out) {
    std::size_t pos = skip_space(text, 0);
    const bool plus = pos < text.size() && text[pos] == '+';
    const std::size_t start = plus ? pos + 1 : pos;
    const bool negative = !plus && start < text.size() && text[start] == '-';
    pos = negative ? start + 1 : start;

    // Mantissa: digits, optionally '.' and more digits; at least one digit.
    const std::size_t int_begin = pos;
    const std::size_t int_end = skip_digits(text, int_begin);
    std::size_t end = int_end;
    std::size_t frac_begin = int_end;
    std::size_t frac_end = int_end;
    if (end < text.size() && text[end] == '.') {
        frac_begin = end + 1;
        frac_end = skip_digits(text, frac_begin);
        end = frac_end;
    }
    if (int_end == int_begin && frac_end == frac_begin) {
        if (out)
            *out = 0.0;
        return 0;
    }

    // Exponent only when a digit follows: "1e" and "1e+" read as 1.
    long long exponent = 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t p = end + 1;
        const bool exp_negative = p < text.size() && text[p] == '-';
        if (p < text.size() && (text[p] == '+' || text[p] == '-'))
            ++p;
        const std::size_t exp_end = skip_digits(text, p);
        if (exp_end > p) {
            for (std::size_t i = p; i < exp_end && exponent < 1000000000000000; ++i)
                exponent = exponent * 10 + (text[i] - '0');
            if (exp_negative)
                exponent = -exponent;
            end = exp_end;
        }
    }

    double value = 0.0;
    const auto r = std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow or underflow: the decimal exponent of the first non-zero
        // digit tells which.
        long long lead = -1;
        for (std::size_t i = int_begin; i < int_end; ++i) {
            if (text[i] != '0') {
                lead = static_cast<long long>(int_end - i) - 1;
                break;
            }
        }
        if (lead < 0) {
            for (std::size_t i = frac_begin; i < frac_end; ++i) {
                if (text[i] != '0') {
                    lead = -static_cast<long long>(i - frac_begin) - 1;
                    break;
                }
            }
        }
        const double magnitude = lead + exponent >= 0 ? std::numeric_limits<double>::max() : 0.0;
        value = negative ? -magnitude : magnitude;
    }
    if (out)
        *out = value;
    return end;
}

std::int32_t to_int32(std::string_view text) {
    std::int64_t v;
    parse_leading_int(text, &v);
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::int64_t to_int64(std::string_view text) {
    std::int64_t v;
    parse_leading_int(text, &v);
    return v;
}

double to_double(std::string_view text) {
    double v;
    parse_leading_double(text, &v);
    return v;
}

} // namespace platform::text
