#pragma once
// CAriFilter: one filter of up to four biquad sections (type 10), one
// input "In" and one output "Out". Variants: 1 low pass and 2 high pass of
// a slope type (g_szFilterTypeName), 3 low shelf and 4 high shelf with a
// gain.
//
// Archive form (own fields, then the DSP module base): bypass, biquad count
// (sections in use), filter type index, frequency (double, Hz), gain
// (double, dB), then the sections in use (b0, b1, b2, a1, a2 each). A stored
// biquad count outside 1 to 4 is the archive's format error.
#include <array>
#include <cstdint>

#include "model/base_ari_module.h"
#include "model/filter_math.h"

namespace model {

class CAriFilter : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriFilter)
public:
    static constexpr COLORREF kTypeColourDefault = 0xFF80FF;
    static constexpr COLORREF kTypeNameColour = 0xB40000;
    static constexpr std::int32_t kMemoryCost = 111;
    static constexpr std::int32_t kTimeCost = 423;

    enum Variant : std::int32_t {
        kLowPass = 1,
        kHighPass = 2,
        kLowShelf = 3,
        kHighShelf = 4,
    };

    CAriFilter();
    CAriFilter(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriFilter& other);

    // The variant's type name; empty outside 1 to 4.
    static const char* TypeNameOf(std::int32_t variant);
    // The variant's initial frequency in Hz (1000, 1000, 16000, 80); 0 outside.
    static double FrequencyOf(std::int32_t variant);
    // The variant's initial first section: the second-order Butterworth
    // low or high pass at 1000 Hz as the unit's tables hold it, pass-through
    // for the shelves.
    static BiquadCoeffs FirstSectionOf(std::int32_t variant);

    // Designs the sections by the variant: low and high pass as the slope
    // type at `frequency` (sections and biquad count; the rest
    // pass-through), the shelves as one first-order shelf with `gainDb`
    // (section 0, biquad count 1; sections 1 to 3 left alone). Does not
    // store type, frequency or gain. False, changing nothing, for another
    // variant or a slope type outside the table.
    bool CalcCoeffs(std::int32_t type, double frequency, double gainDb);

    std::int32_t m_bypass = 0;
    std::int32_t m_biquadCount = 1;
    std::int32_t m_filterType = kDefaultFilterType;
    double m_frequency = 0.0; // Hz
    double m_gain = 0.0;      // dB; the shelves'
    std::array<BiquadCoeffs, kMaxFilterSections> m_sections{};
};

} // namespace model
