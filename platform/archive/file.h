#pragma once
// Whole-file reads and safe replacement of a stored file.
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace platform::archive {

// Far above any real sheet; a bound on what a mistaken or hostile path can
// make the program allocate.
inline constexpr std::uint64_t default_read_limit = 64ull << 20;

// The file's bytes; std::system_error when it cannot be read, is not a
// regular file (a directory, a FIFO, a device) or holds more than `limit`
// bytes.
std::vector<std::uint8_t> read_file(const std::filesystem::path& path,
                                    std::uint64_t limit = default_read_limit);

// Writes the bytes to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a failed save leaves the previous file as
// it was. std::system_error on failure (the temporary file is removed).
void write_file_atomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace platform::archive
