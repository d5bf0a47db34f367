#include "qo/exception.h"

#include "qo/detail/text_limit.h"

namespace qo {

exception_t::exception_t(std::string_view text) {
    set_text(std::string(text));
}

void exception_t::set_text(std::string text) {
    detail::cut_text(text);
    text_ = std::move(text);
}

std::string exception_t::format_text(std::string_view format,
                                     const std::vector<platform::text::format_arg>& args) {
    try {
        return platform::text::vformat(format, args);
    } catch (...) {
        return std::string(format);
    }
}

} // namespace qo
