// The DSP view's commands as the main frame routes them: which ones the view
// takes, the rule that enables or checks each in a few states of the sheet,
// and what running them does.
#include "dsp_editor/dsp_commands.h"

#include <gtest/gtest.h>

#include <tuple>

#include "dsp_editor/dsp_view_paint.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/recording_messages.h"
#include "tests/dsp_editor/dsp_test_support.h"

namespace {

namespace de = dsp_editor;
using shell::CCmdUI;

class DspEditorCommands : public ::testing::Test {
protected:
    DspEditorCommands() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        // The history undoes on the frame's active view.
        frame.activeView = view.get();
        commands = std::make_unique<de::CDspViewCommands>(*view);
    }
    CCmdUI State(int id) { return commands->UpdateCommand(id).value_or(CCmdUI{false, true}); }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    std::unique_ptr<de::CDspViewCommands> commands;
};

TEST_F(DspEditorCommands, StatesFollowTheSheet) {
    struct Row {
        const char* state;
        int id;
        CCmdUI expected;
    };
    const auto enabled = [](bool on) { return CCmdUI{on, false}; };
    // A new sheet: its 16 channels, nothing selected, nothing to undo, not
    // live, drawn at 100 %.
    const std::vector<Row> fresh = {
        {"fresh", de::kCmdDelete, enabled(false)},
        {"fresh", de::kCmdSelectAll, enabled(true)},
        {"fresh", de::kCmdSelectAllLinks, enabled(true)},
        {"fresh", de::kCmdUndo, enabled(false)},
        {"fresh", de::kCmdRedo, enabled(false)},
        {"fresh", de::kCmdZoomIn, enabled(true)},
        {"fresh", de::kCmdZoomOut, enabled(true)},
        {"fresh", de::kCmdZoomNormal, enabled(false)},
        {"fresh", de::kCmdGrid, {true, true}},
        {"fresh", de::kCmdDownloadStart, enabled(true)},
        {"fresh", de::kCmdDownloadStop, enabled(false)},
        {"fresh", de::kCmdDownloadContinue, enabled(false)},
        {"fresh", de::kCmdStoreTemplates, enabled(false)},
        {"fresh", de::kCmdLoadTemplateFile, enabled(true)},
        {"fresh", de::kCmdSaveAsTemplate, enabled(true)},
    };
    for (const Row& row : fresh)
        EXPECT_EQ(State(row.id), row.expected) << row.state << " " << row.id;

    // The window's own commands and foreign ones are not the view's.
    for (int id : {int{de::kCmdProperties}, int{de::kCmdConsole}, shell::kZoomCombo, 57607, 0})
        EXPECT_FALSE(commands->UpdateCommand(id).has_value()) << id;
    EXPECT_FALSE(commands->OnCommand(de::kCmdConsole));

    // Live at the largest zoom with everything selected.
    ASSERT_TRUE(commands->OnCommand(de::kCmdSelectAll));
    ASSERT_TRUE(commands->OnCommand(de::kCmdZoomIn));
    doc->m_live = 1;
    const std::vector<Row> live = {
        {"live", de::kCmdDelete, enabled(true)},
        {"live", de::kCmdZoomIn, enabled(false)},
        {"live", de::kCmdZoomNormal, enabled(true)},
        {"live", de::kCmdDownloadStart, enabled(false)},
        {"live", de::kCmdDownloadStop, enabled(true)},
        {"live", de::kCmdStoreTemplates, enabled(true)},
        {"live", de::kCmdLoadTemplateFile, enabled(false)},
    };
    for (const Row& row : live)
        EXPECT_EQ(State(row.id), row.expected) << row.state << " " << row.id;
}

TEST_F(DspEditorCommands, RunningThemChangesTheView) {
    // Zoom: in to the largest code, back to 100 %, out to the smallest.
    EXPECT_TRUE(commands->OnCommand(de::kCmdZoomIn));
    EXPECT_EQ(doc->m_zoom, 4);
    EXPECT_TRUE(commands->OnCommand(de::kCmdZoomNormal));
    EXPECT_EQ(doc->m_zoom, 0);
    EXPECT_TRUE(commands->OnCommand(de::kCmdZoomOut));
    EXPECT_EQ(doc->m_zoom, -2);

    // The grid goes off and on.
    EXPECT_TRUE(commands->OnCommand(de::kCmdGrid));
    EXPECT_FALSE(view->Zoom().m_paint.gridVisible);
    EXPECT_EQ(State(de::kCmdGrid), (CCmdUI{true, false}));
    EXPECT_TRUE(commands->OnCommand(de::kCmdGrid));
    EXPECT_TRUE(view->Zoom().m_paint.gridVisible);

    // An added module deleted by the command comes back with Undo.
    const std::int32_t id = doc->AddModule(model::kAriDelay, 1, 300, 300, 1)->m_id;
    const std::size_t count = doc->Modules().size();
    ASSERT_TRUE(commands->OnCommand(de::kCmdSelectAllModules));
    doc->ClearSelection();
    doc->SelectModule(*doc->GetModuleById(id));
    view->CountSelection();
    ASSERT_TRUE(State(de::kCmdDelete).enabled);
    EXPECT_TRUE(commands->OnCommand(de::kCmdDelete));
    EXPECT_EQ(doc->Modules().size(), count - 1);
    EXPECT_EQ(doc->GetModuleById(id), nullptr);
    ASSERT_TRUE(State(de::kCmdUndo).enabled);
    EXPECT_TRUE(commands->OnCommand(de::kCmdUndo));
    EXPECT_NE(doc->GetModuleById(id), nullptr);
    EXPECT_TRUE(State(de::kCmdRedo).enabled);

    EXPECT_FALSE(commands->OnCommand(12345));
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST(DspEditorAddModuleCommands, EveryIdPlacesItsTypeAndVariant) {
    using model::AriTypeCode;
    const std::vector<std::tuple<int, AriTypeCode, int>> rows = {
        {32808, model::kAriDelay, 1},      {32809, model::kAriDelay, 2},
        {32810, model::kAriDelay, 3},      {32811, model::kAriDelay, 4},
        {32812, model::kAriDelay, 5},      {32813, model::kAriRouter, 1},
        {32814, model::kAriRouter, 2},     {32816, model::kAriRouter, 3},
        {32817, model::kAriMixer, 1},      {33017, model::kAriMixer, 2},
        {32818, model::kAriMixer, 3},      {32819, model::kAriMixer, 4},
        {33018, model::kAriMixer, 5},      {33019, model::kAriMixer, 6},
        {32821, model::kAriMixer, 7},      {32879, model::kAriMixer, 8},
        {32822, model::kAriDynamic, 1},    {32823, model::kAriDynamic, 2},
        {32824, model::kAriDynamic, 3},    {32825, model::kAriDynamic, 4},
        {32826, model::kAriDynamic, 5},    {33020, model::kAriDynamic, 6},
        {32827, model::kAriGenerator, 1},  {32828, model::kAriGenerator, 2},
        {32829, model::kAriGenerator, 3},  {32831, model::kAriEqualizer, 1},
        {32832, model::kAriEqualizer, 3},  {32833, model::kAriEqualizer, 5},
        {32834, model::kAriEqualizer, 7},  {32835, model::kAriEqualizer, 10},
        {32836, model::kAriEqualizer, 16}, {32837, model::kAriEqualizer, 51},
        {32838, model::kAriEqualizer, 52}, {32839, model::kAriEqualizer, 53},
        {32840, model::kAriFilter, 1},     {32842, model::kAriFilter, 2},
        {32844, model::kAriFilter, 3},     {32845, model::kAriFilter, 4},
        {32846, model::kAriCrossover, 19}, {32847, model::kAriCrossover, 20},
        {32848, model::kAriCrossover, 21}, {32849, model::kAriMeter, 1},
        {32851, model::kAriMeter, 2},      {32852, model::kAriMeter, 3},
        {32853, model::kAriMeter, 4},      {32875, model::kAriText, 1},
    };
    for (const auto& [id, type, variant] : rows)
        EXPECT_EQ(de::AddModuleOf(id), (de::AddModuleCommand{type, variant})) << id;
    // The neighbours of the table's gaps add nothing.
    for (int id : {32807, 32815, 32820, 32830, 32841, 32843, 32850, 32876, 33021})
        EXPECT_FALSE(de::AddModuleOf(id)) << id;
}

TEST_F(DspEditorCommands, AddHideAndShowChannels) {
    // An add command places its module unless the sheet is live.
    const std::size_t count = doc->Modules().size();
    ASSERT_TRUE(State(32846).enabled);
    EXPECT_TRUE(commands->OnCommand(32846));
    ASSERT_EQ(doc->Modules().size(), count + 1);
    EXPECT_EQ(doc->Modules()[doc->Modules().size() - 1]->m_typeCode, model::kAriCrossover);
    EXPECT_EQ(doc->Modules()[doc->Modules().size() - 1]->m_subType, 19);
    doc->m_live = 1;
    EXPECT_FALSE(State(32846).enabled);
    doc->m_live = 0;
    view->Download().m_commFault = 1;
    EXPECT_FALSE(State(32846).enabled);
    view->Download().m_commFault = 0;

    // Set parameters wants exactly one module; hiding wants inputs and
    // outputs only.
    EXPECT_TRUE(State(de::kCmdSetParameters).enabled);
    EXPECT_FALSE(State(de::kCmdHideChannels).enabled);
    doc->ClearSelection();
    doc->SelectModule(*doc->GetModuleById(1));
    doc->SelectModule(*doc->GetModuleById(9));
    view->CountSelection();
    EXPECT_FALSE(State(de::kCmdSetParameters).enabled);
    EXPECT_TRUE(State(de::kCmdSetAllChannels).enabled);
    ASSERT_TRUE(State(de::kCmdHideChannels).enabled);
    EXPECT_FALSE(State(de::kCmdShowChannels).enabled);

    EXPECT_TRUE(commands->OnCommand(de::kCmdHideChannels));
    EXPECT_EQ(doc->GetModuleById(1)->m_hidden, 1);
    EXPECT_EQ(doc->GetModuleById(9)->m_hidden, 1);
    EXPECT_EQ(doc->GetModuleById(2)->m_hidden, 0);
    EXPECT_EQ(doc->m_hiddenModules, 1);
    EXPECT_TRUE(State(de::kCmdShowChannels).enabled);

    // One step: one Undo shows both again.
    EXPECT_TRUE(commands->OnCommand(de::kCmdUndo));
    EXPECT_EQ(doc->GetModuleById(1)->m_hidden, 0);
    EXPECT_EQ(doc->GetModuleById(9)->m_hidden, 0);
    EXPECT_EQ(doc->m_hiddenModules, 0);

    EXPECT_TRUE(commands->OnCommand(de::kCmdRedo));
    EXPECT_TRUE(commands->OnCommand(de::kCmdShowChannels));
    EXPECT_EQ(doc->GetModuleById(1)->m_hidden, 0);
    EXPECT_EQ(doc->m_hiddenModules, 0);
    EXPECT_FALSE(State(de::kCmdShowChannels).enabled);
}

// The context menu's greying, one row per kind of selection.
TEST_F(DspEditorCommands, ContextMenuFollowsTheSelection) {
    model::CBaseAriModule* delay = doc->AddModule(model::kAriDelay, 1, 300, 300, 1);
    model::CBaseAriModule* grouped = doc->AddModule(model::kAriDelay, 1, 500, 300, 1);
    grouped->m_group = 2;
    model::CBaseLink* link = dsp_test::Connect(*doc, 1, 0, delay->m_id, 0);
    ASSERT_NE(link, nullptr);
    const auto select = [&](std::vector<model::CBaseAriModule*> modules, bool withLink) {
        doc->ClearSelection();
        for (model::CBaseAriModule* module : modules)
            doc->SelectModule(*module);
        if (withLink)
            doc->SelectLink(*link);
        view->CountSelection();
    };
    using Ids = std::set<int>;
    struct Row {
        const char* what;
        std::vector<model::CBaseAriModule*> modules;
        bool link, clipboard, parameters;
        int submenu;
        Ids greyed, removed;
    };
    model::CBaseAriModule* input = doc->GetModuleById(1);
    const Ids singleOnly = {de::kCmdCopyParameters,  de::kCmdSetParameters,  de::kCmdSetAllChannels,
                            de::kCmdPasteParameters, de::kCmdSaveParameters, de::kCmdLoadParameters,
                            de::kCmdNewGroup,        de::kCmdJoinGroup,      de::kCmdLeaveGroup,
                            de::kCmdDissolveGroup};
    auto with = [](Ids ids, Ids more) {
        ids.insert(more.begin(), more.end());
        return ids;
    };
    const std::vector<Row> rows = {
        {"nothing",
         {},
         false,
         false,
         false,
         de::kContextMenuOthers,
         {de::kCmdPaste, de::kCmdDelete},
         {}},
        {"nothing, clipboard full",
         {},
         false,
         true,
         false,
         de::kContextMenuOthers,
         {de::kCmdDelete},
         {}},
        {"a link", {}, true, false, false, de::kContextMenuOthers, {de::kCmdPaste}, {}},
        {"an input",
         {input},
         false,
         true,
         false,
         de::kContextMenuModules,
         {de::kCmdDelete, de::kCmdCut, de::kCmdCopy, de::kCmdPasteParameters, de::kCmdLeaveGroup,
          de::kCmdDissolveGroup},
         {}},
        {"a delay",
         {delay},
         false,
         false,
         true,
         de::kContextMenuModules,
         {de::kCmdPaste, de::kCmdLeaveGroup, de::kCmdDissolveGroup},
         {de::kCmdSetAllChannels}},
        {"a grouped delay",
         {grouped},
         false,
         true,
         true,
         de::kContextMenuModules,
         {de::kCmdNewGroup, de::kCmdJoinGroup},
         {de::kCmdSetAllChannels}},
        {"two inputs",
         {input, doc->GetModuleById(2)},
         false,
         true,
         false,
         de::kContextMenuModules,
         with(singleOnly, {de::kCmdDelete, de::kCmdCut, de::kCmdCopy}),
         {}},
        {"a delay and a link",
         {delay},
         true,
         false,
         false,
         de::kContextMenuModules,
         with(singleOnly, {de::kCmdPaste}),
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        select(row.modules, row.link);
        const de::DspContextMenu menu = de::ContextMenuOf(*view, row.clipboard, row.parameters);
        EXPECT_EQ(menu.submenu, row.submenu);
        EXPECT_EQ(menu.greyed, row.greyed);
        EXPECT_EQ(menu.removed, row.removed);
    }
    // Set parameters greys while a download runs or waits.
    select({delay}, false);
    view->Download().m_progress = 1;
    EXPECT_TRUE(de::ContextMenuOf(*view, true, true).greyed.contains(de::kCmdSetParameters));
}

} // namespace
