#pragma once
// What the DSP view draws and how it maps the sheet: the zoom codes with
// their scales, the scroll extent, the zoom commands and the zoom box's
// entries, the auto-scroll of a drag past the window's edge, the printer's
// viewport, and the painting of the sheet onto a canvas.
//
// Zoom: one sheet unit is (4 + code) / 4 pixels. The commands only reach
// -2, 0 and 4; a file may hold -1 .. 3 too, which are drawn as they are.
// A code outside -2 .. 4 would give no usable scale, so it is drawn and
// converted as 0 while the document keeps it.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "model/gdi_types.h"

namespace dsp_editor {

class CZoDSPDoc;

// The zoom commands and the main frame's zoom box.
inline constexpr int kCmdZoomIn = 32872;
inline constexpr int kCmdZoomOut = 32873;
inline constexpr int kCmdZoomNormal = 32874;
inline constexpr int kZoomComboBox = 1178;
// The zoom box's "no selection".
inline constexpr int kZoomComboNone = -1;

inline constexpr std::int32_t kZoomMin = -2;
inline constexpr std::int32_t kZoomMax = 4;

// The code the view draws with: `code`, or 0 outside -2 .. 4.
std::int32_t DrawnZoom(std::int32_t code);
// f = (code + 2) x 0.25 + 0.5 of the drawn code: pixels per sheet unit.
double ZoomFactor(std::int32_t code);
// Pixels to sheet units and back with f, each truncated.
std::int32_t PixelsToSheet(std::int32_t pixels, std::int32_t code);
std::int32_t SheetToPixels(std::int32_t sheet, std::int32_t code);

// The window and viewport extents of the drawn code (window units map onto
// viewport pixels).
struct ZoomExtents {
    model::Size window;
    model::Size viewport;
};
ZoomExtents ZoomExtentsOf(std::int32_t code);
// The sheet's size after zooming (integer divisions), the scroll extent.
model::Size ScaledExtent(std::int32_t code, model::Size sheet);

// The zoom box: index 0 is -2, 1 is 0, 2 is 4; any other code shows index 1.
int ZoomComboIndex(std::int32_t code);
// The code an index selects: 0 gives -2, 1 gives 0, 2 gives 4, another
// index 0; none for kZoomComboNone (nothing changes).
std::optional<std::int32_t> ZoomOfComboIndex(int index);

// Zoom in: below 100% becomes 100%, otherwise 200%; enabled below 200%.
// Zoom out: above 100% becomes 100%, otherwise 50%; enabled above 50%.
// Normal size: 0, enabled while the stored code is not 0. Each works on the
// drawn code.
std::int32_t ZoomedIn(std::int32_t code);
std::int32_t ZoomedOut(std::int32_t code);
bool CanZoomIn(std::int32_t code);
bool CanZoomOut(std::int32_t code);
bool CanZoomNormal(std::int32_t code);

// The screen mapping: anisotropic with the zoom's extents, the viewport
// origin at minus the scroll position (pixels).
void PrepareScreenMapping(model::DeviceMapping& dc, std::int32_t code, model::Point scroll);

// What the printer reports of its page.
struct PrinterMetrics {
    std::int32_t logPixelsX = 96; // pixels per inch
    std::int32_t logPixelsY = 96;
    std::int32_t horzSize = 0; // millimetres
    std::int32_t vertSize = 0;
    std::int32_t horzRes = 0; // printable pixels across
};
// The printer's viewport extent for a sheet of the scaled size: its screen
// size in inches, never wider than the printable width, its aspect kept (a
// sheet taller than the page's aspect is held to HORZRES x its aspect).
// None when the sheet has no area: nothing is printed.
std::optional<model::Size> PrinterViewport(model::Size scaled, const PrinterMetrics& printer);
// The printer mapping: the whole sheet onto the viewport of its scaled
// extent, so that the page shows the sheet at its zoomed size, and all of
// it at every zoom (the scaled extent as the window would cut a sheet
// zoomed out to half its width and scale one zoomed in down). False, the
// mapping untouched, when nothing is to be printed.
bool PreparePrinterMapping(model::DeviceMapping& dc, model::Size sheet, model::Size scaled,
                           const PrinterMetrics& printer);

// Auto-scroll while a drag passes the window's edge: the mouse at `mouse`
// and the client rectangle `client`, both in sheet units. The new scroll
// position in pixels when an axis moves (the left or top edge follows the
// mouse, kept inside the sheet), else none.
std::optional<model::Point> AutoScrollTarget(model::Point mouse, const model::Rect& client,
                                             model::Size sheet, std::int32_t code);

// The window side of scrolling and of the main frame's zoom box.
class IDspScrollWindow {
public:
    virtual ~IDspScrollWindow() = default;
    // The client area and the scroll position, in pixels.
    virtual model::Size ClientSize() const = 0;
    virtual model::Point ScrollPosition() const = 0;
    virtual void ScrollTo(model::Point pixels) = 0;
    // The zoom box shows the entry (ZoomComboIndex).
    virtual void SelectZoomIndex(int index) = 0;
};

// What the view draws besides the document.
struct DspPaintState {
    bool gridVisible = true;
    // The surface is a printer page.
    bool printing = false;
    // A link being drawn: the rubber line, in sheet units.
    bool linking = false;
    model::Point lineStart, lineEnd;
    // The rubber band, normalised, in sheet units.
    bool bandActive = false;
    model::Rect band;
};

// Puts the grid's dots on the surface, one device pixel each, at device
// coordinates. Without one the canvas draws each as a one-pixel fill.
using GridDotPlotter = std::function<void(std::span<const model::Point> devicePoints)>;

// The colours the painting uses besides the document's.
inline constexpr model::COLORREF kLiveBandColour = 0x0000FF; // pure red
inline constexpr model::COLORREF kMarginColour = 0x00FF00;   // pure green
inline constexpr model::COLORREF kRubberBandColour = 0x646464;
inline constexpr std::int32_t kLiveBandWidth = 5;
inline constexpr std::int32_t kGridStep = 10;
// How far a module's marks reach beyond its body.
inline constexpr std::int32_t kModuleMarkReach = 3;

// Paints the part of the sheet inside `clip` (sheet units) onto `dc`, whose
// mapping is already prepared: the sheet in its colour and white around it;
// the red band while live; the margin lines and grid dots when the grid is
// on and the document neither live nor printed; the modules in id order
// (a module is drawn when its body grown by 3 meets the clip and it is not
// hidden); the links in array order; the rubber line; the rubber band.
void PaintSheet(model::Canvas& dc, const CZoDSPDoc& doc, const DspPaintState& state,
                const model::Rect& clip, const GridDotPlotter& dots = {});

} // namespace dsp_editor
