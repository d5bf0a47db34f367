#pragma once
// The matrix mixer's dialog without its widgets: a grid of cells, one column
// per input and one row per output, each cell switching its input onto its
// output (bit i of output j's column mask, sent whole as 505) and holding
// the cross-point gain (506); input level edits and mute buttons under the
// grid, output level edits and mute buttons right of each row. Two pop-up
// sliders: the vertical one serves input levels and cells, the horizontal
// one output levels.
//
// Widgets (each control knows its input, output or cell by its connection):
// - cell check box clicked -> OnCellClick(i, j); then the box shows
//   CellOn(i, j), its gain edit is read-only unless on; on: the gain edit
//   takes the focus, off: the focus goes to the dialog's focus sink.
// - cell gain edit text changed (Enter as "\r\n") / focus lost ->
//   OnCellGainEdit(i, j, event).
// - level edit focus got -> OnInputLevelFocus(i) / OnOutputLevelFocus(j);
//   text changed / focus lost -> OnInputLevelEdit / OnOutputLevelEdit.
// - mute button clicked -> OnInputMute(i) / OnOutputMute(j); the button
//   shows InputMute / OutputMute and SwitchCaption of it.
// - the sliders' moves and releases -> OnSliderMoving / OnSliderReleased;
//   IMixerSlider::ShowBeside asks the widget to place (MixerSliderPlace) and
//   show the slider beside the served edit.
// - background click -> OnBackgroundClick (then the focus sink takes the
//   focus); HideDialog -> HideSliders; RefreshControls -> Refresh.
// After any call the widgets show the edits' texts and the states.
//
// User-interface thread only.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "attri_dialogs/attri_controller.h"
#include "model/ari_mixer.h"
#include "platform/gdi/geometry.h"

namespace attri_dialogs {

// What a mixer slider serves.
enum class EMixerTarget : std::int32_t { kNone = -1, kInputLevel = 0, kOutputLevel = 1, kCell = 2 };

// One of the mixer's two pop-up sliders.
class IMixerSlider : public IPopupSlider {
public:
    virtual void SetRange(std::int32_t minimum, std::int32_t maximum) = 0;
    // Placed beside the edit of `target` and `index` (a cell: input x
    // inputs + output) and shown.
    virtual void ShowBeside(EMixerTarget target, std::int32_t index) = 0;
};

// Where a mixer dialog's controls go, in client pixels; i counts inputs and
// j outputs from 0.
enum class EMixerLabel {
    kInput,              // "In n"
    kOutput,             // "Out n"
    kInputLevelCaption,  // the level caption of the input level row
    kInputMuteCaption,   // the mute caption of the input mute row
    kOutputLevelCaption, // the level caption over the output level column
    kOutputMuteCaption,  // the mute caption over the output mute column
};
struct MixerLabel {
    EMixerLabel kind = EMixerLabel::kInput;
    // "In n" and "Out n"; a caption's text is the dialog's own.
    std::string text;
    platform::gdi::Rect rect;
};
struct MixerLayout {
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    // cells[i * outputs + j]: the check box; the gain edit lies 2 inside it
    // and is 15 high.
    std::vector<platform::gdi::Rect> cells;
    std::vector<platform::gdi::Rect> gainEdits;
    std::vector<platform::gdi::Rect> inputLevels, inputMutes;
    std::vector<platform::gdi::Rect> outputLevels, outputMutes;
    // The labels that are shown: "In n", "Out n" and the level and mute
    // captions of the input rows and the output columns.
    std::vector<MixerLabel> labels;
    platform::gdi::Size window;
    // Zero: no limit of its own.
    platform::gdi::Size largest;
    // The grey panel and the black lines framing cells and rows on it.
    platform::gdi::Rect panel;
    std::vector<std::int32_t> rowLines;    // y, from x 5 to the panel's right
    std::vector<std::int32_t> columnLines; // x, from y 15 to the panel's bottom
};

// The layout of a mixer variant (1 to 8); another variant has no controls
// and a 100 x 100 window.
MixerLayout MixerLayoutOf(std::int32_t variant);
// The top-left corner of a slider of `size` serving `edit`: the vertical one
// (input level, cell) under the edit, right edges flush; the horizontal one
// (output level) right of it, bottoms flush.
platform::gdi::Point MixerSliderPlace(EMixerTarget target, const platform::gdi::Rect& edit,
                                      platform::gdi::Size size);

class CAttriMixerController final : public CAttriController {
public:
    CAttriMixerController(dsp_editor::CZoDSPView& view, model::CAriMixer& mixer);

    model::CAriMixer& Mixer() const { return m_mixer; }
    std::int32_t Inputs() const { return m_inputs; }
    std::int32_t Outputs() const { return m_outputs; }

    // -- what the widgets show
    std::int32_t InputMute(std::int32_t i) const { return m_inputMute[Ix(i)]; }
    std::int32_t OutputMute(std::int32_t j) const { return m_outputMute[Ix(j)]; }
    bool CellOn(std::int32_t i, std::int32_t j) const { return m_cellOn[Ix(i)][Ix(j)] != 0; }
    ValueEdit& InputLevel(std::int32_t i) { return m_inputLevel[Ix(i)]; }
    ValueEdit& OutputLevel(std::int32_t j) { return m_outputLevel[Ix(j)]; }
    ValueEdit& CellGain(std::int32_t i, std::int32_t j) { return m_cellGain[Ix(i)][Ix(j)]; }
    EMixerTarget SliderTarget() const { return m_target; }
    std::int32_t SliderIndex() const { return m_index; }
    bool InputSliderShown() const { return m_inShown; }
    bool OutputSliderShown() const { return m_outShown; }

    // The vertical and horizontal sliders (not owned; null to take away).
    void SetSliders(IMixerSlider* in, IMixerSlider* out) {
        m_sliderIn = in;
        m_sliderOut = out;
    }

    // -- the operator's events; whether the module changed
    bool OnCellClick(std::int32_t i, std::int32_t j);
    bool OnCellGainEdit(std::int32_t i, std::int32_t j, EEditEvent event);
    bool OnInputLevelFocus(std::int32_t i);
    bool OnOutputLevelFocus(std::int32_t j);
    bool OnInputLevelEdit(std::int32_t i, EEditEvent event);
    bool OnOutputLevelEdit(std::int32_t j, EEditEvent event);
    bool OnInputMute(std::int32_t i);
    bool OnOutputMute(std::int32_t j);
    void OnSliderMoving(std::int32_t position);
    bool OnSliderReleased();
    void OnBackgroundClick() override;
    void HideSliders();
    // Whether every mute, level, mask and gain of the mixer's size is 0.
    bool AtDefaults() const override;

    // Reloads every state and text from the module and hides the sliders;
    // no undo, command or modified flag, and no focus moves.
    void Refresh() { Load(false); }

    // The module's parameters, numbered from 0 as the dialog's arrays.
    static AttriParameter InputMuteParameter(std::int32_t i);
    static AttriParameter OutputMuteParameter(std::int32_t j);
    static AttriParameter InputLevelParameter(std::int32_t i);
    static AttriParameter OutputLevelParameter(std::int32_t j);
    static AttriParameter ColumnMaskParameter(std::int32_t j);

private:
    static std::size_t Ix(std::int32_t n) { return static_cast<std::size_t>(n); }
    void Load(bool opening);
    bool OnLevelEdit(bool input, std::int32_t n, EEditEvent event);
    // One level edit: clamped to -100 ... +12, shown, applied if it differs.
    bool ApplyLevel(bool input, std::int32_t n);
    // One cell gain edit: clamped to -100 ... 0, shown, applied if it differs.
    bool ApplyGain(std::int32_t i, std::int32_t j);
    // The cross-point gain's steps of an applied change, its command being
    // order, 506, output, input, amplitude.
    void ApplyCrossPoint(std::int32_t i, std::int32_t j, double dB);
    ValueEdit* Served();
    void ShowSlider(IMixerSlider* slider, bool& shown, EMixerTarget target, std::int32_t index,
                    std::int32_t maximum, double value);

    model::CAriMixer& m_mixer;
    CConsoleCommandSink m_sink;
    std::int32_t m_inputs = 0;
    std::int32_t m_outputs = 0;
    using Row = std::array<std::int32_t, model::CAriMixer::kMaxChannels>;
    using Edits = std::array<ValueEdit, model::CAriMixer::kMaxChannels>;
    Row m_inputMute{}, m_outputMute{};
    std::array<Row, model::CAriMixer::kMaxChannels> m_cellOn{};
    Edits m_inputLevel, m_outputLevel;
    std::array<Edits, model::CAriMixer::kMaxChannels> m_cellGain;
    IMixerSlider* m_sliderIn = nullptr;
    IMixerSlider* m_sliderOut = nullptr;
    bool m_inShown = false;
    bool m_outShown = false;
    EMixerTarget m_target = EMixerTarget::kNone;
    std::int32_t m_index = -1;
};

} // namespace attri_dialogs
