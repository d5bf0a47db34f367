// The lamp button, the picture button and the locked header on the
// offscreen platform: attached to placeholder items of a dialog, clicked
// and hovered with the mouse, the commands they post recorded and a few
// pixels probed.
#include <gtest/gtest.h>

#include "gui_app.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include "shell/ui/locked_header.h"
#include "shell/ui/my_button_widget.h"

namespace {

using shell::ui::CLockedHeaderCtrl;
using shell::ui::CMyButton;
using shell::ui::CStateBitmapButton;

class ButtonsGui : public ::testing::Test {
protected:
    void SetUp() override {
        m_dialog.resize(320, 240);
        m_dialog.setFont(QFont("DejaVu Sans", 9));
    }

    // A placeholder item of the dialog, as the dialog's layout code makes
    // it.
    QPushButton* placeholder(int id, QRect geometry, const QString& text = {},
                             bool groupStart = false) {
        auto* item = new QPushButton(text, &m_dialog);
        item->setGeometry(geometry);
        shell::ui::SetControlId(item, id);
        shell::ui::SetGroupStart(item, groupStart);
        return item;
    }

    void show() {
        m_dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dialog));
    }

    // The commands are posted; this delivers them.
    static void deliverPosted() { QCoreApplication::sendPostedEvents(); }

    static QRgb pixel(QWidget* widget, int x, int y) {
        return widget->grab().toImage().pixel(x, y) & 0xFFFFFF;
    }

    QWidget m_dialog;
};

constexpr QRgb kLampDark = 0x800000; // 0x00RRGGBB as Qt reads pixels
constexpr QRgb kLampLit = 0xFF0000;

TEST_F(ButtonsGui, LampButtonTakesThePlaceholdersPlaceAndToggles) {
    placeholder(-1, {10, 50, 60, 20}, "label");
    QPushButton* item = placeholder(1126, {10, 10, 64, 32}, "Off", true);
    placeholder(1125, {80, 10, 64, 32}, "Off");
    const int place = int(m_dialog.children().indexOf(item));

    auto* mute = new CMyButton;
    EXPECT_FALSE(mute->Attach(999, &m_dialog, 2, 32, 0)) << "no such item";
    EXPECT_EQ(mute->parentWidget(), nullptr);
    ASSERT_TRUE(mute->Attach(1126, &m_dialog, 2, 32, 0));
    EXPECT_EQ(shell::ui::FindDialogItem(&m_dialog, 1126), mute);
    EXPECT_EQ(m_dialog.children().indexOf(mute), place) << "the group order is kept";
    EXPECT_EQ(mute->geometry(), QRect(10, 10, 64, 32));
    EXPECT_EQ(mute->text(), "Off");
    EXPECT_TRUE(shell::ui::IsGroupStart(mute));
    EXPECT_EQ(mute->focusPolicy(), Qt::ClickFocus) << "no tab stop";
    show();

    // 64 x 32 with divisor 32: the lamp is (8,8,56,24).
    EXPECT_EQ(pixel(mute, 12, 11), kLampDark);
    EXPECT_EQ(pixel(mute, 8, 8), 0x000000u) << "lamp outline";
    EXPECT_EQ(pixel(mute, 4, 16), 0xD4D0C8u) << "button face";

    QSignalSpy commands(mute, &CMyButton::Command);
    QTest::mouseClick(mute, Qt::LeftButton, {}, QPoint(30, 16));
    EXPECT_EQ(mute->GetState(), 1);
    EXPECT_EQ(commands.count(), 0) << "posted, not sent from the mouse handler";
    deliverPosted();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), 1126);
    EXPECT_EQ(commands[0][1].toInt(), shell::BN_CLICKED);
    EXPECT_EQ(commands[0][2].value<QWidget*>(), mute);
    EXPECT_EQ(pixel(mute, 12, 11), kLampLit);

    // The dialog shows a state it keeps itself; nothing is reported.
    mute->SetState(0);
    deliverPosted();
    EXPECT_EQ(commands.count(), 1);
    EXPECT_EQ(pixel(mute, 12, 11), kLampDark);

    mute->setEnabled(false);
    EXPECT_EQ(pixel(mute, 12, 11), 0xC8C8C8u) << "grey lamp";
}

TEST_F(ButtonsGui, ReleaseOutsideReportsNothing) {
    placeholder(1089, {10, 10, 64, 32}, "Off");
    auto* bypass = new CMyButton;
    ASSERT_TRUE(bypass->Attach(1089, &m_dialog, 2, 32, 0));
    show();
    m_dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dialog));
    QSignalSpy commands(bypass, &CMyButton::Command);

    QTest::mousePress(bypass, Qt::LeftButton, {}, QPoint(30, 16));
    EXPECT_TRUE(bypass->hasFocus());
    EXPECT_EQ(pixel(bypass, 12, 11), kLampLit) << "pressed with focus lights the lamp";
    QTest::mouseRelease(bypass, Qt::LeftButton, {}, QPoint(200, 100));
    deliverPosted();
    EXPECT_EQ(commands.count(), 0);
    EXPECT_EQ(bypass->GetState(), 0);
    EXPECT_EQ(pixel(bypass, 12, 11), kLampDark);
}

TEST_F(ButtonsGui, RadioGroupTurnsTheOthersOffAndAnOnButtonReportsNothing) {
    placeholder(1001, {10, 10, 60, 24}, "A", true);
    placeholder(-1, {80, 10, 60, 24}, "label"); // not a lamp button: passed over
    placeholder(1002, {150, 10, 60, 24}, "B");
    placeholder(1003, {220, 10, 60, 24}, "C");
    placeholder(1004, {10, 60, 60, 24}, "D", true); // the next group
    CMyButton buttons[4];
    const int ids[] = {1001, 1002, 1003, 1004};
    const int states[] = {1, 0, 0, 1};
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(buttons[i].Attach(ids[i], &m_dialog, 3, 32, states[i]));
    show();
    QSignalSpy b_commands(&buttons[1], &CMyButton::Command);
    QSignalSpy a_commands(&buttons[0], &CMyButton::Command);

    QTest::mouseClick(&buttons[1], Qt::LeftButton, {}, QPoint(30, 12));
    deliverPosted();
    EXPECT_EQ(buttons[0].GetState(), 0) << "the group's other on button is turned off";
    EXPECT_EQ(buttons[1].GetState(), 1);
    EXPECT_EQ(buttons[2].GetState(), 0);
    EXPECT_EQ(buttons[3].GetState(), 1) << "another group is left alone";
    ASSERT_EQ(b_commands.count(), 1);
    EXPECT_EQ(b_commands[0][0].toInt(), 1002);
    EXPECT_EQ(a_commands.count(), 0) << "turning off is not a click";

    QTest::mouseClick(&buttons[1], Qt::LeftButton, {}, QPoint(30, 12));
    deliverPosted();
    EXPECT_EQ(b_commands.count(), 1) << "an on radio button reports nothing";
    EXPECT_EQ(buttons[1].GetState(), 1);
}

TEST_F(ButtonsGui, PicturesReplaceTheLampOfAMatrixCell) {
    placeholder(1300, {10, 10, 40, 24});
    auto* cell = new CMyButton;
    ASSERT_TRUE(cell->Attach(1300, &m_dialog, shell::kBitmapRouteNormal,
                             shell::kBitmapRouteSelected, shell::kBitmapRouteFocus,
                             shell::kBitmapRouteDisabled));
    show();
    // 40 x 24, divisor 32: unit 1, lamp (4,4,36,20); the 16-pixel picture at
    // (12,4), its plug at the centre.
    EXPECT_EQ(pixel(cell, 19, 11), 0x202020u) << "empty socket";
    cell->SetState(1);
    EXPECT_EQ(pixel(cell, 19, 11), 0x008200u) << "routed: green plug";
    cell->SetState(3);
    EXPECT_EQ(pixel(cell, 19, 11), 0xB8B8B8u) << "disabled picture";

    QSignalSpy commands(cell, &CMyButton::Command);
    cell->SetState(0);
    QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(20, 12));
    deliverPosted();
    EXPECT_EQ(commands.count(), 1);
    EXPECT_EQ(cell->GetState(), 0) << "a push button's state is the dialog's to set";
}

TEST_F(ButtonsGui, PictureButtonStatesHoverAndClick) {
    placeholder(1200, {10, 100, 120, 20}, "Go");
    placeholder(1201, {10, 140, 120, 20}, "Stays");
    auto* go = new CStateBitmapButton;
    ASSERT_TRUE(go->Attach(1200, &m_dialog, shell::kBitmapRouteNormal, shell::kBitmapRouteSelected,
                           shell::kBitmapRouteFocus, shell::kBitmapRouteDisabled));
    EXPECT_EQ(go->text(), "Go");
    auto* missing = new CStateBitmapButton;
    EXPECT_FALSE(missing->Attach(1201, &m_dialog, shell::kBitmapRouteNormal, 9999,
                                 shell::kBitmapRouteFocus, shell::kBitmapRouteDisabled))
        << "a picture it cannot load";
    EXPECT_NE(qobject_cast<QPushButton*>(shell::ui::FindDialogItem(&m_dialog, 1201)), nullptr);
    delete missing;
    show();

    // The plug at the picture's centre, the ring 6 pixels right of it.
    constexpr QPoint plug(7, 7), ring(13, 7);
    go->SetState(3);
    EXPECT_FALSE(go->isEnabled());
    EXPECT_EQ(pixel(go, plug.x(), plug.y()), 0xB8B8B8u);
    go->SetState(7);
    EXPECT_TRUE(go->isEnabled());
    EXPECT_EQ(go->GetState(), 0);
    EXPECT_EQ(pixel(go, plug.x(), plug.y()), 0x202020u) << "state 0's picture";
    EXPECT_EQ(pixel(go, ring.x(), ring.y()), 0x404040u);

    // The pointer goes through the window, as a user's does: first away
    // from the button, since a move to where it already is moves nothing.
    QTest::mouseMove(&m_dialog, QPoint(300, 230));
    EXPECT_EQ(go->GetState(), 0);
    QTest::mouseMove(go, QPoint(5, 5));
    EXPECT_EQ(go->GetState(), 2);
    EXPECT_EQ(QWidget::mouseGrabber(), go) << "hover holds the mouse";
    EXPECT_EQ(pixel(go, ring.x(), ring.y()), 0xE0C000u) << "focus picture's ring";
    QTest::mouseMove(go, QPoint(150, 5)); // right of the button, inside the dialog
    EXPECT_EQ(go->GetState(), 0);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    QSignalSpy commands(go, &CStateBitmapButton::Command);
    QTest::mouseMove(go, QPoint(5, 5));
    QTest::mouseClick(go, Qt::LeftButton, {}, QPoint(5, 5));
    deliverPosted();
    EXPECT_EQ(go->GetState(), 1);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), 1200);
    EXPECT_EQ(pixel(go, plug.x(), plug.y()), 0x008200u) << "selected picture";
}

TEST_F(ButtonsGui, LockedHeaderKeepsColumnWidthsAndCursor) {
    QTableWidget table(3, 3);
    auto* header = new CLockedHeaderCtrl(Qt::Horizontal);
    table.setHorizontalHeader(header);
    table.resize(400, 200);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    EXPECT_TRUE(header->IsLocked());
    header->resizeSection(0, 80);
    EXPECT_EQ(header->sectionSize(0), 80) << "the list still sizes its columns in code";

    QWidget* strip = header->viewport();
    const int y = header->height() / 2;
    const auto drag_divider = [&] {
        QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(80, y));
        QTest::mouseMove(strip, QPoint(130, y));
        QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(130, y));
    };
    const auto sizing_cursor = [&] {
        // A move with no button held, straight to the strip.
        const QPointF at(80, y);
        QMouseEvent move(QEvent::MouseMove, at, strip->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(strip, &move);
        for (QWidget* w : {static_cast<QWidget*>(header), strip}) {
            if (w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::SplitHCursor)
                return true;
        }
        return false;
    };

    drag_divider();
    EXPECT_EQ(header->sectionSize(0), 80);
    EXPECT_FALSE(sizing_cursor());
    table.insertColumn(3);
    EXPECT_EQ(header->sectionResizeMode(3), QHeaderView::Fixed) << "a new column is locked too";

    // Unlocked, the same drag resizes: the divider was where the test
    // pressed.
    header->SetLocked(false);
    EXPECT_TRUE(sizing_cursor());
    drag_divider();
    EXPECT_EQ(header->sectionSize(0), 130);
}

} // namespace
