#pragma once
// Elapsed-time sources for device ages and the device table's sweep.
//
// Milliseconds of a 64-bit monotonic clock: an age does not wrap while the
// process runs, however long that is.
#include <cstdint>

#include "platform/sync/event.h"

namespace qo {

// A clock in milliseconds; tests hand in their own.
using clock_fn = std::uint64_t (*)();

class timer_imp_t {
public:
    virtual ~timer_imp_t() = default;
    virtual void reset() = 0;
    // Milliseconds since the last reset (or the construction).
    virtual std::uint64_t elapsed() const = 0;
    virtual bool expired(std::uint64_t milliseconds) const { return elapsed() >= milliseconds; }
};

class win_timer_imp_t final : public timer_imp_t {
public:
    explicit win_timer_imp_t(clock_fn clock = platform::sync::tick_ms)
        : clock_(clock), start_(clock()) {}

    void reset() override { start_ = clock_(); }
    std::uint64_t elapsed() const override {
        const std::uint64_t now = clock_();
        return now > start_ ? now - start_ : 0;
    }

private:
    clock_fn clock_;
    std::uint64_t start_;
};

} // namespace qo
