#pragma once
// Golden byte fixtures: hex text, two digits a byte, '#' starts a comment.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/hex_bytes.h"

namespace archive_test {

using test_support::parse_hex;
// A fixture file from the fixtures folder beside the tests.
std::vector<std::uint8_t> load_fixture(const std::string& name);
std::string fixture_path(const std::string& name);
std::string to_hex(const std::vector<std::uint8_t>& bytes);

} // namespace archive_test
