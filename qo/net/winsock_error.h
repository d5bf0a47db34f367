#pragma once
// Socket error codes in the numbering of the components' original socket
// layer, with the library's own texts for them.
#include <cstdint>
#include <string>

namespace qo::net {

// The socket error code for an errno (for example ETIMEDOUT -> 10060,
// ECONNREFUSED -> 10061); errors without a socket meaning get their
// system code (qo::wapi::error_from_errno).
std::int32_t error_from_errno(int error);
// The same for the calling thread's errno.
std::int32_t last_error();
// The socket error code for a getaddrinfo result (EAI_*).
std::int32_t error_from_gai(int gai_error, int saved_errno);

// The library's text for a socket error code; for a code outside its table
// the system text + " (system error)", else "WinSock error# <code>".
std::string winsock_error_text(std::int32_t code);

} // namespace qo::net
