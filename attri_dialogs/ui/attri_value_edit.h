#pragma once
// A value edit of the attribute dialogs: one line, centred. What the
// operator types goes to the dialog's handler as typed; Enter goes there as
// the text with "\r\n" appended (the edit recipe looks for it) and never
// reaches the dialog's buttons. Texts the dialog sets do not reach the
// handler.
#include <QLineEdit>

#include <functional>
#include <string>
#include <string_view>

#include "attri_dialogs/attri_controller.h"

namespace attri_dialogs::ui {

class CAttriValueEdit final : public QLineEdit {
    Q_OBJECT
public:
    // kTextChanged (typed, or Enter with "\r\n") or kFocusLost, with the
    // edit's text.
    using EditHandler = std::function<void(EEditEvent event, const std::string& text)>;

    explicit CAttriValueEdit(QWidget* parent);

    void SetEditHandler(EditHandler handler) { m_onEdit = std::move(handler); }
    void SetFocusHandler(std::function<void()> handler) { m_onFocus = std::move(handler); }

    std::string Text() const { return text().toStdString(); }
    // Shows `text` when it differs from the shown one (the cursor stays).
    void SetText(std::string_view text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Report(EEditEvent event, const std::string& text);

    EditHandler m_onEdit;
    std::function<void()> m_onFocus;
};

} // namespace attri_dialogs::ui
