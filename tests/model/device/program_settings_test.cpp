// The program settings snapshot: sheet objects take their defaults from it,
// Ostrel.ini is read when the snapshot is loaded and never per object, and a
// reload reaches new objects without touching the ones already made.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device_test_support.h"
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
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_matrix.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"
#include "model/program_settings.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "platform/gdi/recording_canvas.h"
#include "platform/profile/profile.h"

namespace {

using model::CDeviceText;
using model::CProgramSettings;
using model::kModelText;
using platform::gdi::FixedWidthMeasurer;
using platform::profile::file_reads;

constexpr const char* kIni = "[ColorScheme]\n"
                             "TEXTTransparent=1\nTEXTBack=255\nTEXTFore=1\n"
                             "QLA-1Back=2\nGENERICBack=3\n"
                             "[TextDeviceFont]\nHeight=20\nFaceName=Courier New\n"
                             "[ARIDELAY]\nRcTypeColor=7\n"
                             "[ARITEXT]\nRcBackColor=8\n";

TEST(ModelProgramSettings, TenThousandTextBoxesReadTheIniOnce) {
    device_test::TempHome home;
    home.WriteIni(kIni);
    model::InstallProgramSettings(nullptr); // the first object reads the file
    const FixedWidthMeasurer dc;
    const std::uint64_t before = file_reads();
    std::vector<std::unique_ptr<CDeviceText>> boxes;
    boxes.reserve(10000);
    for (int i = 0; i < 10000; ++i)
        boxes.push_back(std::make_unique<CDeviceText>(dc, i, 0, i, "Rack", kModelText, 0));
    EXPECT_EQ(file_reads() - before, 1u);

    int wrong = 0;
    for (const auto& box : boxes) {
        wrong += box->m_transparent != 1 || box->m_colours[0] != 255u || box->m_colours[1] != 1u ||
                 box->m_font.lfHeight != 20 || box->m_font.lfFaceName != "Courier New";
    }
    EXPECT_EQ(wrong, 0) << "every box has the file's values";
}

TEST(ModelProgramSettings, NoConstructorReadsTheIni) {
    device_test::TempHome home;
    home.WriteIni(kIni);
    const FixedWidthMeasurer dc;
    const std::uint64_t before = file_reads();
    const model::CDeviceNy unit(dc, 0, 40, 1, 1, 0);
    const model::CDeviceQOVG amp(dc, 0, 40, 2, model::kModelQOVG, 2);
    const model::CDeviceExternal cd(dc, 0, 40, 3, model::kModelCd, 0);
    const model::CDeviceGeneric generic(dc, 0, 40, 4, "G", model::kModelGeneric, 1, 1);
    const model::CDeviceMatrix matrix(dc, 0, 40, 5, "M", model::kModelMatrix, 2, 2);
    const CDeviceText text(dc, 0, 40, 6, "T", kModelText, 0);
    const model::CAriInput input(1, 1, 0, 0, 1);
    const model::CAriOutput output(2, 1, 0, 0, 1);
    const model::CAriDelay delay(3, 1, 0, 0);
    const model::CAriRouter router(4, 1, 0, 0);
    const model::CAriMixer mixer(5, 1, 0, 0);
    const model::CAriDynamic dynamic(6, 1, 0, 0);
    const model::CAriGenerator generator(7, 1, 0, 0);
    const model::CAriEqualizer equalizer(8, 1, 0, 0);
    const model::CAriFilter filter(9, 1, 0, 0);
    const model::CAriCrossover crossover(10, 19, 0, 0);
    const model::CAriText ariText(11, 1, 0, 0);
    const model::CAriMeter meter(12, 1, 0, 0);
    EXPECT_EQ(file_reads() - before, 0u);

    // They did take the file's values.
    EXPECT_EQ(unit.m_colours[0], 2u);
    EXPECT_EQ(generic.m_colours[0], 3u);
    EXPECT_EQ(delay.m_colours[model::CBaseAriModule::kTypeColour], 7u);
    EXPECT_EQ(ariText.m_colours[model::CBaseAriModule::kBodyColour], 8u);
}

TEST(ModelProgramSettings, ReloadReachesNewObjectsAndOldOnesKeepTheirValues) {
    device_test::TempHome home;
    home.WriteIni(kIni);
    const std::shared_ptr<const CProgramSettings> old = model::ProgramSettings();
    platform::gdi::RecordingCanvas dc;
    const CDeviceText first(dc, 0, 0, 1, "A", kModelText, 0);

    // A settings dialog writes the file; objects see it only after a reload.
    platform::profile::ini_file_t ini(home.path() / "Ostrel.ini");
    ASSERT_TRUE(ini.write_string("TextDeviceFont", "Height", "30"));
    ASSERT_TRUE(ini.write_string("ColorScheme", "TEXTFore", "65280"));
    ASSERT_TRUE(ini.write_string("ARIDELAY", "RcTypeColor", std::nullopt));
    EXPECT_EQ(CDeviceText(dc, 0, 0, 2, "B", kModelText, 0).m_font.lfHeight, 20);

    model::ReloadProgramSettings();
    CDeviceText second(dc, 0, 0, 3, "C", kModelText, 0);
    EXPECT_EQ(second.m_font.lfHeight, 30);
    EXPECT_EQ(second.m_colours[1], 65280u);
    EXPECT_EQ(model::CAriDelay(1, 1, 0, 0).m_colours[model::CBaseAriModule::kTypeColour], 0xC8C800u)
        << "a key taken out of the file gives the class's default again";

    EXPECT_EQ(first.m_font.lfHeight, 20);
    EXPECT_EQ(old->textDeviceFont.lfHeight, 20) << "a held snapshot does not change";
    EXPECT_EQ(model::ReadDeviceColours(*old, kModelText, 0)[1], 1u);
    EXPECT_EQ(old->AriTypeColour(model::kAriDelay), 7u);

    // The first box still draws with what it took.
    const_cast<CDeviceText&>(first).Draw(dc, 0, 0);
    const std::vector<std::string> lines = dc.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("\"A\" Courier New 20 400 0x000001"), std::string::npos)
        << lines.back();
}

// Objects made while other threads swap snapshots take each value from one
// snapshot, never half from each.
TEST(ModelProgramSettings, ObjectsMadeDuringSwapsTakeOneSnapshotWhole) {
    device_test::TempHome home;
    home.WriteIni("[ColorScheme]\nTEXTFore=33\n[TextDeviceFont]\nHeight=33\n");
    auto make = [](std::int32_t value) {
        CProgramSettings s;
        s.deviceColours[kModelText].fore = static_cast<model::COLORREF>(value);
        s.textDeviceFont.lfHeight = value;
        return std::make_shared<const CProgramSettings>(s);
    };
    const auto a = make(11);
    const auto b = make(22);
    model::InstallProgramSettings(a);

    constexpr int kReaders = 3;
    constexpr int kObjectsPerReader = 3000;
    std::atomic<int> finished{0};
    std::atomic<int> mixed{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < kReaders; ++r) {
        readers.emplace_back([&] {
            const FixedWidthMeasurer dc;
            for (int i = 0; i < kObjectsPerReader; ++i) {
                const CDeviceText box(dc, 0, 0, i, "x", kModelText, 0);
                if (static_cast<std::int32_t>(box.m_colours[1]) != box.m_font.lfHeight)
                    ++mixed;
            }
            ++finished;
        });
    }
    for (int swaps = 0; finished.load() < kReaders; ++swaps) {
        if (swaps % 64 == 63)
            model::ReloadProgramSettings();
        else
            model::InstallProgramSettings(swaps % 2 ? a : b);
    }
    for (std::thread& t : readers)
        t.join();
    EXPECT_EQ(mixed.load(), 0);
}

// A hand-edited default sheet size makes every new sheet: held to what the
// size dialogs allow, as a size read from a sheet's file is.
TEST(ModelProgramSettings, SheetSizesAreHeldToTheDialogsRange) {
    device_test::TempHome home;
    home.WriteIni("[DSPSheet]\nSheetWidth=-2147483648\nSheetHeight=2147483647\n"
                  "[SheetSize]\nSheetWidth=499\nSheetHeight=20001\n");
    const CProgramSettings s = *model::ProgramSettings();
    EXPECT_EQ(s.dspSheet.width, 500);
    EXPECT_EQ(s.dspSheet.height, 20000);
    EXPECT_EQ(s.deviceSheet.width, 500);
    EXPECT_EQ(s.deviceSheet.height, 20000);
}

TEST(ModelProgramSettings, KeysAndTheirDefaults) {
    device_test::TempHome home;
    EXPECT_EQ(CProgramSettings::Load(home.path() / "Ostrel.ini"), CProgramSettings{})
        << "no file: every key at its default";

    const std::string longFace(40, 'F');
    home.WriteIni("[Link]\nLinkWidth=3\nLinkColor=255\n"
                  "[DSPSheet]\nSheetWidth=2000\nSheetHeight=\nSheetColor=abc\n"
                  "[SheetSize]\nSheetHeight=900\n"
                  "[ColorScheme]\nBack=5\nFore=6\nQLA-8ABack=\nSysNetLine=9\n"
                  "[]\nRcTypeColor=4\n"
                  "[arigenerator]\nrctypecolor=-1\n"
                  "[TextDeviceFont]\nCharSet=300\nFaceName=" +
                  longFace + "\n");
    const CProgramSettings s = *model::ProgramSettings();
    EXPECT_EQ(s.link.width, 3);
    EXPECT_EQ(s.link.colour, 255u);
    EXPECT_EQ(s.dspSheet.width, 2000);
    EXPECT_EQ(s.dspSheet.height, 1800) << "an empty value gives the default";
    EXPECT_EQ(s.dspSheet.colour, 0u) << "a value without digits reads as 0";
    EXPECT_EQ(s.deviceSheet.width, 1130);
    EXPECT_EQ(s.deviceSheet.height, 900);
    EXPECT_EQ(s.deviceSheet.networkLink, 9u);
    EXPECT_EQ(s.deviceSheet.background, 0xFFFFFFu);

    // A model code outside the table has an empty name: its keys are "Back"...
    EXPECT_EQ(s.DeviceColours(99).back, 5u);
    EXPECT_EQ(s.DeviceColours(-1).fore, 6u);
    EXPECT_EQ(s.DeviceColours(0).back, std::nullopt) << "BASEBack is not Back";
    EXPECT_EQ(s.DeviceColours(2).back, std::nullopt) << "empty: the class's default";
    EXPECT_EQ(model::ReadDeviceColours(s, 2, 0xABCDEF)[0], 0xABCDEFu);
    // ...and a type code outside the table reads the nameless section.
    EXPECT_EQ(s.AriTypeColour(14), 4u);
    EXPECT_EQ(s.AriTypeColour(model::kAriGenerator), 0xFFFFFFFFu);
    EXPECT_EQ(s.AriTypeColour(model::kAriDelay), std::nullopt);

    EXPECT_EQ(s.textDeviceFont.lfCharSet, 44) << "low byte of 300";
    EXPECT_EQ(s.textDeviceFont.lfFaceName, longFace.substr(0, 31));
    EXPECT_EQ(s.textDeviceFont.lfHeight, 12);
    EXPECT_EQ(s.textDeviceFont.lfPitchAndFamily, 32);
}

} // namespace
