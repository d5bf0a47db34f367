#pragma once
// The strict reading of a dotted IPv4 address that clients, scripts and
// stored forms give: "a.b.c.d", each part 1 to 3 decimal digits of value
// 0..255. Leading zeros are kept and read as decimal ("010" is 10, never
// octal as inet_addr would have it), so that a zero-padded column from a
// table still means what it shows. No sign, blank, empty part, fifth part or
// trailing text. The lenient readings (qo::ip_address_t::parse's sscanf
// rules, the socket layer's inet_addr) stay with their callers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::text {

// The address with the first part in the high byte.
constexpr std::optional<std::uint32_t> parse_ipv4(std::string_view text) {
    std::uint32_t address = 0;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (++digits > 3)
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
        }
        if (digits == 0 || value > 255)
            return std::nullopt;
        address = address << 8 | value;
    }
    if (pos != text.size())
        return std::nullopt;
    return address;
}

// "a.b.c.d" with the first part from the high byte.
inline std::string format_ipv4(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

} // namespace platform::text
