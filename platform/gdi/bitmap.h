#pragma once
// A picture held in memory for drawing: width x height pixels, top row
// first, each pixel a COLORREF (0x00BBGGRR).
#include <cstdint>
#include <vector>

#include "platform/gdi/colour.h"

namespace platform::gdi {

class Bitmap {
public:
    Bitmap() = default;
    // Negative sizes count as 0.
    Bitmap(int width, int height, COLORREF fill = kWhite);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }

    // Outside the picture: GetPixel answers 0, SetPixel does nothing.
    COLORREF GetPixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF colour);

    const std::vector<COLORREF>& Pixels() const { return pixels_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<COLORREF> pixels_;
};

} // namespace platform::gdi
