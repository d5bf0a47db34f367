#pragma once
// Device addresses: the text a caller names a device by ("10.0.0.7",
// "10.0.0.7/16161", "unit-7.example", "localhost/16161") and the dotted
// address, with its port, that the back ends send to.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrin2 {

// The IPv4 address of a host name in network order; throws qo::exception_t
// when the name does not resolve. qo::net::resolve_host by default.
using snmp_host_resolver_t = std::function<std::uint32_t(std::string_view host)>;

// Where requests for the device named by `text` go: the text itself when it
// is a dotted address (optionally with "/port"); for a host name (optionally
// with "/port"), the dotted form of the address `resolve` gives, with the
// same port. Anything else, a bad port and a name that does not resolve
// give "Invalid IP address"; texts that cannot be host names (blanks,
// numbers alone, a bad port) are refused without a look-up.
std::string snmp_device_address(const std::string& text, const snmp_host_resolver_t& resolve);

} // namespace kestrin2
