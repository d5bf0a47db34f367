// The Qt adapter on a QImage: shapes land on the pixels the platform rules
// name, the mapping reaches the painter, and a positive font height is the
// font's cell height; what is kept between paints follows every change.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>
#include <string>
#include <utility>

#include "platform/gdi/qt_canvas.h"

namespace {

namespace gdi = platform::gdi;

class GdiQt : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QGuiApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "gdi_qt_test";
            static char* argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }

    GdiQt() : image_(60, 60, QImage::Format_RGB32) { image_.fill(Qt::white); }

    gdi::COLORREF at(int x, int y) const { return gdi::FromQColor(image_.pixelColor(x, y)); }

    QImage image_;
};

TEST_F(GdiQt, RectanglesFillsAndLinesKeepTheExclusiveEdges) {
    {
        QPainter painter(&image_);
        gdi::QtCanvas dc(painter);
        dc.SelectPen(gdi::Pen::Solid(1, gdi::kBlack));
        dc.SelectBrush(gdi::Brush::Solid(gdi::kRed));
        dc.Rectangle({10, 10, 20, 20});
        dc.FillSolidRect({30, 30, 33, 33}, 0x00FF00);
        dc.MoveTo(0, 40);
        dc.LineTo(10, 40);
        dc.MoveTo(50, 0);
        dc.LineTo(50, 10);
    }
    struct row_t {
        const char* catches;
        int x, y;
        gdi::COLORREF colour;
    } rows[] = {
        {"outline on the left edge", 10, 15, gdi::kBlack},
        {"outline on the last column", 19, 15, gdi::kBlack},
        {"outline on the last row", 15, 19, gdi::kBlack},
        {"right edge excluded", 20, 15, gdi::kWhite},
        {"bottom edge excluded", 15, 20, gdi::kWhite},
        {"interior filled with the brush", 15, 15, gdi::kRed},
        {"fill covers its last pixel", 32, 32, 0x00FF00},
        {"fill stops before its right edge", 33, 32, gdi::kWhite},
        {"line starts on its first point", 0, 40, gdi::kBlack},
        {"line drawn up to its end", 9, 40, gdi::kBlack},
        {"line leaves out its last point", 10, 40, gdi::kWhite},
        {"vertical line leaves out its last point", 50, 10, gdi::kWhite},
        {"vertical line drawn", 50, 9, gdi::kBlack},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(at(row.x, row.y), row.colour) << row.catches;
}

TEST_F(GdiQt, MappingScalesWhatIsDrawn) {
    {
        QPainter painter(&image_);
        gdi::QtCanvas dc(painter);
        dc.SetMapMode(gdi::MM_ANISOTROPIC);
        dc.SetWindowExt({4, 4});
        dc.SetViewportExt({8, 8});
        dc.SetViewportOrg({5, 0});
        dc.FillSolidRect({1, 1, 3, 3}, gdi::kRed); // device (7, 2) .. (10, 5)
    }
    EXPECT_EQ(at(7, 2), gdi::kRed);
    EXPECT_EQ(at(10, 5), gdi::kRed);
    EXPECT_EQ(at(11, 5), gdi::kWhite);
    EXPECT_EQ(at(6, 2), gdi::kWhite);
}

TEST_F(GdiQt, PositiveHeightIsTheCellHeight) {
    for (const int height : {12, 14, 15, 24}) {
        const gdi::LOGFONT font = gdi::MakeFont("Arial", height, gdi::FW_BOLD);
        const QFontMetrics fm(gdi::ToQFont(font));
        EXPECT_NEAR(fm.ascent() + fm.descent(), height, 1) << height;
        EXPECT_EQ(gdi::QtTextMeasurer().MeasureText(font, "Hg").cy, height);
    }
    // A negative height is the em itself.
    EXPECT_EQ(gdi::ToQFont(gdi::MakeFont("Arial", -14)).pixelSize(), 14);
    EXPECT_GT(gdi::QtTextMeasurer().MeasureText(gdi::MakeFont("Arial", 14), "Hello").cx,
              gdi::QtTextMeasurer().MeasureText(gdi::MakeFont("Arial", 14), "Hi").cx);
}

TEST_F(GdiQt, ChosenFontsComeBackAsLogicalFonts) {
    // The character set is Qt's blind spot: it stays the base's.
    const gdi::LOGFONT base = gdi::MakeFont("Arial", 15, gdi::FW_BOLD, 134);
    EXPECT_EQ(gdi::FromQFont(gdi::ToQFont(base), base), base) << "an unchanged choice";

    QFont chosen("Courier New");
    chosen.setPixelSize(20);
    chosen.setWeight(QFont::Normal);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    chosen.setStrikeOut(true);
    const gdi::LOGFONT lf = gdi::FromQFont(chosen, base);
    EXPECT_EQ(lf.lfFaceName, "Courier New");
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWeight, gdi::FW_NORMAL);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(lf.lfCharSet, 134);
    EXPECT_EQ(gdi::ToQFont(lf).pixelSize(), 20) << "and back to the same em";
}

TEST_F(GdiQt, TextSitsInItsCellAndColoursConvertOnce) {
    {
        QPainter painter(&image_);
        gdi::QtCanvas dc(painter);
        dc.SelectFont(gdi::MakeFont("Arial", 20, gdi::FW_BOLD));
        dc.SetBkMode(gdi::TRANSPARENT);
        dc.SetTextColor(gdi::kBlack);
        dc.TextOut(10, 10, "Hg");
    }
    int top = 60, bottom = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (qGray(image_.pixel(x, y)) < 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(bottom, 0) << "nothing drawn";
    EXPECT_GE(top, 10);
    EXPECT_LT(bottom, 30) << "the descender stays inside the 20-pixel cell";
    EXPECT_GT(bottom, 20) << "the text is drawn from the cell's top, not its baseline";

    EXPECT_EQ(gdi::ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(gdi::ToQColor(0xC8F0F0), QColor(0xF0, 0xF0, 0xC8));
    EXPECT_EQ(gdi::FromQColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
}

// Fonts and text measurements are kept from one paint to the next by font,
// text and surface. After each change a label drawn with what was kept must
// be the picture drawn with nothing kept, and must not be the old label.
TEST_F(GdiQt, ChangedLabelsDrawTheirNewText) {
    struct label_t {
        std::string text;
        gdi::LOGFONT font;
        int zoom; // viewport units per logical unit
    };
    const auto draw = [](const label_t& label) {
        QImage image(160, 60, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        gdi::QtCanvas dc(painter);
        dc.SetMapMode(gdi::MM_ANISOTROPIC);
        dc.SetWindowExt({1, 1});
        dc.SetViewportExt({label.zoom, label.zoom});
        dc.SetBkMode(gdi::TRANSPARENT);
        dc.SelectFont(label.font);
        // A channel label's box: a long text is cut to fit with "...".
        gdi::Rect box{2, 2, 60, 18};
        dc.DrawText(label.text, box,
                    gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS | gdi::DT_RIGHT);
        painter.end();
        return image;
    };
    const gdi::LOGFONT arial = gdi::MakeFont("Arial", 12);
    gdi::LOGFONT bold = arial;
    bold.lfWeight = gdi::FW_BOLD;
    gdi::LOGFONT underlined = bold;
    underlined.lfUnderline = 1;
    const label_t first{"Rece 1", arial, 1};
    struct row_t {
        const char* change;
        label_t label;
    } rows[] = {
        {"text changed, same length", {"Rece 2", arial, 1}},
        {"text grown past its box", {"Receive channel 12", arial, 1}},
        {"text shrunk into its box again", {"Rece 2", arial, 1}},
        {"font taller", {"Rece 2", gdi::MakeFont("Arial", 16), 1}},
        {"font bolder", {"Rece 2", bold, 1}},
        {"font underlined", {"Rece 2", underlined, 1}},
        {"zoomed in", {"Rece 2", underlined, 2}},
        {"long text zoomed in", {"Receive channel 12", underlined, 2}},
        {"back to the first label", first},
    };
    QImage previous = draw(first);
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.change);
        const QImage kept = draw(row.label);
        EXPECT_EQ(draw(row.label), kept) << "drawn again from what was kept";
        gdi::ForgetLaidOutText();
        EXPECT_EQ(draw(row.label), kept) << "drawn with nothing kept";
        EXPECT_NE(kept, previous) << "still the old label";
        previous = kept;
    }
}

// Texts are shaped once and kept; what is drawn from a kept text must be
// the very pixels QPainter::drawText draws from the same font, at every
// scale, for every script, and for the fonts and texts that are shaped
// afresh at each draw.
TEST_F(GdiQt, KeptTextDrawsWhatDrawTextDraws) {
    gdi::LOGFONT underlined = gdi::MakeFont("Arial", 13);
    underlined.lfUnderline = 1;
    gdi::LOGFONT struck = gdi::MakeFont("Arial", 13);
    struck.lfStrikeOut = 1;
    gdi::LOGFONT italic = gdi::MakeFont("Times New Roman", -15, gdi::FW_BOLD);
    italic.lfItalic = 1;
    struct row_t {
        const char* text;
        gdi::LOGFONT font;
    } rows[] = {
        {"Rece 1", gdi::MakeFont("Arial", 9)},
        {"Device123", gdi::MakeFont("Arial", 14, gdi::FW_BOLD)},
        {"QLM-0202A", italic},
        {"\xE9\x80\x9A\xE9\x81\x93 1", gdi::MakeFont("Arial", 12)}, // CJK: a fallback font
        {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D abc", gdi::MakeFont("Arial", 12)}, // right to left
        {"caf\xC3\xA9 \xEF\xAC\x81ne", gdi::MakeFont("Courier New", 11)},
        {"a\tb", gdi::MakeFont("Arial", 12)},
        {"line\xE2\x80\xA8two", gdi::MakeFont("Arial", 12)}, // shaped afresh
        {"Out 2", underlined},                               // shaped afresh
        {"Out 2", struck},                                   // shaped afresh
    };
    const auto image = [] {
        QImage i(200, 70, QImage::Format_RGB32);
        i.fill(Qt::white);
        return i;
    };
    for (const row_t& row : rows) {
        for (const int zoom : {1, 2}) {
            for (const bool half : {false, true}) {
                if (half && zoom != 1)
                    continue;
                SCOPED_TRACE(std::string(row.text) + " zoom " + std::to_string(zoom) +
                             (half ? " half" : ""));
                const QTransform scale =
                    half ? QTransform::fromScale(0.5, 0.5) : QTransform::fromScale(zoom, zoom);
                QImage canvas_image = image();
                for (int pass = 0; pass < 2; ++pass) { // shaping, then the kept text
                    canvas_image.fill(Qt::white);
                    QPainter painter(&canvas_image);
                    gdi::QtCanvas dc(painter);
                    dc.SetMapMode(gdi::MM_ANISOTROPIC);
                    dc.SetWindowExt({half ? 2 : 1, half ? 2 : 1});
                    dc.SetViewportExt({zoom, zoom});
                    dc.SetBkMode(gdi::TRANSPARENT);
                    dc.SetTextColor(0x800000);
                    dc.SelectFont(row.font);
                    dc.TextOut(5, 7, row.text);
                }
                QImage reference = image();
                {
                    QPainter painter(&reference);
                    painter.setRenderHint(QPainter::Antialiasing, false);
                    painter.setRenderHint(QPainter::TextAntialiasing, true);
                    painter.setWorldTransform(scale);
                    painter.setPen(QColor(0, 0, 0x80));
                    const QFont font = gdi::ToQFont(row.font);
                    painter.setFont(font);
                    const QFontMetricsF fm(font, painter.device());
                    painter.drawText(QPointF(5, 7 + fm.ascent()), QString::fromUtf8(row.text));
                }
                EXPECT_EQ(canvas_image, reference);
            }
        }
    }
}

TEST_F(GdiQt, BitmapsStretchIntoTheirRectangle) {
    gdi::Bitmap b(2, 1, gdi::kRed);
    b.SetPixel(1, 0, 0xFF0000);
    {
        QPainter painter(&image_);
        gdi::QtCanvas dc(painter);
        dc.StretchBitmap(b, {0, 0, 20, 10});
        EXPECT_FALSE(dc.IsPrinting());
    }
    EXPECT_EQ(at(0, 0), gdi::kRed);
    EXPECT_EQ(at(9, 9), gdi::kRed);
    EXPECT_EQ(at(10, 0), 0xFF0000u);
    EXPECT_EQ(at(19, 9), 0xFF0000u);
    EXPECT_EQ(at(20, 5), gdi::kWhite);
}

// A pixel stays one device pixel under a scale, at the point its logical
// position maps to, whether the mapping grows or shrinks the drawing.
TEST_F(GdiQt, PixelsStayOnePixelAtEveryScale) {
    {
        QPainter painter(&image_);
        gdi::QtCanvas dc(painter);
        dc.SetMapMode(gdi::MM_ANISOTROPIC);
        dc.SetWindowExt({1, 1});
        dc.SetViewportExt({2, 2});
        dc.SetViewportOrg({-4, 0});
        dc.SetPixel({10, 10}, gdi::kRed); // device (16, 20)
        dc.SetWindowExt({2, 2});
        dc.SetViewportExt({1, 1});
        dc.SetPixel({80, 60}, 0x00FF00); // device (36, 30)
    }
    EXPECT_EQ(at(16, 20), gdi::kRed);
    EXPECT_EQ(at(36, 30), 0x00FF00u);
    const std::pair<int, int> around[] = {{17, 20}, {16, 21}, {15, 20}, {37, 30}, {36, 31}};
    for (const auto& [x, y] : around)
        EXPECT_EQ(at(x, y), gdi::kWhite) << x << "," << y;
}

} // namespace
