// The drawing seam without a toolkit: geometry rules, the mapping, the text
// layout and edges worked out by the canvas, the logical font's archive form.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/archive/archive.h"
#include "platform/gdi/archive_forms.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "platform/gdi/recording_canvas.h"

namespace {

namespace gdi = platform::gdi;
namespace pa = platform::archive;
using gdi::Point;
using gdi::Rect;
using gdi::Size;

// ---- rectangles

TEST(GdiRect, PointsOnTheRightAndBottomEdgesAreOutside) {
    const Rect r{10, 20, 30, 40};
    struct row_t {
        const char* catches;
        Point p;
        bool inside;
    } rows[] = {
        {"left edge excluded", {10, 25}, true},        {"top edge excluded", {15, 20}, true},
        {"right edge included", {30, 25}, false},      {"bottom edge included", {15, 40}, false},
        {"last pixel column dropped", {29, 39}, true}, {"left of the rectangle", {9, 25}, false},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(r.PtInRect(row.p), row.inside) << row.catches;
    EXPECT_FALSE((Rect{10, 10, 10, 20}.PtInRect({10, 15}))) << "an empty rectangle holds nothing";
    EXPECT_FALSE((Rect{30, 40, 10, 20}.PtInRect({15, 25}))) << "an inverted one neither";
}

TEST(GdiRect, UnionIgnoresEmptyRectangles) {
    struct row_t {
        const char* catches;
        Rect a, b;
        Rect expected;
        bool result;
    } rows[] = {
        {"plain union", {0, 0, 10, 10}, {5, -5, 20, 8}, {0, -5, 20, 10}, true},
        {"empty first taken as a corner", {-50, -50, -50, -50}, {5, 5, 6, 6}, {5, 5, 6, 6}, true},
        {"empty second taken as a corner", {5, 5, 6, 6}, {100, 100, 100, 200}, {5, 5, 6, 6}, true},
        {"inverted counts as empty", {5, 5, 6, 6}, {10, 10, 0, 0}, {5, 5, 6, 6}, true},
        {"both empty give an empty result", {1, 1, 1, 1}, {2, 2, 2, 9}, {0, 0, 0, 0}, false},
    };
    for (const row_t& row : rows) {
        Rect out{7, 7, 7, 7};
        EXPECT_EQ(out.UnionRect(row.a, row.b), row.result) << row.catches;
        EXPECT_EQ(out, row.expected) << row.catches;
    }
}

TEST(GdiRect, IntersectNormaliseInflate) {
    Rect out;
    EXPECT_FALSE(out.IntersectRect({0, 0, 10, 10}, {10, 0, 20, 10}))
        << "touching edges share nothing";
    EXPECT_EQ(out, Rect{});
    EXPECT_TRUE(out.IntersectRect({0, 0, 10, 10}, {5, -5, 20, 8}));
    EXPECT_EQ(out, (Rect{5, 0, 10, 8}));

    Rect inverted{30, 40, 10, 20};
    inverted.NormalizeRect();
    EXPECT_EQ(inverted, (Rect{10, 20, 30, 40}));

    EXPECT_EQ((Rect{10, 10, 20, 20}.Inflated(10, 10)), (Rect{0, 0, 30, 30}));
    EXPECT_EQ((Rect{10, 10, 20, 20}.Offset(-1, 2)), (Rect{9, 12, 19, 22}));
    EXPECT_EQ((Rect{-3, -3, 4, 4}.CenterPoint()), (Point{0, 0})) << "halves truncate towards zero";
}

// ---- mapping

TEST(GdiMapping, ZoomAndScrollRoundTrip) {
    struct row_t {
        const char* catches;
        int mode;
        Size window_ext, viewport_ext;
        Point window_org, viewport_org;
        Point logical, device;
    } rows[] = {
        {"text mode is one to one", gdi::MM_TEXT, {4, 4}, {8, 8}, {0, 0}, {0, 0}, {7, 9}, {7, 9}},
        {"text mode keeps origins",
         gdi::MM_TEXT,
         {1, 1},
         {1, 1},
         {10, 0},
         {0, -20},
         {15, 5},
         {5, -15}},
        {"zoom 200%", gdi::MM_ANISOTROPIC, {4, 4}, {8, 8}, {0, 0}, {0, 0}, {7, 9}, {14, 18}},
        {"zoom 50% rounds halves away from zero",
         gdi::MM_ANISOTROPIC,
         {4, 4},
         {2, 2},
         {0, 0},
         {0, 0},
         {7, -7},
         {4, -4}},
        {"zoom 150% with a scrolled viewport",
         gdi::MM_ANISOTROPIC,
         {4, 4},
         {6, 6},
         {0, 0},
         {-30, -12},
         {100, 40},
         {120, 48}},
        {"axes scale independently",
         gdi::MM_ANISOTROPIC,
         {2, 3},
         {4, 1},
         {0, 0},
         {0, 0},
         {5, 9},
         {10, 3}},
    };
    for (const row_t& row : rows) {
        gdi::DeviceMapping m;
        m.SetMapMode(row.mode);
        m.SetWindowExt(row.window_ext);
        m.SetViewportExt(row.viewport_ext);
        m.SetWindowOrg(row.window_org);
        m.SetViewportOrg(row.viewport_org);
        EXPECT_EQ(m.LPtoDP(row.logical), row.device) << row.catches;
        EXPECT_EQ(m.LPtoDP(Rect{row.logical, row.logical}), (Rect{row.device, row.device}))
            << row.catches;
    }

    gdi::DeviceMapping zoom;
    zoom.SetMapMode(gdi::MM_ANISOTROPIC);
    zoom.SetWindowExt({4, 4});
    zoom.SetViewportExt({8, 8});
    EXPECT_EQ(zoom.DPtoLP(Point{14, 19}), (Point{7, 10})) << "device to logical rounds too";
    EXPECT_EQ(zoom.SetWindowExt({0, 5}), (Size{4, 4})) << "a zero extent is refused";
    EXPECT_EQ(zoom.GetWindowExt(), (Size{4, 4}));
    EXPECT_EQ(zoom.SetMapMode(12345), 0);
    EXPECT_EQ(zoom.GetMapMode(), gdi::MM_ANISOTROPIC);
}

// ---- text layout through the canvas

TEST(GdiDrawText, LinesAlignmentEllipsisAndPrefixes) {
    // Fixed measurer: font height 10, so cells 10 high and characters 5 wide.
    const Rect box{100, 50, 150, 80}; // 50 wide, 30 high
    struct row_t {
        const char* catches;
        std::string text;
        unsigned format;
        std::vector<std::string> expected;
        int height;
    } rows[] = {
        {"left and top by default",
         "abc",
         gdi::DT_NOPREFIX,
         {"text (100,50) \"abc\" Arial 10 400 0x000000 clip (100,50,150,80)"},
         10},
        {"centred on the free width",
         "abc",
         gdi::DT_CENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_NOCLIP,
         {"text (117,50) \"abc\" Arial 10 400 0x000000"},
         10},
        {"right-aligned text ends at the right edge",
         "abc",
         gdi::DT_RIGHT | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_NOCLIP,
         {"text (135,50) \"abc\" Arial 10 400 0x000000"},
         10},
        {"vertical centre of a single line",
         "abc",
         gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_NOCLIP,
         {"text (100,60) \"abc\" Arial 10 400 0x000000"},
         10},
        {"end ellipsis keeps what fits before the dots",
         "abcdefghijkl",
         gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS | gdi::DT_NOCLIP,
         {"text (100,50) \"abcdefg...\" Arial 10 400 0x000000"},
         10},
        {"ellipsis counts characters, not bytes",
         "\xe9\x80\x9a\xe9\x81\x93\xe9\x80\x9a\xe9\x81\x93"
         "\xe9\x80\x9a\xe9\x81\x93\xe9\x80\x9a\xe9\x81\x93"
         "\xe9\x80\x9a\xe9\x81\x93\xe9\x80\x9a",
         gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS | gdi::DT_NOCLIP,
         {"text (100,50) \"\xe9\x80\x9a\xe9\x81\x93\xe9\x80\x9a\xe9\x81\x93\xe9\x80\x9a\xe9\x81\x93"
          "\xe9\x80\x9a...\" Arial 10 400 0x000000"},
         10},
        {"text that fits gets no ellipsis",
         "abcdefghij",
         gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS | gdi::DT_NOCLIP,
         {"text (100,50) \"abcdefghij\" Arial 10 400 0x000000"},
         10},
        {"lines break at CR LF, CR and LF; a final break adds none",
         "ab\r\ncd\ref\n",
         gdi::DT_NOPREFIX | gdi::DT_NOCLIP,
         {"text (100,50) \"ab\" Arial 10 400 0x000000",
          "text (100,60) \"cd\" Arial 10 400 0x000000",
          "text (100,70) \"ef\" Arial 10 400 0x000000"},
         30},
        {"an empty line in the middle takes its height",
         "ab\r\n\r\ncd",
         gdi::DT_NOPREFIX | gdi::DT_NOCLIP,
         {"text (100,50) \"ab\" Arial 10 400 0x000000", "text (100,60) \"\" Arial 10 400 0x000000",
          "text (100,70) \"cd\" Arial 10 400 0x000000"},
         30},
        {"mnemonic marks dropped without DT_NOPREFIX",
         "&Save && &quit",
         gdi::DT_SINGLELINE | gdi::DT_NOCLIP,
         {"text (100,50) \"Save & quit\" Arial 10 400 0x000000"},
         10},
        {"a single line keeps its breaks as characters",
         "a\nb",
         gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_NOCLIP,
         {"text (100,50) \"a\nb\" Arial 10 400 0x000000"},
         10},
        {"no text, nothing drawn", "", gdi::DT_NOPREFIX, {}, 0},
    };
    for (const row_t& row : rows) {
        gdi::RecordingCanvas dc;
        dc.SelectFont(gdi::MakeFont("Arial", 10));
        dc.SetBkMode(gdi::TRANSPARENT);
        Rect r = box;
        EXPECT_EQ(dc.DrawText(row.text, r, row.format), row.height) << row.catches;
        EXPECT_EQ(r, box) << row.catches << ": only DT_CALCRECT changes the rectangle";
        EXPECT_EQ(dc.Lines(), row.expected) << row.catches;
    }
}

TEST(GdiDrawText, CalcRectMeasuresWithoutDrawingAndOpaqueFillsTheCell) {
    gdi::RecordingCanvas dc;
    dc.SelectFont(gdi::MakeFont("Arial", 12));
    Rect r{10, 20, 11, 21};
    EXPECT_EQ(dc.DrawText("abcd\r\nab\r\n", r, gdi::DT_CALCRECT | gdi::DT_NOPREFIX), 24);
    EXPECT_EQ(r, (Rect{10, 20, 34, 44}));
    EXPECT_TRUE(dc.Ops().empty());

    // The default background mode is opaque: the cell is filled first.
    dc.SetBkColor(0x123456);
    dc.TextOut(5, 6, "ab");
    EXPECT_EQ(dc.Lines(), (std::vector<std::string>{"fill (5,6,17,18) 0x123456",
                                                    "text (5,6) \"ab\" Arial 12 400 0x000000"}));
}

// ---- shapes and state

TEST(GdiCanvas, EdgesAreDrawnRingByRing) {
    gdi::RecordingCanvas dc;
    dc.DrawEdge({0, 0, 10, 10}, gdi::EDGE_RAISED, gdi::BF_RECT);
    EXPECT_EQ(dc.Lines(),
              (std::vector<std::string>{"fill (0,0,10,1) 0xD4D0C8", "fill (0,0,1,10) 0xD4D0C8",
                                        "fill (0,9,10,10) 0x404040", "fill (9,0,10,10) 0x404040",
                                        "fill (1,1,9,2) 0xFFFFFF", "fill (1,1,2,9) 0xFFFFFF",
                                        "fill (1,8,9,9) 0x808080", "fill (8,1,9,9) 0x808080"}));
    dc.Clear();
    // Etched on two sides: a grey line with a white one inside it.
    dc.DrawEdge({0, 0, 10, 10}, gdi::EDGE_ETCHED, gdi::BF_LEFT | gdi::BF_TOP);
    EXPECT_EQ(dc.Lines(),
              (std::vector<std::string>{"fill (0,0,10,1) 0x808080", "fill (0,0,1,10) 0x808080",
                                        "fill (1,1,10,2) 0xFFFFFF", "fill (1,1,2,10) 0xFFFFFF"}));
    dc.Clear();
    dc.DrawEdge({0, 0, 10, 10}, gdi::BDR_SUNKENOUTER, gdi::BF_BOTTOMRIGHT);
    EXPECT_EQ(dc.Lines(),
              (std::vector<std::string>{"fill (0,9,10,10) 0xFFFFFF", "fill (9,0,10,10) 0xFFFFFF"}));
}

TEST(GdiCanvas, FramesLinesAndSavedState) {
    gdi::RecordingCanvas dc;
    dc.FrameRect({0, 0, 4, 3}, gdi::Brush::Solid(0x0000FF));
    dc.FrameRect({0, 0, 0, 3}, gdi::Brush::Solid(0x0000FF)); // empty: nothing
    dc.FrameRect({0, 0, 4, 3}, gdi::Brush::Hollow());        // hollow: nothing
    EXPECT_EQ(dc.Lines(),
              (std::vector<std::string>{"fill (0,0,4,1) 0x0000FF", "fill (0,2,4,3) 0x0000FF",
                                        "fill (0,1,1,2) 0x0000FF", "fill (3,1,4,2) 0x0000FF"}));
    dc.Clear();

    const int level = dc.SaveDC();
    dc.SelectPen(gdi::Pen::Solid(3, 0x00FF00));
    dc.SelectBrush(gdi::Brush::Hollow());
    dc.SetTextColor(0x112233);
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetMapMode(gdi::MM_ANISOTROPIC);
    dc.SetViewportExt({2, 2});
    dc.MoveTo(1, 1);
    dc.LineTo(5, 1);
    EXPECT_EQ(dc.GetCurrentPosition(), (Point{5, 1}));
    dc.SelectPen(gdi::Pen::None());
    dc.LineTo(9, 9); // moves without drawing
    EXPECT_EQ(dc.GetCurrentPosition(), (Point{9, 9}));
    EXPECT_TRUE(dc.RestoreDC(level));
    EXPECT_EQ(dc.GetPen(), gdi::Pen{});
    EXPECT_EQ(dc.GetBrush(), gdi::Brush{});
    EXPECT_EQ(dc.GetTextColor(), gdi::kBlack);
    EXPECT_EQ(dc.GetBkMode(), gdi::OPAQUE);
    EXPECT_EQ(dc.GetMapMode(), gdi::MM_TEXT);
    EXPECT_EQ(dc.LPtoDP(Point{3, 3}), (Point{3, 3}));
    EXPECT_FALSE(dc.RestoreDC(-1)) << "nothing left to restore";
    EXPECT_EQ(dc.Lines(), (std::vector<std::string>{"polyline (1,1) (5,1) pen solid 3 0x00FF00"}));
}

TEST(GdiMeasurer, FixedWidthCountsCharactersNotBytes) {
    const gdi::FixedWidthMeasurer half;
    EXPECT_EQ(half.MeasureText(gdi::MakeFont("Arial", 14), "abc"), (Size{21, 14}));
    EXPECT_EQ(half.MeasureText(gdi::MakeFont("Arial", -12), "\xe8\xb0\x83\xe9\x9f\xb3"),
              (Size{12, 12}));
    EXPECT_EQ(half.MeasureText(gdi::MakeFont("Arial", 0), ""), (Size{0, 16}));
    const gdi::FixedWidthMeasurer fixed(3);
    EXPECT_EQ(fixed.MeasureText(gdi::MakeFont("Arial", 30), "ab"), (Size{6, 30}));
}

// ---- logical font archive form

std::vector<std::uint8_t> store_font(gdi::LOGFONT font,
                                     pa::code_page_t cp = pa::code_page_t::gbk()) {
    pa::archive_t ar;
    ar.SetCodePage(cp);
    gdi::SerializeLogFont(ar, font);
    return ar.TakeBytes();
}

gdi::LOGFONT load_font(const std::vector<std::uint8_t>& bytes,
                       pa::code_page_t cp = pa::code_page_t::gbk()) {
    pa::class_registry_t none;
    pa::archive_t ar(bytes, none);
    ar.SetCodePage(cp);
    gdi::LOGFONT font;
    gdi::SerializeLogFont(ar, font);
    EXPECT_TRUE(ar.AtEnd());
    return font;
}

TEST(GdiLogFont, ArchiveFormFieldByField) {
    gdi::LOGFONT font =
        gdi::MakeFont("Arial", 15, gdi::FW_BOLD, gdi::DEFAULT_CHARSET, gdi::FF_SWISS);
    font.lfItalic = 1;
    font.lfQuality = 2;
    const std::vector<std::uint8_t> expected = {
        0x0f, 0x00, 0x00, 0x00,           // height 15
        0x00, 0x00, 0x00, 0x00,           // width 0
        0x00, 0x00, 0x00, 0x00,           // escapement 0
        0x00, 0x00, 0x00, 0x00,           // orientation 0
        0xbc, 0x02, 0x00, 0x00,           // weight 700
        0x01,                             // italic
        0x00,                             // underline
        0x00,                             // strike-out
        0x01,                             // character set 1 (default)
        0x00,                             // output precision
        0x00,                             // clip precision
        0x02,                             // quality 2
        0x20,                             // pitch and family: swiss
        0x05, 'A',  'r',  'i',  'a', 'l', // face name "Arial" (length 5)
    };
    EXPECT_EQ(store_font(font), expected);
    EXPECT_EQ(load_font(expected), font);
}

TEST(GdiLogFont, LongFaceNamesAreCutToTheField) {
    struct row_t {
        const char* catches;
        std::string stored;
        pa::code_page_t cp;
        std::string loaded;
    } rows[] = {
        {"ASCII cut at 31 bytes", std::string(40, 'x'), pa::code_page_t::gbk(),
         std::string(31, 'x')},
        {"31 bytes kept whole", std::string(31, 'y'), pa::code_page_t::gbk(), std::string(31, 'y')},
        // 16 characters of two GBK bytes each: the 16th would need bytes 32 and 33.
        {"GBK characters never split",
         [] {
             std::string s;
             for (int i = 0; i < 16; ++i)
                 s += "\xe5\xae\x8b"; // U+5B8B, two bytes in GBK
             return s;
         }(),
         pa::code_page_t::gbk(),
         [] {
             std::string s;
             for (int i = 0; i < 15; ++i)
                 s += "\xe5\xae\x8b";
             return s;
         }()},
        {"UTF-8 archives count their own bytes",
         [] {
             std::string s;
             for (int i = 0; i < 11; ++i)
                 s += "\xe5\xae\x8b"; // three bytes in UTF-8
             return s;
         }(),
         pa::code_page_t::utf8(),
         [] {
             std::string s;
             for (int i = 0; i < 10; ++i)
                 s += "\xe5\xae\x8b";
             return s;
         }()},
    };
    for (const row_t& row : rows) {
        gdi::LOGFONT font;
        font.lfFaceName = row.stored; // as a writer with a longer field would
        EXPECT_EQ(load_font(store_font(font, row.cp), row.cp).lfFaceName, row.loaded)
            << row.catches;
    }
    gdi::LOGFONT font;
    font.SetFaceName(std::string(50, 'z'));
    EXPECT_EQ(font.lfFaceName, std::string(31, 'z'));
}

// ---- rectangle, point and size archive forms

TEST(GdiArchiveForms, CoordinatesBeyondTheDrawingSpaceDoNotLoad) {
    constexpr std::int32_t limit = gdi::kArchiveCoordinateLimit;
    struct row_t {
        const char* catches;
        bool rectangle;                   // else a point and a size
        std::vector<std::int32_t> stored;
        bool loads;
    } rows[] = {
        {"a sheet's rectangle", true, {100, 80, 171, 95}, true},
        {"both ends of the range", true, {-limit, -limit, limit, limit}, true},
        {"right edge whose width overflows", true, {INT_MIN, 0, 3285092, 10}, false},
        {"left just past the range", true, {-limit - 1, 0, 10, 10}, false},
        {"bottom just past the range", true, {0, 0, 10, limit + 1}, false},
        {"point and size in range", false, {-5, 7, 20, 12}, true},
        {"point at the top of the int range", false, {INT_MAX, 0, 1, 1}, false},
        {"negative size past the range", false, {0, 0, 1, INT_MIN}, false},
    };
    for (const row_t& row : rows) {
        pa::archive_t out;
        for (const std::int32_t v : row.stored)
            out << v;
        const std::vector<std::uint8_t> bytes = out.TakeBytes();
        pa::class_registry_t none;
        pa::archive_t in(bytes, none);
        const auto load = [&] {
            if (row.rectangle) {
                Rect r;
                gdi::SerializeRect(in, r);
                EXPECT_EQ(r, (Rect{row.stored[0], row.stored[1], row.stored[2], row.stored[3]}));
            } else {
                Point p;
                Size z;
                gdi::SerializePoint(in, p);
                gdi::SerializeSize(in, z);
                EXPECT_EQ(p, (Point{row.stored[0], row.stored[1]}));
                EXPECT_EQ(z, (Size{row.stored[2], row.stored[3]}));
            }
        };
        if (row.loads) {
            EXPECT_NO_THROW(load()) << row.catches;
        } else {
            EXPECT_THROW(load(), pa::archive_error) << row.catches;
        }
    }
}

TEST(GdiLogFont, FontsBeyondTheLimitDoNotLoad) {
    constexpr std::int32_t limit = gdi::kArchiveFontLimit;
    struct row_t {
        const char* catches;
        std::int32_t height, width;
        bool loads;
    } rows[] = {
        {"a sheet's font", -12, 0, true},
        {"both ends of the range", -limit, limit, true},
        {"taller than the limit", limit + 1, 0, false},
        {"height whose lines overflow when stacked", 1124073472, 0, false},
        {"height whose magnitude has no int", INT_MIN, 0, false},
        {"wider than the limit", 15, -limit - 1, false},
    };
    for (const row_t& row : rows) {
        gdi::LOGFONT font = gdi::MakeFont("Arial", row.height);
        font.lfWidth = row.width;
        const std::vector<std::uint8_t> bytes = store_font(font);
        if (row.loads) {
            EXPECT_EQ(load_font(bytes).lfHeight, row.height) << row.catches;
        } else {
            pa::class_registry_t none;
            pa::archive_t ar(bytes, none);
            gdi::LOGFONT loaded;
            EXPECT_THROW(gdi::SerializeLogFont(ar, loaded), pa::archive_error) << row.catches;
        }
    }
}

TEST(GdiBitmap, PixelsOutsideArePassedOver) {
    gdi::Bitmap b(3, 2, 0x010203);
    b.SetPixel(2, 1, 0xFF);
    b.SetPixel(3, 1, 0xAA);
    b.SetPixel(-1, 0, 0xAA);
    EXPECT_EQ(b.GetPixel(2, 1), 0xFFu);
    EXPECT_EQ(b.GetPixel(0, 0), 0x010203u);
    EXPECT_EQ(b.GetPixel(3, 0), 0u);
    EXPECT_TRUE(gdi::Bitmap(-4, 5).IsEmpty());

    gdi::RecordingCanvas dc;
    dc.StretchBitmap(b, {0, 0, 30, 20});
    dc.StretchBitmap(gdi::Bitmap(), {0, 0, 30, 20});
    EXPECT_EQ(dc.Lines(), (std::vector<std::string>{"bitmap 3x2 (0,0,30,20)"}));
}

} // namespace
