#include "platform/sync/event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>
#include <vector>

namespace platform::sync {

namespace {

[[noreturn]] void throw_errno(int error, const char* what) {
    throw std::system_error(error, std::system_category(), what);
}

int make_eventfd(unsigned int initial, int flags) {
    const int fd = ::eventfd(initial, flags | EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        throw_errno(errno, "eventfd");
    return fd;
}

// Adds to the counter. EAGAIN only happens when the counter is at its
// ceiling, which leaves the object signalled anyway.
void add(int fd, std::uint64_t value) {
    if (::write(fd, &value, sizeof value) < 0 && errno != EAGAIN)
        throw_errno(errno, "eventfd write");
}

// Takes the whole counter (or one unit with EFD_SEMAPHORE); false when it
// was zero, which for a waiter means another thread took it first.
bool take(int fd) {
    std::uint64_t value;
    if (::read(fd, &value, sizeof value) == sizeof value)
        return true;
    if (errno != EAGAIN)
        throw_errno(errno, "eventfd read");
    return false;
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

} // namespace

event_t::event_t(reset mode, bool initially_set)
    : fd_(make_eventfd(initially_set ? 1 : 0, 0)), mode_(mode) {}

event_t::~event_t() {
    ::close(fd_);
}

void event_t::set() {
    std::lock_guard lock(order_);
    add(fd_, 1);
}

// Reading the whole counter clears any number of earlier sets at once, so
// one reset undoes them all as with a Win32 event.
void event_t::reset_event() {
    std::lock_guard lock(order_);
    take(fd_);
}

bool event_t::is_set() const {
    if (!readable(fd_))
        return false;
    std::lock_guard lock(order_);
    return true;
}

bool event_t::wait(std::uint32_t timeout_ms) {
    return wait_any({this}, timeout_ms) == 0;
}

bool event_t::try_take() {
    if (mode_ == reset::manual)
        return is_set();
    if (!take(fd_))
        return false;
    std::lock_guard lock(order_);
    return true;
}

semaphore_t::semaphore_t(std::uint32_t initial, std::uint32_t maximum)
    : fd_(-1), maximum_(maximum), count_(initial) {
    if (initial > maximum)
        throw_errno(EINVAL, "semaphore initial count above maximum");
    fd_ = make_eventfd(initial, EFD_SEMAPHORE);
}

semaphore_t::~semaphore_t() {
    ::close(fd_);
}

bool semaphore_t::release(std::uint32_t count, std::uint32_t* previous) {
    std::lock_guard lock(mutex_);
    if (previous)
        *previous = count_;
    if (std::uint64_t{count_} + count > maximum_)
        return false;
    add(fd_, count);
    count_ += count;
    return true;
}

bool semaphore_t::wait(std::uint32_t timeout_ms) {
    return wait_any({this}, timeout_ms) == 0;
}

// The read is the real take; the mutex only keeps count_ equal to the
// eventfd counter so release() can check the maximum.
bool semaphore_t::try_take() {
    std::lock_guard lock(mutex_);
    if (!take(fd_))
        return false;
    --count_;
    return true;
}

int wait_any(std::span<waitable_t* const> objects, std::uint32_t timeout_ms) {
    // poll() with no descriptors and no limit would never return.
    if (objects.empty())
        throw_errno(EINVAL, "wait_any without objects");

    std::vector<pollfd> fds;
    fds.reserve(objects.size());
    for (const waitable_t* object : objects)
        fds.push_back({object->fd(), POLLIN, 0});

    const bool forever = timeout_ms == infinite;
    const std::uint64_t deadline = tick_ms() + timeout_ms;
    for (;;) {
        int wait = -1;
        if (!forever) {
            const std::uint64_t now = tick_ms();
            const std::uint64_t left = now < deadline ? deadline - now : 0;
            wait = static_cast<int>(std::min<std::uint64_t>(left, INT_MAX));
        }
        const int ready = ::poll(fds.data(), fds.size(), wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            throw_errno(errno, "poll");
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            // A destroyed object would make every poll return at once.
            if (fds[i].revents & POLLNVAL)
                throw_errno(EBADF, "wait_any on a closed object");
            if ((fds[i].revents & POLLIN) && objects[i]->try_take())
                return static_cast<int>(i);
        }
        // Everything that woke us was taken by other waiters: wait again
        // for whatever time is left.
        if (wait == 0)
            return -1;
    }
}

int wait_any(std::initializer_list<waitable_t*> objects, std::uint32_t timeout_ms) {
    return wait_any(std::span<waitable_t* const>(objects.begin(), objects.size()), timeout_ms);
}

std::uint64_t tick_ms() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
}

} // namespace platform::sync
