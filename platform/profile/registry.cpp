#include "platform/profile/registry.h"

#include "platform/profile/profile.h"
#include "platform/text/ascii.h"
#include "platform/text/codepage.h"

#include <cstdio>
#include <limits>

namespace platform::profile {

namespace {

bool has_control(std::string_view s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

// Names the ini form cannot hold as they are would come back under another
// name, or not at all; such calls fail instead.
bool storable_key_path(std::string_view key_path) {
    return !has_control(key_path) && key_path.find(']') == std::string_view::npos &&
           !key_path.ends_with(' ');
}

bool storable_value_name(std::string_view name) {
    return !name.empty() && !has_control(name) && name.find('=') == std::string_view::npos &&
           name.front() != ' ' && name.back() != ' ' && name.front() != ';' &&
           name.front() != '#' && name.front() != '[';
}

std::string section_of(hive h, std::string_view key_path) {
    std::string section = h == hive::local_machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    section += '\\';
    section += key_path;
    return section;
}

// Length of the well-formed UTF-8 sequence starting at `i`, 0 when there is none.
std::size_t utf8_sequence_at(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + length > s.size() || !platform::text::is_valid_utf8(s.substr(i, length)))
        return 0;
    return length;
}

// Quoted, so that the reader's trimming leaves blanks alone; every control
// character and every byte that is not well-formed UTF-8 escaped, so that
// the file stays one line per value and valid UTF-8.
std::string escape(std::string_view value) {
    std::string out = "\"";
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c >= 0x80) {
                if (const std::size_t length = utf8_sequence_at(value, i)) {
                    out += value.substr(i, length);
                    i += length - 1;
                    break;
                }
            } else if (c >= 0x20 && c != 0x7F) {
                out += static_cast<char>(c);
                break;
            }
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    out += '"';
    return out;
}

// The reader has already taken the quotes off. An escape we do not know is
// kept as written.
std::string unescape(std::string_view stored) {
    std::string out;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] != '\\' || i + 1 == stored.size()) {
            out += stored[i];
            continue;
        }
        const char next = stored[i + 1];
        if (next == '\\' || next == '"') {
            out += next;
        } else if (next == 'r') {
            out += '\r';
        } else if (next == 'n') {
            out += '\n';
        } else if (next == 't') {
            out += '\t';
        } else if (next == 'x' && i + 3 < stored.size() &&
                   text::hex_digit_value(stored[i + 2]) >= 0 &&
                   text::hex_digit_value(stored[i + 3]) >= 0) {
            out += static_cast<char>(text::hex_digit_value(stored[i + 2]) * 16 +
                                     text::hex_digit_value(stored[i + 3]));
            i += 2;
        } else {
            out += '\\';
            continue;
        }
        ++i;
    }
    return out;
}

} // namespace

registry_store_t::registry_store_t(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<std::string> registry_store_t::get(hive h, std::string_view key_path,
                                                 std::string_view value_name) const {
    if (!storable_key_path(key_path) || !storable_value_name(value_name))
        return std::nullopt;
    // A stored value never holds a raw control character (they are escaped),
    // so this default cannot be mistaken for one.
    constexpr std::string_view missing = "\x01";
    const std::string stored = ini_file_t(file_).read_string(
        section_of(h, key_path), value_name, missing, std::numeric_limits<std::size_t>::max());
    if (stored == missing)
        return std::nullopt;
    return unescape(stored);
}

bool registry_store_t::set(hive h, std::string_view key_path, std::string_view value_name,
                           std::string_view value) {
    if (!storable_key_path(key_path) || !storable_value_name(value_name))
        return false;
    return ini_file_t(file_).write_string(section_of(h, key_path), value_name, escape(value));
}

bool registry_store_t::erase_value(hive h, std::string_view key_path, std::string_view value_name) {
    if (!storable_key_path(key_path) || !storable_value_name(value_name))
        return false;
    return ini_file_t(file_).write_string(section_of(h, key_path), value_name, std::nullopt);
}

bool registry_store_t::erase_key(hive h, std::string_view key_path) {
    if (!storable_key_path(key_path))
        return false;
    return ini_file_t(file_).write_string(section_of(h, key_path), std::nullopt, std::nullopt);
}

} // namespace platform::profile
