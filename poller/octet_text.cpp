#include "poller/octet_text.h"

#include "platform/snmppp/value.h"
#include "platform/text/codepage.h"

namespace kestrin2 {

std::string octets_from_text(std::string_view text) {
    return platform::text::utf8_to_gbk(text);
}

std::string text_from_octets(const std::uint8_t* bytes, std::size_t length) {
    const platform::snmppp::OctetStr octets(bytes, length);
    bool wide = false;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t byte = bytes[i];
        if ((byte < 0x20 && byte != '\r' && byte != '\n') || byte == 0x7F)
            return octets.get_printable();
        wide = wide || byte >= 0x80;
    }
    if (!wide)
        return octets.get_printable();
    const std::string_view raw(reinterpret_cast<const char*>(bytes), length);
    std::string text = platform::text::gbk_to_utf8(raw);
    // A byte that is no GBK character makes it binary after all.
    if (platform::text::utf8_to_gbk(text) != raw || !platform::text::is_valid_utf8(text))
        return octets.get_printable();
    return text;
}

} // namespace kestrin2
