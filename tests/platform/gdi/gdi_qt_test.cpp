// The Qt adapter on a QImage: shapes land on the pixels the platform rules
// name, the mapping reaches the painter, and a positive font height is the
// font's cell height.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>
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
