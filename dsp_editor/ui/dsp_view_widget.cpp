#include "dsp_editor/ui/dsp_view_widget.h"

#include "dsp_editor/dsp_gestures.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "dsp_editor/zo_dsp_view.h"
#include "platform/gdi/qt_canvas.h"
#include "resources/bitmaps.h"
#include "shell/ui/palette_bar.h"
#include "shell/ui/pictures.h"

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

model::Point ClientPoint(QPointF position) {
    const QPoint at = position.toPoint();
    return {at.x(), at.y()};
}

model::Point ClientPoint(const QMouseEvent& event) {
    return ClientPoint(event.position());
}

// The module code (type x 100 + variant) a drag from the DSP palette
// carries; 0 for any other drag.
std::int32_t DraggedModule(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasFormat(shell::ui::kPaletteItemMimeType) ||
        mime->data(shell::ui::kPaletteKindMimeType) !=
            shell::ui::PaletteKindName(shell::EPaletteKind::Dsp))
        return 0;
    return mime->data(shell::ui::kPaletteItemMimeType).toInt();
}

} // namespace

CZoDSPViewWidget::CZoDSPViewWidget(CZoDSPView& view, QWidget* parent)
    : QAbstractScrollArea(parent), m_view(view) {
    // Every pixel of an update is painted: the sheet, or white around it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
    setAcceptDrops(true);
    m_view.SetWindow(this);
    m_view.Zoom().m_scrollWindow = this;
}

CZoDSPViewWidget::~CZoDSPViewWidget() {
    m_view.Zoom().m_scrollWindow = nullptr;
    m_view.SetWindow(nullptr);
}

void CZoDSPViewWidget::OnInitialUpdate() {
    m_view.Zoom().OnInitialDrawState();
    SyncScrollBars();
    viewport()->update();
}

void CZoDSPViewWidget::SyncScrollBars() {
    const model::Size extent = m_view.Zoom().ScaledSheet();
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

void CZoDSPViewWidget::UpdatePropertyPanel() {
    if (m_host != nullptr)
        m_host->UpdatePropertyPanel();
}

void CZoDSPViewWidget::ClosePropertyPanel() {
    if (m_host != nullptr)
        m_host->ClosePropertyPanel();
}

void CZoDSPViewWidget::ShowDownloadProgress(const comm::CDSPDlgDownloadProgress* progress) {
    if (m_host != nullptr)
        m_host->ShowDownloadProgress(progress);
}

bool CZoDSPViewWidget::RunFirmTemplateDialog(CFirmTemplateController& dialog) {
    return m_host != nullptr && m_host->RunFirmTemplateDialog(dialog);
}

bool CZoDSPViewWidget::RunSaveAriAttriDialog(CParameterTemplateController& dialog) {
    return m_host != nullptr && m_host->RunSaveAriAttriDialog(dialog);
}

void CZoDSPViewWidget::OpenModuleDialog(model::CBaseAriModule& module) {
    if (m_host != nullptr)
        m_host->OpenModuleDialog(module);
}

void CZoDSPViewWidget::ShowContextMenu(model::Point client) {
    if (m_host != nullptr)
        m_host->ShowContextMenu(client);
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
    m_view.Zoom().PrepareScreen(canvas, scroll);
    const model::Rect clip = SheetClip(event->rect(), m_view.Zoom().DrawnZoomCode(), scroll);
    m_view.Zoom().OnDraw(canvas, clip, [&painter](std::span<const model::Point> dots) {
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
    if (!PrinterViewport(m_view.Zoom().ScaledSheet(), metrics))
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    platform::gdi::QtCanvas canvas(painter);
    m_view.Zoom().PreparePrinter(canvas, metrics);
    const CZoDSPDoc& doc = m_view.GetDocument();
    m_view.Zoom().OnDraw(canvas, {0, 0, doc.m_sheetWidth, doc.m_sheetHeight});
    return painter.end();
}

// -- the mouse editing's side

void CZoDSPViewWidget::SetCapture() {
    // Qt keeps the mouse with the widget while a button is held.
    m_captured = true;
}

void CZoDSPViewWidget::ReleaseCapture() {
    m_captured = false;
}

bool CZoDSPViewWidget::HasCapture() const {
    return m_captured;
}

void CZoDSPViewWidget::SetTimer(std::int32_t id, std::int32_t milliseconds) {
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { m_view.Gestures().OnTimer(id); });
    }
    timer->start(milliseconds);
}

void CZoDSPViewWidget::KillTimer(std::int32_t id) {
    if (const auto found = m_timers.find(id); found != m_timers.end())
        found->second->stop();
}

void CZoDSPViewWidget::SetCursor(ECursor cursor) {
    // The window's drop and move cursors are the pointer pictures' ids.
    static_assert(kCursorDrop == resources::kCursorDrop && kCursorMove == resources::kCursorMove);
    switch (cursor) {
    case kCursorWait:
        viewport()->setCursor(Qt::WaitCursor);
        break;
    case kCursorCross:
        viewport()->setCursor(Qt::CrossCursor);
        break;
    case kCursorNo:
        viewport()->setCursor(Qt::ForbiddenCursor);
        break;
    case kCursorDrop:
    case kCursorMove:
        viewport()->setCursor(shell::ui::CursorPicture(cursor));
        break;
    default:
        viewport()->unsetCursor();
        break;
    }
}

model::Point CZoDSPViewWidget::CursorPosition() const {
    const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    return {at.x(), at.y()};
}

model::Rect CZoDSPViewWidget::ClientRect() const {
    return {0, 0, viewport()->width(), viewport()->height()};
}

void CZoDSPViewWidget::InvalidateSheet(const model::Rect&) {
    viewport()->update();
}

void CZoDSPViewWidget::AutoScroll(model::Point sheet) {
    m_view.Zoom().AutoScroll(sheet.x, sheet.y);
}

// -- the attribute dialogs' side

double CZoDSPViewWidget::ZoomFactor() const {
    return m_view.Zoom().Factor();
}

std::optional<model::Rect> CZoDSPViewWidget::ViewRect() const {
    const QPoint origin = viewport()->mapFrom(this, QPoint(0, 0));
    return model::Rect{origin.x(), origin.y(), origin.x() + width(), origin.y() + height()};
}

void CZoDSPViewWidget::ActivateView() {
    if (m_dialogHost != nullptr)
        m_dialogHost->ActivateView();
}

void CZoDSPViewWidget::HidePropertyPanel() {
    if (m_dialogHost != nullptr)
        m_dialogHost->HidePropertyPanel();
}

// -- the mouse

void CZoDSPViewWidget::EndFinishedListDrag() {
    if (m_view.Gestures().Gesture() == CDspGestures::EGesture::ListDrag)
        m_view.Gestures().OnCaptureChanged();
}

void CZoDSPViewWidget::mousePressEvent(QMouseEvent* event) {
    EndFinishedListDrag();
    if (event->button() == Qt::LeftButton)
        m_view.Gestures().OnLButtonDown(ClientPoint(*event));
    else if (event->button() == Qt::RightButton &&
             m_view.Gestures().OnRButtonDown(ClientPoint(*event)))
        ShowContextMenu(ClientPoint(*event));
}

void CZoDSPViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    EndFinishedListDrag();
    if (event->button() == Qt::LeftButton)
        m_view.Gestures().OnLButtonUp(ClientPoint(*event));
}

void CZoDSPViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    EndFinishedListDrag();
    if (event->button() == Qt::LeftButton)
        m_view.Gestures().OnLButtonDblClk(ClientPoint(*event));
}

void CZoDSPViewWidget::mouseMoveEvent(QMouseEvent* event) {
    EndFinishedListDrag();
    m_view.Gestures().OnMouseMove(ClientPoint(*event));
}

// -- the DSP palette's drag

void CZoDSPViewWidget::dragEnterEvent(QDragEnterEvent* event) {
    const std::int32_t code = DraggedModule(event->mimeData());
    if (code == 0) {
        event->ignore();
        return;
    }
    // The frame began the placement on the view active when the drag
    // started; a drag that reaches this one over the tab strip begins it
    // here. Whether it may land is decided point by point.
    m_view.Gestures().BeginListDrag(code);
    event->acceptProposedAction();
}

void CZoDSPViewWidget::dragMoveEvent(QDragMoveEvent* event) {
    const model::Point at = ClientPoint(event->position());
    m_view.Gestures().OnMouseMove(at);
    if (m_view.Gestures().CursorAt(at) == kCursorDrop)
        event->acceptProposedAction();
    else
        event->ignore();
}

void CZoDSPViewWidget::dragLeaveEvent(QDragLeaveEvent* event) {
    // Let go outside this view, if at all: nothing is placed here.
    EndFinishedListDrag();
    event->accept();
}

void CZoDSPViewWidget::dropEvent(QDropEvent* event) {
    if (m_view.Gestures().OnDrop(ClientPoint(event->position())) != nullptr)
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace dsp_editor::ui
