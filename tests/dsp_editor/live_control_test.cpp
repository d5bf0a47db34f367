// Live control of a DSP sheet: a module reset to the values it was built
// with (a row per type with the unit commands while live, none otherwise,
// the crossover's section counts, the graphic equalizers' bandwidths), the
// reset carried to a binding group as one undo step, and the meter replies
// routed to the meters' dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "ari_test_support.h"
#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/live_control.h"
#include "dsp_editor/parameter_copy.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
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
#include "model/recording_messages.h"

namespace {

using namespace model;
namespace de = dsp_editor;
using Commands = std::vector<std::string>;
using Edit = std::function<void(CBaseAriModule&)>;

template <class T> Edit As(std::function<void(T&)> edit) {
    return [edit](CBaseAriModule& m) { edit(dynamic_cast<T&>(m)); };
}

// The unit commands of one biquad section, as the console formats them.
Commands Biquad(std::int32_t order, int index, const BiquadCoeffs& section) {
    comm::CDSPDlgShowCMD console;
    console.SendBiquad(order, index, section, false);
    return console.Queue(comm::EConsoleQueue::Control);
}

std::string Hex(const std::vector<std::uint8_t>& bytes, std::ptrdiff_t from) {
    std::string text;
    for (std::ptrdiff_t k = std::max<std::ptrdiff_t>(from - 8, 0);
         k < std::min<std::ptrdiff_t>(from + 8, static_cast<std::ptrdiff_t>(bytes.size())); ++k) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x ", bytes[static_cast<std::size_t>(k)]);
        text += hex;
    }
    return text;
}

::testing::AssertionResult StoredAlike(const std::vector<std::uint8_t>& a,
                                       const std::vector<std::uint8_t>& b) {
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (x == a.end() && y == b.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "sizes " << a.size() << " and " << b.size() << ", first difference at byte "
           << (x - a.begin()) << ": " << Hex(a, x - a.begin()) << " / " << Hex(b, x - a.begin());
}

// Two modules stored alike; else where their stored forms part.
::testing::AssertionResult StoredAlike(CBaseAriModule& a, CBaseAriModule& b) {
    return StoredAlike(ari_test::StoreModule(a), ari_test::StoreModule(b));
}

void Append(Commands& to, const Commands& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// A new sheet (model 1) with its view; modules added here get execution
// order 5 unless told otherwise.
class DspEditorLiveSheet : public ::testing::Test {
protected:
    DspEditorLiveSheet() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
    }

    de::CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }
    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }

    // The sheet's input 3 (order 1) or output 11, else a new module.
    CBaseAriModule& Module(std::int32_t type, std::int32_t variant, std::int32_t order = 5) {
        CBaseAriModule* m = type == kAriInput    ? doc->GetModuleById(3)
                            : type == kAriOutput ? doc->GetModuleById(11)
                                                 : doc->AddModule(type, variant, 200, 40, 1);
        m->m_order = type == kAriInput ? 1 : order;
        doc->ClearSelection();
        return *m;
    }

    // "Set default values" as a dialog gives it: the undo copy taken with
    // merge, then the reset.
    void Reset(CBaseAriModule& m) {
        CBaseAriModule* after = History().AddAction(de::kUndoParameters, m, 0, 0, true);
        ASSERT_NE(after, nullptr);
        view->ResetModuleToDefaults(m, after);
        // The history's after-copy holds what the module now holds.
        EXPECT_TRUE(StoredAlike(*after, m));
    }

    // Every parameter as a new module of the type and variant has it:
    // copying one onto the module changes nothing.
    void ExpectBuiltValues(CBaseAriModule& m) {
        std::unique_ptr<CBaseAriModule> built = de::DefaultModuleLike(m, doc->m_deviceModel);
        ASSERT_NE(built, nullptr);
        const std::vector<std::uint8_t> before = ari_test::StoreModule(m);
        comm::CDSPDlgShowCMD scratch;
        de::SendParameterChanges(*built, m, true, scratch);
        EXPECT_TRUE(scratch.Queue(comm::EConsoleQueue::Control).empty());
        EXPECT_TRUE(StoredAlike(ari_test::StoreModule(m), before));
    }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::vector<std::string> destroyed;
    std::list<dsp_test::FakeDialog> dialogs;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
};

// -- reset

struct ResetRow {
    const char* what;
    std::int32_t type;
    std::int32_t variant;
    Edit edit;
    Commands live; // at order 5 (input 3: order 1)
};

const std::vector<ResetRow>& ResetRows() {
    static const std::vector<ResetRow> rows = {
        {"input: gain index before phantom power",
         kAriInput,
         1,
         As<CAriInput>([](CAriInput& m) {
             m.m_mute = m.m_invert = m.m_phantom = 1;
             m.m_level = -6.0;
             m.m_micGainIndex = 2;
             m.m_micControls = 7;
         }),
         {"*NySET 1 101 3 0#", "*NySET 1 102 3 0#", "*NySET 1 103 3 1.000000e+000#",
          "*NySET 1 104 3 0#", "*NySET 1 105 3 0#"}},
        {"output: channel id - 8",
         kAriOutput,
         1,
         As<CAriOutput>([](CAriOutput& m) {
             m.m_mute = 1;
             m.m_level = -3.0;
         }),
         {"*NySET 5 201 3 0#", "*NySET 5 203 3 1.000000e+000#"}},
        {"delay: bypass, then the longest delay",
         kAriDelay,
         3,
         As<CAriDelay>([](CAriDelay& m) {
             m.m_bypass = 1;
             m.m_delay = 10.5;
         }),
         {"*NySET 5 302 0#", "*NySET 5 301 960#"}},
        {"router: changed outputs back to input 1",
         kAriRouter,
         1,
         As<CAriRouter>([](CAriRouter& m) {
             m.m_selectedInput[1] = 3;
             m.m_selectedInput[3] = 2;
         }),
         {"*NySET 5 401 2 1#", "*NySET 5 401 4 1#"}},
        {"mixer 4 x 2: inputs, then each output with its cross-points",
         kAriMixer,
         2,
         As<CAriMixer>([](CAriMixer& m) {
             m.m_inputMute[0] = 1;
             m.m_inputLevel[3] = -6.0;
             m.m_columnMask[0] = 1;
             m.m_outputLevel[1] = -3.0;
             m.m_crossPoint[2][1] = -10.0;
         }),
         {"*NySET 5 501 1 0#", "*NySET 5 503 4 1.000000e+000#", "*NySET 5 505 1 0#",
          "*NySET 5 504 2 1.000000e+000#", "*NySET 5 506 2 3 1.000000e+000#"}},
        {"compressor",
         kAriDynamic,
         CAriDynamic::kCompressor,
         As<CAriDynamic>([](CAriDynamic& m) {
             m.m_bypass = 1;
             m.m_attack = 5.0;
             m.m_release = 50.0;
             m.m_threshold = -20.0;
             m.m_ratio = 2.0;
         }),
         {"*NySET 5 701 0#", "*NySET 5 702 48001#", "*NySET 5 703 96001#", "*NySET 5 704 44012#",
          "*NySET 5 705 2.500000e-001#"}},
        {"expander: ratio 0.25",
         kAriDynamic,
         CAriDynamic::kExpander,
         As<CAriDynamic>([](CAriDynamic& m) { m.m_ratio = 2.0; }),
         {"*NySET 5 705 4.000000e+000#"}},
        {"leveler: only the target is sent",
         kAriDynamic,
         CAriDynamic::kLeveler,
         As<CAriDynamic>([](CAriDynamic& m) {
             m.m_ratio = 2.0;
             m.m_targetOrDepth = -5.0;
             m.m_levelerGain = -3.0;
         }),
         {"*NySET 5 707 1.000000e+000#"}},
        {"noise gate",
         kAriDynamic,
         CAriDynamic::kNoiseGate,
         As<CAriDynamic>([](CAriDynamic& m) { m.m_targetOrDepth = -10.0; }),
         {"*NySET 5 708 1.000000e+000#"}},
        {"limiter: the ratio it does not use is kept",
         kAriDynamic,
         CAriDynamic::kLimiter,
         As<CAriDynamic>([](CAriDynamic& m) {
             m.m_ratio = 10.0;
             m.m_threshold = -3.0;
         }),
         {"*NySET 5 704 44012#"}},
        {"sine generator",
         kAriGenerator,
         CAriGenerator::kSine,
         As<CAriGenerator>([](CAriGenerator& m) {
             m.m_mode = 0;
             m.m_mute = 1;
             m.m_level = -6.0;
             m.m_frequency = 440.0;
             m.m_sweepStart = 100.0;
             m.m_sweepStop = 2000.0;
             m.m_stepWidthIndex = 2;
             m.m_step = 50;
         }),
         {"*NySET 5 801 1#", "*NySET 5 802 0#", "*NySET 5 803 4.401200e+004#",
          "*NySET 5 804 1.982890e+000 1.305262e-001#", "*NySET 5 805 270#", "*NySET 5 806 270#",
          "*NySET 5 807 48#", "*NySET 5 808 4800#"}},
        {"pink noise",
         kAriGenerator,
         CAriGenerator::kPinkNoise,
         As<CAriGenerator>([](CAriGenerator& m) {
             m.m_mute = 1;
             m.m_level = -6.0;
         }),
         {"*NySET 5 802 0#", "*NySET 5 803 4.401200e+004#"}},
        {"text: built text, nothing sent",
         kAriText,
         1,
         As<CAriText>([](CAriText& m) {
             m.m_text = "Hello";
             m.m_transparent = 0;
         }),
         {}},
        {"meter: peak holds, nothing sent",
         kAriMeter,
         2,
         As<CAriMeter>([](CAriMeter& m) {
             m.m_peakHold[1] = {500, 0, 1};
         }),
         {}},
    };
    return rows;
}

TEST_F(DspEditorLiveSheet, AResetGivesTheBuiltValuesSendingEachChangeWhileLive) {
    for (const bool live : {true, false}) {
        for (const ResetRow& row : ResetRows()) {
            SCOPED_TRACE(std::string(row.what) + (live ? " (live)" : " (not live)"));
            view->Console().ClearAll();
            CBaseAriModule& m = Module(row.type, row.variant);
            row.edit(m);
            const std::vector<std::uint8_t> edited = ari_test::StoreModule(m);
            doc->m_live = live ? 1 : 0;
            doc->SetModifiedFlag(false);
            const dsp_test::FakeDialog& own = dialogs.emplace_back(m.m_id, 0, destroyed);
            doc->AddAttriDialog(&dialogs.back());

            Reset(m);
            EXPECT_EQ(ControlQueue(), live ? row.live : Commands{});
            ExpectBuiltValues(m);
            EXPECT_EQ(own.refreshes, 1);
            EXPECT_TRUE(doc->IsModified());

            ASSERT_TRUE(History().Undo());
            EXPECT_TRUE(StoredAlike(ari_test::StoreModule(m), edited));
            doc->RemoveAttriDialog(m.m_id, 0);
        }
    }
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspEditorLiveSheet, AModuleAtItsBuiltValuesSendsNothing) {
    for (const ari_test::TypeVariant& tv : ari_test::AllTypeVariants()) {
        SCOPED_TRACE(std::to_string(tv.type) + "/" + std::to_string(tv.variant));
        CBaseAriModule& m = Module(tv.type, tv.variant);
        doc->m_live = 1;
        Reset(m);
        EXPECT_TRUE(ControlQueue().empty());
    }
}

TEST_F(DspEditorLiveSheet, ACrossoverSendsTheCountOfEachPositionInUseThenItsSections) {
    auto& x = dynamic_cast<CAriCrossover&>(Module(kAriCrossover, CAriCrossover::kThreeWay));
    const std::unique_ptr<CBaseAriModule> built = de::DefaultModuleLike(x, 1);
    const auto& b = dynamic_cast<const CAriCrossover&>(*built);
    ASSERT_EQ(x.m_sectionCount, 4);
    x.m_outputMute[1] = 1;
    // Positions 2 and 4 (from 1) as a steeper filter of two sections; the
    // last position in use must be looked at too.
    for (const std::size_t p : {1u, 3u}) {
        x.m_filterType[p] = 7;
        x.m_biquadCount[p] = 2;
        x.m_sections[p][0] = {0.5, 0.25, 0.125, -0.5, 0.0625};
        x.m_sections[p][1] = {0.5, 0.25, 0.125, -0.5, 0.0625};
    }
    x.m_frequency[1] = 300.0;
    doc->m_live = 1;
    Reset(x);

    Commands expected = {"*NySET 5 603 2 0#", "*NySET 5 609 2 1#", "*NySET 5 609 4 1#"};
    Append(expected, Biquad(5, 5, b.m_sections[1][0]));
    Append(expected, Biquad(5, 13, b.m_sections[3][0]));
    EXPECT_EQ(ControlQueue(), expected);
    ExpectBuiltValues(x);
}

// The first section of a new filter of the variant.
BiquadCoeffs BuiltSection(const CAriFilter& filter) {
    const std::unique_ptr<CBaseAriModule> built = de::DefaultModuleLike(filter, 1);
    return dynamic_cast<const CAriFilter&>(*built).m_sections[0];
}

TEST_F(DspEditorLiveSheet, AFilterReturnsToOneSectionAtItsBuiltFrequency) {
    auto& lp = dynamic_cast<CAriFilter&>(Module(kAriFilter, CAriFilter::kLowPass, 5));
    auto& shelf = dynamic_cast<CAriFilter&>(Module(kAriFilter, CAriFilter::kHighShelf, 6));
    lp.m_bypass = 1;
    lp.m_filterType = 7;
    lp.m_biquadCount = 2;
    lp.m_frequency = 2000.0;
    shelf.m_gain = -6.0;
    shelf.m_sections[0] = {0.5, 0.25, 0.125, -0.5, 0.0625};
    doc->m_live = 1;
    Reset(lp);
    Reset(shelf);

    Commands expected = {"*NySET 5 606 0#", "*NySET 5 609 1 1#"};
    Append(expected, Biquad(5, 1, BuiltSection(lp)));
    Append(expected, Biquad(6, 1, BuiltSection(shelf)));
    EXPECT_EQ(ControlQueue(), expected);
    ExpectBuiltValues(lp);
    ExpectBuiltValues(shelf);
}

TEST_F(DspEditorLiveSheet, GraphicEqualizersGetTheirBuiltBandwidthsBack) {
    const struct {
        std::int32_t variant;
        double octaves;
    } graphics[] = {{51, 0.3}, {52, 0.6}, {53, 1.0}};
    std::int32_t order = 5;
    Commands expected;
    for (const auto& g : graphics) {
        auto& eq = dynamic_cast<CAriEqualizer&>(Module(kAriEqualizer, g.variant, order));
        const std::unique_ptr<CBaseAriModule> built = de::DefaultModuleLike(eq, 1);
        eq.m_bandwidth.fill(0.5);
        eq.m_gain[2] = -6.0;
        eq.CalcBandCoeffs(2);
        doc->m_live = 1;
        Reset(eq);
        for (int b = 0; b < eq.m_bandCount; ++b) {
            EXPECT_EQ(eq.m_bandwidth[static_cast<std::size_t>(b)], g.octaves) << g.variant;
            Append(expected, Biquad(order, b + 1,
                                    dynamic_cast<const CAriEqualizer&>(*built)
                                        .m_coeffs[static_cast<std::size_t>(b)]));
        }
        ExpectBuiltValues(eq);
        ++order;
    }
    EXPECT_EQ(ControlQueue(), expected);
}

TEST_F(DspEditorLiveSheet, AParametricEqualizerSendsOnlyItsChangedBand) {
    auto& eq = dynamic_cast<CAriEqualizer&>(Module(kAriEqualizer, 5));
    const std::unique_ptr<CBaseAriModule> built = de::DefaultModuleLike(eq, 1);
    eq.m_bypass = 1;
    eq.m_bandFlag[0] = 1;
    eq.m_gain[2] = 6.0;
    eq.CalcBandCoeffs(2);
    doc->m_live = 1;
    Reset(eq);
    Commands expected = {"*NySET 5 606 0#"};
    Append(expected, Biquad(5, 3, dynamic_cast<const CAriEqualizer&>(*built).m_coeffs[2]));
    EXPECT_EQ(ControlQueue(), expected);
    ExpectBuiltValues(eq);
}

// -- a reset carried to the binding group

TEST_F(DspEditorLiveSheet, TheGroupFollowsAResetOfEachTypeAndOneUndoPutsAllBack) {
    for (const ResetRow& row : ResetRows()) {
        SCOPED_TRACE(row.what);
        view->Console().ClearAll();
        // Three members: inputs 3-5, outputs 11-13, or three new modules.
        std::vector<CBaseAriModule*> members;
        for (int k = 0; k < 3; ++k) {
            CBaseAriModule* m = row.type == kAriInput ? doc->GetModuleById(3 + k)
                                : row.type == kAriOutput
                                    ? doc->GetModuleById(11 + k)
                                    : doc->AddModule(row.type, row.variant, 200, 40 + 70 * k, 1);
            m->m_order = 5 + k;
            m->m_group = 4;
            m->m_groupName = "Set";
            row.edit(*m);
            members.push_back(m);
        }
        // Not in the group: untouched.
        CBaseAriModule* outside = row.type == kAriInput ? doc->GetModuleById(6)
                                  : row.type == kAriOutput
                                      ? doc->GetModuleById(14)
                                      : doc->AddModule(row.type, row.variant, 400, 40, 1);
        row.edit(*outside);
        doc->ClearSelection();
        std::vector<std::vector<std::uint8_t>> edited;
        for (CBaseAriModule* m : members)
            edited.push_back(ari_test::StoreModule(*m));
        const std::vector<std::uint8_t> outsideBytes = ari_test::StoreModule(*outside);
        const dsp_test::FakeDialog& second = dialogs.emplace_back(members[1]->m_id, 0, destroyed);
        doc->AddAttriDialog(&dialogs.back());
        doc->m_live = 1;
        const std::int32_t steps = History().UndoCount();

        Reset(*members[0]);
        for (CBaseAriModule* m : members)
            ExpectBuiltValues(*m);
        EXPECT_TRUE(StoredAlike(ari_test::StoreModule(*outside), outsideBytes));
        // Each member is sent what it changed.
        EXPECT_EQ(ControlQueue().size(), 3 * row.live.size());
        EXPECT_EQ(second.refreshes, 1);
        EXPECT_EQ(History().UndoCount(), steps + 1);

        ASSERT_TRUE(History().Undo());
        for (std::size_t k = 0; k < members.size(); ++k)
            EXPECT_TRUE(StoredAlike(ari_test::StoreModule(*members[k]), edited[k])) << k;
        doc->RemoveAttriDialog(members[1]->m_id, 0);
        for (CBaseAriModule* m : members)
            m->m_group = 0;
    }
}

// -- meter replies

// Keeps what it is shown as "<module id> <channel> <dB>".
class MeterDialog final : public de::IAttriDialog {
public:
    MeterDialog(std::int32_t id, std::int32_t kind, std::vector<std::string>& shown)
        : id_(id), kind_(kind), shown_(shown) {}
    std::int32_t GetModuleId() const override { return id_; }
    std::int32_t GetKind() const override { return kind_; }
    void DestroyDialog() override {}
    void ShowMeterLevel(std::int32_t channel, double dB) override {
        char text[64];
        std::snprintf(text, sizeof text, "%d %d %.1f", id_, channel, dB);
        shown_.emplace_back(text);
    }

private:
    std::int32_t id_, kind_;
    std::vector<std::string>& shown_;
};

struct MeterRow {
    const char* what;
    std::int32_t deviceModel;
    std::string text;
    int result;
    std::vector<std::string> shown;
};

// Inputs 1-8 at orders 1-8, a delay (17, order 9), a 4 x 1 mixer (18, 10),
// a 4 x 4 router (19, 11), a crossover (20, 12), outputs 9-16 at 13-20.
// Meter 21 (4 inputs) reads input 7, input 8, the mixer and router output
// 2; meter 22 (2 inputs) reads router output 2 and the delay.
class DspEditorLiveMeter : public DspEditorLiveSheet {
protected:
    DspEditorLiveMeter() {
        doc->AddModule(kAriDelay, 3, 200, 20, 1);
        doc->AddModule(kAriMixer, 1, 200, 90, 1);
        doc->AddModule(kAriRouter, 1, 200, 160, 1);
        doc->AddModule(kAriCrossover, CAriCrossover::kTwoWay, 200, 300, 1);
        doc->AddModule(kAriMeter, 3, 400, 20, 1);
        doc->AddModule(kAriMeter, 2, 400, 200, 1);
        dsp_test::Connect(*doc, 7, 0, 21, 0);
        dsp_test::Connect(*doc, 8, 0, 21, 1);
        dsp_test::Connect(*doc, 18, 4, 21, 2);
        dsp_test::Connect(*doc, 19, 5, 21, 3);
        dsp_test::Connect(*doc, 19, 5, 22, 0);
        dsp_test::Connect(*doc, 17, 1, 22, 1);
        for (std::int32_t id = 1; id <= 8; ++id)
            doc->GetModuleById(id)->m_order = id;
        for (std::int32_t id = 9; id <= 16; ++id)
            doc->GetModuleById(id)->m_order = id + 4;
        for (std::int32_t id = 17; id <= 20; ++id)
            doc->GetModuleById(id)->m_order = id - 8;
        doc->m_orderOk = 1;
        doc->m_outputOrder = 20;
        doc->m_live = 1;
        for (const auto& [id, kind] : {std::pair{21, 0}, {22, 0}, {17, 0}, {0, 1}})
            doc->AddAttriDialog(&meterDialogs.emplace_back(id, kind, shown));
    }

    // The document lists the dialogs until it goes: it goes first.
    ~DspEditorLiveMeter() override {
        view.reset();
        doc.reset();
    }

    std::list<MeterDialog> meterDialogs;
    std::vector<std::string> shown;
};

std::string Parts(int count) {
    std::string text = "*NyGET 11 402 2";
    for (int k = 5; k < count; ++k)
        text += " 0";
    return text + "# *-1.5#";
}

TEST_F(DspEditorLiveMeter, RepliesReachTheMetersTheReadOutputFeeds) {
    const MeterRow rows[] = {
        {"input 7", 1, "*NyGET 7 106 7# *-12.5#", 1, {"21 0 -12.5"}},
        {"input 8", 1, "*NyGET 8 106 8# *-3.0#", 1, {"21 1 -3.0"}},
        {"model 3: the unit's channel 8 is input 7",
         3,
         "*NyGET 7 106 8# *-12.5#",
         1,
         {"21 0 -12.5"}},
        {"model 3: the unit's channel 7 is input 8", 3, "*NyGET 8 106 7# *-3.0#", 1, {"21 1 -3.0"}},
        {"4 x 1 mixer without a channel", 1, "*NyGET 10 507# *-6.0#", 1, {"21 2 -6.0"}},
        {"4 x 1 mixer with channel 1", 1, "*NyGET 10 507 1# *-6.0#", 1, {"21 2 -6.0"}},
        {"one router output feeds two meters",
         1,
         "*NyGET 11 402 2# *-1.5#",
         1,
         {"21 3 -1.5", "22 0 -1.5"}},
        {"router output 3 feeds no meter", 1, "*NyGET 11 402 3# *-1.5#", 1, {}},
        {"delay", 1, "*NyGET 9 303# *-20.0#", 1, {"22 1 -20.0"}},
        {"crossover output fed to no meter", 1, "*NyGET 12 608 2# *-4.0#", 1, {}},
        {"output module ignored", 1, "*NyGET 13 206 1# *-3.0#", 1, {}},
        {"wrong code ignored", 1, "*NyGET 9 301# *-3.0#", 1, {}},
        {"no module with the order", 1, "*NyGET 40 303# *-3.0#", 0, {}},
        {"20 parts read", 1, Parts(20), 1, {"21 3 -1.5", "22 0 -1.5"}},
        {"21 parts dropped", 1, Parts(21), 0, {}},
        {"no reply", 1, "*NyGET 9 303#", 0, {}},
        {"empty reply", 1, "*NyGET 9 303# *#", 0, {}},
        {"unframed reply", 1, "*NyGET 9 303# No Return", 0, {}},
        {"not a number", 1, "*NyGET 9 303# *-3dB#", 0, {}},
        {"not finite", 1, "*NyGET 9 303# *nan#", 0, {}},
        {"infinite", 1, "*NyGET 9 303# *-inf#", 0, {}},
        {"out of range", 1, "*NyGET 9 303# *1e999#", 0, {}},
    };
    for (const MeterRow& row : rows) {
        SCOPED_TRACE(row.what);
        shown.clear();
        doc->m_deviceModel = row.deviceModel;
        EXPECT_EQ(view->OnMeterReply(row.text), row.result);
        EXPECT_EQ(shown, row.shown);
    }
}

TEST(DspEditorLiveMeterChannel, Model3TradesTheInputsFrom7UpInPairs) {
    EXPECT_EQ(de::MeterInputChannel(0, 3), 1);
    EXPECT_EQ(de::MeterInputChannel(5, 3), 6);
    EXPECT_EQ(de::MeterInputChannel(6, 3), 8);
    EXPECT_EQ(de::MeterInputChannel(7, 3), 7);
    EXPECT_EQ(de::MeterInputChannel(6, 1), 7);
    EXPECT_EQ(de::MeterInputChannel(7, 2), 8);
}

} // namespace
