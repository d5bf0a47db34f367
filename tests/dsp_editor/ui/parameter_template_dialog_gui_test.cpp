// The parameter template dialog on the offscreen platform: in load mode
// the list of templates with its headers, the new-name row hidden and the
// row buttons following the choice; in save mode an empty name refused with
// the focus on the name, and a template deleted through the Delete key.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "dsp_editor/parameter_template_controller.h"
#include "dsp_editor/parameter_templates.h"
#include "dsp_editor/ui/parameter_template_dialog.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/ari_equalizer.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using dsp_editor::CParameterTemplateController;
using dsp_editor::ui::CDSPDlgSaveAriAttri;
using gui_test::Control;
using gui_test::WaitFor;

TEST(DspEditorParameterTemplateGui, ListsChoosesRefusesAndDeletes) {
    model::CRecordingMessages messages;
    test_support::CTempDir folder("amu-gui");
    dsp_test::FakeFrame frame;
    std::unique_ptr<dsp_editor::CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    dsp_editor::CZoDSPView view(*doc);
    model::CBaseAriModule& eq = *doc->AddModule(model::kAriEqualizer, 3, 200, 40, 1);
    eq.m_order = 4;
    model::CAriEqualizer stored(1, 3, 0, 0);
    platform::archive::write_file_atomic(folder.path() / "Equalizer3_Hall.amu",
                                         dsp_editor::StoreParameterTemplate("Hall", stored));

    {
        CParameterTemplateController controller(view, CParameterTemplateController::kModeLoad, eq,
                                                folder.path());
        controller.OnInitDialog();
        CDSPDlgSaveAriAttri dialog(controller);
        dialog.show();
        ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));

        EXPECT_EQ(Control<QLineEdit>(dialog, CParameterTemplateController::kCtlModuleId)->text(),
                  QStringLiteral("4"));
        EXPECT_FALSE(
            Control<QLineEdit>(dialog, CParameterTemplateController::kCtlNewName)->isVisible());
        EXPECT_FALSE(
            Control<QLabel>(dialog, CParameterTemplateController::kCtlNewNameLabel)->isVisible());
        QTableWidget* list = Control<QTableWidget>(dialog, CParameterTemplateController::kCtlList);
        ASSERT_EQ(list->rowCount(), 1);
        EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral("序号"));
        EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("1"));
        EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("Hall"));
        QPushButton* viewButton =
            Control<QPushButton>(dialog, CParameterTemplateController::kCtlView);
        EXPECT_EQ(viewButton->text(), QStringLiteral("查看参数..."));
        EXPECT_FALSE(viewButton->isEnabled());
        list->selectRow(0);
        EXPECT_TRUE(viewButton->isEnabled());
        EXPECT_TRUE(
            Control<QPushButton>(dialog, CParameterTemplateController::kCtlDelete)->isEnabled());

        Control<QPushButton>(dialog, CParameterTemplateController::kCtlOk)->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(controller.ChosenPath(), folder.path() / "Equalizer3_Hall.amu");
    }

    CParameterTemplateController controller(view, CParameterTemplateController::kModeSave, eq,
                                            folder.path());
    controller.OnInitDialog();
    CDSPDlgSaveAriAttri dialog(controller);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));
    QLineEdit* name = Control<QLineEdit>(dialog, CParameterTemplateController::kCtlNewName);
    EXPECT_TRUE(name->isVisible());
    Control<QPushButton>(dialog, CParameterTemplateController::kCtlOk)->click();
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgAmuNameEmpty});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(WaitFor([&] { return dialog.focusWidget() == name; }));

    messages.ScriptAnswer(resources::kMsgAmuAskDelete, model::EMessageAnswer::Yes);
    QTableWidget* list = Control<QTableWidget>(dialog, CParameterTemplateController::kCtlList);
    list->selectRow(0);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(list, &del);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_FALSE(
        Control<QPushButton>(dialog, CParameterTemplateController::kCtlDelete)->isEnabled());
    EXPECT_FALSE(fs::exists(folder.path() / "Equalizer3_Hall.amu"));
    dialog.reject();
}

} // namespace
