#include "shell/palettes.h"

#include <algorithm>
#include <string_view>

#include "model/device_models.h"
#include "resources/string_table.h"
#include "shell/language.h"

namespace shell {

namespace {

using platform::gdi::Rect;

struct CModuleEntry {
    int data;
    std::string_view chinese;
    std::string_view english;
};

struct CModulePage {
    int image;
    std::vector<CModuleEntry> entries;
};

// The meters' page shows each channel count with its own image.
constexpr int kMeterPage = 8;
constexpr int kFirstMeterImage = 8;

const std::array<CModulePage, kDspPageCount>& ModulePages()
{
    static const std::array<CModulePage, kDspPageCount> pages = {{
        {0, {{301, "5 ms", "5 ms"}, {302, "10 ms", "10 ms"}, {303, "20 ms", "20 ms"},
             {304, "50 ms", "50 ms"}, {305, "100 ms", "100 ms"}}},
        {1, {{401, "4X4", "4X4"}, {402, "8X8", "8X8"}, {403, "16X16", "16X16"}}},
        {2, {{501, "4X1", "4X1"}, {502, "4X2", "4X2"}, {503, "4X4", "4X4"}, {504, "8X1", "8X1"},
             {505, "8X2", "8X2"}, {506, "8X4", "8X4"}, {507, "8X8", "8X8"}}},
        {3, {{701, "自动增益器", "Leveler"}, {702, "压缩器", "Compressor"},
             {703, "限制器", "Limiter"}, {704, "噪声门", "Noise Gate"},
             {705, "扩展器", "Expander"}, {706, "削峰器", "Clipper"}}},
        {5, {{901, "1 波段参数", "1 Band Parametric"}, {903, "3 波段参数", "3 Band Parametric"},
             {905, "5 波段参数", "5 Band Parametric"}, {907, "7 波段参数", "7 Band Parametric"},
             {910, "10 波段参数", "10 Band Parametric"},
             {916, "16 波段参数", "16 Band Parametric"},
             {951, "1/3 倍频程图示", "1/3 Octave Graphic"},
             {952, "2/3 倍频程图示", "2/3 Octave Graphic"},
             {953, "1 倍频程图示", "1 Octave Graphic"}}},
        {6, {{1001, "低通", "Low Pass"}, {1002, "高通", "High Pass"},
             {1003, "低通斜坡", "Lowpass Shelving"}, {1004, "高通斜坡", "Highpass Shelving"}}},
        {7, {{1119, "2 输出", "2 Way"}, {1120, "3 输出", "3 Way"}, {1121, "4 输出", "4 Way"}}},
        {4, {{801, "正弦波", "Sine"}, {802, "白噪声", "White Noise"}}},
        {kFirstMeterImage,
         {{1301, "1 通道", "1 Chnl RMS"}, {1302, "2 通道", "2 Chnl RMS"},
          {1303, "4 通道", "4 Chnl RMS"}, {1304, "8 通道", "8 Chnl RMS"}}},
        {12, {{1201, "文本", "Text"}}},
    }};
    return pages;
}

// The units the palette offers, by model-table row.
constexpr std::array<int, 12> kUnitRows = {0, 1, 2, 3, 4, 5, 6, 7, 8, 18, 19, 20};

struct CDeviceEntry {
    std::string_view caption;
    int model;
};
// Pages 1-3 in item order; their images are 10-17 in the same order.
constexpr std::array<CDeviceEntry, 5> kExternalEntries = {{{"PC", model::kModelPc},
                                                           {"CD", model::kModelCd},
                                                           {"Microphone", model::kModelMp},
                                                           {"Speaker", model::kModelSpeaker},
                                                           {"Amplifier", model::kModelAmplifier}}};
constexpr std::array<CDeviceEntry, 2> kGenericEntries = {
    {{"Generic", model::kModelGeneric}, {"Matrix", model::kModelMatrix}}};
constexpr std::array<CDeviceEntry, 1> kTextEntries = {{{"Text", model::kModelText}}};
constexpr int kFirstExternalImage = 10;

template <std::size_t N>
void AppendEntries(std::vector<CPaletteItem>& items, const std::array<CDeviceEntry, N>& entries,
                   int firstImage)
{
    for (std::size_t i = 0; i < N; ++i)
        items.push_back({std::string(entries[i].caption), firstImage + static_cast<int>(i),
                         entries[i].model});
}

} // namespace

int DevicePageOfButton(int controlId)
{
    const auto it = std::find(kDevicePageButtons.begin(), kDevicePageButtons.end(), controlId);
    return it == kDevicePageButtons.end() ? -1
                                          : static_cast<int>(it - kDevicePageButtons.begin());
}

int DspPageOfButton(int controlId)
{
    const auto it = std::find(kDspPageButtons.begin(), kDspPageButtons.end(), controlId);
    return it == kDspPageButtons.end() ? -1 : static_cast<int>(it - kDspPageButtons.begin());
}

std::vector<CPaletteItem> DevicePaletteItems(int page)
{
    std::vector<CPaletteItem> items;
    switch (page) {
    case 0:
        for (const int row : kUnitRows)
            items.push_back({std::string(model::ModelName(row)), row, row});
        break;
    case 1:
        AppendEntries(items, kExternalEntries, kFirstExternalImage);
        break;
    case 2:
        AppendEntries(items, kGenericEntries,
                      kFirstExternalImage + static_cast<int>(kExternalEntries.size()));
        break;
    case 3:
        AppendEntries(items, kTextEntries,
                      kFirstExternalImage +
                          static_cast<int>(kExternalEntries.size() + kGenericEntries.size()));
        break;
    default:
        break;
    }
    return items;
}

std::vector<CPaletteItem> DspPaletteItems(int page, bool chinese)
{
    std::vector<CPaletteItem> items;
    if (page < 0 || page >= kDspPageCount)
        return items;
    const CModulePage& source = ModulePages()[static_cast<std::size_t>(page)];
    for (std::size_t i = 0; i < source.entries.size(); ++i) {
        const CModuleEntry& entry = source.entries[i];
        const int image = page == kMeterPage ? source.image + static_cast<int>(i) : source.image;
        items.push_back(
            {std::string(chinese ? entry.chinese : entry.english), image, entry.data});
    }
    return items;
}

bool InstalledLanguageIsChinese()
{
    return resources::LoadString(kLanguageNameString) == kChineseLanguageName;
}

std::vector<CPaletteItem> DspPaletteItems(int page)
{
    return DspPaletteItems(page, InstalledLanguageIsChinese());
}

CPalette::CPalette(EPaletteKind kind)
    : m_kind(kind), m_page(kind == EPaletteKind::Device ? 2 : 8)
{
}

bool CPalette::SelectPage(int page)
{
    if (page == m_page)
        return false;
    if (m_kind == EPaletteKind::Device) {
        if (page < 0 || page >= kDevicePageCount)
            return false;
        m_items = DevicePaletteItems(page);
    } else {
        m_items = DspPaletteItems(page);
    }
    m_page = page;
    return true;
}

int CPalette::ItemData(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_items.size()))
        return -1;
    return m_items[static_cast<std::size_t>(row)].data;
}

namespace {

Rect Placed(const Rect& r, int top, int height)
{
    return Rect(r.left, top, r.right, top + height);
}

// Stacks the buttons after `current` from `top` down, `h` high each.
void StackRest(CPaletteLayout& layout, const std::vector<Rect>& buttons, int current, int top,
               int h)
{
    for (std::size_t i = static_cast<std::size_t>(current) + 1; i < buttons.size(); ++i) {
        layout.buttons[i] = Placed(buttons[i], top, h);
        top += h;
    }
}

int ClampPage(const std::vector<Rect>& buttons, int page)
{
    return std::clamp(page, 0, static_cast<int>(buttons.size()) - 1);
}

} // namespace

CPaletteLayout CPaletteAccordion::LayoutDevice(const std::vector<Rect>& buttons, const Rect& list,
                                               int barHeight, int currentPage)
{
    CPaletteLayout layout{buttons, list, true};
    if (buttons.empty())
        return layout;
    const int current = ClampPage(buttons, currentPage);
    const Rect& chosen = buttons[static_cast<std::size_t>(current)];
    const int h = chosen.bottom - chosen.top;
    int top = 2 * (h / 3);
    for (int i = 0; i <= current; ++i) {
        layout.buttons[static_cast<std::size_t>(i)] =
            Placed(buttons[static_cast<std::size_t>(i)], top, h);
        top += h;
    }
    int listHeight = barHeight - 5 * h;
    if (listHeight < h / 3)
        listHeight = 0;
    layout.list = Placed(list, top, listHeight);
    StackRest(layout, buttons, current, top + listHeight, h);
    return layout;
}

CPaletteLayout CPaletteAccordion::LayoutDsp(const std::vector<Rect>& buttons, const Rect& list,
                                            int barHeight, int currentPage)
{
    CPaletteLayout layout{buttons, list, true};
    if (buttons.empty())
        return layout;
    const int current = ClampPage(buttons, currentPage);
    const int h = buttons.front().bottom - buttons.front().top;
    for (int i = 0; i <= current; ++i)
        layout.buttons[static_cast<std::size_t>(i)] =
            Placed(buttons[static_cast<std::size_t>(i)], i * h + h / 3, h);
    const int below = (current + 1) * h + h / 3;
    if (barHeight < 10 * h) {
        layout.listVisible = false;
        StackRest(layout, buttons, current, below, h);
        return layout;
    }
    // Just above ten buttons the margins would leave the list a negative
    // height; it is shown empty instead.
    const int listHeight = std::max(0, barHeight - 10 * h - 2 * (h / 3));
    layout.list = Placed(list, below, listHeight);
    StackRest(layout, buttons, current, below + listHeight, h);
    return layout;
}

} // namespace shell
