// The shared slider as a widget on the offscreen platform: real mouse and
// key events in, the signals it emits recorded in order, a few pixels of
// what it shows probed.
#include "shell/ui/my_slider.h"

#include <gtest/gtest.h>

#include "gui_app.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/qt_canvas.h"

namespace {

namespace gdi = platform::gdi;
using shell::ui::CMySliderCtrl;

constexpr int kHorizontalId = 1001;
constexpr int kVerticalId = 1002;

class SliderGui : public ::testing::Test {
protected:
    void SetUp() override {
        // Each channel 200 pixels long: from 15 to 215 along the axis.
        window.resize(300, 240);
        wide = new CMySliderCtrl(Qt::Horizontal, kHorizontalId, &window);
        wide->setGeometry(0, 0, 230, 40);
        tall = new CMySliderCtrl(Qt::Vertical, kVerticalId, &window);
        tall->setGeometry(250, 0, 40, 230);
        for (CMySliderCtrl* slider : {wide, tall}) {
            QObject::connect(slider, &CMySliderCtrl::Scrolled, slider,
                             [this](unsigned message, int code, int position) {
                                 log.push_back((message == 0x114   ? "h "
                                                : message == 0x115 ? "v "
                                                                   : "? ") +
                                               std::to_string(code) + " " +
                                               std::to_string(position));
                             });
            QObject::connect(
                slider, &CMySliderCtrl::AppNotify, slider, [this](int wParam, int lParam) {
                    log.push_back("app " + std::to_string(wParam) + " " + std::to_string(lParam));
                });
        }
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    static gdi::COLORREF pixel(CMySliderCtrl* slider, int x, int y) {
        const QImage image = slider->grab().toImage();
        return gdi::FromQColor(image.pixelColor(x, y));
    }

    QWidget window;
    CMySliderCtrl* wide = nullptr;
    CMySliderCtrl* tall = nullptr;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(SliderGui, HomeAtTheMinimumStillReportsTop) {
    QTest::keyClick(wide, Qt::Key_Home);
    QTest::keyClick(wide, Qt::Key_Right);
    EXPECT_EQ(log, (Log{"h 6 0", "h 8 0", "h 1 0", "h 8 0"}));
    EXPECT_EQ(wide->GetPos(), 1);
}

TEST_F(SliderGui, AGrooveClickPastTheThumbAtTheMaximumReportsNothing) {
    wide->SetPos(100); // thumb 210..220
    QTest::mouseClick(wide, Qt::LeftButton, {}, QPoint(225, 21));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(wide->GetPos(), 100);
    // Before the thumb it pages.
    QTest::mouseClick(wide, Qt::LeftButton, {}, QPoint(100, 21));
    EXPECT_EQ(log, (Log{"h 2 0", "h 8 0"}));
    EXPECT_EQ(wide->GetPos(), 80);
}

TEST_F(SliderGui, AVerticalDragReportsVScrollBetweenThePressAndReleaseNotices) {
    // Thumb at the top: 10..32 across, 10..20 along.
    QTest::mousePress(tall, Qt::LeftButton, {}, QPoint(20, 15));
    QTest::mouseMove(tall, QPoint(20, 55));
    QTest::mouseRelease(tall, Qt::LeftButton, {}, QPoint(20, 55));
    EXPECT_EQ(log, (Log{"v 5 0", "app 1002 1034", "v 5 20", "v 4 20", "v 8 0", "app 0 1033"}));
    EXPECT_EQ(tall->GetPos(), 20);
    EXPECT_TRUE(tall->hasFocus()) << "a press takes the focus";

    // The thumb's index line now lies 40 pixels down the groove, and the
    // groove shows where it was.
    EXPECT_EQ(pixel(tall, 21, 55), gdi::RGB(0x20, 0x20, 0x20));
    EXPECT_EQ(pixel(tall, 21, 16), shell::CSliderModel::kGrooveFill);
    // Focused: the yellow background; the end tick above the thumb's left.
    EXPECT_EQ(pixel(tall, 2, 120), shell::CSliderModel::kBackgroundFocused);
    EXPECT_EQ(pixel(tall, 7, 15), gdi::kBlack);
}

TEST_F(SliderGui, LosingTheFocusDuringADragEndsIt) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mousePress(wide, Qt::LeftButton, {}, QPoint(15, 20));
    QTest::mouseMove(wide, QPoint(35, 20));
    tall->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(log, (Log{"h 5 0", "app 1001 1034", "h 5 10", "h 4 10", "h 8 0", "app 0 1033"}));
    log.clear();
    QTest::mouseRelease(wide, Qt::LeftButton, {}, QPoint(35, 20));
    EXPECT_TRUE(log.empty()) << "the drag ended with the focus";
    EXPECT_EQ(pixel(wide, 2, 2), shell::CSliderModel::BackgroundUnfocused());
}

} // namespace
