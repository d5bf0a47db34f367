// The compiled-in pictures: each id the program asks for decodes to a picture
// of its group's size with something drawn on it, no two of a group alike,
// and an id without a picture gives none.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/gdi/geometry.h"
#include "resources/bitmaps.h"

namespace {

namespace gdi = platform::gdi;

struct group_t {
    const char* name;
    std::function<const gdi::Bitmap*(int)> load;
    int width, height;
    bool masked; // transparent pixels in kIconMask
    std::vector<int> ids;
    std::vector<int> unknown;
};

const std::vector<group_t>& Groups() {
    static const std::vector<group_t> groups = {
        {"sheet bitmaps",
         resources::LoadBitmap,
         62,
         62,
         false,
         {250, 251, 252, 253, 254},
         {0, 249, 255, 128}},
        {"dialog backgrounds",
         resources::LoadBitmap,
         800,
         600,
         false,
         {resources::kBitmapAttriBackground},
         {232, 234, 262}},
        {"router cross-points",
         resources::LoadBitmap,
         15,
         13,
         false,
         {resources::kBitmapRouterSelected, resources::kBitmapRouterFree},
         {157, 160}},
        {"connection list arrow",
         resources::LoadBitmap,
         16,
         16,
         true,
         {resources::kBitmapLinkArrow},
         {213, 215}},
        {"icons",
         resources::LoadIcon,
         32,
         32,
         true,
         {128, 129, 130, resources::kIconAttriDialog, resources::kIconDelayDialog,
          resources::kIconTextDialog, resources::kIconRouterDialog,
          // device palette: units, external equipment, generic, matrix, text
          232, 275, 276, 238, 236, 240, 237, 239, 241, 242, 277, 278, 342, 223, 231, 234, 235, 230,
          233, 256, 244,
          // DSP module palette
          215, 225, 217, 228, 222, 227, 226, 229, 221, 220, 219, 218, 243,
          // the filter, crossover and equalizer dialogs
          resources::kIconFilterDialog, resources::kIconCrossoverDialog,
          resources::kIconAttriEqualizer,
          // the generator and dynamics dialogs
          resources::kIconSineDialog, resources::kIconNoiseDialog, resources::kIconDynamicDialog,
          // the mixer and meter dialogs
          resources::kIconMixerDialog, resources::kIconMeterDialog},
         {0, -1, 127, 131, 250, 259, 299, 57600}},
        {"toolbar pictures",
         resources::LoadToolbarPicture,
         16,
         16,
         true,
         {57600, 57601, 57603, 57607, 57664, 32801, 32800, 32805, 32782, 32784, 32796, 32915, 32914,
          32917, 32924, 32925, 32932, 32930, 32928, 32922, 32802, 32867, 32940, 32955, 32952, 33030,
          32869, 32882, 32795, 32871, 32872, 32873, 32874, 32876,
          // DSP modules, the 8 x 8 mixer after the first mixer
          32808, 32813, 32817, 32879, 32822, 32827, 32831, 32840, 32846, 32849, 32875,
          // arrangement: stack, align, centre, distribute
          32854, 32855, 32856, 32857, 32858, 32859, 32860, 32877, 32862, 32863, 32864, 32865,
          32866},
         {0, 57602, 32803, 128, 250}},
        {"cursors",
         [](int id) {
             const resources::CursorPicture* cursor = resources::LoadCursorPicture(id);
             return cursor ? cursor->bitmap : nullptr;
         },
         32,
         32,
         true,
         {resources::kCursorDrop, resources::kCursorMove},
         {0, 1, 128, 215, 216, 219, 250, 57600}},
        {"network types",
         [](int wired) { return resources::LoadNetTypePicture(wired != 0); },
         16,
         16,
         true,
         {0, 1},
         {}},
    };
    return groups;
}

TEST(ResourcePictures, EveryIdLoadsAPictureOfItsSizeWithSomethingOnIt) {
    for (const group_t& group : Groups()) {
        for (const int id : group.ids) {
            SCOPED_TRACE(std::string(group.name) + " " + std::to_string(id));
            const gdi::Bitmap* picture = group.load(id);
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(group.load(id), picture) << "decoded once";
            EXPECT_EQ(picture->Width(), group.width);
            EXPECT_EQ(picture->Height(), group.height);
            std::set<gdi::COLORREF> colours(picture->Pixels().begin(), picture->Pixels().end());
            if (group.masked) {
                EXPECT_TRUE(colours.contains(resources::kIconMask)) << "no transparent pixel";
                colours.erase(resources::kIconMask);
            }
            // An outline and a fill at least; a picture of one colour is
            // blank or a bad decode.
            EXPECT_GE(colours.size(), 2u);
        }
    }
}

TEST(ResourcePictures, NoTwoPicturesOfAGroupAreAlike) {
    for (const group_t& group : Groups()) {
        for (std::size_t i = 0; i < group.ids.size(); ++i) {
            for (std::size_t j = i + 1; j < group.ids.size(); ++j) {
                const gdi::Bitmap *a = group.load(group.ids[i]), *b = group.load(group.ids[j]);
                ASSERT_TRUE(a && b);
                EXPECT_NE(a->Pixels(), b->Pixels())
                    << group.name << " " << group.ids[i] << " and " << group.ids[j];
            }
        }
    }
}

TEST(ResourcePictures, AnIdWithoutAPictureGivesNone) {
    for (const group_t& group : Groups())
        for (const int id : group.unknown)
            EXPECT_EQ(group.load(id), nullptr) << group.name << " " << id;
}

TEST(ResourcePictures, ThePalettesImageListsNameDistinctIcons) {
    const auto check = [](std::span<const int> list) {
        EXPECT_EQ(std::set<int>(list.begin(), list.end()).size(), list.size());
        for (const int id : list)
            EXPECT_NE(resources::LoadIcon(id), nullptr) << id;
    };
    check(resources::kDevicePaletteIcons);
    check(resources::kDspPaletteIcons);
}

// The attribute dialogs draw black text and their own grey tables straight
// on their background, so it stays light everywhere; it darkens towards the
// bottom, and its grid shows along every row and column only as a slight
// change of shade.
TEST(ResourcePictures, TheDialogBackgroundIsALightGradientUnderAFaintGrid) {
    const gdi::Bitmap* background = resources::LoadBitmap(resources::kBitmapAttriBackground);
    ASSERT_NE(background, nullptr);
    const auto channels = [](gdi::COLORREF c) {
        return std::array<int, 3>{gdi::GetRValue(c), gdi::GetGValue(c), gdi::GetBValue(c)};
    };
    const auto brightness = [&](gdi::COLORREF c) {
        const auto [r, g, b] = channels(c);
        return r + g + b;
    };
    for (const gdi::COLORREF pixel : background->Pixels()) {
        for (const int channel : channels(pixel))
            ASSERT_GE(channel, 0xC0) << "a dark pixel: " << std::hex << pixel;
    }
    const int w = background->Width(), h = background->Height();
    EXPECT_GT(brightness(background->GetPixel(0, 0)), brightness(background->GetPixel(0, h - 1)));
    EXPECT_GT(brightness(background->GetPixel(w - 1, 0)),
              brightness(background->GetPixel(w - 1, h - 1)));
    // Neighbours along the top row and the left column: several grid lines
    // cross each, and no step between neighbours stands out.
    struct line_t {
        int length, dx, dy;
    };
    for (const line_t& line : {line_t{w, 1, 0}, line_t{h, 0, 1}}) {
        int changes = 0;
        for (int i = 1; i < line.length; ++i) {
            const auto a = channels(background->GetPixel((i - 1) * line.dx, (i - 1) * line.dy));
            const auto b = channels(background->GetPixel(i * line.dx, i * line.dy));
            if (a != b)
                ++changes;
            for (std::size_t k = 0; k < 3; ++k)
                EXPECT_LE(std::abs(a[k] - b[k]), 12)
                    << "at " << i << (line.dx ? " across" : " down");
        }
        EXPECT_GE(changes, 10) << (line.dx ? "across" : "down");
    }
}

// Where each pointer points: the arrow at its tip, alone the farthest inked
// pixel towards the top left; the four-way cross at its middle, the picture
// being the same mirrored about the hotspot either way. Both have a black
// outline and stand clear of the corners they do not point into, and
// neither is the palette icon that shares its number.
TEST(ResourcePictures, CursorsPointWithTheirHotspot) {
    enum class point_t { tip, centre };
    struct case_t {
        int id;
        point_t point;
        int hotX, hotY;
        gdi::COLORREF atHotspot;
        std::vector<gdi::Point> clear;
    };
    const case_t cases[] = {
        {resources::kCursorDrop,
         point_t::tip,
         0,
         0,
         gdi::RGB(0, 0, 0),
         {{31, 0}, {0, 31}, {31, 31}}},
        {resources::kCursorMove,
         point_t::centre,
         15,
         15,
         gdi::RGB(255, 255, 255),
         {{0, 0}, {31, 0}, {0, 31}, {31, 31}}},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.id);
        const resources::CursorPicture* cursor = resources::LoadCursorPicture(c.id);
        ASSERT_NE(cursor, nullptr);
        ASSERT_NE(cursor->bitmap, nullptr);
        const gdi::Bitmap& bitmap = *cursor->bitmap;
        EXPECT_EQ(cursor->hotX, c.hotX);
        EXPECT_EQ(cursor->hotY, c.hotY);
        EXPECT_EQ(bitmap.GetPixel(c.hotX, c.hotY), c.atHotspot);
        EXPECT_TRUE(std::set<gdi::COLORREF>(bitmap.Pixels().begin(), bitmap.Pixels().end())
                        .contains(gdi::RGB(0, 0, 0)))
            << "no black outline";
        for (const gdi::Point& corner : c.clear) {
            EXPECT_EQ(bitmap.GetPixel(corner.x, corner.y), resources::kIconMask)
                << corner.x << "," << corner.y;
        }
        const auto inked = [&](int x, int y) {
            return bitmap.GetPixel(x, y) != resources::kIconMask;
        };
        for (int y = 0; y < bitmap.Height(); ++y) {
            for (int x = 0; x < bitmap.Width(); ++x) {
                if (c.point == point_t::tip) {
                    const bool hotspot = x == c.hotX && y == c.hotY;
                    if (!hotspot && x + y <= c.hotX + c.hotY) {
                        EXPECT_FALSE(inked(x, y)) << x << "," << y << " beside the tip";
                    }
                } else {
                    const int mx = 2 * c.hotX - x, my = 2 * c.hotY - y;
                    if (mx >= 0 && mx < bitmap.Width()) {
                        EXPECT_EQ(inked(x, y), inked(mx, y)) << x << "," << y;
                    }
                    if (my >= 0 && my < bitmap.Height()) {
                        EXPECT_EQ(inked(x, y), inked(x, my)) << x << "," << y;
                    }
                }
            }
        }
        const gdi::Bitmap* icon = resources::LoadIcon(c.id);
        ASSERT_NE(icon, nullptr) << "the palette icon of the same number is still there";
        EXPECT_NE(icon->Pixels(), bitmap.Pixels());
    }
}

} // namespace
