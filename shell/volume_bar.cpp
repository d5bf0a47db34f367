#include "shell/volume_bar.h"

#include <algorithm>

namespace shell {

namespace gdi = platform::gdi;

namespace {

// The bar is painted into a picture that is then copied to the window one
// pixel up and to the left; picture coordinates are window coordinates + 1.
constexpr int kCopyOffset = 1;

// Unlit segments: the band colours at a quarter of their strength.
constexpr gdi::COLORREF kRedUnlit = 0x000040;
constexpr gdi::COLORREF kYellowUnlit = 0x004040;
constexpr gdi::COLORREF kGreenUnlit = 0x004000;

} // namespace

// -- CVolumeBar

CVolumeBar::CVolumeBar(ITimer& holdTimer, ITimer& decayTimer)
    : m_holdTimer(holdTimer), m_decayTimer(decayTimer)
{
}

CVolumeBar::~CVolumeBar()
{
    m_holdTimer.Stop();
    m_decayTimer.Stop();
}

int CVolumeBar::SetLevel(int dB)
{
    m_level = std::min(std::max(dB, m_minimum), m_maximum);
    if (m_level >= m_peak) {
        m_peak = m_level;
        m_rearm = true;
        m_holdTimer.Stop();
        m_decayTimer.Stop();
    } else if (!m_holdEnabled) {
        // Restarted by every level: the fall only shows once levels come
        // more slowly than its period.
        m_decayTimer.Start(kDecayPeriod, [this] { on_decay_tick(); });
        m_rearm = true;
    } else if (m_infiniteHold) {
        m_holdTimer.Stop();
        m_decayTimer.Stop();
    } else if (m_rearm) {
        m_holdTimer.Start(std::chrono::milliseconds(m_holdTime), [this] { on_hold_elapsed(); });
        m_rearm = false;
    }
    changed();
    return dB;
}

void CVolumeBar::SetHoldTime(int ms)
{
    if (ms < 0)
        ms = 1;
    else if (ms > 1000)
        ms = 1000;
    m_holdTime = ms;
    m_rearm = true;
}

void CVolumeBar::on_hold_elapsed()
{
    m_holdTimer.Stop();
    m_decayTimer.Start(kDecayPeriod, [this] { on_decay_tick(); });
}

void CVolumeBar::on_decay_tick()
{
    // The fall timer keeps running once the peak has met the level, so that
    // a lower level later is followed down without a new hold.
    const int peak = std::max(m_peak - kDecayStep, m_level);
    if (peak == m_peak)
        return;
    m_peak = peak;
    changed();
}

void CVolumeBar::changed()
{
    if (m_changed)
        m_changed();
}

CVolumeBar::LitHeights CVolumeBar::Lit() const
{
    const int h = m_segmentHeight;
    const int greenTop = m_minimum + kGreenSegments * m_step;
    const int yellowTop = greenTop + kYellowSegments * m_step;
    // Each lit part stops 3 pixels short of the level, so that the segment
    // the level is in does not look lit before it is reached.
    const auto lit = [&](int above) { return std::max(0, above * h / m_step - 3); };
    LitHeights heights;
    if (m_level <= greenTop) {
        heights.green = lit(m_level - m_minimum);
    } else if (m_level <= yellowTop) {
        heights.green = kGreenSegments * h;
        heights.yellow = lit(m_level - greenTop);
    } else {
        heights.green = kGreenSegments * h;
        heights.yellow = kYellowSegments * h;
        heights.red = lit(m_level - yellowTop);
    }
    return heights;
}

int CVolumeBar::PeakTop() const
{
    const int top = std::max(0, BarHeight() - (m_peak - m_minimum) * m_segmentHeight / m_step);
    return top - kCopyOffset;
}

gdi::Bitmap CVolumeBar::MakePicture(int width, int segmentHeight)
{
    const int h = segmentHeight;
    gdi::Bitmap picture(width + 1, kSegments * h + 1, kGreenUnlit);
    for (int y = 0; y < (kRedSegments + kYellowSegments) * h; ++y) {
        const gdi::COLORREF colour = y < kRedSegments * h ? kRedUnlit : kYellowUnlit;
        for (int x = 0; x < picture.Width(); ++x)
            picture.SetPixel(x, y, colour);
    }
    return picture;
}

void CVolumeBar::Paint(gdi::Canvas& dc, int clientWidth) const
{
    const int h = m_segmentHeight;
    const int o = kCopyOffset;
    // What is copied to the window: the picture's size, at (-1, -1).
    const gdi::Rect area{-o, -o, clientWidth, BarHeight()};
    const auto fill = [&](gdi::Rect r, gdi::COLORREF colour) {
        r.OffsetRect(-o, -o);
        gdi::Rect clipped;
        if (clipped.IntersectRect(r, area))
            dc.FillSolidRect(clipped, colour);
    };

    gdi::CanvasStateSaver saver(dc);
    dc.StretchBitmap(MakePicture(clientWidth, h), area);

    // Picture coordinates from here on. Each band fills from its bottom edge.
    const LitHeights lit = Lit();
    const int redBottom = kRedSegments * h;
    const int yellowBottom = redBottom + kYellowSegments * h;
    const int greenBottom = kSegments * h;
    fill({0, redBottom - lit.red, clientWidth + 2, redBottom}, kRedLit);
    fill({0, yellowBottom - lit.yellow, clientWidth + 2, yellowBottom}, kYellowLit);
    fill({0, greenBottom - lit.green, clientWidth + 2, greenBottom}, kGreenLit);

    dc.SelectPen(gdi::Pen::Solid(1, kSeparatorColour));
    for (int i = 0; i < kSegments; ++i) {
        const int y = i * h - o;
        dc.MoveTo(area.left, y);
        dc.LineTo(area.right, y);
    }

    const int peakTop = PeakTop() + o;
    fill({0, peakTop, clientWidth + 1, peakTop + 2}, kPeakColour);
}

// -- CVolumeBar3

int CVolumeBar3::clamp(int value) const
{
    // Minimum first, so a range given the wrong way round ends at the maximum.
    if (value < m_minimum)
        value = m_minimum;
    if (value > m_maximum)
        value = m_maximum;
    return value;
}

void CVolumeBar3::changed()
{
    if (m_changed)
        m_changed();
}

void CVolumeBar3::SetRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    m_pos = clamp(m_pos);
    m_progressRange = (std::uint32_t(std::uint16_t(maximum)) << 16) | std::uint16_t(minimum);
    changed();
}

int CVolumeBar3::SetPos(int value)
{
    const int previous = m_pos;
    m_pos = clamp(value);
    changed();
    return previous;
}

void CVolumeBar3::SetMarker1(int value)
{
    m_marker1 = clamp(value);
    changed();
}

void CVolumeBar3::SetMarker2(int value)
{
    m_marker2 = clamp(value);
    changed();
}

int CVolumeBar3::SetSegmentCount(int n)
{
    const int count = m_segmentHeight > 0 ? m_clientHeight / m_segmentHeight : 0;
    if (n >= 1 && n < m_clientHeight) {
        m_segmentHeight = m_clientHeight / n;
        changed();
    }
    return count;
}

void CVolumeBar3::Paint(gdi::Canvas& dc, gdi::Size clientSize) const
{
    const int range = m_maximum - m_minimum;
    if (range == 0)
        return;
    const int height = clientSize.cy;
    int below = 0, between = 0, above = 0;
    if (m_pos <= m_marker2) {
        below = (m_pos - m_minimum) * height / range;
    } else if (m_pos <= m_marker1) {
        between = (m_pos - m_minimum) * height / range;
    } else {
        between = (m_marker1 - m_minimum) * height / range;
        above = (m_pos - m_marker1) * height / range;
    }
    const int width = clientSize.cx;
    int top = 0;
    const auto part = [&](int partHeight, gdi::COLORREF colour) {
        dc.FillSolidRect({0, top, width, top + partHeight}, colour);
        top += std::max(0, partHeight);
    };
    part(height - below - between - above, kEmptyColour);
    part(above, kAboveMarker1Colour);
    part(between, kBetweenColour);
    part(below, kBelowMarker2Colour);
}

} // namespace shell
