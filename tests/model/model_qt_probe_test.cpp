// One DSP module drawn through the Qt adapter into an image, probed at the
// pixels its drawing rules fix (the offscreen platform; no display needed).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "model/ari_equalizer.h"
#include "model_fixtures.h"
#include "platform/gdi/qt_canvas.h"

namespace {

namespace gdi = platform::gdi;

class ModelQtProbe : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QGuiApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "model_qt_probe_test";
            static char* argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }
};

TEST_F(ModelQtProbe, ModuleLandsOnItsPixels) {
    QImage image(300, 260, QImage::Format_RGB32);
    image.fill(Qt::white);
    auto plain = model_test::make_delay_module(); // body (100, 50, 200, 100)
    plain->GetChnl(0)->m_linkCount = 1;
    auto selected = model_test::make_delay_module();
    selected->m_selected = 1;
    {
        QPainter painter(&image);
        gdi::QtCanvas dc(painter);
        plain->Draw(dc, 0, 0);
        selected->Draw(dc, 0, 120); // body (100, 170, 200, 220)
    }
    const auto at = [&](int x, int y) { return gdi::FromQColor(image.pixelColor(x, y)); };
    struct row_t {
        const char* catches;
        int x, y;
        gdi::COLORREF colour;
    } rows[] = {
        {"body fill", 150, 92, 0xC8F0F0},
        {"title strip in the type colour", 103, 64, 0xC8C800},
        {"black frame on R's left edge", 99, 80, gdi::kBlack},
        {"black frame on R's last row", 150, 100, gdi::kBlack},
        {"etched edge's light line inside the frame", 100, 80, gdi::kWhite},
        {"shadow below", 150, 101, 0x505050},
        {"shadow two pixels deep", 150, 102, 0x505050},
        {"shadow on the right", 202, 80, 0x505050},
        {"nothing beyond the shadow", 150, 103, gdi::kWhite},
        {"linked input dot is green", 108, 86, gdi::kGreen},
        {"free output dot is white", 192, 86, gdi::kWhite},
        {"selection frame, outer ring", 97, 200, gdi::kRed},
        {"selection frame, inner ring", 98, 200, gdi::kRed},
        {"selection covers the shadow", 201, 200, gdi::kRed},
        {"nothing outside the selection frame", 96, 200, gdi::kWhite},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(at(row.x, row.y), row.colour) << row.catches;

    // The type name is written in white on the strip, the display name in
    // black below it.
    int light_on_strip = 0, dark_below = 0;
    for (int y = 51; y < 67; ++y)
        for (int x = 101; x < 200; ++x)
            light_on_strip += qGray(image.pixel(x, y)) > 235 ? 1 : 0;
    for (int y = 68; y < 82; ++y)
        for (int x = 101; x < 200; ++x)
            dark_below += qGray(image.pixel(x, y)) < 80 ? 1 : 0;
    EXPECT_GT(light_on_strip, 20);
    EXPECT_GT(dark_below, 20);
}

// Every equalizer's type name stays on its title strip: nothing of it
// right of the body's shadow, and some of it on the strip.
TEST_F(ModelQtProbe, EqualizerTypeNamesStayOnTheirTitleStrip) {
    for (const std::int32_t variant : {1, 3, 5, 7, 10, 16, 51, 52, 53}) {
        model::CAriEqualizer eq(1, variant, 20, 20);
        QImage image(400, 120, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            gdi::QtCanvas dc(painter);
            eq.Draw(dc, 0, 0);
        }
        const gdi::Rect r = eq.m_body.Inflated(1, 1);
        int beyond = 0;
        int onStrip = 0;
        for (int y = r.top + 1; y < r.top + 19; ++y) {
            for (int x = r.left + 2; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                if (x > r.right + 2)
                    beyond += colour != Qt::white;
                else if (x < r.right - 1)
                    onStrip += colour.red() > colour.blue() + 60; // the name's dark red
            }
        }
        EXPECT_EQ(beyond, 0) << eq.m_typeName;
        EXPECT_GT(onStrip, 20) << eq.m_typeName;
    }
}

} // namespace
