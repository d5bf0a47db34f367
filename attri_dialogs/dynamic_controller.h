#pragma once
// CAttriDynamicController: the dynamics module's dialog without its widgets.
// One dialog serves the six kinds (leveler, compressor, limiter, noise gate,
// expander, clipper); it shows only the columns the kind has, each a
// vertical trackbar (position 0 at the top) over an edit, plus bypass and
// the transfer curve (CDynamicTransferCurve) whose handles can be dragged.
//
// Widget mapping (the dialog forwards, then shows what the controller holds):
// - edit of column c: text changed -> Edit(c).text = text, OnEdit(c,
//   kTextChanged) (Enter arrives as "\r\n"); focus lost -> OnEdit(c,
//   kFocusLost); afterwards the edit shows Edit(c).text and the trackbar
//   Position(c);
// - trackbar of column c (range Track(c)): each repaint while dragging ->
//   OnTrackMoving(c, position); released -> OnTrackReleased(c);
// - bypass button -> OnBypassClick(), then it shows Bypass() and
//   SwitchCaption(Bypass());
// - graph: left button down -> OnGraphDown(p) (true: capture the mouse),
//   mouse move -> OnGraphMove(p), button up -> OnGraphUp(), capture lost ->
//   OnCaptureChanged(); any of them true: repaint the graph with
//   Curve().Draw over the background;
// - "set default values" -> SetDefaultValues(); RefreshControls ->
//   Refresh(); the layout of the kind is Layout().
//
// Threshold, ratio (gate: depth) and the leveler's target move the curve
// and, for the leveler, its gain, which goes with them into the same undo
// step (sent as 707). User-interface thread only.
#include <array>
#include <cstdint>

#include "attri_dialogs/attri_commands.h"
#include "attri_dialogs/attri_controller.h"
#include "attri_dialogs/dynamic_transfer_curve.h"
#include "model/ari_dynamic.h"

namespace attri_dialogs {

class CAttriDynamicController {
public:
    enum class EColumn { kThreshold, kRatio, kTarget, kAttack, kRelease };
    static constexpr std::size_t kColumns = 5;

    // A trackbar's range and tick frequency.
    struct Track {
        std::int32_t minimum = 0;
        std::int32_t maximum = 0;
        std::int32_t tick = 1;
    };

    // What the kind shows and how far (pixels) columns move left.
    struct DynamicLayout {
        bool ratioShown = true;
        bool targetShown = false;
        bool timesShown = true;
        // The attack and release columns with the slow/fast labels.
        std::int32_t timesShift = 0;
        // The bypass label and button.
        std::int32_t bypassShift = 0;
        // The string the attack label (leveler: "response time") or the
        // ratio label (gate: "level attenuation") reads instead; 0 keeps it.
        std::int32_t attackLabel = 0;
        std::int32_t ratioLabel = 0;
    };

    static constexpr std::int32_t kMaxWidth = 620;
    static constexpr std::int32_t kMaxHeight = 250;
    static constexpr std::int32_t kIcon = 267;
    static constexpr std::int32_t kResponseTimeLabel = 259;
    static constexpr std::int32_t kAttenuationLabel = 260;

    // The module outlives the controller, as the view does.
    CAttriDynamicController(dsp_editor::CZoDSPView& view, model::CAriDynamic& module);

    CAttriController& Base() { return m_base; }
    const CAttriController& Base() const { return m_base; }
    std::int32_t Variant() const { return m_module.m_subType; }
    DynamicLayout Layout() const;

    // -- what the widgets show
    ValueEdit& Edit(EColumn column) { return m_edits[Index(column)]; }
    const ValueEdit& Edit(EColumn column) const { return m_edits[Index(column)]; }
    std::int32_t Position(EColumn column) const { return m_positions[Index(column)]; }
    Track TrackOf(EColumn column) const;
    std::int32_t Bypass() const { return m_bypass; }
    const CDynamicTransferCurve& Curve() const { return m_curve; }

    // The working values: attack, release (ms), ratio (the gate: its depth,
    // dB), threshold, leveler gain and target (dB).
    double Attack() const { return m_attack; }
    double Release() const { return m_release; }
    double Ratio() const { return m_ratio; }
    double Threshold() const { return m_threshold; }
    double Gain() const { return m_gain; }
    double Target() const { return m_target; }

    // -- the operator's events; each returns whether the module changed
    bool OnEdit(EColumn column, EEditEvent event);
    // Moving shows the value and moves the curve; nothing is recorded.
    void OnTrackMoving(EColumn column, std::int32_t position);
    bool OnTrackReleased(EColumn column);
    bool OnBypassClick();
    // Graph: whether to capture (down) or repaint (move); up and capture
    // loss apply the dragged value as its edit's focus loss does.
    bool OnGraphDown(platform::gdi::Point p);
    bool OnGraphMove(platform::gdi::Point p);
    bool OnGraphUp();
    bool OnCaptureChanged();

    // Bypass off, attack 1000 ms, release 2000 ms, threshold and
    // target/depth 0 dB and (not for the limiter and clipper, which have
    // none) ratio 4, the expander's 0.25.
    bool AtDefaults() const;
    bool SetDefaultValues();
    // Every control from the module; nothing is recorded or sent.
    void Refresh();

private:
    enum class EField { kBypass, kAttack, kRelease, kThreshold, kRatio, kGain, kThird };
    static std::size_t Index(EColumn column) { return static_cast<std::size_t>(column); }

    bool IsGate() const { return Variant() == model::CAriDynamic::kNoiseGate; }
    bool IsLeveler() const { return Variant() == model::CAriDynamic::kLeveler; }
    bool IsExpander() const { return Variant() == model::CAriDynamic::kExpander; }
    // The ratio column's range and format for the kind.
    double RatioMinimum() const;
    double RatioMaximum() const;
    const char* FormatOf(EColumn column) const;
    double ThresholdMaximum() const;

    std::int32_t PositionOf(EColumn column, double value) const;
    double ValueAt(EColumn column, std::int32_t position) const;
    double Clamped(EColumn column, double value) const;
    void Show(EColumn column, double value);
    // The curve from the module's values with one working value in place.
    void ComputeCurve(EColumn column, double value);

    // A column's value committed; the leveler's gain, when the curve moved
    // it, changes with it as one parameter change of the module.
    bool Commit(EColumn column, double value);
    // The field's new value as a parameter change, sent as the field's
    // command.
    dsp_editor::ParameterChange Change(EField field, double value);
    void Send(EField field, double value);
    static void SetField(model::CAriDynamic& module, EField field, double value);
    static double FieldOf(const model::CAriDynamic& module, EField field);

    CAttriController m_base;
    model::CAriDynamic& m_module;
    CConsoleCommandSink m_sink;
    double m_attack = 0.0;
    double m_release = 0.0;
    double m_ratio = 0.0;
    double m_threshold = 0.0;
    double m_gain = 0.0;
    double m_target = 0.0;
    CDynamicTransferCurve m_curve;
    std::int32_t m_bypass = 0;
    std::array<std::int32_t, kColumns> m_positions{};
    std::array<ValueEdit, kColumns> m_edits{};
    platform::gdi::Point m_last{};
};

} // namespace attri_dialogs
