#pragma once
// Base of every worker thread of the components.
//
// A derived class supplies thread_function and must call stop() in its own
// destructor: by the time ~thread_t runs, the derived part is gone.
//
// The state the running thread needs of the base (stop event, running flag,
// end signal) is shared with the thread, so a thread that outlives the stop
// wait and the object (the object is destroyed while its thread ignores the
// stop request) still finds it; the object then lets the thread go.
//
// Linked into a shared library (a server), each thread holds that library
// (platform/automation's module lock) until it has left the library's code:
// a library with a thread still running, even one that has signalled its
// end, is not unloaded. Threads of a program hold nothing.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/sync/event.h"
#include "qo/handle.h"

namespace qo::proc {

class thread_t {
public:
    // How long stop() waits for the thread to end.
    static constexpr std::uint32_t stop_timeout_ms = 60000;

    thread_t();
    virtual ~thread_t();
    thread_t(const thread_t&) = delete;
    thread_t& operator=(const thread_t&) = delete;

    // Starts the thread; nothing while it runs. Resets the stop event first,
    // so a thread that ended can be started again.
    void start();
    // Sets the stop event and waits for the thread to end; nothing unless it
    // runs. Throws qo::proc::exception_t "WAIT_TIMEOUT in thread_t::stop"
    // when the thread does not end in time. Only the owner calls it.
    void stop();

    bool running() const;
    // Signalled once the thread has ended (wait(0) tells whether it has);
    // empty until the first start.
    const handle_t& handle() const { return handle_; }
    // Best-effort scheduling priority in the levels -15 (idle) .. 15 (time
    // critical), 0 normal; false when it could not be applied (for example
    // raising it without the privilege, or no thread running).
    bool set_priority(int priority);

protected:
    virtual void thread_function() = 0;

    // false when the stop event stays unset for the time; throws
    // qo::proc::thread_stop_exception_t when it is set.
    bool check_stop(std::uint32_t milliseconds);
    // Waits for the object or the stop event: true when the object is
    // signalled, false on time-out; the stop event throws
    // qo::proc::thread_stop_exception_t, a failure qo::wapi::exception_t.
    bool wait_for_objects(const handle_t& handle, std::uint32_t milliseconds);
    bool wait_for_objects(platform::sync::waitable_t& object, std::uint32_t milliseconds);

    platform::sync::event_t& stop_event();
    // Shortens the stop wait, for tests of a thread that does not stop.
    void set_stop_timeout(std::uint32_t milliseconds) { stop_timeout_ = milliseconds; }

private:
    struct state_t;

    static void thread_entry(thread_t* self, std::shared_ptr<state_t> state,
                             std::shared_ptr<platform::sync::event_t> ended);
    // The state seen by the calling thread: its own copy when called from
    // inside this object's thread.
    state_t& current_state();

    std::shared_ptr<state_t> state_;
    handle_t handle_;
    std::thread thread_;
    std::uint32_t stop_timeout_ = stop_timeout_ms;
};

} // namespace qo::proc
