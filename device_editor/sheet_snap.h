#pragma once
// Positions and offsets on a device sheet are multiples of 10, so that the
// devices, their channels and the links line up on the grid dots.
#include <cstdint>

namespace device_editor {

// 10 x (d / 10, truncated towards zero), plus 10 when the remainder is 6 or
// more: 16 -> 20, 15 -> 10, -16 -> -10 (a negative remainder never adds).
constexpr std::int32_t SnapToGrid(std::int32_t d) {
    const std::int32_t q = d / 10, r = d % 10;
    return 10 * q + (r > 5 ? 10 : 0);
}

} // namespace device_editor
