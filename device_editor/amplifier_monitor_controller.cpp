#include "device_editor/amplifier_monitor_controller.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "device_editor/amplifier_limits_controller.h"
#include "device_editor/device_change_step.h"
#include "device_editor/run_state.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace device_editor {

using platform::text::format;

namespace {

constexpr float kLowestBoxGain = -100.0f;
constexpr float kHighestBoxGain = 0.0f;

} // namespace

CAmplifierMonitorController::CAmplifierMonitorController(CZoDeviceDoc& doc,
                                                         model::CDeviceQOVG& unit, SheetLock lock)
    : m_doc(doc), m_unit(unit), m_lock(std::move(lock)) {}

void CAmplifierMonitorController::Open() {
    auto held = TakeSheetLock(m_lock);
    m_unit.m_queryRequests[0] = 1;
    m_switchOn = m_unit.m_digitalOutputLevels[0] != 1;
}

std::string CAmplifierMonitorController::Title() const {
    return amplifier::UnitTitle(resources::kMsgMonitorTitle, m_unit);
}

std::string CAmplifierMonitorController::Caption(int k) {
    return std::string(resources::LoadString(resources::kStrCurrentUnit + k));
}

std::string CAmplifierMonitorController::ScaleLabel(int k) const {
    auto held = TakeSheetLock(m_lock);
    return amplifier::ScaleLabels(m_unit, k);
}

LevelBar CAmplifierMonitorController::ReadingBar(int k) const {
    auto held = TakeSheetLock(m_lock);
    const std::size_t i = amplifier::RecordIndex(k);
    return {1,
            m_unit.m_scaleUpper[i] - m_unit.m_scaleLower[i] + 1,
            {m_unit.m_alarmUpper[i], m_unit.m_alarmLower[i]}};
}

LevelBar CAmplifierMonitorController::VolumeBar() {
    return {1, 1210, {1000, 1}};
}

CAmplifierMonitorController::Readings CAmplifierMonitorController::GetReadings() const {
    auto held = TakeSheetLock(m_lock);
    Readings shown;
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const int raw = m_unit.m_analogSamples[amplifier::RecordIndex(k)];
        const auto ku = static_cast<std::size_t>(k);
        shown.barPositions[ku] = amplifier::ReadingBarPosition(k, raw);
        shown.texts[ku] =
            amplifier::ShowReading(raw, k, m_unit.m_rawDisplay[amplifier::RecordIndex(k)] != 0);
    }
    const float volumes[2] = {m_unit.m_leftVolume, m_unit.m_rightVolume};
    for (std::size_t s = 0; s < 2; ++s) {
        shown.volumePositions[s] = amplifier::VolumeBarPosition(volumes[s]);
        shown.volumeTexts[s] = amplifier::ShowVolume(volumes[s]);
    }
    return shown;
}

CAmplifierMonitorController::SleepSwitch CAmplifierMonitorController::GetSleepSwitch() const {
    return m_switchOn ? SleepSwitch{"On", true} : SleepSwitch{"Off", false};
}

void CAmplifierMonitorController::OnAppNotify(int code) {
    if (code == kNotifyStatusSleep) {
        auto held = TakeSheetLock(m_lock);
        m_switchOn = m_unit.m_digitalOutputLevels[0] != 1;
    } else if ((code == kNotifyChannelsRead || code == kNotifyGlobalRead) && m_limits != nullptr) {
        m_limits->OnNotify(code);
    }
}

int CAmplifierMonitorController::Blink() {
    auto held = TakeSheetLock(m_lock);
    if (m_unit.m_flag == 0 || m_unit.m_globalAlarm == 0) {
        m_colours.fill(amplifier::kFieldGrey);
        return amplifier::kIdleMs;
    }
    m_blinkPhase = !m_blinkPhase;
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const std::size_t i = amplifier::RecordIndex(k);
        const int raw = m_unit.m_analogSamples[i];
        const bool outside = m_unit.m_alarmOn[i] != 0 && raw >= 0 &&
                             (raw < m_unit.m_alarmLower[i] || raw > m_unit.m_alarmUpper[i]);
        m_colours[static_cast<std::size_t>(k)] =
            outside && m_blinkPhase ? amplifier::kAlarmRed : amplifier::kFieldGrey;
    }
    return amplifier::kBlinkMs;
}

void CAmplifierMonitorController::OnSleepSwitch() {
    {
        auto held = TakeSheetLock(m_lock);
        m_unit.m_outputToggleRequests[0] = 1;
    }
    m_switchOn = !m_switchOn;
}

void CAmplifierMonitorController::OnStoreGain() {
    auto held = TakeSheetLock(m_lock);
    m_unit.m_firmwareQueryRequest = 1;
}

int CAmplifierMonitorController::SliderPos() const {
    auto held = TakeSheetLock(m_lock);
    return amplifier::SliderPosition(m_unit.m_leftGain);
}

std::string CAmplifierMonitorController::OnSliderMoving(int position) {
    return format("%.1f", static_cast<double>(amplifier::SliderGain(position)));
}

void CAmplifierMonitorController::OnSliderReleased(int position) {
    StoreGains(amplifier::SliderGain(position));
}

CAmplifierMonitorController::GainBox
CAmplifierMonitorController::OnGainBoxCommit(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    float left = 0.0f;
    {
        auto held = TakeSheetLock(m_lock);
        left = m_unit.m_leftGain;
    }
    if (amplifier::Trimmed(text).empty())
        return {format("%.1f", static_cast<double>(left)), std::nullopt};
    const float value =
        std::clamp(static_cast<float>(amplifier::Decimal(text)), kLowestBoxGain, kHighestBoxGain);
    GainBox shown{format("%.1f", static_cast<double>(value)), std::nullopt};
    if (value != left) {
        StoreGains(value);
        shown.sliderPosition = amplifier::SliderPosition(value);
    }
    return shown;
}

void CAmplifierMonitorController::StoreGains(float dB) {
    bool same = false;
    {
        auto held = TakeSheetLock(m_lock);
        same = m_unit.m_leftGain == dB && m_unit.m_rightGain == dB;
    }
    // A slider let go where it was changes nothing in the sheet; the unit
    // is still asked to take the gain.
    if (!same)
        RecordDeviceChange(m_doc, m_unit, nullptr, m_lock);
    auto held = TakeSheetLock(m_lock);
    m_unit.m_leftGain = m_unit.m_rightGain = dB;
    m_unit.m_gainSetRequest = 1;
}

} // namespace device_editor
