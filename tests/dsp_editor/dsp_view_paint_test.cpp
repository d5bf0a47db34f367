// The DSP view's drawing on a recording canvas: the painting order (modules
// by id, links after them), the live band and the grid by state, the
// 3-unit reach of the clip test; the zoom codes with the scroll extent, the
// zoom box and the commands, a file's odd or broken code; auto-scroll; the
// printer's viewport.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dsp_editor/dsp_view_paint.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "platform/gdi/recording_canvas.h"

namespace {

namespace de = dsp_editor;
namespace gdi = platform::gdi;
using de::CZoDSPDoc;
using de::CZoDSPView;
using gdi::RecordedOp;
using model::Point;
using model::Rect;
using model::Size;

// Draws only its own name, so that the recording shows when it was drawn.
class ProbeModule final : public model::CBaseAriModule {
public:
    ProbeModule(std::int32_t id, const Rect& body) : CBaseAriModule(id, model::kAriDelay, 1) {
        m_body = body;
    }
    void Draw(model::Canvas& dc, std::int32_t, std::int32_t) override {
        dc.TextOut(0, 0, "module " + std::to_string(m_id));
    }
};

class ProbeLink final : public model::CBaseLink {
public:
    explicit ProbeLink(std::int32_t id) { m_id = id; }
    void Draw(model::Canvas& dc, std::int32_t, std::int32_t) override {
        dc.TextOut(0, 0, "link " + std::to_string(m_id));
    }
};

// Scroll window and zoom box of a test.
class FakeScrollWindow final : public de::IDspScrollWindow, public de::IDspViewWindow {
public:
    Size ClientSize() const override { return client; }
    Point ScrollPosition() const override { return scroll; }
    void ScrollTo(Point pixels) override { scrolledTo = pixels; }
    void SelectZoomIndex(int index) override { zoomIndex = index; }
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}

    Size client{400, 300};
    Point scroll;
    std::optional<Point> scrolledTo;
    int zoomIndex = -1;
    int repaints = 0;
};

class DspViewPaintTest : public ::testing::Test {
protected:
    DspViewPaintTest() {
        doc.m_sheetWidth = 100;
        doc.m_sheetHeight = 60;
        doc.m_sheetColour = 0x123456;
        view.Zoom().m_scrollWindow = &window;
        view.SetWindow(&window);
    }
    ~DspViewPaintTest() override { view.SetWindow(nullptr); }

    void AddProbe(std::int32_t id, const Rect& body) {
        doc.PutModule(std::make_unique<ProbeModule>(id, body));
    }

    std::vector<std::string> Paint(const Rect& clip) {
        canvas.Clear();
        view.Zoom().PrepareScreen(canvas, {0, 0});
        view.Zoom().OnDraw(canvas, clip);
        return Texts();
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const RecordedOp& op : canvas.Ops())
            if (op.kind == RecordedOp::Kind::Text)
                texts.push_back(op.text);
        return texts;
    }
    std::vector<Rect> Fills(gdi::COLORREF colour) const {
        std::vector<Rect> fills;
        for (const RecordedOp& op : canvas.Ops())
            if (op.kind == RecordedOp::Kind::Fill && op.colour == colour)
                fills.push_back(op.rect);
        return fills;
    }
    int MarginLines() const {
        int lines = 0;
        for (const RecordedOp& op : canvas.Ops())
            lines += op.kind == RecordedOp::Kind::Polyline && op.pen.colour == de::kMarginColour &&
                     op.pen.style == platform::gdi::PenStyle::DashDotDot;
        return lines;
    }
    // The grid's dots: one-pixel black fills.
    std::vector<Rect> Dots() const {
        std::vector<Rect> dots;
        for (const Rect& r : Fills(gdi::kBlack))
            if (r.Width() == 1 && r.Height() == 1)
                dots.push_back(r);
        return dots;
    }

    CZoDSPDoc doc;
    CZoDSPView view{doc};
    FakeScrollWindow window;
    gdi::RecordingCanvas canvas;
};

TEST_F(DspViewPaintTest, ModulesByIdThenLinksInArrayOrder) {
    AddProbe(3, {10, 10, 30, 30});
    AddProbe(1, {40, 10, 60, 30});
    AddProbe(2, {10, 10, 30, 30});
    doc.PutLink(std::make_unique<ProbeLink>(11));
    doc.PutLink(std::make_unique<ProbeLink>(10));
    EXPECT_EQ(Paint({0, 0, 100, 60}),
              (std::vector<std::string>{"module 1", "module 2", "module 3", "link 11", "link 10"}));
    // The sheet goes down first, in its colour.
    ASSERT_FALSE(canvas.Ops().empty());
    EXPECT_EQ(canvas.Ops().front().rect, (Rect{0, 0, 100, 60}));
    EXPECT_EQ(canvas.Ops().front().colour, 0x123456u);
}

TEST_F(DspViewPaintTest, LiveBandAndGridByState) {
    struct Case {
        bool live, printing, grid;
        bool band, margins;
    };
    const Case cases[] = {
        {false, false, true, false, true}, {true, false, true, true, false},
        {false, true, true, false, false}, {false, false, false, false, false},
        {true, true, false, true, false},
    };
    AddProbe(1, {20, 20, 40, 40});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "live " << c.live << " printing " << c.printing << " grid " << c.grid);
        doc.m_live = c.live ? 1 : 0;
        view.Zoom().m_paint.gridVisible = c.grid;
        canvas.Clear();
        if (c.printing)
            ASSERT_TRUE(view.Zoom().PreparePrinter(canvas, {96, 96, 210, 297, 800}));
        else
            view.Zoom().PrepareScreen(canvas, {0, 0});
        view.Zoom().OnDraw(canvas, {0, 0, 100, 60});
        const std::vector<Rect> band = Fills(de::kLiveBandColour);
        if (c.band)
            EXPECT_EQ(band,
                      (std::vector<Rect>{
                          {0, 0, 100, 5}, {0, 55, 100, 60}, {0, 5, 5, 55}, {95, 5, 100, 55}}));
        else
            EXPECT_TRUE(band.empty());
        EXPECT_EQ(MarginLines(), c.margins ? 4 : 0);
        EXPECT_EQ(Dots().empty(), !c.margins);
        // The modules are drawn whatever the state.
        EXPECT_EQ(Texts(), std::vector<std::string>{"module 1"});
    }
}

TEST_F(DspViewPaintTest, GridDotsInsideTheClipOnly) {
    Paint({0, 0, 100, 60});
    // (10i, 10j) for i <= 10, j <= 6; the right and bottom edges lie outside.
    EXPECT_EQ(Dots().size(), 10u * 6u);
    Paint({25, 15, 100, 60});
    const std::vector<Rect> dots = Dots();
    EXPECT_EQ(dots.size(), 7u * 4u); // x 30 .. 90, y 20 .. 50
    EXPECT_EQ(dots.front(), (Rect{30, 20, 31, 21}));
    // White around the sheet, only where the clip reaches past it.
    Paint({-10, 50, 120, 70});
    EXPECT_EQ(Fills(gdi::kWhite),
              (std::vector<Rect>{{-10, 60, 120, 70}, {-10, 50, 0, 60}, {100, 50, 120, 60}}));
}

TEST_F(DspViewPaintTest, GridDotsLandOnSingleScaledPixels) {
    doc.m_zoom = 2;
    canvas.Clear();
    view.Zoom().PrepareScreen(canvas, {6, 3});
    view.Zoom().OnDraw(canvas, {10, 10, 11, 11});
    // Sheet point (10, 10) at 150%, scrolled by (6, 3).
    EXPECT_EQ(Dots(), (std::vector<Rect>{{9, 12, 10, 13}}));
}

TEST_F(DspViewPaintTest, ClipTestReachesThreeUnitsPastTheBody) {
    struct Case {
        Rect clip;
        bool hidden;
        bool drawn;
    };
    const Case cases[] = {
        {{52, 0, 100, 60}, false, true},  // the body ends at 50; marks reach 52
        {{53, 0, 100, 60}, false, false}, // beyond the marks
        {{0, 0, 18, 60}, false, true},    // left of the body
        {{0, 0, 17, 60}, false, false},   {{0, 0, 100, 60}, true, false}, // hidden
    };
    AddProbe(1, {20, 20, 50, 40});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "clip left " << c.clip.left << " right " << c.clip.right);
        doc.GetModuleById(1)->m_hidden = c.hidden ? 1 : 0;
        EXPECT_EQ(Paint(c.clip).size(), c.drawn ? 1u : 0u);
    }
}

TEST_F(DspViewPaintTest, RubberLineAndBandLast) {
    AddProbe(1, {20, 20, 40, 40});
    view.Zoom().m_paint.linking = true;
    view.Zoom().m_paint.lineStart = {30, 30};
    view.Zoom().m_paint.lineEnd = {70, 45};
    view.Zoom().m_paint.bandActive = true;
    view.Zoom().m_paint.band = {5, 6, 80, 50};
    Paint({0, 0, 100, 60});
    const auto& ops = canvas.Ops();
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[ops.size() - 3].text, "module 1");
    EXPECT_EQ(ops[ops.size() - 2].ToString(), "polyline (30,30) (70,45) pen solid 0 0x0000FF");
    EXPECT_EQ(ops.back().kind, RecordedOp::Kind::Rectangle);
    EXPECT_EQ(ops.back().rect, (Rect{5, 6, 80, 50}));
    EXPECT_EQ(ops.back().pen, (gdi::Pen{gdi::PenStyle::Dot, 0, 0x646464}));
    EXPECT_EQ(ops.back().brush.style, gdi::BrushStyle::Null);
}

TEST(DspZoom, ExtentsFactorAndBoxIndexPerCode) {
    struct Case {
        std::int32_t code;
        std::int32_t scaledWidth;
        double factor;
        int index;
    };
    // 1260 x 1800; codes outside -2 .. 4 draw and convert as 0.
    const Case cases[] = {
        {-2, 630, 0.5, 0},  {-1, 945, 0.75, 1}, {0, 1260, 1.0, 1}, {1, 1575, 1.25, 1},
        {2, 1890, 1.5, 1},  {3, 2205, 1.75, 1}, {4, 2520, 2.0, 2}, {-3, 1260, 1.0, 1},
        {-4, 1260, 1.0, 1}, {-9, 1260, 1.0, 1}, {5, 1260, 1.0, 1}, {1000, 1260, 1.0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(de::ScaledExtent(c.code, {1260, 1800}).cx, c.scaledWidth);
        EXPECT_EQ(de::ZoomFactor(c.code), c.factor);
        EXPECT_EQ(de::ZoomComboIndex(c.code), c.index);
        EXPECT_EQ(de::PixelsToSheet(301, c.code), static_cast<std::int32_t>(301 / c.factor));
        EXPECT_EQ(de::SheetToPixels(301, c.code), static_cast<std::int32_t>(301 * c.factor));
    }
    // Truncating divisions.
    EXPECT_EQ(de::ScaledExtent(-1, {1261, 1803}), (Size{945, 1352}));
}

// A code read from a file: 2 is drawn at 150% with the box at 100%; -5 is
// drawn as 0 and stays in the document.
TEST(DspZoom, FileCodesDrawnAsShownOrAsNormal) {
    struct Case {
        std::int32_t code;
        Point device; // of sheet point (100, 100)
        Size scroll;  // the scroll extent of a 1260 x 1800 sheet
    };
    const Case cases[] = {{2, {150, 150}, {1890, 2700}}, {-5, {100, 100}, {1260, 1800}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        CZoDSPDoc saved;
        saved.m_zoom = c.code;
        CZoDSPDoc doc;
        doc.OpenDocument(saved.SaveDocument());
        ASSERT_EQ(doc.m_zoom, c.code);
        CZoDSPView view(doc);
        FakeScrollWindow window;
        view.Zoom().m_scrollWindow = &window;
        view.Zoom().OnInitialDrawState();
        EXPECT_EQ(window.zoomIndex, 1);
        gdi::RecordingCanvas canvas;
        view.Zoom().PrepareScreen(canvas, {0, 0});
        EXPECT_EQ(canvas.LPtoDP(Point{100, 100}), c.device);
        EXPECT_EQ(view.Zoom().ScaledSheet(), c.scroll);
        view.Zoom().OnDraw(canvas, {0, 0, 1260, 1800});
        EXPECT_EQ(doc.m_zoom, c.code);
    }
}

TEST(DspZoom, CommandsSetTheCodeSelectTheBoxAndRepaint) {
    enum Command { In, Out, Normal, Combo };
    struct Case {
        std::int32_t from;
        Command command;
        int comboIndex;
        std::int32_t to;
        bool enabled;
    };
    const Case cases[] = {
        {-2, In, 0, 0, true},    {0, In, 0, 4, true},      {4, In, 0, 4, false},
        {2, In, 0, 4, true},     {-1, In, 0, 0, true},     {4, Out, 0, 0, true},
        {0, Out, 0, -2, true},   {-2, Out, 0, -2, false},  {-1, Out, 0, -2, true},
        {2, Normal, 0, 0, true}, {0, Normal, 0, 0, false}, {9, In, 0, 4, true},
        {9, Normal, 0, 0, true}, {0, Combo, 0, -2, true},  {0, Combo, 2, 4, true},
        {4, Combo, 1, 0, true},  {4, Combo, 7, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from << " command " << c.command);
        CZoDSPDoc doc;
        doc.m_zoom = c.from;
        CZoDSPView view(doc);
        FakeScrollWindow window;
        view.Zoom().m_scrollWindow = &window;
        view.SetWindow(&window);
        switch (c.command) {
        case In:
            EXPECT_EQ(view.Zoom().CanZoomIn(), c.enabled);
            view.Zoom().OnZoomIn();
            break;
        case Out:
            EXPECT_EQ(view.Zoom().CanZoomOut(), c.enabled);
            view.Zoom().OnZoomOut();
            break;
        case Normal:
            EXPECT_EQ(view.Zoom().CanZoomNormal(), c.enabled);
            view.Zoom().OnZoomNormal();
            break;
        case Combo:
            view.Zoom().OnZoomComboSelect(c.comboIndex);
            break;
        }
        EXPECT_EQ(doc.m_zoom, c.to);
        EXPECT_EQ(window.zoomIndex, de::ZoomComboIndex(c.to));
        EXPECT_EQ(window.repaints, 1);
        EXPECT_FALSE(doc.IsModified());
        view.SetWindow(nullptr);
    }
}

TEST(DspZoom, NoComboSelectionChangesNothing) {
    CZoDSPDoc doc;
    doc.m_zoom = 4;
    CZoDSPView view(doc);
    FakeScrollWindow window;
    view.Zoom().m_scrollWindow = &window;
    view.SetWindow(&window);
    view.Zoom().OnZoomComboSelect(de::kZoomComboNone);
    EXPECT_EQ(doc.m_zoom, 4);
    EXPECT_EQ(window.repaints, 0);
    view.SetWindow(nullptr);
}

TEST(DspAutoScroll, FollowsTheMouseInsideTheSheet) {
    struct Case {
        std::int32_t code;
        Point scroll; // pixels; the client is 400 x 300 pixels
        Point mouse;  // sheet units
        std::optional<Point> to;
    };
    const Case cases[] = {
        {0, {100, 100}, {200, 200}, std::nullopt}, // inside
        {0, {100, 100}, {50, 200}, Point{50, 100}},
        {0, {100, 100}, {-20, 200}, Point{0, 100}},       // not before the sheet
        {0, {0, 0}, {-20, -5}, std::nullopt},             // already at the start
        {0, {100, 100}, {600, 450}, Point{200, 150}},     // past the right and bottom
        {0, {800, 1450}, {1300, 1900}, Point{860, 1500}}, // held inside the sheet
        {4, {200, 200}, {50, 120}, Point{100, 200}},      // f = 2
        {-2, {100, 100}, {100, 300}, Point{50, 100}},     // f = 0.5: client 800 x 600
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mouse " << c.mouse.x << "," << c.mouse.y);
        CZoDSPDoc doc;
        doc.m_zoom = c.code;
        CZoDSPView view(doc);
        FakeScrollWindow window;
        window.scroll = c.scroll;
        view.Zoom().m_scrollWindow = &window;
        view.SetWindow(&window);
        view.Zoom().AutoScroll(c.mouse.x, c.mouse.y);
        EXPECT_EQ(window.scrolledTo, c.to);
        EXPECT_EQ(window.repaints, c.to ? 1 : 0);
        view.SetWindow(nullptr);
    }
}

TEST(DspPrinting, ViewportKeepsTheAspectWithinThePrintableWidth) {
    // A4 at 600 dpi: 210 x 297 mm, 4960 pixels across.
    const de::PrinterMetrics a4{600, 600, 210, 297, 4960};
    struct Case {
        Size scaled;
        std::optional<Size> viewport;
    };
    const Case cases[] = {
        // Its size in inches when it fits.
        {{300, 200}, Size{1875, 1250}},
        // Wider than the paper: the printable width.
        {{2000, 1000}, Size{4960, 2480}},
        // Much taller than the paper: HORZRES x its aspect, not the page.
        {{1260, 5000}, Size{4959, 19682}},
        // No area: nothing printed.
        {{0, 1800}, std::nullopt},
        {{1260, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.scaled.cx << " x " << c.scaled.cy);
        EXPECT_EQ(de::PrinterViewport(c.scaled, a4), c.viewport);
    }
}

TEST(DspPrinting, ZeroWidthSheetPrintsNothing) {
    CZoDSPDoc doc;
    doc.m_sheetWidth = 0;
    CZoDSPView view(doc);
    gdi::RecordingCanvas canvas;
    canvas.SetPrinting(true);
    EXPECT_FALSE(view.Zoom().PreparePrinter(canvas, {600, 600, 210, 297, 4960}));
    EXPECT_EQ(canvas.GetMapMode(), gdi::MM_TEXT);
    EXPECT_TRUE(view.Zoom().m_paint.printing);

    doc.m_sheetWidth = 1260;
    doc.m_zoom = -2;
    ASSERT_TRUE(view.Zoom().PreparePrinter(canvas, {600, 600, 210, 297, 4960}));
    EXPECT_EQ(canvas.GetWindowExt(), (Size{1260, 1800}));
}

// The page shows the whole sheet at every zoom, at the zoomed size: the
// far corner of the sheet lands on the viewport's far corner.
TEST(DspPrinting, TheWholeSheetMapsOntoThePageAtEveryZoom) {
    CZoDSPDoc doc;
    doc.m_sheetWidth = 1260;
    doc.m_sheetHeight = 1800;
    CZoDSPView view(doc);
    const de::PrinterMetrics a4{600, 600, 210, 297, 4960};
    for (const std::int32_t code : {-2, 0, 2, 4}) {
        SCOPED_TRACE(code);
        doc.m_zoom = code;
        gdi::RecordingCanvas canvas;
        canvas.SetPrinting(true);
        ASSERT_TRUE(view.Zoom().PreparePrinter(canvas, a4));
        const std::optional<Size> viewport = de::PrinterViewport(view.Zoom().ScaledSheet(), a4);
        ASSERT_TRUE(viewport);
        EXPECT_EQ(canvas.LPtoDP(Point{1260, 1800}), (Point{viewport->cx, viewport->cy}));
    }
}

} // namespace
