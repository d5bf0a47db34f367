// The BER reader of the scripted SNMP agent: a request as it arrives on the
// agent's socket. A message that reads must write and read back the same;
// every element's contents go through the number and identifier readers,
// whose results must encode back to themselves.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tools/snmpagent/ber.h"

namespace {

namespace sa = snmpagent;

void check(bool ok) {
    if (!ok)
        std::abort();
}

bool same(const sa::message_t& a, const sa::message_t& b) {
    if (a.community != b.community || a.pdu_type != b.pdu_type || a.request_id != b.request_id ||
        a.error_status != b.error_status || a.error_index != b.error_index ||
        a.bindings.size() != b.bindings.size())
        return false;
    for (std::size_t i = 0; i < a.bindings.size(); ++i)
        if (a.bindings[i].first != b.bindings[i].first ||
            a.bindings[i].second.tag != b.bindings[i].second.tag ||
            a.bindings[i].second.content != b.bindings[i].second.content)
            return false;
    return true;
}

void read_contents(const sa::bytes_t& content) {
    if (const auto v = sa::read_signed(content))
        check(sa::read_signed(sa::signed_content(*v)) == v);
    if (const auto v = sa::read_unsigned(content))
        check(sa::read_unsigned(sa::unsigned_content(*v)) == v);
    if (const auto ids = sa::oid_ids(content)) {
        const auto text = sa::read_oid(content);
        check(text.has_value());
        // Text the writer takes must come back as the same identifier.
        if (const auto again = sa::oid_content(*text))
            check(sa::oid_ids(*again) == ids);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<sa::element_t> elements;
    if (sa::read_elements(data, size, elements)) {
        for (const sa::element_t& e : elements) {
            read_contents(e.content);
            std::vector<sa::element_t> inner;
            if (sa::read_elements(e.content.data(), e.content.size(), inner))
                for (const sa::element_t& i : inner)
                    read_contents(i.content);
        }
    }

    if (const auto message = sa::read_message(data, size)) {
        const sa::bytes_t written = sa::write_message(*message);
        const auto again = sa::read_message(written.data(), written.size());
        check(again && same(*message, *again));
        for (const auto& [name, value] : message->bindings) {
            read_contents(name);
            read_contents(value.content);
        }
    }

    const sa::bytes_t bytes(data, data + size);
    check(sa::from_hex(sa::hex(bytes)) == bytes);
    (void)sa::from_hex(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
