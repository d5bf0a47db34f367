#include "attri_dialogs/channel_controllers.h"

#include <algorithm>

#include "attri_dialogs/module_steps.h"
#include "attri_dialogs/slider_scale.h"
#include "dsp_editor/dsp_undo.h"
#include "model/ari_input.h"
#include "model/ari_output.h"
#include "platform/text/format.h"
#include "platform/text/number.h"

namespace attri_dialogs {

using model::CAriInput;
using model::CAriOutput;
using model::CBaseAriModule;

namespace {

constexpr std::int32_t kFirstOutputId = 9;

std::int32_t CodeBase(EChannelSide side) {
    return side == EChannelSide::kInput ? 100 : 200;
}

std::int32_t TypeOf(EChannelSide side) {
    return side == EChannelSide::kInput ? model::kAriInput : model::kAriOutput;
}

template <class Field>
void BindSide(AttriParameter& parameter, EChannelSide side, Field CAriInput::*input,
              Field CAriOutput::*output) {
    if (side == EChannelSide::kInput)
        BindField(parameter, input);
    else
        BindField(parameter, output);
}

AttriParameter GroupStartFlag(EChannelSide side) {
    AttriParameter flag;
    flag.maximum = 1;
    BindSide(flag, side, &CAriInput::m_groupStart, &CAriOutput::m_groupStart);
    return flag;
}

ValueEdit LevelShown(double dB) {
    return {platform::text::format("%.1f", dB), dB};
}

ChannelState StateOf(EChannelSide side, const CBaseAriModule& module) {
    ChannelState state;
    if (side == EChannelSide::kInput) {
        const auto& input = dynamic_cast<const CAriInput&>(module);
        state = {input.m_mute,         input.m_invert,     input.m_phantom,
                 input.m_micGainIndex, input.m_groupStart, LevelShown(input.m_level)};
    } else {
        const auto& output = dynamic_cast<const CAriOutput&>(module);
        state = {output.m_mute,       output.m_invert,           0, 0,
                 output.m_groupStart, LevelShown(output.m_level)};
    }
    return state;
}

std::int32_t& SwitchOf(ChannelState& state, EChannelSwitch which) {
    switch (which) {
    case EChannelSwitch::kMute:
        return state.mute;
    case EChannelSwitch::kInvert:
        return state.invert;
    case EChannelSwitch::kPhantom:
        break;
    }
    return state.phantom;
}

double ClampedLevel(const std::string& text) {
    return std::clamp(platform::text::to_double(text), -100.0, 12.0);
}

} // namespace

std::optional<EChannelSide> ChannelSideOf(const CBaseAriModule& module) {
    if (dynamic_cast<const CAriInput*>(&module) != nullptr)
        return EChannelSide::kInput;
    if (dynamic_cast<const CAriOutput*>(&module) != nullptr)
        return EChannelSide::kOutput;
    return std::nullopt;
}

// The table names the unit channel by the module's id.
AttriParameter ChannelLevel(EChannelSide side) {
    AttriParameter level = TableParameter(TypeOf(side), CodeBase(side) + 3);
    level.minimum = -100.0;
    level.maximum = 12.0;
    level.format = "%.1f";
    level.slider = true;
    return level;
}

AttriParameter ChannelSwitch(EChannelSide side, EChannelSwitch which) {
    const std::int32_t code = which == EChannelSwitch::kMute     ? CodeBase(side) + 1
                              : which == EChannelSwitch::kInvert ? CodeBase(side) + 2
                                                                 : 105;
    AttriParameter state = TableParameter(TypeOf(side), code);
    state.maximum = 1;
    return state;
}

AttriParameter ChannelGain() {
    AttriParameter gain = TableParameter(model::kAriInput, 104);
    gain.maximum = 11;
    return gain;
}

std::vector<std::string> MicGainTexts() {
    std::vector<std::string> texts{"0"};
    for (int dB = 6; dB <= 66; dB += 6)
        texts.push_back(platform::text::format("+%d", dB));
    return texts;
}

// -- one channel

CAttriChannelController::CAttriChannelController(dsp_editor::CZoDSPView& view,
                                                 CBaseAriModule& module)
    : CAttriController(view, module), m_side(ChannelSideOf(module).value_or(EChannelSide::kInput)),
      m_channel(m_side == EChannelSide::kInput ? module.m_id : module.m_id - 8) {
    if (const auto* input = dynamic_cast<const CAriInput*>(&module))
        m_micControls = input->m_micControls != 0;
    Refresh();
}

void CAttriChannelController::Refresh() {
    if (ChannelSideOf(Module()) == m_side)
        m_state = StateOf(m_side, Module());
    if (IPopupSlider* slider = Slider())
        slider->SetValue(SliderPosition(m_state.level.shown));
    HideSlider();
}

bool CAttriChannelController::OnLevelEdit(EEditEvent event) {
    return OnEdit(ChannelLevel(m_side), m_state.level, event);
}

bool CAttriChannelController::OnToggle(EChannelSwitch which) {
    return CAttriController::OnToggle(ChannelSwitch(m_side, which), SwitchOf(m_state, which));
}

bool CAttriChannelController::OnGainSelected(std::int32_t index) {
    if (!OnSelectionChanged(ChannelGain(), index))
        return false;
    m_state.gainIndex = index;
    return true;
}

// -- all channels

CAttriAllChannelsController::CAttriAllChannelsController(dsp_editor::CZoDSPView& view,
                                                         CBaseAriModule& module)
    : CAttriController(view, module, true),
      m_side(ChannelSideOf(module).value_or(EChannelSide::kInput)) {
    if (const auto* input = dynamic_cast<const CAriInput*>(&module))
        m_micControls = input->m_micControls != 0;
    Refresh();
}

void CAttriAllChannelsController::Refresh() {
    const std::int32_t firstId = m_side == EChannelSide::kInput ? 1 : kFirstOutputId;
    for (std::int32_t row = 0; row < kRows; ++row) {
        CBaseAriModule* module = Document().GetModuleById(firstId + row);
        if (module != nullptr && ChannelSideOf(*module) != m_side)
            module = nullptr;
        m_modules[row] = module;
        m_rows[row] = module != nullptr ? StateOf(m_side, *module) : ChannelState{};
    }
    if (IPopupSlider* slider = Slider())
        slider->SetValue(SliderPosition(m_rows[m_currentRow].level.shown));
    HideSlider();
}

bool CAttriAllChannelsController::GroupStart(std::int32_t row) const {
    return GroupStartFlag(m_side).get(*m_modules[row]) != 0;
}

std::vector<std::int32_t> CAttriAllChannelsController::GroupOf(std::int32_t row) const {
    std::vector<std::int32_t> rows;
    if (row < 0 || row >= kRows || m_modules[row] == nullptr)
        return rows;
    rows.push_back(row);
    for (std::int32_t up = row; !GroupStart(up) && up > 0 && m_modules[up - 1] != nullptr;) {
        --up;
        rows.push_back(up);
    }
    for (std::int32_t down = row + 1;
         down < kRows && m_modules[down] != nullptr && !GroupStart(down); ++down)
        rows.push_back(down);
    return rows;
}

void CAttriAllChannelsController::BeginStep() {
    if (dsp_editor::CDSPUndoHistory* history = dsp_editor::UndoHistoryOf(Document()))
        history->BeginStep();
}

void CAttriAllChannelsController::ApplyToRow(std::int32_t row, const AttriParameter& parameter,
                                             double value) {
    ApplyTo(*m_modules[row], parameter, value, false);
    if (m_side == EChannelSide::kInput)
        View().RefreshInputDialog(row);
    else
        View().RefreshOutputDialog(row);
}

bool CAttriAllChannelsController::ApplyLevel(std::int32_t row, double value) {
    bool begun = false;
    for (const std::int32_t member : GroupOf(row)) {
        m_rows[member].level = LevelShown(value);
        const AttriParameter level = ChannelLevel(m_side);
        if (level.get(*m_modules[member]) == value)
            continue;
        if (!begun)
            BeginStep();
        begun = true;
        ApplyToRow(member, level, value);
    }
    return begun;
}

bool CAttriAllChannelsController::OnLevelEdit(std::int32_t row, EEditEvent event) {
    if (row < 0 || row >= kRows || m_modules[row] == nullptr)
        return false;
    if (!Editable()) {
        if (event == EEditEvent::kFocusLost)
            for (ChannelState& state : m_rows)
                state.level.text = platform::text::format("%.1f", state.level.shown);
        return false;
    }
    if (event == EEditEvent::kTextChanged) {
        std::string text = m_rows[row].level.text;
        if (text.empty() || text == "-" || !TakeEnter(text))
            return false;
        const double value = ClampedLevel(text);
        m_rows[row].level = LevelShown(value);
        if (IPopupSlider* slider = Slider())
            slider->SetValue(SliderPosition(value));
        return ApplyLevel(row, value);
    }
    for (std::int32_t r = 0; r < kRows; ++r) {
        if (m_modules[r] == nullptr)
            continue;
        const double value = ClampedLevel(m_rows[r].level.text);
        m_rows[r].level = LevelShown(value);
        if (ChannelLevel(m_side).get(*m_modules[r]) == value)
            continue;
        return !Closing() && ApplyLevel(r, value);
    }
    return false;
}

bool CAttriAllChannelsController::OnLevelFocus(std::int32_t row) {
    if (!Editable() || row < 0 || row >= kRows)
        return false;
    m_currentRow = row;
    return OnLevelEditFocus(m_rows[row].level);
}

void CAttriAllChannelsController::OnSliderMoving(std::int32_t position) {
    if (!Editable())
        return;
    for (const std::int32_t member : GroupOf(m_currentRow))
        CAttriController::OnSliderMoving(position, m_rows[member].level);
}

bool CAttriAllChannelsController::OnToggle(std::int32_t row, EChannelSwitch which) {
    if (!Editable() || which == EChannelSwitch::kPhantom || row < 0 || row >= kRows ||
        m_modules[row] == nullptr)
        return false;
    HideSlider();
    BeginStep();
    const std::int32_t state = SwitchOf(m_rows[row], which) != 0 ? 0 : 1;
    for (const std::int32_t member : GroupOf(row)) {
        SwitchOf(m_rows[member], which) = state;
        ApplyToRow(member, ChannelSwitch(m_side, which), state);
    }
    return true;
}

bool CAttriAllChannelsController::OnGroupBox(std::int32_t row) {
    HideSlider();
    if (!Editable() || row < 0 || row >= kRows || m_modules[row] == nullptr)
        return false;
    // The flag is stored with the sheet, so it is a change like any other:
    // undoable and marking the document, though the unit never hears of it.
    CBaseAriModule& module = *m_modules[row];
    const AttriParameter flag = GroupStartFlag(m_side);
    const double flipped = flag.get(module) != 0 ? 0 : 1;
    CBaseAriModule* copy = module_steps::UndoCopy(Document(), module, true);
    flag.set(module, flipped);
    if (copy != nullptr)
        flag.set(*copy, flipped);
    m_rows[row].groupStart = static_cast<std::int32_t>(flipped);
    Document().SetModifiedFlag(true);
    return true;
}

bool CAttriAllChannelsController::SetDefaultValues() {
    if (!Editable())
        return false;
    bool begun = false;
    for (CBaseAriModule* module : m_modules) {
        if (module == nullptr || ModuleAtDefaults(*module))
            continue;
        if (!begun)
            BeginStep();
        begun = true;
        View().ResetModuleToDefaults(*module, module_steps::UndoCopy(Document(), *module, false));
    }
    Refresh();
    return begun;
}

} // namespace attri_dialogs
