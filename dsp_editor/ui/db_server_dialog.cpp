#include "dsp_editor/ui/db_server_dialog.h"

#include "dsp_editor/ui/controls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace dsp_editor::ui {

namespace {

using CDbDlg = CDSPDlgDBServerSet;

// The caption and the labels beside the edits.
constexpr int kDbCaption = 0;
constexpr int kDbServerLabel = 1390;
constexpr int kDbUserLabel = 1391;
constexpr int kDbPasswordLabel = 1392;

} // namespace

CDBServerSetDialog::CDBServerSetDialog(CDSPDlgDBServerSet& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(shell::DialogString(CDbDlg::kDialog, kDbCaption, "数据库设置"));

    m_server = Named(new QLineEdit(FromUtf8(controller.m_server), this), CDbDlg::kCtlServer);
    m_user = Named(new QLineEdit(FromUtf8(controller.m_user), this), CDbDlg::kCtlUser);
    m_password = Named(new QLineEdit(FromUtf8(controller.m_password), this), CDbDlg::kCtlPassword);
    m_password->setEchoMode(QLineEdit::Password);

    auto* fields = new QGridLayout;
    const struct {
        int label;
        const char* builtin;
        QLineEdit* edit;
    } rows[] = {
        {kDbServerLabel, "服务器", m_server},
        {kDbUserLabel, "用户名", m_user},
        {kDbPasswordLabel, "密码", m_password},
    };
    for (int row = 0; row < 3; ++row) {
        auto* label = Named(
            new QLabel(shell::DialogString(CDbDlg::kDialog, rows[row].label, rows[row].builtin),
                       this),
            rows[row].label);
        label->setBuddy(rows[row].edit);
        fields->addWidget(label, row, 0);
        fields->addWidget(rows[row].edit, row, 1);
    }
    fields->setColumnMinimumWidth(1, 180);

    auto* connectButton = Button(this, CDbDlg::kDialog, kCtlDBConnect, "连接");
    auto* cancel = Button(this, CDbDlg::kDialog, kCtlDBCancel, "取消");
    // Enter in an edit connects, as the dialog's default button.
    connectButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(connectButton);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(connectButton, &QPushButton::clicked, this, &CDBServerSetDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDBServerSetDialog::accept() {
    m_controller.OnOK(m_server->text().toStdString(), m_user->text().toStdString(),
                      m_password->text().toStdString());
    QDialog::accept();
}

bool RunDBServerSetDialog(CDSPDlgDBServerSet& controller, QWidget* parent) {
    CDBServerSetDialog dialog(controller, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace dsp_editor::ui
