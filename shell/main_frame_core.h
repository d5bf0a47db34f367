#pragma once
// CMainFrameCore: the main window of ostrel without its widgets. It holds
// the automation objects of the two servers and the online-device watch,
// routes the notification codes that workers, dialogs and views send, keeps
// the device sheet's download and run state, blinks the run-state pane, and
// offers the editors their device services (one-shot text commands, SNMP
// get and set, online addresses).
//
// All of it runs on the user-interface thread, except the device services,
// which the run-state poller also calls; they touch only the automation
// objects, which are made before and released after every such caller.
#include "comm/automation_wrappers.h"
#include "comm/net_watch.h"
#include "comm/online_devices.h"
#include "platform/sync/event.h"
#include "shell/palettes.h"
#include "shell/router_database.h"
#include "shell/status_panes.h"
#include "shell/status_swatch.h"

#include <any>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace model {
class IDeviceDoc;
}

namespace shell {

class IDspDocument;

// The codes of the notification message.
enum ENotify : int {
    NOTIFY_DOWNLOAD_BEGIN = 0x401,
    NOTIFY_DOWNLOAD_DONE = 0x402,
    NOTIFY_DOWNLOAD_FAILED = 0x403,
    NOTIFY_LEAVE_RUN = 0x404,
    NOTIFY_CLOSE_HWCONFIG = 0x405,
    NOTIFY_REFRESH_HWCONFIG = 0x406,
    NOTIFY_RELOAD_UNIT_CONFIG = 0x407,
    NOTIFY_REFRESH_HWCONFIG_DEVICES = 0x408,
    NOTIFY_OPEN_DEVICE_DSP = 0x465,
    NOTIFY_DSP_DOWNLOAD = 0x466,
    NOTIFY_DSP_STOP = 0x467,
};

// A view of a child window as the frame reaches it.
class IFrameView {
public:
    virtual ~IFrameView() = default;
    // The notification forwarded to the view (wParam 0, the code).
    virtual void OnAppNotify(int code) = 0;
    virtual bool IsDeviceView() const = 0;
    // Its document's sheet size, for the status bar (device views).
    virtual int SheetWidth() const { return 0; }
    virtual int SheetHeight() const { return 0; }
    // The device sheet a download of this view sends (device views).
    virtual model::IDeviceDoc* DeviceDocument() { return nullptr; }
    // The hardware configuration of the unit with that MAC was written, or
    // its file deleted: a device sheet brings its devices of the unit up to
    // date from the file, or takes the unit off them.
    virtual void LoadUnitConfiguration(const std::string& mac) { (void)mac; }
    virtual void ForgetUnitConfiguration(const std::string& mac) { (void)mac; }
    // The sheet's colours the status bar's swatches show (device views).
    virtual std::optional<SheetColours> Colours() const { return std::nullopt; }
    // An item of a palette is dragged toward the view: whether the view
    // takes a placement from that palette now (a DSP view not while its
    // document is live or a download runs or waits).
    virtual bool CanTakePlacement(EPaletteKind palette) const
    {
        (void)palette;
        return false;
    }
    // The item's data awaits its placement and the view's dragging flag is
    // set; the view places the item where it is dropped.
    virtual void BeginPlacement(int itemData) { (void)itemData; }
};

// The window side of the frame: what the widgets and the editors' windows
// do for it.
class IFrameWindows {
public:
    virtual ~IFrameWindows() = default;
    // The active child window and its active view (null when none).
    virtual const void* ActiveChild() = 0;
    virtual IFrameView* ActiveView() = 0;
    virtual void ClearOutput() = 0;
    virtual void RestoreArrowCursor() = 0;
    virtual void DestroyHwConfigDialog() = 0;
    virtual void RefreshHwConfigDialog() = 0;
    virtual void OpenDspDocumentOfDevice(int deviceId) = 0;
    // A notification or the run state changed what the commands' buttons
    // and menu items show; they are brought up to date soon.
    virtual void CommandStateChanged() {}
};

// A repeating timer of the window (the run-state blink).
class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void Start(std::chrono::milliseconds period, std::function<void()> tick) = 0;
    virtual void Stop() = 0;
};

// The online-device watch thread as the frame starts and stops it.
class INetWatch {
public:
    virtual ~INetWatch() = default;
    // The capture watch for the net type "Normal", else the one that asks
    // the discovery server; the state's flags are reset by the frame.
    virtual void Start(bool capture) = 0;
    // Sets the stop flag and waits for the thread.
    virtual void Stop() = 0;
};

// The program's watch: the capture thread or the one that asks the
// discovery server about `cardTitle`.
class CProgramNetWatch final : public INetWatch {
public:
    CProgramNetWatch(comm::CWatchState& state, std::string cardTitle,
                     comm::CWatchTiming timing = {})
        : m_watch(state, comm::OnlineDevices(), timing), m_cardTitle(std::move(cardTitle)) {}
    void Start(bool capture) override
    {
        m_watch.Start(capture ? comm::ENetWatch::Capture : comm::ENetWatch::Manager, m_cardTitle);
    }
    void Stop() override { m_watch.Stop(); }

private:
    comm::CNetWatch m_watch;
    std::string m_cardTitle;
};

// How the frame makes the automation objects (CreateNetComponents in the
// program).
using ComponentsMaker = std::function<int(comm::Imanager*, comm::Icom_manager*,
                                          comm::Icom_adapter&, const std::string& cardTitle)>;

// Results of SnmpGet and SnmpSet besides success.
inline constexpr int kSnmpFailed = -1;
inline constexpr int kSnmpOutOfRange = -3;

// The main frame as the editors and their workers reach it.
class IMainFrame {
public:
    virtual ~IMainFrame() = default;
    virtual int SendTextCommand(const std::string& ip, const std::string& text, bool replyWanted,
                                std::string* reply) = 0;
    virtual int SnmpGet(const std::string& ip, const std::string& oid, std::string& value) = 0;
    virtual int SnmpSet(const std::string& ip, const std::string& oid,
                        const std::string& value) = 0;
    virtual int GetOnlineDeviceIp(const std::string& mac, std::string& ip) = 0;
    virtual std::string GetAdapterIp() = 0;
    // 0 the address panes, 1 a repaint of the status bar, 2 the sheet size.
    virtual void UpdateStatusPanes(int selector) = 0;
    virtual CStatusPanes& Status() = 0;
    virtual void SetRunState(bool on) = 0;
    virtual int OnAppNotify(std::intptr_t wParam, int code) = 0;
};

class CMainFrameCore final : public IMainFrame {
public:
    CMainFrameCore(IFrameWindows& windows, ITimer& blinkTimer);
    ~CMainFrameCore();
    CMainFrameCore(const CMainFrameCore&) = delete;
    CMainFrameCore& operator=(const CMainFrameCore&) = delete;

    // -- the configured network
    void SetRange(std::uint32_t start, std::uint32_t end);
    std::uint32_t RangeStart() const { return m_rangeStart; }
    std::uint32_t RangeEnd() const { return m_rangeEnd; }

    // -- the network
    // Makes the objects of both servers, starts the watch of `netType` and
    // waits for its first sweep, at most `firstSweepLimit`. 1 when it came;
    // 0 (after message 203 or 204) when the program must end. On 204 the
    // watch is stopped and `onNetFailure` runs (the program sets
    // [IPSeg] StartVisible=1 there, so the next start asks for the range).
    int StartNetwork(const std::string& cardTitle, const std::string& netType,
                     comm::CWatchState& watchState, INetWatch& watch,
                     const ComponentsMaker& make,
                     std::chrono::milliseconds firstSweepLimit = std::chrono::seconds(60));
    // The net type command's restart of the watch; false (after 204) when
    // the new watch gave no first sweep. The program goes on either way.
    bool RestartWatch(const std::string& netType);
    const std::string& NetType() const { return m_netType; }
    std::function<void()> onNetFailure;
    // How the frame waits for the watch's first sweep, at most `limit`. The
    // window's wait keeps its event loop running, so the splash paints and
    // a message the watch shows meanwhile can be answered.
    std::function<void(platform::sync::event_t& sweep, std::chrono::milliseconds limit)>
        sweepWait;
    // The frame's end: the servers' objects go, then the watch is stopped
    // and waited for.
    void OnDestroy();

    // -- automation objects (StartNetwork makes them)
    comm::Imanager& Discovery() { return m_discovery; }
    comm::Icom_manager& Poller() { return m_poller; }
    comm::Icom_adapter& Adapter() { return m_adapter; }
    // Releases both servers' objects: the first step of the frame's end.
    void ReleaseComponents();

    // -- notification codes (lParam; wParam carries the device id of
    // NOTIFY_OPEN_DEVICE_DSP). Returns 0.
    int OnAppNotify(std::intptr_t wParam, int code) override;

    // -- download and run state
    bool DownloadBusy() const { return m_busy; }
    IFrameView* DownloadingView() const { return m_downloadingView; }
    const void* DownloadingFrame() const { return m_downloadingFrame; }
    IFrameView* RunningView() const { return m_runningView; }
    const void* RunningFrame() const { return m_runningFrame; }
    // A view going away leaves no frame or view pointer to it behind.
    void ViewDestroyed(IFrameView* view, const void* frame);
    // The download command: an active view, no download running and no
    // sheet in run state.
    bool CanStartDeviceDownload() const;
    // Leaving the run state: a sheet is in it.
    bool CanLeaveRun() const { return m_runningView != nullptr; }
    // Whether the device sheet of child window `child` may close now, or
    // with null, the main window and with it every sheet: 209 while it
    // downloads, 221 while it is in run state. The download thread and the
    // run state's threads work on the sheet and report to this frame.
    bool CanClose(const void* child = nullptr);

    // -- the run-state pane of a DSP view
    void SetRunState(bool on) override;

    // -- shared with the editors
    // The unit whose stored configuration the hardware dialogs changed
    // last: NOTIFY_RELOAD_UNIT_CONFIG and NOTIFY_REFRESH_HWCONFIG_DEVICES
    // hand it to the active sheet.
    const std::string& ChangedUnitMac() const { return m_changedUnitMac; }
    void SetChangedUnitMac(std::string mac) { m_changedUnitMac = std::move(mac); }
    // The file of the device sheet last opened or saved; empty for a new
    // one. A unit's DSP configuration is looked for beside it.
    const std::string& DeviceDocPath() const { return m_deviceDocPath; }
    void SetDeviceDocPath(std::string path) { m_deviceDocPath = std::move(path); }
    // The device of a DSP document being made for a unit of a saved sheet.
    int NewDspDeviceId() const { return m_newDspDeviceId; }
    // The DSP document of the unit `deviceId` of `sheet` (OpenDspDocumentOfDevice
    // in dsp_of_device.h), beside the sheet's file, through the DSP editor's
    // registered documents.
    IDspDocument* OpenUnitDspDocument(int deviceId, const model::IDeviceDoc* sheet);
    // The active DSP and device sheet views (null while none is active).
    IFrameView* ActiveDspView() const { return m_activeDspView; }
    IFrameView* ActiveDeviceView() const { return m_activeDeviceView; }
    void SetActiveDspView(IFrameView* view) { m_activeDspView = view; }
    void SetActiveDeviceView(IFrameView* view) { m_activeDeviceView = view; }
    // The device sheet view whose units' DSP documents open: the one last
    // opened, or the one a download ran from.
    IFrameView* OpenDeviceView() const { return m_openDeviceView; }
    void SetOpenDeviceView(IFrameView* view) { m_openDeviceView = view; }
    // The open DSP and device sheet views; each call gives the new count.
    int DspViewCount() const { return m_dspViewCount; }
    int DeviceViewCount() const { return m_deviceViewCount; }
    int DspViewOpened() { return ++m_dspViewCount; }
    int DspViewClosed() { return --m_dspViewCount; }
    int DeviceViewOpened() { return ++m_deviceViewCount; }
    int DeviceViewClosed() { return --m_deviceViewCount; }
    // The DSP views' module and parameter clipboards; the DSP editor
    // decides what they hold.
    std::any m_moduleClipboard;
    std::any m_parameterClipboard;

    CStatusPanes& Status() override { return m_status; }
    void UpdateStatusPanes(int selector) override;
    // Status panes 1-3 from the range and the adapter's address.
    void UpdateIpPanes();
    // Pane 205, when the active view is a device sheet's.
    void UpdateSheetSizePane();

    // -- device services, for the editors and the run-state poller
    void SetOnlineList(comm::COnlineDeviceList& list) { m_online = &list; }
    // The one-shot text command through the frame's poller: 1 when the unit
    // answered (`reply` set when wanted), else 0.
    int SendTextCommand(const std::string& ip, const std::string& text, bool replyWanted,
                        std::string* reply) override;
    // 1 with `value` set, -1 on failure, -3 for an address outside the
    // configured range (no guard while the range is unset).
    int SnmpGet(const std::string& ip, const std::string& oid, std::string& value) override;
    // 0 on success, -1 on failure, -3 outside the range.
    int SnmpSet(const std::string& ip, const std::string& oid, const std::string& value) override;
    // 1 with `ip` set when the MAC is one of ours ("00602b" and 12
    // characters), the discovery server has a valid device for it and the
    // online list holds a real address for it; else 0.
    int GetOnlineDeviceIp(const std::string& mac, std::string& ip) override;
    std::string GetAdapterIp() override;
    const std::string& LocalAdapterIp() const { return m_localAdapterIp; }
    void SetLocalAdapterIp(std::string ip) { m_localAdapterIp = std::move(ip); }

    // -- the routing database, for the DSP editor's router-link query
    // Opens the connection (made on first use) with `settings`: 1 open; 0
    // not, after the log line and message 250.
    int LoadRoutesFromDatabase(const CDatabaseSettings& settings);
    // The connection; null until the first LoadRoutesFromDatabase.
    CRouterDatabase* Database() const { return m_database.get(); }
    // True until the user has confirmed the settings dialog; then the
    // server, user and password entered there.
    bool DatabaseSettingsPending() const { return m_databaseSettingsPending; }
    void SetDatabaseSettingsPending(bool pending) { m_databaseSettingsPending = pending; }
    const CDatabaseSettings& DatabaseSettings() const { return m_databaseSettings; }
    void SetDatabaseSettings(const CDatabaseSettings& settings) { m_databaseSettings = settings; }

private:
    bool OutsideRange(const std::string& ip) const;
    bool StartWatch(const std::string& netType);
    void NetThreadFailed();
    void Forward(IFrameView* view, int code);

    IFrameWindows& m_windows;
    ITimer& m_blinkTimer;
    CStatusPanes m_status;
    comm::COnlineDeviceList* m_online;

    std::uint32_t m_rangeStart = 0;
    std::uint32_t m_rangeEnd = 0;
    std::string m_localAdapterIp;
    std::string m_netType;
    comm::CWatchState* m_watchState = nullptr;
    INetWatch* m_watch = nullptr;
    std::chrono::milliseconds m_firstSweepLimit{60000};

    comm::Imanager m_discovery;
    comm::Icom_manager m_poller;
    comm::Icom_adapter m_adapter;

    bool m_busy = false;
    const void* m_downloadingFrame = nullptr;
    IFrameView* m_downloadingView = nullptr;
    const void* m_runningFrame = nullptr;
    IFrameView* m_runningView = nullptr;
    bool m_blinkPhase = false;

    std::string m_changedUnitMac;
    std::string m_deviceDocPath;
    int m_newDspDeviceId = 0;
    IFrameView* m_activeDspView = nullptr;
    IFrameView* m_activeDeviceView = nullptr;
    IFrameView* m_openDeviceView = nullptr;
    int m_dspViewCount = 0;
    int m_deviceViewCount = 0;

    std::unique_ptr<CRouterDatabase> m_database;
    bool m_databaseSettingsPending = true;
    CDatabaseSettings m_databaseSettings;
};

} // namespace shell
