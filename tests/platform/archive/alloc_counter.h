#pragma once
// Bytes requested from the global operator new so far (this test program
// replaces it), to show that a hostile count is refused before allocating.
#include <cstddef>

namespace archive_test {
std::size_t allocated_bytes();
} // namespace archive_test
