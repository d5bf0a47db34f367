#pragma once
// CAriDelay: a delay line (type 3), one input "In" and one output "Out";
// variants 1 to 5 hold at most 5, 10, 20, 50 and 100 ms.
//
// Archive form (own fields, then the DSP module base): bypass, maximum
// delay (double, ms), delay (double, ms).
#include <cstdint>

#include "model/base_ari_module.h"

namespace model {

class CAriDelay : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriDelay)
public:
    static constexpr COLORREF kTypeColourDefault = 0xC8C800;
    static constexpr std::int32_t kTimeCost = 128;

    CAriDelay();
    CAriDelay(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriDelay& other);

    // The variant's maximum delay in ms; 0 outside variants 1 to 5.
    static double MaxDelayOf(std::int32_t variant);
    // Delay memory in words: truncate(maximum delay in ms x 48.0 + 22.0).
    static std::int32_t MemoryCostOf(double maxDelayMs);

    std::int32_t m_bypass = 0;
    double m_maxDelay = 0.0; // ms; the delay's range is 0 to this
    double m_delay = 0.0;    // ms; starts at the maximum
};

} // namespace model
