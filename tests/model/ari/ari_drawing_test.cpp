// Drawing of the DSP modules that differ from the shared module drawing:
// the text box, which sizes itself to its text, and the body colour of
// input and output modules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/ari_input.h"
#include "model/ari_text.h"
#include "platform/gdi/recording_canvas.h"

namespace {

using namespace model;
using platform::gdi::RecordingCanvas;

// The recording canvas measures every character as wide as half the font's
// height: 7 pixels for the text box's 15-pixel Arial, lines 15 high.
TEST(ModelAriTextBox, SizesItselfToItsLinesAndDrawsThemFromTheTop) {
    CAriText text(1, 1, 100, 50);
    text.m_text = "Zone A\r\n\r\nFOH";
    RecordingCanvas dc;
    text.Draw(dc, 0, 0);
    // Widest line 6 x 7 = 42, + 2; three lines (the empty one measured as a
    // blank) of 15.
    EXPECT_EQ(text.m_body, (Rect{100, 50, 144, 95}));
    const std::vector<std::string> want = {
        R"(text (101,51) "Zone A" Arial 15 700 0x000000)",
        R"(text (101,66) "" Arial 15 700 0x000000)",
        R"(text (101,81) "FOH" Arial 15 700 0x000000)",
    };
    EXPECT_EQ(dc.Lines(), want);
}

TEST(ModelAriTextBox, EmptyTextIsTenByTen) {
    CAriText text(1, 1, 100, 50);
    text.m_text.clear();
    RecordingCanvas dc;
    text.Draw(dc, 0, 0);
    EXPECT_EQ(text.m_body, (Rect{100, 50, 110, 60}));
}

TEST(ModelAriTextBox, PaintedBackgroundShiftAndSelection) {
    CAriText text(1, 1, 10, 20);
    text.m_text = "AB";
    text.m_transparent = 0;
    text.m_colours[CBaseAriModule::kBodyColour] = 0xC0C0C0;
    text.m_colours[CAriText::kTextColour] = 0x0000FF;
    text.m_selected = 1;
    RecordingCanvas dc;
    text.Draw(dc, 5, 7);
    // Body (10, 20, 26, 35); shifted and shrunk by 1: (16, 28, 30, 41).
    const std::vector<std::string> want = {
        "fill (16,28,30,41) 0xC0C0C0", "fill (14,26,32,27) 0x0000FF",
        "fill (14,42,32,43) 0x0000FF", "fill (14,27,15,42) 0x0000FF",
        "fill (31,27,32,42) 0x0000FF", "fill (15,27,31,28) 0x0000FF",
        "fill (15,41,31,42) 0x0000FF", "fill (15,28,16,41) 0x0000FF",
        "fill (30,28,31,41) 0x0000FF", R"(text (16,28) "AB" Arial 15 700 0x0000FF)",
    };
    EXPECT_EQ(dc.Lines(), want);
    EXPECT_EQ(text.m_body, (Rect{10, 20, 26, 35}));
}

TEST(ModelAriTextBox, DrawingLeavesTheCanvasStateAsItWas) {
    CAriText text(1, 1, 0, 0);
    RecordingCanvas dc;
    const auto font = dc.GetFont();
    const auto colour = dc.GetTextColor();
    const int mode = dc.GetBkMode();
    text.Draw(dc, 0, 0);
    EXPECT_EQ(dc.GetFont(), font);
    EXPECT_EQ(dc.GetTextColor(), colour);
    EXPECT_EQ(dc.GetBkMode(), mode);
}

TEST(ModelAriInputBody, PhysicalInputDrawsALightGreenBody) {
    for (const auto& [id, fill] : {std::pair{7, "0xA5FAA5"}, std::pair{6, "0xC8F0F0"}}) {
        CAriInput input(id, 1, 0, 0, 3);
        RecordingCanvas dc;
        input.Draw(dc, 0, 0);
        ASSERT_FALSE(dc.Lines().empty());
        EXPECT_EQ(dc.Lines().front(),
                  std::string("rectangle (-1,-1,101,51) pen solid 1 0xC0C0C0 brush solid ") + fill)
            << id;
    }
}

} // namespace
