#pragma once
// The response graph of the crossover and filter dialogs, without widgets:
// a logarithmic frequency grid of 524 points (16 per factor 1.25 from
// 16 Hz), the magnitude response of a cascade of biquad sections on it as
// y pixels (14 pixels per 3 dB), the handle that marks a cut-off on its
// curve, the frequency under the pointer, the curve hit test and the
// painting through the canvas seam. Also the one helper that sends a slope
// filter's sections to the unit.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "attri_dialogs/attri_commands.h"
#include "model/filter_math.h"
#include "platform/gdi/canvas.h"

namespace attri_dialogs {

// A curve: the y pixel of each grid point.
using ResponseCurve = std::vector<std::int32_t>;

class CSlopeResponse {
public:
    static constexpr std::int32_t kPoints = 524;
    static constexpr std::int32_t kPixelsPerStep = 16; // per factor 1.25
    static constexpr std::int32_t kPixelsPer3Db = 14;
    static constexpr std::int32_t kHandleSize = 8;
    static constexpr double kMinFrequency = 20.0;
    static constexpr double kMaxFrequency = 20000.0;

    // `graph` in client pixels; `zeroOffset` the 0 dB line's distance below
    // its top (14 for the crossover's +3 dB top, 42 for the filter's +9 dB).
    CSlopeResponse(platform::gdi::Rect graph, std::int32_t zeroOffset);

    const platform::gdi::Rect& Graph() const { return m_graph; }
    std::int32_t ZeroOffset() const { return m_zeroOffset; }

    // Point i's frequency in Hz and its x pixel.
    static double PointFrequency(std::int32_t i);
    std::int32_t PointX(std::int32_t i) const { return m_graph.left + i; }

    // The response in dB at point i: the sum over the filters' sections.
    double ResponseDb(std::span<const std::span<const model::BiquadCoeffs>> filters,
                      std::int32_t i) const;
    // The curve of the cascade of every filter's sections in use.
    ResponseCurve Curve(std::span<const std::span<const model::BiquadCoeffs>> filters) const;
    // The y pixel of a level.
    std::int32_t LevelY(double db) const;
    // The level a y pixel stands for (the inverse of LevelY, unrounded).
    double LevelAt(std::int32_t y) const;

    // The grid point that marks a cut-off frequency, kept on the grid.
    static std::int32_t HandleIndex(double frequency);
    // The 8 x 8 handle of a cut-off on its curve.
    platform::gdi::Rect HandleRect(const ResponseCurve& curve, double frequency) const;
    // The frequency under an x pixel, within 20 to 20000 Hz.
    double FrequencyAt(std::int32_t x) const;
    // Whether a point lies within 2 pixels of the curve at its x; nothing
    // off the grid hits.
    bool HitsCurve(const ResponseCurve& curve, platform::gdi::Point point) const;

    struct CurveStyle {
        const ResponseCurve* curve;
        platform::gdi::COLORREF colour;
    };
    struct HandleStyle {
        platform::gdi::Rect rect;
        platform::gdi::COLORREF colour;
    };
    // The frame, the graph with its grid, the curves in order (a point at
    // or below the bottom breaks the line, which resumes where the curve
    // comes back) and the handles (none whose bottom lies below the graph).
    void Draw(platform::gdi::Canvas& canvas, std::span<const CurveStyle> curves,
              std::span<const HandleStyle> handles) const;

    static constexpr platform::gdi::COLORREF kFrameFill = platform::gdi::RGB(200, 200, 200);
    static constexpr platform::gdi::COLORREF kGraphBorder = platform::gdi::RGB(128, 255, 255);
    static constexpr platform::gdi::COLORREF kGrid = platform::gdi::RGB(150, 150, 150);
    static constexpr platform::gdi::COLORREF kSelectedCurve = platform::gdi::RGB(255, 0, 0);
    static constexpr platform::gdi::COLORREF kCurve = platform::gdi::RGB(0, 255, 0);
    static constexpr platform::gdi::COLORREF kHandle = platform::gdi::RGB(255, 255, 128);
    static constexpr platform::gdi::COLORREF kDraggedHandle = platform::gdi::RGB(255, 0, 0);
    static constexpr platform::gdi::COLORREF kBypassed = platform::gdi::RGB(150, 150, 150);

private:
    platform::gdi::Rect m_graph;
    std::int32_t m_zeroOffset;
    std::array<double, kPoints> m_omega{};
};

// A cut-off frequency as the dialogs hold it: within 20 to 20000 Hz (a
// damaged file's value, NaN included, never reaches a design or the grid).
double ClampCutoff(double frequency);
// A slope type as the dialogs show and design it: one outside the table is
// taken as "BW 12".
std::int32_t ShownFilterType(std::int32_t type);

// The cut-off spin buttons step by a factor that grows with the frequency:
// the factor of the spin's new position.
std::int32_t CutoffSpinFactor(std::int32_t position);

// The parameter codes of a slope filter.
inline constexpr std::int32_t kSectionCode = 607;
inline constexpr std::int32_t kSectionCountCode = 609;

// Sends a filter's sections in use: with `withCount` first its count
// (609 with `filterNumber`), then each section as the pair of 607 commands
// from index `firstIndex` up, narrowed to single precision. Pass-through
// sections beyond the count are never sent.
void SendSlopeSections(IAttriCommandSink& sink, std::int32_t order, std::int32_t filterNumber,
                       std::int32_t firstIndex, std::span<const model::BiquadCoeffs> inUse,
                       bool withCount);

} // namespace attri_dialogs
