#pragma once
// CAriCrossover: splits its input "In" into 2, 3 or 4 bands (type 11,
// variants 19, 20, 21), outputs named by band: "L", "H"; "L", "M", "H";
// "L", "LM", "HM", "H". Each split point k has two filter positions: 2k the
// low-pass side, 2k + 1 the high-pass side, both at the split's frequency,
// each a slope type of up to four biquad sections.
//
// Archive form (own fields, then the DSP module base): output count n,
// input mute, input level (double, dB), section count (positions, 2 (n - 1));
// per output level (double, dB), mute, invert; per position its biquad count,
// filter type index, frequency (double, Hz) and the biquads in use. A stored
// output count outside 2 to 4, a section count other than 2 (n - 1) or a
// biquad count outside 1 to 4 is the archive's format error.
#include <array>
#include <cstdint>
#include <span>

#include "model/base_ari_module.h"
#include "model/filter_math.h"

namespace model {

class CAriCrossover : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriCrossover)
public:
    static constexpr COLORREF kTypeColourDefault = 0x8080FF;
    static constexpr COLORREF kTypeNameColour = 0xB40000;
    static constexpr std::int32_t kMinOutputs = 2;
    static constexpr std::int32_t kMaxOutputs = 4;
    static constexpr std::int32_t kMaxSections = 6; // filter positions

    enum Variant : std::int32_t { kTwoWay = 19, kThreeWay = 20, kFourWay = 21 };

    CAriCrossover();
    CAriCrossover(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriCrossover& other);

    // Bands (outputs) of a variant: 2, 3, 4; 0 outside 19 to 21.
    static std::int32_t BandsOf(std::int32_t variant);
    // Initial split frequencies of a variant, low to high (empty outside).
    static std::span<const double> SplitFrequenciesOf(std::int32_t variant);

    // Designs position `position`'s sections (low pass when even, high pass
    // when odd) as the slope type at `frequency`: its sections, its biquad
    // count, pass-through in the rest. Does not store type or frequency.
    // False, changing nothing, for a position outside 0 to 5 or a type
    // outside the table.
    bool CalcSectionCoeffs(std::int32_t position, std::int32_t type, double frequency);

    std::int32_t m_bands = kMinOutputs; // outputs
    std::int32_t m_inputMute = 0;
    double m_inputLevel = 0.0;                           // dB
    std::int32_t m_sectionCount = 2 * (kMinOutputs - 1); // filter positions in use
    std::array<double, kMaxOutputs> m_outputLevel{};     // dB
    std::array<std::int32_t, kMaxOutputs> m_outputMute{};
    std::array<std::int32_t, kMaxOutputs> m_outputInvert{};
    std::array<std::int32_t, kMaxSections> m_biquadCount{}; // 1 each when built
    std::array<std::int32_t, kMaxSections> m_filterType{};  // kDefaultFilterType when built
    std::array<double, kMaxSections> m_frequency{};         // Hz
    std::array<std::array<BiquadCoeffs, kMaxFilterSections>, kMaxSections> m_sections{};
};

} // namespace model
