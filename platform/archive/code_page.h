#pragma once
// The ANSI code page an archive's strings are stored in. Inside the program
// strings are UTF-8; the archive converts at its boundary.
#include <string>
#include <string_view>

namespace platform::archive {

struct code_page_t {
    std::string (*to_utf8)(std::string_view ansi);
    std::string (*from_utf8)(std::string_view utf8);

    // Code page 936, the default of every archive. Lossless both ways for
    // bytes that do not decode (see platform/text/codepage.h).
    static code_page_t gbk();
    // Strings stored as UTF-8 bytes unchanged.
    static code_page_t utf8();
};

} // namespace platform::archive
