#pragma once
// CAttriSineController: the sine generator's dialog without its widgets.
// The generator holds one frequency (fixed mode) or sweeps up from a start
// to a stop frequency, one step of the chosen width per time step; the
// dialog edits these, the level (with the pop-up slider) and mute, and
// previews 240 samples of the sine at 48 kHz, stepping through the sweep on
// a timer in sweep mode.
//
// Widget mapping (the dialog forwards, then shows what the controller holds):
// - edits (level, frequency, start, stop, time step): text changed ->
//   Edit(f).text = text, OnEdit(f, kTextChanged) (Enter as "\r\n"); focus
//   lost -> OnEdit(f, kFocusLost); they show Edit(f).text, the spins
//   SpinPosition(f);
// - level edit focused -> OnLevelFocus() (true: place and show the slider);
//   slider moving -> OnSliderMoving(position), released or its focus lost
//   -> OnEdit(kLevel, kSliderReleased);
// - spins -> OnSpin(f, position); step list -> OnStepSelected(index);
// - mute -> OnMuteClick(); either mode button -> OnModeClick(); the
//   buttons show Fixed(), Mute() and SwitchCaption(Mute());
// - enabling: frequency enabled in fixed mode, the sweep controls in sweep
//   mode; timer 1 is the IPreviewTimer, its tick -> OnTimer();
// - the preview paints with DrawPreview over the background after any
//   change (PreviewChanged counts them).
//
// User-interface thread only.
#include <array>
#include <cstdint>
#include <vector>

#include "attri_dialogs/attri_commands.h"
#include "attri_dialogs/attri_controller.h"
#include "model/ari_generator.h"
#include "platform/gdi/canvas.h"

namespace attri_dialogs {

// The dialog's timer 1, which steps the sweep preview.
class IPreviewTimer {
public:
    virtual ~IPreviewTimer() = default;
    // (Re)starts it with a period of `milliseconds`.
    virtual void Start(std::int32_t milliseconds) = 0;
    virtual void Stop() = 0;
};

class CAttriSineController {
public:
    enum class EField { kLevel, kFrequency, kStart, kStop, kTimeStep };
    static constexpr std::size_t kFields = 5;

    static constexpr std::int32_t kSamples = 240;
    // The preview's plot in client pixels.
    static constexpr platform::gdi::Rect kPlot{230, 20, 472, 146};
    static constexpr std::int32_t kTimeSpinCentre = 10;
    static constexpr std::int32_t kMaxWidth = 600;
    static constexpr std::int32_t kMaxHeight = 250;
    static constexpr std::int32_t kIcon = 257;

    // The step list's entries, in list order.
    static constexpr std::array<const char*, 6> kStepNames{
        "1 octave", "2/3 octave", "1/3 octave", "1/6 octave", "1/12 octave", "Narrow Band"};

    // The timer, if given, outlives the controller; the module and view too.
    CAttriSineController(dsp_editor::CZoDSPView& view, model::CAriGenerator& module,
                         IPreviewTimer* timer = nullptr);

    CAttriController& Base() { return m_base; }
    const CAttriController& Base() const { return m_base; }
    void SetSlider(IPopupSlider* slider) { m_base.SetSlider(slider); }

    // -- what the widgets show
    ValueEdit& Edit(EField field) { return m_edits[Index(field)]; }
    const ValueEdit& Edit(EField field) const { return m_edits[Index(field)]; }
    std::int32_t SpinPosition(EField field) const;
    std::int32_t StepIndex() const { return m_stepIndex; }
    std::int32_t Mute() const { return m_mute; }
    bool Fixed() const { return m_fixed; }
    const std::vector<double>& Samples() const { return m_samples; }
    // The frequency the last preview was computed for.
    double PreviewFrequency() const { return m_previewFrequency; }
    std::int32_t PreviewChanged() const { return m_previewCount; }
    std::int32_t TimeStep() const { return m_timeStep; }

    // -- the operator's events; each returns whether the module changed
    bool OnEdit(EField field, EEditEvent event);
    bool OnLevelFocus();
    void OnSliderMoving(std::int32_t position);
    // Spins preview a value without storing or sending it.
    void OnSpin(EField field, std::int32_t position);
    bool OnStepSelected(std::int32_t index);
    bool OnMuteClick();
    bool OnModeClick();
    void OnBackgroundClick() { m_base.OnBackgroundClick(); }
    // Timer 1: the sweep preview's next step.
    void OnTimer();

    bool AtDefaults() const;
    bool SetDefaultValues();
    // Every control from the module; the sweep starts over.
    void Refresh();

    // The preview of frequency f (Hz) at level L (dB).
    void CalcPreview(double frequency, double level);
    // Frame, plot, grid and samples (the background is the widget's).
    void DrawPreview(platform::gdi::Canvas& canvas) const;

private:
    static std::size_t Index(EField field) { return static_cast<std::size_t>(field); }
    void Show(EField field, double value);
    bool Commit(EField field, double value);
    void ApplyMode();
    // The parameter's new value as a change of the module, sent as the
    // parameter's command.
    dsp_editor::ParameterChange Change(std::int32_t code, double value);
    void Send(std::int32_t code);

    CAttriController m_base;
    model::CAriGenerator& m_module;
    CConsoleCommandSink m_sink;
    IPreviewTimer* m_timer;
    AttriParameter m_levelParameter;
    double m_level = 0.0;
    double m_frequency = 1000.0;
    double m_start = 1000.0;
    double m_stop = 1000.0;
    std::int32_t m_timeStep = 100;
    std::int32_t m_stepIndex = 0;
    std::int32_t m_mute = 0;
    bool m_fixed = true;
    std::array<ValueEdit, kFields> m_edits{};
    std::vector<double> m_samples;
    std::int32_t m_sweepCounter = 0;
    double m_previewFrequency = 0.0;
    std::int32_t m_previewCount = 0;
};

} // namespace attri_dialogs
