// The program's module clipboard driven through DSP views: one clipboard
// that the application keeps while sheets come and go, copy, cut and paste
// of modules, copy and paste of one module's parameters, and the commands'
// rules.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/dsp_clipboard.h"
#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_classes.h"
#include "model/ari_delay.h"
#include "model/recording_messages.h"

namespace {

using dsp_editor::CDspClipboard;
using dsp_editor::CZoDSPDoc;
using dsp_editor::CZoDSPView;
using model::CBaseAriModule;
using model::Point;
namespace de = dsp_editor;

// The main frame: the application's clipboard and the active sheet's view.
class ClipboardFrame final : public de::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return "00602b0a0b0c"; }
    std::int32_t NewSheetModel() const override { return 1; }
    std::string DeviceDocumentPath() const override { return {}; }
    CZoDSPView* ActiveDspView() const override { return active; }
    void ShowDspStatus(const de::DspStatusFigures& figures) override {
        statuses.push_back(figures);
    }
    CDspClipboard* Clipboard() const override { return clipboard; }

    CDspClipboard* clipboard = nullptr;
    CZoDSPView* active = nullptr;
    std::vector<de::DspStatusFigures> statuses;
};

// A new sheet (inputs 1-8, outputs 9-16) with its view, the active one.
struct Sheet {
    explicit Sheet(ClipboardFrame& frame) {
        doc.SetMainFrame(&frame);
        doc.OnNewDocument();
        frame.active = &view;
    }
    CZoDSPDoc doc;
    CZoDSPView view{doc};
};

class DspClipboard : public ::testing::Test {
public:
    DspClipboard() {
        frame.clipboard = &clipboard;
        sheet = std::make_unique<Sheet>(frame);
    }

    CZoDSPDoc& Doc() { return sheet->doc; }
    CZoDSPView& View() { return sheet->view; }
    model::CAriDelay& Delay(std::int32_t id) {
        return static_cast<model::CAriDelay&>(*Doc().GetModuleById(id));
    }
    model::CAriDelay& AddDelay(std::int32_t x, std::int32_t y, std::int32_t variant = 1) {
        return static_cast<model::CAriDelay&>(
            *View().Gestures().AddModuleAtPoint(model::kAriDelay, variant, x, y));
    }
    void Select(const std::vector<std::int32_t>& ids) {
        Doc().ClearSelection();
        for (std::int32_t id : ids)
            Doc().SelectModule(*Doc().GetModuleById(id));
        View().CountSelection();
    }
    std::vector<std::int32_t> Selected() {
        std::vector<std::int32_t> ids;
        for (const auto& module : Doc().Modules())
            if (module->m_selected != 0)
                ids.push_back(module->m_id);
        return ids;
    }
    std::int32_t Steps() { return de::UndoHistoryOf(Doc())->Position(); }

    model::CRecordingMessages messages;
    std::vector<std::string> destroyedDialogs;
    CDspClipboard clipboard;
    ClipboardFrame frame;
    std::unique_ptr<Sheet> sheet;
};

TEST_F(DspClipboard, CopyingOnlyInputsAndOutputsLeavesItEmpty) {
    AddDelay(300, 300);
    Select({17});
    View().ClipboardCommands().OnEditCopy();
    ASSERT_TRUE(clipboard.HasContent());

    Select({1, 9});
    View().ClipboardCommands().OnEditCopy();

    EXPECT_FALSE(clipboard.HasContent());
    EXPECT_FALSE(View().ClipboardCommands().CanPaste());
}

TEST_F(DspClipboard, RepeatedPastesWalkDownAndRightInSteps) {
    AddDelay(300, 300).m_delay = 2.5;
    Select({17});
    View().ClipboardCommands().OnEditCopy();
    Doc().m_orderOk = 1;
    Doc().m_programBuilt = 1;

    const Point expected[] = {{300, 300}, {320, 320}, {340, 340}};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        const std::int32_t steps = Steps();
        View().ClipboardCommands().OnEditPaste();
        const std::int32_t id = 18 + n;
        ASSERT_NE(Doc().GetModuleById(id), nullptr);
        EXPECT_EQ(Delay(id).m_body.TopLeft(), expected[n]);
        EXPECT_EQ(Delay(id).m_name, "Delay-" + std::to_string(2 + n));
        EXPECT_EQ(Delay(id).m_displayName, Delay(id).m_name);
        EXPECT_EQ(Delay(id).m_delay, 2.5);
        EXPECT_EQ(Selected(), std::vector<std::int32_t>{id});
        EXPECT_EQ(View().m_selectedModules, 1);
        EXPECT_EQ(Steps(), steps + 1);
        EXPECT_EQ(frame.statuses.back().position, expected[n]);
    }
    EXPECT_EQ(Delay(17).m_body.TopLeft(), (Point{300, 300}));
    EXPECT_EQ(Doc().m_orderOk, 0);
    EXPECT_EQ(Doc().m_programBuilt, 0);
    EXPECT_TRUE(Doc().IsModified());

    // Each paste is one step of its own.
    View().OnEditUndo();
    EXPECT_EQ(Doc().GetModuleById(20), nullptr);
    EXPECT_NE(Doc().GetModuleById(19), nullptr);
}

TEST_F(DspClipboard, PastesOfSeveralModulesAreOneStep) {
    AddDelay(100, 300);
    AddDelay(400, 300);
    Select({17, 18});
    View().ClipboardCommands().OnEditCopy();
    const std::int32_t steps = Steps();

    View().ClipboardCommands().OnEditPaste();

    EXPECT_EQ(Selected(), (std::vector<std::int32_t>{19, 20}));
    EXPECT_EQ(View().m_selectedModules, 2);
    EXPECT_EQ(Steps(), steps + 1);
    View().OnEditUndo();
    EXPECT_EQ(Doc().Modules().size(), 18u);
}

// Pastes near the corner of a 300 x 200 sheet wrap round inside its
// margins in sheet units, whatever the zoom.
TEST_F(DspClipboard, PastesStayOnASmallSheetAtEveryZoom) {
    for (const std::int32_t zoom : {-2, 0, 4}) {
        SCOPED_TRACE(zoom);
        sheet = std::make_unique<Sheet>(frame);
        Doc().m_sheetWidth = 300;
        Doc().m_sheetHeight = 200;
        Doc().m_zoom = zoom;
        AddDelay(190, 140); // 100 x 50: against the right and bottom margins
        Select({17});
        View().ClipboardCommands().OnEditCopy();

        std::vector<Point> corners;
        for (int n = 0; n < 8; ++n) {
            View().ClipboardCommands().OnEditPaste();
            const model::Rect& body = Doc().Modules().items().back()->m_body;
            corners.push_back(body.TopLeft());
            EXPECT_GE(body.left, 10);
            EXPECT_GE(body.top, 10);
            EXPECT_LE(body.right, 290);
            EXPECT_LE(body.bottom, 190);
        }
        EXPECT_EQ(corners[0], (Point{190, 140}));
        EXPECT_EQ(corners[1], (Point{29, 29}));
        EXPECT_EQ(corners[2], (Point{49, 49}));
    }
}

struct TightCase {
    const char* name;
    std::int32_t width, height;
    Point corner;
};

void PrintTo(const TightCase& c, std::ostream* os) {
    *os << c.name;
}

class DspClipboardTight : public DspClipboard, public ::testing::WithParamInterface<TightCase> {};

// A delay (100 x 50) copied from a large sheet into a sheet with little or
// no room for it.
TEST_P(DspClipboardTight, PastesAtTheMargin) {
    const TightCase& c = GetParam();
    AddDelay(300, 300);
    Select({17});
    View().ClipboardCommands().OnEditCopy();
    Doc().m_sheetWidth = c.width;
    Doc().m_sheetHeight = c.height;

    View().ClipboardCommands().OnEditPaste();
    View().ClipboardCommands().OnEditPaste();

    EXPECT_EQ(Delay(19).m_body.TopLeft(), c.corner);
}

const TightCase kTightCases[] = {
    {"NarrowerThanTheModule", 100, 1800, {10, 320}},
    {"LowerThanTheModule", 1260, 40, {320, 10}},
    {"ExactlyTheModuleBetweenTheMargins", 120, 70, {10, 10}},
    {"LittleRoomWrapsRound", 131, 81, {20, 20}},
};

INSTANTIATE_TEST_SUITE_P(Cases, DspClipboardTight, ::testing::ValuesIn(kTightCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DspClipboard, CopySurvivesItsSheetAndPastesIntoAnother) {
    AddDelay(300, 300, 2).m_delay = 7.5;
    Select({17});
    View().ClipboardCommands().OnEditCopy();
    sheet.reset();

    sheet = std::make_unique<Sheet>(frame);
    ASSERT_TRUE(View().ClipboardCommands().CanPaste());
    View().ClipboardCommands().OnEditPaste();

    model::CAriDelay& pasted = Delay(17);
    EXPECT_EQ(pasted.m_subType, 2);
    EXPECT_EQ(pasted.m_delay, 7.5);
    EXPECT_EQ(pasted.m_name, "Delay-1");
    EXPECT_EQ(pasted.m_body.TopLeft(), (Point{300, 300}));
}

TEST_F(DspClipboard, PasteWhileLiveChangesNothing) {
    AddDelay(300, 300);
    Select({17});
    View().ClipboardCommands().OnEditCopy();
    Doc().m_live = 1;
    Doc().m_orderOk = 1;
    Doc().m_programBuilt = 1;
    Doc().SetModifiedFlag(false);
    const std::int32_t steps = Steps();

    EXPECT_FALSE(View().ClipboardCommands().CanPaste());
    View().ClipboardCommands().OnEditPaste();

    EXPECT_EQ(Doc().Modules().size(), 17u);
    EXPECT_EQ(Selected(), std::vector<std::int32_t>{17});
    EXPECT_EQ(Doc().m_orderOk, 1);
    EXPECT_EQ(Doc().m_programBuilt, 1);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Steps(), steps);
    EXPECT_EQ(clipboard.PasteCount(), 0);
}

TEST_F(DspClipboard, CutThenPastePutsTheModuleBack) {
    AddDelay(300, 300);
    Select({17});

    View().ClipboardCommands().OnEditCut();
    EXPECT_EQ(Doc().GetModuleById(17), nullptr);
    ASSERT_TRUE(clipboard.HasContent());

    View().ClipboardCommands().OnEditPaste();
    EXPECT_EQ(Delay(18).m_body.TopLeft(), (Point{300, 300}));
}

TEST_F(DspClipboard, CutWhileLiveOrDownloadingDoesNothing) {
    AddDelay(300, 300);
    for (const bool live : {true, false}) {
        Select({17});
        Doc().m_live = live ? 1 : 0;
        View().Download().m_progress = live ? 0 : 1;
        View().ClipboardCommands().OnEditCut();
        EXPECT_NE(Doc().GetModuleById(17), nullptr);
        EXPECT_FALSE(clipboard.HasContent());
    }
}

// Delays 17-20 of variant 1 and 21 of variant 2; 17 has other parameters
// and is copied; 18 and 20 are one binding group.
class DspParameterPaste : public DspClipboard {
public:
    DspParameterPaste() {
        for (std::int32_t x : {100, 250, 400, 550})
            AddDelay(x, 300);
        AddDelay(700, 300, 2);
        Delay(17).m_delay = 2.5;
        Delay(17).m_bypass = 1;
        for (std::int32_t id : {18, 20}) {
            Delay(id).m_group = 3;
            Delay(id).m_groupName = "Group";
        }
        Select({17});
        View().ClipboardCommands().OnCopyParameters();
        Doc().AddAttriDialog(&dialog);
    }
    ~DspParameterPaste() override { Doc().RemoveAttriDialog(18, 0); }

    std::vector<double> Delays() {
        std::vector<double> values;
        for (std::int32_t id = 17; id <= 21; ++id)
            values.push_back(Delay(id).m_delay);
        return values;
    }

    dsp_test::FakeDialog dialog{18, 0, destroyedDialogs};
};

TEST_F(DspParameterPaste, OnlyTheFirstMatchingModuleAndItsGroupChange) {
    // The input and the variant-2 delay do not match; 18 comes before 19.
    Select({1, 21, 19, 18});
    const std::vector<double> before = Delays();
    const double max = before[1];
    ASSERT_NE(max, 2.5);
    ASSERT_EQ(View().ClipboardCommands().ParameterTarget(), Doc().GetModuleById(18));
    Doc().SetModifiedFlag(false);
    const std::int32_t steps = Steps();

    View().ClipboardCommands().OnPasteParameters();

    EXPECT_EQ(Delays(), (std::vector<double>{2.5, 2.5, max, 2.5, before[4]}));
    EXPECT_EQ(Delay(18).m_bypass, 1);
    EXPECT_EQ(Delay(19).m_bypass, 0);
    EXPECT_GE(dialog.refreshes, 1);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_TRUE(View().Console().Queue(comm::EConsoleQueue::Control).empty());

    View().OnEditUndo();
    EXPECT_EQ(Delays(), before);
}

TEST_F(DspParameterPaste, WhileLiveTheUnitGetsTheChanges) {
    Select({18});
    Doc().m_live = 1;

    View().ClipboardCommands().OnPasteParameters();

    EXPECT_EQ(Delay(18).m_delay, 2.5);
    EXPECT_EQ(Delay(20).m_delay, 2.5);
    // Delay and bypass, for the module and for its group's other member.
    EXPECT_EQ(View().Console().Queue(comm::EConsoleQueue::Control).size(), 4u);
}

TEST_F(DspParameterPaste, NoMatchingModuleChangesNothing) {
    Select({1, 21});
    const std::vector<double> before = Delays();
    const std::int32_t steps = Steps();

    EXPECT_EQ(View().ClipboardCommands().ParameterTarget(), nullptr);
    View().ClipboardCommands().OnPasteParameters();

    EXPECT_EQ(Delays(), before);
    EXPECT_EQ(Steps(), steps);
}

// The commands' rules by selection, live state and what waits to be
// pasted.
struct RuleCase {
    const char* name;
    std::vector<std::int32_t> selected; // 1 an input, 17 a delay
    bool live;
    bool copies;     // modules copied
    bool parameters; // parameters copied
    bool copy, paste, copyParameters, pasteParameters;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.name;
}

class DspClipboardRules : public DspClipboard, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(DspClipboardRules, EnableTheCommands) {
    const RuleCase& c = GetParam();
    AddDelay(300, 300);
    Select({17});
    if (c.copies)
        View().ClipboardCommands().OnEditCopy();
    if (c.parameters)
        View().ClipboardCommands().OnCopyParameters();
    Select(c.selected);
    Doc().m_live = c.live ? 1 : 0;

    EXPECT_EQ(View().ClipboardCommands().CanCopy(), c.copy);
    EXPECT_EQ(View().ClipboardCommands().CanPaste(), c.paste);
    EXPECT_EQ(View().ClipboardCommands().CanCopyParameters(), c.copyParameters);
    EXPECT_EQ(View().ClipboardCommands().CanPasteParameters(), c.pasteParameters);
}

const RuleCase kRuleCases[] = {
    {"NothingAtAll", {}, false, false, false, false, false, false, false},
    {"DelaySelected", {17}, false, false, false, true, false, true, false},
    {"DelaySelectedLive", {17}, true, false, false, false, false, true, false},
    {"InputSelected", {1}, false, false, false, false, false, true, false},
    {"CopiesWaiting", {}, false, true, false, false, true, false, false},
    {"CopiesWaitingLive", {}, true, true, false, false, false, false, false},
    {"ParametersWaiting", {}, false, false, true, false, false, false, true},
    {"ParametersWaitingLive", {}, true, false, true, false, false, false, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, DspClipboardRules, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DspClipboardWithoutFrameClipboard, CommandsDoNothing) {
    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::unique_ptr<CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    CZoDSPView view(*doc);
    view.Gestures().AddModuleAtPoint(model::kAriDelay, 1, 300, 300);
    view.ClipboardCommands().OnEditCopy();
    view.ClipboardCommands().OnCopyParameters();
    view.ClipboardCommands().OnEditPaste();
    EXPECT_FALSE(view.ClipboardCommands().CanPaste());
    EXPECT_FALSE(view.ClipboardCommands().CanPasteParameters());
    EXPECT_EQ(doc->Modules().size(), 17u);
}

} // namespace
