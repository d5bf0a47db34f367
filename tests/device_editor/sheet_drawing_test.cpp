// Painting a device sheet on a recording canvas: background and frame, the
// grid on its multiples of 10, which devices and links a clip box lets
// through, the view's additions, the printed page; then the zoom, scroll
// size and printer mappings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device_editor/sheet_drawing.h"
#include "device_editor/zo_device_doc.h"
#include "platform/gdi/recording_canvas.h"
#include "sheet_builder.h"

namespace {

using device_editor::CZoDeviceDoc;
using device_editor::SheetDrawState;
using model::Point;
using model::Rect;
using model::Size;
using platform::gdi::RecordedOp;
using platform::gdi::RecordingCanvas;
using lines_t = std::vector<std::string>;

constexpr model::COLORREF kBackground = 0xC0FFEE;

model::DeviceSheetSettings Settings(std::int32_t width, std::int32_t height, int grid = 1) {
    model::DeviceSheetSettings s;
    s.width = width;
    s.height = height;
    s.background = kBackground;
    s.grid = grid;
    return s;
}

std::set<std::pair<int, int>> Pixels(const RecordingCanvas& dc) {
    std::set<std::pair<int, int>> out;
    for (const RecordedOp& op : dc.Ops())
        if (op.kind == RecordedOp::Kind::Pixel) {
            EXPECT_EQ(op.colour, platform::gdi::kBlack);
            out.insert({op.origin.x, op.origin.y});
        }
    return out;
}

lines_t Fills(const RecordingCanvas& dc) {
    lines_t out;
    for (const RecordedOp& op : dc.Ops())
        if (op.kind == RecordedOp::Kind::Fill)
            out.push_back(op.ToString());
    return out;
}

SheetDrawState Running(bool running) {
    SheetDrawState state;
    state.running = running;
    return state;
}

lines_t FrameFills(const char* colour) {
    return {std::string("fill (0,0,40,5) ") + colour, std::string("fill (0,25,40,30) ") + colour,
            std::string("fill (0,5,5,25) ") + colour, std::string("fill (35,5,40,25) ") + colour};
}

// An empty 40 x 30 sheet: the frame leaves 5 .. 35 by 5 .. 25 inside it.
struct EmptySheet {
    explicit EmptySheet(int grid = 1) { doc.SetSheetSettings(Settings(40, 30, grid)); }
    void Draw(const Rect& clip, const SheetDrawState& state = {}) {
        dc.Clear();
        device_editor::DrawSheet(dc, doc, clip, state);
    }
    CZoDeviceDoc doc;
    RecordingCanvas dc;
};

TEST(SheetDrawing, ClipBoxWidensToTheGrid) {
    struct row_t {
        Rect clip, widened;
    } rows[] = {
        {{12, 3, 25, 18}, {0, -10, 26, 19}},
        {{20, 20, 30, 30}, {10, 10, 31, 31}},
        {{-13, -20, 0, 0}, {-20, -30, 1, 1}},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(device_editor::WidenClipToGrid(row.clip), row.widened)
            << row.clip.left << "," << row.clip.top;
}

TEST(SheetDrawing, GridDotsOnMultiplesOfTenWithinTheFrame) {
    using dots_t = std::set<std::pair<int, int>>;
    struct row_t {
        const char* catches;
        Rect clip;
        dots_t dots;
    } rows[] = {
        {"the whole sheet, no dot on the frame or outside",
         {-20, -20, 60, 50},
         {{10, 10}, {20, 10}, {30, 10}, {10, 20}, {20, 20}, {30, 20}}},
        {"a clip box off the grid still gets the dots left of it", {12, 12, 18, 18}, {{10, 10}}},
        {"a clip box beyond the frame gets none", {55, 0, 80, 30}, {}},
    };
    for (const row_t& row : rows) {
        EmptySheet sheet;
        sheet.Draw(row.clip);
        EXPECT_EQ(Pixels(sheet.dc), row.dots) << row.catches;
    }
}

TEST(SheetDrawing, GridOffWhenRunningOrSwitchedOff) {
    EmptySheet running;
    running.Draw({0, 0, 40, 30}, Running(true));
    EXPECT_TRUE(Pixels(running.dc).empty());

    EmptySheet off(0);
    off.Draw({0, 0, 40, 30});
    EXPECT_TRUE(Pixels(off.dc).empty());
}

// The background first (white where the widened clip box leaves the sheet,
// the sheet's colour on it), then the frame, grey or red when running.
TEST(SheetDrawing, BackgroundAndFrame) {
    struct row_t {
        const char* catches;
        Rect clip;
        bool running;
        lines_t background;
        const char* frame;
    } rows[] = {
        {"clip box across the corner",
         {-20, -20, 30, 20},
         false,
         {"fill (-30,-30,31,21) 0xFFFFFF", "fill (0,0,31,21) 0xC0FFEE"},
         "0x808080"},
        {"clip box inside the sheet: no white",
         {12, 12, 20, 18},
         false,
         {"fill (0,0,21,19) 0xC0FFEE"},
         "0x808080"},
        {"clip box off the sheet: white only",
         {60, 60, 70, 70},
         false,
         {"fill (50,50,71,71) 0xFFFFFF"},
         "0x808080"},
        {"running view", {12, 12, 20, 18}, true, {"fill (0,0,21,19) 0xC0FFEE"}, "0x0000FF"},
    };
    for (const row_t& row : rows) {
        EmptySheet sheet;
        sheet.Draw(row.clip, Running(row.running));
        lines_t expected = row.background;
        const lines_t frame = FrameFills(row.frame);
        expected.insert(expected.end(), frame.begin(), frame.end());
        EXPECT_EQ(Fills(sheet.dc), expected) << row.catches;
    }
}

// The built sheet on a 700 x 500 sheet; what each object draws alone is
// looked for, in one piece, in the sheet's drawing.
struct BuiltSheet {
    BuiltSheet() {
        doc.SetSheetSettings(Settings(700, 500));
        sheet_builder::Build(doc, dc);
    }
    lines_t DeviceAlone(int id, int sub) {
        RecordingCanvas alone;
        doc.FindDevice(id, sub)->Draw(alone, 0, 0);
        return alone.Lines();
    }
    lines_t LinkAlone(int id) {
        RecordingCanvas alone;
        doc.FindLink(id)->DrawLink(alone, doc, 0, 0);
        return alone.Lines();
    }
    CZoDeviceDoc doc;
    RecordingCanvas dc;
};

bool Contains(const lines_t& all, const lines_t& part) {
    return !part.empty() &&
           std::search(all.begin(), all.end(), part.begin(), part.end()) != all.end();
}

TEST(SheetDrawing, OnlyWhatMeetsTheClipBoxIsDrawn) {
    BuiltSheet sheet;
    const Rect unit = sheet.doc.FindDevice(1, 1)->GetBoundRect();
    // A clip box two units short of the unit's bounds stays short of them
    // when widened; one unit short, its widened right and bottom reach them.
    device_editor::DrawSheet(sheet.dc, sheet.doc, {0, 0, unit.left - 1, unit.top - 1}, {});
    lines_t drawn = sheet.dc.Lines();
    EXPECT_TRUE(Contains(drawn, sheet.DeviceAlone(6, 0))) << "the text box in the corner";
    EXPECT_FALSE(Contains(drawn, sheet.DeviceAlone(1, 1)));
    EXPECT_FALSE(Contains(drawn, sheet.DeviceAlone(3, 0)));
    EXPECT_FALSE(Contains(drawn, sheet.DeviceAlone(5, 0)));
    for (int id = 1; id <= 4; ++id)
        EXPECT_FALSE(Contains(drawn, sheet.LinkAlone(id))) << "link " << id;

    sheet.dc.Clear();
    device_editor::DrawSheet(sheet.dc, sheet.doc, {0, 0, unit.left, unit.top}, {});
    EXPECT_TRUE(Contains(sheet.dc.Lines(), sheet.DeviceAlone(1, 1)));

    // Around the matrix: the matrix and the network link into it, nothing
    // from the top-left corner.
    sheet.dc.Clear();
    device_editor::DrawSheet(sheet.dc, sheet.doc, sheet.doc.FindDevice(5, 0)->GetBoundRect(), {});
    drawn = sheet.dc.Lines();
    EXPECT_TRUE(Contains(drawn, sheet.DeviceAlone(5, 0)));
    EXPECT_TRUE(Contains(drawn, sheet.LinkAlone(2)));
    EXPECT_FALSE(Contains(drawn, sheet.DeviceAlone(6, 0)));
    EXPECT_FALSE(Contains(drawn, sheet.DeviceAlone(1, 1)));
}

TEST(SheetDrawing, LinkBeingDrawnAndRubberBandComeLast) {
    BuiltSheet sheet;
    const model::CDeviceChnl* out = sheet.doc.FindChannel(4, 0, 1);
    ASSERT_NE(out, nullptr);
    model::CDeviceLink drawing;
    drawing.BeginAtChnl(*out);
    drawing.SetEndPoint(650, 450);
    drawing.HideLabel();
    SheetDrawState state;
    state.drawingLink = &drawing;
    state.rubberBand = Rect{30, 40, 90, 70};
    device_editor::DrawSheet(sheet.dc, sheet.doc, {0, 0, 700, 500}, state);
    const lines_t drawn = sheet.dc.Lines();
    RecordingCanvas alone;
    drawing.DrawLink(alone, sheet.doc, 0, 0);
    lines_t tail = alone.Lines();
    tail.push_back("rectangle (30,40,90,70) pen dot 0 0x000000 brush null");
    ASSERT_GE(drawn.size(), tail.size());
    EXPECT_EQ(lines_t(drawn.end() - static_cast<std::ptrdiff_t>(tail.size()), drawn.end()), tail);
    for (int id = 1; id <= 4; ++id)
        EXPECT_TRUE(Contains(drawn, sheet.LinkAlone(id))) << "link " << id;
}

TEST(SheetDrawing, PrintedPageHasTheFrameAndEveryObjectButNoGrid) {
    BuiltSheet sheet;
    device_editor::DrawSheetForPrint(sheet.dc, sheet.doc);
    const lines_t drawn = sheet.dc.Lines();
    const lines_t frame = {"fill (0,0,700,5) 0x8080FF", "fill (0,495,700,500) 0x8080FF",
                           "fill (0,5,5,495) 0x8080FF", "fill (695,5,700,495) 0x8080FF"};
    ASSERT_GE(drawn.size(), frame.size());
    EXPECT_EQ(lines_t(drawn.begin(), drawn.begin() + 4), frame) << "frame first, no background";
    EXPECT_TRUE(Pixels(sheet.dc).empty());
    for (const auto& device : sheet.doc.Devices())
        EXPECT_TRUE(Contains(drawn, sheet.DeviceAlone(device->m_id, device->m_subType)))
            << "device " << device->m_id << "/" << device->m_subType;
    for (int id = 1; id <= 4; ++id)
        EXPECT_TRUE(Contains(drawn, sheet.LinkAlone(id))) << "link " << id;
}

TEST(SheetZoom, ExtentsScrollSizesAndPointMapping) {
    struct row_t {
        int zoom;
        device_editor::MappingExtents extents;
        Size scroll;             // of a 1131 x 1601 sheet
        Point scrollPos, device; // where the sheet point (400, 60) shows
    } rows[] = {
        {device_editor::kZoomHalf, {{2, 2}, {1, 1}}, {565, 800}, {100, 0}, {100, 30}},
        {device_editor::kZoomNormal, {{1, 1}, {1, 1}}, {1131, 1601}, {100, 0}, {300, 60}},
        {device_editor::kZoomDouble, {{1, 1}, {2, 2}}, {2262, 3202}, {100, 20}, {700, 100}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.zoom);
        EXPECT_EQ(device_editor::ZoomExtents(row.zoom), row.extents);
        EXPECT_EQ(device_editor::ScrollSize({1131, 1601}, row.zoom), row.scroll);
        const platform::gdi::DeviceMapping mapping =
            device_editor::ZoomMapping(row.zoom, row.scrollPos);
        EXPECT_EQ(mapping.LPtoDP({400, 60}), row.device);
        EXPECT_EQ(mapping.DPtoLP(row.device), Point(400, 60));
    }
}

// A damaged file's sheet: twice its width no longer fits an int; the scroll
// size stops at what a scroll bar takes, and a negative side gives 0.
TEST(SheetZoom, ScrollSizeOfAHugeSheetIsClamped) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct row_t {
        Size sheet;
        int zoom;
        Size scroll;
    } rows[] = {
        {{1'500'000'000, 2'000'000'000}, device_editor::kZoomDouble, {kMax, kMax}},
        {{kMax, 100}, device_editor::kZoomDouble, {kMax, 200}},
        {{kMax, kMax}, device_editor::kZoomHalf, {kMax / 2, kMax / 2}},
        {{-50, 10}, device_editor::kZoomDouble, {0, 20}},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(device_editor::ScrollSize(row.sheet, row.zoom), row.scroll)
            << row.sheet.cx << " x " << row.sheet.cy << " zoom " << row.zoom;
}

TEST(SheetPrint, ViewportIsTheSheetAtThePrinterResolutionWithinThePage) {
    struct row_t {
        Size sheet, dpi, page, viewport;
    } rows[] = {
        // fits: scaled, not enlarged to the page
        {{300, 200}, {96, 96}, {1000, 1000}, {300, 200}},
        // A4 at 600 dpi: the height decides
        {{1130, 1600}, {600, 600}, {4960, 7016}, {4954, 7016}},
        // a wide sheet: the width decides
        {{2000, 500}, {300, 300}, {2480, 3508}, {2480, 619}},
        // unequal resolutions keep the printed aspect
        {{960, 960}, {600, 300}, {3000, 3000}, {3000, 1500}},
        // a damaged sheet keeps at least one pixel
        {{2'000'000'000, 100}, {1200, 1200}, {9000, 12000}, {9000, 1}},
    };
    for (const row_t& row : rows) {
        const device_editor::MappingExtents e =
            device_editor::PrintViewport(row.sheet, row.dpi.cx, row.dpi.cy, row.page);
        EXPECT_EQ(e.window, row.sheet) << row.sheet.cx << " x " << row.sheet.cy;
        EXPECT_EQ(e.viewport, row.viewport) << row.sheet.cx << " x " << row.sheet.cy;
    }
    // An empty sheet maps one to one rather than to a refused zero extent.
    EXPECT_EQ(device_editor::PrintViewport({0, 0}, 96, 96, {1000, 1000}),
              (device_editor::MappingExtents{{1, 1}, {1, 1}}));
}

} // namespace
