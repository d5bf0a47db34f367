#include "device_editor/sheet_drawing.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace device_editor {

namespace {

using model::Canvas;
using model::COLORREF;
using model::Point;
using model::Rect;
using model::Size;

// Four bands of the frame's width just inside the sheet's edge.
void FillFrame(Canvas& dc, Size sheet, COLORREF colour) {
    const std::int32_t w = sheet.cx, h = sheet.cy, f = kSheetFrameWidth;
    dc.FillSolidRect({0, 0, w, f}, colour);
    dc.FillSolidRect({0, h - f, w, h}, colour);
    dc.FillSolidRect({0, f, f, h - f}, colour);
    dc.FillSolidRect({w - f, f, w, h - f}, colour);
}

// Dots at the multiples of the pitch where the clip box meets the sheet
// within its frame (a dot on the frame would break its line).
void DrawGrid(Canvas& dc, Size sheet, const Rect& clip) {
    Rect inner;
    if (!inner.IntersectRect(clip, {kSheetFrameWidth, kSheetFrameWidth, sheet.cx - kSheetFrameWidth,
                                    sheet.cy - kSheetFrameWidth}))
        return;
    // inner's left and top are positive: round them up to the grid.
    const auto first = [](std::int64_t edge) {
        return (edge + kGridPitch - 1) / kGridPitch * kGridPitch;
    };
    // In 64 bits: the last step may pass a huge sheet's edge.
    for (std::int64_t x = first(inner.left); x < inner.right; x += kGridPitch)
        for (std::int64_t y = first(inner.top); y < inner.bottom; y += kGridPitch)
            dc.SetPixel({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)},
                        platform::gdi::kBlack);
}

bool Meets(const Rect& bounds, const Rect& clip) {
    Rect overlap;
    return overlap.IntersectRect(bounds, clip);
}

// a * b / c towards zero, for a page's scale: the products of a damaged
// sheet at a high resolution may pass 64 bits.
std::int64_t ScaleSide(std::int64_t a, std::int64_t b, std::int64_t c) {
    return static_cast<std::int64_t>(static_cast<long double>(a) * b / c);
}

std::int32_t ClampToInt(std::int64_t v) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, 0, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

Rect WidenClipToGrid(const Rect& clip) {
    return {clip.left - clip.left % kGridPitch - kGridPitch,
            clip.top - clip.top % kGridPitch - kGridPitch, clip.right + 1, clip.bottom + 1};
}

Rect OnlineMarkRect(const model::CBaseDevice& unit) {
    const Rect& body = unit.m_body;
    const std::int32_t left = body.left + (body.right - body.left - kOnlineMarkSize) / 2;
    const std::int32_t bottom = body.bottom - 3;
    return {left, bottom - kOnlineMarkSize, left + kOnlineMarkSize, bottom};
}

void DrawSheet(Canvas& dc, const CZoDeviceDoc& doc, const Rect& clipBox,
               const SheetDrawState& state) {
    const model::DeviceSheetSettings& settings = doc.GetSheetSettings();
    const Size sheet{settings.width, settings.height};
    const Rect clip = WidenClipToGrid(clipBox);

    Rect onSheet;
    const bool meetsSheet = onSheet.IntersectRect(clip, Rect{{0, 0}, sheet});
    if (!meetsSheet || onSheet != clip)
        dc.FillSolidRect(clip, platform::gdi::kWhite);
    if (meetsSheet)
        dc.FillSolidRect(onSheet, settings.background);

    FillFrame(dc, sheet, state.running ? kRunningSheetFrame : kSheetFrame);
    if (settings.grid != 0 && !state.running)
        DrawGrid(dc, sheet, clip);

    for (const auto& device : doc.Devices())
        if (Meets(device->GetBoundRect(), clip))
            device->Draw(dc, 0, 0);
    {
        platform::gdi::CanvasStateSaver saved(dc);
        dc.SelectPen({platform::gdi::PenStyle::Solid, 1, platform::gdi::kBlack});
        dc.SelectBrush(model::Brush::Solid(kOnlineMark));
        for (const auto& device : doc.Devices())
            if (device->m_kind == model::kDeviceUnit && device->m_flag != 0 &&
                Meets(device->GetBoundRect(), clip))
                dc.Ellipse(OnlineMarkRect(*device));
    }
    for (const auto& link : doc.Links())
        if (Meets(link->GetBoundRect(), clip))
            link->DrawLink(dc, doc, 0, 0);
    if (state.drawingLink != nullptr)
        state.drawingLink->DrawLink(dc, doc, 0, 0);

    if (state.rubberBand) {
        // The focus rectangle: one dotted pixel wide, over everything.
        platform::gdi::CanvasStateSaver saved(dc);
        dc.SelectPen({platform::gdi::PenStyle::Dot, 0, platform::gdi::kBlack});
        dc.SelectBrush(model::Brush::Hollow());
        dc.Rectangle(*state.rubberBand);
    }
}

void DrawSheetForPrint(Canvas& dc, const CZoDeviceDoc& doc) {
    const model::DeviceSheetSettings& settings = doc.GetSheetSettings();
    FillFrame(dc, {settings.width, settings.height}, kPrintedSheetFrame);
    for (const auto& device : doc.Devices())
        device->Draw(dc, 0, 0);
    for (const auto& link : doc.Links())
        link->DrawLink(dc, doc, 0, 0);
}

MappingExtents ZoomExtents(int zoom) {
    switch (zoom) {
    case kZoomHalf:
        return {{2, 2}, {1, 1}};
    case kZoomDouble:
        return {{1, 1}, {2, 2}};
    default:
        return {{1, 1}, {1, 1}};
    }
}

platform::gdi::DeviceMapping ZoomMapping(int zoom, Point scrollPosition) {
    const MappingExtents extents = ZoomExtents(zoom);
    platform::gdi::DeviceMapping mapping;
    mapping.SetMapMode(platform::gdi::MM_ANISOTROPIC);
    mapping.SetWindowExt(extents.window);
    mapping.SetViewportExt(extents.viewport);
    mapping.SetViewportOrg({-scrollPosition.x, -scrollPosition.y});
    return mapping;
}

Size ScrollSize(Size sheet, int zoom) {
    const MappingExtents e = ZoomExtents(zoom);
    const auto scale = [](std::int64_t side, std::int32_t viewport, std::int32_t window) {
        return ClampToInt(side * viewport / window);
    };
    return {scale(sheet.cx, e.viewport.cx, e.window.cx),
            scale(sheet.cy, e.viewport.cy, e.window.cy)};
}

MappingExtents PrintViewport(Size sheet, int dpiX, int dpiY, Size page) {
    constexpr std::int64_t kScreenDpi = 96;
    const std::int64_t sw = std::max(sheet.cx, 1), sh = std::max(sheet.cy, 1);
    std::int64_t vx = std::max<std::int64_t>(sw * dpiX / kScreenDpi, 1);
    std::int64_t vy = std::max<std::int64_t>(sh * dpiY / kScreenDpi, 1);
    const std::int64_t px = std::max(page.cx, 1), py = std::max(page.cy, 1);
    if (vx > px || vy > py) {
        // The side that overshoots the page more decides the scale.
        if (static_cast<long double>(vx) * py >= static_cast<long double>(vy) * px) {
            vy = std::max<std::int64_t>(ScaleSide(vy, px, vx), 1);
            vx = px;
        } else {
            vx = std::max<std::int64_t>(ScaleSide(vx, py, vy), 1);
            vy = py;
        }
    }
    return {{static_cast<std::int32_t>(sw), static_cast<std::int32_t>(sh)},
            {static_cast<std::int32_t>(vx), static_cast<std::int32_t>(vy)}};
}

} // namespace device_editor
