#pragma once
// CDeviceRunState: a device sheet while its configuration runs on the units.
// Owned by the sheet's view, which forwards the main frame's notifications
// (0x401..0x404) to OnAppNotify. Entering the run state marks the units on
// line, sends every unit its channel gains, starts the units' DSP documents
// and, the first time, two threads that live until the view goes:
//
//  - the status poller keeps the monitored amplifiers (model 21) in step:
//    it carries out the requests their status and limits dialogs set in the
//    device (store the output gains, switch sleep, set the gains, read the
//    sleep state) and reads their samples and output volumes every round;
//  - the alarm thread sounds the alarm file while a monitored reading of an
//    amplifier on line lies outside its limits.
//
// Threads and the sheet: one sheet lock, owned here. The threads take it to
// read a device's fields and to store what they read, never across a
// command or a wait, and find their device again by (id, sub-type) after
// each command, so a device gone meanwhile is skipped. The UI thread takes
// it (LockSheet) around every write of a field the threads read (online
// marks, names, MAC and IP texts, an amplifier's record, the property
// dialogs' writes included) and around every change of the device array;
// the view refuses drops, deletions, undo and redo while the sheet runs.
// What the threads send to windows goes through IUnitPort, whose
// implementation queues it to the UI thread; nothing here waits for the UI.
//
// Stopping: RequestStop raises the stop flag (tested between the poller's
// steps and units and after each alarm round) and wakes the built-in
// sleeps; Join waits for both threads. A command under way ends within its
// own time-out, so the view's end waits at most that long.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace model {
class CBaseDevice;
class CDeviceQOVG;
} // namespace model
namespace platform::sound {
class IAlarmPlayer;
}

namespace device_editor {

class CZoDeviceDoc;

// The main frame's notifications a device view handles.
inline constexpr int kNotifyDownloadBegins = 0x401;
inline constexpr int kNotifyRunStateEntered = 0x402;
inline constexpr int kNotifyDownloadFailed = 0x403;
inline constexpr int kNotifyRunStateLeft = 0x404;
// To a unit's DSP document views: start and stop.
inline constexpr int kNotifyDspStart = 0x466;
inline constexpr int kNotifyDspStop = 0x467;
// To an amplifier's open status dialogs: new readings and volumes; new
// sleep state.
inline constexpr int kNotifyStatusReadings = 0x415;
inline constexpr int kNotifyStatusSleep = 0x416;

// The amplifier's variables of its output gains (set) and volumes (read).
inline constexpr const char* kLeftGainOid = "1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.4.1.2.12";
inline constexpr const char* kRightGainOid = "1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.4.1.2.16";
inline constexpr const char* kLeftVolumeOid = "1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.2.1.2.12";
inline constexpr const char* kRightVolumeOid = "1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.2.1.2.13";

// Sleeps of the threads; tests give one that counts.
using RunSleeper = std::function<void(std::chrono::milliseconds)>;

// What the run state needs of the world outside the sheet. Called from the
// UI thread and from both threads: every member must be safe to call from
// any thread, and those that reach windows queue their work to the UI
// thread instead of waiting for it. No member throws: a failure of the
// communication underneath is a failed command or request.
class IUnitPort {
public:
    virtual ~IUnitPort() = default;
    // Sends "*" + text + "#" to the unit at `ip` and waits for its reply, at
    // most one command's time-out (4000 ms). True with `reply` set (the
    // framed text) when the unit answered.
    virtual bool SendTextCommand(const std::string& ip, const std::string& text,
                                 std::string& reply) = 0;
    // 1 with `value` set on success, else another number.
    virtual int SnmpGet(const std::string& ip, const std::string& oid, std::string& value) = 0;
    // 0 on success, else another number.
    virtual int SnmpSet(const std::string& ip, const std::string& oid,
                        const std::string& value) = 0;
    // The main frame's address of a unit a command may go to; false when it
    // has none.
    virtual bool GetOnlineDeviceIp(const std::string& mac, std::string& ip) = 0;
    // The network card's address, dotted IPv4 text.
    virtual std::string GetAdapterIp() = 0;
    // The online-device list: the entry's online flag and IP text (MAC
    // without regard to letter case); 0 and "" when there is none.
    virtual int IsNetDeviceOnline(const std::string& mac) = 0;
    virtual std::string GetNetDeviceIP(const std::string& mac) = 0;
    // Whether `ip` lies within the configured address range, both ends
    // included.
    virtual bool InConfiguredRange(const std::string& ip) = 0;
    // The main frame is not downloading and has a running view.
    virtual bool SheetRunning() = 0;
    // A line of the main frame's output list.
    virtual void AddOutputLine(const std::string& line) = 0;
    // A line of the event log.
    virtual void WriteLog(const std::string& text) = 0;
    // Posts `code` (0x415, 0x416) to every open status dialog of the device.
    virtual void PostToStatusDialogs(std::int32_t id, std::int32_t subType, int code) = 0;
};

// What became of a unit's DSP document on entering the run state.
enum class EDspStart {
    // Found or opened, and its views were told to start.
    Started,
    // Empty, made new because the unit has no DSP file and not edited
    // since: nothing in it is the operator's, so the unit keeps the
    // configuration it runs.
    KeptRunning,
    // None could be found, opened or made.
    NotOpened,
};

// What the run state does to the views and documents around it; UI thread
// only.
class IRunStateView {
public:
    virtual ~IRunStateView() = default;
    // The main frame's standard and special tool bars refresh their states.
    virtual void RefreshToolBars() = 0;
    virtual void UpdateAllViews() = 0;
    // The view becomes the main frame's download view.
    virtual void RecordDownloadView() = 0;
    // Finds or opens the DSP document of the unit; one that holds a
    // configuration gets the route texts and its views 0x466.
    virtual EDspStart StartDspDocument(std::int32_t deviceId,
                                       const std::vector<std::string>& routes) = 0;
    // Sends 0x467 to the first view of the open DSP document of that unit.
    virtual void StopDspDocument(const std::string& mac) = 0;
    virtual void Activate() = 0;
};

// -- the texts and numbers of the run state

// The integer part of 10^(dB / 20) x 2^27, the amplifier's gain value;
// nothing when dB is not finite or the value leaves int.
std::optional<int> GainValue(float dB);
// An amplifier's volume reading in dB: 10 log10(v / 1048576) + 15.5, or
// -100 for v <= 0.
float VolumeFromReading(long long value);
// A volume nobody knows: not read, or not read since the unit was lost.
inline constexpr float kUnknownVolume = std::numeric_limits<float>::quiet_NaN();
// Marks what the amplifier last reported unknown (samples -1, volumes
// kUnknownVolume) once it no longer describes the unit; true when something
// was known.
bool ForgetReadings(model::CDeviceQOVG& unit);
// A "*GETPO=dddd#" reply of 12 characters into the four port values; false,
// `ports` untouched, for any other length, head or a non-digit.
bool ReadPortLevels(std::string_view reply, std::array<std::int32_t, 4>& ports);
// A "*GETAV0 dddd dddd ... dddd#" reply of 48 characters into the eight
// samples; false, `samples` untouched, otherwise.
bool ReadAnalogSamples(std::string_view reply, std::array<std::int32_t, 8>& samples);
// The gain command of input channel `index` of a unit of `model`:
// "SETVO" + channel number (%02d) + (step, plus 0x20 with phantom power)
// (%03d); the channels count from 1, a model-3 unit's from its seventh
// input (its first six take no command: nothing).
std::optional<std::string> ChannelGainCommand(std::int32_t model, int index, int gainStep,
                                              bool phantomPower);
// Whether two dotted addresses agree up to their last ".".
bool SameSubnet(std::string_view a, std::string_view b);
// The route texts of a unit's inputs, one per input: for an input's first
// link "*ROUTE<own code><sender code><ch %02d><sender ch %02d>110<ch %02d>
// <bundle %03d>#", else "".
std::vector<std::string> BuildRouteCommands(const CZoDeviceDoc& doc,
                                            const model::CBaseDevice& device);
// The alarm sound: "Alarm.wav" in the first of `folders` that holds it (the
// name matched without regard to case); none when no folder does.
std::optional<std::filesystem::path>
FindAlarmSound(const std::vector<std::filesystem::path>& folders);

class CDeviceRunState {
public:
    // The alarm sound is looked for in `alarmFolders` (FindAlarmSound) each
    // time it is to sound. An empty sleeper sleeps for real and wakes when
    // the stop is requested.
    CDeviceRunState(CZoDeviceDoc& doc, IUnitPort& port, IRunStateView& view,
                    platform::sound::IAlarmPlayer& player,
                    std::vector<std::filesystem::path> alarmFolders, RunSleeper sleep = {});
    // Stops and joins the threads.
    ~CDeviceRunState();
    CDeviceRunState(const CDeviceRunState&) = delete;
    CDeviceRunState& operator=(const CDeviceRunState&) = delete;

    // The main frame's notification `code`; UI thread.
    void OnAppNotify(int code);

    // With flag 1 each device's online mark becomes the online-device
    // list's flag for its MAC, but only for a unit in the adapter's subnet;
    // with another flag, that flag.
    void UpdateOnlineState(int flag);
    // While the sheet runs: the marks again from the online-device list as
    // it stands now, against the adapter's address taken on entering; true
    // when a mark changed. Units come on line and go after the download.
    bool RefreshOnlineMarks();
    // The channel gains of every unit the main frame can reach in the
    // adapter's subnet, reported line by line in the output list; the last
    // line says how many failed, if any did.
    void SendGainCommands();
    // Starts (0x466) or stops (0x467, any other code) the DSP documents of
    // the sheet's units of models 1 to 3; a unit whose document was made
    // empty is listed as keeping its configuration.
    void SendToDspDocuments(int code);

    // One round of each thread, as the threads run them.
    void PollRound();
    void AlarmRound();

    // Held by the UI thread around writes of fields the threads read.
    std::unique_lock<std::mutex> LockSheet() { return std::unique_lock(m_sheetLock); }

    bool ThreadsStarted() const { return m_poller.joinable(); }
    void RequestStop();
    void Join();
    bool StopRequested() const { return m_stop.load(); }

private:
    struct UnitKey {
        std::int32_t id = 0;
        std::int32_t subType = 0;
        std::string name;
        std::string mac;
    };

    void StartThreads();
    // Each device's mark as UpdateOnlineState gives it; true when one
    // changed.
    bool ApplyOnlineMarks(int flag);
    // Every amplifier's read-sleep-state, set-gains and read-volumes
    // requests raised, as an idle round does.
    void RequestEverything();
    void Sleep(std::chrono::milliseconds duration);
    // The amplifier of `key` when it is still on the sheet and on line;
    // call with the lock held.
    model::CDeviceQOVG* FindOnlineAmplifier(const UnitKey& key) const;
    // The unit cannot be polled (gone from the online list, no address,
    // outside the range): its status dialogs stop showing old readings.
    void LoseUnit(const UnitKey& key);
    void PollUnit(const UnitKey& key, const std::string& ip);
    void StoreGains(const UnitKey& key, const std::string& ip);
    void SwitchSleep(const UnitKey& key, const std::string& ip);
    void SetGains(const UnitKey& key, const std::string& ip);
    void ReadSleepState(const UnitKey& key, const std::string& ip);
    void ReadSamples(const UnitKey& key, const std::string& ip);
    void ReadVolumes(const UnitKey& key, const std::string& ip);
    void Listed(const std::string& line);
    void ListedAndLogged(const std::string& line);
    // What keeps the alarm silent: no sound file, a file that cannot be
    // read, no sound output, an output that does not play.
    enum EAlarmFault { kAlarmNotFound, kAlarmFile, kAlarmOutput, kAlarmPlay, kAlarmFaults };

    void PlayAlarmSound();
    // Listed and logged the first time the alarm fails this way since it
    // last sounded; the alarm thread tries again every round.
    void ReportAlarmFault(EAlarmFault fault, const std::string& line);

    CZoDeviceDoc& m_doc;
    IUnitPort& m_port;
    IRunStateView& m_view;
    platform::sound::IAlarmPlayer& m_player;
    std::vector<std::filesystem::path> m_alarmFolders;
    RunSleeper m_sleep;

    // The adapter's address as the run state was entered (UI thread).
    std::string m_adapterIp;
    std::mutex m_sheetLock;
    std::atomic<bool> m_stop{false};
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    // The alarm thread's own.
    std::array<bool, kAlarmFaults> m_alarmFaultReported{};
    std::thread m_poller;
    std::thread m_alarm;
};

} // namespace device_editor
