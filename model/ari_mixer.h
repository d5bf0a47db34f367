#pragma once
// CAriMixer: a matrix mixer (type 5) with a level and a mute on every input
// and output and a level at every cross-point. Variants 1 to 8 are 4 x 1,
// 4 x 2, 4 x 4, 8 x 1, 8 x 2, 8 x 4, 8 x 8 and 16 x 16; channels "In %d" and
// "Out %d", numbered even when there is one output.
//
// Archive form (own fields, then the DSP module base): input count, output
// count; per input mute and level (double, dB); per output mute, level and
// column mask; then the cross-point levels, for each
// input (outer) each output (inner). A stored count outside 0 to 16 is the
// archive's format error.
#include <array>
#include <cstdint>

#include "model/base_ari_module.h"

namespace model {

class CAriMixer : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriMixer)
public:
    static constexpr COLORREF kTypeColourDefault = 0xB40000;
    static constexpr std::int32_t kMemoryCost = 203;
    static constexpr std::int32_t kMaxChannels = 16;

    CAriMixer();
    CAriMixer(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriMixer& other);

    struct MixSize {
        std::int32_t inputs = 0;
        std::int32_t outputs = 0;
    };
    // Inputs and outputs of a variant; 0 x 0 outside 1 to 8.
    static MixSize SizeOf(std::int32_t variant);
    // DSP time: 6 x ((7 x inputs + 22) x outputs + 7 x inputs + 2).
    static std::int32_t TimeCostOf(std::int32_t inputs, std::int32_t outputs);

    double& CrossPoint(std::int32_t input, std::int32_t output) {
        return m_crossPoint[static_cast<std::size_t>(input)][static_cast<std::size_t>(output)];
    }

    std::int32_t m_mixInputs = 0;
    std::int32_t m_mixOutputs = 0;
    std::array<std::int32_t, kMaxChannels> m_inputMute{};
    std::array<double, kMaxChannels> m_inputLevel{}; // dB
    std::array<std::int32_t, kMaxChannels> m_outputMute{};
    std::array<double, kMaxChannels> m_outputLevel{}; // dB
    // Bit i set: input i + 1 is routed to the output (sent whole as 505).
    std::array<std::int32_t, kMaxChannels> m_columnMask{};
    std::array<std::array<double, kMaxChannels>, kMaxChannels> m_crossPoint{}; // [in][out], dB
};

} // namespace model
