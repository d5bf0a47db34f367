#pragma once
// Geometry values that archives store as raw little-endian int32 blocks:
// a rectangle as 16 bytes (left, top, right, bottom), a point as 8 bytes
// (x, y), a size as 8 bytes (cx, cy).
#include <cstdint>

namespace platform::archive {

struct raw_rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const raw_rect&, const raw_rect&) = default;
};

struct raw_point {
    std::int32_t x = 0, y = 0;
    friend bool operator==(const raw_point&, const raw_point&) = default;
};

struct raw_size {
    std::int32_t cx = 0, cy = 0;
    friend bool operator==(const raw_size&, const raw_size&) = default;
};

} // namespace platform::archive
