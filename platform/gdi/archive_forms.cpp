#include "platform/gdi/archive_forms.h"

#include <initializer_list>
#include <string>

namespace platform::gdi {

namespace pa = platform::archive;

namespace {

// Checks the values read from `at` on; `what` names them in the error.
void RequireWithin(std::uint64_t at, std::initializer_list<std::int32_t> values,
                   std::int32_t limit, const char* what) {
    for (const std::int32_t v : values)
        if (v < -limit || v > limit)
            throw pa::archive_error(at, std::string(what) + " within +-" + std::to_string(limit));
}

} // namespace

void SerializeRect(pa::archive_t& ar, Rect& rect) {
    if (ar.IsStoring()) {
        ar << pa::raw_rect{rect.left, rect.top, rect.right, rect.bottom};
        return;
    }
    pa::raw_rect r;
    const std::uint64_t at = ar.Tell();
    ar >> r;
    RequireWithin(at, {r.left, r.top, r.right, r.bottom}, kArchiveCoordinateLimit,
                  "a rectangle with coordinates");
    rect = {r.left, r.top, r.right, r.bottom};
}

void SerializePoint(pa::archive_t& ar, Point& point) {
    if (ar.IsStoring()) {
        ar << pa::raw_point{point.x, point.y};
        return;
    }
    pa::raw_point p;
    const std::uint64_t at = ar.Tell();
    ar >> p;
    RequireWithin(at, {p.x, p.y}, kArchiveCoordinateLimit, "a point with coordinates");
    point = {p.x, p.y};
}

void SerializeSize(pa::archive_t& ar, Size& size) {
    if (ar.IsStoring()) {
        ar << pa::raw_size{size.cx, size.cy};
        return;
    }
    pa::raw_size s;
    const std::uint64_t at = ar.Tell();
    ar >> s;
    RequireWithin(at, {s.cx, s.cy}, kArchiveCoordinateLimit, "a size with extents");
    size = {s.cx, s.cy};
}

void SerializeLogFont(pa::archive_t& ar, LOGFONT& font) {
    if (ar.IsStoring()) {
        ar << font.lfHeight << font.lfWidth << font.lfEscapement << font.lfOrientation
           << font.lfWeight << font.lfItalic << font.lfUnderline << font.lfStrikeOut
           << font.lfCharSet << font.lfOutPrecision << font.lfClipPrecision << font.lfQuality
           << font.lfPitchAndFamily << std::string_view(font.lfFaceName);
        return;
    }
    const std::uint64_t at = ar.Tell();
    ar >> font.lfHeight >> font.lfWidth;
    RequireWithin(at, {font.lfHeight, font.lfWidth}, kArchiveFontLimit,
                  "a font with height and width");
    ar >> font.lfEscapement >> font.lfOrientation >> font.lfWeight >> font.lfItalic >>
        font.lfUnderline >> font.lfStrikeOut >> font.lfCharSet >> font.lfOutPrecision >>
        font.lfClipPrecision >> font.lfQuality >> font.lfPitchAndFamily;
    // The field held 31 bytes of the file's own code page and a terminator.
    font.lfFaceName =
        CutToEncodedLength(ar.ReadString(), LF_FACESIZE - 1, ar.GetCodePage().from_utf8);
}

} // namespace platform::gdi
