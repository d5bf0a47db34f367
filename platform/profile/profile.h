#pragma once
// Ini ("profile") files with the semantics of the Windows private-profile
// functions, which the stored files and their readers rely on.
//
// - Section and key names compare without regard to ASCII case; white space
//   around names and values is ignored; a value enclosed in one pair of
//   matching quotes is read without them.
// - Every call reads the file afresh; a write rewrites the whole file into a
//   temporary file beside it and renames it over the old one, so a failed
//   write leaves the previous file intact. Lines the call does not change
//   (comments, blank lines, other sections) are kept as they were.
// - Calls on one file are serialised by one lock per file path within the
//   process.
// - Files are read as UTF-8, or as GBK when they are not valid UTF-8, and
//   written as UTF-8.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::profile {

class ini_file_t {
public:
    explicit ini_file_t(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // GetPrivateProfileString with a buffer of `buffer_size` characters: the
    // value of the key, or `def` when the section or key is missing,
    // truncated to buffer_size - 1 characters (never inside a UTF-8
    // sequence). A buffer size of 0 gives an empty text.
    std::string read_string(std::string_view section, std::string_view key,
                            std::string_view def, std::size_t buffer_size = 65536) const;

    // GetPrivateProfileInt: the leading decimal number of the value (white
    // space, then an optional sign), 0 when it has none, `def` when the key
    // is missing or its value empty.
    int read_int(std::string_view section, std::string_view key, int def) const;

    // Section names, in file order.
    std::vector<std::string> section_names() const;
    // Keys of a section, in file order (empty when the section is missing).
    std::vector<std::string> key_names(std::string_view section) const;
    // The section's lines as "key=value" (comments, blank lines and lines
    // without '=' left out).
    std::vector<std::string> read_section(std::string_view section) const;

    // GetPrivateProfileSection into a buffer of `size` bytes: lines
    // terminated by '\0', the list by a further '\0'. Returns the number of
    // bytes copied without the final '\0'; when the section does not fit it
    // returns size - 2, which is how callers learn to grow the buffer.
    std::size_t read_section_buffer(std::string_view section, char* buffer,
                                    std::size_t size) const;

    // WritePrivateProfileString. With a key and a value: sets the key,
    // creating the file and the section as needed. Without a value: deletes
    // the key. Without a key: deletes the whole section. Returns false when
    // the file cannot be written (the old file is then unchanged).
    bool write_string(std::string_view section, std::optional<std::string_view> key,
                      std::optional<std::string_view> value);

    // WritePrivateProfileSection: replaces the section's contents by the given
    // "key=value" lines, creating it when missing.
    bool write_section(std::string_view section, const std::vector<std::string>& lines);

private:
    std::filesystem::path path_;
};

// A file read once, for a reader that takes many values at one moment (a
// settings snapshot): the same lookups with the same rules as ini_file_t,
// answered from memory. A missing or unreadable file reads as an empty one,
// so every lookup gives its default.
class ini_contents_t {
public:
    // An empty file.
    ini_contents_t();
    static ini_contents_t load(const std::filesystem::path& path);

    std::string read_string(std::string_view section, std::string_view key,
                            std::string_view def, std::size_t buffer_size = 65536) const;
    int read_int(std::string_view section, std::string_view key, int def) const;

private:
    struct parsed_t;
    // Shared, so that copies of one reading cost nothing.
    std::shared_ptr<const parsed_t> doc_;
};

// How many times this process has opened an ini file for reading, counting
// attempts on missing files too. A test seam for callers that promise to read
// a file once rather than once per object.
std::uint64_t file_reads();

} // namespace platform::profile
