// The DSP view's commands as the main frame routes them: which ones the view
// takes, the rule that enables or checks each in a few states of the sheet,
// and what running them does.
#include "dsp_editor/dsp_commands.h"

#include <gtest/gtest.h>

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
    EXPECT_FALSE(view->m_paint.gridVisible);
    EXPECT_EQ(State(de::kCmdGrid), (CCmdUI{true, false}));
    EXPECT_TRUE(commands->OnCommand(de::kCmdGrid));
    EXPECT_TRUE(view->m_paint.gridVisible);

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

} // namespace
