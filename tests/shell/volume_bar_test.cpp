// The level meters without windows: the peak hold on timers driven by a
// fake clock, the lit heights of the bands, and what both bars paint.
#include "shell/volume_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/recording_canvas.h"

namespace {

namespace gdi = platform::gdi;
using std::chrono::milliseconds;
using shell::CVolumeBar;
using shell::CVolumeBar3;

class CFakeClock;

// A periodic timer like the window timers: it fires every period from its
// start until stopped; starting it again restarts the period.
class CFakeTimer final : public shell::ITimer {
public:
    explicit CFakeTimer(const CFakeClock& clock) : m_clock(clock) {}
    void Start(milliseconds period, std::function<void()> tick) override;
    void Stop() override { running = false; }

    bool running = false;
    milliseconds period{};
    milliseconds due{};
    std::function<void()> tick;

private:
    const CFakeClock& m_clock;
};

class CFakeClock {
public:
    milliseconds now{};
    std::vector<CFakeTimer*> timers;

    // Fires every timer that falls due up to now + d, earliest first.
    void Advance(milliseconds d)
    {
        const milliseconds end = now + d;
        for (;;) {
            CFakeTimer* next = nullptr;
            for (CFakeTimer* t : timers)
                if (t->running && t->due <= end && (!next || t->due < next->due))
                    next = t;
            if (!next)
                break;
            now = next->due;
            next->due = now + std::max(next->period, milliseconds(1));
            const auto tick = next->tick; // the tick may restart its timer
            tick();
        }
        now = end;
    }
};

void CFakeTimer::Start(milliseconds p, std::function<void()> t)
{
    running = true;
    period = p;
    due = m_clock.now + p;
    tick = std::move(t);
}

struct VolumeBar : ::testing::Test {
    CFakeClock clock;
    CFakeTimer hold{clock}, decay{clock};
    CVolumeBar bar{hold, decay};
    int repaints = 0;

    VolumeBar()
    {
        clock.timers = {&hold, &decay};
        bar.SetChangedHandler([this] { ++repaints; });
    }

    // The peak after each step of `step` ms, `count` times.
    std::vector<int> PeaksEvery(milliseconds step, int count)
    {
        std::vector<int> peaks;
        for (int i = 0; i < count; ++i) {
            clock.Advance(step);
            peaks.push_back(bar.Peak());
        }
        return peaks;
    }
};

TEST_F(VolumeBar, StartsAtTheBottomWithTheDefaults)
{
    EXPECT_EQ(bar.Minimum(), -60);
    EXPECT_EQ(bar.Maximum(), 24);
    EXPECT_EQ(bar.Step(), 3);
    EXPECT_EQ(bar.Level(), -60);
    EXPECT_EQ(bar.Peak(), -60);
    EXPECT_EQ(bar.HoldTime(), 100);
    EXPECT_EQ(bar.BarHeight(), 112);
    EXPECT_FALSE(hold.running);
    EXPECT_FALSE(decay.running);
}

TEST_F(VolumeBar, HoldTimeIsClampedAndHoldsThePeakThatLong)
{
    struct Row {
        const char* what;
        int set;
        int held; // ms
    };
    const Row rows[] = {
        {"above the limit holds one second", 5000, 1000},
        {"negative holds one millisecond", -1, 1},
        {"zero stays zero", 0, 0},
        {"in range as given", 300, 300},
        {"the limit itself", 1000, 1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CFakeClock c;
        CFakeTimer h{c}, d{c};
        c.timers = {&h, &d};
        CVolumeBar b{h, d};
        b.SetHoldTime(row.set);
        EXPECT_EQ(b.HoldTime(), row.held);
        b.SetLevel(0);
        b.SetLevel(-30);
        ASSERT_TRUE(h.running);
        EXPECT_EQ(h.period, milliseconds(row.held));
        // The fall begins when the hold ends; its first step comes 100 ms later.
        c.Advance(milliseconds(row.held + 99));
        EXPECT_EQ(b.Peak(), 0);
        EXPECT_FALSE(h.running);
        EXPECT_TRUE(d.running);
        c.Advance(milliseconds(1));
        EXPECT_EQ(b.Peak(), -2);
    }
}

TEST_F(VolumeBar, AfterTheHoldThePeakFallsTwoDecibelsEveryHundredMsToTheLevel)
{
    bar.SetLevel(0);
    bar.SetLevel(-9);
    EXPECT_EQ(bar.Peak(), 0);
    clock.Advance(milliseconds(100)); // the default hold
    EXPECT_EQ(bar.Peak(), 0);
    EXPECT_EQ(PeaksEvery(milliseconds(100), 6), (std::vector<int>{-2, -4, -6, -8, -9, -9}));

    // The fall keeps running, so a lower level later is followed down
    // without a new hold.
    bar.SetLevel(-15);
    EXPECT_FALSE(hold.running);
    EXPECT_EQ(PeaksEvery(milliseconds(100), 4), (std::vector<int>{-11, -13, -15, -15}));
}

TEST_F(VolumeBar, LowerLevelsDuringTheHoldDoNotProlongIt)
{
    bar.SetLevel(0);
    bar.SetLevel(-20);
    clock.Advance(milliseconds(60));
    bar.SetLevel(-20);
    bar.SetLevel(-25);
    clock.Advance(milliseconds(40)); // 100 ms after the first lower level
    EXPECT_FALSE(hold.running);
    EXPECT_TRUE(decay.running);

    // A new hold time takes effect with the next lower level.
    bar.SetHoldTime(500);
    bar.SetLevel(-25);
    EXPECT_TRUE(hold.running);
    EXPECT_EQ(hold.period, milliseconds(500));
}

TEST_F(VolumeBar, ALevelAtOrAboveThePeakTakesItAndStopsBothTimers)
{
    bar.SetLevel(-10);
    bar.SetLevel(-20);
    clock.Advance(milliseconds(250));
    EXPECT_EQ(bar.Peak(), -12);
    bar.SetLevel(-12);
    EXPECT_EQ(bar.Peak(), -12);
    EXPECT_FALSE(hold.running);
    EXPECT_FALSE(decay.running);
    // Rearmed: the next lower level holds afresh.
    bar.SetLevel(-30);
    EXPECT_TRUE(hold.running);
}

TEST_F(VolumeBar, InfiniteHoldKeepsThePeakUntilAHigherLevelComes)
{
    bar.SetInfiniteHold(1);
    bar.SetLevel(3);
    bar.SetLevel(-40);
    clock.Advance(milliseconds(60000));
    EXPECT_EQ(bar.Peak(), 3);
    EXPECT_FALSE(hold.running);
    EXPECT_FALSE(decay.running);
    bar.SetLevel(2);
    EXPECT_EQ(bar.Peak(), 3);
    bar.SetLevel(9);
    EXPECT_EQ(bar.Peak(), 9);
}

TEST_F(VolumeBar, WithTheHoldOffThePeakFallsAtOnce)
{
    bar.SetHoldEnabled(0);
    bar.SetLevel(0);
    bar.SetLevel(-10);
    EXPECT_FALSE(hold.running);
    EXPECT_EQ(PeaksEvery(milliseconds(100), 2), (std::vector<int>{-2, -4}));
    // Every level restarts the fall's period: levels faster than it keep
    // the peak where it is.
    for (int i = 0; i < 10; ++i) {
        bar.SetLevel(-10);
        clock.Advance(milliseconds(60));
    }
    EXPECT_EQ(bar.Peak(), -4);
}

TEST_F(VolumeBar, LevelsAreClampedAndLightTheBands)
{
    struct Row {
        const char* what;
        int level;
        int shown;
        int green, yellow, red;
    };
    const Row rows[] = {
        {"below the range", -100, -60, 0, 0, 0},
        {"the minimum lights nothing", -60, -60, 0, 0, 0},
        {"one step up lights one segment less 3 pixels", -57, -57, 1, 0, 0},
        {"0 dB is the top of green", 0, 0, 77, 0, 0},
        {"just above green fills it", 1, 1, 80, 0, 0},
        {"+12 dB is the top of yellow", 12, 12, 80, 13, 0},
        {"just above yellow", 13, 13, 80, 16, 0},
        {"the maximum", 24, 24, 80, 16, 13},
        {"+30 dB shows the full bar", 30, 24, 80, 16, 13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(bar.SetLevel(row.level), row.level);
        EXPECT_EQ(bar.Level(), row.shown);
        const auto lit = bar.Lit();
        EXPECT_EQ(lit.green, row.green);
        EXPECT_EQ(lit.yellow, row.yellow);
        EXPECT_EQ(lit.red, row.red);
    }
}

TEST_F(VolumeBar, ChangesAreAnnounced)
{
    bar.SetLevel(0);
    EXPECT_EQ(repaints, 1);
    bar.SetLevel(-4);
    EXPECT_EQ(repaints, 2);
    clock.Advance(milliseconds(400)); // hold, then two steps to the level
    EXPECT_EQ(bar.Peak(), -4);
    EXPECT_EQ(repaints, 4);
}

std::vector<std::string> LinesOf(const gdi::RecordingCanvas& dc, gdi::RecordedOp::Kind kind)
{
    std::vector<std::string> lines;
    for (const auto& op : dc.Ops())
        if (op.kind == kind)
            lines.push_back(op.ToString());
    return lines;
}

TEST_F(VolumeBar, PaintsThePictureTheLitBandsTheSeparatorsAndThePeak)
{
    using Kind = gdi::RecordedOp::Kind;
    struct Row {
        const char* what;
        int level;
        std::vector<std::string> fills;
    };
    // Window coordinates: the painting is copied one pixel up and left, and
    // nothing reaches past the client's right edge or the 28th segment.
    const Row rows[] = {
        {"the minimum: the peak's top row shows at the bottom", -60,
         {"fill (-1,111,10,112) 0xFFFF00"}},
        {"0 dB: green up to 3 pixels short of its top, peak at 0 dB", 0,
         {"fill (-1,34,10,111) 0x00FF00", "fill (-1,31,10,33) 0xFFFF00"}},
        {"+30 dB: all three bands, peak at the top", 30,
         {"fill (-1,2,10,15) 0x0000FF", "fill (-1,15,10,31) 0x00FFFF",
          "fill (-1,31,10,111) 0x00FF00", "fill (-1,-1,10,1) 0xFFFF00"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CFakeClock c;
        CFakeTimer h{c}, d{c};
        CVolumeBar b{h, d};
        b.SetLevel(row.level);
        gdi::RecordingCanvas dc;
        b.Paint(dc, 10);
        ASSERT_FALSE(dc.Ops().empty());
        EXPECT_EQ(dc.Ops().front().ToString(), "bitmap 11x113 (-1,-1,10,112)");
        EXPECT_EQ(LinesOf(dc, Kind::Fill), row.fills);
        const auto separators = LinesOf(dc, Kind::Polyline);
        ASSERT_EQ(separators.size(), 28u); // the top one just above the window
        EXPECT_EQ(separators.front(), "polyline (-1,-1) (10,-1) pen solid 1 0x000000");
        EXPECT_EQ(separators.back(), "polyline (-1,107) (10,107) pen solid 1 0x000000");
        // The peak goes over the separators.
        EXPECT_EQ(dc.Ops().back().kind, Kind::Fill);
    }
}

TEST_F(VolumeBar, ThePictureShowsUnlitBandsInDimColours)
{
    const gdi::Bitmap picture = CVolumeBar::MakePicture(10, 4);
    EXPECT_EQ(picture.Width(), 11);
    EXPECT_EQ(picture.Height(), 113);
    // Red band, yellow band, green band: each darker than its lit colour
    // but of the same hue.
    EXPECT_EQ(picture.GetPixel(5, 2), 0x000040u);
    EXPECT_EQ(picture.GetPixel(5, 20), 0x004040u);
    EXPECT_EQ(picture.GetPixel(5, 100), 0x004000u);
}

// -- the bar with two thresholds

struct VolumeBar3 : ::testing::Test {
    CVolumeBar3 bar;
};

TEST_F(VolumeBar3, StartsWithTheDefaults)
{
    EXPECT_EQ(bar.Minimum(), -60);
    EXPECT_EQ(bar.Maximum(), 24);
    EXPECT_EQ(bar.Step(), 3);
    EXPECT_EQ(bar.Pos(), -60);
    EXPECT_EQ(bar.Marker1(), -4);
    EXPECT_EQ(bar.Marker2(), -32);
    EXPECT_EQ(bar.SegmentHeight(), 4);
}

TEST_F(VolumeBar3, PositionAndMarkersStayInTheRange)
{
    EXPECT_EQ(bar.SetPos(10), -60);
    EXPECT_EQ(bar.SetPos(100), 10);
    EXPECT_EQ(bar.Pos(), 24);
    bar.SetRange(-20, 0);
    EXPECT_EQ(bar.Pos(), 0);
    EXPECT_EQ(bar.ProgressRange(), 0x0000FFECu); // -20 in the low word, 0 in the high
    bar.SetRange(-60, 24);
    EXPECT_EQ(bar.ProgressRange(), 0x0018FFC4u);
    bar.SetMarker1(50);
    bar.SetMarker2(-70);
    EXPECT_EQ(bar.Marker1(), 24);
    EXPECT_EQ(bar.Marker2(), -60);
    // A range the wrong way round ends at its maximum.
    bar.SetRange(10, 5);
    EXPECT_EQ(bar.SetPos(7), 5);
    EXPECT_EQ(bar.Pos(), 5);
}

TEST_F(VolumeBar3, SegmentCountDividesTheClientHeight)
{
    bar.SetClientHeight(100);
    EXPECT_EQ(bar.SetSegmentCount(10), 25); // what the window held before
    EXPECT_EQ(bar.SegmentHeight(), 10);
    EXPECT_EQ(bar.SetSegmentCount(0), 10); // out of bounds: unchanged
    EXPECT_EQ(bar.SetSegmentCount(100), 10);
    EXPECT_EQ(bar.SegmentHeight(), 10);
    EXPECT_EQ(bar.SetSegmentCount(3), 10);
    EXPECT_EQ(bar.SegmentHeight(), 33);
}

TEST_F(VolumeBar3, PaintsThePartsOfThePositionFromTheTopDown)
{
    struct Row {
        const char* what;
        int pos;
        std::vector<std::string> fills;
    };
    // Range -60 .. 24 over 84 pixels: one pixel per dB; thresholds -32, -4.
    const Row rows[] = {
        {"below the lower threshold is grey", -40,
         {"fill (0,0,8,64) 0x808080", "fill (0,64,8,84) 0x808080"}},
        {"at the lower threshold still grey", -32,
         {"fill (0,0,8,56) 0x808080", "fill (0,56,8,84) 0x808080"}},
        {"between the thresholds green", -20,
         {"fill (0,0,8,44) 0x808080", "fill (0,44,8,84) 0x008000"}},
        {"at the upper threshold still green", -4,
         {"fill (0,0,8,28) 0x808080", "fill (0,28,8,84) 0x008000"}},
        {"above: red over green up to the threshold", 10,
         {"fill (0,0,8,14) 0x808080", "fill (0,14,8,28) 0x0000FF", "fill (0,28,8,84) 0x008000"}},
        {"the minimum shows only the empty part", -60, {"fill (0,0,8,84) 0x808080"}},
        {"the maximum leaves no empty part", 24,
         {"fill (0,0,8,28) 0x0000FF", "fill (0,28,8,84) 0x008000"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bar.SetPos(row.pos);
        gdi::RecordingCanvas dc;
        bar.Paint(dc, {8, 84});
        EXPECT_EQ(dc.Lines(), row.fills);
    }
}

TEST_F(VolumeBar3, AnEmptyRangePaintsNothing)
{
    bar.SetRange(5, 5);
    bar.SetPos(5);
    gdi::RecordingCanvas dc;
    bar.Paint(dc, {8, 84});
    EXPECT_TRUE(dc.Ops().empty());
}

} // namespace
