#include "device_editor/ui/dialog_support.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>

#include "shell/dialog_texts.h"

namespace device_editor::ui {

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString DialogText(int dialog, int control, const char* builtin) {
    return shell::DialogString(dialog, control, builtin);
}

QDialogButtonBox* OkCancelButtons(QDialog& dialog, int dialogId, const char* okText) {
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok =
        buttons->addButton(DialogText(dialogId, kOkControl, okText), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    buttons->addButton(DialogText(dialogId, kCancelControl, "取消"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

bool TakeEnterAndEscape(QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event.accept();
        return true;
    default:
        return false;
    }
}

} // namespace device_editor::ui
