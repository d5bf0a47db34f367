// Arranging the selected modules of a DSP sheet: each case places delay
// modules with bodies of chosen sizes, selects them, runs one arrangement
// and checks where every body went, how many move actions the one undo
// step holds, and that one Undo puts everything back.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dsp_editor/dsp_arrangement.h"
#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_classes.h"
#include "model/recording_messages.h"

namespace {

using dsp_editor::CZoDSPDoc;
using dsp_editor::CZoDSPView;
using model::CBaseAriModule;
using model::Point;
using model::Rect;
using model::Size;
using EArrange = dsp_editor::CDspArrangement::EArrange;
namespace de = dsp_editor;

class FakeWindow final : public de::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    int repaints = 0;
};

class FakeScroll final : public de::IDspScrollWindow {
public:
    Size ClientSize() const override { return client; }
    Point ScrollPosition() const override { return scroll; }
    void ScrollTo(Point pixels) override { scroll = pixels; }
    void SelectZoomIndex(int) override {}
    Size client{800, 600};
    Point scroll;
};

struct Sheet {
    std::int32_t width = 1260;
    std::int32_t height = 1800;
    std::int32_t zoom = 0;
    Point scroll;
};

// A new sheet (inputs 1-8, outputs 9-16) and its view, active in the frame,
// with the view's window and scroll window.
class DspArrangement : public ::testing::Test {
public:
    DspArrangement() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<CZoDSPView>(*doc);
        view->SetWindow(&window);
        view->Zoom().m_scrollWindow = &scroll;
        frame.activeView = view.get();
    }
    ~DspArrangement() override { view->Zoom().m_scrollWindow = nullptr; }

    void Use(const Sheet& sheet) {
        doc->m_sheetWidth = sheet.width;
        doc->m_sheetHeight = sheet.height;
        doc->m_zoom = sheet.zoom;
        scroll.scroll = sheet.scroll;
    }
    // A delay module whose body is `body`, selected with those placed before.
    CBaseAriModule& Place(const Rect& body) {
        CBaseAriModule& m = *view->Gestures().AddModuleAtPoint(model::kAriDelay, 1, 10, 10);
        m.Offset(body.left - m.m_body.left, body.top - m.m_body.top);
        m.m_body = body;
        placed.push_back(m.m_id);
        return m;
    }
    void SelectPlaced() {
        doc->ClearSelection();
        for (std::int32_t id : placed)
            doc->SelectModule(*doc->GetModuleById(id));
        view->CountSelection();
    }
    std::vector<Point> Corners() const {
        std::vector<Point> corners;
        for (std::int32_t id : placed)
            corners.push_back(doc->GetModuleById(id)->m_body.TopLeft());
        return corners;
    }
    de::CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }
    // The move actions of the newest step.
    int MovesInNewestStep() {
        int moves = 0;
        for (const auto& action : History().Actions())
            moves += action->m_step == History().Position() && action->m_kind == de::kUndoMove;
        return moves;
    }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    FakeWindow window;
    FakeScroll scroll;
    std::unique_ptr<CZoDSPDoc> doc;
    std::unique_ptr<CZoDSPView> view;
    std::vector<std::int32_t> placed;
};

struct ArrangeCase {
    const char* name;
    Sheet sheet;
    std::vector<Rect> bodies; // in the order placed (ids ascending)
    EArrange how;
    std::vector<Point> corners; // the bodies' top-left corners afterwards
    int moves;                  // move actions recorded; 0: no step at all
};

void PrintTo(const ArrangeCase& c, std::ostream* os) {
    *os << c.name;
}

class DspArrangementTable : public DspArrangement,
                            public ::testing::WithParamInterface<ArrangeCase> {};

TEST_P(DspArrangementTable, MovesTheBodiesAsOneStepThatUndoTakesBack) {
    const ArrangeCase& c = GetParam();
    Use(c.sheet);
    for (const Rect& body : c.bodies)
        Place(body);
    SelectPlaced();
    const std::vector<Point> before = Corners();
    const std::int32_t steps = History().Position();
    doc->SetModifiedFlag(false);

    view->Arrangement().Arrange(c.how);

    EXPECT_EQ(Corners(), c.corners);
    EXPECT_EQ(History().Position() - steps, c.moves > 0 ? 1 : 0);
    EXPECT_EQ(doc->IsModified(), c.moves > 0);
    if (c.moves == 0)
        return;
    EXPECT_EQ(MovesInNewestStep(), c.moves);
    view->OnEditUndo();
    EXPECT_EQ(Corners(), before);
}

const ArrangeCase kArrangeCases[] = {
    // The column of 180 units from 1700 would cross the bottom margin of an
    // 1800-unit sheet: it starts at 1800 - 10 - 180.
    {"StackLeftColumnMovedUpInsideTheMargin",
     {},
     {{300, 1700, 400, 1740}, {320, 1710, 420, 1770}, {340, 1720, 440, 1800}},
     EArrange::StackLeft,
     {{300, 1610}, {300, 1650}, {300, 1710}},
     3},
    // Sorted by top: the highest module gives the right edge and the start.
    {"StackRightFromTheHighestModule",
     {},
     {{150, 300, 300, 360}, {100, 100, 200, 150}},
     EArrange::StackRight,
     {{50, 150}, {100, 100}},
     1},
    {"StackTopRowFromTheLeftmostModule",
     {},
     {{300, 130, 400, 200}, {100, 100, 200, 150}},
     EArrange::StackTop,
     {{200, 100}, {100, 100}},
     1},
    {"StackBottomOnTheFirstBottomEdge",
     {},
     {{100, 100, 200, 150}, {300, 130, 400, 200}},
     EArrange::StackBottom,
     {{100, 100}, {200, 80}},
     1},
    // Two modules already stacked keep still; only the third moves.
    {"ModulesInPlaceGetNoAction",
     {},
     {{100, 100, 200, 150}, {100, 150, 200, 200}, {300, 400, 400, 450}},
     EArrange::StackLeft,
     {{100, 100}, {100, 150}, {100, 200}},
     1},
    {"StackedAlreadyDoesNothing",
     {},
     {{100, 100, 200, 150}, {100, 150, 200, 200}},
     EArrange::StackLeft,
     {{100, 100}, {100, 150}},
     0},
    // The wide module reaches past the right margin of a narrowed sheet: at
    // the smallest left edge it would still cross it, so all go further left.
    {"AlignLeftClampsAtTheRightMargin",
     {},
     {{1150, 100, 1250, 150}, {1160, 300, 1310, 350}},
     EArrange::AlignLeft,
     {{1100, 100}, {1100, 300}},
     2},
    {"AlignRightOnTheRightmostEdge",
     {},
     {{100, 100, 200, 150}, {150, 300, 300, 350}},
     EArrange::AlignRight,
     {{200, 100}, {150, 300}},
     1},
    {"AlignTopOnTheHighestEdge",
     {},
     {{100, 120, 200, 170}, {300, 100, 400, 150}},
     EArrange::AlignTop,
     {{100, 100}, {300, 100}},
     1},
    {"AlignBottomOnTheLowestEdge",
     {},
     {{100, 100, 200, 150}, {300, 100, 400, 200}},
     EArrange::AlignBottom,
     {{100, 150}, {300, 100}},
     1},
    {"AlignedAlreadyDoesNothing",
     {},
     {{100, 100, 200, 150}, {100, 300, 250, 350}},
     EArrange::AlignLeft,
     {{100, 100}, {100, 300}},
     0},
    // Centres 400, 100 and 130 (placed out of order): step 150, the middle
    // one's centre to 250.
    {"DistributeHorizontallyEvenSteps",
     {},
     {{350, 500, 450, 550}, {50, 100, 150, 150}, {80, 300, 180, 350}},
     EArrange::DistributeHorizontally,
     {{350, 500}, {50, 100}, {200, 300}},
     1},
    {"DistributeVerticallyEvenSteps",
     {},
     {{100, 75, 200, 125}, {300, 105, 400, 155}, {500, 375, 600, 425}},
     EArrange::DistributeVertically,
     {{100, 75}, {300, 225}, {500, 375}},
     1},
    // The box (100..400, 100..250) into the middle of the visible 800 x 600
    // pixels scrolled to (400, 600): at 200% that is sheet point (400, 450).
    {"CentreInViewAtTwiceTheSizeHalvesTheVisibleCentre",
     {1260, 1800, 4, {400, 600}},
     {{100, 100, 200, 150}, {300, 200, 400, 250}},
     EArrange::CentreInView,
     {{250, 375}, {450, 475}},
     2},
    {"CentreInViewAtNormalSize",
     {1260, 1800, 0, {400, 600}},
     {{100, 100, 200, 150}, {300, 200, 400, 250}},
     EArrange::CentreInView,
     {{650, 825}, {850, 925}},
     2},
    {"CentreHorizontallyOnly",
     {1260, 1800, 0, {0, 0}},
     {{100, 100, 200, 150}},
     EArrange::CentreHorizontally,
     {{350, 100}},
     1},
    {"CentreVerticallyOnly",
     {1260, 1800, 0, {0, 0}},
     {{100, 100, 200, 150}},
     EArrange::CentreVertically,
     {{100, 275}},
     1},
    // The visible middle (1400, 300) lies beyond the sheet's right edge:
    // the module stops 10 units inside it.
    {"CentreClampsToTheMargin",
     {1260, 1800, 0, {1000, 0}},
     {{100, 100, 200, 150}},
     EArrange::CentreInView,
     {{1150, 275}},
     1},
};

INSTANTIATE_TEST_SUITE_P(Cases, DspArrangementTable, ::testing::ValuesIn(kArrangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DspArrangement, LinkEndsFollowAndUndoPutsThemBack) {
    CBaseAriModule& delay = Place({300, 500, 400, 550});
    Place({300, 100, 400, 150});
    model::CBaseLink* link = dsp_test::Connect(*doc, 1, 0, delay.m_id, 0);
    ASSERT_NE(link, nullptr);
    const Point in = link->m_start;
    SelectPlaced();

    view->Arrangement().Arrange(EArrange::StackLeft);

    EXPECT_EQ(delay.m_body.TopLeft(), (Point{300, 150}));
    EXPECT_EQ(link->m_start, (Point{in.x, in.y - 350}));
    EXPECT_GT(window.repaints, 0);
    view->OnEditUndo();
    EXPECT_EQ(link->m_start, in);
}

TEST_F(DspArrangement, HiddenModulesStayWhereTheyAre) {
    Place({100, 100, 200, 150});
    Place({300, 300, 400, 350});
    doc->GetModuleById(1)->m_hidden = 1;
    const Point hidden = doc->GetModuleById(1)->m_body.TopLeft();
    SelectPlaced();
    doc->SelectModule(*doc->GetModuleById(1));

    view->Arrangement().Arrange(EArrange::AlignLeft);

    EXPECT_EQ(Corners(), (std::vector<Point>{{100, 100}, {100, 300}}));
    EXPECT_EQ(doc->GetModuleById(1)->m_body.TopLeft(), hidden);
}

// The command ids, their rules, and that a refused arrangement changes
// nothing even when called.
struct RuleCase {
    const char* name;
    int command;
    int selected; // of the three placed modules
    bool live;
    bool progress;
    bool fault;
    bool enabled;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.name;
}

class DspArrangementRules : public DspArrangement,
                            public ::testing::WithParamInterface<RuleCase> {};

TEST_P(DspArrangementRules, EnableAndRefuse) {
    const RuleCase& c = GetParam();
    Place({100, 100, 200, 150});
    Place({300, 300, 400, 350});
    Place({600, 700, 700, 750});
    placed.resize(static_cast<std::size_t>(c.selected));
    SelectPlaced();
    doc->m_live = c.live ? 1 : 0;
    view->Download().m_progress = c.progress ? 1 : 0;
    view->Download().m_commFault = c.fault ? 1 : 0;

    const std::optional<EArrange> how = de::ArrangementOf(c.command);
    ASSERT_TRUE(how.has_value());
    EXPECT_EQ(view->Arrangement().CanArrange(*how), c.enabled);

    const std::int32_t steps = History().Position();
    view->Arrangement().Arrange(*how);
    EXPECT_EQ(History().Position() > steps, c.enabled);
}

const RuleCase kRuleCases[] = {
    {"StackLeftTwo", de::kCmdStackLeft, 2, false, false, false, true},
    {"StackRightOne", de::kCmdStackRight, 1, false, false, false, false},
    {"StackTopLive", de::kCmdStackTop, 3, true, false, false, false},
    {"StackBottomDownloading", de::kCmdStackBottom, 3, false, true, false, false},
    {"AlignLeftAfterAFault", de::kCmdAlignLeft, 3, false, false, true, false},
    {"AlignRightTwo", de::kCmdAlignRight, 2, false, false, false, true},
    {"AlignTopOne", de::kCmdAlignTop, 1, false, false, false, false},
    {"AlignBottomThree", de::kCmdAlignBottom, 3, false, false, false, true},
    {"CentreInViewOne", de::kCmdCentreInView, 1, false, false, false, true},
    {"CentreHorizontallyNone", de::kCmdCentreHorizontally, 0, false, false, false, false},
    {"CentreVerticallyLive", de::kCmdCentreVertically, 1, true, false, false, false},
    {"DistributeHorizontallyTwo", de::kCmdDistributeHorizontally, 2, false, false, false, false},
    {"DistributeVerticallyThree", de::kCmdDistributeVertically, 3, false, false, false, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, DspArrangementRules, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DspArrangementIds, OtherIdsArrangeNothing) {
    EXPECT_FALSE(de::ArrangementOf(32861).has_value());
    EXPECT_FALSE(de::ArrangementOf(32805).has_value());
}

} // namespace
