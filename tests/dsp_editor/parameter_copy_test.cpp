// Parameters copied from one DSP module onto another: a row per module type
// with the commands each changed field queues, the destination holding the
// source's parameters afterwards (byte for byte as stored), nothing queued
// while the sheet is not live, and nothing done across types or variants.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ari_test_support.h"
#include "comm/dsp_console.h"
#include "dsp_editor/parameter_copy.h"
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

namespace {

using namespace model;
using ari_test::MakeModule;
using ari_test::StoreModule;
using comm::CDSPDlgShowCMD;
using comm::EConsoleQueue;
using dsp_editor::SendParameterChanges;
using Commands = std::vector<std::string>;

// The execution orders of the two modules: commands must name the
// destination's.
constexpr std::int32_t kSourceOrder = 9;
constexpr std::int32_t kDestinationOrder = 5;

// Input modules stand for the unit channel of their id, outputs for id - 8.
std::int32_t IdFor(std::int32_t type) {
    return type == kAriInput ? 3 : type == kAriOutput ? 11 : 20;
}

std::unique_ptr<CBaseAriModule> Make(std::int32_t type, std::int32_t variant, std::int32_t order) {
    auto module = MakeModule(type, variant, IdFor(type), 40, 60);
    module->m_order = order;
    return module;
}

using Edit = std::function<void(CBaseAriModule& source, CBaseAriModule& destination)>;

template <class T> Edit OnSource(std::function<void(T&)> edit) {
    return [edit](CBaseAriModule& source, CBaseAriModule&) { edit(dynamic_cast<T&>(source)); };
}
// For a change back to the reset state: the destination holds the change,
// the source its reset value.
template <class T> Edit OnDestination(std::function<void(T&)> edit) {
    return [edit](CBaseAriModule&, CBaseAriModule& destination) {
        edit(dynamic_cast<T&>(destination));
    };
}

void ExpectNoCommands(const CDSPDlgShowCMD& console) {
    for (const EConsoleQueue q : {EConsoleQueue::Store, EConsoleQueue::Control, EConsoleQueue::Get})
        EXPECT_TRUE(console.Queue(q).empty()) << "queue " << static_cast<int>(q);
}

struct CopyRow {
    const char* what;
    std::int32_t type;
    std::int32_t variant;
    Edit edit;
    Commands commands;
};

// Hand-made sections: what matters is that the destination gets the
// source's, whatever design made them.
constexpr BiquadCoeffs kSectionA{1.5, -1.0, 0.5, -0.75, 0.25};
constexpr BiquadCoeffs kSectionB{0.125, 0.25, 0.125, -0.5, 0.0625};

// clang-format off
const CopyRow kCopyRows[] = {
    {"input mute", kAriInput, 1, OnSource<CAriInput>([](auto& m) { m.m_mute = 1; }),
     {"*NySET 5 101 3 1#"}},
    {"input invert", kAriInput, 1, OnSource<CAriInput>([](auto& m) { m.m_invert = 1; }),
     {"*NySET 5 102 3 1#"}},
    {"input level", kAriInput, 1, OnSource<CAriInput>([](auto& m) { m.m_level = -6.0; }),
     {"*NySET 5 103 3 5.011872e-001#"}},
    // In double precision the gain would print as 2.162719e-003.
    {"input level in single precision", kAriInput, 1,
     OnSource<CAriInput>([](auto& m) { m.m_level = -53.3; }),
     {"*NySET 5 103 3 2.162718e-003#"}},
    {"input phantom goes before the gain", kAriInput, 1,
     OnSource<CAriInput>([](auto& m) { m.m_micGainIndex = 2; m.m_phantom = 1; }),
     {"*NySET 5 105 3 1#", "*NySET 5 104 3 2#"}},
    {"input setting without a code", kAriInput, 1,
     OnSource<CAriInput>([](auto& m) { m.m_micControls = 7; }), {}},
    {"input level back to 0 dB", kAriInput, 1,
     OnDestination<CAriInput>([](auto& m) { m.m_level = 12.0; }),
     {"*NySET 5 103 3 1.000000e+000#"}},

    {"output mute, invert, level", kAriOutput, 1,
     OnSource<CAriOutput>([](auto& m) { m.m_mute = 1; m.m_invert = 1; m.m_level = 6.0; }),
     {"*NySET 5 201 3 1#", "*NySET 5 202 3 1#", "*NySET 5 203 3 1.995262e+000#"}},

    {"delay bypass before delay", kAriDelay, 3,
     OnSource<CAriDelay>([](auto& m) { m.m_delay = 10.5; m.m_bypass = 1; }),
     {"*NySET 5 302 1#", "*NySET 5 301 504#"}},
    {"delay to 0 ms", kAriDelay, 3, OnSource<CAriDelay>([](auto& m) { m.m_delay = 0.0; }),
     {"*NySET 5 301 0#"}},

    {"router selections", kAriRouter, 1,
     OnSource<CAriRouter>([](auto& m) { m.m_selectedInput[1] = 3; m.m_selectedInput[3] = 2; }),
     {"*NySET 5 401 2 3#", "*NySET 5 401 4 2#"}},
    {"router selection back to 1", kAriRouter, 3,
     OnDestination<CAriRouter>([](auto& m) { m.m_selectedInput[15] = 16; }),
     {"*NySET 5 401 16 1#"}},

    {"mixer inputs, then each output with its cross-points", kAriMixer, 2,
     OnSource<CAriMixer>([](auto& m) {
         m.m_inputMute[0] = 1;
         m.m_inputLevel[2] = -10.0;
         m.m_outputMute[1] = 1;
         m.m_outputLevel[0] = 3.0;
         m.m_columnMask[1] = 5;
         m.CrossPoint(3, 0) = -20.0;
         m.CrossPoint(0, 1) = -3.0;
     }),
     {"*NySET 5 501 1 1#", "*NySET 5 503 3 3.162278e-001#", "*NySET 5 504 1 1.412538e+000#",
      "*NySET 5 506 1 4 1.000000e-001#", "*NySET 5 502 2 1#", "*NySET 5 505 2 5#",
      "*NySET 5 506 2 1 7.079458e-001#"}},
    {"mixer back to its reset state", kAriMixer, 8,
     OnDestination<CAriMixer>([](auto& m) {
         m.m_inputMute[15] = 1;
         m.CrossPoint(3, 0) = -20.0;
     }),
     {"*NySET 5 501 16 0#", "*NySET 5 506 1 4 1.000000e+000#"}},

    {"compressor", kAriDynamic, CAriDynamic::kCompressor,
     OnSource<CAriDynamic>([](auto& m) {
         m.m_bypass = 1;
         m.m_attack = 10.0;
         m.m_release = 500.0;
         m.m_threshold = -10.0;
         m.m_ratio = 2.0;
     }),
     {"*NySET 5 701 1#", "*NySET 5 702 481#", "*NySET 5 703 24001#", "*NySET 5 704 13917#",
      "*NySET 5 705 5.000000e-001#"}},
    {"expander ratio", kAriDynamic, CAriDynamic::kExpander,
     OnSource<CAriDynamic>([](auto& m) { m.m_ratio = 0.5; }), {"*NySET 5 705 2.000000e+000#"}},
    {"leveler ratio and gate level travel without a command", kAriDynamic, CAriDynamic::kLeveler,
     OnSource<CAriDynamic>([](auto& m) { m.m_ratio = 8.0; m.m_targetOrDepth = -30.0; }), {}},
    {"leveler target", kAriDynamic, CAriDynamic::kLeveler,
     OnSource<CAriDynamic>([](auto& m) { m.m_levelerGain = -6.0; }),
     {"*NySET 5 707 5.011872e-001#"}},
    {"noise gate level", kAriDynamic, CAriDynamic::kNoiseGate,
     OnSource<CAriDynamic>([](auto& m) { m.m_targetOrDepth = -40.0; }),
     {"*NySET 5 708 1.000000e-002#"}},
    {"limiter threshold", kAriDynamic, CAriDynamic::kLimiter,
     OnSource<CAriDynamic>([](auto& m) { m.m_threshold = -20.0; }), {"*NySET 5 704 4401#"}},
    {"dynamics bypass back to 0", kAriDynamic, CAriDynamic::kClipper,
     OnDestination<CAriDynamic>([](auto& m) { m.m_bypass = 1; }), {"*NySET 5 701 0#"}},

    {"sine generator", kAriGenerator, CAriGenerator::kSine,
     OnSource<CAriGenerator>([](auto& m) {
         m.m_mode = 0;
         m.m_mute = 1;
         m.m_level = -6.0;
         m.m_frequency = 440.0;
         m.m_sweepStart = 20.0;
         m.m_sweepStop = 20000.0;
         m.m_stepWidthIndex = 3;
         m.m_step = 200;
     }),
     {"*NySET 5 801 0#", "*NySET 5 802 1#", "*NySET 5 803 2.205825e+004#",
      "*NySET 5 804 1.996684e+000 5.756403e-002#", "*NySET 5 805 0#", "*NySET 5 806 478#",
      "*NySET 5 807 8#", "*NySET 5 808 9600#"}},
    {"sine generator back to its reset state", kAriGenerator, CAriGenerator::kSine,
     OnDestination<CAriGenerator>([](auto& m) {
         m.m_mode = 0;
         m.m_level = 3.0;
         m.m_frequency = 440.0;
         m.m_sweepStop = 20.0;
         m.m_stepWidthIndex = 2;
         m.m_step = 1;
     }),
     {"*NySET 5 801 1#", "*NySET 5 803 4.401200e+004#", "*NySET 5 804 1.982890e+000 1.305262e-001#",
      "*NySET 5 806 270#", "*NySET 5 807 48#", "*NySET 5 808 4800#"}},
    {"noise generator", kAriGenerator, CAriGenerator::kPinkNoise,
     OnSource<CAriGenerator>([](auto& m) { m.m_mute = 1; m.m_level = -20.0; }),
     {"*NySET 5 802 1#", "*NySET 5 803 4.401200e+003#"}},

    {"equalizer bypass, flags and a band", kAriEqualizer, 3,
     OnSource<CAriEqualizer>([](auto& m) {
         m.m_bypass = 1;
         m.m_bandFlag[0] = 1;
         m.m_gain[1] = 6.0;
         m.m_coeffs[1] = kSectionA;
     }),
     {"*NySET 5 606 1#",
      "*NySET 5 607 2 1.500000e+000 -1.000000e+000 5.000000e-001#",
      "*NySET 5 607 2 -7.500000e-001 2.500000e-001#"}},
    {"equalizer band frequency and bandwidth", kAriEqualizer, 51,
     OnSource<CAriEqualizer>([](auto& m) {
         m.m_frequency[0] = 22.0;
         m.m_coeffs[0] = kSectionA;
         m.m_bandwidth[30] = 0.25;
         m.m_coeffs[30] = kSectionB;
     }),
     {"*NySET 5 607 1 1.500000e+000 -1.000000e+000 5.000000e-001#",
      "*NySET 5 607 1 -7.500000e-001 2.500000e-001#",
      "*NySET 5 607 31 1.250000e-001 2.500000e-001 1.250000e-001#",
      "*NySET 5 607 31 -5.000000e-001 6.250000e-002#"}},

    {"low pass to two sections", kAriFilter, CAriFilter::kLowPass,
     OnSource<CAriFilter>([](auto& m) {
         m.m_bypass = 1;
         m.m_filterType = 7;
         m.m_biquadCount = 2;
         m.m_frequency = 2000.0;
         m.m_sections[0] = kSectionA;
         m.m_sections[1] = kSectionB;
     }),
     {"*NySET 5 606 1#", "*NySET 5 609 1 2#",
      "*NySET 5 607 1 1.500000e+000 -1.000000e+000 5.000000e-001#",
      "*NySET 5 607 1 -7.500000e-001 2.500000e-001#",
      "*NySET 5 607 2 1.250000e-001 2.500000e-001 1.250000e-001#",
      "*NySET 5 607 2 -5.000000e-001 6.250000e-002#"}},
    {"high pass, another type of the same length", kAriFilter, CAriFilter::kHighPass,
     OnSource<CAriFilter>([](auto& m) { m.m_filterType = 0; m.m_sections[0] = kSectionB; }),
     {"*NySET 5 607 1 1.250000e-001 2.500000e-001 1.250000e-001#",
      "*NySET 5 607 1 -5.000000e-001 6.250000e-002#"}},
    {"high pass frequency", kAriFilter, CAriFilter::kHighPass,
     OnSource<CAriFilter>([](auto& m) { m.m_frequency = 500.0; m.m_sections[0] = kSectionA; }),
     {"*NySET 5 607 1 1.500000e+000 -1.000000e+000 5.000000e-001#",
      "*NySET 5 607 1 -7.500000e-001 2.500000e-001#"}},
    {"low shelf gain", kAriFilter, CAriFilter::kLowShelf,
     OnSource<CAriFilter>([](auto& m) { m.m_gain = 6.0; m.m_sections[0] = kSectionA; }),
     {"*NySET 5 607 1 1.500000e+000 -1.000000e+000 5.000000e-001#",
      "*NySET 5 607 1 -7.500000e-001 2.500000e-001#"}},
    {"high shelf bypass back to 0", kAriFilter, CAriFilter::kHighShelf,
     OnDestination<CAriFilter>([](auto& m) { m.m_bypass = 1; }), {"*NySET 5 606 0#"}},

    {"crossover input and outputs", kAriCrossover, CAriCrossover::kTwoWay,
     OnSource<CAriCrossover>([](auto& m) {
         m.m_inputMute = 1;
         m.m_inputLevel = -6.0;
         m.m_outputInvert[0] = 1;
         m.m_outputMute[1] = 1;
         m.m_outputLevel[1] = -3.0;
     }),
     {"*NySET 5 601 1#", "*NySET 5 602 5.011872e-001#", "*NySET 5 604 1 1#", "*NySET 5 603 2 1#",
      "*NySET 5 605 2 7.079458e-001#"}},
    {"crossover positions: frequency, then a longer type", kAriCrossover, CAriCrossover::kFourWay,
     OnSource<CAriCrossover>([](auto& m) {
         m.m_frequency[0] = 200.0;
         m.m_sections[0][0] = kSectionA;
         m.m_filterType[5] = 7;
         m.m_biquadCount[5] = 2;
         m.m_sections[5][0] = kSectionB;
         m.m_sections[5][1] = kSectionA;
     }),
     {"*NySET 5 607 1 1.500000e+000 -1.000000e+000 5.000000e-001#",
      "*NySET 5 607 1 -7.500000e-001 2.500000e-001#",
      "*NySET 5 609 6 2#",
      "*NySET 5 607 21 1.250000e-001 2.500000e-001 1.250000e-001#",
      "*NySET 5 607 21 -5.000000e-001 6.250000e-002#",
      "*NySET 5 607 22 1.500000e+000 -1.000000e+000 5.000000e-001#",
      "*NySET 5 607 22 -7.500000e-001 2.500000e-001#"}},
    {"crossover type of the same length still sends its count", kAriCrossover,
     CAriCrossover::kThreeWay,
     OnSource<CAriCrossover>([](auto& m) { m.m_filterType[1] = 0; m.m_sections[1][0] = kSectionB; }),
     {"*NySET 5 609 2 1#",
      "*NySET 5 607 5 1.250000e-001 2.500000e-001 1.250000e-001#",
      "*NySET 5 607 5 -5.000000e-001 6.250000e-002#"}},

    {"text box", kAriText, 1,
     OnSource<CAriText>([](auto& m) {
         m.m_text = "Stage\r\nleft";
         m.m_transparent = 0;
         m.m_colours[CAriText::kBodyColour] = 0x123456;
         m.m_colours[CAriText::kTextColour] = 0x654321;
         m.m_font.lfHeight = 20;
     }),
     {}},
    {"meter peak holds", kAriMeter, 4,
     OnSource<CAriMeter>([](auto& m) { m.m_peakHold[7] = {500, 0, 1}; }), {}},
};
// clang-format on

TEST(DspEditorParameterCopy, EachChangedFieldQueuesItsCommandAndIsCopied) {
    for (const CopyRow& row : kCopyRows) {
        for (const bool send : {true, false}) {
            SCOPED_TRACE(std::string(row.what) + (send ? ", live" : ", not live"));
            auto source = Make(row.type, row.variant, kSourceOrder);
            auto destination = Make(row.type, row.variant, kDestinationOrder);
            row.edit(*source, *destination);
            CDSPDlgShowCMD console;
            SendParameterChanges(*source, *destination, send, console);
            EXPECT_EQ(console.Queue(EConsoleQueue::Control), send ? row.commands : Commands{});
            EXPECT_TRUE(console.Queue(EConsoleQueue::Store).empty());

            // Everything stored but the execution order is now the source's.
            source->m_order = kDestinationOrder;
            EXPECT_EQ(StoreModule(*destination), StoreModule(*source));
            CDSPDlgShowCMD again;
            SendParameterChanges(*source, *destination, true, again);
            ExpectNoCommands(again);
        }
    }
}

TEST(DspEditorParameterCopy, IdenticalModulesQueueNothing) {
    for (const auto& [type, variant] : ari_test::AllTypeVariants()) {
        SCOPED_TRACE(std::string(AriTypeName(type)) + " " + std::to_string(variant));
        auto source = Make(type, variant, kSourceOrder);
        auto destination = Make(type, variant, kDestinationOrder);
        const auto before = StoreModule(*destination);
        CDSPDlgShowCMD console;
        SendParameterChanges(*source, *destination, true, console);
        ExpectNoCommands(console);
        EXPECT_EQ(StoreModule(*destination), before);
    }
}

TEST(DspEditorParameterCopy, DifferentTypesOrVariantsDoNothing) {
    struct row_t {
        const char* what;
        std::int32_t sourceType, sourceVariant, destinationType, destinationVariant;
    };
    const row_t rows[] = {
        {"input onto output", kAriInput, 1, kAriOutput, 1},
        {"compressor onto limiter", kAriDynamic, 2, kAriDynamic, 3},
        {"4 x 1 mixer onto 4 x 2", kAriMixer, 1, kAriMixer, 2},
        {"3-band equalizer onto 5-band", kAriEqualizer, 3, kAriEqualizer, 5},
        {"low pass onto high pass", kAriFilter, 1, kAriFilter, 2},
        {"delay onto filter", kAriDelay, 1, kAriFilter, 1},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.what);
        auto source = Make(row.sourceType, row.sourceVariant, kSourceOrder);
        auto destination = Make(row.destinationType, row.destinationVariant, kDestinationOrder);
        // Differences in fields the two classes or variants share.
        if (auto* input = dynamic_cast<CAriInput*>(source.get()))
            input->m_mute = 1;
        if (auto* dynamics = dynamic_cast<CAriDynamic*>(source.get()))
            dynamics->m_threshold = -10.0;
        if (auto* mixer = dynamic_cast<CAriMixer*>(source.get()))
            mixer->m_inputMute[0] = 1;
        if (auto* equalizer = dynamic_cast<CAriEqualizer*>(source.get()))
            equalizer->m_bypass = 1;
        if (auto* filter = dynamic_cast<CAriFilter*>(source.get()))
            filter->m_frequency = 200.0;
        if (auto* delay = dynamic_cast<CAriDelay*>(source.get()))
            delay->m_bypass = 1;
        const auto before = StoreModule(*destination);
        CDSPDlgShowCMD console;
        SendParameterChanges(*source, *destination, true, console);
        ExpectNoCommands(console);
        EXPECT_EQ(StoreModule(*destination), before);
    }
}

TEST(DspEditorParameterCopy, FieldsOutsideTheVariantsRuleStayAsTheyWere) {
    {
        SCOPED_TRACE("limiter: no ratio");
        CAriDynamic source(20, CAriDynamic::kLimiter, 0, 0),
            destination(20, CAriDynamic::kLimiter, 0, 0);
        source.m_ratio = 8.0;
        source.m_levelerGain = -6.0;
        source.m_targetOrDepth = -30.0;
        source.m_threshold = -20.0;
        CDSPDlgShowCMD console;
        SendParameterChanges(source, destination, true, console);
        EXPECT_EQ(console.Queue(EConsoleQueue::Control), Commands{"*NySET 0 704 4401#"});
        EXPECT_EQ(destination.m_threshold, -20.0);
        EXPECT_EQ(destination.m_ratio, 4.0);
        EXPECT_EQ(destination.m_levelerGain, 0.0);
        EXPECT_EQ(destination.m_targetOrDepth, 0.0);
    }
    {
        SCOPED_TRACE("noise gate: no ratio, no target");
        CAriDynamic source(20, CAriDynamic::kNoiseGate, 0, 0),
            destination(20, CAriDynamic::kNoiseGate, 0, 0);
        source.m_ratio = 8.0;
        source.m_levelerGain = -6.0;
        CDSPDlgShowCMD console;
        SendParameterChanges(source, destination, true, console);
        ExpectNoCommands(console);
        EXPECT_EQ(destination.m_ratio, 4.0);
        EXPECT_EQ(destination.m_levelerGain, 0.0);
    }
    {
        SCOPED_TRACE("noise generator: no oscillator, no sweep");
        CAriGenerator source(20, CAriGenerator::kWhiteNoise, 0, 0),
            destination(20, CAriGenerator::kWhiteNoise, 0, 0);
        source.m_mode = 0;
        source.m_frequency = 440.0;
        source.m_sweepStart = 20.0;
        source.m_step = 1;
        CDSPDlgShowCMD console;
        SendParameterChanges(source, destination, true, console);
        ExpectNoCommands(console);
        EXPECT_EQ(destination.m_mode, 1);
        EXPECT_EQ(destination.m_frequency, 1000.0);
        EXPECT_EQ(destination.m_sweepStart, 1000.0);
        EXPECT_EQ(destination.m_step, 100);
    }
    {
        SCOPED_TRACE("delay: the maximum is the variant's");
        CAriDelay source(20, 2, 0, 0), destination(20, 2, 0, 0);
        source.m_maxDelay = 7.0;
        CDSPDlgShowCMD console;
        SendParameterChanges(source, destination, true, console);
        ExpectNoCommands(console);
        EXPECT_EQ(destination.m_maxDelay, 10.0);
    }
    {
        SCOPED_TRACE("equalizer: a section without a changed band value");
        CAriEqualizer source(20, 3, 0, 0), destination(20, 3, 0, 0);
        source.m_coeffs[0] = kSectionA;
        CDSPDlgShowCMD console;
        SendParameterChanges(source, destination, true, console);
        ExpectNoCommands(console);
        EXPECT_NE(destination.m_coeffs[0], kSectionA);
    }
}

} // namespace
