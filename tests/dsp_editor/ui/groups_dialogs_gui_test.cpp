// The binding group dialog on the offscreen platform: what it shows in each
// mode, creating and joining through its buttons, and renaming a group
// through the rename dialog it opens.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

#include "comm/dsp_console.h"
#include "dsp_editor/binding_groups.h"
#include "dsp_editor/ui/group_dialogs.h"
#include "model/recording_messages.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"

namespace {

using namespace dsp_editor::ui;
using dsp_editor::CGroupEditor;
using dsp_editor::EGroupDialogMode;
using gui_test::Control;
using gui_test::WaitFor;

// Delay groups "AB" (1, ids 17 and 18) and "A" (2, id 19), and a delay in
// no group (id 20).
class DspEditorGroupsGui : public ::testing::Test {
protected:
    DspEditorGroupsGui() : doc(dsp_test::NewDocument(frame)) {
        const std::pair<std::int32_t, const char*> groups[] = {
            {1, "AB"}, {1, "AB"}, {2, "A"}, {0, ""}};
        for (const auto& [number, name] : groups) {
            model::CBaseAriModule* m = doc->AddModule(model::kAriDelay, 3, 200, 40, 1);
            m->m_group = number;
            m->m_groupName = name;
        }
        doc->ClearSelection();
        doc->SetModifiedFlag(false);
    }
    model::CBaseAriModule& At(std::int32_t id) { return *doc->GetModuleById(id); }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::unique_ptr<dsp_editor::CZoDSPDoc> doc;
    comm::CDSPDlgShowCMD console;
};

TEST_F(DspEditorGroupsGui, NewGroupDialogAsksForTheNameAndOkCreatesTheGroup) {
    CGroupEditor editor(*doc, At(20), EGroupDialogMode::NewGroup, console, nullptr, nullptr);
    CDSPDlgNewCombination dialog(editor);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("新建绑定组"));
    EXPECT_EQ(Control<QLineEdit>(dialog, kCtlModuleName)->text(), QStringLiteral("Delay-4"));
    EXPECT_EQ(Control<QLineEdit>(dialog, kCtlModuleId)->text(), QStringLiteral("未设定"));
    QLineEdit* name = Control<QLineEdit>(dialog, kCtlNewName);
    EXPECT_TRUE(name->isVisible());
    EXPECT_EQ(dialog.focusWidget(), name);
    QComboBox* groups = Control<QComboBox>(dialog, kCtlGroups);
    ASSERT_EQ(groups->count(), 2);
    EXPECT_EQ(groups->itemText(0), QStringLiteral("AB"));
    EXPECT_EQ(groups->itemData(1).toInt(), 2);
    QTableWidget* members = Control<QTableWidget>(dialog, kCtlMembers);
    EXPECT_EQ(members->rowCount(), 2);
    EXPECT_EQ(members->horizontalHeaderItem(0)->text(), QStringLiteral("设备名称"));
    EXPECT_TRUE(Control<QPushButton>(dialog, kCtlJoin)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(dialog, kCtlRemove)->isEnabled());

    // Escape and Enter leave the dialog open.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());

    Control<QPushButton>(dialog, kCtlOk)->click();
    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{dsp_editor::kMsgGroupNameEmpty}));
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(name, QStringLiteral("New"));
    Control<QPushButton>(dialog, kCtlOk)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(At(20).m_group, 3);
    EXPECT_EQ(At(20).m_groupName, "New");
}

TEST_F(DspEditorGroupsGui, JoinDialogJoinsAndRenamesTheChosenGroupThroughTheRenameDialog) {
    CGroupEditor editor(*doc, At(20), EGroupDialogMode::JoinGroup, console, nullptr, nullptr);
    CDSPDlgNewCombination dialog(editor);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("加入绑定组"));
    EXPECT_TRUE(Control<QLineEdit>(dialog, kCtlNewName)->isHidden());
    EXPECT_TRUE(Control<QLabel>(dialog, kCtlNewNameLabel)->isHidden());

    QComboBox* groups = Control<QComboBox>(dialog, kCtlGroups);
    QTableWidget* members = Control<QTableWidget>(dialog, kCtlMembers);
    groups->setCurrentIndex(1);
    ASSERT_EQ(members->rowCount(), 1);
    EXPECT_EQ(members->item(0, 0)->data(Qt::UserRole).toInt(), 19);
    members->selectRow(0);
    EXPECT_TRUE(Control<QPushButton>(dialog, kCtlRemove)->isEnabled());

    QPushButton* join = Control<QPushButton>(dialog, kCtlJoin);
    join->click();
    EXPECT_EQ(At(20).m_group, 2);
    EXPECT_EQ(members->rowCount(), 2);
    EXPECT_FALSE(join->isEnabled());

    // The rename dialog refuses an empty name, then takes "C" for group
    // "A" although "AB" stands first.
    QString oldName, caption;
    std::vector<int> shownWhileOpen;
    bool refusedStayedOpen = false;
    QTimer driver;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* rename = qobject_cast<CDSPDlgCombiRename*>(QApplication::activeModalWidget());
        if (rename == nullptr) {
            if (std::chrono::steady_clock::now() > deadline)
                driver.stop();
            return;
        }
        driver.stop();
        caption = rename->windowTitle();
        oldName = Control<QLineEdit>(*rename, kCtlOldName)->text();
        Control<QPushButton>(*rename, kCtlOk)->click();
        refusedStayedOpen = rename->isVisible();
        shownWhileOpen = messages.ShownIds();
        Control<QLineEdit>(*rename, kCtlNewName)->setText(QStringLiteral("C"));
        Control<QPushButton>(*rename, kCtlOk)->click();
        if (rename->isVisible())
            rename->reject();
    });
    driver.start(10);
    Control<QPushButton>(dialog, kCtlRename)->click();
    driver.stop();

    EXPECT_EQ(caption, QStringLiteral("绑定组重命名"));
    EXPECT_EQ(oldName, QStringLiteral("A"));
    EXPECT_TRUE(refusedStayedOpen);
    EXPECT_EQ(shownWhileOpen, (std::vector<int>{dsp_editor::kMsgNewGroupNameEmpty}));
    ASSERT_EQ(groups->count(), 2);
    EXPECT_EQ(groups->itemText(0), QStringLiteral("AB"));
    EXPECT_EQ(groups->itemText(1), QStringLiteral("C"));
    EXPECT_EQ(groups->currentIndex(), 1);
    EXPECT_EQ(At(17).m_groupName, "AB");
    EXPECT_EQ(At(19).m_groupName, "C");
    EXPECT_EQ(At(20).m_groupName, "C");
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DspEditorGroupsGui, TextsComeFromTheLanguagePack) {
    ASSERT_TRUE(gui_test::InstallEnglishPack(OSTREL_SHIPPED_PACKS));
    CGroupEditor editor(*doc, At(19), EGroupDialogMode::JoinGroup, console, nullptr, nullptr);
    CDSPDlgNewCombination dialog(editor);
    CDSPDlgCombiRename rename(editor, QStringLiteral("A"));
    gui_test::UninstallLanguage();

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Join a binding group"));
    EXPECT_EQ(Control<QPushButton>(dialog, kCtlJoin)->text(),
              QStringLiteral("Join the current group >>"));
    EXPECT_EQ(Control<QLineEdit>(dialog, kCtlModuleId)->text(), QStringLiteral("Not set"));
    EXPECT_EQ(Control<QTableWidget>(dialog, kCtlMembers)->horizontalHeaderItem(0)->text(),
              QStringLiteral("Device name"));
    EXPECT_EQ(rename.windowTitle(), QStringLiteral("Rename the binding group"));
    EXPECT_EQ(Control<QPushButton>(rename, kCtlCancel)->text(), QStringLiteral("Cancel"));
}

} // namespace
