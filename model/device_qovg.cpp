#include "model/device_qovg.h"

#include "model/device_models.h"
#include "model/schema.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace model {

namespace pa = platform::archive;
using platform::text::format;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceQOVG, CDeviceNy, kSheetSchema);

CDeviceQOVG::CDeviceQOVG(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                         std::int32_t /*model*/, std::int32_t subType) {
    // Only model 21 is built here; its channels keep property 4, so that
    // they are drawn white while free.
    BuildUnit(dc, x, y, id, kModelQOVG, subType, {2, 90, 56, 0x00C896, 4, false});
    for (std::size_t i = 0; i < 4; ++i) {
        m_digitalInputNames[i] = format("In%d", static_cast<int>(i + 1));
        m_digitalOutputNames[i] = format("Out%d", static_cast<int>(i + 1));
    }
    for (std::size_t j = 0; j < 8; ++j)
        m_analogNames[j] = format("In%d", static_cast<int>(j + 1));
    // Current, voltage, temperature.
    for (std::size_t j = 5; j < 8; ++j)
        m_analogNames[j] = std::string(
            resources::LoadString(static_cast<int>(resources::kStrAnalogCurrent + j - 5)));
}

void CDeviceQOVG::Serialize(pa::archive_t& ar) {
    const bool storing = ar.IsStoring();
    if (storing || IsKnownSchema(ar.GetObjectSchema())) {
        const auto field = [&](auto& value) {
            if (storing)
                ar << value;
            else
                ar >> value;
        };
        const auto text = [&](std::string& value) {
            if (storing)
                ar << std::string_view(value);
            else
                ar >> value;
        };
        field(m_globalAlarm);
        field(m_leftGain);
        field(m_rightGain);
        for (std::size_t i = 0; i < 4; ++i) {
            text(m_digitalInputNames[i]);
            text(m_digitalOutputNames[i]);
            field(m_digitalInputWord1[i]);
            field(m_digitalInputWord2[i]);
        }
        for (std::size_t j = 0; j < 8; ++j) {
            text(m_analogNames[j]);
            field(m_alarmOn[j]);
            field(m_scaleLower[j]);
            field(m_scaleUpper[j]);
            field(m_alarmLower[j]);
            field(m_alarmUpper[j]);
            field(m_rawDisplay[j]);
        }
    }
    ar.SerializeClass(CDeviceNy::class_record);
    CDeviceNy::Serialize(ar);
    if (ar.IsLoading())
        ResetRunTimeFields();
}

void CDeviceQOVG::ResetRunTimeFields() {
    m_queryRequests = {};
    m_outputToggleRequests = {};
    m_digitalOutputLevels.fill(-1);
    m_analogSamples.fill(-1);
    m_analogRunFlags1 = {};
    m_analogRunFlags2 = {};
    m_settingsChanged = 0;
    m_settingsEdit = 0;
    m_firmwareQueryRequest = 0;
    m_gainSetRequest = 0;
    m_thirdRequest = 0;
}

void CDeviceQOVG::CopyFrom(const CDeviceQOVG& other) {
    if (other.m_typeCode != kModelQOVG || &other == this)
        return;
    m_globalAlarm = other.m_globalAlarm;
    m_firmwareQueryRequest = other.m_firmwareQueryRequest;
    // The gains are stored and sent to the unit: a copy without them would
    // bring an amplifier back from undo with other gains than it had.
    m_leftGain = other.m_leftGain;
    m_rightGain = other.m_rightGain;
    m_digitalInputNames = other.m_digitalInputNames;
    m_digitalOutputNames = other.m_digitalOutputNames;
    m_digitalInputWord1 = other.m_digitalInputWord1;
    m_digitalInputWord2 = other.m_digitalInputWord2;
    m_analogNames = other.m_analogNames;
    m_alarmOn = other.m_alarmOn;
    m_scaleLower = other.m_scaleLower;
    m_scaleUpper = other.m_scaleUpper;
    m_alarmLower = other.m_alarmLower;
    m_alarmUpper = other.m_alarmUpper;
    m_rawDisplay = other.m_rawDisplay;
    CDeviceNy::CopyFrom(other);
}

} // namespace model
