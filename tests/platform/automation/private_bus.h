#pragma once
// A session bus of the test's own on a private socket, with a service folder
// in a temporary directory, made the process's session bus (and that of
// every program it starts, the bus's activated servers included). The class
// registry and the service files point into the same directory.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace bustest {

class private_bus_t {
public:
    private_bus_t() {
        char pattern[] = "/tmp/ostrel-bus-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made)
            throw std::runtime_error("mkdtemp failed");
        dir_ = made;
        std::filesystem::create_directories(services());
        const auto conf = dir_ / "bus.conf";
        {
            std::ofstream f(conf);
            f << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration "
                 "1.0//EN\"\n"
                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                 "<busconfig>\n  <type>session</type>\n"
              << "  <listen>unix:path=" << (dir_ / "bus").string() << "</listen>\n"
              << "  <servicedir>" << services().string() << "</servicedir>\n"
              << "  <policy context=\"default\">\n"
                 "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                 "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n"
                 "  </policy>\n</busconfig>\n";
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address().c_str(), 1);
        ::setenv("OSTREL_DBUS_SERVICE_DIR", services().c_str(), 1);
        ::setenv("OSTREL_AUTOMATION_REGISTRY", (dir_ / "classes.ini").c_str(), 1);
        ::unsetenv("DBUS_STARTER_ADDRESS");
        ::unsetenv("DBUS_STARTER_BUS_TYPE");
        start();
    }
    ~private_bus_t() {
        stop();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    private_bus_t(const private_bus_t&) = delete;
    private_bus_t& operator=(const private_bus_t&) = delete;

    // Starts the bus daemon again after stop(), at the same address and with
    // the same service folder, as a restarted session bus would be.
    void start() {
        if (pid_ > 0)
            return;
        const auto socket = dir_ / "bus";
        std::error_code ec;
        std::filesystem::remove(socket, ec);
        std::string config_arg = "--config-file=" + (dir_ / "bus.conf").string();
        char prog[] = "dbus-daemon";
        char nofork[] = "--nofork";
        char* argv[] = {prog, config_arg.data(), nofork, nullptr};
        if (::posix_spawnp(&pid_, "dbus-daemon", nullptr, nullptr, argv, environ) != 0)
            throw std::runtime_error("cannot start dbus-daemon");
        for (int i = 0; i < 500 && !std::filesystem::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!std::filesystem::exists(socket))
            throw std::runtime_error("dbus-daemon did not come up");
    }

    // Ends the bus daemon, as if the bus went away.
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path services() const { return dir_ / "services"; }
    std::string address() const { return "unix:path=" + (dir_ / "bus").string(); }

private:
    std::filesystem::path dir_;
    pid_t pid_ = -1;
};

// True when the process ended (or is a zombie nobody reaped yet) within `ms`.
inline bool process_ends_within(pid_t pid, int ms) {
    const auto stat = "/proc/" + std::to_string(pid) + "/stat";
    for (int waited = 0;; waited += 20) {
        std::ifstream f(stat);
        std::string text;
        if (!f || !std::getline(f, text))
            return true;
        const auto close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z')
            return true;
        if (waited >= ms)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace bustest
