// A DSP configuration as a document of the main window, on the offscreen
// platform: opened from its file into a DSP child frame with the zoom box,
// palette and console following it, the frame's commands reaching the view,
// the property panel hidden during a print preview, the title following the
// modified mark, and a damaged file refused.
#include "dsp_editor/ui/dsp_windows.h"

#include <QComboBox>
#include <QMdiArea>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "dsp_editor/ui/dsp_view_widget.h"
#include "dsp_editor/ui/property_panel_dialog.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"
#include "shell/document_guards.h"
#include "shell/frame_resources.h"
#include "shell/ui/console_window.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/temp_dir.h"

namespace {

namespace de = dsp_editor;
namespace fs = std::filesystem;
using shell::ui::EBar;

// A unit that is never on line: the view's sender waits idle.
class CNoUnit final : public comm::ISenderComponents {
public:
    bool Create() override { return true; }
    void Release() override {}
    std::optional<std::string> FindUnit(const std::string&) override { return std::nullopt; }
    std::unique_ptr<comm::IUnitMailbox> Mailbox(const std::string&) override { return nullptr; }
};

class DspWindowsGui : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("OSTREL_HOME", home.path().c_str(), 1);
        model::SetUiThread(&uiThread);
        frame = std::make_unique<shell::ui::CMainFrame>(home.path());
        dspFrame = de::ui::RegisterDspWindows(*frame);
        dspFrame->makeSenderComponents = [] { return std::make_unique<CNoUnit>(); };
        ASSERT_TRUE(frame->CreateMainWindow());
        frame->resize(900, 700);
        frame->show();
    }
    void TearDown() override {
        frame.reset();
        dspFrame.reset();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
    }

    // A sheet of the unit 00602b0a0b0c stored at zoom code 2.
    fs::path WriteSheet() {
        dsp_test::FakeFrame sheetFrame;
        auto doc = dsp_test::NewDocument(sheetFrame);
        doc->m_zoom = 2;
        const fs::path path = home.path() / "unit.dsp";
        platform::archive::write_file_atomic(path, doc->SaveDocument());
        return path;
    }

    test_support::CTempDir home{"ostrel-dsp-windows"};
    shell::ui::CQtUiThread uiThread;
    model::CRecordingMessages messages;
    std::unique_ptr<shell::ui::CMainFrame> frame;
    std::unique_ptr<de::ui::CDspFrame> dspFrame;
};

TEST_F(DspWindowsGui, OpensInADspFrameAndTakesTheFramesCommands) {
    ASSERT_TRUE(frame->OpenDocument(WriteSheet().string()));
    shell::ui::CChildFrame* child = frame->ActiveChildFrame();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Kind(), shell::ui::EChildKind::Dsp);
    de::ui::CDspWindow* window = dspFrame->ActiveWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(child->widget(), window->Widget());
    EXPECT_EQ(dspFrame->ActiveDspView(), &window->ViewLogic());
    EXPECT_EQ(frame->Core().DspViewCount(), 1);
    EXPECT_TRUE(frame->BarVisible(EBar::DspPalette));

    // Code 2 paints at 150 % and the box shows 100 %.
    QComboBox* zoom = frame->ZoomCombo();
    EXPECT_EQ(zoom->currentIndex(), 1);
    frame->RunCommand(de::kCmdZoomIn);
    EXPECT_EQ(window->Document().m_zoom, 4);
    EXPECT_EQ(zoom->currentIndex(), 2);
    zoom->setCurrentIndex(0);
    frame->RunCommand(shell::kZoomCombo);
    EXPECT_EQ(window->Document().m_zoom, -2);

    // The console comes hidden once the document is complete; its command
    // shows it.
    ASSERT_TRUE(gui_test::WaitFor([&] { return window->ConsoleWindow() != nullptr; }))
        << "no console came";
    EXPECT_FALSE(window->ConsoleWindow()->isVisible());
    frame->RunCommand(de::kCmdConsole);
    EXPECT_TRUE(window->ConsoleWindow()->isVisible());

    // The property panel: open, checked, hidden while a preview runs.
    frame->RunCommand(de::kCmdProperties);
    ASSERT_NE(window->PropertyPanel(), nullptr);
    EXPECT_TRUE(window->PropertyPanel()->isVisible());
    EXPECT_TRUE(frame->CommandState(de::kCmdProperties).checked);
    bool hiddenDuringPreview = false;
    window->PrintPreview([&] { hiddenDuringPreview = !window->PropertyPanel()->isVisible(); });
    EXPECT_TRUE(hiddenDuringPreview);
    EXPECT_TRUE(window->PropertyPanel()->isVisible());

    // The frame's title follows the modified mark.
    window->Document().SetModifiedFlag(true);
    EXPECT_EQ(child->windowTitle(), "unit.dsp *");
    window->Document().SetModifiedFlag(false);
    EXPECT_EQ(child->windowTitle(), "unit.dsp");

    // Closed: no DSP view is left, and the DSP bars go.
    ASSERT_TRUE(frame->CloseActiveDocument());
    ASSERT_TRUE(gui_test::WaitFor([&] {
        return dspFrame->Windows().empty() && frame->Core().DspViewCount() == 0;
    })) << dspFrame->Windows().size()
        << " windows, " << frame->Core().DspViewCount() << " DSP views left";
    EXPECT_FALSE(frame->BarVisible(EBar::DspPalette));
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspWindowsGui, ADamagedFileOpensNothing) {
    const fs::path path = home.path() / "damaged.dsp";
    std::ofstream(path, std::ios::binary) << "not a sheet";
    EXPECT_FALSE(frame->OpenDocument(path.string()));
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgOpenFileFailed});
    EXPECT_EQ(frame->ActiveChildFrame(), nullptr);
    EXPECT_EQ(frame->Core().DspViewCount(), 0);
}

// The context menu of one input module offers its all-channels item and
// greys delete, cut and copy; that of one delay lacks the item.
TEST_F(DspWindowsGui, ContextMenuOfAnInputAndOfADelay) {
    ASSERT_TRUE(frame->OpenDocument(WriteSheet().string()));
    de::ui::CDspWindow* window = dspFrame->ActiveWindow();
    ASSERT_NE(window, nullptr);
    de::CZoDSPDoc& doc = window->Document();
    model::CBaseAriModule* delay = doc.AddModule(model::kAriDelay, 1, 400, 400, 1);
    const auto menuOf = [&](model::CBaseAriModule& module) {
        doc.ClearSelection();
        doc.SelectModule(module);
        window->ViewLogic().CountSelection();
        auto menu = std::make_unique<QMenu>();
        window->BuildContextMenu(*menu);
        std::map<int, bool> items; // id -> enabled
        for (QAction* action : menu->actions())
            if (action->data().isValid())
                items[action->data().toInt()] = action->isEnabled();
        return items;
    };
    const std::map<int, bool> input = menuOf(*doc.GetModuleById(1));
    ASSERT_TRUE(input.contains(de::kCmdSetAllChannels));
    EXPECT_TRUE(input.at(de::kCmdSetAllChannels));
    for (int id : {int{de::kCmdDelete}, int{de::kCmdCut}, int{de::kCmdCopy}})
        EXPECT_FALSE(input.at(id)) << id;
    EXPECT_TRUE(input.at(de::kCmdProperties));

    const std::map<int, bool> single = menuOf(*delay);
    EXPECT_FALSE(single.contains(de::kCmdSetAllChannels));
    EXPECT_TRUE(single.at(de::kCmdDelete));
    EXPECT_TRUE(single.at(de::kCmdSetParameters));
}

// While a DSP view is active every item of its menus and toolbars has a
// handler in the view or its window, but the frame's own commands and the
// toolbar button 32876, which no command table lists.
TEST_F(DspWindowsGui, EveryDspMenuAndToolbarItemHasAHandler) {
    ASSERT_TRUE(frame->OpenDocument(WriteSheet().string()));
    de::ui::CDspWindow* window = dspFrame->ActiveWindow();
    ASSERT_NE(window, nullptr);
    const std::set<int> frames = {shell::ID_FILE_NEW,
                                  shell::ID_FILE_MRU_FILE1,
                                  shell::ID_WINDOW_ARRANGE,
                                  shell::ID_WINDOW_CASCADE,
                                  shell::ID_WINDOW_TILE_HORZ,
                                  shell::ID_APP_ABOUT,
                                  shell::ID_APP_EXIT,
                                  shell::ID_LANGUAGE,
                                  shell::ID_DSP_TEMPLATE,
                                  shell::ID_NET_TYPE,
                                  32876};
    std::set<int> unhandled;
    std::function<void(const std::vector<shell::CMenuEntry>&)> walk =
        [&](const std::vector<shell::CMenuEntry>& entries) {
            for (const shell::CMenuEntry& entry : entries) {
                if (entry.IsPopup())
                    walk(entry.items);
                else if (!entry.IsSeparator() && !window->UpdateCommand(entry.id))
                    unhandled.insert(entry.id);
            }
        };
    for (int menu :
         {shell::kMenuDsp, shell::kMenuArrange, shell::kMenuModules, shell::kMenuDspContext})
        walk(shell::MenuResource(menu));
    for (int bar : {shell::kToolbarDsp, shell::kToolbarArrange, shell::kToolbarModules})
        for (const shell::CToolbarButton& button : shell::ToolbarResource(bar))
            if (button.id > 0 && !window->UpdateCommand(button.id))
                unhandled.insert(button.id);
    EXPECT_EQ(unhandled, frames);
}

// Opening from a DSP view: another file type is refused, a device sheet
// asks first and closes nothing when the user cancels.
TEST_F(DspWindowsGui, OpeningFromTheViewChecksTheFileAndAsks) {
    ASSERT_TRUE(frame->OpenDocument(WriteSheet().string()));
    de::ui::CDspWindow* window = dspFrame->ActiveWindow();
    ASSERT_NE(window, nullptr);
    window->OpenChosenFile((home.path() / "notes.txt").string());
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgBadFileFormat});

    messages.ScriptAnswer(resources::kMsgReplaceDocument, model::EMessageAnswer::Cancel);
    window->OpenChosenFile((home.path() / "hall.zo").string());
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgBadFileFormat});
    EXPECT_EQ(messages.AskedIds(), std::vector<int>{resources::kMsgReplaceDocument});
    EXPECT_EQ(dspFrame->ActiveWindow(), window);
}

// The commands' states in a few states of the sheet, its selection, the
// clipboards, the panel and the bars: enabled and checked for each id.
TEST_F(DspWindowsGui, CommandStatesFollowTheViewTheClipboardsAndTheBars) {
    ASSERT_TRUE(frame->OpenDocument(WriteSheet().string()));
    de::ui::CDspWindow* window = dspFrame->ActiveWindow();
    ASSERT_NE(window, nullptr);
    de::CZoDSPDoc& doc = window->Document();
    de::CZoDSPView& view = window->ViewLogic();
    model::CBaseAriModule* delay = doc.AddModule(model::kAriDelay, 1, 400, 400, 1);
    const auto select = [&](std::vector<model::CBaseAriModule*> modules) {
        doc.ClearSelection();
        for (model::CBaseAriModule* module : modules)
            doc.SelectModule(*module);
        view.CountSelection();
    };
    using shell::CCmdUI;
    const CCmdUI on{true, false}, off{false, false}, checked{true, true};
    struct Row {
        int id;
        CCmdUI expected;
    };
    const auto check = [&](const char* state, const std::vector<Row>& rows) {
        for (const Row& row : rows)
            EXPECT_EQ(frame->CommandState(row.id), row.expected) << state << ": " << row.id;
    };

    select({});
    check("nothing selected", {{de::kCmdCopy, off},
                               {de::kCmdCut, off},
                               {de::kCmdPaste, off},
                               {de::kCmdCopyParameters, off},
                               {de::kCmdPasteParameters, off},
                               {de::kCmdSetParameters, off},
                               {32854, off},
                               {32864, off},
                               {32865, off},
                               {32808, on},
                               {de::kCmdProperties, on},
                               {shell::ID_VIEW_STATUS_BAR, checked},
                               {shell::ID_VIEW_TOOLBAR, checked},
                               {de::ui::kCmdArrangeBar, checked},
                               {de::ui::kCmdModulesBar, checked},
                               {de::ui::kCmdPaletteBar, checked},
                               {de::kCmdGrid, checked},
                               {de::kCmdSaveParameters, on}});

    select({delay});
    ASSERT_TRUE(frame->CommandState(de::kCmdCopy).enabled);
    frame->RunCommand(de::kCmdCopy);
    frame->RunCommand(de::kCmdCopyParameters);
    check("a delay copied", {{de::kCmdCopy, on},
                             {de::kCmdCut, on},
                             {de::kCmdPaste, on},
                             {de::kCmdCopyParameters, on},
                             {de::kCmdPasteParameters, on},
                             {de::kCmdSetParameters, on},
                             {de::kCmdSetAllChannels, off},
                             {32854, off},
                             {32864, on},
                             {de::kCmdHideChannels, off}});

    select({doc.GetModuleById(1), doc.GetModuleById(2), delay});
    check("two inputs and a delay", {{32854, on},
                                     {32858, on},
                                     {32865, on},
                                     {de::kCmdSetParameters, off},
                                     {de::kCmdHideChannels, off}});

    doc.m_live = 1;
    check("live", {{de::kCmdCopy, off},
                   {de::kCmdPaste, off},
                   {32854, off},
                   {32808, off},
                   {de::kCmdPasteParameters, on},
                   {de::kCmdStoreTemplates, on},
                   {de::kCmdDownloadStart, off},
                   {de::kCmdDownloadStop, on}});
    doc.m_live = 0;
    view.Download().m_progress = 1;
    check("downloading", {{32854, off},
                          {32808, off},
                          {de::kCmdDownloadStart, off},
                          {de::kCmdDownloadStop, on},
                          {de::kCmdCopy, on}});
    view.Download().m_progress = 0;

    // The panel and the bars: their commands check while they show.
    frame->RunCommand(de::kCmdProperties);
    frame->RunCommand(de::ui::kCmdArrangeBar);
    frame->RunCommand(shell::ID_VIEW_STATUS_BAR);
    check("panel open, arrangement bar and status bar hidden", {{de::kCmdProperties, checked},
                                                                {de::ui::kCmdArrangeBar, on},
                                                                {shell::ID_VIEW_STATUS_BAR, on}});
    EXPECT_FALSE(frame->BarVisible(shell::ui::EBar::Arrange));
    EXPECT_FALSE(window->StatusBarShown());
}

} // namespace
