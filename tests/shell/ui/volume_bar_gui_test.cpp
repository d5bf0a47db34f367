// The level meters as widgets on the offscreen platform: a few pixels of
// the painted bars, and the peak falling on the widget's own timers.
#include "shell/ui/volume_bar_widget.h"

#include <gtest/gtest.h>

#include "gui_app.h"

#include <QApplication>
#include <QImage>
#include <QTest>

namespace {

using shell::ui::CVolumeBarCtrl;
using shell::ui::CVolumeBarCtrl3;

QRgb Pixel(QWidget& widget, int x, int y)
{
    return widget.grab().toImage().pixel(x, y) & 0xFFFFFF;
}

TEST(VolumeBarGui, MeterShowsItsBandsAndThePeakAndThePeakFalls)
{
    CVolumeBarCtrl meter;
    meter.resize(16, 112);
    meter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&meter));

    meter.SetLevel(0);
    EXPECT_EQ(Pixel(meter, 5, 100), 0x00FF00u) << "lit green";
    EXPECT_EQ(Pixel(meter, 5, 99), 0x000000u) << "a separator";
    EXPECT_EQ(Pixel(meter, 5, 20), 0x404000u) << "unlit yellow";
    EXPECT_EQ(Pixel(meter, 5, 5), 0x400000u) << "unlit red";
    EXPECT_EQ(Pixel(meter, 5, 32), 0x00FFFFu) << "the peak mark at 0 dB";
    EXPECT_EQ(Pixel(meter, 15, 32), 0x00FFFFu) << "across the whole width";

    meter.SetLevel(30);
    EXPECT_EQ(Pixel(meter, 5, 5), 0xFF0000u) << "lit red";
    EXPECT_EQ(Pixel(meter, 5, 20), 0xFFFF00u) << "lit yellow";
    EXPECT_EQ(Pixel(meter, 5, 0), 0x00FFFFu) << "the peak at the top";

    // The hold and the fall run on the widget's timers.
    meter.SetHoldTime(1);
    meter.SetLevel(-60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return meter.Bar().Peak() < 24; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Pixel(meter, 5, 0) != 0x00FFFFu; }, 5000));
}

TEST(VolumeBarGui, BarWithThresholdsShowsItsParts)
{
    CVolumeBarCtrl3 bar;
    bar.resize(12, 84);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));

    bar.SetPos(10); // one pixel per dB: 14 empty, 14 above -4 dB, the rest green
    EXPECT_EQ(Pixel(bar, 6, 5), 0x808080u) << "empty";
    EXPECT_EQ(Pixel(bar, 6, 20), 0xFF0000u) << "above the upper threshold";
    EXPECT_EQ(Pixel(bar, 6, 60), 0x008000u) << "between the thresholds";
    EXPECT_EQ(bar.SetSegmentCount(4), 21);
    EXPECT_EQ(bar.Bar().SegmentHeight(), 21);
}

} // namespace
