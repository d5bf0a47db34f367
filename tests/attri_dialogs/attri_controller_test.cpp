// The attribute dialogs' edit recipe over a sheet's real document, undo
// history, view and console (no sender thread): an input channel's level,
// mute and gain list as the input dialog describes them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/attri_controller.h"
#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_test_support.h"
#include "model/ari_input.h"
#include "recording_slider.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
using model::CAriInput;
using Commands = std::vector<std::string>;

using attri_test::RecordingSlider;

// Input 3 (order 1) of a new model-1 sheet, live unless told otherwise, in
// the controller of a one-channel dialog with its slider.
class AttriRecipe : public ::testing::Test {
protected:
    AttriRecipe() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        input = dynamic_cast<CAriInput*>(doc->GetModuleById(3));
        input->m_order = 1;
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        controller = std::make_unique<ad::CAttriController>(*view, *input);
        controller->SetSlider(&slider);

        level.minimum = -100.0;
        level.maximum = 12.0;
        level.format = "%.1f";
        ad::BindField(level, &CAriInput::m_level);
        level.code = 103;
        level.encoding = ad::EValueEncoding::kLinear;
        level.builder = ad::EBuilder::kSetIF;
        level.channel = 3;
        level.slider = true;

        mute.minimum = 0;
        mute.maximum = 1;
        ad::BindField(mute, &CAriInput::m_mute);
        mute.code = 101;
        mute.builder = ad::EBuilder::kSetII;
        mute.channel = 3;

        gain = mute;
        gain.maximum = 11;
        ad::BindField(gain, &CAriInput::m_micGainIndex);
        gain.code = 104;
    }

    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }
    de::CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }
    // The level typed into its edit, as the edit's text-changed event.
    bool Type(const std::string& text) {
        edit.text = text;
        return controller->OnEdit(level, edit, ad::EEditEvent::kTextChanged);
    }
    CAriInput& UndoCopy() {
        return dynamic_cast<CAriInput&>(*History().AddAction(3, *input, 0, 0, true));
    }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    CAriInput* input = nullptr;
    RecordingSlider slider;
    std::unique_ptr<ad::CAttriController> controller;
    ad::AttriParameter level, mute, gain;
    ad::ValueEdit edit;
};

TEST_F(AttriRecipe, EnterAppliesTheClampedLevelAndQueuesItsLinearGain) {
    EXPECT_TRUE(Type("30\r\n"));
    EXPECT_EQ(edit.text, "12.0");
    EXPECT_EQ(edit.shown, 12.0);
    EXPECT_EQ(slider.positions, std::vector<std::int32_t>{1120});
    EXPECT_EQ(input->m_level, 12.0);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 1 103 3 3.981072e+000#"});
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(AttriRecipe, OfflineTheModuleAndItsUndoCopyChangeAndNothingIsQueued) {
    doc->m_live = 0;
    EXPECT_TRUE(Type("-6.25\r\n"));
    EXPECT_EQ(edit.text, "-6.3");
    // As typed; the edit shows its rounding.
    EXPECT_EQ(input->m_level, -6.25);
    EXPECT_EQ(UndoCopy().m_level, -6.25);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(AttriRecipe, TextThatIsNotYetAValueChangesNothing) {
    for (const char* text : {"", "-", "-12", "5.5"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Type(text));
        EXPECT_EQ(edit.text, text);
        EXPECT_EQ(input->m_level, 0.0);
    }
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(AttriRecipe, EnterWithTheCurrentValueRecordsAndQueuesNothing) {
    EXPECT_FALSE(Type("0\r\n"));
    EXPECT_EQ(edit.text, "0.0");
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(AttriRecipe, NonNumericTextReadsAsZeroAndTheEnterPairMayComeAnywhere) {
    input->m_level = -3.0;
    EXPECT_TRUE(Type("1\r\n5"));
    EXPECT_EQ(input->m_level, 12.0);
    EXPECT_TRUE(Type("abc\r\n"));
    EXPECT_EQ(input->m_level, 0.0);
}

TEST_F(AttriRecipe, FocusLossAndSliderReleaseApplyWithoutEnter) {
    edit.text = "-20";
    EXPECT_TRUE(controller->OnEdit(level, edit, ad::EEditEvent::kFocusLost));
    EXPECT_EQ(input->m_level, -20.0);

    controller->OnSliderMoving(900, edit);
    EXPECT_EQ(edit.text, "-10.0");
    EXPECT_EQ(input->m_level, -20.0) << "moving changes only the text";
    EXPECT_TRUE(controller->OnEdit(level, edit, ad::EEditEvent::kSliderReleased));
    EXPECT_EQ(input->m_level, -10.0);
}

TEST_F(AttriRecipe, TwoEditsOfTheModuleUndoAsOneStep) {
    EXPECT_TRUE(Type("-10\r\n"));
    int state = 0;
    EXPECT_TRUE(controller->OnToggle(mute, state));
    ASSERT_TRUE(view->CanUndo());
    view->OnEditUndo();
    EXPECT_EQ(input->m_level, 0.0);
    EXPECT_EQ(input->m_mute, 0);
    EXPECT_FALSE(view->CanUndo());
    view->OnEditRedo();
    EXPECT_EQ(input->m_level, -10.0);
    EXPECT_EQ(input->m_mute, 1);
}

TEST_F(AttriRecipe, ToggleAndListSendTheirValuesAndHideTheSlider) {
    int state = 0;
    EXPECT_TRUE(controller->OnToggle(mute, state));
    EXPECT_EQ(state, 1);
    EXPECT_EQ(ad::SwitchCaption(state), "On");
    EXPECT_FALSE(controller->OnSelectionChanged(gain, 0));
    EXPECT_TRUE(controller->OnSelectionChanged(gain, 2));
    EXPECT_EQ(input->m_mute, 1);
    EXPECT_EQ(input->m_micGainIndex, 2);
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 1 101 3 1#", "*NySET 1 104 3 2#"}));
    EXPECT_EQ(slider.hides, 3);
}

TEST_F(AttriRecipe, ViewOnlyRestoresTheTextAndKeepsTheToggle) {
    controller->SetMode(ad::CAttriController::kViewOnly);
    edit.shown = 0.0;
    EXPECT_FALSE(Type("5\r\n"));
    edit.text = "7";
    EXPECT_FALSE(controller->OnEdit(level, edit, ad::EEditEvent::kFocusLost));
    EXPECT_EQ(edit.text, "0.0");
    int state = 0;
    EXPECT_FALSE(controller->OnToggle(mute, state));
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(controller->OnLevelEditFocus(edit));
    EXPECT_FALSE(controller->SetDefaultValues());
    EXPECT_EQ(input->m_level, 0.0);
    EXPECT_EQ(input->m_mute, 0);
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(controller->OnClose()) << "the template viewer keeps its dialog";
}

TEST_F(AttriRecipe, TheInputsDialogOfTheSideIsRefreshedAfterAnEdit) {
    std::vector<std::string> destroyed;
    dsp_test::FakeDialog all(0, 1, destroyed), own(3, 0, destroyed);
    doc->AddAttriDialog(&all);
    doc->AddAttriDialog(&own);
    EXPECT_TRUE(Type("3\r\n"));
    EXPECT_EQ(all.refreshes, 1);
    doc->RemoveAttriDialog(0, 1);
    doc->RemoveAttriDialog(3, 0);
}

TEST_F(AttriRecipe, SetDefaultValuesIsOneStepAndNothingOnADefaultModule) {
    doc->SelectModule(*input);
    ASSERT_TRUE(input->m_selected) << "a dialog's module is mostly the selected one";
    EXPECT_TRUE(controller->AtDefaults());
    EXPECT_FALSE(controller->SetDefaultValues());
    EXPECT_FALSE(view->CanUndo());

    EXPECT_TRUE(Type("-40\r\n"));
    int state = 0;
    EXPECT_TRUE(controller->OnToggle(mute, state));
    EXPECT_FALSE(controller->AtDefaults());
    EXPECT_TRUE(controller->SetDefaultValues());
    EXPECT_TRUE(controller->AtDefaults());
    EXPECT_EQ(input->m_level, 0.0);
    EXPECT_EQ(input->m_mute, 0);
    view->OnEditUndo();
    EXPECT_EQ(input->m_level, 0.0) << "the reset merged with the edits' step";
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(AttriRecipe, ClosingForgetsTheDialogAndActivationSelectsTheModule) {
    std::vector<std::string> destroyed;
    dsp_test::FakeDialog own(3, 0, destroyed);
    doc->AddAttriDialog(&own);
    controller->OnActivate(de::CZoDSPView::kDialogClickActive);
    EXPECT_TRUE(input->m_selected);
    EXPECT_TRUE(controller->OnClose());
    EXPECT_TRUE(controller->Closing());
    EXPECT_TRUE(doc->AttriDialogs().empty());
}

TEST_F(AttriRecipe, TheBindingGroupFollowsAnEdit) {
    auto* fellow = dynamic_cast<CAriInput*>(doc->GetModuleById(4));
    fellow->m_order = 2;
    input->m_group = fellow->m_group = 1;
    EXPECT_TRUE(Type("-6\r\n"));
    EXPECT_EQ(fellow->m_level, -6.0);
    EXPECT_EQ(ControlQueue(),
              (Commands{"*NySET 1 103 3 5.011872e-001#", "*NySET 2 103 4 5.011872e-001#"}));
    view->OnEditUndo();
    EXPECT_EQ(fellow->m_level, 0.0) << "one step for the module and its group";
}

TEST_F(AttriRecipe, OnModelThreeTheUpperInputsGoOutWithinTheirPair) {
    doc->m_deviceModel = 3;
    // The console finds the module's type by its execution order.
    ASSERT_EQ(doc->AssignExecutionOrder(), 1);
    auto* seventh = dynamic_cast<CAriInput*>(doc->GetModuleById(7));
    ad::CAttriController dialog(*view, *seventh);
    mute.channel = 7;
    int state = 0;
    EXPECT_TRUE(dialog.OnToggle(mute, state));
    EXPECT_EQ(ControlQueue(), Commands{"*NySET " + std::to_string(seventh->m_order) + " 101 8 1#"});
}

} // namespace
