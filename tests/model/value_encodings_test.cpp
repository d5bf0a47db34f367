// The encodings parameter values travel to the unit in: worked values the
// unit's reset state is known by, truncation toward zero on both sides of
// zero, and the ends of the range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "model/value_encodings.h"

namespace {

using namespace model;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ModelValueEncodings, LevelsBecomeLinearGains) {
    struct row_t {
        double db, lin, lin44;
    };
    const row_t rows[] = {
        {0.0, 1.0, 44012.0},
        {-0.0, 1.0, 44012.0},
        {20.0, 10.0, 440120.0},
        {-20.0, 0.1, 4401.2},
        {-6.0, 0.50118723362727224, 22058.252526403507},
        {-120.0, 1e-6, 0.044012},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.db);
        EXPECT_DOUBLE_EQ(LinFromDb(row.db), row.lin);
        EXPECT_DOUBLE_EQ(Lin44FromDb(row.db), row.lin44);
    }
    // The reset state: exactly, not nearly.
    EXPECT_EQ(LinFromDb(0.0), 1.0);
    EXPECT_EQ(Lin44FromDb(0.0), 44012.0);
}

TEST(ModelValueEncodings, TimesBecomeSampleCounts) {
    struct row_t {
        double ms;
        std::int32_t samples, envelope;
    };
    const row_t rows[] = {
        {0.0, 0, 1},
        {5.0, 240, 241},
        {100.0, 4800, 4801},
        {1000.0, 48000, 48001}, // attack's reset value
        {2000.0, 96000, 96001}, // release's reset value
        {10.01, 480, 481},      // 480.48: truncated
        {0.01, 0, 1},           // 0.48
        {-0.5, -24, 1},         // toward zero; the envelope never goes below 1
        {-0.01, 0, 1},
        {1e12, kMax, kMax},
        {-1e12, kMin, 1},
        {kNaN, 0, 1},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.ms);
        EXPECT_EQ(SamplesFromMs(row.ms), row.samples);
        EXPECT_EQ(EnvelopeTimeFromMs(row.ms), row.envelope);
    }
}

TEST(ModelValueEncodings, SweepFrequenciesCountFortyEightStepsPerOctaveFromTwentyHz) {
    struct row_t {
        double hz;
        std::int32_t sweep;
    };
    const row_t rows[] = {
        {1000.0, 270}, // 270.9: the reset value
        {20.0, 0},     {40.0, 48},   {20000.0, 478}, {10.0, -48}, {19.0, -3}, // -3.55, toward zero
        {0.0, kMin},   {-5.0, kMin}, {kNaN, 0},
        // Whole octaves above 20 Hz: exact, where a logarithm through
        // log10 / log10(2) lands a hair low and truncates one step down.
        {160.0, 144},  {1280.0, 288}, {2560.0, 336},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.hz);
        EXPECT_EQ(SweepFromHz(row.hz), row.sweep);
    }
}

TEST(ModelValueEncodings, OscillatorPairIsTwiceTheCosineAndTheSineOfTheStep) {
    const OscillatorPair at1000 = OscFromHz(1000.0);
    EXPECT_DOUBLE_EQ(at1000.twoCos, 1.9828897227476208);
    EXPECT_DOUBLE_EQ(at1000.sine, 0.13052619222005143);
    EXPECT_EQ(OscFromHz(0.0), (OscillatorPair{2.0, 0.0}));
    // A quarter of the sample rate is a quarter turn per sample.
    const OscillatorPair quarter = OscFromHz(12000.0);
    EXPECT_NEAR(quarter.twoCos, 0.0, 1e-12);
    EXPECT_NEAR(quarter.sine, 1.0, 1e-12);
}

TEST(ModelValueEncodings, StepWidthIndexMapsToItsWidth) {
    const std::int32_t widths[] = {48, 32, 16, 8, 4, 1};
    for (std::int32_t index = 0; index < 6; ++index)
        EXPECT_EQ(SweepStepWidthFromIndex(index), widths[index]) << index;
    EXPECT_EQ(SweepStepWidthFromIndex(-1), 0);
    EXPECT_EQ(SweepStepWidthFromIndex(6), 0);
    EXPECT_EQ(SweepStepWidthFromIndex(kMax), 0);
}

TEST(ModelValueEncodings, TruncationSaturatesAtTheEndsOfTheRange) {
    struct row_t {
        double value;
        std::int32_t truncated;
    };
    const row_t rows[] = {
        {2.9, 2},
        {-2.9, -2},
        {2147483647.0, kMax},
        {2147483646.5, 2147483646},
        {-2147483648.0, kMin},
        {-2147483647.5, -2147483647},
        {1e300, kMax},
        {-1e300, kMin},
        {INFINITY, kMax},
        {-INFINITY, kMin},
        {kNaN, 0},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(TruncateToInt32(row.value), row.truncated);
    }
}

} // namespace
