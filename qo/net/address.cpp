#include "qo/net/address.h"

#include "qo/exception.h"
#include "qo/net/exception.h"
#include "qo/net/socket.h"
#include "qo/net/winsock_error.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <string>

namespace qo::net {

std::uint32_t resolve_host(std::string_view host) {
    winsock_startup();
    const std::string text(host);
    // "255.255.255.255" is also inet_addr's failure value, so that text goes
    // through the look-up below, which gives the same address.
    const in_addr_t dotted = ::inet_addr(text.c_str());
    if (dotted != INADDR_NONE)
        return dotted;

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(text.c_str(), nullptr, &hints, &found);
    if (result != 0)
        throw exception_t(error_from_gai(result, errno));
    std::uint32_t address = 0;
    bool have = false;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            have = true;
            break;
        }
    }
    ::freeaddrinfo(found);
    if (!have)
        throw qo::exception_t("bad net address");
    return address;
}

address_t::address_t(std::uint16_t port) {
    address_.sin_family = AF_INET;
    address_.sin_port = htons(port);
    address_.sin_addr.s_addr = htonl(INADDR_ANY);
}

address_t::address_t(std::uint16_t port, std::string_view host) : address_t(port) {
    address_.sin_addr.s_addr = resolve_host(host);
}

} // namespace qo::net
