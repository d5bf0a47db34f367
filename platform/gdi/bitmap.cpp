#include "platform/gdi/bitmap.h"

#include <algorithm>

namespace platform::gdi {

Bitmap::Bitmap(int width, int height, COLORREF fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {
    if (width_ == 0 || height_ == 0)
        width_ = height_ = 0;
}

COLORREF Bitmap::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void Bitmap::SetPixel(int x, int y, COLORREF colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
            static_cast<std::size_t>(x)] = colour;
}

} // namespace platform::gdi
