#pragma once
// What the scheduler, the workers and the manager share. Every thread holds
// its own share, so a thread still running after a stop gave up waiting
// (a back end that ignored the stop) finds all of it when it comes back.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sync/event.h"
#include "poller/snmp_base.h"
#include "poller/snmp_watch_list.h"

namespace kestrin2 {

// One worker's side of the token hand-over.
class snmp_waiter_t {
public:
    // Before the worker's thread starts.
    void reset() {
        state_ = waiting;
        stopping_ = false;
    }
    bool stopping() const { return stopping_.load(); }

    // What a one-shot caller that borrows the parked worker runs its request
    // with: the worker's back end and its stop event as the abandon event.
    // Set by the worker's thread before it first waits; both live as long
    // as the thread, which cannot end while the worker is borrowed.
    snmp_base_t* backend = nullptr;
    platform::sync::event_t* abandon = nullptr;

private:
    friend class snmp_poller_state_t;
    static constexpr int waiting = 0;
    static constexpr int token = 1;
    static constexpr int interrupted = 2;

    std::atomic<int> state_{waiting};
    std::atomic<bool> stopping_{false};
};

struct snmp_settings_t {
    int poll_period = 5000;
    int timeout = 3000;
    int retry_count = 3;
    int num_threads = 5;
    std::string user = "vuzuvuz";
    std::string password;
};

class snmp_poller_state_t {
public:
    static constexpr int max_threads = 30;

    // An event that cannot be made raises std::system_error.
    snmp_poller_state_t();
    snmp_poller_state_t(const snmp_poller_state_t&) = delete;
    snmp_poller_state_t& operator=(const snmp_poller_state_t&) = delete;

    // Lock order: none of these locks is held while taking another.
    std::mutex watch_lock;
    snmp_watch_list_t watch_list;
    // Workers busy with watched (not one-shot) requests, under watch_lock.
    // With more than one worker, one is always kept from them: silent
    // watched devices hold a worker for a whole time-out each, and a get
    // or set to a healthy unit must not wait behind all of them.
    int watch_workers = 0;
    // Whether a worker may take a watched request now, under watch_lock;
    // `pool` is the number of workers (settings.num_threads).
    bool watch_slot_free(int pool) const { return pool <= 1 || watch_workers < pool - 1; }

    mutable std::mutex settings_lock;
    snmp_settings_t settings;

    // Work tokens and the workers waiting for one. A token goes straight
    // to the worker that became idle last (its caches are warm), else it
    // is kept, at most max_threads of them. The idle event is signalled
    // while at least one worker waits, so the scheduler never hands out
    // more tokens than they take.
    std::mutex token_lock;
    int tokens = 0;
    // Shares, so that a worker woken just before its thread ends cannot
    // take the waiter away from under the notification.
    std::vector<std::shared_ptr<snmp_waiter_t>> idle_workers;
    platform::sync::event_t idle_event;

    // Signalled by the scheduler thread once it holds its own share.
    platform::sync::event_t scheduler_entered;

    // Adds a token, handing it to a waiting worker when there is one. At
    // the maximum nothing is added: the workers that take the pending
    // tokens serve every ready device before they wait again.
    void wake_worker();
    // Hands a token to a waiting worker; false, adding none, when no
    // worker waits.
    bool wake_idle_worker();
    // The worker's wait: idle until it takes a token (true) or is
    // interrupted (false).
    bool take_token(const std::shared_ptr<snmp_waiter_t>& waiter);
    // Ends the worker's wait for good, until reset().
    void interrupt(snmp_waiter_t& waiter);

    // Takes a waiting worker off the idle list without waking it, so that a
    // one-shot caller runs its request on its own thread with the worker's
    // back end; null when no worker waits. The worker counts as busy until
    // it is returned.
    std::shared_ptr<snmp_waiter_t> borrow_idle_worker();
    // Returns a borrowed worker: with a token when `wake` (there is work
    // ready) or when tokens came meanwhile, else to the idle list. A worker
    // asked to stop meanwhile is let go; false then if `wake` asked for a
    // token it could not take.
    bool return_worker(std::shared_ptr<snmp_waiter_t> waiter, bool wake);

    snmp_request_options_t request_options(platform::sync::event_t* abandon) const;

private:
    // The worker that became idle last, given a token; under token_lock
    // with a worker waiting.
    std::shared_ptr<snmp_waiter_t> hand_token_locked();
};

// The servers' threads report what ends them on standard output, one line
// each.
void write_stdout_line(std::string_view text);

} // namespace kestrin2
