#pragma once
// The toolkit side of the drawing seam: a Canvas over a QPainter (a window,
// a QImage, a QPrinter page), a TextMeasurer over Qt's font metrics, and the
// one conversion of colours and fonts.
//
// Fonts: a positive LOGFONT height is the cell height (ascent + descent)
// while Qt sizes fonts by their em, so the pixel size is the height scaled
// by em / (ascent + descent) of the face; a negative height is the em
// itself. Escapement and the average width are not rendered.
//
// The canvas hands Qt its mapping as the painter's world transform, on top
// of whatever transform the painter had when the canvas was made, and draws
// without antialiasing, so that shapes land on the same pixels as the
// platform rules say (see canvas.h).
#include <QColor>
#include <QFont>
#include <QPainter>

#include "platform/gdi/canvas.h"

namespace platform::gdi {

QColor ToQColor(COLORREF colour);
COLORREF FromQColor(const QColor& colour);
QFont ToQFont(const LOGFONT& font);
// The way back, for a font the operator chose: face, weight, italic,
// underline and strike-out, and the em in pixels as a negative height; what
// Qt does not know (character set, pitch and family, ...) is `base`'s. A
// font equal to ToQFont(base) gives `base` itself.
LOGFONT FromQFont(const QFont& font, const LOGFONT& base = {});
// Fonts, text measurements and shaped texts are kept between paints, by the
// font, the text and the surface's resolution, for the calling thread: a
// changed text or font is looked up afresh. This drops them all (after
// fonts were installed, or in a test).
void ForgetLaidOutText();

class QtTextMeasurer : public TextMeasurer {
public:
    Size MeasureText(const LOGFONT& font, std::string_view utf8) const override;
};

class QtCanvas : public Canvas {
public:
    // The painter must be active and outlive the canvas.
    explicit QtCanvas(QPainter& painter);

    Size MeasureText(const LOGFONT& font, std::string_view utf8) const override;
    bool IsPrinting() const override;

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
    void prepare(const Pen& pen, const Brush& brush);

    QPainter& painter_;
    QTransform base_;
};

} // namespace platform::gdi
