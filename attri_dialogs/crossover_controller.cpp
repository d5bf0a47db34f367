#include "attri_dialogs/crossover_controller.h"

#include <algorithm>
#include <cmath>

#include "dsp_editor/dsp_undo.h"
#include "platform/text/format.h"
#include "platform/text/number.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace attri_dialogs {

using model::CAriCrossover;
using platform::gdi::Point;
using platform::gdi::Rect;

namespace {

constexpr double kMinLevel = -100.0;
constexpr double kMaxLevel = 12.0;

std::string Hz(double f) {
    return platform::text::format("%.2f", f);
}

const char* TypeName(std::int32_t type) {
    return model::g_szFilterTypeName[static_cast<std::size_t>(ShownFilterType(type))];
}

} // namespace

CAttriCrossoverController::CAttriCrossoverController(dsp_editor::CZoDSPView& view,
                                                     CAriCrossover& module)
    : m_base(view, module), m_module(module), m_sink(view.Console()) {
    Refresh();
}

std::size_t CAttriCrossoverController::Band(std::int32_t band) const {
    return static_cast<std::size_t>(std::clamp(band, 0, m_bands - 1));
}

std::size_t CAttriCrossoverController::Position(std::int32_t position) const {
    return static_cast<std::size_t>(std::clamp(position, 0, m_positions - 1));
}

std::vector<std::string> CAttriCrossoverController::BandCaptions() const {
    const std::string low = "低频";
    const std::string high(resources::LoadString(resources::kStrCrossoverHigh));
    if (m_bands == 2)
        return {low, high};
    if (m_bands == 3)
        return {low, std::string(resources::LoadString(resources::kStrCrossoverMiddle)), high};
    return {low, "中低", "中高", "高频"};
}

std::int32_t CAttriCrossoverController::BandCaptionString(std::int32_t band) const {
    if (band <= 0 || band >= m_bands || m_bands == 4)
        return 0;
    return band == m_bands - 1 ? 257 : 258;
}

void CAttriCrossoverController::Refresh() {
    m_bands = std::clamp(m_module.m_bands, CAriCrossover::kMinOutputs, CAriCrossover::kMaxOutputs);
    m_positions = 2 * m_bands - 2;
    for (std::int32_t b = 0; b < 4; ++b) {
        m_leftSync[static_cast<std::size_t>(b)] = b != m_bands - 1;
        m_rightSync[static_cast<std::size_t>(b)] = b != 0;
    }
    m_inputMute = m_module.m_inputMute != 0 ? 1 : 0;
    m_inputLevel.shown = m_module.m_inputLevel;
    m_inputLevel.text = platform::text::format("%.1f", m_inputLevel.shown);
    for (std::size_t b = 0; b < 4; ++b) {
        m_outputLevel[b].shown = m_module.m_outputLevel[b];
        m_outputLevel[b].text = platform::text::format("%.1f", m_outputLevel[b].shown);
        m_outputMute[b] = m_module.m_outputMute[b] != 0 ? 1 : 0;
        m_outputInvert[b] = m_module.m_outputInvert[b] != 0 ? 1 : 0;
    }
    m_dragging.fill(false);
    for (std::int32_t p = 0; p < m_positions; ++p)
        ReloadWorking(p);
    m_base.OnBackgroundClick(); // hides the slider
    SelectBand(0);
}

void CAttriCrossoverController::ReloadWorking(std::int32_t position) {
    const auto p = static_cast<std::size_t>(position);
    m_type[p] = ShownFilterType(m_module.m_filterType[p]);
    m_frequency[p] = ClampCutoff(m_module.m_frequency[p]);
    Preview(position);
}

void CAttriCrossoverController::Preview(std::int32_t position) {
    const auto p = static_cast<std::size_t>(position);
    m_count[p] =
        model::DesignSlopeFilter(m_type[p], m_frequency[p], position % 2 != 0, m_sections[p]);
    const std::int32_t band = BandOf(position);
    std::array<std::span<const model::BiquadCoeffs>, 2> filters;
    std::size_t used = 0;
    for (std::int32_t q : {2 * band - 1, 2 * band})
        if (q >= 0 && q < m_positions)
            filters[used++] =
                std::span<const model::BiquadCoeffs>(m_sections[static_cast<std::size_t>(q)])
                    .first(static_cast<std::size_t>(m_count[static_cast<std::size_t>(q)]));
    m_curve[Band(band)] = m_response.Curve(std::span(filters).first(used));
}

void CAttriCrossoverController::SelectBand(std::int32_t band) {
    if (band < 0 || band >= m_bands)
        return;
    m_selected = band;
    ShowCutoffs();
    if (m_sliderTarget == kOutputTarget)
        m_base.OnLevelEditFocus(OutputLevelEdit());
}

void CAttriCrossoverController::ShowCutoffs() {
    for (std::int32_t column : {kLeft, kRight}) {
        const std::int32_t p = ColumnPosition(column);
        if (p >= 0)
            m_cutoff[Side(column)] = {Hz(m_frequency[static_cast<std::size_t>(p)]),
                                      m_frequency[static_cast<std::size_t>(p)]};
    }
}

std::int32_t CAttriCrossoverController::ColumnPosition(std::int32_t column) const {
    const std::int32_t b = m_selected;
    if (column == kLeft)
        return b == m_bands - 1 ? -1 : (b == 0 ? 0 : 2 * b - 1);
    return b == 0 ? -1 : (b == m_bands - 1 ? 2 * b - 1 : 2 * b);
}

std::int32_t CAttriCrossoverController::ColumnType(std::int32_t column) const {
    std::int32_t p = ColumnPosition(column);
    if (p < 0)
        p = column == kLeft ? 2 * m_selected - 2 : 1;
    return m_type[Position(p)];
}

std::int32_t CAttriCrossoverController::SpinPosition(std::int32_t column) const {
    const std::int32_t p = ColumnPosition(column);
    return p < 0 ? 0 : static_cast<std::int32_t>(m_frequency[static_cast<std::size_t>(p)]);
}

bool CAttriCrossoverController::Sync(std::int32_t column) const {
    if (!SyncEnabled(column))
        return false;
    const auto b = static_cast<std::size_t>(m_selected);
    return column == kLeft ? m_leftSync[b] : m_rightSync[b];
}

bool CAttriCrossoverController::SyncEnabled(std::int32_t column) const {
    return column == kLeft ? m_selected != m_bands - 1 : m_selected != 0;
}

bool& CAttriCrossoverController::SyncFlag(std::int32_t column) {
    const auto b = static_cast<std::size_t>(m_selected);
    return column == kLeft ? m_leftSync[b] : m_rightSync[b];
}

std::int32_t CAttriCrossoverController::SyncColumnOf(std::int32_t position) const {
    // The band's lower edge is odd, its upper edge even; band 0's only
    // position (0) sits in the left column, the last band's in the right.
    const std::int32_t band = BandOf(position);
    if (band == 0)
        return kLeft;
    if (band == m_bands - 1)
        return kRight;
    return position % 2 != 0 ? kLeft : kRight;
}

void CAttriCrossoverController::OnSyncToggle(std::int32_t column) {
    if (!m_base.Editable() || !SyncEnabled(column))
        return;
    m_base.OnBackgroundClick();
    SyncFlag(column) = !SyncFlag(column);
}

void CAttriCrossoverController::OnTypeListFocus() {
    m_base.OnBackgroundClick();
}

void CAttriCrossoverController::Commit(std::int32_t position, std::int32_t partner,
                                       bool withCount) {
    const std::int32_t positions[] = {position, partner};
    const std::size_t count = partner >= 0 ? 2 : 1;
    for (std::size_t i = 0; i < count; ++i)
        Preview(positions[i]);
    dsp_editor::ParameterChange change;
    change.assign = [&](model::CBaseAriModule& module) {
        auto* target = dynamic_cast<CAriCrossover*>(&module);
        if (target == nullptr)
            return;
        for (std::size_t i = 0; i < count; ++i) {
            const auto p = static_cast<std::size_t>(positions[i]);
            target->m_filterType[p] = m_type[p];
            target->m_frequency[p] = m_frequency[p];
            target->CalcSectionCoeffs(positions[i], m_type[p], m_frequency[p]);
        }
    };
    change.command = [&](const model::CBaseAriModule&, model::IParameterSink&) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::int32_t at = positions[i];
            const auto p = static_cast<std::size_t>(at);
            const auto used = static_cast<std::size_t>(std::clamp(m_module.m_biquadCount[p], 0, 4));
            SendSlopeSections(
                m_sink, m_module.m_order, at + 1, 4 * at + 1,
                std::span<const model::BiquadCoeffs>(m_module.m_sections[p]).first(used),
                withCount);
        }
    };
    m_base.SetParameter(m_module, change);
}

bool CAttriCrossoverController::OnTypeSelected(std::int32_t column, std::int32_t index) {
    const std::int32_t p = ColumnPosition(column);
    if (!m_base.Editable() || p < 0 || !model::IsFilterType(index))
        return false;
    m_base.OnBackgroundClick();
    const auto at = static_cast<std::size_t>(p);
    if (index == m_module.m_filterType[at])
        return false;
    m_type[at] = index;
    m_frequency[at] = ClampCutoff(m_module.m_frequency[at]);
    const bool sync = Sync(column);
    const std::int32_t q = Partner(p);
    if (sync) {
        m_type[static_cast<std::size_t>(q)] = index;
        m_frequency[static_cast<std::size_t>(q)] = m_frequency[at];
    }
    ShowCutoffs();
    Commit(p, sync ? q : -1, true);
    return true;
}

bool CAttriCrossoverController::OnCutoffEdit(std::int32_t column, EEditEvent event) {
    ValueEdit& edit = CutoffEdit(column);
    if (!m_base.Editable()) {
        if (event == EEditEvent::kFocusLost)
            edit.text = Hz(edit.shown);
        return false;
    }
    if (event == EEditEvent::kTextChanged) {
        if (edit.text == "-")
            edit.text.clear();
        std::string text = edit.text;
        if (text.empty() || !TakeEnter(text))
            return false;
        edit.text = text;
    }
    return CommitCutoff(column);
}

bool CAttriCrossoverController::CommitCutoff(std::int32_t column) {
    const std::int32_t p = ColumnPosition(column);
    if (p < 0)
        return false;
    ValueEdit& edit = CutoffEdit(column);
    const auto at = static_cast<std::size_t>(p);
    const double value = ClampCutoff(platform::text::to_double(edit.text));
    edit = {Hz(value), value};
    m_frequency[at] = value;
    const bool sync = Sync(column);
    const std::int32_t q = Partner(p);
    if (value == m_module.m_frequency[at]) {
        // Nothing to commit: drop whatever a preview left.
        Preview(p);
        if (sync)
            ReloadWorking(q);
        return false;
    }
    if (sync)
        m_frequency[static_cast<std::size_t>(q)] = value;
    Commit(p, sync ? q : -1, false);
    return true;
}

void CAttriCrossoverController::OnSpin(std::int32_t column, std::int32_t position) {
    const std::int32_t p = ColumnPosition(column);
    if (!m_base.Editable() || p < 0)
        return;
    const auto at = static_cast<std::size_t>(p);
    const double f = m_frequency[at];
    const double step = position - static_cast<std::int32_t>(f);
    m_frequency[at] = ClampCutoff(f + step * CutoffSpinFactor(position));
    CutoffEdit(column) = {Hz(m_frequency[at]), m_frequency[at]};
    Preview(p);
    if (Sync(column)) {
        m_frequency[static_cast<std::size_t>(Partner(p))] = m_frequency[at];
        Preview(Partner(p));
    }
}

AttriParameter CAttriCrossoverController::InputLevelParameter() const {
    AttriParameter parameter = TableParameter(model::kAriCrossover, 602);
    parameter.minimum = kMinLevel;
    parameter.maximum = kMaxLevel;
    parameter.format = "%.1f";
    parameter.slider = true;
    return parameter;
}

AttriParameter CAttriCrossoverController::OutputLevelParameter() const {
    AttriParameter parameter = TableParameter(model::kAriCrossover, 605, 0, Band(m_selected));
    parameter.minimum = kMinLevel;
    parameter.maximum = kMaxLevel;
    parameter.format = "%.1f";
    parameter.slider = true;
    return parameter;
}

AttriParameter CAttriCrossoverController::OutputSwitchParameter(std::int32_t code) const {
    AttriParameter parameter = TableParameter(model::kAriCrossover, code, 0, Band(m_selected));
    parameter.maximum = 1;
    return parameter;
}

bool CAttriCrossoverController::OnInputLevel(EEditEvent event) {
    return m_base.OnEdit(InputLevelParameter(), m_inputLevel, event);
}

bool CAttriCrossoverController::OnOutputLevel(EEditEvent event) {
    return m_base.OnEdit(OutputLevelParameter(), OutputLevelEdit(), event);
}

bool CAttriCrossoverController::OnLevelEditFocus(std::int32_t target) {
    m_sliderTarget = target == kOutputTarget ? kOutputTarget : kInputTarget;
    return m_base.OnLevelEditFocus(m_sliderTarget == kOutputTarget ? OutputLevelEdit()
                                                                   : m_inputLevel);
}

void CAttriCrossoverController::OnSliderMoving(std::int32_t position) {
    m_base.OnSliderMoving(position,
                          m_sliderTarget == kOutputTarget ? OutputLevelEdit() : m_inputLevel);
}

bool CAttriCrossoverController::OnSliderReleased() {
    // Both levels record their undo step.
    return m_sliderTarget == kOutputTarget ? OnOutputLevel(EEditEvent::kSliderReleased)
                                           : OnInputLevel(EEditEvent::kSliderReleased);
}

bool CAttriCrossoverController::OnInputMute() {
    AttriParameter parameter = TableParameter(model::kAriCrossover, 601);
    parameter.maximum = 1;
    return m_base.OnToggle(parameter, m_inputMute);
}

bool CAttriCrossoverController::OnOutputMute() {
    return m_base.OnToggle(OutputSwitchParameter(603), m_outputMute[Band(m_selected)]);
}

bool CAttriCrossoverController::OnOutputInvert() {
    return m_base.OnToggle(OutputSwitchParameter(604), m_outputInvert[Band(m_selected)]);
}

std::string CAttriCrossoverController::BandText(std::int32_t band) const {
    // The band summaries' formats and words, in the string table.
    constexpr int kLowFormat = 4640;
    constexpr int kHighFormat = 4641;
    constexpr int kMiddleFormat = 4642;
    constexpr int kLowMiddleFormat = 4643;
    constexpr int kHighMiddleFormat = 4644;
    constexpr int kNormalWord = 4645;
    constexpr int kMutedWord = 4646;
    constexpr int kInvertedWord = 4647;

    const std::size_t b = Band(band);
    const double level = m_outputLevel[b].shown;
    const std::string normal(resources::LoadString(kNormalWord));
    const std::string mute =
        m_module.m_outputMute[b] == 1 ? std::string(resources::LoadString(kMutedWord)) : normal;
    const std::string polarity = m_module.m_outputInvert[b] == 1
                                     ? std::string(resources::LoadString(kInvertedWord))
                                     : normal;
    const auto f = [this](std::int32_t p) { return m_frequency[Position(p)]; };
    const auto type = [this](std::int32_t p) { return TypeName(m_type[Position(p)]); };
    const auto format = [](int id, const auto&... args) {
        return platform::text::format(resources::LoadString(id), args...);
    };
    if (b == 0)
        return format(kLowFormat, f(0), type(0), level, mute, polarity);
    const auto lower = static_cast<std::int32_t>(2 * b - 1);
    if (static_cast<std::int32_t>(b) == m_bands - 1)
        return format(kHighFormat, f(lower) * 0.001, type(lower), level, mute, polarity);
    if (m_bands == 3)
        return format(kMiddleFormat, f(1), f(2), type(1), type(2), level, mute, polarity);
    if (b == 1)
        return format(kLowMiddleFormat, f(1), f(2), type(1), type(2), level, mute, polarity);
    return format(kHighMiddleFormat, f(3), f(4) * 0.001, type(3), type(4), level, mute, polarity);
}

std::int32_t CAttriCrossoverController::BandPanel(std::int32_t band) const {
    const auto b = static_cast<std::int32_t>(Band(band));
    return b == m_bands - 1 ? 3 : b;
}

Rect CAttriCrossoverController::HandleRect(std::int32_t position) const {
    const std::size_t p = Position(position);
    return m_response.HandleRect(m_curve[Band(BandOf(position))], m_frequency[p]);
}

CAttriCrossoverController::EMouseDown CAttriCrossoverController::OnMouseDown(Point point) {
    if (!m_base.Editable())
        return EMouseDown::kNone;
    m_base.OnBackgroundClick();
    for (std::int32_t column : {kLeft, kRight}) {
        const std::int32_t p = ColumnPosition(column);
        if (p < 0 || !HandleRect(p).PtInRect(point))
            continue;
        m_dragging[static_cast<std::size_t>(p)] = true;
        if (Sync(column))
            m_dragging[static_cast<std::size_t>(Partner(p))] = true;
        return EMouseDown::kDrag;
    }
    for (std::int32_t b = 0; b < m_bands; ++b)
        if (m_response.HitsCurve(m_curve[static_cast<std::size_t>(b)], point)) {
            SelectBand(b);
            return EMouseDown::kSelect;
        }
    for (std::int32_t p = 0; p < m_positions; ++p)
        if (HandleRect(p).PtInRect(point)) {
            m_dragging[static_cast<std::size_t>(p)] = true;
            m_dragging[static_cast<std::size_t>(Partner(p))] = true;
            SelectBand(BandOf(p));
            return EMouseDown::kDrag;
        }
    return EMouseDown::kNone;
}

bool CAttriCrossoverController::IsDragging() const {
    return std::any_of(m_dragging.begin(), m_dragging.end(), [](bool d) { return d; });
}

void CAttriCrossoverController::OnMouseMove(Point point) {
    if (!m_base.Editable() || !IsDragging())
        return;
    const double f = m_response.FrequencyAt(point.x);
    for (std::int32_t column : {kLeft, kRight}) {
        const std::int32_t p = ColumnPosition(column);
        if (p < 0 || !m_dragging[static_cast<std::size_t>(p)])
            continue;
        m_frequency[static_cast<std::size_t>(p)] = f;
        CutoffEdit(column) = {Hz(f), f};
        Preview(p);
        if (Sync(column)) {
            m_frequency[static_cast<std::size_t>(Partner(p))] = f;
            Preview(Partner(p));
        }
    }
}

bool CAttriCrossoverController::OnMouseUp() {
    if (!IsDragging())
        return false;
    std::array<bool, 2> commit{};
    for (std::int32_t column : {kLeft, kRight}) {
        const std::int32_t p = ColumnPosition(column);
        commit[Side(column)] = p >= 0 && m_dragging[static_cast<std::size_t>(p)];
    }
    m_dragging.fill(false);
    if (!m_base.Editable())
        return false;
    bool changed = false;
    for (std::int32_t column : {kLeft, kRight})
        if (commit[Side(column)])
            changed = CommitCutoff(column) || changed;
    return changed;
}

void CAttriCrossoverController::Draw(platform::gdi::Canvas& canvas) const {
    std::vector<CSlopeResponse::CurveStyle> curves;
    for (std::int32_t b = 0; b < m_bands; ++b)
        curves.push_back(
            {&m_curve[static_cast<std::size_t>(b)],
             b == m_selected ? CSlopeResponse::kSelectedCurve : CSlopeResponse::kCurve});
    std::vector<CSlopeResponse::HandleStyle> handles;
    for (std::int32_t p = 0; p < m_positions; ++p)
        handles.push_back({HandleRect(p), m_dragging[static_cast<std::size_t>(p)]
                                              ? CSlopeResponse::kDraggedHandle
                                              : CSlopeResponse::kHandle});
    m_response.Draw(canvas, curves, handles);
}

bool CAttriCrossoverController::SetDefaultValues() {
    if (!m_base.SetDefaultValues())
        return false;
    Refresh();
    return true;
}

} // namespace attri_dialogs
