#pragma once
// The database settings dialog (276): the server, user and password the
// router-link query connects with. Shows a CDSPDlgDBServerSet.
#include <QDialog>

#include "dsp_editor/router_links.h"

class QLineEdit;

namespace dsp_editor::ui {

// The buttons: Connect (OK) and Cancel.
inline constexpr int kCtlDBConnect = 1;
inline constexpr int kCtlDBCancel = 2;

// Modal; each control is named "ctl<id>". Connect hands the three edits to
// the controller's OnOK; Cancel leaves the controller as it was.
class CDBServerSetDialog final : public QDialog {
    Q_OBJECT
public:
    // The edits show the controller's fields (its OnInitDialog has run).
    explicit CDBServerSetDialog(CDSPDlgDBServerSet& controller, QWidget* parent = nullptr);

    void accept() override;

private:
    CDSPDlgDBServerSet& m_controller;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
};

// Shows the dialog modally over `controller` as it is; whether it closed
// with Connect.
bool RunDBServerSetDialog(CDSPDlgDBServerSet& controller, QWidget* parent);

} // namespace dsp_editor::ui
