#pragma once
// The sides a sheet may have, device sheet and DSP sheet alike: what the
// size dialogs and the DSP property panel accept. A size read from a file
// or from Ostrel.ini is held to them as well, so that the sums and zoomed
// products the views and the drawing make of a sheet's sides stay far
// within 32 bits whatever a damaged file holds.
#include <algorithm>
#include <cstdint>

namespace model {

inline constexpr std::int32_t kMinSheetSide = 500;
inline constexpr std::int32_t kMaxSheetSide = 20000;

inline std::int32_t ClampSheetSide(std::int32_t side)
{
    return std::clamp(side, kMinSheetSide, kMaxSheetSide);
}

} // namespace model
