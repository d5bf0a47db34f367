// The device model table and what each device class builds from it: counts,
// bodies, forced sub-types, channel names and kinds, colours from Ostrel.ini,
// the monitored amplifier's construction values and the external equipment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_test_support.h"
#include "model/device_chnl.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "resources/string_table.h"

namespace {

using model::CDeviceChnl;
using model::CDeviceNy;
using model::Rect;
using platform::gdi::FixedWidthMeasurer;

using device_test::chnl;

TEST(ModelDeviceTable, ModelNamesAreTheTwentyTwoFixedRows) {
    EXPECT_EQ(model::g_szModelName.size(), 22u);
    EXPECT_EQ(model::ModelName(0), "BASE");
    EXPECT_EQ(model::ModelName(4), "QLM-0808A");
    EXPECT_EQ(model::ModelName(17), "TEXT");
    EXPECT_EQ(model::ModelName(19), "QLM-0202NM");
    EXPECT_EQ(model::ModelName(21), "QLV-3300A");
    // A file may carry any code; no row is read outside the table.
    EXPECT_EQ(model::ModelName(22), "");
    EXPECT_EQ(model::ModelName(-1), "");
    for (const auto& row : model::g_szModelName)
        EXPECT_EQ(row.text[model::kModelNameSize - 1], '\0');
}

TEST(ModelDeviceTable, UnitRows) {
    device_test::TempHome home; // no ini: the built-in colours
    FixedWidthMeasurer dc;
    struct row_t {
        const char* catches;
        int model, given_sub, sub, channels, width, height;
        model::COLORREF back;
    } rows[] = {
        {"model 1", 1, 3, 3, 8, 90, 128, 0xFFCC99},
        {"model 2", 2, 3, 3, 8, 90, 128, 0xFFFF99},
        {"model 3", 3, 3, 3, 8, 90, 128, 0xFF9900},
        {"model 4 input half", 4, 1, 1, 8, 90, 128, 0xD1B9FB},
        {"model 5 forced to sub-type 1", 5, 3, 1, 16, 100, 224, 0x84CEFF},
        {"model 6 forced to sub-type 2", 6, 1, 2, 16, 100, 224, 0xFF00FF},
        {"model 7 input half is the small one", 7, 1, 1, 4, 90, 80, 0x7F7FFF},
        {"model 7 output half is the big one", 7, 2, 2, 12, 100, 176, 0x7F7FFF},
        {"model 8 input half is the big one", 8, 1, 1, 12, 100, 176, 0xCCCC66},
        {"model 8 output half is the small one", 8, 2, 2, 4, 90, 80, 0xCCCC66},
        {"model 9", 9, 1, 1, 2, 90, 56, 0xD6F7FF},
        {"model 10", 10, 2, 2, 2, 90, 56, 0xFF97CB},
        {"model 19", 19, 1, 1, 2, 90, 56, 0x669999},
        {"model 20 forced to sub-type 2", 20, 3, 2, 2, 90, 56, 0xFF99CC},
        {"a code outside the table builds the default unit", 30, 3, 3, 8, 90, 128, 0xD1B9FB},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.catches);
        const CDeviceNy unit(dc, 200, 300, 7, r.model, r.given_sub);
        EXPECT_EQ(unit.m_kind, model::kDeviceUnit);
        EXPECT_EQ(unit.m_typeCode, r.model);
        EXPECT_EQ(unit.m_subType, r.sub);
        EXPECT_EQ(unit.m_inputCount, r.channels);
        EXPECT_EQ(unit.m_outputCount, r.channels);
        EXPECT_EQ(unit.GetChnlCount(), 2 * r.channels);
        EXPECT_EQ(unit.m_body, Rect(200, 300, 200 + r.width, 300 + r.height));
        EXPECT_EQ(unit.m_title.top, 280);
        EXPECT_EQ(unit.m_title.bottom, 295);
        EXPECT_EQ(unit.m_colours[0], r.back);
        EXPECT_EQ(unit.m_mac, "00602b");
        EXPECT_EQ(unit.m_ip, "0.0.0.0");
        EXPECT_EQ(unit.m_name, "Device7");
    }
}

TEST(ModelDeviceTable, UnitChannelsByModelAndSubType) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    struct row_t {
        const char* catches;
        int model, sub;
        std::vector<std::string> names;
        std::vector<int> kinds;
    } rows[] = {
        {"model 3: inputs 7 and 8 and outputs 3 to 8 are physical",
         3,
         3,
         {"Rece 1", "Rece 2", "Rece 3", "Rece 4", "Rece 5", "Rece 6", "Rece 7", "Rece 8", "Send 1",
          "Send 2", "Send 3", "Send 4", "Send 5", "Send 6", "Send 7", "Send 8"},
         {1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0}},
        {"model 1: all network", 1, 3, {}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"model 2: network in, physical out",
         2,
         3,
         {},
         {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"input half: physical in, network send",
         9,
         1,
         {"In 1", "In 2", "Send 1", "Send 2"},
         {0, 0, 1, 1}},
        {"output half: network receive, physical out",
         9,
         2,
         {"Rece 1", "Rece 2", "Out 1", "Out 2"},
         {1, 1, 0, 0}},
        {"sub-type 0 has no names", 9, 0, {"", "", "", ""}, {0, 0, 0, 0}},
        {"an unknown sub-type is marked",
         9,
         6,
         {"!!ERROR!!", "!!ERROR!!", "!!ERROR!!", "!!ERROR!!"},
         {0, 0, 0, 0}},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.catches);
        const CDeviceNy unit(dc, 100, 50, 4, r.model, r.sub);
        ASSERT_EQ(unit.GetChnlCount(), static_cast<int>(r.kinds.size()));
        const int inputs = unit.m_inputCount;
        for (int i = 0; i < unit.GetChnlCount(); ++i) {
            const CDeviceChnl& c = chnl(unit, i);
            if (!r.names.empty()) {
                EXPECT_EQ(c.m_name, r.names[static_cast<std::size_t>(i)]) << i;
            }
            EXPECT_EQ(c.m_kind, r.kinds[static_cast<std::size_t>(i)]) << i;
            const bool input = i < inputs;
            EXPECT_EQ(c.m_direction, input ? 0 : 1);
            EXPECT_EQ(c.m_number, i);
            EXPECT_EQ(c.m_moduleId, 4);
            EXPECT_EQ(c.m_deviceSubType, unit.m_subType);
            EXPECT_EQ(c.m_networkSend, !input && c.m_kind == model::kChnlNetwork ? 1 : 0) << i;
            EXPECT_EQ(c.m_property, 0);
            EXPECT_EQ(c.m_colour, model::kDeviceChnlColour);
            const int row = input ? i : i - inputs;
            const Rect expected = input ? Rect{101, 66 + 12 * row, 111, 76 + 12 * row}
                                        : Rect{unit.m_body.right - 11, 66 + 12 * row,
                                               unit.m_body.right - 1, 76 + 12 * row};
            EXPECT_EQ(c.m_rect, expected) << i;
        }
    }
}

TEST(ModelDeviceTable, ColoursComeFromTheIniByModelName) {
    device_test::TempHome home;
    home.WriteIni("[ColorScheme]\n"
                  "QLM-0808ABack=255\nQLM-0808AFore=1\nQLM-0808ATitle=3\nQLM-0808AOther=2\n"
                  "GENERICBack=7\nTEXTTransparent=1\nTEXTFore=16711680\n"
                  "[TextDeviceFont]\nHeight=20\nWeight=700\nItalic=257\nFaceName=Courier New\n");
    FixedWidthMeasurer dc;
    const CDeviceNy unit(dc, 0, 40, 1, 4, 1);
    EXPECT_EQ(unit.m_colours, (std::array<model::COLORREF, 4>{255, 1, 2, 3}));
    // Another model keeps its built-in colour.
    const CDeviceNy other(dc, 0, 40, 2, 9, 1);
    EXPECT_EQ(other.m_colours[0], 0xD6F7FFu);

    const model::CDeviceGeneric generic(dc, 0, 40, 3, "G", model::kModelGeneric, 1, 1);
    EXPECT_EQ(generic.m_colours[0], 7u);

    const model::CDeviceText text(dc, 0, 40, 4, "T", model::kModelText, 0);
    EXPECT_EQ(text.m_transparent, 1);
    EXPECT_EQ(text.m_colours[1], 0xFF0000u);
    EXPECT_EQ(text.m_font.lfHeight, 20);
    EXPECT_EQ(text.m_font.lfWeight, 700);
    EXPECT_EQ(text.m_font.lfItalic, 1) << "a byte field keeps the low byte of 257";
    EXPECT_EQ(text.m_font.lfCharSet, 1);
    EXPECT_EQ(text.m_font.lfPitchAndFamily, 32);
    EXPECT_EQ(text.m_font.lfFaceName, "Courier New");
}

TEST(ModelDeviceTable, TextBoxWithoutIniUsesTheBuiltInFont) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    const model::CDeviceText text(dc, 10, 20, 4, "T", model::kModelText, 0);
    EXPECT_EQ(text.m_transparent, 0);
    EXPECT_EQ(text.m_font, model::CDeviceText::DefaultFont());
    EXPECT_EQ(text.m_colours[0], 0xB4B4B4u);
    EXPECT_EQ(text.m_kind, model::kDeviceText);
    EXPECT_EQ(text.m_typeCode, model::kModelText);
    EXPECT_EQ(text.GetChnlCount(), 0);
    EXPECT_TRUE(text.m_title.IsRectNull());
}

TEST(ModelDeviceTable, MonitoredAmplifierConstructionValues) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    const model::CDeviceQOVG amp(dc, 100, 100, 5, model::kModelQOVG, 2);
    EXPECT_EQ(amp.m_typeCode, 21);
    EXPECT_EQ(amp.m_subType, 2);
    EXPECT_EQ(amp.m_body, Rect(100, 100, 190, 156));
    EXPECT_EQ(amp.m_colours[0], 0x00C896u);
    ASSERT_EQ(amp.GetChnlCount(), 4);
    EXPECT_EQ(chnl(amp, 0).m_name, "Rece 1");
    EXPECT_EQ(chnl(amp, 3).m_name, "Out 2");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(chnl(amp, i).m_property, 4) << "drawn white while free";
    EXPECT_EQ(amp.m_digitalInputNames[3], "In4");
    EXPECT_EQ(amp.m_digitalOutputNames[0], "Out1");
    EXPECT_EQ(amp.m_analogNames[4], "In5");
    EXPECT_EQ(amp.m_analogNames[5], "电流");
    EXPECT_EQ(amp.m_analogNames[6], "电压");
    EXPECT_EQ(amp.m_analogNames[7], "温度");
    EXPECT_EQ(amp.m_alarmLower, (std::array<std::int32_t, 8>{341, 341, 341, 341, 341, 0, 0, 0}));
    EXPECT_EQ(amp.m_alarmUpper,
              (std::array<std::int32_t, 8>{682, 682, 682, 682, 682, 1023, 920, 767}));
    EXPECT_EQ(amp.m_digitalInputWord1, (std::array<std::int32_t, 4>{1, 0, 1, 0}));
    // No reading has been taken: unknown, as after a load.
    EXPECT_EQ(amp.m_analogSamples, (std::array<std::int32_t, 8>{-1, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(amp.m_digitalOutputLevels, (std::array<std::int32_t, 4>{-1, -1, -1, -1}));
    EXPECT_EQ(amp.m_leftGain, 0.0f);
    EXPECT_EQ(amp.m_rightGain, 0.0f);

    // A sub-type the amplifier does not know names its channels as errors.
    const model::CDeviceQOVG odd(dc, 100, 100, 5, model::kModelQOVG, 3);
    EXPECT_EQ(chnl(odd, 0).m_name, "!!ERROR!!");
}

TEST(ModelDeviceTable, ExternalEquipmentRows) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    struct row_t {
        const char* catches;
        int model, inputs, outputs, icon;
        std::vector<std::string> names;
        std::vector<Rect> squares; // with the body at (0, 100)
        const char* caption;
    } rows[] = {
        {"PC",
         11,
         0,
         2,
         250,
         {"PC-Out1", "PC-Out2"},
         {{51, 115, 61, 125}, {51, 130, 61, 140}},
         "PC"},
        {"CD",
         12,
         0,
         2,
         251,
         {"CD-Out1", "CD-Out2"},
         {{51, 115, 61, 125}, {51, 130, 61, 140}},
         "CD"},
        {"microphone", 13, 0, 1, 252, {"MP-Out"}, {{51, 125, 61, 135}}, "Microphone"},
        {"speaker", 14, 1, 0, 253, {"Speaker-In"}, {{1, 125, 11, 135}}, "Speaker"},
        {"amplifier",
         15,
         1,
         1,
         254,
         {"Amplifier-In", "Amplifier-Out"},
         {{1, 125, 11, 135}, {51, 125, 61, 135}},
         "Amplifier"},
        {"any other code is built as a microphone",
         40,
         0,
         1,
         252,
         {"MP-Out"},
         {{51, 125, 61, 135}},
         "External"},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.catches);
        const model::CDeviceExternal e(dc, 0, 100, 9, r.model, 5);
        EXPECT_EQ(e.m_kind, model::kDeviceExternal);
        EXPECT_EQ(e.m_typeCode, r.model);
        EXPECT_EQ(e.m_subType, 0);
        EXPECT_EQ(e.m_iconId, r.icon);
        EXPECT_EQ(e.m_inputCount, r.inputs);
        EXPECT_EQ(e.m_outputCount, r.outputs);
        EXPECT_EQ(e.m_body, Rect(0, 100, 62, 162));
        EXPECT_EQ(e.m_colours[0], 0xB4B4B4u);
        EXPECT_EQ(e.m_mac, "");
        EXPECT_EQ(e.m_ip, "");
        EXPECT_EQ(e.Caption(), r.caption);
        ASSERT_EQ(e.GetChnlCount(), static_cast<int>(r.names.size()));
        for (int i = 0; i < e.GetChnlCount(); ++i) {
            const CDeviceChnl& c = chnl(e, i);
            EXPECT_EQ(c.m_name, r.names[static_cast<std::size_t>(i)]);
            EXPECT_EQ(c.m_rect, r.squares[static_cast<std::size_t>(i)]);
            EXPECT_EQ(c.m_direction, i < r.inputs ? 0 : 1);
            EXPECT_EQ(c.m_kind, model::kChnlPhysical);
            EXPECT_EQ(c.m_property, 4);
        }
    }
}

TEST(ModelDeviceTable, MatrixIsNamedByIdAndHasNetworkChannels) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    const model::CDeviceMatrix m(dc, 0, 100, 12, "Matrix 4 x 4", model::kModelMatrix, 4, 4);
    EXPECT_EQ(m.m_name, "Device12");
    EXPECT_EQ(m.m_kind, model::kDeviceMatrix);
    EXPECT_EQ(m.m_typeCode, model::kModelMatrix);
    EXPECT_EQ(m.m_colours[0], 0x509600u);
    ASSERT_EQ(m.GetChnlCount(), 8);
    EXPECT_EQ(chnl(m, 0).m_name, "Rece 1");
    EXPECT_EQ(chnl(m, 7).m_name, "Send 4");
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(chnl(m, i).m_kind, model::kChnlNetwork);
        EXPECT_EQ(chnl(m, i).m_networkSend, 0);
    }
    for (const auto& row : m.m_routes)
        EXPECT_EQ(row, (std::array<std::int32_t, 4>{1, 0, 0, 0}));
}

TEST(ModelDeviceTable, StringTableHoldsTheModelsTexts) {
    EXPECT_EQ(resources::LoadString(157), "非预期的文件格式！");
    EXPECT_EQ(resources::LoadString(158), "    异常 %d：复制%s设备不正确！");
    EXPECT_EQ(resources::LoadString(443), "温度");
    EXPECT_EQ(resources::LoadString(9999), "");
    EXPECT_EQ(model::FormatMessage(222, 104, "UPDATE"),
              "    异常 104：撤销操作时不正确的设备类型 'UPDATE' 历史纪录！");
}

} // namespace
