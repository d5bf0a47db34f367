#pragma once
// Character rules of stored and written forms (ini keys, ProgIDs, member
// names, hex digits): plain ASCII, whatever the process locale. Bytes from
// 0x80 up are compared as they are, never folded.
#include <cstddef>
#include <string_view>

namespace platform::text {

// 0..15 for a hex digit in either case; -1 for anything else.
constexpr int hex_digit_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr bool equals_no_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    return true;
}

// Negative, 0 or positive as `a` sorts before, with or after `b` once both
// are lowered; bytes compare unsigned, a prefix sorts first.
constexpr int compare_no_case(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(ascii_lower(a[i]));
        const auto y = static_cast<unsigned char>(ascii_lower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace platform::text
