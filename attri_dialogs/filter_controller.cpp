#include "attri_dialogs/filter_controller.h"

#include <algorithm>
#include <cmath>

#include "dsp_editor/dsp_undo.h"
#include "platform/text/format.h"
#include "platform/text/number.h"
#include "resources/string_table.h"

namespace attri_dialogs {

using model::CAriFilter;
using platform::gdi::Point;
using platform::gdi::Rect;

namespace {

constexpr std::int32_t kBypassCode = 606;

double ClampGain(double gain) {
    if (std::isnan(gain))
        return 0.0;
    return std::clamp(gain, CAttriFilterController::kMinGain, CAttriFilterController::kMaxGain);
}

} // namespace

CAttriFilterController::CAttriFilterController(dsp_editor::CZoDSPView& view, CAriFilter& module)
    : m_base(view, module), m_module(module), m_sink(view.Console()) {
    Refresh();
}

bool CAttriFilterController::HasTypeList() const {
    return Variant() == CAriFilter::kLowPass || Variant() == CAriFilter::kHighPass;
}

bool CAttriFilterController::IsShelf() const {
    return Variant() == CAriFilter::kLowShelf || Variant() == CAriFilter::kHighShelf;
}

std::int32_t CAttriFilterController::FirstLabelString() const {
    return HasTypeList() ? 325 : 326;
}

std::string_view CAttriFilterController::FirstLabel() const {
    return resources::LoadString(FirstLabelString());
}

void CAttriFilterController::Refresh() {
    m_type = ShownFilterType(m_module.m_filterType);
    m_frequency = ClampCutoff(m_module.m_frequency);
    m_gain = ClampGain(m_module.m_gain);
    m_bypass = m_module.m_bypass != 0 ? 1 : 0;
    m_dragging = false;
    ShowFrequency();
    ShowGain();
    Preview();
}

void CAttriFilterController::ShowFrequency() {
    m_frequencyEdit = {platform::text::format("%.2f", m_frequency), m_frequency};
}

void CAttriFilterController::ShowGain() {
    m_gainEdit = {platform::text::format("%.1f", m_gain), m_gain};
}

void CAttriFilterController::Preview() {
    if (IsShelf()) {
        m_sections[0] =
            model::ShelvingSection(Variant() == CAriFilter::kLowShelf, m_frequency, m_gain);
        m_count = 1;
    } else if (HasTypeList()) {
        m_count = model::DesignSlopeFilter(m_type, m_frequency, Variant() == CAriFilter::kHighPass,
                                           m_sections);
    }
    const std::span<const model::BiquadCoeffs> inUse =
        std::span<const model::BiquadCoeffs>(m_sections).first(static_cast<std::size_t>(m_count));
    m_curve = m_response.Curve(std::span(&inUse, 1));
}

void CAttriFilterController::Commit(bool countChange) {
    const std::int32_t before = m_module.m_biquadCount;
    Preview();
    dsp_editor::ParameterChange change;
    change.assign = [this](model::CBaseAriModule& module) {
        auto* target = dynamic_cast<CAriFilter*>(&module);
        if (target == nullptr)
            return;
        if (HasTypeList())
            target->m_filterType = m_type;
        else
            target->m_gain = m_gain;
        target->m_frequency = m_frequency;
        target->CalcCoeffs(m_type, m_frequency, m_gain);
    };
    change.command = [&](const model::CBaseAriModule&, model::IParameterSink&) {
        const auto used = static_cast<std::size_t>(std::clamp(m_module.m_biquadCount, 0, 4));
        SendSlopeSections(m_sink, m_module.m_order, 1, 1,
                          std::span<const model::BiquadCoeffs>(m_module.m_sections).first(used),
                          countChange && m_module.m_biquadCount != before);
    };
    m_base.SetParameter(m_module, change);
}

bool CAttriFilterController::OnTypeSelected(std::int32_t index) {
    if (!m_base.Editable() || !HasTypeList() || !model::IsFilterType(index) ||
        index == m_module.m_filterType)
        return false;
    m_type = index;
    m_frequency = ClampCutoff(m_module.m_frequency);
    ShowFrequency();
    Commit(true);
    return true;
}

bool CAttriFilterController::OnFrequencyEdit(EEditEvent event) {
    if (!m_base.Editable()) {
        if (event == EEditEvent::kFocusLost)
            m_frequencyEdit.text = platform::text::format("%.2f", m_frequencyEdit.shown);
        return false;
    }
    if (event == EEditEvent::kTextChanged) {
        if (m_frequencyEdit.text == "-")
            m_frequencyEdit.text.clear();
        std::string text = m_frequencyEdit.text;
        if (text.empty() || !TakeEnter(text))
            return false;
        m_frequencyEdit.text = text;
    }
    return CommitFrequency();
}

bool CAttriFilterController::CommitFrequency() {
    m_frequency = ClampCutoff(platform::text::to_double(m_frequencyEdit.text));
    ShowFrequency();
    if (m_frequency == m_module.m_frequency) {
        Preview();
        return false;
    }
    m_gain = ClampGain(m_module.m_gain);
    ShowGain();
    Commit(false);
    return true;
}

std::int32_t CAttriFilterController::GainSpinPosition(double gain) {
    return (static_cast<std::int32_t>(ClampGain(gain)) + 30) * 10;
}

bool CAttriFilterController::OnGainEdit(EEditEvent event) {
    if (!m_base.Editable() || !IsShelf()) {
        if (event == EEditEvent::kFocusLost)
            m_gainEdit.text = platform::text::format("%.1f", m_gainEdit.shown);
        return false;
    }
    if (event == EEditEvent::kTextChanged) {
        std::string text = m_gainEdit.text;
        if (text.empty() || text == "-" || !TakeEnter(text))
            return false;
        m_gainEdit.text = text;
    }
    m_gain = ClampGain(platform::text::to_double(m_gainEdit.text));
    ShowGain();
    if (m_gain == m_module.m_gain) {
        Preview();
        return false;
    }
    m_frequency = ClampCutoff(m_module.m_frequency);
    ShowFrequency();
    Commit(false);
    return true;
}

void CAttriFilterController::OnFrequencySpin(std::int32_t position) {
    if (!m_base.Editable())
        return;
    const double step = position - static_cast<std::int32_t>(m_frequency);
    m_frequency = ClampCutoff(m_frequency + step * CutoffSpinFactor(position));
    ShowFrequency();
    Preview();
}

void CAttriFilterController::OnGainSpin(std::int32_t position) {
    if (!m_base.Editable() || !IsShelf())
        return;
    m_gain = ClampGain((position - 300) * 0.1);
    ShowGain();
    Preview();
}

bool CAttriFilterController::OnBypass() {
    AttriParameter parameter = TableParameter(model::kAriFilter, kBypassCode);
    parameter.maximum = 1;
    return m_base.OnToggle(parameter, m_bypass);
}

Rect CAttriFilterController::HandleRect() const {
    return m_response.HandleRect(m_curve, m_frequency);
}

bool CAttriFilterController::OnMouseDown(Point point) {
    if (!m_base.Editable() || !HandleRect().PtInRect(point))
        return false;
    m_dragging = true;
    return true;
}

void CAttriFilterController::OnMouseMove(Point point) {
    if (!m_base.Editable() || !m_dragging)
        return;
    m_frequency = m_response.FrequencyAt(point.x);
    ShowFrequency();
    if (IsShelf()) {
        // A shelf has half its gain at the shelf frequency, where the handle
        // sits: twice the level under the pointer keeps it there.
        m_gain = ClampGain(2.0 * m_response.LevelAt(point.y));
        ShowGain();
    }
    Preview();
}

bool CAttriFilterController::OnMouseUp() {
    if (!m_dragging)
        return false;
    m_dragging = false;
    if (!m_base.Editable())
        return false;
    if (!IsShelf())
        return CommitFrequency();
    return CommitShelf();
}

bool CAttriFilterController::CommitShelf() {
    m_gain = ClampGain(platform::text::to_double(m_gainEdit.text));
    m_frequency = ClampCutoff(platform::text::to_double(m_frequencyEdit.text));
    ShowGain();
    ShowFrequency();
    if (m_gain == m_module.m_gain && m_frequency == m_module.m_frequency) {
        Preview();
        return false;
    }
    Commit(false);
    return true;
}

void CAttriFilterController::Draw(platform::gdi::Canvas& canvas) const {
    const platform::gdi::COLORREF curve =
        m_bypass != 0 ? CSlopeResponse::kBypassed : CSlopeResponse::kCurve;
    const platform::gdi::COLORREF handle = m_bypass != 0 ? CSlopeResponse::kBypassed
                                           : m_dragging  ? CSlopeResponse::kDraggedHandle
                                                         : CSlopeResponse::kHandle;
    const CSlopeResponse::CurveStyle curves[] = {{&m_curve, curve}};
    const CSlopeResponse::HandleStyle handles[] = {{HandleRect(), handle}};
    m_response.Draw(canvas, curves, handles);
}

bool CAttriFilterController::SetDefaultValues() {
    if (!m_base.SetDefaultValues())
        return false;
    Refresh();
    return true;
}

} // namespace attri_dialogs
