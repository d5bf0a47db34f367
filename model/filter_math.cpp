#include "model/filter_math.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace model {

namespace {

// The sections of each slope type in cascade order: a damping for a
// second-order section, kFirstOrder for a first-order one. The dampings are
// the unit's decimals (the Butterworth values 2 sin((2k - 1) pi / (2m)) to
// 13 or 14 places, sqrt 2 both ways), not recomputed, so that sections match
// what stored configurations hold. A damping of 2 is a squared first-order
// section: the odd factors of the Linkwitz-Riley types.
constexpr double kFirstOrder = -1.0;
constexpr double kNone = 0.0;

struct slope_t {
    int order;
    std::array<double, kMaxFilterSections> sections; // kNone past the last
};

constexpr std::array<slope_t, kFilterTypeCount> kSlopes = {{
    {2, {2.0, kNone, kNone, kNone}},                                               // L-R 12
    {4, {1.4142135623731, 1.4142135623731, kNone, kNone}},                         // L-R 24
    {6, {2.0, 1.0, 1.0, kNone}},                                                   // L-R 36
    {8, {0.76536686473018, 1.84775906502257, 0.76536686473018, 1.84775906502257}}, // L-R 48
    {1, {kFirstOrder, kNone, kNone, kNone}},                                       // BW 6
    {2, {1.4142135623731, kNone, kNone, kNone}},                                   // BW 12
    {3, {kFirstOrder, 1.0, kNone, kNone}},                                         // BW 18
    {4, {0.76536686473018, 1.84775906502257, kNone, kNone}},                       // BW 24
    {5, {kFirstOrder, 0.61803398874989, 1.61803398874989, kNone}},                 // BW 30
    {6, {0.51763809020504, 1.41421356237309, 1.93185165257814, kNone}},            // BW 36
    {7, {kFirstOrder, 0.44504186791263, 1.24697960371747, 1.80193773580484}},      // BW 42
    {8, {0.39018064403226, 1.1111404660392, 1.66293922460509, 1.96157056080646}},  // BW 48
}};

} // namespace

int FilterTypeOrder(std::int32_t type) {
    return IsFilterType(type) ? kSlopes[static_cast<std::size_t>(type)].order : 0;
}

int FilterTypeSectionCount(std::int32_t type) {
    return IsFilterType(type) ? (FilterTypeOrder(type) + 1) / 2 : 0;
}

double PrewarpedFrequency(double frequency) {
    return std::tan(frequency * kPiOver48000);
}

BiquadCoeffs SecondOrderSection(double k, double damping, bool highPass) {
    const double d = damping;
    if (!highPass) {
        const double den = (k + d) * k + 1.0;
        const double k2 = k * k;
        return {k2 / den, 2.0 * k2 / den, k2 / den, (2.0 * k2 - 2.0) / den,
                (1.0 - d * k + k2) / den};
    }
    const double kp = 1.0 / k;
    const double den = (kp + d) * kp + 1.0;
    const double kp2 = kp * kp;
    return {kp2 / den, -2.0 * kp2 / den, kp2 / den, (2.0 - 2.0 * kp2) / den,
            (1.0 - d * kp + kp2) / den};
}

BiquadCoeffs FirstOrderSection(double k, bool highPass) {
    if (!highPass) {
        const double den = 1.0 + k;
        return {k / den, k / den, 0.0, (k - 1.0) / den, 0.0};
    }
    const double kp = 1.0 / k;
    const double den = 1.0 + kp;
    return {kp / den, -kp / den, 0.0, (1.0 - kp) / den, 0.0};
}

int DesignSlopeFilter(std::int32_t type, double frequency, bool highPass,
                      std::span<BiquadCoeffs, kMaxFilterSections> sections) {
    if (!IsFilterType(type))
        return 0;
    const slope_t& slope = kSlopes[static_cast<std::size_t>(type)];
    const double k = PrewarpedFrequency(frequency);
    const int count = FilterTypeSectionCount(type);
    for (int s = 0; s < kMaxFilterSections; ++s) {
        const double d = slope.sections[static_cast<std::size_t>(s)];
        BiquadCoeffs& section = sections[static_cast<std::size_t>(s)];
        if (s >= count)
            section = kPassThroughBiquad;
        else if (d == kFirstOrder)
            section = FirstOrderSection(k, highPass);
        else
            section = SecondOrderSection(k, d, highPass);
    }
    return count;
}

BiquadCoeffs ShelvingSection(bool lowShelf, double frequency, double gainDb) {
    // At 0 dB the formulas give the pass-through section, with a negative
    // zero or two; the section is stored and compared, so give the plain one.
    if (gainDb == 0.0)
        return kPassThroughBiquad;
    const double k0 = PrewarpedFrequency(frequency);
    const double a = std::pow(10.0, 0.05 * gainDb);
    const double v = std::pow(10.0, 0.025 * gainDb);
    const double root = std::sqrt((v * v - 1.0) / (a * a - v * v));
    const double k = lowShelf ? k0 * root : root / k0;
    const double den = 1.0 + k;
    if (lowShelf)
        return {(1.0 + a * k) / den, -(1.0 - a * k) / den, 0.0, -(1.0 - k) / den, 0.0};
    return {(1.0 + a * k) / den, (1.0 - a * k) / den, 0.0, (1.0 - k) / den, 0.0};
}

BiquadCoeffs PeakingSectionSinhBandwidth(double frequency, double gainDb, double octaves) {
    const double a = std::pow(10.0, gainDb / 20.0);
    const double root_a = std::sqrt(a);
    const double w0 = frequency * kPiOver48000;
    const double sin_w0 = std::sin(w0);
    const double alpha = sin_w0 * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / sin_w0);
    const double a0 = 1.0 + alpha / root_a;
    const double b1 = -2.0 * std::cos(w0) / a0;
    return {(1.0 + alpha * root_a) / a0, b1, (1.0 - alpha * root_a) / a0, b1,
            (1.0 - alpha / root_a) / a0};
}

BiquadCoeffs PeakingSectionBandEdges(double frequency, double gainDb, double octaves) {
    const double w0 = frequency * kTwoPiOver48000;
    const double a = std::pow(10.0, 0.05 * gainDb);
    const double centre = std::log2(frequency);
    const double upper = std::min(std::pow(2.0, centre + octaves / 2.0), 24000.0);
    const double lower = std::pow(2.0, centre - octaves / 2.0);
    const double width = (upper - lower) * kTwoPiOver48000;
    const double k = std::tan(width / 2.0) / std::sqrt(a);
    const double den = 1.0 + k;
    const double b1 = -2.0 * std::cos(w0) / den;
    return {(1.0 + a * k) / den, b1, (1.0 - a * k) / den, b1, (1.0 - k) / den};
}

double BiquadMagnitudeDb(const BiquadCoeffs& s, double omega) {
    const double c = std::cos(omega);
    const double sn = std::sin(omega);
    const double cos2 = c * c - sn * sn;
    const double nr = s.b0 + s.b1 * c + s.b2 * cos2;
    const double ni = (s.b1 + 2.0 * s.b2 * c) * sn;
    const double er = 1.0 + s.a1 * c + s.a2 * cos2;
    const double ei = (s.a1 + 2.0 * s.a2 * c) * sn;
    const double e2 = er * er + ei * ei;
    const double hr = (er * nr + ei * ni) / e2;
    const double hi = (er * ni - ei * nr) / e2;
    return 20.0 * std::log10(std::sqrt(hr * hr + hi * hi));
}

} // namespace model
