#include "dsp_editor/dsp_view_paint.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "dsp_editor/zo_dsp_doc.h"

namespace dsp_editor {

namespace gdi = platform::gdi;
using model::Point;
using model::Rect;
using model::Size;

std::int32_t DrawnZoom(std::int32_t code) {
    return code < kZoomMin || code > kZoomMax ? 0 : code;
}

double ZoomFactor(std::int32_t code) {
    return (DrawnZoom(code) + 2) * 0.25 + 0.5;
}

std::int32_t PixelsToSheet(std::int32_t pixels, std::int32_t code) {
    return static_cast<std::int32_t>(pixels / ZoomFactor(code));
}

std::int32_t SheetToPixels(std::int32_t sheet, std::int32_t code) {
    return static_cast<std::int32_t>(sheet * ZoomFactor(code));
}

ZoomExtents ZoomExtentsOf(std::int32_t code) {
    switch (DrawnZoom(code)) {
    case -2:
        return {{2, 2}, {1, 1}};
    case -1:
        return {{4, 4}, {3, 3}};
    case 1:
        return {{4, 4}, {5, 5}};
    case 2:
        return {{2, 2}, {3, 3}};
    case 3:
        return {{4, 4}, {7, 7}};
    case 4:
        return {{1, 1}, {2, 2}};
    default:
        return {{1, 1}, {1, 1}};
    }
}

Size ScaledExtent(std::int32_t code, Size sheet) {
    const ZoomExtents ext = ZoomExtentsOf(code);
    return {sheet.cx * ext.viewport.cx / ext.window.cx, sheet.cy * ext.viewport.cy / ext.window.cy};
}

int ZoomComboIndex(std::int32_t code) {
    return code == -2 ? 0 : code == 4 ? 2 : 1;
}

std::optional<std::int32_t> ZoomOfComboIndex(int index) {
    switch (index) {
    case kZoomComboNone:
        return std::nullopt;
    case 0:
        return -2;
    case 2:
        return 4;
    default:
        return 0;
    }
}

std::int32_t ZoomedIn(std::int32_t code) {
    return DrawnZoom(code) < 0 ? 0 : kZoomMax;
}

std::int32_t ZoomedOut(std::int32_t code) {
    return DrawnZoom(code) > 0 ? 0 : kZoomMin;
}

bool CanZoomIn(std::int32_t code) {
    return DrawnZoom(code) < kZoomMax;
}

bool CanZoomOut(std::int32_t code) {
    return DrawnZoom(code) > kZoomMin;
}

bool CanZoomNormal(std::int32_t code) {
    return code != 0;
}

void PrepareScreenMapping(model::DeviceMapping& dc, std::int32_t code, Point scroll) {
    const ZoomExtents ext = ZoomExtentsOf(code);
    dc.SetMapMode(gdi::MM_ANISOTROPIC);
    dc.SetWindowOrg({0, 0});
    dc.SetWindowExt(ext.window);
    dc.SetViewportExt(ext.viewport);
    dc.SetViewportOrg({-scroll.x, -scroll.y});
}

std::optional<Size> PrinterViewport(Size scaled, const PrinterMetrics& printer) {
    if (scaled.cx <= 0 || scaled.cy <= 0)
        return std::nullopt;
    const auto px = static_cast<std::int32_t>(std::int64_t{scaled.cx} * printer.logPixelsX / 96);
    const auto py = static_cast<std::int32_t>(std::int64_t{scaled.cy} * printer.logPixelsY / 96);
    const double r = static_cast<double>(scaled.cy) / scaled.cx;
    const double p = printer.horzSize > 0 ? static_cast<double>(printer.vertSize) / printer.horzSize
                                          : std::numeric_limits<double>::infinity();
    const std::int32_t hr = printer.horzRes;
    Size viewport;
    if (r > p) {
        viewport.cy = std::min(py, static_cast<std::int32_t>(hr * r));
        viewport.cx = static_cast<std::int32_t>(viewport.cy / r);
    } else {
        viewport.cx = std::min(px, hr);
        viewport.cy = static_cast<std::int32_t>(viewport.cx * r);
    }
    if (viewport.cx <= 0 || viewport.cy <= 0)
        return std::nullopt;
    return viewport;
}

bool PreparePrinterMapping(model::DeviceMapping& dc, Size sheet, Size scaled,
                           const PrinterMetrics& printer) {
    const std::optional<Size> viewport = PrinterViewport(scaled, printer);
    if (!viewport)
        return false;
    dc.SetMapMode(gdi::MM_ANISOTROPIC);
    dc.SetWindowOrg({0, 0});
    dc.SetViewportOrg({0, 0});
    dc.SetWindowExt(sheet);
    dc.SetViewportExt(*viewport);
    return true;
}

namespace {

// The new left (or top) edge of the client span [low, high] for the mouse
// at `at` on a sheet `extent` long.
std::int32_t FollowMouse(std::int32_t at, std::int32_t low, std::int32_t high,
                         std::int32_t extent) {
    if (at < low)
        return std::max(at, 0);
    if (at > high)
        return std::min(low + (at - high), low + (extent - high));
    return low;
}

} // namespace

std::optional<Point> AutoScrollTarget(Point mouse, const Rect& client, Size sheet,
                                      std::int32_t code) {
    const std::int32_t left = FollowMouse(mouse.x, client.left, client.right, sheet.cx);
    const std::int32_t top = FollowMouse(mouse.y, client.top, client.bottom, sheet.cy);
    if (left == client.left && top == client.top)
        return std::nullopt;
    return Point{SheetToPixels(left, code), SheetToPixels(top, code)};
}

namespace {

void FillIfAny(model::Canvas& dc, const Rect& r, model::COLORREF colour) {
    if (!r.IsRectEmpty())
        dc.FillSolidRect(r, colour);
}

// The clip box less the sheet, in white.
void PaintOutside(model::Canvas& dc, const Rect& sheet, const Rect& clip) {
    FillIfAny(dc, {clip.left, clip.top, clip.right, std::min(clip.bottom, sheet.top)}, gdi::kWhite);
    FillIfAny(dc, {clip.left, std::max(clip.top, sheet.bottom), clip.right, clip.bottom},
              gdi::kWhite);
    const std::int32_t top = std::max(clip.top, sheet.top);
    const std::int32_t bottom = std::min(clip.bottom, sheet.bottom);
    FillIfAny(dc, {clip.left, top, std::min(clip.right, sheet.left), bottom}, gdi::kWhite);
    FillIfAny(dc, {std::max(clip.left, sheet.right), top, clip.right, bottom}, gdi::kWhite);
}

void PaintLiveBand(model::Canvas& dc, const Rect& sheet) {
    const std::int32_t b = kLiveBandWidth;
    FillIfAny(dc, {sheet.left, sheet.top, sheet.right, sheet.top + b}, kLiveBandColour);
    FillIfAny(dc, {sheet.left, sheet.bottom - b, sheet.right, sheet.bottom}, kLiveBandColour);
    FillIfAny(dc, {sheet.left, sheet.top + b, sheet.left + b, sheet.bottom - b}, kLiveBandColour);
    FillIfAny(dc, {sheet.right - b, sheet.top + b, sheet.right, sheet.bottom - b}, kLiveBandColour);
}

void PaintMargins(model::Canvas& dc, const Rect& sheet) {
    // A one-pixel dash-dot-dot line.
    gdi::CanvasStateSaver saver(dc);
    dc.SelectPen({gdi::PenStyle::DashDotDot, 0, kMarginColour});
    const std::int32_t m = kGridStep;
    dc.MoveTo(sheet.left, sheet.top + m);
    dc.LineTo(sheet.right, sheet.top + m);
    dc.MoveTo(sheet.left, sheet.bottom - m);
    dc.LineTo(sheet.right, sheet.bottom - m);
    dc.MoveTo(sheet.left + m, sheet.top);
    dc.LineTo(sheet.left + m, sheet.bottom);
    dc.MoveTo(sheet.right - m, sheet.top);
    dc.LineTo(sheet.right - m, sheet.bottom);
}

// The grid steps 0 .. last that lie in [low, high).
std::pair<std::int32_t, std::int32_t> StepsWithin(std::int32_t low, std::int32_t high,
                                                  std::int32_t last) {
    const std::int32_t first = low <= 0 ? 0 : (low + kGridStep - 1) / kGridStep;
    const std::int32_t end = high <= 0 ? -1 : std::min(last, (high - 1) / kGridStep);
    return {first, end};
}

void PaintGridDots(model::Canvas& dc, const Rect& sheet, const Rect& clip,
                   const GridDotPlotter& plotter) {
    const auto [i0, i1] = StepsWithin(clip.left, clip.right, sheet.Width() / kGridStep);
    const auto [j0, j1] = StepsWithin(clip.top, clip.bottom, sheet.Height() / kGridStep);
    if (i1 < i0 || j1 < j0)
        return;
    std::vector<Point> dots;
    dots.reserve(static_cast<std::size_t>(i1 - i0 + 1) * static_cast<std::size_t>(j1 - j0 + 1));
    for (std::int32_t j = j0; j <= j1; ++j)
        for (std::int32_t i = i0; i <= i1; ++i)
            dots.push_back(dc.LPtoDP(Point{i * kGridStep, j * kGridStep}));
    if (plotter) {
        plotter(dots);
        return;
    }
    gdi::CanvasStateSaver saver(dc);
    dc.SetMapMode(gdi::MM_TEXT);
    dc.SetWindowOrg({0, 0});
    dc.SetViewportOrg({0, 0});
    for (const Point& p : dots)
        dc.FillSolidRect({p.x, p.y, p.x + 1, p.y + 1}, gdi::kBlack);
}

void PaintModules(model::Canvas& dc, const CZoDSPDoc& doc, const Rect& clip) {
    // By id, not by array order: a later module paints over an earlier one.
    std::vector<model::CBaseAriModule*> modules;
    modules.reserve(doc.Modules().size());
    for (const auto& module : doc.Modules())
        modules.push_back(module.get());
    std::sort(modules.begin(), modules.end(),
              [](const auto* a, const auto* b) { return a->m_id < b->m_id; });
    for (model::CBaseAriModule* module : modules) {
        Rect reach;
        if (module->m_hidden == 0 &&
            reach.IntersectRect(module->m_body.Inflated(kModuleMarkReach, kModuleMarkReach), clip))
            module->Draw(dc, 0, 0);
    }
}

} // namespace

void PaintSheet(model::Canvas& dc, const CZoDSPDoc& doc, const DspPaintState& state,
                const Rect& clip, const GridDotPlotter& dots) {
    const Rect sheet{0, 0, doc.m_sheetWidth, doc.m_sheetHeight};
    const bool live = doc.m_live != 0;
    FillIfAny(dc, sheet, doc.m_sheetColour);
    PaintOutside(dc, sheet, clip);
    if (live)
        PaintLiveBand(dc, sheet);
    if (state.gridVisible && !live && !state.printing) {
        PaintMargins(dc, sheet);
        PaintGridDots(dc, sheet, clip, dots);
    }
    PaintModules(dc, doc, clip);
    for (const auto& link : doc.Links())
        link->Draw(dc, 0, 0);
    if (state.linking) {
        gdi::CanvasStateSaver saver(dc);
        dc.SelectPen(gdi::Pen::Solid(0, kLiveBandColour));
        dc.MoveTo(state.lineStart);
        dc.LineTo(state.lineEnd);
    }
    if (state.bandActive) {
        gdi::CanvasStateSaver saver(dc);
        dc.SelectPen({gdi::PenStyle::Dot, 0, kRubberBandColour});
        dc.SelectBrush(gdi::Brush::Hollow());
        dc.Rectangle(state.band);
    }
}

} // namespace dsp_editor
