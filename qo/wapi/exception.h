#pragma once
// A failed system call: the text names the failure and carries the system
// text of the error code.
#include <cstdint>
#include <string_view>

#include "qo/exception.h"

namespace qo::wapi {

class exception_t : public qo::exception_t {
public:
    // Code = the thread's last error; text = its system text, or
    // "WinAPI error# <code>" when there is none.
    exception_t();
    // Text = `text` + ": " + the system text as above.
    explicit exception_t(std::string_view text);
    // The same with a code the caller already holds (read before anything
    // else could change errno).
    explicit exception_t(std::uint32_t code);
    exception_t(std::uint32_t code, std::string_view text);

    std::uint32_t code() const noexcept { return code_; }

private:
    std::uint32_t code_ = 0;
};

} // namespace qo::wapi
