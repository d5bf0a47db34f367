#include "qo/proc/thread.h"

#include "platform/automation/module.h"
#include "qo/proc/exception.h"
#include "qo/proc/thread_stop_exception.h"
#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <system_error>

namespace qo::proc {

struct thread_t::state_t {
    platform::sync::event_t stop{platform::sync::event_t::reset::manual};
    std::atomic<bool> running{false};

    // The thread's id once it runs (0 otherwise) and a priority asked for
    // before it was known.
    std::mutex priority_mutex;
    pid_t tid = 0;
    bool priority_pending = false;
    int nice = 0;
};

namespace {

// Inside a thread of thread_t: which object it belongs to and the state it
// holds. Used instead of the object's members, which may already be gone.
thread_local const thread_t* tl_owner = nullptr;
thread_local void* tl_state = nullptr;

[[noreturn]] void throw_system(const std::system_error& e) {
    throw wapi::exception_t(wapi::error_from_errno(e.code().value()));
}

// true when this code was linked into a shared library rather than into the
// program: the program's own entry in the link map has an empty name.
bool linked_into_library() {
    static const bool in_library = [] {
        Dl_info info{};
        link_map* map = nullptr;
        if (::dladdr1(reinterpret_cast<void*>(&linked_into_library), &info,
                      reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
            !map)
            return false;
        return map->l_name && map->l_name[0] != '\0';
    }();
    return in_library;
}

// Priority levels of the components' original platform to nice values.
int nice_of(int priority) {
    if (priority >= 15)
        return -20;
    if (priority <= -15)
        return 19;
    return std::clamp(-priority * 5, -20, 19);
}

} // namespace

thread_t::thread_t() {
    try {
        state_ = std::make_shared<state_t>();
    } catch (const std::system_error& e) {
        throw_system(e);
    }
}

thread_t::~thread_t() {
    try {
        stop();
    } catch (...) {
    }
    if (!thread_.joinable())
        return;
    bool ended = false;
    try {
        ended = thread_.get_id() != std::this_thread::get_id() && handle_.wait(0);
    } catch (...) {
    }
    // A thread that did not stop keeps its own share of the state; waiting
    // for it here would hang the owner, so it is let go.
    if (ended)
        thread_.join();
    else
        thread_.detach();
}

bool thread_t::running() const {
    return state_->running.load();
}

platform::sync::event_t& thread_t::stop_event() {
    return current_state().stop;
}

thread_t::state_t& thread_t::current_state() {
    if (tl_owner == this && tl_state)
        return *static_cast<state_t*>(tl_state);
    return *state_;
}

void thread_t::start() {
    if (state_->running.load())
        return;
    state_->running = true;
    // The previous thread has ended (it cleared running); collect it.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
    handle_.close();
    try {
        state_->stop.reset_event();
        {
            std::lock_guard lock(state_->priority_mutex);
            state_->priority_pending = false;
        }
        auto ended =
            std::make_shared<platform::sync::event_t>(platform::sync::event_t::reset::manual);
        handle_ = handle_t(ended);
        auto body = [this, state = state_, ended = std::move(ended)]() mutable {
            thread_entry(this, std::move(state), std::move(ended));
        };
        // Linked into a server library, the thread holds that library until
        // it has left the library's code for good (the entry's last lines,
        // the callable's own code and its destruction included), so the
        // library cannot be unloaded under a thread that has signalled its
        // end but still runs. A program is never unloaded, and its count
        // may mean something else (a local server's idle watch counts its
        // objects there), so its threads do not take it.
        if (linked_into_library())
            thread_ = platform::automation::start_module_thread(std::move(body));
        else
            thread_ = std::thread(std::move(body));
    } catch (const std::system_error& e) {
        state_->running = false;
        handle_.close();
        throw_system(e);
    }
}

void thread_t::thread_entry(thread_t* self, std::shared_ptr<state_t> state,
                            std::shared_ptr<platform::sync::event_t> ended) {
    tl_owner = self;
    tl_state = state.get();
    {
        std::lock_guard lock(state->priority_mutex);
        state->tid = ::gettid();
        if (state->priority_pending)
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(state->tid), state->nice);
    }
    try {
        self->thread_function();
    } catch (...) {
    }
    {
        std::lock_guard lock(state->priority_mutex);
        state->tid = 0;
    }
    tl_owner = nullptr;
    tl_state = nullptr;
    state->running = false;
    state.reset();
    ended->set();
}

void thread_t::stop() {
    if (!state_->running.load())
        return;
    try {
        state_->stop.set();
    } catch (const std::system_error& e) {
        throw_system(e);
    }
    bool ended = false;
    try {
        ended = handle_.wait(stop_timeout_);
    } catch (const wapi::exception_t& e) {
        throw wapi::exception_t(e.code(), "WAIT_FAILED in thread_t::stop");
    }
    if (!ended)
        throw exception_t("WAIT_TIMEOUT in thread_t::stop");
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

bool thread_t::set_priority(int priority) {
    std::lock_guard lock(state_->priority_mutex);
    state_->nice = nice_of(priority);
    if (state_->tid != 0)
        return ::setpriority(PRIO_PROCESS, static_cast<id_t>(state_->tid), state_->nice) == 0;
    // Started but not yet running its entry: the thread applies it itself.
    state_->priority_pending = state_->running.load();
    return state_->priority_pending;
}

bool thread_t::check_stop(std::uint32_t milliseconds) {
    bool stopped = false;
    try {
        stopped = current_state().stop.wait(milliseconds);
    } catch (const std::system_error& e) {
        throw_system(e);
    }
    if (stopped)
        throw thread_stop_exception_t();
    return false;
}

bool thread_t::wait_for_objects(const handle_t& handle, std::uint32_t milliseconds) {
    if (!handle.valid())
        throw wapi::exception_t(wapi::error_invalid_handle);
    return wait_for_objects(*handle.get(), milliseconds);
}

bool thread_t::wait_for_objects(platform::sync::waitable_t& object, std::uint32_t milliseconds) {
    int which = -1;
    try {
        which = platform::sync::wait_any({&object, &current_state().stop}, milliseconds);
    } catch (const std::system_error& e) {
        throw_system(e);
    }
    if (which == 1)
        throw thread_stop_exception_t();
    return which == 0;
}

} // namespace qo::proc
