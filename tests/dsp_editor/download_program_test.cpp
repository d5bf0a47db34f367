// The download program of a DSP sheet as the console queues it, against
// command lists written out by hand: the 16-channel sheet with its links,
// every module type and variant at its reset state and off it, the meter
// taps, the refusals (339, 338); and the start of a download: the meter
// displays, the other sheet of the same unit stopped, the refusals 287 and
// 306-309, and a start while the sender is mid-exchange.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/download_program.h"
#include "dsp_editor/zo_dsp_view.h"
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
#include "model/recording_messages.h"
#include "model/value_encodings.h"
#include "resources/message_ids.h"

namespace {

namespace de = dsp_editor;
using comm::EConsoleQueue;
using de::CZoDSPDoc;
using de::CZoDSPView;
using model::CBaseAriModule;
using Commands = std::vector<std::string>;

const Commands kEnd = {"*NyENDD#", "*NyRUN#"};

Commands Join(std::initializer_list<Commands> parts) {
    Commands all;
    for (const Commands& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// "%e" of the single-precision value with the unit's three exponent digits,
// made without the program's formatter.
std::string E(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%e", static_cast<double>(static_cast<float>(value)));
    std::string s = text;
    const std::size_t e = s.find('e');
    if (s.size() - e == 4) // e+dd
        s.insert(e + 2, "0");
    return s;
}

// The two lines of one biquad section.
Commands Biquad(int order, int index, const model::BiquadCoeffs& c) {
    const std::string head = "*NySET " + std::to_string(order) + " 607 " + std::to_string(index);
    return {head + " " + E(c.b0) + " " + E(c.b1) + " " + E(c.b2) + "#",
            head + " " + E(c.a1) + " " + E(c.a2) + "#"};
}

// The commands between the wires and the end: the parameters and taps.
Commands Body(const Commands& program) {
    std::size_t first = 0;
    for (std::size_t i = 0; i < program.size(); ++i)
        if (program[i].starts_with("*NyRST") || program[i].starts_with("*NyMDU") ||
            program[i].starts_with("*NyILK"))
            first = i + 1;
    std::size_t last = program.size();
    if (last >= 2 && program[last - 2] == kEnd[0] && program[last - 1] == kEnd[1])
        last -= 2;
    return Commands(program.begin() + static_cast<std::ptrdiff_t>(first),
                    program.begin() + static_cast<std::ptrdiff_t>(last));
}

// A new sheet (MAC 00602b0a0b0c, model 1) with its view; messages go to a
// recorder from the start.
struct Sheet {
    explicit Sheet(dsp_test::FakeFrame& frame) : doc(dsp_test::NewDocument(frame)), view(*doc) {}

    CBaseAriModule* Add(std::int32_t type, std::int32_t variant) {
        return doc->AddModule(type, variant, 200, 20 + 60 * static_cast<int>(++added), 1);
    }
    // Assigns the order and queues the program on the control queue.
    Commands Program() {
        EXPECT_EQ(doc->AssignExecutionOrder(), 1);
        EXPECT_TRUE(view.Download().BuildDownloadCommands(false));
        return view.Console().Queue(EConsoleQueue::Control);
    }

    model::CRecordingMessages messages;
    std::unique_ptr<CZoDSPDoc> doc;
    CZoDSPView view;
    std::size_t added = 0;
};

// -- the program

TEST(DspEditorDownloadProgram, SixteenChannelSheetWithLinksAndSettings) {
    dsp_test::FakeFrame frame;
    Sheet sheet(frame);
    CZoDSPDoc& doc = *sheet.doc;
    dsp_test::Connect(doc, 1, 0, 9, 0);
    dsp_test::Connect(doc, 2, 0, 10, 0);
    dsp_test::Connect(doc, 3, 0, 12, 0);
    dsp_test::Connect(doc, 8, 0, 16, 0);
    auto& in2 = dynamic_cast<model::CAriInput&>(*doc.GetModuleById(2));
    in2.m_level = -6.0;
    in2.m_phantom = 1;
    auto& in3 = dynamic_cast<model::CAriInput&>(*doc.GetModuleById(3));
    in3.m_level = -0.0; // still the reset level
    in3.m_mute = 1;
    in3.m_micGainIndex = 3;
    auto& out12 = dynamic_cast<model::CAriOutput&>(*doc.GetModuleById(12));
    out12.m_invert = 1;
    out12.m_level = 6.0;

    EXPECT_EQ(sheet.Program(), (Commands{
                                   "*NyRST#",
                                   "*NyMDU 1 1 1#",
                                   "*NyMDU 2 2 1#",
                                   "*NyILK 2 1 1 1#",
                                   "*NyILK 2 2 1 2#",
                                   "*NyILK 2 4 1 3#",
                                   "*NyILK 2 8 1 8#",
                                   "*NySET 1 103 2 5.011872e-001#",
                                   "*NySET 1 105 2 1#",
                                   "*NySET 1 101 3 1#",
                                   "*NySET 1 104 3 3#",
                                   "*NySET 2 202 4 1#",
                                   "*NySET 2 203 4 1.995262e+000#",
                                   "*NyENDD#",
                                   "*NyRUN#",
                               }));
    EXPECT_EQ(doc.m_programBuilt, 1);
    EXPECT_TRUE(sheet.view.Console().Queue(EConsoleQueue::Store).empty());
    EXPECT_TRUE(sheet.messages.ShownIds().empty());

    // The same program on the store queue when asked for.
    sheet.view.Console().ClearAll();
    EXPECT_TRUE(sheet.view.Download().BuildDownloadCommands(true));
    EXPECT_EQ(sheet.view.Console().Queue(EConsoleQueue::Store).size(), 15u);
    EXPECT_TRUE(sheet.view.Console().Queue(EConsoleQueue::Control).empty());
}

// Every type and variant between input 1 and output 9, at its reset state:
// its block and its wires, and only the coefficients the block cannot know
// (a pass filter's corner, a crossover's splits).
TEST(DspEditorDownloadProgram, EveryTypeAndVariantAtResetSendsItsBlockAndWires) {
    struct row_t {
        std::int32_t type, variant;
        const char* block;
    };
    const row_t rows[] = {
        {3, 1, "3 2 1"},    {3, 2, "3 2 2"},   {3, 3, "3 2 3"},    {3, 4, "3 2 4"},
        {3, 5, "3 2 5"},    {4, 1, "4 2 1"},   {4, 2, "4 2 2"},    {4, 3, "4 2 3"},
        {5, 1, "5 2 1"},    {5, 2, "5 2 2"},   {5, 3, "5 2 3"},    {5, 4, "5 2 4"},
        {5, 5, "5 2 5"},    {5, 6, "5 2 6"},   {5, 7, "5 2 7"},    {5, 8, "5 2 8"},
        {7, 1, "7 2 1"},    {7, 2, "7 2 2"},   {7, 3, "7 2 3"},    {7, 4, "7 2 4"},
        {7, 5, "7 2 5"},    {7, 6, "7 2 6"},   {8, 1, "8 2 1"},    {8, 2, "8 2 2"},
        {8, 3, "8 2 3"},    {9, 1, "6 2 1"},   {9, 3, "6 2 3"},    {9, 5, "6 2 5"},
        {9, 7, "6 2 7"},    {9, 10, "6 2 10"}, {9, 16, "6 2 16"},  {9, 51, "6 2 17"},
        {9, 52, "6 2 15"},  {9, 53, "6 2 10"}, {10, 1, "6 2 18"},  {10, 2, "6 2 18"},
        {10, 3, "6 2 1"},   {10, 4, "6 2 1"},  {11, 19, "6 2 19"}, {11, 20, "6 2 20"},
        {11, 21, "6 2 21"},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(std::to_string(row.type) + "/" + std::to_string(row.variant));
        dsp_test::FakeFrame frame;
        Sheet sheet(frame);
        CBaseAriModule* module = sheet.Add(row.type, row.variant);
        ASSERT_NE(module, nullptr);
        Commands wires;
        if (module->m_inputCount > 0) {
            dsp_test::Connect(*sheet.doc, 1, 0, module->m_id, 0);
            wires.push_back("*NyILK 2 1 1 1#");
        }
        dsp_test::Connect(*sheet.doc, module->m_id, module->m_inputCount, 9, 0);
        wires.push_back("*NyILK 3 1 2 1#");

        Commands coefficients;
        if (const auto* filter = dynamic_cast<const model::CAriFilter*>(module);
            filter && row.variant <= 2) {
            coefficients = Biquad(2, 1, filter->m_sections[0]);
        }
        if (const auto* crossover = dynamic_cast<const model::CAriCrossover*>(module)) {
            for (std::size_t p = 0; p < static_cast<std::size_t>(crossover->m_sectionCount); ++p)
                coefficients = Join({coefficients, Biquad(2, 4 * static_cast<int>(p) + 1,
                                                          crossover->m_sections[p][0])});
        }
        if (row.type == 11) {
            // 2, 4 and 6 filter positions of two lines each.
            EXPECT_EQ(coefficients.size(), 4u * static_cast<unsigned>(row.variant - 18));
        }

        EXPECT_EQ(sheet.Program(),
                  Join({{"*NyRST#", "*NyMDU 1 1 1#", std::string("*NyMDU ") + row.block + "#",
                         "*NyMDU 2 3 1#"},
                        wires,
                        coefficients,
                        kEnd}));
    }
}

// Each row sets parameters off their reset state (and some to values that
// still are the reset state) and lists the commands, in the unit's order.
TEST(DspEditorDownloadProgram, ParametersOffTheirResetStateInTheUnitsOrder) {
    using Setup = void (*)(CBaseAriModule&);
    struct row_t {
        const char* name;
        std::int32_t type, variant;
        Setup setup;
        Commands expected;
    };
    const row_t rows[] = {
        {"delay bypassed, shorter",
         3,
         1,
         [](CBaseAriModule& m) {
             auto& d = dynamic_cast<model::CAriDelay&>(m);
             d.m_bypass = 1;
             d.m_delay = 2.51;
         },
         {"*NySET 2 302 1#", "*NySET 2 301 120#"}},
        {"delay at 0 ms",
         3,
         5,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriDelay&>(m).m_delay = 0.0; },
         {"*NySET 2 301 0#"}},
        {"delay at its longest",
         3,
         4,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriDelay&>(m).m_delay = 50.0; },
         {}},
        {"router",
         4,
         1,
         [](CBaseAriModule& m) {
             auto& r = dynamic_cast<model::CAriRouter&>(m);
             r.m_selectedInput[1] = 3;
             r.m_selectedInput[3] = 4;
         },
         {"*NySET 2 401 2 3#", "*NySET 2 401 4 4#"}},
        {"mixer 4x2",
         5,
         2,
         [](CBaseAriModule& m) {
             auto& x = dynamic_cast<model::CAriMixer&>(m);
             x.m_inputMute[0] = 1;
             x.m_inputLevel[1] = -6.0;
             x.m_inputLevel[2] = -0.0;
             x.m_outputMute[0] = 1;
             x.m_outputLevel[0] = -20.0;
             x.m_columnMask[1] = 5;
             x.m_crossPoint[2][1] = -6.0; // input 3 to output 2
             x.m_crossPoint[0][0] = 20.0;
         },
         {"*NySET 2 501 1 1#", "*NySET 2 503 2 5.011872e-001#", "*NySET 2 502 1 1#",
          "*NySET 2 504 1 1.000000e-001#", "*NySET 2 506 1 1 1.000000e+001#", "*NySET 2 505 2 5#",
          "*NySET 2 506 2 3 5.011872e-001#"}},
        {"leveler",
         7,
         1,
         [](CBaseAriModule& m) {
             auto& d = dynamic_cast<model::CAriDynamic&>(m);
             d.m_bypass = 1;
             d.m_targetOrDepth = -40.0; // no gate on a leveler
             d.m_levelerGain = -6.0;
             d.m_attack = 10.0;
             d.m_release = 100.0;
             d.m_threshold = -20.0;
             d.m_ratio = 2.0;
         },
         {"*NySET 2 701 1#", "*NySET 2 707 5.011872e-001#", "*NySET 2 702 481#",
          "*NySET 2 703 4801#", "*NySET 2 704 4401#", "*NySET 2 705 5.000000e-001#"}},
        {"compressor",
         7,
         2,
         [](CBaseAriModule& m) {
             auto& d = dynamic_cast<model::CAriDynamic&>(m);
             d.m_levelerGain = -6.0; // leveler only
             d.m_ratio = 8.0;
         },
         {"*NySET 2 705 1.250000e-001#"}},
        {"limiter",
         7,
         3,
         [](CBaseAriModule& m) {
             auto& d = dynamic_cast<model::CAriDynamic&>(m);
             d.m_ratio = 8.0; // fixed on a limiter
             d.m_threshold = 6.0;
         },
         {"*NySET 2 704 87815#"}},
        {"noise gate",
         7,
         4,
         [](CBaseAriModule& m) {
             auto& d = dynamic_cast<model::CAriDynamic&>(m);
             d.m_targetOrDepth = -40.0;
             d.m_ratio = 2.0;
         },
         {"*NySET 2 708 1.000000e-002#"}},
        {"expander",
         7,
         5,
         [](CBaseAriModule& m) {
             auto& d = dynamic_cast<model::CAriDynamic&>(m);
             EXPECT_EQ(d.m_ratio, 0.25);
             d.m_ratio = 0.5;
         },
         {"*NySET 2 705 2.000000e+000#"}},
        {"expander at 4:1",
         7,
         5,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriDynamic&>(m).m_ratio = 4.0; },
         {"*NySET 2 705 2.500000e-001#"}},
        {"clipper",
         7,
         6,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriDynamic&>(m).m_ratio = 2.0; },
         {}},
        {"sine generator",
         8,
         1,
         [](CBaseAriModule& m) {
             auto& g = dynamic_cast<model::CAriGenerator&>(m);
             g.m_mode = 0;
             g.m_mute = 1;
             g.m_level = -6.0;
             g.m_frequency = 2000.0;
             g.m_sweepStart = 160.0;
             g.m_sweepStop = 20000.0;
             g.m_stepWidthIndex = 2;
             g.m_step = 50;
         },
         {"*NySET 2 801 0#", "*NySET 2 802 1#", "*NySET 2 803 2.205825e+004#",
          "*NySET 2 804 1.931852e+000 2.588190e-001#", "*NySET 2 805 144#", "*NySET 2 806 478#",
          "*NySET 2 807 16#", "*NySET 2 808 2400#"}},
        {"sine generator, odd step width",
         8,
         1,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriGenerator&>(m).m_stepWidthIndex = 9; },
         {"*NySET 2 807 0#"}},
        {"pink noise",
         8,
         3,
         [](CBaseAriModule& m) {
             auto& g = dynamic_cast<model::CAriGenerator&>(m);
             g.m_mode = 0;
             g.m_frequency = 2000.0;
             g.m_sweepStart = 160.0;
             g.m_mute = 1;
         },
         {"*NySET 2 802 1#"}},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        dsp_test::FakeFrame frame;
        Sheet sheet(frame);
        CBaseAriModule* module = sheet.Add(row.type, row.variant);
        ASSERT_NE(module, nullptr);
        row.setup(*module);
        EXPECT_EQ(Body(sheet.Program()), row.expected);
    }
}

// The biquad chains: a band, a filter or a crossover position sends the
// coefficients the module holds.
TEST(DspEditorDownloadProgram, BiquadChainsSendTheirSections) {
    {
        SCOPED_TRACE("equalizer");
        dsp_test::FakeFrame frame;
        Sheet sheet(frame);
        auto& eq = dynamic_cast<model::CAriEqualizer&>(*sheet.Add(9, 5));
        eq.m_bypass = 1;
        eq.m_gain[1] = 6.0;
        eq.CalcBandCoeffs(1);
        eq.m_frequency[2] = 5000.0; // at 0 dB a band is flat wherever it is
        eq.CalcBandCoeffs(2);
        EXPECT_EQ(Body(sheet.Program()), Join({{"*NySET 2 606 1#"}, Biquad(2, 2, eq.m_coeffs[1])}));
    }
    {
        SCOPED_TRACE("low pass of two sections");
        dsp_test::FakeFrame frame;
        Sheet sheet(frame);
        auto& f = dynamic_cast<model::CAriFilter&>(*sheet.Add(10, 1));
        f.m_bypass = 1;
        ASSERT_TRUE(f.CalcCoeffs(7, 500.0, 0.0)); // "BW 24"
        f.m_filterType = 7;
        f.m_frequency = 500.0;
        ASSERT_EQ(f.m_biquadCount, 2);
        EXPECT_EQ(Body(sheet.Program()), Join({{"*NySET 2 606 1#", "*NySET 2 609 1 2#"},
                                               Biquad(2, 1, f.m_sections[0]),
                                               Biquad(2, 2, f.m_sections[1])}));
    }
    {
        SCOPED_TRACE("shelves");
        dsp_test::FakeFrame frame;
        Sheet sheet(frame);
        auto& flat = dynamic_cast<model::CAriFilter&>(*sheet.Add(10, 3));
        flat.m_frequency = 200.0; // no gain: nothing to send
        auto& shelf = dynamic_cast<model::CAriFilter&>(*sheet.Add(10, 4));
        ASSERT_TRUE(shelf.CalcCoeffs(0, 8000.0, -6.0));
        shelf.m_gain = -6.0;
        EXPECT_EQ(Body(sheet.Program()), Biquad(3, 1, shelf.m_sections[0]));
    }
    {
        SCOPED_TRACE("2-way crossover");
        dsp_test::FakeFrame frame;
        Sheet sheet(frame);
        auto& x = dynamic_cast<model::CAriCrossover&>(*sheet.Add(11, 19));
        x.m_inputMute = 1;
        x.m_inputLevel = -6.0;
        x.m_outputInvert[0] = 1;
        x.m_outputMute[1] = 1;
        x.m_outputLevel[1] = -20.0;
        ASSERT_TRUE(x.CalcSectionCoeffs(1, 7, 1200.0)); // the high side, "BW 24"
        x.m_filterType[1] = 7;
        ASSERT_EQ(x.m_biquadCount[1], 2);
        EXPECT_EQ(Body(sheet.Program()),
                  Join({{"*NySET 2 601 1#", "*NySET 2 602 5.011872e-001#", "*NySET 2 604 1 1#",
                         "*NySET 2 603 2 1#", "*NySET 2 605 2 1.000000e-001#"},
                        Biquad(2, 1, x.m_sections[0][0]),
                        {"*NySET 2 609 2 2#"},
                        Biquad(2, 5, x.m_sections[1][0]),
                        Biquad(2, 6, x.m_sections[1][1])}));
    }
}

TEST(DspEditorDownloadProgram, OscillatorPairOfTheResetFrequencyOnTheWire) {
    // What a generator set back to 1000 Hz sends live.
    comm::CDSPDlgShowCMD console;
    de::CConsoleSink sink(console, false);
    const model::OscillatorPair osc = model::OscFromHz(1000.0);
    sink.SetFF(2, 804, static_cast<float>(osc.twoCos), static_cast<float>(osc.sine));
    EXPECT_EQ(console.Queue(EConsoleQueue::Control),
              (Commands{"*NySET 2 804 1.982890e+000 1.305262e-001#"}));
}

// A meter of eight channels: two fed by one router output, one by an input,
// one each by a delay, a mixer's second output and a generator, one by a
// crossover's third output, one not linked. The links into the meter are
// no wires.
TEST(DspEditorDownloadProgram, MeterTapsOneCommandPerLinkedChannelOnItsSource) {
    dsp_test::FakeFrame frame;
    Sheet sheet(frame);
    CZoDSPDoc& doc = *sheet.doc;
    CBaseAriModule* router = sheet.Add(4, 1);      // 4 x 4, order 2
    CBaseAriModule* delay = sheet.Add(3, 1);       // order 3
    CBaseAriModule* mixer = sheet.Add(5, 2);       // 4 x 2, order 4
    CBaseAriModule* generator = sheet.Add(8, 2);   // order 5
    CBaseAriModule* crossover = sheet.Add(11, 20); // 1 x 3, order 6
    CBaseAriModule* meter = sheet.Add(13, 4);      // 8 inputs
    ASSERT_EQ(meter->m_inputCount, 8);
    dsp_test::Connect(doc, router->m_id, 4 + 1, meter->m_id, 0); // router output 2
    dsp_test::Connect(doc, router->m_id, 4 + 1, meter->m_id, 1);
    dsp_test::Connect(doc, 3, 0, meter->m_id, 2);
    dsp_test::Connect(doc, delay->m_id, 1, meter->m_id, 3);
    dsp_test::Connect(doc, mixer->m_id, 4 + 1, meter->m_id, 4);
    dsp_test::Connect(doc, generator->m_id, 0, meter->m_id, 6);
    dsp_test::Connect(doc, crossover->m_id, 1 + 2, meter->m_id, 7);
    dsp_test::Connect(doc, 1, 0, crossover->m_id, 0);

    const Commands program = sheet.Program();
    EXPECT_EQ(std::count_if(program.begin(), program.end(),
                            [](const std::string& c) { return c.starts_with("*NyILK"); }),
              1);
    EXPECT_TRUE(std::find(program.begin(), program.end(), "*NyILK 6 1 1 1#") != program.end());
    const Commands taps(program.end() - 9, program.end() - 2);
    EXPECT_EQ(taps,
              (Commands{"*NySET 2 1 2 1#", "*NySET 2 1 2 1#", "*NySET 1 1 3 1#", "*NySET 3 1 1#",
                        "*NySET 4 1 2 1#", "*NySET 5 1 1#", "*NySET 6 1 3 1#"}));
    EXPECT_EQ(Commands(program.end() - 2, program.end()), kEnd);
}

TEST(DspEditorDownloadProgram, RefusedWithoutOrderAndStoppedAtABadLink) {
    dsp_test::FakeFrame frame;
    Sheet sheet(frame);
    CZoDSPDoc& doc = *sheet.doc;
    comm::CDSPDlgShowCMD& console = sheet.view.Console();

    // 339: the order is not set; nothing queued.
    EXPECT_FALSE(sheet.view.Download().BuildDownloadCommands(false));
    EXPECT_EQ(sheet.messages.ShownIds(), (std::vector<int>{resources::kMsgOrderNotSet}));
    EXPECT_TRUE(console.Queue(EConsoleQueue::Control).empty());
    EXPECT_EQ(doc.m_programBuilt, 0);

    // 338: the second link names a module the sheet lacks; the program is
    // left as far as it got.
    CBaseAriModule* delay = sheet.Add(3, 1);
    dsp_test::Connect(doc, 1, 0, delay->m_id, 0);
    dsp_test::Connect(doc, delay->m_id, 1, 9, 0);
    ASSERT_EQ(doc.AssignExecutionOrder(), 1);
    doc.Links()[1]->m_destModule = 99;
    EXPECT_FALSE(sheet.view.Download().BuildDownloadCommands(false));
    EXPECT_EQ(sheet.messages.ShownIds(), (std::vector<int>{resources::kMsgOrderNotSet, resources::kMsgBadLink}));
    EXPECT_EQ(console.Queue(EConsoleQueue::Control),
              (Commands{"*NyRST#", "*NyMDU 1 1 1#", "*NyMDU 3 2 1#", "*NyMDU 2 3 1#",
                        "*NyILK 2 1 1 1#"}));
    EXPECT_EQ(doc.m_programBuilt, 0);
}

// -- the start

class StartFrame final : public de::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return mac; }
    std::int32_t NewSheetModel() const override { return 1; }
    std::string DeviceDocumentPath() const override { return {}; }
    CZoDSPView* ActiveDspView() const override { return active; }
    void ShowDspStatus(const de::DspStatusFigures& figures) override {
        events.push_back(std::string("ids ") + (figures.idsSet ? "set" : "not set"));
    }
    std::optional<std::vector<CZoDSPView*>> OpenDspViews() const override { return views; }
    void SetRunState(bool running) override { events.push_back(running ? "run" : "stop"); }

    std::string mac = "00602b0a0b0c";
    CZoDSPView* active = nullptr;
    std::optional<std::vector<CZoDSPView*>> views = std::vector<CZoDSPView*>{};
    std::vector<std::string> events;
};

class MeterDialog final : public de::IAttriDialog {
public:
    MeterDialog(std::int32_t id, std::int32_t kind) : id_(id), kind_(kind) {}
    std::int32_t GetModuleId() const override { return id_; }
    std::int32_t GetKind() const override { return kind_; }
    void DestroyDialog() override {}
    void ShowMeterLevel(std::int32_t channel, double db) override {
        levels.push_back(std::to_string(channel) + ":" + std::to_string(static_cast<int>(db)));
    }
    std::vector<std::string> levels;

private:
    std::int32_t id_, kind_;
};

class CountingWindow final : public de::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    int repaints = 0;
};

struct StartSheet {
    explicit StartSheet(StartFrame& frame) : doc(std::make_unique<CZoDSPDoc>()), view(*doc) {
        doc->SetMainFrame(&frame);
        doc->OnNewDocument();
        view.SetWindow(&window);
        frame.views->push_back(&view);
    }
    ~StartSheet() { doc->SetMainFrame(nullptr); }

    std::unique_ptr<CZoDSPDoc> doc;
    CZoDSPView view;
    CountingWindow window;
};

TEST(DspEditorDownloadStart, GoesLiveWithTheProgramQueuedAndTheMetersAtTheFloor) {
    StartFrame frame;
    StartSheet sheet(frame);
    CZoDSPDoc& doc = *sheet.doc;
    CZoDSPView& view = sheet.view;
    frame.active = &view;
    CBaseAriModule* meter = doc.AddModule(13, 2, 300, 300, 1); // 2 inputs
    CBaseAriModule* delay = doc.AddModule(3, 1, 300, 100, 1);
    dsp_test::Connect(doc, 1, 0, 9, 0);
    MeterDialog meterDialog(meter->m_id, 0), delayDialog(delay->m_id, 0), allInputs(0, 1);
    doc.AddAttriDialog(&delayDialog);
    doc.AddAttriDialog(&meterDialog);
    doc.AddAttriDialog(&allInputs);

    comm::CDSPDlgShowCMD& console = view.Console();
    console.SendText("STALE", false);
    console.SendText("STALE", true);
    for (int i = 0; i < 7; ++i)
        console.CountBusy();
    console.CountFailure();
    console.CountFailure();
    view.Download().m_stopRequest = 1;

    model::CRecordingMessages messages;
    view.Download().OnDownloadStart();
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(meterDialog.levels, (std::vector<std::string>{"0:-112", "1:-112"}));
    EXPECT_TRUE(delayDialog.levels.empty());
    EXPECT_TRUE(allInputs.levels.empty());
    EXPECT_EQ(console.Queue(EConsoleQueue::Control),
              (Commands{"*NyRST#", "*NyMDU 1 1 1#", "*NyMDU 3 2 1#", "*NyMDU 2 3 1#",
                        "*NyILK 3 1 1 1#", "*NyENDD#", "*NyRUN#"}));
    EXPECT_TRUE(console.Queue(EConsoleQueue::Store).empty());
    EXPECT_EQ(console.BusyCount(), 0);
    EXPECT_EQ(console.FailureCount(), 0);
    EXPECT_EQ(doc.m_live, 1);
    EXPECT_EQ(view.Download().m_stopRequest, 0);
    EXPECT_EQ(view.Download().m_progress, 1);
    EXPECT_EQ(view.Download().m_progressCountsPending, 1);
    EXPECT_EQ(sheet.window.repaints, 1);
    EXPECT_EQ(frame.events, (std::vector<std::string>{"ids set", "run"}));

    // A second start while the download is in progress only resets the
    // meters.
    const Commands queued = console.Queue(EConsoleQueue::Control);
    frame.events.clear();
    view.Download().OnDownloadStart();
    EXPECT_EQ(meterDialog.levels.size(), 4u);
    EXPECT_EQ(console.Queue(EConsoleQueue::Control), queued);
    EXPECT_TRUE(frame.events.empty());
    doc.RemoveAttriDialog(meter->m_id, 0);
    doc.RemoveAttriDialog(delay->m_id, 0);
    doc.RemoveAttriDialog(0, 1);
}

TEST(DspEditorDownloadStart, AnotherSheetOfTheSameUnitStops) {
    StartFrame frame;
    StartSheet first(frame), second(frame);
    frame.mac = "00602b0a0b0d";
    StartSheet elsewhere(frame);
    for (StartSheet* other : {&first, &elsewhere}) {
        other->doc->m_live = 1;
        other->view.Download().m_commFault = 1;
    }
    frame.active = &first.view;

    model::CRecordingMessages messages;
    second.view.Download().OnDownloadStart();
    EXPECT_EQ(second.doc->m_live, 1);
    EXPECT_EQ(first.doc->m_live, 0);
    EXPECT_EQ(first.view.Download().m_stopRequest, 1);
    EXPECT_EQ(first.view.Download().m_commFault, 0);
    EXPECT_EQ(elsewhere.doc->m_live, 1);
    EXPECT_EQ(elsewhere.view.Download().m_stopRequest, 0);
    EXPECT_EQ(elsewhere.view.Download().m_commFault, 1);
    // Only the active sheet's pane: the first one's stop.
    EXPECT_EQ(frame.events, (std::vector<std::string>{"stop"}));
}

// Each refusal leaves the sheet not live (but 287, refused before anything
// changes) and the progress flag alone.
TEST(DspEditorDownloadStart, RefusalsLeaveTheSheetNotLive) {
    struct row_t {
        const char* name;
        void (*setup)(StartFrame&, CZoDSPDoc&);
        std::vector<int> messages;
        std::size_t queued;
        std::int32_t live = 0;
    };
    const row_t rows[] = {
        {"no DSP sheets known", [](StartFrame& f, CZoDSPDoc&) { f.views.reset(); }, {287}, 1, 1},
        {"space",
         [](StartFrame&, CZoDSPDoc& d) {
             d.AddModule(3, 5, 200, 100, 1);
             d.AddModule(3, 5, 200, 200, 1);
         },
         {307},
         1},
        {"time",
         [](StartFrame&, CZoDSPDoc& d) {
             d.AddModule(5, 8, 200, 100, 1);
             d.AddModule(5, 8, 200, 400, 1);
         },
         {306},
         1},
        {"a loop",
         [](StartFrame&, CZoDSPDoc& d) {
             const std::int32_t a = d.AddModule(3, 1, 200, 100, 1)->m_id;
             const std::int32_t b = d.AddModule(3, 1, 200, 200, 1)->m_id;
             dsp_test::Connect(d, a, 1, b, 0);
             dsp_test::Connect(d, b, 1, a, 0);
         },
         {308},
         1},
        {"a bad link",
         [](StartFrame&, CZoDSPDoc& d) {
             dsp_test::Connect(d, 1, 0, 9, 0);
             dsp_test::Connect(d, 2, 0, 10, 0);
             d.Links()[1]->m_sourceModule = 99;
         },
         {338, 309},
         4},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        StartFrame frame;
        StartSheet sheet(frame);
        {
            model::CRecordingMessages setup;
            row.setup(frame, *sheet.doc);
        }
        sheet.doc->m_live = 1;
        sheet.view.Console().SendText("STALE", false);

        model::CRecordingMessages messages;
        sheet.view.Download().OnDownloadStart();
        EXPECT_EQ(messages.ShownIds(), row.messages);
        EXPECT_EQ(sheet.doc->m_live, row.live);
        EXPECT_EQ(sheet.view.Download().m_progress, 0);
        // The stale command stays until the clear; a bad link leaves its
        // partial program (RST, two blocks, one wire).
        EXPECT_EQ(sheet.view.Console().Queue(EConsoleQueue::Control).size(), row.queued);
    }
}

// The sender took a command of the old program and answers it after the
// start: the answer lands nowhere and the new program is whole, from its
// first command.
TEST(DspEditorDownloadStart, AStartMidExchangeKeepsTheNewProgramWhole) {
    StartFrame frame;
    StartSheet sheet(frame);
    comm::CDSPDlgShowCMD& console = sheet.view.Console();
    console.SendText("OLD1", false);
    console.SendText("OLD2", false);
    const std::optional<comm::ConsoleTicket> taken = console.TakeNext(EConsoleQueue::Control);
    ASSERT_TRUE(taken);

    model::CRecordingMessages messages;
    sheet.view.Download().OnDownloadStart();
    console.StoreReply(*taken, "*OK#");
    console.Unsend(*taken);
    const std::vector<comm::ConsoleRow> rows = console.Rows(EConsoleQueue::Control);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].command, "*NyRST#");
    for (const comm::ConsoleRow& row : rows)
        EXPECT_EQ(row.reply, "");
    EXPECT_EQ(console.SentIndex(EConsoleQueue::Control), 0);
    EXPECT_EQ(console.ReplyCount(EConsoleQueue::Control), 0);
    const std::optional<comm::ConsoleTicket> next = console.TakeNext(EConsoleQueue::Control);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->command, "*NyRST#");
}

} // namespace
