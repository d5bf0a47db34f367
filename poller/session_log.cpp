#include "poller/session_log.h"

#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/app_paths/app_paths.h"
#include "platform/snmppp/netsnmp_session.h"

namespace kestrin2 {

namespace {

// How many routes live. The sink is cleared with the last one: it is code
// of this module, which may be unloaded while the SNMP library stays.
std::mutex& route_lock() {
    static std::mutex lock;
    return lock;
}
int g_routes = 0;

void diagnostic_line(std::string_view text) {
    std::string line = session_log_time();
    line += ": Net-SNMP: ";
    line += text;
    session_log_append(line);
}

} // namespace

std::string session_log_time() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char when[64];
    std::snprintf(when, sizeof when, "%d/%d/%d,%d:%d:%d.%d", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(milliseconds));
    return when;
}

void session_log_append(std::string_view line) {
    const std::filesystem::path log = platform::app_paths::ProgramFolder() / "session.log";
    std::string text(line);
    text += '\n';
    // One write of the whole line to a file opened for appending: lines of
    // several workers do not interleave.
    if (std::FILE* file = std::fopen(log.c_str(), "ab")) {
        std::setvbuf(file, nullptr, _IOFBF, text.size() + 1);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

netsnmp_diagnostics_route_t::netsnmp_diagnostics_route_t() {
    std::lock_guard lock(route_lock());
    if (g_routes++ == 0)
        platform::snmppp::set_diagnostic_sink(&diagnostic_line);
}

netsnmp_diagnostics_route_t::~netsnmp_diagnostics_route_t() {
    std::lock_guard lock(route_lock());
    if (--g_routes == 0)
        platform::snmppp::set_diagnostic_sink(nullptr);
}

} // namespace kestrin2
