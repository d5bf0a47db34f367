#pragma once
// Texts of the library are built in a 512-byte buffer on the components'
// original platform; every built text keeps that limit of 511 characters.
#include <cstddef>
#include <string>

namespace qo::detail {

inline constexpr std::size_t max_text = 511;

// Cuts `text` to max_text bytes. A cut that would split a UTF-8 sequence
// moves back to the sequence's start, so the result stays valid text.
void cut_text(std::string& text);

} // namespace qo::detail
