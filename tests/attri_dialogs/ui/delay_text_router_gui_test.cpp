// The delay, text box and router dialogs as a DSP view opens them through
// the program's factory, on the offscreen platform: the delay's text and
// spin, the text box's edit, swatches and cancelled colour choice, and the
// router's size, labels, table and cross-points.
#include <QApplication>
#include <QColorDialog>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialog_fixture.h"
#include "attri_dialogs/ui/delay_dialog.h"
#include "attri_dialogs/ui/router_dialog.h"
#include "attri_dialogs/ui/text_dialog.h"
#include "comm/dsp_console.h"
#include "dsp_editor/zo_dsp_view.h"
#include "gui_app.h"
#include "model/ari_delay.h"
#include "model/ari_router.h"
#include "model/ari_text.h"
#include "shell/ui/my_button_widget.h"

namespace {

namespace adu = attri_dialogs::ui;
namespace de = dsp_editor;

using gui_test::WaitFor;

// A new sheet with one module of the type and variant, at execution order
// 7, live, its dialog opened by the view.
class SheetDialogGui : public attri_gui_test::CAttriDialogTest {
protected:
    template <class M> M& Add(std::int32_t type, std::int32_t variant) {
        auto* module = dynamic_cast<M*>(doc->AddModule(type, variant, 100, 100, 1));
        module->m_order = 7;
        doc->m_live = 1;
        return *module;
    }
    template <class Dialog> Dialog* Open(model::CBaseAriModule& module) {
        return Show<Dialog>(module);
    }
    static std::vector<QString> LabelTexts(QWidget* dialog) {
        std::vector<QString> texts;
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            texts.push_back(label->text());
        return texts;
    }
};

TEST_F(SheetDialogGui, TheDelayShowsItsTimeAndStepsItWithTheSpin) {
    auto& delay = Add<model::CAriDelay>(model::kAriDelay, 1);
    delay.m_delay = 2.5;
    auto* dialog = Open<adu::CDSPDlgAttriDelay>(delay);
    ASSERT_NE(dialog, nullptr);
    auto* edit = Item<adu::CAttriValueEdit>(dialog, 1091);
    auto* spin = Item<QSpinBox>(dialog, 1090);
    auto* bypass = Item<shell::ui::CMyButton>(dialog, 1089);
    ASSERT_TRUE(edit && spin && bypass);
    EXPECT_EQ(edit->text(), "2.50");
    EXPECT_EQ(bypass->text(), "Off");
    EXPECT_LE(dialog->maximumWidth(), 250);

    dialog->activateWindow();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "7");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), "5.00") << "clamped to the variant's maximum";
    EXPECT_EQ(delay.m_delay, 5.0);
    edit->selectAll();
    QTest::keyClicks(edit, "1");
    QTest::keyClick(edit, Qt::Key_Return);

    spin->stepBy(1);
    spin->stepBy(1);
    EXPECT_EQ(edit->text(), "1.04");
    EXPECT_EQ(spin->value(), 50) << "back at its rest position";
    EXPECT_EQ(delay.m_delay, 1.0) << "nothing applied before the edit lets go";
    edit->clearFocus();
    ASSERT_TRUE(WaitFor([&] { return delay.m_delay == 1.04; }));

    QTest::mouseClick(bypass, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return bypass->text() == "On"; }));
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 7 301 240#", "*NySET 7 301 48#", "*NySET 7 301 49#",
                                        "*NySET 7 302 1#"}));
}

TEST_F(SheetDialogGui, TheTextBoxShowsItsColoursAndAppliesEveryKeystroke) {
    auto& box = Add<model::CAriText>(model::kAriText, 1);
    box.m_colours[model::CAriText::kBodyColour] = 0x0000FF; // red
    box.m_colours[model::CAriText::kTextColour] = 0x00FF00; // green
    auto* dialog = Open<adu::CDSPDlgAttriText>(box);
    ASSERT_NE(dialog, nullptr);
    auto* edit = Item<QPlainTextEdit>(dialog, 1051);
    auto* back = Item<QWidget>(dialog, 1032);
    auto* text = Item<QWidget>(dialog, 1054);
    ASSERT_TRUE(edit && back && text);
    EXPECT_EQ(edit->toPlainText(), QString::fromStdString(box.m_text));
    const QImage image = dialog->grab().toImage();
    EXPECT_EQ(image.pixelColor(back->geometry().center()), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(text->geometry().center()), QColor(0, 255, 0));

    // A cancelled colour choice changes and records nothing.
    QTimer cancel;
    cancel.setInterval(10);
    QObject::connect(&cancel, &QTimer::timeout, [] {
        if (auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget()))
            chooser->reject();
    });
    cancel.start();
    QTest::mouseClick(back, Qt::LeftButton, {}, QPoint(5, 5));
    cancel.stop();
    EXPECT_EQ(box.m_colours[model::CAriText::kBodyColour], 0x0000FFu);
    EXPECT_FALSE(view->CanUndo());

    const std::string before = box.m_text;
    dialog->activateWindow();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(box.m_text, "");
    QTest::keyClick(edit, Qt::Key_A);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_B);
    EXPECT_EQ(box.m_text, "a\r\nb");
    EXPECT_TRUE(ControlQueue().empty()) << "a text box is not in the unit";

    view->OnEditUndo();
    EXPECT_FALSE(view->CanUndo()) << "one run of typing, one step";
    EXPECT_EQ(box.m_text, before);
    EXPECT_EQ(edit->toPlainText(), QString::fromStdString(before));
}

TEST_F(SheetDialogGui, AnEightByEightRouterHasItsSizeLabelsAndTable) {
    auto& router = Add<model::CAriRouter>(model::kAriRouter, 2);
    auto* dialog = Open<adu::CDSPDlgAttriRouter>(router);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(224, 225));
    EXPECT_EQ(dialog->maximumSize(), QSize(300, 300));
    const std::vector<QString> labels = LabelTexts(dialog);
    for (int n = 1; n <= 8; ++n) {
        EXPECT_NE(std::find(labels.begin(), labels.end(), QString("In %1").arg(n)), labels.end());
        EXPECT_NE(std::find(labels.begin(), labels.end(), QString("Out %1").arg(n)), labels.end());
    }
    EXPECT_EQ(std::find(labels.begin(), labels.end(), QString("In 9")), labels.end());
    EXPECT_EQ(dialog->CrossPoint(7, 7)->geometry(), QRect(9 + 21 * 7, 28 + 19 * 7, 21, 19));
    EXPECT_EQ(dialog->CrossPoint(8, 0), nullptr);
    EXPECT_TRUE(dialog->CrossPoint(0, 5)->isChecked()) << "every output from input 1";

    const QImage image = dialog->grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 11), QColor(192, 192, 192)) << "the table";
    EXPECT_NE(image.pixelColor(8, 11), QColor(192, 192, 192)) << "its left rule";
    EXPECT_NE(image.pixelColor(212, 100), QColor(192, 192, 192)) << "right of the table";
}

TEST_F(SheetDialogGui, ARouterCrossPointRoutesAndSwitchesOff) {
    auto& router = Add<model::CAriRouter>(model::kAriRouter, 1);
    auto* dialog = Open<adu::CDSPDlgAttriRouter>(router);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(141, 148));
    const auto selectedInColumn = [&](int output) {
        std::vector<int> inputs;
        for (int input = 0; input < 4; ++input) {
            if (dialog->CrossPoint(input, output)->isChecked())
                inputs.push_back(input);
        }
        return inputs;
    };

    QTest::mouseClick(dialog->CrossPoint(2, 0), Qt::LeftButton);
    EXPECT_EQ(router.m_selectedInput[0], 3);
    EXPECT_EQ(selectedInColumn(0), std::vector<int>{2});
    QTest::mouseClick(dialog->CrossPoint(2, 0), Qt::LeftButton);
    EXPECT_EQ(router.m_selectedInput[0], 0);
    EXPECT_TRUE(selectedInColumn(0).empty());
    EXPECT_EQ(selectedInColumn(1), std::vector<int>{0}) << "the other columns stay";
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 7 401 1 3#", "*NySET 7 401 1 0#"}));
}

TEST_F(SheetDialogGui, ViewOnlyDialogsKeepShowingTheModule) {
    auto& router = Add<model::CAriRouter>(model::kAriRouter, 1);
    auto& delay = Add<model::CAriDelay>(model::kAriDelay, 1);
    auto* routerDialog = Open<adu::CDSPDlgAttriRouter>(router);
    auto* delayDialog = Open<adu::CDSPDlgAttriDelay>(delay);
    ASSERT_TRUE(routerDialog && delayDialog);
    routerDialog->SetMode(attri_dialogs::CAttriController::kViewOnly);
    delayDialog->SetMode(attri_dialogs::CAttriController::kViewOnly);

    QTest::mouseClick(routerDialog->CrossPoint(2, 0), Qt::LeftButton);
    EXPECT_FALSE(routerDialog->CrossPoint(2, 0)->isChecked());
    EXPECT_TRUE(routerDialog->CrossPoint(0, 0)->isChecked());
    EXPECT_EQ(router.m_selectedInput[0], 1);

    auto* edit = Item<adu::CAttriValueEdit>(delayDialog, 1091);
    ASSERT_NE(edit, nullptr);
    delayDialog->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return delayDialog->isActiveWindow(); }));
    edit->setFocus();
    ASSERT_TRUE(WaitFor([&] { return edit->hasFocus(); }));
    edit->selectAll();
    QTest::keyClicks(edit, "3");
    QTest::mouseClick(delayDialog, Qt::LeftButton, {}, QPoint(180, 40));
    ASSERT_TRUE(WaitFor([&] { return edit->text() == "5.00"; })) << "the module's time again";
    EXPECT_EQ(delay.m_delay, 5.0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(view->CanUndo());
}

} // namespace
