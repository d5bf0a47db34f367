#pragma once
// The process-wide list of the audio-network devices on line, with their
// addresses, kept by one watch thread (net_watch.h) and read by the
// download, the main frame and the device sheet editor.
//
// One lock guards the list; the watch thread takes it for each change and
// the lookups for each search. Lookups return copies, never an entry the
// watch thread may delete.
#include "platform/sync/event.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace comm {

inline constexpr const char* kNoIp = "0.0.0.0";

// One entry of the list.
struct CNetDevice {
    std::string mac; // 12 lower-case hexadecimal digits
    int online = 0;  // seen in the latest sweep
    int seen = 0;    // seen in the sweep going on
    int spare = 0;
    std::string ip = kNoIp;
};

// Two lower-case hexadecimal digits per byte, no separators.
std::string BytesToHex(const std::uint8_t* bytes, std::size_t count);

class COnlineDeviceList {
public:
    // The position of the entry whose MAC is exactly `mac`.
    std::optional<std::size_t> FindNetDeviceNode(std::string_view mac) const;
    // The online flag / IP of the entry whose MAC is `mac` lower-cased; 0 /
    // "" when there is none.
    int IsNetDeviceOnline(std::string_view mac) const;
    std::string GetNetDeviceIP(std::string_view mac) const;
    // Whether an entry on line holds `ip`.
    bool OnlineEntryHasIp(std::string_view ip) const;
    std::vector<CNetDevice> Snapshot() const;

    // The watch thread's side. A sweep clears every seen flag, marks what it
    // sees (an unknown MAC joins at the tail), then either keeps the unseen
    // entries off line ("0.0.0.0") or removes them.
    void BeginSweep();
    void MarkSeen(std::string_view mac, std::string_view ip);
    void EndSweepKeepingUnseen();
    void EndSweepRemovingUnseen();
    void Clear();

private:
    mutable std::mutex m_lock;
    std::list<CNetDevice> m_devices;
};

// The one list of the program.
COnlineDeviceList& OnlineDevices();
// The free functions the program's callers use, over the one list.
std::optional<std::size_t> FindNetDeviceNode(std::string_view mac);
int IsNetDeviceOnline(std::string_view mac);
std::string GetNetDeviceIP(std::string_view mac);

// What the main frame shares with its watch thread: the stop flag, the
// card's local address, and the signal after each completed sweep.
class CWatchState {
public:
    std::atomic<bool> stop{false};
    // Set after every completed sweep, and when the watch gives up, so a
    // main frame waiting for the first sweep never waits for ever.
    platform::sync::event_t sweepEvent{platform::sync::event_t::reset::automatic};
    std::atomic<int> firstSweep{0};

    void SetLocalIp(std::string ip);
    std::string LocalIp() const;

    // Sets the stop flag and wakes the watch thread at once, out of its
    // sleeps and out of a message box it waits on. Setting `stop` alone
    // ends the thread only when it next looks.
    void RequestStop();
    // Clears the stop for the next watch thread (none may be running).
    void ResetStop();
    // The watch thread's sleeps: `duration`, or less when the stop is
    // requested; whether it is.
    bool SleepUnlessStopped(std::chrono::milliseconds duration);
    // Requested with the stop (for the message service's waits).
    std::stop_token StopToken() const;

private:
    mutable std::mutex m_lock;
    std::string m_localIp;
    std::stop_source m_stopSource;
};

} // namespace comm
