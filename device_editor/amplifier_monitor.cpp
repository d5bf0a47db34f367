#include "device_editor/amplifier_monitor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "device_editor/device_change_step.h"
#include "device_editor/run_state.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace device_editor {

using platform::text::format;

namespace amplifier {

namespace {

constexpr int kScaleMarks = 7;
constexpr float kLowestBoxGain = -100.0f;
constexpr float kHighestBoxGain = 0.0f;

std::size_t Index(int k) {
    return static_cast<std::size_t>(AnalogIndex(k));
}

} // namespace

double FullScale(int k) {
    return model::CDeviceQOVG::kFullScale[Index(k)];
}

std::string ShowValue(int raw, int k, bool rawDisplay) {
    if (rawDisplay)
        return format("%d", raw);
    return format("%.1f", raw * FullScale(k) / kRawFullScale);
}

std::string ShowReading(int raw, int k, bool rawDisplay) {
    return raw < 0 ? std::string() : ShowValue(raw, k, rawDisplay);
}

int StoreValue(double typed, int k, bool rawDisplay) {
    const double raw = rawDisplay ? typed : typed * kRawFullScale / FullScale(k);
    return static_cast<int>(std::lround(raw));
}

std::string ScaleLabels(const model::CDeviceQOVG& unit, int k) {
    const bool raw = unit.m_rawDisplay[Index(k)] != 0;
    // The current and voltage scales are not linear: their marks are fixed.
    using marks_t = std::array<const char*, kScaleMarks>;
    marks_t fixed{};
    if (k == 0)
        fixed = raw ? marks_t{"1023", "869", "647", "358", "136", "68", "0"}
                    : marks_t{"15.0", "12.8", "9.5", "5.2", "2.0", "1.0", "0.0"};
    else if (k == 1)
        fixed = raw ? marks_t{"1023", "792", "358", "230", "102", "51", "0"}
                    : marks_t{"100.0", "77.5", "35.0", "22.5", "10.0", "5.0", "0.0"};
    std::string text;
    for (int j = 0; j < kScaleMarks; ++j) {
        std::string mark;
        if (k < 2) {
            mark = fixed[static_cast<std::size_t>(j)];
        } else {
            const double upper = unit.m_scaleUpper[Index(k)];
            const double lower = unit.m_scaleLower[Index(k)];
            const double value = upper - j * (upper - lower) / (kScaleMarks - 1);
            mark = raw ? format("%d", static_cast<int>(std::lround(value)))
                       : format("%.1f", value * FullScale(k) / kRawFullScale);
        }
        if (!text.empty())
            text += "\n\n";
        text += mark;
    }
    return text;
}

int ReadingBarPosition(int k, int raw) {
    if (raw < 0)
        return 1;
    double position = raw + 1.0;
    if (k == 0)
        position = raw < 136 ? 2.25 * raw + 1 : (raw - 136) * 0.8076923 + 307.9;
    else if (k == 1)
        position = raw < 102.3 ? 3.0 * raw + 1 : (raw - 102.3) * 0.7777778 + 307.9;
    return static_cast<int>(std::lround(position));
}

int VolumeBarPosition(float dB) {
    if (std::isnan(dB))
        return 1;
    return static_cast<int>(std::lround(1211.0 + 10.0 * (static_cast<double>(dB) - 21.0)));
}

std::string ShowVolume(float dB) {
    return std::isnan(dB) ? std::string() : format("%.1f", static_cast<double>(dB));
}

int SliderPosition(float dB) {
    return static_cast<int>(std::lround(1.0 - 10.0 * static_cast<double>(dB)));
}

float SliderGain(int position) {
    return static_cast<float>((1 - position) / 10.0);
}

} // namespace amplifier

namespace {

using amplifier::AnalogIndex;

std::size_t Index(int k) {
    return static_cast<std::size_t>(AnalogIndex(k));
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A typed decimal number: its leading number, 0 when there is none.
double Decimal(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

std::string UnitTitle(int id, const model::CDeviceQOVG& unit) {
    return model::FormatMessage(id, model::ModelName(unit.m_typeCode), unit.m_name, unit.m_mac);
}

} // namespace

// -- the status window

CAmplifierMonitorController::CAmplifierMonitorController(CZoDeviceDoc& doc,
                                                         model::CDeviceQOVG& unit, SheetLock lock)
    : m_doc(doc), m_unit(unit), m_lock(std::move(lock)) {}

void CAmplifierMonitorController::Open() {
    auto held = TakeSheetLock(m_lock);
    m_unit.m_queryRequests[0] = 1;
    m_switchOn = m_unit.m_digitalOutputLevels[0] != 1;
}

std::string CAmplifierMonitorController::Title() const {
    return UnitTitle(resources::kMsgMonitorTitle, m_unit);
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
    const std::size_t i = Index(k);
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
        const int raw = m_unit.m_analogSamples[Index(k)];
        const auto ku = static_cast<std::size_t>(k);
        shown.barPositions[ku] = amplifier::ReadingBarPosition(k, raw);
        shown.texts[ku] = amplifier::ShowReading(raw, k, m_unit.m_rawDisplay[Index(k)] != 0);
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
        const std::size_t i = Index(k);
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
    if (Trimmed(text).empty())
        return {format("%.1f", static_cast<double>(left)), std::nullopt};
    const float value = std::clamp(static_cast<float>(Decimal(text)), amplifier::kLowestBoxGain,
                                   amplifier::kHighestBoxGain);
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

// -- the limits dialog

CAmplifierLimitsController::CAmplifierLimitsController(CZoDeviceDoc& doc, model::CDeviceQOVG& unit,
                                                       SheetLock lock)
    : m_doc(doc), m_unit(unit), m_lock(std::move(lock)) {}

std::string CAmplifierLimitsController::Title() const {
    return UnitTitle(resources::kMsgLimitsTitle, m_unit);
}

std::array<std::string, 2> CAmplifierLimitsController::UnitChoices(int k) {
    return {CAmplifierMonitorController::Caption(k),
            std::string(resources::LoadString(resources::kStrRawValue))};
}

void CAmplifierLimitsController::Load() {
    auto held = TakeSheetLock(m_lock);
    global = m_unit.m_globalAlarm != 0;
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const std::size_t i = Index(k);
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
    const std::size_t i = Index(k);
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
            if (Trimmed(*texts[f]).empty())
                return Failure{resources::kMsgScaleLowerEmpty + f, k};
        const double top = row.unit == kRaw ? amplifier::kRawFullScale : amplifier::FullScale(k);
        double values[4] = {};
        for (int f = 0; f < 4; ++f) {
            values[f] = Decimal(*texts[f]);
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
        const std::size_t i = Index(k);
        const Row& row = GetRow(k);
        const bool raw = row.unit == kRaw;
        m_unit.m_analogNames[i] = row.name;
        m_unit.m_rawDisplay[i] = raw ? 1 : 0;
        m_unit.m_scaleLower[i] = amplifier::StoreValue(Decimal(row.scaleLower), k, raw);
        m_unit.m_scaleUpper[i] = amplifier::StoreValue(Decimal(row.scaleUpper), k, raw);
        m_unit.m_alarmOn[i] = row.alarmOn ? 1 : 0;
        m_unit.m_alarmLower[i] = amplifier::StoreValue(Decimal(row.alarmLower), k, raw);
        m_unit.m_alarmUpper[i] = amplifier::StoreValue(Decimal(row.alarmUpper), k, raw);
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
        const std::size_t i = Index(k);
        const bool raw = row.unit == kRaw;
        m_unit.m_alarmOn[i] = row.alarmOn ? 1 : 0;
        m_unit.m_alarmLower[i] = amplifier::StoreValue(Decimal(row.alarmLower), k, raw);
        m_unit.m_alarmUpper[i] = amplifier::StoreValue(Decimal(row.alarmUpper), k, raw);
        m_unit.m_analogRunFlags1[i] = 1;
    }
    return true;
}

void CAmplifierLimitsController::OnRefresh() {
    auto held = TakeSheetLock(m_lock);
    m_unit.m_settingsEdit = 1;
    for (int k = 0; k < amplifier::kReadings; ++k)
        m_unit.m_analogRunFlags2[Index(k)] = 1;
}

void CAmplifierLimitsController::OnNotify(int code) {
    if (code == kNotifyChannelsRead) {
        const bool wasGlobal = global;
        Load();
        global = wasGlobal;
        auto held = TakeSheetLock(m_lock);
        for (int k = 0; k < amplifier::kReadings; ++k)
            m_unit.m_analogRunFlags2[Index(k)] = 0;
    } else if (code == kNotifyGlobalRead) {
        auto held = TakeSheetLock(m_lock);
        m_unit.m_settingsEdit = 0;
        global = m_unit.m_globalAlarm != 0;
    }
}

} // namespace device_editor
