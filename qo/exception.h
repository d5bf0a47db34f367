#pragma once
// Root of the exception family every component of the library throws.
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/format.h"

namespace qo {

class exception_t : public std::exception {
public:
    exception_t() = default;
    // The text as given (cut to 511 characters); no formatting, so a '%' in
    // a text assembled from outside data is harmless.
    explicit exception_t(std::string_view text);
    // printf-style: the formatted text, cut to 511 characters. A format that
    // does not fit its arguments gives the format itself, never a second
    // exception.
    template <typename Arg, typename... Args>
    exception_t(std::string_view format, const Arg& arg, const Args&... args) {
        set_text(format_text(
            format, {platform::text::format_arg(arg), platform::text::format_arg(args)...}));
    }

    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const noexcept { return text_; }

protected:
    // Stores the text, cut to 511 characters.
    void set_text(std::string text);

private:
    static std::string format_text(std::string_view format,
                                   const std::vector<platform::text::format_arg>& args);

    std::string text_;
};

} // namespace qo
