// The lamp button's and the picture button's rules without windows: what a
// click does in each mode, the radio group's walk, the looks, and the
// picture button's hover and states.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/recording_canvas.h"
#include "shell/my_button.h"

namespace {

namespace gdi = platform::gdi;
using shell::CMyButtonCore;
using shell::CStateBitmapButtonCore;

// The colour a point gets from the recorded fills (the last fill over it
// wins), as a screen would show it; null when nothing filled it.
std::optional<gdi::COLORREF> filled_at(const gdi::RecordingCanvas& dc, int x, int y) {
    std::optional<gdi::COLORREF> colour;
    for (const gdi::RecordedOp& op : dc.Ops()) {
        if (op.kind == gdi::RecordedOp::Kind::Fill && op.rect.PtInRect({x, y}))
            colour = op.colour;
    }
    return colour;
}

std::vector<const gdi::RecordedOp*> ops_of(const gdi::RecordingCanvas& dc,
                                           gdi::RecordedOp::Kind kind) {
    std::vector<const gdi::RecordedOp*> found;
    for (const gdi::RecordedOp& op : dc.Ops()) {
        if (op.kind == kind)
            found.push_back(&op);
    }
    return found;
}

// ---------------------------------------------------------------------------
// Clicks

TEST(MyButtonClick, ModeRulesDecideStateAndReport) {
    struct row_t {
        const char* catches;
        int mode, before;
        bool press, inside;
        int after;
        CMyButtonCore::Release release;
    } rows[] = {
        {"push: reported, state kept (off)", 1, 0, true, true, 0, {true, false}},
        {"push: reported, state kept (on)", 1, 1, true, true, 1, {true, false}},
        {"toggle: off flips on", 2, 0, true, true, 1, {true, false}},
        {"toggle: on flips off", 2, 1, true, true, 0, {true, false}},
        {"radio: off turns on and clears the group", 3, 0, true, true, 1, {true, true}},
        {"radio: already on ignores the click", 3, 1, true, true, 1, {false, false}},
        {"push: release outside reports nothing", 1, 0, true, false, 0, {false, false}},
        {"toggle: release outside does not flip", 2, 0, true, false, 0, {false, false}},
        {"radio: release outside does not turn on", 3, 0, true, false, 0, {false, false}},
        {"release without a press on the button", 2, 0, false, true, 0, {false, false}},
        {"unknown mode answers as a push button", 7, 0, true, true, 0, {true, false}},
        {"mode 0 answers as a push button", 0, 1, true, true, 1, {true, false}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        CMyButtonCore button;
        button.Setup(row.mode, 32, row.before);
        if (row.press)
            button.LButtonDown();
        EXPECT_EQ(button.LButtonUp(row.inside), row.release);
        EXPECT_EQ(button.State(), row.after);
        EXPECT_FALSE(button.Pressed()) << "the release always ends the press";
    }
}

TEST(MyButtonClick, LostCaptureForgetsThePress) {
    CMyButtonCore button;
    button.Setup(CMyButtonCore::kModeToggle, 32, 0);
    button.LButtonDown();
    EXPECT_TRUE(button.Pressed());
    button.CaptureLost();
    EXPECT_FALSE(button.Pressed());
    EXPECT_EQ(button.LButtonUp(true), CMyButtonCore::Release{});
    EXPECT_EQ(button.State(), 0);
}

TEST(MyButtonClick, SetupGuardsTheDivisor) {
    CMyButtonCore button;
    button.Setup(2, 0, 0);
    EXPECT_EQ(button.Divisor(), 1);
    EXPECT_EQ(button.FrameUnit({0, 0, 40, 20}), 40);
    EXPECT_TRUE(button.LampRect({0, 0, 40, 20}).IsRectEmpty());
}

// ---------------------------------------------------------------------------
// The radio group's walk

TEST(DialogGroupWalk, FollowsTheNextGroupItemOrder) {
    using Item = shell::DialogItemInfo;
    struct row_t {
        const char* catches;
        std::vector<Item> items;
        std::size_t self;
        std::vector<std::size_t> met;
    } rows[] = {
        {"walks forward and wraps to the group's first item",
         {{10, true}, {11}, {12}, {13}},
         1,
         {2, 3, 0}},
        {"stops at the next group start",
         {{10, true}, {11}, {12}, {20, true}, {21}},
         0,
         {1, 2}},
        {"a group in the middle wraps to its own start",
         {{10, true}, {11}, {20, true}, {21}, {22}, {30, true}},
         4,
         {2, 3}},
        {"the first item begins a group without the mark",
         {{10}, {11}, {12}, {20, true}},
         2,
         {0, 1}},
        {"hidden and disabled items are skipped",
         {{10, true}, {11, false, false}, {12, false, true, false}, {13}},
         0,
         {3}},
        {"an item sharing the id ends the walk early",
         {{10, true}, {11}, {10}, {12}},
         0,
         {1}},
        {"alone in its group meets nothing", {{10, true}, {20, true}}, 0, {}},
        {"out of range meets nothing", {{10, true}}, 3, {}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        EXPECT_EQ(shell::WalkDialogGroup(row.items, row.self), row.met);
    }
}

TEST(DialogGroupWalk, EndsWhenItCannotComeBack) {
    // The button itself hidden: the walk never meets its id again.
    const std::vector<shell::DialogItemInfo> items = {
        {10, true, false}, {11}, {12}, {13}, {20, true}};
    const auto met = shell::WalkDialogGroup(items, 0);
    EXPECT_LE(met.size(), 4u);
    EXPECT_EQ(met.front(), 1u);
}

// ---------------------------------------------------------------------------
// The lamp button's looks

TEST(MyButtonLook, FrameLampAndTextFollowStateAndFocus) {
    // 64 x 32 with divisor 32: the unit is 2, the lamp (8,8,56,24). Text
    // "On" is 16 x 16 with the test measurer, centred at (24,8).
    const gdi::Rect item{0, 0, 64, 32};
    struct row_t {
        const char* catches;
        int state;
        bool enabled, pressed, focused;
        gdi::COLORREF right_edge; // dark shadow raised, highlight sunken
        gdi::COLORREF lamp, text;
        gdi::Point origin;
    } rows[] = {
        {"off: raised, dark", 0, true, false, false, gdi::kEdgeDarkShadow,
         CMyButtonCore::kLampDark, CMyButtonCore::kLampDarkText, {24, 8}},
        {"off, pressed with focus: sunken, lit, shifted", 0, true, true, true, gdi::kEdgeHighlight,
         CMyButtonCore::kLampLit, CMyButtonCore::kLampLitText, {25, 9}},
        {"off, pressed without focus stays dark", 0, true, true, false, gdi::kEdgeDarkShadow,
         CMyButtonCore::kLampDark, CMyButtonCore::kLampDarkText, {24, 8}},
        {"off, disabled: grey lamp", 0, false, false, false, gdi::kEdgeDarkShadow,
         CMyButtonCore::kLampGrey, CMyButtonCore::kLampGreyText, {24, 8}},
        {"on: sunken, lit, shifted", 1, true, false, false, gdi::kEdgeHighlight,
         CMyButtonCore::kLampLit, CMyButtonCore::kLampLitText, {25, 9}},
        {"on, disabled: raised, grey", 1, false, false, false, gdi::kEdgeDarkShadow,
         CMyButtonCore::kLampGrey, CMyButtonCore::kLampGreyText, {24, 8}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        CMyButtonCore button;
        button.Setup(CMyButtonCore::kModeToggle, 32, row.state);
        if (row.pressed)
            button.LButtonDown();
        gdi::RecordingCanvas dc(8);
        button.Draw(dc, item, "On", row.enabled, row.focused);
        EXPECT_EQ(filled_at(dc, 40, 0), gdi::kEdgeShadow) << "top edge";
        EXPECT_EQ(filled_at(dc, 63, 16), row.right_edge);
        EXPECT_EQ(filled_at(dc, 5, 16), CMyButtonCore::kFace) << "face between frame and lamp";
        EXPECT_EQ(filled_at(dc, 20, 12), row.lamp) << "inside the lamp";
        EXPECT_EQ(filled_at(dc, 8, 8), gdi::kBlack) << "lamp's top-left corner";
        EXPECT_EQ(filled_at(dc, 55, 8), gdi::kWhite) << "lamp's top-right corner";
        EXPECT_EQ(filled_at(dc, 30, 23), gdi::kWhite) << "lamp's bottom line";
        EXPECT_EQ(filled_at(dc, 56, 12), CMyButtonCore::kFace) << "just right of the lamp";
        const auto texts = ops_of(dc, gdi::RecordedOp::Kind::Text);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0]->text, "On");
        EXPECT_EQ(texts[0]->colour, row.text);
        EXPECT_EQ(texts[0]->origin, row.origin);
        EXPECT_EQ(dc.GetBkMode(), gdi::OPAQUE) << "the canvas gets its state back";
    }
}

TEST(MyButtonLook, DivisorSetsTheLampInset) {
    struct row_t {
        const char* catches;
        gdi::Rect item;
        int divisor;
        gdi::Rect lamp;
    } rows[] = {
        {"the attribute dialogs' 32", {0, 0, 64, 32}, 32, {8, 8, 56, 24}},
        {"the larger side decides", {0, 0, 40, 80}, 32, {8, 8, 32, 72}},
        {"the text box's 64 on a small button: no inset", {0, 0, 60, 20}, 64, {0, 0, 60, 20}},
        {"an item away from the origin", {10, 20, 74, 52}, 16, {26, 36, 58, 36}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        CMyButtonCore button;
        button.Setup(1, row.divisor, 0);
        EXPECT_EQ(button.LampRect(row.item), row.lamp);
    }
}

TEST(MyButtonLook, PicturesTakeTheLampsPlace) {
    // Pictures of different sizes tell which one was drawn.
    shell::ButtonPictures pictures = {gdi::Bitmap(10, 10), gdi::Bitmap(11, 11),
                                      gdi::Bitmap(12, 12), gdi::Bitmap(13, 13)};
    const gdi::Rect item{0, 0, 64, 32}; // lamp (8,8,56,24)
    struct row_t {
        const char* catches;
        int state;
        bool enabled, pressed, focused;
        int size;
    } rows[] = {
        {"state 0: normal", 0, true, false, false, 10},
        {"state 1: selected", 1, true, false, false, 11},
        {"pressed with focus: selected", 0, true, true, true, 11},
        {"state 2: focus picture", 2, true, false, false, 12},
        {"state 3: disabled", 3, true, false, false, 13},
        {"disabled window: disabled", 1, false, false, false, 13},
        {"other states: normal", 5, true, false, false, 10},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        CMyButtonCore button;
        button.Setup(1, 32, row.state);
        button.SetPictures(pictures);
        if (row.pressed)
            button.LButtonDown();
        gdi::RecordingCanvas dc(8);
        button.Draw(dc, item, "", row.enabled, row.focused);
        const auto bitmaps = ops_of(dc, gdi::RecordedOp::Kind::Bitmap);
        ASSERT_EQ(bitmaps.size(), 1u);
        EXPECT_EQ(bitmaps[0]->bitmap_size, (gdi::Size{row.size, row.size}));
        const int x = 8 + (48 - row.size) / 2, y = 8 + (16 - row.size) / 2;
        EXPECT_EQ(bitmaps[0]->rect, (gdi::Rect{x, y, x + row.size, y + row.size}));
        EXPECT_EQ(filled_at(dc, 20, 12), CMyButtonCore::kFace) << "no lamp under the picture";
        EXPECT_TRUE(ops_of(dc, gdi::RecordedOp::Kind::Text).empty());
    }
}

TEST(MyButtonLook, PictureLargerThanTheLampIsShrunkIntoIt) {
    CMyButtonCore button;
    button.Setup(1, 32, 0);
    button.SetPictures({gdi::Bitmap(40, 40), gdi::Bitmap(40, 40), gdi::Bitmap(40, 40),
                        gdi::Bitmap(40, 40)});
    gdi::RecordingCanvas dc(8);
    button.Draw(dc, {0, 0, 64, 32}, "", true, false);
    const auto bitmaps = ops_of(dc, gdi::RecordedOp::Kind::Bitmap);
    ASSERT_EQ(bitmaps.size(), 1u);
    EXPECT_EQ(bitmaps[0]->rect, (gdi::Rect{8, 8, 56, 24}));
}

TEST(ButtonPictures, RouteCellPicturesAreDrawn) {
    const int ids[] = {shell::kBitmapRouteNormal, shell::kBitmapRouteSelected,
                       shell::kBitmapRouteFocus, shell::kBitmapRouteDisabled};
    std::vector<const gdi::Bitmap*> seen;
    for (int id : ids) {
        SCOPED_TRACE(id);
        const gdi::Bitmap* picture = shell::LoadButtonPicture(id);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->Width(), shell::kButtonPictureSize);
        EXPECT_EQ(picture->Height(), shell::kButtonPictureSize);
        EXPECT_EQ(picture->GetPixel(0, 0), CMyButtonCore::kFace) << "corners blend with the face";
        for (const gdi::Bitmap* other : seen)
            EXPECT_NE(picture->Pixels(), other->Pixels()) << "each look differs";
        seen.push_back(picture);
    }
    EXPECT_EQ(shell::LoadButtonPicture(shell::kBitmapRouteNormal), seen[0]) << "made once";
    EXPECT_EQ(shell::LoadButtonPicture(240), nullptr);
}

// ---------------------------------------------------------------------------
// The picture button

TEST(StateBitmapButton, SetStateEnablesAllButDisabled) {
    struct row_t {
        int given, shown;
        bool enabled;
    } rows[] = {
        {0, 0, true}, {1, 1, true}, {2, 2, true}, {3, 3, false}, {7, 0, true}, {-1, 0, true},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.given);
        CStateBitmapButtonCore button;
        button.SetState(3);
        EXPECT_EQ(button.SetState(row.given), row.enabled);
        EXPECT_EQ(button.State(), row.shown);
    }
}

TEST(StateBitmapButton, HoverPressAndReleaseSequences) {
    using Effect = CStateBitmapButtonCore::Effect;
    enum class Ev { MoveIn, MoveOut, Down, UpIn, UpOut, Lost };
    struct step_t {
        Ev event;
        Effect effect;
        int state;
    };
    const Effect none{};
    const Effect hover{true, true, false, false, false};
    const Effect unhover{true, false, true, false, false};
    const Effect click{true, false, true, true, true};
    struct row_t {
        const char* catches;
        std::vector<step_t> steps;
    } rows[] = {
        {"hover takes the capture once, leaving frees it",
         {{Ev::MoveIn, hover, 2}, {Ev::MoveIn, none, 2}, {Ev::MoveOut, unhover, 0}}},
        {"a click while hovering selects and reports",
         {{Ev::MoveIn, hover, 2}, {Ev::Down, none, 2}, {Ev::UpIn, click, 1}}},
        {"a selected button shows no hover",
         {{Ev::MoveIn, hover, 2}, {Ev::Down, none, 2}, {Ev::UpIn, click, 1},
          {Ev::MoveIn, none, 1}, {Ev::MoveOut, none, 1}}},
        {"release outside after leaving reports nothing",
         {{Ev::MoveIn, hover, 2}, {Ev::Down, none, 2}, {Ev::MoveOut, unhover, 0},
          {Ev::UpOut, none, 0}}},
        {"leaving clears the press: a later release inside is no click",
         {{Ev::MoveIn, hover, 2}, {Ev::Down, none, 2}, {Ev::MoveOut, unhover, 0},
          {Ev::UpIn, none, 0}}},
        {"release without a press reports nothing",
         {{Ev::MoveIn, hover, 2}, {Ev::UpIn, none, 2}}},
        {"losing the capture ends the hover",
         {{Ev::MoveIn, hover, 2}, {Ev::Lost, {true, false, false, false, false}, 0},
          {Ev::MoveIn, hover, 2}}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        CStateBitmapButtonCore button;
        int n = 0;
        for (const step_t& step : row.steps) {
            SCOPED_TRACE(n++);
            Effect got;
            switch (step.event) {
            case Ev::MoveIn: got = button.MouseMove(true); break;
            case Ev::MoveOut: got = button.MouseMove(false); break;
            case Ev::Down: got = button.LButtonDown(); break;
            case Ev::UpIn: got = button.LButtonUp(true); break;
            case Ev::UpOut: got = button.LButtonUp(false); break;
            case Ev::Lost: got = button.CaptureLost(); break;
            }
            EXPECT_EQ(got, step.effect);
            EXPECT_EQ(button.State(), step.state);
        }
    }
}

TEST(StateBitmapButton, DrawsThePictureOfTheStateAndItsCaption) {
    CStateBitmapButtonCore button;
    button.SetPictures({gdi::Bitmap(20, 16), gdi::Bitmap(21, 16), gdi::Bitmap(22, 16),
                        gdi::Bitmap(23, 16)});
    const gdi::Rect item{0, 0, 100, 20};
    // Caption "Go": 16 x 16 centred in (22,0,100,20).
    struct row_t {
        const char* catches;
        int state;
        int width;
        std::vector<std::pair<gdi::Point, gdi::COLORREF>> texts;
    } rows[] = {
        {"normal: window text", 0, 20, {{{53, 2}, gdi::kBlack}}},
        {"selected", 1, 21, {{{53, 2}, gdi::kBlack}}},
        {"hover", 2, 22, {{{53, 2}, gdi::kBlack}}},
        {"disabled: embossed, highlight first one pixel down-right",
         3,
         23,
         {{{54, 3}, gdi::kEdgeHighlight}, {{53, 2}, gdi::kEdgeShadow}}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        button.SetState(row.state);
        gdi::RecordingCanvas dc(8);
        button.Draw(dc, item, "Go");
        const auto bitmaps = ops_of(dc, gdi::RecordedOp::Kind::Bitmap);
        ASSERT_EQ(bitmaps.size(), 1u);
        EXPECT_EQ(bitmaps[0]->rect, (gdi::Rect{0, 0, row.width, 16})) << "copied at top-left";
        const auto texts = ops_of(dc, gdi::RecordedOp::Kind::Text);
        ASSERT_EQ(texts.size(), row.texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i]->origin, row.texts[i].first);
            EXPECT_EQ(texts[i]->colour, row.texts[i].second);
        }
    }
}

TEST(StateBitmapButton, NoCaptionWhenThePictureFillsTheItem) {
    CStateBitmapButtonCore button;
    button.SetPictures({gdi::Bitmap(30, 16), gdi::Bitmap(30, 16), gdi::Bitmap(30, 16),
                        gdi::Bitmap(30, 16)});
    gdi::RecordingCanvas dc(8);
    button.Draw(dc, {10, 0, 39, 20}, "Go");
    EXPECT_TRUE(ops_of(dc, gdi::RecordedOp::Kind::Text).empty());
    EXPECT_EQ(ops_of(dc, gdi::RecordedOp::Kind::Bitmap).size(), 1u);
}

} // namespace
