#pragma once
// CAriOutput: an output channel of the DSP unit (type 2, variant 1): one
// input "In", no output. Its id is the unit channel it stands for plus 8.
//
// Archive form (own fields, then the DSP module base): mute, invert, level
// (double, dB), the hidden flag once more, an integer (1) that the program
// carries and stores unchanged, the unit model's name.
#include <cstdint>
#include <string>

#include "model/base_ari_module.h"

namespace model {

class CAriOutput : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriOutput)
public:
    static constexpr COLORREF kTypeColourDefault = 0xC0C0C0;
    static constexpr COLORREF kPhysicalBodyColour = 0xA5FAA5;
    static constexpr std::int32_t kMemoryCost = 25;
    static constexpr std::int32_t kTimeCost = 687;

    CAriOutput();
    // Variant 1 only; modelCode is the unit's model (device model table).
    CAriOutput(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y,
               std::int32_t modelCode);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriOutput& other);

    // Takes the model's name and colours the body light green when the
    // module stands for a physical output of the model (every output of
    // model 2; ids above 10 on model 3), else the plain body colour.
    void SetDeviceModel(std::int32_t modelCode);

    std::int32_t m_mute = 0;
    std::int32_t m_invert = 0;
    double m_level = 0.0; // dB
    // Set: a channel group of the all-channels dialog starts here.
    std::int32_t m_groupStart = 1;
    std::string m_modelName;
};

} // namespace model
