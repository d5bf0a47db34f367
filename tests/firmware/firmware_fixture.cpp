#include "firmware_fixture.h"

#include "firmware/tftp.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace firmware_test {

requests_t operator+(requests_t a, const requests_t& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool all_erased(const bytes_t& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xff; });
}

namespace {

using clock_type = std::chrono::steady_clock;

std::vector<char*> argv_of(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

// Waits for the child to end for up to `ms`; true when it has.
bool wait_child(pid_t pid, int ms) {
    const auto until = clock_type::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        if (clock_type::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Ends our own child: first politely, then for good.
void end_child(pid_t pid, int polite_signal) {
    if (pid <= 0)
        return;
    if (polite_signal != 0)
        ::kill(pid, polite_signal);
    if (!wait_child(pid, 5000)) {
        ::kill(pid, SIGKILL);
        wait_child(pid, 5000);
    }
}

sockaddr_in socket_address(const std::string& address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    return a;
}

std::uint16_t free_udp_port(const std::string& address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = socket_address(address, 0);
    socklen_t size = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        throw std::runtime_error(std::string("no free port: ") + std::strerror(errno));
    ::close(fd);
    return ntohs(a.sin_port);
}

// true when a TFTP server answers a read request at the address.
bool tftp_answers(const std::string& address, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    static const char request[] = "\0\1probe-of-a-missing-file\0octet";
    const sockaddr_in to = socket_address(address, port);
    ::sendto(fd, request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    pollfd p{fd, POLLIN, 0};
    const bool answered = ::poll(&p, 1, 200) == 1;
    ::close(fd);
    return answered;
}

// The trace console opens its file once per process, so every test of the
// process shares it; it goes when the process ends.
char trace_file_name[4096];

std::string trace_path() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "firmware-trace-XXXXXX").string();
        const int fd = ::mkstemp(p.data());
        if (fd >= 0)
            ::close(fd);
        std::snprintf(trace_file_name, sizeof trace_file_name, "%s", p.c_str());
        ::setenv("QO_TRACE_FILE", p.c_str(), 1);
        std::atexit([] { ::unlink(trace_file_name); });
        return p;
    }();
    return path;
}

std::uint64_t file_size(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

} // namespace

temp_dir_t::temp_dir_t() {
    std::string pattern = (std::filesystem::temp_directory_path() / "firmware-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

temp_dir_t::~temp_dir_t() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bytes_t read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return bytes_t(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const bytes_t& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bytes_t pattern_bytes(std::size_t size, std::uint32_t seed) {
    bytes_t bytes(size);
    std::uint32_t x = seed * 2654435761u + 0x9e3779b9u;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

std::uint32_t seal_range(bytes_t& image, std::size_t offset, std::size_t length) {
    if (length % 3 != 0 || length == 0 || offset + length > image.size())
        throw std::invalid_argument("seal_range: the range must be whole words inside the image");
    std::uint32_t sum = 0;
    const std::size_t last = offset + length - 3;
    for (std::size_t i = offset; i < last; i += 3)
        sum += image[i] | (image[i + 1] << 8) | (image[i + 2] << 16);
    const std::uint32_t word = (0x1000000u - (sum & 0xffffff)) & 0xffffff;
    image[last] = static_cast<std::uint8_t>(word);
    image[last + 1] = static_cast<std::uint8_t>(word >> 8);
    image[last + 2] = static_cast<std::uint8_t>(word >> 16);
    return word;
}

namespace {

std::uint32_t word_at(const bytes_t& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (static_cast<std::uint32_t>(bytes[at + 2]) << 16);
}

void put_word(bytes_t& bytes, std::size_t at, std::uint32_t word) {
    bytes[at] = static_cast<std::uint8_t>(word);
    bytes[at + 1] = static_cast<std::uint8_t>(word >> 8);
    bytes[at + 2] = static_cast<std::uint8_t>(word >> 16);
}

} // namespace

std::uint32_t range_sum(const bytes_t& bytes, std::size_t offset, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t at = offset; at + 3 <= offset + length; at += 3)
        sum = (sum + word_at(bytes, at)) & 0xffffff;
    return sum;
}

void set_range_checksum(bytes_t& image, std::size_t offset, std::size_t length,
                        std::uint32_t value) {
    if (length % 3 != 0 || length < 6 || offset + length > image.size() || value > 0xffffff)
        throw std::invalid_argument("set_range_checksum: bad range or value");
    const std::size_t last = offset + length - 3;
    if (value == 0) {
        if (range_sum(image, offset, length) == 0)
            image[offset] ^= 1;
        return;
    }
    put_word(image, last, value);
    put_word(image, offset, 0);
    const std::uint32_t rest = range_sum(image, offset, length);
    put_word(image, offset, (0x1000000u - rest) & 0xffffff);
}

bytes_t tolk_image(std::uint32_t seed, const update::checksums_t& checksums,
                   bool second_code_range) {
    bytes_t image = pattern_bytes(0x100000, seed);
    set_range_checksum(image, 0, 0x6000, checksums.boot);
    set_range_checksum(image, 0x10000, 0x1110f, checksums.fpga);
    // The second FPGA lies inside the code range: it is sealed first, and
    // the code's own words stay outside it.
    set_range_checksum(image, 0x60000, 0x1110f, checksums.fpga2);
    if (second_code_range) {
        set_range_checksum(image, 0x40000, 0x3ffff, 0);
        set_range_checksum(image, 0x80000, 0x3ffff, checksums.code);
    } else {
        set_range_checksum(image, 0x40000, 0x3ffff, checksums.code);
        set_range_checksum(image, 0x80000, 0x3ffff, 0);
    }
    return image;
}

bytes_t range_of(const bytes_t& bytes, std::size_t offset, std::size_t length) {
    return bytes_t(bytes.begin() + static_cast<long>(offset),
                   bytes.begin() + static_cast<long>(offset + length));
}

void install_tolk_unit(const std::string& state_dir, const bytes_t& image, int pair,
                       std::uint32_t config_seed) {
    std::filesystem::create_directories(state_dir);
    auto bank = [&](const std::string& name, std::size_t offset, std::size_t length) {
        write_file(state_dir + "/" + name, range_of(image, offset, length));
    };
    bank("m01", 0, 0x4000);
    bank("m02", 0x4000, 0x2000);
    bank("m04", 0x8000, 0x18000);
    bank("m05", 0x20000, 0x20000);
    if (pair != 0) {
        auto name = [](int n) { return std::string(n < 10 ? "m0" : "m") + std::to_string(n); };
        bank(name(pair), 0x40000, 0x20000);
        bank(name(pair + 1), 0x60000, 0x20000);
    }
    write_file(state_dir + "/m03", pattern_bytes(0x2000, config_seed));
}

namespace {

void write_bank(const std::string& state_dir, const std::string& name, const bytes_t& bytes) {
    write_file(state_dir + "/" + name, bytes);
}

// Bytes of `image` with a configuration record of pattern bytes laid over
// them at `at`.
bytes_t with_record(bytes_t bytes, std::size_t at, std::uint32_t config_seed) {
    const bytes_t record = pattern_bytes(1024, config_seed);
    std::copy(record.begin(), record.end(), bytes.begin() + static_cast<long>(at));
    return bytes;
}

} // namespace

void install_tolkamd_unit(const std::string& state_dir, const bytes_t& image, int bank,
                          std::uint32_t config_seed) {
    std::filesystem::create_directories(state_dir);
    auto name = [](int n) { return std::string(n < 10 ? "a0" : "a") + std::to_string(n); };
    write_bank(state_dir, "a01", range_of(image, 0, 0x4000));
    write_bank(state_dir, "a02", range_of(image, 0x4000, 0x2000));
    write_bank(state_dir, "a05", range_of(image, 0x10000, 0x10000));
    write_bank(state_dir, "a06", range_of(image, 0x20000, 0x10000));
    if (bank != 0)
        for (int k = 0; k < 4; ++k)
            write_bank(state_dir, name(bank + k),
                       range_of(image, 0x40000 + static_cast<std::size_t>(k) * 0x10000, 0x10000));
    write_bank(state_dir, "a03", pattern_bytes(0x2000, config_seed));
}

bytes_t brisk_image(std::uint32_t seed, const update::checksums_t& checksums, bool large) {
    bytes_t image = pattern_bytes(0x20000, seed);
    set_range_checksum(image, 0, 0x7bff, checksums.boot);
    if (large) {
        set_range_checksum(image, 0x8000, 0xffff, checksums.code);
        if (range_sum(image, 0x8000, 0x7ffe) == 0)
            throw std::logic_error("brisk_image: the large code also reads as small code");
    } else {
        set_range_checksum(image, 0x8000, 0x7ffe, checksums.code);
    }
    return image;
}

void install_brisk_unit(const std::string& state_dir, const bytes_t& image, int layout,
                        std::uint32_t config_seed) {
    std::filesystem::create_directories(state_dir);
    write_bank(state_dir, "r1", range_of(image, 0, 0x4000));
    write_bank(state_dir, "r2", with_record(range_of(image, 0x4000, 0x4000), 0x3c00, config_seed));
    const char* files[] = {"r3", "r4", "r5", "r6"};
    switch (layout) {
    case 1:
    case 2:
        for (int k = 0; k < 2; ++k)
            write_bank(state_dir, files[(layout - 1) * 2 + k],
                       range_of(image, 0x8000 + static_cast<std::size_t>(k) * 0x4000, 0x4000));
        break;
    case 3:
        for (int k = 0; k < 4; ++k)
            write_bank(state_dir, files[k],
                       range_of(image, 0x8000 + static_cast<std::size_t>(k) * 0x4000, 0x4000));
        break;
    default:
        break;
    }
}

bytes_t plinth_image(std::uint32_t seed, const update::checksums_t& checksums, bool large) {
    bytes_t image = pattern_bytes(0x80000, seed);
    if (large) {
        set_range_checksum(image, 0, 0xffff, checksums.code);
        if (range_sum(image, 0, 0x7ffe) == 0)
            throw std::logic_error("plinth_image: the large code also reads as small code");
    } else {
        set_range_checksum(image, 0, 0x7ffe, checksums.code);
    }
    set_range_checksum(image, 0x20000, 0x5700, checksums.fpga2);
    set_range_checksum(image, 0x78000, 0x7bff, checksums.boot);
    return image;
}

void install_plinth_unit(const std::string& state_dir, const bytes_t& image, int code_file,
                         std::uint32_t config_seed) {
    std::filesystem::create_directories(state_dir);
    write_bank(state_dir, "f8", with_record(range_of(image, 0x70000, 0x10000), 0xfc00, config_seed));
    if (code_file != 0) {
        write_bank(state_dir, "f" + std::to_string(code_file), range_of(image, 0, 0x10000));
        write_bank(state_dir, "f" + std::to_string(code_file + 2), range_of(image, 0x20000, 0x10000));
    }
}

// ---------------------------------------------------------------------------

namsim_t::namsim_t(const std::string& family, const std::string& state_dir,
                   const std::vector<std::string>& args, const std::string& address,
                   std::uint16_t port)
    : state_dir_(state_dir), address_(address) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> all = {NAMSIM_PATH, "--family", family, "--state", state_dir,
                                    "--address", address, "--port", std::to_string(port),
                                    "--timeout", "200"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = argv_of(all);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int spawned = ::posix_spawn(&pid_, NAMSIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    to_child_ = in[1];
    from_child_ = out[0];
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start namsim");
    }
    const std::string ready = read_line();
    std::istringstream words(ready);
    std::string word, host;
    unsigned ready_port = 0;
    words >> word >> host >> ready_port;
    if (word != "ready" || ready_port == 0) {
        ::close(to_child_);
        end_child(pid_, SIGTERM);
        throw std::runtime_error("namsim did not start: '" + ready + "'");
    }
    port_ = static_cast<std::uint16_t>(ready_port);
}

namsim_t::~namsim_t() {
    // The end of its control input ends the module.
    if (to_child_ >= 0)
        ::close(to_child_);
    end_child(pid_, 0);
    if (from_child_ >= 0)
        ::close(from_child_);
}

qo::ip_address_t namsim_t::unit() const {
    qo::ip_address_t unit;
    unit.try_parse(address_);
    return unit;
}

std::string namsim_t::read_line() {
    const auto until = clock_type::now() + std::chrono::seconds(10);
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - clock_type::now());
        pollfd p{from_child_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1)
            return "(no answer from namsim)";
        char chunk[256];
        const ssize_t n = ::read(from_child_, chunk, sizeof chunk);
        if (n <= 0)
            return "(namsim ended)";
        pending_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string namsim_t::command(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(to_child_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return "(namsim gone)";
    return read_line();
}

void namsim_t::fault(const std::string& spec) {
    EXPECT_EQ(command("fault " + spec), "ok") << spec;
}

std::vector<namsim_t::entry_t> namsim_t::log() {
    EXPECT_EQ(command("sync"), "ok");
    std::vector<entry_t> entries;
    std::ifstream in(state_dir_ + "/requests.log");
    for (std::string line; std::getline(in, line);) {
        entry_t e;
        std::istringstream words(line);
        words >> e.ms;
        for (std::string w; words >> w;)
            e.words.push_back(w);
        const auto space = line.find(' ');
        e.line = space == std::string::npos ? "" : line.substr(space + 1);
        if (!e.words.empty())
            entries.push_back(e);
    }
    return entries;
}

std::vector<namsim_t::entry_t> namsim_t::events(const std::string& event) {
    std::vector<entry_t> found;
    for (entry_t& e : log())
        if (e.words[0] == event)
            found.push_back(e);
    return found;
}

// ---------------------------------------------------------------------------

atftpd_t::atftpd_t(const std::string& dir, const std::string& address)
    : dir_(dir), address_(address) {
    // Another process may take the port between our look and atftpd's bind.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (start(free_udp_port(address_)))
            return;
    throw std::runtime_error("atftpd did not start on " + address_);
}

bool atftpd_t::start(std::uint16_t port) {
    const char* program = ATFTPD_PATH;
    if (!*program || ::access(program, X_OK) != 0)
        throw std::runtime_error("atftpd is not installed (scripts/install-deps.sh installs it)");
    const passwd* user = ::getpwuid(::geteuid());
    const group* grp = ::getgrgid(::getegid());
    std::vector<std::string> args = {program,
                                     "--daemon",
                                     "--no-fork",
                                     "--user",
                                     user ? user->pw_name : "nobody",
                                     "--group",
                                     grp ? grp->gr_name : "nogroup",
                                     "--bind-address",
                                     address_,
                                     "--port",
                                     std::to_string(port),
                                     "--logfile",
                                     "/dev/null",
                                     dir_};
    std::vector<char*> argv = argv_of(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        return false;
    }
    const auto until = clock_type::now() + std::chrono::seconds(5);
    while (clock_type::now() < until) {
        if (tftp_answers(address_, port)) {
            port_ = port;
            return true;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
    }
    stop();
    return false;
}

void atftpd_t::stop() {
    end_child(pid_, SIGTERM);
    pid_ = -1;
}

atftpd_t::~atftpd_t() {
    stop();
}

qo::ip_address_t atftpd_t::unit() const {
    qo::ip_address_t unit;
    unit.try_parse(address_);
    return unit;
}

// ---------------------------------------------------------------------------

settings_guard_t::settings_guard_t() {
    const tftp::settings_t& s = tftp::instance();
    debug_ = s.debug;
    timeout_ = s.timeout;
    write_timeout_ = s.write_timeout;
    retries_ = s.retries;
    holdoff_ = s.holdoff;
    port_ = s.port;
}

settings_guard_t::~settings_guard_t() {
    tftp::settings_t& s = tftp::instance();
    s.debug = debug_;
    s.timeout = timeout_;
    s.write_timeout = write_timeout_;
    s.retries = retries_;
    s.holdoff = holdoff_;
    s.port = port_;
}

trace_t::trace_t() {
    start_ = file_size(trace_path());
    tftp::set_debug(true);
}

trace_t::~trace_t() {
    tftp::set_debug(false);
}

std::vector<std::string> trace_t::lines() const {
    std::ifstream in(trace_path(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(start_));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace firmware_test
