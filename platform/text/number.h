#pragma once
// Number parsing with the C runtime's atoi/atol/atof rules, independent of
// the locale: leading white space is skipped, then the longest number at the
// start is taken and the rest of the text ignored; no number gives 0.
//
// Unlike the C runtime, "nan", "inf", "infinity" and hexadecimal numbers are
// never accepted (they read as 0, or as the decimal prefix of "0x1p3"), and
// values out of range saturate instead of wrapping or becoming infinite.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform::text {

// How many characters of `text` the leading number takes, white space
// included; 0 when there is none. The value is stored in `out` when not null.
std::size_t parse_leading_int(std::string_view text, std::int64_t* out);
std::size_t parse_leading_double(std::string_view text, double* out);

// atoi / atol: 32-bit, saturating at INT32_MIN and INT32_MAX.
std::int32_t to_int32(std::string_view text);
// The 64-bit variant ("%I64i").
std::int64_t to_int64(std::string_view text);
// atof: decimal digits, optional fraction and exponent; saturates at
// +/- DBL_MAX, underflows to 0.
double to_double(std::string_view text);

} // namespace platform::text
