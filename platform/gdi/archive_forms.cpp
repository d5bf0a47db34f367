#include "platform/gdi/archive_forms.h"

#include <initializer_list>
#include <string>

namespace platform::gdi {

namespace pa = platform::archive;

namespace {

// Checks the values read from `at` on; `what` names them in the error.
void RequireDrawable(std::uint64_t at, std::initializer_list<std::int32_t> values,
                     const char* what) {
    for (const std::int32_t v : values)
        if (v < -kArchiveCoordinateLimit || v > kArchiveCoordinateLimit)
            throw pa::archive_error(at, std::string(what) + " with coordinates within +-" +
                                            std::to_string(kArchiveCoordinateLimit));
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
    RequireDrawable(at, {r.left, r.top, r.right, r.bottom}, "a rectangle");
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
    RequireDrawable(at, {p.x, p.y}, "a point");
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
    RequireDrawable(at, {s.cx, s.cy}, "a size");
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
    ar >> font.lfHeight >> font.lfWidth >> font.lfEscapement >> font.lfOrientation >>
        font.lfWeight >> font.lfItalic >> font.lfUnderline >> font.lfStrikeOut >> font.lfCharSet >>
        font.lfOutPrecision >> font.lfClipPrecision >> font.lfQuality >> font.lfPitchAndFamily;
    // The field held 31 bytes of the file's own code page and a terminator.
    font.lfFaceName =
        CutToEncodedLength(ar.ReadString(), LF_FACESIZE - 1, ar.GetCodePage().from_utf8);
}

} // namespace platform::gdi
