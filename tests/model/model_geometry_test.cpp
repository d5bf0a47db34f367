// Geometry of the sheet object bases: channel lookup, hit tests, bound
// rectangles, moving and copying, the construction rules of the DSP module
// types, and their colours from the program's ini file.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <memory>
#include <string>

#include "model/base_ari_module.h"
#include "model/base_device.h"
#include "model/base_link.h"
#include "model/dsp_chnl.h"
#include "platform/app_paths/app_paths.h"
#include "model_fixtures.h"

namespace {

using model::CBaseAriModule;
using model::CBaseChnl;
using model::CBaseDevice;
using model::CBaseLink;
using model::CDSPChnl;
using model::Point;
using model::Rect;
using model::Size;
using model_test::make_delay_module;
using model_test::TestAriModule;

std::unique_ptr<CBaseChnl> channel_at(const Rect& r, std::int32_t direction = 0) {
    auto c = std::make_unique<CBaseChnl>();
    c->m_rect = r;
    c->m_direction = direction;
    return c;
}

// A unit-like device: body (300, 120, 340, 160), title (300, 100, 340, 115),
// one input (301, 136, 311, 146) and one output (329, 136, 339, 146).
std::unique_ptr<CBaseDevice> make_device(std::int32_t kind = model::kDeviceUnit) {
    auto d = std::make_unique<CBaseDevice>();
    d->m_kind = kind;
    d->m_id = 11;
    d->m_body = {300, 120, 340, 160};
    d->m_title = {300, 100, 340, 115};
    d->m_inputCount = d->m_outputCount = 1;
    d->m_channels.push_back(channel_at({301, 136, 311, 146}, 0));
    d->m_channels.push_back(channel_at({329, 136, 339, 146}, 1));
    return d;
}

TEST(ModelGetChnl, IndicesOutsideTheArrayGiveNull) {
    const auto m = make_delay_module();
    EXPECT_EQ(m->GetChnl(-1), nullptr);
    EXPECT_EQ(m->GetChnl(INT_MIN), nullptr);
    EXPECT_EQ(m->GetChnl(2), nullptr) << "the count itself is one past the end";
    EXPECT_EQ(m->GetChnl(INT_MAX), nullptr);
    ASSERT_NE(m->GetChnl(0), nullptr);
    ASSERT_NE(m->GetChnl(1), nullptr);
    EXPECT_EQ(m->GetChnl(1)->m_name, "Out");
    const CBaseDevice empty;
    EXPECT_EQ(empty.GetChnl(0), nullptr);
}

TEST(ModelHitTest, DspModuleChannelsBeforeBodyAndEdgesOutside) {
    const auto m = make_delay_module(); // body (100, 50, 200, 100)
    struct row_t {
        const char* catches;
        Point p;
        int expected;
    } rows[] = {
        {"input dot inside the body answers the channel", {104, 82}, 0},
        {"last pixel of the input dot", {111, 89}, 0},
        {"dot's right edge belongs to the body", {112, 85}, model::kAriHitBody},
        {"dot's bottom edge belongs to the body", {108, 90}, model::kAriHitBody},
        {"output dot", {195, 82}, 1},
        {"body's top-left corner", {100, 50}, model::kAriHitBody},
        {"body's last pixel", {199, 99}, model::kAriHitBody},
        {"body's right edge", {200, 60}, model::kAriHitNothing},
        {"body's bottom edge", {150, 100}, model::kAriHitNothing},
        {"above the body", {150, 49}, model::kAriHitNothing},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(m->HitTest(row.p), row.expected) << row.catches;
}

TEST(ModelHitTest, DeviceTitleBeforeChannelsBeforeBodyInDeviceCoordinates) {
    auto d = make_device();
    // A title box overlapping the input, to show which one wins.
    d->m_title = {295, 130, 305, 140};
    model::DeviceMapping text;
    model::DeviceMapping zoom; // 200 % scrolled by (50, 20): device = 2 * logical - (50, 20)
    zoom.SetMapMode(platform::gdi::MM_ANISOTROPIC);
    zoom.SetWindowExt({4, 4});
    zoom.SetViewportExt({8, 8});
    zoom.SetViewportOrg({-50, -20});
    struct row_t {
        const char* catches;
        const model::DeviceMapping* dc;
        Point p;
        int expected;
    } rows[] = {
        {"title over a channel", &text, {302, 137}, model::kHitTitle},
        {"channel outside the title", {&text}, {306, 137}, 0},
        {"title's right edge falls to the channel", &text, {305, 137}, 0},
        {"output channel", &text, {338, 145}, 1},
        {"channel's bottom edge falls to the body", &text, {335, 146}, model::kHitBody},
        {"body", &text, {320, 125}, model::kHitBody},
        {"body's right edge", &text, {340, 125}, model::kHitNothing},
        {"body's bottom edge", &text, {320, 160}, model::kHitNothing},
        {"nothing", &text, {0, 0}, model::kHitNothing},
        {"zoomed: the point is in device pixels", &zoom, {2 * 306 - 50, 2 * 137 - 20}, 0},
        {"zoomed: the logical point means nothing", &zoom, {306, 137}, model::kHitNothing},
        {"zoomed: the body's last pixel",
         &zoom,
         {2 * 340 - 50 - 1, 2 * 160 - 20 - 1},
         model::kHitBody},
        {"zoomed: the body's right edge", &zoom, {2 * 340 - 50, 2 * 150 - 20}, model::kHitNothing},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(d->HitTest(row.p, *row.dc), row.expected) << row.catches;
}

TEST(ModelHitTest, LinkPickRegion) {
    // Straight: the band spans x 115 .. 285 and y 97 .. 103 (right and bottom
    // edges outside); the slanted region is flat and adds nothing.
    const CBaseLink straight(1, {300, 100}, {100, 100}, 2, 0, 1, 1);
    // Shallow: at x 200 the band lies between y 147 and 153.
    const CBaseLink shallow(2, {300, 200}, {100, 100}, 2, 0, 1, 1);
    // Steep: at y 150 the slanted region covers x 198 .. 203 while the band
    // starts below y 151 at x 202, so the slanted region alone takes the
    // point (202, 150).
    const CBaseLink steep(3, {300, 300}, {100, 0}, 2, 0, 1, 1);
    struct row_t {
        const char* catches;
        const CBaseLink* link;
        Point p;
        bool hit;
    } rows[] = {
        {"on the line", &straight, {200, 100}, true},
        {"band's top edge inside", &straight, {200, 97}, true},
        {"band's bottom edge outside", &straight, {200, 103}, false},
        {"band's left end inside", &straight, {115, 100}, true},
        {"left of the band", &straight, {114, 100}, false},
        {"band's right end outside", &straight, {285, 100}, false},
        {"the last 15 pixels before the input are free", &straight, {295, 100}, false},
        {"shallow band around the line", &shallow, {200, 150}, true},
        {"above the shallow band", &shallow, {200, 146}, false},
        {"steep band around the line", &steep, {200, 150}, true},
        {"slanted region beside the band", &steep, {202, 150}, true},
        {"right of the slanted region", &steep, {204, 150}, false},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(row.link->HitTest(row.p.x, row.p.y), row.hit) << row.catches;
}

TEST(ModelDeviceGeometry, BoundRectanglesByKind) {
    struct row_t {
        const char* catches;
        std::int32_t kind;
        Rect title;
        Rect expected;
    } rows[] = {
        {"unit: both grown by 10", model::kDeviceUnit, {300, 100, 340, 115}, {290, 90, 350, 170}},
        {"external: both grown by 10",
         model::kDeviceExternal,
         {280, 100, 360, 115},
         {270, 90, 370, 170}},
        {"generic: title as it is",
         model::kDeviceGeneric,
         {280, 100, 360, 115},
         {280, 100, 360, 170}},
        {"matrix: title as it is",
         model::kDeviceMatrix,
         {300, 100, 340, 115},
         {290, 100, 350, 170}},
        {"text box: an empty title adds nothing",
         model::kDeviceText,
         {0, 0, 0, 0},
         {290, 110, 350, 170}},
    };
    for (const row_t& row : rows) {
        auto d = make_device(row.kind);
        d->m_title = row.title;
        EXPECT_EQ(d->GetBoundRect(), row.expected) << row.catches;
    }
    const auto d = make_device();
    EXPECT_EQ(d->GetTitleBoundRect(), (Rect{290, 90, 350, 125}));
    EXPECT_EQ(d->GetBodySize(), (Size{40, 40}));
    EXPECT_TRUE(d->IsBodyInRect({300, 120, 341, 161}));
    EXPECT_FALSE(d->IsBodyInRect({300, 120, 340, 161})) << "bottom-right on the right edge";
    EXPECT_FALSE(d->IsBodyInRect({301, 120, 400, 200})) << "top-left outside";
}

TEST(ModelDeviceGeometry, OffsetMovesBodyTitleAndEveryChannel) {
    auto d = make_device();
    d->m_channels.push_back(channel_at({0, 0, 10, 10})); // beyond the counts: moved too
    d->Offset(-5, 7);
    EXPECT_EQ(d->m_body, (Rect{295, 127, 335, 167}));
    EXPECT_EQ(d->m_title, (Rect{295, 107, 335, 122}));
    EXPECT_EQ(d->GetChnl(0)->m_rect, (Rect{296, 143, 306, 153}));
    EXPECT_EQ(d->GetChnl(2)->m_rect, (Rect{-5, 7, 5, 17}));
}

TEST(ModelDeviceGeometry, CopyFromMakesNewChannelsOfTheSameClass) {
    auto source = make_device(model::kDeviceGeneric);
    source->m_typeCode = 16;
    source->m_subType = 3;
    source->m_typeName = "GENERIC";
    source->m_name = "Desk";
    source->m_selected = 1;
    source->m_colours = {1, 2, 3, 4};
    source->m_mac = "00602b000001";
    source->m_ip = "10.0.0.9";
    source->m_flag = 1;
    source->m_channels[0]->m_name = "In 1";
    source->m_channels.push_back(std::make_unique<CDSPChnl>(2, 11, Rect{1, 2, 3, 4}, "x", 1));

    CBaseDevice copy;
    copy.m_channels.push_back(channel_at({9, 9, 9, 9}));
    copy.CopyFrom(*source);
    EXPECT_EQ(copy.m_id, 11);
    EXPECT_EQ(copy.m_typeCode, 16);
    EXPECT_EQ(copy.m_subType, 3);
    EXPECT_EQ(copy.m_typeName, "GENERIC");
    EXPECT_EQ(copy.m_name, "Desk");
    EXPECT_EQ(copy.m_inputCount, 1);
    EXPECT_EQ(copy.m_outputCount, 1);
    EXPECT_EQ(copy.m_body, source->m_body);
    EXPECT_EQ(copy.m_title, source->m_title);
    EXPECT_EQ(copy.m_selected, 1);
    EXPECT_EQ(copy.m_colours, source->m_colours);
    EXPECT_EQ(copy.m_kind, model::kDeviceGeneric);
    EXPECT_EQ(copy.m_mac, "00602b000001");
    EXPECT_EQ(copy.m_ip, "10.0.0.9");
    EXPECT_EQ(copy.m_flag, 1);
    ASSERT_EQ(copy.GetChnlCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(copy.GetChnl(i), source->GetChnl(i)) << "channels are new objects";
        EXPECT_EQ(&copy.GetChnl(i)->GetRuntimeClass(), &source->GetChnl(i)->GetRuntimeClass());
        EXPECT_EQ(copy.GetChnl(i)->m_rect, source->GetChnl(i)->m_rect);
    }
    EXPECT_EQ(copy.GetChnl(0)->m_name, "In 1");
    source.reset();
    EXPECT_EQ(copy.GetChnl(2)->m_name, "x") << "the copy outlives its source";

    copy.CopyFrom(copy);
    EXPECT_EQ(copy.GetChnlCount(), 3) << "copying onto itself changes nothing";
}

TEST(ModelAriGeometry, OffsetMovesBodyAndCountedChannelsNotTheTitle) {
    auto m = make_delay_module();
    m->m_title = {1, 1, 5, 5};
    m->Offset(10, -20);
    EXPECT_EQ(m->m_body, (Rect{110, 30, 210, 80}));
    EXPECT_EQ(m->GetChnl(0)->m_rect, (Rect{114, 62, 122, 70}));
    EXPECT_EQ(m->GetChnl(1)->m_rect, (Rect{198, 62, 206, 70}));
    EXPECT_EQ(m->m_title, (Rect{1, 1, 5, 5}));
    EXPECT_EQ(m->HitTest({114, 62}), 0) << "hit tests follow the move";
}

TEST(ModelAriGeometry, BodyAndChannelsOfEachModuleType) {
    struct row_t {
        const char* catches;
        std::int32_t type;
        model::AriLayout layout;
        std::int32_t bottom, right; // body relative to (x, y)
        const char* first_name;
        const char* last_name;
    } rows[] = {
        {"input: one plain output", model::kAriInput, {0, 1}, 50, 100, "Out", "Out"},
        {"output: one plain input", model::kAriOutput, {1, 0}, 50, 100, "In", "In"},
        {"delay", model::kAriDelay, {1, 1}, 50, 100, "In", "Out"},
        {"dynamics", model::kAriDynamic, {1, 1}, 50, 100, "In", "Out"},
        {"generator", model::kAriGenerator, {0, 1}, 50, 100, "Out", "Out"},
        {"router 4 x 4", model::kAriRouter, {4, 4, 100, 35}, 83, 100, "In 1", "Out 4"},
        {"router 16 x 16", model::kAriRouter, {16, 16, 100, 35}, 227, 100, "In 1", "Out 16"},
        {"mixer 4 x 1 numbers its lone output",
         model::kAriMixer,
         {4, 1, 100, 35, true},
         83,
         100,
         "In 1",
         "Out 1"},
        {"mixer 8 x 2", model::kAriMixer, {8, 2, 100, 35, true}, 131, 100, "In 1", "Out 2"},
        {"equalizer", model::kAriEqualizer, {1, 1}, 50, 100, "In", "Out"},
        {"crossover is 110 wide", model::kAriCrossover, {1, 4, 110}, 86, 110, "In", "Out 4"},
        {"one-channel meter", model::kAriMeter, {1, 0}, 50, 100, "In", "In"},
        {"eight-channel meter", model::kAriMeter, {8, 0}, 134, 100, "In 1", "In 8"},
        {"counts beyond 16 are cut",
         model::kAriMixer,
         {17, 20, 100, 35, true},
         227,
         100,
         "In 1",
         "Out 16"},
    };
    for (const row_t& row : rows) {
        const std::int32_t x = 40, y = 30;
        TestAriModule m(6, row.type, 1);
        m.BuildLayout(x, y, row.layout);
        const std::int32_t inputs = std::min(row.layout.inputs, 16);
        const std::int32_t outputs = std::min(row.layout.outputs, 16);
        EXPECT_EQ(m.m_inputCount, inputs) << row.catches;
        EXPECT_EQ(m.m_outputCount, outputs) << row.catches;
        EXPECT_EQ(m.m_body, (Rect{x, y, x + row.right, y + row.bottom})) << row.catches;
        ASSERT_EQ(m.GetChnlCount(), inputs + outputs) << row.catches;
        EXPECT_EQ(m.GetChnl(0)->m_name, row.first_name) << row.catches;
        EXPECT_EQ(m.GetChnl(inputs + outputs - 1)->m_name, row.last_name) << row.catches;
        for (std::int32_t n = 0; n < inputs + outputs; ++n) {
            const CBaseChnl& c = *m.GetChnl(n);
            const bool input = n < inputs;
            const std::int32_t k = input ? n : n - inputs;
            const Rect expected = input ? Rect{x + 4, y + 32 + 12 * k, x + 12, y + 40 + 12 * k}
                                        : Rect{x + row.right - 12, y + 32 + 12 * k,
                                               x + row.right - 4, y + 40 + 12 * k};
            EXPECT_EQ(c.m_rect, expected) << row.catches << ", channel " << n;
            EXPECT_TRUE(c.IsKindOf(CDSPChnl::class_record));
            EXPECT_EQ(c.m_number, n);
            EXPECT_EQ(c.m_direction, input ? 0 : 1);
            EXPECT_EQ(c.m_moduleId, 6);
            EXPECT_EQ(c.m_colour, CDSPChnl::kColour);
        }
    }
}

TEST(ModelAriTypes, TypeTableAndColourSections) {
    EXPECT_EQ(model::AriTypeName(0), "BASE");
    EXPECT_EQ(model::AriTypeName(6), "General");
    EXPECT_EQ(model::AriTypeName(13), "Meter");
    EXPECT_EQ(model::AriTypeName(14), "");
    EXPECT_EQ(model::AriTypeName(-1), "");
    EXPECT_EQ(model::AriColourSection(model::kAriDelay), "ARIDELAY");
    EXPECT_EQ(model::AriColourSection(model::kAriDynamic), "ARIDYNAMIC");
    EXPECT_EQ(model::AriColourSection(model::kAriCrossover), "ARICROSSOVER");
    EXPECT_EQ(model::AriColourSection(model::kAriText), "ARITEXT");
    EXPECT_EQ(model::AriColourSection(99), "");
}

TEST(ModelAriTypes, TypeColoursComeFromTheProgramIni) {
    const model_test::ScopedEnv home("OSTREL_HOME", model_test::fixture_path("home"));
    ASSERT_TRUE(std::filesystem::exists(platform::app_paths::ProgramIniPath()));
    struct row_t {
        const char* catches;
        std::int32_t type;
        model::COLORREF fallback, name_colour;
        model::COLORREF expected;
    } rows[] = {
        {"value from its section", model::kAriDelay, 0xC8C800, 0xFFFFFF, 0x0000FF},
        {"section and key names ignore case", model::kAriMixer, 0xB40000, 0xFFFFFF, 0x00FF00},
        {"missing key: the class's default", model::kAriRouter, 0x008200, 0xFFFFFF, 0x008200},
        {"missing section: the class's default", model::kAriMeter, 0x000080, 0xFFFFFF, 0x000080},
        {"a value without digits reads as 0", model::kAriEqualizer, 0xC0C0C0, 0xB40000, 0},
        {"a hexadecimal text reads its leading digits", model::kAriFilter, 0xC0C0C0, 0xB40000, 0},
        {"input and output keep black names", model::kAriInput, 0xC0C0C0, 0, 0x123456},
    };
    for (const row_t& row : rows) {
        TestAriModule m(1, row.type, 1);
        m.LoadTypeColours(row.fallback, row.name_colour);
        EXPECT_EQ(m.m_colours[CBaseAriModule::kTypeColour], row.expected) << row.catches;
        EXPECT_EQ(m.m_colours[CBaseAriModule::kTypeNameColour], row.name_colour) << row.catches;
        EXPECT_EQ(m.m_colours[CBaseAriModule::kBodyColour], 0xC8F0F0u) << row.catches;
        EXPECT_EQ(m.m_colours[CBaseAriModule::kDisplayNameColour], 0u) << row.catches;
    }

    const model_test::ScopedEnv nowhere("OSTREL_HOME", model_test::fixture_path("no-such-folder"));
    TestAriModule m(1, model::kAriDelay, 1);
    m.LoadTypeColours(0xC8C800, 0xFFFFFF);
    EXPECT_EQ(m.m_colours[CBaseAriModule::kTypeColour], 0xC8C800u) << "no ini file: the default";
}

} // namespace
