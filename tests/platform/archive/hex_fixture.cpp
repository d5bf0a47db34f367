#include "hex_fixture.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/text/format.h"

namespace archive_test {

std::vector<std::uint8_t> parse_hex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream lines{std::string(text)};
    std::string line;
    int line_no = 0;
    while (std::getline(lines, line)) {
        ++line_no;
        std::istringstream words(line.substr(0, line.find('#')));
        std::string word;
        while (words >> word) {
            if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0])) ||
                !std::isxdigit(static_cast<unsigned char>(word[1])))
                throw std::invalid_argument("bad hex byte '" + word + "' on line " +
                                            std::to_string(line_no));
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
        }
    }
    return bytes;
}

std::string fixture_path(const std::string& name) {
    return std::string(ARCHIVE_FIXTURE_DIR) + "/" + name;
}

std::vector<std::uint8_t> load_fixture(const std::string& name) {
    std::ifstream in(fixture_path(name));
    if (!in)
        throw std::runtime_error("missing fixture " + name);
    std::ostringstream text;
    text << in.rdbuf();
    return parse_hex(text.str());
}

std::string to_hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out += platform::text::format(i % 16 == 15 ? "%02x\n" : "%02x ", bytes[i]);
    return out;
}

} // namespace archive_test
