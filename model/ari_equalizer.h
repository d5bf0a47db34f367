#pragma once
// CAriEqualizer: a chain of peaking bands (type 9), one input "In" and one
// output "Out". Variants 1, 3, 5, 7, 10 and 16 are parametric equalizers of
// that many bands; 51, 52 and 53 are the 1/3-, 2/3- and 1-octave graphic
// equalizers of 31, 15 and 10 bands. Band b runs biquad section b.
//
// Archive form (own fields, then the DSP module base): bypass, band count
// n; per band the band flag, centre frequency (double, Hz), gain (double,
// dB) and bandwidth (double, octaves); then per band its section (b0, b1,
// b2, a1, a2). Only the n bands are stored; a stored n outside 0 to 31 is
// the archive's format error.
#include <array>
#include <cstdint>
#include <optional>

#include "model/base_ari_module.h"
#include "model/filter_math.h"

namespace model {

class CAriEqualizer : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriEqualizer)
public:
    static constexpr COLORREF kTypeColourDefault = 0x0080FF;
    static constexpr COLORREF kTypeNameColour = 0xB40000;
    static constexpr std::int32_t kMaxBands = 31;

    // What a variant builds.
    struct Layout {
        const char* typeName = "";
        std::int32_t bands = 0;
        double bandwidth = 0.0;                      // octaves, every band
        std::array<double, kMaxBands> frequencies{}; // Hz; entries past the bands 0,
                                                     // but 20000 after the 1-octave's last
    };
    // The variant's layout; none for a variant that builds no bands.
    static std::optional<Layout> LayoutOf(std::int32_t variant);

    CAriEqualizer();
    CAriEqualizer(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriEqualizer& other);

    // Recomputes band `band`'s section from its frequency, gain and
    // bandwidth (PeakingSectionSinhBandwidth); nothing for a band outside
    // 0 to 30.
    void CalcBandCoeffs(std::int32_t band);

    std::int32_t m_bypass = 0;
    std::int32_t m_bandCount = 0;
    std::array<std::int32_t, kMaxBands> m_bandFlag{}; // carried for the dialog
    std::array<double, kMaxBands> m_frequency{};      // Hz
    std::array<double, kMaxBands> m_gain{};           // dB
    std::array<double, kMaxBands> m_bandwidth{};      // octaves
    std::array<BiquadCoeffs, kMaxBands> m_coeffs{};
};

} // namespace model
