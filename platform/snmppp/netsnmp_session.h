#pragma once
// Net-SNMP underneath the SNMP classes and the management libraries: the
// one-time set-up of the library and one single session with a wait that
// can be given up.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/snmppp/address.h"

struct netsnmp_transport_s;
struct snmp_pdu;
struct snmp_session;
struct variable_list;

namespace platform::snmppp {

// Net-SNMP takes an Opaque that wraps a float or a double apart into a type
// of its own; both stay an Opaque here, holding the number as text (the
// shortest that reads back the same). Nothing for any other variable.
std::optional<std::string> opaque_number_text(const ::variable_list& variable);

// Sets Net-SNMP up once per process (any thread, any number of calls): no
// configuration files and no MIB files are read, identifiers are parsed by
// Oid, and what the library keeps on disk goes to a private temporary
// folder that is removed when the process ends. Then init_snmp.
void netsnmp_init();

// Net-SNMP's own diagnostics ("Bad PDU type received", and whatever else it
// would print on standard error) arrive here one line at a time, without
// the newline, from the thread that met them. netsnmp_init makes the
// library hand them over instead of printing them; while no sink is set they
// go to standard error as the library itself would write them. The sink
// must not call back into Net-SNMP.
using diagnostic_sink_t = std::function<void(std::string_view line)>;
void set_diagnostic_sink(diagnostic_sink_t sink);

enum class exchange_result {
    answered,    // the response is there
    timed_out,   // no response within the time-out after the last attempt
    abandoned,   // the abandon descriptor became readable
    send_failed, // the request could not be built or sent
    wait_failed, // polling the socket failed
};

// One SNMP version 1 session to one agent over UDP, on a local port the
// system chooses. Used by one thread at a time.
class netsnmp_session_t {
public:
    // Null on failure, with an errno value in `error` (EINVAL for an
    // invalid address).
    static std::unique_ptr<netsnmp_session_t> open(const GenAddress& agent,
                                                   std::string_view community, int* error);
    ~netsnmp_session_t();
    netsnmp_session_t(const netsnmp_session_t&) = delete;
    netsnmp_session_t& operator=(const netsnmp_session_t&) = delete;

    const GenAddress& agent() const { return agent_; }

    // The wait for each attempt (negative: 0) and the number of retries
    // (negative: 0) of the next exchange.
    void set_timing(long timeout_us, int retries);

    // Sends `request` (taken over in every case; a request without a
    // community gets the session's) and waits for its response, which the
    // caller frees with snmp_free_pdu. A response to an earlier request that
    // arrives late is dropped. Values of type SEQUENCE (0x30) go and come
    // as such, in both directions, although Net-SNMP knows none: a request's
    // binding of that type holds the contents as an OCTET STRING would.
    exchange_result exchange(snmp_pdu* request, int abandon_fd, snmp_pdu** response);

private:
    struct waiter_t;

    // The exchange under way on this thread: the transport's functions run
    // inside it.
    static thread_local waiter_t* current_exchange_;
    // The session's transport functions: the UDP transport's own, with the
    // SEQUENCE tags of the exchange under way changed on the way.
    static int receive(netsnmp_transport_s* transport, void* buffer, int size, void** opaque,
                       int* opaque_length);
    static int send(netsnmp_transport_s* transport, const void* buffer, int size, void** opaque,
                    int* opaque_length);

    netsnmp_session_t() = default;
    static int on_event(int operation, ::snmp_session* session, int request_id,
                        snmp_pdu* pdu, void* magic);

    void* handle_ = nullptr;
    GenAddress agent_;
    std::unique_ptr<waiter_t> waiter_;
};

} // namespace platform::snmppp
