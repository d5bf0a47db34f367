#pragma once
// A picture that keeps the bit depth it was made with and can hand itself
// out as a packed device-independent bitmap, or draw itself stretched.
//
// A packed DIB is what the clipboard and .bmp files carry after their file
// header: a 40-byte info header, the colour table (4 bytes an entry, blue,
// green, red, 0) and the rows bottom-up, each padded to 4 bytes. All numbers
// are little-endian. Pictures of 1, 4 or 8 bits per pixel come out with
// that many bits and a full colour table; deeper ones as 24 bits (blue,
// green, red) without a table.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"

namespace shell {

// Compressions of a DIB header.
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;

inline constexpr std::uint32_t kDibHeaderSize = 40;

class CDibBitmap {
public:
    CDibBitmap() = default;
    // A true-colour picture as a device of `bitsPixel` bits (16, 24 or 32)
    // would hold it; fewer bits count as 24.
    explicit CDibBitmap(const platform::gdi::Bitmap& picture, int bitsPixel = 24);
    // A palette picture: planes x bitsPixel of at most 8 bits, one index
    // per pixel (top row first) into `colours`, which has an entry for each
    // index the depth allows. An index past the table shows black.
    static CDibBitmap Indexed(int width, int height, int planes, int bitsPixel,
                              std::vector<platform::gdi::COLORREF> colours,
                              std::vector<std::uint8_t> indices);
    // A monochrome picture: index 0 black, 1 white.
    static CDibBitmap Monochrome(int width, int height, std::vector<std::uint8_t> indices);

    bool IsEmpty() const { return m_width == 0 || m_height == 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Planes() const { return m_planes; }
    int BitsPixel() const { return m_bitsPixel; }
    // The picture as colours.
    platform::gdi::Bitmap ToBitmap() const;

    // The packed DIB, or nothing for an empty picture or a compression
    // other than BI_RGB (the bitfield masks are refused, and run-length
    // encoding is not written). `headerSize`, when given, receives the info
    // header's size.
    std::optional<std::vector<std::uint8_t>> ConvertToDIB(std::uint32_t* headerSize = nullptr,
                                                         std::uint32_t compression = BI_RGB) const;

    // Draws the whole picture into the rectangle by way of its DIB, the
    // colour table read as colours; lines are dropped or repeated, never
    // blended.
    void StretchDIB(platform::gdi::Canvas& dc, int left, int top, int right, int bottom) const;
    // Draws the whole picture into the rectangle directly.
    void StretchDraw(platform::gdi::Canvas& dc, int left, int top, int right, int bottom) const;

private:
    int m_width = 0, m_height = 0;
    int m_planes = 1, m_bitsPixel = 24;
    // Palette pictures: the table and one index per pixel; true colour: one
    // COLORREF per pixel. Top row first.
    std::vector<platform::gdi::COLORREF> m_colours;
    std::vector<std::uint32_t> m_pixels;
};

// Reads a packed BI_RGB DIB of 1, 4, 8 or 24 bits back into colours;
// nothing when the bytes do not hold one whole.
std::optional<platform::gdi::Bitmap> ReadPackedDib(const std::vector<std::uint8_t>& dib);

} // namespace shell
