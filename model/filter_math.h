#pragma once
// The filter mathematics of the DSP modules: the biquad sections that the
// equalizer, filter and crossover modules carry, and the designs that fill
// them. The modules' constructors and the attribute dialogs both design
// through these functions, so a section computed on either side is the same
// double for double.
//
// A section is H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2) at
// the unit's 48 kHz; a0 is 1 and is neither stored nor sent. The designs
// keep the unit's own constants as literals: they are not quite the doubles
// nearest pi / 48000 and 2 pi / 48000, and the unit's stored configurations
// were made with them.
#include <array>
#include <cstdint>
#include <span>

namespace model {

inline constexpr double kDspSampleRate = 48000.0;
// pi / 48000 as the prewarping and the module's own band design use it.
inline constexpr double kPiOver48000 = 6.544984694978728e-05;
// 2 pi / 48000 as the dialogs' band design and response grids use it.
inline constexpr double kTwoPiOver48000 = 0.00013089969389957457;

struct BiquadCoeffs {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    friend constexpr bool operator==(const BiquadCoeffs&, const BiquadCoeffs&) = default;
};

// b0 = 1, every other coefficient 0.
inline constexpr BiquadCoeffs kPassThroughBiquad{};

// The most sections one filter (a filter module, a crossover position) uses.
inline constexpr int kMaxFilterSections = 4;

// Slope types of the filter and crossover modules, by the index they store.
inline constexpr int kFilterTypeCount = 12;
inline constexpr int kDefaultFilterType = 5; // "BW 12", one section
inline constexpr std::array<const char*, kFilterTypeCount> g_szFilterTypeName = {
    "L-R 12", "L-R 24", "L-R 36", "L-R 48", "BW 6",  "BW 12",
    "BW 18",  "BW 24",  "BW 30",  "BW 36",  "BW 42", "BW 48"};

constexpr bool IsFilterType(std::int32_t type) {
    return type >= 0 && type < kFilterTypeCount;
}
// The filter order of a slope type (2, 4, 6, 8 for "L-R", 1 to 8 for "BW"),
// 0 for an index outside the table.
int FilterTypeOrder(std::int32_t type);
// Sections a slope type uses: (order + 1) / 2; 0 outside the table.
int FilterTypeSectionCount(std::int32_t type);

// tan(f * kPiOver48000): the bilinear transform's prewarped frequency.
double PrewarpedFrequency(double frequency);

// Second-order section with damping d from the prewarped frequency K; a
// high-pass section uses K' = 1 / K in the low-pass formulas' places.
BiquadCoeffs SecondOrderSection(double k, double damping, bool highPass);
// First-order section (b2 = a2 = 0) from the prewarped frequency K.
BiquadCoeffs FirstOrderSection(double k, bool highPass);

// A low-pass or high-pass filter of a slope type at `frequency` Hz: its
// sections in cascade order into sections[0 ..], pass-through in the rest.
// Returns the number of sections used, or 0 for a type outside the table,
// which leaves `sections` as they were.
int DesignSlopeFilter(std::int32_t type, double frequency, bool highPass,
                      std::span<BiquadCoeffs, kMaxFilterSections> sections);

// First-order shelf of the filter module: the low shelf (variant 3) has the
// gain at 0 Hz and unity at 24 kHz, the high shelf (variant 4) the reverse.
// At 0 dB the section is pass-through.
BiquadCoeffs ShelvingSection(bool lowShelf, double frequency, double gainDb);

// The equalizer module's own peaking band (what it fills its sections with
// when built): bandwidth in octaves through sinh, at the angle
// frequency * kPiOver48000. At 0 dB numerator and denominator are equal
// (b0 = 1, b1 = a1, b2 = a2).
BiquadCoeffs PeakingSectionSinhBandwidth(double frequency, double gainDb, double octaves);

// The attribute dialog's peaking band: the band's edges lie octaves / 2
// below and above the centre, the upper edge held at 24000 Hz; the centre
// angle is frequency * kTwoPiOver48000. At 0 dB b0 = 1, b1 = a1, b2 = a2.
BiquadCoeffs PeakingSectionBandEdges(double frequency, double gainDb, double octaves);

// 20 log10 |H(e^{j omega})| of one section, omega in radians per sample.
double BiquadMagnitudeDb(const BiquadCoeffs& section, double omega);

} // namespace model
