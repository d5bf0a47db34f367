#pragma once
// printf-style texts for trace lines and messages, with the formatter of
// platform::text (the same output on every locale), cut to 511 characters
// as the components' 512-byte buffer did.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/format.h"

namespace qo {

std::string vformat(std::string_view format, const std::vector<platform::text::format_arg>& args);

// The format is a C string so that a call with a std::string first means
// the variant below.
template <typename... Args> std::string format(const char* format, const Args&... args) {
    return qo::vformat(format, {platform::text::format_arg(args)...});
}

// Into `out`, replacing what it held.
template <typename... Args>
void format(std::string& out, std::string_view format, const Args&... args) {
    out = qo::vformat(format, {platform::text::format_arg(args)...});
}

// Onto a stream, as one write.
template <typename... Args>
std::ostream& format(std::ostream& out, std::string_view format, const Args&... args) {
    const std::string text = qo::vformat(format, {platform::text::format_arg(args)...});
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

} // namespace qo
