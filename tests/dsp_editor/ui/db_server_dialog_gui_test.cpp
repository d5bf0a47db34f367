// The database settings dialog on the offscreen platform: its edits filled
// from the controller, the password hidden, Connect handing the edits over
// and Cancel leaving the controller alone, and its texts from the language
// pack.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "dsp_editor/router_links.h"
#include "dsp_editor/ui/db_server_dialog.h"
#include "tests/shell/ui/gui_app.h"

namespace {

using dsp_editor::CDSPDlgDBServerSet;
using dsp_editor::ui::CDBServerSetDialog;
using gui_test::Control;
using gui_test::WaitFor;

TEST(DspEditorDbServerGui, SettingsDialogShowsTheEditsAndConnectTakesThem) {
    CDSPDlgDBServerSet controller("10.1.2.3");
    controller.OnInitDialog();
    {
        CDBServerSetDialog dialog(controller);
        dialog.show();
        ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));

        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("数据库设置"));
        QLineEdit* server = Control<QLineEdit>(dialog, CDSPDlgDBServerSet::kCtlServer);
        QLineEdit* user = Control<QLineEdit>(dialog, CDSPDlgDBServerSet::kCtlUser);
        QLineEdit* password = Control<QLineEdit>(dialog, CDSPDlgDBServerSet::kCtlPassword);
        ASSERT_TRUE(server && user && password);
        EXPECT_EQ(server->text(), QStringLiteral("10.1.2.3"));
        EXPECT_EQ(user->text(), QStringLiteral("vargolin"));
        EXPECT_EQ(password->text(), QString());
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        EXPECT_EQ(Control<QLabel>(dialog, 1390)->text(), QStringLiteral("服务器"));
        EXPECT_EQ(Control<QPushButton>(dialog, dsp_editor::ui::kCtlDBConnect)->text(),
                  QStringLiteral("连接"));

        // Cancel: the controller keeps what it had.
        server->setText("db.example");
        dialog.reject();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(controller.m_server, "10.1.2.3");
    }
    {
        CDBServerSetDialog dialog(controller);
        dialog.show();
        ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));
        Control<QLineEdit>(dialog, CDSPDlgDBServerSet::kCtlServer)->setText("db.example");
        Control<QLineEdit>(dialog, CDSPDlgDBServerSet::kCtlUser)->setText("operator");
        Control<QLineEdit>(dialog, CDSPDlgDBServerSet::kCtlPassword)->setText("Se'cret");
        Control<QPushButton>(dialog, dsp_editor::ui::kCtlDBConnect)->click();
        EXPECT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(controller.m_server, "db.example");
        EXPECT_EQ(controller.m_user, "operator");
        EXPECT_EQ(controller.m_password, "Se'cret");
    }

    // The texts of the English pack.
    ASSERT_TRUE(gui_test::InstallEnglishPack(OSTREL_SHIPPED_PACKS));
    CDBServerSetDialog english(controller);
    gui_test::UninstallLanguage();
    EXPECT_EQ(english.windowTitle(), QStringLiteral("Database settings"));
    EXPECT_EQ(Control<QPushButton>(english, dsp_editor::ui::kCtlDBConnect)->text(),
              QStringLiteral("Connect"));
    EXPECT_EQ(Control<QLabel>(english, 1392)->text(), QStringLiteral("Password"));
}

} // namespace
