// The four channel dialogs as a DSP view opens them through the program's
// factory, on the offscreen platform: captions, switches, level texts, the
// table's rows and grid, and the slider beside the focused edit.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "attri_dialog_fixture.h"
#include "attri_dialogs/ui/channel_dialogs.h"
#include "dsp_editor/zo_dsp_view.h"
#include "gui_app.h"
#include "model/ari_input.h"
#include "model/ari_output.h"
#include "shell/ui/my_button_widget.h"

namespace {

namespace adu = attri_dialogs::ui;
namespace de = dsp_editor;

using gui_test::WaitFor;

class ChannelDialogsGui : public attri_gui_test::CAttriDialogTest {
protected:
    ChannelDialogsGui() {
        doc->AssignExecutionOrder();
        doc->m_live = 1;
    }

    template <class Dialog> Dialog* Open(int id, bool allChannels) {
        return Show<Dialog>(*doc->GetModuleById(id), allChannels);
    }
};

TEST_F(ChannelDialogsGui, TheInputDialogAppliesEnterAndStaysOpen) {
    QPointer<adu::CDSPDlgAttriInput> dialog = Open<adu::CDSPDlgAttriInput>(3, false);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->windowTitle().startsWith("Input "));
    auto* mute = Item<shell::ui::CMyButton>(dialog, 1126);
    auto* level = Item<adu::CAttriValueEdit>(dialog, 1127);
    ASSERT_TRUE(mute && level);
    EXPECT_EQ(mute->text(), "Off");
    EXPECT_EQ(level->text(), "0.0");
    EXPECT_FALSE(Item<QComboBox>(dialog, 1123)->isVisible()) << "no microphone controls";

    dialog->activateWindow();
    level->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return dialog->Slider()->isVisible(); }));
    const QRect edit(level->mapToGlobal(QPoint(0, 0)), level->size());
    EXPECT_EQ(dialog->Slider()->geometry().left(), edit.right() + 1);
    EXPECT_EQ(dialog->Slider()->geometry().bottom(), edit.bottom());

    level->setFocus();
    level->selectAll();
    QTest::keyClicks(level, "-6");
    QTest::keyClick(level, Qt::Key_Return);
    EXPECT_EQ(dynamic_cast<model::CAriInput&>(*doc->GetModuleById(3)).m_level, -6.0);
    EXPECT_EQ(level->text(), "-6.0");
    QCoreApplication::processEvents();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());

    QTest::mouseClick(mute, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return mute->text() == "On"; }));
}

TEST_F(ChannelDialogsGui, TheInputTableShowsEightRowsOverItsGrid) {
    auto& third = dynamic_cast<model::CAriInput&>(*doc->GetModuleById(3));
    third.m_level = -12.5;
    third.m_groupStart = 0;
    auto* dialog = Open<adu::CDSPDlgAttriInputAll>(3, true);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Input All Channel");
    auto* row3 = Item<adu::CAttriValueEdit>(dialog, 1127, 2);
    ASSERT_NE(row3, nullptr);
    EXPECT_EQ(row3->text(), "-12.5");
    EXPECT_EQ(row3->geometry().top(), 26 + 2 * 24);
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, 1127, 7)->text(), "0.0");
    EXPECT_FALSE(Item<QCheckBox>(dialog, 1166, 2)->isChecked());
    EXPECT_TRUE(Item<QCheckBox>(dialog, 1166, 3)->isChecked());
    EXPECT_EQ(Item<shell::ui::CMyButton>(dialog, 1126, 7)->text(), "Off");

    const QImage image = dialog->grab().toImage();
    EXPECT_EQ(image.pixelColor(156, 100), QColor(192, 192, 192)) << "the table's inner line";
    EXPECT_EQ(image.pixelColor(100, 24 * 4), QColor(192, 192, 192)) << "a row line";

    // Row 3 belongs to row 2's group: a mute there mutes both.
    QTest::mouseClick(Item<shell::ui::CMyButton>(dialog, 1126, 2), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return third.m_mute == 1; }));
    EXPECT_EQ(dynamic_cast<model::CAriInput&>(*doc->GetModuleById(2)).m_mute, 1);
    EXPECT_EQ(Item<shell::ui::CMyButton>(dialog, 1126, 1)->text(), "On");
}

TEST_F(ChannelDialogsGui, TheOutputDialogsOpenOnTheirModules) {
    auto* one = Open<adu::CDSPDlgAttriOutput>(11, false);
    ASSERT_NE(one, nullptr);
    EXPECT_TRUE(one->windowTitle().startsWith("Output "));
    EXPECT_EQ(Item<adu::CAttriValueEdit>(one, 1205)->text(), "0.0");
    EXPECT_LE(one->maximumWidth(), 300);

    auto* all = Open<adu::CDSPDlgAttriOutputAll>(11, true);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->windowTitle(), "Output All Channel");
    EXPECT_EQ(all->GetModuleId(), 1);
    EXPECT_EQ(all->GetKind(), 1);
    EXPECT_EQ(Item<shell::ui::CMyButton>(all, 1076, 7)->geometry().left(), 179);
    bool lastRowLabel = false;
    for (const QLabel* label : all->findChildren<QLabel*>())
        lastRowLabel = lastRowLabel || label->text() == "In 8";
    EXPECT_TRUE(lastRowLabel);
}

} // namespace
