#pragma once
// Multi-line texts as the sheets store them ("\r\n" between lines) and as a
// multi-line edit holds them ("\n").
#include <string>
#include <string_view>

namespace platform::text {

// Each "\r\n" becomes "\n"; anything else stays.
std::string ToEditLines(std::string_view stored);
// Each "\n" becomes "\r\n"; a CR the edit holds (stray, or one of a pair
// it kept) is dropped, so a pair never doubles.
std::string ToStoredLines(std::string_view edit);

} // namespace platform::text
