#pragma once
// The editable channel list without its window: columns, rows with their
// cell texts and item data, one in-place combo per row, the rules that say
// which choices a cell offers, what an accepted choice writes, the modified
// flag and the window an accepted edit enables. The hardware-configuration
// dialogs fill it and read it back; CEditListCtrl shows it and forwards the
// double clicks, close-ups and focus losses.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/geometry.h"

namespace shell {

// The texts the dialogs compare cell texts with, so they are not
// translated.
inline constexpr const char* kEditListLine = "Line";
inline constexpr const char* kEditListMic = "Mic";
inline constexpr const char* kEditListAesEbu = "AES/EBU";
inline constexpr const char* kEditListYes = "Yes";
inline constexpr const char* kEditListNo = "No";

// Columns with rules: the signal type, and two switches of which the
// second depends on the type and on the first.
inline constexpr int kEditListTypeColumn = 1;
inline constexpr int kEditListSwitchColumn = 2;
inline constexpr int kEditListDependentColumn = 3;

// The window an accepted edit enables (the owner's apply or submit button).
class IEditListLinkedWindow {
public:
    virtual ~IEditListLinkedWindow() = default;
    virtual bool IsWindowEnabled() const = 0;
    virtual void EnableWindow(bool enable) = 0;
};

// One row's drop-down editor: where it was last opened, the cell text it
// started from, the choices it holds and the one selected.
struct InPlaceCombo {
    int row = -1;
    int column = -1;
    std::string cellText;
    std::vector<std::string> items;
    int selected = -1;
    bool visible = false;
};

struct EditListColumn {
    std::string heading;
    int width = 0;
};

struct EditListRow {
    std::vector<std::string> cells; // cell 0 is the row's label
    std::intptr_t itemData = 0;
};

// Where the list stands when a combo is laid over a cell; all in the list's
// client coordinates.
struct InPlaceComboPlacement {
    platform::gdi::Rect cellLabel;
    int clientWidth = 0;
    int contentWidth = 0; // total width of the columns
    int vScrollWidth = 0;
    int dropDownHeight = 0;
};

enum class EEditListChange {
    ColumnInserted, // index: the new column
    Reset,          // all rows went
    RowInserted,    // index: the new row
    RowChanged,     // index: a row whose cells changed
    ComboShown,     // index: the combo (its row in the combo array)
    ComboHidden,    // index: the combo
};

class CEditList {
public:
    static constexpr int kDefaultDropDownHeight = 200;

    void SetChangedHandler(std::function<void(EEditListChange, int)> changed) {
        m_changed = std::move(changed);
    }

    // Inserts a column before `index` (past the end appends); returns its
    // index, or -1 for a negative index.
    int InsertColumn(int index, std::string heading, int width);
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    const EditListColumn& Column(int index) const { return m_columns.at(index); }

    // Inserts a row labelled `label` before `index` (past the end appends)
    // and gives it a hidden combo; returns the row, or -1 for a negative
    // index.
    int InsertRow(int index, const std::string& label);
    int AppendRow(const std::string& label) { return InsertRow(RowCount(), label); }
    // Drops every combo, then every row.
    void DeleteAllItems();
    int RowCount() const { return static_cast<int>(m_rows.size()); }

    // "" for a cell that does not exist.
    std::string GetItemText(int row, int column) const;
    // False when the row does not exist or the column lies outside the
    // inserted columns (column 0 always exists).
    bool SetItemText(int row, int column, const std::string& text);
    std::intptr_t GetItemData(int row) const;
    bool SetItemData(int row, std::intptr_t data);

    int DropDownHeight() const { return m_dropDownHeight; }
    void SetDropDownHeight(int height) { m_dropDownHeight = height; }

    // 1 after an accepted edit; the owner clears it when it has stored the
    // list.
    int GetModified() const { return m_modified; }
    void SetModified(int modified) { m_modified = modified; }

    // Not owned; null unlinks.
    void SetLinkedWindow(IEditListLinkedWindow* window) { m_linked = window; }
    IEditListLinkedWindow* LinkedWindow() const { return m_linked; }

    // The choices a double click on the cell offers; empty when the cell is
    // not edited.
    std::vector<std::string> ChoicesFor(int row, int column) const;

    // A double click that hit the cell (row -1 when it hit no item): fills
    // the row's combo and shows it. False when nothing opens; the list then
    // takes the focus back.
    bool OnDoubleClick(int row, int column);

    // Lays the row's combo over the cell with the items it holds, selects
    // the item equal to the cell text (the first when none is) and
    // remembers where it was opened.
    bool ShowInPlaceCombo(int row, int column);

    // One combo per row, appended as rows are inserted; a cell is edited
    // with the combo at its row's index.
    int ComboCount() const { return static_cast<int>(m_combos.size()); }
    const InPlaceCombo& Combo(int index) const { return m_combos.at(index); }

    // The combo's list closed with `selected` chosen (-1: none): writes the
    // choice and what it implies, marks the list modified and enables the
    // linked window. The list takes the focus back afterwards.
    void OnCloseUp(int combo, int selected);
    // The combo lost the focus: it hides and its row is drawn again.
    void OnKillFocus(int combo);

    // Where the combo goes: the cell's label rectangle, kept clear of the
    // vertical scroll bar when the columns are wider than the list, clipped
    // to the client area's width and left edge, raised 3 pixels, as tall as
    // the drop-down height.
    static platform::gdi::Rect ComboRect(const InPlaceComboPlacement& placement);

private:
    void Announce(EEditListChange change, int index) {
        if (m_changed)
            m_changed(change, index);
    }
    bool HasRow(int row) const { return row >= 0 && row < RowCount(); }

    std::vector<EditListColumn> m_columns;
    std::vector<EditListRow> m_rows;
    std::vector<InPlaceCombo> m_combos;
    int m_dropDownHeight = kDefaultDropDownHeight;
    int m_modified = 0;
    IEditListLinkedWindow* m_linked = nullptr;
    std::function<void(EEditListChange, int)> m_changed;
};

} // namespace shell
