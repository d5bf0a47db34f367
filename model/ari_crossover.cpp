#include "model/ari_crossover.h"

#include "model/ari_support.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriCrossover, CBaseAriModule, kSheetSchema);

namespace {

constexpr std::array<double, 1> kTwoWaySplits = {1000.0};
constexpr std::array<double, 2> kThreeWaySplits = {250.0, 2500.0};
constexpr std::array<double, 3> kFourWaySplits = {160.0, 800.0, 4000.0};

constexpr std::array<const char*, 2> kTwoWayNames = {"L", "H"};
constexpr std::array<const char*, 3> kThreeWayNames = {"L", "M", "H"};
constexpr std::array<const char*, 4> kFourWayNames = {"L", "LM", "HM", "H"};

std::span<const char* const> OutputNamesOf(std::int32_t variant) {
    switch (variant) {
    case CAriCrossover::kTwoWay:
        return kTwoWayNames;
    case CAriCrossover::kThreeWay:
        return kThreeWayNames;
    case CAriCrossover::kFourWay:
        return kFourWayNames;
    default:
        return {};
    }
}

} // namespace

std::int32_t CAriCrossover::BandsOf(std::int32_t variant) {
    return static_cast<std::int32_t>(OutputNamesOf(variant).size());
}

std::span<const double> CAriCrossover::SplitFrequenciesOf(std::int32_t variant) {
    switch (variant) {
    case kTwoWay:
        return kTwoWaySplits;
    case kThreeWay:
        return kThreeWaySplits;
    case kFourWay:
        return kFourWaySplits;
    default:
        return {};
    }
}

CAriCrossover::CAriCrossover() {
    m_biquadCount.fill(1);
    m_filterType.fill(kDefaultFilterType);
}

CAriCrossover::CAriCrossover(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriCrossover, variant) {
    m_biquadCount.fill(1);
    m_filterType.fill(kDefaultFilterType);
    const std::int32_t n = BandsOf(variant);
    BuildLayout(x, y, {.inputs = n > 0 ? 1 : 0, .outputs = n, .width = 110});
    LoadTypeColours(kTypeColourDefault, kTypeNameColour);
    m_name = m_displayName = "Crossover -1"; // sic: the name every sheet shows
    if (n == 0)
        return;
    const std::span<const char* const> names = OutputNamesOf(variant);
    for (std::int32_t j = 0; j < n; ++j)
        m_channels[static_cast<std::size_t>(1 + j)]->m_name = names[static_cast<std::size_t>(j)];
    m_typeName = platform::text::format("%d Way Crossover", n);
    m_bands = n;
    m_sectionCount = 2 * (n - 1);
    m_memoryCost = 16 * n + 63;
    m_timeCost = 852 * n - 542;
    const std::span<const double> splits = SplitFrequenciesOf(variant);
    for (std::int32_t p = 0; p < m_sectionCount; ++p) {
        const double f = splits[static_cast<std::size_t>(p / 2)];
        m_frequency[static_cast<std::size_t>(p)] = f;
        CalcSectionCoeffs(p, kDefaultFilterType, f);
    }
}

bool CAriCrossover::CalcSectionCoeffs(std::int32_t position, std::int32_t type, double frequency) {
    if (position < 0 || position >= kMaxSections)
        return false;
    const auto p = static_cast<std::size_t>(position);
    const int count = DesignSlopeFilter(type, frequency, position % 2 == 1, m_sections[p]);
    if (count == 0)
        return false;
    m_biquadCount[p] = count;
    return true;
}

void CAriCrossover::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        SerializeCount(ar, m_bands, kMinOutputs, kMaxOutputs, "a crossover output count");
        SerializeFields(ar, m_inputMute, m_inputLevel);
        // Two positions per split point, no more and no fewer: the dialog
        // pairs them with the outputs.
        const std::int32_t positions = 2 * (m_bands - 1);
        SerializeCount(ar, m_sectionCount, positions, positions,
                       "a crossover section count (two per split point)");
        for (std::size_t j = 0; j < static_cast<std::size_t>(m_bands); ++j)
            SerializeFields(ar, m_outputLevel[j], m_outputMute[j], m_outputInvert[j]);
        for (std::size_t p = 0; p < static_cast<std::size_t>(m_sectionCount); ++p) {
            SerializeCount(ar, m_biquadCount[p], 1, kMaxFilterSections,
                           "a crossover section's biquad count");
            SerializeFields(ar, m_filterType[p], m_frequency[p]);
            for (std::size_t s = 0; s < static_cast<std::size_t>(m_biquadCount[p]); ++s)
                SerializeBiquad(ar, m_sections[p][s]);
        }
    }
    SerializeAriBase(ar, *this);
}

void CAriCrossover::CopyFrom(const CAriCrossover& other) {
    CopyAriModuleBase(*this, other);
    m_bands = other.m_bands;
    m_inputMute = other.m_inputMute;
    m_inputLevel = other.m_inputLevel;
    m_sectionCount = other.m_sectionCount;
    m_outputLevel = other.m_outputLevel;
    m_outputMute = other.m_outputMute;
    m_outputInvert = other.m_outputInvert;
    m_biquadCount = other.m_biquadCount;
    m_filterType = other.m_filterType;
    m_frequency = other.m_frequency;
    m_sections = other.m_sections;
}

} // namespace model
