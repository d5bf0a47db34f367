#include "platform/text/line_breaks.h"

namespace platform::text {

std::string ToEditLines(std::string_view stored) {
    std::string edit;
    edit.reserve(stored.size());
    for (std::size_t at = 0; at < stored.size(); ++at) {
        if (stored.substr(at, 2) == "\r\n")
            continue; // its '\n' follows
        edit += stored[at];
    }
    return edit;
}

std::string ToStoredLines(std::string_view edit) {
    std::string stored;
    stored.reserve(edit.size() + edit.size() / 8);
    for (const char c : edit) {
        if (c == '\r')
            continue;
        if (c == '\n')
            stored += '\r';
        stored += c;
    }
    return stored;
}

} // namespace platform::text
