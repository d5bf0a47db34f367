#include "model/ari_mixer.h"

#include <array>

#include "model/ari_support.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriMixer, CBaseAriModule, kSheetSchema);

namespace {

constexpr std::array<CAriMixer::MixSize, 8> kSizes = {
    {{4, 1}, {4, 2}, {4, 4}, {8, 1}, {8, 2}, {8, 4}, {8, 8}, {16, 16}}};

} // namespace

CAriMixer::MixSize CAriMixer::SizeOf(std::int32_t variant) {
    if (variant < 1 || variant > static_cast<std::int32_t>(kSizes.size()))
        return {};
    return kSizes[static_cast<std::size_t>(variant - 1)];
}

std::int32_t CAriMixer::TimeCostOf(std::int32_t inputs, std::int32_t outputs) {
    return 6 * ((7 * inputs + 22) * outputs + 7 * inputs + 2);
}

CAriMixer::CAriMixer() = default;

CAriMixer::CAriMixer(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriMixer, variant) {
    const MixSize size = SizeOf(variant);
    BuildLayout(
        x, y,
        {.inputs = size.inputs, .outputs = size.outputs, .extra = 35, .numberLoneChannels = true});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kWhite);
    m_name = m_displayName = "Mixer-1";
    m_memoryCost = kMemoryCost;
    if (size.inputs > 0) {
        m_typeName = platform::text::format("Mixer %d X %d", size.inputs, size.outputs);
        m_mixInputs = size.inputs;
        m_mixOutputs = size.outputs;
        m_timeCost = TimeCostOf(size.inputs, size.outputs);
    }
}

void CAriMixer::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        SerializeCount(ar, m_mixInputs, 0, kMaxChannels, "a mixer input count");
        SerializeCount(ar, m_mixOutputs, 0, kMaxChannels, "a mixer output count");
        for (std::size_t i = 0; i < static_cast<std::size_t>(m_mixInputs); ++i)
            SerializeFields(ar, m_inputMute[i], m_inputLevel[i]);
        for (std::size_t j = 0; j < static_cast<std::size_t>(m_mixOutputs); ++j)
            SerializeFields(ar, m_outputMute[j], m_outputLevel[j], m_columnMask[j]);
        for (std::size_t i = 0; i < static_cast<std::size_t>(m_mixInputs); ++i)
            for (std::size_t j = 0; j < static_cast<std::size_t>(m_mixOutputs); ++j)
                SerializeValue(ar, m_crossPoint[i][j]);
    }
    SerializeAriBase(ar, *this);
}

void CAriMixer::CopyFrom(const CAriMixer& other) {
    CopyAriModuleBase(*this, other);
    m_mixInputs = other.m_mixInputs;
    m_mixOutputs = other.m_mixOutputs;
    m_inputMute = other.m_inputMute;
    m_inputLevel = other.m_inputLevel;
    m_outputMute = other.m_outputMute;
    m_outputLevel = other.m_outputLevel;
    m_columnMask = other.m_columnMask;
    m_crossPoint = other.m_crossPoint;
}

} // namespace model
