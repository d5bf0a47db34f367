// The MDI tab strip on the offscreen platform: tabs follow the children,
// a click and a drag activate, a double click maximises.
#include "shell/ui/mdi_tab_client.h"

#include <QDragMoveEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/shell/ui/gui_app.h"

namespace {

using shell::ui::CMDITabClient;
using shell::ui::CMDITabCtrl;

// The periodic rebuild, fired by hand.
class CManualTimer final : public shell::ITimer {
public:
    void Start(std::chrono::milliseconds period, std::function<void()> tick) override
    {
        m_period = period;
        m_tick = std::move(tick);
    }
    void Stop() override { m_tick = nullptr; }
    void Fire()
    {
        if (m_tick) {
            m_tick();
        }
    }
    bool Running() const { return static_cast<bool>(m_tick); }
    std::chrono::milliseconds Period() const { return m_period; }

private:
    std::function<void()> m_tick;
    std::chrono::milliseconds m_period{0};
};

QMdiSubWindow* AddChild(QMdiArea* area, const QString& title, bool show = true)
{
    auto* frame = new QWidget;
    frame->setWindowTitle(title);
    frame->resize(160, 100);
    QMdiSubWindow* child = area->addSubWindow(frame);
    if (show) {
        child->show();
    }
    return child;
}

TEST(MdiTabsGui, TabsFollowTheChildrenAndActivateThem)
{
    CManualTimer timer;
    CMDITabClient client(timer);
    auto* area = new QMdiArea;
    ASSERT_TRUE(client.Attach(area));
    EXPECT_FALSE(client.Attach(area));
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(timer.Period(), shell::ui::kMdiTabRebuildPeriod);
    client.resize(640, 420);
    client.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&client));
    CMDITabCtrl* tabs = client.TabCtrl();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->parentWidget(), &client);
    EXPECT_LT(tabs->geometry().bottom(), area->geometry().top() + 1);

    // Two children with one title, the second with its own icon; a third
    // that was never shown. The tabs come at once, without the timer.
    QMdiSubWindow* first = AddChild(area, QStringLiteral("Sheet"));
    ASSERT_TRUE(gui_test::WaitFor([&] { return tabs->count() == 1; })) << tabs->count() << " tabs";
    QMdiSubWindow* second = AddChild(area, QStringLiteral("Sheet"));
    QPixmap red(16, 16);
    red.fill(Qt::red);
    second->widget()->setWindowIcon(QIcon(red));
    QMdiSubWindow* hidden = AddChild(area, QStringLiteral("Hidden"), false);
    ASSERT_TRUE(gui_test::WaitFor([&] { return tabs->count() == 2; })) << tabs->count() << " tabs";
    timer.Fire();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Sheet"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Sheet"));
    EXPECT_EQ(tabs->ChildAt(0), first);
    EXPECT_EQ(tabs->ChildAt(1), second);
    EXPECT_EQ(tabs->FindTab(hidden), -1);
    EXPECT_TRUE(tabs->tabIcon(0).isNull());
    EXPECT_FALSE(tabs->tabIcon(1).isNull());
    EXPECT_TRUE(gui_test::WaitFor([&] { return tabs->currentIndex() == 1; }))
        << "current tab " << tabs->currentIndex();

    // The child's own tab text beats its title, on the next tick.
    first->setProperty(shell::ui::kMdiTabTextProperty, QStringLiteral("Own"));
    timer.Fire();
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Own"));

    // A click on a tab activates its child.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_TRUE(gui_test::WaitFor([&] { return area->currentSubWindow() == first; }))
        << "a click on the tab did not activate its child";

    // Something dragged over a tab activates that tab's child, and is not
    // taken there.
    QMimeData mime;
    mime.setText(QStringLiteral("x"));
    const QPointF over = tabs->tabRect(1).center();
    QDragEnterEvent enter(over.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(tabs, &enter);
    QDragMoveEvent move(over.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(tabs, &move);
    EXPECT_FALSE(move.isAccepted());
    EXPECT_TRUE(gui_test::WaitFor([&] { return area->currentSubWindow() == second; }))
        << "a drag over the tab did not activate its child";

    // A double click on the tab of the non-active child maximises it; a
    // second one restores it.
    ASSERT_NE(area->currentSubWindow(), first);
    QTest::mouseDClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    ASSERT_TRUE(gui_test::WaitFor([&] { return first->isMaximized(); }))
        << "a double click did not maximise the child";
    QTest::mouseDClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_TRUE(gui_test::WaitFor([&] { return !first->isMaximized(); }))
        << "a second double click did not restore the child";

    // Shown, the third child gets its tab on the next tick; hidden again,
    // loses it; destroyed, a child's tab goes at once.
    hidden->show();
    timer.Fire();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("Hidden"));
    hidden->hide();
    timer.Fire();
    EXPECT_EQ(tabs->count(), 2);
    delete second;
    EXPECT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->ChildAt(0), first);

    EXPECT_TRUE(client.Detach());
    EXPECT_EQ(client.TabCtrl(), nullptr);
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(client.Detach());
}

} // namespace
