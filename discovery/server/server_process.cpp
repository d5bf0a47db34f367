#include "discovery/server/server_process.h"

#include "discovery/log.h"
#include "discovery/server/com_objects.h"
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/automation/error_info.h"
#include "platform/automation/module.h"
#include "platform/text/ascii.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace mellick {

namespace {

void report_failure(const char* what) {
    pa::com_ptr_t<pa::IErrorInfo> info;
    std::string text;
    if (pa::GetErrorInfo(info.put()) == pa::S_OK && info) {
        pa::BSTR d = nullptr;
        info->GetDescription(&d);
        text = pa::bstr_view(d);
        pa::SysFreeString(d);
    }
    std::fprintf(stderr, "mellick: %s failed%s%s\n", what, text.empty() ? "" : ": ", text.c_str());
}

} // namespace

command_t parse_command_line(const std::vector<std::string>& args) {
    // The words of the command line, as one text, split at blanks.
    for (const auto& arg : args) {
        std::size_t i = 0;
        while (i < arg.size()) {
            while (i < arg.size() && std::isspace(static_cast<unsigned char>(arg[i])))
                ++i;
            const std::size_t start = i;
            while (i < arg.size() && !std::isspace(static_cast<unsigned char>(arg[i])))
                ++i;
            const std::string_view word(arg.data() + start, i - start);
            if (word.empty() || (word[0] != '-' && word[0] != '/'))
                continue;
            const auto token = word.substr(1);
            if (token == "-help" || token == "h" || token == "?" ||
                platform::text::equals_no_case(token, "help"))
                return command_t::help;
            if (platform::text::equals_no_case(token, "UnregServer"))
                return command_t::unregister_server;
            if (platform::text::equals_no_case(token, "RegServer"))
                return command_t::register_server;
            return command_t::serve;
        }
    }
    return command_t::serve;
}

bool idle_monitor_t::real_wait(platform::sync::event_t& activity, std::uint32_t ms) {
    return activity.wait(ms);
}

idle_monitor_t::idle_monitor_t(std::function<long()> count, std::function<void()> quit,
                               std::uint32_t idle_ms, wait_t wait)
    : count_(std::move(count)), quit_(std::move(quit)), idle_ms_(idle_ms), wait_(std::move(wait)) {
    thread_ = std::thread([this] { body(); });
}

idle_monitor_t::~idle_monitor_t() {
    stopping_.store(true);
    event_.set();
    if (thread_.joinable())
        thread_.join();
}

void idle_monitor_t::count_fell_to_zero() {
    activity_.store(true);
    event_.set();
}

void idle_monitor_t::body() {
    for (;;) {
        wait_(event_, platform::sync::infinite);
        if (stopping_.load())
            return;
        do {
            activity_.store(false);
        } while (wait_(event_, idle_ms_) && !stopping_.load());
        if (stopping_.load())
            return;
        if (!activity_.load() && count_() == 0) {
            quit_();
            return;
        }
    }
}

int run_server(command_t command) {
    if (command == command_t::help) {
        std::fputs(
            "usage: mellick [-RegServer | -UnregServer | --help]\n"
            "The discovery server: finds the devices of the audio network from their\n"
            "announcement frames on every network card and assigns their addresses.\n"
            "Clients reach its manager (ProgID Mellick.manager.1) over the D-Bus session\n"
            "bus, which starts it on demand; it ends a while after its last client.\n"
            "  -RegServer     register its classes (in the class registry and as a D-Bus\n"
            "                 service); -UnregServer removes them. Any letter case, - or /.\n"
            "Reading network cards needs the CAP_NET_RAW capability. The address history\n"
            "VGHistory.ini is kept in $MELLICK_HOME (else ~/.local/state/mellick).\n",
            stdout);
        return 0;
    }
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (command == command_t::register_server) {
        if (pa::register_local_server(server_info(), self) < 0) {
            report_failure("RegServer");
            return 1;
        }
        return 0;
    }
    if (command == command_t::unregister_server) {
        if (pa::unregister_local_server(server_info()) < 0) {
            report_failure("UnregServer");
            return 1;
        }
        return 0;
    }

    pa::initializer_t init;
    if (init.hr() < 0) {
        report_failure("initialisation");
        return 1;
    }
    pa::dbus_server_t server(server_info());
    if (server.start() < 0) {
        report_failure("serving");
        return 1;
    }
    idle_monitor_t monitor([] { return pa::this_module().count(); }, [&server] { server.quit(); });
    // Every object is made and released on this thread, in the calls it
    // serves, so a look after each call sees every fall to 0.
    long last = pa::this_module().count();
    server.set_after_message([&] {
        const long now = pa::this_module().count();
        if (now == 0 && last > 0)
            monitor.count_fell_to_zero();
        last = now;
    });
    if (server.run() < 0) {
        report_failure("serving");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    return 0;
}

} // namespace mellick
