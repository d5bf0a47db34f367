#pragma once
// Points, sizes and rectangles with the rules the sheet code was written
// against: a rectangle holds its left and top edges but not its right and
// bottom ones, a rectangle whose right is not beyond its left (or bottom not
// below its top) is empty, and a union or an intersection ignores empty
// rectangles the way the drawing platform's functions do.
#include <algorithm>
#include <cstdint>

namespace platform::gdi {

struct Size {
    std::int32_t cx = 0, cy = 0;

    constexpr Size() = default;
    constexpr Size(std::int32_t w, std::int32_t h) : cx(w), cy(h) {}
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

struct Point {
    std::int32_t x = 0, y = 0;

    constexpr Point() = default;
    constexpr Point(std::int32_t px, std::int32_t py) : x(px), y(py) {}

    constexpr void Offset(std::int32_t dx, std::int32_t dy) {
        x += dx;
        y += dy;
    }
    friend constexpr Point operator+(Point p, Size s) { return {p.x + s.cx, p.y + s.cy}; }
    friend constexpr Point operator-(Point p, Size s) { return {p.x - s.cx, p.y - s.cy}; }
    friend constexpr Size operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
        : left(l), top(t), right(r), bottom(b) {}
    constexpr Rect(Point top_left, Point bottom_right)
        : Rect(top_left.x, top_left.y, bottom_right.x, bottom_right.y) {}
    constexpr Rect(Point top_left, Size size)
        : Rect(top_left.x, top_left.y, top_left.x + size.cx, top_left.y + size.cy) {}

    constexpr std::int32_t Width() const { return right - left; }
    constexpr std::int32_t Height() const { return bottom - top; }
    constexpr Size GetSize() const { return {Width(), Height()}; }
    constexpr Point TopLeft() const { return {left, top}; }
    constexpr Point BottomRight() const { return {right, bottom}; }
    // Halves truncate towards zero, as the platform's centre point does.
    constexpr Point CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }

    // Empty: no width or no height (also when inverted).
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    // All four coordinates zero.
    constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }

    // Left and top edges inside, right and bottom edges outside.
    constexpr bool PtInRect(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }

    constexpr void SetRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    constexpr void SetRectEmpty() { SetRect(0, 0, 0, 0); }

    constexpr void OffsetRect(std::int32_t dx, std::int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    constexpr void OffsetRect(Size d) { OffsetRect(d.cx, d.cy); }
    constexpr void InflateRect(std::int32_t dx, std::int32_t dy) {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    constexpr void DeflateRect(std::int32_t dx, std::int32_t dy) { InflateRect(-dx, -dy); }

    // Copies shifted or grown, for drawing code that works on a moved body.
    constexpr Rect Offset(std::int32_t dx, std::int32_t dy) const {
        Rect r = *this;
        r.OffsetRect(dx, dy);
        return r;
    }
    constexpr Rect Inflated(std::int32_t dx, std::int32_t dy) const {
        Rect r = *this;
        r.InflateRect(dx, dy);
        return r;
    }

    // Swaps left and right, top and bottom, where they are the wrong way round.
    constexpr void NormalizeRect() {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
    }

    // *this := the smallest rectangle holding both; an empty one does not
    // count. False (and *this empty) when both are empty.
    constexpr bool UnionRect(const Rect& a, const Rect& b) {
        const bool a_empty = a.IsRectEmpty(), b_empty = b.IsRectEmpty();
        if (a_empty && b_empty) {
            SetRectEmpty();
            return false;
        }
        if (a_empty) {
            *this = b;
        } else if (b_empty) {
            *this = a;
        } else {
            *this = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                     std::max(a.bottom, b.bottom)};
        }
        return true;
    }

    // *this := the overlap of both; false (and *this empty) when they do not
    // overlap.
    constexpr bool IntersectRect(const Rect& a, const Rect& b) {
        const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
        if (a.IsRectEmpty() || b.IsRectEmpty() || r.IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        *this = r;
        return true;
    }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

} // namespace platform::gdi
