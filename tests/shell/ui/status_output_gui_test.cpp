// The output list and the status bar on the offscreen platform: the list's
// extent and scrolling, lines from a worker thread, swallowed clicks; the
// bar following its model's layouts and texts, each pane holding its
// widest text in either shipped language, and a swatch's pixels.
#include "shell/ui/output_list.h"
#include "shell/ui/status_bar.h"

#include <gtest/gtest.h>

#include "gui_app.h"
#include "tests/support/shipped_language.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <atomic>
#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <thread>

namespace {

using shell::CStatusPanes;
using shell::EStatusLayout;
using shell::ui::CMyListBox;
using shell::ui::CMyStatusBar;

int TextWidth(const CMyListBox& list, const char* text) {
    return list.fontMetrics().horizontalAdvance(QString::fromUtf8(text));
}

TEST(OutputListGui, ExtentFollowsTheWidestLineAndTheLastLineShows) {
    CMyListBox list;
    list.resize(200, 120);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    EXPECT_EQ(list.AddLine(-1, "short"), 0);
    EXPECT_EQ(list.WidestWidth(), TextWidth(list, "short"));
    EXPECT_EQ(list.HorizontalExtent(), 0) << "narrower than the list";
    EXPECT_EQ(list.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    const char* wide = "    信息：设备 'a rather long device name' (00602b0a0b0c)的IP有效 "
                       "'192.168.100.200'。";
    EXPECT_EQ(list.AddLine(-1, wide), 1);
    const int widest = TextWidth(list, wide);
    ASSERT_GT(widest, list.viewport()->width());
    EXPECT_EQ(list.WidestWidth(), widest);
    EXPECT_EQ(list.HorizontalExtent(), widest + 3);
    EXPECT_EQ(list.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), widest + 3 - list.viewport()->width());

    // A narrower line later keeps the widest width.
    EXPECT_EQ(list.AddLine(-1, "x"), 2);
    EXPECT_EQ(list.HorizontalExtent(), widest + 3);
    // Inserting in the middle answers its index; a place past the end fails.
    EXPECT_EQ(list.AddLine(1, "middle"), 1);
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("middle"));
    EXPECT_EQ(list.AddLine(99, "nowhere"), CMyListBox::kError);
    EXPECT_EQ(list.count(), 4);

    for (int i = 0; i < 40; ++i)
        list.AddLine(-1, "line " + std::to_string(i));
    QListWidgetItem* last = list.item(list.count() - 1);
    EXPECT_EQ(last->text(), QStringLiteral("line 39"));
    EXPECT_TRUE(list.viewport()->rect().contains(list.visualItemRect(last)))
        << "the last line is scrolled into view";
    EXPECT_FALSE(list.viewport()->rect().intersects(list.visualItemRect(list.item(0))));

    list.Clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.WidestWidth(), 0);
    EXPECT_EQ(list.HorizontalExtent(), 0);
    EXPECT_EQ(list.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(OutputListGui, WorkerLinesArriveInOrderWithoutWaitingForTheWindow) {
    CMyListBox list;
    list.resize(200, 120);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    // The worker writes all its lines while the user-interface thread is
    // blocked joining it: a writer that waited for the window would hang
    // here.
    constexpr int kLines = 300;
    std::atomic<int> queued{0};
    comm::IOutputList& output = list;
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i) {
            output.AddLine("progress " + std::to_string(i));
            if (list.AddLine(-1, "direct " + std::to_string(i)) == CMyListBox::kQueued)
                ++queued;
        }
    });
    worker.join();
    EXPECT_EQ(queued.load(), kLines);
    EXPECT_EQ(list.count(), 0) << "nothing arrives before the event loop runs";

    ASSERT_TRUE(QTest::qWaitFor([&] { return list.count() == 2 * kLines; }, 5000));
    for (int i = 0; i < kLines; ++i) {
        ASSERT_EQ(list.item(2 * i)->text().toStdString(), "progress " + std::to_string(i));
        ASSERT_EQ(list.item(2 * i + 1)->text().toStdString(), "direct " + std::to_string(i));
    }
    EXPECT_EQ(list.WidestWidth(), TextWidth(list, "progress 299"));
}

TEST(OutputListGui, ClicksSelectNothing) {
    CMyListBox list;
    list.resize(200, 120);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.AddLine(-1, "one");
    list.AddLine(-1, "two");

    const QPoint onFirst = list.visualItemRect(list.item(0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, onFirst);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, onFirst);
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, onFirst);
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_FALSE(list.item(0)->isSelected());
}

QLabel* LabelOf(const CMyStatusBar& bar, int id) {
    return qobject_cast<QLabel*>(bar.PaneWidget(id));
}

TEST(StatusBarGui, FollowsLayoutsTextsAndTips) {
    CStatusPanes panes;
    CMyStatusBar bar(panes);
    bar.resize(1200, 24);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));

    // The device layout at creation.
    for (int id : {0, 205, 206, 207, 208, 1, 2, 3})
        EXPECT_NE(bar.PaneWidget(id), nullptr) << "pane " << id;
    EXPECT_EQ(bar.PaneWidget(11), nullptr);
    EXPECT_GE(bar.PaneWidget(1)->width(), 130);
    EXPECT_EQ(LabelOf(bar, 206), nullptr) << "a swatch is drawn, not a label";

    panes.UpdateIpPanes(0xC0A80001, 0xC0A800FE, "192.168.0.5");
    ASSERT_NE(LabelOf(bar, 1), nullptr);
    EXPECT_EQ(LabelOf(bar, 1)->text().toStdString(), panes.Find(1)->text);
    EXPECT_EQ(bar.PaneWidget(3)->toolTip().toStdString(), panes.Find(3)->toolTip);
    EXPECT_FALSE(bar.PaneWidget(3)->toolTip().isEmpty());

    panes.SetLayout(EStatusLayout::Dsp);
    for (int id : {205, 206, 1})
        EXPECT_EQ(bar.PaneWidget(id), nullptr) << "pane " << id << " left with its layout";
    struct Width {
        int id;
        int width;
    };
    for (Width w : {Width{11, 35}, Width{12, 113}, Width{15, 170}, Width{18, 50}})
        EXPECT_GE(bar.PaneWidget(w.id)->width(), w.width) << "pane " << w.id;

    panes.SetSpaceUsedPane(82);
    EXPECT_EQ(LabelOf(bar, 12)->text().toStdString(), panes.Find(12)->text);
    panes.SetModuleSizePane(40, 30);
    EXPECT_EQ(LabelOf(bar, 18)->text(), QStringLiteral("40X30"));

    // Back to the base layout: the panes are made again in the model's order.
    panes.SetLayout(EStatusLayout::Base);
    EXPECT_EQ(bar.PaneWidget(12), nullptr);
    ASSERT_NE(bar.PaneWidget(2), nullptr);
    EXPECT_LT(bar.PaneWidget(1)->x(), bar.PaneWidget(2)->x());
    EXPECT_LT(bar.PaneWidget(2)->x(), bar.PaneWidget(3)->x());
}

// Whether the label shows its text whole: the text, less the blanks that
// pad it, after the label's indent (half an 'x' beside a frame).
bool ShowsWhole(const QLabel& label) {
    QString text = label.text();
    while (text.endsWith(' '))
        text.chop(1);
    const QFontMetrics metrics(label.font());
    const int indent = label.indent() >= 0       ? label.indent()
                       : label.frameWidth() > 0 ? metrics.horizontalAdvance('x') / 2
                                                : 0;
    return indent + metrics.horizontalAdvance(text) <= label.contentsRect().width();
}

// Each pane holds the widest text its setters give, in either pack, and the
// panes of a layout stay inside a bar as wide as a 1280-pixel screen.
TEST(StatusBarGui, EveryPaneHoldsItsWidestTextInEitherPack) {
    struct Setting {
        int pane;
        std::function<void(CStatusPanes&)> set;
    };
    const Setting device[] = {
        {1, [](CStatusPanes& p) { p.UpdateIpPanes(0xFFFFFFFF, 0xFFFFFFFF, "255.255.255.255"); }},
        {2, [](CStatusPanes& p) { p.UpdateIpPanes(0xFFFFFFFF, 0xFFFFFFFF, "255.255.255.255"); }},
        {3, [](CStatusPanes& p) { p.UpdateIpPanes(0xFFFFFFFF, 0xFFFFFFFF, "255.255.255.255"); }},
        {205, [](CStatusPanes& p) { p.UpdateSheetSizePane(20000, 20000); }},
    };
    const Setting dsp[] = {
        {11, [](CStatusPanes& p) { p.SetRunStateText(true); }},
        {11, [](CStatusPanes& p) { p.SetRunStateText(false); }},
        {12, [](CStatusPanes& p) { p.SetSpaceUsedPane(8192 * 9); }},
        {12, [](CStatusPanes& p) { p.SetSpaceUsedPane(1); }},
        {13, [](CStatusPanes& p) { p.SetTimeUsedPane(25000 * 9); }},
        {13, [](CStatusPanes& p) { p.SetTimeUsedPane(1); }},
        {14, [](CStatusPanes& p) { p.SetIdStatePane(false); }},
        {14, [](CStatusPanes& p) { p.SetIdStatePane(true); }},
        {15, [](CStatusPanes& p) { p.SetModuleCountPane(0, 0); }},
        {15, [](CStatusPanes& p) { p.SetModuleCountPane(62, 1); }},
        {15, [](CStatusPanes& p) { p.SetModuleCountPane(999, 999); }},
        {16, [](CStatusPanes& p) { p.SetLinkCountPane(999, 999); }},
        {17, [](CStatusPanes& p) { p.SetModulePosPane(20000, 20000); }},
        {18, [](CStatusPanes& p) { p.SetModuleSizePane(20000, 20000); }},
    };
    for (const char* pack : {"rcEng", "rcChs"}) {
        const test_support::ScopedShippedLanguage language(pack);
        for (const EStatusLayout layout : {EStatusLayout::Device, EStatusLayout::Dsp}) {
            const bool isDsp = layout == EStatusLayout::Dsp;
            SCOPED_TRACE(std::string(pack) + (isDsp ? " dsp" : " device"));
            CStatusPanes panes;
            CMyStatusBar bar(panes);
            bar.resize(1280, 24);
            panes.SetLayout(layout);
            bar.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
            for (const Setting& setting : isDsp ? std::span<const Setting>(dsp)
                                                : std::span<const Setting>(device)) {
                setting.set(panes);
                const QLabel* label = LabelOf(bar, setting.pane);
                ASSERT_NE(label, nullptr) << "pane " << setting.pane;
                EXPECT_TRUE(ShowsWhole(*label))
                    << "pane " << setting.pane << " cuts \"" << label->text().toStdString()
                    << "\" at " << label->width();
            }
            int right = 0;
            for (const shell::StatusPane& pane : panes.Panes())
                right = std::max(right, bar.PaneWidget(pane.id)->geometry().right());
            EXPECT_LT(right, bar.width());
        }
    }
}

TEST(StatusBarGui, SwatchesShowTheActiveSheetsColours) {
    CStatusPanes panes;
    CMyStatusBar bar(panes);
    bar.resize(1200, 24);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));

    std::optional<shell::SheetColours> active;
    bar.SetSheetColoursSource([&] { return active; });

    QWidget* swatch = bar.PaneWidget(206);
    ASSERT_NE(swatch, nullptr);
    ASSERT_GT(swatch->width(), 4);
    auto image = [&](int id) { return bar.PaneWidget(id)->grab().toImage(); };
    auto corner = [&](int id) { return image(id).pixel(1, 1) & 0xFFFFFF; };

    // No device sheet active: the panes stay undrawn.
    const QRgb undrawn = corner(206);
    EXPECT_NE(undrawn, 0x787878u);

    active = shell::SheetColours{platform::gdi::RGB(120, 120, 120), 0x000000, 0x0000FF};
    panes.Repaint();
    EXPECT_EQ(corner(206), 0x787878u) << "the sheet's background";
    EXPECT_EQ(corner(207), 0x000000u) << "the physical-link colour";
    EXPECT_EQ(corner(208), 0xFF0000u) << "the network-link colour (red in COLORREF)";

    // The caption is written in the contrast colour: white on the mid grey.
    const QImage grey = image(206);
    int bright = 0;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            if (qRed(grey.pixel(x, y)) > 0xE0 && qGreen(grey.pixel(x, y)) > 0xE0 &&
                qBlue(grey.pixel(x, y)) > 0xE0)
                ++bright;
    EXPECT_GT(bright, 5) << "white caption pixels on the grey swatch";

    active.reset();
    panes.Repaint();
    EXPECT_EQ(corner(206), undrawn);
}

} // namespace
