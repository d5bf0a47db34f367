#pragma once
// CAriMeter: an RMS level meter (type 13) with 1, 2, 4 or 8 inputs
// (variants 1 to 4) and no output; one input is named "In", more are
// numbered "In %d". It costs the DSP nothing.
//
// Archive form (own fields, then the DSP module base): input count, then per
// input the peak-hold time (ms), peak hold on, infinite hold. A stored count
// outside 0 to 8 is the archive's format error.
#include <array>
#include <cstdint>

#include "model/base_ari_module.h"

namespace model {

class CAriMeter : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriMeter)
public:
    static constexpr COLORREF kTypeColourDefault = 0x000080;
    static constexpr std::int32_t kMaxInputs = 8;

    // How the meter dialog holds a channel's peaks.
    struct PeakHold {
        std::int32_t holdTime = 100; // ms
        std::int32_t holdOn = 1;
        std::int32_t infinite = 0;
        friend bool operator==(const PeakHold&, const PeakHold&) = default;
    };

    CAriMeter();
    CAriMeter(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriMeter& other);

    // Inputs of a variant; 0 outside 1 to 4.
    static std::int32_t InputsOf(std::int32_t variant);

    std::int32_t m_meterInputs = 0;
    std::array<PeakHold, kMaxInputs> m_peakHold{};
};

} // namespace model
