#pragma once
// The machine's Ethernet cards that carry an IPv4 address.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::w32n {

struct card_t {
    std::string name;       // interface name: what W32N_OpenAdapterA opens
    std::uint32_t ip = 0;   // first IPv4 address, host order
    std::uint32_t mask = 0; // its netmask, host order
    std::array<std::uint8_t, 6> mac{};
};

// In the order the system lists the interfaces; loopback and other link
// types, and cards without an IPv4 address, are left out. Empty when the
// list cannot be read.
std::vector<card_t> ethernet_cards();

} // namespace platform::w32n
