#include "attri_dialogs/equalizer_controller.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/live_control.h"
#include "model/messages.h"
#include "platform/text/format.h"
#include "platform/text/number.h"
#include "resources/message_ids.h"

namespace attri_dialogs {

using model::CAriEqualizer;

namespace {

constexpr std::int32_t kEqBandCode = 607;
constexpr std::int32_t kEqBypassCode = 606;
constexpr const char* kEqFieldFormats[] = {"%.2f", "%.1f", "%.2f"};

struct EqFieldRange {
    double minimum, maximum;
};
constexpr EqFieldRange kEqFieldRanges[] = {
    {CAttriEqualizerController::kMinFrequency, CAttriEqualizerController::kMaxFrequency},
    {CAttriEqualizerController::kMinGain, CAttriEqualizerController::kMaxGain},
    {CAttriEqualizerController::kMinBandwidth, CAttriEqualizerController::kMaxBandwidth}};

// Into the field's range; what is not a number at all becomes the minimum.
double EqFieldClamped(EEqField field, double value) {
    const EqFieldRange r = kEqFieldRanges[static_cast<std::size_t>(field)];
    return std::isnan(value) ? r.minimum : std::clamp(value, r.minimum, r.maximum);
}

std::string EqFieldShown(EEqField field, double value) {
    return platform::text::format(kEqFieldFormats[static_cast<std::size_t>(field)], value);
}

std::int32_t EqSpinRounded(double value) {
    return static_cast<std::int32_t>(std::lround(value));
}

} // namespace

CAttriEqualizerController::CAttriEqualizerController(dsp_editor::CZoDSPView& view,
                                                     CAriEqualizer& module)
    : m_base(view, module), m_module(module), m_sink(view.Console()),
      m_bands(std::clamp(module.m_bandCount, 0, kMaxBands)) {
    m_response.SetBandCount(m_bands);
    Refresh();
    Highlight();
}

std::size_t CAttriEqualizerController::Slot(std::int32_t band) {
    return static_cast<std::size_t>(std::clamp(band, 0, kMaxBands - 1));
}

double& CAttriEqualizerController::Working(EEqField field, std::int32_t band) {
    switch (field) {
    case EEqField::kFrequency:
        return m_frequency[Slot(band)];
    case EEqField::kGain:
        return m_gain[Slot(band)];
    case EEqField::kBandwidth:
        break;
    }
    return m_bandwidth[Slot(band)];
}

std::int32_t CAttriEqualizerController::SpinPosition(EEqField field) const {
    switch (field) {
    case EEqField::kFrequency:
        return EqSpinRounded(Frequency(m_current));
    case EEqField::kGain:
        return EqSpinRounded((Gain(m_current) + 30.0) * 10.0);
    case EEqField::kBandwidth:
        break;
    }
    return EqSpinRounded(Bandwidth(m_current) * 100.0);
}

std::pair<std::int32_t, std::int32_t> CAttriEqualizerController::SpinRange(EEqField field) {
    switch (field) {
    case EEqField::kFrequency:
        return {20, 20000};
    case EEqField::kGain:
        return {0, 450};
    case EEqField::kBandwidth:
        break;
    }
    return {1, 400};
}

std::int32_t CAttriEqualizerController::SliderPosition(std::int32_t band) const {
    return EqSpinRounded(150.0 - 10.0 * Gain(band));
}

std::span<const char* const> CAttriEqualizerController::SliderLabels(std::int32_t variant) {
    static constexpr const char* kThird[] = {
        "20",    "25",  "32",    "40",    "50",    "63",   "80",   "100",   "125",   "160", "200",
        "250",   "320", "400",   "500",   "640",   "800",  "1 K",  "1.3 K", "1.6 K", "2 K", "2.6 K",
        "3.2 K", "4 K", "5.1 K", "6.5 K", "8.1 K", "10 K", "13 K", "16 K",  "20 K"};
    static constexpr const char* kTwoThirds[] = {"25",    "40",  "63",    "100",  "160",
                                                 "250",   "400", "635",   "1 K",  "1.6 K",
                                                 "2.5 K", "4 K", "6.4 K", "10 K", "16 K"};
    static constexpr const char* kOctave[] = {"32",   "63",  "125", "250", "500",
                                              "1000", "2 K", "4 K", "8 K", "16 K"};
    switch (variant) {
    case 51:
        return kThird;
    case 52:
        return kTwoThirds;
    case 53:
        return kOctave;
    default:
        return {};
    }
}

std::string CAttriEqualizerController::SliderTooltip(std::int32_t band) const {
    return EqFieldShown(EEqField::kGain, Gain(band));
}

// -- loading and previews

void CAttriEqualizerController::LoadBand(std::int32_t band) {
    const std::size_t b = Slot(band);
    m_frequency[b] = EqFieldClamped(EEqField::kFrequency, m_module.m_frequency[b]);
    m_gain[b] = EqFieldClamped(EEqField::kGain, m_module.m_gain[b]);
    m_bandwidth[b] = EqFieldClamped(EEqField::kBandwidth, m_module.m_bandwidth[b]);
    m_response.Band(band).off = m_module.m_bandFlag[b] == 1;
    Preview(band);
}

void CAttriEqualizerController::Preview(std::int32_t band) {
    const std::size_t b = Slot(band);
    m_section[b] = model::PeakingSectionBandEdges(m_frequency[b], m_gain[b], m_bandwidth[b]);
    m_response.ComputeBand(band, m_section[b], m_frequency[b], m_gain[b], m_bandwidth[b]);
}

void CAttriEqualizerController::ShowFields() {
    for (EEqField field : {EEqField::kFrequency, EEqField::kGain, EEqField::kBandwidth})
        m_text[Field(field)] = EqFieldShown(field, Working(field, m_current));
}

void CAttriEqualizerController::Highlight() {
    for (std::int32_t band = 0; band < m_bands; ++band)
        m_response.Band(band).highlighted = band == m_current;
}

void CAttriEqualizerController::Refresh() {
    m_bypass = m_module.m_bypass != 0;
    for (std::int32_t band = 0; band < m_bands; ++band)
        LoadBand(band);
    m_response.SetBypass(m_bypass);
    ShowFields();
}

// -- the band list, the fields, the spins and the sliders

bool CAttriEqualizerController::OnBandSelected(std::int32_t band) {
    if (band < 0 || band >= m_bands)
        return false;
    m_current = band;
    LoadBand(band);
    ShowFields();
    Highlight();
    return true;
}

void CAttriEqualizerController::ReadField(EEqField field) {
    std::string text = m_text[Field(field)];
    TakeEnter(text);
    const double value = EqFieldClamped(field, platform::text::to_double(text));
    Working(field, m_current) = value;
    m_text[Field(field)] = EqFieldShown(field, value);
}

bool CAttriEqualizerController::OnFieldText(EEqField field, const std::string& text) {
    if (!m_base.Editable() || m_bands == 0)
        return false;
    if (text == "-" || (text.empty() && field == EEqField::kGain)) {
        // Still typing; a lone sign is no frequency or bandwidth.
        m_text[Field(field)] = field == EEqField::kGain ? text : std::string();
        return field != EEqField::kGain;
    }
    m_text[Field(field)] = text;
    std::string number = text;
    const bool enter = TakeEnter(number);
    Working(field, m_current) = EqFieldClamped(field, platform::text::to_double(number));
    if (enter)
        CommitField(field);
    return true;
}

bool CAttriEqualizerController::OnFieldFocusLost(EEqField field) {
    if (m_bands == 0)
        return false;
    if (!m_base.Editable()) {
        m_text[Field(field)] = EqFieldShown(field, Working(field, m_current));
        return true;
    }
    CommitField(field);
    return true;
}

bool CAttriEqualizerController::CommitField(EEqField field) {
    ReadField(field);
    return CommitBand(m_current, false);
}

bool CAttriEqualizerController::OnSpin(EEqField field, std::int32_t position) {
    if (!m_base.Editable() || m_bands == 0)
        return false;
    double value = position;
    if (field == EEqField::kGain)
        value = (position - 300) * 0.1;
    else if (field == EEqField::kBandwidth)
        value = position * 0.01;
    value = EqFieldClamped(field, value);
    Working(field, m_current) = value;
    m_text[Field(field)] = EqFieldShown(field, value);
    Preview(m_current);
    return true;
}

bool CAttriEqualizerController::OnSliderMoved(std::int32_t band, std::int32_t position) {
    if (!m_base.Editable() || band < 0 || band >= m_bands)
        return false;
    m_gain[Slot(band)] = EqFieldClamped(EEqField::kGain, (150 - position) * 0.1);
    if (band == m_current)
        m_text[Field(EEqField::kGain)] = SliderTooltip(band);
    Preview(band);
    return true;
}

bool CAttriEqualizerController::OnSliderPressed(std::int32_t band) {
    return m_base.Editable() && OnBandSelected(band);
}

bool CAttriEqualizerController::OnSliderEnd(std::int32_t band) {
    if (!m_base.Editable() || band < 0 || band >= m_bands)
        return false;
    return CommitBand(band, false);
}

// -- commits

bool CAttriEqualizerController::CommitBand(std::int32_t band, bool always) {
    const std::size_t b = Slot(band);
    Preview(band);
    const bool differs = m_module.m_frequency[b] != m_frequency[b] ||
                         m_module.m_gain[b] != m_gain[b] ||
                         m_module.m_bandwidth[b] != m_bandwidth[b];
    if (!differs && !always)
        return false;
    dsp_editor::ParameterChange change;
    change.assign = [&](model::CBaseAriModule& module) {
        auto* target = dynamic_cast<CAriEqualizer*>(&module);
        if (target == nullptr)
            return;
        target->m_frequency[b] = m_frequency[b];
        target->m_gain[b] = m_gain[b];
        target->m_bandwidth[b] = m_bandwidth[b];
        target->m_coeffs[b] = m_section[b];
    };
    change.command = [&](const model::CBaseAriModule& module, model::IParameterSink&) {
        const model::BiquadCoeffs& s = m_section[b];
        const int index = band + 1;
        m_sink.SendSetIFFF(module.m_order, kEqBandCode, index, static_cast<float>(s.b0),
                           static_cast<float>(s.b1), static_cast<float>(s.b2));
        m_sink.SendSetIFF(module.m_order, kEqBandCode, index, static_cast<float>(s.a1),
                          static_cast<float>(s.a2));
    };
    m_base.SetParameter(m_module, change);
    return true;
}

bool CAttriEqualizerController::Flatten(bool all) {
    if (!m_base.Editable() || m_bands == 0)
        return false;
    const int question = all ? resources::kMsgAskFlattenAllBands : resources::kMsgAskFlattenBand;
    if (model::Ask(question, model::EMessageButtons::YesNo, model::EMessageAnswer::Yes) !=
        model::EMessageAnswer::Yes)
        return false;
    const std::int32_t first = all ? 0 : m_current;
    const std::int32_t last = all ? m_bands - 1 : m_current;
    for (std::int32_t band = first; band <= last; ++band) {
        m_gain[Slot(band)] = 0.0;
        CommitBand(band, true);
    }
    m_text[Field(EEqField::kGain)] = EqFieldShown(EEqField::kGain, 0.0);
    return true;
}

bool CAttriEqualizerController::FlattenBand() {
    return Flatten(false);
}

bool CAttriEqualizerController::FlattenAllBands() {
    return Flatten(true);
}

bool CAttriEqualizerController::ToggleBypass() {
    if (!m_base.Editable())
        return false;
    m_bypass = !m_bypass;
    const std::int32_t state = m_bypass ? 1 : 0;
    for (std::int32_t band = 0; band < m_bands; ++band)
        m_response.Band(band).off = m_bypass;
    m_response.SetBypass(m_bypass);
    dsp_editor::ParameterChange change;
    change.assign = [&](model::CBaseAriModule& module) {
        auto* target = dynamic_cast<CAriEqualizer*>(&module);
        if (target == nullptr)
            return;
        target->m_bypass = state;
        for (std::int32_t band = 0; band < m_bands; ++band)
            target->m_bandFlag[Slot(band)] = state;
    };
    change.command = [&](const model::CBaseAriModule& module, model::IParameterSink&) {
        m_sink.SendSetI(module.m_order, kEqBypassCode, state);
    };
    m_base.SetParameter(m_module, change);
    return true;
}

// -- what the graph shows

bool CAttriEqualizerController::ToggleShowBand() {
    if (!m_base.Editable() || m_bands == 0)
        return false;
    bool& show = m_response.Band(m_current).show;
    show = !show;
    if (!show)
        m_showAll = false;
    return true;
}

bool CAttriEqualizerController::ToggleShowAllBands() {
    if (!m_base.Editable())
        return false;
    m_showAll = !m_showAll;
    for (std::int32_t band = 0; band < m_bands; ++band)
        m_response.Band(band).show = m_showAll;
    return true;
}

bool CAttriEqualizerController::ToggleShowDragPoints() {
    if (!m_base.Editable())
        return false;
    m_showPoints = !m_showPoints;
    return true;
}

// -- dragging

bool CAttriEqualizerController::OnMouseDown(platform::gdi::Point at) {
    if (!m_base.Editable() || Capturing())
        return false;
    const std::int32_t handle = Graphic() ? -1 : m_response.HitHandle(at);
    if (handle >= 0) {
        OnBandSelected(handle);
        m_widthDrag = handle;
        m_response.Band(handle).widthDragged = true;
        m_showPoints = true;
    } else if (const std::int32_t point = m_response.HitPoint(at); point >= 0) {
        OnBandSelected(point);
        m_pointDrag = point;
        m_response.Band(point).pointDragged = true;
        m_showPoints = true;
    } else {
        return false;
    }
    Highlight();
    return true;
}

bool CAttriEqualizerController::OnMouseMove(platform::gdi::Point at) {
    if (!m_base.Editable())
        return false;
    if (m_pointDrag >= 0) {
        const std::size_t b = Slot(m_current);
        const double dB = CEqResponse::DbAtY(at.y);
        // Up to half a dB over the top stays while dragging.
        m_gain[b] = dB < kMinGain ? kMinGain : (dB > kMaxGain + 0.5 ? kMaxGain : dB);
        if (!Graphic()) {
            m_frequency[b] = EqFieldClamped(EEqField::kFrequency, CEqResponse::FrequencyAtX(at.x));
            m_text[Field(EEqField::kFrequency)] =
                EqFieldShown(EEqField::kFrequency, m_frequency[b]);
        }
        m_text[Field(EEqField::kGain)] = EqFieldShown(EEqField::kGain, m_gain[b]);
        Preview(m_current);
        return true;
    }
    if (m_widthDrag >= 0) {
        const std::size_t b = Slot(m_current);
        const double half = std::log2(CEqResponse::FrequencyAtX(at.x)) - std::log2(m_frequency[b]);
        m_bandwidth[b] = EqFieldClamped(EEqField::kBandwidth, 2.0 * std::fabs(half));
        m_text[Field(EEqField::kBandwidth)] = EqFieldShown(EEqField::kBandwidth, m_bandwidth[b]);
        Preview(m_current);
        return true;
    }
    return false;
}

bool CAttriEqualizerController::OnMouseUp(platform::gdi::Point) {
    if (m_pointDrag >= 0) {
        m_response.Band(m_pointDrag).pointDragged = false;
        m_pointDrag = -1;
        m_gain[Slot(m_current)] = EqFieldClamped(EEqField::kGain, m_gain[Slot(m_current)]);
        ShowFields();
        CommitBand(m_current, false);
        return true;
    }
    if (m_widthDrag >= 0) {
        m_response.Band(m_widthDrag).widthDragged = false;
        m_widthDrag = -1;
        CommitField(EEqField::kBandwidth);
        return true;
    }
    return false;
}

// -- defaults and drawing

bool CAttriEqualizerController::AtDefaults() const {
    const std::unique_ptr<model::CBaseAriModule> built =
        dsp_editor::DefaultModuleLike(m_module, m_base.Document().m_deviceModel);
    const auto* defaults = dynamic_cast<const CAriEqualizer*>(built.get());
    if (defaults == nullptr || m_module.m_bypass != defaults->m_bypass)
        return false;
    for (std::int32_t band = 0; band < m_bands; ++band) {
        const std::size_t b = Slot(band);
        if (m_module.m_bandFlag[b] != defaults->m_bandFlag[b] ||
            m_module.m_frequency[b] != defaults->m_frequency[b] ||
            m_module.m_gain[b] != defaults->m_gain[b] ||
            m_module.m_bandwidth[b] != defaults->m_bandwidth[b])
            return false;
    }
    return true;
}

bool CAttriEqualizerController::SetDefaultValues() {
    if (!m_base.Editable() || AtDefaults() || !m_base.ResetToDefaults())
        return false;
    Refresh();
    return true;
}

void CAttriEqualizerController::Draw(platform::gdi::Canvas& canvas) const {
    m_response.Draw(
        canvas, {.showAllBands = m_showAll, .showDragPoints = m_showPoints, .handles = !Graphic()});
}

} // namespace attri_dialogs
