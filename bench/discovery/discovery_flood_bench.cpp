// What a flood of spoofed senders costs a card session: announcements from
// 100,000 distinct MACs, each with its own address, reach a session over a
// veth pair in network namespaces. The device table and the address history
// must stay within their [Limits] of VGHistory.ini, and so must the
// process's memory; afterwards, with only a few devices still talking, the
// rest of the table ages out (DeviceAgeSeconds) at the sweeps.
//
// The sender sends in windows and waits for the session to have taken in
// the last frame of each, so every MAC does reach the session (the socket's
// drops are reported all the same). Memory is the process's resident size
// (VmRSS) and its peak (VmHWM, ru_maxrss) before and after.
//
// Needs root (namespaces, raw sockets). Usage:
//   discovery_flood_bench [--macs N] [--cap N] [--history N] [--age S] [--window N]
#include "discovery/adapter.h"
#include "discovery/adapter_list.h"
#include "netns.h"
#include "platform/profile/profile.h"
#include "platform/w32n/w32n.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;

// Devices that keep announcing after the flood: what the table ages down to.
constexpr int survivors = 8;
constexpr auto survivor_period = 250ms;

struct memory_t {
    long rss_kib = 0;
    long peak_kib = 0;   // VmHWM
    long maxrss_kib = 0; // getrusage
};

memory_t memory() {
    memory_t m;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            m.rss_kib = std::atol(line.c_str() + 6);
        else if (line.rfind("VmHWM:", 0) == 0)
            m.peak_kib = std::atol(line.c_str() + 6);
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    m.maxrss_kib = usage.ru_maxrss;
    return m;
}

void print_memory(const char* when, const memory_t& m) {
    std::printf("  memory %-24s RSS %7ld KiB  peak (VmHWM) %7ld KiB  ru_maxrss %7ld KiB\n", when,
                m.rss_kib, m.peak_kib, m.maxrss_kib);
}

// Device n: MAC 02:60:2b:nn:nn:nn (locally administered, so it can be no
// real card), address 198.18.1.0 + n (within 198.18.0.0/15 for n < 130,816).
std::array<std::uint8_t, 6> device_mac(std::uint32_t n) {
    return {0x02,
            0x60,
            0x2B,
            static_cast<std::uint8_t>(n >> 16),
            static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n)};
}

std::array<std::uint8_t, 60> announcement(std::uint32_t n) {
    std::array<std::uint8_t, 60> frame{};
    const std::uint8_t group[6] = {0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x01};
    std::memcpy(frame.data(), group, 6);
    const auto mac = device_mac(n);
    std::memcpy(frame.data() + 6, mac.data(), 6);
    const std::uint32_t ip = 0xC6120100u + n;
    const std::uint8_t body[] = {0x88,
                                 0x19,
                                 0x01,
                                 0x02,
                                 0x03,
                                 0x04,
                                 0x00,
                                 0x00,
                                 0x00,
                                 0x00, // status entry
                                 0x03,
                                 0x08,
                                 static_cast<std::uint8_t>(ip >> 24),
                                 static_cast<std::uint8_t>(ip >> 16),
                                 static_cast<std::uint8_t>(ip >> 8),
                                 static_cast<std::uint8_t>(ip), // address entry
                                 0x00,
                                 0x00};
    std::memcpy(frame.data() + 12, body, sizeof body);
    return frame;
}

// A raw socket on the peer's end of the link, opened from inside the
// peer's namespace (the socket stays there).
class sender_t {
public:
    sender_t(netns::namespace_t& peer, const std::string& interface) {
        std::thread opener([&] {
            netns::enter_t inside(peer);
            fd_ = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
            ifindex_ = static_cast<int>(::if_nametoindex(interface.c_str()));
        });
        opener.join();
        if (fd_ < 0 || ifindex_ == 0)
            throw std::runtime_error("cannot open a raw socket on " + interface);
        const int buffer = 4 << 20;
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUFFORCE, &buffer, sizeof buffer);
    }
    ~sender_t() { ::close(fd_); }

    void send(std::uint32_t n) {
        const auto frame = announcement(n);
        sockaddr_ll to{};
        to.sll_family = AF_PACKET;
        to.sll_ifindex = ifindex_;
        to.sll_halen = 6;
        std::memcpy(to.sll_addr, frame.data(), 6);
        for (;;) {
            if (::sendto(fd_, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&to),
                         sizeof to) >= 0)
                return;
            if (errno != ENOBUFS && errno != EAGAIN && errno != EINTR)
                throw std::runtime_error(std::string("send: ") + std::strerror(errno));
            std::this_thread::yield();
        }
    }

private:
    int fd_ = -1;
    int ifindex_ = 0;
};

std::size_t table_size(const qo::vg::adapter_t& session) {
    std::size_t n = 0;
    for (auto d = session.device_first(); d; d = session.device_next(*d))
        ++n;
    return n;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = steady::now() + limit;
    while (!condition()) {
        if (steady::now() > deadline)
            return false;
        std::this_thread::sleep_for(200us);
    }
    return true;
}

qo::mac_address_t as_mac(std::uint32_t n) {
    const auto bytes = device_mac(n);
    char text[13];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    qo::mac_address_t mac;
    mac.try_parse(text);
    return mac;
}

} // namespace

int main(int argc, char** argv) {
    long macs = 100000;
    long cap = 4096;
    long history_cap = 4096;
    long age_s = 3;
    long window = 256;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const long value = std::atol(argv[i + 1]);
        if (option == "--macs")
            macs = value;
        else if (option == "--cap")
            cap = value;
        else if (option == "--history")
            history_cap = value;
        else if (option == "--age")
            age_s = value;
        else if (option == "--window")
            window = value;
    }
    if (macs < 1 || macs > 130000 || cap < 1 || history_cap < 1 || age_s < 1 || window < 1) {
        std::fprintf(stderr, "discovery_flood_bench: --macs 1..130000, the others at least 1\n");
        return 2;
    }
    if (!netns::unavailable_reason().empty()) {
        std::printf("discovery_flood_bench skipped: %s\n", netns::unavailable_reason().c_str());
        return 0;
    }
    const std::filesystem::path home = std::filesystem::temp_directory_path() /
                                       ("discovery-flood-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    ::setenv("MELLICK_HOME", home.c_str(), 1);
    platform::profile::ini_file_t ini(home / "VGHistory.ini");
    ini.write_string("Limits", "Devices", std::to_string(cap));
    ini.write_string("Limits", "History", std::to_string(history_cap));
    ini.write_string("Limits", "DeviceAgeSeconds", std::to_string(age_s));

    int status = 0;
    {
        netns::topology_t topology("flood", 1);
        netns::enter_t inside(topology.hub());
        const std::string card = topology.link(0).hub_if;
        sender_t sender(topology.peer(0), topology.link(0).peer_if);

        const memory_t at_start = memory();
        const qo::vg::adapter_list_t cards;
        const auto session = cards.open(card);
        if (!session || !session->opened()) {
            std::printf("the card did not open\n");
            return 1;
        }
        session->start();
        std::uint32_t received = 0;
        std::uint32_t dropped = 0;
        W32N_GetPacketStatistics(session->handle(), &received, &dropped); // from zero
        const memory_t before = memory();
        std::printf("flood of %ld MACs; [Limits] Devices=%ld History=%ld DeviceAgeSeconds=%ld\n",
                    macs, cap, history_cap, age_s);
        print_memory("before the session", at_start);
        print_memory("session open", before);

        // Phase 1 fills the table to its cap (the baseline: what a full
        // table costs); phase 2 sends the rest, every one a new sender that
        // a full table must make room for.
        long lost_windows = 0;
        const auto send_range = [&](long from, long to) {
            const auto start = steady::now();
            for (long first = from; first < to; first += window) {
                const long end = std::min(to, first + window);
                for (long n = first; n < end; ++n)
                    sender.send(static_cast<std::uint32_t>(n));
                // The newest sender is never the one a full table lets go.
                const qo::mac_address_t last = as_mac(static_cast<std::uint32_t>(end - 1));
                if (!wait_until([&] { return session->device_get(last) != nullptr; }, 5s))
                    ++lost_windows;
            }
            const double seconds = std::chrono::duration<double>(steady::now() - start).count();
            return seconds > 0 ? static_cast<double>(to - from) / seconds : 0.0;
        };
        const long fill = std::min(macs, cap);
        const double fill_rate = send_range(0, fill);
        const memory_t full = memory();
        const double flood_rate = send_range(fill, macs);
        W32N_GetPacketStatistics(session->handle(), &received, &dropped);
        const std::size_t table = table_size(*session);
        const std::size_t history = session->history().entries().size();
        const memory_t after = memory();
        // Saved as the session's close saves it (the save's own buffers are
        // shown apart).
        session->history().save(card);
        const std::size_t saved = ini.read_section(card).size();
        const memory_t after_save = memory();
        std::printf("  filling the table (%ld MACs): %8.0f frames/s\n", fill, fill_rate);
        std::printf("  table full (%ld more MACs):  %8.0f frames/s   ratio full/filling %.2f\n",
                    macs - fill, flood_rate, fill_rate > 0 ? flood_rate / fill_rate : 0.0);
        std::printf("  socket: %u frames, %u dropped; %ld windows not seen in time\n", received,
                    dropped, lost_windows);
        std::printf("  device table %zu records (cap %ld), history %zu entries (cap %ld), "
                    "VGHistory.ini section %zu lines\n",
                    table, cap, history, history_cap, saved);
        print_memory("with the table full", full);
        print_memory("after the flood", after);
        print_memory("after saving the history", after_save);
        const long full_growth = full.rss_kib - before.rss_kib;
        const long flood_growth = after.rss_kib - before.rss_kib;
        std::printf("  RSS growth over the open session: %+ld KiB at the cap, %+ld KiB after all "
                    "%ld MACs (ratio %.2f)\n",
                    full_growth, flood_growth, macs,
                    full_growth > 0 ? static_cast<double>(flood_growth) / full_growth : 0.0);
        const bool within = table <= static_cast<std::size_t>(cap) &&
                            history <= static_cast<std::size_t>(history_cap) &&
                            saved <= static_cast<std::size_t>(history_cap);
        std::printf("table and history within their caps: %s\n", within ? "yes" : "NO");

        // A few devices keep talking; everybody else falls silent. The sweep
        // runs on a frame more than 10 s after the previous sweep, and lets
        // go what was unheard for longer than the age limit.
        std::printf("ageing out (DeviceAgeSeconds=%ld, sweep every %llu s):\n", age_s,
                    static_cast<unsigned long long>(qo::vg::adapter_t::sweep_period_ms / 1000));
        std::atomic<bool> talking{true};
        std::thread chatter([&] {
            while (talking) {
                for (int k = 0; k < survivors; ++k)
                    sender.send(static_cast<std::uint32_t>(macs + k));
                std::this_thread::sleep_for(survivor_period);
            }
        });
        const auto quiet_from = steady::now();
        const auto limit = std::chrono::seconds(age_s) +
                           std::chrono::milliseconds(qo::vg::adapter_t::sweep_period_ms) + 10s;
        std::size_t last_size = table;
        bool aged = false;
        while (steady::now() - quiet_from < limit) {
            std::this_thread::sleep_for(500ms);
            const std::size_t now_size = table_size(*session);
            if (now_size != last_size) {
                std::printf("  after %5.1f s: %zu records, RSS %ld KiB\n",
                            std::chrono::duration<double>(steady::now() - quiet_from).count(),
                            now_size, memory().rss_kib);
                last_size = now_size;
            }
            if (now_size == static_cast<std::size_t>(survivors)) {
                aged = true;
                break;
            }
        }
        talking = false;
        chatter.join();
        std::printf("records aged out down to the %d talking devices: %s\n", survivors,
                    aged ? "yes" : "NO");
        print_memory("after ageing out", memory());

        session->close();
        const std::size_t saved_on_close = ini.read_section(card).size();
        std::printf("  VGHistory.ini section after close: %zu lines\n", saved_on_close);
        status = within && aged && saved_on_close <= static_cast<std::size_t>(history_cap) ? 0 : 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return status;
}
