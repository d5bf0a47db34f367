#include "shell/edit_list.h"

#include <algorithm>
#include <utility>

namespace shell {

int CEditList::InsertColumn(int index, std::string heading, int width) {
    if (index < 0)
        return -1;
    index = std::min(index, ColumnCount());
    m_columns.insert(m_columns.begin() + index, EditListColumn{std::move(heading), width});
    // The rows' texts move with their columns.
    for (auto& row : m_rows)
        if (index < static_cast<int>(row.cells.size()))
            row.cells.insert(row.cells.begin() + index, std::string());
    Announce(EEditListChange::ColumnInserted, index);
    return index;
}

int CEditList::InsertRow(int index, const std::string& label) {
    if (index < 0)
        return -1;
    index = std::min(index, RowCount());
    EditListRow row;
    row.cells.assign(std::max(1, ColumnCount()), std::string());
    row.cells[0] = label;
    m_rows.insert(m_rows.begin() + index, std::move(row));
    // Every combo is refilled and placed when it opens, so a new one simply
    // goes to the end.
    m_combos.emplace_back();
    Announce(EEditListChange::RowInserted, index);
    return index;
}

void CEditList::DeleteAllItems() {
    m_combos.clear();
    m_rows.clear();
    Announce(EEditListChange::Reset, -1);
}

std::string CEditList::GetItemText(int row, int column) const {
    if (!HasRow(row) || column < 0)
        return {};
    const auto& cells = m_rows[row].cells;
    return column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

bool CEditList::SetItemText(int row, int column, const std::string& text) {
    if (!HasRow(row) || column < 0 || column >= std::max(1, ColumnCount()))
        return false;
    auto& cells = m_rows[row].cells;
    if (column >= static_cast<int>(cells.size()))
        cells.resize(column + 1);
    cells[column] = text;
    Announce(EEditListChange::RowChanged, row);
    return true;
}

std::intptr_t CEditList::GetItemData(int row) const {
    return HasRow(row) ? m_rows[row].itemData : 0;
}

bool CEditList::SetItemData(int row, std::intptr_t data) {
    if (!HasRow(row))
        return false;
    m_rows[row].itemData = data;
    return true;
}

std::vector<std::string> CEditList::ChoicesFor(int row, int column) const {
    if (!HasRow(row))
        return {};
    switch (column) {
    case kEditListTypeColumn: {
        std::vector<std::string> choices{kEditListLine};
        // Only item data 0 marks an input that takes a microphone.
        if (GetItemData(row) == 0)
            choices.emplace_back(kEditListMic);
        choices.emplace_back(kEditListAesEbu);
        return choices;
    }
    case kEditListSwitchColumn:
        return {kEditListYes, kEditListNo};
    case kEditListDependentColumn:
        if (GetItemText(row, kEditListTypeColumn) == kEditListAesEbu ||
            GetItemText(row, kEditListSwitchColumn) == kEditListNo)
            return {};
        return {kEditListYes, kEditListNo};
    default:
        return {};
    }
}

bool CEditList::OnDoubleClick(int row, int column) {
    auto choices = ChoicesFor(row, column);
    if (choices.empty() || row >= ComboCount())
        return false;
    m_combos[row].items = std::move(choices);
    return ShowInPlaceCombo(row, column);
}

bool CEditList::ShowInPlaceCombo(int row, int column) {
    if (!HasRow(row) || row >= ComboCount() || column < 0 || column >= std::max(1, ColumnCount()))
        return false;
    auto& combo = m_combos[row];
    combo.cellText = GetItemText(row, column);
    const auto match = std::find(combo.items.begin(), combo.items.end(), combo.cellText);
    if (match != combo.items.end())
        combo.selected = static_cast<int>(match - combo.items.begin());
    else
        combo.selected = combo.items.empty() ? -1 : 0;
    combo.row = row;
    combo.column = column;
    combo.visible = true;
    Announce(EEditListChange::ComboShown, row);
    return true;
}

void CEditList::OnCloseUp(int index, int selected) {
    if (index < 0 || index >= ComboCount() || !m_combos[index].visible)
        return;
    auto& combo = m_combos[index];
    combo.selected =
        selected >= 0 && selected < static_cast<int>(combo.items.size()) ? selected : -1;
    // A list closed without a choice leaves the cell as it was, but still
    // counts as an edit.
    const std::string text = combo.selected >= 0 ? combo.items[combo.selected] : combo.cellText;
    if (text.empty())
        return;
    const int row = combo.row;
    const int column = combo.column;
    SetItemText(row, column, text);
    if ((column == kEditListSwitchColumn && text == kEditListNo) ||
        (column == kEditListTypeColumn && text == kEditListAesEbu))
        SetItemText(row, kEditListDependentColumn, kEditListNo);
    m_modified = 1;
    if (m_linked && !m_linked->IsWindowEnabled())
        m_linked->EnableWindow(true);
}

void CEditList::OnKillFocus(int index) {
    if (index < 0 || index >= ComboCount() || !m_combos[index].visible)
        return;
    m_combos[index].visible = false;
    Announce(EEditListChange::ComboHidden, index);
}

platform::gdi::Rect CEditList::ComboRect(const InPlaceComboPlacement& placement) {
    platform::gdi::Rect rect = placement.cellLabel;
    int right = placement.clientWidth;
    if (placement.contentWidth > placement.clientWidth)
        right -= placement.vScrollWidth + 3;
    rect.right = std::min(rect.right, right);
    rect.left = std::max(rect.left, 0);
    rect.top -= 3;
    rect.bottom = rect.top + placement.dropDownHeight;
    return rect;
}

} // namespace shell
