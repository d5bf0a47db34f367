#pragma once
// The SNMP back end a worker runs its requests through. Each worker owns
// one; back ends are never shared between threads.
#include <memory>
#include <string>

#include "platform/sync/event.h"
#include "poller/snmp_variable.h"
#include "qo/exception.h"

namespace kestrin2 {

// What one request may use besides its record: the poller's settings as
// they were when the request began, and the event that asks the back end
// to give the request up.
struct snmp_request_options_t {
    // The SNMP community, for reading and writing.
    std::string community;
    int timeout_ms = 0;
    int retry_count = 0;
    // Signalled when the worker is being stopped. A back end that waits
    // for a reply waits for this as well (poll its fd() beside the socket)
    // and, once it is signalled, throws snmp_abandoned_t without waiting
    // for the time-out or the retries.
    platform::sync::event_t* abandon = nullptr;

    bool abandoned() const { return abandon && abandon->is_set(); }
};

// Thrown by a back end that gave a request up because `abandon` fired.
class snmp_abandoned_t : public qo::exception_t {
public:
    snmp_abandoned_t() : qo::exception_t("Request abandoned") {}
};

class snmp_base_t {
public:
    virtual ~snmp_base_t() = default;
    // Each fills `vb` (value and type; get_next also the returned
    // identifier as `name`) or throws qo::exception_t with the text that
    // becomes the variable's value.
    virtual void get(snmp_vb_t& vb, const snmp_request_options_t& options) = 0;
    virtual void get_next(snmp_vb_t& vb, const snmp_request_options_t& options) = 0;
    // Writes vb.value, converted by the syntax the device reports for the
    // variable, and returns the value the device answered with.
    virtual void set(snmp_vb_t& vb, const snmp_request_options_t& options) = 0;
};

// Back-end types of a worker.
inline constexpr int snmp_backend_snmppp = 1;
inline constexpr int snmp_backend_nt = 2;

} // namespace kestrin2
