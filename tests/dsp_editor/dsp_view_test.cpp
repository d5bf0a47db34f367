// The DSP view's sheet templates and binding groups: a template saved from a
// sheet is the checked-in golden; loading it fills another sheet as one undo
// step and leaves the document untouched when the file is not a sheet; a
// change to one member of a binding group reaches the others, with the
// unit's commands while live, and one Undo puts the whole group back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_delay.h"
#include "model/ari_input.h"
#include "model/ari_output.h"
#include "model/device_models.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "tests/support/temp_dir.h"
#include "resources/message_ids.h"

namespace {

namespace fs = std::filesystem;
namespace de = dsp_editor;
using de::CZoDSPDoc;
using de::CZoDSPView;
using model::CBaseAriModule;
using model::CBaseLink;
using Bytes = std::vector<std::uint8_t>;
using Commands = std::vector<std::string>;

using TempDir = test_support::CTempDir;

// Answers each Save dialog with the next scripted path (none: Cancel) and
// keeps what the dialog was asked with.
class ScriptedChooser final : public de::IFileChooser {
public:
    std::optional<std::string> ChooseSaveFile(std::string_view proposed,
                                              std::string_view filter) override {
        proposals.emplace_back(proposed);
        filters.emplace_back(filter);
        return answer;
    }
    std::optional<std::string> ChooseOpenFile(std::string_view filter) override {
        filters.emplace_back(filter);
        return answer;
    }

    std::optional<std::string> answer;
    std::vector<std::string> proposals;
    std::vector<std::string> filters;
};

class CountingFrame final : public de::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return "00602b0a0b0c"; }
    std::int32_t NewSheetModel() const override { return model; }
    std::string DeviceDocumentPath() const override { return {}; }
    CZoDSPView* ActiveDspView() const override { return activeView; }
    void ShowDspStatus(const de::DspStatusFigures& figures) override {
        statuses.push_back(figures);
    }
    void CleanRecentFiles() override { ++recentCleanings; }
    void SetRunState(bool on) override { runStates.push_back(on); }

    std::int32_t model = 3;
    std::vector<bool> runStates;
    CZoDSPView* activeView = nullptr;
    std::vector<de::DspStatusFigures> statuses;
    int recentCleanings = 0;
};

class PanelWindow final : public de::IDspViewWindow {
public:
    void Repaint() override {}
    void UpdatePropertyPanel() override {}
    void ClosePropertyPanel() override { ++panelClosings; }
    int panelClosings = 0;
};

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    platform::archive::write_file_atomic(path, bytes);
}

// The sheet of the template golden: input 1 (hidden) and output 1 on model
// 1, a 10 ms delay between them relabelled and in group 2, the second link
// drawn wide in red; slot 5 on the unit, modified and titled "Lobby".
void BuildLobbySheet(CZoDSPDoc& doc) {
    doc.SetTitle("Lobby");
    doc.m_deviceModel = 1;
    doc.m_zoom = 1;
    doc.m_sheetWidth = 1600;
    doc.m_sheetHeight = 1000;
    doc.m_sheetColour = 0xFFFFFF;
    doc.m_unitMac = "00602b0a0b0c";
    doc.m_savedTitle = "Lobby";
    doc.m_templateSlot = 5;
    doc.m_templateStructName = "Hall";
    doc.m_templateParamName = "Evening";
    doc.AddModule(model::kAriInput, 1, 20, 20, 1); // 1
    doc.m_moduleIdCounter = 8;
    doc.AddModule(model::kAriOutput, 1, 600, 20, 1);                        // 9
    CBaseAriModule* delay = doc.AddModule(model::kAriDelay, 2, 300, 20, 1); // 10
    dynamic_cast<model::CAriDelay&>(*delay).m_delay = 7.5;
    delay->m_displayName = "Lobby delay";
    delay->m_group = 2;
    delay->m_groupName = "Front";
    dsp_test::Connect(doc, 1, 0, 10, 0);
    CBaseLink* out = dsp_test::Connect(doc, 10, 1, 9, 0);
    out->m_penWidth = 2;
    out->m_colour = 0x0000FF;
    doc.GetModuleById(1)->m_hidden = 1;
    doc.m_hiddenModules = 1;
    doc.m_nameCounters[CZoDSPDoc::kDelayCounter] = 4;
    doc.ClearSelection();
}

TEST(DspEditorViewTemplate, SavingWritesTheWholeSheetWithSlotZeroAndLeavesTheDocumentAsItWas) {
    TempDir dir;
    for (const bool modified : {true, false}) {
        SCOPED_TRACE(modified ? "modified" : "clean");
        CountingFrame frame;
        CZoDSPDoc doc;
        doc.SetMainFrame(&frame);
        BuildLobbySheet(doc);
        doc.SetModifiedFlag(modified);
        const std::string title = doc.GetTitle();
        CZoDSPView view(doc);
        ScriptedChooser chooser;
        view.SetFileChooser(&chooser);
        chooser.answer = (dir.path() / "Lobby").string();
        model::CRecordingMessages messages;

        ASSERT_TRUE(view.SheetTemplates().SaveAsTemplate());
        EXPECT_EQ(chooser.proposals, std::vector<std::string>{"Lobby"});
        EXPECT_EQ(chooser.filters, std::vector<std::string>{"DSP Template Files (*.dmu)|*.dmu||"});
        EXPECT_EQ(platform::archive::read_file(dir.path() / "Lobby.dmu"),
                  dsp_test::LoadFixture("dsp_template.hex"));
        EXPECT_EQ(doc.m_templateSlot, 5);
        EXPECT_EQ(doc.IsModified(), modified);
        EXPECT_EQ(doc.GetTitle(), title);
        EXPECT_EQ(frame.recentCleanings, 1);
        EXPECT_TRUE(messages.ShownIds().empty());
    }
}

TEST(DspEditorViewTemplate, TheSuffixIsAddedUnlessThePathEndsInItInAnyCase) {
    struct Row {
        const char* chosen;
        const char* written;
    };
    const Row rows[] = {
        {"/t/Lobby", "/t/Lobby.dmu"}, {"/t/Lobby.dmu", "/t/Lobby.dmu"},
        {"/t/x.DMU", "/t/x.DMU"},     {"/t/x.Dmu", "/t/x.Dmu"},
        {"/t/x.dsp", "/t/x.dsp.dmu"}, {"/t/x.dmu.bak", "/t/x.dmu.bak.dmu"},
        {"/t/xdmu", "/t/xdmu.dmu"},   {"/t/.dmu", "/t/.dmu"},
        {"dmu", "dmu.dmu"},           {"", ".dmu"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(de::WithTemplateSuffix(row.chosen), row.written) << row.chosen;
}

TEST(DspEditorViewTemplate, CancelOrAFailedWriteLeavesNoFile) {
    TempDir dir;
    CountingFrame frame;
    auto doc = std::make_unique<CZoDSPDoc>();
    doc->SetMainFrame(&frame);
    doc->OnNewDocument();
    CZoDSPView view(*doc);
    model::CRecordingMessages messages;
    EXPECT_FALSE(view.SheetTemplates().SaveAsTemplate()); // no dialogs
    ScriptedChooser chooser;
    view.SetFileChooser(&chooser);
    EXPECT_FALSE(view.SheetTemplates().SaveAsTemplate()); // Cancel
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(messages.ShownIds().empty());

    const fs::path existing = dir.path() / "Old.dmu";
    WriteBytes(existing, {1, 2, 3});
    // A folder where the file should go cannot be replaced.
    fs::create_directory(dir.path() / "Busy.dmu");
    chooser.answer = (dir.path() / "Busy").string();
    EXPECT_FALSE(view.SheetTemplates().SaveAsTemplate());
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgSaveFailed});
    EXPECT_TRUE(fs::is_directory(dir.path() / "Busy.dmu"));
    EXPECT_EQ(frame.recentCleanings, 0);
    EXPECT_EQ(platform::archive::read_file(existing), (Bytes{1, 2, 3}));
}

// A new sheet of a model 3 unit, shown by the frame's active view, and the
// template golden on disk.
class DspEditorViewLoad : public ::testing::Test {
public:
    DspEditorViewLoad() {
        doc->SetMainFrame(&frame);
        doc->OnNewDocument();
        view = std::make_unique<CZoDSPView>(*doc);
        view->SetWindow(&window);
        frame.activeView = view.get();
        WriteBytes(lobby, dsp_test::LoadFixture("dsp_template.hex"));
    }

    de::CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }

    Bytes SheetBytes() {
        doc->ClearSelection();
        return doc->SaveDocument();
    }

    model::CRecordingMessages messages;
    TempDir dir;
    fs::path lobby = dir.path() / "Lobby.dmu";
    CountingFrame frame;
    PanelWindow window;
    std::vector<std::string> destroyed;
    std::list<dsp_test::FakeDialog> dialogs;
    std::unique_ptr<CZoDSPDoc> doc = std::make_unique<CZoDSPDoc>();
    std::unique_ptr<CZoDSPView> view; // goes before its document
};

TEST_F(DspEditorViewLoad, TheTemplatesModulesLinksAndCountersFillTheSheet) {
    doc->AddAttriDialog(&dialogs.emplace_back(3, 0, destroyed));
    doc->SetModifiedFlag(false);
    ASSERT_TRUE(view->SheetTemplates().LoadTemplate(lobby));

    EXPECT_EQ(destroyed, std::vector<std::string>{"3/0"});
    EXPECT_TRUE(doc->AttriDialogs().empty());
    EXPECT_EQ(window.panelClosings, 1);
    EXPECT_EQ(doc->m_sheetWidth, 1600);
    EXPECT_EQ(doc->m_sheetHeight, 1000);
    ASSERT_EQ(doc->Modules().size(), 3u);

    const auto& input = dynamic_cast<const model::CAriInput&>(*doc->Modules()[0]);
    EXPECT_EQ(input.m_id, 1);
    EXPECT_EQ(input.m_name, "Input Channel-1");
    EXPECT_EQ(input.m_displayName, "Channel-1");
    EXPECT_EQ(input.m_hidden, 1);
    EXPECT_EQ(input.m_groupStart, 1);
    // This sheet's unit, not the template's.
    EXPECT_EQ(input.m_modelName, model::g_szModelName[3].text);

    const auto& output = dynamic_cast<const model::CAriOutput&>(*doc->Modules()[1]);
    EXPECT_EQ(output.m_id, 9);
    EXPECT_EQ(output.m_name, "Output Channel-1");
    EXPECT_EQ(output.m_hidden, 0);

    const auto& delay = dynamic_cast<const model::CAriDelay&>(*doc->Modules()[2]);
    EXPECT_EQ(delay.m_id, 10);
    EXPECT_EQ(delay.m_subType, 2);
    EXPECT_EQ(delay.m_name, "Delay-1");
    EXPECT_EQ(delay.m_displayName, "Lobby delay");
    EXPECT_EQ(delay.m_delay, 7.5);
    EXPECT_EQ(delay.m_body, (model::Rect{300, 20, 400, 70}));
    for (int pin = 0; pin < 2; ++pin) {
        SCOPED_TRACE("delay pin " + std::to_string(pin));
        EXPECT_EQ(delay.GetChnl(pin)->m_moduleId, 10);
        EXPECT_EQ(delay.GetChnl(pin)->m_linkCount, 1);
    }
    EXPECT_EQ(delay.GetChnl(0)->m_peerModule, 1);
    EXPECT_EQ(delay.GetChnl(0)->m_peerChannel, 0);
    EXPECT_EQ(output.GetChnl(0)->m_peerModule, 10);
    EXPECT_EQ(output.GetChnl(0)->m_peerChannel, 1);

    ASSERT_EQ(doc->Links().size(), 2u);
    const CBaseLink& wide = *doc->Links()[1];
    EXPECT_EQ(wide.m_id, 2);
    EXPECT_EQ(wide.m_penWidth, 2);
    EXPECT_EQ(wide.m_colour, 0x0000FFu);
    EXPECT_EQ(wide.m_sourceModule, 9);
    EXPECT_EQ(wide.m_destModule, 10);

    EXPECT_EQ(doc->m_nameCounters[CZoDSPDoc::kDelayCounter], 4);
    EXPECT_EQ(doc->m_moduleIdCounter, 10);
    EXPECT_EQ(doc->m_linkIdCounter, 2);
    EXPECT_EQ(doc->m_hiddenModules, 1);
    EXPECT_EQ(doc->m_orderOk, 0);
    EXPECT_EQ(doc->m_resourcesOk, 1);
    // The next module gets the next id and name.
    EXPECT_EQ(doc->AddModule(model::kAriDelay, 1, 100, 500, 3)->m_name, "Delay-5");
    EXPECT_EQ(doc->m_moduleIdCounter, 11);

    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(frame.recentCleanings, 1);
    ASSERT_EQ(frame.statuses.size(), 1u);
    EXPECT_EQ(frame.statuses[0].modules, 3);
    EXPECT_EQ(frame.statuses[0].links, 2);
    EXPECT_EQ(frame.statuses[0].selectedModules, 0);
    EXPECT_FALSE(frame.statuses[0].idsSet);
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(History().UndoCount(), 1);
}

TEST_F(DspEditorViewLoad, AViewThatIsNotActiveLeavesTheStatusPanesAlone) {
    frame.activeView = nullptr;
    ASSERT_TRUE(view->SheetTemplates().LoadTemplate(lobby));
    EXPECT_TRUE(frame.statuses.empty());
    EXPECT_EQ(doc->Modules().size(), 3u);
}

TEST_F(DspEditorViewLoad, UndoAndRedoExchangeTheSheetWithItsSizeCountersAndHiddenFlag) {
    CBaseAriModule* mixer = doc->AddModule(model::kAriMixer, 1, 300, 300, 3);
    dsp_test::Connect(*doc, 1, 0, mixer->m_id, 0);
    doc->m_sheetWidth = 1400;
    const Bytes before = SheetBytes();
    ASSERT_TRUE(view->SheetTemplates().LoadTemplate(lobby));
    const Bytes loaded = SheetBytes();

    doc->m_orderOk = 1;
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(SheetBytes(), before);
    EXPECT_EQ(doc->m_sheetWidth, 1400);
    EXPECT_EQ(doc->m_sheetHeight, 1800);
    EXPECT_EQ(doc->m_moduleIdCounter, 17);
    EXPECT_EQ(doc->m_hiddenModules, 0);
    EXPECT_EQ(doc->m_orderOk, 0);

    doc->m_orderOk = 1;
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(SheetBytes(), loaded);
    EXPECT_EQ(doc->m_sheetWidth, 1600);
    EXPECT_EQ(doc->m_moduleIdCounter, 10);
    EXPECT_EQ(doc->m_hiddenModules, 1);
    EXPECT_EQ(doc->m_orderOk, 0);
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspEditorViewLoad, AFileThatIsNotASheetLeavesTheDocumentUntouched) {
    const Bytes golden = dsp_test::LoadFixture("dsp_template.hex");
    const fs::path damaged = dir.path() / "Damaged.dmu";
    struct Case {
        std::string what;
        fs::path path;
        std::optional<Bytes> bytes;
    };
    std::vector<Case> cases = {
        {"missing", dir.path() / "Missing.dmu", std::nullopt},
        {"a folder", dir.path(), std::nullopt},
    };
    for (const std::size_t cut :
         {std::size_t{0}, std::size_t{3}, std::size_t{70}, golden.size() / 2, golden.size() - 1})
        cases.push_back({"cut at " + std::to_string(cut), damaged,
                         Bytes(golden.begin(), golden.begin() + static_cast<long>(cut))});
    {
        // The output module under the input module's id.
        CZoDSPDoc twice;
        BuildLobbySheet(twice);
        twice.GetModuleById(9)->m_id = 1;
        cases.push_back({"an id twice", damaged, twice.SaveDocument()});
    }

    doc->SetModifiedFlag(false);
    const Bytes sheet = SheetBytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes)
            WriteBytes(c.path, *c.bytes);
        EXPECT_FALSE(view->SheetTemplates().LoadTemplate(c.path));
        EXPECT_EQ(SheetBytes(), sheet);
        EXPECT_FALSE(doc->IsModified());
        EXPECT_EQ(History().UndoCount(), 0);
        EXPECT_EQ(History().Actions().size(), 0u);
        EXPECT_EQ(frame.recentCleanings, 0);
        EXPECT_EQ(window.panelClosings, 0);
    }
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspEditorViewLoad, AModuleWhoseTypeCodeBeliesItsClassIsMadeByItsTypeCode) {
    CZoDSPDoc odd;
    BuildLobbySheet(odd);
    odd.GetModuleById(1)->m_typeCode = model::kAriDelay;  // an input object
    odd.GetModuleById(10)->m_typeCode = model::kAriInput; // a delay object
    const fs::path path = dir.path() / "Odd.dmu";
    WriteBytes(path, odd.SaveDocument());
    ASSERT_TRUE(view->SheetTemplates().LoadTemplate(path));
    ASSERT_EQ(doc->Modules().size(), 3u);
    EXPECT_NE(dynamic_cast<const model::CAriDelay*>(doc->GetModuleById(1)), nullptr);
    EXPECT_EQ(doc->GetModuleById(1)->m_hidden, 0);
    EXPECT_NE(dynamic_cast<const model::CAriInput*>(doc->GetModuleById(10)), nullptr);
}

TEST_F(DspEditorViewLoad, TheResourceCheckSpeaksOnceForTheWholeSheet) {
    // Far over both budgets: only the space message, once.
    const fs::path big = dir.path() / "Big.dmu";
    WriteBytes(big, dsp_test::LoadFixture("dsp_every_kind.hex"));
    ASSERT_TRUE(view->SheetTemplates().LoadTemplate(big));
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgSpaceExceeded});
    EXPECT_EQ(doc->Modules().size(), 62u);
    EXPECT_EQ(doc->m_resourcesOk, 0);
    EXPECT_EQ(doc->m_spaceTotal, 14982);
}

// A sheet with three delays bound in group 2, one of another variant in the
// same group number and one outside any group, all with execution orders,
// shown by the active view.
class DspEditorViewGroup : public ::testing::Test {
public:
    DspEditorViewGroup() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<CZoDSPView>(*doc);
        frame.activeView = view.get();
        for (int k = 0; k < 5; ++k) {
            CBaseAriModule* m =
                doc->AddModule(model::kAriDelay, k == 3 ? 2 : 3, 200, 20 + 70 * k, 1);
            m->m_group = k < 4 ? 2 : 0;
            m->m_groupName = k < 4 ? "Delays" : "";
            m->m_order = 2 + k;
            delays.push_back(m);
        }
        doc->m_orderOk = 1;
        doc->m_outputOrder = 7;
    }

    de::CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }
    model::CAriDelay& Delay(int k) { return dynamic_cast<model::CAriDelay&>(*delays[k]); }
    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }

    // A change as a dialog makes it: recorded, made, the after-copy
    // updated, then the group follows.
    void ChangeDelay(int k, double ms) {
        CBaseAriModule* after = History().AddAction(de::kUndoParameters, *delays[k], 0, 0, true);
        ASSERT_NE(after, nullptr);
        Delay(k).m_delay = ms;
        dynamic_cast<model::CAriDelay&>(*after).m_delay = ms;
        view->OnModuleChanged(*delays[k]);
    }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::vector<std::string> destroyed;
    std::list<dsp_test::FakeDialog> dialogs;
    std::unique_ptr<CZoDSPDoc> doc;
    std::unique_ptr<CZoDSPView> view;
    std::vector<CBaseAriModule*> delays; // 17-21
};

TEST_F(DspEditorViewGroup, OneChangeReachesTheOtherTwoMembersAndOneUndoPutsAllThreeBack) {
    const dsp_test::FakeDialog& second = dialogs.emplace_back(18, 0, destroyed);
    const dsp_test::FakeDialog& outside = dialogs.emplace_back(21, 0, destroyed);
    doc->AddAttriDialog(&dialogs.front());
    doc->AddAttriDialog(&dialogs.back());
    doc->m_live = 1;
    ChangeDelay(0, 10.5);

    // 10.5 ms at 48 kHz: 504 samples, to the members at orders 3 and 4.
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 3 301 504#", "*NySET 4 301 504#"}));
    EXPECT_EQ(Delay(1).m_delay, 10.5);
    EXPECT_EQ(Delay(2).m_delay, 10.5);
    EXPECT_EQ(Delay(3).m_delay, 10.0); // another variant
    EXPECT_EQ(Delay(4).m_delay, 20.0); // no group
    EXPECT_EQ(second.refreshes, 1);
    EXPECT_EQ(outside.refreshes, 0);
    EXPECT_EQ(History().UndoCount(), 1);
    EXPECT_EQ(History().Actions().size(), 3u);

    ASSERT_TRUE(History().Undo());
    for (int k : {0, 1, 2})
        EXPECT_EQ(Delay(k).m_delay, 20.0) << k;
    ASSERT_TRUE(History().Redo());
    for (int k : {0, 1, 2})
        EXPECT_EQ(Delay(k).m_delay, 10.5) << k;
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspEditorViewGroup, NotLiveTheGroupFollowsWithoutCommands) {
    ChangeDelay(1, 3.0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_EQ(Delay(0).m_delay, 3.0);
    EXPECT_EQ(Delay(2).m_delay, 3.0);
}

TEST_F(DspEditorViewGroup, GroupNumberZeroIsNeverPropagated) {
    CBaseAriModule* twin = doc->AddModule(model::kAriDelay, 3, 400, 400, 1);
    doc->m_live = 1;
    ChangeDelay(4, 1.0);
    EXPECT_EQ(dynamic_cast<model::CAriDelay&>(*twin).m_delay, 20.0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_EQ(History().Actions().size(), 1u);
}

TEST_F(DspEditorViewGroup, AChannelMembersSideDialogReloads) {
    for (std::int32_t id : {1, 2}) {
        CBaseAriModule* input = doc->GetModuleById(id);
        input->m_group = 1;
        input->m_groupName = "Mics";
    }
    const dsp_test::FakeDialog& inputs = dialogs.emplace_back(0, 1, destroyed);
    const dsp_test::FakeDialog& outputs = dialogs.emplace_back(1, 1, destroyed);
    doc->AddAttriDialog(&dialogs.front());
    doc->AddAttriDialog(&dialogs.back());

    auto& first = dynamic_cast<model::CAriInput&>(*doc->GetModuleById(1));
    CBaseAriModule* after = History().AddAction(de::kUndoParameters, first, 0, 0, true);
    first.m_mute = 1;
    dynamic_cast<model::CAriInput&>(*after).m_mute = 1;
    view->OnModuleChanged(first);
    EXPECT_EQ(dynamic_cast<model::CAriInput&>(*doc->GetModuleById(2)).m_mute, 1);
    EXPECT_EQ(dynamic_cast<model::CAriInput&>(*doc->GetModuleById(3)).m_mute, 0);
    EXPECT_EQ(inputs.refreshes, 1);
    EXPECT_EQ(outputs.refreshes, 0);
}

TEST_F(DspEditorViewLoad, TheLoadCommandTakesTemplateFilesInAnyCaseAndSaysWhyOthersFail) {
    ScriptedChooser chooser;
    view->SetFileChooser(&chooser);
    const fs::path shouting = dir.path() / "LOBBY.DMU";
    fs::copy_file(lobby, shouting);
    const fs::path broken = dir.path() / "broken.dmu";
    WriteBytes(broken, Bytes{2, 0, 0});
    struct Case {
        const char* what;
        std::optional<std::string> answer;
        std::vector<int> messages;
        bool loaded;
    };
    const Case cases[] = {
        {"cancelled", std::nullopt, {}, false},
        {"another kind of file", (dir.path() / "Lobby.txt").string(), {285}, false},
        {"a template that does not load", broken.string(), {310}, false},
        {"a template named in capitals", shouting.string(), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model::CRecordingMessages local;
        const Bytes before = SheetBytes();
        chooser.answer = c.answer;
        view->SheetTemplates().OnLoadTemplateFile();
        EXPECT_EQ(local.ShownIds(), c.messages);
        EXPECT_EQ(SheetBytes() != before, c.loaded);
    }
    EXPECT_EQ(chooser.filters.back(), de::kTemplateFilter);
}

// Whether start, stop, continue, store and load a template may run.
struct CommandStates {
    bool start, stop, resume, store, load;
    friend bool operator==(const CommandStates&, const CommandStates&) = default;
};

TEST_F(DspEditorViewLoad, StopContinueAndTheDownloadCommandsStates) {
    using State = CommandStates;
    const auto state = [this] {
        return State{view->Download().CanStartDownload(), view->Download().CanStopDownload(),
                     view->Download().CanContinueDownload(),
                     view->StoredTemplates().CanStoreTemplates(),
                     view->SheetTemplates().CanLoadTemplateFile()};
    };
    EXPECT_EQ(state(), (State{true, false, false, false, true}));

    doc->m_live = 1;
    view->Download().m_progress = 1;
    EXPECT_EQ(state(), (State{false, true, false, true, false}));

    // A stop ends the live state and the fault; the active view's pane says so.
    view->Download().m_commFault = 1;
    EXPECT_TRUE(view->Download().CanContinueDownload());
    view->Download().OnDownloadStop();
    EXPECT_EQ(doc->m_live, 0);
    EXPECT_EQ(view->Download().m_stopRequest, 1);
    EXPECT_EQ(view->Download().m_commFault, 0);
    EXPECT_EQ(frame.runStates, std::vector<bool>{false});

    // A continue takes the sheet back on line where the stop left it.
    view->Download().m_commFault = 1;
    view->Download().OnDownloadContinue();
    EXPECT_EQ(doc->m_live, 1);
    EXPECT_EQ(view->Download().m_progress, 1);
    EXPECT_EQ(view->Download().m_progressCountsPending, 1);
    EXPECT_EQ(view->Download().m_commFault, 0);
    EXPECT_EQ(view->Download().m_stopRequest, 0);
    EXPECT_EQ(frame.runStates, (std::vector<bool>{false, true}));

    // A view that is not the active one leaves the pane alone.
    frame.activeView = nullptr;
    view->Download().OnDownloadStop();
    EXPECT_EQ(frame.runStates, (std::vector<bool>{false, true}));
}

} // namespace
