#include "model/ari_output.h"

#include "model/ari_support.h"
#include "model/device_models.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriOutput, CBaseAriModule, kSheetSchema);

CAriOutput::CAriOutput() = default;

CAriOutput::CAriOutput(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y,
                       std::int32_t modelCode)
    : CBaseAriModule(id, kAriOutput, variant) {
    const bool known = variant == 1;
    BuildLayout(x, y, {.inputs = known ? 1 : 0, .outputs = 0});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kBlack);
    if (known) {
        m_typeName = "Output";
        m_memoryCost = kMemoryCost;
        m_timeCost = kTimeCost;
    }
    SetDeviceModel(modelCode);
}

void CAriOutput::SetDeviceModel(std::int32_t modelCode) {
    m_modelName = ModelName(modelCode);
    const bool physical = modelCode == 2 || (modelCode == 3 && m_id > 10);
    m_colours[kBodyColour] = physical ? kPhysicalBodyColour : kDefaultBodyColour;
}

void CAriOutput::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        // On loading, the base part reads the hidden flag again and has the
        // last word.
        SerializeFields(ar, m_mute, m_invert, m_level, m_hidden, m_groupStart, m_modelName);
    }
    SerializeAriBase(ar, *this);
}

void CAriOutput::CopyFrom(const CAriOutput& other) {
    CopyAriModuleBase(*this, other);
    m_mute = other.m_mute;
    m_invert = other.m_invert;
    m_level = other.m_level;
    m_groupStart = other.m_groupStart;
    m_modelName = other.m_modelName;
}

} // namespace model
