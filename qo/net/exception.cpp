#include "qo/net/exception.h"

#include "qo/net/winsock_error.h"

namespace qo::net {

exception_t::exception_t() : exception_t(last_error()) {}

exception_t::exception_t(std::int32_t code) : code_(code) {
    set_text(winsock_error_text(code));
}

} // namespace qo::net
