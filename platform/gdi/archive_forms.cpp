#include "platform/gdi/archive_forms.h"

namespace platform::gdi {

namespace pa = platform::archive;

void SerializeRect(pa::archive_t& ar, Rect& rect) {
    if (ar.IsStoring()) {
        ar << pa::raw_rect{rect.left, rect.top, rect.right, rect.bottom};
        return;
    }
    pa::raw_rect r;
    ar >> r;
    rect = {r.left, r.top, r.right, r.bottom};
}

void SerializePoint(pa::archive_t& ar, Point& point) {
    if (ar.IsStoring()) {
        ar << pa::raw_point{point.x, point.y};
        return;
    }
    pa::raw_point p;
    ar >> p;
    point = {p.x, p.y};
}

void SerializeSize(pa::archive_t& ar, Size& size) {
    if (ar.IsStoring()) {
        ar << pa::raw_size{size.cx, size.cy};
        return;
    }
    pa::raw_size s;
    ar >> s;
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
