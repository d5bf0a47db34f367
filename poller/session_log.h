#pragma once
// "session.log" in the program folder ($OSTREL_HOME, else
// ~/.local/share/ostrel): the poller's record of what went wrong below its
// requests, one line each, beginning with the UTC time.
#include <string>
#include <string_view>

namespace kestrin2 {

// "year/month/day,hour:minute:second.milliseconds" of now, in UTC, without
// leading zeros.
std::string session_log_time();

// Appends `line` and a newline; a file that cannot be opened is skipped.
void session_log_append(std::string_view line);

// While one lives, Net-SNMP's own diagnostics go to session.log, each as
// "<time>: Net-SNMP: <text>", instead of the host program's standard
// error. Every back end holds one.
class netsnmp_diagnostics_route_t {
public:
    netsnmp_diagnostics_route_t();
    ~netsnmp_diagnostics_route_t();
    netsnmp_diagnostics_route_t(const netsnmp_diagnostics_route_t&) = delete;
    netsnmp_diagnostics_route_t& operator=(const netsnmp_diagnostics_route_t&) = delete;
};

} // namespace kestrin2
