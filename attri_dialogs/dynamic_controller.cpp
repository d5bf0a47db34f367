#include "attri_dialogs/dynamic_controller.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "attri_dialogs/module_steps.h"
#include "model/value_encodings.h"
#include "platform/text/format.h"

namespace attri_dialogs {

using model::CAriDynamic;
using EHandle = CDynamicTransferCurve::EHandle;

namespace {

std::int32_t ToInt(double value) {
    return model::TruncateToInt32(value);
}

double Fraction(double value) {
    return value - std::trunc(value);
}

} // namespace

CAttriDynamicController::CAttriDynamicController(dsp_editor::CZoDSPView& view, CAriDynamic& module)
    : m_base(view, module), m_module(module), m_sink(view.Console()), m_curve(module.m_subType) {
    Refresh();
}

CAttriDynamicController::DynamicLayout CAttriDynamicController::Layout() const {
    DynamicLayout layout;
    if (IsLeveler()) {
        layout.targetShown = true;
        layout.attackLabel = kResponseTimeLabel;
        return layout;
    }
    layout.timesShift = 62;
    layout.bypassShift = 62;
    if (IsGate())
        layout.ratioLabel = kAttenuationLabel;
    if (Variant() == CAriDynamic::kLimiter || Variant() == CAriDynamic::kClipper) {
        layout.ratioShown = false;
        layout.timesShift += 62;
        layout.bypassShift += 62;
    }
    if (Variant() == CAriDynamic::kClipper) {
        layout.timesShown = false;
        layout.bypassShift += 124;
    }
    return layout;
}

CAttriDynamicController::Track CAttriDynamicController::TrackOf(EColumn column) const {
    switch (column) {
    case EColumn::kThreshold:
    case EColumn::kTarget:
        return {0, 720, 72};
    case EColumn::kAttack:
        return {0, 2000, 200};
    case EColumn::kRelease:
        return {0, 4000, 400};
    case EColumn::kRatio:
        break;
    }
    if (IsExpander())
        return {1, 100, 10};
    if (IsGate())
        return {0, 1000, 100};
    return {0, 180, 18};
}

double CAttriDynamicController::RatioMinimum() const {
    return IsGate() ? -100.0 : (IsExpander() ? 0.01 : 1.0);
}

double CAttriDynamicController::RatioMaximum() const {
    return IsGate() ? 0.0 : (IsExpander() ? 1.0 : 100.0);
}

const char* CAttriDynamicController::FormatOf(EColumn column) const {
    switch (column) {
    case EColumn::kAttack:
    case EColumn::kRelease:
        return "%.2f";
    case EColumn::kRatio:
        return IsExpander() ? "%.2f" : "%.1f";
    case EColumn::kThreshold:
    case EColumn::kTarget:
        break;
    }
    return "%.1f";
}

double CAttriDynamicController::ThresholdMaximum() const {
    // The leveler's threshold stays at or below its target.
    return IsLeveler() ? std::clamp(m_module.m_targetOrDepth, -60.0, 12.0) : 12.0;
}

double CAttriDynamicController::Clamped(EColumn column, double value) const {
    switch (column) {
    case EColumn::kThreshold:
        return std::clamp(value, -60.0, ThresholdMaximum());
    case EColumn::kTarget:
        return std::clamp(value, std::clamp(m_module.m_threshold, -60.0, 12.0), 12.0);
    case EColumn::kAttack:
        return std::clamp(value, 0.0, 2000.0);
    case EColumn::kRelease:
        return std::clamp(value, 0.0, 4000.0);
    case EColumn::kRatio:
        break;
    }
    return std::clamp(value, RatioMinimum(), RatioMaximum());
}

std::int32_t CAttriDynamicController::PositionOf(EColumn column, double value) const {
    switch (column) {
    case EColumn::kThreshold:
    case EColumn::kTarget:
        return 120 - ToInt(10.0 * value);
    case EColumn::kAttack:
        return 2000 - ToInt(value);
    case EColumn::kRelease:
        return 4000 - ToInt(value);
    case EColumn::kRatio:
        break;
    }
    if (IsGate())
        return ToInt(-10.0 * value);
    if (IsExpander())
        return ToInt(101.0 - 100.0 * value);
    // Two pieces: 1 to 10 in tenths over the lower half, 10 to 100 in ones
    // over the upper.
    return value <= 10.0 ? 190 - ToInt(10.0 * value) : 190 - ToInt(value + 90.0);
}

double CAttriDynamicController::ValueAt(EColumn column, std::int32_t position) const {
    switch (column) {
    case EColumn::kThreshold:
    case EColumn::kTarget:
        return (120 - position) * 0.1;
    case EColumn::kAttack:
        return Fraction(module_steps::ReadNumber(Edit(column).text)) + (2000 - position);
    case EColumn::kRelease:
        return Fraction(module_steps::ReadNumber(Edit(column).text)) + (4000 - position);
    case EColumn::kRatio:
        break;
    }
    if (IsGate())
        return -position * 0.1;
    if (IsExpander())
        return (101 - position) * 0.01;
    const std::int32_t k = 190 - position;
    if (k <= 100)
        return k * 0.1;
    return std::min((100 - position) + Fraction(m_ratio), 100.0);
}

void CAttriDynamicController::Show(EColumn column, double value) {
    switch (column) {
    case EColumn::kThreshold:
        m_threshold = value;
        break;
    case EColumn::kRatio:
        m_ratio = value;
        break;
    case EColumn::kTarget:
        m_target = value;
        break;
    case EColumn::kAttack:
        m_attack = value;
        break;
    case EColumn::kRelease:
        m_release = value;
        break;
    }
    ValueEdit& edit = Edit(column);
    edit.text = platform::text::format(FormatOf(column), value);
    edit.shown = value;
    m_positions[Index(column)] = PositionOf(column, value);
}

void CAttriDynamicController::ComputeCurve(EColumn column, double value) {
    double threshold = m_module.m_threshold;
    double ratio = m_module.m_ratio;
    double third = m_module.m_targetOrDepth;
    if (column == EColumn::kThreshold)
        threshold = value;
    else if (column == EColumn::kTarget)
        third = value;
    else if (column == EColumn::kRatio && IsGate())
        third = value;
    else if (column == EColumn::kRatio)
        ratio = value;
    // The gate's depth stands for its ratio too.
    m_curve.Compute(threshold, IsGate() ? third : ratio, third);
    if (IsLeveler())
        m_gain = m_curve.Gain();
}

bool CAttriDynamicController::OnEdit(EColumn column, EEditEvent event) {
    ValueEdit& edit = Edit(column);
    if (!m_base.Editable()) {
        if (event == EEditEvent::kFocusLost)
            edit.text = platform::text::format(FormatOf(column), edit.shown);
        return false;
    }
    std::string text = edit.text;
    if (event == EEditEvent::kTextChanged) {
        if (text.empty())
            return false;
        if (text == "-") {
            // Times and ratios are never negative: the sign goes at once.
            const bool unsigned_column = column == EColumn::kAttack ||
                                         column == EColumn::kRelease ||
                                         (column == EColumn::kRatio && !IsGate());
            if (unsigned_column)
                edit.text.clear();
            return false;
        }
        if (!TakeEnter(text))
            return false;
    }
    return Commit(column, module_steps::ReadNumber(text));
}

bool CAttriDynamicController::Commit(EColumn column, double value) {
    value = Clamped(column, value);
    Show(column, value);
    ComputeCurve(column, value);
    std::vector<dsp_editor::ParameterChange> changes;
    switch (column) {
    case EColumn::kAttack:
    case EColumn::kRelease: {
        const EField field = column == EColumn::kAttack ? EField::kAttack : EField::kRelease;
        if (value == FieldOf(m_module, field))
            return false;
        m_base.SetParameter(m_module, Change(field, value));
        return true;
    }
    case EColumn::kThreshold:
        if (value != m_module.m_threshold)
            changes.push_back(Change(EField::kThreshold, value));
        break;
    case EColumn::kRatio:
        if (IsGate()) {
            if (value == m_module.m_targetOrDepth)
                return false;
            m_base.SetParameter(m_module, Change(EField::kThird, value));
            return true;
        }
        if (value != m_module.m_ratio)
            changes.push_back(Change(EField::kRatio, value));
        break;
    case EColumn::kTarget:
        // The target has no command of its own, but the file keeps it: it is
        // recorded like any parameter so that undo brings it back.
        if (value != m_module.m_targetOrDepth)
            changes.push_back(Change(EField::kThird, value));
        break;
    }
    // The leveler's gain follows its curve, in the same undo step.
    if (IsLeveler() && m_gain != m_module.m_levelerGain)
        changes.push_back(Change(EField::kGain, m_gain));
    if (changes.empty())
        return false;
    m_base.SetParameters(m_module, changes);
    return true;
}

dsp_editor::ParameterChange CAttriDynamicController::Change(EField field, double value) {
    dsp_editor::ParameterChange change;
    change.assign = [field, value](model::CBaseAriModule& module) {
        if (auto* typed = dynamic_cast<CAriDynamic*>(&module))
            SetField(*typed, field, value);
    };
    change.command = [this, field, value](const model::CBaseAriModule&, model::IParameterSink&) {
        Send(field, value);
    };
    return change;
}

void CAttriDynamicController::Send(EField field, double value) {
    const int order = m_module.m_order;
    switch (field) {
    case EField::kBypass:
        m_sink.SendSetI(order, 701, ToInt(value));
        break;
    case EField::kAttack:
        m_sink.SendSetI(order, 702, model::EnvelopeTimeFromMs(value));
        break;
    case EField::kRelease:
        m_sink.SendSetI(order, 703, model::EnvelopeTimeFromMs(value));
        break;
    case EField::kThreshold:
        m_sink.SendSetI(order, 704, ToInt(model::Lin44FromDb(value)));
        break;
    case EField::kRatio:
        // The unit divides where the sheet multiplies.
        m_sink.SendSetF(order, 705, static_cast<float>(1.0 / value));
        break;
    case EField::kGain:
        m_sink.SendSetF(order, 707, static_cast<float>(model::LinFromDb(value)));
        break;
    case EField::kThird:
        // The gate's depth; the leveler's target goes to the unit only as
        // the gain it gives.
        if (IsGate())
            m_sink.SendSetF(order, 708, static_cast<float>(model::LinFromDb(value)));
        break;
    }
}

void CAttriDynamicController::SetField(CAriDynamic& module, EField field, double value) {
    switch (field) {
    case EField::kBypass:
        module.m_bypass = ToInt(value);
        break;
    case EField::kAttack:
        module.m_attack = value;
        break;
    case EField::kRelease:
        module.m_release = value;
        break;
    case EField::kThreshold:
        module.m_threshold = value;
        break;
    case EField::kRatio:
        module.m_ratio = value;
        break;
    case EField::kGain:
        module.m_levelerGain = value;
        break;
    case EField::kThird:
        module.m_targetOrDepth = value;
        break;
    }
}

double CAttriDynamicController::FieldOf(const CAriDynamic& module, EField field) {
    switch (field) {
    case EField::kBypass:
        return module.m_bypass;
    case EField::kAttack:
        return module.m_attack;
    case EField::kRelease:
        return module.m_release;
    case EField::kThreshold:
        return module.m_threshold;
    case EField::kRatio:
        return module.m_ratio;
    case EField::kGain:
        return module.m_levelerGain;
    case EField::kThird:
        break;
    }
    return module.m_targetOrDepth;
}

void CAttriDynamicController::OnTrackMoving(EColumn column, std::int32_t position) {
    if (!m_base.Editable())
        return;
    const double value = Clamped(column, ValueAt(column, position));
    Show(column, value);
    // The thumb stays where the operator holds it.
    m_positions[Index(column)] = position;
    ComputeCurve(column, value);
}

bool CAttriDynamicController::OnTrackReleased(EColumn column) {
    if (!m_base.Editable())
        return false;
    return OnEdit(column, EEditEvent::kFocusLost);
}

bool CAttriDynamicController::OnBypassClick() {
    if (!m_base.Editable()) {
        m_bypass = m_module.m_bypass;
        return false;
    }
    m_bypass = m_bypass != 0 ? 0 : 1;
    m_base.SetParameter(m_module, Change(EField::kBypass, m_bypass));
    return true;
}

bool CAttriDynamicController::OnGraphDown(platform::gdi::Point p) {
    if (!m_base.Editable())
        return false;
    const EHandle handle = m_curve.HandleAt(p);
    switch (handle) {
    case EHandle::kThird:
        if (IsLeveler())
            m_target = Clamped(EColumn::kTarget, m_module.m_targetOrDepth);
        else
            m_ratio = Clamped(EColumn::kRatio, m_module.m_targetOrDepth);
        break;
    case EHandle::kThreshold:
        m_threshold = Clamped(EColumn::kThreshold, m_module.m_threshold);
        break;
    case EHandle::kRatio:
        if (!IsGate())
            m_ratio = Clamped(EColumn::kRatio, m_module.m_ratio);
        break;
    case EHandle::kNone:
        return false;
    }
    m_curve.SetDragging(handle);
    m_last = p;
    return true;
}

bool CAttriDynamicController::OnGraphMove(platform::gdi::Point p) {
    if (!m_base.Editable())
        return false;
    const EHandle handle = m_curve.Dragging();
    if (handle == EHandle::kNone)
        return m_curve.UpdateHover(p);
    const double up = (m_last.y - p.y) * 0.5;
    const double left = (m_last.x - p.x) * 0.5;
    m_last = p;
    EColumn column = EColumn::kRatio;
    double current = m_ratio;
    double value = current;
    if (handle == EHandle::kThreshold) {
        column = EColumn::kThreshold;
        current = m_threshold;
        value = Clamped(column, current + up);
    } else if (handle == EHandle::kThird && IsLeveler()) {
        column = EColumn::kTarget;
        current = m_target;
        value = Clamped(column, current + up);
    } else if (handle == EHandle::kThird) {
        value = Clamped(column, current + up);
    } else if (IsExpander()) {
        const double span = m_module.m_threshold + 60.0;
        if (span <= 0.0)
            return false;
        value = (span * current + left) / span;
        if (!std::isfinite(value))
            return false;
        value = Clamped(column, value);
    } else if (Variant() == CAriDynamic::kCompressor || IsLeveler()) {
        // The ratio handle moves up and down the right edge: the output
        // there is span / ratio above the threshold.
        const double span = 12.0 - (IsLeveler() ? m_target : m_module.m_threshold);
        if (span <= 0.0)
            return false;
        value = span / (span / current + up);
        if (!std::isfinite(value))
            return false;
        if (value > 100.0 || value < 0.0)
            value = 100.0;
        else if (value < 1.0)
            value = 1.0;
    } else {
        return false; // the limiter, clipper and gate have no ratio to drag
    }
    if (value == current)
        return false;
    Show(column, value);
    ComputeCurve(column, value);
    return true;
}

bool CAttriDynamicController::OnGraphUp() {
    const EHandle handle = m_curve.Dragging();
    if (handle == EHandle::kNone)
        return false;
    m_curve.SetDragging(EHandle::kNone);
    EColumn column = EColumn::kRatio;
    if (handle == EHandle::kThreshold)
        column = EColumn::kThreshold;
    else if (handle == EHandle::kThird && IsLeveler())
        column = EColumn::kTarget;
    return OnEdit(column, EEditEvent::kFocusLost);
}

bool CAttriDynamicController::OnCaptureChanged() {
    const EHandle handle = m_curve.Dragging();
    if (handle != EHandle::kThreshold && handle != EHandle::kRatio)
        return false;
    return OnGraphUp();
}

bool CAttriDynamicController::AtDefaults() const {
    const CAriDynamic& m = m_module;
    const bool noRatio = Variant() == CAriDynamic::kLimiter || Variant() == CAriDynamic::kClipper;
    return m.m_bypass == 0 && m.m_attack == 1000.0 && m.m_release == 2000.0 &&
           m.m_threshold == 0.0 && m.m_targetOrDepth == 0.0 &&
           (noRatio || m.m_ratio == (IsExpander() ? 0.25 : 4.0));
}

bool CAttriDynamicController::SetDefaultValues() {
    if (!m_base.Editable() || AtDefaults() || !m_base.ResetToDefaults())
        return false;
    Refresh();
    return true;
}

void CAttriDynamicController::Refresh() {
    // A damaged file's values are shown inside the dialog's ranges; the
    // module keeps them until the operator commits.
    m_bypass = m_module.m_bypass;
    m_gain = m_module.m_levelerGain;
    Show(EColumn::kAttack, Clamped(EColumn::kAttack, m_module.m_attack));
    Show(EColumn::kRelease, Clamped(EColumn::kRelease, m_module.m_release));
    Show(EColumn::kThreshold, Clamped(EColumn::kThreshold, m_module.m_threshold));
    Show(EColumn::kRatio,
         Clamped(EColumn::kRatio, IsGate() ? m_module.m_targetOrDepth : m_module.m_ratio));
    Show(EColumn::kTarget, Clamped(EColumn::kTarget, m_module.m_targetOrDepth));
    m_curve.Compute(m_threshold, m_ratio, IsGate() ? m_ratio : m_target);
    if (IsLeveler())
        m_gain = m_curve.Gain();
}

} // namespace attri_dialogs
