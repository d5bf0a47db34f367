#include "platform/archive/archive_error.h"

#include "platform/text/format.h"

namespace platform::archive {

archive_error::archive_error(std::uint64_t offset, std::string expected)
    : std::runtime_error(text::format("archive error at offset %llu (0x%llX): expected %s",
                                      static_cast<unsigned long long>(offset),
                                      static_cast<unsigned long long>(offset), expected.c_str())),
      offset_(offset), expected_(std::move(expected)) {}

} // namespace platform::archive
