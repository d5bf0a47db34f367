#pragma once
// CDspZoom: the DSP view's zoom, scrolling and what its painting shows
// besides the document. The zoom code is the document's; the view owns this
// object and the window side of scrolling is handed to it.
#include <cstdint>

#include "dsp_editor/dsp_view_paint.h"

namespace dsp_editor {

class CZoDSPView;

class CDspZoom {
public:
    explicit CDspZoom(CZoDSPView& view) : m_view(view) {}
    CDspZoom(const CDspZoom&) = delete;
    CDspZoom& operator=(const CDspZoom&) = delete;

    // What the painting shows besides the document; the editing sets the
    // rubber line and band.
    DspPaintState m_paint;
    // The window side of scrolling and of the zoom box (not owned; taken
    // away with null before it goes).
    IDspScrollWindow* m_scrollWindow = nullptr;

    // The initial update: the grid on, not printing, nothing being drawn;
    // the zoom box shows the document's code.
    void OnInitialDrawState();
    // The code drawn (the document's, 0 when it is outside -2 .. 4) and
    // its factor f; the scroll extent at that code.
    std::int32_t DrawnZoomCode() const;
    double Factor() const;
    model::Size ScaledSheet() const;
    // The mappings of the screen, scrolled to `scroll` (pixels), and of the
    // printer, which sets the printing flag (false: nothing to print).
    void PrepareScreen(model::DeviceMapping& dc, model::Point scroll);
    bool PreparePrinter(model::DeviceMapping& dc, const PrinterMetrics& printer);
    // Paints the sheet inside `clip` (sheet units) on a prepared canvas.
    void OnDraw(model::Canvas& dc, const model::Rect& clip, const GridDotPlotter& dots = {});
    // A drag at (x, y) in sheet units scrolls the window when past its edge.
    void AutoScroll(std::int32_t x, std::int32_t y);
    // Zoom in (32872), out (32873), normal size (32874) and the zoom box's
    // selection (1178): the document's code changes (not marked modified),
    // the box follows and the whole view repaints.
    void OnZoomIn();
    void OnZoomOut();
    void OnZoomNormal();
    void OnZoomComboSelect(int index);
    bool CanZoomIn() const;
    bool CanZoomOut() const;
    bool CanZoomNormal() const;

private:
    void SetZoom(std::int32_t code);
    std::int32_t Code() const;

    CZoDSPView& m_view;
};

} // namespace dsp_editor
