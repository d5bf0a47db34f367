#include "model/ari_filter.h"

#include "model/ari_support.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriFilter, CBaseAriModule, kSheetSchema);

namespace {

// The unit's tables of the 1000 Hz Butterworth sections, to 14 places.
constexpr BiquadCoeffs kLowPass1000{0.00391612666055, 0.00783225332109, 0.00391612666055,
                                    -1.81534108270457, 0.83100558934676};
constexpr BiquadCoeffs kHighPass1000{0.91158666801283, -1.82317333602566, 0.91158666801283,
                                     -1.81534108270457, 0.83100558934676};

} // namespace

const char* CAriFilter::TypeNameOf(std::int32_t variant) {
    switch (variant) {
    case kLowPass:
        return "Low Pass Filter";
    case kHighPass:
        return "High Pass Filter";
    case kLowShelf:
        return "Lowpass Shelving Filter";
    case kHighShelf:
        return "Highpass Shelving Filter";
    default:
        return "";
    }
}

double CAriFilter::FrequencyOf(std::int32_t variant) {
    switch (variant) {
    case kLowPass:
    case kHighPass:
        return 1000.0;
    case kLowShelf:
        return 16000.0;
    case kHighShelf:
        return 80.0;
    default:
        return 0.0;
    }
}

BiquadCoeffs CAriFilter::FirstSectionOf(std::int32_t variant) {
    switch (variant) {
    case kLowPass:
        return kLowPass1000;
    case kHighPass:
        return kHighPass1000;
    default:
        return kPassThroughBiquad;
    }
}

CAriFilter::CAriFilter() = default;

CAriFilter::CAriFilter(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriFilter, variant) {
    const bool known = FrequencyOf(variant) > 0.0;
    BuildLayout(x, y, {.inputs = known ? 1 : 0, .outputs = known ? 1 : 0});
    LoadTypeColours(kTypeColourDefault, kTypeNameColour);
    m_name = m_displayName = "Filter-1";
    m_memoryCost = kMemoryCost;
    m_timeCost = kTimeCost;
    if (!known)
        return;
    m_typeName = TypeNameOf(variant);
    m_frequency = FrequencyOf(variant);
    m_sections[0] = FirstSectionOf(variant);
}

bool CAriFilter::CalcCoeffs(std::int32_t type, double frequency, double gainDb) {
    switch (m_subType) {
    case kLowPass:
    case kHighPass: {
        const int count = DesignSlopeFilter(type, frequency, m_subType == kHighPass, m_sections);
        if (count == 0)
            return false;
        m_biquadCount = count;
        return true;
    }
    case kLowShelf:
    case kHighShelf:
        m_sections[0] = ShelvingSection(m_subType == kLowShelf, frequency, gainDb);
        m_biquadCount = 1;
        return true;
    default:
        return false;
    }
}

void CAriFilter::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        SerializeValue(ar, m_bypass);
        SerializeCount(ar, m_biquadCount, 1, kMaxFilterSections, "a filter biquad count");
        SerializeFields(ar, m_filterType, m_frequency, m_gain);
        for (std::size_t s = 0; s < static_cast<std::size_t>(m_biquadCount); ++s)
            SerializeBiquad(ar, m_sections[s]);
    }
    SerializeAriBase(ar, *this);
}

void CAriFilter::CopyFrom(const CAriFilter& other) {
    CopyAriModuleBase(*this, other);
    m_bypass = other.m_bypass;
    m_biquadCount = other.m_biquadCount;
    m_filterType = other.m_filterType;
    m_frequency = other.m_frequency;
    m_gain = other.m_gain;
    m_sections = other.m_sections;
}

} // namespace model
