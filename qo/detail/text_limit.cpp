#include "qo/detail/text_limit.h"

namespace qo::detail {

void cut_text(std::string& text) {
    if (text.size() <= max_text)
        return;
    std::size_t end = max_text;
    // text[end] is the first byte dropped: while it continues a sequence,
    // the sequence started before the cut and must go as well.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

} // namespace qo::detail
