#pragma once
// Waitable objects over eventfd, so that a thread can wait on them together
// with sockets and packet sockets in one poll().
//
//  - event_t: an event with manual or automatic reset. A manual-reset event
//    stays signalled until reset; an automatic-reset event releases exactly
//    one waiter and becomes non-signalled again.
//  - semaphore_t: a counting semaphore with a maximum count; each successful
//    wait takes one unit.
//
// wait_any waits on several of them and reports the first signalled one in
// argument order; only that object is taken (an auto-reset event reset, a
// semaphore unit consumed).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>

namespace platform::sync {

// A time-out meaning "no limit".
inline constexpr std::uint32_t infinite = 0xFFFFFFFFu;

// Something wait_any can wait for.
class waitable_t {
public:
    virtual ~waitable_t() = default;
    // The eventfd: readable (POLLIN) while the object is signalled.
    virtual int fd() const = 0;
    // Takes the object when it is signalled, without blocking.
    virtual bool try_take() = 0;
};

class event_t final : public waitable_t {
public:
    enum class reset { manual, automatic };

    explicit event_t(reset mode, bool initially_set = false);
    ~event_t() override;
    event_t(const event_t&) = delete;
    event_t& operator=(const event_t&) = delete;

    void set();
    void reset_event();
    bool is_set() const;
    bool manual_reset() const { return mode_ == reset::manual; }

    // true when signalled within the time, false on time-out.
    bool wait(std::uint32_t timeout_ms = infinite);

    int fd() const override { return fd_; }
    bool try_take() override;

private:
    int fd_;
    reset mode_;
    // The eventfd alone orders nothing for the memory model (a manual event
    // is only polled, never read). set() writes the eventfd under this lock
    // and a successful take passes through it, so everything the setter did
    // before set(), the eventfd write included, happens before the waiter
    // goes on: data handed over with an event is visible, and a waiter may
    // destroy the event at once.
    mutable std::mutex order_;
};

class semaphore_t final : public waitable_t {
public:
    semaphore_t(std::uint32_t initial, std::uint32_t maximum);
    ~semaphore_t() override;
    semaphore_t(const semaphore_t&) = delete;
    semaphore_t& operator=(const semaphore_t&) = delete;

    // Adds `count` units; false (and nothing added) when that would pass the
    // maximum. `previous` receives the count before the release.
    bool release(std::uint32_t count = 1, std::uint32_t* previous = nullptr);

    bool wait(std::uint32_t timeout_ms = infinite);

    int fd() const override { return fd_; }
    bool try_take() override;

private:
    int fd_;
    std::uint32_t maximum_;
    std::mutex mutex_;
    std::uint32_t count_;
};

// Index of the first object (in argument order) that was signalled and has
// been taken, or -1 on time-out. Throws std::system_error when poll fails.
int wait_any(std::span<waitable_t* const> objects, std::uint32_t timeout_ms);
int wait_any(std::initializer_list<waitable_t*> objects, std::uint32_t timeout_ms);

// Milliseconds of a monotonic clock, for time-outs and intervals.
std::uint64_t tick_ms();

} // namespace platform::sync
