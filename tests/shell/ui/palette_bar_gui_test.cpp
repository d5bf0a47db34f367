// The device and DSP palette bars on the offscreen platform: the pages'
// items with their data and pictures in the installed language, the page
// buttons by control id, the accordion geometry and the list's colours.
#include "shell/ui/palette_bar.h"

#include "gui_app.h"

#include "shell/language.h"
#include "shell/ui/my_button_widget.h"

#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using platform::gdi::Rect;
using shell::CPaletteAccordion;
using shell::CPaletteLayout;
using shell::EPaletteKind;
using shell::ui::CPaletteBar;

// Each icon id gets a picture of its own colour, so a list item shows which
// id its picture came from.
QRgb IconColour(int iconId) {
    return qRgb(iconId % 256, iconId / 256, 77);
}

QIcon ColourIcon(int iconId) {
    QPixmap picture(32, 32);
    picture.fill(QColor(IconColour(iconId)));
    return QIcon(picture);
}

QRgb ItemIconColour(const QListWidgetItem* item) {
    return item->icon().pixmap(32, 32).toImage().pixel(16, 16);
}

std::vector<std::string> Captions(const QListWidget& list) {
    std::vector<std::string> captions;
    for (int i = 0; i < list.count(); ++i)
        captions.push_back(list.item(i)->text().toStdString());
    return captions;
}

std::vector<int> Data(const QListWidget& list) {
    std::vector<int> data;
    for (int i = 0; i < list.count(); ++i)
        data.push_back(list.item(i)->data(Qt::UserRole).toInt());
    return data;
}

QPushButton* ButtonWithId(const CPaletteBar& bar, int id) {
    for (QPushButton* button : bar.findChildren<QPushButton*>())
        if (shell::ui::ControlIdOf(button) == id)
            return button;
    return nullptr;
}

class PaletteBarGui : public ::testing::Test {
protected:
    void TearDown() override { shell::InstallLanguage(nullptr, ""); }

    static void InstallShipped(const char* title) {
        auto pack =
            shell::LoadLanguagePack(std::string(OSTREL_SHIPPED_PACKS) + "/" + title + ".lang");
        ASSERT_TRUE(pack.has_value()) << title;
        shell::InstallLanguage(std::make_shared<shell::CLanguagePack>(std::move(*pack)), title);
    }

    static void Show(CPaletteBar& bar, int height) {
        bar.resize(140, height);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
};

TEST_F(PaletteBarGui, DspBarListsTheModulesInThePacksLanguage) {
    struct Row {
        const char* pack;
        std::string title;
        std::string dynamicsButton;
        std::vector<std::string> dynamics;
    };
    const std::vector<Row> rows = {
        {"rcEng",
         "Modules",
         "Dynamics",
         {"Leveler", "Compressor", "Limiter", "Noise Gate", "Expander", "Clipper"}},
        {"rcChs",
         "算法模块",
         "动态处理",
         {"自动增益器", "压缩器", "限制器", "噪声门", "扩展器", "削峰器"}},
    };
    for (const Row& row : rows) {
        InstallShipped(row.pack);
        CPaletteBar bar(EPaletteKind::Dsp, ColourIcon);
        ASSERT_NO_FATAL_FAILURE(Show(bar, 600));
        QListWidget& list = *bar.List();
        EXPECT_EQ(shell::ui::ControlIdOf(&list), 1061) << row.pack;
        EXPECT_EQ(bar.windowTitle().toStdString(), row.title) << row.pack;

        // The bar opens on page 0 with its list filled.
        EXPECT_EQ(bar.Page(), 0) << row.pack;
        EXPECT_EQ(Data(list), (std::vector<int>{301, 302, 303, 304, 305})) << row.pack;
        EXPECT_EQ(ItemIconColour(list.item(0)), IconColour(215)) << row.pack;

        QSignalSpy selected(&bar, &CPaletteBar::pageSelected);
        QPushButton* dynamics = ButtonWithId(bar, 1065);
        ASSERT_NE(dynamics, nullptr) << row.pack;
        EXPECT_EQ(dynamics, bar.PageButton(3)) << row.pack;
        EXPECT_EQ(dynamics->text().toStdString(), row.dynamicsButton) << row.pack;
        QTest::mouseClick(dynamics, Qt::LeftButton);
        EXPECT_EQ(bar.Page(), 3) << row.pack;
        ASSERT_EQ(selected.count(), 1) << row.pack;
        EXPECT_EQ(selected.front().front().toInt(), 3) << row.pack;
        EXPECT_EQ(Captions(list), row.dynamics) << row.pack;
        EXPECT_EQ(Data(list), (std::vector<int>{701, 702, 703, 704, 705, 706})) << row.pack;
        EXPECT_EQ(ItemIconColour(list.item(5)), IconColour(228)) << row.pack << " image 3";
        // The clicked button took the focus with the press; the page change
        // hands it on to the list.
        EXPECT_EQ(bar.focusWidget(), &list) << row.pack;
        EXPECT_TRUE(list.editTriggers() == QAbstractItemView::NoEditTriggers) << row.pack;

        // A repeat click changes nothing; each meter has its own picture.
        QTest::mouseClick(dynamics, Qt::LeftButton);
        EXPECT_EQ(selected.count(), 1) << row.pack;
        QPushButton* meters = ButtonWithId(bar, 1070);
        ASSERT_NE(meters, nullptr) << row.pack;
        QTest::mouseClick(meters, Qt::LeftButton);
        EXPECT_EQ(bar.Page(), 8) << row.pack;
        ASSERT_EQ(list.count(), 4) << row.pack;
        EXPECT_EQ(ItemIconColour(list.item(0)), IconColour(221)) << row.pack << " image 8";
        EXPECT_EQ(ItemIconColour(list.item(3)), IconColour(218)) << row.pack << " image 11";
        EXPECT_EQ(list.item(3)->data(Qt::UserRole).toInt(), 1304) << row.pack;

        // Each module page shows its module's picture.
        const std::pair<int, int> pictures[] = {{1067, 227}, {1068, 226}, {1069, 229}, {1066, 222}};
        for (const auto& [button, icon] : pictures) {
            QTest::mouseClick(ButtonWithId(bar, button), Qt::LeftButton);
            EXPECT_EQ(ItemIconColour(list.item(0)), IconColour(icon)) << row.pack << " " << button;
        }
    }
}

TEST_F(PaletteBarGui, DeviceBarButtonsSelectTheirPagesByControlId) {
    InstallShipped("rcEng");
    CPaletteBar bar(EPaletteKind::Device, ColourIcon);
    ASSERT_NO_FATAL_FAILURE(Show(bar, 600));
    QListWidget& list = *bar.List();
    EXPECT_EQ(shell::ui::ControlIdOf(&list), 1008);
    EXPECT_EQ(bar.windowTitle(), QStringLiteral("Devices"));
    EXPECT_EQ(bar.Page(), 0);
    EXPECT_EQ(list.count(), 12);
    EXPECT_EQ(list.item(9)->data(Qt::UserRole).toInt(), 18);
    EXPECT_EQ(ItemIconColour(list.item(1)), IconColour(275));

    struct Row {
        int button;
        const char* caption;
        int page;
        std::vector<std::string> items;
        std::vector<int> data;
        std::vector<int> icons;
    };
    const Row rows[] = {
        {1003,
         "External equipment",
         1,
         {"PC", "CD", "Microphone", "Speaker", "Amplifier"},
         {11, 12, 13, 14, 15},
         {223, 231, 234, 235, 230}},
        {1214, "Text", 3, {"Text"}, {17}, {244}},
        {1004, "Generic devices", 2, {"Generic", "Matrix"}, {16, 18}, {233, 256}},
    };
    for (const Row& row : rows) {
        QPushButton* button = ButtonWithId(bar, row.button);
        ASSERT_NE(button, nullptr) << row.button;
        EXPECT_EQ(button, bar.PageButton(row.page)) << row.button;
        EXPECT_EQ(button->text().toStdString(), row.caption) << row.button;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(bar.Page(), row.page) << row.button;
        EXPECT_EQ(Captions(list), row.items) << row.button;
        EXPECT_EQ(Data(list), row.data) << row.button;
        for (int i = 0; i < list.count(); ++i)
            EXPECT_EQ(ItemIconColour(list.item(i)), IconColour(row.icons[std::size_t(i)]))
                << row.button << " item " << i;
        // Only the DSP bar moves the focus to its list.
        EXPECT_EQ(bar.focusWidget(), button) << row.button;
    }
    EXPECT_EQ(ButtonWithId(bar, 1002)->text(), QStringLiteral("Audio units"));
    EXPECT_EQ(bar.PageButton(4), nullptr);
    EXPECT_FALSE(bar.SelectPage(4)) << "the device palette has four pages";
    EXPECT_EQ(bar.Page(), 2);
}

// The bar's buttons and list where the accordion puts them for the bar's
// current size and page; buttons `h` high with the bar's width less a small
// margin on each side, the list as wide as the bar.
void ExpectAccordion(const CPaletteBar& bar, int h, const std::string& name) {
    const bool device = bar.Model().Kind() == EPaletteKind::Device;
    const int count = device ? shell::kDevicePageCount : shell::kDspPageCount;
    const std::vector<Rect> buttons(std::size_t(count), Rect(0, 0, bar.width(), h));
    const Rect list(0, 0, bar.width(), 0);
    const CPaletteLayout expected =
        device ? CPaletteAccordion::LayoutDevice(buttons, list, bar.height(), bar.Page())
               : CPaletteAccordion::LayoutDsp(buttons, list, bar.height(), bar.Page());
    for (int i = 0; i < count; ++i) {
        const QRect got = bar.PageButton(i)->geometry();
        EXPECT_EQ(got.top(), expected.buttons[std::size_t(i)].top) << name << " button " << i;
        EXPECT_EQ(got.height(), h) << name << " button " << i;
        EXPECT_TRUE(got.left() > 0 && got.left() <= 4) << name << " button " << i;
        EXPECT_TRUE(got.right() >= bar.width() - 5 && got.right() < bar.width() - 1)
            << name << " button " << i;
    }
    const QListWidget& shown = *bar.List();
    EXPECT_EQ(shown.isVisible(), expected.listVisible) << name;
    if (expected.listVisible) {
        EXPECT_EQ(shown.geometry(),
                  QRect(0, expected.list.top, bar.width(), expected.list.Height()))
            << name;
    }
}

TEST_F(PaletteBarGui, ButtonsAndListFollowTheAccordion) {
    struct Row {
        EPaletteKind kind;
        int page;
        // The bar's height in buttons plus pixels.
        int buttons;
        int pixels;
    };
    const Row rows[] = {
        {EPaletteKind::Device, 0, 12, 0},
        {EPaletteKind::Device, 2, 20, 7},
        // Less than five buttons high: no room for the list.
        {EPaletteKind::Device, 3, 4, 5},
        {EPaletteKind::Dsp, 0, 25, 0},
        {EPaletteKind::Dsp, 6, 14, 3},
        // Below ten buttons the list is hidden.
        {EPaletteKind::Dsp, 4, 9, 5},
        {EPaletteKind::Dsp, 9, 10, 0},
    };
    for (const Row& row : rows) {
        const std::string name = std::string(row.kind == EPaletteKind::Device ? "device" : "dsp") +
                                 " page " + std::to_string(row.page);
        CPaletteBar bar(row.kind, [](int) { return QIcon(); });
        ASSERT_NO_FATAL_FAILURE(Show(bar, 300));
        EXPECT_GE(bar.minimumWidth(), 100) << name;
        const int h = bar.PageButton(0)->height();
        ASSERT_GT(h, bar.fontMetrics().height()) << name;

        // A page change lays the bar out, and so does a resize.
        bar.SelectPage(row.page);
        ASSERT_EQ(bar.Page(), row.page) << name;
        ExpectAccordion(bar, h, name + " after the page change");
        bar.resize(160, row.buttons * h + row.pixels);
        ExpectAccordion(bar, h, name + " at height " + std::to_string(bar.height()));
    }
}

TEST_F(PaletteBarGui, ListIsGreyWithWhiteCaptions) {
    InstallShipped("rcEng");
    CPaletteBar bar(EPaletteKind::Dsp, [](int) { return QIcon(); });
    ASSERT_NO_FATAL_FAILURE(Show(bar, 700));
    ASSERT_TRUE(bar.SelectPage(9)); // one item: the text box
    QListWidget& list = *bar.List();
    ASSERT_TRUE(list.isVisible());
    ASSERT_EQ(list.count(), 1);
    list.clearSelection();
    list.setCurrentItem(nullptr);

    QImage image;
    const QRect item = list.visualItemRect(list.item(0));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            image = list.viewport()->grab().toImage();
            return image.width() > item.right() + 10 && image.height() > item.bottom() + 10;
        },
        5000));
    EXPECT_EQ(image.pixel(image.width() - 5, image.height() - 5) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(image.pixel(item.right() + 5, item.top() + 2) & 0xFFFFFF, 0x808080u);

    int white = 0;
    for (int y = item.top(); y <= item.bottom(); ++y)
        for (int x = item.left(); x <= item.right(); ++x)
            white += (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFFu;
    EXPECT_GT(white, 3) << "the caption is written in white";
}

} // namespace
