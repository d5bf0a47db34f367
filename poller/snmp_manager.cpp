#include "poller/snmp_manager.h"

#include <algorithm>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/snmppp/address.h"
#include "poller/snmp_backends.h"
#include "qo/exception.h"
#include "qo/net/address.h"
#include "qo/proc/thread_stop_exception.h"
#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

namespace kestrin2 {

namespace {

// The scheduler's waits. They use the thread's own stop event rather than
// the object's members, which a thread outliving its object must not touch.
void wait_unless_stopped(platform::sync::event_t& stop, platform::sync::waitable_t& object) {
    if (platform::sync::wait_any({&stop, &object}, platform::sync::infinite) == 0)
        throw qo::proc::thread_stop_exception_t();
}

void sleep_unless_stopped(platform::sync::event_t& stop, std::uint32_t milliseconds) {
    if (stop.wait(milliseconds))
        throw qo::proc::thread_stop_exception_t();
}

std::shared_ptr<snmp_poller_state_t> make_poller_state() {
    try {
        return std::make_shared<snmp_poller_state_t>();
    } catch (const std::system_error& e) {
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(e.code().value()));
    }
}

} // namespace

snmp_manager_t::snmp_manager_t(snmp_backend_factory_t make_backend, int platform_id,
                               snmp_host_resolver_t resolve)
    : poller_(make_poller_state()), make_backend_(std::move(make_backend)),
      platform_id_(platform_id),
      resolve_(resolve ? std::move(resolve) : snmp_host_resolver_t(qo::net::resolve_host)) {
    try {
        if (platform_id_ == platform_nt) {
            for (int i = 0; i < poller_->settings.num_threads; ++i)
                workers_[i] = make_worker(snmp_backend_nt);
        } else {
            poller_->settings.num_threads = 1;
            workers_[0] = make_worker(snmp_backend_snmppp);
        }
    } catch (...) {
        throw qo::exception_t("snmp_manager_t constructor error!");
    }
}

snmp_manager_t::snmp_manager_t(int platform_id) : snmp_manager_t(snmp_backends(), platform_id) {}

snmp_manager_t::~snmp_manager_t() {
    try {
        std::lock_guard lock(threads_lock_);
        // Every thread is asked at once, so the waits below overlap.
        for (auto& worker : workers_)
            if (worker)
                worker->request_stop();
        if (running())
            stop_event().set();
        for (auto& worker : workers_)
            worker.reset();
    } catch (...) {
    }
    try {
        stop();
    } catch (const qo::exception_t& e) {
        write_stdout_line(e.what());
    } catch (...) {
        write_stdout_line("Unknown error while stopping the snmp_manager thread in destructuror");
    }
}

std::unique_ptr<snmp_thread_t> snmp_manager_t::make_worker(int type) {
    auto worker = std::make_unique<snmp_thread_t>(poller_, type, make_backend_);
    worker->set_stop_wait(worker_stop_timeout_);
    return worker;
}

void snmp_manager_t::start() {
    if (!running()) {
        thread_t::start();
        platform::sync::wait_any({&poller_->scheduler_entered, handle().get()},
                                 platform::sync::infinite);
    }
    std::lock_guard lock(threads_lock_);
    start_workers(num_threads());
    workers_started_ = true;
}

void snmp_manager_t::start_workers(int count) {
    for (int i = 0; i < count; ++i)
        if (workers_[i])
            workers_[i]->start();
}

void snmp_manager_t::stop_workers(int first, int last) {
    for (int i = first; i < last; ++i)
        if (workers_[i])
            workers_[i]->request_stop();
    std::optional<std::string> error;
    for (int i = first; i < last; ++i) {
        if (!workers_[i])
            continue;
        try {
            workers_[i]->stop();
        } catch (const qo::exception_t& e) {
            if (!error)
                error = e.text();
        }
    }
    if (error)
        throw qo::exception_t(std::string_view(*error));
}

void snmp_manager_t::thread_function() {
    std::shared_ptr<snmp_poller_state_t> poller = poller_;
    platform::sync::event_t& stop = stop_event();
    poller->scheduler_entered.set();
    schedule(*poller, stop);
}

void snmp_manager_t::schedule(snmp_poller_state_t& poller, platform::sync::event_t& stop) {
    try {
        for (;;) {
            sleep_unless_stopped(stop, 0);
            wait_unless_stopped(stop, poller.watch_list.not_empty());
            std::size_t count = 0;
            {
                std::lock_guard lock(poller.watch_lock);
                count = poller.watch_list.new_round();
            }
            if (count == 0)
                continue;
            int period = 0;
            {
                std::lock_guard lock(poller.settings_lock);
                period = poller.settings.poll_period;
            }
            const auto slice = std::chrono::milliseconds(static_cast<std::size_t>(period) / count);
            // One token per task, spread over the period, and never more
            // than the idle workers take. Token i is due i+1 slices after
            // the round began, so what each wait oversleeps is made up by
            // the next one rather than added to the round.
            const auto round_began = std::chrono::steady_clock::now();
            for (std::size_t i = 0; i < count; ++i) {
                const auto due = round_began + slice * static_cast<long>(i + 1);
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    due - std::chrono::steady_clock::now());
                sleep_unless_stopped(stop,
                                     static_cast<std::uint32_t>(std::max<long>(left.count(), 0)));
                // The idle event is waited on only when no worker waits:
                // asking it costs a system call per token.
                if (poller.wake_idle_worker())
                    continue;
                wait_unless_stopped(stop, poller.idle_event);
                poller.wake_worker();
            }
        }
    } catch (const qo::exception_t& e) {
        write_stdout_line(e.what());
    }
}

int snmp_manager_t::poll_period() const {
    std::lock_guard lock(poller_->settings_lock);
    return poller_->settings.poll_period;
}

void snmp_manager_t::set_poll_period(int milliseconds) {
    if (milliseconds < 100)
        throw qo::exception_t("Out of range of the poll_period");
    std::lock_guard lock(poller_->settings_lock);
    poller_->settings.poll_period = milliseconds;
}

int snmp_manager_t::timeout() const {
    std::lock_guard lock(poller_->settings_lock);
    return poller_->settings.timeout;
}

void snmp_manager_t::set_timeout(int milliseconds) {
    std::lock_guard lock(poller_->settings_lock);
    poller_->settings.timeout = milliseconds;
}

int snmp_manager_t::retry_count() const {
    std::lock_guard lock(poller_->settings_lock);
    return poller_->settings.retry_count;
}

void snmp_manager_t::set_retry_count(int count) {
    if (count < 0)
        throw qo::exception_t("Out of range of the retry count");
    std::lock_guard lock(poller_->settings_lock);
    poller_->settings.retry_count = count;
}

std::string snmp_manager_t::user() const {
    std::lock_guard lock(poller_->settings_lock);
    return poller_->settings.user;
}

void snmp_manager_t::set_user(std::string user) {
    std::lock_guard lock(poller_->settings_lock);
    poller_->settings.user = std::move(user);
}

std::string snmp_manager_t::password() const {
    std::lock_guard lock(poller_->settings_lock);
    return poller_->settings.password;
}

void snmp_manager_t::set_password(std::string password) {
    std::lock_guard lock(poller_->settings_lock);
    poller_->settings.password = std::move(password);
}

int snmp_manager_t::num_threads() const {
    std::lock_guard lock(poller_->settings_lock);
    return poller_->settings.num_threads;
}

void snmp_manager_t::set_num_threads(int count) {
    if (platform_id_ != platform_nt)
        return;
    if (count < 1 || count > max_threads)
        throw qo::exception_t("Out of the range of the thread number");
    std::lock_guard lock(threads_lock_);
    const int current = num_threads();
    if (count > current) {
        for (int i = current; i < count; ++i) {
            if (workers_[i])
                continue;
            try {
                workers_[i] = make_worker(snmp_backend_nt);
            } catch (const std::bad_alloc&) {
                throw qo::exception_t("Out of memory space, snmp_manager_t::num_threads_set()");
            }
        }
        for (int i = current; i < count; ++i)
            workers_[i]->start();
    } else if (count < current) {
        stop_workers(count, current);
    }
    std::lock_guard settings(poller_->settings_lock);
    poller_->settings.num_threads = count;
}

std::string snmp_manager_t::device_address(const std::string& ip) const {
    // A dotted address needs neither the list's lock nor a look-up.
    if (platform::snmppp::GenAddress(ip).valid())
        return ip;
    {
        std::lock_guard lock(poller_->watch_lock);
        if (const std::string* known = poller_->watch_list.device_address(ip))
            return *known;
    }
    // Looked up without the lock: a slow name server must not hold up the
    // workers. A device made meanwhile by another caller keeps its own.
    return snmp_device_address(ip, resolve_);
}

snmp_variable_t snmp_manager_t::variable_op(snmp_kind_t kind, const std::string& ip,
                                            const std::string& name, const std::string& value) {
    const std::string address = device_address(ip);
    // Workers serve one-shot requests whether or not the scheduler runs.
    if (!workers_started_.load()) {
        std::lock_guard lock(threads_lock_);
        start_workers(num_threads());
        workers_started_ = true;
    }
    std::shared_ptr<snmp_one_shot_t> caller;
    try {
        caller = std::make_shared<snmp_one_shot_t>(kind, name, value);
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory, error in snmp_agent_t::add_task().");
    }
    // A request to an idle device runs on this thread, with the back end of
    // a worker that waits for work: handing it to the worker and the answer
    // back would cost two thread wake-ups, a good part of a request to a
    // near device. The worker stays parked meanwhile, so the pool still
    // bounds the requests in flight, and the device is busy as for a worker.
    std::shared_ptr<snmp_waiter_t> borrowed = poller_->borrow_idle_worker();
    snmp_work_t work;
    using start_t = snmp_watch_list_t::one_shot_start_t;
    start_t start = start_t::queued;
    try {
        std::lock_guard lock(poller_->watch_lock);
        start = borrowed
                    ? poller_->watch_list.add_one_shot(ip, caller, work, address)
                    : (poller_->watch_list.add_one_shot(ip, caller, address) ? start_t::ready
                                                                             : start_t::queued);
    } catch (...) {
        if (borrowed)
            poller_->return_worker(std::move(borrowed), false);
        throw;
    }
    if (start == start_t::given) {
        serve_one_shot(std::move(borrowed), work);
    } else {
        if (borrowed)
            poller_->return_worker(std::move(borrowed), false);
        if (start == start_t::ready)
            poller_->wake_worker();
    }
    if (!caller->completed()) {
        const auto began = std::chrono::steady_clock::now();
        caller->wait(one_shot_spin());
        // Up to the worker's completion: the caller's own wake-up, long when
        // it slept on a busy machine, says nothing about the device.
        note_one_shot(caller->completed_at - began);
    }

    try {
        snmp_variable_t variable;
        variable.ip = ip;
        variable.name = caller->answer.returned_name.empty() ? name : caller->answer.returned_name;
        variable.value = caller->answer.value;
        variable.valid = caller->answer.error ? 0 : 1;
        variable.type = caller->answer.type;
        return variable;
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory, error in snmp_manager_t::variable_op()");
    }
}

void snmp_manager_t::serve_one_shot(std::shared_ptr<snmp_waiter_t> borrowed, snmp_work_t& work) {
    bool ready = true;
    try {
        snmp_vb_t vb;
        snmp_answer_t answer;
        const bool answered = snmp_run_request(
            *borrowed->backend, work, vb, poller_->request_options(borrowed->abandon), answer);
        std::lock_guard lock(poller_->watch_lock);
        if (answered)
            poller_->watch_list.store_result(work, answer, false);
        else
            poller_->watch_list.give_back(work);
        // Another caller's request that came for the device meanwhile, or
        // this one given up because the worker is being stopped, is for a
        // worker now, as it would be for the worker that finished the
        // device's request. Requests to other devices that found no worker
        // waiting left tokens, which the returned worker takes.
        ready = poller_->watch_list.one_shot_ready(work.ip);
    } catch (...) {
        // The worker's thread waits until it is returned, whatever happened.
        if (!poller_->return_worker(std::move(borrowed), ready))
            poller_->wake_worker();
        throw;
    }
    if (!poller_->return_worker(std::move(borrowed), ready))
        poller_->wake_worker();
}

// Devices that answer within a few hundred microseconds (the loopback, a
// quiet LAN) are waited for awake; slower ones, and every request while
// they are the rule, put the caller to sleep at once.
std::chrono::nanoseconds snmp_manager_t::one_shot_spin() const {
    constexpr std::int64_t worth_it_ns = 300'000;
    constexpr std::int64_t longest_ns = 400'000;
    const std::int64_t recent = one_shot_ns_.load(std::memory_order_relaxed);
    if (recent > worth_it_ns)
        return std::chrono::nanoseconds::zero();
    return std::chrono::nanoseconds(std::min(recent + recent / 2 + 20'000, longest_ns));
}

void snmp_manager_t::note_one_shot(std::chrono::nanoseconds took) {
    // Callers on several threads may lose each other's samples; the mean
    // stays a fair guess.
    const std::int64_t recent = one_shot_ns_.load(std::memory_order_relaxed);
    one_shot_ns_.store((recent * 3 + took.count()) / 4, std::memory_order_relaxed);
}

snmp_variable_t snmp_manager_t::get(const std::string& ip, const std::string& name) {
    return variable_op(snmp_kind_t::get, ip, name, " ");
}

snmp_variable_t snmp_manager_t::get_next(const std::string& ip, const std::string& name) {
    return variable_op(snmp_kind_t::get_next, ip, name, " ");
}

snmp_variable_t snmp_manager_t::set(const std::string& ip, const std::string& name,
                                    const std::string& value) {
    return variable_op(snmp_kind_t::set, ip, name, value);
}

void snmp_manager_t::watch(const std::string& ip, const std::string& name) {
    const std::string address = device_address(ip);
    std::lock_guard lock(poller_->watch_lock);
    poller_->watch_list.watch(ip, name, address);
}

void snmp_manager_t::end_watch(const std::string& ip, const std::string& name) {
    std::lock_guard lock(poller_->watch_lock);
    poller_->watch_list.end_watch(ip, name);
}

void snmp_manager_t::end_device_watch(const std::string& ip) {
    std::lock_guard lock(poller_->watch_lock);
    poller_->watch_list.end_device_watch(ip);
}

void snmp_manager_t::clear_watch() {
    std::lock_guard lock(poller_->watch_lock);
    poller_->watch_list.clear_watch();
}

int snmp_manager_t::watch_size() const {
    std::lock_guard lock(poller_->watch_lock);
    return static_cast<int>(poller_->watch_list.watch_size());
}

std::vector<snmp_variable_t> snmp_manager_t::get_all() {
    std::lock_guard lock(poller_->watch_lock);
    return poller_->watch_list.get_all();
}

std::vector<snmp_variable_t> snmp_manager_t::get_changes() {
    std::lock_guard lock(poller_->watch_lock);
    return poller_->watch_list.get_changes();
}

std::vector<snmp_variable_t> snmp_manager_t::get_device_changes(const std::string& ip) {
    std::lock_guard lock(poller_->watch_lock);
    return poller_->watch_list.get_device_changes(ip);
}

void snmp_manager_t::set_thread_stop_timeout(std::uint32_t milliseconds) {
    set_stop_timeout(milliseconds);
    std::lock_guard lock(threads_lock_);
    worker_stop_timeout_ = milliseconds;
    for (auto& worker : workers_)
        if (worker)
            worker->set_stop_wait(milliseconds);
}

} // namespace kestrin2
