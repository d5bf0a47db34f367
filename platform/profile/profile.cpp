#include "platform/profile/profile.h"

#include "platform/text/ascii.h"
#include "platform/text/codepage.h"
#include "platform/text/number.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::profile {

namespace fs = std::filesystem;

namespace {

std::atomic<std::uint64_t> g_file_reads{0};

std::string_view trim(std::string_view s) {
    constexpr std::string_view blanks = " \t";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

using platform::text::equals_no_case;

// At most `max_chars` code points of `s`, never cutting a UTF-8 sequence.
std::string truncate_chars(std::string_view s, std::size_t max_chars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            continue;
        if (chars++ == max_chars)
            return std::string(s.substr(0, i));
    }
    return std::string(s);
}

std::string_view unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

struct line_t {
    enum kind_t { other, header, entry };

    // As stored, without the '\n'; a CRLF line keeps its '\r' so that lines
    // a write does not touch go back byte for byte, even in a mixed file.
    std::string text;
    kind_t kind = other;
    std::string name;  // section name or key, trimmed
    std::string value; // trimmed, quotes kept
};

std::string_view without_cr(std::string_view text) {
    return text.ends_with('\r') ? text.substr(0, text.size() - 1) : text;
}

line_t parse_line(std::string text) {
    line_t line;
    line.text = std::move(text);
    const std::string_view s = trim(without_cr(line.text));
    if (s.empty() || s.front() == ';' || s.front() == '#')
        return line;
    if (s.front() == '[') {
        line.kind = line_t::header;
        line.name = trim(s.substr(1, s.find(']', 1) - 1));
        return line;
    }
    const auto eq = s.find('=');
    if (eq == std::string_view::npos || trim(s.substr(0, eq)).empty())
        return line;
    line.kind = line_t::entry;
    line.name = trim(s.substr(0, eq));
    line.value = trim(s.substr(eq + 1));
    return line;
}

bool is_blank(const line_t& line) {
    return line.kind == line_t::other && trim(without_cr(line.text)).empty();
}

struct document_t {
    std::vector<line_t> lines;
    bool exists = false;
    bool crlf = false;
    bool final_eol = true;
    mode_t mode = 0;

    line_t make_line(std::string text) const {
        if (crlf)
            text += '\r';
        return parse_line(std::move(text));
    }
};

struct section_range_t {
    std::size_t header; // index of the "[name]" line
    std::size_t end;    // index of the next header, or the line count
};

std::optional<section_range_t> find_section(const document_t& doc, std::string_view name) {
    name = trim(name);
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (doc.lines[i].kind != line_t::header || !equals_no_case(doc.lines[i].name, name))
            continue;
        std::size_t end = i + 1;
        while (end < doc.lines.size() && doc.lines[end].kind != line_t::header)
            ++end;
        return section_range_t{i, end};
    }
    return std::nullopt;
}

const line_t* find_entry(const document_t& doc, std::string_view section, std::string_view key) {
    const auto range = find_section(doc, section);
    if (!range)
        return nullptr;
    key = trim(key);
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (doc.lines[i].kind == line_t::entry && equals_no_case(doc.lines[i].name, key))
            return &doc.lines[i];
    }
    return nullptr;
}

std::string lookup_string(const document_t* doc, std::string_view section, std::string_view key,
                          std::string_view def, std::size_t buffer_size) {
    if (buffer_size == 0)
        return {};
    const line_t* entry = doc ? find_entry(*doc, section, key) : nullptr;
    return truncate_chars(entry ? unquote(entry->value) : def, buffer_size - 1);
}

int int_value(const std::string& value, int def) {
    if (value.empty())
        return def;
    std::int64_t number = 0;
    platform::text::parse_leading_int(value, &number);
    if (number > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (number < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(number);
}

// What a new file gets, as if it had been created with open(..., 0666).
mode_t default_file_mode() {
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        unsigned value = 0;
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(status);
    }
    return 0666 & ~mask;
}

// A missing file reads as an empty one; any other failure gives nullopt, so
// that a write never replaces a file it could not read.
std::optional<document_t> load(const fs::path& path) {
    document_t doc;
    g_file_reads.fetch_add(1, std::memory_order_relaxed);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            return std::nullopt;
        doc.mode = default_file_mode();
        return doc;
    }
    std::string bytes;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    char chunk[65536];
    while (ok) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;

    doc.exists = true;
    doc.mode = st.st_mode & 07777;
    const std::string text = platform::text::decode_file_text(bytes);
    const auto first_eol = text.find('\n');
    doc.crlf = first_eol != std::string::npos && first_eol > 0 && text[first_eol - 1] == '\r';
    std::size_t start = 0;
    while (start < text.size()) {
        auto eol = text.find('\n', start);
        if (eol == std::string::npos) {
            doc.final_eol = false;
            eol = text.size();
        }
        doc.lines.push_back(parse_line(text.substr(start, eol - start)));
        start = eol + 1;
    }
    return doc;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool save(const fs::path& path, const document_t& doc) {
    std::string bytes;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        bytes += doc.lines[i].text;
        if (i + 1 < doc.lines.size() || doc.final_eol)
            bytes += '\n';
    }
    // A file that is not valid UTF-8 is read back as GBK, which would garble
    // every other line in it; better to refuse the write.
    if (!platform::text::is_valid_utf8(bytes))
        return false;

    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string temp = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = write_all(fd, bytes) && ::fchmod(fd, doc.mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the new content is in place either way.
    const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        ::fsync(dir_fd);
        ::close(dir_fd);
    }
    return true;
}

// The file a path names (through symbolic links, so that a write replaces
// the target, not the link) and the lock every call on it takes.
struct target_t {
    fs::path path;
    std::unique_lock<std::mutex> lock;
};

target_t lock_file(const fs::path& path) {
    static std::mutex map_mutex;
    static std::map<std::string, std::mutex> file_mutexes;

    std::error_code ec;
    fs::path resolved = fs::absolute(path, ec);
    if (ec)
        resolved = path;
    if (fs::path canonical = fs::weakly_canonical(resolved, ec); !ec)
        resolved = std::move(canonical);

    std::mutex* file_mutex = nullptr;
    {
        std::lock_guard guard(map_mutex);
        file_mutex = &file_mutexes[resolved.string()];
    }
    return target_t{std::move(resolved), std::unique_lock(*file_mutex)};
}

void append_section(document_t& doc, std::string_view section,
                    const std::vector<std::string>& lines) {
    if (!doc.lines.empty() && !is_blank(doc.lines.back()))
        doc.lines.push_back(doc.make_line(""));
    doc.lines.push_back(doc.make_line("[" + std::string(trim(section)) + "]"));
    for (const auto& line : lines)
        doc.lines.push_back(doc.make_line(line));
    doc.final_eol = true;
}

void set_key(document_t& doc, std::string_view section, std::string_view key,
             std::string_view value) {
    key = trim(key);
    const auto range = find_section(doc, section);
    if (!range) {
        append_section(doc, section, {std::string(key) + "=" + std::string(value)});
        return;
    }
    std::size_t insert_at = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        line_t& line = doc.lines[i];
        if (line.kind != line_t::entry)
            continue;
        if (equals_no_case(line.name, key)) {
            std::string text = line.name + "=" + std::string(value);
            if (line.text.ends_with('\r'))
                text += '\r';
            line = parse_line(std::move(text));
            return;
        }
        insert_at = i + 1;
    }
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
                     doc.make_line(std::string(key) + "=" + std::string(value)));
}

// Every line of the key goes, so that no later duplicate surfaces in its place.
bool delete_key(document_t& doc, std::string_view section, std::string_view key) {
    const auto range = find_section(doc, section);
    if (!range)
        return false;
    key = trim(key);
    const auto first = doc.lines.begin() + static_cast<std::ptrdiff_t>(range->header + 1);
    const auto last = doc.lines.begin() + static_cast<std::ptrdiff_t>(range->end);
    const auto kept = std::remove_if(first, last, [&](const line_t& line) {
        return line.kind == line_t::entry && equals_no_case(line.name, key);
    });
    if (kept == last)
        return false;
    doc.lines.erase(kept, last);
    return true;
}

bool delete_section(document_t& doc, std::string_view section) {
    bool changed = false;
    while (const auto range = find_section(doc, section)) {
        doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                        doc.lines.begin() + static_cast<std::ptrdiff_t>(range->end));
        changed = true;
    }
    return changed;
}

} // namespace

ini_file_t::ini_file_t(std::filesystem::path path) : path_(std::move(path)) {}

std::string ini_file_t::read_string(std::string_view section, std::string_view key,
                                    std::string_view def, std::size_t buffer_size) const {
    if (buffer_size == 0)
        return {};
    const auto target = lock_file(path_);
    const auto doc = load(target.path);
    return lookup_string(doc ? &*doc : nullptr, section, key, def, buffer_size);
}

int ini_file_t::read_int(std::string_view section, std::string_view key, int def) const {
    return int_value(read_string(section, key, ""), def);
}

std::vector<std::string> ini_file_t::section_names() const {
    const auto target = lock_file(path_);
    const auto doc = load(target.path);
    std::vector<std::string> names;
    if (!doc)
        return names;
    for (const auto& line : doc->lines) {
        if (line.kind == line_t::header &&
            std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return equals_no_case(n, line.name); }))
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> ini_file_t::key_names(std::string_view section) const {
    const auto target = lock_file(path_);
    const auto doc = load(target.path);
    std::vector<std::string> names;
    const auto range = doc ? find_section(*doc, section) : std::nullopt;
    if (!range)
        return names;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const line_t& line = doc->lines[i];
        if (line.kind == line_t::entry &&
            std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return equals_no_case(n, line.name); }))
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> ini_file_t::read_section(std::string_view section) const {
    const auto target = lock_file(path_);
    const auto doc = load(target.path);
    std::vector<std::string> lines;
    const auto range = doc ? find_section(*doc, section) : std::nullopt;
    if (!range)
        return lines;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const line_t& line = doc->lines[i];
        if (line.kind == line_t::entry)
            lines.push_back(line.name + "=" + line.value);
    }
    return lines;
}

std::size_t ini_file_t::read_section_buffer(std::string_view section, char* buffer,
                                            std::size_t size) const {
    std::string list;
    for (const auto& line : read_section(section)) {
        list += line;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty() && size >= 2)
            buffer[1] = '\0';
        return list.size();
    }
    if (size < 2) {
        if (size == 1)
            buffer[0] = '\0';
        return 0;
    }
    // As much as fits, ended by two '\0' whatever was cut.
    const std::size_t kept = size - 2;
    std::memcpy(buffer, list.data(), kept);
    buffer[kept] = '\0';
    buffer[kept + 1] = '\0';
    return kept;
}

bool ini_file_t::write_string(std::string_view section, std::optional<std::string_view> key,
                              std::optional<std::string_view> value) {
    const auto target = lock_file(path_);
    auto doc = load(target.path);
    if (!doc)
        return false;
    if (key && value) {
        set_key(*doc, section, *key, *value);
    } else if (key ? !delete_key(*doc, section, *key) : !delete_section(*doc, section)) {
        return true; // nothing to delete: the file stays as it is, or absent
    }
    return save(target.path, *doc);
}

bool ini_file_t::write_section(std::string_view section, const std::vector<std::string>& lines) {
    const auto target = lock_file(path_);
    auto doc = load(target.path);
    if (!doc)
        return false;
    const auto range = find_section(*doc, section);
    if (!range) {
        append_section(*doc, section, lines);
        return save(target.path, *doc);
    }
    // The blank lines that end the section part it from the next one; they stay.
    std::size_t end = range->end;
    while (end > range->header + 1 && is_blank(doc->lines[end - 1]))
        --end;
    auto& all = doc->lines;
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(range->header + 1),
              all.begin() + static_cast<std::ptrdiff_t>(end));
    std::vector<line_t> added;
    for (const auto& line : lines)
        added.push_back(doc->make_line(line));
    all.insert(all.begin() + static_cast<std::ptrdiff_t>(range->header + 1), added.begin(),
               added.end());
    return save(target.path, *doc);
}

struct ini_contents_t::parsed_t {
    document_t doc;
};

ini_contents_t::ini_contents_t() : doc_(std::make_shared<const parsed_t>()) {}

ini_contents_t ini_contents_t::load(const std::filesystem::path& path) {
    ini_contents_t contents;
    const auto target = lock_file(path);
    if (auto doc = profile::load(target.path))
        contents.doc_ = std::make_shared<const parsed_t>(parsed_t{std::move(*doc)});
    return contents;
}

std::string ini_contents_t::read_string(std::string_view section, std::string_view key,
                                        std::string_view def, std::size_t buffer_size) const {
    return lookup_string(&doc_->doc, section, key, def, buffer_size);
}

int ini_contents_t::read_int(std::string_view section, std::string_view key, int def) const {
    return int_value(read_string(section, key, ""), def);
}

std::uint64_t file_reads() {
    return g_file_reads.load(std::memory_order_relaxed);
}

} // namespace platform::profile
