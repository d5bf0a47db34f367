#pragma once
// CAriGenerator: a signal generator (type 8), no input and one output
// "Out"; variants 1 Sine, 2 White Noise, 3 Pink Noise.
//
// Archive form (own fields, then the DSP module base): mute, level (double,
// dB), frequency (double, Hz), sweep start and sweep stop (double, Hz),
// step-width index, step (ms), mode.
#include <cstdint>

#include "model/base_ari_module.h"

namespace model {

class CAriGenerator : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriGenerator)
public:
    static constexpr COLORREF kTypeColourDefault = 0x808000;
    static constexpr std::int32_t kMemoryCost = 32;

    enum Variant : std::int32_t { kSine = 1, kWhiteNoise = 2, kPinkNoise = 3 };

    CAriGenerator();
    CAriGenerator(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriGenerator& other);

    // The variant's type name; empty outside 1 to 3.
    static const char* TypeNameOf(std::int32_t variant);
    // DSP time: 265 (sine), 234 (white noise), 324 (pink noise); 0 outside.
    static std::int32_t TimeCostOf(std::int32_t variant);

    std::int32_t m_mute = 0;
    double m_level = 0.0;         // dB
    double m_frequency = 1000.0;  // Hz
    double m_sweepStart = 1000.0; // Hz
    double m_sweepStop = 1000.0;  // Hz
    std::int32_t m_stepWidthIndex = 0;
    std::int32_t m_step = 100; // ms
    std::int32_t m_mode = 1;
};

} // namespace model
