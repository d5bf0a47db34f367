#include "qo/wapi/exception.h"

#include "platform/text/format.h"
#include "qo/wapi/system_text.h"

#include <string>

namespace qo::wapi {

namespace {

std::string code_text(std::uint32_t code) {
    try {
        std::string text = system_text(code);
        if (text.empty())
            text = platform::text::format("WinAPI error# %d", static_cast<std::int32_t>(code));
        return text;
    } catch (...) {
        return {};
    }
}

} // namespace

exception_t::exception_t() : exception_t(last_error()) {}

exception_t::exception_t(std::string_view text) : exception_t(last_error(), text) {}

exception_t::exception_t(std::uint32_t code) : code_(code) {
    set_text(code_text(code));
}

exception_t::exception_t(std::uint32_t code, std::string_view text) : code_(code) {
    set_text(std::string(text) + ": " + code_text(code));
}

} // namespace qo::wapi
