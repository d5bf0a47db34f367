#include "dsp_editor/ui/dsp_view_widget.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>

#include "dsp_editor/zo_dsp_view.h"
#include "platform/gdi/qt_canvas.h"

namespace dsp_editor::ui {

namespace {

// Floor and ceiling of a / b for b > 0.
std::int32_t FloorDiv(std::int64_t a, std::int64_t b) {
    return static_cast<std::int32_t>(a >= 0 ? a / b : -((-a + b - 1) / b));
}
std::int32_t CeilDiv(std::int64_t a, std::int64_t b) {
    return -FloorDiv(-a, b);
}

// The sheet rectangle that covers every pixel of `device` (window pixels)
// at the zoom code, scrolled to `scroll`: the clip box.
model::Rect SheetClip(const QRect& device, std::int32_t code, model::Point scroll) {
    const ZoomExtents ext = ZoomExtentsOf(code);
    const auto low = [&](std::int32_t d, std::int32_t s, std::int32_t win, std::int32_t vp) {
        return FloorDiv(std::int64_t{d + s} * win, vp);
    };
    const auto high = [&](std::int32_t d, std::int32_t s, std::int32_t win, std::int32_t vp) {
        return CeilDiv(std::int64_t{d + s} * win, vp);
    };
    return {low(device.left(), scroll.x, ext.window.cx, ext.viewport.cx),
            low(device.top(), scroll.y, ext.window.cy, ext.viewport.cy),
            high(device.right() + 1, scroll.x, ext.window.cx, ext.viewport.cx),
            high(device.bottom() + 1, scroll.y, ext.window.cy, ext.viewport.cy)};
}

unsigned KeysOf(const QMouseEvent& event) {
    unsigned keys = 0;
    if (event.modifiers() & Qt::ShiftModifier)
        keys |= kMouseShift;
    if (event.modifiers() & Qt::ControlModifier)
        keys |= kMouseControl;
    return keys;
}

} // namespace

CZoDSPViewWidget::CZoDSPViewWidget(CZoDSPView& view, QWidget* parent)
    : QAbstractScrollArea(parent), m_view(view) {
    // Every pixel of an update is painted: the sheet, or white around it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    m_view.SetWindow(this);
    m_view.m_scrollWindow = this;
}

CZoDSPViewWidget::~CZoDSPViewWidget() {
    m_view.m_scrollWindow = nullptr;
    m_view.SetWindow(nullptr);
}

void CZoDSPViewWidget::OnInitialUpdate() {
    m_view.OnInitialDrawState();
    SyncScrollBars();
    viewport()->update();
}

void CZoDSPViewWidget::SyncScrollBars() {
    const model::Size extent = m_view.ScaledSheet();
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, extent.cx - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    horizontalScrollBar()->setSingleStep(std::max(1, extent.cx / 100));
    verticalScrollBar()->setRange(0, std::max(0, extent.cy - client.height()));
    verticalScrollBar()->setPageStep(client.height());
    verticalScrollBar()->setSingleStep(std::max(1, extent.cy / 100));
}

void CZoDSPViewWidget::Repaint() {
    SyncScrollBars();
    viewport()->update();
}

void CZoDSPViewWidget::Post(std::function<void()> call) {
    // Dropped with the widget when it goes first.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CZoDSPViewWidget::RestoreArrowCursor() {
    viewport()->unsetCursor();
}

model::Size CZoDSPViewWidget::ClientSize() const {
    return {viewport()->width(), viewport()->height()};
}

model::Point CZoDSPViewWidget::ScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CZoDSPViewWidget::ScrollTo(model::Point pixels) {
    horizontalScrollBar()->setValue(pixels.x);
    verticalScrollBar()->setValue(pixels.y);
}

void CZoDSPViewWidget::SelectZoomIndex(int index) {
    emit zoomIndexSelected(index);
}

void CZoDSPViewWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    platform::gdi::QtCanvas canvas(painter);
    const model::Point scroll = ScrollPosition();
    m_view.PrepareScreen(canvas, scroll);
    const model::Rect clip = SheetClip(event->rect(), m_view.DrawnZoomCode(), scroll);
    m_view.OnDraw(canvas, clip, [&painter](std::span<const model::Point> dots) {
        QPolygon points;
        points.reserve(static_cast<qsizetype>(dots.size()));
        for (const model::Point& p : dots)
            points << QPoint(p.x, p.y);
        painter.setWorldTransform(QTransform());
        painter.setPen(QPen(Qt::black, 1));
        painter.drawPoints(points);
    });
}

void CZoDSPViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    SyncScrollBars();
}

bool CZoDSPViewWidget::Print(QPrinter& printer) {
    const PrinterMetrics metrics{printer.logicalDpiX(), printer.logicalDpiY(), printer.widthMM(),
                                 printer.heightMM(), printer.width()};
    if (!PrinterViewport(m_view.ScaledSheet(), metrics))
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    platform::gdi::QtCanvas canvas(painter);
    m_view.PreparePrinter(canvas, metrics);
    const CZoDSPDoc& doc = m_view.GetDocument();
    m_view.OnDraw(canvas, {0, 0, doc.m_sheetWidth, doc.m_sheetHeight});
    return painter.end();
}

model::Point CZoDSPViewWidget::ToSheet(const QPoint& device) {
    model::DeviceMapping mapping;
    PrepareScreenMapping(mapping, m_view.GetDocument().m_zoom, ScrollPosition());
    return mapping.DPtoLP(model::Point{device.x(), device.y()});
}

void CZoDSPViewWidget::mousePressEvent(QMouseEvent* event) {
    if (m_input == nullptr)
        return;
    const model::Point at = ToSheet(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_input->OnLButtonDown(at, KeysOf(*event));
    else if (event->button() == Qt::RightButton)
        m_input->OnRButtonDown(at, KeysOf(*event));
}

void CZoDSPViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (m_input != nullptr && event->button() == Qt::LeftButton)
        m_input->OnLButtonUp(ToSheet(event->position().toPoint()), KeysOf(*event));
}

void CZoDSPViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_input != nullptr && event->button() == Qt::LeftButton)
        m_input->OnLButtonDblClk(ToSheet(event->position().toPoint()), KeysOf(*event));
}

void CZoDSPViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_input != nullptr)
        m_input->OnMouseMove(ToSheet(event->position().toPoint()), KeysOf(*event));
}

} // namespace dsp_editor::ui
