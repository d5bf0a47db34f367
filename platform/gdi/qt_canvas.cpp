#include "platform/gdi/qt_canvas.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace platform::gdi {

namespace {

// Qt's em size per pixel of cell height, per face, weight and slant (the
// ratio differs between faces; asking Qt once per combination is enough).
double em_per_cell(const QFont& font) {
    using key_t = std::tuple<QString, int, bool>;
    thread_local std::map<key_t, double> cache;
    const key_t key{font.family(), static_cast<int>(font.weight()), font.italic()};
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;
    QFont probe(font);
    constexpr int reference = 100;
    probe.setPixelSize(reference);
    const QFontMetricsF fm(probe);
    const double cell = fm.ascent() + fm.descent();
    const double ratio = cell > 0 ? reference / cell : 1.0;
    cache.emplace(key, ratio);
    return ratio;
}

QString to_qstring(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Size measure(const LOGFONT& font, std::string_view utf8, QPaintDevice* device) {
    const QFont qfont = ToQFont(font);
    const QFontMetrics fm = device != nullptr ? QFontMetrics(qfont, device) : QFontMetrics(qfont);
    const int width = fm.horizontalAdvance(to_qstring(utf8));
    // A positive height is the cell height by definition; rounding of the
    // pixel size must not make boxes sized from it drift.
    const int height = font.lfHeight > 0 ? font.lfHeight : fm.ascent() + fm.descent();
    return {width, height};
}

QRect q_rect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// The outline of a shape drawn over left .. right - 1 (Qt's outline of a
// QRect runs one pixel right of and below its width and height).
QRect q_outline(const Rect& r) {
    return QRect(r.left, r.top, r.Width() - 1, r.Height() - 1);
}

} // namespace

QColor ToQColor(COLORREF colour) {
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

COLORREF FromQColor(const QColor& colour) {
    return RGB(static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
               static_cast<std::uint8_t>(colour.blue()));
}

QFont ToQFont(const LOGFONT& lf) {
    QFont font(
        QString::fromStdString(lf.lfFaceName.empty() ? std::string("Arial") : lf.lfFaceName));
    switch (lf.lfPitchAndFamily & 0xF0) {
    case FF_ROMAN:
        font.setStyleHint(QFont::Serif);
        break;
    case FF_MODERN:
        font.setStyleHint(QFont::TypeWriter);
        break;
    case FF_SWISS:
        font.setStyleHint(QFont::SansSerif);
        break;
    default:
        break;
    }
    const int weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp(lf.lfWeight, 100, 900);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    int pixels = 0;
    if (lf.lfHeight > 0)
        pixels = static_cast<int>(std::lround(lf.lfHeight * em_per_cell(font)));
    else if (lf.lfHeight < 0)
        pixels = -lf.lfHeight;
    else
        pixels = 12;
    font.setPixelSize(std::max(pixels, 1));
    // A width asks for letters of that average width: the face stretched
    // from its own.
    if (lf.lfWidth > 0) {
        const double natural = QFontMetricsF(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(
                std::clamp(static_cast<int>(std::lround(100.0 * lf.lfWidth / natural)), 1, 4000));
    }
    return font;
}

LOGFONT FromQFont(const QFont& font, const LOGFONT& base) {
    if (font == ToQFont(base))
        return base;
    LOGFONT lf = base;
    lf.SetFaceName(font.family().toStdString());
    lf.lfHeight = -std::max(QFontInfo(font).pixelSize(), 1);
    lf.lfWidth = 0;
    lf.lfWeight = static_cast<std::int32_t>(font.weight());
    lf.lfItalic = font.italic() ? 1 : 0;
    lf.lfUnderline = font.underline() ? 1 : 0;
    lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
    return lf;
}

Size QtTextMeasurer::MeasureText(const LOGFONT& font, std::string_view utf8) const {
    return measure(font, utf8, nullptr);
}

QtCanvas::QtCanvas(QPainter& painter) : painter_(painter), base_(painter.worldTransform()) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

Size QtCanvas::MeasureText(const LOGFONT& font, std::string_view utf8) const {
    return measure(font, utf8, painter_.device());
}

bool QtCanvas::IsPrinting() const {
    const QPaintDevice* device = painter_.device();
    return device != nullptr && device->devType() == QInternal::Printer;
}

void QtCanvas::prepare(const Pen& pen, const Brush& brush) {
    painter_.setWorldTransform(QTransform(ScaleX(), 0, 0, ScaleY(), OffsetX(), OffsetY()) * base_);
    if (pen.style == PenStyle::Null) {
        painter_.setPen(Qt::NoPen);
    } else {
        QPen qpen(ToQColor(pen.colour));
        qpen.setWidth(std::max(pen.width, 0));
        // A flat cap leaves a line's last point out, as the platform does.
        qpen.setCapStyle(Qt::FlatCap);
        qpen.setJoinStyle(Qt::MiterJoin);
        qpen.setStyle(pen.style == PenStyle::Dash         ? Qt::DashLine
                      : pen.style == PenStyle::Dot        ? Qt::DotLine
                      : pen.style == PenStyle::DashDotDot ? Qt::DashDotDotLine
                                                          : Qt::SolidLine);
        painter_.setPen(qpen);
    }
    if (brush.style == BrushStyle::Null)
        painter_.setBrush(Qt::NoBrush);
    else
        painter_.setBrush(ToQColor(brush.colour));
}

void QtCanvas::DoPolyline(std::span<const Point> points, const Pen& pen) {
    prepare(pen, Brush::Hollow());
    QPolygon line;
    for (const Point& p : points)
        line << QPoint(p.x, p.y);
    painter_.drawPolyline(line);
}

void QtCanvas::DoPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush,
                         int fill_mode) {
    prepare(pen, brush);
    QPolygon shape;
    for (const Point& p : points)
        shape << QPoint(p.x, p.y);
    painter_.drawPolygon(shape, fill_mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}

void QtCanvas::DoRectangle(const Rect& r, const Pen& pen, const Brush& brush) {
    prepare(pen, brush);
    painter_.drawRect(q_outline(r));
}

void QtCanvas::DoEllipse(const Rect& r, const Pen& pen, const Brush& brush) {
    prepare(pen, brush);
    painter_.drawEllipse(q_outline(r));
}

void QtCanvas::DoFillRect(const Rect& r, COLORREF colour) {
    prepare(Pen::None(), Brush::Hollow());
    painter_.fillRect(q_rect(r), ToQColor(colour));
}

void QtCanvas::DoText(Point origin, std::string_view utf8, const LOGFONT& font, COLORREF colour,
                      const Rect* clip) {
    prepare(Pen::Solid(1, colour), Brush::Hollow());
    const QFont qfont = ToQFont(font);
    painter_.save();
    if (clip != nullptr)
        painter_.setClipRect(q_rect(*clip), Qt::IntersectClip);
    painter_.setFont(qfont);
    const QFontMetricsF fm(qfont, painter_.device());
    painter_.drawText(QPointF(origin.x, origin.y + fm.ascent()), to_qstring(utf8));
    painter_.restore();
}

void QtCanvas::DoBitmap(const Bitmap& bitmap, const Rect& dest) {
    prepare(Pen::None(), Brush::Hollow());
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.Width(); ++x) {
            const COLORREF c = bitmap.GetPixel(x, y);
            line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    painter_.drawImage(q_rect(dest), image);
}

void QtCanvas::DoPixel(Point p, COLORREF colour) {
    // Mapped here and drawn without the mapping's scale, so that it stays
    // one pixel when the sheet is zoomed.
    const Point d = LPtoDP(p);
    painter_.setWorldTransform(base_);
    painter_.fillRect(QRect(d.x, d.y, 1, 1), ToQColor(colour));
}

} // namespace platform::gdi
