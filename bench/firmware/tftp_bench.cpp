// Reads and writes a 512 KiB image on loopback with the updater's TFTP
// client and with a stock client (curl, else atftp) against the same
// simulated module in the same run, and prints the ratio of their times.
// Target: the updater's client is no slower than the stock one.
//
// usage: tftp_bench [rounds]   (default 5)
#include "firmware/tftp.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

using clock_type = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::size_t image_size = 512 * 1024;
const char* const address = "127.0.0.30";

std::vector<char> read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool on_path(const std::string& program, std::string& found) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/sbin:/sbin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            found = candidate;
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Runs a program to its end with its output dropped; true on exit code 0.
bool run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The simulated module, ended when its control input closes.
class module_t {
public:
    explicit module_t(const std::string& state) {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        std::vector<std::string> args = {NAMSIM_PATH, "--family", "plinth", "--state", state,
                                         "--address", address, "--port", "0",
                                         "--bank", "img:" + std::to_string(image_size)};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const int spawned = ::posix_spawn(&pid_, NAMSIM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        control_ = in[1];
        if (spawned != 0)
            throw std::runtime_error("cannot start namsim");
        std::string line;
        char c = 0;
        pollfd p{out[0], POLLIN, 0};
        while (::poll(&p, 1, 10000) == 1 && ::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        unsigned port = 0;
        char word[16] = {};
        char host[64] = {};
        if (std::sscanf(line.c_str(), "%15s %63s %u", word, host, &port) != 3 || port == 0)
            throw std::runtime_error("namsim did not start: " + line);
        port_ = static_cast<std::uint16_t>(port);
    }
    ~module_t() {
        ::close(control_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    std::uint16_t port() const { return port_; }

private:
    pid_t pid_ = -1;
    int control_ = -1;
    std::uint16_t port_ = 0;
};

double ms_since(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

void report(const char* what, int rounds, double ours, double stock, const std::string& stock_name) {
    std::printf("%-5s 512 KiB x %d: updater %8.1f ms, %s %8.1f ms, ratio updater/%s %.2f%s\n", what,
                rounds, ours, stock_name.c_str(), stock, stock_name.c_str(), ours / stock,
                ours <= stock ? "" : "  (slower than the stock client)");
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string curl;
    std::string atftp;
    const bool have_curl = on_path("curl", curl);
    if (!have_curl && !on_path("atftp", atftp)) {
        std::fprintf(stderr, "tftp_bench: neither curl nor atftp is installed\n");
        return 1;
    }
    const std::string stock_name = have_curl ? "curl" : "atftp";

    std::string pattern = (fs::temp_directory_path() / "tftp-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    const fs::path dir = pattern;
    int failures = 0;
    try {
        std::vector<char> image(image_size);
        std::uint32_t x = 12345;
        for (char& b : image) {
            x = x * 1103515245u + 12345u;
            b = static_cast<char>(x >> 16);
        }
        const std::string image_path = (dir / "image").string();
        std::ofstream(image_path, std::ios::binary).write(image.data(), static_cast<long>(image.size()));
        fs::create_directory(dir / "unit");
        std::ofstream(dir / "unit" / "img", std::ios::binary)
            .write(image.data(), static_cast<long>(image.size()));

        module_t unit((dir / "unit").string());
        qo::ip_address_t ip;
        ip.try_parse(address);
        tftp::instance().port = unit.port();
        const std::string url =
            std::string("tftp://") + address + ":" + std::to_string(unit.port()) + "/img";
        auto check = [&](const std::string& path, const char* who) {
            if (read_all(path) != image) {
                std::fprintf(stderr, "tftp_bench: %s transferred wrong data\n", who);
                ++failures;
            }
        };
        auto stock_read = [&](int n) {
            std::vector<std::string> args;
            if (have_curl) {
                args = {curl, "-s", "--tftp-no-options"};
                for (int i = 0; i < n; ++i) {
                    args.push_back("-o");
                    args.push_back((dir / ("stock" + std::to_string(i))).string());
                    args.push_back(url);
                }
                return run(args);
            }
            for (int i = 0; i < n; ++i)
                if (!run({atftp, "-g", "-r", "img", "-l", (dir / ("stock" + std::to_string(i))).string(),
                          address, std::to_string(unit.port())}))
                    return false;
            return true;
        };
        auto stock_write = [&](int n) {
            if (have_curl) {
                std::vector<std::string> args = {curl, "-s", "--tftp-no-options"};
                for (int i = 0; i < n; ++i) {
                    args.push_back("-T");
                    args.push_back(image_path);
                    args.push_back(url);
                }
                return run(args);
            }
            for (int i = 0; i < n; ++i)
                if (!run({atftp, "-p", "-l", image_path, "-r", "img", address,
                          std::to_string(unit.port())}))
                    return false;
            return true;
        };

        // One round each first, so that caches and the module are warm.
        if (tftp::get(ip, "img", (dir / "ours").string()) != tftp::result_done || !stock_read(1)) {
            std::fprintf(stderr, "tftp_bench: warm-up read failed\n");
            return 1;
        }

        auto timed = [](auto&& body) {
            const auto start = clock_type::now();
            body();
            return ms_since(start);
        };
        auto ours_read = [&] {
            for (int i = 0; i < rounds; ++i)
                if (tftp::get(ip, "img", (dir / "ours").string()) != tftp::result_done)
                    ++failures;
            check((dir / "ours").string(), "the updater's read");
        };
        auto stock_reads = [&] {
            if (!stock_read(rounds))
                ++failures;
            check((dir / ("stock" + std::to_string(rounds - 1))).string(), "the stock read");
        };
        auto ours_write = [&] {
            for (int i = 0; i < rounds; ++i)
                if (tftp::put_ex(ip, image_path, "img", 0, image_size) != tftp::result_done)
                    ++failures;
            check((dir / "unit" / "img").string(), "the updater's write");
        };
        auto stock_writes = [&] {
            if (!stock_write(rounds))
                ++failures;
            check((dir / "unit" / "img").string(), "the stock write");
        };
        // Measured in the order A B B A, so that a machine that gets busier
        // or quieter during the run favours neither client.
        double ours_read_ms = timed(ours_read);
        double stock_read_ms = timed(stock_reads);
        stock_read_ms += timed(stock_reads);
        ours_read_ms += timed(ours_read);
        double ours_write_ms = timed(ours_write);
        double stock_write_ms = timed(stock_writes);
        stock_write_ms += timed(stock_writes);
        ours_write_ms += timed(ours_write);

        report("read", 2 * rounds, ours_read_ms, stock_read_ms, stock_name);
        report("write", 2 * rounds, ours_write_ms, stock_write_ms, stock_name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tftp_bench: %s\n", e.what());
        ++failures;
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    if (failures)
        std::fprintf(stderr, "tftp_bench: %d failure(s)\n", failures);
    return failures ? 1 : 0;
}
