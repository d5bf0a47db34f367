#pragma once
// The editable channel list on screen: a report-style table with grid lines
// and whole-row selection over a CEditList, whose cells are edited through
// a drop-down list laid over the cell on a double click. The rules live in
// the model; this widget places the combos and forwards what the user does.
#include "shell/edit_list.h"

#include <QComboBox>
#include <QPointer>
#include <QTableView>

#include <memory>
#include <vector>

namespace shell::ui {

class CEditListItemModel;

// One row's drop-down editor, a hidden child of the list until a cell is
// edited.
class CInPlaceCombo final : public QComboBox {
    Q_OBJECT
public:
    explicit CInPlaceCombo(QWidget* parent);

    // The focus is on the combo or in its drop-down list.
    bool HoldsFocus() const;

signals:
    // The drop-down list closed, whether by a choice, Escape or a click
    // elsewhere; the choice has landed in the current index by then.
    void closeUp();
    // The focus went to another window (not to the combo's own list);
    // always after the close-up of a list that was open.
    void killFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DeliverCloseUp();

    // The list hides before the combo takes the chosen item, so the
    // close-up waits for the event loop, unless the focus leaves first.
    bool m_closeUpPending = false;
};

// A widget as the window an accepted edit enables; a widget that is gone
// counts as disabled and is left alone.
class CLinkedWidget final : public IEditListLinkedWindow {
public:
    explicit CLinkedWidget(QWidget* widget) : m_widget(widget) {}
    bool IsWindowEnabled() const override;
    void EnableWindow(bool enable) override;

private:
    QPointer<QWidget> m_widget;
};

class CEditListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CEditListCtrl(QWidget* parent = nullptr);
    ~CEditListCtrl() override;

    CEditList& List() { return m_list; }
    const CEditList& List() const { return m_list; }

    int InsertColumn(int index, const QString& heading, int width);
    // Returns the row, or -1.
    int InsertRow(int index, const QString& label);
    int AppendRow(const QString& label) { return InsertRow(m_list.RowCount(), label); }
    void DeleteAllItems() { m_list.DeleteAllItems(); }
    QString GetItemText(int row, int column) const;
    bool SetItemText(int row, int column, const QString& text);
    std::intptr_t GetItemData(int row) const { return m_list.GetItemData(row); }
    bool SetItemData(int row, std::intptr_t data) { return m_list.SetItemData(row, data); }
    int GetModified() const { return m_list.GetModified(); }
    void SetModified(int modified) { m_list.SetModified(modified); }
    // The widget an accepted edit enables (null: none).
    void SetLinkedWindow(QWidget* widget);

    bool ShowInPlaceCombo(int row, int column) { return m_list.ShowInPlaceCombo(row, column); }
    // The combo of the row, or null.
    CInPlaceCombo* InPlaceComboOf(int row) const;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void OnListChanged(EEditListChange change, int index);
    void LayCombo(int index);
    void OnComboCloseUp(CInPlaceCombo* combo);
    void OnComboKillFocus(CInPlaceCombo* combo);
    int IndexOfCombo(const CInPlaceCombo* combo) const;
    void ApplyColumnWidths();

    CEditList m_list;
    std::unique_ptr<CEditListItemModel> m_items;
    std::unique_ptr<CLinkedWidget> m_linked;
    std::vector<CInPlaceCombo*> m_combos; // children of the viewport
};

} // namespace shell::ui
