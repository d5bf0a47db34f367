// The ini reader: the input as a file, read through every lookup of both
// readers (the file reader and the snapshot), which must agree; then a key
// of the file changed and deleted and a section deleted, each read back.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/profile/profile.h"
#include "platform/text/ascii.h"

namespace {

namespace pp = platform::profile;

constexpr std::size_t max_names = 4;
// A file can hold any one text as a value; no value is two texts at once.
constexpr const char* absent = "\x01(absent)";
constexpr const char* absent_too = "\x02(absent)";

struct folder_t {
    std::filesystem::path path;
    folder_t() {
        // Every input is written out, and every change renames a file over
        // it: memory beats a disk.
        const std::filesystem::path base =
            ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (base / "fuzz-ini-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("fuzz_ini: temporary folder");
            std::exit(1);
        }
        path = pattern;
    }
    ~folder_t() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

folder_t* folder = nullptr;

void check(bool ok) {
    if (!ok)
        std::abort();
}

bool has_key(const pp::ini_file_t& file, const std::string& section, const std::string& key) {
    return file.read_string(section, key, absent) != absent ||
           file.read_string(section, key, absent_too) != absent_too;
}

bool has_name(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) {
        return platform::text::equals_no_case(n, name);
    });
}

void read_everything(const pp::ini_file_t& file) {
    const pp::ini_contents_t snapshot = pp::ini_contents_t::load(file.path());
    const std::vector<std::string> sections = file.section_names();
    for (std::size_t s = 0; s < std::min(sections.size(), max_names); ++s) {
        const std::string& section = sections[s];
        const std::vector<std::string> keys = file.key_names(section);
        const std::vector<std::string> lines = file.read_section(section);
        check(lines.size() >= keys.size());

        std::string list;
        for (const std::string& line : lines)
            list.append(line).push_back('\0');
        for (std::size_t size : {0u, 1u, 2u, 9u}) {
            std::vector<char> buffer(size + 1, '\x7f');
            const std::size_t n = file.read_section_buffer(section, buffer.data(), size);
            check(buffer[size] == '\x7f'); // nothing written past the buffer
            // All of it when it fits with the final '\0', else size - 2 bytes
            // and two '\0'.
            const bool fits = list.size() + 1 <= size;
            check(n == (fits ? list.size() : size < 2 ? 0 : size - 2));
            check(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n),
                             list.begin()));
            if (size >= 1)
                check(buffer[n] == '\0');
            if (!fits && size >= 2)
                check(buffer[n + 1] == '\0');
        }

        for (std::size_t k = 0; k < std::min(keys.size(), max_names); ++k) {
            check(has_key(file, section, keys[k])); // a key the file lists is found
            const std::string value = file.read_string(section, keys[k], absent);
            check(snapshot.read_string(section, keys[k], absent) == value);
            check(snapshot.read_int(section, keys[k], -7) == file.read_int(section, keys[k], -7));
            const std::string cut = file.read_string(section, keys[k], absent, 4);
            check(value.compare(0, cut.size(), cut) == 0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static folder_t the_folder;
    folder = &the_folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = folder->path / "fuzz.ini";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    pp::ini_file_t file(path);
    read_everything(file);

    // Changes go to the first section and key the file has, else to new ones.
    const std::vector<std::string> sections = file.section_names();
    const std::string section = sections.empty() ? "Fuzz" : sections.front();
    const std::vector<std::string> keys = file.key_names(section);
    const std::string key = keys.empty() ? "Key" : keys.front();

    if (file.write_string(section, key, "changed")) {
        check(file.read_string(section, key, absent) == "changed");
        read_everything(file);
    }
    if (file.write_string(section, key, std::nullopt))
        check(!has_key(file, section, key));
    if (file.write_string(section, std::nullopt, std::nullopt))
        check(!has_name(file.section_names(), section));
    return 0;
}
