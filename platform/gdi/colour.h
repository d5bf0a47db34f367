#pragma once
// Colour values as the stored files and ini files hold them: 0x00BBGGRR,
// red in the lowest byte. Conversion to a toolkit colour lives with the
// toolkit adapter (qt_canvas.h), nowhere else.
#include <cstdint>

namespace platform::gdi {

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) {
    return std::uint8_t(c & 0xFF);
}
constexpr std::uint8_t GetGValue(COLORREF c) {
    return std::uint8_t((c >> 8) & 0xFF);
}
constexpr std::uint8_t GetBValue(COLORREF c) {
    return std::uint8_t((c >> 16) & 0xFF);
}

// Colours the sheet drawing names again and again.
inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kGreen = 0x008200; // the "connected" dot green

// The four shades of three-dimensional edges (see Canvas::DrawEdge), fixed
// to the classic scheme the sheets were drawn with.
inline constexpr COLORREF kEdgeHighlight = 0xFFFFFF;
inline constexpr COLORREF kEdgeLight = 0xD4D0C8;
inline constexpr COLORREF kEdgeShadow = 0x808080;
inline constexpr COLORREF kEdgeDarkShadow = 0x404040;

} // namespace platform::gdi
