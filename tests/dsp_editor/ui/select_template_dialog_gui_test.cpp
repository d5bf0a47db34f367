// The stored-template selection dialog on the offscreen platform: its lists
// from an ini file, a template chosen drawn in the preview, the lists and
// the preview taking a wider dialog's width, Switch closing after Yes, and
// its texts from the language pack.
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "dsp_editor/select_template_controller.h"
#include "dsp_editor/ui/select_template_dialog.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"
#include "shell/ui/template_preview.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/temp_dir.h"

namespace {

using dsp_editor::CSelectTemplateController;
using dsp_editor::ui::CDSPDlgSelectAriTemplate;
using gui_test::Control;
using gui_test::WaitFor;
using Sel = CSelectTemplateController;

// Whether any pixel of the preview's column showing sheet column `x` is
// not white. The picture spans the sheet's modules, x 20 (the inputs) to
// 700 (the outputs' right edge), with 4 pixels before and 6 after.
bool ColumnDrawn(const QImage& image, int x) {
    const int column = (x - 20 + 4) * image.width() / (700 - 20 + 10);
    for (int y = 0; y < image.height(); ++y)
        if ((image.pixel(column, y) & 0xFFFFFF) != 0xFFFFFFu)
            return true;
    return false;
}

TEST(DspEditorSelectTemplateGui, ListsPreviewsStretchesAndSwitches) {
    model::CRecordingMessages messages;
    test_support::CTempDir dir("dspselect-gui");
    const std::filesystem::path ini = dir.path() / "Ostrel.ini";
    dsp_test::FakeFrame frame;
    for (int slot : {2, 5}) {
        std::unique_ptr<dsp_editor::CZoDSPDoc> doc = dsp_test::NewDocument(frame);
        doc->m_templateSlot = slot;
        const std::string path = (dir.path() / ("t" + std::to_string(slot) + ".dmu")).string();
        platform::archive::write_file_atomic(path, doc->SaveDocument());
        dsp_editor::CStoredTemplateIni(ini).Record(frame.mac, slot, path, "Hall",
                                                   "Day" + std::to_string(slot));
    }

    CSelectTemplateController controller(ini, nullptr, nullptr);
    controller.OnInitDialog();
    CDSPDlgSelectAriTemplate dialog(controller);
    dialog.resize(600, 560);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("选择固化模板"));
    QTableWidget* units = Control<QTableWidget>(dialog, Sel::kCtlUnits);
    ASSERT_EQ(units->rowCount(), 1);
    EXPECT_EQ(units->item(0, 1)->text(), QStringLiteral("00602b0a0b0c"));
    EXPECT_TRUE(units->item(0, 1)->isSelected());
    EXPECT_EQ(units->horizontalHeaderItem(1)->text(), QStringLiteral("设备地址"));
    QTableWidget* templates = Control<QTableWidget>(dialog, Sel::kCtlTemplates);
    ASSERT_EQ(templates->rowCount(), 2);
    EXPECT_EQ(templates->item(1, 0)->text(), QStringLiteral("05"));
    EXPECT_EQ(templates->item(1, 2)->text(), QStringLiteral("Day5"));
    EXPECT_EQ(templates->horizontalHeaderItem(3)->text(), QStringLiteral("模板文档位置"));
    EXPECT_FALSE(Control<QPushButton>(dialog, Sel::kCtlReadFromDevice)->isEnabled());

    // Choosing slot 5 draws its sheet: the channels on both sides, nothing
    // between them.
    auto* preview = Control<shell::ui::CStaticPreviewAriTemplate>(dialog, Sel::kCtlPreview);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->GetDocument(), nullptr);
    templates->selectRow(1);
    EXPECT_EQ(controller.Slot(), 5);
    ASSERT_NE(preview->GetDocument(), nullptr);
    const QImage picture = preview->grab().toImage();
    EXPECT_TRUE(ColumnDrawn(picture, 70)) << "the inputs";
    EXPECT_TRUE(ColumnDrawn(picture, 650)) << "the outputs";
    EXPECT_FALSE(ColumnDrawn(picture, 360)) << "between them";

    // A wider dialog: the lists and the preview take its width less 5 on
    // each side; the lists keep their heights, the columns their shares.
    const int unitsHeight = units->height();
    dialog.resize(900, 600);
    ASSERT_TRUE(WaitFor([&] { return units->width() == 890; }));
    EXPECT_EQ(units->x(), 5);
    EXPECT_EQ(templates->width(), 890);
    EXPECT_EQ(preview->width(), 890);
    EXPECT_EQ(units->height(), unitsHeight);
    EXPECT_EQ(units->columnWidth(0), units->viewport()->width() / 4);
    EXPECT_EQ(templates->columnWidth(3), templates->viewport()->width() * 4 / 10);

    // Switch, answered Yes: the preview goes, the dialog closes with slot 5.
    messages.ScriptAnswer(resources::kMsgAskSwitchTemplate, model::EMessageAnswer::Yes);
    Control<QPushButton>(dialog, Sel::kCtlSwitch)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(preview->GetDocument(), nullptr);
    EXPECT_EQ(messages.AskedIds(), (std::vector<int>{resources::kMsgAskSwitchTemplate}));
    EXPECT_EQ(controller.Mac(), "00602b0a0b0c");
    EXPECT_EQ(controller.Slot(), 5);

    // The texts of the English pack.
    ASSERT_TRUE(gui_test::InstallEnglishPack(OSTREL_SHIPPED_PACKS));
    CDSPDlgSelectAriTemplate english(controller);
    gui_test::UninstallLanguage();
    EXPECT_EQ(english.windowTitle(), QStringLiteral("Select stored template"));
    EXPECT_EQ(Control<QPushButton>(english, Sel::kCtlSwitch)->text(), QStringLiteral("Switch"));
    EXPECT_EQ(Control<QTableWidget>(english, Sel::kCtlUnits)->horizontalHeaderItem(1)->text(),
              QStringLiteral("Device address"));
}

} // namespace
