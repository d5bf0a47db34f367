#include "model/ari_input.h"

#include "model/ari_support.h"
#include "model/device_models.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriInput, CBaseAriModule, kSheetSchema);

CAriInput::CAriInput() = default;

CAriInput::CAriInput(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y,
                     std::int32_t modelCode)
    : CBaseAriModule(id, kAriInput, variant) {
    const bool known = variant == 1;
    BuildLayout(x, y, {.inputs = 0, .outputs = known ? 1 : 0});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kBlack);
    if (known) {
        m_typeName = "Input";
        m_memoryCost = kMemoryCost;
        m_timeCost = kTimeCost;
    }
    SetDeviceModel(modelCode);
}

void CAriInput::SetDeviceModel(std::int32_t modelCode) {
    m_modelName = ModelName(modelCode);
    m_colours[kBodyColour] = modelCode == 3 && m_id > 6 ? kPhysicalBodyColour : kDefaultBodyColour;
}

void CAriInput::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        // On loading, the base part reads the hidden flag again and has the
        // last word.
        SerializeFields(ar, m_mute, m_invert, m_level, m_micGainIndex, m_phantom, m_micControls,
                        m_hidden, m_groupStart, m_reserved2, m_modelName);
    }
    SerializeAriBase(ar, *this);
}

void CAriInput::CopyFrom(const CAriInput& other) {
    CopyAriModuleBase(*this, other);
    m_mute = other.m_mute;
    m_invert = other.m_invert;
    m_level = other.m_level;
    m_micGainIndex = other.m_micGainIndex;
    m_phantom = other.m_phantom;
    m_micControls = other.m_micControls;
    m_groupStart = other.m_groupStart;
    m_reserved2 = other.m_reserved2;
    m_modelName = other.m_modelName;
}

} // namespace model
