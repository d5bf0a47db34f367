#include "device_editor/ui/device_view.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

#include "shell/frame_resources.h"
#include "shell/language.h"
#include "shell/ui/palette_bar.h"
#include "shell/ui/pictures.h"

namespace device_editor::ui {

namespace {

// How long a channel's tip stays up.
constexpr int kToolTipShowMs = 500;

model::Point ClientPoint(const QPoint& at) {
    return {at.x(), at.y()};
}

std::uint32_t KeysOf(const QMouseEvent& event) {
    std::uint32_t keys = 0;
    if (event.buttons() & Qt::LeftButton)
        keys |= kKeyLButton;
    if (event.buttons() & Qt::RightButton)
        keys |= kKeyRButton;
    if (event.modifiers() & Qt::ShiftModifier)
        keys |= kKeyShift;
    if (event.modifiers() & Qt::ControlModifier)
        keys |= kKeyControl;
    return keys;
}

QRect ToQRect(const model::Rect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// The palette item a drag carries, 0 when it carries none.
std::int32_t DraggedModel(const QMimeData* mime) {
    // Device models and DSP module codes overlap (the PC's 1001 is also a
    // filter's), so only the device palette's drags are taken.
    if (mime == nullptr || !mime->hasFormat(shell::ui::kPaletteItemMimeType) ||
        mime->data(shell::ui::kPaletteKindMimeType) !=
            shell::ui::PaletteKindName(shell::EPaletteKind::Device))
        return 0;
    return mime->data(shell::ui::kPaletteItemMimeType).toInt();
}

QString MenuText(const shell::CMenuEntry& entry) {
    if (const auto text = shell::MenuText(kContextMenuResource, entry.id))
        return QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
    return QString::fromStdString(entry.text);
}

} // namespace

CZoDeviceView::CZoDeviceView(CZoDeviceDoc& doc, IDeviceViewDialogs* dialogs, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc) {
    // Every pixel of an update is painted: the sheet, or white around it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
    setAcceptDrops(true);
    m_editor = std::make_unique<CDeviceSheetEditor>(doc, *this, m_measurer, dialogs);
}

CZoDeviceView::~CZoDeviceView() {
    // The editor detaches from the document before the widget's parts go.
    m_editor.reset();
}

// -- scrolling

void CZoDeviceView::SetScrollSize(model::Size size) {
    m_scrollSize = size;
    SyncScrollBars();
    viewport()->update();
}

void CZoDeviceView::SyncScrollBars() {
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, m_scrollSize.cx - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    horizontalScrollBar()->setSingleStep(10);
    verticalScrollBar()->setRange(0, std::max(0, m_scrollSize.cy - client.height()));
    verticalScrollBar()->setPageStep(client.height());
    verticalScrollBar()->setSingleStep(10);
}

model::Point CZoDeviceView::GetScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CZoDeviceView::ScrollTo(model::Point position) {
    horizontalScrollBar()->setValue(position.x);
    verticalScrollBar()->setValue(position.y);
}

model::Rect CZoDeviceView::GetClientRect() const {
    return {0, 0, viewport()->width(), viewport()->height()};
}

model::Point CZoDeviceView::GetCursorPosition() const {
    return ClientPoint(viewport()->mapFromGlobal(QCursor::pos()));
}

void CZoDeviceView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    SyncScrollBars();
}

// -- painting

void CZoDeviceView::InvalidateLogical(const model::Rect& logical) {
    model::Rect device = m_editor ? m_editor->Mapping().LPtoDP(logical) : logical;
    device.NormalizeRect();
    // A pixel round the edge for the rounding of the zoom.
    viewport()->update(ToQRect(device.Inflated(2, 2)));
}

void CZoDeviceView::InvalidateAll() {
    viewport()->update();
}

void CZoDeviceView::UpdateAllViews() {
    viewport()->update();
}

void CZoDeviceView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    platform::gdi::QtCanvas canvas(painter);
    canvas.SetMapping(m_editor->Mapping());
    const QRect r = event->rect();
    model::Rect clip = canvas.DPtoLP(model::Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    clip.NormalizeRect();
    m_editor->Draw(canvas, clip.Inflated(2, 2));
}

void CZoDeviceView::PaintForPrint(QPainter& painter, int dpiX, int dpiY, model::Size page) const {
    const model::DeviceSheetSettings& sheet = m_doc.GetSheetSettings();
    const MappingExtents extents = PrintViewport({sheet.width, sheet.height}, dpiX, dpiY, page);
    platform::gdi::QtCanvas canvas(painter);
    canvas.SetMapMode(platform::gdi::MM_ANISOTROPIC);
    canvas.SetWindowExt(extents.window);
    canvas.SetViewportExt(extents.viewport);
    DrawSheetForPrint(canvas, m_doc);
}

bool CZoDeviceView::Print(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    PaintForPrint(painter, printer.logicalDpiX(), printer.logicalDpiY(),
                  {printer.width(), printer.height()});
    return painter.end();
}

// -- the editor's host

void CZoDeviceView::SetCapture() {
    // Qt keeps the mouse with the viewport while a button is held; between
    // the clicks of a link the tracked moves and the timer carry on.
    m_captured = true;
}

void CZoDeviceView::ReleaseCapture() {
    m_captured = false;
}

void CZoDeviceView::SetTimer(int id, int periodMs) {
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { m_editor->OnTimer(id); });
    }
    timer->start(periodMs);
}

void CZoDeviceView::KillTimer(int id) {
    if (const auto found = m_timers.find(id); found != m_timers.end())
        found->second->stop();
}

void CZoDeviceView::SetCursor(EDeviceCursor cursor) {
    switch (cursor) {
    case EDeviceCursor::Wait:
        viewport()->setCursor(Qt::WaitCursor);
        break;
    case EDeviceCursor::Move:
        viewport()->setCursor(shell::ui::CursorPicture(kCursorMoveResource));
        break;
    case EDeviceCursor::Drop:
        viewport()->setCursor(shell::ui::CursorPicture(kCursorDropResource));
        break;
    case EDeviceCursor::NoDrop:
        viewport()->setCursor(Qt::ForbiddenCursor);
        break;
    case EDeviceCursor::Cross:
        viewport()->setCursor(Qt::CrossCursor);
        break;
    case EDeviceCursor::Arrow:
        viewport()->unsetCursor();
        break;
    }
}

void CZoDeviceView::SetToolTip(const std::string& text) {
    if (text.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(QCursor::pos(), QString::fromStdString(text), viewport(), QRect(),
                           kToolTipShowMs);
}

void CZoDeviceView::FillContextMenu(QMenu& menu, const DeviceContextMenu& choice) {
    const std::vector<shell::CMenuEntry>& popups = shell::MenuResource(kContextMenuResource);
    const auto index = static_cast<std::size_t>(choice.popup == EContextPopup::Device ? 0 : 1);
    if (index >= popups.size())
        return;
    const auto has = [](const std::vector<int>& ids, int id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    bool removedBefore = false;
    for (const shell::CMenuEntry& entry : popups[index].items) {
        if (entry.IsSeparator()) {
            // The separator after the removed channel-gain and DSP items
            // goes with them.
            if (choice.separatorRemoved && removedBefore && menu.actions().isEmpty())
                continue;
            menu.addSeparator();
            continue;
        }
        if (has(choice.removed, entry.id)) {
            removedBefore = true;
            continue;
        }
        QAction* action = menu.addAction(MenuText(entry));
        action->setData(entry.id);
        action->setEnabled(!has(choice.greyed, entry.id));
    }
}

int CZoDeviceView::PopupContextMenu(const DeviceContextMenu& choice, model::Point client) {
    QMenu menu(this);
    FillContextMenu(menu, choice);
    const QAction* chosen = menu.exec(viewport()->mapToGlobal(QPoint(client.x, client.y)));
    return chosen != nullptr && chosen->data().isValid() ? chosen->data().toInt() : 0;
}

// -- the mouse

void CZoDeviceView::mousePressEvent(QMouseEvent* event) {
    const model::Point at = ClientPoint(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_editor->OnLButtonDown(at, KeysOf(*event));
    } else if (event->button() == Qt::RightButton) {
        if (const int command = m_editor->OnRButtonDown(at, KeysOf(*event));
            command != 0 && onUnhandledCommand)
            onUnhandledCommand(command);
    }
    m_editor->UpdateCursor(at);
}

void CZoDeviceView::mouseReleaseEvent(QMouseEvent* event) {
    const model::Point at = ClientPoint(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_editor->OnLButtonUp(at, KeysOf(*event));
    m_editor->UpdateCursor(at);
}

void CZoDeviceView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_editor->OnLButtonDblClk(ClientPoint(event->position().toPoint()), KeysOf(*event));
}

void CZoDeviceView::mouseMoveEvent(QMouseEvent* event) {
    const model::Point at = ClientPoint(event->position().toPoint());
    m_editor->OnMouseMove(at, KeysOf(*event));
    m_editor->UpdateCursor(at);
}

void CZoDeviceView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    // Another window took the mouse: every drag ends.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && m_captured) {
        m_captured = false;
        m_editor->OnCaptureChanged();
    }
}

// -- the device palette's drag

void CZoDeviceView::dragEnterEvent(QDragEnterEvent* event) {
    const std::int32_t model = DraggedModel(event->mimeData());
    if (model == 0) {
        event->ignore();
        return;
    }
    // Already begun when the drag started from this view's frame.
    m_editor->BeginPaletteDrop(model);
    event->acceptProposedAction();
}

void CZoDeviceView::dragMoveEvent(QDragMoveEvent* event) {
    const model::Point at = ClientPoint(event->position().toPoint());
    m_editor->PaletteDropMove(at);
    if (m_editor->CursorAt(at) == EDeviceCursor::Drop)
        event->acceptProposedAction();
    else
        event->ignore();
}

void CZoDeviceView::dragLeaveEvent(QDragLeaveEvent* event) {
    // Outside the client area: the drop mode ends with nothing made.
    m_editor->EndPaletteDrop({-1, -1});
    event->accept();
}

void CZoDeviceView::dropEvent(QDropEvent* event) {
    const model::Point at = ClientPoint(event->position().toPoint());
    if (m_editor->EndPaletteDrop(at))
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace device_editor::ui
