// The editable channel list on the offscreen platform: a double click lays
// the combo over the cell and opens its list, a choice lands in the table
// and enables the apply button, and a list closed without a choice leaves
// the cell as it was; both give the focus back to the list.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include "gui_app.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "shell/ui/edit_list_ctrl.h"

namespace {

using shell::ui::CEditListCtrl;
using shell::ui::CInPlaceCombo;

class EditListCtrlGui : public ::testing::Test {};

// Waits with a deadline for a condition the event loop brings about.
template <typename Condition> bool WaitFor(Condition condition) {
    return QTest::qWaitFor(condition, 5000);
}

QStringList Items(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

TEST_F(EditListCtrlGui, DoubleClickOpensTheComboAndAChoiceCommits) {
    QWidget dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new CEditListCtrl(&dialog);
    auto* apply = new QPushButton("Apply", &dialog);
    layout->addWidget(list);
    layout->addWidget(apply);
    apply->setEnabled(false);

    list->InsertColumn(0, "Channel", 80);
    list->InsertColumn(1, "Type", 90);
    list->InsertColumn(2, "Phantom", 80);
    list->InsertColumn(3, "Power", 80);
    for (int row = 0; row < 2; ++row) {
        ASSERT_EQ(list->AppendRow(QString("In %1").arg(row + 1)), row);
        list->SetItemText(row, 1, "Line");
        list->SetItemText(row, 2, "Yes");
        list->SetItemText(row, 3, "Yes");
    }
    list->SetItemData(1, 1);
    list->SetLinkedWindow(apply);
    dialog.resize(420, 240);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    const auto cell = [&](int row, int column) {
        return list->visualRect(list->model()->index(row, column));
    };
    // The offscreen platform leaves no window active once a popup has
    // closed; a user's dialog stays active.
    const auto doubleClick = [&](int row, int column) {
        if (!dialog.isActiveWindow()) {
            dialog.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        }
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell(row, column).center());
    };
    const auto anyComboShown = [&] {
        for (int row = 0; row < 2; ++row)
            if (list->InPlaceComboOf(row)->isVisible())
                return true;
        return false;
    };

    EXPECT_EQ(list->model()->data(list->model()->index(1, 1)).toString(), "Line");
    doubleClick(0, 0);
    QApplication::processEvents();
    EXPECT_FALSE(anyComboShown()) << "the label column opens nothing";
    EXPECT_EQ(dialog.focusWidget(), list);

    // The row whose item data is 1: no "Mic".
    doubleClick(1, 1);
    CInPlaceCombo* combo = list->InPlaceComboOf(1);
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(WaitFor([&] { return combo->isVisible() && combo->view()->isVisible(); }));
    EXPECT_EQ(Items(*combo), (QStringList{"Line", "AES/EBU"}));
    EXPECT_EQ(combo->currentText(), "Line") << "the cell's text is selected";
    EXPECT_EQ(combo->geometry().left(), cell(1, 1).left());
    EXPECT_EQ(combo->geometry().top(), cell(1, 1).top() - 3);
    EXPECT_EQ(combo->geometry().width(), cell(1, 1).width());
    EXPECT_EQ(combo->font(), list->font());

    // Choosing with the mouse in the open list.
    QAbstractItemView* popup = combo->view();
    const QRect aes = popup->visualRect(popup->model()->index(1, 0));
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, aes.center());
    ASSERT_TRUE(WaitFor([&] { return !combo->isVisible(); }));
    EXPECT_EQ(list->GetItemText(1, 1), "AES/EBU");
    EXPECT_EQ(list->GetItemText(1, 3), "No") << "AES/EBU switches the last column off";
    EXPECT_EQ(list->model()->data(list->model()->index(1, 3)).toString(), "No")
        << "the table shows the forced cell";
    EXPECT_EQ(list->GetModified(), 1);
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), list);

    doubleClick(1, 3);
    QApplication::processEvents();
    EXPECT_FALSE(anyComboShown()) << "the last column is locked under AES/EBU";
    EXPECT_EQ(dialog.focusWidget(), list);

    // The other row offers "Mic"; its list closed with Escape after moving
    // the highlight keeps the cell.
    list->SetModified(0);
    doubleClick(0, 2);
    combo = list->InPlaceComboOf(0);
    ASSERT_TRUE(WaitFor([&] { return combo->isVisible() && combo->view()->isVisible(); }));
    EXPECT_EQ(Items(*combo), (QStringList{"Yes", "No"}));
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !combo->isVisible(); }));
    EXPECT_EQ(list->GetItemText(0, 2), "Yes");
    EXPECT_EQ(list->GetItemText(0, 3), "Yes");
    EXPECT_EQ(list->GetModified(), 1) << "a closed list counts as an edit even without a choice";
    EXPECT_EQ(dialog.focusWidget(), list);

    doubleClick(0, 1);
    ASSERT_TRUE(WaitFor([&] { return combo->isVisible() && combo->view()->isVisible(); }));
    EXPECT_EQ(Items(*combo), (QStringList{"Line", "Mic", "AES/EBU"}));
    combo->hidePopup();
    ASSERT_TRUE(WaitFor([&] { return !combo->isVisible(); }));
    EXPECT_EQ(list->GetItemText(0, 1), "Line");

    list->DeleteAllItems();
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_EQ(list->InPlaceComboOf(0), nullptr);
}

} // namespace
