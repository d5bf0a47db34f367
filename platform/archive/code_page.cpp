#include "platform/archive/code_page.h"

#include "platform/text/codepage.h"

namespace platform::archive {
namespace {

std::string identity(std::string_view s) {
    return std::string(s);
}

} // namespace

code_page_t code_page_t::gbk() {
    return {&text::gbk_to_utf8, &text::utf8_to_gbk};
}

code_page_t code_page_t::utf8() {
    return {&identity, &identity};
}

} // namespace platform::archive
