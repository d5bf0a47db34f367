#pragma once
// The drawing seam's types under the names the sheet code uses.
#include "platform/gdi/canvas.h"
#include "platform/gdi/colour.h"
#include "platform/gdi/geometry.h"
#include "platform/gdi/logfont.h"
#include "platform/gdi/mapping.h"
#include "platform/gdi/text_measurer.h"

namespace model {

using platform::gdi::Brush;
using platform::gdi::Canvas;
using platform::gdi::COLORREF;
using platform::gdi::DeviceMapping;
using platform::gdi::LOGFONT;
using platform::gdi::Pen;
using platform::gdi::Point;
using platform::gdi::Rect;
using platform::gdi::Size;
using platform::gdi::TextMeasurer;

} // namespace model
