#include "dsp_editor/dsp_zoom.h"

#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/zo_dsp_view.h"

namespace dsp_editor {

using model::Point;
using model::Rect;
using model::Size;

namespace {

Size SheetSizeOf(const CZoDSPDoc& doc) {
    return {doc.m_sheetWidth, doc.m_sheetHeight};
}

} // namespace

std::int32_t CDspZoom::Code() const {
    return m_view.GetDocument().m_zoom;
}

std::int32_t CDspZoom::DrawnZoomCode() const {
    return DrawnZoom(Code());
}

double CDspZoom::Factor() const {
    return ZoomFactor(Code());
}

bool CDspZoom::CanZoomIn() const {
    return dsp_editor::CanZoomIn(Code());
}

bool CDspZoom::CanZoomOut() const {
    return dsp_editor::CanZoomOut(Code());
}

bool CDspZoom::CanZoomNormal() const {
    return dsp_editor::CanZoomNormal(Code());
}

void CDspZoom::OnInitialDrawState() {
    m_paint = DspPaintState{};
    if (m_scrollWindow != nullptr)
        m_scrollWindow->SelectZoomIndex(ZoomComboIndex(Code()));
}

Size CDspZoom::ScaledSheet() const {
    return ScaledExtent(Code(), SheetSizeOf(m_view.GetDocument()));
}

void CDspZoom::PrepareScreen(model::DeviceMapping& dc, Point scroll) {
    PrepareScreenMapping(dc, Code(), scroll);
    m_paint.printing = false;
}

bool CDspZoom::PreparePrinter(model::DeviceMapping& dc, const PrinterMetrics& printer) {
    m_paint.printing = true;
    return PreparePrinterMapping(dc, SheetSizeOf(m_view.GetDocument()), ScaledSheet(), printer);
}

void CDspZoom::OnDraw(model::Canvas& dc, const Rect& clip, const GridDotPlotter& dots) {
    // The rubber line and band of the mouse editing under way.
    if (const CDspGestures* gestures = m_view.GesturesIfMade()) {
        using EGesture = CDspGestures::EGesture;
        m_paint.linking = gestures->Gesture() == EGesture::Linking;
        m_paint.lineStart = gestures->RubberLineStart();
        m_paint.lineEnd = gestures->RubberLineEnd();
        m_paint.bandActive = gestures->Gesture() == EGesture::RubberBand;
        m_paint.band = gestures->RubberBand();
    }
    PaintSheet(dc, m_view.GetDocument(), m_paint, clip, dots);
}

void CDspZoom::AutoScroll(std::int32_t x, std::int32_t y) {
    if (m_scrollWindow == nullptr)
        return;
    const Point scroll = m_scrollWindow->ScrollPosition();
    const Size size = m_scrollWindow->ClientSize();
    model::DeviceMapping mapping;
    PrepareScreenMapping(mapping, Code(), scroll);
    const Rect client = mapping.DPtoLP(Rect{0, 0, size.cx, size.cy});
    const std::optional<Point> target =
        AutoScrollTarget({x, y}, client, SheetSizeOf(m_view.GetDocument()), Code());
    if (!target)
        return;
    m_scrollWindow->ScrollTo(*target);
    if (IDspViewWindow* window = m_view.Window())
        window->Repaint();
}

void CDspZoom::SetZoom(std::int32_t code) {
    m_view.GetDocument().m_zoom = code;
    if (m_scrollWindow != nullptr)
        m_scrollWindow->SelectZoomIndex(ZoomComboIndex(code));
    if (IDspViewWindow* window = m_view.Window())
        window->Repaint();
}

void CDspZoom::OnZoomIn() {
    SetZoom(ZoomedIn(Code()));
}

void CDspZoom::OnZoomOut() {
    SetZoom(ZoomedOut(Code()));
}

void CDspZoom::OnZoomNormal() {
    SetZoom(0);
}

void CDspZoom::OnZoomComboSelect(int index) {
    if (const std::optional<std::int32_t> code = ZoomOfComboIndex(index))
        SetZoom(*code);
}

} // namespace dsp_editor
