#include "device_editor/amplifier_limits_controller.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "device_editor/amplifier_monitor_controller.h"
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

CAmplifierLimitsController::CAmplifierLimitsController(CZoDeviceDoc& doc, model::CDeviceQOVG& unit,
                                                       SheetLock lock)
    : m_doc(doc), m_unit(unit), m_lock(std::move(lock)) {}

std::string CAmplifierLimitsController::Title() const {
    return amplifier::UnitTitle(resources::kMsgLimitsTitle, m_unit);
}

std::array<std::string, 2> CAmplifierLimitsController::UnitChoices(int k) {
    return {CAmplifierMonitorController::Caption(k),
            std::string(resources::LoadString(resources::kStrRawValue))};
}

void CAmplifierLimitsController::Load() {
    auto held = TakeSheetLock(m_lock);
    global = m_unit.m_globalAlarm != 0;
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const std::size_t i = amplifier::RecordIndex(k);
        Row& row = GetRow(k);
        const bool raw = m_unit.m_rawDisplay[i] != 0;
        row.name = m_unit.m_analogNames[i];
        row.scaleLower = amplifier::ShowValue(m_unit.m_scaleLower[i], k, raw);
        row.scaleUpper = amplifier::ShowValue(m_unit.m_scaleUpper[i], k, raw);
        row.alarmOn = m_unit.m_alarmOn[i] != 0;
        row.alarmLower = amplifier::ShowValue(m_unit.m_alarmLower[i], k, raw);
        row.alarmUpper = amplifier::ShowValue(m_unit.m_alarmUpper[i], k, raw);
        row.unit = raw ? kRaw : kScaled;
    }
}

void CAmplifierLimitsController::OnUnitChanged(int k, int unit) {
    GetRow(k).unit = unit;
    auto held = TakeSheetLock(m_lock);
    ShowLimits(k, unit == kRaw);
}

void CAmplifierLimitsController::ShowLimits(int k, bool raw) {
    const std::size_t i = amplifier::RecordIndex(k);
    Row& row = GetRow(k);
    row.scaleLower = amplifier::ShowValue(m_unit.m_scaleLower[i], k, raw);
    row.scaleUpper = amplifier::ShowValue(m_unit.m_scaleUpper[i], k, raw);
    row.alarmLower = amplifier::ShowValue(m_unit.m_alarmLower[i], k, raw);
    row.alarmUpper = amplifier::ShowValue(m_unit.m_alarmUpper[i], k, raw);
}

std::optional<CAmplifierLimitsController::Failure> CAmplifierLimitsController::Validate() const {
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const Row& row = m_rows[static_cast<std::size_t>(k)];
        const std::string* texts[4] = {&row.scaleLower, &row.scaleUpper, &row.alarmLower,
                                       &row.alarmUpper};
        for (int f = 0; f < 4; ++f)
            if (amplifier::Trimmed(*texts[f]).empty())
                return Failure{resources::kMsgScaleLowerEmpty + f, k};
        const double top = row.unit == kRaw ? amplifier::kRawFullScale : amplifier::FullScale(k);
        double values[4] = {};
        for (int f = 0; f < 4; ++f) {
            values[f] = amplifier::Decimal(*texts[f]);
            if (values[f] < 0 || values[f] > top)
                return Failure{resources::kMsgScaleLowerRange + f, k};
        }
        if (values[3] <= values[2])
            return Failure{resources::kMsgAlarmOrder, k};
    }
    return std::nullopt;
}

bool CAmplifierLimitsController::OnOk() {
    m_focusRow = -1;
    if (const auto failure = Validate()) {
        model::ShowMessage(failure->message);
        return false;
    }
    for (int k = 0; k < amplifier::kReadings; ++k)
        if (GetRow(k).name.empty()) {
            m_focusRow = k;
            model::ShowMessage(resources::kMsgChannelNameEmpty);
            return false;
        }
    RecordDeviceChange(m_doc, m_unit, nullptr, m_lock);
    auto held = TakeSheetLock(m_lock);
    m_unit.m_globalAlarm = global ? 1 : 0;
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const std::size_t i = amplifier::RecordIndex(k);
        const Row& row = GetRow(k);
        const bool raw = row.unit == kRaw;
        m_unit.m_analogNames[i] = row.name;
        m_unit.m_rawDisplay[i] = raw ? 1 : 0;
        m_unit.m_scaleLower[i] = amplifier::StoreValue(amplifier::Decimal(row.scaleLower), k, raw);
        m_unit.m_scaleUpper[i] = amplifier::StoreValue(amplifier::Decimal(row.scaleUpper), k, raw);
        m_unit.m_alarmOn[i] = row.alarmOn ? 1 : 0;
        m_unit.m_alarmLower[i] = amplifier::StoreValue(amplifier::Decimal(row.alarmLower), k, raw);
        m_unit.m_alarmUpper[i] = amplifier::StoreValue(amplifier::Decimal(row.alarmUpper), k, raw);
    }
    return true;
}

bool CAmplifierLimitsController::OnDownload() {
    if (const auto failure = Validate()) {
        model::ShowMessage(failure->message);
        return false;
    }
    RecordDeviceChange(m_doc, m_unit, nullptr, m_lock);
    auto held = TakeSheetLock(m_lock);
    // The request carries the switch the unit is to take.
    if ((m_unit.m_globalAlarm != 0) != global) {
        m_unit.m_globalAlarm = global ? 1 : 0;
        m_unit.m_settingsChanged = 1;
    }
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const Row& row = GetRow(k);
        if (row.unit == kNoUnit)
            continue;
        const std::size_t i = amplifier::RecordIndex(k);
        const bool raw = row.unit == kRaw;
        m_unit.m_alarmOn[i] = row.alarmOn ? 1 : 0;
        m_unit.m_alarmLower[i] = amplifier::StoreValue(amplifier::Decimal(row.alarmLower), k, raw);
        m_unit.m_alarmUpper[i] = amplifier::StoreValue(amplifier::Decimal(row.alarmUpper), k, raw);
        m_unit.m_analogRunFlags1[i] = 1;
    }
    return true;
}

void CAmplifierLimitsController::OnRefresh() {
    auto held = TakeSheetLock(m_lock);
    m_unit.m_settingsEdit = 1;
    for (int k = 0; k < amplifier::kReadings; ++k)
        m_unit.m_analogRunFlags2[amplifier::RecordIndex(k)] = 1;
}

void CAmplifierLimitsController::OnNotify(int code) {
    if (code == kNotifyChannelsRead) {
        const bool wasGlobal = global;
        Load();
        global = wasGlobal;
        auto held = TakeSheetLock(m_lock);
        for (int k = 0; k < amplifier::kReadings; ++k)
            m_unit.m_analogRunFlags2[amplifier::RecordIndex(k)] = 0;
    } else if (code == kNotifyGlobalRead) {
        auto held = TakeSheetLock(m_lock);
        m_unit.m_settingsEdit = 0;
        global = m_unit.m_globalAlarm != 0;
    }
}

} // namespace device_editor
