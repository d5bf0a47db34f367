#pragma once
// The one error every archive operation raises: a stream that is cut short,
// malformed or hostile, and the few things a writer cannot express. It
// carries the byte offset (from the start of the buffer) where the item that
// could not be read or written begins, and what was expected there.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform::archive {

class archive_error : public std::runtime_error {
public:
    archive_error(std::uint64_t offset, std::string expected);

    std::uint64_t offset() const { return offset_; }
    // What the archive expected at the offset, e.g. "a 32-bit integer (4 bytes),
    // 2 bytes left".
    const std::string& expected() const { return expected_; }

private:
    std::uint64_t offset_;
    std::string expected_;
};

} // namespace platform::archive
