#pragma once
// One worker of the poller: takes a token, takes the next eligible request
// from the watch list, runs it through its own back end and stores the
// answer.
#include <cstdint>
#include <functional>
#include <memory>

#include "poller/snmp_base.h"
#include "poller/snmp_poller_state.h"
#include "qo/proc/thread.h"

namespace kestrin2 {

// Makes the back end of one worker of the given type (snmp_backend_snmppp
// or snmp_backend_nt).
using snmp_backend_factory_t = std::function<std::unique_ptr<snmp_base_t>(int type)>;

// Runs one request of a worker, or of a one-shot caller with a borrowed
// worker's back end, and fills `answer`; false when the back end gave it up
// on the abandon event (nothing to store then).
bool snmp_run_request(snmp_base_t& backend, const snmp_work_t& work, snmp_vb_t& vb,
                      const snmp_request_options_t& options, snmp_answer_t& answer);

class snmp_thread_t final : public qo::proc::thread_t {
public:
    // A type other than 1 or 2 raises "Undefined type , error in
    // constructor of snmp_thread_t"; a factory that gives no back end "Out
    // of memory, error in constructor of snmp_thread_t"; what the factory
    // throws itself passes through.
    snmp_thread_t(std::shared_ptr<snmp_poller_state_t> poller, int type,
                  const snmp_backend_factory_t& make_backend);
    // Stops the thread; errors go to standard output. A thread that does not
    // end in time keeps its back end and the poller's state alive itself.
    ~snmp_thread_t() override;

    int type() const { return type_; }
    // Starts the thread (nothing while it runs) and returns once the thread
    // holds its own share of what it uses.
    void start();
    // Asks the thread to end without waiting, so that several workers wind
    // down together: its wait for a token ends, and a request in flight is
    // abandoned (the stop event is the back end's abandon event).
    void request_stop();
    // request_stop(), then the wait of qo::proc::thread_t::stop(). The
    // worker waits for tokens on a condition, not on its stop event, so it
    // is always stopped through this class.
    void stop();
    // For tests of a stop that gives up.
    void set_stop_wait(std::uint32_t milliseconds) { set_stop_timeout(milliseconds); }

protected:
    void thread_function() override;

private:
    struct context_t;

    // The worker loop. It uses only what `context` holds and the thread's
    // own stop event, never the object.
    static void serve(context_t& context, platform::sync::event_t& stop);

    std::shared_ptr<context_t> context_;
    int type_;
};

} // namespace kestrin2
