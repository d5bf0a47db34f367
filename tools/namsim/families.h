#pragma once
// The bank files a network audio module of each family serves, with their
// sizes, and where its configuration record keeps the MAC address.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace namsim {

struct bank_t {
    std::string name;
    std::size_t size = 0;
};

struct family_t {
    std::string name;
    std::vector<bank_t> banks;
    // The bank holding the configuration record and the offset of the MAC
    // in it: three 2-byte pieces at offset, offset + 3 and offset + 6.
    std::string config_bank;
    std::size_t mac_offset = 0;
};

// nullptr for an unknown name.
const family_t* find_family(std::string_view name);
// The family names, for the usage text.
std::string family_names();

} // namespace namsim
