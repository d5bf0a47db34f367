#pragma once
// One printf-style formatter for every text the system sends or stores.
//
// Output matches the Microsoft C runtime the devices and stored files were
// made with, whatever the process locale is: '.' as the decimal point, three
// exponent digits ("1.000000e+000"), halves rounded away from zero on the
// decimal digits, and at most 17 significant digits before zero padding
// ("%f" of 1e300 is "10000000000000001" followed by zeros).
//
// Supported: flags "-+ 0#", width and precision (also "*"), length modifiers
// h, l, ll, I64 (ignored: the argument's own type decides), conversions
// d i u o x X c s S e E f and "%%". A conversion whose argument is missing or
// of the wrong kind, or an unknown conversion, throws std::invalid_argument.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace platform::text {

class format_arg {
public:
    enum class kind { signed_int, unsigned_int, floating, string };

    template <typename T>
        requires(std::is_integral_v<T> && std::is_signed_v<T>)
    format_arg(T v) : kind_(kind::signed_int), i_(v) {}
    template <typename T>
        requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
    format_arg(T v) : kind_(kind::unsigned_int), u_(v) {}
    format_arg(bool v) : kind_(kind::signed_int), i_(v ? 1 : 0) {}
    format_arg(double v) : kind_(kind::floating), d_(v) {}
    format_arg(float v) : kind_(kind::floating), d_(v) {}
    format_arg(const char* v) : kind_(kind::string), s_(v ? v : "(null)") {}
    format_arg(std::string_view v) : kind_(kind::string), s_(v) {}
    format_arg(const std::string& v) : kind_(kind::string), s_(v) {}

    kind type() const { return kind_; }
    std::int64_t as_signed() const { return i_; }
    std::uint64_t as_unsigned() const { return u_; }
    double as_double() const { return d_; }
    std::string_view as_string() const { return s_; }

private:
    kind kind_;
    std::int64_t i_ = 0;
    std::uint64_t u_ = 0;
    double d_ = 0.0;
    std::string_view s_;
};

std::string vformat(std::string_view fmt, const std::vector<format_arg>& args);

template <typename... Args>
std::string format(std::string_view fmt, const Args&... args) {
    return vformat(fmt, std::vector<format_arg>{format_arg(args)...});
}

} // namespace platform::text
