#include "platform/text/format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace platform::text {
namespace {

// Larger widths or precisions come only from a broken format or argument;
// refuse them rather than allocate without bound.
constexpr int max_field = 1 << 16;

struct conversion_t {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool alt = false;
    int width = 0;
    int precision = -1;
    char conv = 0;
};

[[noreturn]] void fail(const char* what, std::string_view fmt) {
    throw std::invalid_argument(std::string("format \"") + std::string(fmt) + "\": " + what);
}

class formatter_t {
public:
    formatter_t(std::string_view fmt, const std::vector<format_arg>& args) : fmt_(fmt), args_(args) {}

    std::string run() {
        out_.reserve(fmt_.size() + 16 * args_.size());
        std::size_t pos = 0;
        while (pos < fmt_.size()) {
            const std::size_t pct = fmt_.find('%', pos);
            if (pct == std::string_view::npos) {
                out_.append(fmt_.substr(pos));
                break;
            }
            out_.append(fmt_.substr(pos, pct - pos));
            pos = pct + 1;
            if (pos < fmt_.size() && fmt_[pos] == '%') {
                out_ += '%';
                ++pos;
                continue;
            }
            pos = conversion(pos);
        }
        return std::move(out_);
    }

private:
    const format_arg& next_arg() {
        if (next_ >= args_.size())
            fail("missing argument", fmt_);
        return args_[next_++];
    }

    int star_arg() {
        const format_arg& a = next_arg();
        if (a.type() == format_arg::kind::signed_int && a.as_signed() >= -max_field && a.as_signed() <= max_field)
            return static_cast<int>(a.as_signed());
        if (a.type() == format_arg::kind::unsigned_int && a.as_unsigned() <= max_field)
            return static_cast<int>(a.as_unsigned());
        if (a.type() == format_arg::kind::signed_int || a.type() == format_arg::kind::unsigned_int)
            fail("'*' value too large", fmt_);
        fail("'*' needs an integer argument", fmt_);
    }

    int number(std::size_t& pos) {
        int v = 0;
        while (pos < fmt_.size() && fmt_[pos] >= '0' && fmt_[pos] <= '9') {
            v = v * 10 + (fmt_[pos++] - '0');
            if (v > max_field)
                fail("width or precision too large", fmt_);
        }
        return v;
    }

    // Parses one conversion after its '%' and writes it; returns the position
    // after it.
    std::size_t conversion(std::size_t pos) {
        conversion_t s;
        for (; pos < fmt_.size(); ++pos) {
            const char c = fmt_[pos];
            if (c == '-') s.left = true;
            else if (c == '+') s.plus = true;
            else if (c == ' ') s.space = true;
            else if (c == '0') s.zero = true;
            else if (c == '#') s.alt = true;
            else break;
        }
        if (pos < fmt_.size() && fmt_[pos] == '*') {
            ++pos;
            s.width = star_arg();
            if (s.width < 0) {
                s.left = true;
                s.width = -s.width;
            }
        } else {
            s.width = number(pos);
        }
        if (pos < fmt_.size() && fmt_[pos] == '.') {
            ++pos;
            if (pos < fmt_.size() && fmt_[pos] == '*') {
                ++pos;
                s.precision = star_arg();
                if (s.precision < 0)
                    s.precision = -1;
            } else {
                s.precision = number(pos);
            }
        }
        const std::string_view rest = fmt_.substr(pos);
        if (rest.starts_with("I64") || rest.starts_with("ll"))
            pos += rest[0] == 'I' ? 3 : 2;
        else if (rest.starts_with('l') || rest.starts_with('h'))
            pos += 1;
        if (pos >= fmt_.size())
            fail("incomplete conversion at the end", fmt_);
        s.conv = fmt_[pos++];

        switch (s.conv) {
        case 'd': case 'i': case 'u': case 'o': case 'x': case 'X': case 'c':
            integer(s, next_arg());
            break;
        case 'e': case 'E': case 'f':
            floating(s, next_arg());
            break;
        case 's': case 'S': {
            const format_arg& a = next_arg();
            if (a.type() != format_arg::kind::string)
                fail("%s needs a string argument", fmt_);
            std::string_view text = a.as_string();
            if (s.precision >= 0 && static_cast<std::size_t>(s.precision) < text.size())
                text = text.substr(0, s.precision);
            emit(s, {}, text);
            break;
        }
        default:
            fail("unknown conversion", fmt_);
        }
        return pos;
    }

    // Writes prefix (sign or "0x"), leading zeros and text padded to the
    // width. As in the old runtime, the '0' flag pads with zeros after the
    // prefix for every conversion, strings included.
    void emit(const conversion_t& s, std::string_view prefix, std::string_view text) {
        const std::size_t len = prefix.size() + text.size();
        const std::size_t pad = static_cast<std::size_t>(s.width) > len ? s.width - len : 0;
        if (!s.left && !s.zero)
            out_.append(pad, ' ');
        out_.append(prefix);
        if (!s.left && s.zero)
            out_.append(pad, '0');
        out_.append(text);
        if (s.left)
            out_.append(pad, ' ');
    }

    void integer(conversion_t s, const format_arg& a) {
        if (a.type() != format_arg::kind::signed_int && a.type() != format_arg::kind::unsigned_int)
            fail("integer conversion needs an integer argument", fmt_);
        const bool is_signed_arg = a.type() == format_arg::kind::signed_int;

        if (s.conv == 'c') {
            const char ch = static_cast<char>(is_signed_arg ? a.as_signed() : a.as_unsigned());
            emit(s, {}, std::string_view(&ch, 1));
            return;
        }

        // int and long are 32 bits on the runtime the output has to match: a
        // value that fits in 32 bits is reinterpreted at 32 bits when its
        // signedness differs from the conversion's.
        bool negative = false;
        std::uint64_t magnitude;
        if (s.conv == 'd' || s.conv == 'i') {
            std::int64_t v;
            if (is_signed_arg)
                v = a.as_signed();
            else if (a.as_unsigned() <= std::numeric_limits<std::uint32_t>::max())
                v = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.as_unsigned()));
            else
                v = static_cast<std::int64_t>(a.as_unsigned());
            negative = v < 0;
            magnitude = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        } else if (!is_signed_arg) {
            magnitude = a.as_unsigned();
        } else if (a.as_signed() >= std::numeric_limits<std::int32_t>::min() &&
                   a.as_signed() <= std::numeric_limits<std::int32_t>::max()) {
            magnitude = static_cast<std::uint32_t>(static_cast<std::int32_t>(a.as_signed()));
        } else {
            magnitude = static_cast<std::uint64_t>(a.as_signed());
        }

        const int base = s.conv == 'o' ? 8 : (s.conv == 'x' || s.conv == 'X') ? 16 : 10;
        char digits[72];
        char* end = digits;
        // Precision 0 with value 0 prints no digits at all.
        if (magnitude != 0 || s.precision != 0)
            end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
        if (s.conv == 'X')
            for (char* p = digits; p != end; ++p)
                if (*p >= 'a' && *p <= 'f')
                    *p = static_cast<char>(*p - 'a' + 'A');
        const std::size_t ndigits = static_cast<std::size_t>(end - digits);

        // '#' with 'o' makes sure the text starts with a zero, adding one
        // only when the digits and the precision have not already.
        std::string text;
        const bool force_octal_zero = s.conv == 'o' && s.alt && (ndigits == 0 || digits[0] != '0');
        std::size_t min_digits = s.precision > 0 ? static_cast<std::size_t>(s.precision) : 0;
        if (force_octal_zero && min_digits <= ndigits)
            min_digits = ndigits + 1;
        if (min_digits > ndigits)
            text.append(min_digits - ndigits, '0');
        text.append(digits, ndigits);

        std::string_view prefix;
        if (s.conv == 'd' || s.conv == 'i')
            prefix = negative ? "-" : s.plus ? "+" : s.space ? " " : "";
        else if (s.alt && magnitude != 0 && s.conv == 'x')
            prefix = "0x";
        else if (s.alt && magnitude != 0 && s.conv == 'X')
            prefix = "0X";
        // An explicit precision turns the '0' flag off for integers.
        if (s.precision >= 0)
            s.zero = false;
        emit(s, prefix, text);
    }

    void floating(const conversion_t& s, const format_arg& a) {
        if (a.type() != format_arg::kind::floating)
            fail("floating conversion needs a floating argument", fmt_);
        const double v = a.as_double();
        const bool upper = s.conv == 'E';
        const bool exp_form = s.conv != 'f';
        const int precision = s.precision < 0 ? 6 : s.precision;

        std::string text;
        bool negative = std::signbit(v);
        if (std::isnan(v)) {
            negative = false;
            text = "1.#QNAN0";
        } else if (std::isinf(v)) {
            text = "1.#INF00";
        }
        if (!text.empty()) {
            if (exp_form)
                text += upper ? "E+000" : "e+000";
        } else {
            text = exp_form ? to_exponent(std::fabs(v), precision, s.alt, upper) : to_fixed(std::fabs(v), precision, s.alt);
        }
        const std::string_view prefix = negative ? "-" : s.plus ? "+" : s.space ? " " : "";
        emit(s, prefix, text);
    }

    // The significant digits of a finite, non-negative value and the decimal
    // exponent of the first one: at most 17 digits, correctly rounded.
    struct digits_t {
        char d[24];
        int count;
        int exponent;
    };

    static digits_t significant(double v) {
        digits_t r{};
        if (v == 0.0) {
            r.d[0] = '0';
            r.count = 1;
            r.exponent = 0;
            return r;
        }
        char buf[40];
        const char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 16).ptr;
        // "d.dddddddddddddddde[+-]xx"
        r.d[0] = buf[0];
        std::memcpy(r.d + 1, buf + 2, 16);
        r.count = 17;
        const char* e = buf + 18;
        std::from_chars(e + (e[1] == '+' ? 2 : 1), end, r.exponent);
        return r;
    }

    // Keeps the first `keep` digits, rounding the digit string half away from
    // zero, as the old runtime did on its 17-digit string. A carry out of the
    // first digit raises the exponent. keep may be 0 (only the rounding digit
    // matters) or negative (the value rounds to zero).
    static void round_digits(digits_t& r, int keep) {
        if (keep >= r.count)
            return;
        if (keep < 0) {
            r.d[0] = '0';
            r.count = 1;
            return;
        }
        const bool up = r.d[keep] >= '5';
        r.count = keep;
        if (!up) {
            if (r.count == 0) {
                r.d[0] = '0';
                r.count = 1;
            }
            return;
        }
        int i = keep - 1;
        while (i >= 0 && r.d[i] == '9')
            --i;
        if (i >= 0) {
            ++r.d[i];
            r.count = i + 1;
        } else {
            r.d[0] = '1';
            r.count = 1;
            ++r.exponent;
        }
    }

    // Digit i of the value (0 = the first significant one), zero beyond the
    // significant digits.
    static char digit_at(const digits_t& r, int i) { return i >= 0 && i < r.count ? r.d[i] : '0'; }

    static std::string to_exponent(double v, int precision, bool alt, bool upper) {
        digits_t r = significant(v);
        if (v != 0.0)
            round_digits(r, precision + 1);
        std::string t;
        t.reserve(precision + 8);
        t += r.d[0];
        if (precision > 0 || alt)
            t += '.';
        for (int i = 1; i <= precision; ++i)
            t += digit_at(r, i);
        t += upper ? 'E' : 'e';
        t += r.exponent < 0 ? '-' : '+';
        const int e = std::abs(r.exponent);
        t += static_cast<char>('0' + e / 100);
        t += static_cast<char>('0' + e / 10 % 10);
        t += static_cast<char>('0' + e % 10);
        return t;
    }

    static std::string to_fixed(double v, int precision, bool alt) {
        digits_t r = significant(v);
        const bool zero = v == 0.0;
        if (!zero) {
            round_digits(r, r.exponent + 1 + precision);
            if (r.count == 1 && r.d[0] == '0')
                r.exponent = 0;
        }
        std::string t;
        t.reserve((r.exponent > 0 ? r.exponent : 0) + precision + 3);
        if (r.exponent < 0)
            t += '0';
        for (int i = 0; i <= r.exponent; ++i)
            t += digit_at(r, i);
        if (precision > 0 || alt)
            t += '.';
        for (int i = 1; i <= precision; ++i)
            t += digit_at(r, r.exponent + i);
        return t;
    }

    std::string_view fmt_;
    const std::vector<format_arg>& args_;
    std::size_t next_ = 0;
    std::string out_;
};

} // namespace

std::string vformat(std::string_view fmt, const std::vector<format_arg>& args) {
    return formatter_t(fmt, args).run();
}

} // namespace platform::text
