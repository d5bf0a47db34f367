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
    return platform::text::format_ipv4(address);
}

} // namespace shell
