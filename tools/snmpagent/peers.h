#pragma once
// The SNMP peers of the poller's tests and benchmark, on 127.0.0.0/8: a
// private Net-SNMP snmpd and the scripted agent (snmpagent). Each is started
// by its constructor and ended by its destructor; a peer that does not come
// up raises std::runtime_error.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace snmp_peers {

// A UDP port of `address` where nothing listens at the moment.
std::uint16_t free_udp_port(const std::string& address);

// snmpd with its own configuration, log and persistent folder in a
// temporary folder: agentAddress udp:<address>:<port>, rwcommunity
// "vuzuvuz" for 127.0.0.0/8, sysDescr "ostrel test agent", sysLocation
// "test bench" and sysContact left writable (a configured sysContact would
// be read-only).
class snmpd_t {
public:
    static constexpr const char* community = "vuzuvuz";
    static constexpr const char* sys_descr = "ostrel test agent";

    // false when snmpd is not installed.
    static bool available();

    explicit snmpd_t(const std::string& address = "127.0.0.41");
    ~snmpd_t();
    snmpd_t(const snmpd_t&) = delete;
    snmpd_t& operator=(const snmpd_t&) = delete;

    const std::string& address() const { return address_; }
    std::uint16_t port() const { return port_; }
    // "<address>/<port>", as the poller takes it.
    std::string target() const { return address_ + "/" + std::to_string(port_); }

private:
    bool start_on(std::uint16_t port);
    void stop();

    std::string folder_;
    std::string address_;
    std::uint16_t port_ = 0;
    pid_t pid_ = -1;
};

// tools/snmpagent, scripted over its standard input; `options` are added to
// its command line (e.g. {"--unit"}).
class scripted_agent_t {
public:
    explicit scripted_agent_t(const std::string& address = "127.0.0.42",
                              const std::string& community = "vuzuvuz",
                              const std::vector<std::string>& options = {});
    ~scripted_agent_t();
    scripted_agent_t(const scripted_agent_t&) = delete;
    scripted_agent_t& operator=(const scripted_agent_t&) = delete;

    const std::string& address() const { return address_; }
    std::uint16_t port() const { return port_; }
    std::string target() const { return address_ + "/" + std::to_string(port_); }

    // One script line and its answer; an "error ..." answer raises
    // std::runtime_error.
    std::string command(const std::string& line);
    void var(const std::string& oid, const std::string& type, const std::string& value = "");
    void fault(const std::string& oid, const std::string& kind);
    // Requests received (naming the variable).
    long count(const std::string& oid = "");
    // "<tag> <value>" of the variable as the agent holds it.
    std::string show(const std::string& oid);
    // A simulated unit's journal, every line, written through `file` (a
    // path of the caller's, removed afterwards).
    std::vector<std::string> journal(const std::string& file);
    // The same through a temporary folder of its own, removed afterwards.
    std::vector<std::string> journal();
    // The texts the unit ran, in order: the journal's "command TEXT -> REPLY"
    // lines without their replies.
    std::vector<std::string> journal_commands(const std::string& file);

private:
    std::string read_line();

    std::string address_;
    std::uint16_t port_ = 0;
    pid_t pid_ = -1;
    int to_agent_ = -1;
    int from_agent_ = -1;
    std::string buffered_;
};

} // namespace snmp_peers
