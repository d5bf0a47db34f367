#pragma once
// Globally unique identifiers of classes, interfaces, type libraries and
// applications, with their usual text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/ascii.h"

namespace platform::automation {

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};

// Reads "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", with or without the braces,
// hex digits in either case; nothing else is accepted (no blanks).
constexpr std::optional<GUID> parse_guid(std::string_view text)
{
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}')
            return std::nullopt;
        text = text.substr(1, 36);
    }
    if (text.size() != 36)
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        const int hi = platform::text::hex_digit_value(text[i]);
        const int lo = platform::text::hex_digit_value(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    GUID g;
    g.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16)
        | (std::uint32_t{bytes[2]} << 8) | bytes[3];
    g.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (std::size_t i = 0; i < 8; ++i)
        g.Data4[i] = bytes[8 + i];
    return g;
}

// For identifiers written in the source: a malformed literal stops the build.
consteval GUID make_guid(std::string_view text)
{
    const auto g = parse_guid(text);
    if (!g)
        throw "malformed GUID literal";
    return *g;
}

// "{381EF319-04C3-4191-AD9D-FED30FE4DF7B}": upper case, with braces.
std::string to_string(const GUID& g);

struct guid_hash {
    std::size_t operator()(const GUID& g) const noexcept;
};

} // namespace platform::automation
