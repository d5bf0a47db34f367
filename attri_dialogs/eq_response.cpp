#include "attri_dialogs/eq_response.h"

#include <algorithm>
#include <cmath>

namespace attri_dialogs {

namespace gdi = platform::gdi;

namespace {

// 1 / log2(1.25): points per octave over 25.
constexpr double kEqPointsPerLog2 = 3.106283766663543;
constexpr double kEqLog2Step = 0.32192809; // log2(1.25)
constexpr std::int32_t kEqPerFactor = 25;

constexpr gdi::COLORREF kEqBorder = gdi::RGB(0x80, 0xFF, 0xFF);
constexpr gdi::COLORREF kEqFrameFill = gdi::RGB(0xE0, 0xDF, 0xE3);
constexpr gdi::COLORREF kEqGrey = gdi::RGB(0x96, 0x96, 0x96);
constexpr gdi::COLORREF kEqBandColour = gdi::RGB(0xFF, 0x80, 0x00);
constexpr gdi::COLORREF kEqSumColour = gdi::RGB(0x00, 0xFF, 0x00);
constexpr gdi::COLORREF kEqPointColour = gdi::RGB(0xFF, 0xFF, 0x80);
constexpr gdi::COLORREF kEqHandleColour = gdi::RGB(0x00, 0xFF, 0xFF);
constexpr gdi::COLORREF kEqActive = gdi::RGB(0xFF, 0x00, 0x00);

gdi::Rect EqCentredOn(gdi::Point at, std::int32_t size) {
    return {at.x - size / 2, at.y - size / 2, at.x + size / 2, at.y + size / 2};
}

// trunc(25 / log2(1.25) * octaves above 16 Hz); a non-finite value (a
// zero or negative frequency) lands left of the grid.
std::int32_t EqGridTruncated(double value) {
    if (!std::isfinite(value))
        return -1;
    return static_cast<std::int32_t>(std::clamp(value, -1.0e6, 1.0e6));
}

void EqSelectColours(gdi::Canvas& canvas, gdi::COLORREF pen, gdi::COLORREF fill) {
    canvas.SelectPen(gdi::Pen::Solid(1, pen));
    canvas.SelectBrush(gdi::Brush::Solid(fill));
}

} // namespace

CEqResponse::CEqResponse() : m_frequency(kPoints), m_omega(kPoints), m_sum(kPoints, 0.0) {
    for (std::int32_t j = 0; j < kPoints; ++j) {
        const double f = std::pow(2.0, 4.0 + j * kEqLog2Step / kEqPerFactor);
        m_frequency[static_cast<std::size_t>(j)] = f;
        m_omega[static_cast<std::size_t>(j)] = f * model::kTwoPiOver48000;
    }
    for (auto& curve : m_curve)
        curve.assign(kPoints, 0.0);
}

std::int32_t CEqResponse::PointOf(double frequency) {
    return EqGridTruncated(kEqPerFactor * std::log2(frequency / 16.0) * kEqPointsPerLog2);
}

std::int32_t CEqResponse::Index(std::int32_t point) {
    return std::clamp(point, 0, kPoints - 1);
}

std::int32_t CEqResponse::Y(double dB) {
    return kZeroDbY - static_cast<std::int32_t>(14.0 * 9.0 * dB / 45.0);
}

double CEqResponse::DbAtY(std::int32_t y) {
    return (kZeroDbY - y) * 45.0 / (14.0 * 9.0);
}

double CEqResponse::FrequencyAtX(std::int32_t x) {
    return std::pow(2.0, (x - kPlot.left) * kEqLog2Step / kEqPerFactor + 4.0);
}

std::size_t CEqResponse::Slot(std::int32_t band) {
    return static_cast<std::size_t>(std::clamp(band, 0, kMaxBands - 1));
}

void CEqResponse::SetBandCount(std::int32_t bands) {
    m_bands = std::clamp(bands, 0, kMaxBands);
}

double CEqResponse::BandDb(std::int32_t band, std::int32_t point) const {
    return m_curve[Slot(band)][static_cast<std::size_t>(Index(point))];
}

void CEqResponse::ComputeBand(std::int32_t band, const model::BiquadCoeffs& section,
                              double frequency, double gain, double bandwidth) {
    const std::size_t b = Slot(band);
    std::vector<double>& curve = m_curve[b];
    for (std::size_t j = 0; j < curve.size(); ++j)
        curve[j] = model::BiquadMagnitudeDb(section, m_omega[j]);
    const std::int32_t p = Index(PointOf(frequency));
    m_point[b] = p;
    m_atPoint[b] = curve[static_cast<std::size_t>(p)];
    curve[static_cast<std::size_t>(p)] = gain;
    m_pointRect[b] = EqCentredOn({X(p), Y(gain)}, 8);

    const double octaves = std::log2(frequency / 16.0);
    const std::int32_t left =
        EqGridTruncated(kEqPerFactor * kEqPointsPerLog2 * (octaves - bandwidth / 2));
    if (left >= 0) {
        const std::int32_t right =
            left + EqGridTruncated(kEqPerFactor * bandwidth * kEqPointsPerLog2);
        const std::int32_t y = Y(BandDb(band, left));
        m_handlePoint[b] = {left, right};
        m_handleRect[b] = {EqCentredOn({X(left), y}, 6), EqCentredOn({X(right), y}, 6)};
    } else {
        const std::int32_t right =
            EqGridTruncated(kEqPerFactor * kEqPointsPerLog2 * (octaves + bandwidth / 2));
        m_handlePoint[b] = {right, -1};
        m_handleRect[b] = {EqCentredOn({X(right), Y(BandDb(band, right))}, 6), gdi::Rect{}};
    }
    RebuildSum();
}

void CEqResponse::SetBypass(bool bypass) {
    m_bypass = bypass;
    RebuildSum();
}

void CEqResponse::RebuildSum() {
    std::fill(m_sum.begin(), m_sum.end(), 0.0);
    if (m_bypass)
        return;
    for (std::int32_t band = 0; band < m_bands; ++band) {
        const std::size_t b = Slot(band);
        if (m_state[b].off)
            continue;
        for (std::size_t j = 0; j < m_sum.size(); ++j)
            m_sum[j] += m_curve[b][j];
        // The sum carries the band's own response at its point.
        m_sum[static_cast<std::size_t>(m_point[b])] +=
            m_atPoint[b] - m_curve[b][static_cast<std::size_t>(m_point[b])];
    }
}

gdi::Rect CEqResponse::HandleRect(std::int32_t band, std::int32_t handle) const {
    return m_handleRect[Slot(band)][handle == 0 ? 0 : 1];
}

std::int32_t CEqResponse::HandlePoint(std::int32_t band, std::int32_t handle) const {
    return m_handlePoint[Slot(band)][handle == 0 ? 0 : 1];
}

std::int32_t CEqResponse::HitHandle(gdi::Point at) const {
    for (std::int32_t band = 0; band < m_bands; ++band)
        for (std::int32_t h = 0; h < 2; ++h)
            if (HandleRect(band, h).PtInRect(at))
                return band;
    return -1;
}

std::int32_t CEqResponse::HitPoint(gdi::Point at) const {
    for (std::int32_t band = 0; band < m_bands; ++band)
        if (PointRect(band).PtInRect(at))
            return band;
    return -1;
}

void CEqResponse::Draw(gdi::Canvas& canvas, const DrawState& state) const {
    const gdi::Pen pen = canvas.GetPen();
    const gdi::Brush brush = canvas.GetBrush();

    EqSelectColours(canvas, gdi::kBlack, kEqFrameFill);
    canvas.Rectangle(kFrame);
    EqSelectColours(canvas, kEqBorder, gdi::kBlack);
    canvas.Rectangle(kPlot);

    canvas.SelectPen(gdi::Pen::Solid(1, kEqGrey));
    for (std::int32_t y = kPlot.top + 14; y < kPlot.bottom - 1; y += 14) {
        canvas.MoveTo(kPlot.left + 1, y);
        canvas.LineTo(kPlot.right - 1, y);
    }
    for (std::int32_t x = kPlot.left + 25; x < kPlot.right - 1; x += 25) {
        canvas.MoveTo(x, kPlot.top + 1);
        canvas.LineTo(x, kPlot.bottom - 1);
    }

    std::vector<gdi::Point> line(static_cast<std::size_t>(kPoints));
    for (std::int32_t band = 0; band < m_bands; ++band) {
        const BandState& s = Band(band);
        if (!s.show && !state.showAllBands)
            continue;
        for (std::int32_t j = 0; j < kPoints; ++j)
            line[static_cast<std::size_t>(j)] = {X(j), Y(BandDb(band, j))};
        canvas.SelectPen(gdi::Pen::Solid(1, s.off ? kEqGrey : kEqBandColour));
        canvas.Polyline(line);
    }
    // The sum runs along the plot's edge where it leaves the plot.
    for (std::int32_t j = 0; j < kPoints; ++j)
        line[static_cast<std::size_t>(j)] = {X(j),
                                             std::clamp(Y(SumDb(j)), kPlot.top, kPlot.bottom)};
    canvas.SelectPen(gdi::Pen::Solid(1, kEqSumColour));
    canvas.Polyline(line);

    if (state.showDragPoints) {
        for (std::int32_t band = 0; band < m_bands; ++band) {
            const BandState& s = Band(band);
            const gdi::Rect point = PointRect(band);
            if (kFrame.PtInRect(point.CenterPoint())) {
                const gdi::COLORREF c = s.off                             ? kEqGrey
                                        : s.pointDragged || s.highlighted ? kEqActive
                                                                          : kEqPointColour;
                EqSelectColours(canvas, c, c);
                canvas.Ellipse(point);
            }
            if (!state.handles)
                continue;
            for (std::int32_t h = 0; h < 2; ++h) {
                const gdi::Rect handle = HandleRect(band, h);
                const std::int32_t x = handle.CenterPoint().x;
                if (handle.IsRectEmpty() || x < kPlot.left || x > kPlot.right)
                    continue;
                const gdi::COLORREF c = s.off            ? kEqGrey
                                        : s.widthDragged ? kEqActive
                                                         : kEqHandleColour;
                EqSelectColours(canvas, c, c);
                canvas.Rectangle(handle);
            }
        }
    }
    canvas.SelectPen(pen);
    canvas.SelectBrush(brush);
}

} // namespace attri_dialogs
