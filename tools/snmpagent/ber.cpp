#include "tools/snmpagent/ber.h"

namespace snmpagent {

void put(bytes_t& out, std::uint8_t tag, const bytes_t& content) {
    out.push_back(tag);
    const std::size_t length = content.size();
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
    } else {
        bytes_t digits;
        for (std::size_t rest = length; rest != 0; rest >>= 8)
            digits.insert(digits.begin(), static_cast<std::uint8_t>(rest));
        out.push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
        out.insert(out.end(), digits.begin(), digits.end());
    }
    out.insert(out.end(), content.begin(), content.end());
}

bytes_t encode(std::uint8_t tag, const bytes_t& content) {
    bytes_t out;
    put(out, tag, content);
    return out;
}

bytes_t signed_content(std::int64_t value) {
    bytes_t out;
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> shift));
    // Drop leading bytes that only repeat the sign.
    while (out.size() > 1 && ((out[0] == 0x00 && !(out[1] & 0x80)) ||
                              (out[0] == 0xFF && (out[1] & 0x80))))
        out.erase(out.begin());
    return out;
}

bytes_t unsigned_content(std::uint64_t value) {
    bytes_t out;
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    while (out.size() > 1 && out[0] == 0x00)
        out.erase(out.begin());
    if (out[0] & 0x80)
        out.insert(out.begin(), 0x00);
    return out;
}

std::optional<bytes_t> oid_content(std::string_view dotted) {
    if (!dotted.empty() && dotted.front() == '.')
        dotted.remove_prefix(1);
    std::vector<std::uint64_t> ids;
    std::uint64_t part = 0;
    bool digits = false;
    for (std::size_t i = 0; i <= dotted.size(); ++i) {
        if (i == dotted.size() || dotted[i] == '.') {
            if (!digits)
                return std::nullopt;
            ids.push_back(part);
            part = 0;
            digits = false;
            continue;
        }
        if (dotted[i] < '0' || dotted[i] > '9')
            return std::nullopt;
        part = part * 10 + static_cast<std::uint64_t>(dotted[i] - '0');
        if (part > 0xFFFFFFFFu)
            return std::nullopt;
        digits = true;
    }
    if (ids.size() < 2 || ids[0] > 2 || (ids[0] < 2 && ids[1] > 39))
        return std::nullopt;
    bytes_t out;
    auto put_id = [&out](std::uint64_t id) {
        bytes_t groups;
        do {
            groups.insert(groups.begin(), static_cast<std::uint8_t>(id & 0x7F));
            id >>= 7;
        } while (id != 0);
        for (std::size_t i = 0; i + 1 < groups.size(); ++i)
            groups[i] |= 0x80;
        out.insert(out.end(), groups.begin(), groups.end());
    };
    put_id(ids[0] * 40 + ids[1]);
    for (std::size_t i = 2; i < ids.size(); ++i)
        put_id(ids[i]);
    return out;
}

bool read_elements(const std::uint8_t* data, std::size_t size, std::vector<element_t>& out) {
    std::size_t i = 0;
    while (i < size) {
        element_t element;
        element.tag = data[i++];
        if ((element.tag & 0x1F) == 0x1F || i >= size)
            return false;
        std::size_t length = data[i++];
        if (length & 0x80) {
            const std::size_t count = length & 0x7F;
            if (count == 0 || count > 4 || size - i < count)
                return false;
            length = 0;
            for (std::size_t k = 0; k < count; ++k)
                length = length << 8 | data[i++];
        }
        if (length > size - i)
            return false;
        element.content.assign(data + i, data + i + length);
        i += length;
        out.push_back(std::move(element));
    }
    return true;
}

std::optional<std::int64_t> read_signed(const bytes_t& content) {
    if (content.empty() || content.size() > 8)
        return std::nullopt;
    std::uint64_t value = (content[0] & 0x80) ? ~std::uint64_t{0} : 0;
    for (std::uint8_t byte : content)
        value = value << 8 | byte;
    return static_cast<std::int64_t>(value);
}

std::optional<std::uint64_t> read_unsigned(const bytes_t& content) {
    if (content.empty() || content.size() > 9 || (content.size() == 9 && content[0] != 0))
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::uint8_t byte : content)
        value = value << 8 | byte;
    return value;
}

std::optional<std::vector<std::uint64_t>> oid_ids(const bytes_t& content) {
    if (content.empty())
        return std::nullopt;
    std::vector<std::uint64_t> ids;
    std::uint64_t id = 0;
    bool open = false;
    for (std::uint8_t byte : content) {
        id = id << 7 | (byte & 0x7F);
        open = (byte & 0x80) != 0;
        if (id > 0xFFFFFFFFull + 80)
            return std::nullopt;
        if (open)
            continue;
        if (ids.empty()) {
            const std::uint64_t first = id < 80 ? id / 40 : 2;
            ids.push_back(first);
            ids.push_back(id - first * 40);
        } else {
            ids.push_back(id);
        }
        id = 0;
    }
    if (open)
        return std::nullopt;
    return ids;
}

std::optional<std::string> read_oid(const bytes_t& content) {
    const auto ids = oid_ids(content);
    if (!ids)
        return std::nullopt;
    std::string text;
    for (std::uint64_t id : *ids) {
        if (!text.empty())
            text += '.';
        text += std::to_string(id);
    }
    return text;
}

std::string hex(const bytes_t& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

std::optional<bytes_t> from_hex(std::string_view text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    bytes_t out;
    int high = -1;
    for (char c : text) {
        if (c == ' ')
            continue;
        const int d = digit(c);
        if (d < 0)
            return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | d));
            high = -1;
        }
    }
    if (high >= 0)
        return std::nullopt;
    return out;
}

std::optional<message_t> read_message(const std::uint8_t* data, std::size_t size) {
    std::vector<element_t> top;
    if (!read_elements(data, size, top) || top.size() != 1 || top[0].tag != tag_sequence)
        return std::nullopt;
    std::vector<element_t> parts;
    if (!read_elements(top[0].content.data(), top[0].content.size(), parts) || parts.size() != 3 ||
        parts[0].tag != tag_integer || parts[1].tag != tag_octets)
        return std::nullopt;
    const auto version = read_signed(parts[0].content);
    if (!version || *version != 0)
        return std::nullopt;
    message_t message;
    message.community.assign(parts[1].content.begin(), parts[1].content.end());
    message.pdu_type = parts[2].tag;
    std::vector<element_t> fields;
    if (!read_elements(parts[2].content.data(), parts[2].content.size(), fields) ||
        fields.size() != 4 || fields[0].tag != tag_integer || fields[1].tag != tag_integer ||
        fields[2].tag != tag_integer || fields[3].tag != tag_sequence)
        return std::nullopt;
    const auto id = read_signed(fields[0].content);
    const auto status = read_signed(fields[1].content);
    const auto index = read_signed(fields[2].content);
    if (!id || !status || !index)
        return std::nullopt;
    message.request_id = *id;
    message.error_status = *status;
    message.error_index = *index;
    std::vector<element_t> bindings;
    if (!read_elements(fields[3].content.data(), fields[3].content.size(), bindings))
        return std::nullopt;
    for (const element_t& binding : bindings) {
        std::vector<element_t> pair;
        if (binding.tag != tag_sequence ||
            !read_elements(binding.content.data(), binding.content.size(), pair) ||
            pair.size() != 2 || pair[0].tag != tag_oid || !oid_ids(pair[0].content))
            return std::nullopt;
        message.bindings.emplace_back(pair[0].content, pair[1]);
    }
    return message;
}

bytes_t write_message(const message_t& message) {
    bytes_t bindings;
    for (const auto& [name, value] : message.bindings) {
        bytes_t pair;
        put(pair, tag_oid, name);
        put(pair, value.tag, value.content);
        put(bindings, tag_sequence, pair);
    }
    bytes_t pdu;
    put(pdu, tag_integer, signed_content(message.request_id));
    put(pdu, tag_integer, signed_content(message.error_status));
    put(pdu, tag_integer, signed_content(message.error_index));
    put(pdu, tag_sequence, bindings);
    bytes_t body;
    put(body, tag_integer, signed_content(0));
    put(body, tag_octets, bytes_t(message.community.begin(), message.community.end()));
    put(body, message.pdu_type, pdu);
    return encode(tag_sequence, body);
}

} // namespace snmpagent
