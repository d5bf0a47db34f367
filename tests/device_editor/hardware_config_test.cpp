// The hardware-configuration editor, its add dialog and the read-only view
// without their widgets: what the lists hold, the questions asked, the files
// written and the main frame's notifications.
#include "device_editor/add_config_controller.h"
#include "device_editor/config_view_controller.h"
#include "device_editor/device_config_controller.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "device_test_support.h"
#include "resources/message_ids.h"

namespace {

namespace fs = std::filesystem;
using device_editor::CAddConfigController;
using device_editor::CDeviceConfigController;
using device_editor::NewUnit;
using model::EMessageAnswer;

// Shows go to a list; questions take the scripted answers in turn.
class ScriptedSink : public model::IMessageSink {
public:
    ScriptedSink() : previous_(model::SetMessageSink(this)) {}
    ~ScriptedSink() override { model::SetMessageSink(previous_); }
    void ShowMessage(int id, const std::string& text) override { shown.emplace_back(id, text); }
    void Log(int, const std::string&) override {}
    EMessageAnswer Ask(int id, const std::string& text, model::EMessageButtons,
                       EMessageAnswer defaultAnswer) override {
        asked.emplace_back(id, text);
        if (answers.empty())
            return defaultAnswer;
        const EMessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<int> ShownIds() const {
        std::vector<int> out;
        for (const auto& s : shown)
            out.push_back(s.first);
        return out;
    }
    std::deque<EMessageAnswer> answers;
    std::vector<std::pair<int, std::string>> shown, asked;

private:
    model::IMessageSink* previous_;
};

struct FrameRecorder : device_editor::IHardwareConfigFrame {
    void SetChangedUnit(const std::string& text) override { events.push_back("unit " + text); }
    void Notify(int code) override { events.push_back("notify " + std::to_string(code)); }
    std::vector<std::string> events;
};

NewUnit Unit(const char* model, const char* serial) {
    CAddConfigController add;
    const std::string s(serial);
    add.SetGroup(0, s.substr(0, 6));
    add.SetGroup(1, s.substr(7, 4));
    add.SetGroup(2, s.substr(12));
    const auto models = device_editor::AddableUnitModels();
    for (std::size_t i = 0; i < models.size(); ++i)
        if (models[i].name == model)
            add.SelectModel(static_cast<int>(i));
    int focus = -1;
    return add.Accept(focus).value();
}

std::vector<std::string> Labels(const CDeviceConfigController& dlg) {
    std::vector<std::string> out;
    for (const auto& row : dlg.Channels())
        out.push_back(CDeviceConfigController::ChannelLabel(row));
    return out;
}

struct Editor {
    Editor() : dlg(home.path(), frame) {}
    device_test::TempHome home;
    ScriptedSink sink;
    FrameRecorder frame;
    CDeviceConfigController dlg;
};

TEST(HardwareConfig, OpeningMakesTheFolder) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    EXPECT_TRUE(fs::is_directory(e.home.path() / "Configuration"));
    EXPECT_EQ(e.dlg.ChannelFrameCaption(), "通道配置");
}

TEST(HardwareConfig, TheFirstAddShowsItsChannelsLaterAddsKeepTheCurrentUnit) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLA-206A", "A1B2C3-0010-SERIAL01"));
    EXPECT_EQ(e.dlg.CurrentMac(), "a1b2c3");
    EXPECT_EQ(Labels(e.dlg), (std::vector<std::string>{"In 7", "In 8", "Out 3", "Out 4", "Out 5",
                                                       "Out 6", "Out 7", "Out 8"}));
    EXPECT_EQ(e.dlg.ChannelFrameCaption(), "通道配置(a1b2c3)");
    e.dlg.Add(Unit("QLM-0202A", "0000ff-0001-ABCDEFGH"));
    EXPECT_EQ(e.dlg.Units().size(), 2u);
    EXPECT_EQ(e.dlg.CurrentMac(), "a1b2c3");
    EXPECT_EQ(e.frame.events, (std::vector<std::string>{"notify 1030", "notify 1030"}));
    EXPECT_TRUE(e.sink.asked.empty());
}

TEST(HardwareConfig, ADuplicateInAnotherLetterCaseIsRefused) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLA-1", "abcdef-0001-ABCDEFGH"));
    e.frame.events.clear();
    e.dlg.Add(Unit("QLA-8A", "ABCDEF-0002-OTHER000"));
    e.dlg.Add(Unit("QLA-1", "abcdef-0001-abcdefgh"));
    EXPECT_EQ(e.sink.ShownIds(),
              (std::vector<int>{resources::kMsgUnitExists, resources::kMsgUnitExists}));
    EXPECT_EQ(e.dlg.Units().size(), 1u);
    EXPECT_TRUE(e.frame.events.empty());
}

TEST(HardwareConfig, SubmitWritesNotifiesAndClearsTheFlag) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLM-0202A", "0000ff-0001-ABCDEFGH"));
    e.frame.events.clear();
    e.dlg.EditChannel(0, "Line", false);
    EXPECT_TRUE(e.dlg.IsSubmitEnabled());
    e.dlg.Submit();
    EXPECT_FALSE(e.dlg.IsModified());
    EXPECT_EQ(e.frame.events, (std::vector<std::string>{"unit 00602B0000ff", "notify 1031"}));
    const auto rows =
        device_editor::CUnitConfigFile(e.home.path()).ReadChannels("0000ff", "QLM-0202A");
    EXPECT_EQ(rows[0].type, "Line");
    EXPECT_FALSE(rows[0].inUse);
}

TEST(HardwareConfig, ClosingWithPendingEditsAsksOnceAndNoDropsThem) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLM-0202A", "0000ff-0001-ABCDEFGH"));
    e.frame.events.clear();
    e.dlg.EditChannel(0, "AES/EBU", false);
    e.sink.answers = {EMessageAnswer::No};
    e.dlg.Exit();
    ASSERT_EQ(e.sink.asked.size(), 1u);
    EXPECT_EQ(e.sink.asked[0].first, resources::kMsgAskSaveChannels);
    EXPECT_NE(e.sink.asked[0].second.find("0000ff"), std::string::npos);
    EXPECT_TRUE(e.frame.events.empty());
    EXPECT_EQ(
        device_editor::CUnitConfigFile(e.home.path()).ReadChannels("0000ff", "QLM-0202A")[0].type,
        "Mic");
}

TEST(HardwareConfig, ChoosingAnotherUnitWithPendingEditsOffersToSave) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLM-0202A", "0000ff-0001-ABCDEFGH"));
    e.dlg.Add(Unit("QLA-8A", "0000ee-0001-ABCDEFGH"));
    e.frame.events.clear();
    e.dlg.EditChannel(0, "Line", true);
    e.sink.answers = {EMessageAnswer::Yes};
    e.dlg.SelectUnit(1);
    EXPECT_EQ(e.sink.asked.size(), 1u);
    EXPECT_EQ(e.dlg.CurrentMac(), "0000ee");
    EXPECT_FALSE(e.dlg.IsModified());
    EXPECT_EQ(e.frame.events, (std::vector<std::string>{"unit 00602B0000ff", "notify 1031"}));
}

TEST(HardwareConfig, DeletingTheLastLeavesAnEmptyListAndTheBareCaption) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLM-0202A", "0000ff-0001-ABCDEFGH"));
    e.dlg.Add(Unit("QLA-8A", "0000ee-0001-ABCDEFGH"));
    e.frame.events.clear();
    e.dlg.Delete();
    EXPECT_EQ(e.dlg.CurrentMac(), "0000ee");
    e.dlg.Delete();
    EXPECT_TRUE(e.dlg.Units().empty());
    EXPECT_TRUE(e.dlg.Channels().empty());
    EXPECT_EQ(e.dlg.ChannelFrameCaption(), "通道配置");
    EXPECT_EQ(e.frame.events, (std::vector<std::string>{"unit 00602B0000ff", "notify 1032",
                                                        "unit 00602B0000ee", "notify 1032"}));
    EXPECT_TRUE(device_editor::CUnitConfigFile(e.home.path()).List().empty());
    e.dlg.Delete();
    EXPECT_EQ(e.sink.ShownIds(), (std::vector<int>{resources::kMsgNoUnits}));
}

TEST(HardwareConfig, DeleteAnsweredNoKeepsEverything) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLM-0202A", "0000ff-0001-ABCDEFGH"));
    e.frame.events.clear();
    e.sink.answers = {EMessageAnswer::No};
    e.dlg.Delete();
    EXPECT_EQ(e.dlg.Units().size(), 1u);
    EXPECT_TRUE(e.frame.events.empty());
}

// Write failures are reported and nothing is announced: the failed add's
// row goes, the failed submit keeps the edits, the failed delete the row.
void ExpectWriteFailuresReported(const std::function<void(const fs::path& folder)>& breakFolder,
                                 const std::function<void(const fs::path& folder)>& mend) {
    Editor e;
    ASSERT_TRUE(e.dlg.Open());
    e.dlg.Add(Unit("QLM-0202A", "0000ff-0001-ABCDEFGH"));
    e.dlg.EditChannel(0, "Line", false);
    e.frame.events.clear();
    const fs::path folder = e.home.path() / "Configuration";
    breakFolder(folder);

    e.dlg.Add(Unit("QLA-1", "0000aa-0001-ABCDEFGH"));
    e.dlg.Submit();
    e.dlg.Delete();

    mend(folder);
    EXPECT_EQ(e.sink.ShownIds(),
              (std::vector<int>{resources::kMsgAddUnitFailed, resources::kMsgSubmitFailed,
                                resources::kMsgDeleteUnitFailed}));
    EXPECT_EQ(e.sink.shown.at(0).second, "增加新配置失败！");
    ASSERT_EQ(e.dlg.Units().size(), 1u);
    EXPECT_EQ(e.dlg.Units()[0].macDigits, "0000ff");
    EXPECT_TRUE(e.dlg.IsModified());
    EXPECT_TRUE(e.dlg.IsSubmitEnabled());
    EXPECT_TRUE(e.frame.events.empty());
}

TEST(HardwareConfig, AReadOnlyFolderGivesTheFailureMessagesAndNoNotification) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; see the next test";
    ExpectWriteFailuresReported(
        [](const fs::path& folder) {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        },
        [](const fs::path& folder) { fs::permissions(folder, fs::perms::owner_all); });
}

// The same for any user: folders stand where the files must go.
TEST(HardwareConfig, UnwritableUnitFilesGiveTheFailureMessagesAndNoNotification) {
    ExpectWriteFailuresReported(
        [](const fs::path& folder) {
            for (const char* name : {"00602b0000aa.ini", "00602b0000ff.ini"}) {
                fs::remove(folder / name);
                fs::create_directories(folder / name / "in-the-way");
            }
        },
        [](const fs::path&) {});
}

TEST(HardwareConfig, OpeningListsTheStoredUnitsAndShowsTheFirst) {
    device_test::TempHome home;
    ASSERT_TRUE(
        device_editor::CUnitConfigFile(home.path()).Add("QLM-1600A", "0d0e0f-1234-UNIT1600"));
    ScriptedSink sink;
    FrameRecorder frame;
    CDeviceConfigController dlg(home.path(), frame);
    ASSERT_TRUE(dlg.Open());
    ASSERT_EQ(dlg.Units().size(), 1u);
    EXPECT_EQ(dlg.Units()[0].serial, "0D0E0F-1234-UNIT1600");
    EXPECT_EQ(dlg.Channels().size(), 16u);
    EXPECT_EQ(CDeviceConfigController::TypeChoices(false),
              (std::vector<std::string>{"Line", "Mic", "AES/EBU"}));
    EXPECT_EQ(CDeviceConfigController::TypeChoices(true),
              (std::vector<std::string>{"Line", "AES/EBU"}));
}

// --- the add dialog ----------------------------------------------------------

TEST(AddConfig, FocusMovesAtSixAndFourCharacters) {
    CAddConfigController add;
    EXPECT_EQ(add.SetGroup(0, "12345"), -1);
    EXPECT_EQ(add.SetGroup(0, "123456"), 1);
    EXPECT_EQ(add.SetGroup(1, "00f"), -1);
    EXPECT_EQ(add.SetGroup(1, "00ff"), 2);
    EXPECT_EQ(add.SetGroup(2, "ABCDEFGH"), -1);
}

TEST(AddConfig, OkIsEnabledOnlyWhenTheSerialIsComplete) {
    struct case_t {
        const char *g0, *g1, *g2;
        bool enabled;
    } cases[] = {
        {"12ab56", "00FF", "ABCDEFGH", true},
        {"12ab56", "00ff", "12345678", true},
        {"12ab56", "00FF", "ABCDEFG", false}, // third group of 7
        {"12ab5", "00FF", "ABCDEFGH", false},
        {"12ab56", "00F", "ABCDEFGH", false},
        {"12ab56", "12G4", "ABCDEFGH", false}, // not hexadecimal
        {"../../", "00FF", "ABCDEFGH", false}, // would leave the folder
        {"", "", "", false},
    };
    for (const case_t& c : cases) {
        CAddConfigController add;
        add.SetGroup(0, c.g0);
        add.SetGroup(1, c.g1);
        add.SetGroup(2, c.g2);
        EXPECT_EQ(add.IsSerialComplete(), c.enabled) << c.g0 << "-" << c.g1 << "-" << c.g2;
    }
}

TEST(AddConfig, AFormatFaultShowsTheMessageAndFocusesItsGroup) {
    struct case_t {
        const char *g0, *g1, *g2;
        int focus;
    } cases[] = {
        {"12ab56", "12G4", "ABCDEFGH", 1}, {"../../", "00FF", "ABCDEFGH", 0},
        {"12ab5", "00FF", "ABCDEFGH", 0},  {"12ab56", "00F", "ABCDEFGH", 1},
        {"12ab56", "00FF", "ABCDEFG", 2},
    };
    for (const case_t& c : cases) {
        ScriptedSink sink;
        CAddConfigController add;
        add.SetGroup(0, c.g0);
        add.SetGroup(1, c.g1);
        add.SetGroup(2, c.g2);
        int focus = -1;
        EXPECT_FALSE(add.Accept(focus)) << c.g0 << "-" << c.g1 << "-" << c.g2;
        EXPECT_EQ(focus, c.focus) << c.g0 << "-" << c.g1 << "-" << c.g2;
        EXPECT_EQ(sink.ShownIds(), std::vector<int>{resources::kMsgSerialFormat});
        EXPECT_EQ(sink.shown.at(0).second, "设备序列号格式不正确！");
    }
}

TEST(AddConfig, OkTakesTheModelAndItsCounts) {
    const NewUnit unit = Unit("QLM-1204A", "12AB56-00FF-ABCDEFGH");
    EXPECT_EQ(unit.modelCode, 8);
    EXPECT_EQ(unit.macDigits, "12ab56");
    EXPECT_EQ(unit.bundle1, 255);
    EXPECT_EQ(unit.inputs, 12);
    EXPECT_EQ(unit.outputs, 4);
    EXPECT_EQ(unit.serial, "12AB56-00FF-ABCDEFGH");
    const auto models = device_editor::AddableUnitModels();
    ASSERT_EQ(models.size(), 12u);
    EXPECT_EQ(models.front().name, "QLA-1");
    EXPECT_EQ(models.back().name, "QLV-3300A");
}

// --- the view ------------------------------------------------------------------

TEST(ConfigView, RefreshListsAgainAndClosingTellsTheFrame) {
    device_test::TempHome home;
    FrameRecorder frame;
    device_editor::CConfigViewController view(home.path(), frame);
    view.Refresh();
    EXPECT_TRUE(view.Rows().empty());
    ASSERT_TRUE(device_editor::CUnitConfigFile(home.path()).Add("QLA-1", "ABCDEF-0001-ABCDEFGH"));
    view.Refresh();
    ASSERT_EQ(view.Rows().size(), 1u);
    EXPECT_EQ(view.Rows()[0].mac, "00602babcdef");
    EXPECT_EQ(view.Rows()[0].model, "QLA-1");
    view.Close();
    EXPECT_EQ(frame.events, std::vector<std::string>{"notify 1029"});
}

TEST(HardwareConfigFolders, DirectoryExistsAndCreateDirectoryPath) {
    device_test::TempHome home;
    const fs::path deep = home.path() / "a" / "b" / "c";
    EXPECT_FALSE(device_editor::DirectoryExists(deep));
    EXPECT_TRUE(device_editor::CreateDirectoryPath(deep));
    EXPECT_TRUE(device_editor::DirectoryExists(deep.string() + "/"));
    EXPECT_TRUE(device_editor::CreateDirectoryPath(deep));
    std::ofstream(home.path() / "file") << "x";
    EXPECT_FALSE(device_editor::DirectoryExists(home.path() / "file"));
    EXPECT_FALSE(device_editor::CreateDirectoryPath(home.path() / "file"));
}

} // namespace
