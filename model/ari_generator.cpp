#include "model/ari_generator.h"

#include "model/ari_support.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriGenerator, CBaseAriModule, kSheetSchema);

const char* CAriGenerator::TypeNameOf(std::int32_t variant) {
    switch (variant) {
    case kSine:
        return "Sine";
    case kWhiteNoise:
        return "White Noise";
    case kPinkNoise:
        return "Pink Noise";
    default:
        return "";
    }
}

std::int32_t CAriGenerator::TimeCostOf(std::int32_t variant) {
    switch (variant) {
    case kSine:
        return 265;
    case kWhiteNoise:
        return 234;
    case kPinkNoise:
        return 324;
    default:
        return 0;
    }
}

CAriGenerator::CAriGenerator() = default;

CAriGenerator::CAriGenerator(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriGenerator, variant) {
    const bool known = TimeCostOf(variant) > 0;
    BuildLayout(x, y, {.inputs = 0, .outputs = known ? 1 : 0});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kWhite);
    m_name = m_displayName = "Generator-1";
    m_memoryCost = kMemoryCost;
    if (known) {
        m_typeName = TypeNameOf(variant);
        m_timeCost = TimeCostOf(variant);
    }
}

void CAriGenerator::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar))
        SerializeFields(ar, m_mute, m_level, m_frequency, m_sweepStart, m_sweepStop,
                        m_stepWidthIndex, m_step, m_mode);
    SerializeAriBase(ar, *this);
}

void CAriGenerator::CopyFrom(const CAriGenerator& other) {
    CopyAriModuleBase(*this, other);
    m_mute = other.m_mute;
    m_level = other.m_level;
    m_frequency = other.m_frequency;
    m_sweepStart = other.m_sweepStart;
    m_sweepStop = other.m_sweepStop;
    m_stepWidthIndex = other.m_stepWidthIndex;
    m_step = other.m_step;
    m_mode = other.m_mode;
}

} // namespace model
