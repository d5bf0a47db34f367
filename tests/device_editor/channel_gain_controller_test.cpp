// The channel gain dialog without its widget, over a recording unit port
// and unit files in a temporary program folder: layout by model, the gain
// command an online unit receives, questions, a failed send, offline
// changes with their undo step, and a unit without a file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "device_editor/channel_gain_controller.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_chnl.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "resources/message_ids.h"
#include "run_state_recorders.h"
#include "tests/device_editor/sheet_undo_host.h"

namespace {

namespace fs = std::filesystem;
using namespace device_editor;
using model::EMessageAnswer;
using run_state_test::CRecordingPort;

constexpr const char* kMac = "00602b123456";
constexpr const char* kUnitIp = "192.168.1.5";

using Host = sheet_test::CSheetUndoHost;

class ChannelGain : public ::testing::Test {
protected:
    ChannelGain() {
        folder = fs::temp_directory_path() / ("gain_test_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        doc.OnNewDocument();
    }
    ~ChannelGain() override { fs::remove_all(folder); }

    // A unit (for a two-half model both halves) with the test MAC.
    model::CDeviceNy& AddUnit(int model, int subType) {
        doc.AddDevice(std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, model, subType));
        if (model::IsTwoHalfModel(model))
            doc.AddDevice(std::make_unique<model::CDeviceNy>(dc, 300, 100, 1, model, 2));
        for (const auto& device : doc.Devices())
            device->m_mac = kMac;
        doc.SetModifiedFlag(false);
        return static_cast<model::CDeviceNy&>(*doc.GetDevice(0));
    }
    void WriteUnitFile(const std::string& text) {
        fs::create_directories(folder / "Configuration");
        std::ofstream(folder / "Configuration" / (std::string(kMac) + ".ini")) << text;
    }
    void GoOnline(model::CBaseDevice& unit) {
        unit.m_flag = 1;
        port.SetOnline(kMac, {1, kUnitIp});
    }
    static model::CDeviceChnl& Channel(model::CBaseDevice& unit, int index) {
        return *model::AsDeviceChnl(unit.m_channels[index]);
    }
    std::unique_ptr<CChannelGainController> Open(model::CBaseDevice& unit) {
        auto dialog = std::make_unique<CChannelGainController>(doc, unit, port, folder);
        dialog->Open();
        return dialog;
    }

    fs::path folder;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    Host host{doc};
    CRecordingPort port;
    model::CRecordingMessages messages;
};

TEST_F(ChannelGain, LayoutAndScrollRangeByModel) {
    struct Case {
        int model, subType;
        bool opens;
        int layout, scrollMax, shownColumns;
    };
    const Case cases[] = {
        {3, 3, true, 2, 0, 8},  {4, 1, true, 2, 0, 8},  {5, 1, true, 2, 8, 8},
        {7, 1, true, 1, 0, 4},  {8, 1, true, 2, 4, 8},  {9, 1, true, 0, 0, 2},
        {4, 2, false, 2, 0, 8}, {1, 3, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CZoDeviceDoc sheet;
        auto unit = std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, c.model, c.subType);
        EXPECT_EQ(CChannelGainController::OpensFor(*unit), c.opens) << c.model;
        CChannelGainController dialog(sheet, *unit, port, folder);
        EXPECT_EQ(dialog.LayoutState(), c.layout) << c.model;
        EXPECT_EQ(dialog.ScrollMax(), c.scrollMax) << c.model;
        int shown = 0;
        for (int column = 0; column < CChannelGainController::kColumns; ++column)
            shown += dialog.GetColumn(column).shown ? 1 : 0;
        EXPECT_EQ(shown, c.shownColumns) << c.model;
    }
}

TEST_F(ChannelGain, ScrollingMovesTheColumnsOverTheChannels) {
    auto& unit = AddUnit(5, 1);
    auto dialog = Open(unit);
    EXPECT_EQ(dialog->CaptionSuffix(), "(" + unit.m_name + ")");
    dialog->ScrollBy(1);
    EXPECT_EQ(dialog->GetColumn(0).label, "In 2");
    dialog->ScrollBy(8);
    EXPECT_EQ(dialog->ScrollPos(), 8);
    EXPECT_EQ(dialog->GetColumn(7).label, "In 16");
    dialog->ScrollTo(-3);
    EXPECT_EQ(dialog->ScrollPos(), 0);
}

TEST_F(ChannelGain, AnOnlineUnitReceivesTheGainAndKeepsIt) {
    auto& unit = AddUnit(4, 1);
    WriteUnitFile("[InChannelProperty]\nInChannel3=3\n");
    Channel(unit, 2).m_phantomPower = 1;
    GoOnline(unit);
    auto dialog = Open(unit);
    EXPECT_EQ(dialog->AddressLabel(), std::string("IP: ") + kUnitIp);
    ASSERT_TRUE(dialog->GetColumn(2).enabled);
    EXPECT_FALSE(dialog->GetColumn(1).enabled);

    dialog->OnGainButton(2, 7); // "+24 dB"
    EXPECT_EQ(port.EventsWith("SETVO"),
              std::vector<std::string>{std::string("send ") + kUnitIp + " SETVO03036"});
    ASSERT_EQ(messages.AskedIds(), std::vector<int>{resources::kMsgGainQuestion});
    EXPECT_EQ(messages.Asked()[0].second, "3通道的增益将设置成+24dB，是否继续？");
    EXPECT_EQ(Channel(unit, 2).m_gainStep, 4);
    EXPECT_EQ(dialog->GetColumn(2).selectedRow, 7);
    EXPECT_EQ(port.Lines(), std::vector<std::string>{"    信息：成功设定设备'" + unit.m_name +
                                                     "'(" + kMac + ")的3通道的增益+24 dB。"});
}

TEST_F(ChannelGain, AModel3UnitNumbersItsGainsFromItsSeventhInput) {
    auto& unit = AddUnit(3, 3);
    WriteUnitFile("[InChannelProperty]\nInChannel1=3\nInChannel7=3\n");
    GoOnline(unit);
    auto dialog = Open(unit);
    // Its first six inputs are network receives: no gain command of theirs.
    EXPECT_FALSE(dialog->GetColumn(0).enabled);
    dialog->OnGainButton(0, 11);
    EXPECT_TRUE(port.EventsWith("SETVO").empty());

    dialog->OnGainButton(6, 11);
    EXPECT_EQ(port.EventsWith("SETVO"),
              std::vector<std::string>{std::string("send ") + kUnitIp + " SETVO01000"});
    EXPECT_EQ(messages.Asked().back().second, "1通道的增益将设置成+0dB，是否继续？");
}

TEST_F(ChannelGain, NoToAQuestionChangesNothing) {
    auto& unit = AddUnit(4, 1);
    WriteUnitFile("[InChannelProperty]\nInChannel1=3\n");
    GoOnline(unit);
    auto dialog = Open(unit);
    messages.ScriptAnswer(resources::kMsgPhantomQuestion, EMessageAnswer::No);
    messages.ScriptAnswer(resources::kMsgGainQuestion, EMessageAnswer::No);
    dialog->OnPhantomBar(0);
    dialog->OnGainButton(0, 0);
    EXPECT_EQ(messages.AskedIds(),
              (std::vector<int>{resources::kMsgPhantomQuestion, resources::kMsgGainQuestion}));
    EXPECT_TRUE(port.EventsWith("send").empty());
    EXPECT_FALSE(dialog->GetColumn(0).phantom);
    EXPECT_EQ(dialog->GetColumn(0).selectedRow, 11);
    dialog->OnClose();
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ChannelGain, SwitchingPhantomOffAsksNothing) {
    auto& unit = AddUnit(4, 1);
    WriteUnitFile("[InChannelProperty]\nInChannel1=3\n");
    Channel(unit, 0).m_phantomPower = 1;
    Channel(unit, 0).m_gainStep = 2;
    GoOnline(unit);
    auto dialog = Open(unit);
    dialog->OnPhantomBar(0);
    EXPECT_TRUE(messages.AskedIds().empty());
    EXPECT_EQ(port.EventsWith("SETVO"),
              std::vector<std::string>{std::string("send ") + kUnitIp + " SETVO01002"});
    EXPECT_FALSE(dialog->GetColumn(0).phantom);
}

TEST_F(ChannelGain, AFailedSendKeepsTheStoredValues) {
    auto& unit = AddUnit(4, 1);
    WriteUnitFile("[InChannelProperty]\nInChannel1=3\n");
    Channel(unit, 0).m_gainStep = 1;
    GoOnline(unit);
    port.Reply("SETVO", {std::nullopt});
    auto dialog = Open(unit);
    dialog->OnGainButton(0, 5);
    dialog->OnPhantomBar(0);
    EXPECT_EQ(Channel(unit, 0).m_gainStep, 1);
    EXPECT_EQ(Channel(unit, 0).m_phantomPower, 0);
    EXPECT_EQ(dialog->GetColumn(0).selectedRow, 10);
    EXPECT_FALSE(dialog->GetColumn(0).phantom);
    // Each line names the gain asked for, not the one the channel kept.
    const auto failed = [&](int dB) {
        return "    错误：设置设备'" + unit.m_name + "'(" + kMac + ")的1通道增益+" +
               std::to_string(dB) + " dB失败！";
    };
    EXPECT_EQ(port.Lines(), (std::vector<std::string>{failed(36), failed(6)}));
    dialog->OnClose();
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ChannelGain, OfflineChangesAreStoredAsOneUndoableStep) {
    auto& unit = AddUnit(4, 1);
    WriteUnitFile("[InChannelProperty]\nInChannel1=3\nInChannel2=3\n");
    Channel(unit, 1).m_gainStep = 3;
    port.SetOnline(kMac, {1, kUnitIp}); // reachable, but not marked on line
    auto dialog = Open(unit);
    dialog->OnGainButton(1, 0);
    dialog->OnPhantomBar(1);
    EXPECT_TRUE(port.EventsWith("send").empty());
    EXPECT_EQ(Channel(unit, 1).m_gainStep, 11);
    EXPECT_EQ(Channel(unit, 1).m_phantomPower, 1);
    EXPECT_FALSE(doc.IsModified());

    const std::size_t steps = doc.GetUndoHistory()->GetStepCount();
    dialog->OnClose();
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.GetUndoHistory()->GetStepCount(), steps + 1);
    EXPECT_EQ(doc.GetUndoHistory()->GetStep(steps)->m_kind, model::kUndoChange);

    ASSERT_TRUE(doc.GetUndoHistory()->Undo());
    model::CBaseDevice& restored = *doc.FindDevice(1, 1);
    EXPECT_EQ(Channel(restored, 1).m_gainStep, 3);
    EXPECT_EQ(Channel(restored, 1).m_phantomPower, 0);
    ASSERT_TRUE(doc.GetUndoHistory()->Redo());
    EXPECT_EQ(Channel(*doc.FindDevice(1, 1), 1).m_gainStep, 11);
}

TEST_F(ChannelGain, StoredStepsBeyondTheColumnSelectNoButton) {
    auto& unit = AddUnit(4, 1);
    WriteUnitFile("[InChannelProperty]\nInChannel1=3\n");
    auto dialog = Open(unit);
    const std::pair<int, int> cases[] = {{0, 11}, {11, 0}, {12, -1}, {15, -1}};
    for (const auto& [step, row] : cases) {
        Channel(unit, 0).m_gainStep = step;
        EXPECT_EQ(dialog->GetColumn(0).selectedRow, row) << step;
    }
}

TEST_F(ChannelGain, AUnitWithoutAFileCannotBeChanged) {
    auto& unit = AddUnit(4, 1);
    for (int i = 0; i < unit.m_inputCount; ++i)
        Channel(unit, i).m_property = 3; // as an earlier file had them
    GoOnline(unit);
    auto dialog = Open(unit);
    for (int column = 0; column < CChannelGainController::kColumns; ++column) {
        EXPECT_TRUE(dialog->GetColumn(column).shown);
        EXPECT_FALSE(dialog->GetColumn(column).enabled) << column;
        dialog->OnGainButton(column, 0);
        dialog->OnPhantomBar(column);
    }
    EXPECT_TRUE(messages.AskedIds().empty());
    EXPECT_TRUE(port.EventsWith("send").empty());
}

TEST_F(ChannelGain, AnAddressOutsideTheAdaptersSubnetIsNotTaken) {
    auto& unit = AddUnit(4, 1);
    port.SetOnline(kMac, {1, "10.0.0.5"});
    auto dialog = Open(unit);
    EXPECT_EQ(dialog->Address(), "0.0.0.0");
    EXPECT_EQ(dialog->AddressLabel(), "IP: 0.0.0.0");
}

} // namespace
