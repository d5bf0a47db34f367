#include "lossy_relay.h"

#include "tools/snmpagent/ber.h"
#include "tools/snmpagent/unit.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

namespace commtest {

namespace {

sockaddr_in SocketAddress(const std::string& address, std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1)
        throw std::runtime_error("not an IPv4 address: " + address);
    return a;
}

int UdpSocket()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error(std::string("relay socket: ") + std::strerror(errno));
    return fd;
}

std::string ValueText(const snmpagent::element_t& value)
{
    if (value.tag == snmpagent::tag_integer)
        return std::to_string(snmpagent::read_signed(value.content).value_or(0));
    return std::string(value.content.begin(), value.content.end());
}

} // namespace

CLossyRelay::CLossyRelay(const std::string& address, const std::string& unitAddress,
                         std::uint16_t unitPort)
    : m_address(address)
{
    m_clientSide = UdpSocket();
    m_unitSide = UdpSocket();
    sockaddr_in own = SocketAddress(address, 0);
    socklen_t size = sizeof own;
    const sockaddr_in unit = SocketAddress(unitAddress, unitPort);
    if (::bind(m_clientSide, reinterpret_cast<sockaddr*>(&own), sizeof own) != 0 ||
        ::getsockname(m_clientSide, reinterpret_cast<sockaddr*>(&own), &size) != 0 ||
        ::connect(m_unitSide, reinterpret_cast<const sockaddr*>(&unit), sizeof unit) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0) {
        const std::string error = std::strerror(errno);
        ::close(m_clientSide);
        ::close(m_unitSide);
        throw std::runtime_error("relay: " + error);
    }
    m_port = ntohs(own.sin_port);
    m_thread = std::thread([this] { Run(); });
}

CLossyRelay::~CLossyRelay()
{
    const char stop = 0;
    [[maybe_unused]] const auto written = ::write(m_wake[1], &stop, 1);
    m_thread.join();
    for (const int fd : {m_clientSide, m_unitSide, m_wake[0], m_wake[1]})
        ::close(fd);
}

std::string CLossyRelay::Target() const
{
    return m_address + "/" + std::to_string(m_port);
}

void CLossyRelay::LoseReplyToWrite(const std::string& value, int reads)
{
    std::lock_guard lock(m_mutex);
    m_loseWrite = value;
    m_loseReads = reads;
    m_writeSeen = false;
}

bool CLossyRelay::LoseReplyTo(const snmpagent::message_t& request)
{
    if (request.bindings.size() != 1)
        return false;
    static const snmpagent::bytes_t serialPriority =
        *snmpagent::oid_content(snmpagent::unit::serial_priority);
    const auto& [oid, value] = request.bindings.front();
    if (oid != serialPriority)
        return false;
    std::lock_guard lock(m_mutex);
    if (m_loseWrite.empty())
        return false;
    if (!m_writeSeen) {
        m_writeSeen = request.pdu_type == snmpagent::pdu_set && ValueText(value) == m_loseWrite;
        if (m_writeSeen && m_loseReads == 0)
            m_loseWrite.clear();
        return m_writeSeen;
    }
    if (request.pdu_type != snmpagent::pdu_get)
        return false;
    if (--m_loseReads == 0)
        m_loseWrite.clear();
    return true;
}

void CLossyRelay::Run()
{
    struct Pending {
        sockaddr_in client;
        bool lose;
    };
    std::map<std::int64_t, Pending> pending; // by request id
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        pollfd fds[] = {{m_clientSide, POLLIN, 0}, {m_unitSide, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[2].revents)
            return;
        if (fds[0].revents & POLLIN) {
            sockaddr_in client{};
            socklen_t size = sizeof client;
            const ssize_t n = ::recvfrom(m_clientSide, buffer.data(), buffer.size(), 0,
                                         reinterpret_cast<sockaddr*>(&client), &size);
            if (n > 0) {
                const auto request = snmpagent::read_message(buffer.data(), std::size_t(n));
                if (request)
                    pending[request->request_id] = {client, LoseReplyTo(*request)};
                ::send(m_unitSide, buffer.data(), std::size_t(n), 0);
            }
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::recv(m_unitSide, buffer.data(), buffer.size(), 0);
            const auto reply =
                n > 0 ? snmpagent::read_message(buffer.data(), std::size_t(n)) : std::nullopt;
            const auto found = reply ? pending.find(reply->request_id) : pending.end();
            if (found != pending.end()) {
                if (found->second.lose)
                    ++m_lost;
                else
                    ::sendto(m_clientSide, buffer.data(), std::size_t(n), 0,
                             reinterpret_cast<const sockaddr*>(&found->second.client),
                             sizeof found->second.client);
                pending.erase(found);
            }
        }
    }
}

} // namespace commtest
