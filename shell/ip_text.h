#pragma once
// IPv4 addresses as the operator program keeps them: a 32-bit number with
// the first field in the highest byte (the configured discovery range, the
// addresses the device dialogs compare with it), and its dotted text.
#include <cstdint>
#include <string>
#include <string_view>

namespace shell {

// "a.b.c.d", four decimal fields of 0..255 and nothing else, as
// ((a*256+b)*256+c)*256+d. Any other text gives 0 and, when `ok` is given,
// false in it: a mistyped address never turns into some other address.
std::uint32_t StringToIp(std::string_view text, bool* ok = nullptr);

// "a.b.c.d", highest byte first.
std::string IpToString(std::uint32_t address);

} // namespace shell
