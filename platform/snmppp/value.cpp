#include "platform/snmppp/value.h"

#include <cstdio>

namespace platform::snmppp {

std::string SnmpInt32::get_printable() const {
    return std::to_string(value_);
}

std::unique_ptr<SnmpSyntax> SnmpInt32::clone() const {
    return std::make_unique<SnmpInt32>(*this);
}

std::string SnmpUInt32::get_printable() const {
    return std::to_string(value_);
}

std::unique_ptr<SnmpSyntax> SnmpUInt32::clone() const {
    return std::make_unique<SnmpUInt32>(*this);
}

std::unique_ptr<SnmpSyntax> Counter32::clone() const {
    return std::make_unique<Counter32>(*this);
}

std::unique_ptr<SnmpSyntax> Gauge32::clone() const {
    return std::make_unique<Gauge32>(*this);
}

std::string TimeTicks::get_printable() const {
    std::uint32_t rest = value();
    const unsigned long days = rest / 8640000;
    rest %= 8640000;
    const unsigned long hours = rest / 360000;
    rest %= 360000;
    const unsigned long minutes = rest / 6000;
    rest %= 6000;
    const unsigned long seconds = rest / 100;
    const unsigned long hundredths = rest % 100;
    char text[64];
    if (days == 0)
        std::snprintf(text, sizeof text, "%lu:%02lu:%02lu.%02lu", hours, minutes, seconds,
                      hundredths);
    else if (days == 1)
        std::snprintf(text, sizeof text, "1 day %lu:%02lu:%02lu.%02lu", hours, minutes, seconds,
                      hundredths);
    else
        std::snprintf(text, sizeof text, "%lu days, %lu:%02lu:%02lu.%02lu", days, hours, minutes,
                      seconds, hundredths);
    return text;
}

std::unique_ptr<SnmpSyntax> TimeTicks::clone() const {
    return std::make_unique<TimeTicks>(*this);
}

std::string Counter64::get_printable() const {
    return std::to_string(value_);
}

std::unique_ptr<SnmpSyntax> Counter64::clone() const {
    return std::make_unique<Counter64>(*this);
}

OctetStr::OctetStr(std::string_view text) : bytes_(text.begin(), text.end()) {}

OctetStr::OctetStr(const std::uint8_t* bytes, std::size_t length, std::uint8_t syntax)
    : syntax_(syntax) {
    if (bytes && length)
        bytes_.assign(bytes, bytes + length);
}

std::string OctetStr::get_printable() const {
    for (std::uint8_t byte : bytes_)
        if ((byte < 0x20 || byte > 0x7E) && byte != '\r' && byte != '\n')
            return get_printable_hex();
    return std::string(bytes_.begin(), bytes_.end());
}

std::string OctetStr::get_printable_hex() const {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes_.size() * 3);
    for (std::uint8_t byte : bytes_) {
        if (!text.empty())
            text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

std::unique_ptr<SnmpSyntax> OctetStr::clone() const {
    return std::make_unique<OctetStr>(*this);
}

std::unique_ptr<SnmpSyntax> OpaqueStr::clone() const {
    return std::make_unique<OpaqueStr>(*this);
}

Oid::Oid(std::string_view dotted) {
    if (!dotted.empty() && dotted.front() == '.')
        dotted.remove_prefix(1);
    if (dotted.empty())
        return;
    std::uint64_t part = 0;
    bool digits = false;
    for (std::size_t i = 0; i <= dotted.size(); ++i) {
        if (i == dotted.size() || dotted[i] == '.') {
            if (!digits || ids_.size() == max_length) {
                ids_.clear();
                return;
            }
            ids_.push_back(static_cast<std::uint32_t>(part));
            part = 0;
            digits = false;
            continue;
        }
        const char c = dotted[i];
        if (c < '0' || c > '9') {
            ids_.clear();
            return;
        }
        part = part * 10 + static_cast<std::uint64_t>(c - '0');
        if (part > 0xFFFFFFFFu) {
            ids_.clear();
            return;
        }
        digits = true;
    }
    valid_ = true;
}

Oid::Oid(const std::uint32_t* ids, std::size_t count) {
    if (count == 0 || count > max_length || !ids)
        return;
    ids_.assign(ids, ids + count);
    valid_ = true;
}

std::string Oid::get_printable() const {
    std::string text;
    for (std::uint32_t id : ids_) {
        if (!text.empty())
            text += '.';
        text += std::to_string(id);
    }
    return text;
}

std::unique_ptr<SnmpSyntax> Oid::clone() const {
    return std::make_unique<Oid>(*this);
}

} // namespace platform::snmppp
