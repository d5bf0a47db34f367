#include "shell/ip_text.h"

#include "platform/text/ipv4.h"

namespace shell {

std::uint32_t StringToIp(std::string_view text, bool* ok) {
    const std::optional<std::uint32_t> address = platform::text::parse_ipv4(text);
    if (ok != nullptr)
        *ok = address.has_value();
    return address.value_or(0);
}

std::string IpToString(std::uint32_t address) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (shift != 24)
            text += '.';
        text += std::to_string(address >> shift & 0xFF);
    }
    return text;
}

} // namespace shell
