#include "qo/ip_address.h"
#include "qo/mac_address.h"

#include "platform/text/ascii.h"
#include "platform/text/format.h"
#include "platform/text/ipv4.h"

#include <cctype>
#include <climits>
#include <optional>

namespace qo {

namespace {

using platform::text::hex_digit_value;

bool is_space(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// One "%d" field: white space, optional sign, digits. False when there are
// no digits. Values beyond the int range saturate (they are out of range
// for a byte either way).
bool scan_int(std::string_view text, std::size_t& pos, long long& value) {
    while (pos < text.size() && is_space(text[pos]))
        ++pos;
    bool negative = false;
    std::size_t p = pos;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    if (p >= text.size() || !std::isdigit(static_cast<unsigned char>(text[p])))
        return false;
    long long v = 0;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
        if (v < INT_MAX)
            v = v * 10 + (text[p] - '0');
        ++p;
    }
    pos = p;
    value = negative ? -v : v;
    return true;
}

} // namespace

void ip_address_t::set_value(std::uint32_t value) {
    value_ = value;
    bytes_ = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
              static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

bool ip_address_t::parse(std::string_view text) {
    clear();
    std::uint32_t value = 0;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                break;
            ++pos;
        }
        long long field = 0;
        if (!scan_int(text, pos, field))
            break;
        if (field < 0 || field > 255)
            return false;
        value |= static_cast<std::uint32_t>(field) << (24 - 8 * part);
    }
    set_value(value);
    return true;
}

bool ip_address_t::try_parse(std::string_view text) {
    clear();
    const std::optional<std::uint32_t> value = platform::text::parse_ipv4(text);
    if (!value)
        return false;
    set_value(*value);
    return true;
}

std::string ip_address_t::to_string() const {
    return platform::text::format("%d.%d.%d.%d", int{bytes_[0]}, int{bytes_[1]}, int{bytes_[2]},
                                  int{bytes_[3]});
}

void mac_address_t::parse(std::string_view text) {
    clear();
    std::size_t pos = 0;
    for (std::uint8_t& byte : bytes_) {
        while (pos < text.size() && is_space(text[pos]))
            ++pos;
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos < text.size() && hex_digit_value(text[pos]) >= 0) {
            value = value * 16 + hex_digit_value(text[pos]);
            ++digits;
            ++pos;
        }
        if (digits == 0)
            return;
        byte = static_cast<std::uint8_t>(value);
    }
}

bool mac_address_t::try_parse(std::string_view text) {
    clear();
    if (text.size() != 12)
        return false;
    std::array<std::uint8_t, 6> bytes{};
    for (std::size_t i = 0; i < 12; i += 2) {
        const int high = hex_digit_value(text[i]);
        const int low = hex_digit_value(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i / 2] = static_cast<std::uint8_t>(high * 16 + low);
    }
    bytes_ = bytes;
    return true;
}

std::string mac_address_t::to_string() const {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(12);
    for (std::uint8_t byte : bytes_) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

bool mac_address_t::is_zero() const {
    for (std::uint8_t byte : bytes_)
        if (byte != 0)
            return false;
    return true;
}

} // namespace qo
