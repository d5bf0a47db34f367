// Every entry of every module class's parameter table walked through the
// four places that read it: the download, the store program's resets (two
// templates asking for the same reset), the parameter copy and live
// control's reset to defaults, against command texts written out by hand.
// A table entry without a row here fails, so a parameter added to a table
// is added here with its texts. And the document's one way of setting a
// parameter: undo step, command while live, announcement, group.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ari_test_support.h"
#include "comm/dsp_console.h"
#include "dsp_editor/download_program.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/live_control.h"
#include "dsp_editor/parameter_copy.h"
#include "dsp_editor/store_list.h"
#include "dsp_editor/stored_templates.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_test_support.h"
#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_dynamic.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_generator.h"
#include "model/ari_input.h"
#include "model/ari_mixer.h"
#include "model/ari_output.h"
#include "model/ari_router.h"
#include "model/document_observer.h"
#include "model/module_parameters.h"

namespace {

using namespace model;
using comm::CDSPDlgShowCMD;
using comm::EConsoleQueue;
using Commands = std::vector<std::string>;

constexpr std::int32_t kOrder = 5;
// Input modules stand for the unit channel of their id (3), outputs for
// id - 8 (3).
std::int32_t IdFor(std::int32_t type) {
    return type == kAriInput ? 3 : type == kAriOutput ? 11 : 20;
}

std::unique_ptr<CBaseAriModule> Make(std::int32_t type, std::int32_t variant) {
    auto module = ari_test::MakeModule(type, variant, IdFor(type), 40, 60, 1);
    module->m_order = kOrder;
    return module;
}

// The parameter of a row's type and code (the section rules: 607 and 609).
constexpr std::int32_t kSections = 607;
constexpr std::int32_t kSectionCount = 609;

using Change = std::function<void(CBaseAriModule&)>;
template <class T> Change On(std::function<void(T&)> change) {
    return [change](CBaseAriModule& m) { change(dynamic_cast<T&>(m)); };
}

// Commands that depend on a module's sections; null for none.
using Expected =
    std::function<Commands(const CBaseAriModule& changed, const CBaseAriModule& fresh)>;
Expected Texts(Commands commands) {
    return [commands](const CBaseAriModule&, const CBaseAriModule&) { return commands; };
}

struct Row {
    const char* what;
    std::int32_t type;
    std::int32_t variant;
    std::int32_t code;
    Change change;
    Expected download;
    // Each template's reset commands standing once (twice for a reset the
    // unit wants per template).
    Expected reset;
    // Default: as the download.
    std::optional<Expected> copy = std::nullopt;
    // Default: as the reset.
    std::optional<Expected> live = std::nullopt;
    // A copy and a reset leave the module as its source (false: a field the
    // variant's block lacks stays).
    bool taken = true;
};

// The two lines of one biquad section as the console frames them.
Commands Section(int index, const BiquadCoeffs& c) {
    CDSPDlgShowCMD console;
    console.SendBiquad(kOrder, index, c, false);
    return console.Queue(EConsoleQueue::Control);
}
Commands Join(std::initializer_list<Commands> parts) {
    Commands all;
    for (const Commands& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Commands kPassThrough2 = {"*NySET 5 607 2 1.000000e+000 0.000000e+000 0.000000e+000#",
                                "*NySET 5 607 2 0.000000e+000 0.000000e+000#"};
const Commands kPassThrough1 = {"*NySET 5 607 1 1.000000e+000 0.000000e+000 0.000000e+000#",
                                "*NySET 5 607 1 0.000000e+000 0.000000e+000#"};

// The sections a crossover always downloads: every position's in use.
Commands Positions(const CBaseAriModule& module) {
    const auto& m = dynamic_cast<const CAriCrossover&>(module);
    Commands all;
    for (int p = 0; p < m.m_sectionCount; ++p) {
        if (m.m_biquadCount[p] != 1)
            all.push_back("*NySET 5 609 " + std::to_string(p + 1) + " " +
                          std::to_string(m.m_biquadCount[p]) + "#");
        for (int k = 0; k < m.m_biquadCount[p]; ++k) {
            const Commands s = Section(4 * p + k + 1, m.m_sections[p][k]);
            all.insert(all.end(), s.begin(), s.end());
        }
    }
    return all;
}
Expected CrossoverDownload(Commands before) {
    return [before](const CBaseAriModule& changed, const CBaseAriModule&) {
        return Join({before, Positions(changed)});
    };
}

const BiquadCoeffs kHandMade{1.5, -1.0, 0.5, -0.75, 0.25};

// clang-format off
const Row kRows[] = {
    {"input mute", kAriInput, 1, 101, On<CAriInput>([](auto& m) { m.m_mute = 1; }),
     Texts({"*NySET 5 101 3 1#"}), Texts({"*NySET 5 101 3 0#"})},
    {"input invert", kAriInput, 1, 102, On<CAriInput>([](auto& m) { m.m_invert = 1; }),
     Texts({"*NySET 5 102 3 1#"}), Texts({"*NySET 5 102 3 0#"})},
    {"input level", kAriInput, 1, 103, On<CAriInput>([](auto& m) { m.m_level = 20.0; }),
     Texts({"*NySET 5 103 3 1.000000e+001#"}), Texts({"*NySET 5 103 3 1.000000e+000#"})},
    {"input gain", kAriInput, 1, 104, On<CAriInput>([](auto& m) { m.m_micGainIndex = 2; }),
     Texts({"*NySET 5 104 3 2#"}), Texts({"*NySET 5 104 3 0#"})},
    {"input phantom power", kAriInput, 1, 105, On<CAriInput>([](auto& m) { m.m_phantom = 1; }),
     Texts({"*NySET 5 105 3 1#"}), Texts({"*NySET 5 105 3 0#"})},
    {"input: a copy switches the phantom power before the gain", kAriInput, 1, 105,
     On<CAriInput>([](auto& m) { m.m_micGainIndex = 2; m.m_phantom = 1; }),
     Texts({"*NySET 5 104 3 2#", "*NySET 5 105 3 1#"}),
     Texts({"*NySET 5 104 3 0#", "*NySET 5 105 3 0#"}),
     Texts({"*NySET 5 105 3 1#", "*NySET 5 104 3 2#"})},

    {"output mute", kAriOutput, 1, 201, On<CAriOutput>([](auto& m) { m.m_mute = 1; }),
     Texts({"*NySET 5 201 3 1#"}), Texts({"*NySET 5 201 3 0#"})},
    {"output invert", kAriOutput, 1, 202, On<CAriOutput>([](auto& m) { m.m_invert = 1; }),
     Texts({"*NySET 5 202 3 1#"}), Texts({"*NySET 5 202 3 0#"})},
    {"output level", kAriOutput, 1, 203, On<CAriOutput>([](auto& m) { m.m_level = 20.0; }),
     Texts({"*NySET 5 203 3 1.000000e+001#"}), Texts({"*NySET 5 203 3 1.000000e+000#"})},

    {"delay bypass", kAriDelay, 1, 302, On<CAriDelay>([](auto& m) { m.m_bypass = 1; }),
     Texts({"*NySET 5 302 1#"}), Texts({"*NySET 5 302 0#"})},
    {"delay: reset to the variant's longest", kAriDelay, 1, 301,
     On<CAriDelay>([](auto& m) { m.m_delay = 2.0; }),
     Texts({"*NySET 5 301 96#"}), Texts({"*NySET 5 301 240#"})},

    {"router selection of output 2", kAriRouter, 1, 401,
     On<CAriRouter>([](auto& m) { m.m_selectedInput[1] = 3; }),
     Texts({"*NySET 5 401 2 3#"}), Texts({"*NySET 5 401 2 1#"})},

    {"mixer input mute", kAriMixer, 3, 501, On<CAriMixer>([](auto& m) { m.m_inputMute[1] = 1; }),
     Texts({"*NySET 5 501 2 1#"}), Texts({"*NySET 5 501 2 0#"})},
    {"mixer input level", kAriMixer, 3, 503, On<CAriMixer>([](auto& m) { m.m_inputLevel[1] = 20.0; }),
     Texts({"*NySET 5 503 2 1.000000e+001#"}), Texts({"*NySET 5 503 2 1.000000e+000#"})},
    {"mixer output mute", kAriMixer, 3, 502, On<CAriMixer>([](auto& m) { m.m_outputMute[2] = 1; }),
     Texts({"*NySET 5 502 3 1#"}), Texts({"*NySET 5 502 3 0#"})},
    {"mixer output level", kAriMixer, 3, 504, On<CAriMixer>([](auto& m) { m.m_outputLevel[2] = 20.0; }),
     Texts({"*NySET 5 504 3 1.000000e+001#"}), Texts({"*NySET 5 504 3 1.000000e+000#"})},
    {"mixer column mask", kAriMixer, 3, 505, On<CAriMixer>([](auto& m) { m.m_columnMask[2] = 5; }),
     Texts({"*NySET 5 505 3 5#"}), Texts({"*NySET 5 505 3 0#"})},
    {"mixer crosspoint names its output, then its input", kAriMixer, 3, 506,
     On<CAriMixer>([](auto& m) { m.m_crossPoint[1][2] = 20.0; }),
     Texts({"*NySET 5 506 3 2 1.000000e+001#"}), Texts({"*NySET 5 506 3 2 1.000000e+000#"})},
    {"mixer: inputs first, then each output with its crosspoints", kAriMixer, 3, 506,
     On<CAriMixer>([](auto& m) {
         m.m_crossPoint[0][0] = 20.0;
         m.m_outputMute[1] = 1;
         m.m_inputMute[3] = 1;
     }),
     Texts({"*NySET 5 501 4 1#", "*NySET 5 506 1 1 1.000000e+001#", "*NySET 5 502 2 1#"}),
     Texts({"*NySET 5 501 4 0#", "*NySET 5 506 1 1 1.000000e+000#", "*NySET 5 502 2 0#"})},

    {"dynamics bypass: downloaded as on", kAriDynamic, 2, 701,
     On<CAriDynamic>([](auto& m) { m.m_bypass = 1; }),
     Texts({"*NySET 5 701 1#"}), Texts({"*NySET 5 701 0#"})},
    {"dynamics attack", kAriDynamic, 2, 702, On<CAriDynamic>([](auto& m) { m.m_attack = 500.0; }),
     Texts({"*NySET 5 702 24001#"}), Texts({"*NySET 5 702 48001#"})},
    {"dynamics release", kAriDynamic, 2, 703, On<CAriDynamic>([](auto& m) { m.m_release = 500.0; }),
     Texts({"*NySET 5 703 24001#"}), Texts({"*NySET 5 703 96001#"})},
    {"dynamics threshold, truncated", kAriDynamic, 2, 704,
     On<CAriDynamic>([](auto& m) { m.m_threshold = -20.0; }),
     Texts({"*NySET 5 704 4401#"}), Texts({"*NySET 5 704 44012#"})},
    {"compressor ratio", kAriDynamic, 2, 705, On<CAriDynamic>([](auto& m) { m.m_ratio = 2.0; }),
     Texts({"*NySET 5 705 5.000000e-001#"}), Texts({"*NySET 5 705 2.500000e-001#"})},
    {"expander ratio resets to 1/4", kAriDynamic, 5, 705, On<CAriDynamic>([](auto& m) { m.m_ratio = 2.0; }),
     Texts({"*NySET 5 705 5.000000e-001#"}), Texts({"*NySET 5 705 4.000000e+000#"})},
    {"leveler ratio: downloaded, then neither reset nor sent with a copy", kAriDynamic, 1, 705,
     On<CAriDynamic>([](auto& m) { m.m_ratio = 2.0; }),
     Texts({"*NySET 5 705 5.000000e-001#"}), Texts({}), Texts({}), Texts({})},
    {"limiter ratio: the block has none", kAriDynamic, 3, 705,
     On<CAriDynamic>([](auto& m) { m.m_ratio = 2.0; }),
     Texts({}), Texts({}), Texts({}), Texts({}), false},
    {"leveler gain", kAriDynamic, 1, 707, On<CAriDynamic>([](auto& m) { m.m_levelerGain = 20.0; }),
     Texts({"*NySET 5 707 1.000000e+001#"}), Texts({"*NySET 5 707 1.000000e+000#"})},
    {"gate depth", kAriDynamic, 4, 708, On<CAriDynamic>([](auto& m) { m.m_targetOrDepth = 20.0; }),
     Texts({"*NySET 5 708 1.000000e+001#"}), Texts({"*NySET 5 708 1.000000e+000#"})},
    {"leveler target: carried without a command", kAriDynamic, 1, 708,
     On<CAriDynamic>([](auto& m) { m.m_targetOrDepth = 20.0; }),
     Texts({}), Texts({})},
    {"gate: the download sets the depth before the times", kAriDynamic, 4, 708,
     On<CAriDynamic>([](auto& m) { m.m_bypass = 1; m.m_attack = 500.0; m.m_targetOrDepth = 20.0; }),
     Texts({"*NySET 5 701 1#", "*NySET 5 708 1.000000e+001#", "*NySET 5 702 24001#"}),
     Texts({"*NySET 5 701 0#", "*NySET 5 702 48001#", "*NySET 5 708 1.000000e+000#"}),
     Texts({"*NySET 5 701 1#", "*NySET 5 702 24001#", "*NySET 5 708 1.000000e+001#"})},

    {"sine mode: only its other state counts", kAriGenerator, 1, 801,
     On<CAriGenerator>([](auto& m) { m.m_mode = 0; }),
     Texts({"*NySET 5 801 0#"}), Texts({"*NySET 5 801 1#"})},
    {"noise has no mode", kAriGenerator, 2, 801, On<CAriGenerator>([](auto& m) { m.m_mode = 0; }),
     Texts({}), Texts({}), Texts({}), Texts({}), false},
    {"generator mute: downloaded as on", kAriGenerator, 2, 802,
     On<CAriGenerator>([](auto& m) { m.m_mute = 1; }),
     Texts({"*NySET 5 802 1#"}), Texts({"*NySET 5 802 0#"})},
    {"generator level", kAriGenerator, 1, 803, On<CAriGenerator>([](auto& m) { m.m_level = 20.0; }),
     Texts({"*NySET 5 803 4.401200e+005#"}), Texts({"*NySET 5 803 4.401200e+004#"})},
    {"sine frequency as the oscillator's pair", kAriGenerator, 1, 804,
     On<CAriGenerator>([](auto& m) { m.m_frequency = 4000.0; }),
     Texts({"*NySET 5 804 1.732051e+000 5.000000e-001#"}),
     Texts({"*NySET 5 804 1.982890e+000 1.305262e-001#"})},
    {"sweep start", kAriGenerator, 1, 805, On<CAriGenerator>([](auto& m) { m.m_sweepStart = 40.0; }),
     Texts({"*NySET 5 805 48#"}), Texts({"*NySET 5 805 270#"})},
    {"sweep stop", kAriGenerator, 1, 806, On<CAriGenerator>([](auto& m) { m.m_sweepStop = 40.0; }),
     Texts({"*NySET 5 806 48#"}), Texts({"*NySET 5 806 270#"})},
    {"sweep step width", kAriGenerator, 1, 807,
     On<CAriGenerator>([](auto& m) { m.m_stepWidthIndex = 2; }),
     Texts({"*NySET 5 807 16#"}), Texts({"*NySET 5 807 48#"})},
    {"sweep step", kAriGenerator, 1, 808, On<CAriGenerator>([](auto& m) { m.m_step = 50; }),
     Texts({"*NySET 5 808 2400#"}), Texts({"*NySET 5 808 4800#"})},
    {"white noise has no sweep", kAriGenerator, 2, 804,
     On<CAriGenerator>([](auto& m) { m.m_frequency = 4000.0; m.m_step = 50; }),
     Texts({}), Texts({}), Texts({}), Texts({}), false},

    {"equalizer bypass", kAriEqualizer, 3, 606, On<CAriEqualizer>([](auto& m) { m.m_bypass = 1; }),
     Texts({"*NySET 5 606 1#"}), Texts({"*NySET 5 606 0#"})},
    {"equalizer band: its section, reset to pass-through", kAriEqualizer, 3, kSections,
     On<CAriEqualizer>([](auto& m) { m.m_gain[1] = 6.0; m.CalcBandCoeffs(1); }),
     [](const CBaseAriModule& c, const CBaseAriModule&) {
         return Section(2, dynamic_cast<const CAriEqualizer&>(c).m_coeffs[1]);
     },
     Texts(kPassThrough2), std::nullopt,
     [](const CBaseAriModule&, const CBaseAriModule& f) {
         return Section(2, dynamic_cast<const CAriEqualizer&>(f).m_coeffs[1]);
     }},

    {"filter bypass: reset once per template", kAriFilter, 1, 606,
     On<CAriFilter>([](auto& m) { m.m_bypass = 1; }),
     [](const CBaseAriModule& c, const CBaseAriModule&) {
         return Join({{"*NySET 5 606 1#"}, Section(1, dynamic_cast<const CAriFilter&>(c).m_sections[0])});
     },
     Texts({"*NySET 5 606 0#", "*NySET 5 606 0#"}), Texts({"*NySET 5 606 1#"}),
     Texts({"*NySET 5 606 0#"})},
    {"pass filter slope: its section count and sections", kAriFilter, 1, kSectionCount,
     On<CAriFilter>([](auto& m) { m.m_filterType = 7; m.m_biquadCount = 2; m.m_sections[1] = kHandMade; }),
     [](const CBaseAriModule& c, const CBaseAriModule&) {
         const auto& m = dynamic_cast<const CAriFilter&>(c);
         return Join({{"*NySET 5 609 1 2#"}, Section(1, m.m_sections[0]), Section(2, kHandMade)});
     },
     Texts({"*NySET 5 609 1 1#"}), std::nullopt,
     [](const CBaseAriModule&, const CBaseAriModule& f) {
         return Join({{"*NySET 5 609 1 1#"}, Section(1, dynamic_cast<const CAriFilter&>(f).m_sections[0])});
     }},
    {"shelf gain: its section, reset to pass-through", kAriFilter, 3, kSections,
     On<CAriFilter>([](auto& m) { m.m_gain = 6.0; m.m_sections[0] = kHandMade; }),
     Texts(Section(1, kHandMade)), Texts(kPassThrough1), std::nullopt, Texts(kPassThrough1)},

    {"crossover input mute", kAriCrossover, 19, 601,
     On<CAriCrossover>([](auto& m) { m.m_inputMute = 1; }),
     CrossoverDownload({"*NySET 5 601 1#"}), Texts({"*NySET 5 601 0#"}), Texts({"*NySET 5 601 1#"})},
    {"crossover input level", kAriCrossover, 19, 602,
     On<CAriCrossover>([](auto& m) { m.m_inputLevel = 20.0; }),
     CrossoverDownload({"*NySET 5 602 1.000000e+001#"}), Texts({"*NySET 5 602 1.000000e+000#"}),
     Texts({"*NySET 5 602 1.000000e+001#"})},
    {"crossover output mute", kAriCrossover, 19, 603,
     On<CAriCrossover>([](auto& m) { m.m_outputMute[1] = 1; }),
     CrossoverDownload({"*NySET 5 603 2 1#"}), Texts({"*NySET 5 603 2 0#"}), Texts({"*NySET 5 603 2 1#"})},
    {"crossover output invert", kAriCrossover, 19, 604,
     On<CAriCrossover>([](auto& m) { m.m_outputInvert[1] = 1; }),
     CrossoverDownload({"*NySET 5 604 2 1#"}), Texts({"*NySET 5 604 2 0#"}), Texts({"*NySET 5 604 2 1#"})},
    {"crossover output level", kAriCrossover, 19, 605,
     On<CAriCrossover>([](auto& m) { m.m_outputLevel[1] = 20.0; }),
     CrossoverDownload({"*NySET 5 605 2 1.000000e+001#"}), Texts({"*NySET 5 605 2 1.000000e+000#"}),
     Texts({"*NySET 5 605 2 1.000000e+001#"})},
    {"crossover position slope: its count, then its sections", kAriCrossover, 19, kSectionCount,
     On<CAriCrossover>([](auto& m) { m.m_filterType[1] = 7; m.m_biquadCount[1] = 2; m.m_sections[1][1] = kHandMade; }),
     CrossoverDownload({}), Texts({"*NySET 5 609 2 1#"}),
     [](const CBaseAriModule& c, const CBaseAriModule&) {
         const auto& m = dynamic_cast<const CAriCrossover&>(c);
         return Join({{"*NySET 5 609 2 2#"}, Section(5, m.m_sections[1][0]), Section(6, kHandMade)});
     },
     [](const CBaseAriModule&, const CBaseAriModule& f) {
         return Join({{"*NySET 5 609 2 1#"}, Section(5, dynamic_cast<const CAriCrossover&>(f).m_sections[1][0])});
     }},
    {"crossover reset to defaults: every count before any section", kAriCrossover, 20, kSections,
     On<CAriCrossover>([](auto& m) {
         m.m_filterType[0] = 7; m.m_biquadCount[0] = 2;
         m.m_filterType[3] = 7; m.m_biquadCount[3] = 2;
     }),
     CrossoverDownload({}), Texts({"*NySET 5 609 1 1#", "*NySET 5 609 4 1#"}),
     [](const CBaseAriModule& c, const CBaseAriModule&) {
         const auto& m = dynamic_cast<const CAriCrossover&>(c);
         return Join({{"*NySET 5 609 1 2#"}, Section(1, m.m_sections[0][0]), Section(2, m.m_sections[0][1]),
                      {"*NySET 5 609 4 2#"}, Section(13, m.m_sections[3][0]), Section(14, m.m_sections[3][1])});
     },
     [](const CBaseAriModule&, const CBaseAriModule& f) {
         const auto& m = dynamic_cast<const CAriCrossover&>(f);
         return Join({{"*NySET 5 609 1 1#", "*NySET 5 609 4 1#"}, Section(1, m.m_sections[0][0]),
                      Section(13, m.m_sections[3][0])});
     }},
};
// clang-format on

Commands ControlQueue(CDSPDlgShowCMD& console) {
    Commands queued = console.Queue(EConsoleQueue::Control);
    console.ClearAll();
    return queued;
}

TEST(DspEditorModuleParameters, EveryTableEntryHasARow) {
    std::set<std::pair<std::int32_t, std::int32_t>> rows;
    for (const Row& row : kRows)
        rows.insert({row.type, row.code});
    for (const ModuleParameterTable* table : ParameterTables()) {
        for (const ModuleParameter& parameter : table->parameters)
            EXPECT_TRUE(rows.contains({table->typeCode, parameter.code}))
                << table->className << " " << parameter.field << " " << parameter.code;
        if (table->sections.download != nullptr) {
            EXPECT_TRUE(rows.contains({table->typeCode, kSections}) ||
                        rows.contains({table->typeCode, kSectionCount}))
                << table->className << " sections";
        }
    }
}

TEST(DspEditorModuleParameters, EveryEntryThroughDownloadResetCopyAndLiveControl) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        const std::unique_ptr<CBaseAriModule> fresh = Make(row.type, row.variant);
        std::unique_ptr<CBaseAriModule> changed = Make(row.type, row.variant);
        row.change(*changed);
        CDSPDlgShowCMD console;

        dsp_editor::CConsoleSink control(console, false);
        dsp_editor::WriteParameters(*changed, control);
        EXPECT_EQ(ControlQueue(console), row.download(*changed, *fresh)) << "download";

        // Two other templates of the structure both ask for the resets.
        dsp_editor::CZoDSPDoc other;
        other.m_templateStructName = "Hall";
        other.PutModule(ari_test::CopyModule(*changed))->m_order = kOrder;
        other.PutModule(ari_test::CopyModule(*changed))->m_order = kOrder;
        dsp_editor::CStoreList list(nullptr);
        dsp_editor::CompareFirmTemplates(other, "Hall", 0, list);
        EXPECT_EQ(list.Commands(), row.reset(*changed, *fresh)) << "reset";

        const std::unique_ptr<CBaseAriModule> destination = Make(row.type, row.variant);
        dsp_editor::SendParameterChanges(*changed, *destination, true, console);
        EXPECT_EQ(ControlQueue(console), (row.copy ? *row.copy : row.download)(*changed, *fresh))
            << "copy";
        if (row.taken) {
            EXPECT_EQ(ari_test::StoreModule(*destination), ari_test::StoreModule(*changed));
        }

        ASSERT_TRUE(dsp_editor::ResetParameters(*changed, 1, true, console));
        EXPECT_EQ(ControlQueue(console), (row.live ? *row.live : row.reset)(*changed, *fresh))
            << "live control";
        if (row.taken) {
            EXPECT_EQ(ari_test::StoreModule(*changed), ari_test::StoreModule(*fresh));
        }
    }
}

// -- the document's SetParameter

// Takes the commands on a console's control queue and lists whom the group
// would follow.
class RecordingHost final : public dsp_editor::IParameterHost {
public:
    model::IParameterSink& UnitCommands() override { return control; }
    void FollowGroup(const CBaseAriModule& module) override { followed.push_back(module.m_id); }

    CDSPDlgShowCMD console;
    dsp_editor::CConsoleSink control{console, false};
    std::vector<std::int32_t> followed;
};

class ChangeLog final : public IDocumentObserver {
public:
    void OnDocumentChanged(const DocumentChange& change) override {
        if (change.kind == DocumentChangeKind::ObjectChanged)
            changed.push_back(change.id);
    }
    std::vector<std::int32_t> changed;
};

dsp_editor::ParameterChange DelayTo(double ms) {
    const ModuleParameter* delay = FindParameter(kAriDelay, 301);
    return {[ms](CBaseAriModule& m) { dynamic_cast<CAriDelay&>(m).m_delay = ms; },
            [delay, ms](const CBaseAriModule& m, IParameterSink& unit) {
                SendParameterValue(*delay, m, 0, 0, ms, unit);
            }};
}

TEST(DspEditorSetParameter, RecordsOneStepPerModuleSendsWhileLiveAnnouncesAndLetsTheGroupFollow) {
    dsp_test::FakeFrame frame;
    const std::unique_ptr<dsp_editor::CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    CBaseAriModule* delay = doc->AddModule(kAriDelay, 1, 200, 20, 1);
    CBaseAriModule* other = doc->AddModule(kAriDelay, 1, 200, 120, 1);
    delay->m_order = 4;
    doc->SetModifiedFlag(false);
    ChangeLog log;
    doc->AttachObserver(&log);
    RecordingHost host;
    const dsp_editor::CDSPUndoHistory* history = dsp_editor::UndoHistoryOf(*doc);
    ASSERT_NE(history, nullptr);
    const std::int32_t steps = history->UndoCount();

    // Not live: the value, the undo copy, the flag, the announcement and the
    // group, but no command.
    doc->SetParameter(*delay, DelayTo(2.0), host);
    EXPECT_EQ(dynamic_cast<CAriDelay&>(*delay).m_delay, 2.0);
    EXPECT_TRUE(host.console.Queue(EConsoleQueue::Control).empty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(log.changed, std::vector<std::int32_t>{delay->m_id});
    EXPECT_EQ(host.followed, std::vector<std::int32_t>{delay->m_id});
    ASSERT_EQ(history->UndoCount(), steps + 1);
    const auto& action = *history->Actions().back();
    EXPECT_EQ(action.m_kind, 3);
    EXPECT_EQ(dynamic_cast<const CAriDelay&>(*action.m_module).m_delay, 2.0);
    EXPECT_EQ(dynamic_cast<const CAriDelay&>(*action.m_before).m_delay, 5.0);

    // Live: the command on the control queue; the same module's next change
    // merges into its step, another module's makes a new one.
    doc->m_live = 1;
    doc->SetParameter(*delay, DelayTo(1.0), host);
    EXPECT_EQ(host.console.Queue(EConsoleQueue::Control), Commands{"*NySET 4 301 48#"});
    EXPECT_EQ(history->UndoCount(), steps + 1);
    EXPECT_EQ(dynamic_cast<const CAriDelay&>(*action.m_module).m_delay, 1.0);
    doc->SetParameter(*other, DelayTo(1.0), host);
    EXPECT_EQ(history->UndoCount(), steps + 2);
    EXPECT_EQ(host.followed, (std::vector<std::int32_t>{delay->m_id, delay->m_id, other->m_id}));
    doc->DetachObserver(&log);
}

// Several fields of one module in one change: a dialog that sends a band's
// sections or a gain that follows its curve must leave one undo step, one
// announcement and one follow of the group, whatever the number of fields.
TEST(DspEditorSetParameter, SeveralChangesMakeOneStepOfActionsInOrderAndAreAnnouncedOnce) {
    dsp_test::FakeFrame frame;
    const std::unique_ptr<dsp_editor::CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    CBaseAriModule* delay = doc->AddModule(kAriDelay, 1, 200, 20, 1);
    delay->m_order = 4;
    doc->m_live = 1;
    ChangeLog log;
    doc->AttachObserver(&log);
    RecordingHost host;
    const dsp_editor::CDSPUndoHistory* history = dsp_editor::UndoHistoryOf(*doc);
    ASSERT_NE(history, nullptr);
    const std::int32_t steps = history->UndoCount();
    const std::size_t actions = history->Actions().size();

    doc->SetParameters(*delay, {}, host);
    EXPECT_EQ(history->Actions().size(), actions);
    EXPECT_TRUE(log.changed.empty());
    EXPECT_TRUE(host.followed.empty());

    const dsp_editor::ParameterChange changes[] = {DelayTo(2.0), DelayTo(1.0)};
    doc->SetParameters(*delay, changes, host);
    EXPECT_EQ(dynamic_cast<CAriDelay&>(*delay).m_delay, 1.0);
    EXPECT_EQ(host.console.Queue(EConsoleQueue::Control),
              (Commands{"*NySET 4 301 96#", "*NySET 4 301 48#"}));
    EXPECT_EQ(log.changed, std::vector<std::int32_t>{delay->m_id});
    EXPECT_EQ(host.followed, std::vector<std::int32_t>{delay->m_id});
    // One new step holding an action per change, each before-copy the
    // module as the change before it left it.
    ASSERT_EQ(history->UndoCount(), steps + 1);
    ASSERT_EQ(history->Actions().size(), actions + 2);
    const auto& first = *history->Actions()[actions];
    const auto& second = *history->Actions()[actions + 1];
    EXPECT_EQ(first.m_step, second.m_step);
    EXPECT_EQ(dynamic_cast<const CAriDelay&>(*first.m_before).m_delay, 5.0);
    EXPECT_EQ(dynamic_cast<const CAriDelay&>(*first.m_module).m_delay, 2.0);
    EXPECT_EQ(dynamic_cast<const CAriDelay&>(*second.m_before).m_delay, 2.0);
    EXPECT_EQ(dynamic_cast<const CAriDelay&>(*second.m_module).m_delay, 1.0);
    doc->DetachObserver(&log);
}

} // namespace
