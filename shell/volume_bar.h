#pragma once
// The two level displays without their windows.
//
// CVolumeBar is the segmented dB meter of the meter module's dialog: 28
// segments (20 green, 4 yellow, 4 red) from -60 to +24 dB in 3 dB steps,
// with a peak mark that holds for a while and then falls. The hold and the
// fall run on two timers handed in by the window (the hold timer fires once
// and hands over to the fall timer, which lowers the peak every 100 ms).
//
// CVolumeBar3 is the device dialogs' bar with two thresholds: the part of
// the level between the thresholds shows green, the part above the upper
// threshold red.
//
// Both paint themselves completely through the canvas and announce every
// change that needs a repaint.
#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "shell/main_frame_core.h"

namespace shell {

class CVolumeBar {
public:
    static constexpr int kSegments = 28;
    static constexpr int kGreenSegments = 20;
    static constexpr int kYellowSegments = 4;
    static constexpr int kRedSegments = 4;
    static constexpr std::chrono::milliseconds kDecayPeriod{100};
    static constexpr int kDecayStep = 2; // dB per tick of the fall timer

    static constexpr platform::gdi::COLORREF kRedLit = 0x0000FF;
    static constexpr platform::gdi::COLORREF kYellowLit = 0x00FFFF;
    static constexpr platform::gdi::COLORREF kGreenLit = 0x00FF00;
    static constexpr platform::gdi::COLORREF kPeakColour = 0xFFFF00;
    static constexpr platform::gdi::COLORREF kSeparatorColour = 0x000000;

    // The timers must outlive the bar; neither is running at first.
    CVolumeBar(ITimer& holdTimer, ITimer& decayTimer);
    ~CVolumeBar();
    CVolumeBar(const CVolumeBar&) = delete;
    CVolumeBar& operator=(const CVolumeBar&) = delete;

    // Called whenever what the bar shows changed.
    void SetChangedHandler(std::function<void()> changed) { m_changed = std::move(changed); }

    // Shows `dB` (clamped to the bar's range) and moves the peak: a level at
    // or above the peak becomes the peak; below it the hold (or, with the
    // hold off, the fall) begins. Returns `dB` as passed.
    int SetLevel(int dB);
    // Below 0 becomes 1, above 1000 becomes 1000; the next level below the
    // peak starts a new hold.
    void SetHoldTime(int ms);
    void SetHoldEnabled(int flag) { m_holdEnabled = flag; }
    void SetInfiniteHold(int flag) { m_infiniteHold = flag; }

    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    int Step() const { return m_step; }
    int Level() const { return m_level; }
    int Peak() const { return m_peak; }
    int HoldTime() const { return m_holdTime; }
    int SegmentHeight() const { return m_segmentHeight; }
    // The height the painting covers: 28 segments.
    int BarHeight() const { return kSegments * m_segmentHeight; }

    // Lit pixels of each band for the current level.
    struct LitHeights {
        int green = 0, yellow = 0, red = 0;
    };
    LitHeights Lit() const;
    // Window row of the peak mark's top.
    int PeakTop() const;

    // The whole bar for a window `clientWidth` pixels wide: the unlit
    // picture, the lit parts of the three bands, the separators and the
    // peak mark. Nothing lands outside (-1, -1) .. (clientWidth, BarHeight()),
    // the area the bar covers.
    void Paint(platform::gdi::Canvas& dc, int clientWidth) const;

    // The picture the lit parts are painted over (unlit segments in dim
    // band colours), at the size the painting covers.
    static platform::gdi::Bitmap MakePicture(int width, int segmentHeight);

private:
    void on_hold_elapsed();
    void on_decay_tick();
    void changed();

    ITimer& m_holdTimer;
    ITimer& m_decayTimer;
    std::function<void()> m_changed;

    int m_minimum = -60;
    int m_maximum = 24;
    int m_step = 3;
    int m_level = -60;
    int m_segmentHeight = 4;
    int m_holdEnabled = 1;
    int m_infiniteHold = 0;
    int m_holdTime = 100;
    int m_peak = -60;
    bool m_rearm = true;
};

class CVolumeBar3 {
public:

    void SetChangedHandler(std::function<void()> changed) { m_changed = std::move(changed); }
    // The window's client height, which the segment count divides.
    void SetClientHeight(int height) { m_clientHeight = height; }

    // Stores the range and clamps the position into it.
    void SetRange(int minimum, int maximum);
    // Clamped into the range; returns the previous position.
    int SetPos(int value);
    // The upper and the lower threshold, clamped into the range.
    void SetMarker1(int value);
    void SetMarker2(int value);
    // Returns the segments the window holds now; for 1 <= n < the client
    // height the segments are resized so that n of them fill it.
    int SetSegmentCount(int n);

    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    int Step() const { return m_step; }
    int Pos() const { return m_pos; }
    int Marker1() const { return m_marker1; }
    int Marker2() const { return m_marker2; }
    int SegmentHeight() const { return m_segmentHeight; }
    // The range as a progress control holds it: the minimum in the low 16
    // bits, the maximum in the high 16 bits.
    std::uint32_t ProgressRange() const { return m_progressRange; }

    static constexpr platform::gdi::COLORREF kAboveMarker1Colour = 0x0000FF;
    static constexpr platform::gdi::COLORREF kBetweenColour = 0x008000;
    static constexpr platform::gdi::COLORREF kEmptyColour = 0x808080;
    static constexpr platform::gdi::COLORREF kBelowMarker2Colour = 0x808080;

    // The bar over a client area of `clientSize`: from the top down the
    // empty part, the part above the upper threshold, the part between the
    // thresholds and the part at or below the lower one. Nothing when the
    // range is empty.
    void Paint(platform::gdi::Canvas& dc, platform::gdi::Size clientSize) const;

private:
    int clamp(int value) const;
    void changed();

    std::function<void()> m_changed;
    int m_minimum = -60;
    int m_maximum = 24;
    int m_step = 3;
    int m_pos = -60;
    int m_marker2 = -32;
    int m_marker1 = -4;
    int m_segmentHeight = 4;
    int m_clientHeight = 0;
    // A progress control starts with the range 0 .. 100.
    std::uint32_t m_progressRange = 100u << 16;
};

} // namespace shell
