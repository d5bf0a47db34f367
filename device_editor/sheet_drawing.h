#pragma once
// Drawing a device sheet on any canvas, and the mappings the sheet view
// draws with: its three zoom steps, its scroll size, and a printer page.
//
// Everything here works in the sheet's logical units; the caller has put the
// mapping (zoom and scroll position, or the printer's) on the canvas.
#include <cstdint>
#include <optional>

#include "device_editor/zo_device_doc.h"
#include "platform/gdi/canvas.h"

namespace device_editor {

// What the view adds to the document's own contents while it paints.
struct SheetDrawState {
    // The view is the running view: a red frame and no grid.
    bool running = false;
    // The link the operator is drawing, not yet in the document.
    const model::CDeviceLink* drawingLink = nullptr;
    // The rubber band's rectangle (normalised), while one is dragged.
    std::optional<model::Rect> rubberBand;
};

// Frame colours: the view's normal and running frames, and the printed one.
inline constexpr model::COLORREF kSheetFrame = 0x808080;
inline constexpr model::COLORREF kRunningSheetFrame = 0x0000FF;
inline constexpr model::COLORREF kPrintedSheetFrame = 0x8080FF;
// A unit's on-line mark: a green lamp with a black rim, centred at the foot
// of its body, below the last channel of every unit.
inline constexpr model::COLORREF kOnlineMark = 0x00C000;
inline constexpr std::int32_t kOnlineMarkSize = 10;
// Where the mark of a unit on line is drawn (logical units).
model::Rect OnlineMarkRect(const model::CBaseDevice& unit);

// The frame's width inside the sheet's edge, and the grid's pitch.
inline constexpr std::int32_t kSheetFrameWidth = 5;
inline constexpr std::int32_t kGridPitch = 10;

// The clip box moved out to the grid: left and top back to the multiple of
// 10 below them and one step further, right and bottom one unit out, so that
// a repaint of any part puts the grid dots on the same places.
model::Rect WidenClipToGrid(const model::Rect& clip);

// Paints the part of the sheet in `clip` (logical units): white outside the
// sheet, the background colour on it, the frame, the grid dots (when the
// grid is on and the view is not running), the devices and links that meet
// the widened clip box with the on-line marks of the units on line, then
// the link being drawn and the rubber band.
void DrawSheet(platform::gdi::Canvas& dc, const CZoDeviceDoc& doc, const model::Rect& clip,
               const SheetDrawState& state);

// Paints the whole sheet for a printer page: the frame in the printed
// colour, every device and link; no background, no grid.
void DrawSheetForPrint(platform::gdi::Canvas& dc, const CZoDeviceDoc& doc);

// -- zoom

// The view's zoom steps.
inline constexpr int kZoomHalf = 1;
inline constexpr int kZoomNormal = 2;
inline constexpr int kZoomDouble = 3;

struct MappingExtents {
    model::Size window;
    model::Size viewport;
    friend bool operator==(const MappingExtents&, const MappingExtents&) = default;
};

// The window and viewport extents of a zoom step: half size (2, 2) to
// (1, 1), normal (1, 1) to (1, 1), double (1, 1) to (2, 2). Any other value
// is normal size.
MappingExtents ZoomExtents(int zoom);

// The view's mapping: anisotropic with the zoom's extents, the viewport
// origin moved by the scroll position (device pixels). Its LPtoDP and
// DPtoLP turn sheet points into client points and back.
platform::gdi::DeviceMapping ZoomMapping(int zoom, model::Point scrollPosition);

// The scroll size (device pixels) of a sheet at a zoom step: half the sheet
// (division towards zero), the sheet, or twice the sheet. Worked out in 64
// bits and held within 0 .. INT32_MAX, the range scroll bars take, so that
// a damaged file's huge sheet cannot overflow; the sheet keeps its size.
model::Size ScrollSize(model::Size sheet, int zoom);

// -- printing

// The printer page's mapping: the window extent is the sheet, the viewport
// the sheet at the printer's resolution (sheet x dpi / 96, a sheet unit
// being a screen pixel at 96 dpi), reduced to the printable page keeping the
// sheet's aspect ratio. Each viewport side is at least 1 pixel; a sheet
// side below 1 counts as 1.
MappingExtents PrintViewport(model::Size sheet, int dpiX, int dpiY, model::Size page);

} // namespace device_editor
