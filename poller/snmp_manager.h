#pragma once
// The SNMP poller: settings, the watch list, one scheduler thread (this
// object's own thread) and up to 30 workers, each with its own back end.
//
// The scheduler spreads one sweep over all tasks across the poll period by
// handing out work tokens; a worker that takes one serves the next eligible
// request. One-shot requests (get, set, get_next) do not need the
// scheduler: a one-shot request to an idle device runs at once on the
// caller's thread with the back end of a worker that waits for work (or
// wakes a worker when none waits), and one to a busy device is served by
// the worker that finishes the device's request in flight. At most one
// request per device is in flight.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "poller/snmp_address.h"
#include "poller/snmp_base.h"
#include "poller/snmp_poller_state.h"
#include "poller/snmp_task.h"
#include "poller/snmp_thread.h"
#include "poller/snmp_variable.h"
#include "qo/proc/thread.h"

namespace kestrin2 {

class snmp_manager_t final : public qo::proc::thread_t {
public:
    // Platform id of the family where the Windows SNMP back end serves and
    // the pool can grow; any other id gets one SNMP++ worker.
    static constexpr int platform_nt = 2;
    static constexpr int max_threads = snmp_poller_state_t::max_threads;

    // Workers of the pool are made here but started by start(), by
    // set_num_threads, or by the first one-shot request. A failure while
    // making them raises "snmp_manager_t constructor error!". Host names of
    // devices are looked up with `resolve` (qo::net::resolve_host when
    // empty).
    explicit snmp_manager_t(snmp_backend_factory_t make_backend, int platform_id = platform_nt,
                            snmp_host_resolver_t resolve = {});
    // With the back ends over Net-SNMP (snmp_backends()): the management
    // API back end on the platform_nt family, which Linux counts as, the
    // SNMP++ back end elsewhere.
    explicit snmp_manager_t(int platform_id = platform_nt);
    // Stops every worker, then the scheduler; never throws. Requests in
    // flight are abandoned.
    ~snmp_manager_t() override;

    // The scheduler thread, then workers 0 .. num_threads-1; running threads
    // are left alone. (stop() of the base stops the scheduler only.)
    void start();

    int poll_period() const;
    // Below 100: "Out of range of the poll_period".
    void set_poll_period(int milliseconds);
    int timeout() const;
    void set_timeout(int milliseconds);
    int retry_count() const;
    // Negative: "Out of range of the retry count".
    void set_retry_count(int count);
    std::string user() const;
    void set_user(std::string user);
    std::string password() const;
    void set_password(std::string password);
    int num_threads() const;
    // Outside 1..30: "Out of the range of the thread number". Only on the
    // platform_nt family; elsewhere nothing happens. Workers beyond the new
    // count are stopped and kept for reuse.
    void set_num_threads(int count);

    // One-shot request; blocks until it is served, on the calling thread with
    // the back end of a worker that waits for work, or by a worker.
    snmp_variable_t variable_op(snmp_kind_t kind, const std::string& ip, const std::string& name,
                                const std::string& value);
    snmp_variable_t get(const std::string& ip, const std::string& name);
    snmp_variable_t get_next(const std::string& ip, const std::string& name);
    snmp_variable_t set(const std::string& ip, const std::string& name, const std::string& value);

    void watch(const std::string& ip, const std::string& name);
    void end_watch(const std::string& ip, const std::string& name);
    void end_device_watch(const std::string& ip);
    void clear_watch();
    int watch_size() const;
    // Each clears the changed flags of what it returns.
    std::vector<snmp_variable_t> get_all();
    std::vector<snmp_variable_t> get_changes();
    std::vector<snmp_variable_t> get_device_changes(const std::string& ip);

    // For tests of a stop that gives up: how long stopping the scheduler or
    // a worker waits (default 60000 ms).
    void set_thread_stop_timeout(std::uint32_t milliseconds);

private:
    void thread_function() override;
    static void schedule(snmp_poller_state_t& poller, platform::sync::event_t& stop);

    // Where requests for the device `ip` go (snmp_device_address): a host
    // name is looked up once, when its device enters the watch list; while
    // the device stays there, its requests go to that address.
    std::string device_address(const std::string& ip) const;
    std::unique_ptr<snmp_thread_t> make_worker(int type);
    // Runs a one-shot request given out to the caller with the borrowed
    // worker's back end, stores the answer and returns the worker.
    void serve_one_shot(std::shared_ptr<snmp_waiter_t> borrowed, snmp_work_t& work);
    // Under threads_lock_.
    void start_workers(int count);
    // Stops workers first .. last-1 together; under threads_lock_.
    void stop_workers(int first, int last);
    // How long a one-shot caller watches for its answer before it sleeps.
    std::chrono::nanoseconds one_shot_spin() const;
    void note_one_shot(std::chrono::nanoseconds took);

    std::shared_ptr<snmp_poller_state_t> poller_;
    const snmp_backend_factory_t make_backend_;
    const int platform_id_;
    const snmp_host_resolver_t resolve_;

    // Guards the worker table; held while workers start and stop, which
    // the other locks never are.
    mutable std::mutex threads_lock_;
    std::array<std::unique_ptr<snmp_thread_t>, max_threads> workers_;
    // Workers 0 .. num_threads-1 have been started; spares a one-shot
    // request the worker table's lock.
    std::atomic<bool> workers_started_{false};
    // How long one-shot requests have taken lately (a running mean, in ns),
    // which tells a caller whether watching for the answer before sleeping
    // pays.
    std::atomic<std::int64_t> one_shot_ns_{0};
    std::uint32_t worker_stop_timeout_ = stop_timeout_ms;
};

} // namespace kestrin2
