#pragma once
// The input and output channel dialogs without their widgets: one channel
// (CAttriChannelController) and the side's eight channels in a table
// (CAttriAllChannelsController). Input modules are ids 1 to 8, output
// modules 9 to 16; channel n of a side is the module's id (inputs) or id - 8
// (outputs). The table applies a change made on one row to every row of the
// row's group, which the modules' group-start flags mark.
//
// Widgets: the level edit forwards its events to OnLevelEdit (Enter as
// "\r\n" in the text), its focus to OnLevelFocus (true: show the slider
// beside it); mute, invert and phantom buttons to OnToggle; the gain list's
// selection to OnGainSelected and its focus to HideSlider; the table's group
// boxes to OnGroupBox. After any call the widgets show Channel()/Row().
//
// User-interface thread only.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "attri_dialogs/attri_controller.h"

namespace attri_dialogs {

enum class EChannelSide { kInput, kOutput };
enum class EChannelSwitch { kMute, kInvert, kPhantom };

// What a channel dialog shows of one channel module.
struct ChannelState {
    std::int32_t mute = 0;
    std::int32_t invert = 0;
    std::int32_t phantom = 0;
    std::int32_t gainIndex = 0;
    std::int32_t groupStart = 1;
    ValueEdit level;
};

// The side a channel module is on; none for another module type.
std::optional<EChannelSide> ChannelSideOf(const model::CBaseAriModule& module);
// The parameters of a side's channel (1 to 8): mute, invert and level, and
// for the inputs the microphone gain index and the phantom switch.
AttriParameter ChannelLevel(EChannelSide side, std::int32_t channel);
AttriParameter ChannelSwitch(EChannelSide side, EChannelSwitch which, std::int32_t channel);
AttriParameter ChannelGain(std::int32_t channel);
// The microphone gains a list offers: "0", "+6" ... "+66".
std::vector<std::string> MicGainTexts();

// One input or output channel.
class CAttriChannelController final : public CAttriController {
public:
    CAttriChannelController(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module);

    EChannelSide Side() const { return m_side; }
    std::int32_t ChannelNumber() const { return m_channel; }
    // The input's microphone-controls flag as the dialog was opened with it.
    bool MicControls() const { return m_micControls; }
    const ChannelState& Channel() const { return m_state; }
    ValueEdit& LevelEdit() { return m_state.level; }

    // Reloads the state from the module; the slider takes the level and hides.
    void Refresh();
    bool OnLevelEdit(EEditEvent event);
    bool OnLevelFocus() const { return OnLevelEditFocus(m_state.level); }
    void OnSliderMoving(std::int32_t position) {
        CAttriController::OnSliderMoving(position, m_state.level);
    }
    bool OnSliderReleased() { return OnLevelEdit(EEditEvent::kSliderReleased); }
    bool OnToggle(EChannelSwitch which);
    bool OnGainSelected(std::int32_t index);
    void HideSlider() const { CAttriController::HideSlider(); }

private:
    EChannelSide m_side;
    std::int32_t m_channel;
    bool m_micControls = false;
    ChannelState m_state;
};

// The eight channels of a side, a row each (row r: channel r + 1).
class CAttriAllChannelsController final : public CAttriController {
public:
    static constexpr std::int32_t kRows = 8;

    // `module` is the channel module the table was opened from.
    CAttriAllChannelsController(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module);

    EChannelSide Side() const { return m_side; }
    bool MicControls() const { return m_micControls; }
    const ChannelState& Row(std::int32_t row) const { return m_rows[row]; }
    ValueEdit& LevelEdit(std::int32_t row) { return m_rows[row].level; }
    // A row whose channel module is missing from the sheet, or is not a
    // channel module of the side, is disabled: shown empty, never applied.
    bool RowEnabled(std::int32_t row) const { return m_modules[row] != nullptr; }
    std::int32_t CurrentRow() const { return m_currentRow; }
    // The rows a change on `row` goes to: upward to and including the first
    // group start, then downward to the next group start; disabled rows end
    // a group.
    std::vector<std::int32_t> GroupOf(std::int32_t row) const;

    void Refresh();
    // A row's level edit. Enter applies the value to the row's group; a
    // focus loss (and the slider's release) applies the first row, in
    // order, whose text differs from its module.
    bool OnLevelEdit(std::int32_t row, EEditEvent event);
    // A row's level edit took the focus: it becomes the current row; true
    // when the slider is to be shown beside it.
    bool OnLevelFocus(std::int32_t row);
    void OnSliderMoving(std::int32_t position);
    bool OnSliderReleased() { return OnLevelEdit(m_currentRow, EEditEvent::kSliderReleased); }
    // Mute or invert of a row, to the opposite of that row's state for the
    // whole group, as one undo step.
    bool OnToggle(std::int32_t row, EChannelSwitch which);
    // The group box of a row: flips the module's group-start flag.
    // View-only, the box is to be set back (Row().groupStart is unchanged).
    bool OnGroupBox(std::int32_t row);
    // Resets every channel not at its defaults, as one undo step.
    bool SetDefaultValues() override;
    void HideSlider() const { CAttriController::HideSlider(); }

private:
    bool GroupStart(std::int32_t row) const;
    // Shows `value` on every row of the row's group and applies it to each
    // whose module differs, the first opening one undo step. Whether any
    // module changed.
    bool ApplyLevel(std::int32_t row, double value);
    // Opens an undo step for the changes of one operator action.
    void BeginStep();
    void ApplyToRow(std::int32_t row, const AttriParameter& parameter, double value);

    EChannelSide m_side;
    bool m_micControls = false;
    std::array<model::CBaseAriModule*, kRows> m_modules{};
    std::array<ChannelState, kRows> m_rows;
    std::int32_t m_currentRow = 0;
};

} // namespace attri_dialogs
