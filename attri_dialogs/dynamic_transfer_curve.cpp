#include "attri_dialogs/dynamic_transfer_curve.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/ari_dynamic.h"

namespace attri_dialogs {

using model::CAriDynamic;
using platform::gdi::Brush;
using platform::gdi::COLORREF;
using platform::gdi::Pen;
using platform::gdi::Point;
using platform::gdi::Rect;

namespace {

std::int32_t Trunc(double value) {
    return static_cast<std::int32_t>(std::trunc(value));
}

} // namespace

CDynamicTransferCurve::CDynamicTransferCurve(std::int32_t variant) : m_variant(variant) {
    for (std::int32_t a = 0; a < kPoints; ++a)
        SetPoint(a, kPlot.left + a, a);
}

void CDynamicTransferCurve::SetPoint(std::int32_t a, std::int32_t x, std::int32_t b) {
    m_points[static_cast<std::size_t>(a)] = Point{x, kPlot.bottom - b};
}

void CDynamicTransferCurve::Compute(double threshold, double ratio, double third) {
    threshold = std::clamp(threshold, -60.0, 12.0);
    const std::int32_t t = 2 * Trunc(threshold) + 120;
    m_thresholdPixel = t;
    m_gain = 0.0;
    const std::int32_t last = kPoints - 1;
    const std::int32_t tHandle = std::min(t, last);
    Point third_point = PointAt(0);
    switch (m_variant) {
    case CAriDynamic::kLeveler: {
        const double r = std::clamp(ratio, 1.0, 100.0);
        const double target = std::clamp(third, -60.0, 12.0);
        m_gain = (target - threshold) * (1.0 - 1.0 / r);
        const std::int32_t lift = 2 * Trunc(m_gain);
        for (std::int32_t a = 0; a < kPoints; ++a)
            SetPoint(a, kPlot.left + a, a <= t ? a + lift : t + Trunc((a - t) * (1.0 / r)) + lift);
        third_point = PointAt(2 * Trunc(target) + 120);
        break;
    }
    case CAriDynamic::kLimiter:
    case CAriDynamic::kClipper:
        for (std::int32_t a = 0; a < kPoints; ++a)
            SetPoint(a, kPlot.left + a, std::min(a, t));
        break;
    case CAriDynamic::kNoiseGate: {
        const std::int32_t drop = Trunc(-2.0 * std::clamp(third, -100.0, 0.0));
        for (std::int32_t a = 0; a < kPoints; ++a)
            SetPoint(a, kPlot.left + a, a < tHandle ? a - drop : a);
        // The foot of the step stands under the threshold: the curve rises
        // vertically there.
        if (tHandle > 0) {
            SetPoint(tHandle - 1, kPlot.left + tHandle, tHandle - 1 - drop);
            third_point = PointAt(tHandle - 1);
        }
        break;
    }
    case CAriDynamic::kExpander: {
        const double r = std::clamp(ratio, 0.01, 1.0);
        for (std::int32_t a = 0; a < kPoints; ++a) {
            const std::int32_t b = a >= t ? a : t - Trunc((t - a) / r);
            // Below the plot the line is cut where it meets the bottom edge.
            if (b < 0)
                SetPoint(a, kPlot.left + t - Trunc(t * r), 0);
            else
                SetPoint(a, kPlot.left + a, b);
        }
        break;
    }
    default: { // the compressor
        const double r = std::clamp(ratio, 1.0, 100.0);
        for (std::int32_t a = 0; a < kPoints; ++a)
            SetPoint(a, kPlot.left + a, a <= t ? a : t + Trunc((a - t) / r));
        break;
    }
    }
    m_threshold = PointAt(tHandle);
    m_ratio = PointAt(m_variant == CAriDynamic::kExpander ? 0 : last);
    m_third = third_point;
}

bool CDynamicTransferCurve::HasThird() const {
    return m_variant == CAriDynamic::kLeveler || m_variant == CAriDynamic::kNoiseGate;
}

Rect CDynamicTransferCurve::Around(Point p) {
    const std::int32_t half = kHandleSize / 2;
    return Rect{p.x - half, p.y - half, p.x + half, p.y + half};
}

Rect CDynamicTransferCurve::HandleRect(EHandle handle) const {
    switch (handle) {
    case EHandle::kThreshold:
        return Around(m_threshold);
    case EHandle::kRatio:
        return Around(m_ratio);
    case EHandle::kThird:
        return Around(m_third);
    case EHandle::kNone:
        break;
    }
    return Rect{};
}

CDynamicTransferCurve::EHandle CDynamicTransferCurve::HandleAt(Point p) const {
    if (HasThird() && HandleRect(EHandle::kThird).PtInRect(p))
        return EHandle::kThird;
    if (HandleRect(EHandle::kThreshold).PtInRect(p))
        return EHandle::kThreshold;
    if (HandleRect(EHandle::kRatio).PtInRect(p))
        return EHandle::kRatio;
    return EHandle::kNone;
}

bool CDynamicTransferCurve::Hovered(EHandle handle) const {
    switch (handle) {
    case EHandle::kThreshold:
        return m_hoverThreshold;
    case EHandle::kRatio:
        return m_hoverRatio;
    case EHandle::kThird:
        return m_hoverThird;
    case EHandle::kNone:
        break;
    }
    return false;
}

bool CDynamicTransferCurve::UpdateHover(Point p) {
    const bool third = HasThird() && HandleRect(EHandle::kThird).PtInRect(p);
    const bool threshold = !third && HandleRect(EHandle::kThreshold).PtInRect(p);
    const bool ratio = m_variant != CAriDynamic::kNoiseGate && !third && !threshold &&
                       HandleRect(EHandle::kRatio).PtInRect(p);
    const bool changed =
        third != m_hoverThird || threshold != m_hoverThreshold || ratio != m_hoverRatio;
    m_hoverThird = third;
    m_hoverThreshold = threshold;
    m_hoverRatio = ratio;
    return changed;
}

void CDynamicTransferCurve::ClearHover() {
    m_hoverThird = m_hoverThreshold = m_hoverRatio = false;
}

void CDynamicTransferCurve::Draw(platform::gdi::Canvas& canvas) const {
    const Pen oldPen = canvas.SelectPen(Pen::Solid(1, platform::gdi::kBlack));
    const Brush oldBrush = canvas.SelectBrush(Brush::Solid(kFrameFill));
    canvas.Rectangle(Rect{kPlot.left - 24, kPlot.top - 10, kPlot.right + 10, kPlot.bottom + 18});
    canvas.SelectPen(Pen::Solid(1, kPlotBorder));
    canvas.SelectBrush(Brush::Solid(kBackground));
    canvas.Rectangle(kPlot);

    canvas.SelectPen(Pen::Solid(1, kGrid));
    for (std::int32_t y = kPlot.bottom - kGridStep; y > kPlot.top; y -= kGridStep) {
        canvas.MoveTo(kPlot.left + 1, y);
        canvas.LineTo(kPlot.right - 1, y);
    }
    for (std::int32_t x = kPlot.left + kGridStep; x < kPlot.right; x += kGridStep) {
        canvas.MoveTo(x, kPlot.top + 1);
        canvas.LineTo(x, kPlot.bottom - 1);
    }

    std::vector<Point> line(m_points.begin(), m_points.end());
    if (m_variant == CAriDynamic::kNoiseGate) {
        // What lies under the plot is not drawn: the line rises from the
        // bottom edge to its first point above it.
        const auto first = std::find_if(line.begin(), line.end(),
                                        [](const Point& p) { return p.y < kPlot.bottom; });
        line.erase(line.begin(), first);
        if (!line.empty())
            line.insert(line.begin(), Point{line.front().x, kPlot.bottom});
    }
    canvas.SelectPen(Pen::Solid(1, kCurve));
    canvas.Polyline(line);

    const auto handle = [&](EHandle which, COLORREF colour) {
        if (Hovered(which) || m_dragging == which)
            colour = kHighlight;
        canvas.SelectPen(Pen::Solid(1, colour));
        canvas.SelectBrush(Brush::Solid(colour));
        canvas.Ellipse(HandleRect(which));
    };
    handle(EHandle::kRatio, kHandle);
    handle(EHandle::kThreshold, kHandle);
    if (HasThird() && m_third.y <= kPlot.bottom)
        handle(EHandle::kThird, m_variant == CAriDynamic::kLeveler ? kTargetHandle : kHandle);
    canvas.SelectPen(oldPen);
    canvas.SelectBrush(oldBrush);
}

} // namespace attri_dialogs
