// Round trip of one property get of the discovery server across the bus
// (Icom_device::valid), against a bare sd-bus method call to a trivial
// service, both on one private bus in the same run.
//
//   mellick_bus_bench [calls]
//
// Prints both times per call, the ratio and the calls per second.
#include "private_bus.h"

#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/automation/driver.h"

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace pa = platform::automation;

namespace {

constexpr const char* trivial_name = "org.ostrel.Bench.Trivial";

int ping(sd_bus_message* m, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "i", 0);
}

const sd_bus_vtable trivial_vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Ping", "", "i", ping, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

// The trivial service: one method answering a constant, in a process of its own.
int serve_trivial() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return 1;
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object_vtable(bus, &slot, "/bench", "org.ostrel.Bench", trivial_vtable,
                                 nullptr) < 0 ||
        sd_bus_request_name(bus, trivial_name, 0) < 0)
        return 1;
    for (;;) {
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0)
            return 1;
        if (r == 0 && sd_bus_wait(bus, UINT64_MAX) < 0)
            return 1;
    }
}

template <class F> double per_call_us(int calls, F&& f) {
    for (int i = 0; i < calls / 10 + 1; ++i)
        f(); // warm up
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
        f();
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return took.count() / calls;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--trivial-service")
        return serve_trivial();
    const int calls = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;

    bustest::private_bus_t bus;
    ::setenv("MELLICK_HOME", (bus.dir() / "state").c_str(), 1);
    pid_t trivial = 0;
    {
        std::string self = "/proc/self/exe";
        char mode[] = "--trivial-service";
        char* args[] = {self.data(), mode, nullptr};
        if (::posix_spawn(&trivial, "/proc/self/exe", nullptr, nullptr, args, environ) != 0) {
            std::fprintf(stderr, "cannot start the trivial service\n");
            return 1;
        }
    }
    {
        char reg[] = "-RegServer";
        char* args[] = {const_cast<char*>(MELLICK_PATH), reg, nullptr};
        pid_t pid = 0;
        int status = 0;
        if (::posix_spawn(&pid, MELLICK_PATH, nullptr, nullptr, args, environ) != 0 ||
            ::waitpid(pid, &status, 0) < 0 || status != 0) {
            std::fprintf(stderr, "cannot register mellick\n");
            return 1;
        }
    }

    // Bare sd-bus: a method call and its reply, nothing else.
    sd_bus* raw = nullptr;
    if (sd_bus_open_user(&raw) < 0) {
        std::fprintf(stderr, "cannot reach the bus\n");
        return 1;
    }
    auto call_ping = [&] {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int r = sd_bus_call_method(raw, trivial_name, "/bench", "org.ostrel.Bench", "Ping",
                                         &error, &reply, "");
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        return r >= 0;
    };
    for (int i = 0; i < 500 && !call_ping(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bool raw_ok = true;
    const double bare = per_call_us(calls, [&] {
        if (!call_ping())
            raw_ok = false;
    });

    pa::use_dbus_transport();
    pa::initializer_t init;
    double through = 0;
    try {
        const auto device = pa::dispatch_driver_t::create("Mellick.com_device.1");
        through = per_call_us(calls, [&] { (void)device.get(4); });
    } catch (const pa::automation_error& e) {
        std::fprintf(stderr, "mellick: %s\n", e.what());
        return 1;
    }
    if (!raw_ok) {
        std::fprintf(stderr, "the bare calls failed\n");
        return 1;
    }
    sd_bus_unref(raw);
    ::kill(trivial, SIGTERM);
    ::waitpid(trivial, nullptr, 0);

    std::printf("calls: %d each\n", calls);
    std::printf("bare sd-bus method call:        %8.2f us  (%9.0f calls/s)\n", bare, 1e6 / bare);
    std::printf("Icom_device::valid over the bus: %8.2f us  (%9.0f calls/s)\n", through,
                1e6 / through);
    std::printf("ratio: %.2f (target <= 1.5)\n", through / bare);
    return 0;
}
