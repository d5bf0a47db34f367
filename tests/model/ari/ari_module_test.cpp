// What each DSP module class builds from its variant: channels, names,
// costs (the resource check adds them to the unit), colours and parameter
// defaults, the coefficients the filtering modules start with, and copies.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ari_test_support.h"
#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_dynamic.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_generator.h"
#include "model/ari_input.h"
#include "model/ari_meter.h"
#include "model/ari_mixer.h"
#include "model/ari_output.h"
#include "model/ari_router.h"
#include "model/ari_text.h"
#include "model/dsp_chnl.h"
#include "model_fixtures.h"

namespace {

using namespace model;
using ari_test::MakeModule;

struct DefaultsRow {
    std::int32_t type, variant;
    std::int32_t inputs, outputs;
    const char* typeName;
    const char* name;
    std::int32_t memory, time;
    std::int32_t width, height;
};

// clang-format off
const DefaultsRow kDefaults[] = {
    {kAriInput, 1, 0, 1, "Input", "", 92, 776, 100, 50},
    {kAriOutput, 1, 1, 0, "Output", "", 25, 687, 100, 50},
    {kAriDelay, 1, 1, 1, "Delay 5 ms", "Delay-1", 262, 128, 100, 50},
    {kAriDelay, 2, 1, 1, "Delay 10 ms", "Delay-1", 502, 128, 100, 50},
    {kAriDelay, 3, 1, 1, "Delay 20 ms", "Delay-1", 982, 128, 100, 50},
    {kAriDelay, 4, 1, 1, "Delay 50 ms", "Delay-1", 2422, 128, 100, 50},
    {kAriDelay, 5, 1, 1, "Delay 100 ms", "Delay-1", 4822, 128, 100, 50},
    {kAriRouter, 1, 4, 4, "Router 4 X 4", "Router-1", 169, 188, 100, 83},
    {kAriRouter, 2, 8, 8, "Router 8 X 8", "Router-1", 169, 356, 100, 131},
    {kAriRouter, 3, 16, 16, "Router 16 X 16", "Router-1", 169, 692, 100, 227},
    {kAriMixer, 1, 4, 1, "Mixer 4 X 1", "Mixer-1", 203, 480, 100, 83},
    {kAriMixer, 2, 4, 2, "Mixer 4 X 2", "Mixer-1", 203, 780, 100, 83},
    {kAriMixer, 3, 4, 4, "Mixer 4 X 4", "Mixer-1", 203, 1380, 100, 83},
    {kAriMixer, 4, 8, 1, "Mixer 8 X 1", "Mixer-1", 203, 816, 100, 131},
    {kAriMixer, 5, 8, 2, "Mixer 8 X 2", "Mixer-1", 203, 1284, 100, 131},
    {kAriMixer, 6, 8, 4, "Mixer 8 X 4", "Mixer-1", 203, 2220, 100, 131},
    {kAriMixer, 7, 8, 8, "Mixer 8 X 8", "Mixer-1", 203, 4092, 100, 131},
    {kAriMixer, 8, 16, 16, "Mixer 16 X 16", "Mixer-1", 203, 13548, 100, 227},
    {kAriDynamic, 1, 1, 1, "Leveler", "Dynamics-1", 196, 613, 100, 50},
    {kAriDynamic, 2, 1, 1, "Compressor", "Dynamics-1", 196, 613, 100, 50},
    {kAriDynamic, 3, 1, 1, "Limiter", "Dynamics-1", 196, 613, 100, 50},
    {kAriDynamic, 4, 1, 1, "Noise Gate", "Dynamics-1", 196, 405, 100, 50},
    {kAriDynamic, 5, 1, 1, "Expander", "Dynamics-1", 196, 613, 100, 50},
    {kAriDynamic, 6, 1, 1, "Clipper", "Dynamics-1", 196, 104, 100, 50},
    {kAriGenerator, 1, 0, 1, "Sine", "Generator-1", 32, 265, 100, 50},
    {kAriGenerator, 2, 0, 1, "White Noise", "Generator-1", 32, 234, 100, 50},
    {kAriGenerator, 3, 0, 1, "Pink Noise", "Generator-1", 32, 324, 100, 50},
    {kAriEqualizer, 1, 1, 1, "1-Band Parametric EQ", "Euqalizer-1", 87, 207, 100, 50},
    {kAriEqualizer, 3, 1, 1, "3-Band Parametric EQ", "Euqalizer-1", 103, 351, 100, 50},
    {kAriEqualizer, 5, 1, 1, "5-Band Parametric EQ", "Euqalizer-1", 119, 495, 100, 50},
    {kAriEqualizer, 7, 1, 1, "7-Band Parametric EQ", "Euqalizer-1", 135, 639, 100, 50},
    {kAriEqualizer, 10, 1, 1, "10-Band Parametric EQ", "Euqalizer-1", 159, 855, 100, 50},
    {kAriEqualizer, 16, 1, 1, "16-Band Parametric EQ", "Euqalizer-1", 207, 1287, 100, 50},
    {kAriEqualizer, 51, 1, 1, "1/3 Octave Graphic EQ", "Euqalizer-1", 327, 2367, 100, 50},
    {kAriEqualizer, 52, 1, 1, "2/3 Octave Graphic EQ", "Euqalizer-1", 199, 1215, 100, 50},
    {kAriEqualizer, 53, 1, 1, "1 Octave Graphic EQ", "Euqalizer-1", 159, 855, 100, 50},
    {kAriFilter, 1, 1, 1, "Low Pass Filter", "Filter-1", 111, 423, 100, 50},
    {kAriFilter, 2, 1, 1, "High Pass Filter", "Filter-1", 111, 423, 100, 50},
    {kAriFilter, 3, 1, 1, "Lowpass Shelving Filter", "Filter-1", 111, 423, 100, 50},
    {kAriFilter, 4, 1, 1, "Highpass Shelving Filter", "Filter-1", 111, 423, 100, 50},
    {kAriCrossover, 19, 1, 2, "2 Way Crossover", "Crossover -1", 95, 1162, 110, 62},
    {kAriCrossover, 20, 1, 3, "3 Way Crossover", "Crossover -1", 111, 2014, 110, 74},
    {kAriCrossover, 21, 1, 4, "4 Way Crossover", "Crossover -1", 127, 2866, 110, 86},
    {kAriMeter, 1, 1, 0, "RMS Meter", "Meter-1", 0, 0, 100, 50},
    {kAriMeter, 2, 2, 0, "RMS Meter", "Meter-1", 0, 0, 100, 62},
    {kAriMeter, 3, 4, 0, "RMS Meter", "Meter-1", 0, 0, 100, 86},
    {kAriMeter, 4, 8, 0, "RMS Meter", "Meter-1", 0, 0, 100, 134},
    {kAriText, 1, 0, 0, "Text", "Text-1", 0, 0, 100, 100},
    {kAriText, 77, 0, 0, "Text", "Text-1", 0, 0, 100, 100},
};
// clang-format on

TEST(ModelAriDefaults, ChannelsNamesCostsAndBodyPerTypeAndVariant) {
    EXPECT_EQ(std::size(kDefaults), ari_test::AllTypeVariants().size() + 1);
    for (const DefaultsRow& row : kDefaults) {
        SCOPED_TRACE(testing::Message() << "type " << row.type << " variant " << row.variant);
        const auto m = MakeModule(row.type, row.variant, 12, 30, 40);
        EXPECT_EQ(m->m_typeCode, row.type);
        EXPECT_EQ(m->m_subType, row.variant);
        EXPECT_EQ(m->m_id, 12);
        EXPECT_EQ(m->m_inputCount, row.inputs);
        EXPECT_EQ(m->m_outputCount, row.outputs);
        ASSERT_EQ(m->GetChnlCount(), row.inputs + row.outputs);
        EXPECT_EQ(m->m_typeName, row.typeName);
        EXPECT_EQ(m->m_name, row.name);
        EXPECT_EQ(m->m_displayName, row.name);
        EXPECT_EQ(m->m_memoryCost, row.memory);
        EXPECT_EQ(m->m_timeCost, row.time);
        EXPECT_EQ(m->m_body, (Rect{30, 40, 30 + row.width, 40 + row.height}));
        EXPECT_EQ(m->m_order, 0);
        EXPECT_EQ(m->m_group, 0);
        EXPECT_EQ(m->m_hidden, 0);
        for (int c = 0; c < m->GetChnlCount(); ++c) {
            const CBaseChnl* chnl = m->GetChnl(c);
            EXPECT_TRUE(chnl->IsKindOf(CDSPChnl::class_record));
            EXPECT_EQ(chnl->m_number, c);
            EXPECT_EQ(chnl->m_moduleId, 12);
            EXPECT_EQ(chnl->m_direction, c < row.inputs ? 0 : 1);
        }
    }
}

TEST(ModelAriDefaults, ChannelNames) {
    struct Row {
        std::int32_t type, variant;
        std::vector<std::string> names;
    } rows[] = {
        {kAriInput, 1, {"Out"}},
        {kAriOutput, 1, {"In"}},
        {kAriDelay, 1, {"In", "Out"}},
        {kAriDynamic, 4, {"In", "Out"}},
        {kAriGenerator, 2, {"Out"}},
        {kAriMeter, 1, {"In"}},
        {kAriMeter, 2, {"In 1", "In 2"}},
        {kAriMixer, 1, {"In 1", "In 2", "In 3", "In 4", "Out 1"}},
        {kAriRouter, 1, {"In 1", "In 2", "In 3", "In 4", "Out 1", "Out 2", "Out 3", "Out 4"}},
        {kAriEqualizer, 10, {"In", "Out"}},
        {kAriFilter, 3, {"In", "Out"}},
        {kAriCrossover, 19, {"In", "L", "H"}},
        {kAriCrossover, 20, {"In", "L", "M", "H"}},
        {kAriCrossover, 21, {"In", "L", "LM", "HM", "H"}},
    };
    for (const Row& row : rows) {
        const auto m = MakeModule(row.type, row.variant);
        std::vector<std::string> names;
        for (int c = 0; c < m->GetChnlCount(); ++c)
            names.push_back(m->GetChnl(c)->m_name);
        EXPECT_EQ(names, row.names) << "type " << row.type << " variant " << row.variant;
    }
}

TEST(ModelAriDefaults, VariantsOutsideTheListBuildNoChannels) {
    const std::pair<std::int32_t, std::int32_t> rows[] = {
        {kAriInput, 2},      {kAriOutput, 0},  {kAriDelay, 6},      {kAriRouter, 4},
        {kAriMixer, 9},      {kAriDynamic, 0}, {kAriGenerator, 4},  {kAriEqualizer, 2},
        {kAriEqualizer, 54}, {kAriFilter, 5},  {kAriCrossover, 18}, {kAriCrossover, 22},
        {kAriMeter, 5},
    };
    for (const auto& [type, variant] : rows) {
        const auto m = MakeModule(type, variant);
        EXPECT_EQ(m->GetChnlCount(), 0) << type << "/" << variant;
        EXPECT_EQ(m->m_inputCount + m->m_outputCount, 0) << type << "/" << variant;
        EXPECT_EQ(m->m_typeName, "") << type << "/" << variant;
    }
}

TEST(ModelAriDefaults, ColoursWithoutAnIniFile) {
    struct Row {
        std::int32_t type, variant;
        COLORREF body, typeColour, typeNameColour;
    } rows[] = {
        {kAriInput, 1, 0xC8F0F0, 0xC0C0C0, 0},
        {kAriOutput, 1, 0xC8F0F0, 0xC0C0C0, 0},
        {kAriDelay, 1, 0xC8F0F0, 0xC8C800, 0xFFFFFF},
        {kAriRouter, 1, 0xC8F0F0, 0x008200, 0xFFFFFF},
        {kAriMixer, 1, 0xC8F0F0, 0xB40000, 0xFFFFFF},
        {kAriDynamic, 1, 0xC8F0F0, 0x008080, 0xFFFFFF},
        {kAriGenerator, 1, 0xC8F0F0, 0x808000, 0xFFFFFF},
        {kAriEqualizer, 1, 0xC8F0F0, 0x0080FF, 0xB40000},
        {kAriFilter, 1, 0xC8F0F0, 0xFF80FF, 0xB40000},
        {kAriCrossover, 19, 0xC8F0F0, 0x8080FF, 0xB40000},
        {kAriMeter, 1, 0xC8F0F0, 0x000080, 0xFFFFFF},
        {kAriText, 1, 0xFFFFFF, 0, 0}, // background and text colour
    };
    for (const Row& row : rows) {
        const auto m = MakeModule(row.type, row.variant);
        SCOPED_TRACE(testing::Message() << "type " << row.type);
        EXPECT_EQ(m->m_colours[CBaseAriModule::kBodyColour], row.body);
        EXPECT_EQ(m->m_colours[CBaseAriModule::kTypeColour], row.typeColour);
        EXPECT_EQ(m->m_colours[CBaseAriModule::kTypeNameColour], row.typeNameColour);
        EXPECT_EQ(m->m_colours[CBaseAriModule::kDisplayNameColour], 0u);
    }
}

TEST(ModelAriDefaults, ColoursFromTheIniFile) {
    const model_test::ScopedEnv home("OSTREL_HOME", model_test::fixture_path("home"));
    const CAriText text(1, 1, 0, 0);
    EXPECT_EQ(text.m_colours[CBaseAriModule::kBodyColour], 12632256u);
    EXPECT_EQ(text.m_colours[CAriText::kTextColour], 255u);
    // Section and key names are matched without regard to case.
    EXPECT_EQ(CAriCrossover(2, 19, 0, 0).m_colours[CBaseAriModule::kTypeColour], 65280u);
    // The meter's section has no type colour: the default stays.
    EXPECT_EQ(CAriMeter(3, 1, 0, 0).m_colours[CBaseAriModule::kTypeColour], 0x000080u);
}

TEST(ModelAriDefaults, InputAndOutputModulesOfPhysicalChannelsAreLightGreen) {
    struct Row {
        const char* name;
        bool input;
        std::int32_t id, model;
        COLORREF body;
        const char* modelName;
    } rows[] = {
        {"input 7 of model 3 is physical", true, 7, 3, 0xA5FAA5, "QLA-206A"},
        {"input 6 of model 3 is a network channel", true, 6, 3, 0xC8F0F0, "QLA-206A"},
        {"inputs of model 2 are network channels", true, 8, 2, 0xC8F0F0, "QLA-8A"},
        {"every output of model 2 is physical", false, 9, 2, 0xA5FAA5, "QLA-8A"},
        {"output 10 of model 3 is a network channel", false, 10, 3, 0xC8F0F0, "QLA-206A"},
        {"output 11 of model 3 is physical", false, 11, 3, 0xA5FAA5, "QLA-206A"},
        {"outputs of model 1 are network channels", false, 12, 1, 0xC8F0F0, "QLA-1"},
        {"a model outside the table has no name", true, 1, 22, 0xC8F0F0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.input) {
            const CAriInput m(row.id, 1, 0, 0, row.model);
            EXPECT_EQ(m.m_colours[CBaseAriModule::kBodyColour], row.body);
            EXPECT_EQ(m.m_modelName, row.modelName);
        } else {
            const CAriOutput m(row.id, 1, 0, 0, row.model);
            EXPECT_EQ(m.m_colours[CBaseAriModule::kBodyColour], row.body);
            EXPECT_EQ(m.m_modelName, row.modelName);
        }
    }
    // The document moves a sheet to another unit model.
    CAriInput input(7, 1, 0, 0, 3);
    input.SetDeviceModel(21);
    EXPECT_EQ(input.m_modelName, "QLV-3300A");
    EXPECT_EQ(input.m_colours[CBaseAriModule::kBodyColour], 0xC8F0F0u);
}

TEST(ModelAriDefaults, SimpleModuleParameters) {
    const CAriInput input(3, 1, 0, 0, 3);
    EXPECT_EQ(input.m_mute, 0);
    EXPECT_EQ(input.m_invert, 0);
    EXPECT_EQ(input.m_level, 0.0);
    EXPECT_EQ(input.m_micGainIndex, 0);
    EXPECT_EQ(input.m_phantom, 0);
    EXPECT_EQ(input.m_micControls, 0);
    EXPECT_EQ(input.m_groupStart, 1);
    EXPECT_EQ(input.m_reserved2, 0);
    const CAriOutput output(11, 1, 0, 0, 3);
    EXPECT_EQ(output.m_groupStart, 1);
    EXPECT_EQ(output.m_level, 0.0);

    for (std::int32_t v = 1; v <= 5; ++v) {
        const CAriDelay delay(1, v, 0, 0);
        EXPECT_EQ(delay.m_maxDelay, CAriDelay::MaxDelayOf(v));
        EXPECT_EQ(delay.m_delay, delay.m_maxDelay);
        EXPECT_EQ(delay.m_bypass, 0);
    }
    EXPECT_EQ(CAriDelay(1, 5, 0, 0).m_delay, 100.0);

    const CAriRouter router(1, 2, 0, 0);
    EXPECT_EQ(router.m_routeCount, 8);
    for (std::size_t j = 0; j < 8; ++j)
        EXPECT_EQ(router.m_selectedInput[j], 1);

    const CAriMixer mixer(1, 8, 0, 0);
    EXPECT_EQ(mixer.m_mixInputs, 16);
    EXPECT_EQ(mixer.m_mixOutputs, 16);
    EXPECT_EQ(mixer.m_crossPoint[15][15], 0.0);

    for (std::int32_t v = 1; v <= 6; ++v) {
        const CAriDynamic dyn(1, v, 0, 0);
        EXPECT_EQ(dyn.m_attack, 1000.0);
        EXPECT_EQ(dyn.m_release, 2000.0);
        EXPECT_EQ(dyn.m_ratio, v == CAriDynamic::kExpander ? 0.25 : 4.0) << v;
        EXPECT_EQ(dyn.m_threshold, 0.0);
        EXPECT_EQ(dyn.m_levelerGain, 0.0);
        EXPECT_EQ(dyn.m_targetOrDepth, 0.0);
    }

    const CAriGenerator gen(1, 1, 0, 0);
    EXPECT_EQ(gen.m_mute, 0);
    EXPECT_EQ(gen.m_level, 0.0);
    EXPECT_EQ(gen.m_frequency, 1000.0);
    EXPECT_EQ(gen.m_sweepStart, 1000.0);
    EXPECT_EQ(gen.m_sweepStop, 1000.0);
    EXPECT_EQ(gen.m_stepWidthIndex, 0);
    EXPECT_EQ(gen.m_step, 100);
    EXPECT_EQ(gen.m_mode, 1);

    const CAriMeter meter(1, 4, 0, 0);
    EXPECT_EQ(meter.m_meterInputs, 8);
    for (const CAriMeter::PeakHold& p : meter.m_peakHold)
        EXPECT_EQ(p, (CAriMeter::PeakHold{100, 1, 0}));

    const CAriText text(1, 1, 0, 0);
    EXPECT_EQ(text.m_text, "Text");
    EXPECT_EQ(text.m_transparent, 1);
    EXPECT_EQ(text.m_font, platform::gdi::MakeFont("Arial", 15, 700));
}

TEST(ModelAriDefaults, EqualizerBandsAndTheirUnitySections) {
    const CAriEqualizer eq5(1, 5, 0, 0);
    ASSERT_EQ(eq5.m_bandCount, 5);
    const double five[] = {50.4, 160, 500, 1587.4, 5000};
    for (std::size_t b = 0; b < 5; ++b) {
        EXPECT_EQ(eq5.m_frequency[b], five[b]);
        EXPECT_EQ(eq5.m_bandwidth[b], 0.5);
    }

    const CAriEqualizer eq16(1, 16, 0, 0);
    EXPECT_EQ(eq16.m_frequency[15], 10558.69);

    struct Graphic {
        std::int32_t variant, bands;
        double first, last, bandwidth;
    } graphics[] = {
        {51, 31, 20.0, 20480.0, 0.3},
        {52, 15, 25.0, 25.0 * std::pow(2.0, 28.0 / 3.0), 0.6},
        {53, 10, 31.5, 16128.0, 1.0},
    };
    for (const Graphic& g : graphics) {
        const CAriEqualizer eq(1, g.variant, 0, 0);
        SCOPED_TRACE(g.variant);
        ASSERT_EQ(eq.m_bandCount, g.bands);
        EXPECT_EQ(eq.m_frequency[0], g.first);
        EXPECT_NEAR(eq.m_frequency[static_cast<std::size_t>(g.bands - 1)], g.last, 1e-9);
        EXPECT_EQ(eq.m_bandwidth[static_cast<std::size_t>(g.bands - 1)], g.bandwidth);
    }
    // After the 1-octave equalizer's last band: 20000, not a band.
    EXPECT_EQ(CAriEqualizer(1, 53, 0, 0).m_frequency[10], 20000.0);

    for (const std::int32_t v : {1, 3, 5, 7, 10, 16, 51, 52, 53}) {
        const CAriEqualizer eq(1, v, 0, 0);
        for (std::size_t b = 0; b < static_cast<std::size_t>(eq.m_bandCount); ++b) {
            EXPECT_EQ(eq.m_gain[b], 0.0);
            EXPECT_EQ(eq.m_bandFlag[b], 0);
            const BiquadCoeffs& s = eq.m_coeffs[b];
            EXPECT_EQ(s.b0, 1.0);
            EXPECT_EQ(s.b1, s.a1);
            EXPECT_EQ(s.b2, s.a2);
            EXPECT_EQ(s, PeakingSectionSinhBandwidth(eq.m_frequency[b], 0.0, eq.m_bandwidth[b]));
        }
    }
}

TEST(ModelAriDefaults, EqualizerRecomputesOneBand) {
    CAriEqualizer eq(1, 3, 0, 0);
    eq.m_gain[1] = 6.0;
    eq.m_bandwidth[1] = 1.0;
    const BiquadCoeffs untouched = eq.m_coeffs[0];
    eq.CalcBandCoeffs(1);
    EXPECT_EQ(eq.m_coeffs[1], PeakingSectionSinhBandwidth(500.0, 6.0, 1.0));
    EXPECT_EQ(eq.m_coeffs[0], untouched);
    eq.CalcBandCoeffs(31); // outside the bands: nothing
    eq.CalcBandCoeffs(-1);
}

TEST(ModelAriDefaults, FilterSectionsPerVariant) {
    const CAriFilter low(1, 1, 0, 0), high(1, 2, 0, 0), low_shelf(1, 3, 0, 0),
        high_shelf(1, 4, 0, 0);
    EXPECT_EQ(low.m_sections[0], (BiquadCoeffs{0.00391612666055, 0.00783225332109, 0.00391612666055,
                                               -1.81534108270457, 0.83100558934676}));
    EXPECT_EQ(high.m_sections[0],
              (BiquadCoeffs{0.91158666801283, -1.82317333602566, 0.91158666801283,
                            -1.81534108270457, 0.83100558934676}));
    EXPECT_EQ(low_shelf.m_sections[0], kPassThroughBiquad);
    EXPECT_EQ(high_shelf.m_sections[0], kPassThroughBiquad);
    EXPECT_EQ(low.m_frequency, 1000.0);
    EXPECT_EQ(high.m_frequency, 1000.0);
    EXPECT_EQ(low_shelf.m_frequency, 16000.0);
    EXPECT_EQ(high_shelf.m_frequency, 80.0);
    for (const CAriFilter* f : {&low, &high, &low_shelf, &high_shelf}) {
        EXPECT_EQ(f->m_bypass, 0);
        EXPECT_EQ(f->m_biquadCount, 1);
        EXPECT_EQ(f->m_filterType, 5);
        EXPECT_EQ(f->m_gain, 0.0);
        for (std::size_t s = 1; s < 4; ++s)
            EXPECT_EQ(f->m_sections[s], kPassThroughBiquad);
    }
}

TEST(ModelAriDefaults, FilterDesignsByItsVariant) {
    CAriFilter high(1, 2, 0, 0);
    ASSERT_TRUE(high.CalcCoeffs(11, 300.0, 6.0)); // BW 48: the gain is not used
    EXPECT_EQ(high.m_biquadCount, 4);
    std::array<BiquadCoeffs, 4> want;
    DesignSlopeFilter(11, 300.0, true, want);
    EXPECT_EQ(high.m_sections, want);
    EXPECT_EQ(high.m_filterType, 5); // the caller stores type and frequency
    EXPECT_EQ(high.m_frequency, 1000.0);
    EXPECT_FALSE(high.CalcCoeffs(12, 300.0, 0.0));
    EXPECT_EQ(high.m_sections, want);

    CAriFilter shelf(1, 3, 0, 0);
    shelf.m_sections[2] = {0.5, 0, 0, 0, 0};
    shelf.m_biquadCount = 3;
    ASSERT_TRUE(shelf.CalcCoeffs(0, 16000.0, -6.0));
    EXPECT_EQ(shelf.m_biquadCount, 1);
    EXPECT_EQ(shelf.m_sections[0], ShelvingSection(true, 16000.0, -6.0));
    EXPECT_EQ(shelf.m_sections[2], (BiquadCoeffs{0.5, 0, 0, 0, 0})); // not in use, left alone

    CAriFilter odd;
    odd.m_subType = 7;
    EXPECT_FALSE(odd.CalcCoeffs(5, 1000.0, 0.0));
}

TEST(ModelAriDefaults, CrossoverSectionsAtTheirSplits) {
    struct Row {
        std::int32_t variant;
        std::vector<double> splits;
    } rows[] = {{19, {1000}}, {20, {250, 2500}}, {21, {160, 800, 4000}}};
    for (const Row& row : rows) {
        const CAriCrossover xo(1, row.variant, 0, 0);
        SCOPED_TRACE(row.variant);
        ASSERT_EQ(xo.m_sectionCount, 2 * static_cast<std::int32_t>(row.splits.size()));
        EXPECT_EQ(xo.m_bands, static_cast<std::int32_t>(row.splits.size()) + 1);
        for (std::size_t p = 0; p < static_cast<std::size_t>(xo.m_sectionCount); ++p) {
            EXPECT_EQ(xo.m_frequency[p], row.splits[p / 2]);
            EXPECT_EQ(xo.m_biquadCount[p], 1);
            EXPECT_EQ(xo.m_filterType[p], 5);
            std::array<BiquadCoeffs, 4> want;
            DesignSlopeFilter(5, row.splits[p / 2], p % 2 == 1, want);
            EXPECT_EQ(xo.m_sections[p], want) << "position " << p;
        }
        for (std::size_t p = static_cast<std::size_t>(xo.m_sectionCount); p < 6; ++p)
            for (const BiquadCoeffs& s : xo.m_sections[p])
                EXPECT_EQ(s, kPassThroughBiquad);
        EXPECT_EQ(xo.m_inputMute, 0);
        EXPECT_EQ(xo.m_inputLevel, 0.0);
    }

    // The 2-way's pair is the filter module's low and high pass rows; the
    // 3-way and 4-way sections the worked values.
    const CAriCrossover two(1, 19, 0, 0), three(1, 20, 0, 0), four(1, 21, 0, 0);
    const auto near = [](double got, double want) {
        EXPECT_NEAR(got, want, 1e-12 * std::abs(want));
    };
    const BiquadCoeffs lp = CAriFilter::FirstSectionOf(1), hp = CAriFilter::FirstSectionOf(2);
    for (const auto& [got, want] :
         {std::pair{two.m_sections[0][0], lp}, {two.m_sections[1][0], hp}}) {
        near(got.b0, want.b0);
        near(got.b1, want.b1);
        near(got.b2, want.b2);
        near(got.a1, want.a1);
        near(got.a2, want.a2);
    }
    near(three.m_sections[0][0].b0, 0.00026165269506589);
    near(three.m_sections[0][0].a1, -1.95372794914078);
    near(four.m_sections[4][0].b0, 0.04948995626868);
    near(four.m_sections[4][0].a2, 0.47759225007252);
    near(four.m_sections[5][0].b0, 0.68930616876758);
    near(four.m_sections[5][0].b1, -1.37861233753516);
}

TEST(ModelAriDefaults, CrossoverDesignsOnePosition) {
    CAriCrossover xo(1, 21, 0, 0);
    const auto before = xo.m_sections;
    ASSERT_TRUE(xo.CalcSectionCoeffs(3, 3, 900.0)); // L-R 48, high-pass side
    EXPECT_EQ(xo.m_biquadCount[3], 4);
    std::array<BiquadCoeffs, 4> want;
    DesignSlopeFilter(3, 900.0, true, want);
    EXPECT_EQ(xo.m_sections[3], want);
    EXPECT_EQ(xo.m_frequency[3], 800.0);            // the caller stores it
    ASSERT_TRUE(xo.CalcSectionCoeffs(3, 4, 900.0)); // BW 6
    EXPECT_EQ(xo.m_biquadCount[3], 1);
    for (std::size_t s = 1; s < 4; ++s)
        EXPECT_EQ(xo.m_sections[3][s], kPassThroughBiquad);
    for (const int p : {-1, 6})
        EXPECT_FALSE(xo.CalcSectionCoeffs(p, 5, 1000.0));
    EXPECT_FALSE(xo.CalcSectionCoeffs(0, -1, 1000.0));
    EXPECT_EQ(xo.m_sections[0], before[0]);
}

TEST(ModelAriCopy, EveryClassCopiesEveryFieldAndItsOwnChannels) {
    for (const auto& [type, variant] : ari_test::AllTypeVariants()) {
        SCOPED_TRACE(testing::Message() << "type " << type << " variant " << variant);
        const auto m = MakeModule(type, variant, 9, 10, 20, 3);
        m->m_order = 7;
        m->m_group = 2;
        m->m_groupName = "Zone";
        m->m_selected = 1;
        if (m->GetChnlCount() > 0)
            m->GetChnl(0)->m_linkCount = 3;
        const auto copy = ari_test::CopyModule(*m);
        EXPECT_EQ(&copy->GetRuntimeClass(), &m->GetRuntimeClass());
        EXPECT_EQ(ari_test::StoreModule(*copy), ari_test::StoreModule(*m));
        EXPECT_EQ(copy->m_selected, 1);
        for (int c = 0; c < m->GetChnlCount(); ++c) {
            EXPECT_NE(copy->GetChnl(c), m->GetChnl(c));
            EXPECT_TRUE(copy->GetChnl(c)->IsKindOf(CDSPChnl::class_record));
        }
    }
}

TEST(ModelAriCopy, OwnFieldsAreCopied) {
    CAriMixer mixer(1, 8, 0, 0);
    mixer.CrossPoint(15, 3) = -7.5;
    mixer.m_columnMask[2] = 9;
    CAriMixer mixer_copy;
    mixer_copy.CopyFrom(mixer);
    EXPECT_EQ(mixer_copy.m_crossPoint[15][3], -7.5);
    EXPECT_EQ(mixer_copy.m_columnMask[2], 9);

    CAriText text(1, 1, 0, 0);
    text.m_text = "Zone\r\nA";
    text.m_font.lfItalic = 1;
    CAriText text_copy;
    text_copy.CopyFrom(text);
    EXPECT_EQ(text_copy.m_text, text.m_text);
    EXPECT_EQ(text_copy.m_font, text.m_font);

    CAriCrossover xo(1, 21, 0, 0);
    xo.CalcSectionCoeffs(5, 11, 5000.0);
    xo.m_outputInvert[3] = 1;
    CAriCrossover xo_copy;
    xo_copy.CopyFrom(xo);
    EXPECT_EQ(xo_copy.m_sections, xo.m_sections);
    EXPECT_EQ(xo_copy.m_biquadCount, xo.m_biquadCount);
    EXPECT_EQ(xo_copy.m_outputInvert[3], 1);

    // Copying a module onto itself changes nothing.
    const std::vector<std::uint8_t> before = ari_test::StoreModule(xo);
    xo.CopyFrom(xo);
    EXPECT_EQ(ari_test::StoreModule(xo), before);
}

} // namespace
