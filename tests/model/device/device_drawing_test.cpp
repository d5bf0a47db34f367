// Drawing of the device objects through the recording canvas with the
// fixed-width measurer (characters half as wide as the font is high), so
// that every position can be worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device_test_support.h"
#include "model/device_chnl.h"
#include "model/device_document.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_link.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_text.h"
#include "platform/gdi/recording_canvas.h"

namespace {

using model::CDeviceChnl;
using model::CDeviceLink;
using platform::gdi::RecordingCanvas;
using lines_t = std::vector<std::string>;

bool has(const lines_t& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t count_prefix(const lines_t& lines, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

using device_test::chnl;

TEST(ModelDeviceDrawing, UnitStepByStep) {
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceNy unit(dc, 100, 50, 3, 20, 2); // body (100, 50, 190, 106)
    chnl(unit, 2).m_connected = 1;
    unit.Draw(dc, 0, 0);
    EXPECT_EQ(dc.Lines(),
              (lines_t{
                  "fill (100,50,190,106) 0xFF99CC", // body in the model's colour
                  // etched edge on the left and top: shadow outside, highlight inside
                  "fill (100,50,190,51) 0x808080",
                  "fill (100,50,101,106) 0x808080",
                  "fill (101,51,190,52) 0xFFFFFF",
                  "fill (101,51,102,106) 0xFFFFFF",
                  // raised edge on the bottom and right
                  "fill (100,105,190,106) 0x404040",
                  "fill (189,50,190,106) 0x404040",
                  "fill (100,104,189,105) 0x808080",
                  "fill (188,50,189,105) 0x808080",
                  // frame in the "Fore" colour
                  "fill (100,50,190,51) 0x000000",
                  "fill (100,105,190,106) 0x000000",
                  "fill (100,51,101,105) 0x000000",
                  "fill (189,51,190,105) 0x000000",
                  // title: 7 characters of 7 centred in the 71-wide title box
                  "text (111,30) \"Device3\" Arial 14 400 0x000000 clip (100,30,171,45)",
                  // model name centred at the top of the body
                  "text (120,52) \"QLR-450\" Arial 14 400 0x000000 clip (100,52,190,66)",
                  // network inputs are squares, grey while free (property 0)
                  "rectangle (101,66,111,76) pen solid 1 0x000000 brush solid 0xC0C0C0",
                  // label box r + 1 .. l + 15 + (90 - 10 - 1) / 2, left aligned
                  "text (112,66) \"Rece 1\" Arial 12 400 0x000000 clip (112,66,155,76)",
                  "rectangle (101,78,111,88) pen solid 1 0x000000 brush solid 0xC0C0C0",
                  "text (112,78) \"Rece 2\" Arial 12 400 0x000000 clip (112,78,155,88)",
                  // physical outputs are triangles; the connected one is black
                  "polygon (179,66) (179,76) (189,71) pen solid 1 0x000000 brush solid 0x000000 "
                  "alternate",
                  // label box r - 39 - 10 .. l - 1, right aligned
                  "text (148,66) \"Out 1\" Arial 12 400 0x000000 clip (140,66,178,76)",
                  "polygon (179,78) (179,88) (189,83) pen solid 1 0x000000 brush solid 0xC0C0C0 "
                  "alternate",
                  "text (148,78) \"Out 2\" Arial 12 400 0x000000 clip (140,78,178,88)",
              }));
}

TEST(ModelDeviceDrawing, SelectedUnitIsFramedRedAndShifted) {
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceNy unit(dc, 100, 50, 3, 20, 2);
    chnl(unit, 2).m_connected = 1;
    unit.m_selected = 1;
    unit.Draw(dc, 10, 5); // body (110, 55, 200, 111), title (110, 35, 181, 50)
    const lines_t lines = dc.Lines();
    // Sunken outer ring only: shadow on the left and top, highlight on the
    // bottom and right; no frame in the "Fore" colour.
    EXPECT_TRUE(has(lines, "fill (110,55,200,56) 0x808080"));
    EXPECT_TRUE(has(lines, "fill (110,110,200,111) 0xFFFFFF"));
    EXPECT_FALSE(has(lines, "fill (110,55,200,56) 0x000000"));
    // Four red rings just outside the body, one around the title grown by 1.
    for (const char* ring : {"fill (109,54,201,55) 0x0000FF", "fill (106,51,204,52) 0x0000FF",
                             "fill (203,52,204,114) 0x0000FF", "fill (109,34,182,35) 0x0000FF",
                             "fill (181,35,182,50) 0x0000FF"})
        EXPECT_TRUE(has(lines, ring)) << ring;
    EXPECT_FALSE(has(lines, "fill (105,50,205,51) 0x0000FF")) << "no fifth ring";
    // A connected channel of a selected device is red.
    EXPECT_TRUE(has(lines, "polygon (189,71) (189,81) (199,76) pen solid 1 0x000000 brush solid "
                           "0x0000FF alternate"));
}

TEST(ModelDeviceDrawing, ChannelFill) {
    struct row_t {
        const char* catches;
        int kind, property, connected;
        bool selected;
        std::string shape;
    } rows[] = {
        {"connected, device selected: red", 0, 0, 1, true,
         "polygon (10,20) (10,30) (20,25) pen solid 1 0x000000 brush solid 0x0000FF alternate"},
        {"connected, device not selected: black", 0, 0, 1, false,
         "polygon (10,20) (10,30) (20,25) pen solid 1 0x000000 brush solid 0x000000 alternate"},
        {"free with a property: white", 0, 4, 0, false,
         "polygon (10,20) (10,30) (20,25) pen solid 1 0x000000 brush solid 0xFFFFFF alternate"},
        {"free without a property: grey", 1, 0, 0, true,
         "rectangle (10,20,20,30) pen solid 1 0x000000 brush solid 0xC0C0C0"},
    };
    for (const row_t& r : rows) {
        CDeviceChnl c("x", 0, 1, 1, {10, 20, 20, 30}, 0, r.kind, 0);
        c.m_property = r.property;
        c.m_connected = r.connected;
        RecordingCanvas dc;
        c.Draw(dc, r.selected, false, nullptr, {}, 0, 0, 0);
        EXPECT_EQ(dc.Lines(), lines_t{r.shape}) << r.catches;
    }

    // Taking the last link copy off makes the channel free again.
    CDeviceChnl c("x", 0, 1, 1, {10, 20, 20, 30}, 0, 0, 0);
    CDeviceLink l;
    l.m_id = 2;
    c.AddLinkCopy(l);
    c.RemoveLink(2);
    RecordingCanvas dc;
    c.Draw(dc, false, false, nullptr, {}, 0, 0, 0);
    EXPECT_EQ(count_prefix(dc.Lines(), "polygon (10,20) (10,30) (20,25) pen solid 1 0x000000 brush "
                                       "solid 0xFFFFFF"),
              1u);
}

TEST(ModelDeviceDrawing, TitleOfUnitHalves) {
    device_test::TempHome home;
    RecordingCanvas dc;
    struct row_t {
        const char* catches;
        int model, sub;
        const char* title;
    } rows[] = {
        {"input half", 4, 1, "Device2#I"},
        {"output half", 4, 2, "Device2#O"},
        {"model 19 is two halves too", 19, 2, "Device2#O"},
        {"a single-piece unit shows its name", 1, 3, "Device2"},
        {"a half of another sub-type shows nothing", 9, 0, ""},
    };
    for (const row_t& r : rows) {
        const model::CDeviceNy unit(dc, 0, 40, 2, r.model, r.sub);
        EXPECT_EQ(unit.TitleText(), r.title) << r.catches;
    }
}

TEST(ModelDeviceDrawing, ExternalEquipmentPicture) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    RecordingCanvas dc;
    model::CDeviceExternal pc(dc, 0, 100, 9, model::kModelPc, 0);
    pc.Draw(dc, 0, 0);
    EXPECT_EQ(dc.Lines(),
              (lines_t{
                  "bitmap 62x62 (0,100,62,162)",
                  // "Device9": 49 wide + 5 rounds to a 61-wide title
                  "text (6,80) \"Device9\" Arial 14 400 0x000000 clip (0,80,61,95)",
                  "text (24,100) \"PC\" Arial 14 400 0x000000 clip (0,100,62,114)",
                  "polygon (51,115) (51,125) (61,120) pen solid 1 0x000000 brush solid 0xFFFFFF "
                  "alternate",
                  "polygon (51,130) (51,140) (61,135) pen solid 1 0x000000 brush solid 0xFFFFFF "
                  "alternate",
              }));
    EXPECT_TRUE(sink.logged.empty());
    EXPECT_TRUE(sink.shown.empty());
}

TEST(ModelDeviceDrawing, MissingPictureIsFramedAndLoggedOnce) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    RecordingCanvas dc;
    model::CDeviceExternal pc(dc, 0, 100, 9, model::kModelPc, 0);
    pc.m_iconId = 999; // as a file may carry
    for (int repaint = 0; repaint < 3; ++repaint)
        pc.Draw(dc, 0, 0);
    const lines_t lines = dc.Lines();
    EXPECT_EQ(count_prefix(lines, "bitmap"), 0u);
    EXPECT_EQ(count_prefix(lines, "fill (0,100,62,162) 0xB4B4B4"), 3u) << "a placeholder each time";
    EXPECT_EQ(count_prefix(lines, "fill (0,100,62,101) 0x000000"), 3u) << "framed";
    EXPECT_EQ(count_prefix(lines, "text (6,80) \"Device9\""), 3u) << "the rest is still drawn";
    EXPECT_TRUE(sink.shown.empty()) << "never a message box from drawing";
    ASSERT_EQ(sink.LoggedIds(), std::vector<int>{159});
    EXPECT_EQ(sink.logged[0].second, "    异常 102：绘制设备时载入位图失败！");

    // Another missing picture is reported again.
    pc.m_iconId = 998;
    pc.Draw(dc, 0, 0);
    EXPECT_EQ(sink.LoggedIds(), (std::vector<int>{159, 159}));
}

TEST(ModelDeviceDrawing, GenericAndMatrixLabels) {
    device_test::TempHome home;
    RecordingCanvas dc;
    // "GGGGGGG" is 49 wide: 99 rounds to a 101-wide body; (0, 40, 101, 84).
    model::CDeviceGeneric g(dc, 0, 40, 3, "GGGGGGG", model::kModelGeneric, 1, 1);
    g.Draw(dc, 0, 0);
    lines_t lines = dc.Lines();
    // H1 = (101 - 10 - 1) / 2 = 45; input box r + 3 .. l + 10 + 45.
    EXPECT_TRUE(has(lines, "text (14,56) \"In 1\" Arial 12 400 0x000000 clip (14,56,56,66)"));
    // Output box r - 45 - 10 .. l - 1, right aligned.
    EXPECT_TRUE(has(lines, "text (59,56) \"Out 1\" Arial 12 400 0x000000 clip (45,56,89,66)"));
    EXPECT_TRUE(has(lines, "text (26,42) \"GENERIC\" Arial 14 400 0x000000 clip (0,42,101,56)"));
    EXPECT_TRUE(has(lines, "polygon (1,56) (1,66) (11,61) pen solid 1 0x000000 brush solid "
                           "0xFFFFFF alternate"));

    dc.Clear();
    model::CDeviceMatrix m(dc, 0, 40, 3, "GGGGGGG", model::kModelMatrix, 1, 1);
    m.Draw(dc, 0, 0);
    lines = dc.Lines();
    EXPECT_TRUE(has(lines, "rectangle (1,56,11,66) pen solid 1 0x000000 brush solid 0xFFFFFF"));
    // The matrix's input label starts one pixel right of its square.
    EXPECT_TRUE(has(lines, "text (12,56) \"Rece 1\" Arial 12 400 0x000000 clip (12,56,56,66)"));
    EXPECT_TRUE(has(lines, "text (53,56) \"Send 1\" Arial 12 400 0x000000 clip (45,56,89,66)"));
    EXPECT_TRUE(has(lines, "text (29,42) \"MATRIX\" Arial 14 400 0x000000 clip (0,42,101,56)"));
}

TEST(ModelDeviceDrawing, TextBox) {
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceText t(dc, 20, 30, 1, "ab\r\ncd", model::kModelText, 0); // (20, 30, 32, 54)
    t.m_colours[1] = 0x123456;
    t.Draw(dc, 0, 0);
    EXPECT_EQ(dc.Lines(), (lines_t{
                              "fill (20,30,32,54) 0xB4B4B4",
                              "text (20,30) \"ab\" Arial 12 400 0x123456 clip (20,30,32,54)",
                              "text (20,42) \"cd\" Arial 12 400 0x123456 clip (20,30,32,54)",
                          }));
    dc.Clear();
    t.m_transparent = 1;
    t.m_selected = 1;
    t.Draw(dc, 0, 0);
    const lines_t lines = dc.Lines();
    EXPECT_EQ(count_prefix(lines, "fill (20,30,32,54)"), 0u) << "no background";
    EXPECT_TRUE(has(lines, "fill (16,26,36,27) 0x0000FF")) << "outer selection ring";
    EXPECT_EQ(count_prefix(lines, "text"), 2u);
}

TEST(ModelDeviceDrawing, LinkColoursAndLabel) {
    device_test::SettingsOnlySheet sheet;
    sheet.settings.physicalLink = 0x00AA00;
    sheet.settings.networkLink = 0xAA0000;
    struct row_t {
        const char* catches;
        int kind, selected;
        const char* line;
    } rows[] = {
        {"physical", 0, 0, "polyline (100,50) (200,50) pen solid 1 0x00AA00"},
        {"network", 1, 0, "polyline (100,50) (200,50) pen solid 1 0xAA0000"},
        {"selected physical", 0, 1, "polyline (100,50) (200,50) pen solid 1 0x0000FF"},
        {"selected network", 1, 1, "polyline (100,50) (200,50) pen solid 1 0x0000FF"},
    };
    for (const row_t& r : rows) {
        CDeviceLink l;
        l.m_start = {90, 45};
        l.m_end = {190, 45};
        l.m_kind = r.kind;
        l.m_selected = r.selected;
        l.HideLabel();
        RecordingCanvas dc;
        l.DrawLink(dc, sheet, 10, 5);
        EXPECT_EQ(dc.Lines(), lines_t{r.line}) << r.catches;
    }

    CDeviceLink other;
    other.m_kind = 2;
    RecordingCanvas dc;
    other.DrawLink(dc, sheet, 0, 0);
    EXPECT_TRUE(dc.Lines().empty()) << "a link of another kind is not drawn";

    CDeviceLink labelled;
    labelled.m_start = {100, 50};
    labelled.m_end = {200, 50};
    labelled.m_labelSize = {40, 12};
    labelled.DrawLink(dc, sheet, 0, 0);
    // "Send 16", 7 characters of 6, centred in (100, 40, 140, 52).
    EXPECT_EQ(dc.Lines(), (lines_t{"polyline (100,50) (200,50) pen solid 1 0x00AA00",
                                   "text (99,40) \"Send 16\" Arial 12 400 0x000000 clip "
                                   "(100,40,140,52)"}));
}

TEST(ModelDeviceDrawing, CopyingAcrossKindsIsRefused) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    RecordingCanvas dc;
    model::CDeviceGeneric g(dc, 0, 40, 3, "G", model::kModelGeneric, 1, 1);
    const model::CDeviceMatrix m(dc, 100, 40, 4, "M", model::kModelMatrix, 2, 2);
    g.CopyFrom(m);
    EXPECT_EQ(g.m_id, 3) << "nothing copied";
    EXPECT_EQ(g.GetChnlCount(), 2);
    ASSERT_EQ(sink.ShownIds(), std::vector<int>{158});
    EXPECT_EQ(sink.shown[0].second, "    异常 101：复制MATRIX设备不正确！");

    model::CDeviceText t(dc, 0, 0, 5, "T", model::kModelText, 0);
    model::CDeviceExternal e(dc, 0, 100, 6, model::kModelCd, 0);
    t.CopyFrom(e);
    e.CopyFrom(t);
    EXPECT_EQ(sink.ShownIds(), (std::vector<int>{158, 158, 158}));
    EXPECT_EQ(sink.shown[2].second, "    异常 101：复制TEXT设备不正确！");
}

} // namespace
