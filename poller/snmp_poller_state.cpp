#include "poller/snmp_poller_state.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace kestrin2 {

snmp_poller_state_t::snmp_poller_state_t()
    : idle_event(platform::sync::event_t::reset::manual),
      scheduler_entered(platform::sync::event_t::reset::automatic) {}

std::shared_ptr<snmp_waiter_t> snmp_poller_state_t::hand_token_locked() {
    std::shared_ptr<snmp_waiter_t> waiter = std::move(idle_workers.back());
    idle_workers.pop_back();
    // The event changes only when the first worker comes or the last one
    // goes, which spares a system call per request.
    if (idle_workers.empty())
        idle_event.reset_event();
    waiter->state_.store(snmp_waiter_t::token, std::memory_order_release);
    return waiter;
}

void snmp_poller_state_t::wake_worker() {
    std::shared_ptr<snmp_waiter_t> waiter;
    {
        std::lock_guard lock(token_lock);
        if (idle_workers.empty()) {
            if (tokens < max_threads)
                ++tokens;
            return;
        }
        waiter = hand_token_locked();
    }
    waiter->state_.notify_one();
}

bool snmp_poller_state_t::wake_idle_worker() {
    std::shared_ptr<snmp_waiter_t> waiter;
    {
        std::lock_guard lock(token_lock);
        if (idle_workers.empty())
            return false;
        waiter = hand_token_locked();
    }
    waiter->state_.notify_one();
    return true;
}

bool snmp_poller_state_t::take_token(const std::shared_ptr<snmp_waiter_t>& shared) {
    snmp_waiter_t& waiter = *shared;
    {
        std::lock_guard lock(token_lock);
        if (waiter.stopping_.load())
            return false;
        if (tokens > 0) {
            --tokens;
            return true;
        }
        waiter.state_.store(snmp_waiter_t::waiting, std::memory_order_relaxed);
        idle_workers.push_back(shared);
        if (idle_workers.size() == 1)
            idle_event.set();
    }
    int state = waiter.state_.load(std::memory_order_acquire);
    while (state == snmp_waiter_t::waiting) {
        waiter.state_.wait(snmp_waiter_t::waiting, std::memory_order_acquire);
        state = waiter.state_.load(std::memory_order_acquire);
    }
    if (state == snmp_waiter_t::interrupted)
        return false;
    if (waiter.stopping_.load()) {
        // Handed a token just as the stop came: it belongs to another worker.
        wake_worker();
        return false;
    }
    return true;
}

void snmp_poller_state_t::interrupt(snmp_waiter_t& waiter) {
    {
        std::lock_guard lock(token_lock);
        waiter.stopping_ = true;
        auto it = std::find_if(idle_workers.begin(), idle_workers.end(),
                               [&](const auto& idle) { return idle.get() == &waiter; });
        if (it == idle_workers.end())
            return;
        idle_workers.erase(it);
        if (idle_workers.empty())
            idle_event.reset_event();
        waiter.state_.store(snmp_waiter_t::interrupted, std::memory_order_release);
        // The caller holds the worker's context, so the waiter outlives this.
    }
    waiter.state_.notify_one();
}

std::shared_ptr<snmp_waiter_t> snmp_poller_state_t::borrow_idle_worker() {
    std::lock_guard lock(token_lock);
    if (idle_workers.empty())
        return nullptr;
    std::shared_ptr<snmp_waiter_t> waiter = std::move(idle_workers.back());
    idle_workers.pop_back();
    if (idle_workers.empty())
        idle_event.reset_event();
    return waiter;
}

bool snmp_poller_state_t::return_worker(std::shared_ptr<snmp_waiter_t> shared, bool wake) {
    snmp_waiter_t& waiter = *shared;
    int state = snmp_waiter_t::token;
    {
        std::lock_guard lock(token_lock);
        if (waiter.stopping_.load()) {
            state = snmp_waiter_t::interrupted;
        } else if (!wake && tokens == 0) {
            // Still waiting, as it was when borrowed.
            idle_workers.push_back(std::move(shared));
            if (idle_workers.size() == 1)
                idle_event.set();
            return true;
        } else if (!wake) {
            --tokens;
        }
        waiter.state_.store(state, std::memory_order_release);
    }
    waiter.state_.notify_one();
    return state == snmp_waiter_t::token || !wake;
}

snmp_request_options_t
snmp_poller_state_t::request_options(platform::sync::event_t* abandon) const {
    snmp_request_options_t options;
    {
        std::lock_guard lock(settings_lock);
        options.community = settings.user;
        options.timeout_ms = settings.timeout;
        options.retry_count = settings.retry_count;
    }
    options.abandon = abandon;
    return options;
}

void write_stdout_line(std::string_view text) {
    std::string line(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

} // namespace kestrin2
