#pragma once
// Owner of one waitable object: an event, a semaphore or the end signal of
// a thread. Copies share the object; it goes with the last of them.
#include <cstdint>
#include <memory>

#include "platform/sync/event.h"

namespace qo {

class handle_t {
public:
    handle_t() = default;
    explicit handle_t(std::shared_ptr<platform::sync::waitable_t> object)
        : object_(std::move(object)) {}

    // true when the object is signalled within the time (taking it, for an
    // automatic-reset event or a semaphore), false on time-out. An empty
    // handle or a failed wait throws qo::wapi::exception_t.
    bool wait(std::uint32_t milliseconds) const;

    void close() { object_.reset(); }
    bool valid() const { return object_ != nullptr; }
    platform::sync::waitable_t* get() const { return object_.get(); }

private:
    std::shared_ptr<platform::sync::waitable_t> object_;
};

} // namespace qo
