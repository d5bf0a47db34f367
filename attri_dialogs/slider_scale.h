#pragma once
// The scale of the pop-up level slider: position p stands for p / 10 - 100
// dB, so 0 is -100 dB, 1000 is 0 dB and 1120, the top, +12 dB.
#include <cstdint>

namespace attri_dialogs {

inline constexpr std::int32_t kSliderMinimum = 0;
inline constexpr std::int32_t kSliderMaximum = 1120;
inline constexpr std::int32_t kSliderTickFrequency = 100;

// The level a position stands for.
double SliderLevel(std::int32_t position);
// The position of a level: 1000 + 10 x dB, truncated toward zero (not
// clamped; the trackbar clamps).
std::int32_t SliderPosition(double dB);

} // namespace attri_dialogs
