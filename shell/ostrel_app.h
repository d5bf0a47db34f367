#pragma once
// COstrelApp: the start-up of ostrel and its document commands, over the
// windows it drives (IAppUi: the real ones in shell/ui, recorders in tests).
//
// Start-up, in order: shipped defaults and the language; the automation
// layer; the recent files; the single-instance lock (before any dialog, so
// two starts can never both get past it); the network settings; the
// IP-range dialog when [IPSeg] StartVisible is 1; the main window and the
// splash; the network (servers, watch, first sweep); the command line; the
// window shown; the configuration password reset.
#include "comm/net_watch.h"
#include "shell/app_settings.h"
#include "shell/document_guards.h"
#include "shell/language.h"
#include "shell/main_frame_core.h"
#include "shell/recent_files.h"
#include "shell/single_instance.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace shell {

// The windows of start-up.
class IAppUi : public IDocumentWindows {
public:
    // The document types and the main window; false ends the start.
    virtual bool CreateMainWindow() = 0;
    // May show nothing (no splash).
    virtual void ShowSplash() = 0;
    virtual void ShowMainWindowMaximised() = 0;
    virtual void CloseSplashAfter(std::chrono::milliseconds delay) = 0;
    // A later start asked this one to show itself.
    virtual void RaiseMainWindow() = 0;
    // The net-type button's picture: wired or wireless.
    virtual void ShowNetTypePicture(bool wired) = 0;
};

// The dialogs the device sheet editor offers the shell. Until it registers
// them, start-up goes on as with StartVisible=0 and their commands are off.
struct CShellDialogs {
    // The IP range and network card (it writes [IPSeg] and [AdapterSeg]
    // itself); false when cancelled.
    std::function<bool()> ipRange;
    // The net type: true wired, false wireless, nothing when cancelled.
    std::function<std::optional<bool>(bool wired)> netType;
    // The stored hardware configurations, modeless.
    std::function<void()> hardwareConfigView;
};
CShellDialogs& RegisteredDialogs();

// What start-up makes the network with; the program's by default.
struct CStartupServices {
    ComponentsMaker makeComponents;
    std::function<std::unique_ptr<INetWatch>(comm::CWatchState&, const std::string& cardTitle)>
        makeWatch;
    std::chrono::milliseconds firstSweepLimit{60000};
};
CStartupServices ProgramServices();

// The configuration password every start resets.
inline constexpr const char* kConfigPassKey = "SOFTWARE\\Ostrel\\ConfigPass";
inline constexpr const char* kInitialConfigPass = "0";

class COstrelApp {
public:
    COstrelApp(IAppUi& ui, CMainFrameCore& frame, std::filesystem::path programFolder,
               CStartupServices services = ProgramServices());
    ~COstrelApp();

    // The start; false ends the program before its event loop.
    bool InitInstance(const std::vector<std::string>& args);

    bool OpenDocumentFile(const std::string& path);
    bool OnFileNew();
    // The net-type command: on a changed choice, stores it, switches the
    // button's picture and restarts the watch (after 204 the program stays
    // open). Nothing while the device editor has registered no dialog.
    void OnNetType();

    const std::string& LanguageName() const { return m_language.name; }
    CRecentFileList& RecentFiles() { return m_recent; }
    comm::CWatchState& WatchState() { return m_watchState; }
    CAppSettings& Settings() { return m_settings; }

private:
    IAppUi& m_ui;
    CMainFrameCore& m_frame;
    std::filesystem::path m_folder;
    CStartupServices m_services;
    CAppSettings m_settings;
    CLanguageChoice m_language;
    CRecentFileList m_recent;
    bool m_automation = false;
    std::unique_ptr<CSingleInstance> m_instance;
    comm::CWatchState m_watchState;
    std::unique_ptr<INetWatch> m_watch;
};

} // namespace shell
