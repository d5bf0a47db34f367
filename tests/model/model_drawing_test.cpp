// Drawing of the DSP module base, its channels and links through the
// recording canvas with the fixed-width measurer (characters half as wide as
// the font is high), so every position can be worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "model/dsp_chnl.h"
#include "model_fixtures.h"
#include "platform/gdi/recording_canvas.h"

namespace {

using model::CBaseLink;
using model::CDSPChnl;
using model_test::make_delay_module;
using model_test::TestAriModule;
using platform::gdi::RecordingCanvas;
using lines_t = std::vector<std::string>;

bool has(const lines_t& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t count_prefix(const lines_t& lines, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

TEST(ModelAriDrawing, WholeModuleStepByStep) {
    auto m = make_delay_module();
    RecordingCanvas dc;
    m->Draw(dc, 0, 0);
    // R = body (100, 50, 200, 100) grown by 1 = (99, 49, 201, 101).
    EXPECT_EQ(dc.Lines(), (lines_t{
                              // body in the type colour, filled with the body colour
                              "rectangle (99,49,201,101) pen solid 1 0xC8C800 brush solid 0xC8F0F0",
                              // drop shadow, twice
                              "polyline (101,101) (201,101) pen solid 1 0x505050",
                              "polyline (201,101) (201,51) pen solid 1 0x505050",
                              "polyline (101,102) (202,102) pen solid 1 0x505050",
                              "polyline (202,102) (202,51) pen solid 1 0x505050",
                              // title strip
                              "rectangle (100,50,200,68) pen solid 1 0xC8C800 brush solid 0xC8C800",
                              // etched edge on the left and top
                              "fill (99,49,201,50) 0x808080",
                              "fill (99,49,100,101) 0x808080",
                              "fill (100,50,201,51) 0xFFFFFF",
                              "fill (100,50,101,101) 0xFFFFFF",
                              // black frame
                              "fill (99,49,201,50) 0x000000",
                              "fill (99,100,201,101) 0x000000",
                              "fill (99,50,100,100) 0x000000",
                              "fill (200,50,201,100) 0x000000",
                              // type name: 10 characters of 7 centred in 102
                              "text (115,51) \"Delay 5 ms\" Arial 15 700 0xFFFFFF",
                              // display name: 7 characters of 7 centred in 102
                              "text (125,67) \"Delay-2\" Arial 14 400 0x000000",
                              // channels: dot, then label (12 high for an 8-pixel dot)
                              "ellipse (104,82,112,90) pen solid 1 0x000000 brush solid 0xFFFFFF",
                              "text (116,80) \"In\" Arial 12 400 0x000000",
                              "ellipse (188,82,196,90) pen solid 1 0x000000 brush solid 0xFFFFFF",
                              "text (168,80) \"Out\" Arial 12 400 0x000000",
                          }));
}

TEST(ModelAriDrawing, ShiftSelectionAndGroupMarks) {
    auto m = make_delay_module();
    m->m_selected = 1;
    m->m_group = 3;
    RecordingCanvas dc;
    m->Draw(dc, 10, 5);
    const lines_t lines = dc.Lines();
    EXPECT_EQ(lines.front(),
              "rectangle (109,54,211,106) pen solid 1 0xC8C800 brush solid 0xC8F0F0");
    // A red frame two pixels wide around R grown by 2.
    for (const char* line : {"fill (107,52,213,53) 0x0000FF", "fill (107,107,213,108) 0x0000FF",
                             "fill (107,53,108,107) 0x0000FF", "fill (212,53,213,107) 0x0000FF",
                             "fill (108,53,212,54) 0x0000FF", "fill (108,106,212,107) 0x0000FF",
                             "fill (108,54,109,106) 0x0000FF", "fill (211,54,212,106) 0x0000FF"})
        EXPECT_TRUE(has(lines, line)) << line;
    // Name (49) + 2 + three 10-pixel marks = 81, centred in 102: from 119.
    EXPECT_TRUE(has(lines, "text (119,72) \"Delay-2\" Arial 14 400 0x000000"));
    EXPECT_EQ(count_prefix(lines, "polygon "), 3u);
    EXPECT_TRUE(has(lines, "polygon (175,74) (180,79) (175,84) (170,79) pen solid 1 0xC8C800 "
                           "brush solid 0xC8C800 alternate"));
    EXPECT_TRUE(has(lines, "polygon (195,74) (200,79) (195,84) (190,79) pen solid 1 0xC8C800 "
                           "brush solid 0xC8C800 alternate"));
    EXPECT_TRUE(has(lines, "ellipse (114,87,122,95) pen solid 1 0x000000 brush solid 0xFFFFFF"));

    m->m_group = 0;
    m->m_selected = 0;
    dc.Clear();
    m->Draw(dc, 0, 0);
    EXPECT_EQ(count_prefix(dc.Lines(), "polygon "), 0u);
    EXPECT_EQ(count_prefix(dc.Lines(), "fill (97,"), 0u) << "no selection frame";

    // Group numbers come from files: a negative one draws no marks, a huge
    // one does not keep the drawing busy for billions of marks.
    for (const auto& [group, marks] : {std::pair{-4, 0u}, std::pair{INT_MAX, 100u}}) {
        m->m_group = group;
        dc.Clear();
        m->Draw(dc, 0, 0);
        EXPECT_EQ(count_prefix(dc.Lines(), "polygon "), marks) << group;
    }
}

TEST(ModelAriDrawing, NamesWiderThanTheBodyStartAtItsLeftEdge) {
    auto m = make_delay_module();
    m->m_typeName = std::string(20, 'W');    // 140 pixels
    m->m_displayName = std::string(14, 'n'); // 98 + 2 + 10 > 102 with a group
    m->m_group = 1;
    RecordingCanvas dc;
    m->Draw(dc, 0, 0);
    EXPECT_TRUE(
        has(dc.Lines(), "text (99,51) \"" + std::string(20, 'W') + "\" Arial 15 700 0xFFFFFF"));
    EXPECT_TRUE(
        has(dc.Lines(), "text (99,67) \"" + std::string(14, 'n') + "\" Arial 14 400 0x000000"));
}

TEST(ModelAriDrawing, NetworkMarkOfInputAndOutputModules) {
    struct row_t {
        const char* catches;
        std::int32_t type;
        model::AriLayout layout;
        const char* dot;
        const char* label;
    } rows[] = {
        {"input module: dot on the left though it has no inputs",
         model::kAriInput,
         {0, 1},
         "ellipse (103,81,111,89) pen solid 1 0x000000 brush solid 0x008200",
         "text (115,79) \"Vragolin\" Arial 12 400 0x000000"},
        {"output module: dot on the right, label before it",
         model::kAriOutput,
         {1, 0},
         "ellipse (189,81,197,89) pen solid 1 0x000000 brush solid 0x008200",
         "text (139,79) \"Vragolin\" Arial 12 400 0x000000"},
    };
    for (const row_t& row : rows) {
        TestAriModule m(1, row.type, 1);
        m.BuildLayout(100, 50, row.layout);
        RecordingCanvas dc;
        m.Draw(dc, 0, 0);
        const lines_t lines = dc.Lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], row.dot) << row.catches;
        EXPECT_EQ(lines.back(), row.label) << row.catches;
    }
    auto delay = make_delay_module();
    RecordingCanvas dc;
    delay->Draw(dc, 0, 0);
    EXPECT_EQ(count_prefix(dc.Lines(), "text (115,79) \"Vragolin\""), 0u)
        << "only inputs and outputs";
}

TEST(ModelAriDrawing, ChannelDotColours) {
    struct row_t {
        const char* catches;
        std::int32_t highlighted, links;
        model::COLORREF outline;
        const char* dot;
    } rows[] = {
        {"free channel is white", 0, 0, 0,
         "ellipse (4,32,12,40) pen solid 1 0x000000 brush solid 0xFFFFFF"},
        {"linked channel is green", 0, 2, 0,
         "ellipse (4,32,12,40) pen solid 1 0x000000 brush solid 0x008200"},
        {"highlight beats the link", 1, 1, 0,
         "ellipse (4,32,12,40) pen solid 1 0x000000 brush solid 0x0000FF"},
        {"outline colour draws pen and label", 0, 0, 0x808080,
         "ellipse (4,32,12,40) pen solid 1 0x808080 brush solid 0xFFFFFF"},
    };
    for (const row_t& row : rows) {
        CDSPChnl c(0, 1, {4, 32, 12, 40}, "In 1", 0);
        c.m_highlighted = row.highlighted;
        c.m_linkCount = row.links;
        c.m_outlineColour = row.outline;
        RecordingCanvas dc;
        c.Draw(dc, 0, 0);
        ASSERT_EQ(dc.Lines().size(), 2u) << row.catches;
        EXPECT_EQ(dc.Lines()[0], row.dot) << row.catches;
        EXPECT_EQ(dc.Ops()[1].colour, row.outline) << row.catches;
        EXPECT_EQ(dc.Ops()[1].font.lfCharSet, platform::gdi::DEFAULT_CHARSET);
        EXPECT_EQ(dc.Ops()[1].font.lfPitchAndFamily, platform::gdi::FF_SWISS);
    }
}

TEST(ModelLinkDrawing, EndPointOnePixelLeftAndSelectionRed) {
    CBaseLink link(1, {300, 100}, {100, 120}, 2, 0, 1, 1);
    RecordingCanvas dc;
    link.Draw(dc, 0, 0);
    EXPECT_EQ(dc.Lines(),
              (lines_t{"polyline (290,100) (285,100) (114,120) (109,120) pen solid 1 0x000000"}));

    link.m_selected = 1;
    link.m_penWidth = 2;
    link.m_colour = 0x00FF00;
    dc.Clear();
    link.Draw(dc, 5, -7);
    EXPECT_EQ(dc.Lines(),
              (lines_t{"polyline (295,93) (290,93) (119,113) (114,113) pen solid 2 0x0000FF"}));

    link.m_selected = 0;
    dc.Clear();
    link.Draw(dc, 0, 0);
    EXPECT_EQ(dc.Ops()[0].pen.colour, 0x00FF00u);
}

TEST(ModelAriDrawing, DrawingLeavesTheCanvasStateAsItWas) {
    RecordingCanvas dc;
    dc.SelectPen(platform::gdi::Pen::Solid(4, 0x010203));
    dc.SelectBrush(platform::gdi::Brush::Hollow());
    dc.SelectFont(platform::gdi::MakeFont("Courier", 9));
    dc.SetTextColor(0x0A0B0C);
    const int mode = dc.GetBkMode();
    auto m = make_delay_module();
    m->m_group = 2;
    m->Draw(dc, 0, 0);
    CBaseLink(1, {0, 0}, {9, 9}, 1, 0, 2, 0).Draw(dc, 0, 0);
    EXPECT_EQ(dc.GetPen(), platform::gdi::Pen::Solid(4, 0x010203));
    EXPECT_EQ(dc.GetBrush(), platform::gdi::Brush::Hollow());
    EXPECT_EQ(dc.GetFont().lfFaceName, "Courier");
    EXPECT_EQ(dc.GetTextColor(), 0x0A0B0Cu);
    EXPECT_EQ(dc.GetBkMode(), mode);
}

} // namespace
