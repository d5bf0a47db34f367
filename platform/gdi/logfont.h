#pragma once
// A logical font as the sheet objects describe and store their text fonts.
//
// Height follows the drawing platform's sign rule: a positive height is the
// font's cell height (ascent + descent), a negative one the character height
// (the em size), zero a default size. Weight runs from 100 to 900 (400
// normal, 700 bold). The face name is held as UTF-8 but limited to what the
// stored form's 32-byte field held: 31 bytes in the ANSI code page.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::gdi {

inline constexpr std::size_t LF_FACESIZE = 32;

inline constexpr std::int32_t FW_DONTCARE = 0;
inline constexpr std::int32_t FW_NORMAL = 400;
inline constexpr std::int32_t FW_BOLD = 700;

inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;

// Pitch and family: the family in the high nibble.
inline constexpr std::uint8_t FF_DONTCARE = 0x00;
inline constexpr std::uint8_t FF_ROMAN = 0x10;
inline constexpr std::uint8_t FF_SWISS = 0x20;
inline constexpr std::uint8_t FF_MODERN = 0x30;

struct LOGFONT {
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    std::string lfFaceName; // UTF-8; see SetFaceName

    // Sets the face name, cut to LF_FACESIZE - 1 bytes of code page 936
    // (never inside a character).
    void SetFaceName(std::string_view utf8);

    friend bool operator==(const LOGFONT&, const LOGFONT&) = default;
};

// The fonts the sheet drawing creates: face, height and weight, everything
// else 0 unless given.
LOGFONT MakeFont(std::string_view face, std::int32_t height, std::int32_t weight = FW_NORMAL,
                 std::uint8_t char_set = ANSI_CHARSET, std::uint8_t pitch_and_family = FF_DONTCARE);

// The longest prefix of `utf8` whose encoding by `encode` (UTF-8 to the ANSI
// code page) takes at most `max_bytes` bytes, cut between characters.
std::string CutToEncodedLength(std::string_view utf8, std::size_t max_bytes,
                               std::string (*encode)(std::string_view));

} // namespace platform::gdi
