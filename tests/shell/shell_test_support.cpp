#include "shell_test_support.h"

#include "resources/string_table.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace shell_test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "shell-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string PackText(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string CompletePack() {
    std::string pack = "; every built-in text\n[Strings]\n";
    for (const auto& entry : resources::BuiltinStrings())
        pack += std::to_string(entry.id) + "=" + PackText(entry.text) + "\n";
    return pack;
}

} // namespace shell_test
