#pragma once
// CDynamicTransferCurve: the static input/output characteristic of a
// dynamics module as its dialog draws it, 144 x 144 pixels at 2 pixels per
// dB (-60 to +12 dB on both axes, 0 dB at pixel 120), with the handles the
// operator drags (threshold, ratio and a third one: the leveler's target or
// the gate's depth) and their hover and drag state.
//
// The values it is computed from are clamped to the dialog's ranges first,
// so a damaged file's threshold or target never sends a point or a handle
// outside the 144 points. No Qt; drawn through the gdi canvas seam.
#include <array>
#include <cstdint>

#include "platform/gdi/canvas.h"
#include "platform/gdi/colour.h"
#include "platform/gdi/geometry.h"

namespace attri_dialogs {

class CDynamicTransferCurve {
public:
    static constexpr std::int32_t kPoints = 144;
    // The plot in client pixels.
    static constexpr platform::gdi::Rect kPlot{28, 15, 172, 159};
    static constexpr std::int32_t kGridStep = 24;
    static constexpr std::int32_t kHandleSize = 6;

    static constexpr platform::gdi::COLORREF kBackground = 0x000000;
    static constexpr platform::gdi::COLORREF kFrameFill = 0xc8c8c8;
    static constexpr platform::gdi::COLORREF kPlotBorder = 0xffff80;
    static constexpr platform::gdi::COLORREF kGrid = 0x969696;
    static constexpr platform::gdi::COLORREF kCurve = 0x00ff00;
    static constexpr platform::gdi::COLORREF kHandle = 0x96f0f0;
    static constexpr platform::gdi::COLORREF kHighlight = 0x0000ff;
    static constexpr platform::gdi::COLORREF kTargetHandle = 0xc08080;

    enum class EHandle { kNone, kThreshold, kRatio, kThird };

    // variant: the module's kind (model::CAriDynamic::Variant).
    explicit CDynamicTransferCurve(std::int32_t variant = 2);

    std::int32_t Variant() const { return m_variant; }
    // Recomputes the points and handles from (threshold dB, ratio, third):
    // third is the leveler's target or the gate's depth (the gate passes the
    // depth as the ratio too); other kinds ignore it.
    void Compute(double threshold, double ratio, double third);
    // The leveler's gain of the last computation, dB (0 for other kinds).
    double Gain() const { return m_gain; }

    // The threshold's input pixel T (0 .. 144).
    std::int32_t ThresholdPixel() const { return m_thresholdPixel; }
    // Point a (0 .. 143) in client pixels; its output pixel is
    // kPlot.bottom - y.
    platform::gdi::Point PointAt(std::int32_t a) const { return m_points[Index(a)]; }
    // The output pixel of input pixel a, counted up from the bottom edge.
    std::int32_t OutputPixel(std::int32_t a) const { return kPlot.bottom - PointAt(a).y; }
    platform::gdi::Rect HandleRect(EHandle handle) const;
    // Whether the kind has a third handle (leveler, gate).
    bool HasThird() const;

    // -- pointer state

    // The handle hit at p, third before threshold before ratio; kNone when
    // none (or only a third the kind has not).
    EHandle HandleAt(platform::gdi::Point p) const;
    EHandle Dragging() const { return m_dragging; }
    void SetDragging(EHandle handle) { m_dragging = handle; }
    bool Hovered(EHandle handle) const;
    // The pointer moved without a drag: which handles light up. Whether
    // anything changed (the widget then repaints).
    bool UpdateHover(platform::gdi::Point p);
    void ClearHover();

    // Frame, plot, grid, curve and handles (the dialog's background is the
    // widget's, drawn before).
    void Draw(platform::gdi::Canvas& canvas) const;

private:
    static std::int32_t Index(std::int32_t a) {
        return a < 0 ? 0 : (a >= kPoints ? kPoints - 1 : a);
    }
    void SetPoint(std::int32_t a, std::int32_t x, std::int32_t b);
    static platform::gdi::Rect Around(platform::gdi::Point p);

    std::int32_t m_variant;
    std::array<platform::gdi::Point, kPoints> m_points{};
    std::int32_t m_thresholdPixel = 120;
    double m_gain = 0.0;
    platform::gdi::Point m_threshold{kPlot.left, kPlot.top};
    platform::gdi::Point m_ratio{kPlot.left, kPlot.top};
    platform::gdi::Point m_third{kPlot.left, kPlot.top};
    EHandle m_dragging = EHandle::kNone;
    bool m_hoverThreshold = false;
    bool m_hoverRatio = false;
    bool m_hoverThird = false;
};

} // namespace attri_dialogs
