#pragma once
// The discovery server as its clients meet it: a private session bus that
// starts `mellick` on demand, a state folder of the test's own, and autocall
// processes as clients.
#include "private_bus.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace mellick_test {

// A program run to its end: exit status (or -1) and standard output.
struct ran_t {
    int status = -1;
    std::string out;
    std::string err;
};

// A program started with a script on its standard input, output to a file.
class spawned_t {
public:
    spawned_t(const std::filesystem::path& dir, std::vector<std::string> argv,
              const std::string& input) {
        static int counter = 0;
        const auto stem = dir / ("run-" + std::to_string(counter++));
        in_ = stem.string() + ".in";
        out_ = stem.string() + ".out";
        err_ = stem.string() + ".err";
        {
            std::ofstream f(in_);
            f << input;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in_.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<char*> raw;
        for (auto& a : argv)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        if (::posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~spawned_t() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    spawned_t(const spawned_t&) = delete;
    spawned_t& operator=(const spawned_t&) = delete;

    pid_t pid() const { return pid_; }
    int wait() {
        if (pid_ <= 0)
            return status_;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }
    void kill_hard() {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
        wait();
    }
    std::string errors() const { return read(err_); }
    std::string output() const { return read(out_); }
    static std::string read(const std::string& path) {
        std::ifstream f(path);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // Waits until the output holds `text`.
    bool wait_for_output(const std::string& text, std::chrono::milliseconds timeout) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (output().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string in_, out_, err_;
};

// Processes running the mellick program of this build on the bus in `bus_dir`
// (tests running side by side have buses of their own).
inline std::vector<pid_t> mellick_processes(const std::filesystem::path& bus_dir) {
    std::vector<pid_t> out;
    const auto want = std::filesystem::canonical(MELLICK_PATH);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const auto name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", ec);
        if (ec || exe != want)
            continue;
        std::ifstream env_file(entry.path() / "environ");
        std::stringstream env;
        env << env_file.rdbuf();
        if (env.str().find(bus_dir.string()) == std::string::npos)
            continue;
        const pid_t pid = std::stoi(name);
        if (!bustest::process_ends_within(pid, 0))
            out.push_back(pid);
    }
    return out;
}

// Waits until no mellick of this build runs; how long that took, or -1.
inline long long wait_until_mellick_ends(const std::filesystem::path& bus_dir,
                                         std::chrono::milliseconds timeout) {
    const auto start = std::chrono::steady_clock::now();
    while (!mellick_processes(bus_dir).empty()) {
        if (std::chrono::steady_clock::now() - start > timeout)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// A private bus and state folder with mellick registered in them.
class mellick_env_t {
public:
    mellick_env_t() {
        ::setenv("MELLICK_HOME", (bus_.dir() / "state").c_str(), 1);
        std::filesystem::create_directories(bus_.dir() / "state");
        // The servers the bus starts take the bus daemon's environment, and
        // it was started before MELLICK_HOME was set: without a restart
        // mellick would keep its history in the user's own state folder.
        bus_.stop();
        bus_.start();
        spawned_t reg(bus_.dir(), {MELLICK_PATH, "-RegServer"}, "");
        registered_ = reg.wait() == 0;
    }
    ~mellick_env_t() {
        // A server still running would outlive its bus otherwise.
        for (pid_t pid : mellick_processes(bus_.dir()))
            ::kill(pid, SIGKILL);
        ::unsetenv("MELLICK_HOME");
    }

    bool registered() const { return registered_; }
    bustest::private_bus_t& bus() { return bus_; }
    const std::filesystem::path& dir() const { return bus_.dir(); }

    std::unique_ptr<spawned_t> autocall(const std::string& script) const {
        return std::make_unique<spawned_t>(bus_.dir(), std::vector<std::string>{AUTOCALL_PATH},
                                           script);
    }
    ran_t autocall_run(const std::string& script) const {
        auto p = autocall(script);
        ran_t r;
        r.status = p->wait();
        r.out = p->output();
        r.err = p->errors();
        return r;
    }

private:
    bustest::private_bus_t bus_;
    bool registered_ = false;
};

} // namespace mellick_test
