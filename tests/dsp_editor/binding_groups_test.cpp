// Binding groups: the number a new group takes, joining (the first member's
// parameters, with unit commands while live, as one undo step of a group
// and a parameter action), removing and renaming in the group dialog, the
// view's leave and dissolve commands, and the modified mark each change
// sets.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ari_test_support.h"
#include "comm/dsp_console.h"
#include "dsp_editor/binding_groups.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_delay.h"
#include "model/recording_messages.h"
#include "resources/message_ids.h"

namespace {

using namespace model;
using comm::CDSPDlgShowCMD;
using comm::EConsoleQueue;
using dsp_editor::CGroupEditor;
using dsp_editor::CZoDSPDoc;
using dsp_editor::EGroupDialogMode;
using dsp_editor::GroupItem;
using Log = std::vector<std::string>;

// Keeps what the editor records as text ("step", "group 17 2 Pair",
// "parameters 17") and the two copies of each parameter action.
class FakeUndo final : public dsp_editor::IGroupUndo {
public:
    void BeginStep() override { log.push_back("step"); }
    void RecordGroup(CBaseAriModule& m) override {
        log.push_back("group " + std::to_string(m.m_id) + " " + std::to_string(m.m_group) + " " +
                      m.m_groupName);
    }
    CBaseAriModule* RecordParameters(CBaseAriModule& m) override {
        log.push_back("parameters " + std::to_string(m.m_id));
        before.push_back(ari_test::CopyModule(m));
        after.push_back(ari_test::CopyModule(m));
        return after.back().get();
    }

    Log log;
    std::vector<std::unique_ptr<CBaseAriModule>> before, after;
};

class FakeView final : public dsp_editor::IGroupView {
public:
    void RedrawModule(const CBaseAriModule& m) override {
        log.push_back("redraw " + std::to_string(m.m_id));
    }
    void RefreshAttriDialogs(const CBaseAriModule& m) override {
        log.push_back("refresh " + std::to_string(m.m_id));
    }

    Log log;
};

struct Grouped {
    std::int32_t type;
    std::int32_t variant;
    std::int32_t group;
    const char* name;
};

// A new sheet with the given modules added in order (ids from 17 up), none
// selected, marked clean.
class GroupSheet {
public:
    explicit GroupSheet(const std::vector<Grouped>& modules) : doc(dsp_test::NewDocument(frame)) {
        for (const Grouped& g : modules) {
            CBaseAriModule* m = doc->AddModule(g.type, g.variant, 200, 40, 1);
            m->m_group = g.group;
            m->m_groupName = g.name;
        }
        doc->ClearSelection();
        doc->SetModifiedFlag(false);
    }
    CBaseAriModule& At(std::int32_t id) const { return *doc->GetModuleById(id); }
    CGroupEditor Editor(std::int32_t id, EGroupDialogMode mode = EGroupDialogMode::NewGroup) {
        return CGroupEditor(*doc, At(id), mode, console, &undo, &view);
    }
    std::vector<std::string> Commands() const { return console.Queue(EConsoleQueue::Control); }

    CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::unique_ptr<CZoDSPDoc> doc;
    CDSPDlgShowCMD console;
    FakeUndo undo;
    FakeView view;
};

constexpr std::int32_t kFirst = 17; // id of the first module added to a new sheet

TEST(DspEditorGroups, NewGroupTakesTheLowestNumberNoGroupOfItsTypeAndVariantCarries) {
    struct Row {
        const char* what;
        std::vector<Grouped> others;
        std::int32_t type, variant;
        std::int32_t number;
    };
    const std::vector<Grouped> oneAndThree = {{kAriEqualizer, 3, 3, "Three"},
                                              {kAriEqualizer, 3, 1, "One"}};
    const Row rows[] = {
        {"none yet", {}, kAriEqualizer, 3, 1},
        {"1 and 3 taken", oneAndThree, kAriEqualizer, 3, 2},
        {"a filter beside them", oneAndThree, kAriFilter, 1, 1},
        {"another variant beside them", oneAndThree, kAriEqualizer, 5, 1},
        {"2 and 3 taken", {{kAriDelay, 3, 2, "B"}, {kAriDelay, 3, 3, "C"}}, kAriDelay, 3, 1},
        {"1 and 2 taken by three members",
         {{kAriDelay, 3, 1, "A"}, {kAriDelay, 3, 2, "B"}, {kAriDelay, 3, 1, "A"}},
         kAriDelay,
         3,
         3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<Grouped> modules = r.others;
        modules.push_back({r.type, r.variant, 0, ""});
        GroupSheet sheet(modules);
        const std::int32_t id = kFirst + static_cast<std::int32_t>(r.others.size());
        CGroupEditor editor = sheet.Editor(id);

        EXPECT_TRUE(editor.Confirm("New"));
        EXPECT_EQ(sheet.At(id).m_group, r.number);
        EXPECT_EQ(sheet.At(id).m_groupName, "New");
        EXPECT_EQ(sheet.undo.log, (Log{"step", "group " + std::to_string(id) + " " +
                                                   std::to_string(r.number) + " New"}));
        EXPECT_EQ(sheet.view.log, (Log{"redraw " + std::to_string(id)}));
        EXPECT_TRUE(sheet.doc->IsModified());
        EXPECT_TRUE(sheet.messages.ShownIds().empty());
    }
}

TEST(DspEditorGroups, ConfirmKeepsTheDialogForAMissingOrListedNameAndOtherwiseOnlyCloses) {
    struct Row {
        const char* what;
        EGroupDialogMode mode;
        std::int32_t ownGroup;
        std::string name;
        bool closes;
        std::vector<int> shown;
        std::int32_t groupAfter;
    };
    const Row rows[] = {
        {"empty name", EGroupDialogMode::NewGroup, 0, "", false, {464}, 0},
        {"a listed name", EGroupDialogMode::NewGroup, 0, "A", false, {465}, 0},
        {"the name in other case", EGroupDialogMode::NewGroup, 0, "a", true, {}, 2},
        {"a name beginning with a listed one", EGroupDialogMode::NewGroup, 0, "AB", true, {}, 2},
        {"join mode", EGroupDialogMode::JoinGroup, 0, "New", true, {}, 0},
        {"a module in a group", EGroupDialogMode::NewGroup, 1, "New", true, {}, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        GroupSheet sheet({{kAriDelay, 3, 1, "A"}, {kAriDelay, 3, 0, ""}});
        CBaseAriModule& own = sheet.At(kFirst + 1);
        if (r.ownGroup != 0) {
            own.m_group = r.ownGroup;
            own.m_groupName = "A";
        }
        CGroupEditor editor = sheet.Editor(own.m_id, r.mode);

        EXPECT_EQ(editor.Confirm(r.name), r.closes);
        EXPECT_EQ(sheet.messages.ShownIds(), r.shown);
        EXPECT_EQ(own.m_group, r.groupAfter);
        const bool created = r.groupAfter != r.ownGroup;
        EXPECT_EQ(sheet.doc->IsModified(), created);
        EXPECT_EQ(sheet.undo.log.size(), created ? 2u : 0u);
    }
}

TEST(DspEditorGroups, DialogListsTheGroupsOfTheModulesKindInSheetOrderWithTheirMembers) {
    GroupSheet sheet({{kAriDelay, 3, 4, "Four"},
                      {kAriDelay, 1, 1, "Other variant"},
                      {kAriDelay, 3, 2, "Two"},
                      {kAriDelay, 3, 4, "Four"},
                      {kAriFilter, 3, 2, "Other type"},
                      {kAriDelay, 3, 0, ""}});
    sheet.At(kFirst).m_order = 7;
    CGroupEditor editor = sheet.Editor(kFirst + 5, EGroupDialogMode::JoinGroup);

    EXPECT_EQ(editor.Groups(), (std::vector<GroupItem>{{"Four", 4}, {"Two", 2}}));
    EXPECT_EQ(editor.SelectedGroup(), 0);
    using Row = CGroupEditor::MemberRow;
    EXPECT_EQ(editor.Members(),
              (std::vector<Row>{{"Delay-1", "7", kFirst}, {"Delay-4", "未设定", kFirst + 3}}));
    EXPECT_TRUE(editor.CanJoin());
    EXPECT_FALSE(editor.CanRemove());

    editor.SelectMember(1);
    EXPECT_TRUE(editor.CanRemove());
    editor.SelectGroup(1);
    EXPECT_EQ(editor.Members(), (std::vector<Row>{{"Delay-3", "未设定", kFirst + 2}}));
    EXPECT_FALSE(editor.CanRemove());
    editor.SelectGroup(2);
    EXPECT_EQ(editor.SelectedGroup(), 1);

    // Joining needs a group to join and a module in none.
    EXPECT_FALSE(sheet.Editor(kFirst).CanJoin());
    GroupSheet lone({{kAriDelay, 3, 0, ""}});
    CGroupEditor loneEditor = lone.Editor(kFirst, EGroupDialogMode::JoinGroup);
    EXPECT_FALSE(loneEditor.CanJoin());
    EXPECT_EQ(loneEditor.SelectedGroup(), -1);
    loneEditor.Join();
    EXPECT_EQ(lone.At(kFirst).m_group, 0);
    EXPECT_FALSE(lone.doc->IsModified());
}

TEST(DspEditorGroups, ModuleIdTextIsTheOrderOrSaysWhyThereIsNone) {
    struct Row {
        std::int32_t type;
        std::int32_t order;
        const char* text;
    };
    const Row rows[] = {{kAriDelay, 5, "5"},
                        {kAriInput, 1, "1"},
                        {kAriDelay, 0, "未设定"},
                        {kAriText, 0, "未定义"},
                        {kAriMeter, 3, "未定义"}};
    for (const Row& r : rows) {
        auto m = ari_test::MakeModule(r.type, 1);
        m->m_order = r.order;
        EXPECT_EQ(dsp_editor::ModuleIdText(*m), r.text) << r.type << " " << r.order;
    }
}

// Two members of group 2 "Pair" with different parameters, then the module
// that joins them (order 5).
class DspEditorGroupsJoin : public ::testing::Test {
protected:
    DspEditorGroupsJoin()
        : sheet({{kAriDelay, 3, 2, "Pair"}, {kAriDelay, 3, 2, "Pair"}, {kAriDelay, 3, 0, ""}}) {
        auto& first = Delay(kFirst);
        first.m_bypass = 1;
        first.m_delay = 10.5;
        Delay(kFirst + 1).m_delay = 3.0;
        Delay(kJoining).m_order = 5;
    }
    CAriDelay& Delay(std::int32_t id) { return dynamic_cast<CAriDelay&>(sheet.At(id)); }

    static constexpr std::int32_t kJoining = kFirst + 2;
    GroupSheet sheet;
};

TEST_F(DspEditorGroupsJoin, JoiningTakesTheFirstMembersParametersAsOneStepAndSendsThemWhileLive) {
    const double oldDelay = Delay(kJoining).m_delay;
    sheet.doc->m_live = 1;
    CGroupEditor editor = sheet.Editor(kJoining, EGroupDialogMode::JoinGroup);
    editor.Join();

    CAriDelay& joined = Delay(kJoining);
    EXPECT_EQ(joined.m_group, 2);
    EXPECT_EQ(joined.m_groupName, "Pair");
    EXPECT_EQ(joined.m_bypass, 1);
    EXPECT_EQ(joined.m_delay, 10.5);
    EXPECT_EQ(sheet.Commands(), (std::vector<std::string>{"*NySET 5 302 1#", "*NySET 5 301 504#"}));
    EXPECT_EQ(sheet.undo.log, (Log{"step", "group 19 2 Pair", "parameters 19"}));
    // The action holds the parameters from before and after the join.
    const auto& before = dynamic_cast<CAriDelay&>(*sheet.undo.before.at(0));
    const auto& after = dynamic_cast<CAriDelay&>(*sheet.undo.after.at(0));
    EXPECT_EQ(before.m_bypass, 0);
    EXPECT_EQ(before.m_delay, oldDelay);
    EXPECT_EQ(after.m_bypass, 1);
    EXPECT_EQ(after.m_delay, 10.5);
    EXPECT_EQ(sheet.view.log, (Log{"redraw 19", "refresh 19"}));
    EXPECT_TRUE(sheet.doc->IsModified());
    EXPECT_FALSE(editor.CanJoin());
    EXPECT_EQ(editor.Members().back().moduleId, kJoining);
    EXPECT_EQ(editor.Members().size(), 3u);
    // The members that were there keep their parameters.
    EXPECT_EQ(Delay(kFirst + 1).m_delay, 3.0);
}

TEST_F(DspEditorGroupsJoin, OneUndoOfTheDocumentsHistoryTakesBackTheWholeJoin) {
    dsp_editor::CZoDSPView view(*sheet.doc);
    sheet.frame.activeView = &view;
    dsp_editor::CDSPUndoHistory& history = *dsp_editor::UndoHistoryOf(*sheet.doc);
    const double oldDelay = Delay(kJoining).m_delay;
    CGroupEditor editor(*sheet.doc, sheet.At(kJoining), EGroupDialogMode::JoinGroup, sheet.console,
                        &history, &sheet.view);
    editor.Join();
    ASSERT_EQ(Delay(kJoining).m_delay, 10.5);
    ASSERT_TRUE(view.CanUndo());

    view.OnEditUndo();
    EXPECT_EQ(Delay(kJoining).m_group, 0);
    EXPECT_EQ(Delay(kJoining).m_groupName, "");
    EXPECT_EQ(Delay(kJoining).m_bypass, 0);
    EXPECT_EQ(Delay(kJoining).m_delay, oldDelay);
    view.OnEditRedo();
    EXPECT_EQ(Delay(kJoining).m_group, 2);
    EXPECT_EQ(Delay(kJoining).m_delay, 10.5);
}

TEST_F(DspEditorGroupsJoin, JoiningWhileNotLiveCopiesWithoutCommands) {
    CGroupEditor editor = sheet.Editor(kJoining, EGroupDialogMode::JoinGroup);
    editor.Join();
    EXPECT_EQ(Delay(kJoining).m_delay, 10.5);
    EXPECT_TRUE(sheet.Commands().empty());
}

TEST_F(DspEditorGroupsJoin, JoiningAnEmptiedGroupRecordsOnlyTheGroup) {
    sheet.messages.ScriptAnswer(resources::kMsgAskRemoveMembers, EMessageAnswer::Yes);
    CGroupEditor editor = sheet.Editor(kJoining, EGroupDialogMode::JoinGroup);
    for (int i = 0; i < 2; ++i) {
        editor.SelectMember(0);
        ASSERT_TRUE(editor.RemoveSelectedMember());
    }
    editor.Join();
    EXPECT_EQ(Delay(kJoining).m_group, 2);
    EXPECT_EQ(Delay(kJoining).m_bypass, 0);
    EXPECT_EQ(sheet.undo.log, (Log{"step", "group 19 2 Pair"}));
}

TEST_F(DspEditorGroupsJoin, AModuleInAGroupIsToldSoAndStays) {
    Delay(kJoining).m_group = 7;
    CGroupEditor editor = sheet.Editor(kJoining, EGroupDialogMode::JoinGroup);
    editor.Join();
    EXPECT_EQ(sheet.messages.ShownIds(), (std::vector<int>{471}));
    EXPECT_EQ(Delay(kJoining).m_group, 7);
    EXPECT_TRUE(sheet.undo.log.empty());
    EXPECT_FALSE(sheet.doc->IsModified());
}

TEST(DspEditorGroups, RemovingAMemberAsksAndOnYesTakesItOut) {
    constexpr std::int32_t kOutside = kFirst + 2;
    struct Row {
        const char* what;
        std::int32_t dialogModule;
        EMessageAnswer answer;
        bool removed;
    };
    const Row rows[] = {{"another member, yes", kOutside, EMessageAnswer::Yes, true},
                        {"another member, no", kOutside, EMessageAnswer::No, false},
                        {"the dialog's own module", kFirst, EMessageAnswer::Yes, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        GroupSheet sheet(
            {{kAriDelay, 3, 2, "Pair"}, {kAriDelay, 3, 2, "Pair"}, {kAriDelay, 3, 0, ""}});
        sheet.messages.ScriptAnswer(resources::kMsgAskRemoveMembers, r.answer);
        CGroupEditor editor = sheet.Editor(r.dialogModule, EGroupDialogMode::JoinGroup);
        EXPECT_EQ(editor.CanJoin(), r.dialogModule == kOutside);

        EXPECT_FALSE(editor.RemoveSelectedMember()) << "nothing chosen";
        EXPECT_TRUE(sheet.messages.AskedIds().empty());
        editor.SelectMember(0);
        EXPECT_EQ(editor.RemoveSelectedMember(), r.removed);

        EXPECT_EQ(sheet.messages.AskedIds(), (std::vector<int>{467}));
        EXPECT_EQ(sheet.At(kFirst).m_group, r.removed ? 0 : 2);
        EXPECT_EQ(sheet.At(kFirst).m_groupName, r.removed ? "" : "Pair");
        EXPECT_EQ(sheet.At(kFirst + 1).m_group, 2);
        EXPECT_EQ(editor.Members().size(), r.removed ? 1u : 2u);
        EXPECT_EQ(sheet.view.log, r.removed ? Log{"redraw 17"} : Log{});
        EXPECT_EQ(sheet.doc->IsModified(), r.removed);
        EXPECT_TRUE(sheet.undo.log.empty());
        // The dialog's own module may join again once it has left.
        EXPECT_EQ(editor.CanJoin(), r.dialogModule == kOutside || r.removed);
    }
}

TEST(DspEditorGroups, RenameRenamesTheChosenGroupEvenWhenAnotherBeginsWithItsName) {
    GroupSheet sheet({{kAriDelay, 3, 1, "AB"},
                      {kAriDelay, 3, 2, "A"},
                      {kAriDelay, 3, 2, "A"},
                      {kAriFilter, 3, 2, "A"},
                      {kAriDelay, 3, 0, ""}});
    CGroupEditor editor = sheet.Editor(kFirst + 4, EGroupDialogMode::JoinGroup);
    editor.SelectGroup(1);
    ASSERT_EQ(editor.Groups()[1].name, "A");

    EXPECT_TRUE(editor.RenameSelectedGroup("C"));
    EXPECT_EQ(editor.Groups(), (std::vector<GroupItem>{{"AB", 1}, {"C", 2}}));
    EXPECT_EQ(editor.SelectedGroup(), 1);
    EXPECT_EQ(sheet.At(kFirst).m_groupName, "AB");
    EXPECT_EQ(sheet.At(kFirst + 1).m_groupName, "C");
    EXPECT_EQ(sheet.At(kFirst + 2).m_groupName, "C");
    EXPECT_EQ(sheet.At(kFirst + 3).m_groupName, "A") << "a filter's group 2 is another group";
    EXPECT_TRUE(sheet.doc->IsModified());
    EXPECT_TRUE(sheet.undo.log.empty());

    sheet.doc->SetModifiedFlag(false);
    EXPECT_FALSE(editor.RenameSelectedGroup(""));
    EXPECT_EQ(editor.Groups()[1].name, "C");
    EXPECT_FALSE(sheet.doc->IsModified());
}

TEST(DspEditorGroups, RenameDialogRefusesAnEmptyNameAndOneThatBeginsAListedName) {
    GroupSheet sheet({{kAriDelay, 3, 1, "AB"}, {kAriDelay, 3, 2, "Mid"}});
    CGroupEditor editor = sheet.Editor(kFirst + 1, EGroupDialogMode::JoinGroup);
    struct Row {
        const char* newName;
        bool listed;
        bool closes;
        std::vector<int> shown;
    };
    const Row rows[] = {
        {"", true, false, {487}},   {"Mid", true, true, {}},    {"A", true, false, {488}},
        {"ab", true, false, {488}}, {"mi", true, false, {488}}, {"ABC", false, true, {}},
        {"B", false, true, {}},     {"Mix", false, true, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.newName);
        CRecordingMessages messages;
        EXPECT_EQ(editor.IsGroupNameListed(r.newName), r.listed);
        EXPECT_EQ(dsp_editor::AcceptGroupRename(editor, "Mid", r.newName), r.closes);
        EXPECT_EQ(messages.ShownIds(), r.shown);
    }
}

// Two delay groups with the same number on different variants, a filter
// group 1, and another delay group.
class DspEditorGroupsLeave : public ::testing::Test {
protected:
    DspEditorGroupsLeave()
        : sheet({{kAriDelay, 3, 1, "One"},
                 {kAriDelay, 3, 1, "One"},
                 {kAriDelay, 1, 1, "Other variant"},
                 {kAriFilter, 3, 1, "Filter"},
                 {kAriDelay, 3, 2, "Two"},
                 {kAriDelay, 3, 0, ""}}) {}
    std::vector<std::int32_t> Groups() const {
        std::vector<std::int32_t> groups;
        for (std::int32_t id = kFirst; id < kFirst + 6; ++id)
            groups.push_back(sheet.At(id).m_group);
        return groups;
    }
    void Select(std::vector<std::int32_t> ids) {
        for (std::int32_t id : ids)
            sheet.At(id).m_selected = 1;
    }

    GroupSheet sheet;
};

TEST_F(DspEditorGroupsLeave, LeaveTakesOutOnlyTheSelectedModules) {
    Select({kFirst + 1, kFirst + 4, kFirst + 5});
    EXPECT_TRUE(dsp_editor::LeaveGroups(*sheet.doc, &sheet.view));
    EXPECT_EQ(Groups(), (std::vector<std::int32_t>{1, 0, 1, 1, 0, 0}));
    EXPECT_EQ(sheet.At(kFirst + 1).m_groupName, "");
    EXPECT_EQ(sheet.view.log, (Log{"redraw 18", "redraw 21"}));
    EXPECT_TRUE(sheet.doc->IsModified());
}

TEST_F(DspEditorGroupsLeave, DissolveTakesOutEveryMemberOfTheSelectedModulesGroupsSelectedLast) {
    Select({kFirst + 1});
    EXPECT_TRUE(dsp_editor::DissolveGroups(*sheet.doc, &sheet.view));
    EXPECT_EQ(Groups(), (std::vector<std::int32_t>{0, 0, 1, 1, 2, 0}));
    EXPECT_EQ(sheet.view.log, (Log{"redraw 17", "redraw 18"}));
    EXPECT_TRUE(sheet.doc->IsModified());
}

TEST_F(DspEditorGroupsLeave, NoSelectedModuleInAGroupChangesNothing) {
    Select({kFirst + 5});
    EXPECT_FALSE(dsp_editor::LeaveGroups(*sheet.doc, &sheet.view));
    EXPECT_FALSE(dsp_editor::DissolveGroups(*sheet.doc, &sheet.view));
    EXPECT_EQ(Groups(), (std::vector<std::int32_t>{1, 1, 1, 1, 2, 0}));
    EXPECT_TRUE(sheet.view.log.empty());
    EXPECT_FALSE(sheet.doc->IsModified());
}

} // namespace
