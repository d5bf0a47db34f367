#include "poller/snmp_address.h"

#include <array>

#include "platform/snmppp/address.h"
#include "qo/exception.h"

namespace kestrin2 {

namespace {

[[noreturn]] void invalid_address() {
    throw qo::exception_t("Invalid IP address");
}

// Letters, digits, '-', '_' and '.', with at least one letter: a text of
// digits and dots alone is a malformed address, never a name to look up.
bool looks_like_host_name(std::string_view text) {
    constexpr std::size_t longest_name = 253;
    if (text.empty() || text.size() > longest_name)
        return false;
    bool letter = false;
    for (char c : text) {
        const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        letter = letter || alpha;
        if (!alpha && !(c >= '0' && c <= '9') && c != '-' && c != '_' && c != '.')
            return false;
    }
    return letter;
}

} // namespace

std::string snmp_device_address(const std::string& text, const snmp_host_resolver_t& resolve) {
    namespace pp = platform::snmppp;
    if (pp::GenAddress(text).valid())
        return text;
    const std::size_t slash = text.find('/');
    const std::string_view host = std::string_view(text).substr(0, slash);
    const std::string port = slash == std::string::npos ? std::string() : text.substr(slash);
    // The port is checked by the same rule as a dotted address's, before
    // anything is looked up.
    if (!looks_like_host_name(host) || !pp::GenAddress("0.0.0.0" + port).valid())
        invalid_address();
    std::uint32_t network_order = 0;
    try {
        network_order = resolve(host);
    } catch (const qo::exception_t&) {
        invalid_address();
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&network_order);
    return pp::IpAddress(std::array<std::uint8_t, 4>{bytes[0], bytes[1], bytes[2], bytes[3]})
               .get_printable() +
           port;
}

} // namespace kestrin2
