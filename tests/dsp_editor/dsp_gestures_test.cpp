// The mouse editing of the DSP view driven as its window drives it: each
// case scripts clicks, drags and commands on a new sheet with one delay
// module and checks what the document holds, the undo steps recorded and
// the cursor the window was last told to show.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_classes.h"
#include "model/recording_messages.h"

namespace {

using dsp_editor::CDspGestures;
using dsp_editor::CZoDSPDoc;
using dsp_editor::CZoDSPView;
using dsp_editor::IDspViewWindow;
using model::CBaseAriModule;
using model::Point;
using Gesture = CDspGestures::EGesture;
namespace de = dsp_editor;

class FakeWindow final : public IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    void SetCapture() override { capture = true; }
    void ReleaseCapture() override { capture = false; }
    bool HasCapture() const override { return capture; }
    void SetTimer(std::int32_t id, std::int32_t ms) override { timers[id] = ms; }
    void KillTimer(std::int32_t id) override { timers.erase(id); }
    void SetCursor(ECursor c) override { cursor = c; }
    Point CursorPosition() const override { return mouse; }
    Point ScrollPosition() const override { return scroll; }
    model::Rect ClientRect() const override { return {0, 0, 800, 600}; }
    void OpenModuleDialog(CBaseAriModule& module) override { opened.push_back(module.m_id); }

    int repaints = 0;
    bool capture = false;
    std::map<std::int32_t, std::int32_t> timers;
    std::optional<ECursor> cursor;
    Point mouse;
    Point scroll;
    std::vector<std::int32_t> opened;
};

// Input modules 1-8 at x 20 (one output each, pin 0), output modules 9-16
// at x 600 (one input each, pin 0), and delay 17 at (300, 300) with its
// input pin 0 and output pin 1; unscrolled at 100%, so client points are
// sheet points.
class DspEditorGesture : public ::testing::Test {
public:
    static constexpr std::int32_t kDelay = 17;

    DspEditorGesture() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<CZoDSPView>(*doc);
        view->SetWindow(&window);
        frame.activeView = view.get();
        view->Gestures().AddModuleAtPoint(model::kAriDelay, 1, 300, 300);
    }

    CDspGestures& G() { return view->Gestures(); }
    CBaseAriModule& M(std::int32_t id) { return *doc->GetModuleById(id); }
    Point Pin(std::int32_t id, int pin) { return M(id).GetChnl(pin)->m_rect.CenterPoint(); }
    // A point in the module's title strip, clear of its pins.
    Point Body(std::int32_t id) { return M(id).m_body.TopLeft() + model::Size{50, 10}; }
    Point TopLeft(std::int32_t id) { return M(id).m_body.TopLeft(); }
    const de::CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }

    void Click(Point p) {
        G().OnLButtonDown(p);
        G().OnLButtonUp(p);
    }
    void Drag(Point from, Point to) {
        G().OnLButtonDown(from);
        G().OnMouseMove(to);
        G().OnLButtonUp(to);
    }

    // The links as "receiving id.pin<feeding id.pin".
    std::vector<std::string> Links() {
        std::vector<std::string> out;
        for (const auto& link : doc->Links())
            out.push_back(std::to_string(link->m_sourceModule) + "." +
                          std::to_string(link->m_sourceChannel) + "<" +
                          std::to_string(link->m_destModule) + "." +
                          std::to_string(link->m_destChannel));
        return out;
    }
    std::vector<std::int32_t> Selected() {
        std::vector<std::int32_t> ids;
        for (const auto& module : doc->Modules())
            if (module->m_selected != 0)
                ids.push_back(module->m_id);
        return ids;
    }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    FakeWindow window;
    std::unique_ptr<CZoDSPDoc> doc;
    std::unique_ptr<CZoDSPView> view;
};

struct GestureCase {
    const char* name;
    // Before the baseline: what the sheet holds already.
    std::function<void(DspEditorGesture&)> setUp;
    std::function<void(DspEditorGesture&)> script;
    std::vector<std::string> links;
    std::vector<std::int32_t> selected;
    int modules;                          // on the sheet afterwards
    std::optional<Point> delayAt;         // the delay's top-left afterwards
    int steps;                            // undo steps recorded by the script
    std::optional<std::int32_t> lastKind; // kind of the newest action then
    // The cursor last chosen; none when the script moved no mouse.
    std::optional<IDspViewWindow::ECursor> cursor;
    Gesture gesture;
};

void PrintTo(const GestureCase& c, std::ostream* os) {
    *os << c.name;
}

using G = DspEditorGesture;
constexpr std::int32_t D = DspEditorGesture::kDelay;
const auto kNoSetUp = [](G&) {};
const auto kFedDelay = [](G& t) { dsp_test::Connect(*t.doc, 1, 0, D, 0); };
// Delay 18 to the right of the delay, feeding it.
const auto kFedFromTheRight = [](G& t) {
    t.view->Gestures().AddModuleAtPoint(model::kAriDelay, 1, 500, 400);
    dsp_test::Connect(*t.doc, 18, 1, D, 0);
};

class DspEditorGestureTable : public DspEditorGesture,
                              public ::testing::WithParamInterface<GestureCase> {};

TEST_P(DspEditorGestureTable, LeavesTheSheetTheStepsAndTheCursor) {
    const GestureCase& c = GetParam();
    c.setUp(*this);
    const std::int32_t before = History().Position();
    c.script(*this);

    EXPECT_EQ(Links(), c.links);
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(static_cast<int>(doc->Modules().size()), c.modules);
    if (c.delayAt) {
        EXPECT_EQ(TopLeft(D), *c.delayAt);
    }
    EXPECT_EQ(History().Position() - before, c.steps);
    if (c.lastKind) {
        EXPECT_EQ(History().Actions().back()->m_kind, *c.lastKind);
    }
    EXPECT_EQ(window.cursor, c.cursor);
    EXPECT_EQ(G().Gesture(), c.gesture);
    // Only a gesture under way holds the mouse.
    EXPECT_EQ(window.capture, c.gesture != Gesture::Idle);
}

constexpr auto kArrow = IDspViewWindow::kCursorArrow;
constexpr auto kCross = IDspViewWindow::kCursorCross;
constexpr auto kMove = IDspViewWindow::kCursorMove;
constexpr auto kDrop = IDspViewWindow::kCursorDrop;
constexpr auto kNo = IDspViewWindow::kCursorNo;

const GestureCase kCases[] = {
    {"ClickOnLinkedInputDoesNothing",
     kFedDelay,
     [](G& t) { t.Click(t.Pin(D, 0)); },
     {"17.0<1.0"},
     {},
     17,
     Point{300, 300},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"LinkFromOutputToInput",
     kNoSetUp,
     [](G& t) {
         t.Click(t.Pin(1, 0));
         t.G().OnMouseMove(t.Pin(D, 0));
         t.Click(t.Pin(D, 0));
     },
     {"17.0<1.0"},
     {},
     17,
     {},
     1,
     de::kUndoAdd,
     kArrow,
     Gesture::Idle},
    {"LinkFromInputToOutputStoredInputFirst",
     kNoSetUp,
     [](G& t) {
         t.Click(t.Pin(D, 0));
         t.Click(t.Pin(1, 0));
     },
     {"17.0<1.0"},
     {},
     17,
     {},
     1,
     de::kUndoAdd,
     kCross,
     Gesture::Idle},
    {"SelfLinkRefusedAndLinkingGoesOn",
     kNoSetUp,
     [](G& t) {
         t.Click(t.Pin(D, 1));
         t.Click(t.Pin(D, 0));
     },
     {},
     {},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Linking},
    {"SameDirectionRefused",
     kNoSetUp,
     [](G& t) {
         t.Click(t.Pin(1, 0));
         t.Click(t.Pin(D, 1));
     },
     {},
     {},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Linking},
    {"RightClickCancelsLinking",
     kNoSetUp,
     [](G& t) {
         t.Click(t.Pin(1, 0));
         EXPECT_FALSE(t.G().OnRButtonDown(t.Pin(D, 0)));
         EXPECT_EQ(t.M(1).GetChnl(0)->m_highlighted, 0);
         EXPECT_TRUE(t.window.timers.empty());
     },
     {},
     {},
     17,
     {},
     0,
     {},
     kCross,
     Gesture::Idle},
    {"NineUnitsMoveNothing",
     kNoSetUp,
     [](G& t) {
         t.Drag(t.Body(D), t.Body(D) + model::Size{9, 9});
     },
     {},
     {D},
     17,
     Point{300, 300},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"TenUnitsMoveOneStep",
     kNoSetUp,
     [](G& t) {
         t.Drag(t.Body(D), t.Body(D) + model::Size{10, 0});
     },
     {},
     {D},
     17,
     Point{310, 300},
     1,
     de::kUndoMove,
     kArrow,
     Gesture::Idle},
    // The corner goes to the grid line at or before where the mouse takes
    // it: one unit up or left is a step.
    {"OneUnitUpMovesOneStep",
     kNoSetUp,
     [](G& t) {
         t.Drag(t.Body(D), t.Body(D) + model::Size{9, -1});
     },
     {},
     {D},
     17,
     Point{300, 290},
     1,
     de::kUndoMove,
     kArrow,
     Gesture::Idle},
    {"HeldMoveShowsTheMoveCursor",
     kNoSetUp,
     [](G& t) {
         t.G().OnLButtonDown(t.Body(D));
         t.G().OnMouseMove(t.Body(D) + model::Size{25, 0});
     },
     {},
     {D},
     17,
     Point{320, 300},
     0,
     {},
     kMove,
     Gesture::Moving},
    {"MoveStopsAtTheMargin",
     kNoSetUp,
     [](G& t) {
         t.Drag(t.Body(D), t.Body(D) - model::Size{1000, 1000});
     },
     {},
     {D},
     17,
     Point{10, 10},
     1,
     de::kUndoMove,
     kArrow,
     Gesture::Idle},
    {"MoveStopsTheInputStubAtTheMargin",
     kFedFromTheRight,
     [](G& t) {
         t.Drag(t.Body(D), t.Body(D) - model::Size{1000, 0});
         // The receiving end 15 + 10 units inside the sheet's left edge.
         EXPECT_EQ(t.doc->Links()[0]->m_start.x, 25);
     },
     {"17.0<18.1"},
     {D},
     18,
     Point{17, 300},
     1,
     de::kUndoMove,
     kArrow,
     Gesture::Idle},
    {"RightClickEndsAMoveUnrecorded",
     kNoSetUp,
     [](G& t) {
         t.G().OnLButtonDown(t.Body(D));
         t.G().OnMouseMove(t.Body(D) + model::Size{20, 0});
         EXPECT_TRUE(t.G().OnRButtonDown(t.Body(D) + model::Size{20, 0}));
         t.G().OnLButtonUp(t.Body(D) + model::Size{20, 0});
     },
     {},
     {D},
     17,
     Point{320, 300},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"BandCoveringPartOfAModuleSelectsNothing",
     kNoSetUp,
     [](G& t) {
         t.Drag({290, 290}, {350, 500});
     },
     {},
     {},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"BandEndingOnTheCornerSelectsNothing",
     kNoSetUp,
     [](G& t) {
         t.Drag({290, 290}, t.M(D).m_body.BottomRight());
     },
     {},
     {},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"BandCoveringAModuleSelectsIt",
     kNoSetUp,
     [](G& t) {
         t.Drag({290, 290}, t.M(D).m_body.BottomRight() + model::Size{1, 1});
     },
     {},
     {D},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"DeleteWithOnlyInputsUnselects",
     kNoSetUp,
     [](G& t) {
         t.Click(t.Body(1));
         ASSERT_EQ(t.Selected(), std::vector<std::int32_t>{1});
         t.G().OnEditDelete();
     },
     {},
     {},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"DeleteAfterSelectAllKeepsTheChannels",
     kFedDelay,
     [](G& t) {
         t.G().OnSelectAllModules();
         t.G().OnEditDelete();
     },
     {},
     {},
     16,
     {},
     1,
     de::kUndoDelete,
     std::nullopt,
     Gesture::Idle},
    {"DropAddsASnappedModule",
     kNoSetUp,
     [](G& t) {
         t.view->Gestures().BeginListDrag(301);
         t.G().OnMouseMove({407, 503});
         EXPECT_EQ(t.window.cursor, kDrop);
         t.G().OnLButtonUp({407, 503});
         EXPECT_EQ(t.M(18).m_body.TopLeft(), (Point{400, 500}));
     },
     {},
     {18},
     18,
     {},
     1,
     de::kUndoAdd,
     kArrow,
     Gesture::Idle},
    {"DropWhileLiveAddsNothing",
     kNoSetUp,
     [](G& t) {
         t.doc->m_live = 1;
         t.view->Gestures().BeginListDrag(301);
         t.G().OnMouseMove({407, 503});
         EXPECT_EQ(t.window.cursor, kNo);
         t.G().OnLButtonUp({407, 503});
     },
     {},
     {D},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Idle},
    {"DropOutsideTheClientAddsNothing",
     kNoSetUp,
     [](G& t) {
         t.view->Gestures().BeginListDrag(301);
         t.G().OnLButtonUp({900, 100});
     },
     {},
     {D},
     17,
     {},
     0,
     {},
     kArrow,
     Gesture::Idle},
};

INSTANTIATE_TEST_SUITE_P(Cases, DspEditorGestureTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// A click on a body reports the module's size and place to the panes of the
// active view only; the module figure keeps the 14 fixed modules out.
TEST_F(DspEditorGesture, StatusFollowsTheClickedModuleOnTheActiveViewOnly) {
    Click({700, 900}); // the delay placed last is selected: a click on it only moves it
    frame.statuses.clear();
    Click(Body(D));
    ASSERT_FALSE(frame.statuses.empty());
    const de::DspStatusFigures& shown = frame.statuses.back();
    EXPECT_EQ(shown.size, (model::Size{100, 50}));
    EXPECT_EQ(shown.position, (Point{300, 300}));
    EXPECT_EQ(shown.modules, 17);
    EXPECT_EQ(shown.selectedModules, 1);
    EXPECT_EQ(model::AlgorithmModuleCount(shown.modules), 3);

    frame.activeView = nullptr;
    frame.statuses.clear();
    Click(Body(1));
    EXPECT_TRUE(frame.statuses.empty());
}

// A download in progress or a fault stops every click, with the wait cursor.
TEST_F(DspEditorGesture, BusyRefusesClicksAndDeletes) {
    for (auto* flag : {&view->Download().m_progress, &view->Download().m_commFault}) {
        *flag = 1;
        G().OnLButtonDown(Pin(1, 0));
        G().OnEditDelete();
        EXPECT_EQ(G().Gesture(), Gesture::Idle);
        EXPECT_EQ(Selected(), std::vector<std::int32_t>{D});
        EXPECT_EQ(G().CursorAt(Body(D)), IDspViewWindow::kCursorWait);
        *flag = 0;
    }
}

TEST_F(DspEditorGesture, CaptureLossDropsTheLinkAndTicksStopTheirTimers) {
    G().OnLButtonDown(Pin(1, 0));
    EXPECT_EQ(window.timers, (std::map<std::int32_t, std::int32_t>{{1, 100}}));
    G().OnCaptureChanged();
    EXPECT_EQ(G().Gesture(), Gesture::Idle);
    EXPECT_EQ(M(1).GetChnl(0)->m_highlighted, 0);
    EXPECT_FALSE(window.capture);

    window.timers[1] = 100;
    G().OnTimer(1);
    EXPECT_TRUE(window.timers.empty());

    // A tick while the band is held handles the mouse where it stands.
    G().OnLButtonDown({200, 600});
    window.mouse = {260, 650};
    G().OnTimer(3);
    EXPECT_EQ(G().RubberBand(), (model::Rect{200, 600, 260, 650}));
    EXPECT_EQ(window.timers.count(3), 1u);
}

TEST_F(DspEditorGesture, DoubleClickOpensTheModuleUnderTheBody) {
    G().OnLButtonDblClk(Body(D));
    EXPECT_EQ(window.opened, std::vector<std::int32_t>{D});
    EXPECT_EQ(Selected(), std::vector<std::int32_t>{D});
    G().OnLButtonDblClk({700, 900});
    EXPECT_EQ(window.opened, std::vector<std::int32_t>{D});
    EXPECT_TRUE(Selected().empty());
}

// The add commands place at the scroll position in sheet units: 200%
// halves the pixels.
TEST_F(DspEditorGesture, AddAtScrollConvertsThePixels) {
    doc->m_zoom = 4;
    window.scroll = {400, 260};
    const std::int32_t before = History().Position();
    CBaseAriModule* added = view->Gestures().AddModuleAtScroll(model::kAriDelay, 1);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->m_body.TopLeft(), (Point{200, 130}));
    EXPECT_EQ(History().Position(), before + 1);
    EXPECT_EQ(view->m_selectedAriModules, 1);

    doc->m_live = 1;
    EXPECT_EQ(view->Gestures().AddModuleAtScroll(model::kAriDelay, 1), nullptr);
}

// Select all counts hidden inputs out of the selected modules but selects
// them; select all links leaves the modules.
TEST_F(DspEditorGesture, SelectCommandsCount) {
    dsp_test::Connect(*doc, 1, 0, D, 0);
    M(2).m_hidden = 1;
    G().OnSelectAllModules();
    EXPECT_EQ(Selected().size(), 17u);
    EXPECT_EQ(view->m_selectedModules, 16);
    EXPECT_EQ(view->m_selectedAriModules, 1);
    EXPECT_EQ(view->m_selectedLinks, 0);

    G().OnSelectAllLinks();
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(view->m_selectedLinks, 1);

    G().OnSelectAll();
    EXPECT_EQ(view->m_selectedModules, 16);
    EXPECT_EQ(view->m_selectedLinks, 1);
}

} // namespace
