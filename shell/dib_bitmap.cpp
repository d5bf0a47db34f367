#include "shell/dib_bitmap.h"

#include <cstddef>
#include <utility>

namespace shell {

namespace gdi = platform::gdi;

namespace {

// The DIB depth for a picture's planes x bits.
int dib_bits(int planes, int bitsPixel)
{
    const int bits = planes * bitsPixel;
    if (bits <= 1)
        return 1;
    if (bits <= 4)
        return 4;
    if (bits <= 8)
        return 8;
    return 24;
}

// Bytes of one row: the bits rounded up to whole 32-bit words.
std::size_t row_bytes(int bits, int width)
{
    return ((std::size_t(bits) * std::size_t(width) + 31) & ~std::size_t(31)) / 8;
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(v >> shift));
}

std::uint32_t get32(const std::vector<std::uint8_t>& in, std::size_t at)
{
    return std::uint32_t(in[at]) | (std::uint32_t(in[at + 1]) << 8) |
           (std::uint32_t(in[at + 2]) << 16) | (std::uint32_t(in[at + 3]) << 24);
}

std::uint16_t get16(const std::vector<std::uint8_t>& in, std::size_t at)
{
    return std::uint16_t(in[at] | (in[at + 1] << 8));
}

} // namespace

CDibBitmap::CDibBitmap(const gdi::Bitmap& picture, int bitsPixel)
    : m_width(picture.Width()), m_height(picture.Height()),
      m_bitsPixel(bitsPixel > 8 ? bitsPixel : 24) // colours without a table need no fewer bits
{
    m_pixels.assign(picture.Pixels().begin(), picture.Pixels().end());
    for (auto& pixel : m_pixels)
        pixel &= 0xFFFFFF;
}

CDibBitmap CDibBitmap::Indexed(int width, int height, int planes, int bitsPixel,
                               std::vector<gdi::COLORREF> colours,
                               std::vector<std::uint8_t> indices)
{
    CDibBitmap bitmap;
    if (width <= 0 || height <= 0 || planes < 1 || bitsPixel < 1 || planes * bitsPixel > 8 ||
        indices.size() != std::size_t(width) * std::size_t(height))
        return bitmap;
    bitmap.m_width = width;
    bitmap.m_height = height;
    bitmap.m_planes = planes;
    bitmap.m_bitsPixel = bitsPixel;
    bitmap.m_colours = std::move(colours);
    bitmap.m_colours.resize(std::size_t(1) << (planes * bitsPixel), gdi::kBlack);
    bitmap.m_pixels.assign(indices.begin(), indices.end());
    const std::uint32_t limit = std::uint32_t(1) << (planes * bitsPixel);
    for (auto& index : bitmap.m_pixels)
        if (index >= limit)
            index = 0;
    return bitmap;
}

CDibBitmap CDibBitmap::Monochrome(int width, int height, std::vector<std::uint8_t> indices)
{
    return Indexed(width, height, 1, 1, {gdi::kBlack, gdi::kWhite}, std::move(indices));
}

gdi::Bitmap CDibBitmap::ToBitmap() const
{
    gdi::Bitmap picture(m_width, m_height);
    const bool indexed = !m_colours.empty();
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            const std::uint32_t pixel = m_pixels[std::size_t(y) * std::size_t(m_width) + x];
            picture.SetPixel(x, y, indexed ? m_colours[pixel] : pixel);
        }
    return picture;
}

std::optional<std::vector<std::uint8_t>> CDibBitmap::ConvertToDIB(std::uint32_t* headerSize,
                                                                 std::uint32_t compression) const
{
    if (IsEmpty() || compression != BI_RGB)
        return std::nullopt;
    const int bits = dib_bits(m_planes, m_bitsPixel);
    const std::size_t tableEntries = bits < 24 ? std::size_t(1) << bits : 0;
    const std::size_t stride = row_bytes(bits, m_width);
    const std::size_t imageSize = stride * std::size_t(m_height);

    std::vector<std::uint8_t> dib;
    dib.reserve(kDibHeaderSize + 4 * tableEntries + imageSize);
    put32(dib, kDibHeaderSize);
    put32(dib, std::uint32_t(m_width));
    put32(dib, std::uint32_t(m_height)); // positive: bottom-up rows
    put16(dib, 1);                       // planes
    put16(dib, std::uint16_t(bits));
    put32(dib, compression);
    put32(dib, std::uint32_t(imageSize));
    put32(dib, 0); // pixels per metre, x and y: not known
    put32(dib, 0);
    put32(dib, 0); // colours used: the whole table
    put32(dib, 0); // colours important: all

    // A picture shallower than its DIB (2 bits in a 4-bit DIB) fills the
    // rest of the table with black.
    for (std::size_t i = 0; i < tableEntries; ++i) {
        const gdi::COLORREF c = i < m_colours.size() ? m_colours[i] : gdi::kBlack;
        dib.push_back(gdi::GetBValue(c));
        dib.push_back(gdi::GetGValue(c));
        dib.push_back(gdi::GetRValue(c));
        dib.push_back(0);
    }

    const bool indexed = !m_colours.empty();
    for (int y = m_height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < m_width; ++x) {
            const std::uint32_t pixel = m_pixels[std::size_t(y) * std::size_t(m_width) + x];
            if (bits == 24) {
                const gdi::COLORREF c = indexed ? m_colours[pixel] : pixel;
                row[std::size_t(x) * 3] = gdi::GetBValue(c);
                row[std::size_t(x) * 3 + 1] = gdi::GetGValue(c);
                row[std::size_t(x) * 3 + 2] = gdi::GetRValue(c);
            } else {
                // The leftmost pixel in the highest bits of its byte.
                const std::size_t bit = std::size_t(x) * std::size_t(bits);
                const int shift = 8 - bits - int(bit % 8);
                row[bit / 8] |= std::uint8_t(pixel << shift);
            }
        }
        dib.insert(dib.end(), row.begin(), row.end());
    }
    if (headerSize)
        *headerSize = kDibHeaderSize;
    return dib;
}

void CDibBitmap::StretchDIB(gdi::Canvas& dc, int left, int top, int right, int bottom) const
{
    const auto dib = ConvertToDIB(nullptr, BI_RGB);
    if (!dib)
        return;
    if (const auto picture = ReadPackedDib(*dib))
        dc.StretchBitmap(*picture, {left, top, right, bottom});
}

void CDibBitmap::StretchDraw(gdi::Canvas& dc, int left, int top, int right, int bottom) const
{
    if (!IsEmpty())
        dc.StretchBitmap(ToBitmap(), {left, top, right, bottom});
}

std::optional<gdi::Bitmap> ReadPackedDib(const std::vector<std::uint8_t>& dib)
{
    if (dib.size() < kDibHeaderSize)
        return std::nullopt;
    const std::uint32_t size = get32(dib, 0);
    const auto width = std::int32_t(get32(dib, 4));
    const auto height = std::int32_t(get32(dib, 8));
    const std::uint16_t planes = get16(dib, 12);
    const std::uint16_t bits = get16(dib, 14);
    const std::uint32_t compression = get32(dib, 16);
    const std::uint32_t used = get32(dib, 32);
    if (size < kDibHeaderSize || size > dib.size() || planes != 1 || compression != BI_RGB ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24) || width <= 0 || height == 0 ||
        width > 0x8000 || height > 0x8000 || height < -0x8000)
        return std::nullopt;
    const std::size_t maxEntries = bits < 24 ? std::size_t(1) << bits : 0;
    const std::size_t entries = used == 0 ? maxEntries : std::size_t(used);
    if (entries > maxEntries && bits < 24)
        return std::nullopt;
    const std::size_t tableAt = size;
    const std::size_t tableEntries = bits < 24 ? entries : 0;
    const std::size_t bitsAt = tableAt + 4 * tableEntries;
    const bool bottomUp = height > 0;
    const int rows = bottomUp ? height : -height;
    const std::size_t stride = row_bytes(bits, width);
    if (bitsAt > dib.size() || (dib.size() - bitsAt) / stride < std::size_t(rows))
        return std::nullopt;

    std::vector<gdi::COLORREF> table(tableEntries);
    for (std::size_t i = 0; i < tableEntries; ++i) {
        const std::size_t at = tableAt + 4 * i;
        table[i] = gdi::RGB(dib[at + 2], dib[at + 1], dib[at]);
    }
    gdi::Bitmap picture(width, rows);
    for (int r = 0; r < rows; ++r) {
        const std::size_t rowAt = bitsAt + std::size_t(r) * stride;
        const int y = bottomUp ? rows - 1 - r : r;
        for (int x = 0; x < width; ++x) {
            gdi::COLORREF c = gdi::kBlack;
            if (bits == 24) {
                const std::size_t at = rowAt + std::size_t(x) * 3;
                c = gdi::RGB(dib[at + 2], dib[at + 1], dib[at]);
            } else {
                const std::size_t bit = std::size_t(x) * bits;
                const int shift = 8 - int(bits) - int(bit % 8);
                const std::size_t index = (dib[rowAt + bit / 8] >> shift) & ((1u << bits) - 1);
                if (index < table.size())
                    c = table[index];
            }
            picture.SetPixel(x, y, c);
        }
    }
    return picture;
}

} // namespace shell
