#include "model/ari_dynamic.h"

#include "model/ari_support.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriDynamic, CBaseAriModule, kSheetSchema);

const char* CAriDynamic::TypeNameOf(std::int32_t variant) {
    switch (variant) {
    case kLeveler:
        return "Leveler";
    case kCompressor:
        return "Compressor";
    case kLimiter:
        return "Limiter";
    case kNoiseGate:
        return "Noise Gate";
    case kExpander:
        return "Expander";
    case kClipper:
        return "Clipper";
    default:
        return "";
    }
}

std::int32_t CAriDynamic::TimeCostOf(std::int32_t variant) {
    switch (variant) {
    case kLeveler:
    case kCompressor:
    case kLimiter:
    case kExpander:
        return 613;
    case kNoiseGate:
        return 405;
    case kClipper:
        return 104;
    default:
        return 0;
    }
}

CAriDynamic::CAriDynamic() = default;

CAriDynamic::CAriDynamic(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriDynamic, variant) {
    const bool known = TimeCostOf(variant) > 0;
    BuildLayout(x, y, {.inputs = known ? 1 : 0, .outputs = known ? 1 : 0});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kWhite);
    m_name = m_displayName = "Dynamics-1";
    m_memoryCost = kMemoryCost;
    if (known) {
        m_typeName = TypeNameOf(variant);
        m_timeCost = TimeCostOf(variant);
        if (variant == kExpander)
            m_ratio = 0.25;
    }
}

void CAriDynamic::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar))
        SerializeFields(ar, m_attack, m_release, m_ratio, m_threshold, m_bypass, m_levelerGain,
                        m_targetOrDepth);
    SerializeAriBase(ar, *this);
}

void CAriDynamic::CopyFrom(const CAriDynamic& other) {
    CopyAriModuleBase(*this, other);
    m_attack = other.m_attack;
    m_release = other.m_release;
    m_ratio = other.m_ratio;
    m_threshold = other.m_threshold;
    m_bypass = other.m_bypass;
    m_levelerGain = other.m_levelerGain;
    m_targetOrDepth = other.m_targetOrDepth;
}

} // namespace model
