#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sstream>
#include <stdexcept>

namespace namsim {

namespace {

constexpr std::uint16_t op_rrq = 1;
constexpr std::uint16_t op_wrq = 2;
constexpr std::uint16_t op_data = 3;
constexpr std::uint16_t op_ack = 4;
constexpr std::uint16_t op_error = 5;
constexpr std::size_t block_size = 512;
// Strays wait this long for the client's answer before they are closed.
constexpr std::uint64_t stray_life_ms = 3000;

std::uint64_t now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000 + static_cast<std::uint64_t>(t.tv_nsec) / 1000000;
}

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

std::uint16_t get16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

std::string endpoint(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(a.sin_port));
}

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

int open_udp(in_addr_t address, std::uint16_t port = 0) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        fail("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = address;
    a.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        fail("bind " + endpoint(a));
    }
    return fd;
}

std::vector<std::uint8_t> error_packet(std::uint16_t code, const std::string& text,
                                       bool terminated = true) {
    std::vector<std::uint8_t> packet(4 + text.size() + (terminated ? 1 : 0), 0);
    put16(packet.data(), op_error);
    put16(packet.data() + 2, code);
    std::copy(text.begin(), text.end(), packet.begin() + 4);
    return packet;
}

bool same_endpoint(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// One datagram, or -1 when none is waiting.
ssize_t receive(int fd, std::uint8_t* buffer, std::size_t size, sockaddr_in& from) {
    socklen_t length = sizeof from;
    for (;;) {
        const ssize_t n = ::recvfrom(fd, buffer, size, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

void send_to(int fd, const std::vector<std::uint8_t>& packet, const sockaddr_in& to) {
    ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

bool parse_number(const std::string& text, long low, long high, long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

bool parse_mac(const std::string& hex, std::uint8_t (&bytes)[6]) {
    if (hex.size() != 12)
        return false;
    for (int i = 0; i < 6; ++i) {
        const std::string pair = hex.substr(static_cast<std::size_t>(i) * 2, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1])))
            return false;
        bytes[i] = static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16));
    }
    return true;
}

} // namespace

bool parse_fault(const std::string& spec, fault_t& fault, std::string& error) {
    std::istringstream in(spec);
    std::string word;
    in >> word;
    using kind_t = fault_t::kind_t;
    static const std::pair<const char*, kind_t> kinds[] = {
        {"drop-out", kind_t::drop_out}, {"drop-in", kind_t::drop_in},
        {"dup", kind_t::dup},           {"stray", kind_t::stray},
        {"short", kind_t::short_packet}, {"error", kind_t::error},
        {"error-raw", kind_t::error_raw}, {"silent", kind_t::silent},
        {"corrupt", kind_t::corrupt},
    };
    const auto found = std::find_if(std::begin(kinds), std::end(kinds),
                                    [&](const auto& k) { return word == k.first; });
    if (found == std::end(kinds)) {
        error = "unknown fault '" + word + "'";
        return false;
    }
    fault = fault_t{};
    fault.kind = found->second;
    std::string count;
    in >> count;
    long value = 1;
    if (!(fault.kind == kind_t::silent && count.empty()) && !parse_number(count, 1, 1 << 20, value)) {
        error = "fault '" + word + "' needs a count of 1 or more";
        return false;
    }
    fault.n = static_cast<int>(value);
    if (fault.kind == kind_t::stray) {
        in >> fault.address;
        in_addr unused{};
        if (!fault.address.empty() && inet_pton(AF_INET, fault.address.c_str(), &unused) != 1) {
            error = "bad stray address '" + fault.address + "'";
            return false;
        }
    }
    if (fault.kind == kind_t::error || fault.kind == kind_t::error_raw) {
        std::string code;
        in >> code;
        if (!parse_number(code, 0, 0xffff, value)) {
            error = "fault '" + word + "' needs an error code";
            return false;
        }
        fault.code = static_cast<std::uint16_t>(value);
        std::getline(in >> std::ws, fault.text);
    }
    std::string rest;
    if (fault.kind != kind_t::error && fault.kind != kind_t::error_raw && (in >> rest)) {
        error = "unexpected '" + rest + "'";
        return false;
    }
    return true;
}

struct server_t::session_t {
    int fd = -1;
    int file_fd = -1;
    sockaddr_in client{};
    const bank_t* bank = nullptr;
    std::string requested;
    bool writing = false;
    // Read: the block of the DATA last sent. Write: the block last
    // acknowledged.
    std::uint16_t block = 0;
    std::vector<std::uint8_t> last;
    std::uint64_t deadline = 0;
    int retries_left = 0;
    bool final_sent = false; // read: the short last block is out
    bool dallying = false;   // write: complete; duplicates are acknowledged again
    bool done = false;
    std::size_t bytes = 0;
    std::vector<fault_t> faults;
    int out_count = 0;
    int in_count = 0;
    int data_count = 0;

    const std::string& name() const { return requested; }
    bool has(fault_t::kind_t kind, int n) const {
        return std::any_of(faults.begin(), faults.end(),
                           [&](const fault_t& f) { return f.kind == kind && f.n == n; });
    }
    ~session_t() {
        if (fd >= 0)
            ::close(fd);
        if (file_fd >= 0)
            ::close(file_fd);
    }
};

struct server_t::stray_t {
    int fd = -1;
    std::uint64_t until = 0;
    ~stray_t() {
        if (fd >= 0)
            ::close(fd);
    }
};

server_t::server_t(options_t options) : options_(std::move(options)) {}

server_t::~server_t() {
    if (listen_fd_ >= 0)
        ::close(listen_fd_);
    if (log_fd_ >= 0)
        ::close(log_fd_);
}

std::string server_t::bank_path(const bank_t& bank) const {
    return options_.state_dir + "/" + bank.name;
}

const bank_t* server_t::find_bank(const std::string& name) const {
    for (const bank_t& bank : banks_)
        if (bank.name == name)
            return &bank;
    return nullptr;
}

void server_t::log(const std::string& line) {
    const std::string text = std::to_string(now_ms()) + " " + line + "\n";
    if (log_fd_ >= 0 && ::write(log_fd_, text.data(), text.size()) < 0) {
        // The log is for the tests; a full disk must not stop the unit.
    }
}

void server_t::open() {
    banks_ = options_.family->banks;
    for (const bank_t& extra : options_.extra_banks) {
        auto same = std::find_if(banks_.begin(), banks_.end(),
                                 [&](const bank_t& b) { return b.name == extra.name; });
        if (same != banks_.end())
            same->size = extra.size;
        else
            banks_.push_back(extra);
    }
    if (::mkdir(options_.state_dir.c_str(), 0755) != 0 && errno != EEXIST)
        fail("mkdir " + options_.state_dir);
    // A bank not yet in the folder is erased flash; one of another size is
    // cut or padded with erased bytes.
    for (const bank_t& bank : banks_) {
        const std::string path = bank_path(bank);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            fail("open " + path);
        struct stat info {};
        ::fstat(fd, &info);
        const auto size = static_cast<std::size_t>(info.st_size);
        bool ok = true;
        if (size < bank.size) {
            const std::vector<std::uint8_t> erased(bank.size - size, 0xff);
            ok = ::pwrite(fd, erased.data(), erased.size(), static_cast<off_t>(size)) ==
                 static_cast<ssize_t>(erased.size());
        } else if (size > bank.size) {
            ok = ::ftruncate(fd, static_cast<off_t>(bank.size)) == 0;
        }
        ::close(fd);
        if (!ok)
            fail("resize " + path);
    }
    const std::string log_path =
        options_.log_path.empty() ? options_.state_dir + "/requests.log" : options_.log_path;
    log_fd_ = ::open(log_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (log_fd_ < 0)
        fail("open " + log_path);
    if (!options_.mac.empty())
        set_mac(options_.mac);
    for (const fault_t& fault : options_.faults) {
        if (fault.kind == fault_t::kind_t::silent)
            silent_from_ = fault.n;
        else
            armed_.push_back(fault);
    }

    in_addr address{};
    if (inet_pton(AF_INET, options_.address.c_str(), &address) != 1)
        throw std::runtime_error("bad address " + options_.address);
    bind_address_ = address.s_addr;
    listen_fd_ = open_udp(bind_address_, options_.port);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = ntohs(bound.sin_port);
    log("START " + options_.family->name + " " + endpoint(bound));
}

void server_t::set_mac(const std::string& hex) {
    std::uint8_t mac[6];
    if (!parse_mac(hex, mac))
        throw std::runtime_error("bad MAC '" + hex + "' (12 hexadecimal digits)");
    const bank_t* bank = find_bank(options_.family->config_bank);
    const std::string path = bank_path(*bank);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        fail("open " + path);
    bool ok = true;
    for (int piece = 0; piece < 3; ++piece)
        ok = ok && ::pwrite(fd, mac + piece * 2, 2,
                            static_cast<off_t>(options_.family->mac_offset + piece * 3)) == 2;
    ::close(fd);
    if (!ok)
        fail("write " + path);
}

void server_t::send(session_t& s, std::vector<std::uint8_t> packet) {
    ++s.out_count;
    const int n = s.out_count;
    s.last = packet;
    if (silent_from_ && n >= *silent_from_) {
        log("SILENT " + s.name() + " " + std::to_string(n));
        return;
    }
    for (const fault_t& fault : s.faults) {
        if (fault.n != n)
            continue;
        switch (fault.kind) {
        case fault_t::kind_t::stray:
            send_stray(s, packet, fault.address);
            break;
        case fault_t::kind_t::short_packet: {
            // A DATA opcode with half a block number.
            send_to(s.fd, {0, op_data, 0}, s.client);
            log("SHORT-OUT " + s.name() + " " + std::to_string(n));
            break;
        }
        case fault_t::kind_t::error:
        case fault_t::kind_t::error_raw:
            send_to(s.fd, error_packet(fault.code, fault.text, fault.kind == fault_t::kind_t::error),
                    s.client);
            log("ERROR-OUT " + s.name() + " " + std::to_string(fault.code) + " " + fault.text);
            finish(s, "injected-error");
            return;
        default:
            break;
        }
    }
    if (s.has(fault_t::kind_t::drop_out, n)) {
        log("DROP-OUT " + s.name() + " " + std::to_string(n));
        return;
    }
    send_to(s.fd, packet, s.client);
    if (s.has(fault_t::kind_t::dup, n)) {
        send_to(s.fd, packet, s.client);
        log("DUP-OUT " + s.name() + " " + std::to_string(n));
    }
}

void server_t::send_stray(session_t& s, const std::vector<std::uint8_t>& packet,
                          const std::string& from) {
    in_addr address{};
    address.s_addr = bind_address_;
    if (!from.empty())
        inet_pton(AF_INET, from.c_str(), &address);
    auto stray = std::make_unique<stray_t>();
    try {
        stray->fd = open_udp(address.s_addr);
    } catch (const std::exception& e) {
        log(std::string("STRAY-FAILED ") + e.what());
        return;
    }
    std::vector<std::uint8_t> copy = packet;
    for (std::size_t i = 4; i < copy.size(); ++i)
        copy[i] = static_cast<std::uint8_t>(~copy[i]);
    send_to(stray->fd, copy, s.client);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(stray->fd, reinterpret_cast<sockaddr*>(&bound), &length);
    log("STRAY " + s.name() + " " + std::to_string(s.out_count) + " " + endpoint(bound));
    stray->until = now_ms() + stray_life_ms;
    strays_.push_back(std::move(stray));
}

void server_t::send_data(session_t& s) {
    ++s.block;
    const std::size_t offset = s.bytes;
    const std::size_t n = std::min(block_size, s.bank->size - offset);
    std::vector<std::uint8_t> packet(4 + n, 0xff);
    put16(packet.data(), op_data);
    put16(packet.data() + 2, s.block);
    if (n > 0 && ::pread(s.file_fd, packet.data() + 4, n, static_cast<off_t>(offset)) < 0)
        log("READ-FAILED " + s.name());
    s.bytes = offset + n;
    s.final_sent = n < block_size;
    s.deadline = now_ms() + static_cast<std::uint64_t>(options_.timeout_ms);
    s.retries_left = options_.retries;
    send(s, std::move(packet));
}

void server_t::send_ack(session_t& s) {
    std::vector<std::uint8_t> packet(4);
    put16(packet.data(), op_ack);
    put16(packet.data() + 2, s.block);
    s.deadline = now_ms() + static_cast<std::uint64_t>(options_.timeout_ms);
    s.retries_left = options_.retries;
    send(s, std::move(packet));
}

void server_t::finish(session_t& s, const std::string& how) {
    if (s.done)
        return;
    s.done = true;
    log("END " + s.name() + " " + how + " " + std::to_string(s.bytes));
}

void server_t::on_request() {
    std::uint8_t buffer[1024];
    sockaddr_in from{};
    for (;;) {
        const ssize_t length = receive(listen_fd_, buffer, sizeof buffer, from);
        if (length < 0)
            return;
        const auto end = buffer + length;
        const std::uint16_t opcode = length >= 2 ? get16(buffer) : 0;
        const auto name_end = std::find(std::min(buffer + 2, end), end, 0);
        const auto mode_end = name_end == end ? end : std::find(name_end + 1, end, 0);
        if ((opcode != op_rrq && opcode != op_wrq) || mode_end == end) {
            log("BAD-REQUEST " + std::to_string(length) + " " + endpoint(from));
            send_to(listen_fd_, error_packet(4, "Illegal TFTP operation"), from);
            continue;
        }
        const std::string name(buffer + 2, name_end);
        std::string mode(name_end + 1, mode_end);
        // Options (RFC 2347) after the mode are not supported and so ignored.
        log(std::string(opcode == op_rrq ? "RRQ " : "WRQ ") + name + " " + mode + " " +
            endpoint(from));

        auto s = std::make_unique<session_t>();
        try {
            s->fd = open_udp(bind_address_);
        } catch (const std::exception& e) {
            log(std::string("SOCKET-FAILED ") + e.what());
            continue;
        }
        s->client = from;
        s->requested = name;
        s->faults = std::move(armed_);
        armed_.clear();
        s->bank = find_bank(name);
        session_t& session = *s;
        sessions_.push_back(std::move(s));

        std::transform(mode.begin(), mode.end(), mode.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!session.bank) {
            send(session, error_packet(1, "File not found"));
            finish(session, "not-found");
            continue;
        }
        if (mode != "octet") {
            send(session, error_packet(0, "Only octet mode is supported"));
            finish(session, "bad-mode");
            continue;
        }
        const std::string path = bank_path(*session.bank);
        session.file_fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (session.file_fd < 0) {
            send(session, error_packet(2, "Access violation"));
            finish(session, "no-state-file");
            continue;
        }
        if (opcode == op_wrq) {
            session.writing = true;
            const std::vector<std::uint8_t> erased(session.bank->size, 0xff);
            if (::pwrite(session.file_fd, erased.data(), erased.size(), 0) !=
                static_cast<ssize_t>(erased.size()))
                log("ERASE-FAILED " + session.name());
            send_ack(session);
        } else {
            send_data(session);
        }
    }
}

void server_t::on_session_packet(session_t& s) {
    std::uint8_t buffer[block_size + 64];
    sockaddr_in from{};
    while (!s.done) {
        const ssize_t length = receive(s.fd, buffer, sizeof buffer, from);
        if (length < 0)
            return;
        if (!same_endpoint(from, s.client)) {
            log("FOREIGN " + s.name() + " " + endpoint(from));
            if (length < 2 || get16(buffer) != op_error)
                send_to(s.fd, error_packet(5, "Unknown transfer ID"), from);
            continue;
        }
        ++s.in_count;
        if (s.has(fault_t::kind_t::drop_in, s.in_count)) {
            log("DROP-IN " + s.name() + " " + std::to_string(s.in_count));
            continue;
        }
        if (length < 4) {
            log("SHORT-IN " + s.name() + " " + std::to_string(length));
            continue;
        }
        const std::uint16_t opcode = get16(buffer);
        const std::uint16_t block = get16(buffer + 2);
        const auto n = static_cast<std::size_t>(length - 4);
        if (opcode == op_error) {
            const char* text = reinterpret_cast<const char*>(buffer + 4);
            log("GOT-ERROR " + s.name() + " " + std::to_string(block) + " " +
                std::string(text, strnlen(text, n)));
            finish(s, "client-error");
            return;
        }
        if (!s.writing && opcode == op_ack) {
            // Only the acknowledgement of the block in flight moves on; a
            // duplicate is not answered, or every later block would go out
            // twice. Lost packets are resent on the time-out.
            if (block != s.block) {
                log("OLD-ACK " + s.name() + " " + std::to_string(block));
                continue;
            }
            if (s.final_sent) {
                finish(s, "ok");
                return;
            }
            send_data(s);
            continue;
        }
        if (s.writing && opcode == op_data) {
            if (block == s.block) {
                log("DUP " + s.name() + " " + std::to_string(block));
                send(s, s.last);
                continue;
            }
            if (block != static_cast<std::uint16_t>(s.block + 1) || n > block_size) {
                log("IGNORED " + s.name() + " " + std::to_string(block));
                continue;
            }
            if (s.bytes + n > s.bank->size) {
                send(s, error_packet(3, "Disk full or allocation exceeded"));
                finish(s, "full");
                return;
            }
            std::uint8_t* data = buffer + 4;
            ++s.data_count;
            if (n > 0 && s.has(fault_t::kind_t::corrupt, s.data_count)) {
                data[0] = static_cast<std::uint8_t>(~data[0]);
                log("CORRUPT " + s.name() + " " + std::to_string(block));
            }
            if (n > 0 && ::pwrite(s.file_fd, data, n, static_cast<off_t>(s.bytes)) !=
                             static_cast<ssize_t>(n))
                log("WRITE-FAILED " + s.name());
            s.bytes += n;
            s.block = block;
            log("DATA " + s.name() + " " + std::to_string(block) + " " + std::to_string(n));
            if (!s.dallying && (n < block_size || s.bytes == s.bank->size)) {
                s.dallying = true;
                log("END " + s.name() + " ok " + std::to_string(s.bytes));
            }
            send_ack(s);
            continue;
        }
        send(s, error_packet(4, "Illegal TFTP operation"));
        finish(s, "illegal");
        return;
    }
}

void server_t::on_stray_packet(stray_t& s) {
    std::uint8_t buffer[1024];
    sockaddr_in from{};
    for (;;) {
        const ssize_t length = receive(s.fd, buffer, sizeof buffer, from);
        if (length < 0)
            return;
        std::string line = "STRAY-GOT " + endpoint(from) + " " + std::to_string(length);
        if (length >= 4) {
            line += " " + std::to_string(get16(buffer)) + " " + std::to_string(get16(buffer + 2));
            if (get16(buffer) == op_error) {
                const char* text = reinterpret_cast<const char*>(buffer + 4);
                line += " " + std::string(text, strnlen(text, static_cast<std::size_t>(length - 4)));
            }
        }
        log(line);
    }
}

void server_t::on_timer(session_t& s) {
    if (s.dallying) {
        s.done = true;
        return;
    }
    if (s.retries_left <= 0) {
        finish(s, "timeout");
        return;
    }
    --s.retries_left;
    log("RESEND " + s.name() + " " + std::to_string(s.block));
    s.deadline = now_ms() + static_cast<std::uint64_t>(options_.timeout_ms);
    send(s, s.last);
}

void server_t::drain() {
    on_request();
    for (std::size_t i = 0; i < sessions_.size(); ++i)
        on_session_packet(*sessions_[i]);
    for (auto& stray : strays_)
        on_stray_packet(*stray);
}

std::string server_t::command(const std::string& line) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in >> std::ws, rest);
    if (word == "fault") {
        fault_t fault;
        std::string error;
        if (!parse_fault(rest, fault, error))
            return "error " + error;
        if (fault.kind == fault_t::kind_t::silent)
            silent_from_ = fault.n;
        else
            armed_.push_back(fault);
        return "ok";
    }
    if (word == "clear") {
        armed_.clear();
        silent_from_.reset();
        return "ok";
    }
    if (word == "mac") {
        try {
            set_mac(rest);
        } catch (const std::exception& e) {
            return std::string("error ") + e.what();
        }
        return "ok";
    }
    if (word == "sync" || word == "quit")
        return "ok";
    return "error unknown command '" + word + "'";
}

void server_t::run(int control_fd, int reply_fd) {
    std::string input;
    for (;;) {
        const std::uint64_t now = now_ms();
        std::erase_if(sessions_, [](const auto& s) { return s->done; });
        std::erase_if(strays_, [&](const auto& s) { return s->until <= now; });

        std::vector<pollfd> fds;
        fds.push_back({control_fd, POLLIN, 0});
        fds.push_back({listen_fd_, POLLIN, 0});
        std::vector<session_t*> sessions;
        std::uint64_t next = now + 60000;
        for (auto& s : sessions_) {
            sessions.push_back(s.get());
            fds.push_back({s->fd, POLLIN, 0});
            next = std::min(next, s->deadline);
        }
        std::vector<stray_t*> strays;
        for (auto& s : strays_) {
            strays.push_back(s.get());
            fds.push_back({s->fd, POLLIN, 0});
            next = std::min(next, s->until);
        }
        const int wait = next > now ? static_cast<int>(next - now) : 0;
        if (::poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR)
            fail("poll");

        if (fds[1].revents & POLLIN)
            on_request();
        for (std::size_t i = 0; i < sessions.size(); ++i)
            if (fds[2 + i].revents & POLLIN)
                on_session_packet(*sessions[i]);
        for (std::size_t i = 0; i < strays.size(); ++i)
            if (fds[2 + sessions.size() + i].revents & POLLIN)
                on_stray_packet(*strays[i]);
        const std::uint64_t later = now_ms();
        for (session_t* s : sessions)
            if (!s->done && s->deadline <= later)
                on_timer(*s);

        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char chunk[1024];
            const ssize_t n = ::read(control_fd, chunk, sizeof chunk);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                return;
            if (n > 0)
                input.append(chunk, static_cast<std::size_t>(n));
            for (std::size_t end; (end = input.find('\n')) != std::string::npos;) {
                std::string line = input.substr(0, end);
                input.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.empty())
                    continue;
                // Whatever reached the sockets before the command is handled
                // first, so a test sees the log of its finished transfer.
                drain();
                const std::string reply = command(line) + "\n";
                if (::write(reply_fd, reply.data(), reply.size()) < 0)
                    return;
                if (line == "quit")
                    return;
            }
        }
    }
}

} // namespace namsim
