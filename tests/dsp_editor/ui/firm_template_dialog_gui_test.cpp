// The template dialog on the offscreen platform: its slotCombo, the list of
// stored templates with a name reply arriving, a slot chosen filling the
// fields, OK refused with the focus on the field at fault, and its texts
// from the language pack.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "dsp_editor/firm_template_controller.h"
#include "dsp_editor/stored_template_ini.h"
#include "dsp_editor/ui/firm_template_dialog.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"

namespace {

namespace fs = std::filesystem;
using dsp_editor::CFirmTemplateController;
using dsp_editor::ui::CDSPDlgFirmTemplate;
using gui_test::Control;
using gui_test::WaitFor;

TEST(DspEditorStoreGui, TemplateDialogShowsTheSlotsAndRefusesAnEmptyName) {
    model::CRecordingMessages messages;
    const fs::path dir = fs::temp_directory_path() / "dspstore-gui";
    fs::remove_all(dir);
    fs::create_directories(dir);
    dsp_test::FakeFrame frame;
    std::unique_ptr<dsp_editor::CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    dsp_editor::CZoDSPView view(*doc);
    view.StoredTemplates().m_templateIni = dir / "Ostrel.ini";
    const std::string stored = (dir / "hall.dmu").string();
    platform::archive::write_file_atomic(stored, doc->SaveDocument());
    dsp_editor::CStoredTemplateIni(view.StoredTemplates().m_templateIni)
        .Record(frame.mac, 2, stored, "Hall", "Day");

    CFirmTemplateController controller(view, view.StoredTemplates().m_templateIni, nullptr);
    controller.OnInitDialog();
    CDSPDlgFirmTemplate dialog(controller);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("固化模版"));
    QComboBox* slotCombo = Control<QComboBox>(dialog, CFirmTemplateController::kCtlSlot);
    ASSERT_EQ(slotCombo->count(), 8);
    EXPECT_EQ(slotCombo->itemText(0), QStringLiteral("01"));
    EXPECT_EQ(slotCombo->currentIndex(), -1);
    QTableWidget* list = Control<QTableWidget>(dialog, CFirmTemplateController::kCtlList);
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("02"));
    EXPECT_EQ(list->item(0, 3)->text(), QString::fromStdString(stored));
    EXPECT_EQ(Control<QPushButton>(dialog, dsp_editor::ui::kCtlTemplateOk)->text(),
              QStringLiteral("固化"));

    // A name reply adds the row of its slot.
    view.StoredTemplates().m_templateDialog = 1;
    view.StoredTemplates().m_firmTemplateDialog = &controller;
    view.StoredTemplates().OnTemplateNameReply("*GETNM05Club        Loud        #");
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->item(1, 1)->text(), QStringLiteral("Club"));

    // Choosing slot 2 shows its names and file; slot 4 empties them.
    QLineEdit* structName = Control<QLineEdit>(dialog, CFirmTemplateController::kCtlStructName);
    slotCombo->setCurrentIndex(1);
    emit slotCombo->activated(1);
    EXPECT_EQ(structName->text(), QStringLiteral("Hall"));
    EXPECT_EQ(Control<QLineEdit>(dialog, CFirmTemplateController::kCtlPath)->text(),
              QString::fromStdString(stored));
    slotCombo->setCurrentIndex(3);
    emit slotCombo->activated(3);
    EXPECT_EQ(structName->text(), QString());

    Control<QPushButton>(dialog, dsp_editor::ui::kCtlTemplateOk)->click();
    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{resources::kMsgStructNameEmpty}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(WaitFor([&] { return dialog.focusWidget() == structName; }));
    dialog.reject();

    // The texts of the English pack.
    ASSERT_TRUE(gui_test::InstallEnglishPack(OSTREL_SHIPPED_PACKS));
    CDSPDlgFirmTemplate english(controller);
    gui_test::UninstallLanguage();
    EXPECT_EQ(english.windowTitle(), QStringLiteral("Store template"));
    EXPECT_EQ(Control<QPushButton>(english, CFirmTemplateController::kCtlReadFromDevice)->text(),
              QStringLiteral("Read from device"));
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("结构名称"));

    view.StoredTemplates().m_firmTemplateDialog = nullptr;
    view.StoredTemplates().m_templateDialog = 0;
    fs::remove_all(dir);
}

} // namespace
