// The editable channel list's rules without a window: which choices a cell
// offers, what a choice writes, the modified flag, the linked window and
// where the combo is laid.
#include <gtest/gtest.h>

#include "shell/edit_list.h"

#include <string>
#include <utility>
#include <vector>

namespace {

using shell::CEditList;
using shell::EEditListChange;
using Strings = std::vector<std::string>;

class FakeLinkedWindow final : public shell::IEditListLinkedWindow {
public:
    bool IsWindowEnabled() const override { return enabled; }
    void EnableWindow(bool enable) override {
        enabled = enable;
        ++calls;
    }
    bool enabled = false;
    int calls = 0;
};

// A channel table as the hardware-configuration dialogs lay it out.
class EditList : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* heading : {"Channel", "Type", "Phantom", "Power"})
            list.InsertColumn(list.ColumnCount(), heading, 80);
        list.SetChangedHandler(
            [this](EEditListChange change, int index) { changes.emplace_back(change, index); });
    }

    // A row with the three edited cells; returns its index.
    int AddRow(const std::string& type, const std::string& first, const std::string& second,
               std::intptr_t data = 0) {
        const int row = list.AppendRow("In " + std::to_string(list.RowCount() + 1));
        list.SetItemText(row, 1, type);
        list.SetItemText(row, 2, first);
        list.SetItemText(row, 3, second);
        list.SetItemData(row, data);
        return row;
    }

    Strings Cells(int row) const {
        return {list.GetItemText(row, 1), list.GetItemText(row, 2), list.GetItemText(row, 3)};
    }

    // Opens the cell and closes its list on the choice with the given text
    // ("" closes it without a choice).
    void Choose(int row, int column, const std::string& text) {
        ASSERT_TRUE(list.OnDoubleClick(row, column));
        const auto& items = list.Combo(row).items;
        int index = -1;
        for (int i = 0; i < static_cast<int>(items.size()); ++i)
            if (items[i] == text)
                index = i;
        ASSERT_TRUE(text.empty() || index >= 0) << text << " is not offered";
        list.OnCloseUp(row, index);
    }

    CEditList list;
    std::vector<std::pair<EEditListChange, int>> changes;
};

TEST_F(EditList, CellsOfferTheirChoices) {
    struct {
        const char* catches;
        Strings row; // type, first switch, second switch
        std::intptr_t data;
        int column;
        Strings offered;
    } cases[] = {
        {"type of a microphone-capable input",
         {"Line", "Yes", "Yes"},
         0,
         1,
         {"Line", "Mic", "AES/EBU"}},
        {"item data 1 offers no Mic", {"Line", "Yes", "Yes"}, 1, 1, {"Line", "AES/EBU"}},
        {"only item data 0 offers Mic", {"Line", "Yes", "Yes"}, 2, 1, {"Line", "AES/EBU"}},
        {"first switch", {"Line", "Yes", "Yes"}, 0, 2, {"Yes", "No"}},
        {"first switch under AES/EBU stays free", {"AES/EBU", "Yes", "No"}, 0, 2, {"Yes", "No"}},
        {"second switch of an analogue input", {"Mic", "Yes", "No"}, 0, 3, {"Yes", "No"}},
        {"second switch locked by AES/EBU", {"AES/EBU", "Yes", "No"}, 0, 3, {}},
        {"second switch locked by the first at No", {"Line", "No", "No"}, 0, 3, {}},
        {"the label column is not edited", {"Line", "Yes", "Yes"}, 0, 0, {}},
        {"columns past the rules are not edited", {"Line", "Yes", "Yes"}, 0, 4, {}},
        {"a negative column is not edited", {"Line", "Yes", "Yes"}, 0, -1, {}},
    };
    for (const auto& c : cases) {
        CEditList fresh;
        for (int i = 0; i < 5; ++i)
            fresh.InsertColumn(i, "c", 50);
        const int row = fresh.AppendRow("In 1");
        for (int i = 0; i < 3; ++i)
            fresh.SetItemText(row, i + 1, c.row[i]);
        fresh.SetItemData(row, c.data);
        EXPECT_EQ(fresh.ChoicesFor(row, c.column), c.offered) << c.catches;
        EXPECT_EQ(fresh.OnDoubleClick(row, c.column), !c.offered.empty()) << c.catches;
        EXPECT_EQ(fresh.Combo(row).visible, !c.offered.empty()) << c.catches;
        if (!c.offered.empty()) {
            EXPECT_EQ(fresh.Combo(row).items, c.offered) << c.catches;
        }
    }
}

TEST_F(EditList, DoubleClickOutsideTheRulesOpensNothing) {
    const int row = AddRow("Line", "Yes", "Yes");
    changes.clear();
    EXPECT_FALSE(list.OnDoubleClick(row, 0));
    EXPECT_FALSE(list.OnDoubleClick(-1, 1)) << "a click below the last row hit no item";
    EXPECT_FALSE(list.OnDoubleClick(row + 1, 1));
    EXPECT_FALSE(list.Combo(row).visible);
    EXPECT_TRUE(list.Combo(row).items.empty()) << "a refused cell must not fill the combo";
    EXPECT_TRUE(changes.empty());
}

TEST_F(EditList, ChoicesWriteTheCellAndWhatTheyImply) {
    struct {
        const char* catches;
        Strings before;
        int column;
        const char* choice;
        Strings after;
    } cases[] = {
        {"AES/EBU forces the second switch to No",
         {"Line", "Yes", "Yes"},
         1,
         "AES/EBU",
         {"AES/EBU", "Yes", "No"}},
        {"Mic leaves the switches", {"Line", "Yes", "Yes"}, 1, "Mic", {"Mic", "Yes", "Yes"}},
        {"Line after AES/EBU does not restore the switch",
         {"AES/EBU", "Yes", "No"},
         1,
         "Line",
         {"Line", "Yes", "No"}},
        {"first switch No forces the second to No",
         {"Line", "Yes", "Yes"},
         2,
         "No",
         {"Line", "No", "No"}},
        {"first switch Yes leaves the second",
         {"Line", "No", "No"},
         2,
         "Yes",
         {"Line", "Yes", "No"}},
        {"second switch on its own", {"Mic", "Yes", "No"}, 3, "Yes", {"Mic", "Yes", "Yes"}},
        {"a list closed without a choice keeps the cell",
         {"Mic", "Yes", "Yes"},
         2,
         "",
         {"Mic", "Yes", "Yes"}},
    };
    for (const auto& c : cases) {
        const int row = AddRow(c.before[0], c.before[1], c.before[2]);
        list.SetModified(0);
        Choose(row, c.column, c.choice);
        EXPECT_EQ(Cells(row), c.after) << c.catches;
        EXPECT_EQ(list.GetModified(), 1) << c.catches;
        EXPECT_EQ(list.GetItemText(row, 0), "In " + std::to_string(row + 1)) << c.catches;
    }
}

TEST_F(EditList, AesEbuLocksTheSecondSwitchAfterwards) {
    const int row = AddRow("Mic", "Yes", "Yes");
    Choose(row, 1, "AES/EBU");
    list.OnKillFocus(row);
    EXPECT_EQ(list.GetItemText(row, 3), "No");
    EXPECT_FALSE(list.OnDoubleClick(row, 3));
    Choose(row, 1, "Line");
    list.OnKillFocus(row);
    EXPECT_TRUE(list.OnDoubleClick(row, 3)) << "Line frees the second switch again";
}

TEST_F(EditList, ComboSelectsTheCellText) {
    struct {
        const char* catches;
        Strings row;
        std::intptr_t data;
        int column;
        int selected;
    } cases[] = {
        {"matching item", {"Line", "Yes", "No"}, 0, 3, 1},
        {"matching type", {"AES/EBU", "Yes", "No"}, 0, 1, 2},
        {"empty cell selects the first item", {"", "", ""}, 0, 2, 0},
        {"Mic on a row that no longer offers it", {"Mic", "Yes", "Yes"}, 1, 1, 0},
    };
    for (const auto& c : cases) {
        const int row = AddRow(c.row[0], c.row[1], c.row[2], c.data);
        ASSERT_TRUE(list.OnDoubleClick(row, c.column)) << c.catches;
        const auto& combo = list.Combo(row);
        EXPECT_EQ(combo.selected, c.selected) << c.catches;
        EXPECT_EQ(combo.row, row) << c.catches;
        EXPECT_EQ(combo.column, c.column) << c.catches;
        EXPECT_EQ(combo.cellText, c.row[c.column - 1]) << c.catches;
    }
}

TEST_F(EditList, EmptyTextIsNoEdit) {
    FakeLinkedWindow apply;
    list.SetLinkedWindow(&apply);
    const int row = AddRow("Line", "Yes", "Yes");
    ASSERT_TRUE(list.OnDoubleClick(row, 2));
    // Nothing chosen from a combo whose cell was empty: nothing to write.
    list.SetItemText(row, 2, "");
    ASSERT_TRUE(list.ShowInPlaceCombo(row, 2));
    list.OnCloseUp(row, -1);
    EXPECT_EQ(list.GetItemText(row, 2), "");
    EXPECT_EQ(list.GetModified(), 0);
    EXPECT_EQ(apply.calls, 0);
}

TEST_F(EditList, AcceptedEditEnablesTheLinkedWindowOnce) {
    FakeLinkedWindow apply;
    list.SetLinkedWindow(&apply);
    const int row = AddRow("Line", "Yes", "Yes");

    EXPECT_FALSE(list.OnDoubleClick(row, 0));
    EXPECT_EQ(apply.calls, 0) << "opening nothing is no edit";
    ASSERT_TRUE(list.OnDoubleClick(row, 2));
    EXPECT_EQ(apply.calls, 0) << "opening a combo is no edit yet";
    list.OnKillFocus(row);
    EXPECT_EQ(apply.calls, 0) << "losing the focus is no edit";

    Choose(row, 2, "No");
    EXPECT_TRUE(apply.enabled);
    EXPECT_EQ(apply.calls, 1);
    list.OnKillFocus(row);
    Choose(row, 2, "Yes");
    EXPECT_EQ(apply.calls, 1) << "an enabled window is left alone";

    list.SetLinkedWindow(nullptr);
    list.OnKillFocus(row);
    list.SetModified(0);
    Choose(row, 1, "Mic");
    EXPECT_EQ(list.GetModified(), 1) << "the flag works without a linked window";
}

TEST_F(EditList, FocusLossHidesWithoutWriting) {
    const int row = AddRow("Line", "Yes", "Yes");
    ASSERT_TRUE(list.OnDoubleClick(row, 1));
    changes.clear();
    list.OnKillFocus(row);
    EXPECT_FALSE(list.Combo(row).visible);
    EXPECT_EQ(changes,
              (std::vector<std::pair<EEditListChange, int>>{{EEditListChange::ComboHidden, row}}));
    // A close-up that arrives after the combo hid changes nothing.
    list.OnCloseUp(row, 2);
    EXPECT_EQ(Cells(row), (Strings{"Line", "Yes", "Yes"}));
    EXPECT_EQ(list.GetModified(), 0);
    list.OnKillFocus(row);
    EXPECT_EQ(changes.size(), 1u) << "a hidden combo does not hide twice";
}

TEST_F(EditList, ChangesAreAnnounced) {
    const int first = AddRow("Line", "Yes", "Yes");
    const int second = AddRow("Line", "Yes", "Yes");
    changes.clear();
    ASSERT_TRUE(list.OnDoubleClick(second, 1));
    list.OnCloseUp(second, 2);
    list.OnKillFocus(second);
    using C = EEditListChange;
    EXPECT_EQ(changes, (std::vector<std::pair<C, int>>{{C::ComboShown, second},
                                                       {C::RowChanged, second},
                                                       {C::RowChanged, second},
                                                       {C::ComboHidden, second}}));
    EXPECT_EQ(Cells(first), (Strings{"Line", "Yes", "Yes"})) << "the other row is untouched";
}

TEST_F(EditList, RowsAndTheirCombos) {
    EXPECT_EQ(list.InsertRow(-1, "x"), -1);
    EXPECT_EQ(list.ComboCount(), 0);
    EXPECT_EQ(list.AppendRow("In 1"), 0);
    EXPECT_EQ(list.InsertRow(7, "In 2"), 1) << "past the end appends";
    EXPECT_EQ(list.InsertRow(0, "In 0"), 0);
    EXPECT_EQ(list.ComboCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 0), "In 0");
    EXPECT_EQ(list.GetItemText(2, 0), "In 2");
    EXPECT_FALSE(list.Combo(2).visible) << "a new combo starts hidden";

    EXPECT_FALSE(list.SetItemText(0, 4, "x")) << "no such column";
    EXPECT_FALSE(list.SetItemText(3, 1, "x")) << "no such row";
    EXPECT_EQ(list.GetItemText(3, 1), "");
    EXPECT_FALSE(list.SetItemData(3, 1));

    ASSERT_TRUE(list.OnDoubleClick(1, 1));
    changes.clear();
    list.DeleteAllItems();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.ComboCount(), 0);
    EXPECT_EQ(changes,
              (std::vector<std::pair<EEditListChange, int>>{{EEditListChange::Reset, -1}}));
    list.OnCloseUp(1, 0); // a close-up of a combo that went
    list.OnKillFocus(1);
    EXPECT_EQ(list.GetModified(), 0);
    EXPECT_EQ(list.AppendRow("again"), 0);
    EXPECT_EQ(list.ComboCount(), 1);
}

TEST_F(EditList, ComboIsLaidOverTheCell) {
    using platform::gdi::Rect;
    struct {
        const char* catches;
        shell::InPlaceComboPlacement placement;
        Rect expected;
    } cases[] = {
        {"cell inside the list",
         {Rect(80, 20, 160, 37), 400, 320, 17, 200},
         Rect(80, 17, 160, 217)},
        {"cell past the right edge is clipped",
         {Rect(300, 20, 480, 37), 400, 380, 17, 200},
         Rect(300, 17, 400, 217)},
        {"columns wider than the list keep clear of the scroll bar",
         {Rect(300, 20, 480, 37), 400, 600, 17, 200},
         Rect(300, 17, 380, 217)},
        {"scrolled off to the left is clipped at 0",
         {Rect(-40, 20, 60, 37), 400, 600, 17, 200},
         Rect(0, 17, 60, 217)},
        {"own drop-down height", {Rect(80, 0, 160, 17), 400, 320, 17, 90}, Rect(80, -3, 160, 87)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CEditList::ComboRect(c.placement), c.expected) << c.catches;
}

} // namespace
