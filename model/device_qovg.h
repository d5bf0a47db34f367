#pragma once
// CDeviceQOVG: the monitored network amplifier unit (model 21), a CDeviceNy
// with the monitoring settings its dialogs edit and the readings the run
// state's status poller keeps. Analog inputs 6, 7 and 8 measure current,
// voltage and temperature; a raw value v (0..1023) stands for
// v x full scale / 1023.
//
// Archive form (schema 2; 1 and 2 read alike): global alarm monitoring
// (int32); left and right output gain (float each); for each digital channel
// 1..4: input name, output name, input word 1, input word 2; for each analog
// input 1..8: name, alarm on, scale lower, scale upper, alarm lower, alarm
// upper, raw display; then the class reference of CDeviceNy and its part.
// After a load every run-time field is back at its start value.
#include <array>
#include <cstdint>
#include <string>

#include "model/device_ny.h"

namespace model {

class CDeviceQOVG : public CDeviceNy {
    ARCHIVE_DECLARE_SERIAL(CDeviceQOVG)
public:
    static constexpr std::array<double, 8> kFullScale = {1.0, 1.0,  1.0,   1.0,
                                                         1.0, 15.0, 100.0, 80.0};

    // For the archive: names empty, everything else at its start value.
    CDeviceQOVG() = default;
    // A new model-21 unit at (x, y): 2 inputs and 2 outputs in a 90 x 56
    // body, channels drawn white while free, the analog inputs 6, 7, 8 named
    // from the string table.
    CDeviceQOVG(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                std::int32_t model, std::int32_t subType);

    void Serialize(platform::archive::archive_t& ar) override;

    // Nothing unless other is a model-21 unit; else every stored monitoring
    // field and the firmware query request, then CDeviceNy::CopyFrom.
    void CopyFrom(const CDeviceQOVG& other);

    // Stored.
    std::int32_t m_globalAlarm = 0; // global alarm monitoring on
    float m_leftGain = 0.0f;        // dB
    float m_rightGain = 0.0f;       // dB
    std::array<std::string, 4> m_digitalInputNames;
    std::array<std::string, 4> m_digitalOutputNames;
    std::array<std::int32_t, 4> m_digitalInputWord1 = {1, 0, 1, 0};
    std::array<std::int32_t, 4> m_digitalInputWord2 = {1, 1, 1, 1};
    std::array<std::string, 8> m_analogNames;
    std::array<std::int32_t, 8> m_alarmOn = {1, 1, 1, 1, 1, 1, 1, 1};
    std::array<std::int32_t, 8> m_scaleLower = {};
    std::array<std::int32_t, 8> m_scaleUpper = {1023, 1023, 1023, 1023, 1023, 1023, 1023, 1023};
    std::array<std::int32_t, 8> m_alarmLower = {341, 341, 341, 341, 341, 0, 0, 0};
    std::array<std::int32_t, 8> m_alarmUpper = {682, 682, 682, 682, 682, 1023, 920, 767};
    std::array<std::int32_t, 8> m_rawDisplay = {}; // non-zero: raw numbers

    // Copied, not stored.
    std::int32_t m_firmwareQueryRequest = 0;

    // Run-time only.
    std::int32_t m_settingsChanged = 0;
    std::int32_t m_settingsEdit = 0;
    std::array<std::int32_t, 8> m_analogRunFlags1 = {};
    std::array<std::int32_t, 8> m_analogRunFlags2 = {};
    std::int32_t m_gainSetRequest = 0;
    std::int32_t m_thirdRequest = 0;
    float m_leftVolume = 0.0f;  // dB, read back by the poller
    float m_rightVolume = 0.0f; // dB
    std::array<std::int32_t, 4> m_queryRequests = {};
    std::array<std::int32_t, 4> m_outputToggleRequests = {};
    std::array<std::int32_t, 4> m_digitalOutputLevels = {-1, -1, -1, -1}; // -1 unknown
    std::array<std::int32_t, 8> m_analogSamples = {-1, -1, -1, -1, -1, -1, -1, -1};

private:
    void ResetRunTimeFields();
};

} // namespace model
