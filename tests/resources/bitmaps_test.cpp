// The compiled-in pictures: each id the program asks for decodes to a picture
// of its group's size with something drawn on it, no two of a group alike,
// and an id without a picture gives none.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "resources/bitmaps.h"

namespace {

namespace gdi = platform::gdi;

struct group_t {
    const char* name;
    std::function<const gdi::Bitmap*(int)> load;
    int size;
    bool masked; // transparent pixels in kIconMask
    std::vector<int> ids;
    std::vector<int> unknown;
};

const std::vector<group_t>& Groups() {
    static const std::vector<group_t> groups = {
        {"sheet bitmaps",
         resources::LoadBitmap,
         62,
         false,
         {250, 251, 252, 253, 254},
         {0, 249, 255, 128}},
        {"icons",
         resources::LoadIcon,
         32,
         true,
         {128, 129, 130,
          // device palette: units, external equipment, generic, matrix, text
          232, 275, 276, 238, 236, 240, 237, 239, 241, 242, 277, 278, 342, 223, 231, 234, 235, 230,
          233, 256, 244,
          // DSP module palette
          215, 225, 217, 228, 222, 227, 226, 229, 221, 220, 219, 218, 243},
         {0, -1, 127, 131, 250, 57600}},
        {"toolbar pictures",
         resources::LoadToolbarPicture,
         16,
         true,
         {57600, 57601, 57603, 57607, 57664, 32801, 32800, 32805, 32782, 32784, 32796, 32915, 32914,
          32917, 32924, 32925, 32932, 32930, 32928, 32922, 32802, 32867, 32940, 32955, 32952, 33030,
          32869, 32795, 32871, 32872, 32873, 32874, 32876,
          // DSP modules
          32808, 32813, 32817, 32822, 32827, 32831, 32840, 32846, 32849, 32875,
          // arrangement: stack, align, centre, distribute
          32854, 32855, 32856, 32857, 32858, 32859, 32860, 32877, 32862, 32863, 32864, 32865,
          32866},
         {0, 57602, 32803, 128, 250}},
        {"network types",
         [](int wired) { return resources::LoadNetTypePicture(wired != 0); },
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
            EXPECT_EQ(picture->Width(), group.size);
            EXPECT_EQ(picture->Height(), group.size);
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

} // namespace
