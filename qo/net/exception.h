#pragma once
// A failed socket call, with the socket error code and its text.
#include <cstdint>

#include "qo/exception.h"

namespace qo::net {

class exception_t : public qo::exception_t {
public:
    // Code = the thread's last socket error; text = winsock_error_text(code).
    exception_t();
    // The same with a code the caller already holds.
    explicit exception_t(std::int32_t code);

    std::int32_t code() const noexcept { return code_; }

private:
    std::int32_t code_ = 0;
};

} // namespace qo::net
