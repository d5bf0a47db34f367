#include "platform/gdi/canvas.h"

#include <algorithm>
#include <utility>

namespace platform::gdi {

namespace text_layout {

namespace {
bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
} // namespace

std::size_t CountCharacters(std::string_view utf8) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // A continuation byte only belongs to a character when it follows one.
        if (!is_continuation(utf8[i]) || i == 0)
            ++n;
    }
    return n;
}

std::string_view FirstCharacters(std::string_view utf8, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t taken = 0; i < utf8.size(); ++taken) {
        if (taken == n)
            break;
        ++i;
        while (i < utf8.size() && is_continuation(utf8[i]))
            ++i;
    }
    return utf8.substr(0, i);
}

std::string StripPrefix(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '&') {
            if (i + 1 < utf8.size() && utf8[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += utf8[i];
    }
    return out;
}

std::vector<std::string_view> SplitLines(std::string_view utf8) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < utf8.size()) {
        const std::size_t brk = utf8.find_first_of("\r\n", start);
        if (brk == std::string_view::npos) {
            lines.push_back(utf8.substr(start));
            break;
        }
        lines.push_back(utf8.substr(start, brk - start));
        start = brk + 1;
        if (utf8[brk] == '\r' && start < utf8.size() && utf8[start] == '\n')
            ++start;
    }
    return lines;
}

} // namespace text_layout

Canvas::Canvas() {
    state_.font = MakeFont("Arial", 16, FW_NORMAL);
}

Canvas::~Canvas() = default;

Pen Canvas::SelectPen(const Pen& pen) {
    return std::exchange(state_.pen, pen);
}

Brush Canvas::SelectBrush(const Brush& brush) {
    return std::exchange(state_.brush, brush);
}

LOGFONT Canvas::SelectFont(const LOGFONT& font) {
    return std::exchange(state_.font, font);
}

COLORREF Canvas::SetTextColor(COLORREF colour) {
    return std::exchange(state_.text_colour, colour);
}

COLORREF Canvas::SetBkColor(COLORREF colour) {
    return std::exchange(state_.bk_colour, colour);
}

int Canvas::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return std::exchange(state_.bk_mode, mode);
}

int Canvas::SetPolyFillMode(int mode) {
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    return std::exchange(state_.fill_mode, mode);
}

int Canvas::SaveDC() {
    state_t saved = state_;
    saved.mapping = GetMapping();
    saved_.push_back(std::move(saved));
    return static_cast<int>(saved_.size());
}

bool Canvas::RestoreDC(int level) {
    if (level == -1)
        level = static_cast<int>(saved_.size());
    if (level < 1 || level > static_cast<int>(saved_.size()))
        return false;
    state_ = std::move(saved_[static_cast<std::size_t>(level - 1)]);
    saved_.resize(static_cast<std::size_t>(level - 1));
    SetMapping(state_.mapping);
    return true;
}

Point Canvas::MoveTo(Point p) {
    return std::exchange(state_.position, p);
}

void Canvas::LineTo(Point p) {
    const Point line[2] = {state_.position, p};
    if (state_.pen.style != PenStyle::Null)
        DoPolyline(line, state_.pen);
    state_.position = p;
}

void Canvas::Polyline(std::span<const Point> points) {
    if (points.size() < 2 || state_.pen.style == PenStyle::Null)
        return;
    DoPolyline(points, state_.pen);
}

void Canvas::Rectangle(const Rect& r) {
    DoRectangle(r, state_.pen, state_.brush);
}

void Canvas::Ellipse(const Rect& r) {
    DoEllipse(r, state_.pen, state_.brush);
}

void Canvas::Polygon(std::span<const Point> points) {
    if (points.size() < 2)
        return;
    DoPolygon(points, state_.pen, state_.brush, state_.fill_mode);
}

void Canvas::FillSolidRect(const Rect& r, COLORREF colour) {
    if (!r.IsRectEmpty())
        DoFillRect(r, colour);
}

void Canvas::FillRect(const Rect& r, const Brush& brush) {
    if (brush.style == BrushStyle::Solid)
        FillSolidRect(r, brush.colour);
}

void Canvas::FrameRect(const Rect& r, const Brush& brush) {
    if (brush.style != BrushStyle::Solid || r.IsRectEmpty())
        return;
    const COLORREF c = brush.colour;
    FillSolidRect({r.left, r.top, r.right, r.top + 1}, c);
    FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, c);
    FillSolidRect({r.left, r.top + 1, r.left + 1, r.bottom - 1}, c);
    FillSolidRect({r.right - 1, r.top + 1, r.right, r.bottom - 1}, c);
}

void Canvas::DrawEdge(const Rect& rect, unsigned edge, unsigned sides) {
    Rect r = rect;
    const auto ring = [&](COLORREF top_left, COLORREF bottom_right) {
        if (sides & BF_TOP)
            FillSolidRect({r.left, r.top, r.right, r.top + 1}, top_left);
        if (sides & BF_LEFT)
            FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, top_left);
        if (sides & BF_BOTTOM)
            FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
        if (sides & BF_RIGHT)
            FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottom_right);
        // The next ring starts one pixel in on the sides drawn.
        r = {r.left + ((sides & BF_LEFT) ? 1 : 0), r.top + ((sides & BF_TOP) ? 1 : 0),
             r.right - ((sides & BF_RIGHT) ? 1 : 0), r.bottom - ((sides & BF_BOTTOM) ? 1 : 0)};
    };
    if (edge & BDR_RAISEDOUTER)
        ring(kEdgeLight, kEdgeDarkShadow);
    else if (edge & BDR_SUNKENOUTER)
        ring(kEdgeShadow, kEdgeHighlight);
    if (edge & BDR_RAISEDINNER)
        ring(kEdgeHighlight, kEdgeShadow);
    else if (edge & BDR_SUNKENINNER)
        ring(kEdgeDarkShadow, kEdgeLight);
}

void Canvas::text_line(Point origin, std::string_view utf8, const Rect* clip) {
    if (state_.bk_mode == OPAQUE) {
        Rect cell{origin, MeasureText(state_.font, utf8)};
        if (clip != nullptr && !cell.IntersectRect(cell, *clip))
            cell.SetRectEmpty();
        FillSolidRect(cell, state_.bk_colour);
    }
    DoText(origin, utf8, state_.font, state_.text_colour, clip);
}

void Canvas::TextOut(Point p, std::string_view utf8) {
    text_line(p, utf8, nullptr);
}

int Canvas::DrawText(std::string_view utf8, Rect& rect, unsigned format) {
    const std::string text =
        (format & DT_NOPREFIX) ? std::string(utf8) : text_layout::StripPrefix(utf8);
    std::vector<std::string_view> lines;
    if (format & DT_SINGLELINE) {
        if (!text.empty())
            lines.push_back(text);
    } else {
        lines = text_layout::SplitLines(text);
    }
    const LOGFONT& font = state_.font;
    const std::int32_t line_height = MeasureText(font, "").cy;
    const std::int32_t height = line_height * static_cast<std::int32_t>(lines.size());

    if (format & DT_CALCRECT) {
        std::int32_t width = 0;
        for (const std::string_view line : lines)
            width = std::max(width, MeasureText(font, line).cx);
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
        return height;
    }

    std::int32_t y = rect.top;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER))
        y = rect.top + (rect.Height() - line_height) / 2;
    else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM))
        y = rect.bottom - line_height;

    const Rect* clip = (format & DT_NOCLIP) ? nullptr : &rect;
    for (const std::string_view line : lines) {
        std::string shown(line);
        std::int32_t width = MeasureText(font, shown).cx;
        if ((format & DT_END_ELLIPSIS) && width > rect.Width()) {
            // Drop characters from the end until the rest and "..." fit.
            std::size_t keep = text_layout::CountCharacters(line);
            while (keep > 0) {
                --keep;
                shown = std::string(text_layout::FirstCharacters(line, keep)) + "...";
                width = MeasureText(font, shown).cx;
                if (width <= rect.Width())
                    break;
            }
        }
        std::int32_t x = rect.left;
        if (format & DT_CENTER)
            x = rect.left + (rect.Width() - width) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - width;
        text_line({x, y}, shown, clip);
        y += line_height;
    }
    return height;
}

void Canvas::StretchBitmap(const Bitmap& bitmap, const Rect& dest) {
    if (!bitmap.IsEmpty() && !dest.IsRectEmpty())
        DoBitmap(bitmap, dest);
}

} // namespace platform::gdi
