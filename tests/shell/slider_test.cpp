// The shared slider without a window: where its parts lie, what the mouse
// and the keys do to the position and which notices they give, and what it
// paints, on a recording canvas.
#include "shell/slider_geometry.h"
#include "shell/slider_model.h"
#include "shell/slider_thumb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/gdi/recording_canvas.h"

namespace {

namespace gdi = platform::gdi;
using shell::CSliderGeometry;
using shell::CSliderModel;
using shell::ESliderKey;
using shell::SliderNotice;
using EHit = CSliderGeometry::EHit;

// The two test controls, each with a channel 200 pixels long: a horizontal
// one 230 x 40 and a vertical one 40 x 230.
constexpr gdi::Rect kWide{0, 0, 230, 40};
constexpr gdi::Rect kTall{0, 0, 40, 230};
constexpr int kId = 7;

gdi::Size thumb_size(bool horizontal) {
    const gdi::Bitmap& picture = shell::SliderThumbPicture(horizontal);
    return {picture.Width() + 2, picture.Height() + 2};
}

SliderNotice scroll(bool horizontal, int code, int position = 0) {
    SliderNotice n;
    n.message = horizontal ? shell::kSliderHScroll : shell::kSliderVScroll;
    n.code = code;
    n.position = position;
    return n;
}

SliderNotice app(int wParam, int lParam) {
    SliderNotice n;
    n.message = shell::kSliderAppNotify;
    n.wParam = wParam;
    n.lParam = lParam;
    return n;
}

std::string describe(const std::vector<SliderNotice>& notices) {
    std::string out;
    for (const SliderNotice& n : notices) {
        if (n.message == shell::kSliderAppNotify)
            out += "app(" + std::to_string(n.wParam) + "," + std::to_string(n.lParam) + ") ";
        else
            out += std::string(n.message == shell::kSliderHScroll ? "h" : "v") + "(" +
                   std::to_string(n.code) + "," + std::to_string(n.position) + ") ";
    }
    return out;
}

// A slider with its notices and repaints recorded.
struct Slider {
    explicit Slider(bool horizontal, gdi::Rect client = {})
        : model(horizontal, shell::SliderThumbPicture(horizontal), kId) {
        model.SetClientRect(client.IsRectNull() ? (horizontal ? kWide : kTall) : client);
        model.SetNoticeHandler([this](const SliderNotice& n) { notices.push_back(n); });
        model.SetInvalidateHandler([this](const gdi::Rect& r) { repaints.push_back(r); });
    }
    void Forget() {
        notices.clear();
        repaints.clear();
    }

    CSliderModel model;
    std::vector<SliderNotice> notices;
    std::vector<gdi::Rect> repaints;
};

// -- geometry

TEST(SliderGeometry, ChannelAndThumbForBothOrientations) {
    struct Row {
        const char* catches;
        bool horizontal;
        gdi::Rect client;
        gdi::Rect channel;
        gdi::Rect thumbAtStart;
    } rows[] = {
        // Horizontal thumb 11 x 23, centred on the groove's middle row 21.
        {"horizontal: 15-pixel margins, groove across the tenth below the middle",
         true,
         kWide,
         {15, 19, 215, 23},
         {10, 10, 21, 33}},
        {"horizontal: the fractions of an odd height truncate",
         true,
         {0, 0, 100, 31},
         {15, 14, 85, 18},
         {10, 5, 21, 28}},
        {"horizontal: a control not at the origin",
         true,
         {5, 10, 235, 50},
         {20, 29, 220, 33},
         {15, 20, 26, 43}},
        {"vertical: the same with width and height exchanged",
         false,
         kTall,
         {19, 15, 23, 215},
         {10, 10, 33, 21}},
        {"vertical: the fractions of an odd width truncate",
         false,
         {0, 0, 31, 100},
         {14, 15, 18, 85},
         {5, 10, 28, 21}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        const CSliderGeometry g(row.horizontal, row.client, thumb_size(row.horizontal));
        EXPECT_EQ(g.Channel(), row.channel);
        EXPECT_EQ(g.ThumbAt(0), row.thumbAtStart);
        EXPECT_EQ(g.ChannelLength(), row.horizontal ? row.channel.Width() : row.channel.Height());
    }
}

TEST(SliderGeometry, ThumbPlacementAndPositionFromOffset) {
    const CSliderGeometry wide(true, kWide, thumb_size(true));
    const CSliderGeometry tall(false, kTall, thumb_size(false));
    struct Row {
        const char* catches;
        int minimum, maximum, position, offset;
    } rows[] = {
        {"minimum at the start", 0, 100, 0, 0},
        {"maximum on the channel's end", 0, 100, 100, 200},
        {"a range shorter than the channel spreads out", 0, 100, 50, 100},
        {"a negative minimum counts from it; the offset truncates", -60, 24, 0, 142},
        {"a range longer than the channel truncates", 0, 1000, 7, 1},
        {"the widest range does not overflow", INT_MIN, INT_MAX, 0, 100},
        {"an empty range stays at the start", 5, 5, 5, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        EXPECT_EQ(wide.OffsetOfPosition(row.position, row.minimum, row.maximum), row.offset);
        EXPECT_EQ(tall.OffsetOfPosition(row.position, row.minimum, row.maximum), row.offset);
    }
    // The thumb's centre sits on the offset along the axis.
    EXPECT_EQ(wide.ThumbAt(100).CenterPoint(), (gdi::Point{115, 21}));
    EXPECT_EQ(tall.ThumbAt(100).CenterPoint(), (gdi::Point{21, 115}));

    struct Back {
        const char* catches;
        int minimum, maximum, offset, position;
    } backs[] = {
        {"start is the minimum", 0, 100, 0, 0},
        {"end is the maximum", 0, 100, 200, 100},
        {"truncated, exactly: 58 of 200 is 29 of 100", 0, 100, 58, 29},
        {"a negative minimum", -60, 24, 142, -1},
        {"an empty range gives its minimum", 5, 5, 120, 5},
        {"the widest range does not overflow", INT_MIN, INT_MAX, 200, INT_MAX},
    };
    for (const Back& row : backs) {
        SCOPED_TRACE(row.catches);
        EXPECT_EQ(wide.PositionAtOffset(row.offset, row.minimum, row.maximum), row.position);
    }
}

TEST(SliderGeometry, NoLengthPlacesEverythingAtTheStart) {
    // 30 wide leaves a channel of no length, 20 wide one of -10.
    for (const int width : {30, 20}) {
        SCOPED_TRACE(width);
        const CSliderGeometry g(true, {0, 0, width, 40}, thumb_size(true));
        EXPECT_LE(g.ChannelLength(), 0);
        EXPECT_EQ(g.OffsetOfPosition(100, 0, 100), 0);
        EXPECT_EQ(g.PositionAtOffset(0, 10, 100), 10);
        EXPECT_TRUE(g.TickOffsets(0, 100, 10).empty());
    }
}

TEST(SliderGeometry, TickOffsets) {
    const CSliderGeometry wide(true, kWide, thumb_size(true));
    std::vector<int> every20;
    for (int d = 20; d <= 200; d += 20)
        every20.push_back(d);
    std::vector<int> everyPixel;
    for (int d = 0; d <= 200; ++d)
        everyPixel.push_back(d);
    struct Row {
        const char* catches;
        int minimum, maximum, frequency;
        std::vector<int> offsets;
    } rows[] = {
        {"every 20 pixels, the tenth on the end", 0, 100, 10, every20},
        {"a frequency that does not divide the range stops short of the end",
         0,
         100,
         30,
         {60, 120, 180}},
        {"offsets truncate", 0, 3, 1, {66, 133, 200}},
        {"a negative minimum", -50, 50, 10, every20},
        {"a frequency above the range gives none", 0, 100, 101, {}},
        {"an empty range gives none", 5, 5, 1, {}},
        {"a frequency of 0 gives none", 0, 100, 0, {}},
        {"denser than the pixels covers each pixel once", 0, 1000, 1, everyPixel},
        {"the widest range ends", INT_MIN, INT_MAX, 1, everyPixel},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        EXPECT_EQ(wide.TickOffsets(row.minimum, row.maximum, row.frequency), row.offsets);
    }
}

TEST(SliderGeometry, LabelBoxes) {
    const CSliderGeometry wide(true, kWide, thumb_size(true));
    EXPECT_EQ(wide.FirstLabelBox(), (gdi::Rect{0, 19, 15, 23}));
    EXPECT_EQ(wide.SecondLabelBox(), (gdi::Rect{215, 19, 225, 23}));
    const CSliderGeometry tall(false, kTall, thumb_size(false));
    EXPECT_EQ(tall.FirstLabelBox(), (gdi::Rect{0, 0, 40, 10}));
    EXPECT_EQ(tall.SecondLabelBox(), (gdi::Rect{0, 218, 40, 230}));
}

TEST(SliderGeometry, HitTest) {
    const CSliderGeometry wide(true, kWide, thumb_size(true));
    const gdi::Rect thumb = wide.ThumbAt(100); // (110, 10, 121, 33)
    const CSliderGeometry tall(false, kTall, thumb_size(false));
    const gdi::Rect tallThumb = tall.ThumbAt(100); // (10, 110, 33, 121)
    struct Row {
        const char* catches;
        bool horizontal;
        gdi::Point p;
        EHit hit;
    } rows[] = {
        {"on the thumb", true, {115, 12}, EHit::Thumb},
        {"the thumb's right edge is outside it", true, {121, 21}, EHit::AfterThumb},
        {"in the groove before the thumb", true, {40, 21}, EHit::BeforeThumb},
        {"beside the groove but within the thumb's height", true, {40, 10}, EHit::BeforeThumb},
        {"in the margin before the channel", true, {2, 21}, EHit::BeforeThumb},
        {"above the band", true, {40, 9}, EHit::None},
        {"below the band", true, {40, 33}, EHit::None},
        {"vertical: above the thumb", false, {21, 40}, EHit::BeforeThumb},
        {"vertical: below the thumb", false, {21, 200}, EHit::AfterThumb},
        {"vertical: on the thumb", false, {30, 115}, EHit::Thumb},
        {"vertical: beside the band", false, {35, 40}, EHit::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        const CSliderGeometry& g = row.horizontal ? wide : tall;
        EXPECT_EQ(g.HitTest(row.p, row.horizontal ? thumb : tallThumb), row.hit);
    }
}

// -- the dialogs' interface

TEST(SliderModel, SetRangeWithMinimumAboveMaximumChangesNothing) {
    Slider s(false);
    s.model.SetRange(0, 50);
    s.model.SetPos(30);
    const gdi::Rect thumb = s.model.Thumb();
    s.Forget();
    s.model.SetRange(10, 5);
    EXPECT_EQ(s.model.GetRangeMin(), 0);
    EXPECT_EQ(s.model.GetRangeMax(), 50);
    EXPECT_EQ(s.model.GetPos(), 30);
    EXPECT_EQ(s.model.Thumb(), thumb);
    EXPECT_TRUE(s.repaints.empty());
    EXPECT_TRUE(s.notices.empty());
}

TEST(SliderModel, SetRangeClampsThePositionAndMovesTheThumb) {
    Slider s(true);
    s.model.SetPos(80); // offset 160
    s.model.SetRange(0, 50);
    EXPECT_EQ(s.model.GetPos(), 50);
    EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(200));
    s.model.SetRange(-100, 100); // 50 of 200 is three quarters along
    EXPECT_EQ(s.model.GetPos(), 50);
    EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(150));
    EXPECT_TRUE(s.notices.empty()) << "the dialogs' own calls report nothing";
}

TEST(SliderModel, SetPosClampsAndRepaintsOldAndNewThumb) {
    Slider s(true);
    const gdi::Rect before = s.model.Thumb();
    s.model.SetPos(50);
    const gdi::Rect after = s.model.Thumb();
    EXPECT_EQ(after, s.model.Geometry().ThumbAt(100));
    EXPECT_EQ(s.repaints, (std::vector<gdi::Rect>{before, after}));

    struct Row {
        const char* catches;
        int from, request, pos;
    } rows[] = {
        {"inside the range", 50, 20, 20},
        {"below the range clamps to the minimum", 50, -5, 0},
        {"above the range clamps to the maximum", 50, 500, 100},
        {"the same position stays", 50, 50, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        s.model.SetPos(row.from);
        s.model.SetPos(row.request);
        EXPECT_EQ(s.model.GetPos(), row.pos);
        EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(2 * row.pos));
    }
    EXPECT_TRUE(s.notices.empty());
}

TEST(SliderModel, SetPosBeyondAnEndWhereThePositionSitsLeavesTheThumbAlone) {
    // A drag of one pixel moves the thumb but not the position; a request
    // below the minimum then leaves the thumb where the mouse put it, while
    // a request of the minimum itself puts it back.
    Slider s(true);
    s.model.OnLButtonDown({15, 20});
    s.model.OnMouseMove({16, 20});
    ASSERT_EQ(s.model.GetPos(), 0);
    const gdi::Rect dragged = s.model.Thumb();
    ASSERT_EQ(dragged, s.model.Geometry().ThumbAt(1));
    s.model.SetPos(-5);
    EXPECT_EQ(s.model.Thumb(), dragged);
    s.model.SetPos(0);
    EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(0));
}

TEST(SliderModel, PageLineAndTickSizes) {
    Slider s(true);
    EXPECT_EQ(s.model.GetPageSize(), 20) << "a fifth of the range";
    EXPECT_EQ(s.model.GetLineSize(), 1);
    s.model.SetRange(-60, 24);
    EXPECT_EQ(s.model.GetPageSize(), 16);
    s.model.SetRange(0, 3);
    EXPECT_EQ(s.model.GetPageSize(), 1) << "never below 1";
    EXPECT_EQ(s.model.SetPageSize(5), 1);
    s.model.SetRange(0, 100);
    EXPECT_EQ(s.model.GetPageSize(), 5) << "a page size set stays";
    EXPECT_EQ(s.model.SetLineSize(4), 1);
    EXPECT_EQ(s.model.GetLineSize(), 4);

    s.model.SetTicFreq(10);
    s.model.SetTicFreq(0);
    s.model.SetTicFreq(-3);
    EXPECT_EQ(s.model.GetTicFreq(), 10) << "a frequency below 1 is ignored";
}

// -- mouse and keys

enum class EAct { Press, Move, Release, CaptureLost, KeyDown, KeyUp };

struct Act {
    EAct act;
    int x = 0, y = 0;
    ESliderKey key = ESliderKey::Home;
};

Act press(int x, int y) {
    return {EAct::Press, x, y};
}
Act move(int x, int y) {
    return {EAct::Move, x, y};
}
Act release(int x, int y) {
    return {EAct::Release, x, y};
}
Act lost() {
    return {EAct::CaptureLost};
}
Act down(ESliderKey key) {
    return {EAct::KeyDown, 0, 0, key};
}
Act up(ESliderKey key) {
    return {EAct::KeyUp, 0, 0, key};
}

TEST(SliderModel, EventSequences) {
    using namespace shell;
    const auto h = [](int code, int pos = 0) { return scroll(true, code, pos); };
    const auto v = [](int code, int pos = 0) { return scroll(false, code, pos); };
    // Horizontal unless told, range 0..100, page 20, line 1. The thumb of a
    // horizontal control is at x 10..20 for position 0, 110..120 for 50 and
    // 210..220 for 100; a vertical one's the same along y.
    struct Row {
        const char* catches;
        bool horizontal;
        int start;
        std::vector<Act> acts;
        std::vector<SliderNotice> notices;
        int pos;
    } rows[] = {
        {"Home at the minimum still reports SB_TOP",
         true,
         0,
         {down(ESliderKey::Home), up(ESliderKey::Home)},
         {h(SB_TOP), h(SB_ENDSCROLL)},
         0},
        {"End at the maximum still reports SB_BOTTOM",
         true,
         100,
         {down(ESliderKey::End), up(ESliderKey::End)},
         {h(SB_BOTTOM), h(SB_ENDSCROLL)},
         100},
        {"Home and End move to the ends",
         true,
         50,
         {down(ESliderKey::End), down(ESliderKey::Home)},
         {h(SB_BOTTOM), h(SB_TOP)},
         0},
        {"an arrow at the end reports only its release",
         true,
         0,
         {down(ESliderKey::Left), up(ESliderKey::Left)},
         {h(SB_ENDSCROLL)},
         0},
        {"arrows move by a line",
         true,
         10,
         {down(ESliderKey::Right), down(ESliderKey::Down), down(ESliderKey::Up)},
         {h(SB_LINEDOWN), h(SB_LINEDOWN), h(SB_LINEUP)},
         11},
        {"page keys move by a page",
         true,
         50,
         {down(ESliderKey::PageDown), down(ESliderKey::PageUp), down(ESliderKey::PageUp)},
         {h(SB_PAGEDOWN), h(SB_PAGEUP), h(SB_PAGEUP)},
         30},
        {"a page beyond the end stops at it",
         true,
         90,
         {down(ESliderKey::PageDown)},
         {h(SB_PAGEDOWN)},
         100},
        {"Page Up at the minimum reports nothing", true, 0, {down(ESliderKey::PageUp)}, {}, 0},
        {"a groove click past the thumb at the maximum reports nothing",
         true,
         100,
         {press(225, 21), release(225, 21)},
         {},
         100},
        {"a groove click before the thumb at the minimum reports nothing",
         true,
         0,
         {press(5, 21), release(5, 21)},
         {},
         0},
        {"a groove click before the thumb pages up until the release",
         true,
         50,
         {press(60, 21), release(60, 21)},
         {h(SB_PAGEUP), h(SB_ENDSCROLL)},
         30},
        {"a groove click after the thumb pages down",
         true,
         50,
         {press(200, 21), move(60, 21), release(60, 21)},
         {h(SB_PAGEDOWN), h(SB_ENDSCROLL)},
         70},
        {"a click beside the groove's band does nothing",
         true,
         50,
         {press(60, 2), release(60, 2)},
         {},
         50},
        {"a drag: press notice, tracking, position and release notice",
         true,
         0,
         {press(15, 20), move(55, 20), release(55, 20)},
         {h(SB_THUMBTRACK, 0), app(kId, kSliderThumbPressed), h(SB_THUMBTRACK, 20),
          h(SB_THUMBPOSITION, 20), h(SB_ENDSCROLL), app(0, kSliderThumbReleased)},
         20},
        {"a drag that changes no position tracks only at the press",
         true,
         50,
         {press(115, 12), move(116, 30), release(116, 30)},
         {h(SB_THUMBTRACK, 50), app(kId, kSliderThumbPressed), h(SB_THUMBPOSITION, 50),
          h(SB_ENDSCROLL), app(0, kSliderThumbReleased)},
         50},
        {"a drag past the end stops at the maximum",
         true,
         50,
         {press(115, 12), move(900, 12), move(950, 12), release(950, 12)},
         {h(SB_THUMBTRACK, 50), app(kId, kSliderThumbPressed), h(SB_THUMBTRACK, 100),
          h(SB_THUMBPOSITION, 100), h(SB_ENDSCROLL), app(0, kSliderThumbReleased)},
         100},
        {"moves across the axis do not count",
         true,
         0,
         {press(15, 20), move(15, 300), release(15, 300)},
         {h(SB_THUMBTRACK, 0), app(kId, kSliderThumbPressed), h(SB_THUMBPOSITION, 0),
          h(SB_ENDSCROLL), app(0, kSliderThumbReleased)},
         0},
        {"moves without a press do nothing", true, 0, {move(55, 20), release(55, 20)}, {}, 0},
        {"losing the mouse during a drag acts as the release",
         true,
         0,
         {press(15, 20), move(35, 20), lost(), move(95, 20), release(95, 20)},
         {h(SB_THUMBTRACK, 0), app(kId, kSliderThumbPressed), h(SB_THUMBTRACK, 10),
          h(SB_THUMBPOSITION, 10), h(SB_ENDSCROLL), app(0, kSliderThumbReleased)},
         10},
        {"losing the mouse while paging ends the scroll",
         true,
         50,
         {press(60, 21), lost(), release(60, 21)},
         {h(SB_PAGEUP), h(SB_ENDSCROLL)},
         30},
        {"a vertical control reports with the vertical message",
         false,
         0,
         {press(20, 15), move(20, 55), release(20, 55), down(ESliderKey::Home)},
         {v(SB_THUMBTRACK, 0), app(kId, kSliderThumbPressed), v(SB_THUMBTRACK, 20),
          v(SB_THUMBPOSITION, 20), v(SB_ENDSCROLL), app(0, kSliderThumbReleased), v(SB_TOP)},
         0},
        {"a vertical groove click below the thumb pages down",
         false,
         50,
         {press(21, 200), release(21, 200)},
         {v(SB_PAGEDOWN), v(SB_ENDSCROLL)},
         70},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        Slider s(row.horizontal);
        s.model.SetPos(row.start);
        for (const Act& a : row.acts) {
            switch (a.act) {
            case EAct::Press:
                s.model.OnLButtonDown({a.x, a.y});
                break;
            case EAct::Move:
                s.model.OnMouseMove({a.x, a.y});
                break;
            case EAct::Release:
                s.model.OnLButtonUp({a.x, a.y});
                break;
            case EAct::CaptureLost:
                s.model.OnCaptureLost();
                break;
            case EAct::KeyDown:
                s.model.OnKeyDown(a.key);
                break;
            case EAct::KeyUp:
                s.model.OnKeyUp(a.key);
                break;
            }
        }
        EXPECT_EQ(describe(s.notices), describe(row.notices));
        EXPECT_EQ(s.model.GetPos(), row.pos);
        EXPECT_FALSE(s.model.IsDragging());
        EXPECT_FALSE(s.model.IsPaging());
        // Whatever happened, the thumb rests where the position puts it.
        EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(2 * row.pos));
    }
}

TEST(SliderModel, TheThumbFollowsTheMouseAndComesToRestOnThePosition) {
    // A range shorter than the channel: the thumb moves by pixels while the
    // position moves by whole steps of 50 pixels.
    Slider s(true);
    s.model.SetRange(0, 4);
    s.model.OnLButtonDown({15, 20});
    s.model.OnMouseMove({85, 20});
    EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(70));
    EXPECT_EQ(s.model.GetPos(), 1);
    s.model.OnLButtonUp({85, 20});
    EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(50));
}

TEST(SliderModel, AnEmptyRangeOrAChannelOfNoLengthMovesNothing) {
    {
        SCOPED_TRACE("empty range: the thumb stays at the channel start");
        Slider s(true);
        s.model.SetRange(5, 5);
        s.model.SetPos(7);
        EXPECT_EQ(s.model.GetPos(), 5);
        EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(0));
        s.model.OnLButtonDown({15, 20});
        s.model.OnMouseMove({115, 20});
        EXPECT_EQ(s.model.GetPos(), 5);
        s.model.OnLButtonUp({115, 20});
        EXPECT_EQ(s.model.Thumb(), s.model.Geometry().ThumbAt(0));
    }
    for (const int width : {30, 20}) {
        SCOPED_TRACE("a channel of length " + std::to_string(width - 30));
        Slider s(true, {0, 0, width, 40});
        s.model.SetPos(100);
        EXPECT_EQ(s.model.GetPos(), 100);
        const gdi::Rect start = s.model.Geometry().ThumbAt(0);
        EXPECT_EQ(s.model.Thumb(), start);
        s.model.SetPos(0);
        s.Forget();
        s.model.OnLButtonDown(start.CenterPoint());
        s.model.OnMouseMove({start.left + 40, 20});
        EXPECT_EQ(s.model.Thumb(), start);
        s.model.OnLButtonUp({start.left + 40, 20});
        EXPECT_EQ(
            describe(s.notices),
            describe({scroll(true, shell::SB_THUMBTRACK, 0), app(kId, shell::kSliderThumbPressed),
                      scroll(true, shell::SB_THUMBPOSITION, 0), scroll(true, shell::SB_ENDSCROLL),
                      app(0, shell::kSliderThumbReleased)}));
    }
}

// -- painting

// The black lines, by where they lie along the axis: their lengths.
std::multimap<int, int> black_ticks(const gdi::RecordingCanvas& dc, bool horizontal) {
    std::multimap<int, int> ticks;
    for (const gdi::RecordedOp& op : dc.Ops()) {
        if (op.kind != gdi::RecordedOp::Kind::Polyline || op.pen.colour != gdi::kBlack)
            continue;
        const gdi::Point a = op.points.at(0), b = op.points.at(1);
        if (horizontal)
            ticks.emplace(a.x, std::abs(b.y - a.y));
        else
            ticks.emplace(a.y, std::abs(b.x - a.x));
    }
    return ticks;
}

int count(const gdi::RecordingCanvas& dc, gdi::RecordedOp::Kind kind) {
    return static_cast<int>(std::count_if(dc.Ops().begin(), dc.Ops().end(),
                                          [kind](const auto& op) { return op.kind == kind; }));
}

TEST(SliderPaint, AutoTicksEveryTwentyPixelsTheTenthOnTheEndTick) {
    Slider s(true);
    s.model.SetStyle(shell::kSliderAutoTicks);
    s.model.SetTicFreq(10);
    gdi::RecordingCanvas dc;
    s.model.Paint(dc);
    std::multimap<int, int> expected{{15, 5}, {15, 5}, {215, 5}, {215, 5}};
    for (int x = 35; x <= 215; x += 20) {
        expected.emplace(x, 3);
        expected.emplace(x, 3);
    }
    EXPECT_EQ(black_ticks(dc, true), expected);
    // Each pair: above the thumb from its top - 1 up, below from its bottom
    // down; the line's last point is left out.
    const std::string lines = [&] {
        std::string all;
        for (const std::string& line : dc.Lines())
            all += line + "\n";
        return all;
    }();
    EXPECT_NE(lines.find("polyline (15,9) (15,4) pen solid 1 0x000000"), std::string::npos);
    EXPECT_NE(lines.find("polyline (15,33) (15,38) pen solid 1 0x000000"), std::string::npos);
    EXPECT_NE(lines.find("polyline (35,9) (35,6) pen solid 1 0x000000"), std::string::npos);
    EXPECT_NE(lines.find("polyline (35,33) (35,36) pen solid 1 0x000000"), std::string::npos);
}

TEST(SliderPaint, VerticalTicksRunAcross) {
    Slider s(false);
    s.model.SetStyle(shell::kSliderAutoTicks);
    s.model.SetTicFreq(25);
    gdi::RecordingCanvas dc;
    s.model.Paint(dc);
    std::multimap<int, int> expected;
    for (const int y : {15, 215})
        expected.insert({{y, 5}, {y, 5}});
    for (int y = 65; y <= 215; y += 50)
        expected.insert({{y, 3}, {y, 3}});
    EXPECT_EQ(black_ticks(dc, false), expected);
}

TEST(SliderPaint, WithoutAutoTicksOnlyTheEndTicks) {
    Slider s(true);
    s.model.SetTicFreq(10);
    gdi::RecordingCanvas dc;
    s.model.Paint(dc);
    EXPECT_EQ(black_ticks(dc, true),
              (std::multimap<int, int>{{15, 5}, {15, 5}, {215, 5}, {215, 5}}));
}

TEST(SliderPaint, TheNoTicksStyleDrawsNoTicksOrLabels) {
    Slider s(false);
    s.model.SetStyle(shell::kSliderAutoTicks | shell::kSliderNoTicks);
    s.model.SetLabels("+24", "-60");
    gdi::RecordingCanvas dc;
    s.model.Paint(dc);
    EXPECT_TRUE(black_ticks(dc, false).empty());
    EXPECT_EQ(count(dc, gdi::RecordedOp::Kind::Text), 0);
    EXPECT_EQ(count(dc, gdi::RecordedOp::Kind::Bitmap), 1) << "the thumb is still drawn";
}

TEST(SliderPaint, LabelsCentredInTheirBoxes) {
    Slider s(false);
    s.model.SetLabels("+24", "-60");
    gdi::RecordingCanvas dc(6);
    s.model.Paint(dc);
    std::vector<const gdi::RecordedOp*> texts;
    for (const gdi::RecordedOp& op : dc.Ops())
        if (op.kind == gdi::RecordedOp::Kind::Text)
            texts.push_back(&op);
    ASSERT_EQ(texts.size(), 2u);
    const gdi::LOGFONT font = texts[0]->font;
    EXPECT_EQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(font.lfWeight, 400);
    EXPECT_EQ(font.lfCharSet, 1);
    EXPECT_EQ(font.lfPitchAndFamily, 0x20);
    // 3 characters of 6 pixels centred in 40: from 11; 12 high, centred in
    // (0, 0, 40, 10) and (0, 218, 40, 230).
    EXPECT_EQ(texts[0]->text, "+24");
    EXPECT_EQ(texts[0]->origin, (gdi::Point{11, -1}));
    EXPECT_EQ(texts[0]->clip, (gdi::Rect{0, 0, 40, 10}));
    EXPECT_EQ(texts[1]->text, "-60");
    EXPECT_EQ(texts[1]->origin, (gdi::Point{11, 218}));
    EXPECT_EQ(texts[1]->clip, (gdi::Rect{0, 218, 40, 230}));
    // Too long for the box: cut with an ellipsis.
    s.model.SetLabels("a label far too long", "");
    dc.Clear();
    s.model.Paint(dc);
    int cut = 0;
    for (const gdi::RecordedOp& op : dc.Ops()) {
        if (op.kind != gdi::RecordedOp::Kind::Text)
            continue;
        ++cut;
        EXPECT_EQ(op.text.substr(op.text.size() - 3), "...");
    }
    EXPECT_EQ(cut, 1);
}

TEST(SliderPaint, BackgroundAndGrooveColoursFollowFocusAndEnabling) {
    struct Row {
        const char* catches;
        bool focused, enabled;
        gdi::COLORREF background, groove;
    } rows[] = {
        {"unfocused", false, true, CSliderModel::BackgroundUnfocused(), 0x0000FF},
        {"focused: yellow", true, true, 0x00FFFF, 0x0000FF},
        {"disabled: the groove in the background colour", false, false,
         CSliderModel::BackgroundDisabled(), CSliderModel::BackgroundDisabled()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        Slider s(true);
        s.model.SetFocused(row.focused);
        s.model.SetEnabled(row.enabled);
        gdi::RecordingCanvas dc;
        s.model.Paint(dc);
        ASSERT_GE(dc.Ops().size(), 2u);
        EXPECT_EQ(
            dc.Ops()[0].ToString(), "fill (0,0,230,40) " + [&] {
                char text[16];
                std::snprintf(text, sizeof text, "0x%06X", row.background);
                return std::string(text);
            }());
        EXPECT_EQ(dc.Ops()[1].rect, (gdi::Rect{15, 19, 215, 23}));
        EXPECT_EQ(dc.Ops()[1].colour, row.groove);
    }
    // The shades, each component halfway.
    EXPECT_EQ(CSliderModel::ShadeDark(), 0x606060u);
    EXPECT_EQ(CSliderModel::ShadeLight(), gdi::kEdgeHighlight);
}

TEST(SliderPaint, TheThumbPictureInsideItsEdges) {
    Slider s(true);
    s.model.SetPos(50);
    gdi::RecordingCanvas dc;
    s.model.Paint(dc);
    const gdi::Rect thumb = s.model.Thumb();
    bool found = false;
    for (const gdi::RecordedOp& op : dc.Ops()) {
        if (op.kind != gdi::RecordedOp::Kind::Bitmap)
            continue;
        found = true;
        EXPECT_EQ(op.rect, thumb.Inflated(-1, -1));
        EXPECT_EQ(op.bitmap_size, (gdi::Size{thumb.Width() - 2, thumb.Height() - 2}));
    }
    EXPECT_TRUE(found);
    // A horizontal control's thumb stands, a vertical one's lies.
    EXPECT_GT(thumb_size(true).cy, thumb_size(true).cx);
    EXPECT_GT(thumb_size(false).cx, thumb_size(false).cy);
}

TEST(SliderPaint, AnEmptyRangeOrAChannelOfNoLengthEnds) {
    struct Row {
        const char* catches;
        gdi::Rect client;
        int minimum, maximum;
    } rows[] = {
        {"an empty range", kWide, 5, 5},
        {"a channel of no length", {0, 0, 30, 40}, 0, 100},
        {"a channel of negative length", {0, 0, 20, 40}, 0, 100},
        {"a control of no size", {0, 0, 0, 0}, 0, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.catches);
        Slider s(true, row.client.IsRectNull() ? gdi::Rect{0, 0, 0, 1} : row.client);
        s.model.SetRange(row.minimum, row.maximum);
        s.model.SetStyle(shell::kSliderAutoTicks);
        s.model.SetTicFreq(1);
        gdi::RecordingCanvas dc;
        s.model.Paint(dc);
        EXPECT_EQ(black_ticks(dc, true).size(), 4u) << "the end ticks only";
    }
    // The widest range with a tick per position: at most one per pixel.
    Slider s(true);
    s.model.SetRange(INT_MIN, INT_MAX);
    s.model.SetStyle(shell::kSliderAutoTicks);
    gdi::RecordingCanvas dc;
    s.model.Paint(dc);
    EXPECT_EQ(black_ticks(dc, true).size(), 4u + 2u * 201u);
}

} // namespace
