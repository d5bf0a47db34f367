#include "hex_fixture.h"

#include <stdexcept>

#include "platform/text/format.h"

namespace archive_test {

std::string fixture_path(const std::string& name) {
    return std::string(ARCHIVE_FIXTURE_DIR) + "/" + name;
}

std::vector<std::uint8_t> load_fixture(const std::string& name) {
    return test_support::read_hex_file(fixture_path(name));
}

std::string to_hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out += platform::text::format(i % 16 == 15 ? "%02x\n" : "%02x ", bytes[i]);
    return out;
}

} // namespace archive_test
