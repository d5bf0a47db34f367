#include "families.h"

#include <cstdio>

namespace namsim {

namespace {

std::vector<bank_t> numbered(const char* format, int first, int last, std::size_t size) {
    std::vector<bank_t> banks;
    for (int i = first; i <= last; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, format, i);
        banks.push_back({name, size});
    }
    return banks;
}

std::vector<bank_t> joined(std::initializer_list<std::vector<bank_t>> parts) {
    std::vector<bank_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::vector<family_t>& families() {
    // The flash of a tolk module: a 16 KiB boot sector, two 8 KiB sectors
    // (rest of boot, configuration), then the FPGA image and two pairs of
    // 128 KiB code banks. tolkamd has 64 KiB sectors instead.
    static const std::vector<family_t> all = {
        {"tolk",
         joined({{{"m01", 0x4000}, {"m02", 0x2000}, {"m03", 0x2000}, {"m04", 0x18000},
                  {"m05", 0x20000}},
                 numbered("m%02d", 6, 9, 0x20000)}),
         "m03", 4},
        {"tolkamd",
         joined({{{"a01", 0x4000}, {"a02", 0x2000}, {"a03", 0x2000}, {"a05", 0x10000},
                  {"a06", 0x10000}},
                 numbered("a%02d", 8, 15, 0x10000)}),
         "a03", 4},
        {"brisk", numbered("r%d", 1, 6, 0x4000), "r2", 0x3c04},
        {"plinth",
         {{"f1", 0x10000}, {"f2", 0x10000}, {"f3", 0x10000}, {"f4", 0x10000}, {"f8", 0x10000}},
         "f8", 0xfc04},
    };
    return all;
}

} // namespace

const family_t* find_family(std::string_view name) {
    for (const family_t& family : families())
        if (family.name == name)
            return &family;
    return nullptr;
}

std::string family_names() {
    std::string names;
    for (const family_t& family : families()) {
        if (!names.empty())
            names += "|";
        names += family.name;
    }
    return names;
}

} // namespace namsim
