// The matrix mixer's dialog over a sheet's real document, undo history, view
// and console: cells, gains, levels, mutes, the two sliders, refresh and the
// layout of every variant.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/mixer_controller.h"
#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_test_support.h"
#include "model/ari_mixer.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
using ad::EEditEvent;
using ad::EMixerTarget;
using model::CAriMixer;
using platform::gdi::Rect;
using platform::gdi::Size;
using Commands = std::vector<std::string>;

// Remembers what the controller did to it.
class MixerSlider final : public ad::IMixerSlider {
public:
    void SetValue(std::int32_t p) override { positions.push_back(p); }
    void Hide() override {
        shown = false;
        ++hides;
    }
    void SetRange(std::int32_t lo, std::int32_t hi) override {
        minimum = lo;
        maximum = hi;
    }
    void ShowBeside(EMixerTarget t, std::int32_t i) override {
        shown = true;
        target = t;
        index = i;
    }

    std::vector<std::int32_t> positions;
    int hides = 0;
    bool shown = false;
    std::int32_t minimum = -1, maximum = -1;
    EMixerTarget target = EMixerTarget::kNone;
    std::int32_t index = -1;
};

// A mixer of the variant (order 4) on a new live sheet, clean, with its
// dialog's controller and sliders.
class MixerDialog : public ::testing::Test {
protected:
    void Open(std::int32_t variant) {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        mixer = dynamic_cast<CAriMixer*>(doc->AddModule(model::kAriMixer, variant, 200, 40, 1));
        ASSERT_NE(mixer, nullptr);
        mixer->m_order = 4;
        Reopen();
    }
    void Reopen() {
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        controller = std::make_unique<ad::CAttriMixerController>(*view, *mixer);
        controller->SetSliders(&in, &out);
    }
    void SetUp() override { Open(7); }

    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }
    void ClearQueue() { view->Console().ClearAll(); }
    bool TypeInCell(std::int32_t i, std::int32_t j, const std::string& text) {
        controller->CellGain(i, j).text = text;
        return controller->OnCellGainEdit(i, j, EEditEvent::kTextChanged);
    }
    bool TypeInInput(std::int32_t i, const std::string& text) {
        controller->InputLevel(i).text = text;
        return controller->OnInputLevelEdit(i, EEditEvent::kTextChanged);
    }
    int Steps() { return view->CanUndo() ? 1 : 0; }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    CAriMixer* mixer = nullptr;
    MixerSlider in, out;
    std::unique_ptr<ad::CAttriMixerController> controller;
};

TEST_F(MixerDialog, ACellClickTogglesItsInputsBitAndSendsTheWholeMask) {
    struct Case {
        const char* what;
        std::int32_t input; // from 0
        std::int32_t mask;
        bool on;
        const char* command;
    };
    const Case cases[] = {
        {"input 3 on: off", 2, 1, false, "*NySET 4 505 2 1#"},
        {"input 4 off: on", 3, 13, true, "*NySET 4 505 2 13#"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mixer->m_columnMask[1] = 5;
        Reopen();
        ClearQueue();
        EXPECT_TRUE(controller->OnCellClick(c.input, 1));
        EXPECT_EQ(mixer->m_columnMask[1], c.mask);
        EXPECT_EQ(controller->CellOn(c.input, 1), c.on);
        EXPECT_EQ(ControlQueue(), Commands{c.command});
        EXPECT_TRUE(doc->IsModified());
        auto& copy =
            dynamic_cast<CAriMixer&>(*de::UndoHistoryOf(*doc)->AddAction(3, *mixer, 0, 0, true));
        EXPECT_EQ(copy.m_columnMask[1], c.mask);
    }
}

TEST_F(MixerDialog, TheFirstKeystrokeInACellOnlyBringsUpItsSlider) {
    mixer->CrossPoint(4, 1) = -6.0;
    Reopen();
    EXPECT_FALSE(TypeInCell(4, 1, "6\r\n"));
    EXPECT_TRUE(in.shown);
    EXPECT_EQ(in.minimum, 0);
    EXPECT_EQ(in.maximum, 1000);
    EXPECT_EQ(in.target, EMixerTarget::kCell);
    EXPECT_EQ(in.index, 4 * 8 + 1);
    EXPECT_EQ(in.positions.back(), 1000);
    EXPECT_EQ(mixer->CrossPoint(4, 1), -6.0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(MixerDialog, EnterInACellWithItsSliderShownAppliesTheClampedGainAs506) {
    struct Case {
        const char* typed;
        const char* shown;
        double gain;
        const char* command;
        std::int32_t position;
    };
    const Case cases[] = {
        {"6\r\n", "0.0", 0.0, "*NySET 4 506 2 5 1.000000e+000#", 1000},
        {"-100\r\n", "-100", -100.0, "*NySET 4 506 2 5 1.000000e-005#", 0},
        {"-250\r\n", "-100", -100.0, "*NySET 4 506 2 5 1.000000e-005#", 0},
        {"-12.34\r\n", "-12.3", -12.34, "*NySET 4 506 2 5 2.415461e-001#", 877},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        mixer->CrossPoint(4, 1) = -6.0;
        Reopen();
        ClearQueue();
        TypeInCell(4, 1, "-"); // brings up the slider
        EXPECT_TRUE(TypeInCell(4, 1, c.typed));
        EXPECT_EQ(controller->CellGain(4, 1).text, c.shown);
        EXPECT_EQ(mixer->CrossPoint(4, 1), c.gain);
        EXPECT_EQ(ControlQueue(), Commands{c.command});
        EXPECT_EQ(in.positions.back(), c.position);
    }
}

TEST_F(MixerDialog, SwitchingACellOffKeepsItsGainAndOnAgainSendsOnlyTheMask) {
    mixer->m_columnMask[0] = 1;
    mixer->CrossPoint(0, 0) = -9.0;
    Reopen();
    EXPECT_TRUE(controller->OnCellClick(0, 0));
    EXPECT_TRUE(controller->OnCellClick(0, 0));
    EXPECT_EQ(mixer->CrossPoint(0, 0), -9.0);
    EXPECT_EQ(controller->CellGain(0, 0).text, "-9.0");
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 4 505 1 0#", "*NySET 4 505 1 1#"}));
}

TEST_F(MixerDialog, InputLevelsApplyOnEnterOrWhenAnyOfTheirEditsLosesTheFocus) {
    EXPECT_FALSE(TypeInInput(2, "30"));
    EXPECT_TRUE(TypeInInput(2, "30\r\n"));
    EXPECT_EQ(controller->InputLevel(2).text, "12.0");
    EXPECT_EQ(mixer->m_inputLevel[2], 12.0);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 503 3 3.981072e+000#"});
    ClearQueue();

    // Leaving input 1's edit applies every input edit that differs.
    controller->InputLevel(2).text = "30";
    controller->InputLevel(5).text = "-120";
    controller->InputLevel(6).text = "";
    EXPECT_TRUE(controller->OnInputLevelEdit(0, EEditEvent::kFocusLost));
    EXPECT_EQ(controller->InputLevel(2).text, "12.0");
    EXPECT_EQ(controller->InputLevel(5).text, "-100");
    EXPECT_EQ(controller->InputLevel(6).text, "0.0");
    EXPECT_EQ(mixer->m_inputLevel[5], -100.0);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 503 6 1.000000e-005#"});
}

TEST_F(MixerDialog, EnterOnAnEmptyOrDashLevelReadsAsZero) {
    for (const char* text : {"\r\n", "-\r\n"}) {
        SCOPED_TRACE(text);
        mixer->m_outputLevel[3] = -5.0;
        Reopen();
        ClearQueue();
        controller->OutputLevel(3).text = text;
        EXPECT_TRUE(controller->OnOutputLevelEdit(3, EEditEvent::kTextChanged));
        EXPECT_EQ(mixer->m_outputLevel[3], 0.0);
        EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 504 4 1.000000e+000#"});
    }
}

TEST_F(MixerDialog, MutesAlwaysToggle) {
    EXPECT_TRUE(controller->OnInputMute(3));
    EXPECT_TRUE(controller->OnOutputMute(7));
    EXPECT_TRUE(controller->OnInputMute(3));
    EXPECT_EQ(controller->InputMute(3), 0);
    EXPECT_EQ(controller->OutputMute(7), 1);
    EXPECT_EQ(ControlQueue(),
              (Commands{"*NySET 4 501 4 1#", "*NySET 4 502 8 1#", "*NySET 4 501 4 0#"}));
}

TEST_F(MixerDialog, SlidersFollowTheLevelEditsAndApplyOnRelease) {
    controller->InputLevel(1).text = "-20.0";
    EXPECT_TRUE(controller->OnInputLevelFocus(1));
    EXPECT_EQ(in.maximum, 1120);
    EXPECT_EQ(in.positions.back(), 800);
    EXPECT_EQ(in.target, EMixerTarget::kInputLevel);

    controller->OnSliderMoving(0);
    EXPECT_EQ(controller->InputLevel(1).text, "-100");
    controller->OnSliderMoving(1050);
    EXPECT_EQ(controller->InputLevel(1).text, "5.0");
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_TRUE(controller->OnSliderReleased());
    EXPECT_EQ(mixer->m_inputLevel[1], 5.0);
    EXPECT_TRUE(in.shown);

    // An output edit takes the other slider; the input one hides.
    EXPECT_TRUE(controller->OnOutputLevelFocus(0));
    EXPECT_FALSE(in.shown);
    EXPECT_TRUE(out.shown);
    EXPECT_EQ(out.target, EMixerTarget::kOutputLevel);
    controller->OnSliderMoving(900);
    EXPECT_EQ(controller->OutputLevel(0).text, "-10.0");
    EXPECT_TRUE(controller->OnSliderReleased());
    EXPECT_EQ(ControlQueue(),
              (Commands{"*NySET 4 503 2 1.778279e+000#", "*NySET 4 504 1 3.162278e-001#"}));

    // A cell click hides both.
    controller->OnCellClick(0, 0);
    EXPECT_FALSE(out.shown);
    EXPECT_FALSE(controller->OutputSliderShown());
}

TEST_F(MixerDialog, ViewOnlyRestoresEveryEditAndChangesNothing) {
    mixer->CrossPoint(0, 0) = -3.0;
    mixer->m_inputLevel[0] = -7.0;
    Reopen();
    controller->SetMode(ad::CAttriController::kViewOnly);
    controller->CellGain(0, 0).text = "-50";
    controller->InputLevel(0).text = "4";
    EXPECT_FALSE(controller->OnCellGainEdit(0, 0, EEditEvent::kFocusLost));
    EXPECT_FALSE(controller->OnInputLevelEdit(0, EEditEvent::kFocusLost));
    EXPECT_EQ(controller->CellGain(0, 0).text, "-3.0");
    EXPECT_EQ(controller->InputLevel(0).text, "-7.0");
    EXPECT_FALSE(controller->OnCellClick(0, 0));
    EXPECT_FALSE(controller->CellOn(0, 0));
    EXPECT_FALSE(controller->OnInputMute(0));
    EXPECT_EQ(controller->InputMute(0), 0);
    EXPECT_FALSE(controller->OnInputLevelFocus(0));
    EXPECT_FALSE(in.shown);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(view->CanUndo());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(MixerDialog, SetDefaultValuesOnAnEightByOneSendsOnlyWhatDiffers) {
    Open(4);
    mixer->m_inputMute[3] = 1;
    Reopen();
    ClearQueue();
    EXPECT_TRUE(controller->SetDefaultValues());
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 501 4 0#"});
    EXPECT_EQ(mixer->m_inputMute[3], 0);
    ClearQueue();
    EXPECT_FALSE(controller->SetDefaultValues());
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(MixerDialog, AOneOutputMixersCommandsCarryOutputOne) {
    Open(1);
    controller->OnCellClick(2, 0);
    controller->OnOutputMute(0);
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 4 505 1 4#", "*NySET 4 502 1 1#"}));
}

// A gain the edit only rounds ("-6.25" shown "-6.3") used to be re-applied
// rounded when a refresh moved the focus through the cells; refresh now
// moves no focus, and leaving an edit that still shows its module's value
// applies nothing. So undo and redo with the dialog open add no step and
// queue nothing of the dialog's.
TEST_F(MixerDialog, UndoAndRedoWithTheDialogOpenRecordAndQueueNothingMore) {
    mixer->m_columnMask[7] = 0x80;
    mixer->m_inputLevel[1] = -3.25;
    Reopen();
    TypeInCell(7, 7, "-");
    EXPECT_TRUE(TypeInCell(7, 7, "-6.25\r\n"));
    EXPECT_EQ(controller->CellGain(7, 7).text, "-6.3");
    EXPECT_EQ(mixer->CrossPoint(7, 7), -6.25);

    const auto quiet = [&](const char* what) {
        SCOPED_TRACE(what);
        const Commands before = ControlQueue();
        controller->Refresh();
        EXPECT_FALSE(controller->OnCellGainEdit(7, 7, EEditEvent::kFocusLost));
        EXPECT_FALSE(controller->OnInputLevelEdit(1, EEditEvent::kFocusLost));
        EXPECT_EQ(ControlQueue(), before);
        EXPECT_EQ(mixer->m_inputLevel[1], -3.25);
    };
    quiet("after the edit");
    view->OnEditUndo();
    quiet("after undo");
    EXPECT_EQ(mixer->CrossPoint(7, 7), 0.0);
    EXPECT_EQ(controller->CellGain(7, 7).text, "0.0");
    EXPECT_TRUE(view->CanRedo());
    view->OnEditRedo();
    quiet("after redo");
    EXPECT_EQ(mixer->CrossPoint(7, 7), -6.25);
    EXPECT_FALSE(view->CanRedo());
    view->OnEditUndo();
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(MixerDialog, OpeningShowsTheFloorAsMinus100AndRefreshOnlyForLevels) {
    mixer->m_inputLevel[0] = -100.0;
    mixer->CrossPoint(0, 0) = -100.0;
    Reopen();
    EXPECT_EQ(controller->InputLevel(0).text, "-100");
    EXPECT_EQ(controller->CellGain(0, 0).text, "-100");
    controller->Refresh();
    EXPECT_EQ(controller->InputLevel(0).text, "-100");
    EXPECT_EQ(controller->CellGain(0, 0).text, "-100.0");
}

// -- layout

TEST(MixerLayout, WindowLargestAndPanelPerVariant) {
    struct Case {
        std::int32_t variant;
        Size window, largest;
        Rect panel;
    };
    const Case cases[] = {
        {1, {300, 135}, {350, 200}, {5, 15, 285, 93}},
        {2, {300, 155}, {350, 200}, {5, 15, 285, 113}},
        {3, {300, 195}, {350, 250}, {5, 15, 285, 153}},
        {4, {460, 135}, {500, 150}, {5, 15, 445, 93}},
        {5, {460, 155}, {500, 200}, {5, 15, 445, 113}},
        {6, {460, 195}, {500, 200}, {5, 15, 445, 153}},
        {7, {460, 275}, {500, 300}, {5, 15, 445, 233}},
        {8, {780, 435}, {850, 500}, {5, 15, 765, 393}},
        {0, {100, 100}, {0, 0}, {0, 0, 0, 0}},
        {9, {100, 100}, {0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        const ad::MixerLayout layout = ad::MixerLayoutOf(c.variant);
        EXPECT_EQ(layout.window, c.window);
        EXPECT_EQ(layout.largest, c.largest);
        EXPECT_EQ(layout.panel, c.panel);
        EXPECT_EQ(layout.cells.size(), static_cast<std::size_t>(layout.inputs * layout.outputs));
    }
}

std::vector<std::string> LabelTexts(const ad::MixerLayout& layout) {
    std::vector<std::string> texts;
    for (const ad::MixerLabel& label : layout.labels)
        if (!label.text.empty())
            texts.push_back(label.text);
    return texts;
}

TEST(MixerLayout, LabelsOfTheVariantOnly) {
    EXPECT_EQ(LabelTexts(ad::MixerLayoutOf(3)),
              (std::vector<std::string>{"In 1", "In 2", "In 3", "In 4", "Out 1", "Out 2", "Out 3",
                                        "Out 4"}));
    EXPECT_EQ(LabelTexts(ad::MixerLayoutOf(4)),
              (std::vector<std::string>{"In 1", "In 2", "In 3", "In 4", "In 5", "In 6", "In 7",
                                        "In 8", "Out 1"}));
    const std::vector<std::string> big = LabelTexts(ad::MixerLayoutOf(8));
    ASSERT_EQ(big.size(), 32u);
    EXPECT_EQ(big[15], "In 16");
    EXPECT_EQ(big[31], "Out 16");
}

TEST(MixerLayout, ControlsOfTheGridAndTheRowsBesideIt) {
    const ad::MixerLayout eightByOne = ad::MixerLayoutOf(4);
    // One row of cells; the level and mute rows 20 pixels below it.
    EXPECT_EQ(eightByOne.cells.front(), Rect(6, 16, 46, 35));
    EXPECT_EQ(eightByOne.cells.back(), Rect(286, 16, 326, 35));
    EXPECT_EQ(eightByOne.gainEdits.front(), Rect(8, 18, 44, 33));
    EXPECT_EQ(eightByOne.inputLevels.front(), Rect(6, 48, 46, 66));
    EXPECT_EQ(eightByOne.inputMutes.back(), Rect(286, 73, 326, 91));
    EXPECT_EQ(eightByOne.outputLevels.front(), Rect(360, 16, 400, 34));
    EXPECT_EQ(eightByOne.outputMutes.front(), Rect(403, 16, 443, 34));
    // The labels of the full 8 x 8 grid, moved up 140 for its one row.
    const ad::MixerLayout full = ad::MixerLayoutOf(7);
    EXPECT_EQ(full.labels.front().rect.top - eightByOne.labels.front().rect.top, 140);
    EXPECT_EQ(full.rowLines,
              (std::vector<std::int32_t>{15, 35, 55, 75, 95, 115, 135, 155, 175, 233}));
    EXPECT_EQ(full.columnLines.back(), 445);
}

TEST(MixerLayout, SlidersGoUnderOrRightOfTheirEdit) {
    const ad::MixerLayout layout = ad::MixerLayoutOf(7);
    const Size size{30, 120};
    const platform::gdi::Point under =
        ad::MixerSliderPlace(EMixerTarget::kInputLevel, layout.inputLevels[0], size);
    EXPECT_EQ(under.x + size.cx, layout.inputLevels[0].right);
    EXPECT_EQ(under.y, layout.inputLevels[0].bottom);
    const platform::gdi::Point right =
        ad::MixerSliderPlace(EMixerTarget::kOutputLevel, layout.outputLevels[0], Size{120, 30});
    EXPECT_EQ(right.x, layout.outputLevels[0].left + 40);
    EXPECT_EQ(right.y + 30, layout.outputLevels[0].bottom);
}

} // namespace
