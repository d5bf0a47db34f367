#pragma once
// The template dialog (245): stores the sheet as a template in a slot of
// the unit. Shows a CFirmTemplateController and forwards what the user does.
#include <QDialog>

#include "dsp_editor/firm_template_controller.h"

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace dsp_editor::ui {

// Controls without an id of their own in the controller: the labels and the
// list's column headers, by the ids their texts have in the language packs.
inline constexpr int kCtlTemplateOk = 1;
inline constexpr int kCtlTemplateCancel = 2;

// Modal; each control is named "ctl<id>". OK closes only when the
// controller's OnOK lets it, else the control it names takes the focus.
class CDSPDlgFirmTemplate final : public QDialog {
    Q_OBJECT
public:
    // Fills the list from the controller (whose OnInitDialog has run).
    explicit CDSPDlgFirmTemplate(CFirmTemplateController& controller, QWidget* parent = nullptr);
    ~CDSPDlgFirmTemplate() override;

    void accept() override;

private:
    void FillRows();
    void ShowFields();
    void OnSelectSlot(int index);
    void OnBrowse();

    CFirmTemplateController& m_controller;
    QComboBox* m_slot = nullptr;
    QLineEdit* m_structName = nullptr;
    QLineEdit* m_paramName = nullptr;
    QLineEdit* m_path = nullptr;
    QTableWidget* m_rows = nullptr;
};

// What the view's window runs for the store command: the controller's
// start, then the dialog modally; whether it closed with OK.
bool RunFirmTemplateDialog(CFirmTemplateController& controller, QWidget* parent);

} // namespace dsp_editor::ui
