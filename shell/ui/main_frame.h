#pragma once
// CMainFrame: the main window of ostrel. A QMainWindow over the headless
// CMainFrameCore: the work area with its tab strip, the five toolbars with
// the zoom combo and the drop-down menus, the two palettes and the output
// bar as docks, the status bar, the menus of the active document's kind,
// the splash, and the commands of the frame. It is also the window side of
// the application's start-up (IAppUi) and of the core (IFrameWindows).
//
// Commands go to the active document's view first, then to the frame; a
// command nobody takes is disabled. Menus and buttons are brought up to
// date when a menu opens, when another document becomes active, and once
// after every burst of what can change them: the operator's input to any
// of the program's windows, the workers' notices (calls posted to the
// user-interface thread) and the frame's notifications. Nothing polls.
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include <QColorDialog>
#include <QFontDialog>
#include <QMainWindow>
#include <QPointer>

#include "comm/device_download.h"
#include "shell/commands.h"
#include "shell/frame_resources.h"
#include "shell/main_frame_core.h"
#include "shell/ostrel_app.h"
#include "shell/ui/child_frames.h"
#include "shell/ui/qt_timer.h"
#include "shell/ui/splash.h"

class QAction;
class QComboBox;
class QDockWidget;
class QMdiArea;
class QMenu;
class QToolBar;

namespace shell::ui {

class CMDITabClient;
class CMyListBox;
class CMyStatusBar;
class CPaletteBar;

// The bars a document kind shows while it is active.
enum class EBar : int {
    Standard,      // toolbar 129
    Special,       // toolbar 241
    DevicePalette, // dialog bar 137
    Output,        // dialog bar 138
    Dsp,           // toolbar 130
    Arrange,       // toolbar 4
    Modules,       // toolbar 172
    DspPalette,    // dialog bar 153
};
inline constexpr int kBarCount = 8;

class CMainFrame final : public QMainWindow,
                         public IAppUi,
                         public IFrameWindows,
                         private comm::IDownloadFrame {
    Q_OBJECT
public:
    explicit CMainFrame(std::filesystem::path programFolder, QWidget* parent = nullptr);
    ~CMainFrame() override;

signals:
    // The operator's close was taken: its documents are closed.
    void Closed();

public:
    CMainFrameCore& Core() { return m_core; }
    // The application the frame's commands reach (new, open, net type).
    void SetApp(COstrelApp* app) { m_app = app; }
    COstrelApp* App() const { return m_app; }
    // The application's recent-file list changed: it is stored, and the
    // File menu lists it.
    void RecentFilesChanged();
    // The timer the splash closes by; the splash makes its own without one.
    std::function<std::unique_ptr<ITimer>()> makeSplashTimer;

    // -- IAppUi
    bool CreateMainWindow() override;
    void ShowSplash() override;
    void ShowMainWindowMaximised() override;
    void CloseSplashAfter(std::chrono::milliseconds delay) override;
    void RaiseMainWindow() override;
    void ShowNetTypePicture(bool wired) override;
    bool HasActiveView() override;
    bool HasDeviceView() override;
    bool CloseActiveDocument() override;
    bool OpenDocument(const std::string& path) override;
    bool NewDeviceDocument() override;
    bool HasDocumentKind(const std::string& extension) override;

    // -- IFrameWindows
    const void* ActiveChild() override;
    IFrameView* ActiveView() override;
    void ClearOutput() override;
    void RestoreArrowCursor() override;
    void DestroyHwConfigDialog() override;
    void RefreshHwConfigDialog() override;
    void LoadDeviceConfiguration(const std::string& mac) override;
    void ForgetDeviceConfiguration(const std::string& mac) override;
    void OpenDspDocumentOfDevice(int deviceId) override;
    void CommandStateChanged() override;

    // -- commands
    CCmdUI CommandState(int id);
    void RunCommand(int id);
    // Brings every action of the menus and toolbars up to date.
    void UpdateCommands();
    // UpdateCommands once the events now waiting are handled; any number of
    // calls before then make one update.
    void ScheduleCommandUpdate();
    // Fills `menu` with the entries of menu resource `menuId`, their texts
    // from the language pack; each item runs its command through the frame.
    void FillMenu(QMenu* menu, int menuId, const std::vector<CMenuEntry>& entries);

    // -- the document windows
    // A child frame of `kind` for `document`, shown and activated.
    CChildFrame* AddChild(EChildKind kind, std::unique_ptr<CChildDocument> document);
    CChildFrame* ActiveChildFrame() const;
    std::vector<CChildFrame*> ChildFrames() const;
    // The bars, status layout and menus of a kind (its frame became active).
    void ShowBarsOf(EChildKind kind);
    // A child frame is being destroyed: it is active no longer.
    void ForgetChild(const CChildFrame* child);
    // The modeless hardware-configuration window the device editor opens;
    // the frame keeps it until 0x405. On 0x406 and 0x408 the frame calls
    // its slot "refresh", which re-reads the stored configurations.
    void SetHwConfigDialog(QWidget* dialog);

    // -- the bars
    // The user's choice: whether the bar shows while a document of its kind
    // is active.
    bool BarFlag(EBar bar) const { return m_barFlags[static_cast<int>(bar)]; }
    // The user shows or hides the bar: now, and whenever its kind is active.
    void SetBarShown(EBar bar, bool shown);
    // Shows or hides the bar for now, leaving the user's choice, which the
    // next activation of its kind follows (the last document of a kind
    // closed).
    void ShowBar(EBar bar, bool shown);
    bool BarVisible(EBar bar) const;
    bool StatusBarShownFlag() const { return m_statusShown; }

    // -- parts, for the editors and tests
    QMdiArea* MdiArea() const { return m_area; }
    CMDITabClient* TabClient() const { return m_tabClient; }
    CMyListBox* Output() const { return m_output; }
    CMyStatusBar* StatusBarWidget() const { return m_status; }
    CPaletteBar* DevicePalette() const { return m_devicePalette; }
    CPaletteBar* DspPalette() const { return m_dspPalette; }
    QToolBar* Toolbar(int id) const;
    QComboBox* ZoomCombo() const { return m_zoom; }
    QAction* Action(int id) const;
    CDlgSplash* Splash() const { return m_splash; }
    // The menu resource the menu bar shows.
    int MenuId() const { return m_menuId; }
    // The shared colour and font dialogs: each keeps the last choice.
    QColorDialog& ColourDialog() { return *m_colourDialog; }
    QFontDialog& FontDialog() { return *m_fontDialog; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // The work area's resizes: the documents the start opened take their
    // places again once it has its size. Every event of the program that
    // may change a command's state schedules the commands' update.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Files dropped on the window open as from the command line.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // -- IDownloadFrame
    void SetWaitCursor(bool wait) override;
    void NotifyDownloadBegin() override;
    void NotifyDownloadFailed() override;
    void NotifyDownloadDone() override;

    void CreateToolbars();
    QToolBar* MakeToolbar(int id, const QString& title);
    void CreateDocks();
    void BuildMenuBar(int menuId);
    QAction* CommandAction(int id, const QString& text);
    void FillRecentFiles(QMenu* menu, const QString& emptyText);
    void OnSubWindowActivated(QMdiSubWindow* window);
    // A new document's window in the cascade: `index` windows are open
    // before it.
    void PlaceChild(CChildFrame* child, int index);
    void OnChildClosed(CChildFrame* child);
    bool OnFrameCommand(int id);
    std::optional<CCmdUI> UpdateFrameCommand(int id);
    void StartDeviceDownload();
    void OpenFile();
    void ShowAbout();
    void ShowLanguageDialog();
    QWidget* BarWidget(EBar bar) const;
    // Every document window goes at once, without questions, the closed ones
    // awaiting their deletion as well: the frame's end.
    void DestroyDocuments();

    std::filesystem::path m_folder;
    CQtTimer m_blinkTimer;
    CQtTimer m_tabTimer;
    CMainFrameCore m_core;
    COstrelApp* m_app = nullptr;

    QMdiArea* m_area = nullptr;
    CMDITabClient* m_tabClient = nullptr;
    CMyListBox* m_output = nullptr;
    CMyStatusBar* m_status = nullptr;
    CPaletteBar* m_devicePalette = nullptr;
    CPaletteBar* m_dspPalette = nullptr;
    QDockWidget* m_outputDock = nullptr;
    QDockWidget* m_devicePaletteDock = nullptr;
    QDockWidget* m_dspPaletteDock = nullptr;
    std::map<int, QToolBar*> m_toolbars;
    QComboBox* m_zoom = nullptr;
    std::map<int, QAction*> m_actions;
    int m_menuId = 0;
    QPointer<CDlgSplash> m_splash;
    QPointer<QWidget> m_hwConfigDialog;
    QColorDialog* m_colourDialog = nullptr;
    QFontDialog* m_fontDialog = nullptr;
    // Single-shot, zero time: the scheduled update of the commands.
    QTimer* m_commandUpdate = nullptr;
    QPointer<CChildFrame> m_activeChild;
    // Windows placed before the main window showed, the work area not yet
    // at its size: placed again as it resizes, while nobody moved them.
    struct CEarlyChild {
        QPointer<CChildFrame> child;
        int index = 0;
        QRect placed;
    };
    std::vector<CEarlyChild> m_earlyChildren;

    std::array<bool, kBarCount> m_barFlags{true, true, true, true, true, true, true, true};
    bool m_statusShown = true;

    std::unique_ptr<comm::CDeviceDownload> m_download;
};

} // namespace shell::ui
