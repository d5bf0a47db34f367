#include "platform/snmppp/address.h"

#include "platform/text/ascii.h"
#include "platform/text/ipv4.h"

#include <cstdio>
#include <optional>

namespace platform::snmppp {

IpAddress::IpAddress(std::string_view dotted) {
    const std::optional<std::uint32_t> address = text::parse_ipv4(dotted);
    if (!address)
        return;
    bytes_ = {static_cast<std::uint8_t>(*address >> 24), static_cast<std::uint8_t>(*address >> 16),
              static_cast<std::uint8_t>(*address >> 8), static_cast<std::uint8_t>(*address)};
    valid_ = true;
}

std::string IpAddress::get_printable() const {
    if (!valid_)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes_[0], bytes_[1], bytes_[2], bytes_[3]);
    return text;
}

std::unique_ptr<SnmpSyntax> IpAddress::clone() const {
    return std::make_unique<IpAddress>(*this);
}

GenAddress::GenAddress(std::string_view text) {
    const std::size_t slash = text.find('/');
    IpAddress ip(text.substr(0, slash));
    if (!ip.valid())
        return;
    std::uint16_t port = default_port;
    if (slash != std::string_view::npos) {
        const std::string_view digits = text.substr(slash + 1);
        if (digits.empty() || digits.size() > 5)
            return;
        unsigned value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return;
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value == 0 || value > 65535)
            return;
        port = static_cast<std::uint16_t>(value);
    }
    ip_ = ip;
    port_ = port;
}

std::string GenAddress::get_printable() const {
    if (!valid())
        return {};
    return ip_.get_printable() + "/" + std::to_string(port_);
}

MacAddress::MacAddress(std::string_view text) {
    std::array<std::uint8_t, 6> bytes{};
    std::size_t i = 0;
    char separator = 0;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        if (n > 0 && i < text.size() && (text[i] == ':' || text[i] == '-')) {
            if (separator == 0 && n == 1)
                separator = text[i];
            if (text[i] != separator)
                return;
            ++i;
        } else if (n > 0 && separator != 0) {
            return;
        }
        if (i + 2 > text.size())
            return;
        const int high = platform::text::hex_digit_value(text[i]);
        const int low = platform::text::hex_digit_value(text[i + 1]);
        if (high < 0 || low < 0)
            return;
        bytes[n] = static_cast<std::uint8_t>(high << 4 | low);
        i += 2;
    }
    if (i != text.size())
        return;
    bytes_ = bytes;
    valid_ = true;
}

std::string MacAddress::get_printable() const {
    if (!valid_)
        return {};
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", bytes_[0], bytes_[1],
                  bytes_[2], bytes_[3], bytes_[4], bytes_[5]);
    return text;
}

} // namespace platform::snmppp
