#pragma once
// CDSPDlgAttriEqualizer: the equalizer module's dialog. The response graph
// fills its top; below it the parametric variants show the band list, the
// three fields with their spin buttons, while the graphic variants show one
// vertical slider per band under the band's point. Every event goes to the
// CAttriEqualizerController, and the controls show what it holds after
// each call.
#include <QWidget>

#include <array>
#include <memory>

#include "attri_dialogs/equalizer_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

class QComboBox;
class QScrollBar;

namespace shell::ui {
class CMyButton;
class CMySliderCtrl;
} // namespace shell::ui

namespace attri_dialogs::ui {

class CDSPDlgAttriEqualizer final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriEqualizer(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                          QWidget* parent, QWidget* viewWidget);

    void RefreshControls() override;

    CAttriEqualizerController& Equalizer() const { return *m_eq; }

protected:
    void OnSetDefaultValues() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A field with its spin button.
    struct Field {
        CAttriValueEdit* edit = nullptr;
        QScrollBar* spin = nullptr;
    };

    CDSPDlgAttriEqualizer(std::unique_ptr<CAttriEqualizerController> controller, QWidget* parent,
                          QWidget* viewWidget);
    void MakeScales();
    void MakeParametricControls();
    void MakeSliders();
    void MakeButtons(int top);
    // Runs an event of the controller and shows the outcome when it asks.
    template <class Event> void Forward(Event&& event);
    void Show();

    std::unique_ptr<CAttriEqualizerController> m_eq;
    QComboBox* m_bands = nullptr;
    std::array<Field, 3> m_fields{};
    std::array<shell::ui::CMySliderCtrl*, CAttriEqualizerController::kMaxBands> m_sliders{};
    shell::ui::CMyButton* m_bypass = nullptr;
    shell::ui::CMyButton* m_showBand = nullptr;
    shell::ui::CMyButton* m_showAll = nullptr;
    shell::ui::CMyButton* m_showPoints = nullptr;
};

} // namespace attri_dialogs::ui
