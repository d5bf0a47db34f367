#pragma once
// The archive forms of the drawing values that sheet objects store: a
// rectangle as 16 raw bytes (left, top, right, bottom), a point as 8 (x, y),
// a size as 8 (cx, cy), and a logical font as its fields in order: height,
// width, escapement, orientation, weight (int32 each), italic, underline,
// strike-out, character set, output precision, clip precision, quality,
// pitch and family (one byte each), then the face name as a string.
//
// Each function stores or loads as the archive is set; a loaded face name
// longer than the font's field is cut to fit (31 bytes in the archive's code
// page). A loaded coordinate or extent outside +-kArchiveCoordinateLimit, or
// a font height or width outside +-kArchiveFontLimit, is an archive_error: no
// sheet comes near them, and within them the sums and differences the
// drawing code forms of loaded values stay within 32 bits (for texts of
// fewer than 65536 lines).
#include "platform/archive/archive.h"
#include "platform/gdi/geometry.h"
#include "platform/gdi/logfont.h"

namespace platform::gdi {

inline constexpr std::int32_t kArchiveCoordinateLimit = 1 << 27;
inline constexpr std::int32_t kArchiveFontLimit = 1 << 15;

void SerializeRect(archive::archive_t& ar, Rect& rect);
void SerializePoint(archive::archive_t& ar, Point& point);
void SerializeSize(archive::archive_t& ar, Size& size);
void SerializeLogFont(archive::archive_t& ar, LOGFONT& font);

} // namespace platform::gdi
