#pragma once
// Bitmap resources of the operator program, by resource id.
#include "platform/gdi/bitmap.h"

namespace resources {

// Pictures of external equipment on a device sheet, 62 x 62 each.
inline constexpr int kBitmapPc = 250;
inline constexpr int kBitmapCd = 251;
inline constexpr int kBitmapMicrophone = 252;
inline constexpr int kBitmapSpeaker = 253;
inline constexpr int kBitmapAmplifier = 254;

// The bitmap with that resource id, or null when there is none. The
// pictures are decoded once and live as long as the program.
const platform::gdi::Bitmap* LoadBitmap(int id);

} // namespace resources
