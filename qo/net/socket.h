#pragma once
// A UDP or TCP socket whose every send and receive ends by a time-out or,
// from another thread, by the owner's quit event.
//
// The socket is non-blocking: an operation that cannot complete at once
// waits in poll() for the socket to become ready (wait_for_completion) and
// is then tried again, so nothing is left pending once a call returns or
// throws.
#include <cstddef>
#include <cstdint>
#include <ostream>

#include "platform/sync/event.h"
#include "qo/net/address.h"

namespace qo::net {

// Process-wide start of the socket layer, called by the sockets and
// resolve_host. POSIX sockets need no start-up; the call stays as the one
// place for it.
inline void winsock_startup() {}

class socket_t {
public:
    static constexpr int protocol_udp = 17;
    static constexpr int protocol_tcp = 6;
    // Time-out meaning "no limit".
    static constexpr std::int32_t infinite = -1;

    // `quit` (not owned, may be null) abandons waits when set. With socket
    // -1 a new socket is opened (datagram for protocol 17, stream
    // otherwise); else `socket` is adopted and counts as connected. TCP
    // sockets close with a reset (linger on, time 0) and send without delay.
    explicit socket_t(platform::sync::event_t* quit, int socket = -1, int protocol = protocol_udp);
    // Closes the socket; a close error goes to the log stream when set.
    virtual ~socket_t();
    socket_t(const socket_t&) = delete;
    socket_t& operator=(const socket_t&) = delete;

    void bind(const address_t& address);
    // Bytes sent; waits at most the send time-out.
    std::size_t send_to(const address_t& to, const void* buffer, std::size_t length);
    // Bytes received, the sender written to `from`; waits at most the
    // receive time-out. A datagram longer than `length` is consumed and
    // reported as qo::net::exception_t 10040 ("message too long").
    std::size_t receive_from(address_t& from, void* buffer, std::size_t length);

    // For a connected socket shuts both directions first (a failure throws
    // qo::net::exception_t); the socket is closed in any case.
    void close();
    static void destroy(socket_t* socket) { delete socket; }

    int handle() const { return socket_; }
    bool connected() const { return state_ == 2 || state_ == 3; }
    int protocol() const { return protocol_; }

    std::int32_t send_timeout() const { return send_timeout_; }
    void set_send_timeout(std::int32_t milliseconds) { send_timeout_ = milliseconds; }
    std::int32_t receive_timeout() const { return receive_timeout_; }
    void set_receive_timeout(std::int32_t milliseconds) { receive_timeout_ = milliseconds; }

    // Where the destructor reports a failed close; none by default.
    void set_log(std::ostream* log) { log_ = log; }

protected:
    // Waits until the socket is ready for `events` (POLLIN or POLLOUT).
    // Throws qo::exception_t "socket wait Quitting" when the quit event is
    // set (checked first), "socket timeout" when the time passes, and
    // qo::net::exception_t when the wait fails.
    virtual void wait_for_completion(short events, std::int32_t timeout_ms);

    platform::sync::event_t* quit_event() const { return quit_; }

private:
    template <typename Operation>
    std::size_t run(Operation operation, short events, std::int32_t timeout_ms);

    int socket_ = -1;
    int state_ = 0;
    std::int32_t send_timeout_ = infinite;
    std::int32_t receive_timeout_ = infinite;
    platform::sync::event_t* quit_ = nullptr;
    int protocol_ = protocol_udp;
    std::ostream* log_ = nullptr;
};

} // namespace qo::net
