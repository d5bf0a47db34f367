// The input and output channel dialogs over a live model-1 sheet's real
// document, undo history, view and console: one channel, and the side's
// table with its groups.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/channel_controllers.h"
#include "comm/dsp_console.h"
#include "dsp_test_support.h"
#include "model/ari_input.h"
#include "model/ari_output.h"
#include "recording_slider.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
using ad::EChannelSwitch;
using ad::EEditEvent;
using model::CAriInput;
using model::CAriOutput;
using Commands = std::vector<std::string>;

class ChannelDialogs : public ::testing::Test {
protected:
    ChannelDialogs() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        EXPECT_EQ(doc->AssignExecutionOrder(), 1);
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
    }
    ~ChannelDialogs() override {
        while (!doc->AttriDialogs().empty())
            doc->RemoveAttriDialog(doc->AttriDialogs().front()->GetModuleId(),
                                   doc->AttriDialogs().front()->GetKind());
    }

    // A stand-in dialog listed by the document; it lives as long as the test.
    dsp_test::FakeDialog& OpenDialog(std::int32_t id, std::int32_t kind) {
        dialogs.push_back(std::make_unique<dsp_test::FakeDialog>(id, kind, destroyed));
        doc->AddAttriDialog(dialogs.back().get());
        return *dialogs.back();
    }

    CAriInput& Input(int id) { return dynamic_cast<CAriInput&>(*doc->GetModuleById(id)); }
    CAriOutput& Output(int id) { return dynamic_cast<CAriOutput&>(*doc->GetModuleById(id)); }
    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }
    std::string Set(const model::CBaseAriModule& module, const std::string& rest) {
        return "*NySET " + std::to_string(module.m_order) + " " + rest + "#";
    }
    // The all-inputs table with its slider, the group-start flags given.
    std::unique_ptr<ad::CAttriAllChannelsController> InputTable(const std::vector<int>& flags) {
        for (int id = 1; id <= 8; ++id)
            Input(id).m_groupStart = flags[id - 1];
        auto table = std::make_unique<ad::CAttriAllChannelsController>(*view, Input(1));
        table->SetSlider(&slider);
        return table;
    }
    static bool Type(ad::CAttriAllChannelsController& table, int row, const std::string& text) {
        table.LevelEdit(row).text = text;
        return table.OnLevelEdit(row, EEditEvent::kTextChanged);
    }
    void Undo() {
        ASSERT_TRUE(view->CanUndo());
        view->OnEditUndo();
    }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    attri_test::RecordingSlider slider;
    std::vector<std::string> destroyed;
    std::vector<std::unique_ptr<dsp_test::FakeDialog>> dialogs;
};

TEST_F(ChannelDialogs, InputLevelEnterClampsMovesTheSliderQueuesAndRefreshesTheTable) {
    dsp_test::FakeDialog& table = OpenDialog(0, 1);
    ad::CAttriChannelController dialog(*view, Input(3));
    dialog.SetSlider(&slider);
    EXPECT_EQ(dialog.Channel().level.text, "0.0");

    dialog.LevelEdit().text = "30\r\n";
    EXPECT_TRUE(dialog.OnLevelEdit(EEditEvent::kTextChanged));
    EXPECT_EQ(dialog.Channel().level.text, "12.0");
    EXPECT_EQ(slider.positions.back(), 1120);
    EXPECT_EQ(ControlQueue(), Commands{Set(Input(3), "103 3 3.981072e+000")});
    EXPECT_EQ(table.refreshes, 1);

    EXPECT_TRUE(dialog.OnGainSelected(4));
    EXPECT_TRUE(dialog.OnToggle(EChannelSwitch::kPhantom));
    EXPECT_EQ(ControlQueue().back(), Set(Input(3), "105 3 1"));
    EXPECT_EQ(Input(3).m_micGainIndex, 4);
}

TEST_F(ChannelDialogs, OutputThreeIsChannelThreeOfItsCodes) {
    dsp_test::FakeDialog& table = OpenDialog(1, 1);
    ad::CAttriChannelController dialog(*view, Output(11));
    EXPECT_EQ(dialog.ChannelNumber(), 3);
    EXPECT_TRUE(dialog.OnToggle(EChannelSwitch::kMute));
    EXPECT_EQ(dialog.Channel().mute, 1);
    dialog.LevelEdit().text = "-6";
    EXPECT_TRUE(dialog.OnLevelEdit(EEditEvent::kFocusLost));
    EXPECT_EQ(ControlQueue(),
              (Commands{Set(Output(11), "201 3 1"), Set(Output(11), "203 3 5.011872e-001")}));
    EXPECT_EQ(table.refreshes, 2);
}

TEST_F(ChannelDialogs, ALevelGoesToTheRowsGroupUpwardThenDownwardInOneStep) {
    struct Case {
        const char* name;
        std::vector<int> flags;
        std::vector<int> channels; // in the order they are sent
    };
    const std::vector<Case> cases{
        {"every channel its own group", {1, 1, 1, 1, 1, 1, 1, 1}, {3}},
        {"channels 2 to 4", {1, 1, 0, 0, 1, 1, 1, 1}, {3, 2, 4}},
        {"all eight", {0, 0, 0, 0, 0, 0, 0, 0}, {3, 2, 1, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view->Console().ClearAll();
        auto table = InputTable(c.flags);
        EXPECT_TRUE(Type(*table, 2, "-10\r\n"));
        Commands expected;
        for (int channel : c.channels)
            expected.push_back(
                Set(Input(channel), "103 " + std::to_string(channel) + " 3.162278e-001"));
        EXPECT_EQ(ControlQueue(), expected);
        for (int channel : c.channels)
            EXPECT_EQ(table->Row(channel - 1).level.text, "-10.0");
        Undo();
        for (int id = 1; id <= 8; ++id)
            EXPECT_EQ(Input(id).m_level, 0.0) << "channel " << id;
        EXPECT_FALSE(view->CanUndo()) << "one step";
    }
}

TEST_F(ChannelDialogs, RowEightsMuteWithOneGroupTogglesEightChannelsInOneStep) {
    auto table = InputTable({0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(table->OnToggle(7, EChannelSwitch::kMute));
    EXPECT_EQ(ControlQueue().size(), 8u);
    EXPECT_EQ(ControlQueue().front(), Set(Input(8), "101 8 1"));
    for (int id = 1; id <= 8; ++id) {
        EXPECT_EQ(Input(id).m_mute, 1);
        EXPECT_EQ(table->Row(id - 1).mute, 1);
    }
    EXPECT_TRUE(doc->IsModified());
    EXPECT_GE(slider.hides, 1);
    Undo();
    EXPECT_EQ(Input(1).m_mute, 0);
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(ChannelDialogs, TheTableAndTheOneChannelDialogsRefreshEachOther) {
    dsp_test::FakeDialog& fifth = OpenDialog(5, 0);
    dsp_test::FakeDialog& twelfth = OpenDialog(12, 0);
    auto inputs = InputTable({1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_TRUE(Type(*inputs, 4, "3\r\n"));
    EXPECT_EQ(fifth.refreshes, 1);

    ad::CAttriAllChannelsController outputs(*view, Output(9));
    EXPECT_EQ(outputs.ModuleId(), 1);
    EXPECT_TRUE(outputs.OnToggle(3, EChannelSwitch::kInvert));
    EXPECT_EQ(twelfth.refreshes, 1);
    EXPECT_EQ(ControlQueue().back(), Set(Output(12), "202 4 1"));
}

TEST_F(ChannelDialogs, TheGroupBoxIsAnUndoableChangeTheUnitNeverHears) {
    auto table = InputTable({1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_TRUE(table->OnGroupBox(3));
    EXPECT_EQ(Input(4).m_groupStart, 0);
    EXPECT_EQ(table->Row(3).groupStart, 0);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_EQ(table->GroupOf(3), (std::vector<int>{3, 2}));
    Undo();
    EXPECT_EQ(Input(4).m_groupStart, 1);

    table->SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(table->OnGroupBox(3));
    EXPECT_EQ(Input(4).m_groupStart, 1);
}

TEST_F(ChannelDialogs, ARowWithoutItsModuleIsDisabledAndEndsTheGroup) {
    for (int id = 1; id <= 8; ++id)
        Input(id).m_groupStart = 0;
    // A damaged file: input 5 is missing, and output 9 stands where input 6
    // belongs.
    CAriOutput& stranger = Output(9);
    Input(5).m_id = 99;
    Input(6).m_id = 98;
    stranger.m_id = 6;
    ad::CAttriAllChannelsController table(*view, Input(1));
    EXPECT_FALSE(table.RowEnabled(4));
    EXPECT_FALSE(table.RowEnabled(5));
    EXPECT_TRUE(table.RowEnabled(6));
    EXPECT_EQ(table.GroupOf(2), (std::vector<int>{2, 1, 0, 3}));
    EXPECT_TRUE(table.GroupOf(4).empty());
    EXPECT_FALSE(table.OnToggle(5, EChannelSwitch::kMute));
    EXPECT_FALSE(Type(table, 4, "-3\r\n"));
    EXPECT_TRUE(table.OnToggle(7, EChannelSwitch::kMute));
    EXPECT_EQ(ControlQueue().size(), 2u) << "rows 8 and 7";
    EXPECT_EQ(stranger.m_mute, 0);
}

TEST_F(ChannelDialogs, TheSliderWritesTheGroupsTextAndItsReleaseApplies) {
    auto table = InputTable({1, 0, 1, 1, 1, 1, 1, 1});
    EXPECT_TRUE(table->OnLevelFocus(1));
    EXPECT_EQ(table->CurrentRow(), 1);
    table->OnSliderMoving(900);
    EXPECT_EQ(table->Row(0).level.text, "-10.0");
    EXPECT_EQ(table->Row(1).level.text, "-10.0");
    EXPECT_EQ(table->Row(2).level.text, "0.0");
    EXPECT_EQ(Input(1).m_level, 0.0) << "moving applies nothing";
    EXPECT_TRUE(table->OnSliderReleased());
    EXPECT_EQ(Input(1).m_level, -10.0);
    EXPECT_EQ(Input(2).m_level, -10.0);
    EXPECT_EQ(ControlQueue().size(), 2u);
}

TEST_F(ChannelDialogs, FocusLossAppliesTheFirstRowThatDiffers) {
    auto table = InputTable({1, 1, 1, 1, 1, 1, 1, 1});
    table->LevelEdit(5).text = "-20";
    table->LevelEdit(6).text = "-30";
    EXPECT_TRUE(table->OnLevelEdit(6, EEditEvent::kFocusLost));
    EXPECT_EQ(Input(6).m_level, -20.0);
    EXPECT_EQ(Input(7).m_level, 0.0);

    table->SetMode(ad::CAttriController::kViewOnly);
    table->LevelEdit(2).text = "5";
    EXPECT_FALSE(table->OnLevelEdit(2, EEditEvent::kFocusLost));
    EXPECT_EQ(table->Row(2).level.text, "0.0");
    EXPECT_FALSE(table->OnToggle(2, EChannelSwitch::kMute));
}

TEST_F(ChannelDialogs, SetDefaultValuesOfTheTableIsOneUndoStep) {
    auto table = InputTable({1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_FALSE(table->SetDefaultValues()) << "already at defaults";
    EXPECT_FALSE(view->CanUndo());

    EXPECT_TRUE(Type(*table, 1, "-40\r\n"));
    EXPECT_TRUE(table->OnToggle(6, EChannelSwitch::kMute));
    EXPECT_TRUE(table->SetDefaultValues());
    EXPECT_EQ(Input(2).m_level, 0.0);
    EXPECT_EQ(Input(7).m_mute, 0);
    EXPECT_EQ(table->Row(1).level.text, "0.0");
    view->OnEditUndo();
    EXPECT_EQ(Input(2).m_level, -40.0);
    EXPECT_EQ(Input(7).m_mute, 1);
}

} // namespace
