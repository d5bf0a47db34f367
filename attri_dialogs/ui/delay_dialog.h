#pragma once
// The delay dialog: the delay time with its spin control and the bypass
// switch, shown from and forwarded to its controller.
#include <memory>

#include "attri_dialogs/delay_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

class QSpinBox;
namespace shell::ui {
class CMyButton;
}

namespace attri_dialogs::ui {

class CDSPDlgAttriDelay final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriDelay(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                      QWidget* viewWidget);

    CAttriDelayController& Delay() const { return *m_delay; }
    void RefreshControls() override;

protected:
    // The focus leaves the edit in either mode: it applies (editable) or
    // shows the module's value again (view-only).
    void mousePressEvent(QMouseEvent* event) override;

private:
    CDSPDlgAttriDelay(std::unique_ptr<CAttriDelayController> controller, QWidget* parent,
                      QWidget* viewWidget);
    void Show();

    std::unique_ptr<CAttriDelayController> m_delay;
    shell::ui::CMyButton* m_bypass = nullptr;
    CAttriValueEdit* m_edit = nullptr;
    QSpinBox* m_spin = nullptr;
};

} // namespace attri_dialogs::ui
