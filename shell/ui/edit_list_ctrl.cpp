#include "shell/ui/edit_list_ctrl.h"

#include <QAbstractItemView>
#include <QAbstractTableModel>
#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

namespace shell::ui {

// The table's view of the model: texts and headings read straight from it.
// The model announces a change after it happened, so the counts the view
// was last told are kept here and moved on between the begin and end calls.
class CEditListItemModel final : public QAbstractTableModel {
public:
    explicit CEditListItemModel(const CEditList& list) : m_list(list) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_columns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return QString::fromStdString(m_list.GetItemText(index.row(), index.column()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
            section >= m_list.ColumnCount())
            return {};
        return QString::fromStdString(m_list.Column(section).heading);
    }

    void ColumnInserted(int column) {
        beginInsertColumns({}, column, column);
        m_columns = m_list.ColumnCount();
        endInsertColumns();
    }
    void RowInserted(int row) {
        beginInsertRows({}, row, row);
        m_rows = m_list.RowCount();
        endInsertRows();
    }
    void Reload() {
        beginResetModel();
        m_rows = m_list.RowCount();
        m_columns = m_list.ColumnCount();
        endResetModel();
    }
    void RowChanged(int row) {
        if (row >= 0 && row < m_rows && m_columns > 0)
            emit dataChanged(index(row, 0), index(row, m_columns - 1));
    }

private:
    const CEditList& m_list;
    int m_rows = 0;
    int m_columns = 0;
};

CInPlaceCombo::CInPlaceCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    // The drop-down list lives in a popup window of its own; its hiding is
    // the one event every way of closing it goes through.
    view()->window()->installEventFilter(this);
    hide();
}

void CInPlaceCombo::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // Opening the drop-down list takes the focus into the list; the combo
    // is still being used.
    if (event->reason() == Qt::PopupFocusReason || HoldsFocus())
        return;
    DeliverCloseUp();
    emit killFocus();
}

bool CInPlaceCombo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched == view()->window() && !m_closeUpPending) {
        m_closeUpPending = true;
        QMetaObject::invokeMethod(this, &CInPlaceCombo::DeliverCloseUp, Qt::QueuedConnection);
    }
    return QComboBox::eventFilter(watched, event);
}

bool CInPlaceCombo::HoldsFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr)
        return false;
    const QWidget* popup = view()->window();
    return focus == this || focus == popup || popup->isAncestorOf(focus);
}

void CInPlaceCombo::DeliverCloseUp() {
    if (!m_closeUpPending)
        return;
    m_closeUpPending = false;
    emit closeUp();
}

bool CLinkedWidget::IsWindowEnabled() const {
    // The widget's own switch, as a disabled parent does not make the
    // button need enabling.
    return m_widget && !m_widget->testAttribute(Qt::WA_ForceDisabled);
}

void CLinkedWidget::EnableWindow(bool enable) {
    if (m_widget)
        m_widget->setEnabled(enable);
}

CEditListCtrl::CEditListCtrl(QWidget* parent)
    : QTableView(parent), m_items(std::make_unique<CEditListItemModel>(m_list)) {
    setModel(m_items.get());
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    m_list.SetChangedHandler(
        [this](EEditListChange change, int index) { OnListChanged(change, index); });
}

CEditListCtrl::~CEditListCtrl() {
    m_list.SetChangedHandler({});
    for (auto* combo : m_combos) {
        combo->disconnect(this);
        delete combo;
    }
    m_combos.clear();
    setModel(nullptr);
}

int CEditListCtrl::InsertColumn(int index, const QString& heading, int width) {
    return m_list.InsertColumn(index, heading.toStdString(), width);
}

int CEditListCtrl::InsertRow(int index, const QString& label) {
    return m_list.InsertRow(index, label.toStdString());
}

QString CEditListCtrl::GetItemText(int row, int column) const {
    return QString::fromStdString(m_list.GetItemText(row, column));
}

bool CEditListCtrl::SetItemText(int row, int column, const QString& text) {
    return m_list.SetItemText(row, column, text.toStdString());
}

void CEditListCtrl::SetLinkedWindow(QWidget* widget) {
    m_linked = widget ? std::make_unique<CLinkedWidget>(widget) : nullptr;
    m_list.SetLinkedWindow(m_linked.get());
}

CInPlaceCombo* CEditListCtrl::InPlaceComboOf(int row) const {
    return row >= 0 && row < static_cast<int>(m_combos.size()) ? m_combos[row] : nullptr;
}

void CEditListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    const int row = hit.isValid() ? hit.row() : -1;
    const int column = hit.isValid() ? hit.column() : -1;
    if (!m_list.OnDoubleClick(row, column))
        setFocus(Qt::MouseFocusReason);
}

void CEditListCtrl::OnListChanged(EEditListChange change, int index) {
    switch (change) {
    case EEditListChange::ColumnInserted:
        m_items->ColumnInserted(index);
        ApplyColumnWidths();
        break;
    case EEditListChange::Reset:
        for (auto* combo : m_combos) {
            combo->disconnect(this);
            combo->hide();
            // It may be inside its own popup's event handling.
            combo->deleteLater();
        }
        m_combos.clear();
        m_items->Reload();
        ApplyColumnWidths();
        break;
    case EEditListChange::RowInserted: {
        auto* combo = new CInPlaceCombo(viewport());
        connect(combo, &CInPlaceCombo::closeUp, this, [this, combo] { OnComboCloseUp(combo); });
        connect(combo, &CInPlaceCombo::killFocus, this, [this, combo] { OnComboKillFocus(combo); });
        m_combos.push_back(combo);
        m_items->RowInserted(index);
        break;
    }
    case EEditListChange::RowChanged:
        m_items->RowChanged(index);
        break;
    case EEditListChange::ComboShown:
        LayCombo(index);
        break;
    case EEditListChange::ComboHidden:
        if (auto* combo = InPlaceComboOf(index))
            combo->hide();
        viewport()->update();
        break;
    }
}

void CEditListCtrl::LayCombo(int index) {
    auto* combo = InPlaceComboOf(index);
    if (!combo)
        return;
    const auto& state = m_list.Combo(index);
    const QRect cell = visualRect(m_items->index(state.row, state.column));
    InPlaceComboPlacement placement;
    placement.cellLabel = {cell.left(), cell.top(), cell.left() + cell.width(),
                           cell.top() + cell.height()};
    placement.clientWidth = viewport()->width();
    placement.contentWidth = horizontalHeader()->length();
    placement.vScrollWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    placement.dropDownHeight = m_list.DropDownHeight();
    const auto rect = CEditList::ComboRect(placement);

    combo->blockSignals(true);
    combo->clear();
    for (const auto& item : state.items)
        combo->addItem(QString::fromStdString(item));
    combo->setCurrentIndex(state.selected);
    combo->blockSignals(false);
    combo->setFont(font());
    // The drop-down height covers the combo and its list together; the
    // combo itself covers the cell, 3 pixels proud of it at the top.
    const int height = std::max(combo->sizeHint().height(), cell.height() + 6);
    const int itemHeight = std::max(1, combo->view()->sizeHintForRow(0));
    combo->setMaxVisibleItems(std::max(1, (rect.Height() - height) / itemHeight));
    combo->setGeometry(rect.left, rect.top, rect.Width(), height);
    combo->show();
    combo->raise();
    combo->setFocus(Qt::OtherFocusReason);
    combo->showPopup();
}

void CEditListCtrl::OnComboCloseUp(CInPlaceCombo* combo) {
    const int index = IndexOfCombo(combo);
    if (index < 0)
        return;
    m_list.OnCloseUp(index, combo->currentIndex());
    // The focus comes back to the list, unless the close-up was delivered
    // because it is already on its way to another window.
    if (QApplication::focusWidget() == nullptr || combo->HoldsFocus())
        setFocus(Qt::OtherFocusReason);
    // The combo hides when it loses the focus; one that never had it
    // hides all the same.
    if (!combo->HoldsFocus())
        m_list.OnKillFocus(index);
}

void CEditListCtrl::OnComboKillFocus(CInPlaceCombo* combo) {
    m_list.OnKillFocus(IndexOfCombo(combo));
}

int CEditListCtrl::IndexOfCombo(const CInPlaceCombo* combo) const {
    const auto it = std::find(m_combos.begin(), m_combos.end(), combo);
    return it == m_combos.end() ? -1 : static_cast<int>(it - m_combos.begin());
}

void CEditListCtrl::ApplyColumnWidths() {
    for (int i = 0; i < m_list.ColumnCount(); ++i)
        horizontalHeader()->resizeSection(i, m_list.Column(i).width);
}

} // namespace shell::ui
