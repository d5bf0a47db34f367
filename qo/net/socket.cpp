#include "qo/net/socket.h"

#include "platform/text/format.h"
#include "qo/errorcode.h"
#include "qo/errorcode_table.h"
#include "qo/exception.h"
#include "qo/net/exception.h"
#include "qo/net/socket_client.h"
#include "qo/net/winsock_error.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace qo::net {

namespace {

constexpr std::int32_t invalid_socket_code = 10038;

[[noreturn]] void throw_errno(int error) {
    throw exception_t(error_from_errno(error));
}

// Milliseconds left until `deadline` for a wait of `timeout_ms` (negative:
// no limit, given back as -1).
int time_left(std::int32_t timeout_ms, std::uint64_t deadline) {
    if (timeout_ms < 0)
        return -1;
    const std::uint64_t now = platform::sync::tick_ms();
    return now < deadline ? static_cast<int>(deadline - now) : 0;
}

std::uint64_t deadline_of(std::int32_t timeout_ms) {
    return platform::sync::tick_ms() + static_cast<std::uint64_t>(std::max(timeout_ms, 0));
}

// poll() that resumes after a signal with the time that is left; -1 with
// errno on failure.
int poll_for(pollfd* fds, nfds_t count, std::int32_t timeout_ms) {
    const std::uint64_t deadline = deadline_of(timeout_ms);
    for (;;) {
        const int ready = ::poll(fds, count, time_left(timeout_ms, deadline));
        if (ready >= 0 || errno != EINTR)
            return ready;
    }
}

} // namespace

socket_t::socket_t(platform::sync::event_t* quit, int socket, int protocol)
    : quit_(quit), protocol_(protocol) {
    winsock_startup();
    const bool own = socket == -1;
    if (own) {
        const int type = protocol == protocol_udp ? SOCK_DGRAM : SOCK_STREAM;
        socket_ = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
        if (socket_ < 0)
            throw_errno(errno);
    } else {
        socket_ = socket;
        state_ = 2;
    }
    // On a failure below an adopted socket stays with the caller, who still
    // owns it since this object never came to be.
    auto fail = [&](int error) {
        if (own)
            ::close(socket_);
        socket_ = -1;
        throw_errno(error);
    };
    if (!own) {
        const int flags = ::fcntl(socket_, F_GETFL);
        if (flags < 0 || ::fcntl(socket_, F_SETFL, flags | O_NONBLOCK) < 0)
            fail(errno);
    }
    if (protocol == protocol_tcp) {
        const linger off{1, 0};
        const int on = 1;
        if (::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &off, sizeof off) < 0 ||
            ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) < 0)
            fail(errno);
    }
}

socket_t::~socket_t() {
    const int handle = socket_;
    std::string error;
    bool failed = false;
    bool known = false;
    try {
        close();
    } catch (const std::exception& e) {
        failed = known = true;
        error = e.what();
    } catch (...) {
        failed = true;
    }
    if (!failed || !log_)
        return;
    try {
        const auto number = static_cast<unsigned>(handle);
        const std::string line =
            !known ? platform::text::format("\nsocket%X close error: UNKNOWN cause", number)
                   : platform::text::format("\nsocket%X close error: %s", number, error);
        log_->write(line.data(), static_cast<std::streamsize>(line.size()));
    } catch (...) {
    }
}

void socket_t::bind(const address_t& address) {
    if (::bind(socket_, address.data(), address_t::size()) < 0)
        throw_errno(errno);
}

template <typename Operation>
std::size_t socket_t::run(Operation operation, short events, std::int32_t timeout_ms) {
    if (socket_ < 0)
        throw exception_t(invalid_socket_code);
    const std::uint64_t deadline = deadline_of(timeout_ms);
    for (;;) {
        const ssize_t done = operation();
        if (done >= 0)
            return static_cast<std::size_t>(done);
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EAGAIN && error != EWOULDBLOCK)
            throw_errno(error);
        wait_for_completion(events, time_left(timeout_ms, deadline));
    }
}

std::size_t socket_t::send_to(const address_t& to, const void* buffer, std::size_t length) {
    // A connected socket has its peer already; naming one again is an error
    // on some socket types.
    const bool named = !connected();
    return run(
        [&] {
            return ::sendto(socket_, buffer, length, MSG_NOSIGNAL, named ? to.data() : nullptr,
                            named ? address_t::size() : 0);
        },
        POLLOUT, send_timeout_);
}

std::size_t socket_t::receive_from(address_t& from, void* buffer, std::size_t length) {
    const bool datagram = protocol_ == protocol_udp;
    sockaddr_in sender{};
    socklen_t sender_size = sizeof sender;
    const std::size_t received = run(
        [&] {
            sender_size = sizeof sender;
            // MSG_TRUNC gives a datagram's full length, so one longer than the
            // buffer is reported instead of silently cut.
            return ::recvfrom(socket_, buffer, length, datagram ? MSG_TRUNC : 0,
                              reinterpret_cast<sockaddr*>(&sender), &sender_size);
        },
        POLLIN, receive_timeout_);
    if (sender_size >= sizeof(sockaddr_in) && sender.sin_family == AF_INET)
        from.assign(sender);
    if (datagram && received > length)
        throw exception_t(error_from_errno(EMSGSIZE));
    return received;
}

void socket_t::close() {
    if (socket_ < 0)
        return;
    const int handle = socket_;
    const bool was_connected = connected();
    socket_ = -1;
    state_ = 0;
    int error = 0;
    if (was_connected) {
        if (::shutdown(handle, SHUT_WR) < 0)
            error = errno;
        else if (::shutdown(handle, SHUT_RD) < 0)
            error = errno;
    }
    ::close(handle);
    if (error != 0)
        throw_errno(error);
}

void socket_t::wait_for_completion(short events, std::int32_t timeout_ms) {
    const std::uint64_t deadline = deadline_of(timeout_ms);
    for (;;) {
        pollfd fds[2];
        nfds_t count = 0;
        if (quit_)
            fds[count++] = {quit_->fd(), POLLIN, 0};
        pollfd& sock = fds[count++];
        sock = {socket_, events, 0};
        const int ready = poll_for(fds, count, time_left(timeout_ms, deadline));
        if (ready < 0)
            throw exception_t();
        if (ready == 0)
            throw qo::exception_t("socket timeout");
        if (quit_) {
            if (fds[0].revents & POLLNVAL)
                throw qo::exception_t("Socket Win 32 api from wait_for_completion");
            if ((fds[0].revents & POLLIN) && quit_->try_take())
                throw qo::exception_t("socket wait Quitting");
        }
        if (sock.revents & POLLNVAL)
            throw qo::exception_t("Socket Win 32 api from wait_for_completion");
        // Ready, or an error the operation itself will report.
        if (sock.revents != 0)
            return;
        // The quit event woke us but another waiter took it: wait on.
    }
}

void socket_client_t::wait_for_completion(short events, std::int32_t timeout_ms) {
    pollfd sock{handle(), events, 0};
    const int ready = poll_for(&sock, 1, timeout_ms);
    if (ready < 0)
        throw exception_t();
    if (ready == 0)
        throw errorcode_t(errorcode::qonet_sock_timeout, "client socket timeout");
    if (sock.revents & POLLNVAL)
        throw qo::exception_t("SocketClient Win 32 api from wait_for_completion");
}

} // namespace qo::net
