// The dynamics, sine and noise dialogs' controllers and the dynamics
// transfer curve over a sheet's real document, undo history, view and
// console (no sender thread): the commands queued for the unit, what the
// controls show, the curve's points and the previews.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/dynamic_controller.h"
#include "attri_dialogs/dynamic_transfer_curve.h"
#include "attri_dialogs/noise_controller.h"
#include "attri_dialogs/sine_controller.h"
#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_test_support.h"
#include "model/ari_dynamic.h"
#include "model/ari_generator.h"
#include "platform/gdi/recording_canvas.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
using model::CAriDynamic;
using model::CAriGenerator;
using platform::gdi::Point;
using Commands = std::vector<std::string>;
using Column = ad::CAttriDynamicController::EColumn;
using Field = ad::CAttriSineController::EField;
using Curve = ad::CDynamicTransferCurve;

class RecordingSlider final : public ad::IPopupSlider {
public:
    void SetValue(std::int32_t p) override { positions.push_back(p); }
    void Hide() override { ++hides; }

    std::vector<std::int32_t> positions;
    int hides = 0;
};

class SteppedTimer final : public ad::IPreviewTimer {
public:
    void Start(std::int32_t ms) override {
        periods.push_back(ms);
        running = true;
    }
    void Stop() override { running = false; }

    std::vector<std::int32_t> periods;
    bool running = false;
};

// A new model-1 sheet, live, with modules added at order 5.
class SheetFixture : public ::testing::Test {
protected:
    SheetFixture() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
    }
    template <class M> M& Add(std::int32_t type, std::int32_t variant) {
        auto* module = dynamic_cast<M*>(doc->AddModule(type, variant, 200, 200, 1));
        module->m_order = 5;
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        return *module;
    }
    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }
    de::CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
};

// ---------------------------------------------------------------- dynamics

class DynamicDialog : public SheetFixture {
protected:
    ad::CAttriDynamicController& Open(std::int32_t variant,
                                      void (*prepare)(CAriDynamic&) = nullptr) {
        module = &Add<CAriDynamic>(model::kAriDynamic, variant);
        if (prepare != nullptr)
            prepare(*module);
        controller = std::make_unique<ad::CAttriDynamicController>(*view, *module);
        return *controller;
    }
    bool Type(Column column, const std::string& text) {
        controller->Edit(column).text = text;
        return controller->OnEdit(column, ad::EEditEvent::kTextChanged);
    }
    Point Centre(Curve::EHandle handle) const {
        return controller->Curve().HandleRect(handle).CenterPoint();
    }
    // A handle dragged by (dx, dy) and let go.
    bool Drag(Curve::EHandle handle, std::int32_t dx, std::int32_t dy) {
        const Point from = Centre(handle);
        if (!controller->OnGraphDown(from))
            return false;
        controller->OnGraphMove(Point{from.x + dx, from.y + dy});
        return controller->OnGraphUp();
    }

    CAriDynamic* module = nullptr;
    std::unique_ptr<ad::CAttriDynamicController> controller;
};

TEST_F(DynamicDialog, TimesAndThresholdsGoOutInTheUnitsEncodings) {
    struct Case {
        Column column;
        const char* typed;
        const char* shown;
        const char* command;
    };
    const Case cases[] = {
        {Column::kAttack, "10\r\n", "10.00", "*NySET 5 702 481#"},
        {Column::kAttack, "0\r\n", "0.00", "*NySET 5 702 1#"},
        {Column::kRelease, "5000\r\n", "4000.00", "*NySET 5 703 192001#"},
        {Column::kThreshold, "-20\r\n", "-20.0", "*NySET 5 704 4401#"},
        {Column::kThreshold, "0\r\n", "0.0", "*NySET 5 704 44012#"},
        {Column::kThreshold, "-75\r\n", "-60.0", "*NySET 5 704 44#"},
    };
    Open(CAriDynamic::kCompressor);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_TRUE(Type(c.column, c.typed));
        EXPECT_EQ(controller->Edit(c.column).text, c.shown);
        EXPECT_EQ(ControlQueue(), Commands{c.command});
        view->Console().ClearAll();
    }
    EXPECT_EQ(controller->Position(Column::kThreshold), 720);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DynamicDialog, CompressorRatioIsClampedAndSentAsItsReciprocal) {
    Open(CAriDynamic::kCompressor);
    EXPECT_TRUE(Type(Column::kRatio, "150\r\n"));
    EXPECT_EQ(controller->Edit(Column::kRatio).text, "100.0");
    EXPECT_EQ(controller->Position(Column::kRatio), 0);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 705 1.000000e-002#"});
    EXPECT_TRUE(Type(Column::kRatio, "0.5\r\n"));
    EXPECT_EQ(controller->Edit(Column::kRatio).text, "1.0");
    EXPECT_EQ(controller->Position(Column::kRatio), 180);
    // The two-piece scale: 10 sits half way.
    EXPECT_TRUE(Type(Column::kRatio, "10\r\n"));
    EXPECT_EQ(controller->Position(Column::kRatio), 90);
    // A lone sign goes at once; ratios are never negative.
    controller->Edit(Column::kRatio).text = "-";
    EXPECT_FALSE(controller->OnEdit(Column::kRatio, ad::EEditEvent::kTextChanged));
    EXPECT_EQ(controller->Edit(Column::kRatio).text, "");
}

TEST_F(DynamicDialog, ExpanderRatioBelowOne) {
    Open(CAriDynamic::kExpander, [](CAriDynamic& m) { m.m_ratio = 0.5; });
    EXPECT_TRUE(Type(Column::kRatio, "0.25\r\n"));
    EXPECT_EQ(controller->Edit(Column::kRatio).text, "0.25");
    EXPECT_EQ(controller->Position(Column::kRatio), 76);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 705 4.000000e+000#"});
}

TEST_F(DynamicDialog, LevelerThresholdAndItsGainAreOneUndoStep) {
    Open(CAriDynamic::kLeveler);
    EXPECT_TRUE(Type(Column::kThreshold, "-20\r\n"));
    EXPECT_DOUBLE_EQ(module->m_levelerGain, 15.0);
    EXPECT_DOUBLE_EQ(controller->Gain(), 15.0);
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 5 704 4401#", "*NySET 5 707 5.623413e+000#"}));
    ASSERT_TRUE(view->CanUndo());
    view->OnEditUndo();
    EXPECT_EQ(module->m_threshold, 0.0);
    EXPECT_EQ(module->m_levelerGain, 0.0);
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(DynamicDialog, LevelerThresholdStaysAtOrBelowTheTarget) {
    Open(CAriDynamic::kLeveler, [](CAriDynamic& m) {
        m.m_targetOrDepth = -10.0;
        m.m_threshold = -30.0;
    });
    EXPECT_TRUE(Type(Column::kThreshold, "0\r\n"));
    EXPECT_EQ(controller->Edit(Column::kThreshold).text, "-10.0");
    EXPECT_EQ(module->m_threshold, -10.0);
    // And the target at or above the threshold.
    EXPECT_FALSE(Type(Column::kTarget, "-40\r\n"));
    EXPECT_EQ(controller->Edit(Column::kTarget).text, "-10.0");
}

TEST_F(DynamicDialog, LevelerTargetIsUndoableAndMarksModifiedWithoutAGainChange) {
    // At ratio 1 the gain stays 0 whatever the target.
    Open(CAriDynamic::kLeveler, [](CAriDynamic& m) { m.m_ratio = 1.0; });
    EXPECT_TRUE(Type(Column::kTarget, "6\r\n"));
    EXPECT_EQ(module->m_targetOrDepth, 6.0);
    EXPECT_EQ(module->m_levelerGain, 0.0);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(ControlQueue().empty()) << "the target has no command";
    ASSERT_TRUE(view->CanUndo());
    view->OnEditUndo();
    EXPECT_EQ(module->m_targetOrDepth, 0.0);
}

TEST_F(DynamicDialog, LevelerTargetMovesTheGainInOneStep) {
    Open(CAriDynamic::kLeveler, [](CAriDynamic& m) {
        m.m_threshold = -20.0;
        m.m_targetOrDepth = -20.0;
    });
    EXPECT_TRUE(Type(Column::kTarget, "0\r\n"));
    EXPECT_DOUBLE_EQ(module->m_levelerGain, 15.0);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 707 5.623413e+000#"});
    view->OnEditUndo();
    EXPECT_EQ(module->m_targetOrDepth, -20.0);
    EXPECT_EQ(module->m_levelerGain, 0.0);
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(DynamicDialog, GateDepthClickWithoutMovingChangesNothing) {
    Open(CAriDynamic::kNoiseGate, [](CAriDynamic& m) { m.m_targetOrDepth = -35.5; });
    EXPECT_EQ(controller->Edit(Column::kRatio).text, "-35.5");
    controller->OnTrackMoving(Column::kRatio, controller->Position(Column::kRatio));
    EXPECT_FALSE(controller->OnTrackReleased(Column::kRatio));
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());

    controller->OnTrackMoving(Column::kRatio, 600);
    EXPECT_EQ(controller->Edit(Column::kRatio).text, "-60.0");
    EXPECT_TRUE(ControlQueue().empty()) << "moving sends nothing";
    EXPECT_TRUE(controller->OnTrackReleased(Column::kRatio));
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 708 1.000000e-003#"});
}

TEST_F(DynamicDialog, EachKindShowsItsColumns) {
    struct Case {
        std::int32_t variant;
        bool ratio, target, times;
        std::int32_t timesShift, bypassShift, attackLabel, ratioLabel;
    };
    const Case cases[] = {
        {CAriDynamic::kLeveler, true, true, true, 0, 0, 259, 0},
        {CAriDynamic::kCompressor, true, false, true, 62, 62, 0, 0},
        {CAriDynamic::kLimiter, false, false, true, 124, 124, 0, 0},
        {CAriDynamic::kNoiseGate, true, false, true, 62, 62, 0, 260},
        {CAriDynamic::kExpander, true, false, true, 62, 62, 0, 0},
        {CAriDynamic::kClipper, false, false, false, 124, 248, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        const auto layout = Open(c.variant).Layout();
        EXPECT_EQ(layout.ratioShown, c.ratio);
        EXPECT_EQ(layout.targetShown, c.target);
        EXPECT_EQ(layout.timesShown, c.times);
        EXPECT_EQ(layout.timesShift, c.timesShift);
        EXPECT_EQ(layout.bypassShift, c.bypassShift);
        EXPECT_EQ(layout.attackLabel, c.attackLabel);
        EXPECT_EQ(layout.ratioLabel, c.ratioLabel);
    }
}

TEST_F(DynamicDialog, TrackbarScalesByKind) {
    Open(CAriDynamic::kCompressor);
    struct Case {
        Column column;
        std::int32_t position;
        const char* shown;
    };
    const Case cases[] = {
        {Column::kThreshold, 0, "12.0"},  {Column::kThreshold, 720, "-60.0"},
        {Column::kRatio, 180, "1.0"},     {Column::kRatio, 90, "10.0"},
        {Column::kRatio, 89, "11.0"},     {Column::kRatio, 0, "100.0"},
        {Column::kAttack, 1990, "10.00"}, {Column::kRelease, 0, "4000.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        controller->OnTrackMoving(c.column, c.position);
        EXPECT_EQ(controller->Edit(c.column).text, c.shown);
    }
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(DynamicDialog, BypassDefaultsAndViewOnly) {
    Open(CAriDynamic::kLimiter, [](CAriDynamic& m) { m.m_ratio = 8.0; });
    // The limiter has no ratio: a ratio of 8 still counts as at defaults.
    EXPECT_TRUE(controller->AtDefaults());
    EXPECT_FALSE(controller->SetDefaultValues());
    EXPECT_TRUE(controller->OnBypassClick());
    EXPECT_EQ(controller->Bypass(), 1);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 701 1#"});
    EXPECT_FALSE(controller->AtDefaults());
    EXPECT_TRUE(controller->SetDefaultValues());
    EXPECT_EQ(module->m_bypass, 0);
    EXPECT_EQ(controller->Bypass(), 0);

    controller->Base().SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(controller->OnBypassClick());
    EXPECT_EQ(controller->Bypass(), 0);
    controller->Edit(Column::kThreshold).text = "-30";
    EXPECT_FALSE(controller->OnEdit(Column::kThreshold, ad::EEditEvent::kFocusLost));
    EXPECT_EQ(controller->Edit(Column::kThreshold).text, "0.0");
    EXPECT_FALSE(controller->OnGraphDown(Centre(Curve::EHandle::kThreshold)));
    EXPECT_FALSE(controller->OnGraphMove(Centre(Curve::EHandle::kThreshold)));
}

TEST_F(DynamicDialog, DraggingTheThresholdTenPixelsUpRaisesItFiveDb) {
    Open(CAriDynamic::kCompressor, [](CAriDynamic& m) { m.m_threshold = -20.0; });
    EXPECT_TRUE(Drag(Curve::EHandle::kThreshold, 0, -10));
    EXPECT_EQ(module->m_threshold, -15.0);
    EXPECT_EQ(controller->Edit(Column::kThreshold).text, "-15.0");
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 704 7826#"});
}

TEST_F(DynamicDialog, RatioDragsThatCannotMoveLeaveTheRatio) {
    // The span above (compressor) or below (expander) the threshold may
    // close while the handle is held, as when another editor moves the
    // threshold: the ratio must stay finite.
    struct Case {
        std::int32_t variant;
        double threshold; // while the ratio is dragged
        double ratio;
    };
    const Case cases[] = {
        {CAriDynamic::kLimiter, 0.0, 4.0},
        {CAriDynamic::kCompressor, 12.0, 4.0},
        {CAriDynamic::kExpander, -60.0, 0.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        Open(c.variant);
        const Point from = Centre(Curve::EHandle::kRatio);
        ASSERT_TRUE(controller->OnGraphDown(from));
        ASSERT_EQ(controller->Curve().Dragging(), Curve::EHandle::kRatio);
        module->m_threshold = c.threshold;
        EXPECT_FALSE(controller->OnGraphMove(Point{from.x - 10, from.y - 10}));
        EXPECT_FALSE(controller->OnGraphUp());
        EXPECT_EQ(controller->Ratio(), c.ratio);
        EXPECT_EQ(module->m_ratio, c.ratio);
        EXPECT_TRUE(ControlQueue().empty());
    }
}

TEST_F(DynamicDialog, CompressorRatioDragFollowsTheRightEdge) {
    Open(CAriDynamic::kCompressor, [](CAriDynamic& m) { m.m_threshold = -20.0; });
    // span 32 dB: 32 / (32 / 4 + 4) = 2.67 while held, the edit's 2.7 when
    // let go.
    const Point from = Centre(Curve::EHandle::kRatio);
    ASSERT_TRUE(controller->OnGraphDown(from));
    EXPECT_TRUE(controller->OnGraphMove(Point{from.x, from.y - 8}));
    EXPECT_DOUBLE_EQ(controller->Ratio(), 32.0 / 12.0);
    EXPECT_EQ(module->m_ratio, 4.0) << "nothing is recorded while dragging";
    EXPECT_TRUE(controller->OnGraphUp());
    EXPECT_EQ(module->m_ratio, 2.7);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 705 3.703704e-001#"});
}

TEST_F(DynamicDialog, DamagedValuesStayInsideTheCurve) {
    Open(CAriDynamic::kLeveler, [](CAriDynamic& m) {
        m.m_threshold = -100.0;
        m.m_targetOrDepth = 50.0;
    });
    EXPECT_EQ(controller->Curve().ThresholdPixel(), 0);
    EXPECT_EQ(controller->Edit(Column::kThreshold).text, "-60.0");
    EXPECT_EQ(controller->Edit(Column::kTarget).text, "12.0");
    EXPECT_EQ(controller->Position(Column::kTarget), 0);
    platform::gdi::RecordingCanvas canvas;
    controller->Curve().Draw(canvas);
    EXPECT_EQ(module->m_threshold, -100.0) << "the module changes only on a commit";
}

// ------------------------------------------------------------------- curve

TEST(DynamicTransferCurve, CompressorIsTheDiagonalThenOnePixelPerRatio) {
    Curve curve(CAriDynamic::kCompressor);
    curve.Compute(-20.0, 4.0, 0.0);
    EXPECT_EQ(curve.ThresholdPixel(), 80);
    for (std::int32_t a = 0; a <= 80; ++a)
        ASSERT_EQ(curve.OutputPixel(a), a) << a;
    EXPECT_EQ(curve.OutputPixel(84), 81);
    EXPECT_EQ(curve.OutputPixel(143), 95);
    EXPECT_EQ(curve.HandleRect(Curve::EHandle::kRatio).CenterPoint(), (Point{171, 159 - 95}));
    EXPECT_EQ(curve.HandleRect(Curve::EHandle::kThreshold).CenterPoint(), (Point{108, 79}));
}

TEST(DynamicTransferCurve, LimiterAndClipperAreFlatFromTheThreshold) {
    for (std::int32_t variant : {CAriDynamic::kLimiter, CAriDynamic::kClipper}) {
        Curve curve(variant);
        curve.Compute(-12.0, 4.0, 0.0);
        for (std::int32_t a = 0; a < Curve::kPoints; ++a)
            ASSERT_EQ(curve.OutputPixel(a), std::min(a, 96)) << variant << " " << a;
    }
}

TEST(DynamicTransferCurve, LevelerLiftsByItsGain) {
    Curve curve(CAriDynamic::kLeveler);
    curve.Compute(-20.0, 4.0, 0.0);
    EXPECT_DOUBLE_EQ(curve.Gain(), 15.0);
    EXPECT_EQ(curve.OutputPixel(0), 30);
    EXPECT_EQ(curve.OutputPixel(143), 80 + 15 + 30);
    EXPECT_EQ(curve.HandleRect(Curve::EHandle::kThird).CenterPoint().x, 28 + 120);
}

TEST(DynamicTransferCurve, ExpanderMeetsTheBottomEdge) {
    Curve curve(CAriDynamic::kExpander);
    curve.Compute(-30.0, 0.5, 0.0);
    // T = 60: below it the line falls twice as fast and meets the bottom at
    // input pixel 30.
    EXPECT_EQ(curve.OutputPixel(50), 40);
    EXPECT_EQ(curve.OutputPixel(10), 0);
    EXPECT_EQ(curve.PointAt(10).x, 28 + 30);
    EXPECT_EQ(curve.HandleRect(Curve::EHandle::kRatio).CenterPoint(), curve.PointAt(0));
}

TEST(DynamicTransferCurve, GateAtMinusHundredRisesFromTheBottomAtTheThreshold) {
    Curve curve(CAriDynamic::kNoiseGate);
    curve.Compute(-30.0, -100.0, -100.0);
    platform::gdi::RecordingCanvas canvas;
    curve.Draw(canvas);
    const auto line = std::find_if(canvas.Ops().begin(), canvas.Ops().end(), [](const auto& op) {
        return op.kind == platform::gdi::RecordedOp::Kind::Polyline &&
               op.pen.colour == Curve::kCurve;
    });
    ASSERT_NE(line, canvas.Ops().end());
    // T = 60: the foot stands under the threshold, the line starts there.
    EXPECT_EQ(line->points.front(), (Point{28 + 60, 159}));
    EXPECT_EQ(line->points[1], (Point{28 + 60, 159 - 60}));
    for (const Point& p : line->points)
        EXPECT_LE(p.y, 159);
}

TEST(DynamicTransferCurve, DrawsGridEveryTwentyFourPixelsAndLightsTheHoveredHandle) {
    Curve curve(CAriDynamic::kCompressor);
    curve.Compute(-20.0, 4.0, 0.0);
    EXPECT_TRUE(curve.UpdateHover(curve.HandleRect(Curve::EHandle::kThreshold).CenterPoint()));
    EXPECT_FALSE(curve.UpdateHover(curve.HandleRect(Curve::EHandle::kThreshold).CenterPoint()));
    platform::gdi::RecordingCanvas canvas;
    curve.Draw(canvas);
    std::vector<std::int32_t> rows;
    std::vector<platform::gdi::COLORREF> handles;
    for (const auto& op : canvas.Ops()) {
        if (op.kind == platform::gdi::RecordedOp::Kind::Polyline && op.pen.colour == Curve::kGrid &&
            op.points.front().y == op.points.back().y)
            rows.push_back(op.points.front().y);
        if (op.kind == platform::gdi::RecordedOp::Kind::Ellipse)
            handles.push_back(op.brush.colour);
    }
    EXPECT_EQ(rows, (std::vector<std::int32_t>{135, 111, 87, 63, 39}));
    EXPECT_EQ(handles, (std::vector<platform::gdi::COLORREF>{Curve::kHandle, Curve::kHighlight}));
}

// -------------------------------------------------------------------- sine

class SineDialog : public SheetFixture {
protected:
    ad::CAttriSineController& Open(void (*prepare)(CAriGenerator&) = nullptr) {
        module = &Add<CAriGenerator>(model::kAriGenerator, CAriGenerator::kSine);
        if (prepare != nullptr)
            prepare(*module);
        controller = std::make_unique<ad::CAttriSineController>(*view, *module, &timer);
        controller->SetSlider(&slider);
        return *controller;
    }
    bool Type(Field field, const std::string& text) {
        controller->Edit(field).text = text;
        return controller->OnEdit(field, ad::EEditEvent::kTextChanged);
    }
    // The preview's sample rows, relative to its zero line.
    std::pair<std::int32_t, std::int32_t> Swing() {
        platform::gdi::RecordingCanvas canvas;
        controller->DrawPreview(canvas);
        std::int32_t low = 0, high = 0;
        for (const auto& op : canvas.Ops())
            if (op.kind == platform::gdi::RecordedOp::Kind::Polyline && op.pen.colour == 0x00ff00)
                for (const Point& p : op.points) {
                    low = std::min(low, p.y - 76);
                    high = std::max(high, p.y - 76);
                }
        return {low, high};
    }

    CAriGenerator* module = nullptr;
    SteppedTimer timer;
    RecordingSlider slider;
    std::unique_ptr<ad::CAttriSineController> controller;
};

TEST_F(SineDialog, SweepLimitsGoOutInSixteenthsOfAnOctaveStepsAbove20Hz) {
    struct Case {
        const char* hz;
        int steps;
    };
    const Case cases[] = {{"20", 0}, {"160", 144}, {"1000", 270}, {"2560", 336}, {"20000", 478}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz);
        Open([](CAriGenerator& m) {
            m.m_sweepStart = 21.0;
            m.m_sweepStop = 19999.0;
        });
        EXPECT_TRUE(Type(Field::kStart, std::string(c.hz) + "\r\n"));
        module->m_sweepStart = 20.0;
        EXPECT_TRUE(Type(Field::kStop, std::string(c.hz) + "\r\n"));
        EXPECT_EQ(ControlQueue(), (Commands{"*NySET 5 805 " + std::to_string(c.steps) + "#",
                                            "*NySET 5 806 " + std::to_string(c.steps) + "#"}));
        view->Console().ClearAll();
    }
}

TEST_F(SineDialog, StartAndStopKeepTheirOrder) {
    Open([](CAriGenerator& m) {
        m.m_sweepStart = 500.0;
        m.m_sweepStop = 2000.0;
    });
    EXPECT_TRUE(Type(Field::kStart, "3000\r\n"));
    EXPECT_EQ(module->m_sweepStart, 2000.0);
    EXPECT_EQ(controller->Edit(Field::kStart).text, "2000.00");
    EXPECT_FALSE(Type(Field::kStop, "100\r\n")) << "the stop already is the start";
    EXPECT_EQ(controller->Edit(Field::kStop).text, "2000.00");
    module->m_sweepStart = 300.0;
    EXPECT_TRUE(Type(Field::kStop, "100\r\n"));
    EXPECT_EQ(module->m_sweepStop, 300.0);
}

TEST_F(SineDialog, LevelFrequencyAndTimeStepGoldens) {
    Open([](CAriGenerator& m) {
        m.m_level = -6.0;
        m.m_frequency = 500.0;
        m.m_step = 200;
    });
    EXPECT_TRUE(Type(Field::kLevel, "20\r\n"));
    EXPECT_EQ(controller->Edit(Field::kLevel).text, "12.0");
    EXPECT_TRUE(Type(Field::kLevel, "-120\r\n"));
    EXPECT_EQ(controller->Edit(Field::kLevel).text, "-100.0");
    view->Console().ClearAll();
    EXPECT_TRUE(Type(Field::kLevel, "0\r\n"));
    EXPECT_TRUE(Type(Field::kFrequency, "1000\r\n"));
    EXPECT_TRUE(Type(Field::kTimeStep, "50\r\n"));
    EXPECT_EQ(controller->Edit(Field::kTimeStep).text, "100");
    EXPECT_EQ(ControlQueue(),
              (Commands{"*NySET 5 803 4.401200e+004#", "*NySET 5 804 1.982890e+000 1.305262e-001#",
                        "*NySET 5 808 4800#"}));
    EXPECT_EQ(module->m_step, 100);
}

TEST_F(SineDialog, OfflineChangesAreStoredAndPreviewedButNotSent) {
    Open();
    doc->m_live = 0;
    const std::int32_t previews = controller->PreviewChanged();
    EXPECT_TRUE(Type(Field::kFrequency, "2000\r\n"));
    EXPECT_GT(controller->PreviewChanged(), previews);
    EXPECT_TRUE(controller->OnMuteClick());
    EXPECT_TRUE(controller->OnStepSelected(3));
    EXPECT_TRUE(controller->OnModeClick());
    EXPECT_EQ(module->m_frequency, 2000.0);
    EXPECT_EQ(module->m_mute, 1);
    EXPECT_EQ(module->m_stepWidthIndex, 3);
    EXPECT_EQ(module->m_mode, 0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(SineDialog, SweepButtonInSweepModeSwitchesToFixed) {
    Open([](CAriGenerator& m) { m.m_mode = 0; });
    EXPECT_TRUE(timer.running);
    EXPECT_TRUE(controller->OnModeClick());
    EXPECT_TRUE(controller->Fixed());
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(ControlQueue(),
              (Commands{"*NySET 5 801 1#", "*NySET 5 804 1.982890e+000 1.305262e-001#"}));
    EXPECT_EQ(slider.hides, 1);
}

TEST_F(SineDialog, SweepPreviewStepsAndStartsOverAtTheStop) {
    Open([](CAriGenerator& m) {
        m.m_mode = 0;
        m.m_sweepStart = 1000.0;
        m.m_sweepStop = 4000.0;
        m.m_step = 250;
    });
    EXPECT_EQ(timer.periods, std::vector<std::int32_t>{250});
    std::vector<double> shown;
    for (int tick = 0; tick < 3; ++tick) {
        controller->OnTimer();
        shown.push_back(controller->PreviewFrequency());
    }
    EXPECT_EQ(shown, (std::vector<double>{1000.0, 2000.0, 1000.0}));
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(SineDialog, ADamagedTimeStepPreviewsEveryHundredMs) {
    Open([](CAriGenerator& m) {
        m.m_mode = 0;
        m.m_step = 0;
    });
    EXPECT_EQ(timer.periods, std::vector<std::int32_t>{100});
    EXPECT_EQ(controller->Edit(Field::kTimeStep).text, "100");
}

TEST_F(SineDialog, PreviewSwingFollowsTheLevel) {
    Open();
    controller->CalcPreview(1000.0, 0.0);
    const auto loud = Swing();
    EXPECT_GE(loud.first, -42);
    EXPECT_LE(loud.first, -41);
    EXPECT_GE(loud.second, 41);
    EXPECT_LE(loud.second, 42);
    controller->CalcPreview(1000.0, -100.0);
    const auto quiet = Swing();
    EXPECT_EQ(quiet.first, -1);
    EXPECT_EQ(quiet.second, 1);
}

TEST_F(SineDialog, SpinsPreviewWithoutStoringAndMarkModified) {
    struct Case {
        Field field;
        double from;
        std::int32_t position;
        const char* shown;
    };
    const Case cases[] = {
        {Field::kFrequency, 50.0, 51, "51.00"},     {Field::kFrequency, 150.0, 151, "152.00"},
        {Field::kFrequency, 1000.0, 999, "990.00"}, {Field::kFrequency, 19990.0, 19991, "20000.00"},
        {Field::kStart, 25.0, 24, "24.00"},         {Field::kStart, 21.0, 20, "20.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        Open();
        controller->Edit(c.field).shown = c.from;
        controller->OnSpin(c.field, c.position);
        EXPECT_EQ(controller->Edit(c.field).text, c.shown);
        EXPECT_EQ(module->m_frequency, 1000.0);
        EXPECT_TRUE(doc->IsModified());
    }
    controller->OnSpin(Field::kTimeStep, 11);
    EXPECT_EQ(controller->Edit(Field::kTimeStep).text, "101");
    EXPECT_EQ(controller->SpinPosition(Field::kTimeStep), 10);
    controller->OnSpin(Field::kTimeStep, 9);
    controller->OnSpin(Field::kTimeStep, 9);
    EXPECT_EQ(controller->Edit(Field::kTimeStep).text, "100");
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
}

// ------------------------------------------------------------------- noise

class NoiseDialog : public SheetFixture {
protected:
    NoiseDialog() {
        module = &Add<CAriGenerator>(model::kAriGenerator, CAriGenerator::kPinkNoise);
        controller = std::make_unique<ad::CAttriNoiseController>(*view, *module);
        controller->SetSlider(&slider);
    }
    bool Type(const std::string& text) {
        controller->Level().text = text;
        return controller->OnLevelEdit(ad::EEditEvent::kTextChanged);
    }

    CAriGenerator* module = nullptr;
    RecordingSlider slider;
    std::unique_ptr<ad::CAttriNoiseController> controller;
};

TEST_F(NoiseDialog, LevelUpTo36DbAndTheSliderStaysPut) {
    EXPECT_TRUE(Type("40\r\n"));
    EXPECT_EQ(controller->Level().text, "36.0");
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 803 2.776970e+006#"});
    EXPECT_TRUE(slider.positions.empty()) << "applying never moves the slider";
}

TEST_F(NoiseDialog, TheSliderCoversUpTo12Db) {
    module->m_level = 20.0;
    controller->Refresh();
    EXPECT_TRUE(controller->OnLevelFocus());
    EXPECT_EQ(slider.positions, std::vector<std::int32_t>{1120});
    controller->OnSliderMoving(1120);
    EXPECT_EQ(controller->Level().text, "12.0");
    EXPECT_EQ(module->m_level, 20.0);
    controller->OnSliderMoving(700);
    EXPECT_EQ(controller->Level().text, "-30.0");
    EXPECT_TRUE(controller->OnLevelEdit(ad::EEditEvent::kSliderReleased));
    EXPECT_EQ(module->m_level, -30.0);
}

TEST_F(NoiseDialog, MuteHidesTheSliderAndDefaultsReset) {
    const int hides = slider.hides;
    EXPECT_TRUE(controller->OnMuteClick());
    EXPECT_EQ(slider.hides, hides + 1);
    EXPECT_EQ(controller->Mute(), 1);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 5 802 1#"});
    EXPECT_TRUE(controller->SetDefaultValues());
    EXPECT_EQ(module->m_mute, 0);
    EXPECT_EQ(controller->Mute(), 0);
    EXPECT_FALSE(controller->SetDefaultValues());
}

} // namespace
