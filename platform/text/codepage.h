#pragma once
// Conversion between UTF-8 (used everywhere inside the program) and the ANSI
// code page of stored files (code page 936, GBK).
//
// Both directions are lossless for bytes that do not convert: a byte that is
// not part of a valid GBK character (always 0x80..0xFF) decodes to
// U+DC00 + byte, a lone low surrogate in U+DC80..U+DCFF written as its
// three-byte UTF-8 form (ED B2 xx or ED B3 xx), and encoding turns such a
// surrogate back into the original byte. A file loaded and saved again is
// therefore unchanged byte for byte, whatever it held.
#include <string>
#include <string_view>

namespace platform::text {

// GBK (code page 936) bytes -> UTF-8.
std::string gbk_to_utf8(std::string_view gbk);

// UTF-8 -> GBK (code page 936). A character GBK cannot represent becomes '?',
// as the system's ANSI conversion does; an escaped byte (see above) becomes
// the byte itself; bytes that are not valid UTF-8 are copied unchanged.
std::string utf8_to_gbk(std::string_view utf8);

// True when the whole text is well-formed UTF-8 (no surrogates, no overlongs).
bool is_valid_utf8(std::string_view text);

// Text read from a file: UTF-8 when it is valid UTF-8 (a leading byte-order
// mark is dropped), else GBK converted to UTF-8.
std::string decode_file_text(std::string_view bytes);

} // namespace platform::text
