#pragma once
// How the unit wants parameter values on the wire: the sheet holds levels in
// dB, times in ms and frequencies in Hz; the unit takes linear gains,
// sample counts at its 48 kHz, and sweep and oscillator values of its own.
// The download, the live parameter transfer and the attribute dialogs all
// encode through these, so a value the unit receives is the same whichever
// of them sent it.
//
// Conversions to an integer truncate toward zero and saturate at the ends
// of the 32-bit range; a NaN becomes 0.
#include <cstdint>

namespace model {

// 10^(dB / 20): the linear gain of a level.
double LinFromDb(double db);
// The linear gain scaled by 44012.0: the generator's level and, truncated,
// the dynamics threshold.
double Lin44FromDb(double db);
// Delay in samples: ms x 48, truncated.
std::int32_t SamplesFromMs(double ms);
// Attack and release: 1 + the integer part of ms x 48, never below 1.
std::int32_t EnvelopeTimeFromMs(double ms);
// A sweep's start or stop frequency: 48 log2(Hz / 20), truncated; 0 at
// 20 Hz, 270 at 1000 Hz. A frequency at or below 0 Hz saturates low.
std::int32_t SweepFromHz(double hz);

// The sine oscillator's recursion pair for a frequency: 2 cos(w) and
// sin(w), with w the frequency's angle per sample.
struct OscillatorPair {
    double twoCos = 2.0;
    double sine = 0.0;
    friend bool operator==(const OscillatorPair&, const OscillatorPair&) = default;
};
OscillatorPair OscFromHz(double hz);

// The sweep step width a generator's step-width index stands for: 0 to 5 give
// 48, 32, 16, 8, 4, 1; any other index 0.
std::int32_t SweepStepWidthFromIndex(std::int32_t index);

// Truncation toward zero into 32 bits, saturating; NaN gives 0.
std::int32_t TruncateToInt32(double value);

} // namespace model
