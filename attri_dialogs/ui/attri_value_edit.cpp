#include "attri_dialogs/ui/attri_value_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace attri_dialogs::ui {

CAttriValueEdit::CAttriValueEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignCenter);
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& text) { Report(EEditEvent::kTextChanged, text.toStdString()); });
}

void CAttriValueEdit::SetText(std::string_view text) {
    const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (shown != this->text())
        setText(shown);
}

void CAttriValueEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        Report(EEditEvent::kTextChanged, Text() + "\r\n");
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CAttriValueEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (m_onFocus)
        m_onFocus();
}

void CAttriValueEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A context menu borrows the focus and gives it back.
    if (event->reason() != Qt::PopupFocusReason)
        Report(EEditEvent::kFocusLost, Text());
}

void CAttriValueEdit::Report(EEditEvent event, const std::string& text) {
    if (m_onEdit)
        m_onEdit(event, text);
}

} // namespace attri_dialogs::ui
