// vgsim: simulated devices of the audio network on one Ethernet interface.
//
// Run it inside a network namespace, on one end of a veth pair:
//
//   vgsim --interface IF [--device MAC[=IP|=none]]... [--period-min MS]
//         [--period-max MS] [--seed N]
//
// Each device multicasts an announcement (kind 1) every period-min to
// period-max ms (default 500 to 1000) from its MAC. A device given as MAC
// announces an IP entry with 0.0.0.0 (it has no address yet), MAC=IP one
// with that address, MAC=none no IP entry at all. A device with an address
// answers ARP requests for it; a device named by a RARP reply (operation 4)
// adopts the address the reply gives.
//
// Standard output, one line per event:
//   ready <interface MAC>
//   rx-reservation <monotonic ms> <length> <frame in hex>   (an audio-network
//                    kind-1 frame to 01:60:2b:ff:ff:01 from a MAC not ours)
//   arp-reply <MAC> <IP>
//   adopted <MAC> <IP>
//   ignored-rarp <MAC> <IP>  (a deaf device was told an address)
//   ok <command>       after each command of standard input is done
//   error <text>
//
// Standard input, one command per line (end of input ends the program):
//   add MAC[=IP|=none]        remove MAC
//   silence MAC               resume MAC   (announces at once)
//   deaf MAC                  hearing MAC  (a deaf device ignores RARP
//                                           replies, so keeps its address)
//   announce MAC [IP|none]    one announcement from any MAC, now
//   malformed KIND MAC        one bad frame: short, past-end, len2, no-ip,
//                             no-terminator, bad-version, kind2, ipv4
//   raw HEX                   any frame, given whole
//   flood COUNT MACS [RATE]   COUNT announcements from MACS devices
//                             00:60:2b:10:xx:xx with addresses 198.19.x.y,
//                             RATE frames per second (0: as fast as it can);
//                             reports "flood-done <sent> <ms>" before "ok"
//   quit
#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using bytes_t = std::vector<std::uint8_t>;
using mac_t = std::array<std::uint8_t, 6>;

constexpr mac_t announce_group = {0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x01};
constexpr mac_t broadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

struct device_t {
    bool ip_entry = true;
    std::uint32_t ip = 0; // host order
    bool silent = false;
    bool deaf = false;
    std::uint64_t due = 0;
};

std::uint64_t now_ms() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::optional<mac_t> parse_mac(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != ':' && c != '-')
            digits += c;
    if (digits.size() != 12)
        return std::nullopt;
    mac_t mac{};
    for (std::size_t i = 0; i < 6; ++i) {
        char* end = nullptr;
        const std::string pair = digits.substr(2 * i, 2);
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0')
            return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(value);
    }
    return mac;
}

std::optional<std::uint32_t> parse_ip(const std::string& text) {
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

std::string mac_text(const mac_t& mac) {
    char text[13];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return text;
}

std::string ip_text(std::uint32_t ip) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255,
                  ip & 255);
    return text;
}

std::string hex(const std::uint8_t* data, std::size_t length) {
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        text += pair;
    }
    return text;
}

void put_mac(bytes_t& frame, const mac_t& mac) {
    frame.insert(frame.end(), mac.begin(), mac.end());
}

void put_u16(bytes_t& frame, std::uint16_t value) {
    frame.push_back(static_cast<std::uint8_t>(value >> 8));
    frame.push_back(static_cast<std::uint8_t>(value));
}

void put_ip(bytes_t& frame, std::uint32_t ip) {
    for (int shift = 24; shift >= 0; shift -= 8)
        frame.push_back(static_cast<std::uint8_t>(ip >> shift));
}

// Destination, source, 0x8819, kind, version.
bytes_t vargo_header(const mac_t& source, std::uint8_t kind = 1, std::uint8_t version = 2) {
    bytes_t frame;
    put_mac(frame, announce_group);
    put_mac(frame, source);
    put_u16(frame, 0x8819);
    frame.push_back(kind);
    frame.push_back(version);
    return frame;
}

void pad(bytes_t& frame) {
    if (frame.size() < 60)
        frame.resize(60, 0);
}

// Status entry, then (optionally) the IP entry, then a capability entry and
// the end word: the layout the devices use.
bytes_t announcement(const mac_t& source, bool ip_entry, std::uint32_t ip) {
    bytes_t frame = vargo_header(source);
    frame.insert(frame.end(), {0x03, 0x04, 0x00, 0x00, 0x00, 0x00});
    if (ip_entry) {
        frame.insert(frame.end(), {0x03, 0x08});
        put_ip(frame, ip);
    }
    frame.insert(frame.end(), {0x04, 0x40, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00});
    put_u16(frame, 0);
    pad(frame);
    return frame;
}

std::optional<bytes_t> malformed(const std::string& kind, const mac_t& source) {
    const std::uint32_t ip = 0xC6120163; // 198.18.1.99
    bytes_t frame;
    if (kind == "short") {
        // Ends inside the audio-network header.
        frame = vargo_header(source);
        frame.pop_back();
    } else if (kind == "past-end") {
        // The IP entry's data runs past the end of the frame.
        frame = vargo_header(source);
        frame.insert(frame.end(), {0x03, 0x04, 0x00, 0x00, 0x00, 0x00, 0x03, 0x08, 0xC6, 0x12});
    } else if (kind == "len2") {
        // An IP entry of two words: room for half an address.
        frame = vargo_header(source);
        frame.insert(frame.end(), {0x02, 0x08, 0xC6, 0x12, 0x00, 0x00});
        pad(frame);
    } else if (kind == "no-ip") {
        frame = announcement(source, false, 0);
    } else if (kind == "no-terminator") {
        frame = vargo_header(source);
        frame.insert(frame.end(), {0x03, 0x04, 0x00, 0x00, 0x00, 0x00, 0x03, 0x08});
        put_ip(frame, ip);
    } else if (kind == "bad-version") {
        frame = vargo_header(source, 1, 3);
        frame.insert(frame.end(), {0x03, 0x08});
        put_ip(frame, ip);
        pad(frame);
    } else if (kind == "kind2") {
        frame = vargo_header(source, 2);
        frame.insert(frame.end(), {0x03, 0x08});
        put_ip(frame, ip);
        pad(frame);
    } else if (kind == "ipv4") {
        put_mac(frame, broadcast);
        put_mac(frame, source);
        put_u16(frame, 0x0800);
        pad(frame);
    } else {
        return std::nullopt;
    }
    return frame;
}

class sim_t {
public:
    sim_t(int fd, unsigned min_ms, unsigned max_ms, unsigned seed)
        : fd_(fd), min_ms_(min_ms), max_ms_(max_ms), random_(seed) {}

    bool add(const std::string& spec) {
        const std::size_t equals = spec.find('=');
        const std::optional<mac_t> mac = parse_mac(spec.substr(0, equals));
        if (!mac)
            return false;
        device_t device;
        if (equals != std::string::npos) {
            const std::string value = spec.substr(equals + 1);
            if (value == "none") {
                device.ip_entry = false;
            } else {
                const std::optional<std::uint32_t> ip = parse_ip(value);
                if (!ip)
                    return false;
                device.ip = *ip;
            }
        }
        device.due = now_ms() + next_period();
        devices_[*mac] = device;
        return true;
    }

    void send(const bytes_t& frame) {
        if (::send(fd_, frame.data(), frame.size(), 0) < 0)
            say(std::string("error send: ") + std::strerror(errno));
    }

    void announce_due() {
        const std::uint64_t now = now_ms();
        for (auto& [mac, device] : devices_) {
            if (device.silent || device.due > now)
                continue;
            send(announcement(mac, device.ip_entry, device.ip));
            device.due = now + next_period();
        }
    }

    int wait_ms() const {
        std::uint64_t next = now_ms() + 1000;
        for (const auto& [mac, device] : devices_)
            if (!device.silent)
                next = std::min(next, device.due);
        const std::uint64_t now = now_ms();
        return next > now ? static_cast<int>(next - now) : 0;
    }

    void receive() {
        std::uint8_t frame[2048];
        for (;;) {
            const ssize_t n = ::recv(fd_, frame, sizeof frame, MSG_DONTWAIT);
            if (n < 0)
                return;
            handle(frame, static_cast<std::size_t>(n));
        }
    }

    // A command line; false ends the program.
    bool command(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        if (verb.empty())
            return true;
        if (verb == "quit")
            return false;
        std::string arg;
        in >> arg;
        bool done = true;
        if (verb == "add") {
            done = add(arg);
        } else if (verb == "remove") {
            const std::optional<mac_t> mac = parse_mac(arg);
            done = mac && devices_.erase(*mac) > 0;
        } else if (verb == "silence" || verb == "resume") {
            const std::optional<mac_t> mac = parse_mac(arg);
            const auto it = mac ? devices_.find(*mac) : devices_.end();
            done = it != devices_.end();
            if (done) {
                it->second.silent = verb == "silence";
                it->second.due = now_ms();
                announce_due();
            }
        } else if (verb == "deaf" || verb == "hearing") {
            const std::optional<mac_t> mac = parse_mac(arg);
            const auto it = mac ? devices_.find(*mac) : devices_.end();
            done = it != devices_.end();
            if (done)
                it->second.deaf = verb == "deaf";
        } else if (verb == "announce") {
            const std::optional<mac_t> mac = parse_mac(arg);
            std::string value;
            in >> value;
            done = mac.has_value();
            if (done && value == "none") {
                send(announcement(*mac, false, 0));
            } else if (done) {
                const std::optional<std::uint32_t> ip =
                    value.empty() ? std::optional<std::uint32_t>(0) : parse_ip(value);
                done = ip.has_value();
                if (done)
                    send(announcement(*mac, true, *ip));
            }
        } else if (verb == "malformed") {
            std::string target;
            in >> target;
            const std::optional<mac_t> mac = parse_mac(target);
            const std::optional<bytes_t> frame = mac ? malformed(arg, *mac) : std::nullopt;
            done = frame.has_value();
            if (done)
                send(*frame);
        } else if (verb == "raw") {
            // Any frame, given whole in hex.
            bytes_t frame;
            for (std::size_t i = 0; i + 1 < arg.size(); i += 2)
                frame.push_back(
                    static_cast<std::uint8_t>(std::strtol(arg.substr(i, 2).c_str(), nullptr, 16)));
            done = frame.size() >= 14 && arg.size() % 2 == 0;
            if (done)
                send(frame);
        } else if (verb == "flood") {
            long macs = 0;
            long rate = 0;
            in >> macs >> rate;
            done = flood(std::atol(arg.c_str()), macs, rate);
        } else {
            done = false;
        }
        say((done ? "ok " : "error ") + line);
        return true;
    }

private:
    unsigned next_period() {
        std::uniform_int_distribution<unsigned> pick(min_ms_, std::max(min_ms_, max_ms_));
        return pick(random_);
    }

    void handle(const std::uint8_t* frame, std::size_t length) {
        if (length < 14)
            return;
        const std::uint16_t type = static_cast<std::uint16_t>(frame[12] << 8 | frame[13]);
        mac_t source;
        std::copy_n(frame + 6, 6, source.begin());
        if (type == 0x8819 && length >= 16 && frame[14] == 1 &&
            std::equal(announce_group.begin(), announce_group.end(), frame) &&
            devices_.count(source) == 0) {
            say("rx-reservation " + std::to_string(now_ms()) + " " + std::to_string(length) + " " +
                hex(frame, length));
            return;
        }
        if ((type != 0x0806 && type != 0x8035) || length < 42)
            return;
        const std::uint16_t operation = static_cast<std::uint16_t>(frame[20] << 8 | frame[21]);
        const std::uint32_t target_ip = static_cast<std::uint32_t>(frame[38]) << 24 |
                                        static_cast<std::uint32_t>(frame[39]) << 16 |
                                        static_cast<std::uint32_t>(frame[40]) << 8 | frame[41];
        if (type == 0x8035 && operation == 4) {
            mac_t target;
            std::copy_n(frame + 32, 6, target.begin());
            const auto it = devices_.find(target);
            if (it == devices_.end())
                return;
            if (it->second.deaf) {
                say("ignored-rarp " + mac_text(target) + " " + ip_text(target_ip));
                return;
            }
            it->second.ip = target_ip;
            it->second.ip_entry = true;
            say("adopted " + mac_text(target) + " " + ip_text(target_ip));
            return;
        }
        if (type != 0x0806 || operation != 1 || target_ip == 0)
            return;
        for (const auto& [mac, device] : devices_) {
            if (device.silent || !device.ip_entry || device.ip != target_ip)
                continue;
            // Reply to the asker: its hardware and protocol address from the
            // request's sender fields.
            bytes_t reply;
            reply.insert(reply.end(), frame + 22, frame + 28);
            put_mac(reply, mac);
            put_u16(reply, 0x0806);
            reply.insert(reply.end(), {0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x02});
            put_mac(reply, mac);
            put_ip(reply, device.ip);
            reply.insert(reply.end(), frame + 22, frame + 32);
            pad(reply);
            send(reply);
            say("arp-reply " + mac_text(mac) + " " + ip_text(device.ip));
        }
    }

    bool flood(long count, long macs, long rate) {
        if (count <= 0 || macs <= 0 || macs > 65535 || rate < 0)
            return false;
        std::vector<bytes_t> frames;
        for (long i = 0; i < macs; ++i) {
            const mac_t mac = {0x00,
                               0x60,
                               0x2B,
                               0x10,
                               static_cast<std::uint8_t>(i >> 8),
                               static_cast<std::uint8_t>(i)};
            frames.push_back(
                announcement(mac, true, 0xC6130000u + static_cast<std::uint32_t>(i) + 1));
        }
        constexpr long batch = 64;
        std::vector<mmsghdr> messages(batch);
        std::vector<iovec> vectors(batch);
        const std::uint64_t start = now_ms();
        long sent = 0;
        while (sent < count) {
            const long n = std::min(batch, count - sent);
            for (long i = 0; i < n; ++i) {
                bytes_t& frame = frames[static_cast<std::size_t>((sent + i) % macs)];
                vectors[i] = {frame.data(), frame.size()};
                messages[i] = {};
                messages[i].msg_hdr.msg_iov = &vectors[i];
                messages[i].msg_hdr.msg_iovlen = 1;
            }
            const int done = ::sendmmsg(fd_, messages.data(), static_cast<unsigned>(n), 0);
            if (done < 0) {
                if (errno == ENOBUFS || errno == EAGAIN || errno == EINTR) {
                    ::usleep(50);
                    continue;
                }
                say(std::string("error flood: ") + std::strerror(errno));
                break;
            }
            sent += done;
            if (rate > 0) {
                // Paced: never ahead of the schedule.
                const std::uint64_t due = start + static_cast<std::uint64_t>(sent) * 1000u /
                                                      static_cast<std::uint64_t>(rate);
                const std::uint64_t now = now_ms();
                if (due > now)
                    ::usleep(static_cast<useconds_t>((due - now) * 1000));
            }
            receive();
        }
        say("flood-done " + std::to_string(sent) + " " + std::to_string(now_ms() - start));
        return true;
    }

    int fd_;
    unsigned min_ms_;
    unsigned max_ms_;
    std::mt19937 random_;
    std::map<mac_t, device_t> devices_;
};

int usage() {
    std::fputs("usage: vgsim --interface IF [--device MAC[=IP|=none]]... [--period-min MS] "
               "[--period-max MS] [--seed N]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string interface;
    std::vector<std::string> devices;
    unsigned min_ms = 500;
    unsigned max_ms = 1000;
    unsigned seed = static_cast<unsigned>(::getpid());
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return usage();
        const std::string value = argv[++i];
        if (option == "--interface")
            interface = value;
        else if (option == "--device")
            devices.push_back(value);
        else if (option == "--period-min")
            min_ms = static_cast<unsigned>(std::atoi(value.c_str()));
        else if (option == "--period-max")
            max_ms = static_cast<unsigned>(std::atoi(value.c_str()));
        else if (option == "--seed")
            seed = static_cast<unsigned>(std::atoi(value.c_str()));
        else
            return usage();
    }
    if (interface.empty() || interface.size() >= IFNAMSIZ)
        return usage();

    const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ALL));
    if (fd < 0) {
        std::perror("vgsim: socket");
        return 1;
    }
    const int ifindex = static_cast<int>(::if_nametoindex(interface.c_str()));
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, interface.c_str(), IFNAMSIZ - 1);
    if (ifindex == 0 || ::ioctl(fd, SIOCGIFHWADDR, &ifr) != 0) {
        std::fprintf(stderr, "vgsim: no interface %s\n", interface.c_str());
        return 1;
    }
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ALL);
    address.sll_ifindex = ifindex;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("vgsim: bind");
        return 1;
    }
    // The devices' MACs are not the interface's: take every frame.
    packet_mreq promiscuous{};
    promiscuous.mr_ifindex = ifindex;
    promiscuous.mr_type = PACKET_MR_PROMISC;
    ::setsockopt(fd, SOL_PACKET, PACKET_ADD_MEMBERSHIP, &promiscuous, sizeof promiscuous);
    const int one = 1;
    ::setsockopt(fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &one, sizeof one);

    mac_t own{};
    std::memcpy(own.data(), ifr.ifr_hwaddr.sa_data, 6);
    sim_t sim(fd, min_ms, max_ms, seed);
    for (const std::string& spec : devices) {
        if (!sim.add(spec)) {
            std::fprintf(stderr, "vgsim: bad device %s\n", spec.c_str());
            return 2;
        }
    }
    say("ready " + mac_text(own));

    std::string pending;
    for (;;) {
        sim.announce_due();
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {fd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, sim.wait_ms());
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            sim.receive();
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char chunk[1024];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n <= 0)
                break;
            pending.append(chunk, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!sim.command(line)) {
                    ::close(fd);
                    return 0;
                }
            }
        }
    }
    ::close(fd);
    return 0;
}
