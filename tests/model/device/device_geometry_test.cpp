// Geometry of the device objects: title rounding, generic and matrix sizes,
// text-box line splitting, link bounds and pick regions, hit-test priority
// in device coordinates, and the channel and link lookups.
#include <gtest/gtest.h>

#include <string>

#include "device_test_support.h"
#include "model/device_chnl.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_link.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_text.h"
#include "platform/gdi/fixed_width_measurer.h"

namespace {

using model::CDeviceChnl;
using model::CDeviceLink;
using model::Point;
using model::Rect;
using platform::gdi::FixedWidthMeasurer;

// Every character one unit wide: a name of n characters measures n.
const FixedWidthMeasurer kOnePerChar(1);

TEST(ModelDeviceGeometry, TitleWidthIsAMultipleOfTenPlusOne) {
    device_test::TempHome home;
    struct row_t {
        const char* catches;
        int name_width; // measured; the unit adds 15, external equipment 5
        int unit_title, external_title;
    } rows[] = {
        {"70 is kept and gets its extra pixel", 55, 71, 61},
        {"71 rounds up to 81", 56, 81, 71},
        {"an empty name still leaves room", 0, 21, 11},
        {"79 rounds up to 81", 64, 81, 71},
        {"80 becomes 81", 65, 81, 71},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.catches);
        model::CDeviceNy unit(kOnePerChar, 100, 100, 1, 1, 3);
        unit.SetName(std::string(static_cast<std::size_t>(r.name_width), 'x'), kOnePerChar);
        EXPECT_EQ(unit.m_title, Rect(100, 80, 100 + r.unit_title, 95));
        model::CDeviceExternal pc(kOnePerChar, 100, 100, 2, model::kModelPc, 0);
        pc.SetName(std::string(static_cast<std::size_t>(r.name_width), 'x'), kOnePerChar);
        EXPECT_EQ(pc.m_title.Width(), r.external_title);
    }
}

TEST(ModelDeviceGeometry, GenericAndMatrixWidthsAndHeights) {
    device_test::TempHome home;
    struct row_t {
        const char* catches;
        int name_width, inputs, outputs, width, height;
    } rows[] = {
        {"29 + 50 rounds up to 81", 29, 1, 1, 81, 44},
        {"30 + 50 is a multiple of ten: 81", 30, 1, 1, 81, 44},
        {"31 + 50 rounds up to 91", 31, 1, 1, 91, 44},
        {"the larger count sets the height", 10, 3, 5, 61, 92},
        {"no channels at all", 10, 0, 0, 61, 32},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.catches);
        const std::string name(static_cast<std::size_t>(r.name_width), 'n');
        const model::CDeviceGeneric g(kOnePerChar, 10, 20, 3, name, model::kModelGeneric, r.inputs,
                                      r.outputs);
        EXPECT_EQ(g.m_body, Rect(10, 20, 10 + r.width, 20 + r.height));
        EXPECT_EQ(g.m_name, name);
        EXPECT_EQ(g.GetChnlCount(), r.inputs + r.outputs);
        const model::CDeviceMatrix m(kOnePerChar, 10, 20, 3, name, model::kModelMatrix, r.inputs,
                                     r.outputs);
        EXPECT_EQ(m.m_body, g.m_body);
    }

    // Three inputs beside five outputs start 12 lower: each side is centred.
    const model::CDeviceGeneric g(kOnePerChar, 10, 20, 3, "g", model::kModelGeneric, 3, 5);
    const auto* first_in = model::AsDeviceChnl(g.GetChnl(0));
    const auto* first_out = model::AsDeviceChnl(g.GetChnl(3));
    ASSERT_TRUE(first_in && first_out);
    EXPECT_EQ(first_in->m_rect, Rect(11, 48, 21, 58));  // top + (92 - 36) / 2
    EXPECT_EQ(first_out->m_rect, Rect(60, 36, 70, 46)); // top + (92 - 60) / 2
    EXPECT_EQ(first_in->m_rect.top - first_out->m_rect.top, 12);
    EXPECT_EQ(first_in->m_name, "In #1");
    EXPECT_EQ(model::AsDeviceChnl(g.GetChnl(7))->m_name, "Out #5");
}

TEST(ModelDeviceGeometry, GenericCountsStayLoadable) {
    device_test::TempHome home;
    const model::CDeviceGeneric g(kOnePerChar, 0, 20, 3, "g", model::kModelGeneric, -4, 500);
    EXPECT_EQ(g.m_inputCount, 0);
    EXPECT_EQ(g.m_outputCount, model::CBaseModule::kMaxChannelsPerSide);
}

TEST(ModelDeviceGeometry, TextBoxLines) {
    device_test::TempHome home;
    // Font height 12: cell 12 high, characters 6 wide.
    const FixedWidthMeasurer dc;
    struct row_t {
        const char* catches;
        const char* text;
        int width, height;
    } rows[] = {
        {"an empty line between breaks counts as the break's own line", "ab\r\n\r\ncd", 12, 36},
        {"a final break adds no line", "ab\r\n", 12, 12},
        {"a leading break is a line of its own", "\r\nabc", 18, 24},
        {"the widest line sets the width", "a\r\nabcd\r\nab", 24, 36},
        {"a lone LF is no break", "ab\ncd", 30, 12},
        {"an empty text has no body", "", 0, 0},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.catches);
        const model::CDeviceText t(dc, 40, 50, 1, r.text, model::kModelText, 0);
        EXPECT_EQ(t.m_body, Rect(40, 50, 40 + r.width, 50 + r.height));
        EXPECT_EQ(t.m_name, r.text);
    }
}

CDeviceLink make_link(Point start, Point end) {
    CDeviceLink l;
    l.m_start = start;
    l.m_end = end;
    return l;
}

TEST(ModelDeviceGeometry, LinkBounds) {
    CDeviceLink labelled = make_link({100, 50}, {200, 50});
    labelled.m_labelSize = {40, 12};
    EXPECT_EQ(labelled.GetBoundRect(), Rect(96, 37, 204, 54));

    CDeviceLink backwards = make_link({200, 90}, {100, 50});
    backwards.HideLabel();
    EXPECT_EQ(backwards.GetBoundRect(), Rect(96, 46, 204, 94));

    // A shown label with no size adds nothing.
    const CDeviceLink plain = make_link({10, 10}, {10, 10});
    EXPECT_EQ(plain.GetBoundRect(), Rect(6, 6, 14, 14));
}

TEST(ModelDeviceGeometry, LinkInRectLeavesRightAndBottomEdgesOut) {
    const CDeviceLink l = make_link({10, 10}, {50, 30});
    EXPECT_TRUE(l.IsInRect({10, 10, 51, 31}));
    EXPECT_FALSE(l.IsInRect({10, 10, 50, 31})) << "end on the right edge";
    EXPECT_FALSE(l.IsInRect({10, 10, 51, 30})) << "end on the bottom edge";
    EXPECT_FALSE(l.IsInRect({11, 10, 51, 31})) << "start left of the rectangle";
}

TEST(ModelDeviceGeometry, LinkLabelHidesOnce) {
    CDeviceLink l;
    EXPECT_EQ(l.m_label, "Send 16");
    l.m_labelSize = {40, 12};
    l.HideLabel();
    EXPECT_EQ(l.m_labelShown, 0);
    EXPECT_EQ(l.m_label, "");
    EXPECT_EQ(l.m_labelSize, model::Size(0, 0));
    // Hidden already: whatever is set since stays.
    l.m_label = "kept";
    l.m_labelSize = {5, 6};
    l.HideLabel();
    EXPECT_EQ(l.m_label, "kept");
    EXPECT_EQ(l.m_labelSize, model::Size(5, 6));
}

TEST(ModelDeviceGeometry, LinkPickRegion) {
    const CDeviceLink l = make_link({100, 50}, {200, 50});
    struct row_t {
        const char* catches;
        int x, y;
        bool hit;
    } rows[] = {
        {"on the line", 150, 50, true},
        {"two above", 150, 48, true},
        {"three above is the band's edge", 150, 47, true},
        {"four above", 150, 46, false},
        {"three below is outside (bottom edge)", 150, 53, false},
        {"left of the start", 99, 50, false},
        {"last pixel before the end", 199, 50, true},
        {"the end itself is the right edge", 200, 50, false},
    };
    for (const row_t& r : rows)
        EXPECT_EQ(l.HitTest(r.x, r.y), r.hit) << r.catches;

    // Along a vertical link the second polygon makes the band.
    const CDeviceLink v = make_link({100, 50}, {100, 150});
    EXPECT_TRUE(v.HitTest(101, 100));
    EXPECT_TRUE(v.HitTest(97, 100));
    EXPECT_FALSE(v.HitTest(96, 100));
    EXPECT_FALSE(v.HitTest(103, 100)) << "right edge of the band";
    EXPECT_FALSE(v.HitTest(100, 150)) << "bottom edge at the end";
}

TEST(ModelDeviceGeometry, LinkPickRegionInDeviceCoordinates) {
    const CDeviceLink l = make_link({100, 50}, {200, 50});
    model::DeviceMapping dc;
    dc.SetMapMode(platform::gdi::MM_ANISOTROPIC);
    dc.SetWindowExt({1, 1});
    dc.SetViewportExt({2, 2});
    dc.SetViewportOrg({-20, 0});
    // The line lies at device y 100 from x 180 to 380.
    EXPECT_TRUE(l.HitTestDP(300, 100, dc, 3));
    EXPECT_TRUE(l.HitTestDP(300, 97, dc, 3));
    EXPECT_FALSE(l.HitTestDP(300, 96, dc, 3));
    EXPECT_TRUE(l.HitTestDP(300, 95, dc, 5));
    EXPECT_FALSE(l.HitTestDP(150, 50, dc, 3)) << "logical coordinates are not device ones";
    EXPECT_FALSE(l.HitTestDP(300, 100, dc, 0)) << "a half width of 0 never hits";
    EXPECT_FALSE(l.HitTestDP(300, 100, dc, -2));
}

TEST(ModelDeviceGeometry, BeginAtChannel) {
    struct row_t {
        const char* catches;
        int chnl_kind;
        const char* name;
        int link_kind_before, link_kind, returned;
    } rows[] = {
        {"a physical channel makes a physical link", 0, "In 1", 1, 0, 0},
        {"a named network channel", 1, "Send 1", 0, 1, 1},
        {"an unnamed network channel answers 0", 1, "", 0, 1, 0},
        {"a channel of another kind leaves the link's kind", 7, "x", 1, 1, 1},
        {"... and answers its own kind for a physical link", 7, "x", 0, 0, 7},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.catches);
        const CDeviceChnl c(r.name, 0, 1, 1, {10, 20, 21, 31}, 0, r.chnl_kind, 0);
        CDeviceLink l;
        l.m_kind = r.link_kind_before;
        EXPECT_EQ(l.BeginAtChnl(c), r.returned);
        EXPECT_EQ(l.m_kind, r.link_kind);
        EXPECT_EQ(l.m_start, Point(15, 25)) << "centre, halves truncated";
        EXPECT_EQ(l.m_end, Point(15, 25));
    }
}

TEST(ModelDeviceGeometry, HitTestPrefersTitleThenChannelThenBody) {
    device_test::TempHome home;
    model::CDeviceNy unit(kOnePerChar, 100, 100, 1, 9, 1); // body (100,100,190,156)
    unit.m_title = {100, 80, 190, 120}; // overlaps the first input (101,116,111,126)
    model::DeviceMapping dc;
    dc.SetMapMode(platform::gdi::MM_ANISOTROPIC);
    dc.SetWindowExt({1, 1});
    dc.SetViewportExt({2, 2}); // device = 2 x logical
    struct row_t {
        const char* catches;
        Point device_point;
        int hit;
    } rows[] = {
        {"title over a channel", {204, 234}, model::kHitTitle},
        {"channel below the title", {204, 242}, 0},
        {"output channel", {360, 244}, 2},
        {"body", {300, 300}, model::kHitBody},
        {"right edge of the body is outside", {380, 300}, model::kHitNothing},
        {"bottom edge of the body is outside", {300, 312}, model::kHitNothing},
        {"logical point is not a device point", {150, 130}, model::kHitNothing},
    };
    for (const row_t& r : rows)
        EXPECT_EQ(unit.HitTest(r.device_point, dc), r.hit) << r.catches;
}

TEST(ModelDeviceGeometry, ChannelAndLinkLookupsStayInRange) {
    device_test::TempHome home;
    const model::CDeviceNy unit(kOnePerChar, 0, 40, 1, 9, 1);
    EXPECT_EQ(unit.GetChnl(-1), nullptr);
    EXPECT_EQ(unit.GetChnl(unit.GetChnlCount()), nullptr);
    EXPECT_NE(unit.GetChnl(unit.GetChnlCount() - 1), nullptr);

    CDeviceChnl c("In 1", 0, 1, 1, {0, 0, 10, 10}, 0, 0, 0);
    CDeviceLink l;
    l.m_id = 4;
    c.AddLinkCopy(l);
    EXPECT_EQ(c.GetLink(-1), nullptr);
    EXPECT_EQ(c.GetLink(1), nullptr);
    ASSERT_NE(c.GetLink(0), nullptr);
    EXPECT_NE(c.GetLink(0), &l) << "the channel holds its own copy";
}

TEST(ModelDeviceGeometry, RemovingLinkCopies) {
    CDeviceChnl c("In 1", 0, 1, 1, {0, 0, 10, 10}, 0, 0, 0);
    EXPECT_EQ(c.m_connected, 0);
    for (int id : {3, 5, 3}) {
        CDeviceLink l;
        l.m_id = id;
        c.AddLinkCopy(l);
    }
    EXPECT_EQ(c.GetLinkCount(), 2) << "a second copy with a held id is not added";
    EXPECT_EQ(c.m_connected, 1);

    c.RemoveLink(9);
    EXPECT_EQ(c.GetLinkCount(), 2) << "an id not held changes nothing";
    EXPECT_EQ(c.m_connected, 1);
    c.RemoveLink(3);
    EXPECT_EQ(c.GetLinkCount(), 1);
    EXPECT_EQ(c.m_connected, 1) << "still one copy";
    c.RemoveLink(5);
    EXPECT_EQ(c.GetLinkCount(), 0);
    EXPECT_EQ(c.m_connected, 0);
}

} // namespace
