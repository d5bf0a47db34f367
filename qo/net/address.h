#pragma once
// An IPv4 socket address and the host-name look-up that makes one.
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace qo::net {

// The address of a host in network order: the dotted form when the text is
// one, else the first IPv4 address of a name look-up. A failed look-up
// throws qo::net::exception_t; a name without IPv4 addresses throws
// qo::exception_t "bad net address".
std::uint32_t resolve_host(std::string_view host);

class address_t {
public:
    // The wildcard address with the port: what a socket binds to.
    explicit address_t(std::uint16_t port = 0);
    // The port with the address of `host` (resolve_host).
    address_t(std::uint16_t port, std::string_view host);
    explicit address_t(const sockaddr_in& address) : address_(address) {}

    std::uint16_t port() const { return ntohs(address_.sin_port); }
    // Network order.
    std::uint32_t address() const { return address_.sin_addr.s_addr; }

    sockaddr* data() { return reinterpret_cast<sockaddr*>(&address_); }
    const sockaddr* data() const { return reinterpret_cast<const sockaddr*>(&address_); }
    static constexpr socklen_t size() { return sizeof(sockaddr_in); }
    const sockaddr_in& native() const { return address_; }
    // Replaces the address only; the texts stay.
    void assign(const sockaddr_in& address) { address_ = address; }

    // Free texts for the user of the type; the address never sets them.
    std::string name;
    std::string info;

private:
    sockaddr_in address_{};
};

} // namespace qo::net
