// The equalizer dialog's controller and response graph over a sheet's real
// document, undo history, view and console (no sender thread): golden
// section commands, previews that leave the module alone, the graph's
// tables and the drag editing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/eq_response.h"
#include "attri_dialogs/equalizer_controller.h"
#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_test_support.h"
#include "model/ari_equalizer.h"
#include "model/messages.h"
#include "platform/gdi/recording_canvas.h"
#include "resources/message_ids.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
namespace gdi = platform::gdi;
using ad::CEqResponse;
using ad::EEqField;
using model::CAriEqualizer;
using Commands = std::vector<std::string>;

class AnswerSink final : public model::IMessageSink {
public:
    AnswerSink() : previous_(model::SetMessageSink(this)) {}
    ~AnswerSink() override { model::SetMessageSink(previous_); }
    AnswerSink(const AnswerSink&) = delete;
    AnswerSink& operator=(const AnswerSink&) = delete;
    void ShowMessage(int, const std::string&) override {}
    void Log(int, const std::string&) override {}
    model::EMessageAnswer Ask(int id, const std::string&, model::EMessageButtons,
                              model::EMessageAnswer) override {
        asked.push_back(id);
        return answer;
    }
    std::vector<int> asked;
    model::EMessageAnswer answer = model::EMessageAnswer::Yes;

private:
    model::IMessageSink* previous_;
};

// An equalizer of the variant (order 7) on a new live sheet, in its
// dialog's controller.
class Equalizer : public ::testing::Test {
protected:
    void Open(std::int32_t variant) {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        eq = dynamic_cast<CAriEqualizer*>(
            doc->AddModule(model::kAriEqualizer, variant, 100, 100, 1));
        ASSERT_NE(eq, nullptr);
        eq->m_order = 7;
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        controller = std::make_unique<ad::CAttriEqualizerController>(*view, *eq);
        mark = 0;
    }
    void SetUp() override { Open(1); }

    // The control queue's commands since the last Mark.
    Commands ControlQueue() const {
        const Commands all = view->Console().Queue(comm::EConsoleQueue::Control);
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
    }
    void Mark() { mark = view->Console().Queue(comm::EConsoleQueue::Control).size(); }
    bool Enter(EEqField field, const std::string& text) {
        return controller->OnFieldText(field, text + "\r\n");
    }
    // Drag from the band's point (or handle) to `to`.
    void Drag(gdi::Point from, gdi::Point to) {
        ASSERT_TRUE(controller->OnMouseDown(from));
        controller->OnMouseMove(to);
    }
    gdi::Point PointOf(std::int32_t band) const {
        return controller->Response().PointRect(band).CenterPoint();
    }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    CAriEqualizer* eq = nullptr;
    std::unique_ptr<ad::CAttriEqualizerController> controller;
    AnswerSink answers;
    std::size_t mark = 0;
};

TEST_F(Equalizer, CommitsTheBandAsTwoSingleSection607Commands) {
    Enter(EEqField::kFrequency, "1000");
    Enter(EEqField::kGain, "6");
    Mark();
    Enter(EEqField::kBandwidth, "1");
    EXPECT_EQ(ControlQueue(),
              (Commands{"*NySET 7 607 1 1.031596e+000 -1.919940e+000 9.049115e-001#",
                        "*NySET 7 607 1 -1.919940e+000 9.365074e-001#"}));
    const model::BiquadCoeffs& s = eq->m_coeffs[0];
    EXPECT_NEAR(s.b0, 1.031595889342, 1e-12);
    EXPECT_NEAR(s.b1, -1.919940324066, 2e-12);
    EXPECT_EQ(s.a1, s.b1);
    EXPECT_NEAR(s.b2, 0.9049115240959, 1e-12);
    EXPECT_NEAR(s.a2, 0.9365074134383, 1e-12);
    EXPECT_EQ(eq->m_frequency[0], 1000.0);
    EXPECT_EQ(eq->m_gain[0], 6.0);
    EXPECT_EQ(eq->m_bandwidth[0], 1.0);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(controller->Response().BandDb(0, CEqResponse::PointOf(1000.0)), 6.0);
}

TEST_F(Equalizer, AtZeroDbTheSectionIsUnityAndTheCurveFlat) {
    Enter(EEqField::kGain, "3");
    Enter(EEqField::kGain, "0");
    const model::BiquadCoeffs& s = eq->m_coeffs[0];
    EXPECT_EQ(s.b0, 1.0);
    EXPECT_EQ(s.b1, s.a1);
    EXPECT_EQ(s.b2, s.a2);
    for (std::int32_t j = 0; j < CEqResponse::kPoints; j += 7)
        EXPECT_NEAR(controller->Response().SumDb(j), 0.0, 1e-9) << j;
}

TEST_F(Equalizer, FieldsClampAndTheSpinsFollow) {
    Enter(EEqField::kGain, "20");
    EXPECT_EQ(controller->FieldText(EEqField::kGain), "15.0");
    EXPECT_EQ(controller->SpinPosition(EEqField::kGain), 450);
    Enter(EEqField::kFrequency, "10");
    EXPECT_EQ(controller->FieldText(EEqField::kFrequency), "20.00");
    EXPECT_EQ(controller->SpinPosition(EEqField::kFrequency), 20);
    Enter(EEqField::kBandwidth, "9");
    EXPECT_EQ(controller->FieldText(EEqField::kBandwidth), "4.00");
    EXPECT_EQ(controller->SpinPosition(EEqField::kBandwidth), 400);
    // Typing without Enter moves the spin and commits nothing.
    const Commands before = ControlQueue();
    controller->OnFieldText(EEqField::kGain, "-12");
    EXPECT_EQ(controller->SpinPosition(EEqField::kGain), 180);
    EXPECT_EQ(eq->m_gain[0], 15.0);
    EXPECT_EQ(ControlQueue(), before);
    // A lone sign is erased from the frequency, left in the gain.
    controller->OnFieldText(EEqField::kFrequency, "-");
    EXPECT_EQ(controller->FieldText(EEqField::kFrequency), "");
    controller->OnFieldText(EEqField::kGain, "-");
    EXPECT_EQ(controller->FieldText(EEqField::kGain), "-");
}

TEST_F(Equalizer, PreviewsLeaveTheModuleAndQueueNothing) {
    const auto gains = eq->m_gain;
    const auto frequencies = eq->m_frequency;
    const auto bandwidths = eq->m_bandwidth;
    const auto sections = eq->m_coeffs;
    controller->OnSpin(EEqField::kGain, 360);
    EXPECT_EQ(controller->FieldText(EEqField::kGain), "6.0");
    controller->OnSpin(EEqField::kFrequency, 2000);
    controller->OnSpin(EEqField::kBandwidth, 150);
    Drag(PointOf(0), {300, 40});
    controller->OnMouseMove({350, 60});
    EXPECT_NE(controller->Response().BandDb(0, 300), 0.0);
    EXPECT_EQ(eq->m_gain, gains);
    EXPECT_EQ(eq->m_frequency, frequencies);
    EXPECT_EQ(eq->m_bandwidth, bandwidths);
    EXPECT_EQ(eq->m_coeffs, sections);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(doc->IsModified());
    // The release commits once.
    controller->OnMouseUp({350, 60});
    EXPECT_EQ(ControlQueue().size(), 2u);
    EXPECT_TRUE(view->CanUndo());
}

TEST(EqResponse, GridAndMapping) {
    const CEqResponse response;
    EXPECT_NEAR(response.Frequency(0), 16.0, 1e-12);
    EXPECT_NEAR(response.Frequency(CEqResponse::kPoints - 1), 23714.587, 1e-3);
    EXPECT_NEAR(response.Omega(100), response.Frequency(100) * 0.00013089969389957457, 1e-15);
    struct Level {
        double dB;
        std::int32_t y;
    };
    for (const Level l : {Level{15, 25}, Level{0, 67}, Level{6, 51}, Level{-30, 151}})
        EXPECT_EQ(CEqResponse::Y(l.dB), l.y) << l.dB;
    EXPECT_EQ(CEqResponse::PointOf(1000.0), 463);
    // Whatever a damaged file holds stays on the grid.
    EXPECT_EQ(CEqResponse::Index(CEqResponse::PointOf(30000.0)), CEqResponse::kPoints - 1);
    EXPECT_EQ(CEqResponse::Index(CEqResponse::PointOf(0.0)), 0);
}

TEST(EqResponse, BandwidthHandles) {
    struct Case {
        double frequency, octaves;
        std::int32_t left, right; // right -1: one handle
    };
    for (const Case c : {Case{1000, 1, 424, 501}, Case{20, 4, 180, -1}}) {
        CEqResponse response;
        response.SetBandCount(1);
        response.ComputeBand(0, model::PeakingSectionBandEdges(c.frequency, 6, c.octaves),
                             c.frequency, 6, c.octaves);
        EXPECT_EQ(response.HandlePoint(0, 0), c.left) << c.frequency;
        EXPECT_EQ(response.HandlePoint(0, 1), c.right) << c.frequency;
        EXPECT_EQ(response.HandleRect(0, 1).IsRectEmpty(), c.right < 0) << c.frequency;
    }
}

TEST(EqResponse, UpperEdgeHeldAt24kHz) {
    // With the edge at 24000 Hz the band is (24000 - 20000 / sqrt 2) wide.
    const double k = std::tan((24000.0 - 20000.0 / std::sqrt(2.0)) * model::kTwoPiOver48000 / 2);
    const model::BiquadCoeffs s = model::PeakingSectionBandEdges(20000, 0, 1);
    EXPECT_NEAR(s.a2, (1 - k) / (1 + k), 1e-12);
}

TEST_F(Equalizer, BypassFlattensTheSumAndGreysTheBands) {
    Enter(EEqField::kGain, "6");
    Mark();
    ASSERT_TRUE(controller->ToggleBypass());
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 7 606 1#"});
    EXPECT_EQ(eq->m_bypass, 1);
    EXPECT_EQ(eq->m_bandFlag[0], 1);
    EXPECT_TRUE(controller->Response().Band(0).off);
    controller->ToggleShowAllBands();
    gdi::RecordingCanvas canvas;
    controller->Draw(canvas);
    bool grey = false, flat = false;
    for (const gdi::RecordedOp& op : canvas.Ops()) {
        if (op.kind != gdi::RecordedOp::Kind::Polyline || op.points.size() < 800)
            continue;
        if (op.pen.colour == gdi::RGB(0x96, 0x96, 0x96))
            grey = true;
        if (op.pen.colour == gdi::RGB(0, 0xFF, 0)) {
            flat = true;
            for (const gdi::Point p : op.points)
                flat = flat && p.y == 67;
        }
    }
    EXPECT_TRUE(grey);
    EXPECT_TRUE(flat);
}

TEST_F(Equalizer, FlattenAsksFirst) {
    answers.answer = model::EMessageAnswer::No;
    Enter(EEqField::kGain, "6");
    Mark();
    EXPECT_FALSE(controller->FlattenBand());
    EXPECT_EQ(answers.asked, std::vector<int>{resources::kMsgAskFlattenBand});
    EXPECT_EQ(eq->m_gain[0], 6.0);
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(Equalizer, FlattenOfABandAtZeroStillRecordsAndSends) {
    ASSERT_FALSE(view->CanUndo());
    EXPECT_TRUE(controller->FlattenAllBands());
    EXPECT_EQ(answers.asked, std::vector<int>{resources::kMsgAskFlattenAllBands});
    EXPECT_TRUE(view->CanUndo());
    EXPECT_EQ(ControlQueue().size(), 2u);
    EXPECT_EQ(controller->FieldText(EEqField::kGain), "0.0");
}

TEST_F(Equalizer, DraggingThePointClampsTheGain) {
    struct Case {
        std::int32_t y;
        double whileDragging, released;
    };
    const double overTop = CEqResponse::DbAtY(24); // 15.36 dB
    for (const Case c : {Case{0, 15.0, 15.0}, Case{400, -30.0, -30.0}, Case{24, overTop, 15.0}}) {
        const gdi::Point from = PointOf(0);
        Drag(from, {from.x, c.y});
        EXPECT_DOUBLE_EQ(controller->Gain(0), c.whileDragging) << c.y;
        EXPECT_TRUE(controller->Capturing());
        controller->OnMouseUp({from.x, c.y});
        EXPECT_FALSE(controller->Capturing());
        EXPECT_DOUBLE_EQ(eq->m_gain[0], c.released) << c.y;
    }
}

TEST_F(Equalizer, AHandleDraggedAcrossTheCentreMirrors) {
    Enter(EEqField::kFrequency, "1000");
    Enter(EEqField::kBandwidth, "1");
    const std::int32_t centre = CEqResponse::X(CEqResponse::PointOf(1000.0));
    const gdi::Point handle = controller->Response().HandleRect(0, 0).CenterPoint();
    Drag(handle, {centre - 40, handle.y});
    const double left = controller->Bandwidth(0);
    controller->OnMouseMove({centre + 40, handle.y});
    EXPECT_NEAR(controller->Bandwidth(0), left, 0.03);
    EXPECT_GT(controller->Bandwidth(0), 0.0);
    controller->OnMouseUp({centre + 40, handle.y});
    EXPECT_EQ(eq->m_bandwidth[0], controller->Bandwidth(0));
}

TEST_F(Equalizer, HiddenPointsStillGrabAndViewOnlyChangesNothing) {
    controller->ToggleShowDragPoints();
    ASSERT_FALSE(controller->ShowDragPoints());
    ASSERT_TRUE(controller->OnMouseDown(PointOf(0)));
    EXPECT_TRUE(controller->ShowDragPoints());
    controller->OnMouseUp(PointOf(0));

    controller->Base().SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(controller->OnMouseDown(PointOf(0)));
    EXPECT_FALSE(Enter(EEqField::kGain, "6"));
    EXPECT_FALSE(controller->ToggleBypass());
    EXPECT_FALSE(controller->FlattenBand());
    EXPECT_EQ(eq->m_gain[0], 0.0);
    EXPECT_EQ(eq->m_bypass, 0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(Equalizer, AGraphicSliderCommitsItsOwnBand) {
    Open(53);
    ASSERT_EQ(controller->BandCount(), 10);
    EXPECT_EQ(controller->SliderPosition(4), 150);
    // A key step on band 5's slider.
    controller->OnSliderMoved(4, 149);
    controller->OnSliderEnd(4);
    EXPECT_DOUBLE_EQ(eq->m_gain[4], 0.1);
    Commands queue = ControlQueue();
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_EQ(queue[0].rfind("*NySET 7 607 5 ", 0), 0u) << queue[0];
    // Band 2 moved but never released: band 8's release commits band 8 only.
    Mark();
    controller->OnSliderMoved(1, 100);
    controller->OnSliderMoved(7, 200);
    controller->OnSliderEnd(7);
    EXPECT_DOUBLE_EQ(eq->m_gain[7], -5.0);
    EXPECT_EQ(eq->m_gain[1], 0.0);
    queue = ControlQueue();
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_EQ(queue[0].rfind("*NySET 7 607 8 ", 0), 0u) << queue[0];
}

TEST_F(Equalizer, GraphicDefaultsUseTheBuiltBandwidths) {
    for (std::int32_t variant : {51, 52, 53, 10}) {
        Open(variant);
        EXPECT_TRUE(controller->AtDefaults()) << variant;
        EXPECT_FALSE(controller->SetDefaultValues()) << variant;
        controller->OnSliderMoved(0, 100);
        controller->OnSliderEnd(0);
        EXPECT_FALSE(controller->AtDefaults()) << variant;
        EXPECT_TRUE(controller->SetDefaultValues()) << variant;
        EXPECT_EQ(eq->m_gain[0], 0.0) << variant;
        EXPECT_EQ(controller->Gain(0), 0.0) << variant;
    }
}

TEST_F(Equalizer, ADamagedModuleOpensDrawsAndDrags) {
    eq->m_frequency[0] = 30000.0;
    eq->m_bandwidth[0] = 9.0;
    eq->m_gain[0] = 40.0;
    controller = std::make_unique<ad::CAttriEqualizerController>(*view, *eq);
    EXPECT_EQ(controller->Frequency(0), 20000.0);
    EXPECT_EQ(controller->Bandwidth(0), 4.0);
    EXPECT_EQ(controller->Gain(0), 15.0);
    gdi::RecordingCanvas canvas;
    controller->Draw(canvas);
    controller->OnMouseDown(PointOf(0));
    controller->OnMouseMove({900, 0});
    controller->OnMouseUp({900, 0});
    EXPECT_EQ(eq->m_frequency[0], 20000.0);
    EXPECT_EQ(eq->m_gain[0], 15.0);
    EXPECT_EQ(eq->m_bandwidth[0], 4.0);
}

TEST_F(Equalizer, TheSummedCurveStaysOnThePlot) {
    Enter(EEqField::kGain, "15");
    Enter(EEqField::kBandwidth, "4");
    gdi::RecordingCanvas canvas;
    controller->Draw(canvas);
    std::size_t sums = 0;
    for (const gdi::RecordedOp& op : canvas.Ops()) {
        if (op.kind != gdi::RecordedOp::Kind::Polyline || op.pen.colour != gdi::RGB(0, 0xFF, 0))
            continue;
        ++sums;
        for (const gdi::Point p : op.points) {
            EXPECT_GE(p.y, 25);
            EXPECT_LE(p.y, 151);
        }
    }
    EXPECT_EQ(sums, 1u);
}

TEST_F(Equalizer, RefreshReloadsWithoutWritingOrSending) {
    const model::BiquadCoeffs section = eq->m_coeffs[0];
    eq->m_gain[0] = 5.0; // as an undo puts it back
    controller->Refresh();
    EXPECT_EQ(controller->Gain(0), 5.0);
    EXPECT_EQ(controller->FieldText(EEqField::kGain), "5.0");
    EXPECT_EQ(controller->Response().BandDb(0, CEqResponse::PointOf(eq->m_frequency[0])), 5.0);
    EXPECT_EQ(eq->m_coeffs[0], section);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(Equalizer, AGraphicPointDragMovesTheGainOnly) {
    Open(52);
    const gdi::Point from = PointOf(3);
    Drag(from, {from.x + 60, CEqResponse::Y(-5.0)});
    EXPECT_EQ(controller->CurrentBand(), 3);
    EXPECT_EQ(controller->SliderPosition(3), 200);
    controller->OnMouseUp({from.x + 60, CEqResponse::Y(-5.0)});
    EXPECT_DOUBLE_EQ(eq->m_gain[3], -5.0);
    EXPECT_EQ(eq->m_frequency[3], controller->Frequency(3));
    EXPECT_EQ(PointOf(3).x, from.x);
}

TEST(EqualizerLabels, OneLabelPerGraphicBand) {
    struct Case {
        std::int32_t variant;
        std::size_t bands;
        const char *first, *last;
    };
    for (const Case c :
         {Case{51, 31, "20", "20 K"}, Case{52, 15, "25", "16 K"}, Case{53, 10, "32", "16 K"}}) {
        const auto labels = ad::CAttriEqualizerController::SliderLabels(c.variant);
        ASSERT_EQ(labels.size(), c.bands) << c.variant;
        ASSERT_EQ(static_cast<std::int32_t>(labels.size()),
                  CAriEqualizer::LayoutOf(c.variant)->bands);
        EXPECT_STREQ(labels.front(), c.first);
        EXPECT_STREQ(labels.back(), c.last);
    }
    EXPECT_TRUE(ad::CAttriEqualizerController::SliderLabels(10).empty());
}

} // namespace
