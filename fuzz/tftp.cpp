// The firmware updater's TFTP client against a scripted unit: a loopback UDP
// peer in this process answers the read or write request with the input's
// datagrams, some of them from a stranger's address, and then with an
// ERROR that ends whatever transfer is still going, so that no input waits
// for a time-out.
//
// Input: a mode byte (bit 0: write instead of read), two bytes that set the
// read limit or the written range, then datagrams, each as a byte whose top
// bit sends it from the stranger, a 16-bit big-endian length (above 600 is
// cut to 600) and the bytes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "firmware/tftp.h"

namespace {

using bytes_t = std::vector<std::uint8_t>;

constexpr std::size_t max_datagrams = 32;
constexpr std::size_t max_datagram = 600;
constexpr std::size_t local_file_size = 2000;
constexpr const char* remote_name = "fuzz.bin";

int bound_socket(const char* address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    ::inet_pton(AF_INET, address, &at.sin_addr);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
        std::perror("fuzz_tftp: peer socket");
        std::exit(1);
    }
    return fd;
}

std::uint16_t port_of(int fd) {
    sockaddr_in at{};
    socklen_t size = sizeof at;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size);
    return ntohs(at.sin_port);
}

// What the peer got: the client's packets in order.
std::vector<bytes_t> drain(int fd) {
    std::vector<bytes_t> packets;
    std::uint8_t buffer[2048];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0)
            return packets;
        packets.emplace_back(buffer, buffer + n);
    }
}

struct datagram_t {
    bool stranger;
    bytes_t bytes;
};

struct peer_t {
    int unit_fd = bound_socket("127.0.0.1");
    int stranger_fd = bound_socket("127.0.0.2");
    std::filesystem::path folder;
    std::filesystem::path local;
    bytes_t local_bytes;

    peer_t() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-tftp-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("fuzz_tftp: temporary folder");
            std::exit(1);
        }
        folder = pattern;
        local = folder / "local.bin";
        for (std::size_t i = 0; i < local_file_size; ++i)
            local_bytes.push_back(static_cast<std::uint8_t>(i * 7 + i / 256));
        std::ofstream(local, std::ios::binary)
            .write(reinterpret_cast<const char*>(local_bytes.data()),
                   static_cast<std::streamsize>(local_bytes.size()));
    }

    // One thread serves every input (a thread per input would cost more
    // than the transfer): it takes the script, waits for the request, sends
    // the script and the closing ERROR to where the request came from.
    void post(const std::vector<datagram_t>& script, bool writing) {
        std::lock_guard lock(mutex_);
        script_ = &script;
        writing_ = writing;
        served_ = false;
        changed_.notify_all();
    }
    void wait_served() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return served_; });
    }
    void start() {
        std::thread([this] {
            for (;;) {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return script_ != nullptr; });
                serve(*script_, writing_);
                script_ = nullptr;
                served_ = true;
                changed_.notify_all();
            }
        }).detach();
    }

private:
    void serve(const std::vector<datagram_t>& script, bool writing) const {
        pollfd ready{unit_fd, POLLIN, 0};
        if (::poll(&ready, 1, 5000) != 1)
            std::abort(); // the client sent no request
        std::uint8_t request[600];
        sockaddr_in client{};
        socklen_t size = sizeof client;
        const ssize_t n = ::recvfrom(unit_fd, request, sizeof request, 0,
                                     reinterpret_cast<sockaddr*>(&client), &size);
        static const std::string name = std::string(remote_name) + '\0' + "octet" + '\0';
        if (n != static_cast<ssize_t>(2 + name.size()) || request[0] != 0 ||
            request[1] != (writing ? 2 : 1) || std::memcmp(request + 2, name.data(), name.size()))
            std::abort(); // not the request the client was asked to make
        for (const datagram_t& d : script)
            ::sendto(d.stranger ? stranger_fd : unit_fd, d.bytes.data(), d.bytes.size(), 0,
                     reinterpret_cast<const sockaddr*>(&client), sizeof client);
        static const std::uint8_t closing[] = {0, 5, 0, 0, 'e', 'n', 'd', 0};
        ::sendto(unit_fd, closing, sizeof closing, 0, reinterpret_cast<const sockaddr*>(&client),
                 sizeof client);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::vector<datagram_t>* script_ = nullptr;
    bool writing_ = false;
    bool served_ = false;
};

peer_t* peer = nullptr;

std::uint16_t get16(const bytes_t& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Never destroyed: its thread waits on it to the end of the process.
    peer = new peer_t;
    peer->start();
    static const struct cleanup_t {
        ~cleanup_t() {
            std::error_code ignored;
            std::filesystem::remove_all(peer->folder, ignored);
        }
    } cleanup;
    tftp::settings_t& settings = tftp::instance();
    settings.port = port_of(peer->unit_fd);
    // Only a lost datagram waits this long; every script ends in an ERROR.
    settings.timeout = 2000;
    settings.write_timeout = 2000;
    settings.retries = 0;
    settings.holdoff = 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const bool writing = data[0] & 1;
    const std::uint32_t a = data[1] * 16u;
    const std::uint32_t b = data[2] * 16u;
    std::vector<datagram_t> script;
    std::size_t at = 3;
    while (at + 3 <= size && script.size() < max_datagrams) {
        const bool stranger = data[at] & 0x80;
        std::size_t length = static_cast<std::size_t>((data[at + 1] << 8) | data[at + 2]);
        length = std::min({length, max_datagram, size - at - 3});
        script.push_back({stranger, bytes_t(data + at + 3, data + at + 3 + length)});
        at += 3 + length;
    }

    // Packets left over from the previous input (the last ACK of a read, the
    // stranger's rejections) must not count here.
    drain(peer->unit_fd);
    drain(peer->stranger_fd);

    const qo::ip_address_t unit(0x7F000001u);
    const std::string received = (peer->folder / "received.bin").string();
    peer->post(script, writing);
    const int result = writing ? tftp::put_ex(unit, peer->local.string(), remote_name, a, b)
                               : tftp::get(unit, remote_name, received, a);
    peer->wait_served();
    if (result != tftp::result_done && result != tftp::result_error &&
        result != tftp::result_timeout)
        std::abort();

    // What the client sent the unit after its request.
    const std::vector<bytes_t> sent = drain(peer->unit_fd);
    for (const bytes_t& packet : sent) {
        if (packet.size() < 4)
            std::abort();
        const std::uint16_t opcode = get16(packet, 0);
        const std::uint16_t block = get16(packet, 2);
        if (writing) {
            // Every DATA block carries the file's bytes for its place in the
            // range, and no more than the range holds.
            if (opcode != 3 || packet.size() > 4 + 512 || block == 0)
                std::abort();
            const std::size_t from = a + (block - 1u) * 512u;
            const std::size_t n = packet.size() - 4;
            if (from + n > a + std::size_t{b} || from + n > peer->local_bytes.size() ||
                !std::equal(packet.begin() + 4, packet.end(), peer->local_bytes.begin() + from))
                std::abort();
        } else if (opcode != 4 || packet.size() != 4) {
            std::abort();
        }
    }
    if (!writing && result == tftp::result_done &&
        std::filesystem::file_size(received) > a)
        std::abort(); // more than the limit reached the disk
    return 0;
}
