#include "shell/ui/output_list.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>

#include <algorithm>

namespace shell::ui {

namespace {

// The extent reaches this far beyond the widest line, so its last glyph is
// not flush with the border.
constexpr int kExtentMargin = 3;

} // namespace

CMyListBox::CMyListBox(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("CMyListBox"));
    setSelectionMode(QAbstractItemView::NoSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
}

int CMyListBox::AddLine(int index, const std::string& text) {
    const QString line = QString::fromStdString(text);
    if (QThread::currentThread() == thread())
        return InsertLine(index, line);
    // Posted, not sent: the list is gone with its pending lines if it is
    // destroyed first, and the writer never waits for the window.
    QMetaObject::invokeMethod(
        this, [this, index, line] { InsertLine(index, line); }, Qt::QueuedConnection);
    return kQueued;
}

int CMyListBox::InsertLine(int index, const QString& text) {
    if (index < -1 || index > count())
        return kError;
    const int row = index == -1 ? count() : index;
    // Read back above the end, the list stays where the reader is.
    const QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    insertItem(row, text);

    m_widest = std::max(m_widest, fontMetrics().horizontalAdvance(text));
    UpdateExtent();
    if (QListWidgetItem* last = item(count() - 1); last && atEnd)
        scrollToItem(last, QAbstractItemView::PositionAtTop);
    return row;
}

void CMyListBox::Clear() {
    clear();
    m_widest = 0;
    UpdateExtent();
}

void CMyListBox::UpdateExtent() {
    const bool wider = m_widest > viewport()->width();
    m_extent = wider ? m_widest + kExtentMargin : 0;
    setHorizontalScrollBarPolicy(wider ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    updateGeometries();
}

void CMyListBox::updateGeometries() {
    QListWidget::updateGeometries();
    // The scroll range follows the extent, not the items' own widths.
    horizontalScrollBar()->setRange(0, std::max(0, m_extent - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void CMyListBox::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    UpdateExtent();
}

void CMyListBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CMyListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

} // namespace shell::ui
