#pragma once
// The router dialog: a grid of cross-point buttons, inputs across and
// outputs down, over a grey table; a click routes that input to that output
// or switches the output off.
#include <QPushButton>

#include <memory>
#include <vector>

#include "attri_dialogs/router_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

namespace attri_dialogs::ui {

class CDSPDlgAttriRouter final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriRouter(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                       QWidget* viewWidget);

    CAttriRouterController& Router() const { return *m_router; }
    // The cross-point button of input i and output j, from 0; null outside
    // the router.
    QPushButton* CrossPoint(int input, int output) const;
    void RefreshControls() override;
    // Output j's column from the module.
    void RefreshColumn(int output);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CDSPDlgAttriRouter(std::unique_ptr<CAttriRouterController> controller, QWidget* parent,
                       QWidget* viewWidget);
    void OnCrossPoint(int input, int output);

    std::unique_ptr<CAttriRouterController> m_router;
    // Input i and output j at i * outputs + j.
    std::vector<QPushButton*> m_points;
};

} // namespace attri_dialogs::ui
