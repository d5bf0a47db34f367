#include "attri_dialogs/meter_controller.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/ari_crossover.h"
#include "platform/text/format.h"
#include "platform/text/number.h"

namespace attri_dialogs {

using model::CAriMeter;
using model::CBaseAriModule;

namespace {

constexpr std::int32_t kHoldTimeMin = 1;
constexpr std::int32_t kHoldTimeMax = 1000;
// The level bar's scale.
constexpr std::int32_t kBarFloor = -60;
constexpr std::int32_t kBarTop = 24;

// A hold time as typed: read as a number, clamped, whole milliseconds.
std::int32_t HoldTimeOf(const std::string& text) {
    const double ms = std::clamp(platform::text::to_double(text), static_cast<double>(kHoldTimeMin),
                                 static_cast<double>(kHoldTimeMax));
    return static_cast<std::int32_t>(ms);
}

// A crossover's band name of output `output` (from 1); empty for a
// crossover variant without band names.
std::string BandName(std::int32_t variant, std::int32_t output) {
    static const std::array<std::vector<const char*>, 3> kBands{{
        {"L", "H"},
        {"L", "M", "H"},
        {"L", "LM", "HM", "H"},
    }};
    if (variant < 19 || variant > 21)
        return {};
    const std::vector<const char*>& bands = kBands[static_cast<std::size_t>(variant - 19)];
    if (output < 1 || output > static_cast<std::int32_t>(bands.size()))
        return "Wrong";
    return bands[static_cast<std::size_t>(output - 1)];
}

} // namespace

MeterCaption MeterChannelCaption(const CBaseAriModule& linked, std::int32_t linkedChannel) {
    if (linked.m_typeCode == model::kAriInput)
        return {"Input", linked.m_name};
    const std::int32_t output = linkedChannel - linked.m_inputCount + 1;
    MeterCaption caption{linked.m_name, platform::text::format("Out %d", output)};
    if (linked.m_outputCount == 1)
        caption.channel = "Out";
    if (linked.m_typeCode == model::kAriCrossover) {
        std::string band = BandName(linked.m_subType, output);
        if (!band.empty())
            caption.channel = std::move(band);
    }
    return caption;
}

std::optional<std::int32_t> MeterReadCode(std::int32_t typeCode) {
    switch (typeCode) {
    case model::kAriInput:
        return 106;
    case model::kAriDelay:
        return 303;
    case model::kAriRouter:
        return 402;
    case model::kAriMixer:
        return 507;
    case model::kAriDynamic:
        return 706;
    case model::kAriGenerator:
        return 809;
    case model::kAriEqualizer:
    case model::kAriFilter:
    case model::kAriCrossover:
        return 608;
    default:
        return std::nullopt;
    }
}

platform::gdi::Point MeterChannelOffset(std::int32_t k) {
    return {119 * (k % 4), 146 * (k / 4)};
}

platform::gdi::Size MeterWindowSize(std::int32_t channels) {
    if (channels > 4)
        return {494, 327};
    return {119 * channels + 18, 181};
}

CAttriMeterController::CAttriMeterController(dsp_editor::CZoDSPView& view, CAriMeter& meter)
    : CAttriController(view, meter), m_meter(meter), m_sink(view.Console()),
      m_channels(std::clamp(meter.m_meterInputs, 0, CAriMeter::kMaxInputs)) {
    for (std::int32_t k = 0; k < m_channels; ++k) {
        m_rows[Ix(k)].number = platform::text::format("In %d", k + 1);
        const model::CBaseChnl* chnl = m_meter.GetChnl(k);
        if (chnl != nullptr && chnl->m_peerModule != 0)
            SetChannelCaption(k, chnl->m_peerModule, chnl->m_peerChannel);
    }
    Refresh();
}

void CAttriMeterController::SetChannelCaption(std::int32_t k, std::int32_t linkedId,
                                              std::int32_t linkedChannel) {
    const CBaseAriModule* linked = Document().GetModuleById(linkedId);
    if (linked == nullptr)
        return;
    MeterCaption caption = MeterChannelCaption(*linked, linkedChannel);
    m_rows[Ix(k)].moduleCaption = std::move(caption.module);
    m_rows[Ix(k)].channelCaption = std::move(caption.channel);
}

void CAttriMeterController::Refresh() {
    for (std::int32_t k = 0; k < m_channels; ++k) {
        const CAriMeter::PeakHold& hold = m_meter.m_peakHold[Ix(k)];
        MeterChannel& row = m_rows[Ix(k)];
        row.holdTime.text = platform::text::format("%d", hold.holdTime);
        row.holdTime.shown = hold.holdTime;
        row.upDown = hold.holdTime;
        row.hold = hold.holdOn;
        row.infiniteHold = hold.infinite;
    }
}

void CAttriMeterController::Open(IMeterTimer* timer) {
    if (Document().m_live != 0)
        View().Console().ClearGetList();
    m_timer = timer;
    if (m_timer != nullptr)
        m_timer->Start(kMeterPeriodMs);
    m_timerRunning = true;
}

void CAttriMeterController::KillTimer() {
    if (m_timerRunning && m_timer != nullptr)
        m_timer->Kill();
    m_timerRunning = false;
}

bool CAttriMeterController::OnClose() {
    KillTimer();
    return CAttriController::OnClose();
}

void CAttriMeterController::Tick() {
    if (!m_timerRunning)
        return;
    if (!Editable()) {
        KillTimer();
        return;
    }
    if (Document().m_live == 0)
        return;
    for (std::int32_t k = 0; k < m_channels; ++k) {
        const model::CBaseChnl* chnl = m_meter.GetChnl(k);
        if (chnl == nullptr || chnl->m_peerModule == 0)
            continue;
        const CBaseAriModule* linked = Document().GetModuleById(chnl->m_peerModule);
        if (linked == nullptr)
            return;
        const std::optional<std::int32_t> code = MeterReadCode(linked->m_typeCode);
        if (!code)
            return;
        if (linked->m_typeCode == model::kAriInput)
            m_sink.SendGetChannel(linked->m_order, *code, linked->m_id);
        else if (linked->m_outputCount == 1)
            m_sink.SendGet(linked->m_order, *code);
        else if (linked->m_outputCount > 1)
            m_sink.SendGetChannel(linked->m_order, *code,
                                  chnl->m_peerChannel - linked->m_inputCount + 1);
    }
}

void CAttriMeterController::ShowMeterLevel(std::int32_t k, double dB) {
    if (k < 0 || k >= m_channels)
        return;
    MeterChannel& row = m_rows[Ix(k)];
    row.barLevel = std::clamp(static_cast<std::int32_t>(std::trunc(std::clamp(dB, -1e6, 1e6))),
                              kBarFloor, kBarTop);
    row.readout = platform::text::format("%.1f", dB);
}

void CAttriMeterController::ApplyHold(std::int32_t k, const CAriMeter::PeakHold& hold) {
    // Stored in the sheet: the change is the document's, though none is sent.
    dsp_editor::ParameterChange change;
    change.assign = [&](CBaseAriModule& module) {
        if (auto* meter = dynamic_cast<CAriMeter*>(&module))
            meter->m_peakHold[Ix(k)] = hold;
    };
    SetParameter(m_meter, change);
}

bool CAttriMeterController::ApplyHoldTime(std::int32_t k) {
    MeterChannel& row = m_rows[Ix(k)];
    const std::int32_t ms = HoldTimeOf(row.holdTime.text);
    row.upDown = ms;
    row.holdTime.text = platform::text::format("%d", ms);
    row.holdTime.shown = ms;
    CAriMeter::PeakHold hold = m_meter.m_peakHold[Ix(k)];
    if (hold.holdTime == ms)
        return false;
    hold.holdTime = ms;
    ApplyHold(k, hold);
    return true;
}

bool CAttriMeterController::OnHoldTimeEdit(std::int32_t k, EEditEvent event) {
    if (k < 0 || k >= m_channels)
        return false;
    if (!Editable()) {
        if (event == EEditEvent::kFocusLost)
            Refresh();
        return false;
    }
    if (event == EEditEvent::kTextChanged) {
        MeterChannel& row = m_rows[Ix(k)];
        const bool enter = TakeEnter(row.holdTime.text);
        // The up-down control follows every keystroke.
        row.upDown = HoldTimeOf(row.holdTime.text);
        return enter && ApplyHoldTime(k);
    }
    bool changed = false;
    for (std::int32_t c = 0; c < m_channels; ++c)
        changed = ApplyHoldTime(c) || changed;
    return changed;
}

void CAttriMeterController::OnHoldTimeScroll(std::int32_t k, std::int32_t position) {
    if (!Editable() || k < 0 || k >= m_channels)
        return;
    MeterChannel& row = m_rows[Ix(k)];
    row.upDown = position;
    row.holdTime.text = platform::text::format("%d", position);
}

bool CAttriMeterController::OnHoldClick(std::int32_t k) {
    if (!Editable() || k < 0 || k >= m_channels)
        return false;
    CAriMeter::PeakHold hold = m_meter.m_peakHold[Ix(k)];
    hold.holdOn = hold.holdOn != 0 ? 0 : 1;
    ApplyHold(k, hold);
    m_rows[Ix(k)].hold = hold.holdOn;
    return true;
}

bool CAttriMeterController::OnInfiniteHoldClick(std::int32_t k) {
    if (!Editable() || k < 0 || k >= m_channels)
        return false;
    CAriMeter::PeakHold hold = m_meter.m_peakHold[Ix(k)];
    hold.infinite = hold.infinite != 0 ? 0 : 1;
    ApplyHold(k, hold);
    m_rows[Ix(k)].infiniteHold = hold.infinite;
    return true;
}

bool CAttriMeterController::AtDefaults() const {
    return std::all_of(
        m_meter.m_peakHold.begin(), m_meter.m_peakHold.end(),
        [](const CAriMeter::PeakHold& hold) { return hold == CAriMeter::PeakHold{}; });
}

} // namespace attri_dialogs
