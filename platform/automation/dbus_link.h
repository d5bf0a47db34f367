#pragma once
// A client's connection to the bus, with a thread of its own that reads it.
// Internal to the transport.
//
// Every call is sent asynchronously from the calling thread and the caller
// waits for its own answer, so calls from several threads are on the wire
// together and none waits for another's. Only the link's thread reads the
// connection; the callers' threads only write to it, which sdbus-c++ allows
// from any thread.
//
// The bus proxies a call needs are made by the caller and destroyed by the
// link's thread between two rounds of reading (or by the caller once that
// thread has ended), never while a reply handler of theirs may run.
//
// The thread runs a loop of its own rather than the connection's
// enterEventLoopAsync(): in sdbus-c++ 1.2 that loop lets the error of a failed
// connection escape its thread, which ends the process, and a client must
// outlive its bus.
//
// A link ends for good when its connection fails (the bus went away, or a
// send failed); every call still waiting then reports that the link was lost.
// A new connection is a new link.
#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace platform::automation::dbus {

enum class outcome_t {
    answered,  // `reply` holds the answer
    failed,    // a D-Bus error came back (the server's end, an unknown name, ...)
    timed_out, // no answer within the time-out; the call may still run
    lost,      // the connection ended while the call was on its way
    not_sent,  // the connection had ended before: the call never left
};

struct call_result_t {
    outcome_t outcome = outcome_t::not_sent;
    sdbus::MethodReply reply;
    std::string error_name;
    std::string error_message;
};

// A method call being written, with the proxy that made it.
struct outgoing_t {
    std::unique_ptr<sdbus::IProxy> proxy;
    sdbus::MethodCall call;
};

class bus_link_t {
public:
    // Runs on the link's thread for an answer that came after its caller
    // stopped waiting, so that objects it hands over can be given back.
    using late_fn = std::function<void(bus_link_t&, sdbus::MethodReply&)>;

    // Connects and starts the thread. Throws sdbus::Error.
    bus_link_t();
    ~bus_link_t();
    bus_link_t(const bus_link_t&) = delete;
    bus_link_t& operator=(const bus_link_t&) = delete;

    // Distinct for every link of the process, never reused.
    std::uint64_t id() const { return id_; }
    bool alive() const { return !ended_.load(); }

    // A call of `member` of the transport's interface. Throws sdbus::Error.
    outgoing_t prepare(const std::string& destination, const std::string& path, const char* member);
    // Sends and waits for the answer at most `timeout`.
    call_result_t call(outgoing_t out, std::chrono::milliseconds timeout, late_fn on_late = {});
    // Sends without waiting for any answer; false when it could not be sent.
    bool send(outgoing_t out);

private:
    struct pending_t;

    void loop();
    void end();
    void wake();
    // A send failed: the connection is of no further use.
    void give_up();

    const std::uint64_t id_;
    std::unique_ptr<sdbus::IConnection> connection_;
    int wake_fd_ = -1;
    std::atomic<bool> ended_{false};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_; // the pending list, and ended_ changing with it
    std::list<std::shared_ptr<pending_t>> pending_;
    // Tells when the thread has ended. The thread is detached (the link the
    // process keeps for good would otherwise hold a thread nobody joins), and
    // shares this with the link so that it outlives whichever lets go last.
    struct finished_t;
    std::shared_ptr<finished_t> finished_;
};

} // namespace platform::automation::dbus
