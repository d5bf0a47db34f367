// The DSP editor through the main window's commands against the simulated
// unit (snmpagent --unit) over libkestrin2.so, on the offscreen platform: a
// sheet of the unit opened, a delay and a meter added by command and
// linked, the download started, the sheet stored to slot 1 through the
// template dialog and the unit switched to it. Asserted on the unit's
// journal.
#include "dsp_editor/ui/dsp_windows.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "comm/command_sender.h"
#include "dsp_editor/firm_template_controller.h"
#include "dsp_editor/stored_template_ini.h"
#include "dsp_editor/ui/firm_template_dialog.h"
#include "kestrin2_fixture.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "shell/ui/message_boxes.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/peers_required.h"
#include "tests/support/temp_dir.h"
#include "tools/snmpagent/peers.h"

namespace {

namespace de = dsp_editor;
namespace pa = platform::automation;
using Commands = std::vector<std::string>;
using namespace std::chrono_literals;
using gui_test::Control;

class DspWindowsUnit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pa::initialize(), pa::S_OK);
        initialised = true;
        {
            comm::Icom_manager poller;
            comm::Icom_adapter none;
            OSTREL_REQUIRE_PEER(comm::CreateNetComponents(nullptr, &poller, none, "") == 1,
                                "the poller of libkestrin2.so in the build's class registry");
        }
        unit = std::make_unique<snmp_peers::scripted_agent_t>("127.0.0.47", "vuzuvuz",
                                                              std::vector<std::string>{"--unit"});
        ASSERT_EQ(unit->command("unit latency 2"), "ok");
        ::setenv("OSTREL_HOME", home.path().c_str(), 1);
        model::SetUiThread(&uiThread);
        frame = std::make_unique<shell::ui::CMainFrame>(home.path());
        dspFrame = de::ui::RegisterDspWindows(*frame);
        dspFrame->makeSenderComponents = [this] {
            return std::make_unique<comm::CFixedUnitComponents>(unit->target());
        };
        ASSERT_TRUE(frame->CreateMainWindow());
        frame->show();
    }
    void TearDown() override {
        frame.reset();
        dspFrame.reset();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
        unit.reset();
        if (initialised)
            pa::uninitialize();
    }

    // The commands the unit took, in order.
    Commands Taken() { return unit->journal_commands((home.path() / "journal").string()); }

    k2test::registry_copy_t registry;
    test_support::CTempDir home{"ostrel-dsp-unit-window"};
    model::CRecordingMessages messages;
    shell::ui::CQtUiThread uiThread;
    std::unique_ptr<snmp_peers::scripted_agent_t> unit;
    std::unique_ptr<shell::ui::CMainFrame> frame;
    std::unique_ptr<de::ui::CDspFrame> dspFrame;
    bool initialised = false;
};

TEST_F(DspWindowsUnit, DownloadStoreAndSwitchThroughTheWindowsCommands) {
    // A new sheet of the unit's MAC, stored where the window opens it.
    const std::filesystem::path path = home.path() / "unit.dsp";
    {
        dsp_test::FakeFrame sheetFrame;
        platform::archive::write_file_atomic(path,
                                             dsp_test::NewDocument(sheetFrame)->SaveDocument());
    }
    ASSERT_TRUE(frame->OpenDocument(path.string()));
    de::ui::CDspWindow* window = dspFrame->ActiveWindow();
    ASSERT_NE(window, nullptr);
    de::CZoDSPDoc& doc = window->Document();
    de::CZoDSPView& view = window->ViewLogic();
    ASSERT_TRUE(gui_test::WaitFor([&] { return window->ConsoleWindow() != nullptr; }))
        << "no console came";

    // A delay (5 ms) and a one-channel meter by command, linked from input
    // 1 through the delay to output 1 and the meter.
    const std::size_t before = doc.Modules().size();
    frame->RunCommand(32808);
    frame->RunCommand(32849);
    ASSERT_EQ(doc.Modules().size(), before + 2);
    const std::int32_t delay = doc.Modules()[before]->m_id;
    const std::int32_t meter = doc.Modules()[before + 1]->m_id;
    ASSERT_NE(dsp_test::Connect(doc, 1, 0, delay, 0), nullptr);
    ASSERT_NE(dsp_test::Connect(doc, delay, 1, 9, 0), nullptr);
    ASSERT_NE(dsp_test::Connect(doc, delay, 1, meter, 0), nullptr);

    // The download: the whole program reaches the unit and the sheet is live.
    ASSERT_TRUE(frame->CommandState(de::kCmdDownloadStart).enabled);
    frame->RunCommand(de::kCmdDownloadStart);
    const Commands program = view.Console().Queue(comm::EConsoleQueue::Control);
    ASSERT_GE(program.size(), 4u);
    EXPECT_EQ(program.front(), "*NyRST#");
    EXPECT_EQ(program.back(), "*NyRUN#");
    ASSERT_TRUE(gui_test::WaitFor(
        [&] { return Taken() == program && view.Download().m_progress == 0; }, 60s))
        << "progress " << view.Download().m_progress << ", taken "
        << testing::PrintToString(Taken());
    EXPECT_EQ(doc.m_live, 1);

    // Store to slot 1: the template dialog filled in as a user would.
    const std::string stored = (home.path() / "hall.dmu").string();
    bool filled = false;
    QTimer fill;
    fill.setInterval(20);
    QObject::connect(&fill, &QTimer::timeout, [&] {
        auto* dialog =
            qobject_cast<de::ui::CDSPDlgFirmTemplate*>(QApplication::activeModalWidget());
        if (dialog == nullptr || filled)
            return;
        filled = true;
        QComboBox* slot = Control<QComboBox>(*dialog, de::CFirmTemplateController::kCtlSlot);
        slot->setCurrentIndex(0);
        emit slot->activated(0);
        // Typed, as a user types them.
        const auto type = [&](int id, const QString& text) {
            QLineEdit* edit = Control<QLineEdit>(*dialog, id);
            edit->clear();
            QTest::keyClicks(edit, text);
        };
        type(de::CFirmTemplateController::kCtlStructName, "Hall");
        type(de::CFirmTemplateController::kCtlParamName, "Day");
        type(de::CFirmTemplateController::kCtlPath, QString::fromStdString(stored));
        Control<QPushButton>(*dialog, de::ui::kCtlTemplateOk)->click();
        // A refusal leaves the dialog open: cancelled, the test fails below.
        if (dialog->isVisible())
            dialog->reject();
    });
    fill.start();
    ASSERT_TRUE(frame->CommandState(de::kCmdStoreTemplates).enabled);
    frame->RunCommand(de::kCmdStoreTemplates);
    fill.stop();
    ASSERT_TRUE(filled);
    const Commands store = view.Console().Queue(comm::EConsoleQueue::Store);
    ASSERT_FALSE(store.empty());
    EXPECT_EQ(store.front(), "*SAVEM01Hall        Day         #");
    EXPECT_EQ(store.back(), "*ENDMD#");
    ASSERT_TRUE(gui_test::WaitFor(
        [&] {
            const Commands taken = Taken();
            return taken.size() >= program.size() + store.size() && taken.back() == "*ENDMD#";
        },
        60s))
        << testing::PrintToString(Taken());

    // The switch to the stored template.
    window->SwitchToStoredTemplate(1);
    ASSERT_TRUE(gui_test::WaitFor(
        [&] {
            const Commands taken = Taken();
            return !taken.empty() && taken.back() == "*CHANM01#";
        },
        60s))
        << testing::PrintToString(Taken());
    const Commands taken = Taken();
    EXPECT_EQ(Commands(taken.begin(), taken.begin() + static_cast<std::ptrdiff_t>(program.size())),
              program);
    EXPECT_TRUE(messages.ShownIds().empty());
}

} // namespace
