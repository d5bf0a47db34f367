#include "platform/gdi/recording_canvas.h"

#include "platform/text/format.h"

namespace platform::gdi {

namespace {

using platform::text::format;

std::string colour_text(COLORREF c) {
    return format("0x%06X", c);
}

std::string rect_text(const Rect& r) {
    return format("(%d,%d,%d,%d)", r.left, r.top, r.right, r.bottom);
}

std::string points_text(const std::vector<Point>& points) {
    std::string out;
    for (const Point& p : points) {
        if (!out.empty())
            out += ' ';
        out += format("(%d,%d)", p.x, p.y);
    }
    return out;
}

std::string pen_text(const Pen& pen) {
    static const char* const styles[] = {"solid", "dash", "dot", "null", "dashdotdot"};
    if (pen.style == PenStyle::Null)
        return "pen null";
    return format("pen %s %d %s", styles[static_cast<int>(pen.style)], pen.width,
                  colour_text(pen.colour));
}

std::string brush_text(const Brush& brush) {
    if (brush.style == BrushStyle::Null)
        return "brush null";
    return "brush solid " + colour_text(brush.colour);
}

} // namespace

std::string RecordedOp::ToString() const {
    switch (kind) {
    case Kind::Polyline:
        return "polyline " + points_text(points) + " " + pen_text(pen);
    case Kind::Polygon:
        return "polygon " + points_text(points) + " " + pen_text(pen) + " " + brush_text(brush) +
               (fill_mode == WINDING ? " winding" : " alternate");
    case Kind::Rectangle:
        return "rectangle " + rect_text(rect) + " " + pen_text(pen) + " " + brush_text(brush);
    case Kind::Ellipse:
        return "ellipse " + rect_text(rect) + " " + pen_text(pen) + " " + brush_text(brush);
    case Kind::Fill:
        return "fill " + rect_text(rect) + " " + colour_text(colour);
    case Kind::Text: {
        std::string out =
            format("text (%d,%d) \"%s\" %s %d %d %s", origin.x, origin.y, text, font.lfFaceName,
                   font.lfHeight, font.lfWeight, colour_text(colour));
        if (clip)
            out += " clip " + rect_text(*clip);
        return out;
    }
    case Kind::Bitmap:
        return format("bitmap %dx%d ", bitmap_size.cx, bitmap_size.cy) + rect_text(rect);
    case Kind::Pixel:
        return format("pixel (%d,%d) ", origin.x, origin.y) + colour_text(colour);
    }
    return {};
}

std::vector<std::string> RecordingCanvas::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(ops_.size());
    for (const RecordedOp& op : ops_)
        lines.push_back(op.ToString());
    return lines;
}

void RecordingCanvas::DoPolyline(std::span<const Point> points, const Pen& pen) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Polyline;
    op.points.assign(points.begin(), points.end());
    op.pen = pen;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::DoPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush,
                                int fill_mode) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Polygon;
    op.points.assign(points.begin(), points.end());
    op.pen = pen;
    op.brush = brush;
    op.fill_mode = fill_mode;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::DoRectangle(const Rect& r, const Pen& pen, const Brush& brush) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Rectangle;
    op.rect = r;
    op.pen = pen;
    op.brush = brush;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::DoEllipse(const Rect& r, const Pen& pen, const Brush& brush) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Ellipse;
    op.rect = r;
    op.pen = pen;
    op.brush = brush;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::DoFillRect(const Rect& r, COLORREF colour) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Fill;
    op.rect = r;
    op.colour = colour;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::DoText(Point origin, std::string_view utf8, const LOGFONT& font,
                             COLORREF colour, const Rect* clip) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Text;
    op.origin = origin;
    op.text = std::string(utf8);
    op.font = font;
    op.colour = colour;
    if (clip != nullptr)
        op.clip = *clip;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::DoBitmap(const Bitmap& bitmap, const Rect& dest) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Bitmap;
    op.rect = dest;
    op.bitmap_size = {bitmap.Width(), bitmap.Height()};
    ops_.push_back(std::move(op));
}

void RecordingCanvas::DoPixel(Point p, COLORREF colour) {
    RecordedOp op;
    op.kind = RecordedOp::Kind::Pixel;
    op.origin = p;
    op.colour = colour;
    ops_.push_back(std::move(op));
}

} // namespace platform::gdi
