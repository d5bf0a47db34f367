#pragma once
// The picture of the shared slider's thumb, drawn here rather than shipped:
// a fader cap, shaded across the slider's axis with a dark index line
// along its middle at right angles to the axis. A horizontal slider's thumb
// stands taller than it is wide, a vertical slider's lies wider than tall.
#include "platform/gdi/bitmap.h"

namespace shell {

// Lives as long as the program.
const platform::gdi::Bitmap& SliderThumbPicture(bool horizontal);

} // namespace shell
