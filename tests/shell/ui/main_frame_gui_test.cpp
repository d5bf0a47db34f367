// The main window on the offscreen platform, started by the application
// over recording stand-ins for the servers and the watch: what start-up
// leaves on screen, how document frames switch the bars, the status layout
// and the menus, the close guards, and the frame's commands.
#include "shell/sweeping_watch.h"
#include "shell/ui/main_frame.h"

#include "comm/event_log.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "model/recording_messages.h"
#include "shell/ui/mdi_tab_client.h"
#include "shell/ui/message_boxes.h"
#include "shell/ui/output_list.h"
#include "shell/ui/palette_bar.h"
#include "shell/ui/splash.h"
#include "shell/ui/status_bar.h"

#include <QComboBox>
#include <QDrag>
#include <QMimeData>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include "tests/shell/ui/gui_app.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using shell::ui::CChildDocument;
using shell::ui::CMainFrame;
using shell::ui::EBar;
using shell::ui::EChildKind;

// The splash's close timer, fired by hand.
class CManualTimer final : public shell::ITimer {
public:
    void Start(std::chrono::milliseconds period, std::function<void()> tick) override
    {
        this->period = period;
        this->tick = std::move(tick);
    }
    void Stop() override { tick = nullptr; }
    std::chrono::milliseconds period{0};
    std::function<void()> tick;
};

class CFakeView final : public shell::IFrameView {
public:
    explicit CFakeView(bool device) : m_device(device) {}
    void OnAppNotify(int code) override { codes.push_back(code); }
    bool IsDeviceView() const override { return m_device; }
    // A DSP view takes module placements while it is not live.
    bool CanTakePlacement(shell::EPaletteKind palette) const override
    {
        return !live && (palette == shell::EPaletteKind::Dsp) != m_device;
    }
    void BeginPlacement(int itemData) override { placed.push_back(itemData); }
    device_editor::CZoDeviceDoc* DeviceDocument() override { return sheet; }
    void LoadUnitConfiguration(const std::string& mac) override
    {
        unitChanges.push_back("load " + mac);
    }
    void ForgetUnitConfiguration(const std::string& mac) override
    {
        unitChanges.push_back("forget " + mac);
    }
    std::vector<int> codes;
    std::vector<std::string> unitChanges;
    device_editor::CZoDeviceDoc* sheet = nullptr;
    bool live = false;
    std::vector<int> placed;

private:
    bool m_device;
};

// A document as an editor gives it: a plain view widget and one modeless
// window.
class CFakeDocument final : public CChildDocument {
public:
    CFakeDocument(bool device, std::string title) : m_view(device), m_title(std::move(title))
    {
        m_modeless.setWindowTitle("modeless");
    }
    QWidget* View() override { return new QLabel(QString::fromStdString(m_title)); }
    shell::IFrameView& FrameView() override { return m_view; }
    CFakeView& Fake() { return m_view; }
    std::string Title() const override { return m_title; }
    bool SaveModified() override
    {
        ++saves;
        return true;
    }
    std::vector<shell::ui::CModelessWindow> ModelessWindows() override
    {
        return {{&m_modeless, {}}};
    }
    int saves = 0;
    QWidget m_modeless;

private:
    CFakeView m_view;
    std::string m_title;
};

class MainFrameGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = fs::temp_directory_path() / ("ostrel-frame-" + std::to_string(::getpid()));
        fs::remove_all(m_home);
        fs::create_directories(m_home);
        ::setenv("OSTREL_HOME", m_home.c_str(), 1);
        ::setenv("OSTREL_AUTOMATION_REGISTRY", (m_home / "classes.ini").c_str(), 1);
        std::ofstream(m_home / "classes.ini");
        std::ofstream(m_home / "Ostrel.ini")
            << "[IPSeg]\nIPStart=198.18.1.10\nIPEnd=198.18.1.12\nStartVisible=0\n"
               "[AdapterSeg]\nAdapter=eth0\n[NetAttri]\nNetType=Wireless\n";
        shell::RegisteredDialogs() = {};
        // Workers reach the windows through the event loop, as in the program.
        model::SetUiThread(&m_uiThread);

        m_frame = std::make_unique<CMainFrame>(m_home);
        m_frame->makeSplashTimer = [this] {
            auto timer = std::make_unique<CManualTimer>();
            m_splashTimer = timer.get();
            return timer;
        };
        shell::CStartupServices services;
        services.makeComponents = [](auto*, auto*, auto&, const std::string&) { return 1; };
        services.makeWatch = [](comm::CWatchState& state, const std::string&) {
            return std::make_unique<shell::CSweepingWatch>(state);
        };
        m_app = std::make_unique<shell::COstrelApp>(*m_frame, m_frame->Core(), m_home, services);
        m_frame->SetApp(m_app.get());
    }
    void TearDown() override
    {
        shell::ui::UnregisterDocumentKind(".zo");
        shell::ui::UnregisterDocumentKind(".dsp");
        m_frame->SetApp(nullptr);
        m_frame.reset();
        m_app.reset();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
        ::unsetenv("OSTREL_AUTOMATION_REGISTRY");
        fs::remove_all(m_home);
    }

    void RegisterKinds()
    {
        shell::ui::RegisterDocumentKind(".zo", {EChildKind::Device, [this](const std::string&) {
                                                    auto doc = std::make_unique<CFakeDocument>(true, "Sheet");
                                                    m_deviceDoc = doc.get();
                                                    return doc;
                                                }});
        shell::ui::RegisterDocumentKind(".dsp", {EChildKind::Dsp, [this](const std::string& path) {
                                                     auto doc = std::make_unique<CFakeDocument>(false, path);
                                                     m_dspDoc = doc.get();
                                                     return doc;
                                                 }});
    }

    std::vector<EBar> VisibleBars() const
    {
        std::vector<EBar> bars;
        for (int i = 0; i < shell::ui::kBarCount; ++i)
            if (m_frame->BarVisible(static_cast<EBar>(i)))
                bars.push_back(static_cast<EBar>(i));
        return bars;
    }

    fs::path m_home;
    shell::ui::CQtUiThread m_uiThread;
    CManualTimer* m_splashTimer = nullptr; // the splash owns it
    model::CRecordingMessages m_messages;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<shell::COstrelApp> m_app;
    CFakeDocument* m_deviceDoc = nullptr;
    CFakeDocument* m_dspDoc = nullptr;
};

const std::vector<EBar> kDeviceBars = {EBar::Standard, EBar::Special, EBar::DevicePalette,
                                       EBar::Output};
const std::vector<EBar> kDspBars = {EBar::Dsp, EBar::Arrange, EBar::Modules, EBar::DspPalette};

TEST_F(MainFrameGui, StartUpLeavesTheMaximisedWindowWithItsBarsAndClosesTheSplash)
{
    ASSERT_TRUE(m_app->InitInstance({}));
    EXPECT_TRUE(m_messages.ShownIds().empty());
    EXPECT_TRUE(m_frame->isMaximized());
    EXPECT_EQ(m_frame->minimumWidth(), 400);
    // No editor makes documents yet: an empty work area under the main menu.
    EXPECT_TRUE(m_frame->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(m_frame->MenuId(), shell::kMenuMain);
    EXPECT_EQ(VisibleBars(), kDeviceBars);
    EXPECT_EQ(m_frame->ZoomCombo()->currentText(), "100%");
    // The module drop-downs open their submenus; the arrangement items
    // carry pictures.
    const auto* modules = m_frame->Toolbar(shell::kToolbarModules);
    const auto buttons = modules->findChildren<QToolButton*>();
    ASSERT_FALSE(buttons.isEmpty());
    int dropDowns = 0;
    for (const QToolButton* button : buttons)
        dropDowns += button->menu() != nullptr;
    EXPECT_EQ(dropDowns, 9);
    for (const QToolButton* button :
         m_frame->Toolbar(shell::kToolbarArrange)->findChildren<QToolButton*>()) {
        if (!button->menu())
            continue;
        for (const QAction* item : button->menu()->actions()) {
            EXPECT_FALSE(item->icon().isNull()) << item->text().toStdString();
        }
    }
    EXPECT_GT(m_frame->DevicePalette()->List()->count(), 0);
    EXPECT_EQ(m_frame->Core().Status().Layout(), shell::EStatusLayout::Device);
    EXPECT_NE(m_frame->StatusBarWidget()->PaneWidget(shell::kPaneStartIp), nullptr);

    // The splash closes 750 ms after the main window showed.
    QPointer<shell::ui::CDlgSplash> splash = m_frame->Splash();
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->isVisible());
    ASSERT_NE(m_splashTimer, nullptr);
    EXPECT_EQ(m_splashTimer->period, 750ms);
    m_splashTimer->tick();
    EXPECT_TRUE(gui_test::WaitFor([&] { return splash.isNull(); })) << "the splash stayed";

    // The event log's lines carry the main window's value.
    comm::WriteLog("probe");
    char value[16];
    std::snprintf(value, sizeof value, "0x%08X", static_cast<std::uint32_t>(m_frame->winId()));
    bool found = false;
    for (const auto& entry : fs::directory_iterator(m_home)) {
        std::ifstream log(entry.path());
        for (std::string line; std::getline(log, line);)
            found = found || (line.find("probe") != std::string::npos &&
                              line.find(value) != std::string::npos);
    }
    EXPECT_TRUE(found) << value;
}

TEST_F(MainFrameGui, DocumentFramesSwitchBarsStatusLayoutMenusAndTheirWindows)
{
    RegisterKinds();
    ASSERT_TRUE(m_app->InitInstance({}));
    // With device sheets made, the start opens an empty one.
    ASSERT_EQ(m_frame->ChildFrames().size(), 1u);
    ASSERT_NE(m_deviceDoc, nullptr);
    EXPECT_EQ(m_frame->MenuId(), shell::kMenuDevice);
    EXPECT_EQ(m_frame->Core().ActiveDeviceView(), &m_deviceDoc->FrameView());
    EXPECT_FALSE(m_deviceDoc->m_modeless.isVisible()) << "a window nobody opened showed";
    m_deviceDoc->m_modeless.show();

    ASSERT_TRUE(m_app->OpenDocumentFile("unit.DSP"));
    ASSERT_NE(m_dspDoc, nullptr);
    m_dspDoc->m_modeless.show();
    EXPECT_EQ(m_frame->MenuId(), shell::kMenuDsp);
    EXPECT_EQ(VisibleBars(), kDspBars);
    EXPECT_EQ(m_frame->Core().Status().Layout(), shell::EStatusLayout::Dsp);
    EXPECT_EQ(m_frame->Core().ActiveDspView(), &m_dspDoc->FrameView());
    EXPECT_EQ(m_frame->Core().ActiveDeviceView(), nullptr);
    EXPECT_FALSE(m_deviceDoc->m_modeless.isVisible());
    EXPECT_TRUE(m_dspDoc->m_modeless.isVisible());
    EXPECT_TRUE(gui_test::WaitFor([&] { return m_frame->TabClient()->TabCtrl()->count() == 2; }))
        << m_frame->TabClient()->TabCtrl()->count() << " tabs";

    // A bar the user hid stays hidden when its kind comes back.
    m_frame->MdiArea()->setActiveSubWindow(m_frame->ChildFrames().front());
    m_frame->RunCommand(shell::ID_VIEW_OUTPUT);
    EXPECT_FALSE(m_frame->BarVisible(EBar::Output));
    m_frame->MdiArea()->setActiveSubWindow(m_frame->ChildFrames().back());
    m_frame->MdiArea()->setActiveSubWindow(m_frame->ChildFrames().front());
    EXPECT_EQ(VisibleBars(), (std::vector<EBar>{EBar::Standard, EBar::Special, EBar::DevicePalette}));
    EXPECT_EQ(m_frame->Core().Status().Layout(), shell::EStatusLayout::Device);
    EXPECT_EQ(m_frame->MenuId(), shell::kMenuDevice);
    EXPECT_TRUE(m_deviceDoc->m_modeless.isVisible());
    EXPECT_FALSE(m_dspDoc->m_modeless.isVisible());
    EXPECT_TRUE(m_messages.ShownIds().empty());
}

TEST_F(MainFrameGui, ADeviceFrameStaysWhileItDownloadsOrRuns)
{
    RegisterKinds();
    ASSERT_TRUE(m_app->InitInstance({}));
    shell::ui::CChildFrame* sheet = m_frame->ChildFrames().front();
    shell::CMainFrameCore& core = m_frame->Core();
    EXPECT_TRUE(m_frame->CommandState(shell::ID_DOWNLOAD_DEVICE_SHEET).enabled);
    EXPECT_FALSE(m_frame->CommandState(shell::ID_LEAVE_RUN).enabled);

    core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
    EXPECT_FALSE(m_frame->CommandState(shell::ID_DOWNLOAD_DEVICE_SHEET).enabled);
    EXPECT_FALSE(sheet->close());
    EXPECT_FALSE(m_frame->close()); // the main window neither
    core.OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
    EXPECT_TRUE(m_frame->CommandState(shell::ID_LEAVE_RUN).enabled);
    EXPECT_FALSE(sheet->close());
    EXPECT_EQ(m_messages.ShownIds(), (std::vector<int>{209, 209, 221}));

    m_frame->RunCommand(shell::ID_LEAVE_RUN);
    EXPECT_EQ(m_deviceDoc->Fake().codes,
              (std::vector<int>{shell::NOTIFY_DOWNLOAD_BEGIN, shell::NOTIFY_DOWNLOAD_DONE,
                                shell::NOTIFY_LEAVE_RUN}));
    QPointer<shell::ui::CChildFrame> gone = sheet;
    EXPECT_TRUE(sheet->close());
    ASSERT_TRUE(gui_test::WaitFor([&] { return gone.isNull(); })) << "the closed sheet stayed";
    EXPECT_TRUE(m_frame->ChildFrames().empty());
    EXPECT_EQ(m_frame->MenuId(), shell::kMenuMain);
    EXPECT_FALSE(m_frame->CommandState(shell::ID_DOWNLOAD_DEVICE_SHEET).enabled);
}

// Each way a sheet can go, tried while it downloads and while it runs: the
// same refusal, before any save prompt, and the sheet stays.
TEST_F(MainFrameGui, EveryWayOfClosingRefusesTheDownloadingOrRunningSheet)
{
    RegisterKinds();
    ASSERT_TRUE(m_app->InitInstance({}));
    QPointer<shell::ui::CChildFrame> sheet = m_frame->ChildFrames().front();
    CFakeDocument* sheetDoc = m_deviceDoc;
    shell::CMainFrameCore& core = m_frame->Core();
    struct Way {
        const char* name;
        std::function<void()> close;
    };
    const std::vector<Way> ways = {
        {"its close box", [&] { sheet->close(); }},
        // The views' File > Close.
        {"File > Close", [&] { m_frame->CloseActiveDocument(); }},
        {"File > New", [&] { m_frame->RunCommand(shell::ID_FILE_NEW); }},
        {"opening a sheet", [&] { m_app->OpenDocumentFile("other.zo"); }},
        {"the main window's close box", [&] { m_frame->close(); }},
        {"File > Exit", [&] { m_frame->RunCommand(shell::ID_APP_EXIT); }},
    };
    const std::pair<int, int> states[] = {{shell::NOTIFY_DOWNLOAD_BEGIN, 209},
                                          {shell::NOTIFY_DOWNLOAD_DONE, 221}};
    for (const auto& [code, refusal] : states) {
        core.OnAppNotify(0, code);
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(way.name) + " after " + std::to_string(code));
            model::CRecordingMessages messages;
            way.close();
            QApplication::processEvents();
            EXPECT_EQ(messages.ShownIds(), std::vector<int>{refusal});
            EXPECT_TRUE(messages.AskedIds().empty());
            ASSERT_FALSE(sheet.isNull());
            EXPECT_FALSE(sheet->Closing());
            EXPECT_EQ(m_frame->ChildFrames().size(), 1u);
            EXPECT_EQ(sheetDoc->saves, 0);
            EXPECT_TRUE(m_frame->isVisible());
        }
    }
    // Out of the run state, File > Close closes it after the save prompt.
    m_frame->RunCommand(shell::ID_LEAVE_RUN);
    EXPECT_TRUE(m_frame->CloseActiveDocument());
    EXPECT_EQ(sheetDoc->saves, 1);
    EXPECT_TRUE(gui_test::WaitFor([&] { return sheet.isNull(); })) << "the closed sheet stayed";
}

TEST_F(MainFrameGui, CommandsOfKindsNobodyMakesAndOfNoTarget)
{
    ASSERT_TRUE(m_app->InitInstance({}));
    // New and open of a kind no editor registered: 287, nothing opened.
    m_frame->RunCommand(shell::ID_FILE_NEW);
    EXPECT_FALSE(m_app->OpenDocumentFile("unit.dsp"));
    m_frame->RunCommand(shell::ID_DSP_TEMPLATE);
    EXPECT_EQ(m_messages.ShownIds(), (std::vector<int>{287, 287, 287}));
    EXPECT_TRUE(m_frame->MdiArea()->subWindowList().isEmpty());
    // A view's command with no view is off; the frame's own are on.
    EXPECT_FALSE(m_frame->CommandState(32801).enabled);
    EXPECT_TRUE(m_frame->CommandState(shell::ID_LANGUAGE).enabled);
    // The net type and the hardware view wait for the device editor's dialogs.
    EXPECT_FALSE(m_frame->CommandState(shell::ID_NET_TYPE).enabled);
    EXPECT_FALSE(m_frame->CommandState(shell::ID_VIEW_HWCONFIG).enabled);
    shell::RegisteredDialogs().netType = [](bool) { return std::optional<bool>(true); };
    EXPECT_TRUE(m_frame->CommandState(shell::ID_NET_TYPE).enabled);
    // The output bar's command is checked while it shows.
    EXPECT_TRUE(m_frame->CommandState(shell::ID_VIEW_OUTPUT).checked);
    m_frame->RunCommand(shell::ID_VIEW_OUTPUT);
    EXPECT_FALSE(m_frame->CommandState(shell::ID_VIEW_OUTPUT).checked);
    m_frame->UpdateCommands();
    EXPECT_FALSE(m_frame->Action(32801)->isEnabled());
    EXPECT_FALSE(m_frame->Action(shell::ID_VIEW_OUTPUT)->isChecked());
}

TEST_F(MainFrameGui, APaletteDragHandsTheViewItsItemAndIsRefusedWhileLive)
{
    RegisterKinds();
    ASSERT_TRUE(m_app->InitInstance({}));
    shell::ui::CPaletteBar& modules = *m_frame->DspPalette();
    // The device sheet is active: it takes no module.
    EXPECT_EQ(modules.MakeDrag(0), nullptr);

    ASSERT_TRUE(m_app->OpenDocumentFile("unit.dsp"));
    const std::unique_ptr<QDrag> drag = modules.MakeDrag(0);
    ASSERT_NE(drag, nullptr);
    EXPECT_EQ(drag->mimeData()->data(shell::ui::kPaletteItemMimeType), "301");
    EXPECT_EQ(drag->hotSpot(), QPoint(45, 40));
    EXPECT_EQ(m_dspDoc->Fake().placed, std::vector<int>{301});

    m_dspDoc->Fake().live = true;
    EXPECT_EQ(modules.MakeDrag(1), nullptr);
    EXPECT_EQ(modules.MakeDrag(99), nullptr);
    EXPECT_EQ(m_dspDoc->Fake().placed, std::vector<int>{301});
}

TEST_F(MainFrameGui, TheDownloadCommandShowsTheOutputAndRunsTheActiveSheetsDownload)
{
    RegisterKinds();
    ASSERT_TRUE(m_app->InitInstance({}));
    device_editor::CZoDeviceDoc sheet;
    m_deviceDoc->Fake().sheet = &sheet;
    m_frame->SetBarShown(EBar::Output, false);

    m_frame->RunCommand(shell::ID_DOWNLOAD_DEVICE_SHEET);
    EXPECT_TRUE(m_frame->BarVisible(EBar::Output));
    // The servers are not registered here: the download begins, reports
    // why it cannot go on in the output list, and fails.
    const std::vector<int> codes = {shell::NOTIFY_DOWNLOAD_BEGIN, shell::NOTIFY_DOWNLOAD_FAILED};
    ASSERT_TRUE(gui_test::WaitFor([&] { return m_deviceDoc->Fake().codes == codes; }, 10s))
        << testing::PrintToString(m_deviceDoc->Fake().codes);
    EXPECT_TRUE(gui_test::WaitFor([&] { return m_frame->Output()->count() > 0; }))
        << "the output list stayed empty";
    EXPECT_FALSE(m_frame->Core().DownloadBusy());
    EXPECT_TRUE(m_frame->CommandState(shell::ID_DOWNLOAD_DEVICE_SHEET).enabled);
    EXPECT_TRUE(m_messages.ShownIds().empty());
}

// The sheet's stop button stops a download under way, and the frame hears
// of the failure as of any other: it is free for the next download.
TEST_F(MainFrameGui, TheStopButtonStopsADownloadUnderWay)
{
    RegisterKinds();
    ASSERT_TRUE(m_app->InitInstance({}));
    device_editor::CZoDeviceDoc sheet;
    m_deviceDoc->Fake().sheet = &sheet;
    EXPECT_FALSE(m_frame->CommandState(shell::ID_LEAVE_RUN).enabled);

    m_frame->RunCommand(shell::ID_DOWNLOAD_DEVICE_SHEET);
    // The download waits for this thread to take its begin notification, so
    // the stop comes before any step of it.
    EXPECT_TRUE(m_frame->CommandState(shell::ID_LEAVE_RUN).enabled);
    m_frame->RunCommand(shell::ID_LEAVE_RUN);
    const std::vector<int> codes = {shell::NOTIFY_DOWNLOAD_BEGIN, shell::NOTIFY_DOWNLOAD_FAILED};
    ASSERT_TRUE(gui_test::WaitFor([&] { return m_deviceDoc->Fake().codes == codes; }, 10s))
        << testing::PrintToString(m_deviceDoc->Fake().codes);
    const std::vector<std::string> tail = {model::FormatMessage(198), model::FormatMessage(4601, 1),
                                           model::FormatMessage(193, 1, 0)};
    const auto lines = [&] {
        std::vector<std::string> all;
        for (int i = 0; i < m_frame->Output()->count(); ++i)
            all.push_back(m_frame->Output()->item(i)->text().toStdString());
        return all;
    };
    ASSERT_TRUE(gui_test::WaitFor([&] {
        const std::vector<std::string> all = lines();
        return all.size() >= tail.size() &&
               std::equal(tail.begin(), tail.end(), all.end() - static_cast<long>(tail.size()));
    })) << testing::PrintToString(lines());
    EXPECT_FALSE(m_frame->Core().DownloadBusy());
    // The thread ends just after the frame heard of it.
    EXPECT_TRUE(gui_test::WaitFor(
        [&] { return !m_frame->CommandState(shell::ID_LEAVE_RUN).enabled; }));
    EXPECT_TRUE(m_frame->CommandState(shell::ID_DOWNLOAD_DEVICE_SHEET).enabled);
    EXPECT_TRUE(m_messages.ShownIds().empty());
}

// The sheet itself brings its devices up to date (the device window's
// test shows it); the frame hands the changed unit to the active sheet only.
TEST_F(MainFrameGui, AChangedUnitReachesTheActiveSheet)
{
    RegisterKinds();
    ASSERT_TRUE(m_app->InitInstance({}));
    ASSERT_NE(m_deviceDoc, nullptr);
    m_frame->Core().SetChangedUnitMac("00602B000001");
    m_frame->Core().OnAppNotify(0, shell::NOTIFY_RELOAD_UNIT_CONFIG);
    m_frame->Core().OnAppNotify(0, shell::NOTIFY_REFRESH_HWCONFIG_DEVICES);
    EXPECT_EQ(m_deviceDoc->Fake().unitChanges,
              (std::vector<std::string>{"load 00602B000001", "forget 00602B000001"}));

    // Another window in front: the sheet behind it hears nothing.
    ASSERT_TRUE(m_app->OpenDocumentFile("unit.DSP"));
    ASSERT_NE(m_dspDoc, nullptr);
    m_frame->Core().SetChangedUnitMac("00602B000002");
    m_frame->Core().OnAppNotify(0, shell::NOTIFY_RELOAD_UNIT_CONFIG);
    EXPECT_EQ(m_dspDoc->Fake().unitChanges, std::vector<std::string>{"load 00602B000002"});
    EXPECT_EQ(m_deviceDoc->Fake().unitChanges.size(), 2u);
}

} // namespace
