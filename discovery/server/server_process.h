#pragma once
// The discovery server program: its command line, and the serving process
// that ends itself once no client has held an object for a while.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sync/event.h"

namespace mellick {

enum class command_t { serve, register_server, unregister_server, help };

// The first word after a "-" or "/" decides, in any letter case.
command_t parse_command_line(const std::vector<std::string>& args);

// Ends the process `idle_ms` after the lock count last fell to 0, unless
// something was locked again meanwhile. Waits without limit until the count
// first falls to 0.
class idle_monitor_t {
public:
    static constexpr std::uint32_t default_idle_ms = 5000;

    // Waits for `activity` at most `ms` (platform::sync::infinite: without
    // limit); true when it came. A test runs the quiet period out by hand.
    using wait_t = std::function<bool(platform::sync::event_t& activity, std::uint32_t ms)>;
    static bool real_wait(platform::sync::event_t& activity, std::uint32_t ms);

    // `count` reads the lock count; `quit` asks the serving thread to end.
    idle_monitor_t(std::function<long()> count, std::function<void()> quit,
                   std::uint32_t idle_ms = default_idle_ms, wait_t wait = real_wait);
    ~idle_monitor_t();
    idle_monitor_t(const idle_monitor_t&) = delete;
    idle_monitor_t& operator=(const idle_monitor_t&) = delete;

    // From the serving thread each time the count falls to 0.
    void count_fell_to_zero();

private:
    void body();

    std::function<long()> count_;
    std::function<void()> quit_;
    const std::uint32_t idle_ms_;
    wait_t wait_;
    platform::sync::event_t event_{platform::sync::event_t::reset::automatic};
    std::atomic<bool> activity_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Registers or removes the classes, or serves until idle; the exit status.
int run_server(command_t command);

} // namespace mellick
