// Templates stored on the unit: the console's atomic append of a prepared
// store program; the store programs against command lists written out by
// hand (slot order, resets standing once, a filter's bypass reset once per
// template, case-sensitive structure names, padded names, a failing store
// that queues nothing and leaves the ini); the template dialog's checks,
// structure comparison and name replies; the switch to a stored template.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/firm_template_controller.h"
#include "dsp_editor/store_list.h"
#include "dsp_editor/store_program.h"
#include "dsp_editor/stored_template_ini.h"
#include "dsp_editor/stored_templates.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_delay.h"
#include "model/ari_filter.h"
#include "model/ari_input.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"

namespace {

namespace de = dsp_editor;
namespace fs = std::filesystem;
using comm::EConsoleQueue;
using de::CFirmTemplateController;
using de::CZoDSPDoc;
using de::CZoDSPView;
using model::EMessageAnswer;
using Commands = std::vector<std::string>;

Commands Join(std::initializer_list<Commands> parts) {
    Commands all;
    for (const Commands& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// -- the console's append

class RowLog final : public comm::IConsoleRowObserver {
public:
    void OnRowAdded(EConsoleQueue, int row, const std::string& command) override {
        rows.push_back(std::to_string(row) + " " + command);
    }
    void OnReplySet(EConsoleQueue, int, const std::string&) override {}
    void OnRowsDropped(EConsoleQueue, int) override {}
    void OnListCleared(EConsoleQueue) override {}
    std::vector<std::string> rows;
};

TEST(DspEditorStoreConsole, AppendsPreparedCommandsAfterTheQueuedOnesAsTheyAre) {
    comm::CDSPDlgShowCMD console;
    RowLog log;
    console.SetRowObserver(&log);
    console.SendText("GETNM01", true);
    ASSERT_TRUE(console.TakeNext(EConsoleQueue::Store));

    const Commands program = {"*SAVEM01Hall        Day         #", "*NyRST#", "*ENDMD#"};
    console.AppendStoreCommands(program);
    EXPECT_EQ(console.Queue(EConsoleQueue::Store), Join({{"*GETNM01#"}, program}));
    EXPECT_EQ(console.SentIndex(EConsoleQueue::Store), 1);
    EXPECT_TRUE(console.Queue(EConsoleQueue::Control).empty());
    EXPECT_EQ(log.rows,
              (std::vector<std::string>{"0 *GETNM01#", "1 *SAVEM01Hall        Day         #",
                                        "2 *NyRST#", "3 *ENDMD#"}));
    console.SetRowObserver(nullptr);
}

// A sender taking the store queue never finds part of an appended program:
// once it gets the first command, the whole program is there.
TEST(DspEditorStoreConsole, ASenderSeesNoneOrAllOfAnAppendedProgram) {
    comm::CDSPDlgShowCMD console;
    const Commands program(20000, "*NySET 2 301 240#");
    std::atomic<bool> started{false};
    std::size_t seen = 0;
    std::thread sender([&] {
        started = true;
        while (!console.TakeNext(EConsoleQueue::Store)) {
        }
        seen = console.Queue(EConsoleQueue::Store).size();
    });
    while (!started) {
    }
    console.AppendStoreCommands(program);
    sender.join();
    EXPECT_EQ(seen, program.size());
}

// -- the store

constexpr const char* kMac = "00602b0a0b0c";

// The sheet of every template here: input 1 -> delay (17, order 2) ->
// low-pass filter (18, order 3) -> output 9.
std::unique_ptr<CZoDSPDoc> MakeSheet(dsp_test::FakeFrame& frame) {
    std::unique_ptr<CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    doc->AddModule(model::kAriDelay, 1, 200, 40, 1);
    doc->AddModule(model::kAriFilter, model::CAriFilter::kLowPass, 300, 40, 1);
    dsp_test::Connect(*doc, 1, 0, 17, 0);
    dsp_test::Connect(*doc, 17, 1, 18, 0);
    dsp_test::Connect(*doc, 18, 1, 9, 0);
    EXPECT_EQ(doc->AssignExecutionOrder(), 1);
    doc->ClearSelection();
    return doc;
}

model::CAriInput& Input1(CZoDSPDoc& doc) {
    return dynamic_cast<model::CAriInput&>(*doc.GetModuleById(1));
}
model::CAriDelay& Delay(CZoDSPDoc& doc) {
    return dynamic_cast<model::CAriDelay&>(*doc.GetModuleById(17));
}
model::CAriFilter& Filter(CZoDSPDoc& doc) {
    return dynamic_cast<model::CAriFilter&>(*doc.GetModuleById(18));
}

const Commands kStructure = {"*NyRST#",         "*NyMDU 1 1 1#",  "*NyMDU 3 2 1#",
                             "*NyMDU 6 3 18#",  "*NyMDU 2 4 1#",  "*NyILK 2 1 1 1#",
                             "*NyILK 3 1 2 1#", "*NyILK 4 1 3 1#"};
const Commands kEnd = {"*NyENDD#", "*NyRUN#", "*ENDMD#"};

// The filter's one section at its corner (the same in every template).
Commands FilterSection(CZoDSPDoc& doc) {
    de::CStoreList list(nullptr);
    list.Biquad(3, 1, Filter(doc).m_sections[0]);
    return list.Commands();
}

// Runs the template dialog's controller as the user would, in the window's
// place.
class ScriptedWindow final : public de::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    bool RunFirmTemplateDialog(CFirmTemplateController& dialog) override {
        dialog.OnInitDialog();
        return script(dialog);
    }
    std::function<bool(CFirmTemplateController&)> script;
    int repaints = 0;
};

class DspEditorStore : public ::testing::Test {
protected:
    DspEditorStore()
        : dir(fs::temp_directory_path() /
              ("dspstore-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          doc(MakeSheet(frame)), view(*doc) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        view.StoredTemplates().m_templateIni = dir / "Ostrel.ini";
        view.SetWindow(&window);
        doc->m_live = 1;
    }
    ~DspEditorStore() override {
        view.SetWindow(nullptr);
        fs::remove_all(dir);
    }

    // Saves a template of the sheet to slot `slot` and lists it in the ini.
    std::string StoreFile(int slot, const std::string& structName, const std::string& paramName,
                          const std::function<void(CZoDSPDoc&)>& change = {}) {
        dsp_test::FakeFrame otherFrame;
        std::unique_ptr<CZoDSPDoc> other = MakeSheet(otherFrame);
        other->m_templateSlot = slot;
        other->m_templateStructName = structName;
        other->m_templateParamName = paramName;
        if (change)
            change(*other);
        const std::string path = (dir / ("slot" + std::to_string(slot) + ".dmu")).string();
        platform::archive::write_file_atomic(path, other->SaveDocument());
        de::CStoredTemplateIni(view.StoredTemplates().m_templateIni)
            .Record(kMac, slot, path, structName, paramName);
        return path;
    }
    // Stores the open sheet to `slot` through the dialog.
    void Store(int slot, const std::string& structName, const std::string& paramName) {
        window.script = [=, this](CFirmTemplateController& dialog) {
            dialog.OnSelectSlot(slot);
            dialog.m_structName = structName;
            dialog.m_paramName = paramName;
            dialog.m_path = NewPath(slot);
            return dialog.OnOK();
        };
        view.StoredTemplates().OnSolidifyTemplates();
    }
    std::string NewPath(int slot) const {
        return (dir / ("new" + std::to_string(slot) + ".dmu")).string();
    }
    Commands StoreQueue() { return view.Console().Queue(EConsoleQueue::Store); }

    model::CRecordingMessages messages;
    fs::path dir;
    dsp_test::FakeFrame frame;
    std::unique_ptr<CZoDSPDoc> doc;
    ScriptedWindow window;
    CZoDSPView view;
};

TEST_F(DspEditorStore, SlotsOneAndThreeOfOneStructureQueueTwoProgramsInSlotOrder) {
    StoreFile(1, "Hall", "Day", [](CZoDSPDoc& d) {
        Input1(d).m_mute = 1;
        Delay(d).m_bypass = 1;
    });
    // Another structure name: neither stored again nor reset for.
    StoreFile(2, "Stage", "Any", [](CZoDSPDoc& d) { Filter(d).m_bypass = 1; });
    Delay(*doc).m_delay = 2.51;
    view.Console().SendText("GETNM01", true);

    Store(3, "Hall", "Night");

    EXPECT_TRUE(messages.ShownIds().empty());
    const Commands section = FilterSection(*doc);
    EXPECT_EQ(StoreQueue(), Join({{"*SAVEM01Hall        Day         #"},
                                  kStructure,
                                  {"*NySET 2 301 240#"}, // slot 3's delay time, reset
                                  {"*NySET 1 101 1 1#", "*NySET 2 302 1#"},
                                  section,
                                  kEnd,
                                  {"*SAVEM03Hall        Night       #"},
                                  kStructure,
                                  {"*NySET 1 101 1 0#", "*NySET 2 302 0#"}, // slot 1's, reset
                                  {"*NySET 2 301 120#"},
                                  section,
                                  kEnd}));
    EXPECT_EQ(view.Download().m_progress, 1);
    EXPECT_EQ(view.Download().m_progressCountsPending, 1);
    EXPECT_EQ(view.StoredTemplates().m_templateDialog, 0);
    EXPECT_EQ(view.StoredTemplates().m_firmTemplateDialog, nullptr);

    // The ini lists the unit and the new slot; the document keeps its path
    // and carries its slot and names, modified.
    de::CStoredTemplateIni ini(view.StoredTemplates().m_templateIni);
    EXPECT_EQ(ini.Paths(kMac)[2], NewPath(3));
    EXPECT_EQ(ini.StructName(kMac, 3), "Hall");
    EXPECT_EQ(ini.ParamName(kMac, 3), "Night");
    EXPECT_TRUE(doc->GetPathName().empty());
    EXPECT_EQ(doc->m_templateSlot, 3);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DspEditorStore, EachResetStandsOnceButAFiltersBypassOncePerTemplate) {
    const auto changed = [](CZoDSPDoc& d) {
        Input1(d).m_mute = 1;
        Input1(d).m_level = -6.0;
        Filter(d).m_bypass = 1;
    };
    StoreFile(1, "Hall", "One", changed);
    StoreFile(2, "Hall", "Two", changed);
    // This template sets the level too: its own value replaces the reset.
    Input1(*doc).m_level = -3.0;

    Store(3, "Hall", "Three");

    ASSERT_TRUE(messages.ShownIds().empty());
    const Commands queue = StoreQueue();
    const auto third = std::find(queue.begin(), queue.end(), "*SAVEM03Hall        Three       #");
    ASSERT_NE(third, queue.end());
    EXPECT_EQ(Commands(third, queue.end()),
              Join({{"*SAVEM03Hall        Three       #"},
                    kStructure,
                    {"*NySET 3 606 0#", "*NySET 1 101 1 0#", "*NySET 3 606 0#"},
                    {"*NySET 1 103 1 7.079458e-001#"},
                    FilterSection(*doc),
                    kEnd}));
}

TEST_F(DspEditorStore, StructureNamesCompareWithCaseAndNamesArePadded) {
    StoreFile(1, "halls", "Day", [](CZoDSPDoc& d) { Input1(d).m_mute = 1; });

    Store(3, "Halls", "Nite5");

    ASSERT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(StoreQueue(),
              Join({{"*SAVEM03Halls       Nite5       #"}, kStructure, FilterSection(*doc), kEnd}));

    // Twelve characters go whole.
    Store(3, "TwelveChars!", "ParamsTwelve");
    EXPECT_EQ(StoreQueue().front(), "*SAVEM03TwelveChars!ParamsTwelve#");
}

TEST_F(DspEditorStore, AnUnopenableSlotFileQueuesNothingAndLeavesTheIni) {
    const std::string path = StoreFile(1, "Other", "Day");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "not a sheet";
    view.Console().SendText("GETNM01", true);
    const std::string iniBefore = ReadAll(view.StoredTemplates().m_templateIni);

    Store(3, "Hall", "Night");

    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{resources::kMsgOpenFileFailed}));
    EXPECT_EQ(StoreQueue(), (Commands{"*GETNM01#"}));
    EXPECT_EQ(ReadAll(view.StoredTemplates().m_templateIni), iniBefore);
    EXPECT_EQ(view.Download().m_progress, 0);
}

TEST_F(DspEditorStore, CancelOrANotLiveSheetStoresNothing) {
    window.script = [](CFirmTemplateController&) { return false; };
    view.StoredTemplates().OnSolidifyTemplates();
    doc->m_live = 0;
    window.script = [](CFirmTemplateController&) -> bool {
        ADD_FAILURE() << "no dialog for a sheet that is not live";
        return false;
    };
    view.StoredTemplates().OnSolidifyTemplates();
    EXPECT_TRUE(StoreQueue().empty());
    EXPECT_FALSE(fs::exists(view.StoredTemplates().m_templateIni));
}

// -- the template dialog

TEST_F(DspEditorStore, DialogListsTheUnitsSlotsAndForgetsMissingFiles) {
    StoreFile(2, "Hall", "Day");
    const std::string gone = StoreFile(5, "Hall", "Gone");
    fs::remove(gone);

    CFirmTemplateController dialog(view, view.StoredTemplates().m_templateIni, nullptr);
    dialog.OnInitDialog();
    ASSERT_EQ(dialog.Rows().size(), 1u);
    EXPECT_EQ(dialog.Rows()[0],
              (de::StoredTemplateRow{2, "Hall", "Day", (dir / "slot2.dmu").string()}));
    EXPECT_EQ(de::CStoredTemplateIni(view.StoredTemplates().m_templateIni).Paths(kMac)[4], "");

    dialog.OnSelectSlot(2);
    EXPECT_TRUE(dialog.SlotStored());
    EXPECT_EQ(dialog.m_structName, "Hall");
    EXPECT_EQ(dialog.m_path, (dir / "slot2.dmu").string());
    dialog.OnSelectSlot(4);
    EXPECT_FALSE(dialog.SlotStored());
    EXPECT_EQ(dialog.m_structName, "");
    EXPECT_EQ(dialog.m_path, "");
    dialog.OnSelectSlot(9);
    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{resources::kMsgBadTemplateSlot}));
    EXPECT_EQ(dialog.Slot(), 4);

    dialog.OnBnClickedReadFromDevice();
    EXPECT_EQ(StoreQueue(), (Commands{"*GETNM01#", "*GETNM02#", "*GETNM03#", "*GETNM04#",
                                      "*GETNM05#", "*GETNM06#", "*GETNM07#", "*GETNM08#"}));
}

TEST_F(DspEditorStore, DialogChecksEachFieldInTurn) {
    // Slot 1 holds "Hall" with another structure (one more link).
    StoreFile(1, "Hall", "Day", [](CZoDSPDoc& d) { dsp_test::Connect(d, 2, 0, 10, 0); });
    struct row_t {
        const char* name;
        int slot;
        const char* structName;
        const char* paramName;
        bool path;
        int message;
        int focus;
    };
    using D = CFirmTemplateController;
    const row_t rows[] = {
        {"no slot", 0, "Hall", "P", true, resources::kMsgBadTemplateSlot, D::kCtlSlot},
        {"no structure name", 3, "", "P", true, resources::kMsgStructNameEmpty, D::kCtlStructName},
        {"13 characters", 3, "ThirteenChars", "P", true, resources::kMsgStructNameTooLong,
         D::kCtlStructName},
        {"12 Chinese characters", 3, "结构结构结构结构结构结构", "P", true,
         resources::kMsgStructNameNotAscii, D::kCtlStructName},
        {"13 Chinese characters", 3, "结构结构结构结构结构结构结", "P", true,
         resources::kMsgStructNameTooLong, D::kCtlStructName},
        {"structure differs", 3, "Hall", "P", true, resources::kMsgStructureDiffers,
         D::kCtlStructName},
        {"no parameter name", 3, "Club", "", true, resources::kMsgParamNameEmpty, D::kCtlParamName},
        {"13 characters", 3, "Club", "ThirteenChars", true, resources::kMsgParamNameTooLong,
         D::kCtlParamName},
        {"non-ASCII", 3, "Club", "参数", true, resources::kMsgParamNameNotAscii, D::kCtlParamName},
        {"no path", 3, "Club", "P", false, resources::kMsgTemplatePathEmpty, D::kCtlPath},
    };
    doc->SetModifiedFlag(false);
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        model::CRecordingMessages shown;
        CFirmTemplateController dialog(view, view.StoredTemplates().m_templateIni, nullptr);
        dialog.OnInitDialog();
        if (row.slot != 0)
            dialog.OnSelectSlot(row.slot);
        dialog.m_structName = row.structName;
        dialog.m_paramName = row.paramName;
        dialog.m_path = row.path ? NewPath(3) : "";
        EXPECT_FALSE(dialog.OnOK());
        EXPECT_EQ(shown.ShownIds(), (std::vector<int>{row.message}));
        EXPECT_EQ(dialog.FocusControl(), row.focus);
        EXPECT_FALSE(fs::exists(NewPath(3)));
        EXPECT_FALSE(doc->IsModified());
    }
}

TEST_F(DspEditorStore, OkAsksBeforeOverwritingAStoredSlotThenWritesACopy) {
    doc->SetModifiedFlag(false);
    const std::string stored = StoreFile(2, "Hall", "Day");
    const std::string before = ReadAll(stored);
    CFirmTemplateController dialog(view, view.StoredTemplates().m_templateIni, nullptr);
    dialog.OnInitDialog();
    dialog.OnSelectSlot(2);
    dialog.m_paramName = "Night";

    messages.ScriptAnswer(resources::kMsgAskOverwriteSlot, EMessageAnswer::No);
    messages.ScriptAnswer(resources::kMsgAskOverwriteSlot, EMessageAnswer::Yes);
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(messages.AskedIds(), (std::vector<int>{resources::kMsgAskOverwriteSlot}));
    EXPECT_EQ(ReadAll(stored), before);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->m_templateSlot, 0);

    EXPECT_TRUE(dialog.OnOK());
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(doc->GetPathName().empty());
    std::unique_ptr<CZoDSPDoc> copy = de::OpenTemplateSheet(stored);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_templateSlot, 2);
    EXPECT_EQ(copy->m_templateStructName, "Hall");
    EXPECT_EQ(copy->m_templateParamName, "Night");

    // An empty slot asks nothing.
    CFirmTemplateController fresh(view, view.StoredTemplates().m_templateIni, nullptr);
    fresh.OnInitDialog();
    fresh.OnSelectSlot(4);
    fresh.m_structName = "Hall";
    fresh.m_paramName = "P";
    fresh.m_path = NewPath(4);
    EXPECT_TRUE(fresh.OnOK());
    EXPECT_EQ(messages.AskedIds().size(), 2u);
}

TEST_F(DspEditorStore, NameRepliesFillTheListWhileTheDialogIsOpen) {
    StoreFile(2, "Hall", "Day");
    struct row_t {
        const char* reply;
        bool taken;
    };
    const row_t rows[] = {
        {"GETNM01Club        Loud        ", true},  {"*GETNM02Hall2       Night       #", true},
        {"GETNM03Short       Name", false},         // shorter than both fields
        {"GETNM09Club        Loud        ", false}, // no such slot
        {"GETNM00Club        Loud        ", false}, // no such slot
        {"GETNM1xClub        Loud        ", false}, // not two digits
        {"GETMD01Club        Loud        ", false}, // another reply
        {"GETNM04TwelveChars!ParamsTwelve#", true},
    };
    int changes = 0;
    window.script = [&](CFirmTemplateController& dialog) {
        dialog.SetRowsChanged([&] { ++changes; });
        for (const row_t& row : rows) {
            SCOPED_TRACE(row.reply);
            const int before = changes;
            view.StoredTemplates().OnTemplateNameReply(row.reply);
            EXPECT_EQ(changes, before + (row.taken ? 1 : 0));
        }
        EXPECT_EQ(dialog.Rows(), (std::vector<de::StoredTemplateRow>{
                                     {2, "Hall2", "Night", (dir / "slot2.dmu").string()},
                                     {1, "Club", "Loud", ""},
                                     {4, "TwelveChars!", "ParamsTwelve", ""}}));
        return false;
    };
    view.StoredTemplates().OnSolidifyTemplates();
    EXPECT_EQ(changes, 3);
    // Closed: replies go nowhere.
    view.StoredTemplates().OnTemplateNameReply("GETNM05Club        Loud        ");
    EXPECT_EQ(changes, 3);
}

TEST(DspEditorStoreStructure, SameBlocksAndWiringBothWays) {
    struct row_t {
        const char* name;
        std::function<void(CZoDSPDoc&)> changeB;
        bool same;
    };
    const row_t rows[] = {
        {"the same sheet", [](CZoDSPDoc&) {}, true},
        {"a link more in B", [](CZoDSPDoc& b) { dsp_test::Connect(b, 2, 0, 10, 0); }, false},
        {"another feeding module",
         [](CZoDSPDoc& b) {
             // Input 2 in place of input 1 into the delay: same pins.
             b.TakeLink((*b.Links().begin())->m_id);
             dsp_test::Connect(b, 2, 0, 17, 0);
         },
         false},
        {"another variant", [](CZoDSPDoc& b) { b.GetModuleById(17)->m_subType = 2; }, false},
        {"a meter's link more",
         [](CZoDSPDoc& b) {
             auto* meter = b.AddModule(model::kAriMeter, 1, 400, 200, 1);
             dsp_test::Connect(b, 17, 1, meter->m_id, 0);
         },
         true},
        {"a slot past 8", [](CZoDSPDoc& b) { b.m_templateSlot = 9; }, false},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        dsp_test::FakeFrame frame;
        std::unique_ptr<CZoDSPDoc> a = MakeSheet(frame);
        std::unique_ptr<CZoDSPDoc> b = MakeSheet(frame);
        row.changeB(*b);
        EXPECT_EQ(CFirmTemplateController::IsSameStructure(*a, *b), row.same);
        EXPECT_EQ(CFirmTemplateController::IsSameStructure(*b, *a), row.same);
    }
}

// -- the switch

TEST_F(DspEditorStore, SwitchQueuesTheSlotsChangeAlone) {
    view.Console().SendText("GETNM01", true);
    view.Console().SendSetI(2, 302, 1, false);
    view.Download().m_stopRequest = 1;

    view.StoredTemplates().SwitchToStoredTemplate(3);

    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(StoreQueue(), (Commands{"*CHANM03#"}));
    EXPECT_TRUE(view.Console().Queue(EConsoleQueue::Control).empty());
    EXPECT_EQ(doc->m_live, 1);
    EXPECT_EQ(view.Download().m_stopRequest, 0);
    EXPECT_EQ(window.repaints, 1);
}

} // namespace
