#include "platform/gdi/fixed_width_measurer.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gdi/canvas.h"

namespace platform::gdi {

std::int32_t FixedWidthMeasurer::CellHeight(const LOGFONT& font) {
    return font.lfHeight == 0 ? 16 : std::abs(font.lfHeight);
}

std::int32_t FixedWidthMeasurer::CharWidth(const LOGFONT& font) const {
    return char_width_ > 0 ? char_width_ : std::max<std::int32_t>(1, CellHeight(font) / 2);
}

Size FixedWidthMeasurer::MeasureText(const LOGFONT& font, std::string_view utf8) const {
    const auto n = static_cast<std::int32_t>(text_layout::CountCharacters(utf8));
    return {n * CharWidth(font), CellHeight(font)};
}

} // namespace platform::gdi
