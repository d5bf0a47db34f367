// Pictures as packed DIBs: the bytes against hand-written ones, the depth
// each picture gets, and drawing through the canvas.
#include "shell/dib_bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gdi/recording_canvas.h"

namespace {

namespace gdi = platform::gdi;
using shell::CDibBitmap;
using Bytes = std::vector<std::uint8_t>;

// Keeps the pictures it is asked to draw, with their rectangles.
class CPictureCanvas final : public gdi::RecordingCanvas {
public:
    std::vector<gdi::Bitmap> pictures;
    std::vector<gdi::Rect> rects;

protected:
    void DoBitmap(const gdi::Bitmap& bitmap, const gdi::Rect& dest) override
    {
        pictures.push_back(bitmap);
        rects.push_back(dest);
        RecordingCanvas::DoBitmap(bitmap, dest);
    }
};

TEST(DibBitmap, MonochromeTwoByTwoAsBytes)
{
    // Top row: white, black; bottom row: black, white.
    const CDibBitmap picture = CDibBitmap::Monochrome(2, 2, {1, 0, 0, 1});
    std::uint32_t headerSize = 0;
    const auto dib = picture.ConvertToDIB(&headerSize);
    ASSERT_TRUE(dib);
    EXPECT_EQ(headerSize, 40u);
    const Bytes golden = {
        0x28, 0x00, 0x00, 0x00, // header size 40
        0x02, 0x00, 0x00, 0x00, // width 2
        0x02, 0x00, 0x00, 0x00, // height 2: bottom-up
        0x01, 0x00,             // planes
        0x01, 0x00,             // 1 bit per pixel
        0x00, 0x00, 0x00, 0x00, // BI_RGB
        0x08, 0x00, 0x00, 0x00, // image: 2 rows of 4 bytes
        0x00, 0x00, 0x00, 0x00, // pixels per metre x
        0x00, 0x00, 0x00, 0x00, // pixels per metre y
        0x00, 0x00, 0x00, 0x00, // colours used
        0x00, 0x00, 0x00, 0x00, // colours important
        0x00, 0x00, 0x00, 0x00, // entry 0: black
        0xFF, 0xFF, 0xFF, 0x00, // entry 1: white
        0x40, 0x00, 0x00, 0x00, // bottom row: 0 1, padded
        0x80, 0x00, 0x00, 0x00, // top row: 1 0, padded
    };
    EXPECT_EQ(*dib, golden);
}

TEST(DibBitmap, TrueColourTwoByTwoAsBytes)
{
    gdi::Bitmap colours(2, 2);
    colours.SetPixel(0, 0, gdi::RGB(0xFF, 0x00, 0x00));
    colours.SetPixel(1, 0, gdi::RGB(0x00, 0x80, 0x00));
    colours.SetPixel(0, 1, gdi::RGB(0x00, 0x00, 0xFF));
    colours.SetPixel(1, 1, gdi::RGB(0x12, 0x34, 0x56));
    const auto dib = CDibBitmap(colours).ConvertToDIB();
    ASSERT_TRUE(dib);
    const Bytes golden = {
        0x28, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
        0x01, 0x00,             // planes
        0x18, 0x00,             // 24 bits per pixel
        0x00, 0x00, 0x00, 0x00, // BI_RGB
        0x10, 0x00, 0x00, 0x00, // image: 2 rows of 6 bytes padded to 8
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        // no colour table; bottom row first, each pixel blue, green, red
        0xFF, 0x00, 0x00, 0x56, 0x34, 0x12, 0x00, 0x00,
        0x00, 0x00, 0xFF, 0x00, 0x80, 0x00, 0x00, 0x00,
    };
    EXPECT_EQ(*dib, golden);
}

TEST(DibBitmap, DepthAndTableFollowPlanesTimesBits)
{
    struct Row {
        const char* what;
        int planes, bits; // 0 bits: a true-colour picture of `planes` bits
        int dibBits;
        std::size_t tableEntries;
    };
    const Row rows[] = {
        {"monochrome", 1, 1, 1, 2},
        {"two bits widen to four", 1, 2, 4, 16},
        {"four planes of one bit", 4, 1, 4, 16},
        {"four bits", 1, 4, 4, 16},
        {"eight bits", 1, 8, 8, 256},
        {"two planes of four bits", 2, 4, 8, 256},
        {"sixteen bits become 24", 16, 0, 24, 0},
        {"24 bits", 24, 0, 24, 0},
        {"32 bits become 24", 32, 0, 24, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const int width = 5, height = 3;
        const CDibBitmap picture =
            row.bits == 0 ? CDibBitmap(gdi::Bitmap(width, height), row.planes)
                          : CDibBitmap::Indexed(width, height, row.planes, row.bits, {},
                                                Bytes(width * height, 0));
        const auto dib = picture.ConvertToDIB();
        ASSERT_TRUE(dib);
        ASSERT_GE(dib->size(), 40u);
        EXPECT_EQ((*dib)[14], row.dibBits);
        const std::size_t stride = ((row.dibBits * width + 31) / 32) * 4;
        EXPECT_EQ(dib->size(), 40 + 4 * row.tableEntries + stride * height);
        EXPECT_EQ((*dib)[20], stride * height); // the image size
    }
}

TEST(DibBitmap, NothingForAnEmptyPictureOrOtherCompressions)
{
    const CDibBitmap picture = CDibBitmap::Monochrome(2, 2, {0, 1, 1, 0});
    std::uint32_t headerSize = 7;
    EXPECT_FALSE(picture.ConvertToDIB(&headerSize, shell::BI_BITFIELDS));
    EXPECT_FALSE(picture.ConvertToDIB(&headerSize, shell::BI_RLE8));
    EXPECT_EQ(headerSize, 7u);
    EXPECT_FALSE(CDibBitmap().ConvertToDIB());
    // Pixel indices that do not match the size make no picture.
    EXPECT_TRUE(CDibBitmap::Monochrome(2, 2, {0, 1, 1}).IsEmpty());
}

TEST(DibBitmap, FourBitsPackTwoPixelsABytePaddedToWords)
{
    const CDibBitmap picture =
        CDibBitmap::Indexed(3, 1, 1, 4, {gdi::kBlack, gdi::RGB(1, 2, 3)}, {1, 0xF, 1});
    const auto dib = picture.ConvertToDIB();
    ASSERT_TRUE(dib);
    ASSERT_EQ(dib->size(), 40u + 64 + 4);
    // Entry 1 as blue, green, red, 0; the unset entries are black.
    EXPECT_EQ(Bytes(dib->begin() + 44, dib->begin() + 48), (Bytes{3, 2, 1, 0}));
    EXPECT_EQ(Bytes(dib->begin() + 104, dib->end()), (Bytes{0x1F, 0x10, 0x00, 0x00}));
}

TEST(DibBitmap, StretchDibDrawsTheTableAsColoursIntoTheRectangle)
{
    const gdi::COLORREF orange = gdi::RGB(0xFF, 0x80, 0x00), teal = gdi::RGB(0x00, 0x80, 0x80);
    const CDibBitmap picture = CDibBitmap::Indexed(2, 2, 1, 8, {orange, teal}, {0, 1, 1, 1});
    CPictureCanvas dc;
    picture.StretchDIB(dc, 10, 20, 30, 60);
    picture.StretchDraw(dc, 0, 0, 4, 4);
    ASSERT_EQ(dc.pictures.size(), 2u);
    EXPECT_EQ(dc.rects[0], gdi::Rect(10, 20, 30, 60));
    EXPECT_EQ(dc.rects[1], gdi::Rect(0, 0, 4, 4));
    for (const gdi::Bitmap& drawn : dc.pictures) {
        ASSERT_EQ(drawn.Width(), 2);
        ASSERT_EQ(drawn.Height(), 2);
        EXPECT_EQ(drawn.GetPixel(0, 0), orange); // top row stays on top
        EXPECT_EQ(drawn.GetPixel(1, 0), teal);
        EXPECT_EQ(drawn.GetPixel(0, 1), teal);
    }

    CPictureCanvas none;
    CDibBitmap().StretchDIB(none, 0, 0, 10, 10);
    CDibBitmap().StretchDraw(none, 0, 0, 10, 10);
    EXPECT_TRUE(none.Ops().empty());
}

TEST(DibBitmap, ReaderRefusesBytesThatDoNotHoldAWholeDib)
{
    const auto dib = CDibBitmap::Monochrome(2, 2, {1, 0, 0, 1}).ConvertToDIB();
    ASSERT_TRUE(dib);
    ASSERT_TRUE(shell::ReadPackedDib(*dib));

    Bytes shortRows(dib->begin(), dib->end() - 1);
    EXPECT_FALSE(shell::ReadPackedDib(shortRows));
    Bytes shortHeader(dib->begin(), dib->begin() + 39);
    EXPECT_FALSE(shell::ReadPackedDib(shortHeader));
    Bytes tooManyColours = *dib;
    tooManyColours[32] = 3; // more entries than one bit indexes
    EXPECT_FALSE(shell::ReadPackedDib(tooManyColours));
    Bytes hugeHeader = *dib;
    hugeHeader[3] = 0x7F;
    EXPECT_FALSE(shell::ReadPackedDib(hugeHeader));
}

} // namespace
