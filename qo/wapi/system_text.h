#pragma once
// System error codes in the numbering of the components' original platform.
//
// Callers and stored texts know errors by those numbers, so an errno is
// mapped to the matching system code once, where the error is caught. The
// texts are fixed English texts of our own: they never depend on the
// process locale.
#include <cstdint>
#include <string>

namespace qo::wapi {

// Codes used by the library itself.
inline constexpr std::uint32_t error_success = 0;
inline constexpr std::uint32_t error_invalid_handle = 6;
inline constexpr std::uint32_t error_not_enough_memory = 8;
inline constexpr std::uint32_t error_invalid_parameter = 87;
inline constexpr std::uint32_t error_timeout = 1460;

// Code for an errno without a system counterpart: the errno in the
// application range (bit 29 set), so no two errnos share a code.
inline constexpr std::uint32_t unmapped_errno_base = 0x20000000u;

// The system code for an errno.
std::uint32_t error_from_errno(int error);
// The system code for the calling thread's errno.
std::uint32_t last_error();

// The system text of a code, without a trailing line break; empty when the
// code has none.
std::string system_text(std::uint32_t code);

} // namespace qo::wapi
