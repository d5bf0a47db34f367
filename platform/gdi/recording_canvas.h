#pragma once
// A canvas for tests: it draws nothing and records every primitive it is
// asked for (in logical coordinates, with the pen, brush, font and colour
// in use), measuring text with a FixedWidthMeasurer. Each record also reads
// as one line of text, so a test can compare a whole drawing at once:
//
//   polyline (10,20) (30,20) pen solid 1 0x505050
//   rectangle (9,9,111,61) pen solid 1 0xC8C800 brush solid 0xC8F0F0
//   ellipse (4,32,12,40) pen solid 1 0x000000 brush solid 0xFFFFFF
//   polygon (0,0) (4,4) (0,8) pen null brush solid 0x0000FF alternate
//   fill (9,9,111,10) 0x808080
//   text (20,11) "Delay 5 ms" Arial 15 700 0xFFFFFF clip (0,0,10,10)
//   bitmap 62x62 (0,0,62,62)
//   pixel (10,20) 0x000000
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/canvas.h"
#include "platform/gdi/fixed_width_measurer.h"

namespace platform::gdi {

struct RecordedOp {
    enum class Kind { Polyline, Polygon, Rectangle, Ellipse, Fill, Text, Bitmap, Pixel };
    Kind kind = Kind::Fill;
    std::vector<Point> points; // polyline, polygon
    Rect rect;                 // rectangle, ellipse, fill, bitmap destination
    Pen pen;
    Brush brush;
    int fill_mode = ALTERNATE;
    COLORREF colour = 0; // fill, text, pixel
    Point origin;        // text, pixel (logical)
    std::string text;
    LOGFONT font;
    std::optional<Rect> clip;
    Size bitmap_size;

    std::string ToString() const;
};

class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(int char_width = 0) : measurer_(char_width) {}

    Size MeasureText(const LOGFONT& font, std::string_view utf8) const override {
        return measurer_.MeasureText(font, utf8);
    }
    bool IsPrinting() const override { return printing_; }
    void SetPrinting(bool printing) { printing_ = printing; }

    const std::vector<RecordedOp>& Ops() const { return ops_; }
    std::vector<std::string> Lines() const;
    void Clear() { ops_.clear(); }

protected:
    void DoPolyline(std::span<const Point> points, const Pen& pen) override;
    void DoPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush,
                   int fill_mode) override;
    void DoRectangle(const Rect& r, const Pen& pen, const Brush& brush) override;
    void DoEllipse(const Rect& r, const Pen& pen, const Brush& brush) override;
    void DoFillRect(const Rect& r, COLORREF colour) override;
    void DoText(Point origin, std::string_view utf8, const LOGFONT& font, COLORREF colour,
                const Rect* clip) override;
    void DoBitmap(const Bitmap& bitmap, const Rect& dest) override;
    void DoPixel(Point p, COLORREF colour) override;

private:
    FixedWidthMeasurer measurer_;
    std::vector<RecordedOp> ops_;
    bool printing_ = false;
};

} // namespace platform::gdi
