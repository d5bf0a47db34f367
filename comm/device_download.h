#pragma once
// The compile-and-download of a device sheet: on a thread of its own, it
// checks the network settings, collects the sheet's units, makes sure each
// is on line with an address inside the configured range (assigning one
// through the discovery server where needed), sends every unit its routes
// and has it keep them. Every step writes a line to the main frame's output
// list; the main frame hears the outcome through IDownloadFrame.
//
// A CDeviceDownload owns its thread: one download at a time, cancelled and
// joined before the download object (and so before the document and the
// frame, which must outlive it) goes. The operator may stop a download under
// way; a stop, like the cancel, is seen between steps and wakes every wait,
// and the download then ends by its failure end.
#include "comm/automation_wrappers.h"
#include "comm/online_devices.h"
#include "comm/route_commands.h"
#include "comm/text_command.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace model {
class CBaseDevice;
class IDeviceDoc;
}

namespace comm {

// The main frame as the download reaches it.
class IDownloadFrame {
public:
    virtual ~IDownloadFrame() = default;
    // A request; not waited for.
    virtual void SetWaitCursor(bool wait) = 0;
    // NOTIFY_DOWNLOAD_BEGIN and NOTIFY_DOWNLOAD_FAILED: the download waits
    // until the frame has handled them (or until it is cancelled).
    virtual void NotifyDownloadBegin() = 0;
    virtual void NotifyDownloadFailed() = 0;
    // NOTIFY_DOWNLOAD_DONE: posted, not waited for.
    virtual void NotifyDownloadDone() = 0;
};

// What the download needs of the discovery server and the poller.
class IDownloadComponents {
public:
    virtual ~IDownloadComponents() = default;
    // Both servers with the adapter of `cardTitle`; false when that failed
    // (nothing kept). Automation failures of the calls below are raised.
    virtual bool Create(const std::string& cardTitle) = 0;
    virtual void Release() = 0;
    virtual std::string AdapterIp() = 0;
    // Whether the discovery server holds a valid device of that MAC.
    virtual bool HasDevice(const std::string& mac) = 0;
    // Puts `ip` to that device.
    virtual void AssignIp(const std::string& mac, const std::string& ip) = 0;
    // Route texts, and the command that makes a unit keep its routes, as
    // one-shots to the unit at `ip`.
    virtual RouteTextSender Routes(const std::string& ip, const Sleeper& sleep) = 0;
    virtual int StoreRoutes(const std::string& ip, const Sleeper& sleep) = 0;
};

// The program's components (CreateNetComponents).
class CNetDownloadComponents final : public IDownloadComponents {
public:
    bool Create(const std::string& cardTitle) override;
    void Release() override;
    std::string AdapterIp() override;
    bool HasDevice(const std::string& mac) override;
    void AssignIp(const std::string& mac, const std::string& ip) override;
    RouteTextSender Routes(const std::string& ip, const Sleeper& sleep) override;
    int StoreRoutes(const std::string& ip, const Sleeper& sleep) override;

private:
    Imanager m_discovery;
    Icom_adapter m_adapter;
    Icom_manager m_poller;
};

// What the shell hands a download.
struct DownloadSettings {
    // The range addresses may be assigned from, first part in the high byte.
    std::uint32_t rangeStart = 0;
    std::uint32_t rangeEnd = 0;
    std::string cardTitle;
    // How long a newly assigned address is awaited in the online-device
    // list, and how often it is looked for. The list learns an address at
    // the end of a sweep (2 s of capture, 2 s of sleep), so two whole sweep
    // cycles.
    std::chrono::milliseconds assignWait{8000};
    std::chrono::milliseconds assignPoll{500};
    // How long one unit may take to take an address, over every address
    // tried for it. Two addresses' worth: enough to pass over an address a
    // host off the list answers for, while a unit that ignores assignment
    // fails after this instead of after one wait per free address of the
    // range (over half an hour for a whole /24).
    std::chrono::milliseconds assignUnitLimit{16000};
};

// Thrown out of the download's steps and waits once it is stopped or
// cancelled.
struct CDownloadCancelled {};

// One download's run: the steps as the thread takes them, reachable one by
// one for tests.
class CDownloadRun {
public:
    CDownloadRun(model::IDeviceDoc& doc, IDownloadFrame& frame, IOutputList& output,
                 IDownloadComponents& components, const DownloadSettings& settings,
                 COnlineDeviceList& online, Sleeper sleep = RealSleep,
                 SteadyClock clock = RealClock, std::stop_token stop = {});

    // The whole download (DownloadThreadProc); 0. A stop (`stop` requested,
    // or a wait that throws CDownloadCancelled) ends it by the failure end,
    // with the line that says it was stopped.
    int Run(const std::string& title);

    void CollectDownloadUnits();
    // 1 when every unit left is on line with an address in the range.
    int PrepareUnits();
    void DownloadDeviceDocument();

    const std::vector<model::CBaseDevice*>& Units() const { return m_units; }
    int Errors() const { return m_errors; }
    int Warnings() const { return m_warnings; }

private:
    bool InRange(const std::string& ip) const;
    bool AssignAddress(model::CBaseDevice& unit);
    void SetUnitIp(model::CBaseDevice& unit, const std::string& ip);
    bool CheckRangeEnd(const std::string& adapterIp, std::uint32_t end, int okLine, int errorLine);
    template <typename... Args> void Line(int id, const Args&... args);
    void Line(const std::string& text);
    void Steps(const std::string& title);
    void FailureEnd();
    // Throws CDownloadCancelled once the download is stopped.
    void CheckStop() const;
    // The download's own pause, left by the throw once it is stopped (the
    // thread's sleeper wakes at the stop).
    void Pause(std::chrono::milliseconds duration);

    model::IDeviceDoc& m_doc;
    IDownloadFrame& m_frame;
    IOutputList& m_output;
    IDownloadComponents& m_components;
    DownloadSettings m_settings;
    COnlineDeviceList& m_online;
    Sleeper m_sleep;
    SteadyClock m_clock;
    std::stop_token m_stop;
    std::vector<model::CBaseDevice*> m_units;
    int m_errors = 0;
    int m_warnings = 0;
};

// A unit of `units` already holds `ip`.
bool DeviceArrayHasIp(const std::vector<model::CBaseDevice*>& units, const std::string& ip);

// Start, Stop and Cancel are called from one thread, the owner's.
class CDeviceDownload {
public:
    using ComponentsFactory = std::function<std::unique_ptr<IDownloadComponents>()>;

    CDeviceDownload(IDownloadFrame& frame, IOutputList& output,
                    ComponentsFactory makeComponents = DefaultComponents,
                    COnlineDeviceList& online = OnlineDevices());
    // Cancels and joins.
    ~CDeviceDownload();
    CDeviceDownload(const CDeviceDownload&) = delete;
    CDeviceDownload& operator=(const CDeviceDownload&) = delete;

    // Starts the download of `doc` (titled `title`); false, and nothing
    // started, while one runs.
    bool Start(model::IDeviceDoc& doc, std::string title, DownloadSettings settings);
    bool Running() const { return m_running; }
    // The operator's stop: asks a running download to stop and returns at
    // once. The download leaves its current step or wait, writes why it
    // ended and tells the frame it failed, as any failed download does;
    // joining it here would keep the frame from hearing that.
    void Stop();
    // Cancels a running download and waits for its thread.
    void Cancel();
    // Waits for a running download to end by itself.
    void Join();

    static std::unique_ptr<IDownloadComponents> DefaultComponents();

private:
    IDownloadFrame& m_frame;
    IOutputList& m_output;
    ComponentsFactory m_makeComponents;
    COnlineDeviceList& m_online;
    std::atomic<bool> m_running{false};
    // The running download's stop; a new one for every download.
    std::stop_source m_stop;
    std::jthread m_thread;
};

} // namespace comm
