#include "attri_dialogs/mixer_controller.h"

#include <algorithm>
#include <array>

#include "attri_dialogs/slider_scale.h"
#include "model/value_encodings.h"
#include "platform/text/format.h"
#include "platform/text/number.h"

namespace attri_dialogs {

using model::CAriMixer;
using platform::gdi::Point;
using platform::gdi::Rect;
using platform::gdi::Size;

namespace {

constexpr double kFloor = -100.0;
constexpr double kLevelTop = 12.0;
constexpr std::int32_t kCellSliderTop = 1000;

// A level or gain as its edit shows it once applied: the floor as "-100".
std::string Shown(double dB) {
    return dB <= kFloor ? std::string("-100") : platform::text::format("%.1f", dB);
}

// Whether an edit still shows the module's value: a focus loss leaves it,
// so that a value the text only rounds is not replaced by its rounding.
bool ShowsValue(const ValueEdit& edit, double dB) {
    return edit.text == Shown(dB) || edit.text == platform::text::format("%.1f", dB);
}

std::size_t Ix(std::int32_t n) {
    return static_cast<std::size_t>(n);
}

// A switch or level of one of the mixer's channels.
AttriParameter Switch(std::int32_t code, std::size_t in, std::size_t out) {
    AttriParameter parameter = TableParameter(model::kAriMixer, code, in, out);
    parameter.maximum = 1;
    return parameter;
}

AttriParameter Level(std::int32_t code, std::size_t in, std::size_t out) {
    AttriParameter parameter = TableParameter(model::kAriMixer, code, in, out);
    parameter.minimum = kFloor;
    parameter.maximum = kLevelTop;
    return parameter;
}

// The largest window a variant may be dragged to.
Size LargestOf(std::int32_t variant) {
    static constexpr std::array<Size, 8> kLargest{{{350, 200},
                                                   {350, 200},
                                                   {350, 250},
                                                   {500, 150},
                                                   {500, 200},
                                                   {500, 200},
                                                   {500, 300},
                                                   {850, 500}}};
    return kLargest[Ix(variant - 1)];
}

} // namespace

// -- layout

MixerLayout MixerLayoutOf(std::int32_t variant) {
    MixerLayout layout;
    const CAriMixer::MixSize size = CAriMixer::SizeOf(variant);
    const std::int32_t in = size.inputs;
    const std::int32_t out = size.outputs;
    if (in == 0 || out == 0) {
        layout.window = {100, 100};
        return layout;
    }
    layout.inputs = in;
    layout.outputs = out;
    for (std::int32_t i = 0; i < in; ++i)
        for (std::int32_t j = 0; j < out; ++j) {
            layout.cells.emplace_back(6 + 40 * i, 16 + 20 * j, 46 + 40 * i, 35 + 20 * j);
            layout.gainEdits.emplace_back(8 + 40 * i, 18 + 20 * j, 44 + 40 * i, 33 + 20 * j);
        }
    const std::int32_t below = 20 * out; // the grid's height
    const std::int32_t right = 40 * in;  // the grid's width
    for (std::int32_t i = 0; i < in; ++i) {
        layout.inputLevels.emplace_back(6 + 40 * i, below + 28, 46 + 40 * i, below + 46);
        layout.inputMutes.emplace_back(6 + 40 * i, below + 53, 46 + 40 * i, below + 71);
        layout.labels.push_back({EMixerLabel::kInput, platform::text::format("In %d", i + 1),
                                 Rect(18 + 40 * i, below + 15, 36 + 40 * i, below + 29)});
    }
    for (std::int32_t j = 0; j < out; ++j) {
        layout.outputLevels.emplace_back(right + 40, 16 + 20 * j, right + 80, 34 + 20 * j);
        layout.outputMutes.emplace_back(right + 83, 16 + 20 * j, right + 123, 34 + 20 * j);
        layout.labels.push_back({EMixerLabel::kOutput, platform::text::format("Out %d", j + 1),
                                 Rect(right + 8, 16 + 20 * j, right + 35, 30 + 20 * j)});
    }
    layout.labels.push_back(
        {EMixerLabel::kInputLevelCaption, {}, Rect(right + 8, below + 30, right + 48, below + 44)});
    layout.labels.push_back(
        {EMixerLabel::kInputMuteCaption, {}, Rect(right + 8, below + 55, right + 48, below + 69)});
    layout.labels.push_back({EMixerLabel::kOutputLevelCaption,
                             {},
                             Rect(right + 40, below + 17, right + 80, below + 31)});
    layout.labels.push_back({EMixerLabel::kOutputMuteCaption,
                             {},
                             Rect(right + 92, below + 17, right + 122, below + 31)});
    layout.window = {right + 140, below + 115};
    layout.largest = LargestOf(variant);
    layout.panel = Rect(5, 15, right + 125, below + 73);
    for (std::int32_t k = 0; k <= out; ++k)
        layout.rowLines.push_back(15 + 20 * k);
    layout.rowLines.push_back(layout.panel.bottom);
    for (std::int32_t k = 0; k <= in; ++k)
        layout.columnLines.push_back(5 + 40 * k);
    layout.columnLines.push_back(layout.panel.right);
    return layout;
}

Point MixerSliderPlace(EMixerTarget target, const Rect& edit, Size size) {
    switch (target) {
    case EMixerTarget::kInputLevel:
    case EMixerTarget::kCell:
        return {edit.right - size.cx, edit.bottom};
    case EMixerTarget::kOutputLevel:
        return {edit.right, edit.bottom - size.cy};
    case EMixerTarget::kNone:
        break;
    }
    return {edit.left, edit.top};
}

// -- parameters

AttriParameter CAttriMixerController::InputMuteParameter(std::int32_t i) {
    return Switch(501, Ix(i), 0);
}
AttriParameter CAttriMixerController::OutputMuteParameter(std::int32_t j) {
    return Switch(502, 0, Ix(j));
}
AttriParameter CAttriMixerController::InputLevelParameter(std::int32_t i) {
    return Level(503, Ix(i), 0);
}
AttriParameter CAttriMixerController::OutputLevelParameter(std::int32_t j) {
    return Level(504, 0, Ix(j));
}
AttriParameter CAttriMixerController::ColumnMaskParameter(std::int32_t j) {
    AttriParameter parameter = TableParameter(model::kAriMixer, 505, 0, Ix(j));
    parameter.maximum = 0xFFFF;
    return parameter;
}

// -- the controller

CAttriMixerController::CAttriMixerController(dsp_editor::CZoDSPView& view, CAriMixer& mixer)
    : CAttriController(view, mixer), m_mixer(mixer), m_sink(view.Console()),
      m_inputs(std::clamp(mixer.m_mixInputs, 0, CAriMixer::kMaxChannels)),
      m_outputs(std::clamp(mixer.m_mixOutputs, 0, CAriMixer::kMaxChannels)) {
    Load(true);
}

void CAttriMixerController::Load(bool opening) {
    for (std::int32_t i = 0; i < m_inputs; ++i) {
        m_inputMute[Ix(i)] = m_mixer.m_inputMute[Ix(i)] == 1 ? 1 : 0;
        for (std::int32_t j = 0; j < m_outputs; ++j)
            m_cellOn[Ix(i)][Ix(j)] = (m_mixer.m_columnMask[Ix(j)] >> i) & 1;
    }
    for (std::int32_t j = 0; j < m_outputs; ++j)
        m_outputMute[Ix(j)] = m_mixer.m_outputMute[Ix(j)] == 1 ? 1 : 0;

    const auto level = [](ValueEdit& edit, double dB) {
        edit.shown = dB;
        edit.text = platform::text::format("%.1f", dB);
        if (edit.text == "-100.0")
            edit.text = "-100";
    };
    for (std::int32_t i = 0; i < m_inputs; ++i)
        level(m_inputLevel[Ix(i)], m_mixer.m_inputLevel[Ix(i)]);
    for (std::int32_t j = 0; j < m_outputs; ++j)
        level(m_outputLevel[Ix(j)], m_mixer.m_outputLevel[Ix(j)]);
    for (std::int32_t i = 0; i < m_inputs; ++i)
        for (std::int32_t j = 0; j < m_outputs; ++j) {
            ValueEdit& edit = m_cellGain[Ix(i)][Ix(j)];
            edit.shown = m_mixer.CrossPoint(i, j);
            edit.text = opening && edit.shown == kFloor
                            ? std::string("-100")
                            : platform::text::format("%.1f", edit.shown);
        }
    if (opening) {
        m_target = EMixerTarget::kNone;
        m_index = -1;
    } else {
        HideSliders();
    }
}

void CAttriMixerController::HideSliders() {
    if (m_inShown && m_sliderIn != nullptr)
        m_sliderIn->Hide();
    if (m_outShown && m_sliderOut != nullptr)
        m_sliderOut->Hide();
    m_inShown = m_outShown = false;
}

void CAttriMixerController::OnBackgroundClick() {
    if (Editable())
        HideSliders();
}

bool CAttriMixerController::OnCellClick(std::int32_t i, std::int32_t j) {
    HideSliders();
    if (!Editable())
        return false;
    std::int32_t& on = m_cellOn[Ix(i)][Ix(j)];
    on = on != 0 ? 0 : 1;
    const std::int32_t bit = 1 << i;
    const std::int32_t mask =
        on != 0 ? m_mixer.m_columnMask[Ix(j)] | bit : m_mixer.m_columnMask[Ix(j)] & ~bit;
    ApplyTo(m_mixer, ColumnMaskParameter(j), mask, true);
    return true;
}

bool CAttriMixerController::OnInputMute(std::int32_t i) {
    HideSliders();
    if (!Editable())
        return false;
    std::int32_t& state = m_inputMute[Ix(i)];
    state = state != 0 ? 0 : 1;
    ApplyTo(m_mixer, InputMuteParameter(i), state, true);
    return true;
}

bool CAttriMixerController::OnOutputMute(std::int32_t j) {
    HideSliders();
    if (!Editable())
        return false;
    std::int32_t& state = m_outputMute[Ix(j)];
    state = state != 0 ? 0 : 1;
    ApplyTo(m_mixer, OutputMuteParameter(j), state, true);
    return true;
}

void CAttriMixerController::ShowSlider(IMixerSlider* slider, bool& shown, EMixerTarget target,
                                       std::int32_t index, std::int32_t maximum, double value) {
    m_target = target;
    m_index = index;
    shown = true;
    if (slider == nullptr)
        return;
    slider->SetRange(kSliderMinimum, maximum);
    slider->SetValue(SliderPosition(value));
    slider->ShowBeside(target, index);
}

bool CAttriMixerController::OnInputLevelFocus(std::int32_t i) {
    if (m_outShown && m_sliderOut != nullptr)
        m_sliderOut->Hide();
    m_outShown = false;
    if (!Editable())
        return false;
    ShowSlider(m_sliderIn, m_inShown, EMixerTarget::kInputLevel, i, kSliderMaximum,
               platform::text::to_double(m_inputLevel[Ix(i)].text));
    return true;
}

bool CAttriMixerController::OnOutputLevelFocus(std::int32_t j) {
    if (m_inShown && m_sliderIn != nullptr)
        m_sliderIn->Hide();
    m_inShown = false;
    if (!Editable())
        return false;
    ShowSlider(m_sliderOut, m_outShown, EMixerTarget::kOutputLevel, j, kSliderMaximum,
               platform::text::to_double(m_outputLevel[Ix(j)].text));
    return true;
}

bool CAttriMixerController::ApplyLevel(bool input, std::int32_t n) {
    ValueEdit& edit = input ? m_inputLevel[Ix(n)] : m_outputLevel[Ix(n)];
    const double value =
        std::max(std::min(platform::text::to_double(edit.text), kLevelTop), kFloor);
    edit.text = Shown(value);
    edit.shown = value;
    const AttriParameter parameter = input ? InputLevelParameter(n) : OutputLevelParameter(n);
    if (value == parameter.get(m_mixer))
        return false;
    ApplyTo(m_mixer, parameter, value, true);
    return true;
}

bool CAttriMixerController::OnInputLevelEdit(std::int32_t i, EEditEvent event) {
    return OnLevelEdit(true, i, event);
}

bool CAttriMixerController::OnOutputLevelEdit(std::int32_t j, EEditEvent event) {
    return OnLevelEdit(false, j, event);
}

bool CAttriMixerController::OnLevelEdit(bool input, std::int32_t n, EEditEvent event) {
    const std::int32_t count = input ? m_inputs : m_outputs;
    Edits& edits = input ? m_inputLevel : m_outputLevel;
    if (!Editable()) {
        if (event == EEditEvent::kFocusLost)
            for (std::int32_t k = 0; k < count; ++k) {
                const double dB =
                    input ? m_mixer.m_inputLevel[Ix(k)] : m_mixer.m_outputLevel[Ix(k)];
                edits[Ix(k)].text = platform::text::format("%.1f", dB);
                edits[Ix(k)].shown = dB;
            }
        return false;
    }
    if (event == EEditEvent::kTextChanged) {
        // No test for an empty text or a lone "-": with Enter it reads as 0.
        if (!TakeEnter(edits[Ix(n)].text))
            return false;
        const bool changed = ApplyLevel(input, n);
        if (IMixerSlider* slider = input ? m_sliderIn : m_sliderOut)
            slider->SetValue(SliderPosition(edits[Ix(n)].shown));
        return changed;
    }
    if (event == EEditEvent::kSliderReleased)
        return ApplyLevel(input, n);
    // Leaving any edit of the side applies every edit of it that differs.
    bool changed = false;
    for (std::int32_t k = 0; k < count; ++k) {
        const double dB = input ? m_mixer.m_inputLevel[Ix(k)] : m_mixer.m_outputLevel[Ix(k)];
        if (!ShowsValue(edits[Ix(k)], dB))
            changed = ApplyLevel(input, k) || changed;
    }
    return changed;
}

bool CAttriMixerController::ApplyGain(std::int32_t i, std::int32_t j) {
    ValueEdit& edit = m_cellGain[Ix(i)][Ix(j)];
    const double value = std::max(std::min(platform::text::to_double(edit.text), 0.0), kFloor);
    edit.text = Shown(value);
    edit.shown = value;
    if (value == m_mixer.CrossPoint(i, j))
        return false;
    ApplyCrossPoint(i, j, value);
    return true;
}

void CAttriMixerController::ApplyCrossPoint(std::int32_t i, std::int32_t j, double dB) {
    ApplyTo(m_mixer, TableParameter(model::kAriMixer, 506, Ix(i), Ix(j)), dB, true);
}

bool CAttriMixerController::OnCellGainEdit(std::int32_t i, std::int32_t j, EEditEvent event) {
    if (!Editable()) {
        if (event == EEditEvent::kFocusLost)
            for (std::int32_t a = 0; a < m_inputs; ++a)
                for (std::int32_t b = 0; b < m_outputs; ++b) {
                    ValueEdit& edit = m_cellGain[Ix(a)][Ix(b)];
                    edit.shown = m_mixer.CrossPoint(a, b);
                    edit.text = platform::text::format("%.1f", edit.shown);
                }
        return false;
    }
    if (event == EEditEvent::kFocusLost) {
        bool changed = false;
        for (std::int32_t a = 0; a < m_inputs; ++a)
            for (std::int32_t b = 0; b < m_outputs; ++b)
                if (!ShowsValue(m_cellGain[Ix(a)][Ix(b)], m_mixer.CrossPoint(a, b)))
                    changed = ApplyGain(a, b) || changed;
        return changed;
    }
    if (event == EEditEvent::kSliderReleased)
        return ApplyGain(i, j);
    ValueEdit& edit = m_cellGain[Ix(i)][Ix(j)];
    const bool enter = TakeEnter(edit.text);
    if (!m_inShown) {
        // The first keystroke only brings up the cell's slider.
        const double value = std::max(std::min(platform::text::to_double(edit.text), 0.0), kFloor);
        ShowSlider(m_sliderIn, m_inShown, EMixerTarget::kCell, i * m_inputs + j, kCellSliderTop,
                   value);
        return false;
    }
    if (!enter)
        return false;
    const bool changed = ApplyGain(i, j);
    if (m_sliderIn != nullptr)
        m_sliderIn->SetValue(SliderPosition(edit.shown));
    return changed;
}

bool CAttriMixerController::AtDefaults() const {
    bool atDefaults = true;
    for (std::int32_t i = 0; i < m_inputs; ++i)
        atDefaults =
            atDefaults && m_mixer.m_inputMute[Ix(i)] == 0 && m_mixer.m_inputLevel[Ix(i)] == 0.0;
    for (std::int32_t j = 0; j < m_outputs; ++j) {
        atDefaults = atDefaults && m_mixer.m_outputMute[Ix(j)] == 0 &&
                     m_mixer.m_outputLevel[Ix(j)] == 0.0 && m_mixer.m_columnMask[Ix(j)] == 0;
        for (std::int32_t i = 0; i < m_inputs; ++i)
            atDefaults = atDefaults && m_mixer.CrossPoint(i, j) == 0.0;
    }
    return atDefaults;
}

ValueEdit* CAttriMixerController::Served() {
    switch (m_target) {
    case EMixerTarget::kInputLevel:
        return m_index >= 0 && m_index < m_inputs ? &m_inputLevel[Ix(m_index)] : nullptr;
    case EMixerTarget::kOutputLevel:
        return m_index >= 0 && m_index < m_outputs ? &m_outputLevel[Ix(m_index)] : nullptr;
    case EMixerTarget::kCell:
        if (m_inputs == 0 || m_index < 0 || m_index / m_inputs >= m_inputs ||
            m_index % m_inputs >= m_outputs)
            return nullptr;
        return &m_cellGain[Ix(m_index / m_inputs)][Ix(m_index % m_inputs)];
    case EMixerTarget::kNone:
        break;
    }
    return nullptr;
}

void CAttriMixerController::OnSliderMoving(std::int32_t position) {
    if (!Editable())
        return;
    ValueEdit* edit = Served();
    if (edit == nullptr)
        return;
    edit->shown = (position - 1000) * 0.1;
    edit->text =
        edit->shown == kFloor ? std::string("-100") : platform::text::format("%.1f", edit->shown);
}

bool CAttriMixerController::OnSliderReleased() {
    if (!Editable() || Served() == nullptr)
        return false;
    switch (m_target) {
    case EMixerTarget::kInputLevel:
        return ApplyLevel(true, m_index);
    case EMixerTarget::kOutputLevel:
        return ApplyLevel(false, m_index);
    case EMixerTarget::kCell:
        return ApplyGain(m_index / m_inputs, m_index % m_inputs);
    case EMixerTarget::kNone:
        break;
    }
    return false;
}

} // namespace attri_dialogs
