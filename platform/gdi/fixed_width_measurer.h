#pragma once
// A text measurer for tests: every character is equally wide, whatever the
// font, so that expected positions and sizes can be worked out by hand.
//
// Cell height: the font height as given (its magnitude when negative), 16
// for a height of 0. Character width: the width given at construction, or
// half the cell height (at least 1) when that is 0. A character is a UTF-8
// code point.
#include "platform/gdi/text_measurer.h"

namespace platform::gdi {

class FixedWidthMeasurer : public TextMeasurer {
public:
    explicit FixedWidthMeasurer(int char_width = 0) : char_width_(char_width) {}

    Size MeasureText(const LOGFONT& font, std::string_view utf8) const override;

    static std::int32_t CellHeight(const LOGFONT& font);
    std::int32_t CharWidth(const LOGFONT& font) const;

private:
    int char_width_;
};

} // namespace platform::gdi
