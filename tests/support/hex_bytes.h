#pragma once
// Golden byte fixtures as the tests write them: hex text, two digits a byte,
// '#' starts a comment that runs to the end of the line.
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

inline std::vector<std::uint8_t> parse_hex(std::string_view text) {
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

inline std::vector<std::uint8_t> read_hex_file(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("missing fixture " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return parse_hex(text.str());
}

} // namespace test_support
