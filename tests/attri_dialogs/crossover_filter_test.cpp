// The crossover and filter dialogs without widgets, over a sheet's real
// document, undo history, view and console (no sender thread): the response
// graph, the sections they send, their commits, and previews that must
// leave the module alone.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/crossover_controller.h"
#include "attri_dialogs/filter_controller.h"
#include "attri_dialogs/slope_response.h"
#include "comm/dsp_console.h"
#include "dsp_test_support.h"
#include "platform/archive/archive.h"
#include "platform/gdi/recording_canvas.h"
#include "platform/text/format.h"
#include "resources/string_table.h"
#include "tests/support/shipped_language.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
using ad::CAttriCrossoverController;
using ad::CAttriFilterController;
using ad::CSlopeResponse;
using ad::EEditEvent;
using model::CAriCrossover;
using model::CAriFilter;
using platform::gdi::Point;
using platform::gdi::Rect;
using Commands = std::vector<std::string>;

constexpr int kOrder = 5;
constexpr int kLeft = CAttriCrossoverController::kLeft;
constexpr int kRight = CAttriCrossoverController::kRight;

std::vector<std::uint8_t> StoredForm(model::CBaseAriModule& module) {
    platform::archive::archive_t out;
    out.WriteObject(&module);
    return out.TakeBytes();
}

Point Centre(const Rect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The 607 section indices of a command list, in order.
std::vector<int> SectionIndices(const Commands& commands) {
    std::vector<int> indices;
    for (const std::string& c : commands) {
        const std::string prefix = "*NySET " + std::to_string(kOrder) + " 607 ";
        if (c.rfind(prefix, 0) == 0)
            indices.push_back(std::stoi(c.substr(prefix.size())));
    }
    return indices;
}

// A new model-1 sheet with one module of the type and variant, live, with
// execution order 5.
class SlopeDialogs : public ::testing::Test {
protected:
    SlopeDialogs() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
    }

    template <class M> M& Add(std::int32_t type, std::int32_t variant) {
        auto* module = dynamic_cast<M*>(doc->AddModule(type, variant, 200, 40, 1));
        module->m_order = kOrder;
        // Not the sheet's selection: the defaults test compares the stored
        // form, which holds the selection flag.
        module->m_selected = 0;
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        return *module;
    }
    CAriFilter& AddFilter(std::int32_t variant) {
        return Add<CAriFilter>(model::kAriFilter, variant);
    }
    CAriCrossover& AddCrossover(std::int32_t variant) {
        return Add<CAriCrossover>(model::kAriCrossover, variant);
    }

    Commands Queue() { return view->Console().Queue(comm::EConsoleQueue::Control); }
    void ClearQueue() { view->Console().ClearAll(); }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
};

// -- the graph

TEST(SlopeResponse, GridHandleAndFrequencyUnderThePointer) {
    EXPECT_NEAR(CSlopeResponse::PointFrequency(0), 16.0, 1e-12);
    EXPECT_NEAR(CSlopeResponse::PointFrequency(CSlopeResponse::kPoints - 1), 23543.0, 1.0);
    EXPECT_EQ(CSlopeResponse::HandleIndex(1000.0), 296);
    // Whatever a damaged file holds, the handle stays on the grid.
    for (double f : {0.0, -5.0, 1e9, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        const int n = CSlopeResponse::HandleIndex(f);
        EXPECT_GE(n, 0);
        EXPECT_LT(n, CSlopeResponse::kPoints);
    }
    const CSlopeResponse graph(CAttriCrossoverController::kGraph, 14);
    EXPECT_EQ(graph.FrequencyAt(215), 20.0);
    EXPECT_EQ(graph.FrequencyAt(0), 20.0);
    EXPECT_EQ(graph.FrequencyAt(2000), 20000.0);
    EXPECT_NEAR(graph.FrequencyAt(215 + 48), 16.0 * std::pow(1.25, 3.0), 1e-3);
}

TEST(SlopeResponse, ButterworthLowPassHandleSitsOnTheCurveInBothGraphs) {
    std::array<model::BiquadCoeffs, model::kMaxFilterSections> sections{};
    const int count = model::DesignSlopeFilter(5, 1000.0, false, sections);
    const std::span<const model::BiquadCoeffs> inUse(sections.data(), count);
    struct Case {
        Rect graph;
        int offset, y;
    };
    for (const Case& c : {Case{CAttriCrossoverController::kGraph, 14, 57},
                          Case{CAttriFilterController::kGraph, 42, 85}}) {
        const CSlopeResponse graph(c.graph, c.offset);
        const ad::ResponseCurve curve = graph.Curve(std::span(&inUse, 1));
        ASSERT_EQ(curve.size(), 524u);
        EXPECT_EQ(curve[296], c.y);
        EXPECT_EQ(graph.HandleRect(curve, 1000.0),
                  Rect(c.graph.left - 4 + 296, c.y - 4, c.graph.left + 4 + 296, c.y + 4));
        // The pass band lies on the 0 dB line.
        EXPECT_EQ(curve[0], c.graph.top + c.offset);
    }
}

TEST(SlopeResponse, CurveHitIsWithinTwoPixelsOnTheGrid) {
    const CSlopeResponse graph(CAttriCrossoverController::kGraph, 14);
    const ad::ResponseCurve curve(524, 100);
    struct Case {
        Point p;
        bool hit;
    };
    for (const Case& c : {Case{{215, 100}, true}, Case{{300, 98}, true}, Case{{300, 102}, true},
                          Case{{300, 97}, false}, Case{{300, 103}, false}, Case{{214, 100}, false},
                          Case{{215 + 523, 100}, true}, Case{{215 + 524, 100}, false}}) {
        SCOPED_TRACE(c.p.x * 1000 + c.p.y);
        EXPECT_EQ(graph.HitsCurve(curve, c.p), c.hit);
    }
}

TEST(SlopeResponse, CurveBreaksBelowTheBottomAndHandlesBelowItAreLeftOut) {
    const CSlopeResponse graph(CAttriCrossoverController::kGraph, 14);
    ad::ResponseCurve curve(524, 60);
    for (int i = 100; i < 110; ++i)
        curve[static_cast<std::size_t>(i)] = 184 + (i - 100) * 50;
    curve[110] = 184; // at the bottom: still outside
    curve[111] = 1000000;
    platform::gdi::RecordingCanvas canvas;
    const CSlopeResponse::CurveStyle curves[] = {{&curve, CSlopeResponse::kCurve}};
    const CSlopeResponse::HandleStyle handles[] = {
        {{300, 50, 308, 58}, CSlopeResponse::kHandle},
        {{300, 178, 308, 186}, CSlopeResponse::kHandle}, // bottom below the graph's
        {{400, 176, 408, 184}, CSlopeResponse::kDraggedHandle}};
    graph.Draw(canvas, curves, handles);

    std::vector<std::vector<Point>> green;
    std::vector<Rect> ellipses;
    int gridLines = 0;
    for (const platform::gdi::RecordedOp& op : canvas.Ops()) {
        if (op.kind == platform::gdi::RecordedOp::Kind::Polyline &&
            op.pen.colour == CSlopeResponse::kCurve)
            green.push_back(op.points);
        if (op.kind == platform::gdi::RecordedOp::Kind::Polyline &&
            op.pen.colour == CSlopeResponse::kGrid)
            ++gridLines;
        if (op.kind == platform::gdi::RecordedOp::Kind::Ellipse)
            ellipses.push_back(op.rect);
    }
    ASSERT_EQ(green.size(), 2u);
    EXPECT_EQ(green[0].front(), (Point{215, 60}));
    EXPECT_EQ(green[0].back(), (Point{215 + 99, 60}));
    EXPECT_EQ(green[1].front(), (Point{215 + 112, 60}));
    EXPECT_EQ(green[1].back(), (Point{215 + 523, 60}));
    EXPECT_EQ(gridLines, 10 + 32);
    EXPECT_EQ(ellipses, (std::vector<Rect>{{300, 50, 308, 58}, {400, 176, 408, 184}}));
}

TEST(SlopeResponse, SpinFactorRows) {
    struct Case {
        int position, factor;
    };
    for (const Case& c :
         {Case{20, 1}, Case{99, 1}, Case{100, 2}, Case{199, 2}, Case{200, 5}, Case{499, 5},
          Case{500, 10}, Case{999, 10}, Case{1000, 20}, Case{1999, 20}, Case{2000, 50},
          Case{4999, 50}, Case{5000, 100}, Case{9999, 100}, Case{10000, 200}, Case{20001, 200}}) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(ad::CutoffSpinFactor(c.position), c.factor);
    }
}

// -- the filter dialog

TEST_F(SlopeDialogs, HighPassCommitSendsSinglePrecisionSections) {
    CAriFilter& filter = AddFilter(CAriFilter::kHighPass);
    CAttriFilterController dialog(*view, filter);
    dialog.FrequencyEdit().text = "2000\r\n";
    ASSERT_TRUE(dialog.OnFrequencyEdit(EEditEvent::kTextChanged));
    ClearQueue();
    dialog.FrequencyEdit().text = "1000";
    EXPECT_TRUE(dialog.OnFrequencyEdit(EEditEvent::kFocusLost));
    EXPECT_EQ(dialog.FrequencyEdit().text, "1000.00");
    EXPECT_EQ(Queue(), (Commands{"*NySET 5 607 1 9.115866e-001 -1.823173e+000 9.115866e-001#",
                                 "*NySET 5 607 1 -1.815341e+000 8.310056e-001#"}));
    EXPECT_EQ(filter.m_frequency, 1000.0);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(SlopeDialogs, FilterTypeChangeSendsTheCountOnlyWhenItChanges) {
    CAriFilter& filter = AddFilter(CAriFilter::kLowPass);
    CAttriFilterController dialog(*view, filter);
    EXPECT_TRUE(dialog.OnTypeSelected(4)); // "BW 6"
    Commands sent = Queue();
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(SectionIndices(sent), (std::vector<int>{1, 1}));
    ClearQueue();
    EXPECT_TRUE(dialog.OnTypeSelected(3)); // "L-R 48"
    sent = Queue();
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[0], "*NySET 5 609 1 4#");
    EXPECT_EQ(SectionIndices(sent), (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(filter.m_filterType, 3);
    EXPECT_EQ(filter.m_biquadCount, 4);
    ClearQueue();
    EXPECT_FALSE(dialog.OnTypeSelected(3));
    EXPECT_TRUE(Queue().empty());
}

TEST_F(SlopeDialogs, ShelfGainIsClampedAndSentAndZeroIsPlainPassThrough) {
    CAriFilter& filter = AddFilter(CAriFilter::kLowShelf);
    CAttriFilterController dialog(*view, filter);
    EXPECT_FALSE(dialog.HasTypeList());
    EXPECT_EQ(dialog.FirstLabel(), "增益 (dB)");
    EXPECT_EQ(dialog.FrequencyEdit().text, "16000.00");
    dialog.GainEdit().text = "6\r\n";
    EXPECT_TRUE(dialog.OnGainEdit(EEditEvent::kTextChanged));
    EXPECT_EQ(Queue(), (Commands{"*NySET 5 607 1 1.548194e+000 6.498015e-001 0.000000e+000#",
                                 "*NySET 5 607 1 1.016073e-001 0.000000e+000#"}));
    EXPECT_EQ(dialog.GainSpin(), 360);
    ClearQueue();
    dialog.GainEdit().text = "0";
    EXPECT_TRUE(dialog.OnGainEdit(EEditEvent::kFocusLost));
    EXPECT_EQ(Queue(), (Commands{"*NySET 5 607 1 1.000000e+000 0.000000e+000 0.000000e+000#",
                                 "*NySET 5 607 1 0.000000e+000 0.000000e+000#"}));
    dialog.GainEdit().text = "15\r\n";
    dialog.OnGainEdit(EEditEvent::kTextChanged);
    EXPECT_EQ(dialog.GainEdit().text, "9.0");
    EXPECT_EQ(filter.m_gain, 9.0);
}

TEST_F(SlopeDialogs, ShelfDragFourteenPixelsAboveZeroGivesSixDb) {
    CAriFilter& filter = AddFilter(CAriFilter::kHighShelf);
    CAttriFilterController dialog(*view, filter);
    const Point handle = Centre(dialog.HandleRect());
    ASSERT_TRUE(dialog.OnMouseDown(handle));
    dialog.OnMouseMove({handle.x, 72 - 14});
    EXPECT_EQ(dialog.WorkingGain(), 6.0);
    EXPECT_EQ(dialog.GainEdit().text, "6.0");
    // The preview stays in the dialog.
    EXPECT_EQ(filter.m_gain, 0.0);
    EXPECT_TRUE(Queue().empty());
    EXPECT_TRUE(dialog.OnMouseUp());
    EXPECT_EQ(filter.m_gain, 6.0);
    EXPECT_EQ(SectionIndices(Queue()), (std::vector<int>{1, 1}));
    EXPECT_TRUE(view->CanUndo());
}

TEST_F(SlopeDialogs, FilterPreviewsLeaveTheModuleAndAStillClickRecordsNothing) {
    CAriFilter& filter = AddFilter(CAriFilter::kLowShelf);
    CAttriFilterController dialog(*view, filter);
    const std::vector<std::uint8_t> before = StoredForm(filter);
    dialog.OnFrequencySpin(dialog.FrequencySpin() + 1);
    EXPECT_EQ(dialog.FrequencyEdit().text, "16200.00");
    dialog.OnGainSpin(350);
    EXPECT_EQ(dialog.GainEdit().text, "5.0");
    const Point handle = Centre(dialog.HandleRect());
    ASSERT_TRUE(dialog.OnMouseDown(handle));
    dialog.OnMouseMove({handle.x - 40, handle.y - 20});
    EXPECT_EQ(StoredForm(filter), before);
    EXPECT_TRUE(Queue().empty());

    dialog.Refresh();
    const Point still = Centre(dialog.HandleRect());
    ASSERT_TRUE(dialog.OnMouseDown(still));
    EXPECT_FALSE(dialog.OnMouseUp());
    EXPECT_EQ(StoredForm(filter), before);
    EXPECT_TRUE(Queue().empty());
    EXPECT_FALSE(view->CanUndo());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(SlopeDialogs, BypassSendsItsStateAndGreysTheCurve) {
    CAriFilter& filter = AddFilter(CAriFilter::kLowPass);
    CAttriFilterController dialog(*view, filter);
    EXPECT_TRUE(dialog.OnBypass());
    EXPECT_EQ(Queue(), Commands{"*NySET 5 606 1#"});
    EXPECT_EQ(filter.m_bypass, 1);
    platform::gdi::RecordingCanvas canvas;
    dialog.Draw(canvas);
    int grey = 0, green = 0;
    for (const platform::gdi::RecordedOp& op : canvas.Ops()) {
        if (op.kind == platform::gdi::RecordedOp::Kind::Ellipse) {
            EXPECT_EQ(op.brush.colour, CSlopeResponse::kBypassed);
        }
        green += op.pen.colour == CSlopeResponse::kCurve;
        grey += op.kind == platform::gdi::RecordedOp::Kind::Polyline && op.points.size() > 2 &&
                op.pen.colour == CSlopeResponse::kBypassed;
    }
    EXPECT_EQ(green, 0);
    EXPECT_GE(grey, 1);
}

TEST_F(SlopeDialogs, DamagedFilterValuesAreShownSafelyAndKeptUntilACommit) {
    CAriFilter& filter = AddFilter(CAriFilter::kLowPass);
    filter.m_frequency = 1e9;
    filter.m_filterType = 40;
    CAttriFilterController dialog(*view, filter);
    EXPECT_EQ(dialog.FrequencyEdit().text, "20000.00");
    EXPECT_EQ(dialog.SelectedType(), 5);
    EXPECT_LE(dialog.HandleRect().right, 663 + 4);
    EXPECT_EQ(filter.m_filterType, 40);
    EXPECT_EQ(filter.m_frequency, 1e9);
    EXPECT_TRUE(dialog.OnFrequencyEdit(EEditEvent::kFocusLost));
    EXPECT_EQ(filter.m_frequency, 20000.0);
    EXPECT_EQ(filter.m_filterType, 5);
}

// -- the crossover dialog

TEST_F(SlopeDialogs, ThreeWayRightCutoffWithSyncMovesThePartner) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kThreeWay);
    CAttriCrossoverController dialog(*view, crossover);
    EXPECT_EQ(dialog.BandCaptions(), (std::vector<std::string>{"低频", "中频", "高频"}));
    dialog.SelectBand(1);
    EXPECT_EQ(dialog.ColumnPosition(kLeft), 1);
    EXPECT_EQ(dialog.ColumnPosition(kRight), 2);
    EXPECT_TRUE(dialog.Sync(kRight));
    dialog.CutoffEdit(kRight).text = "3000\r\n";
    EXPECT_TRUE(dialog.OnCutoffEdit(kRight, EEditEvent::kTextChanged));
    EXPECT_EQ(crossover.m_frequency[2], 3000.0);
    EXPECT_EQ(crossover.m_frequency[3], 3000.0);
    EXPECT_EQ(dialog.WorkingFrequency(3), 3000.0);
    EXPECT_EQ(Queue(), (Commands{"*NySET 5 607 9 2.995458e-002 5.990916e-002 2.995458e-002#",
                                 "*NySET 5 607 9 -1.454244e+000 5.740619e-001#",
                                 "*NySET 5 607 13 7.570764e-001 -1.514153e+000 7.570764e-001#",
                                 "*NySET 5 607 13 -1.454244e+000 5.740619e-001#"}));
}

TEST_F(SlopeDialogs, ThreeWayLeftTypeWithAndWithoutSync) {
    struct Case {
        bool sync;
        Commands counts;
        std::vector<int> indices;
        int partnerType;
    };
    for (const Case& c : {Case{false, {"*NySET 5 609 2 4#"}, {5, 5, 6, 6, 7, 7, 8, 8}, 5},
                          Case{true,
                               {"*NySET 5 609 2 4#", "*NySET 5 609 1 4#"},
                               {5, 5, 6, 6, 7, 7, 8, 8, 1, 1, 2, 2, 3, 3, 4, 4},
                               3}}) {
        SCOPED_TRACE(c.sync);
        CAriCrossover& crossover = AddCrossover(CAriCrossover::kThreeWay);
        CAttriCrossoverController dialog(*view, crossover);
        dialog.SelectBand(1);
        if (!c.sync)
            dialog.OnSyncToggle(kLeft);
        EXPECT_EQ(dialog.Sync(kLeft), c.sync);
        ClearQueue();
        EXPECT_TRUE(dialog.OnTypeSelected(kLeft, 3));
        const Commands sent = Queue();
        Commands counts;
        for (const std::string& s : sent)
            if (s.find(" 609 ") != std::string::npos)
                counts.push_back(s);
        EXPECT_EQ(counts, c.counts);
        EXPECT_EQ(sent.front(), c.counts.front());
        EXPECT_EQ(SectionIndices(sent), c.indices);
        EXPECT_EQ(crossover.m_filterType[1], 3);
        EXPECT_EQ(crossover.m_filterType[0], c.partnerType);
        EXPECT_EQ(crossover.m_biquadCount[1], 4);
    }
}

TEST_F(SlopeDialogs, LeftCutoffWithoutSyncLeavesPositionZero) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kThreeWay);
    CAttriCrossoverController dialog(*view, crossover);
    dialog.SelectBand(1);
    dialog.OnSyncToggle(kLeft);
    const auto sections = crossover.m_sections[0];
    dialog.CutoffEdit(kLeft).text = "400";
    EXPECT_TRUE(dialog.OnCutoffEdit(kLeft, EEditEvent::kFocusLost));
    EXPECT_EQ(crossover.m_frequency[1], 400.0);
    EXPECT_EQ(crossover.m_frequency[0], 250.0);
    EXPECT_EQ(crossover.m_sections[0], sections);
    EXPECT_EQ(SectionIndices(Queue()), (std::vector<int>{5, 5}));
}

TEST_F(SlopeDialogs, ColumnsFollowTheSelectedBand) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kFourWay);
    crossover.m_filterType[1] = 7;
    crossover.m_filterType[4] = 2;
    CAttriCrossoverController dialog(*view, crossover);
    struct Case {
        int band, left, right, leftType, rightType;
        bool leftSync, rightSync;
    };
    for (const Case& c : {Case{0, 0, -1, 5, 7, true, false}, Case{1, 1, 2, 7, 5, true, true},
                          Case{2, 3, 4, 5, 2, true, true}, Case{3, -1, 5, 2, 5, false, true}}) {
        SCOPED_TRACE(c.band);
        dialog.SelectBand(c.band);
        EXPECT_EQ(dialog.ColumnPosition(kLeft), c.left);
        EXPECT_EQ(dialog.ColumnPosition(kRight), c.right);
        EXPECT_EQ(dialog.ColumnType(kLeft), c.leftType);
        EXPECT_EQ(dialog.ColumnType(kRight), c.rightType);
        EXPECT_EQ(dialog.Sync(kLeft), c.leftSync);
        EXPECT_EQ(dialog.Sync(kRight), c.rightSync);
    }
    dialog.SelectBand(4);
    EXPECT_EQ(dialog.SelectedBand(), 3);
}

TEST_F(SlopeDialogs, SpinStepsArePreviewsThatTheEditCommits) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kThreeWay);
    CAttriCrossoverController dialog(*view, crossover);
    dialog.CutoffEdit(kLeft).text = "199";
    dialog.OnCutoffEdit(kLeft, EEditEvent::kFocusLost);
    ClearQueue();
    const std::vector<std::uint8_t> before = StoredForm(crossover);
    const bool undoBefore = view->CanUndo();
    dialog.OnSpin(kLeft, 200);
    EXPECT_EQ(dialog.CutoffEdit(kLeft).text, "204.00");
    EXPECT_EQ(dialog.SpinPosition(kLeft), 204);
    // Under sync the partner's preview follows, in the dialog only.
    EXPECT_EQ(dialog.WorkingFrequency(1), 204.0);
    EXPECT_EQ(StoredForm(crossover), before);
    EXPECT_TRUE(Queue().empty());
    EXPECT_EQ(view->CanUndo(), undoBefore);

    EXPECT_TRUE(dialog.OnCutoffEdit(kLeft, EEditEvent::kFocusLost));
    EXPECT_EQ(crossover.m_frequency[0], 204.0);
    EXPECT_EQ(crossover.m_frequency[1], 204.0);
    EXPECT_EQ(SectionIndices(Queue()), (std::vector<int>{1, 1, 5, 5}));
}

TEST_F(SlopeDialogs, DragsPreviewAndCommitOnReleaseAndAStillClickDoesNothing) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kTwoWay);
    CAttriCrossoverController dialog(*view, crossover);
    const std::vector<std::uint8_t> before = StoredForm(crossover);

    const Point handle = Centre(dialog.HandleRect(0));
    ASSERT_EQ(dialog.OnMouseDown(handle), CAttriCrossoverController::EMouseDown::kDrag);
    EXPECT_FALSE(dialog.OnMouseUp());
    EXPECT_EQ(StoredForm(crossover), before);
    EXPECT_FALSE(view->CanUndo());

    ASSERT_EQ(dialog.OnMouseDown(handle), CAttriCrossoverController::EMouseDown::kDrag);
    EXPECT_TRUE(dialog.Dragging(1)); // band 0's left sync
    dialog.OnMouseMove({5000, handle.y + 30});
    EXPECT_EQ(dialog.CutoffEdit(kLeft).text, "20000.00");
    EXPECT_EQ(dialog.WorkingFrequency(1), 20000.0);
    dialog.OnMouseMove({0, 0});
    EXPECT_EQ(dialog.CutoffEdit(kLeft).text, "20.00");
    dialog.OnMouseMove({handle.x + 16, 0});
    EXPECT_EQ(StoredForm(crossover), before);
    EXPECT_TRUE(Queue().empty());

    EXPECT_TRUE(dialog.OnMouseUp());
    EXPECT_FALSE(dialog.IsDragging());
    // Committed as the edit shows it.
    EXPECT_NEAR(crossover.m_frequency[0], dialog.Response().FrequencyAt(handle.x + 16), 0.005);
    EXPECT_EQ(dialog.CutoffEdit(kLeft).text,
              platform::text::format("%.2f", crossover.m_frequency[0]));
    EXPECT_EQ(crossover.m_frequency[1], crossover.m_frequency[0]);
    EXPECT_EQ(SectionIndices(Queue()), (std::vector<int>{1, 1, 5, 5}));
}

TEST_F(SlopeDialogs, ClickingACurveSelectsItsBand) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kThreeWay);
    CAttriCrossoverController dialog(*view, crossover);
    // High up the grid only the high band's curve lies near 0 dB.
    const ad::ResponseCurve& high = dialog.Curve(2);
    const Point onHigh{215 + 480, high[480]};
    EXPECT_EQ(dialog.OnMouseDown(onHigh), CAttriCrossoverController::EMouseDown::kSelect);
    EXPECT_EQ(dialog.SelectedBand(), 2);
    EXPECT_FALSE(dialog.IsDragging());
    EXPECT_EQ(dialog.OnMouseDown({215 + 480, 30 + 150}),
              CAttriCrossoverController::EMouseDown::kNone);
}

TEST_F(SlopeDialogs, OutputLevelSliderReleaseIsOneUndoStep) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kTwoWay);
    CAttriCrossoverController dialog(*view, crossover);
    dialog.SelectBand(1);
    EXPECT_TRUE(dialog.OnLevelEditFocus(CAttriCrossoverController::kOutputTarget));
    dialog.OnSliderMoving(940);
    EXPECT_EQ(dialog.OutputLevelEdit().text, "-6.0");
    EXPECT_TRUE(dialog.OnSliderReleased());
    EXPECT_EQ(crossover.m_outputLevel[1], -6.0);
    EXPECT_EQ(Queue(), Commands{"*NySET 5 605 2 5.011872e-001#"});
    ASSERT_TRUE(view->CanUndo());
    view->OnEditUndo();
    auto* restored = dynamic_cast<CAriCrossover*>(doc->GetModuleById(crossover.m_id));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->m_outputLevel[1], 0.0);
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(SlopeDialogs, InputAndOutputSwitchesAndLevelsSendTheirCodes) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kThreeWay);
    CAttriCrossoverController dialog(*view, crossover);
    dialog.SelectBand(2);
    EXPECT_TRUE(dialog.OnInputMute());
    EXPECT_TRUE(dialog.OnOutputMute());
    EXPECT_TRUE(dialog.OnOutputInvert());
    dialog.InputLevelEdit().text = "20\r\n";
    EXPECT_TRUE(dialog.OnInputLevel(EEditEvent::kTextChanged));
    EXPECT_EQ(dialog.InputLevelEdit().text, "12.0");
    EXPECT_EQ(Queue(), (Commands{"*NySET 5 601 1#", "*NySET 5 603 3 1#", "*NySET 5 604 3 1#",
                                 "*NySET 5 602 3.981072e+000#"}));
    const test_support::ScopedShippedLanguage english("rcEng");
    EXPECT_EQ(dialog.BandText(2), " High\n\n2.5 kHz\nBW 12\n0.0dB\nMuted\nInverted");
}

TEST_F(SlopeDialogs, BandSummariesOfEveryVariant) {
    struct Case {
        std::int32_t variant;
        int band, panel;
        const char* text;
    };
    const Case cases[] = {
        {19, 0, 0, "  Low\n\n1000.0 Hz\nBW 12\n0.0dB\nNormal\nNormal"},
        {19, 1, 3, " High\n\n1.0 kHz\nBW 12\n0.0dB\nNormal\nNormal"},
        {20, 0, 0, "  Low\n\n250.0 Hz\nBW 12\n0.0dB\nNormal\nNormal"},
        {20, 1, 1,
         "  Middle\n\n250.0 Hz  2500.0 Hz\nBW 12 BW 12\n      0.0dB\n      Normal\n      Normal"},
        {20, 2, 3, " High\n\n2.5 kHz\nBW 12\n0.0dB\nNormal\nNormal"},
        {21, 0, 0, "  Low\n\n160.0 Hz\nBW 12\n0.0dB\nNormal\nNormal"},
        {21, 1, 1,
         "  Low Middle\n\n160.0 Hz  800.0 Hz\nBW 12 BW 12\n      0.0dB\n      Normal\n"
         "      Normal"},
        {21, 2, 2,
         "   High Middle\n\n800.0 Hz 4.0 kHz\nBW 12   BW 12\n        0.0dB\n       Normal\n"
         "       Normal"},
        {21, 3, 3, " High\n\n4.0 kHz\nBW 12\n0.0dB\nNormal\nNormal"},
    };
    const test_support::ScopedShippedLanguage english("rcEng");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant * 10 + c.band);
        CAriCrossover& crossover = AddCrossover(c.variant);
        CAttriCrossoverController dialog(*view, crossover);
        EXPECT_EQ(dialog.BandText(c.band), c.text);
        EXPECT_EQ(dialog.BandPanel(c.band), c.panel);
    }
}

TEST_F(SlopeDialogs, DamagedCrossoverIsShownSafelyAndKeptUntilACommit) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kFourWay);
    crossover.m_frequency[2] = 1e9;
    crossover.m_filterType[2] = 40;
    crossover.m_frequency[5] = -3.0;
    CAttriCrossoverController dialog(*view, crossover);
    dialog.SelectBand(1);
    EXPECT_EQ(dialog.CutoffEdit(kRight).text, "20000.00");
    EXPECT_EQ(dialog.ColumnType(kRight), 5);
    EXPECT_EQ(dialog.WorkingFrequency(5), 20.0);
    for (int p = 0; p < 6; ++p) {
        const Rect handle = dialog.HandleRect(p);
        EXPECT_GE(handle.left, 215 - 4);
        EXPECT_LE(handle.right, 215 + 524 + 4);
    }
    platform::gdi::RecordingCanvas canvas;
    dialog.Draw(canvas);
    EXPECT_EQ(crossover.m_frequency[2], 1e9);
    EXPECT_EQ(crossover.m_filterType[2], 40);
    dialog.OnSyncToggle(kRight);
    EXPECT_TRUE(dialog.OnCutoffEdit(kRight, EEditEvent::kFocusLost));
    EXPECT_EQ(crossover.m_frequency[2], 20000.0);
    EXPECT_EQ(crossover.m_filterType[2], 5);
    EXPECT_EQ(crossover.m_frequency[3], 800.0);
}

} // namespace

namespace {

TEST_F(SlopeDialogs, SetDefaultValuesResetsAChangedModuleAndReloadsTheDialogs) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kThreeWay);
    CAttriCrossoverController dialog(*view, crossover);
    EXPECT_FALSE(dialog.SetDefaultValues());
    dialog.SelectBand(1);
    ASSERT_TRUE(dialog.OnOutputMute());
    EXPECT_TRUE(dialog.SetDefaultValues());
    EXPECT_EQ(crossover.m_outputMute[1], 0);
    EXPECT_EQ(dialog.SelectedBand(), 0);
    dialog.SelectBand(1);
    EXPECT_EQ(dialog.OutputMute(), 0);

    CAriFilter& filter = AddFilter(CAriFilter::kHighShelf);
    CAttriFilterController shelf(*view, filter);
    EXPECT_EQ(shelf.FrequencyEdit().text, "80.00");
    EXPECT_FALSE(shelf.SetDefaultValues());
    shelf.GainEdit().text = "-3";
    ASSERT_TRUE(shelf.OnGainEdit(EEditEvent::kFocusLost));
    EXPECT_TRUE(shelf.SetDefaultValues());
    EXPECT_EQ(filter.m_gain, 0.0);
    EXPECT_EQ(shelf.GainEdit().text, "0.0");
}

TEST_F(SlopeDialogs, OpeningAndRefreshLeaveTheModuleAsStored) {
    CAriCrossover& crossover = AddCrossover(CAriCrossover::kFourWay);
    crossover.m_sections[3][0].b0 = 0.5; // whatever the file held
    CAriFilter& filter = AddFilter(CAriFilter::kLowPass);
    filter.m_sections[0].a2 = 0.25;
    const std::vector<std::uint8_t> crossoverBytes = StoredForm(crossover);
    const std::vector<std::uint8_t> filterBytes = StoredForm(filter);
    CAttriCrossoverController crossoverDialog(*view, crossover);
    CAttriFilterController filterDialog(*view, filter);
    crossoverDialog.Refresh();
    filterDialog.Refresh();
    EXPECT_EQ(StoredForm(crossover), crossoverBytes);
    EXPECT_EQ(StoredForm(filter), filterBytes);
    EXPECT_TRUE(Queue().empty());
}

} // namespace

namespace {

// The widgets take the translatable strings of the variant-dependent
// captions from here: the band buttons renamed in the 2- and 3-way layouts
// and the filter's first label.
TEST_F(SlopeDialogs, VariantCaptionsNameTheirStrings) {
    struct Case {
        std::int32_t variant;
        std::vector<std::int32_t> strings;
    };
    for (const Case& c :
         {Case{CAriCrossover::kTwoWay, {0, 257}}, Case{CAriCrossover::kThreeWay, {0, 258, 257}},
          Case{CAriCrossover::kFourWay, {0, 0, 0, 0}}}) {
        CAttriCrossoverController dialog(*view, AddCrossover(c.variant));
        std::vector<std::int32_t> strings;
        for (std::int32_t b = 0; b < dialog.Bands(); ++b)
            strings.push_back(dialog.BandCaptionString(b));
        EXPECT_EQ(strings, c.strings) << "variant " << c.variant;
        EXPECT_EQ(dialog.BandCaptionString(dialog.Bands()), 0) << "no such band";
    }
    for (std::int32_t variant : {CAriFilter::kLowPass, CAriFilter::kHighPass, CAriFilter::kLowShelf,
                                 CAriFilter::kHighShelf}) {
        CAttriFilterController dialog(*view, AddFilter(variant));
        EXPECT_EQ(dialog.FirstLabelString(), dialog.HasTypeList() ? 325 : 326);
        EXPECT_EQ(dialog.FirstLabel(), resources::LoadString(dialog.FirstLabelString()));
    }
}

} // namespace
