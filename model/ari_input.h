#pragma once
// CAriInput: an input channel of the DSP unit (type 1, variant 1): no input,
// one output "Out". Its id is the unit channel it stands for.
//
// Archive form (own fields, then the DSP module base): mute, invert, level
// (double, dB), microphone-gain index, phantom power, an integer (0), the
// hidden flag once more, an integer (1), an integer (0), the unit model's
// name. The three integers mean nothing to the program; they are carried
// and stored unchanged.
#include <cstdint>
#include <string>

#include "model/base_ari_module.h"

namespace model {

class CAriInput : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriInput)
public:
    static constexpr COLORREF kTypeColourDefault = 0xC0C0C0;
    // Body of a module that stands for one of the unit's physical (not
    // network) channels.
    static constexpr COLORREF kPhysicalBodyColour = 0xA5FAA5;
    static constexpr std::int32_t kMemoryCost = 92;
    static constexpr std::int32_t kTimeCost = 776;

    CAriInput();
    // Variant 1 only; modelCode is the unit's model (device model table).
    CAriInput(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y,
              std::int32_t modelCode);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriInput& other);

    // Takes the model's name and colours the body light green when the
    // module's id is one of the model's physical inputs (model 3, id above
    // 6), else the plain body colour.
    void SetDeviceModel(std::int32_t modelCode);

    std::int32_t m_mute = 0;
    std::int32_t m_invert = 0;
    double m_level = 0.0; // dB
    std::int32_t m_micGainIndex = 0;
    std::int32_t m_phantom = 0;
    // Set: the channel dialogs show the gain list and the phantom switch.
    std::int32_t m_micControls = 0;
    // Set: a channel group of the all-channels dialog starts here (a
    // template's module passes it on).
    std::int32_t m_groupStart = 1;
    std::int32_t m_reserved2 = 0;
    std::string m_modelName;
};

} // namespace model
