#include "comm/net_watch.h"

#include "comm/automation_wrappers.h"
#include "comm/event_log.h"
#include "model/messages.h"
#include "platform/automation/activation.h"
#include "resources/message_ids.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <pcap/pcap.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace comm {

namespace {

constexpr std::uint8_t kAnnounceGroup[6] = {0x01, 0x60, 0x2b, 0xff, 0xff, 0x01};
constexpr const char* kAnnounceGroupText = "01602bffff01";
constexpr const char* kAnnounceFilter = "ether dst 01:60:2b:ff:ff:01";
constexpr std::size_t kIpEntryAt = 22;
constexpr std::size_t kIpAt = 24;
constexpr int kSnapLength = 200;
// More failures than this without a completed sweep, and the thread gives up.
constexpr int kErrorLimit = 100;

std::string DottedIp(const std::uint8_t* bytes)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

// What both threads share: the failure count, the give-up state, the stop
// and the end.
class CWatchPasses {
public:
    CWatchPasses(CWatchState& state, COnlineDeviceList& list, const CWatchTiming& timing)
        : m_state(state), m_list(list), m_timing(timing)
    {
    }

    // Runs `pass` until the stop; a failure it throws is counted like any
    // other, and the thread goes on.
    template <typename Pass> void Run(Pass&& pass)
    {
        for (;;) {
            if (m_state.stop) {
                m_list.Clear();
                WriteLog("Net thread stopped");
                return;
            }
            if (m_fatal) {
                Sleep(m_timing.fatalSleep);
                continue;
            }
            try {
                if (m_errors > kErrorLimit)
                    GiveUp();
                else
                    pass();
            } catch (const std::exception& e) {
                Failed(std::string("Thread error: ") + e.what(), m_timing.failureSleep);
            } catch (...) {
                Failed("Thread error: unknown exception", m_timing.failureSleep);
            }
        }
    }

    void Failed(std::string_view text, std::chrono::milliseconds sleep)
    {
        WriteLog(std::string(text) + " " + std::to_string(m_errors));
        ++m_errors;
        Sleep(sleep);
    }

    void SweepDone()
    {
        m_errors = 0;
        m_state.firstSweep = 1;
        m_state.sweepEvent.set();
    }

    bool Sleep(std::chrono::milliseconds duration) { return m_state.SleepUnlessStopped(duration); }
    bool Stopped() const { return m_state.stop; }
    CWatchState& State() { return m_state; }
    COnlineDeviceList& List() { return m_list; }
    const CWatchTiming& Timing() const { return m_timing; }

private:
    void GiveUp()
    {
        // Set before the message, which waits for the user: a main frame
        // waiting for the first sweep goes on meanwhile.
        m_state.sweepEvent.set();
        WriteLog("Thread error: catch arp, errcnt>100! To restore it, please restart Halvik! " +
                 std::to_string(m_errors));
        m_errors = -1;
        m_fatal = true;
        if (m_state.firstSweep)
            model::ShowMessage(resources::kMsgWatchGaveUp);
        Sleep(m_timing.fatalSleep);
    }

    CWatchState& m_state;
    COnlineDeviceList& m_list;
    const CWatchTiming& m_timing;
    int m_errors = 0;
    bool m_fatal = false;
};

// ---- capture

struct CDevicesDeleter {
    void operator()(pcap_if_t* devices) const { pcap_freealldevs(devices); }
};
struct CCaptureDeleter {
    void operator()(pcap_t* capture) const { pcap_close(capture); }
};

bool HasIpv4(const pcap_if_t& device, const std::string& ip)
{
    for (const pcap_addr_t* a = device.addresses; a; a = a->next) {
        if (!a->addr || a->addr->sa_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) && ip == text)
            return true;
    }
    return false;
}

// The card's own MAC as text, empty when it cannot be read.
std::string CardMac(const std::string& name)
{
    if (name.size() >= IFNAMSIZ)
        return {};
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    ifreq request{};
    std::memcpy(request.ifr_name, name.c_str(), name.size());
    std::string mac;
    if (::ioctl(fd, SIOCGIFHWADDR, &request) == 0)
        mac = BytesToHex(reinterpret_cast<const std::uint8_t*>(request.ifr_hwaddr.sa_data), 6);
    ::close(fd);
    return mac;
}

class CCapturePass {
public:
    explicit CCapturePass(CWatchPasses& passes) : m_passes(passes) {}

    void operator()()
    {
        const CWatchTiming& timing = m_passes.Timing();
        char error[PCAP_ERRBUF_SIZE] = {};
        pcap_if_t* found = nullptr;
        if (pcap_findalldevs(&found, error) == -1) {
            m_passes.Failed("Thread error: in pcap_findalldevs!", timing.failureSleep);
            return;
        }
        const std::unique_ptr<pcap_if_t, CDevicesDeleter> devices(found);
        if (!devices) {
            m_passes.Failed("Thread error: adapterlist = NULL", timing.noAdapterSleep);
            return;
        }
        const std::string localIp = m_passes.State().LocalIp();
        const pcap_if_t* card = devices.get();
        while (card && !HasIpv4(*card, localIp))
            card = card->next;
        if (!card) {
            m_passes.Failed("Thread error: match interface!", timing.failureSleep);
            return;
        }
        const std::string name = card->name;
        WriteLog("Thread info: open " + name + " !");
        const std::unique_ptr<pcap_t, CCaptureDeleter> capture(pcap_open_live(
            name.c_str(), kSnapLength, 1, static_cast<int>(timing.readTimeout.count()), error));
        if (!capture) {
            m_passes.Failed("Thread error: in pcap_open_live!", timing.failureSleep);
            return;
        }
        bpf_u_int32 net = 0;
        bpf_u_int32 mask = 0;
        if (pcap_lookupnet(name.c_str(), &net, &mask, error) == -1) {
            m_passes.Failed("Thread error: pcap_lookupnet failure!", timing.failureSleep);
            return;
        }
        bpf_program program{};
        if (pcap_compile(capture.get(), &program, kAnnounceFilter, 1, mask) == -1) {
            m_passes.Failed("Thread error: in pcap_compile!", timing.failureSleep);
            return;
        }
        const int installed = pcap_setfilter(capture.get(), &program);
        pcap_freecode(&program);
        if (installed == -1) {
            m_passes.Failed("Thread error: in pcap_setfilter!", timing.failureSleep);
            return;
        }
        // Read without blocking, waiting on the capture's descriptor: a
        // blocking read on Linux may not come back before a frame arrives,
        // whatever its time-out, and the sweep must end on time.
        const int descriptor = pcap_get_selectable_fd(capture.get());
        if (descriptor < 0 || pcap_setnonblock(capture.get(), 1, error) == -1) {
            m_passes.Failed("Thread error: in pcap_open_live!", timing.failureSleep);
            return;
        }
        Sweep(capture.get(), descriptor, CardMac(name));
    }

private:
    void Sweep(pcap_t* capture, int descriptor, const std::string& ownMac)
    {
        const CWatchTiming& timing = m_passes.Timing();
        COnlineDeviceList& list = m_passes.List();
        while (!m_passes.Stopped()) {
            list.BeginSweep();
            const auto start = std::chrono::steady_clock::now();
            for (;;) {
                const auto left = timing.sweepWindow - (std::chrono::steady_clock::now() - start);
                if (left <= left.zero())
                    break;
                if (m_passes.Stopped())
                    return;
                pcap_pkthdr* header = nullptr;
                const u_char* data = nullptr;
                const int read = pcap_next_ex(capture, &header, &data);
                if (read == 0) {
                    // Nothing buffered: wait for a frame, at most the read
                    // time-out, so the stop is seen.
                    const auto wait = std::min(
                        timing.readTimeout,
                        std::chrono::ceil<std::chrono::milliseconds>(left));
                    pollfd ready{descriptor, POLLIN, 0};
                    ::poll(&ready, 1, static_cast<int>(wait.count()));
                    // An error the read does not report (a card gone down)
                    // would wake the poll at once, again and again.
                    if (ready.revents && !(ready.revents & POLLIN))
                        m_passes.Sleep(wait);
                    continue;
                }
                if (read != 1) {
                    m_passes.Failed("Thread error: in pcap_next_ex!", timing.failureSleep);
                    return;
                }
                if (const auto device = ParseAnnouncement(data, header->caplen, ownMac))
                    list.MarkSeen(device->mac, device->ip);
            }
            list.EndSweepKeepingUnseen();
            m_passes.SweepDone();
            m_passes.Sleep(timing.sweepSleep);
        }
    }

    CWatchPasses& m_passes;
};

// ---- the discovery server's table

class CManagerPass {
public:
    CManagerPass(CWatchPasses& passes, std::string cardTitle)
        : m_passes(passes), m_cardTitle(std::move(cardTitle))
    {
    }
    ~CManagerPass() { Release(); }

    void operator()()
    {
        const CWatchTiming& timing = m_passes.Timing();
        if (m_adapter.IsNull()) {
            const Sleeper sleep = [this](std::chrono::milliseconds d) { m_passes.Sleep(d); };
            if (!CreateNetComponents(&m_discovery, nullptr, m_adapter, m_cardTitle, sleep)) {
                m_passes.Failed("Failed to initiate net manager catching devices!",
                                timing.creationSleep);
                return;
            }
        }
        try {
            Sweep();
        } catch (...) {
            // The server may be gone: reach it afresh on the next pass.
            Release();
            throw;
        }
    }

private:
    void Sweep()
    {
        const CWatchTiming& timing = m_passes.Timing();
        if (m_adapter.ip() != m_passes.State().LocalIp()) {
            m_passes.Failed("Thread error: match interface!", timing.failureSleep);
            return;
        }
        COnlineDeviceList& list = m_passes.List();
        while (!m_passes.Stopped()) {
            list.BeginSweep();
            for (Icom_device device = m_adapter.device_first(); device.valid();
                 device = m_adapter.device_next(device))
                list.MarkSeen(device.mac(), device.ip());
            list.EndSweepRemovingUnseen();
            m_passes.SweepDone();
            m_passes.Sleep(timing.sweepSleep);
        }
    }

    void Release()
    {
        m_adapter.Release();
        m_discovery.Release();
    }

    CWatchPasses& m_passes;
    std::string m_cardTitle;
    Imanager m_discovery;
    Icom_adapter m_adapter;
};

} // namespace

std::optional<CAnnouncement> ParseAnnouncement(const std::uint8_t* frame, std::size_t length,
                                               std::string_view ownMac)
{
    if (length < kIpAt + 4)
        return std::nullopt;
    if (BytesToHex(frame, sizeof kAnnounceGroup) != kAnnounceGroupText)
        return std::nullopt;
    if (frame[12] != 0x88 || frame[13] != 0x19 || frame[14] != 1)
        return std::nullopt;
    CAnnouncement device{BytesToHex(frame + 6, 6), kNoIp};
    if (!ownMac.empty() && device.mac == ownMac)
        return std::nullopt;
    const std::uint8_t words = frame[kIpEntryAt];
    const std::uint8_t type = frame[kIpEntryAt + 1];
    if ((type & 0xFC) == 8 && words >= 3)
        device.ip = DottedIp(frame + kIpAt);
    return device;
}

void NetCaptureThread(CWatchState& state, COnlineDeviceList& list, const CWatchTiming& timing)
{
    const model::CWorkerStopScope scope(state.StopToken());
    CWatchPasses passes(state, list, timing);
    CCapturePass pass(passes);
    passes.Run(pass);
}

void NetManagerThread(CWatchState& state, std::string cardTitle, COnlineDeviceList& list,
                      const CWatchTiming& timing)
{
    const model::CWorkerStopScope scope(state.StopToken());
    const platform::automation::initializer_t automation;
    if (automation.hr() < 0) {
        // Nobody may wait for a first sweep that never comes.
        state.sweepEvent.set();
        model::ShowMessage(resources::kMsgComInitFailed);
        return;
    }
    CWatchPasses passes(state, list, timing);
    CManagerPass pass(passes, std::move(cardTitle));
    passes.Run(pass);
}

ENetWatch NetWatchFromNetType(std::string_view netType)
{
    return netType == "Normal" ? ENetWatch::Capture : ENetWatch::Manager;
}

CNetWatch::CNetWatch(CWatchState& state, COnlineDeviceList& list, CWatchTiming timing)
    : m_state(state), m_list(list), m_timing(timing)
{
}

CNetWatch::~CNetWatch()
{
    Stop();
}

void CNetWatch::Start(ENetWatch kind, std::string cardTitle)
{
    Stop();
    m_state.ResetStop();
    m_thread = std::thread([this, kind, cardTitle = std::move(cardTitle)]() mutable {
        if (kind == ENetWatch::Capture)
            NetCaptureThread(m_state, m_list, m_timing);
        else
            NetManagerThread(m_state, std::move(cardTitle), m_list, m_timing);
    });
}

void CNetWatch::Stop()
{
    if (!m_thread.joinable())
        return;
    m_state.RequestStop();
    m_thread.join();
}

} // namespace comm
