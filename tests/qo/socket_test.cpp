#include "qo/errorcode.h"
#include "qo/exception.h"
#include "qo/net/address.h"
#include "qo/net/exception.h"
#include "qo/net/socket.h"
#include "qo/net/socket_client.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <typeinfo>

namespace {

using namespace std::chrono_literals;
using platform::sync::event_t;
using qo::net::address_t;
using qo::net::socket_client_t;
using qo::net::socket_t;
using clock_type = std::chrono::steady_clock;

long long ms_since(clock_type::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

std::uint16_t local_port(int fd) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size), 0);
    return ntohs(a.sin_port);
}

// A UDP socket of the given class bound to a free loopback port.
template <typename Socket> std::unique_ptr<Socket> bound_udp(event_t* quit = nullptr) {
    auto s = std::make_unique<Socket>(quit);
    s->bind(address_t(0, "127.0.0.1"));
    return s;
}

address_t loopback_of(const socket_t& s) {
    return address_t(local_port(s.handle()), "127.0.0.1");
}

std::string receive_text(socket_t& s, address_t* from = nullptr) {
    char buffer[512];
    address_t sender;
    if (from)
        sender = *from;
    const std::size_t n = s.receive_from(sender, buffer, sizeof buffer);
    if (from)
        *from = sender;
    return std::string(buffer, n);
}

void send_text(socket_t& s, const address_t& to, const std::string& text) {
    EXPECT_EQ(s.send_to(to, text.data(), text.size()), text.size());
}

// ---------------------------------------------------------------------------
// UDP on loopback.

TEST(QoSocket, DatagramRoundTripGivesTheSender) {
    auto a = bound_udp<socket_t>();
    auto b = bound_udp<socket_client_t>();
    a->set_receive_timeout(2000);
    b->set_receive_timeout(2000);
    EXPECT_EQ(a->protocol(), 17);
    EXPECT_FALSE(a->connected());

    send_text(*a, loopback_of(*b), "RRQ");
    address_t from;
    from.name = "unit";
    EXPECT_EQ(receive_text(*b, &from), "RRQ");
    EXPECT_EQ(from.name, "unit");
    EXPECT_EQ(from.port(), local_port(a->handle()));
    EXPECT_EQ(from.address(), htonl(INADDR_LOOPBACK));

    send_text(*b, from, "DATA");
    EXPECT_EQ(receive_text(*a), "DATA");
}

TEST(QoSocket, ReceiveTimeOutThrowsTheErrorOfEachClass) {
    auto plain = bound_udp<socket_t>();
    plain->set_receive_timeout(100);
    auto start = clock_type::now();
    try {
        receive_text(*plain);
        FAIL() << "no time-out";
    } catch (const qo::exception_t& e) {
        EXPECT_EQ(typeid(e), typeid(qo::exception_t));
        EXPECT_STREQ(e.what(), "socket timeout");
    }
    EXPECT_GE(ms_since(start), 95);
    EXPECT_LT(ms_since(start), 2000);

    auto client = bound_udp<socket_client_t>();
    client->set_receive_timeout(100);
    start = clock_type::now();
    try {
        receive_text(*client);
        FAIL() << "no time-out";
    } catch (const qo::errorcode_t& e) {
        EXPECT_EQ(e.code(), 0x20000302u);
        EXPECT_STREQ(e.what(), "client socket timeout: sockets timeout");
    }
    EXPECT_GE(ms_since(start), 95);
    EXPECT_LT(ms_since(start), 2000);
}

// After a time-out nothing is left waiting for data: the next datagram
// goes to the next receive whole.
TEST(QoSocket, NoReceiveStaysPendingAfterATimeOut) {
    auto sender = bound_udp<socket_t>();
    auto receiver = bound_udp<socket_client_t>();
    receiver->set_receive_timeout(50);
    EXPECT_THROW(receive_text(*receiver), qo::errorcode_t);
    EXPECT_THROW(receive_text(*receiver), qo::errorcode_t);
    send_text(*sender, loopback_of(*receiver), "block 1");
    receiver->set_receive_timeout(2000);
    EXPECT_EQ(receive_text(*receiver), "block 1");
}

TEST(QoSocket, QuitEventEndsTheWaitOfSocketOnly) {
    event_t quit(event_t::reset::manual);
    auto plain = bound_udp<socket_t>(&quit);
    plain->set_receive_timeout(5000);
    // The quit comes while the receive waits: the pause is the scenario.
    std::thread setter([&] {
        std::this_thread::sleep_for(50ms);
        quit.set();
    });
    auto start = clock_type::now();
    try {
        receive_text(*plain);
        FAIL() << "no quit";
    } catch (const qo::exception_t& e) {
        EXPECT_STREQ(e.what(), "socket wait Quitting");
    }
    setter.join();
    EXPECT_LT(ms_since(start), 2000);

    // The client keeps waiting with the quit event set, and gets its data.
    auto client = bound_udp<socket_client_t>(&quit);
    client->set_receive_timeout(150);
    start = clock_type::now();
    EXPECT_THROW(receive_text(*client), qo::errorcode_t);
    EXPECT_GE(ms_since(start), 140);
    client->set_receive_timeout(2000);
    send_text(*plain, loopback_of(*client), "ACK");
    EXPECT_EQ(receive_text(*client), "ACK");
}

// Data that is there is taken even with the quit event set; only a wait
// sees the quit event.
TEST(QoSocket, WaitingDataIsReadBeforeTheQuitEventCounts) {
    event_t quit(event_t::reset::manual, true);
    auto plain = bound_udp<socket_t>(&quit);
    auto other = bound_udp<socket_t>();
    send_text(*other, loopback_of(*plain), "ready");
    pollfd p{plain->handle(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_EQ(receive_text(*plain), "ready");
    EXPECT_THROW(receive_text(*plain), qo::exception_t);
}

TEST(QoSocket, OverlongDatagramIsReportedNotCut) {
    auto sender = bound_udp<socket_t>();
    auto receiver = bound_udp<socket_t>();
    receiver->set_receive_timeout(2000);
    send_text(*sender, loopback_of(*receiver), std::string(100, 'x'));
    send_text(*sender, loopback_of(*receiver), "next");
    char small[10];
    address_t from;
    try {
        receiver->receive_from(from, small, sizeof small);
        FAIL() << "no error";
    } catch (const qo::net::exception_t& e) {
        EXPECT_EQ(e.code(), 10040);
        EXPECT_STREQ(e.what(), "message too long");
    }
    EXPECT_EQ(receive_text(*receiver), "next");
}

TEST(QoSocket, BindToATakenPortThrowsTheSocketError) {
    auto first = bound_udp<socket_t>();
    socket_t second(nullptr);
    try {
        second.bind(loopback_of(*first));
        FAIL() << "no error";
    } catch (const qo::net::exception_t& e) {
        EXPECT_EQ(e.code(), 10048);
        EXPECT_STREQ(e.what(), "address already in use");
    }
}

TEST(QoSocket, ClosedSocketRefusesWork) {
    auto s = bound_udp<socket_t>();
    const int fd = s->handle();
    s->close();
    EXPECT_EQ(s->handle(), -1);
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
    EXPECT_NO_THROW(s->close());
    char buffer[4];
    address_t from;
    try {
        s->receive_from(from, buffer, sizeof buffer);
        FAIL() << "no error";
    } catch (const qo::net::exception_t& e) {
        EXPECT_EQ(e.code(), 10038);
    }
}

// ---------------------------------------------------------------------------
// TCP: sockets handed in connected.

struct tcp_pair_t {
    int accepted = -1;
    int peer = -1;
};

tcp_pair_t connect_pair() {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    EXPECT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(::listen(listener, 1), 0);
    EXPECT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size), 0);
    tcp_pair_t pair;
    pair.peer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(::connect(pair.peer, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    pair.accepted = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(listener);
    return pair;
}

TEST(QoSocketTcp, ConnectedSocketExchangesAndClosesCleanly) {
    const tcp_pair_t pair = connect_pair();
    std::ostringstream log;
    {
        socket_t s(nullptr, pair.accepted, socket_t::protocol_tcp);
        s.set_log(&log);
        s.set_receive_timeout(2000);
        EXPECT_TRUE(s.connected());
        ASSERT_EQ(::send(pair.peer, "hello", 5, 0), 5);
        EXPECT_EQ(receive_text(s), "hello");
        send_text(s, address_t(), "world");
        char reply[16] = {};
        EXPECT_EQ(::recv(pair.peer, reply, sizeof reply, 0), 5);
        EXPECT_STREQ(reply, "world");
    }
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(::fcntl(pair.accepted, F_GETFD), -1);
    // The peer sees the end of the stream.
    char rest[4];
    EXPECT_LE(::recv(pair.peer, rest, sizeof rest, 0), 0);
    ::close(pair.peer);
}

TEST(QoSocketTcp, ClosingWithThePeerGoneLogsOneLineAndStillCloses) {
    const tcp_pair_t pair = connect_pair();
    const linger reset{1, 0};
    ASSERT_EQ(::setsockopt(pair.peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset), 0);
    ::close(pair.peer);
    pollfd p{pair.accepted, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);

    std::ostringstream log;
    auto s = std::make_unique<socket_t>(nullptr, pair.accepted, socket_t::protocol_tcp);
    s->set_log(&log);
    socket_t::destroy(s.release());

    char expected[80];
    std::snprintf(expected, sizeof expected, "\nsocket%X close error: socket is not connected",
                  static_cast<unsigned>(pair.accepted));
    EXPECT_EQ(log.str(), expected);
    EXPECT_EQ(::fcntl(pair.accepted, F_GETFD), -1);
}

} // namespace
