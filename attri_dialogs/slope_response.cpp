#include "attri_dialogs/slope_response.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace attri_dialogs {

using platform::gdi::Point;
using platform::gdi::Rect;

namespace {

// log2(1.25) as the grid's steps use it, and its inverse.
constexpr double kLog2StepFactor = 0.32192809;
constexpr double kStepsPerOctave = 3.106283766663543;
// A response far outside the graph is held here, so that a section with a
// zero of transmission (-inf dB) or a runaway design still gives a pixel.
constexpr double kDbLimit = 1000.0;

} // namespace

CSlopeResponse::CSlopeResponse(Rect graph, std::int32_t zeroOffset)
    : m_graph(graph), m_zeroOffset(zeroOffset) {
    for (std::int32_t i = 0; i < kPoints; ++i)
        m_omega[static_cast<std::size_t>(i)] = PointFrequency(i) * model::kTwoPiOver48000;
}

double CSlopeResponse::PointFrequency(std::int32_t i) {
    return std::pow(2.0, 4.0 + i * kLog2StepFactor / kPixelsPerStep);
}

double CSlopeResponse::ResponseDb(std::span<const std::span<const model::BiquadCoeffs>> filters,
                                  std::int32_t i) const {
    double db = 0.0;
    for (const std::span<const model::BiquadCoeffs> sections : filters)
        for (const model::BiquadCoeffs& section : sections)
            db += model::BiquadMagnitudeDb(section, m_omega[static_cast<std::size_t>(i)]);
    return db;
}

ResponseCurve
CSlopeResponse::Curve(std::span<const std::span<const model::BiquadCoeffs>> filters) const {
    ResponseCurve curve(kPoints);
    for (std::int32_t i = 0; i < kPoints; ++i)
        curve[static_cast<std::size_t>(i)] = LevelY(ResponseDb(filters, i));
    return curve;
}

std::int32_t CSlopeResponse::LevelY(double db) const {
    if (std::isnan(db))
        db = -kDbLimit;
    db = std::clamp(db, -kDbLimit, kDbLimit);
    return m_graph.top + m_zeroOffset -
           static_cast<std::int32_t>(std::trunc(kPixelsPer3Db * db / 3.0));
}

double CSlopeResponse::LevelAt(std::int32_t y) const {
    return 3.0 * (m_graph.top + m_zeroOffset - y) / kPixelsPer3Db;
}

std::int32_t CSlopeResponse::HandleIndex(double frequency) {
    const double f = ClampCutoff(frequency);
    const double octaves = std::log10(f * 0.0625) / std::log10(2.0);
    const auto n =
        static_cast<std::int32_t>(std::trunc(octaves * kPixelsPerStep * kStepsPerOctave));
    return std::clamp(n, 0, kPoints - 1);
}

Rect CSlopeResponse::HandleRect(const ResponseCurve& curve, double frequency) const {
    const std::int32_t n = HandleIndex(frequency);
    const std::int32_t left = m_graph.left - kHandleSize / 2 + n;
    const std::int32_t top = curve[static_cast<std::size_t>(n)] - kHandleSize / 2;
    return {left, top, left + kHandleSize, top + kHandleSize};
}

double CSlopeResponse::FrequencyAt(std::int32_t x) const {
    const double f = std::pow(2.0, (x - m_graph.left) * kLog2StepFactor / kPixelsPerStep + 4.0);
    return ClampCutoff(f);
}

bool CSlopeResponse::HitsCurve(const ResponseCurve& curve, Point point) const {
    const std::int32_t i = point.x - m_graph.left;
    if (i < 0 || i >= static_cast<std::int32_t>(curve.size()))
        return false;
    return std::abs(curve[static_cast<std::size_t>(i)] - point.y) <= 2;
}

void CSlopeResponse::Draw(platform::gdi::Canvas& canvas, std::span<const CurveStyle> curves,
                          std::span<const HandleStyle> handles) const {
    using platform::gdi::Brush;
    using platform::gdi::Pen;
    platform::gdi::CanvasStateSaver saved(canvas);

    canvas.SelectPen(Pen::Solid(1, platform::gdi::kBlack));
    canvas.SelectBrush(Brush::Solid(kFrameFill));
    canvas.Rectangle(
        {m_graph.left - 28, m_graph.top - 20, m_graph.right + 28, m_graph.bottom + 20});
    canvas.SelectPen(Pen::Solid(1, kGraphBorder));
    canvas.SelectBrush(Brush::Solid(platform::gdi::kBlack));
    canvas.Rectangle(m_graph);

    canvas.SelectPen(Pen::Solid(1, kGrid));
    for (std::int32_t y = m_graph.top + kPixelsPer3Db; y <= m_graph.bottom - kPixelsPer3Db;
         y += kPixelsPer3Db) {
        canvas.MoveTo(m_graph.left + 1, y);
        canvas.LineTo(m_graph.right - 1, y);
    }
    for (std::int32_t x = m_graph.left + kPixelsPerStep; x <= m_graph.right - kPixelsPerStep;
         x += kPixelsPerStep) {
        canvas.MoveTo(x, m_graph.top + 1);
        canvas.LineTo(x, m_graph.bottom - 1);
    }

    for (const CurveStyle& style : curves) {
        canvas.SelectPen(Pen::Solid(1, style.colour));
        std::vector<Point> run;
        const auto flush = [&] {
            if (run.size() >= 2)
                canvas.Polyline(run);
            run.clear();
        };
        for (std::size_t i = 0; i < style.curve->size(); ++i) {
            const std::int32_t y = (*style.curve)[i];
            if (y >= m_graph.bottom) {
                flush();
                continue;
            }
            run.push_back({PointX(static_cast<std::int32_t>(i)), y});
        }
        flush();
    }

    for (const HandleStyle& handle : handles) {
        if (handle.rect.bottom > m_graph.bottom)
            continue;
        canvas.SelectPen(Pen::Solid(1, handle.colour));
        canvas.SelectBrush(Brush::Solid(handle.colour));
        canvas.Ellipse(handle.rect);
    }
}

double ClampCutoff(double frequency) {
    if (std::isnan(frequency))
        return CSlopeResponse::kMinFrequency;
    return std::clamp(frequency, CSlopeResponse::kMinFrequency, CSlopeResponse::kMaxFrequency);
}

std::int32_t ShownFilterType(std::int32_t type) {
    return model::IsFilterType(type) ? type : model::kDefaultFilterType;
}

std::int32_t CutoffSpinFactor(std::int32_t position) {
    constexpr std::array<std::pair<std::int32_t, std::int32_t>, 7> kSteps = {
        {{10000, 200}, {5000, 100}, {2000, 50}, {1000, 20}, {500, 10}, {200, 5}, {100, 2}}};
    for (const auto& [from, factor] : kSteps)
        if (position >= from)
            return factor;
    return 1;
}

void SendSlopeSections(IAttriCommandSink& sink, std::int32_t order, std::int32_t filterNumber,
                       std::int32_t firstIndex, std::span<const model::BiquadCoeffs> inUse,
                       bool withCount) {
    if (withCount)
        sink.SendSetII(order, kSectionCountCode, filterNumber,
                       static_cast<std::int32_t>(inUse.size()));
    std::int32_t index = firstIndex;
    for (const model::BiquadCoeffs& section : inUse) {
        sink.SendSetIFFF(order, kSectionCode, index, static_cast<float>(section.b0),
                         static_cast<float>(section.b1), static_cast<float>(section.b2));
        sink.SendSetIFF(order, kSectionCode, index, static_cast<float>(section.a1),
                        static_cast<float>(section.a2));
        ++index;
    }
}

} // namespace attri_dialogs
