#pragma once
// A session for get, get-next and set requests to any agent, one at a time.
// Every call returns a status: status_success, a negative status of the
// session, or status_error_status_set when the agent answered with a
// non-zero error status (read it from the PDU); error_msg gives the text of
// either kind.
#include <cstdint>
#include <memory>

#include "platform/snmppp/address.h"
#include "platform/snmppp/pdu.h"
#include "platform/snmppp/target.h"

namespace platform::snmppp {

class netsnmp_session_t;

inline constexpr int status_success = 0;
inline constexpr int status_error = -1;
inline constexpr int status_resource_unavailable = -2;
inline constexpr int status_internal_error = -3;
inline constexpr int status_unsupported = -4;
inline constexpr int status_timeout = -5;
inline constexpr int status_invalid_address = -6;
inline constexpr int status_invalid_pdu = -7;
inline constexpr int status_send_failed = -8;
inline constexpr int status_wait_failed = -9;
inline constexpr int status_abandoned = -10;
inline constexpr int status_error_status_set = -19;

class Snmp {
public:
    // `port` is the local UDP port; 0 (the only one supported) lets the
    // system choose. `status` receives status_success or the failure.
    explicit Snmp(int& status, std::uint16_t port = 0);
    ~Snmp();
    Snmp(const Snmp&) = delete;
    Snmp& operator=(const Snmp&) = delete;

    // Each sends the PDU's bindings (values as NULL for get and get-next)
    // and, on an answer, replaces them with the response's bindings.
    int get(Pdu& pdu, const CTarget& target);
    int get_next(Pdu& pdu, const CTarget& target);
    int set(Pdu& pdu, const CTarget& target);

    // A descriptor the requests wait on beside the socket; once readable a
    // request ends with status_abandoned. -1: none.
    void set_abandon_fd(int fd) { abandon_fd_ = fd; }

    // Text of a status (negative) or of a response's error status (1..18).
    static const char* error_msg(int status);

private:
    int request(int pdu_type, Pdu& pdu, const CTarget& target);

    // The session to the last agent, kept while requests go to it.
    std::unique_ptr<netsnmp_session_t> session_;
    int abandon_fd_ = -1;
};

} // namespace platform::snmppp
