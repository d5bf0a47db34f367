#pragma once
// The generators' dialogs: the sine (CDSPDlgAttriSine: fixed or sweep
// mode, level with the pop-up slider, frequencies with spin buttons, the
// step list and the 240-sample preview, stepped through the sweep by a
// timer) and the noise (CDSPDlgAttriNoise: mute and level). Their
// controllers hold every rule; the widgets show what they hold after each
// call.
#include <QComboBox>
#include <QTimer>

#include <array>
#include <memory>

#include "attri_dialogs/noise_controller.h"
#include "attri_dialogs/sine_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

namespace shell::ui {
class CMyButton;
}

namespace attri_dialogs::ui {

class CAttriSpinButtons;

// The sine dialog's timer 1 on a QTimer.
class CAttriPreviewTimer final : public IPreviewTimer {
public:
    void Start(std::int32_t milliseconds) override { m_timer.start(milliseconds); }
    void Stop() override { m_timer.stop(); }
    QTimer& Timer() { return m_timer; }

private:
    QTimer m_timer;
};

class CDSPDlgAttriSine final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriSine(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                     QWidget* viewWidget);

    CAttriSineController& Sine() const { return *m_sine; }
    QTimer& PreviewTimer() const { return m_timer->Timer(); }

    void RefreshControls() override;
    void OnSliderMoving(int position) override;
    void OnSliderReleased() override;

protected:
    void OnSetDefaultValues() override;
    void PlaceSlider() override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using EField = CAttriSineController::EField;

    // The timer is made before the controller, which starts it.
    struct Parts {
        std::unique_ptr<CAttriPreviewTimer> timer;
        std::unique_ptr<CAttriSineController> controller;
    };
    static Parts MakeParts(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module);
    CDSPDlgAttriSine(Parts parts, QWidget* parent, QWidget* viewWidget);

    CAttriValueEdit* FieldEdit(EField field, int id, QRect place);
    void MakeSpin(EField field, int id, int minimum, int maximum, QRect place);
    void PreviewScales();
    void Show();

    std::unique_ptr<CAttriPreviewTimer> m_timer;
    std::unique_ptr<CAttriSineController> m_sine;
    shell::ui::CMyButton* m_fixedButton = nullptr;
    shell::ui::CMyButton* m_sweepButton = nullptr;
    shell::ui::CMyButton* m_mute = nullptr;
    std::array<CAttriValueEdit*, CAttriSineController::kFields> m_edits{};
    std::array<CAttriSpinButtons*, CAttriSineController::kFields> m_spins{};
    QComboBox* m_steps = nullptr;
};

class CDSPDlgAttriNoise final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriNoise(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                      QWidget* viewWidget);

    CAttriNoiseController& Noise() const { return *m_noise; }

    void RefreshControls() override;
    void OnSliderMoving(int position) override;
    void OnSliderReleased() override;

protected:
    void OnSetDefaultValues() override;
    void PlaceSlider() override;

private:
    CDSPDlgAttriNoise(std::unique_ptr<CAttriNoiseController> controller, QWidget* parent,
                      QWidget* viewWidget);
    void Show();

    std::unique_ptr<CAttriNoiseController> m_noise;
    shell::ui::CMyButton* m_mute = nullptr;
    CAttriValueEdit* m_level = nullptr;
};

} // namespace attri_dialogs::ui
