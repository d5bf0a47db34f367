#pragma once
// Golden byte fixtures: hex text, two digits a byte, '#' starts a comment.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace archive_test {

std::vector<std::uint8_t> parse_hex(std::string_view text);
// A fixture file from the fixtures folder beside the tests.
std::vector<std::uint8_t> load_fixture(const std::string& name);
std::string fixture_path(const std::string& name);
std::string to_hex(const std::vector<std::uint8_t>& bytes);

} // namespace archive_test
