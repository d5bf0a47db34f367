#pragma once
// Measures text the way the sheet objects size their boxes: the width of one
// line of text and the font's cell height, both in logical units. Device
// constructors and SetName take a measurer (they size titles and text boxes
// without drawing anything); every Canvas is one.
#include <string_view>

#include "platform/gdi/geometry.h"
#include "platform/gdi/logfont.h"

namespace platform::gdi {

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;

    // Width of `utf8` drawn on one line in `font` (no line breaks are
    // interpreted), and the font's cell height; an empty text has width 0
    // and the full height.
    virtual Size MeasureText(const LOGFONT& font, std::string_view utf8) const = 0;
};

} // namespace platform::gdi
