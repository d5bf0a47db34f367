#include "model/value_encodings.h"

#include <array>
#include <cmath>
#include <limits>

#include "model/filter_math.h"

namespace model {

namespace {

// The unit's sample rate in kHz: samples per ms.
constexpr double kSamplesPerMs = 48.0;
// What the unit's integer gain stage counts as unity.
constexpr double kLin44Unity = 44012.0;

} // namespace

std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    if (value <= kLow)
        return std::numeric_limits<std::int32_t>::min();
    if (value >= kHigh)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

double LinFromDb(double db) {
    return std::pow(10.0, 0.05 * db);
}

double Lin44FromDb(double db) {
    return LinFromDb(db) * kLin44Unity;
}

std::int32_t SamplesFromMs(double ms) {
    return TruncateToInt32(ms * kSamplesPerMs);
}

std::int32_t EnvelopeTimeFromMs(double ms) {
    const std::int32_t samples = SamplesFromMs(ms);
    if (samples < 0)
        return 1;
    return samples == std::numeric_limits<std::int32_t>::max() ? samples : samples + 1;
}

std::int32_t SweepFromHz(double hz) {
    // No logarithm at or below 0 Hz: the lowest sweep value stands for it.
    if (hz <= 0.0)
        return std::numeric_limits<std::int32_t>::min();
    return TruncateToInt32(kSamplesPerMs * std::log2(0.05 * hz));
}

OscillatorPair OscFromHz(double hz) {
    const double w = hz * kTwoPiOver48000;
    return {2.0 * std::cos(w), std::sin(w)};
}

std::int32_t SweepStepWidthFromIndex(std::int32_t index) {
    static constexpr std::array<std::int32_t, 6> kWidths = {48, 32, 16, 8, 4, 1};
    if (index < 0 || index >= static_cast<std::int32_t>(kWidths.size()))
        return 0;
    return kWidths[static_cast<std::size_t>(index)];
}

} // namespace model
