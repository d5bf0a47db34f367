// The DSP view's download end to end: the view as the owner of its console's
// sender thread, libkestrin2.so and the simulated unit of snmpagent --unit,
// with the test's thread as the user-interface thread. Asserted on the
// unit's journal against the sheet's program as the console's builders
// write it, on the view's flags and on what reached its window and dialogs.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "attri_dialogs/channel_controllers.h"
#include "comm/command_sender.h"
#include "comm/dsp_console.h"
#include "dsp_editor/download_program.h"
#include "dsp_editor/firm_template_controller.h"
#include "dsp_editor/stored_template_ini.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_input.h"
#include "model/recording_messages.h"
#include "tests/comm/simulated_unit_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

namespace de = dsp_editor;
using namespace std::chrono_literals;
using de::CDspDownload;
using de::CZoDSPDoc;
using de::CZoDSPView;
using Q = comm::EConsoleQueue;
using Commands = std::vector<std::string>;

class UnitFrame final : public de::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return "00602b0a0b0c"; }
    std::int32_t NewSheetModel() const override { return 1; }
    std::string DeviceDocumentPath() const override { return {}; }
    CZoDSPView* ActiveDspView() const override { return active; }
    std::optional<std::vector<CZoDSPView*>> OpenDspViews() const override { return views; }
    void SetRunState(bool running) override { runStates.push_back(running); }

    CZoDSPView* active = nullptr;
    std::vector<CZoDSPView*> views;
    std::vector<bool> runStates;
};

// Hands the view's requests to the test's UI thread; keeps the progress
// dialog's states as "position/total", "close" when it closed.
class UnitWindow final : public de::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    void Post(std::function<void()> call) override { model::GetUiThread()->Post(std::move(call)); }
    void ShowDownloadProgress(const comm::CDSPDlgDownloadProgress* progress) override {
        progressStates.push_back(progress == nullptr ? std::string("close")
                                                     : std::to_string(progress->Pos()) + "/" +
                                                           std::to_string(progress->Total()));
    }
    void RestoreArrowCursor() override { ++arrowCursors; }
    // The template dialog, run by the test in the user's place.
    bool RunFirmTemplateDialog(de::CFirmTemplateController& dialog) override {
        dialog.OnInitDialog();
        return templateScript && templateScript(dialog);
    }

    std::function<bool(de::CFirmTemplateController&)> templateScript;
    int repaints = 0;
    int arrowCursors = 0;
    std::vector<std::string> progressStates;
};

// A meter's dialog: the levels it shows, and whether each came on the UI
// thread.
class MeterDialog final : public de::IAttriDialog {
public:
    explicit MeterDialog(std::int32_t id) : id_(id) {}
    std::int32_t GetModuleId() const override { return id_; }
    std::int32_t GetKind() const override { return 0; }
    void DestroyDialog() override {}
    void ShowMeterLevel(std::int32_t channel, double dB) override {
        levels.emplace_back(channel, dB);
        onUiThread = onUiThread && model::GetUiThread()->IsUiThread();
    }

    std::vector<std::pair<std::int32_t, double>> levels;
    bool onUiThread = true;

private:
    std::int32_t id_;
};

// A new sheet with its window and view, listed by the frame.
struct UnitSheet {
    explicit UnitSheet(UnitFrame& frame) : doc(std::make_unique<CZoDSPDoc>()), view(*doc) {
        doc->SetMainFrame(&frame);
        doc->OnNewDocument();
        view.SetWindow(&window);
        frame.views.push_back(&view);
    }
    ~UnitSheet() {
        view.Console().StopSender();
        view.SetWindow(nullptr);
        doc->SetMainFrame(nullptr);
    }

    std::unique_ptr<CZoDSPDoc> doc;
    UnitWindow window;
    CZoDSPView view;
};

// Inputs 1 and 2 straight out, input 3 through a delay, input 2 at -6 dB,
// and a meter on input 1 and the delay. Returns the meter's id.
std::int32_t BuildSheet(CZoDSPDoc& doc) {
    model::CRecordingMessages quiet;
    dsp_test::Connect(doc, 1, 0, 9, 0);
    dsp_test::Connect(doc, 2, 0, 10, 0);
    const std::int32_t delay = doc.AddModule(3, 1, 300, 100, 1)->m_id;
    dsp_test::Connect(doc, 3, 0, delay, 0);
    dsp_test::Connect(doc, delay, 1, 11, 0);
    dynamic_cast<model::CAriInput&>(*doc.GetModuleById(2)).m_level = -6.0;
    const std::int32_t meter = doc.AddModule(13, 2, 300, 300, 1)->m_id;
    dsp_test::Connect(doc, 1, 0, meter, 0);
    dsp_test::Connect(doc, delay, 1, meter, 1);
    return meter;
}

// The sheet's program as the builders write it, on a console of its own.
Commands Golden(CZoDSPView& view) {
    comm::CDSPDlgShowCMD console(&view);
    de::CConsoleSink sink(console, false);
    EXPECT_EQ(de::WriteDownloadProgram(view.GetDocument(), sink), de::EProgramResult::Built);
    return console.Queue(Q::Control);
}

// Every control command sent and answered, the progress dialog closed.
bool Drained(CZoDSPView& view) {
    const std::vector<comm::ConsoleRow> rows = view.Console().Rows(Q::Control);
    for (const comm::ConsoleRow& row : rows)
        if (row.reply.empty())
            return false;
    return !rows.empty() && view.Download().m_progress == 0 && !view.Download().ProgressDialog();
}

// The progress states of a download of `count` commands shown whole: open,
// sized on the first reply, moved on by each later one, closed.
std::vector<std::string> WholeProgress(int count) {
    const std::string total = "/" + std::to_string(count);
    std::vector<std::string> states{"0/0", "0" + total};
    for (int pos = 2; pos <= count; ++pos)
        states.push_back(std::to_string(pos) + total);
    states.push_back("close");
    return states;
}

class DspEditorUnit : public unit_test::CSimulatedUnitTest {
protected:
    DspEditorUnit() : CSimulatedUnitTest("127.0.0.46") {}

    void Start(UnitSheet& sheet) {
        sheet.view.Download().StartSender(
            std::make_unique<comm::CFixedUnitComponents>(unit_->target()));
    }

    // The commands the unit took, in order; one it did not answer with
    // itself stays its whole journal line.
    Commands Taken() {
        Commands taken;
        for (const std::string& line : Journal()) {
            if (line.rfind("command ", 0) != 0)
                continue;
            const std::string command = line.substr(8, line.find(" -> ") - 8);
            taken.push_back(line == "command " + command + " -> " + command ? command : line);
        }
        return taken;
    }

    bool RunUntil(const std::function<bool()>& done) { return ui_.RunUntil(done, 60s); }

    model::CManualUiThread ui_;
};

TEST_F(DspEditorUnit, ADownloadSendsTheSheetsProgramInOrder) {
    UnitFrame frame;
    UnitSheet sheet(frame);
    frame.active = &sheet.view;
    BuildSheet(*sheet.doc);
    Start(sheet);

    EXPECT_EQ(sheet.view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload), 0);
    // The sender restores the arrow after the last answer, on its own post.
    ASSERT_TRUE(RunUntil([&] { return Drained(sheet.view) && sheet.window.arrowCursors >= 1; }));

    const Commands program = sheet.view.Console().Queue(Q::Control);
    EXPECT_EQ(program, Golden(sheet.view));
    ASSERT_GE(program.size(), 4u);
    EXPECT_EQ(program[0], "*NyRST#");
    EXPECT_EQ(program[1], "*NyMDU 1 1 1#");
    EXPECT_EQ(program[program.size() - 2], "*NyENDD#");
    EXPECT_EQ(program.back(), "*NyRUN#");
    EXPECT_EQ(Taken(), program);

    EXPECT_EQ(sheet.window.progressStates, WholeProgress(static_cast<int>(program.size())));
    EXPECT_EQ(sheet.doc->m_live, 1);
    EXPECT_EQ(sheet.view.Download().m_commFault, 0);
    EXPECT_EQ(frame.runStates, std::vector<bool>{true});
    EXPECT_GE(sheet.window.repaints, 1);
    EXPECT_GE(sheet.window.arrowCursors, 1);
    EXPECT_TRUE(messages_.ShownIds().empty());
}

// Each command reaches the unit once: the one in flight at the stop is
// answered after the continue, none is sent twice.
TEST_F(DspEditorUnit, AStopThenAContinueCompletesTheDownload) {
    Script("unit latency 40");
    UnitFrame frame;
    UnitSheet sheet(frame);
    frame.active = &sheet.view;
    BuildSheet(*sheet.doc);
    Start(sheet);
    CZoDSPView& view = sheet.view;

    view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return view.Console().SentIndex(Q::Control) >= 3; }));
    EXPECT_EQ(view.Download().OnAppNotify(CDspDownload::kNotifyDspStop), 0);
    EXPECT_EQ(sheet.doc->m_live, 0);
    EXPECT_EQ(view.Download().m_stopRequest, 1);
    // The sender closes its progress once it sees the stop.
    ASSERT_TRUE(RunUntil(
        [&] { return view.Download().m_progress == 0 && !view.Download().ProgressDialog(); }));
    const Commands program = view.Console().Queue(Q::Control);
    const Commands before = Taken();
    ASSERT_LT(before.size(), program.size());
    EXPECT_EQ(before, Commands(program.begin(), program.begin() + before.size()));

    view.Download().OnDownloadContinue();
    ASSERT_TRUE(RunUntil([&] { return Drained(view); }));
    EXPECT_EQ(Taken(), program);
    EXPECT_EQ(sheet.doc->m_live, 1);
    EXPECT_EQ(sheet.window.progressStates.back(), "close");
    EXPECT_EQ(frame.runStates, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(messages_.ShownIds().empty());
}

TEST_F(DspEditorUnit, ASecondSheetOfTheSameUnitStopsTheFirst) {
    Script("unit latency 40");
    UnitFrame frame;
    UnitSheet first(frame), second(frame);
    frame.active = &first.view;
    BuildSheet(*first.doc);
    // A program of its own: one block more.
    first.doc->AddModule(3, 1, 500, 100, 1);
    BuildSheet(*second.doc);
    Start(first);
    Start(second);

    first.view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return first.view.Console().SentIndex(Q::Control) >= 3; }));
    second.view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    EXPECT_EQ(first.doc->m_live, 0);
    EXPECT_EQ(first.view.Download().m_stopRequest, 1);
    EXPECT_EQ(second.doc->m_live, 1);
    ASSERT_TRUE(RunUntil([&] {
        return Drained(second.view) && first.view.Download().m_progress == 0 &&
               !first.view.Download().ProgressDialog();
    }));

    const Commands firstProgram = first.view.Console().Queue(Q::Control);
    const Commands secondProgram = second.view.Console().Queue(Q::Control);
    ASSERT_NE(firstProgram, secondProgram);
    // The first program as far as it got, then the second one whole.
    const Commands taken = Taken();
    std::size_t split = 0;
    for (std::size_t i = 1; i < taken.size(); ++i)
        if (taken[i] == "*NyRST#")
            split = i;
    ASSERT_GT(split, 0u);
    EXPECT_LT(split, firstProgram.size());
    EXPECT_EQ(
        Commands(taken.begin(), taken.begin() + static_cast<std::ptrdiff_t>(split)),
        Commands(firstProgram.begin(), firstProgram.begin() + static_cast<std::ptrdiff_t>(split)));
    EXPECT_EQ(Commands(taken.begin() + static_cast<std::ptrdiff_t>(split), taken.end()),
              secondProgram);
    EXPECT_LT(first.view.Console().SentIndex(Q::Control), static_cast<int>(firstProgram.size()));
    // Only the active sheet's pane: its start and its stop.
    EXPECT_EQ(frame.runStates, (std::vector<bool>{true, false}));
    EXPECT_TRUE(messages_.ShownIds().empty());
}

// A live change is in flight when the next download starts: its late reply
// is filed nowhere, not even in the new program's progress, and the new
// program goes out whole from its first command.
TEST_F(DspEditorUnit, AStartInTheMiddleOfAnExchangeLosesNothing) {
    UnitFrame frame;
    UnitSheet sheet(frame);
    BuildSheet(*sheet.doc);
    Start(sheet);
    CZoDSPView& view = sheet.view;
    view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return Drained(view); }));
    const Commands program = view.Console().Queue(Q::Control);

    Script("unit latency 400");
    view.Console().SendText("SET 1 101 1 1", false);
    const std::string change = "*NySET 1 101 1 1#";
    // Posted: the command written and "165" after it.
    ASSERT_TRUE(RunUntil([&] {
        bool written = false, posted = false;
        for (const std::string& line : Journal()) {
            written = written || line == "set SysContact " + change;
            posted = written && line == "set SerialPriority 165";
        }
        return posted;
    }));
    Script("unit latency 2");
    sheet.window.progressStates.clear();
    view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return Drained(view); }));

    Commands expected = program;
    expected.push_back(change);
    expected.insert(expected.end(), program.begin(), program.end());
    EXPECT_EQ(Taken(), expected);
    const std::vector<comm::ConsoleRow> rows = view.Console().Rows(Q::Control);
    ASSERT_EQ(rows.size(), program.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].command, program[i]);
        EXPECT_EQ(rows[i].reply, program[i]);
    }
    EXPECT_EQ(view.Console().ReplyCount(Q::Control), static_cast<int>(program.size()));
    EXPECT_EQ(sheet.window.progressStates, WholeProgress(static_cast<int>(program.size())));
    EXPECT_TRUE(messages_.ShownIds().empty());
}

// The meter dialog's gets as it polls them: an input channel's level and a
// delay's, each shown on the meter pin it feeds, on the UI thread.
TEST_F(DspEditorUnit, AMeterReadingReachesTheMetersDialog) {
    UnitFrame frame;
    UnitSheet sheet(frame);
    CZoDSPDoc& doc = *sheet.doc;
    const std::int32_t meterId = BuildSheet(doc);
    MeterDialog dialog(meterId);
    doc.AddAttriDialog(&dialog);
    Start(sheet);
    sheet.view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return Drained(sheet.view); }));
    // The start put both pins at the floor.
    EXPECT_EQ(dialog.levels.size(), 2u);

    const std::int32_t input = doc.GetModuleById(1)->m_order;
    const model::CBaseAriModule* delay = nullptr;
    for (const auto& module : doc.Modules())
        if (module->m_typeCode == model::kAriDelay)
            delay = module.get();
    ASSERT_NE(delay, nullptr);
    Script("unit get " + std::to_string(input) + " 106 1 = -23.5");
    Script("unit get " + std::to_string(delay->m_order) + " 303 = -40");
    sheet.view.Console().SendGetChannel(input, 106, 1);
    sheet.view.Console().SendGet(delay->m_order, 303);
    ASSERT_TRUE(RunUntil([&] { return dialog.levels.size() == 4; }));

    EXPECT_EQ(dialog.levels[2], (std::pair<std::int32_t, double>{0, -23.5}));
    EXPECT_EQ(dialog.levels[3], (std::pair<std::int32_t, double>{1, -40.0}));
    EXPECT_TRUE(dialog.onUiThread);
    doc.RemoveAttriDialog(meterId, 0);
}

// A level typed into an input's dialog of the live sheet goes to the unit
// as the recipe queues it.
TEST_F(DspEditorUnit, ALevelTypedInAnInputDialogReachesTheUnit) {
    UnitFrame frame;
    UnitSheet sheet(frame);
    frame.active = &sheet.view;
    BuildSheet(*sheet.doc);
    Start(sheet);
    sheet.view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return Drained(sheet.view); }));
    ASSERT_EQ(sheet.doc->m_live, 1);

    model::CBaseAriModule& input = *sheet.doc->GetModuleById(3);
    attri_dialogs::CAttriChannelController dialog(sheet.view, input);
    dialog.LevelEdit().text = "-12\r\n";
    EXPECT_TRUE(dialog.OnLevelEdit(attri_dialogs::EEditEvent::kTextChanged));
    const std::string level = "*NySET " + std::to_string(input.m_order) + " 103 3 2.511886e-001#";
    ASSERT_TRUE(RunUntil(
        [&] { return Drained(sheet.view) && !Taken().empty() && Taken().back() == level; }));
}

// *GETNM replies fill the open template dialog's list on the UI thread; one
// that comes as the dialog closes goes nowhere.
TEST_F(DspEditorUnit, NameRepliesFillTheTemplateDialogsListWhileItWaits) {
    UnitFrame frame;
    UnitSheet sheet(frame);
    CZoDSPView& view = sheet.view;
    const std::string ini = ::testing::TempDir() + "dsp_unit_names.ini";
    dsp_editor::CFirmTemplateController dialog(view, ini, nullptr);
    int changes = 0;
    bool onUiThread = true;
    dialog.SetRowsChanged([&] {
        ++changes;
        onUiThread = onUiThread && model::GetUiThread()->IsUiThread();
    });
    view.StoredTemplates().m_firmTemplateDialog = &dialog;
    view.StoredTemplates().m_templateDialog = 1;
    Script("unit names 2 ROOM MORNING");
    view.Console().SendText("GETNM02", true);
    sheet.doc->m_live = 1;
    Start(sheet);
    ASSERT_TRUE(RunUntil([&] { return changes > 0; }));
    EXPECT_EQ(dialog.Rows(),
              (std::vector<dsp_editor::StoredTemplateRow>{{2, "ROOM", "MORNING", ""}}));
    EXPECT_TRUE(onUiThread);

    view.Console().SendText("GETNM03", true);
    ASSERT_TRUE(ui_.WaitForPosted(1, 30s));
    view.StoredTemplates().m_templateDialog = 0;
    ui_.RunPosted();
    EXPECT_EQ(changes, 1);
    view.StoredTemplates().m_firmTemplateDialog = nullptr;
}

} // namespace

namespace {

// Keeps the posted calls for the test to run.
class HoldingWindow final : public de::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    void Post(std::function<void()> call) override { posted.push_back(std::move(call)); }

    int repaints = 0;
    std::vector<std::function<void()>> posted;
};

// Without a unit: the notification codes, and the sender's requests posted
// through the window, dropped without one and doing nothing once the view
// is gone.
TEST(DspEditorUnitSeams, NotificationsAndPostedRequests) {
    dsp_test::FakeFrame frame;
    const std::unique_ptr<CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    HoldingWindow window;
    {
        CZoDSPView view(*doc);
        doc->m_live = 1;
        for (const std::int32_t code : {0x465, 0x468, 0}) {
            EXPECT_EQ(view.Download().OnAppNotify(code), 0);
            EXPECT_EQ(doc->m_live, 1);
            EXPECT_EQ(view.Download().m_stopRequest, 0);
        }
        // One live word: the sender's flags are the document's and the
        // view's own.
        view.Download().Flags().live = 0;
        EXPECT_EQ(doc->m_live, 0);
        view.Download().Flags().commFault = 1;
        EXPECT_TRUE(view.Download().CanContinueDownload());

        view.Download().Redraw();
        EXPECT_TRUE(window.posted.empty());
        view.SetWindow(&window);
        view.Download().Redraw();
        view.Download().OpenProgress();
        ASSERT_EQ(window.posted.size(), 2u);
        window.posted[0]();
        EXPECT_EQ(window.repaints, 1);
        window.posted.clear();
        view.Download().Redraw();
        view.Download().OpenProgress();
    }
    for (const auto& call : window.posted)
        call();
    EXPECT_EQ(window.repaints, 1);
}

// A store goes out between *SAVEM and *ENDMD after the live program; a switch
// to a stored template sends its change.
TEST_F(DspEditorUnit, AStoreAndASwitchReachTheUnit) {
    UnitFrame frame;
    UnitSheet sheet(frame);
    frame.active = &sheet.view;
    CZoDSPView& view = sheet.view;
    BuildSheet(*sheet.doc);
    const test_support::CTempDir home("dsp-unit-store");
    const std::string folder = home.path().string();
    view.StoredTemplates().m_templateIni = folder + "/Ostrel.ini";
    Start(sheet);
    view.Download().OnAppNotify(CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return Drained(view); }));
    const std::size_t downloaded = Taken().size();

    sheet.window.templateScript = [&](de::CFirmTemplateController& dialog) {
        dialog.OnSelectSlot(1);
        dialog.m_structName = "Hall";
        dialog.m_paramName = "Day";
        dialog.m_path = folder + "/new1.dmu";
        return dialog.OnOK();
    };
    view.StoredTemplates().OnSolidifyTemplates();
    const Commands store = view.Console().Queue(Q::Store);
    ASSERT_FALSE(store.empty());
    EXPECT_EQ(store.front(), "*SAVEM01Hall        Day         #");
    EXPECT_EQ(store.back(), "*ENDMD#");
    ASSERT_TRUE(RunUntil([&] { return Taken().size() == downloaded + store.size(); }));
    const Commands taken = Taken();
    EXPECT_EQ(Commands(taken.begin() + static_cast<std::ptrdiff_t>(downloaded), taken.end()),
              store);

    view.StoredTemplates().SwitchToStoredTemplate(3);
    ASSERT_TRUE(RunUntil([&] { return Taken().back() == "*CHANM03#"; }));
    EXPECT_TRUE(messages_.ShownIds().empty());
}

} // namespace
