#pragma once
// The two watch threads that keep the online-device list current, one of
// them chosen at start-up by the [NetAttri] NetType setting:
//  - NetCaptureThread listens itself, through libpcap, for the devices'
//    announcement frames on the card whose IPv4 address is the local IP;
//  - NetManagerThread walks the discovery server's device table of the
//    card named by its title.
// Both rebuild the list in sweeps and signal the main frame after each one.
// They count their failures; a completed sweep clears the count, and past
// 100 failures the thread gives up for the rest of the run (message 311),
// after having set the sweep event so that nobody waits for it for ever.
#include "comm/online_devices.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace comm {

// A device as its announcement frame names it.
struct CAnnouncement {
    std::string mac; // 12 lower-case hexadecimal digits
    std::string ip;  // dotted; "0.0.0.0" when the frame carries none
    bool operator==(const CAnnouncement&) const = default;
};

// An announcement frame (Ethernet II, from its first byte, `length` bytes
// captured) as the capture thread reads it:
//   0  destination 01:60:2b:ff:ff:01    12  EtherType 0x8819
//   6  source: the device               14  kind, 1 for an announcement
//   16 entries: length in 16-bit words, type, data; the devices put their
//      IP entry second, so bytes 22-23 head it (type & 0xFC == 8) and its
//      address is at 24-27.
// Nothing for any other frame, for a frame too short to hold the address,
// and for one from `ownMac` (the card's own reservation requests, which
// come back through the multicast group); "0.0.0.0" when bytes 22-23 head
// no IP entry long enough for an address.
std::optional<CAnnouncement> ParseAnnouncement(const std::uint8_t* frame, std::size_t length,
                                               std::string_view ownMac);

// The threads' waits, the values of the program by default; tests shorten
// them. Every sleep ends at once when the stop is requested.
struct CWatchTiming {
    std::chrono::milliseconds sweepWindow{2000};  // capture time of one sweep
    std::chrono::milliseconds sweepSleep{2000};   // after each completed sweep
    std::chrono::milliseconds readTimeout{100};   // a capture read returns at least this often
    std::chrono::milliseconds failureSleep{100};  // after most failures
    std::chrono::milliseconds noAdapterSleep{200}; // no capture interface at all
    std::chrono::milliseconds creationSleep{1000}; // the discovery server could not be reached
    std::chrono::milliseconds fatalSleep{2000};   // each pass once the thread gave up
};

// The thread procedures. Each runs until the state's stop is requested,
// then empties `list`, logs "Net thread stopped" and returns. They show
// their messages through the message service, whose waits the state's stop
// ends.
void NetCaptureThread(CWatchState& state, COnlineDeviceList& list = OnlineDevices(),
                      const CWatchTiming& timing = {});
void NetManagerThread(CWatchState& state, std::string cardTitle,
                      COnlineDeviceList& list = OnlineDevices(), const CWatchTiming& timing = {});

enum class ENetWatch { Capture, Manager };

// "Normal" (the default setting) captures; any other value asks the
// discovery server.
ENetWatch NetWatchFromNetType(std::string_view netType);

// Owns the one watch thread of the main frame.
class CNetWatch {
public:
    explicit CNetWatch(CWatchState& state, COnlineDeviceList& list = OnlineDevices(),
                       CWatchTiming timing = {});
    // Stops the thread.
    ~CNetWatch();
    CNetWatch(const CNetWatch&) = delete;
    CNetWatch& operator=(const CNetWatch&) = delete;

    // Starts the thread of `kind` (stopping one that runs); `cardTitle` is
    // the card the manager thread asks the discovery server about.
    void Start(ENetWatch kind, std::string cardTitle = {});
    // Requests the stop and waits for the thread to end.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

private:
    CWatchState& m_state;
    COnlineDeviceList& m_list;
    CWatchTiming m_timing;
    std::thread m_thread;
};

} // namespace comm
