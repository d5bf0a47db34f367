#include "platform/automation/guid.h"

#include <cstdio>
#include <functional>

namespace platform::automation {

std::string to_string(const GUID& g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2),
                  static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::size_t guid_hash::operator()(const GUID& g) const noexcept
{
    std::uint64_t tail = 0;
    for (auto b : g.Data4)
        tail = (tail << 8) | b;
    const std::uint64_t head = (std::uint64_t{g.Data1} << 32) | (std::uint64_t{g.Data2} << 16) | g.Data3;
    return std::hash<std::uint64_t>{}(head ^ (tail * 0x9E3779B97F4A7C15ull));
}

} // namespace platform::automation
