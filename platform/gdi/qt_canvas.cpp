#include "platform/gdi/qt_canvas.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPolygon>
#include <QTextLayout>
#include <QTextOption>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

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

// What every repaint asks again: a sheet's channel labels, titles and
// captions are measured, and cut to fit, each time they are drawn, and
// shaping the same texts again was half of a repaint. A measurement depends
// on the logical font, the text and the resolution of the surface only (a
// zoom is the painter's transform, applied when drawing), so it is kept by
// those: a changed text or font is another key. Per thread, as Qt's fonts
// are; emptied when it grows past a bound rather than kept in use order,
// which a sheet's texts never reach.
struct text_key_t {
    LOGFONT font;
    std::string text;
    int dpi_x = 0, dpi_y = 0; // 0 without a surface

    friend bool operator==(const text_key_t&, const text_key_t&) = default;
};

// A text shaped for drawing: by the font the painter resolved for its
// surface (the surface's own font fills in what a logical font leaves
// open), the text and the resolution.
struct layout_key_t {
    QFont font;
    std::string text;
    int dpi_x = 0, dpi_y = 0;
    Qt::LayoutDirection direction = Qt::LayoutDirectionAuto;

    friend bool operator==(const layout_key_t&, const layout_key_t&) = default;
};

void mix_hash(std::size_t& h, std::size_t v) {
    h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
}

struct layout_key_hash_t {
    std::size_t operator()(const layout_key_t& k) const {
        std::size_t h = std::hash<std::string>{}(k.text);
        mix_hash(h, qHash(k.font));
        mix_hash(h, std::hash<int>{}(k.dpi_x));
        mix_hash(h, std::hash<int>{}(k.dpi_y));
        mix_hash(h, std::hash<int>{}(static_cast<int>(k.direction)));
        return h;
    }
};

struct text_key_hash_t {
    std::size_t operator()(const text_key_t& k) const {
        const LOGFONT& f = k.font;
        std::size_t h = std::hash<std::string>{}(k.text);
        const auto mix = [&h](std::size_t v) { mix_hash(h, v); };
        mix(std::hash<std::string>{}(f.lfFaceName));
        for (const std::int64_t v :
             {std::int64_t{f.lfHeight}, std::int64_t{f.lfWidth}, std::int64_t{f.lfEscapement},
              std::int64_t{f.lfOrientation}, std::int64_t{f.lfWeight}, std::int64_t{f.lfItalic},
              std::int64_t{f.lfUnderline}, std::int64_t{f.lfStrikeOut}, std::int64_t{f.lfCharSet},
              std::int64_t{f.lfOutPrecision}, std::int64_t{f.lfClipPrecision},
              std::int64_t{f.lfQuality}, std::int64_t{f.lfPitchAndFamily}, std::int64_t{k.dpi_x},
              std::int64_t{k.dpi_y}})
            mix(std::hash<std::int64_t>{}(v));
        return h;
    }
};

// The kept fonts hold Qt's font engines: the application's thread lets
// them go while Qt still runs, not at the program's exit.
thread_local bool forget_registered = false;

void forget_when_qt_ends() {
    if (forget_registered)
        return;
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread())
        return;
    qAddPostRoutine(ForgetLaidOutText);
    forget_registered = true;
}

template <class Value, class Key = text_key_t, class Hash = text_key_hash_t> class text_cache_t {
public:
    static constexpr std::size_t kBound = 16384;

    template <class Make> const Value& get(Key&& key, Make&& make) {
        if (const auto it = entries_.find(key); it != entries_.end())
            return it->second;
        forget_when_qt_ends();
        if (entries_.size() >= kBound)
            entries_.clear();
        Value value = make();
        return entries_.emplace(std::move(key), std::move(value)).first->second;
    }
    void clear() { entries_.clear(); }

private:
    std::unordered_map<Key, Value, Hash> entries_;
};

// The fonts (text empty, no surface), the measurements, and the ascents
// text lines are placed by (text empty).
text_cache_t<QFont>& font_cache() {
    thread_local text_cache_t<QFont> cache;
    return cache;
}
text_cache_t<Size>& extent_cache() {
    thread_local text_cache_t<Size> cache;
    return cache;
}
text_cache_t<double>& ascent_cache() {
    thread_local text_cache_t<double> cache;
    return cache;
}
using layout_cache_t = text_cache_t<std::unique_ptr<QTextLayout>, layout_key_t, layout_key_hash_t>;
layout_cache_t& layout_cache() {
    thread_local layout_cache_t cache;
    return cache;
}

// A kept layout draws the very pixels QPainter::drawText draws, except for
// underlined or struck-out fonts (a layout draws those lines its own way),
// texts a layout would break (control characters, line and paragraph
// separators) and painting forced right to left: those are shaped at each
// draw.
bool may_keep_layout(std::string_view utf8, const QFont& font, Qt::LayoutDirection direction) {
    if (font.underline() || font.strikeOut() || font.overline() || direction == Qt::RightToLeft)
        return false;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 || c == 0x7F)
            return false;
        // U+2028 and U+2029: E2 80 A8 and E2 80 A9.
        if (c == 0xE2 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(utf8[i + 2]) == 0xA9))
            return false;
    }
    return true;
}

// The text laid out in one line at (0, 0) as drawText lays it out, in the
// painter's font and direction.
std::unique_ptr<QTextLayout> lay_out(std::string_view utf8, const QFont& font,
                                     const QPaintDevice* device, Qt::LayoutDirection direction) {
    auto layout = std::make_unique<QTextLayout>(to_qstring(utf8), font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(direction);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLeadingIncluded(false);
        line.setPosition({0, 0});
    }
    layout->endLayout();
    return layout;
}

text_key_t key_of(const LOGFONT& font, std::string_view utf8, const QPaintDevice* device) {
    return {font, std::string(utf8), device != nullptr ? device->logicalDpiX() : 0,
            device != nullptr ? device->logicalDpiY() : 0};
}

QFont make_qfont(const LOGFONT& lf);

Size measure(const LOGFONT& font, std::string_view utf8, QPaintDevice* device) {
    return extent_cache().get(key_of(font, utf8, device), [&] {
        const QFont qfont = ToQFont(font);
        const QFontMetrics fm =
            device != nullptr ? QFontMetrics(qfont, device) : QFontMetrics(qfont);
        const int width = fm.horizontalAdvance(to_qstring(utf8));
        // A positive height is the cell height by definition; rounding of
        // the pixel size must not make boxes sized from it drift.
        const int height = font.lfHeight > 0 ? font.lfHeight : fm.ascent() + fm.descent();
        return Size{width, height};
    });
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
    return font_cache().get(key_of(lf, {}, nullptr), [&] { return make_qfont(lf); });
}

void ForgetLaidOutText() {
    forget_registered = false;
    font_cache().clear();
    extent_cache().clear();
    ascent_cache().clear();
    layout_cache().clear();
}

namespace {

QFont make_qfont(const LOGFONT& lf) {
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

} // namespace

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
    QPaintDevice* device = painter_.device();
    const double ascent = ascent_cache().get(key_of(font, {}, device),
                                             [&] { return QFontMetricsF(qfont, device).ascent(); });
    const QPointF baseline(origin.x, origin.y + ascent);
    const QFont resolved = painter_.font();
    const Qt::LayoutDirection direction = painter_.layoutDirection();
    if (may_keep_layout(utf8, resolved, direction)) {
        const QTextLayout& layout = *layout_cache().get(
            {resolved, std::string(utf8), device != nullptr ? device->logicalDpiX() : 0,
             device != nullptr ? device->logicalDpiY() : 0, direction},
            [&] { return lay_out(utf8, resolved, device, direction); });
        const QTextLine line = layout.lineAt(0);
        if (line.isValid())
            layout.draw(&painter_, baseline - QPointF(0, line.ascent()));
    } else {
        painter_.drawText(baseline, to_qstring(utf8));
    }
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
