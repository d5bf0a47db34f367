#include "shell/palettes.h"

#include "shell/language.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using platform::gdi::Rect;
using shell::CPaletteAccordion;
using shell::CPaletteItem;
using shell::CPaletteLayout;

class ShellPalettes : public ::testing::Test {
protected:
    void TearDown() override { shell::InstallLanguage(nullptr, ""); }

    static void InstallShipped(const char* title)
    {
        auto pack = shell::LoadLanguagePack(std::string(OSTREL_SHIPPED_PACKS) + "/" + title +
                                            ".lang");
        ASSERT_TRUE(pack.has_value()) << title;
        shell::InstallLanguage(std::make_shared<shell::CLanguagePack>(std::move(*pack)), title);
    }
};

std::vector<std::string> Captions(const std::vector<CPaletteItem>& items)
{
    std::vector<std::string> captions;
    for (const auto& item : items)
        captions.push_back(item.caption);
    return captions;
}

std::vector<int> Data(const std::vector<CPaletteItem>& items)
{
    std::vector<int> data;
    for (const auto& item : items)
        data.push_back(item.data);
    return data;
}

TEST_F(ShellPalettes, DevicePagesOfferTheUnitRowsAndTheModelCodesTheSheetCreates)
{
    const auto units = shell::DevicePaletteItems(0);
    EXPECT_EQ(Data(units), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 18, 19, 20}));
    EXPECT_EQ(units[3], (CPaletteItem{"QLA-206A", 3, 3}));
    EXPECT_EQ(units[11], (CPaletteItem{"QLR-450", 20, 20}));

    // The drop creates external equipment for 11-15, a generic device for 16,
    // a text box for 17 and a matrix for 18; the images are 10-17 in order.
    const auto external = shell::DevicePaletteItems(1);
    EXPECT_EQ(Captions(external),
              (std::vector<std::string>{"PC", "CD", "Microphone", "Speaker", "Amplifier"}));
    EXPECT_EQ(Data(external), (std::vector<int>{11, 12, 13, 14, 15}));
    EXPECT_EQ(external.front().image, 10);
    EXPECT_EQ(shell::DevicePaletteItems(2),
              (std::vector<CPaletteItem>{{"Generic", 15, 16}, {"Matrix", 16, 18}}));
    EXPECT_EQ(shell::DevicePaletteItems(3), (std::vector<CPaletteItem>{{"Text", 17, 17}}));
    EXPECT_TRUE(shell::DevicePaletteItems(4).empty());
    EXPECT_TRUE(shell::DevicePaletteItems(-1).empty());
}

TEST_F(ShellPalettes, DspPagesFollowTheirButtonsWithModuleCodesAndImages)
{
    struct Row {
        int button;
        std::size_t count;
        CPaletteItem first; // English
        CPaletteItem last;
    };
    const Row rows[] = {
        {1062, 5, {"5 ms", 0, 301}, {"100 ms", 0, 305}},
        {1063, 3, {"4X4", 1, 401}, {"16X16", 1, 403}},
        {1064, 7, {"4X1", 2, 501}, {"8X8", 2, 507}},
        {1065, 6, {"Leveler", 3, 701}, {"Clipper", 3, 706}},
        {1067, 9, {"1 Band Parametric", 5, 901}, {"1 Octave Graphic", 5, 953}},
        {1068, 4, {"Low Pass", 6, 1001}, {"Highpass Shelving", 6, 1004}},
        {1069, 3, {"2 Way", 7, 1119}, {"4 Way", 7, 1121}},
        // The generator's button sits after the crossover's in the id range.
        {1066, 2, {"Sine", 4, 801}, {"White Noise", 4, 802}},
        // Each meter width has its own picture.
        {1070, 4, {"1 Chnl RMS", 8, 1301}, {"8 Chnl RMS", 11, 1304}},
        {1212, 1, {"Text", 12, 1201}, {"Text", 12, 1201}},
    };
    for (const Row& row : rows) {
        const int page = shell::DspPageOfButton(row.button);
        ASSERT_GE(page, 0) << row.button;
        const auto items = shell::DspPaletteItems(page, false);
        ASSERT_EQ(items.size(), row.count) << row.button;
        EXPECT_EQ(items.front(), row.first) << row.button;
        EXPECT_EQ(items.back(), row.last) << row.button;
        // Captions change with the language, never the data or the image.
        const auto chinese = shell::DspPaletteItems(page, true);
        EXPECT_EQ(Data(chinese), Data(items)) << row.button;
        EXPECT_EQ(chinese.back().image, row.last.image) << row.button;
    }
    EXPECT_EQ(shell::DspPageOfButton(1061), -1);
    EXPECT_TRUE(shell::DspPaletteItems(10, false).empty());
    EXPECT_EQ(shell::DevicePageOfButton(1214), 3);
}

TEST_F(ShellPalettes, CaptionsFollowTheInstalledPacksLanguageName)
{
    struct Row {
        const char* pack; // null: the built-in texts
        std::vector<std::string> dynamics;
        std::string meter;
    };
    const std::vector<Row> rows = {
        {"rcEng",
         {"Leveler", "Compressor", "Limiter", "Noise Gate", "Expander", "Clipper"},
         "2 Chnl RMS"},
        {"rcChs", {"自动增益器", "压缩器", "限制器", "噪声门", "扩展器", "削峰器"}, "2 通道"},
        // The built-in name is the Chinese one.
        {nullptr, {"自动增益器", "压缩器", "限制器", "噪声门", "扩展器", "削峰器"}, "2 通道"},
    };
    for (const Row& row : rows) {
        if (row.pack)
            InstallShipped(row.pack);
        else
            shell::InstallLanguage(nullptr, "");
        const char* name = row.pack ? row.pack : "built-in";
        EXPECT_EQ(Captions(shell::DspPaletteItems(3)), row.dynamics) << name;
        EXPECT_EQ(shell::DspPaletteItems(8)[1].caption, row.meter) << name;

        shell::CPalette palette(shell::EPaletteKind::Dsp);
        ASSERT_TRUE(palette.SelectPage(3)) << name;
        EXPECT_EQ(Captions(palette.Items()), row.dynamics) << name;
    }
}

TEST_F(ShellPalettes, TheFirstSelectionOfPageZeroFillsAndARepeatDoesNothing)
{
    shell::CPalette device(shell::EPaletteKind::Device);
    EXPECT_TRUE(device.Items().empty());
    EXPECT_TRUE(device.SelectPage(0));
    EXPECT_EQ(device.Items().size(), 12u);
    EXPECT_FALSE(device.SelectPage(0));
    EXPECT_FALSE(device.SelectPage(4)); // no such device page
    EXPECT_EQ(device.Page(), 0);
    EXPECT_EQ(device.ItemData(9), 18);
    EXPECT_EQ(device.ItemData(12), -1);
    EXPECT_EQ(device.ItemData(-1), -1);

    shell::CPalette dsp(shell::EPaletteKind::Dsp);
    EXPECT_TRUE(dsp.SelectPage(0));
    EXPECT_EQ(dsp.ItemData(4), 305);
    // Any other DSP page only empties the list.
    EXPECT_TRUE(dsp.SelectPage(12));
    EXPECT_TRUE(dsp.Items().empty());
}

std::vector<Rect> Buttons(int count, int height)
{
    std::vector<Rect> buttons;
    for (int i = 0; i < count; ++i)
        buttons.emplace_back(5, 500 + i * 40, 145, 500 + i * 40 + height);
    return buttons;
}

// The tops of the buttons, then the list's top and bottom.
std::vector<int> Tops(const CPaletteLayout& layout)
{
    std::vector<int> tops;
    for (const Rect& r : layout.buttons)
        tops.push_back(r.top);
    tops.push_back(layout.list.top);
    tops.push_back(layout.list.bottom);
    return tops;
}

TEST(ShellPaletteAccordion, DevicePaletteStacksTheListUnderTheChosenButton)
{
    const Rect list(3, 0, 147, 10);
    struct Row {
        const char* what;
        int barHeight;
        int page;
        std::vector<int> tops; // buttons 0-3, list top, list bottom
    };
    const Row rows[] = {
        {"first page", 400, 0, {16, 320, 344, 368, 40, 320}},
        {"third page", 400, 2, {16, 40, 64, 368, 88, 368}},
        {"last page", 400, 3, {16, 40, 64, 88, 112, 392}},
        {"list exactly h div 3 high", 128, 1, {16, 40, 72, 96, 64, 72}},
        {"list one less collapses", 127, 1, {16, 40, 64, 88, 64, 64}},
        {"bar shorter than the buttons", 60, 0, {16, 40, 64, 88, 40, 40}},
    };
    for (const Row& row : rows) {
        const auto layout =
            CPaletteAccordion::LayoutDevice(Buttons(4, 24), list, row.barHeight, row.page);
        EXPECT_EQ(Tops(layout), row.tops) << row.what;
        EXPECT_TRUE(layout.listVisible) << row.what;
        for (const Rect& r : layout.buttons) {
            EXPECT_EQ(r.bottom - r.top, 24) << row.what;
            EXPECT_EQ(r.left, 5) << row.what;
            EXPECT_EQ(r.right, 145) << row.what;
        }
        EXPECT_EQ(layout.list.left, 3) << row.what;
        EXPECT_EQ(layout.list.right, 147) << row.what;
    }
}

TEST(ShellPaletteAccordion, DevicePaletteTakesTheChosenButtonsHeightForAll)
{
    auto buttons = Buttons(4, 24);
    buttons[1].bottom = buttons[1].top + 30; // h 30: stack from 20, list 400 - 150
    const auto layout = CPaletteAccordion::LayoutDevice(buttons, Rect(0, 0, 10, 10), 400, 1);
    EXPECT_EQ(Tops(layout), (std::vector<int>{20, 50, 330, 360, 80, 330}));
    EXPECT_EQ(layout.buttons[3].bottom, 390);
}

TEST(ShellPaletteAccordion, DspPaletteHidesItsListOnAShortBar)
{
    const Rect list(3, 0, 147, 10);
    struct Row {
        const char* what;
        int barHeight;
        int page;
        bool listVisible;
        std::vector<int> tops; // buttons 0-9, list top, list bottom
    };
    const Row rows[] = {
        {"tall bar, first page", 300, 0, true,
         {6, 114, 134, 154, 174, 194, 214, 234, 254, 274, 26, 114}},
        {"tall bar, fourth page", 300, 3, true,
         {6, 26, 46, 66, 174, 194, 214, 234, 254, 274, 86, 174}},
        {"tall bar, last page", 300, 9, true,
         {6, 26, 46, 66, 86, 106, 126, 146, 166, 186, 206, 294}},
        // From ten buttons up to their margins the list is there but empty.
        {"bar of ten buttons", 200, 3, true,
         {6, 26, 46, 66, 86, 106, 126, 146, 166, 186, 86, 86}},
        {"bar one short of ten buttons", 199, 3, false,
         {6, 26, 46, 66, 86, 106, 126, 146, 166, 186, 0, 10}},
    };
    for (const Row& row : rows) {
        const auto layout = CPaletteAccordion::LayoutDsp(Buttons(10, 20), list, row.barHeight,
                                                         row.page);
        EXPECT_EQ(layout.listVisible, row.listVisible) << row.what;
        EXPECT_EQ(Tops(layout), row.tops) << row.what;
        EXPECT_EQ(layout.buttons[5].bottom - layout.buttons[5].top, 20) << row.what;
    }
}

TEST(ShellPaletteAccordion, DspPaletteMeasuresTheFirstButton)
{
    auto buttons = Buttons(10, 20);
    buttons[2].bottom = buttons[2].top + 35; // ignored: page 0's button sets h
    const auto layout = CPaletteAccordion::LayoutDsp(buttons, Rect(0, 0, 10, 10), 300, 2);
    EXPECT_EQ(layout.buttons[2], Rect(5, 46, 145, 66));
    EXPECT_TRUE(CPaletteAccordion::LayoutDsp({}, Rect(), 300, 0).buttons.empty());
}

} // namespace
