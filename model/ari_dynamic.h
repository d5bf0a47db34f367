#pragma once
// CAriDynamic: a dynamics processor (type 7), one input "In" and one output
// "Out"; variants 1 Leveler, 2 Compressor, 3 Limiter, 4 Noise Gate,
// 5 Expander, 6 Clipper.
//
// Archive form (own fields, then the DSP module base): attack (double, ms),
// release (double, ms), ratio (double), threshold (double, dB), bypass,
// target level (double, dB; leveler), gate level (double, dB; noise gate).
#include <cstdint>

#include "model/base_ari_module.h"

namespace model {

class CAriDynamic : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriDynamic)
public:
    static constexpr COLORREF kTypeColourDefault = 0x008080;
    static constexpr std::int32_t kMemoryCost = 196;

    enum Variant : std::int32_t {
        kLeveler = 1,
        kCompressor = 2,
        kLimiter = 3,
        kNoiseGate = 4,
        kExpander = 5,
        kClipper = 6,
    };

    CAriDynamic();
    CAriDynamic(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriDynamic& other);

    // The variant's type name; empty outside 1 to 6.
    static const char* TypeNameOf(std::int32_t variant);
    // DSP time: 613 (leveler, compressor, limiter, expander), 405 (noise
    // gate), 104 (clipper); 0 outside 1 to 6.
    static std::int32_t TimeCostOf(std::int32_t variant);

    double m_attack = 1000.0;  // ms
    double m_release = 2000.0; // ms
    double m_ratio = 4.0;      // 0.25 for the expander
    double m_threshold = 0.0;  // dB
    std::int32_t m_bypass = 0;
    // The leveler's make-up gain (sent as 707), which its dialog derives
    // from the target and the threshold.
    double m_levelerGain = 0.0; // dB
    // The leveler's target, or the gate's depth (sent as 708).
    double m_targetOrDepth = 0.0; // dB
};

} // namespace model
