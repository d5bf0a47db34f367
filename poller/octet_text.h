#pragma once
// OCTET STRING values as the poller's callers see them: text. Units keep
// their names in code page 936, the program works in UTF-8; both back ends
// convert here, so "区域" goes out as C7 F8 D3 F2 and reads back as "区域".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrin2 {

// The bytes to send for a text. A byte kept from an earlier read (an
// escape of the code-page layer) goes out as that byte again.
std::string octets_from_text(std::string_view text);

// The text of received bytes: as they are when printable ASCII; decoded
// from code page 936 when they are printable text there; otherwise the
// bytes in hexadecimal ("00 60 2B FF"), as binary values always read.
std::string text_from_octets(const std::uint8_t* bytes, std::size_t length);

} // namespace kestrin2
