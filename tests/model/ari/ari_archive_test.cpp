// Archive forms of the DSP modules: hand-written golden streams (also read
// by the independent reader, check_ari_goldens.py), a round trip of every
// type and variant, the schemas a loader meets, and the stored counts a
// loader refuses before they index its arrays.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ari_test_support.h"
#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_input.h"
#include "model/ari_meter.h"
#include "model/ari_mixer.h"
#include "model/ari_router.h"
#include "model/ari_text.h"
#include "model_fixtures.h"
#include "platform/archive/archive.h"

namespace {

namespace pa = platform::archive;
using namespace model;
using ari_test::LoadModule;
using ari_test::StoreModule;
using model_test::load_fixture;

template <class T> std::unique_ptr<T> LoadAs(const std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<CBaseAriModule> m = LoadModule(bytes);
    if (!m->IsKindOf(T::class_record))
        return nullptr;
    return std::unique_ptr<T>(static_cast<T*>(m.release()));
}

// Stores `module`, compares with the golden stream, loads the golden stream
// and stores what it loaded again.
template <class T> std::unique_ptr<T> CheckGolden(T& module, const std::string& fixture) {
    const std::vector<std::uint8_t> golden = load_fixture(fixture);
    EXPECT_EQ(StoreModule(module), golden) << fixture;
    std::unique_ptr<T> loaded = LoadAs<T>(golden);
    EXPECT_NE(loaded, nullptr) << fixture;
    if (loaded) {
        EXPECT_EQ(StoreModule(*loaded), golden) << fixture;
    }
    return loaded;
}

TEST(ModelAriGolden, Delay) {
    CAriDelay delay(3, 2, 200, 100);
    delay.m_bypass = 1;
    delay.m_delay = 7.5;
    delay.m_order = 4;
    const auto loaded = CheckGolden(delay, "delay.hex");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_maxDelay, 10.0);
    EXPECT_EQ(loaded->m_delay, 7.5);
}

TEST(ModelAriGolden, MixerCrossPointsInputMajor) {
    CAriMixer mixer(5, 2, 0, 0);
    mixer.m_order = 2;
    mixer.m_group = 2;
    mixer.m_groupName = "Bus";
    mixer.m_inputMute[1] = 1;
    mixer.m_inputLevel = {0.0, -3.5, 2.0, -0.5};
    mixer.m_outputMute[1] = 1;
    mixer.m_outputLevel[0] = -6.0;
    mixer.m_outputLevel[1] = 1.5;
    for (std::int32_t i = 0; i < 4; ++i)
        for (std::int32_t j = 0; j < 2; ++j)
            mixer.CrossPoint(i, j) = -(10.0 * i + j + 1);
    const auto loaded = CheckGolden(mixer, "mixer.hex");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_crossPoint[2][1], -22.0);
    EXPECT_EQ(loaded->m_group, 2);
}

TEST(ModelAriGolden, Equalizer) {
    CAriEqualizer eq(9, 3, 10, 20);
    eq.m_order = 6;
    eq.m_bandFlag[1] = 1;
    eq.m_gain[1] = 6.0;
    eq.m_bandwidth[1] = 1.0;
    eq.m_gain[2] = -12.0;
    eq.m_coeffs[0] = {1.0, -1.5, 0.5, -1.5, 0.5};
    eq.m_coeffs[1] = {1.25, -1.75, 0.625, -1.75, 0.875};
    eq.m_coeffs[2] = {0.75, -1.25, 0.375, -1.25, 0.125};
    const auto loaded = CheckGolden(eq, "equalizer.hex");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_bandCount, 3);
    EXPECT_EQ(loaded->m_frequency[2], 2828.43);
    EXPECT_EQ(loaded->m_coeffs[2].a2, 0.125);
}

TEST(ModelAriGolden, CrossoverStoresTheSectionsInUse) {
    CAriCrossover xo(11, 19, 0, 100);
    xo.m_order = 8;
    xo.m_inputLevel = -2.0;
    xo.m_outputLevel[1] = -1.5;
    xo.m_outputMute[1] = 1;
    xo.m_outputInvert[1] = 1;
    xo.m_sections[0][0] = {0.25, 0.5, 0.25, -1.5, 0.625};
    xo.m_biquadCount[1] = 2;
    xo.m_filterType[1] = 7;
    xo.m_frequency[1] = 1200.0;
    xo.m_sections[1][0] = {0.875, -1.75, 0.875, -1.625, 0.6875};
    xo.m_sections[1][1] = {0.75, -1.5, 0.75, -1.375, 0.5625};
    const auto loaded = CheckGolden(xo, "crossover.hex");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_biquadCount[1], 2);
    EXPECT_EQ(loaded->m_sections[1][1].a2, 0.5625);
    EXPECT_EQ(loaded->GetChnl(2)->m_name, "H");
}

TEST(ModelAriGolden, FilterWithTwoSections) {
    CAriFilter filter(14, 1, 0, 0);
    filter.m_order = 10;
    filter.m_biquadCount = 2;
    filter.m_filterType = 7;
    filter.m_frequency = 500.0;
    filter.m_sections[0] = {0.0625, 0.125, 0.0625, -1.75, 0.8125};
    filter.m_sections[1] = {0.03125, 0.0625, 0.03125, -1.875, 0.9375};
    filter.m_sections[2] = {0.5, 0.5, 0.5, 0.5, 0.5}; // not in use: not stored
    const auto loaded = CheckGolden(filter, "filter.hex");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_sections[1].b0, 0.03125);
    EXPECT_EQ(loaded->m_sections[2], kPassThroughBiquad);
}

TEST(ModelAriGolden, InputWithItsCarriedIntegers) {
    CAriInput input(7, 1, 20, 30, 3);
    input.m_mute = 1;
    input.m_level = -10.0;
    input.m_micGainIndex = 2;
    input.m_phantom = 1;
    input.m_hidden = 1;
    const auto loaded = CheckGolden(input, "input.hex");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_hidden, 1);
    EXPECT_EQ(loaded->m_groupStart, 1);
    EXPECT_EQ(loaded->m_modelName, "QLA-206A");
}

TEST(ModelAriGolden, TextWithItsFont) {
    CAriText text(20, 1, 300, 40);
    text.m_text = "Hello\r\nWorld";
    text.m_transparent = 0;
    const auto loaded = CheckGolden(text, "text.hex");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_font, platform::gdi::MakeFont("Arial", 15, 700));
    EXPECT_EQ(loaded->m_text, "Hello\r\nWorld");
}

TEST(ModelAriRoundTrip, EveryTypeAndVariant) {
    for (const auto& [type, variant] : ari_test::AllTypeVariants()) {
        SCOPED_TRACE(testing::Message() << "type " << type << " variant " << variant);
        const auto m = ari_test::MakeModule(type, variant, 21, 40, 60, 3);
        m->m_order = 5;
        m->m_selected = 1;
        const std::vector<std::uint8_t> bytes = StoreModule(*m);
        const auto loaded = LoadModule(bytes);
        EXPECT_EQ(&loaded->GetRuntimeClass(), &m->GetRuntimeClass());
        EXPECT_EQ(loaded->m_selected, 0); // view state: cleared on load
        loaded->m_selected = 1;
        EXPECT_EQ(StoreModule(*loaded), bytes);
    }
}

TEST(ModelAriRoundTrip, SixteenBySixteenMixerStores256CrossPoints) {
    CAriMixer mixer(1, 8, 0, 0);
    for (std::int32_t i = 0; i < 16; ++i)
        for (std::int32_t j = 0; j < 16; ++j)
            mixer.CrossPoint(i, j) = i * 100.0 + j;
    const std::vector<std::uint8_t> bytes = StoreModule(mixer);
    // After the class tag: two counts, 16 inputs of 12 bytes, 16 outputs of 16.
    const std::size_t cross = 8 + std::strlen("CAriMixer") + 8 + 16 * 12 + 16 * 16;
    for (std::size_t k = 0; k < 256; ++k) {
        double v;
        std::memcpy(&v, bytes.data() + cross + 8 * k, 8);
        ASSERT_EQ(v, static_cast<double>((k / 16) * 100 + k % 16)) << k;
    }
    const auto loaded = LoadAs<CAriMixer>(bytes);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_crossPoint, mixer.m_crossPoint);
}

TEST(ModelAriRoundTrip, OneOctaveEqualizerStoresOnlyItsBands) {
    const CAriEqualizer eq(1, 53, 0, 0);
    CAriEqualizer copy;
    copy.CopyFrom(eq);
    const auto loaded = LoadAs<CAriEqualizer>(StoreModule(copy));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_bandCount, 10);
    EXPECT_EQ(loaded->m_frequency[9], 16128.0);
    EXPECT_EQ(loaded->m_frequency[10], 0.0); // the 20000 after the bands stays behind
}

TEST(ModelAriRoundTrip, LongFaceNameIsCutWhenLoaded) {
    CAriText text(1, 1, 0, 0);
    text.m_font.lfFaceName = std::string(40, 'F'); // bypassing SetFaceName's cut
    const auto loaded = LoadAs<CAriText>(StoreModule(text));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_font.lfFaceName, std::string(31, 'F'));
}

// The schema of the module class's own tag decides whether its fields are
// read; the base parts follow their own tags.
TEST(ModelAriSchema, SchemaOneReadsAndOtherSchemasSkipTheOwnFields) {
    std::vector<std::uint8_t> golden = load_fixture("delay.hex");
    const std::size_t schema_at = 4; // count, new-class tag
    const std::size_t own_at = 8 + std::strlen("CAriDelay");

    std::vector<std::uint8_t> one = golden;
    one[schema_at] = 1;
    const auto loaded_one = LoadAs<CAriDelay>(one);
    ASSERT_TRUE(loaded_one);
    EXPECT_EQ(loaded_one->m_delay, 7.5);
    EXPECT_EQ(loaded_one->m_bypass, 1);

    std::vector<std::uint8_t> three = golden;
    three[schema_at] = 3;
    three.erase(three.begin() + static_cast<std::ptrdiff_t>(own_at),
                three.begin() + static_cast<std::ptrdiff_t>(own_at + 4 + 8 + 8));
    const auto loaded_three = LoadAs<CAriDelay>(three);
    ASSERT_TRUE(loaded_three);
    EXPECT_EQ(loaded_three->m_bypass, 0);
    EXPECT_EQ(loaded_three->m_delay, 0.0);
    EXPECT_EQ(loaded_three->m_typeName, "Delay 10 ms"); // the base part still loads
    EXPECT_EQ(loaded_three->m_memoryCost, 502);
}

struct CountFault {
    const char* fault;
    std::function<std::unique_ptr<CBaseAriModule>()> make;
    const char* className;
    std::size_t offset; // of the count, from the start of the class's own fields
    std::int32_t value;
};

const CountFault kCountFaults[] = {
    {"router output count above its 16 entries", [] { return ari_test::MakeModule(kAriRouter, 3); },
     "CAriRouter", 0, 17},
    {"router output count negative", [] { return ari_test::MakeModule(kAriRouter, 1); },
     "CAriRouter", 0, -1},
    {"mixer input count above 16", [] { return ari_test::MakeModule(kAriMixer, 8); }, "CAriMixer",
     0, 17},
    {"mixer output count negative", [] { return ari_test::MakeModule(kAriMixer, 1); }, "CAriMixer",
     4, -2},
    {"meter input count above its 8 entries", [] { return ari_test::MakeModule(kAriMeter, 4); },
     "CAriMeter", 0, 9},
    {"meter input count negative", [] { return ari_test::MakeModule(kAriMeter, 1); }, "CAriMeter",
     0, -8},
    {"equalizer band count above 31", [] { return ari_test::MakeModule(kAriEqualizer, 51); },
     "CAriEqualizer", 4, 32},
    {"equalizer band count negative", [] { return ari_test::MakeModule(kAriEqualizer, 1); },
     "CAriEqualizer", 4, -1},
    {"filter biquad count above 4", [] { return ari_test::MakeModule(kAriFilter, 1); },
     "CAriFilter", 4, 5},
    {"filter biquad count 0", [] { return ari_test::MakeModule(kAriFilter, 2); }, "CAriFilter", 4,
     0},
    {"filter biquad count negative", [] { return ari_test::MakeModule(kAriFilter, 3); },
     "CAriFilter", 4, -3},
    {"crossover output count above 4", [] { return ari_test::MakeModule(kAriCrossover, 21); },
     "CAriCrossover", 0, 5},
    {"crossover output count 1", [] { return ari_test::MakeModule(kAriCrossover, 19); },
     "CAriCrossover", 0, 1},
    {"crossover section count above its 6 positions",
     [] { return ari_test::MakeModule(kAriCrossover, 21); }, "CAriCrossover", 16, 8},
    {"crossover section count not two per split point",
     [] { return ari_test::MakeModule(kAriCrossover, 21); }, "CAriCrossover", 16, 4},
    {"crossover section count negative", [] { return ari_test::MakeModule(kAriCrossover, 19); },
     "CAriCrossover", 16, -2},
    // After the 2-way's input fields (20 bytes) and two outputs of 16.
    {"crossover section biquad count above 4",
     [] { return ari_test::MakeModule(kAriCrossover, 19); }, "CAriCrossover", 52, 5},
    {"crossover section biquad count 0", [] { return ari_test::MakeModule(kAriCrossover, 19); },
     "CAriCrossover", 52, 0},
};

TEST(ModelAriLoadChecks, StoredCountsOutsideTheirRangeAreFormatErrors) {
    for (const CountFault& row : kCountFaults) {
        SCOPED_TRACE(row.fault);
        const auto module = row.make();
        std::vector<std::uint8_t> bytes = StoreModule(*module);
        const std::size_t at = 8 + std::strlen(row.className) + row.offset;
        ASSERT_LE(at + 4, bytes.size());
        const std::vector<std::uint8_t> value = ari_test::Int32Bytes(row.value);
        std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        try {
            LoadModule(bytes);
            ADD_FAILURE() << "loaded";
        } catch (const pa::archive_error& e) {
            EXPECT_EQ(e.offset(), at) << e.what();
        }
    }
}

TEST(ModelAriLoadChecks, CountsThatCannotBeStoredAreRefused) {
    CAriRouter router(1, 1, 0, 0);
    router.m_routeCount = 17;
    EXPECT_THROW(StoreModule(router), pa::archive_error);
    CAriCrossover xo(1, 20, 0, 0);
    xo.m_biquadCount[2] = 5;
    EXPECT_THROW(StoreModule(xo), pa::archive_error);
}

TEST(ModelAriLoadChecks, CutShortStreamsAreFormatErrors) {
    const std::vector<std::uint8_t> golden = load_fixture("crossover.hex");
    for (const std::size_t keep : {std::size_t{30}, std::size_t{100}, golden.size() - 1}) {
        const std::vector<std::uint8_t> cut(golden.begin(),
                                            golden.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_THROW(LoadModule(cut), pa::archive_error) << keep;
    }
}

} // namespace
