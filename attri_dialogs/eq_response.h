#pragma once
// CEqResponse: the equalizer dialog's response graph without its window.
// The frequency grid (819 points, 25 per factor 1.25 from 16 Hz to just
// below 24 kHz, point j at x = 30 + j), one curve per band designed from
// the dialog's own sections, the summed curve, the bands' drag points and
// bandwidth handles with their hit tests, and the drawing through a canvas.
// Every grid index is held inside the grid, whatever frequency or
// bandwidth a damaged module brings.
#include <array>
#include <cstdint>
#include <vector>

#include "model/filter_math.h"
#include "platform/gdi/canvas.h"

namespace attri_dialogs {

class CEqResponse {
public:
    static constexpr std::int32_t kPoints = 819;
    static constexpr std::int32_t kMaxBands = 31;
    // Plot (x of point 0, +15 dB at the top, -30 dB at the bottom) and the
    // frame around it.
    static constexpr platform::gdi::Rect kPlot{30, 25, 855, 151};
    static constexpr platform::gdi::Rect kFrame{5, 5, 880, 171};
    static constexpr std::int32_t kZeroDbY = 67;

    // What the graph shows of each band besides its curve.
    struct BandState {
        bool show = false;         // its curve is drawn
        bool off = false;          // out of the sum, drawn grey
        bool pointDragged = false; // red
        bool widthDragged = false; // its handles red
        bool highlighted = false;  // the current band's point, red
    };
    struct DrawState {
        bool showAllBands = false;
        bool showDragPoints = true;
        bool handles = true; // parametric variants only
    };

    CEqResponse();

    // -- the grid and the mapping between pixels and values
    double Frequency(std::int32_t point) const { return m_frequency[Index(point)]; }
    double Omega(std::int32_t point) const { return m_omega[Index(point)]; }
    static std::int32_t X(std::int32_t point) { return kPlot.left + point; }
    // The point of a frequency (may lie outside the grid; Index holds it).
    static std::int32_t PointOf(double frequency);
    static std::int32_t Index(std::int32_t point);
    static std::int32_t Y(double dB);
    static double DbAtY(std::int32_t y);
    static double FrequencyAtX(std::int32_t x);

    // -- curves
    void SetBandCount(std::int32_t bands);
    std::int32_t BandCount() const { return m_bands; }
    // Band `band`'s curve from its section; the value at the band's point
    // becomes `gain` so the curve passes through the drag point. Places the
    // point and handles and rebuilds the sum.
    void ComputeBand(std::int32_t band, const model::BiquadCoeffs& section, double frequency,
                     double gain, double bandwidth);
    // Bypassed, the sum is 0 dB everywhere.
    void SetBypass(bool bypass);
    BandState& Band(std::int32_t band) { return m_state[Slot(band)]; }
    const BandState& Band(std::int32_t band) const { return m_state[Slot(band)]; }
    // The sum over bands not off (call after changing off flags).
    void RebuildSum();
    double BandDb(std::int32_t band, std::int32_t point) const;
    double SumDb(std::int32_t point) const { return m_sum[Index(point)]; }

    // -- points and handles
    platform::gdi::Rect PointRect(std::int32_t band) const { return m_pointRect[Slot(band)]; }
    // Handle 0 and 1; the second is empty when only one fits the grid.
    platform::gdi::Rect HandleRect(std::int32_t band, std::int32_t handle) const;
    // The grid point of a handle (for tests and the widget's tooltips).
    std::int32_t HandlePoint(std::int32_t band, std::int32_t handle) const;
    // The first band whose handle (or point) holds `at`, or -1.
    std::int32_t HitHandle(platform::gdi::Point at) const;
    std::int32_t HitPoint(platform::gdi::Point at) const;

    void Draw(platform::gdi::Canvas& canvas, const DrawState& state) const;

private:
    static std::size_t Slot(std::int32_t band);

    std::int32_t m_bands = 0;
    bool m_bypass = false;
    std::vector<double> m_frequency, m_omega, m_sum;
    std::array<std::vector<double>, kMaxBands> m_curve;
    // A band's own value at its point, before the working gain replaced it.
    std::array<double, kMaxBands> m_atPoint{};
    std::array<std::int32_t, kMaxBands> m_point{};
    std::array<BandState, kMaxBands> m_state{};
    std::array<platform::gdi::Rect, kMaxBands> m_pointRect{};
    std::array<std::array<platform::gdi::Rect, 2>, kMaxBands> m_handleRect{};
    std::array<std::array<std::int32_t, 2>, kMaxBands> m_handlePoint{};
};

} // namespace attri_dialogs
