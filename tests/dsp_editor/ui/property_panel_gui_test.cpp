// The property panel on the offscreen platform: the object list, a sheet
// width typed with Enter coming back clamped, the sheet swatch painted in
// the sheet colour, the algorithm tab's list, the tracking limits and the
// buttons kept at the bottom corners.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "dsp_editor/property_panel_controller.h"
#include "dsp_editor/ui/property_panel_dialog.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/recording_messages.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"

namespace {

using dsp_editor::CPropertyPanelController;
using gui_test::Control;
using gui_test::WaitFor;

TEST(DspEditorPropertyGui, PanelShowsTheSheetClampsItsWidthAndKeepsItsLayout) {
    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::unique_ptr<dsp_editor::CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    doc->m_sheetColour = 0x0000FF; // red
    doc->SetModifiedFlag(false);
    dsp_editor::CZoDSPView view(*doc);
    CPropertyPanelController panel(view);
    panel.OnInitDialog();
    dsp_editor::ui::CDSPDlgProperty dialog(panel);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));

    auto* objects = Control<QComboBox>(dialog, CPropertyPanelController::kCtlObjects);
    ASSERT_NE(objects, nullptr);
    EXPECT_EQ(objects->count(), 17);
    EXPECT_EQ(objects->currentText(), QStringLiteral("Sheet"));

    auto* width = Control<QLineEdit>(dialog, CPropertyPanelController::kCtlSheetWidth);
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->text(), QStringLiteral("1260"));
    width->selectAll();
    QTest::keyClicks(width, "300");
    EXPECT_EQ(doc->m_sheetWidth, 1260);
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(width->text(), QStringLiteral("500"));
    EXPECT_EQ(doc->m_sheetWidth, 500);
    EXPECT_TRUE(doc->IsModified());

    QWidget* swatch = Control<QWidget>(dialog, CPropertyPanelController::kCtlSheetColour);
    ASSERT_NE(swatch, nullptr);
    const QImage patch = swatch->grab().toImage();
    EXPECT_EQ(patch.pixelColor(patch.width() / 2, patch.height() / 2), QColor(255, 0, 0));

    auto* table = Control<QTableWidget>(dialog, CPropertyPanelController::kCtlProperties);
    EXPECT_FALSE(table->isVisible());
    Control<QTabBar>(dialog, CPropertyPanelController::kCtlTabs)->setCurrentIndex(1);
    ASSERT_TRUE(WaitFor([&] { return table->isVisible(); }));
    EXPECT_FALSE(width->isVisible());
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("2 (16 图形)"));

    dialog.resize(100, 3000);
    ASSERT_TRUE(WaitFor([&] { return dialog.size() == QSize(200, 2000); }));
    Control<QTabBar>(dialog, CPropertyPanelController::kCtlTabs)->setCurrentIndex(0);
    auto* save = Control<QPushButton>(dialog, CPropertyPanelController::kCtlSaveDefault);
    ASSERT_TRUE(WaitFor([&] { return save->isVisible(); }));
    EXPECT_EQ(save->geometry().right() + 1, 200 - 20);
    EXPECT_EQ(save->geometry().bottom() + 1, 2000 - 20);
    EXPECT_EQ(
        Control<QPushButton>(dialog, CPropertyPanelController::kCtlLoadInitial)->geometry().left(),
        20);
}

} // namespace
