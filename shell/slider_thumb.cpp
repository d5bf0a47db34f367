#include "shell/slider_thumb.h"

namespace shell {

namespace gdi = platform::gdi;

namespace {

// Long and short side of the picture, without the thumb's edge.
constexpr int kLong = 21;
constexpr int kShort = 9;

gdi::Bitmap draw_thumb(bool horizontal) {
    const int width = horizontal ? kShort : kLong;
    const int height = horizontal ? kLong : kShort;
    gdi::Bitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Along the short side, which runs along the slider's axis, the
            // cap is lit from the start: light at the start, darker at the
            // end.
            const int along = horizontal ? x : y;
            const int across = horizontal ? y : x;
            const auto shade = static_cast<std::uint8_t>(0xE8 - along * 0x50 / (kShort - 1));
            gdi::COLORREF colour = gdi::RGB(shade, shade, shade);
            // The index line across the middle, with a light line beside
            // it, ends one pixel short of the cap's long edges.
            if (across > 0 && across < kLong - 1) {
                if (along == kShort / 2)
                    colour = gdi::RGB(0x20, 0x20, 0x20);
                else if (along == kShort / 2 + 1)
                    colour = gdi::kWhite;
            }
            picture.SetPixel(x, y, colour);
        }
    }
    return picture;
}

} // namespace

const gdi::Bitmap& SliderThumbPicture(bool horizontal) {
    static const gdi::Bitmap kHorizontal = draw_thumb(true);
    static const gdi::Bitmap kVertical = draw_thumb(false);
    return horizontal ? kHorizontal : kVertical;
}

} // namespace shell
