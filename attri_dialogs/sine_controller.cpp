#include "attri_dialogs/sine_controller.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "attri_dialogs/module_steps.h"
#include "model/value_encodings.h"
#include "platform/text/format.h"

namespace attri_dialogs {

using model::CAriGenerator;
using platform::gdi::Brush;
using platform::gdi::COLORREF;
using platform::gdi::Pen;
using platform::gdi::Point;
using platform::gdi::Rect;

namespace {

constexpr double kSampleRate = 48000.0;
constexpr double kLowest = 20.0;
constexpr double kHighest = 20000.0;
constexpr std::int32_t kShortestStep = 100;
constexpr std::int32_t kLongestStep = 60000;
constexpr std::int32_t kLastStepIndex = 5;

// The preview's step per timer tick, octaves, by list index.
constexpr std::array<double, 6> kStepOctaves{1.0,       2.0 / 3.0,  1.0 / 3.0,
                                             1.0 / 6.0, 1.0 / 12.0, 1.0 / 48.0};

double ClampedHz(double hz) {
    return std::clamp(hz, kLowest, kHighest);
}

std::int32_t ClampedStep(double ms) {
    return std::clamp(model::TruncateToInt32(ms), kShortestStep, kLongestStep);
}

// One scale unit per 20 dB above -40 dB, halving per 20 dB below.
double Amplitude(double level) {
    if (level >= -40.0)
        return 1.0 + (level + 40.0) * 0.05;
    if (level >= -60.0)
        return 0.5 + (level + 60.0) * 0.025;
    if (level >= -80.0)
        return 0.25 + (level + 80.0) * 0.0125;
    return 0.125 + (level + 100.0) * 0.00625;
}

// A frequency spin's step grows with the value: 1 Hz below 100 Hz, up to
// 200 Hz above 10 kHz.
std::int32_t SpinFactor(std::int32_t position) {
    if (position < 100)
        return 1;
    if (position < 200)
        return 2;
    if (position < 500)
        return 5;
    if (position < 1000)
        return 10;
    if (position < 2000)
        return 20;
    if (position < 5000)
        return 50;
    if (position < 10000)
        return 100;
    return 200;
}

} // namespace

CAttriSineController::CAttriSineController(dsp_editor::CZoDSPView& view, CAriGenerator& module,
                                           IPreviewTimer* timer)
    : m_base(view, module), m_module(module), m_sink(view.Console()), m_timer(timer),
      m_samples(kSamples, 0.0) {
    m_levelParameter = TableParameter(model::kAriGenerator, 803);
    m_levelParameter.minimum = -100.0;
    m_levelParameter.maximum = 12.0;
    m_levelParameter.format = "%.1f";
    m_levelParameter.slider = true;
    Refresh();
}

std::int32_t CAttriSineController::SpinPosition(EField field) const {
    switch (field) {
    case EField::kFrequency:
        return model::TruncateToInt32(m_frequency);
    case EField::kStart:
        return model::TruncateToInt32(m_start);
    case EField::kStop:
        return model::TruncateToInt32(m_stop);
    case EField::kTimeStep:
        return kTimeSpinCentre;
    case EField::kLevel:
        break;
    }
    return 0;
}

void CAttriSineController::Show(EField field, double value) {
    ValueEdit& edit = Edit(field);
    edit.shown = value;
    switch (field) {
    case EField::kLevel:
        m_level = value;
        edit.text = platform::text::format("%.1f", value);
        return;
    case EField::kFrequency:
        m_frequency = value;
        break;
    case EField::kStart:
        m_start = value;
        break;
    case EField::kStop:
        m_stop = value;
        break;
    case EField::kTimeStep:
        m_timeStep = model::TruncateToInt32(value);
        edit.text = platform::text::format("%d", m_timeStep);
        return;
    }
    edit.text = platform::text::format("%.2f", value);
}

bool CAttriSineController::OnEdit(EField field, EEditEvent event) {
    if (field == EField::kLevel) {
        if (!m_base.OnEdit(m_levelParameter, Edit(field), event))
            return false;
        m_level = Edit(field).shown;
        CalcPreview(ClampedHz(m_module.m_frequency), m_level);
        return true;
    }
    ValueEdit& edit = Edit(field);
    if (!m_base.Editable()) {
        if (event == EEditEvent::kFocusLost)
            Show(field, edit.shown);
        return false;
    }
    std::string text = edit.text;
    if (event == EEditEvent::kTextChanged && (text.empty() || text == "-" || !TakeEnter(text)))
        return false;
    return Commit(field, module_steps::ReadNumber(text));
}

bool CAttriSineController::Commit(EField field, double value) {
    dsp_editor::ParameterChange change;
    switch (field) {
    case EField::kFrequency:
        value = ClampedHz(value);
        Show(field, value);
        if (value == m_module.m_frequency)
            return false;
        change = Change(804, value);
        CalcPreview(value, std::clamp(m_module.m_level, -100.0, 12.0));
        break;
    case EField::kStart:
        // The sweep runs upwards: the start stays at or below the stop.
        value = std::min(ClampedHz(value), ClampedHz(m_module.m_sweepStop));
        Show(field, value);
        if (value == m_module.m_sweepStart)
            return false;
        m_sweepCounter = 0;
        change = Change(805, value);
        break;
    case EField::kStop:
        value = std::max(ClampedHz(value), ClampedHz(m_module.m_sweepStart));
        Show(field, value);
        if (value == m_module.m_sweepStop)
            return false;
        m_sweepCounter = 0;
        change = Change(806, value);
        break;
    case EField::kTimeStep:
        value = ClampedStep(value);
        Show(field, value);
        if (value == m_module.m_step)
            return false;
        m_sweepCounter = 0;
        if (!m_fixed && m_timer != nullptr)
            m_timer->Start(m_timeStep);
        change = Change(808, value);
        break;
    case EField::kLevel:
        return false;
    }
    m_base.SetParameter(m_module, change);
    return true;
}

bool CAttriSineController::OnLevelFocus() {
    return m_base.OnLevelEditFocus(Edit(EField::kLevel));
}

void CAttriSineController::OnSliderMoving(std::int32_t position) {
    if (!m_base.Editable())
        return;
    m_base.OnSliderMoving(position, Edit(EField::kLevel));
    CalcPreview(ClampedHz(m_module.m_frequency), Edit(EField::kLevel).shown);
}

void CAttriSineController::OnSpin(EField field, std::int32_t position) {
    m_base.OnBackgroundClick(); // the slider hides
    if (field == EField::kLevel)
        return;
    if (!m_base.Editable()) {
        Show(field, Edit(field).shown);
        return;
    }
    if (field == EField::kTimeStep) {
        const std::int32_t step =
            position > kTimeSpinCentre ? 1 : (position < kTimeSpinCentre ? -1 : 0);
        Show(field, ClampedStep(m_timeStep + step));
    } else {
        const double current = Edit(field).shown;
        const double change = (position - std::trunc(current)) * SpinFactor(position);
        Show(field, ClampedHz(current + change));
        if (field == EField::kFrequency && m_fixed)
            CalcPreview(m_frequency, std::clamp(m_module.m_level, -100.0, 12.0));
    }
    m_base.Document().SetModifiedFlag(true);
}

bool CAttriSineController::OnStepSelected(std::int32_t index) {
    if (!m_base.Editable())
        return false;
    m_base.OnBackgroundClick();
    if (index < 0 || index > kLastStepIndex || index == m_module.m_stepWidthIndex)
        return false;
    m_stepIndex = index;
    m_sweepCounter = 0;
    m_base.SetParameter(m_module, Change(807, index));
    return true;
}

bool CAttriSineController::OnMuteClick() {
    AttriParameter mute = TableParameter(model::kAriGenerator, 802);
    mute.maximum = 1.0;
    if (!m_base.OnToggle(mute, m_mute)) {
        m_mute = m_module.m_mute;
        return false;
    }
    return true;
}

bool CAttriSineController::OnModeClick() {
    if (!m_base.Editable())
        return false;
    m_base.OnBackgroundClick();
    // Either button switches to the other mode.
    m_fixed = m_module.m_mode == 0;
    ApplyMode();
    dsp_editor::ParameterChange change = Change(801, m_fixed ? 1 : 0);
    // Back in fixed mode the unit is given the tone's frequency again.
    change.command = [this](const model::CBaseAriModule&, model::IParameterSink&) {
        Send(801);
        if (m_fixed)
            Send(804);
    };
    m_base.SetParameter(m_module, change);
    return true;
}

void CAttriSineController::ApplyMode() {
    const double level = std::clamp(m_module.m_level, -100.0, 12.0);
    if (m_fixed) {
        if (m_timer != nullptr)
            m_timer->Stop();
        CalcPreview(ClampedHz(m_module.m_frequency), level);
        return;
    }
    // A damaged file's time step of 0 would spin the timer.
    if (m_timer != nullptr)
        m_timer->Start(ClampedStep(m_module.m_step));
    CalcPreview(ClampedHz(m_module.m_sweepStart), level);
}

void CAttriSineController::OnTimer() {
    if (m_fixed)
        return;
    const double octaves = kStepOctaves[static_cast<std::size_t>(
        std::clamp(m_module.m_stepWidthIndex, 0, kLastStepIndex))];
    const double start = ClampedHz(m_module.m_sweepStart);
    const double stop = ClampedHz(m_module.m_sweepStop);
    double frequency = start * std::exp2(m_sweepCounter * octaves);
    if (frequency >= stop) {
        m_sweepCounter = 0;
        frequency = start;
    }
    CalcPreview(frequency, module_steps::ReadNumber(Edit(EField::kLevel).text));
    ++m_sweepCounter;
}

dsp_editor::ParameterChange CAttriSineController::Change(std::int32_t code, double value) {
    const auto set = [code, value](CAriGenerator& m) {
        switch (code) {
        case 801:
            m.m_mode = model::TruncateToInt32(value);
            break;
        case 804:
            m.m_frequency = value;
            break;
        case 805:
            m.m_sweepStart = value;
            break;
        case 806:
            m.m_sweepStop = value;
            break;
        case 807:
            m.m_stepWidthIndex = model::TruncateToInt32(value);
            break;
        case 808:
            m.m_step = model::TruncateToInt32(value);
            break;
        default:
            break;
        }
    };
    dsp_editor::ParameterChange change;
    change.assign = [set](model::CBaseAriModule& module) {
        if (auto* typed = dynamic_cast<CAriGenerator*>(&module))
            set(*typed);
    };
    change.command = [this, code](const model::CBaseAriModule&, model::IParameterSink&) {
        Send(code);
    };
    return change;
}

void CAttriSineController::Send(std::int32_t code) {
    const int order = m_module.m_order;
    switch (code) {
    case 801:
        m_sink.SendSetI(order, code, m_module.m_mode);
        break;
    case 804: {
        const model::OscillatorPair pair = model::OscFromHz(m_module.m_frequency);
        m_sink.SendSetFF(order, code, static_cast<float>(pair.twoCos),
                         static_cast<float>(pair.sine));
        break;
    }
    case 805:
        m_sink.SendSetI(order, code, model::SweepFromHz(m_module.m_sweepStart));
        break;
    case 806:
        m_sink.SendSetI(order, code, model::SweepFromHz(m_module.m_sweepStop));
        break;
    case 807:
        m_sink.SendSetI(order, code, model::SweepStepWidthFromIndex(m_module.m_stepWidthIndex));
        break;
    case 808:
        m_sink.SendSetI(order, code, model::SamplesFromMs(m_module.m_step));
        break;
    default:
        break;
    }
}

bool CAttriSineController::AtDefaults() const {
    const CAriGenerator& m = m_module;
    return m.m_frequency == 1000.0 && m.m_mute == 0 && m.m_level == 0.0 &&
           m.m_sweepStart == 1000.0 && m.m_sweepStop == 1000.0 && m.m_stepWidthIndex == 0 &&
           m.m_step == 100 && m.m_mode == 1;
}

bool CAttriSineController::SetDefaultValues() {
    if (!m_base.Editable() || AtDefaults() || !m_base.ResetToDefaults())
        return false;
    Refresh();
    return true;
}

void CAttriSineController::Refresh() {
    m_mute = m_module.m_mute;
    Show(EField::kLevel, std::clamp(m_module.m_level, -100.0, 12.0));
    Show(EField::kFrequency, ClampedHz(m_module.m_frequency));
    Show(EField::kStart, ClampedHz(m_module.m_sweepStart));
    Show(EField::kStop, ClampedHz(m_module.m_sweepStop));
    Show(EField::kTimeStep, ClampedStep(m_module.m_step));
    m_stepIndex = std::clamp(m_module.m_stepWidthIndex, 0, kLastStepIndex);
    m_fixed = m_module.m_mode != 0;
    m_sweepCounter = 0;
    ApplyMode();
    m_base.OnBackgroundClick();
}

void CAttriSineController::CalcPreview(double frequency, double level) {
    const double w = frequency * 2.0 * std::numbers::pi / kSampleRate;
    const double twoCos = 2.0 * std::cos(w);
    m_samples.assign(kSamples, 0.0);
    m_samples[1] = Amplitude(level) * std::sin(w);
    for (std::size_t n = 2; n < m_samples.size(); ++n)
        m_samples[n] = twoCos * m_samples[n - 1] - m_samples[n - 2];
    m_previewFrequency = frequency;
    ++m_previewCount;
}

void CAttriSineController::DrawPreview(platform::gdi::Canvas& canvas) const {
    constexpr COLORREF kFrameFill = 0xc8c8c8;
    constexpr COLORREF kBorder = 0xffff80;
    constexpr COLORREF kGrid = 0x969696;
    constexpr COLORREF kSine = 0x00ff00;
    constexpr std::int32_t kRow = 14;
    const Pen oldPen = canvas.SelectPen(Pen::Solid(1, platform::gdi::kBlack));
    const Brush oldBrush = canvas.SelectBrush(Brush::Solid(kFrameFill));
    canvas.Rectangle(Rect{kPlot.left - 10, kPlot.top - 10, kPlot.right + 10, kPlot.bottom + 10});
    canvas.SelectPen(Pen::Solid(1, kBorder));
    canvas.SelectBrush(Brush::Solid(platform::gdi::kBlack));
    canvas.Rectangle(kPlot);
    canvas.SelectPen(Pen::Solid(1, kGrid));
    for (std::int32_t y = kPlot.top + kRow; y < kPlot.bottom; y += kRow) {
        canvas.MoveTo(kPlot.left + 1, y);
        canvas.LineTo(kPlot.right - 1, y);
    }
    // 14 pixels a unit, the zero line four rows down; what leaves the plot
    // runs along its edge.
    std::vector<Point> line;
    line.reserve(m_samples.size());
    for (std::size_t n = 0; n < m_samples.size(); ++n) {
        const std::int32_t y = kPlot.top + 4 * kRow + model::TruncateToInt32(kRow * m_samples[n]);
        line.push_back(Point{kPlot.left + 1 + static_cast<std::int32_t>(n),
                             std::clamp(y, kPlot.top, kPlot.bottom - 1)});
    }
    canvas.SelectPen(Pen::Solid(1, kSine));
    canvas.Polyline(line);
    canvas.SelectPen(oldPen);
    canvas.SelectBrush(oldBrush);
}

} // namespace attri_dialogs
