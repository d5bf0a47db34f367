#pragma once
// The parameter template dialog (341): saves a module's parameters under a
// new name, or chooses a template to load into it; lists, deletes and shows
// the templates of the module's type and variant. Shows a
// CParameterTemplateController and forwards what the user does.
#include <QDialog>

#include "dsp_editor/parameter_template_controller.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace dsp_editor::ui {

// Modal to its parent only, so that the view-only attribute dialogs it
// opens stay usable beside it; each control is named "ctl<id>". OK closes
// as the controller's OnBnClickedOk says, else the control it names takes
// the focus.
class CDSPDlgSaveAriAttri final : public QDialog {
    Q_OBJECT
public:
    // Fills the list from the controller (whose OnInitDialog has run).
    explicit CDSPDlgSaveAriAttri(CParameterTemplateController& controller,
                                 QWidget* parent = nullptr);

    void accept() override;

protected:
    // The Delete key in the list deletes the chosen template.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The name column takes three quarters of the list's width.
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillRows();
    void OnRowChosen();
    void OnDelete();

    CParameterTemplateController& m_controller;
    QTableWidget* m_rows = nullptr;
    QLineEdit* m_newName = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_view = nullptr;
};

// What the view's window runs for the save and load commands: the
// controller's start, then the dialog modally over `parent`; whether it
// closed with OK.
bool RunSaveAriAttriDialog(CParameterTemplateController& controller, QWidget* parent);

} // namespace dsp_editor::ui
