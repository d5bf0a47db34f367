#pragma once
// The lock count of one loadable module (a server library, or the program
// itself): every living object, every server lock and every running thread
// of the module counts once. A library may be unloaded only at count 0.
//
// this_module() is private to each library that includes this header (it is
// not exported, so every server library and the program have their own), which
// is why every inline function that touches it is hidden too. (The functions,
// not the classes: a hidden class could not be the base or member of a
// server's exported class.)
#include <atomic>
#include <functional>
#include <thread>

#define OSTREL_AUTOMATION_HIDDEN __attribute__((visibility("hidden")))

namespace platform::automation {

class module_state_t {
public:
    constexpr module_state_t() = default;
    module_state_t(const module_state_t&) = delete;
    module_state_t& operator=(const module_state_t&) = delete;

    void lock() noexcept { count_.fetch_add(1, std::memory_order_acq_rel); }
    void unlock() noexcept { count_.fetch_sub(1, std::memory_order_acq_rel); }
    long count() const noexcept { return count_.load(std::memory_order_acquire); }

private:
    std::atomic<long> count_{0};
};

OSTREL_AUTOMATION_HIDDEN inline module_state_t& this_module() noexcept
{
    static module_state_t state;
    return state;
}

// Holds the calling module for as long as it lives.
class module_lock_t {
public:
    OSTREL_AUTOMATION_HIDDEN module_lock_t() noexcept { this_module().lock(); }
    OSTREL_AUTOMATION_HIDDEN ~module_lock_t() { this_module().unlock(); }
    module_lock_t(const module_lock_t&) = delete;
    module_lock_t& operator=(const module_lock_t&) = delete;
};

// Starts a thread that holds `module` until the thread has left every line
// of that module's code: `body` and everything it captured are destroyed
// before the lock goes, and the thread's own start and end run in this
// layer, which is never unloaded.
std::thread start_locked_thread(module_state_t& module, std::function<void()> body);

// The same for the calling module.
OSTREL_AUTOMATION_HIDDEN inline std::thread start_module_thread(std::function<void()> body)
{
    return start_locked_thread(this_module(), std::move(body));
}

} // namespace platform::automation
