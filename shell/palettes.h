#pragma once
// The main frame's two palettes: the device palette (list 1008) and the DSP
// module palette (list 1061). Each is a stack of page buttons over one list;
// choosing a page refills the list and moves the buttons so that the list
// lies under the chosen one (an accordion).
//
// An item's data is what the sheet places when the item is dropped: a model
// code for the device palette (the device sheet creates the device by it),
// the module code (type x 100 + variant) for the DSP palette.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/geometry.h"

namespace shell {

inline constexpr int kDevicePaletteList = 1008;
inline constexpr int kDspPaletteList = 1061;
// The control that takes the focus after a DSP page change.
inline constexpr int kDspPaletteFocus = 1213;

inline constexpr int kDevicePageCount = 4;
inline constexpr int kDspPageCount = 10;
// The page buttons in page order.
inline constexpr std::array<int, kDevicePageCount> kDevicePageButtons = {1002, 1003, 1004, 1214};
inline constexpr std::array<int, kDspPageCount> kDspPageButtons = {1062, 1063, 1064, 1065, 1067,
                                                                   1068, 1069, 1066, 1070, 1212};

// The name a Chinese pack gives itself (string 134); with any other name the
// module captions are English.
inline constexpr std::string_view kChineseLanguageName = "简体中文(Simplied Chinese)";

struct CPaletteItem {
    std::string caption;
    int image = 0; // index into the palette's image list
    int data = 0;  // model code or module code
    friend bool operator==(const CPaletteItem&, const CPaletteItem&) = default;
};

// The page a button selects; -1 for another control.
int DevicePageOfButton(int controlId);
int DspPageOfButton(int controlId);

// The device palette's page 0-3; empty for another page. Page 0 holds the
// units by their row of the model table, pages 1-3 the external equipment,
// the generic device and matrix, and the text box by their model codes.
// Images 0-20 follow the palette's image list: a unit row's own index, and
// 10-17 for the items of pages 1-3 in order.
std::vector<CPaletteItem> DevicePaletteItems(int page);

// The DSP palette's page 0-9 with Chinese or English captions; empty for
// another page.
std::vector<CPaletteItem> DspPaletteItems(int page, bool chinese);
// The same with the captions of the installed language.
std::vector<CPaletteItem> DspPaletteItems(int page);
// Whether the installed language shows the Chinese module captions.
bool InstalledLanguageIsChinese();

// Which palette a CPalette shows.
enum class EPaletteKind { Device, Dsp };

// A palette's current page and the items of its list.
class CPalette {
public:
    // The frame builds a palette on a page other than 0 and then selects
    // page 0, so that the first selection always fills the list.
    explicit CPalette(EPaletteKind kind);

    EPaletteKind Kind() const { return m_kind; }
    int Page() const { return m_page; }
    const std::vector<CPaletteItem>& Items() const { return m_items; }

    // Selects `page` and refills the list; false (nothing changes) when it
    // is already the current page. A DSP page outside 0-9 empties the list;
    // a device page outside 0-3 is refused.
    bool SelectPage(int page);
    // The item data of list row `row`, -1 outside the list.
    int ItemData(int row) const;

private:
    EPaletteKind m_kind;
    int m_page;
    std::vector<CPaletteItem> m_items;
};

// Where the frame's layout puts a palette's page buttons and list.
struct CPaletteLayout {
    std::vector<platform::gdi::Rect> buttons; // in page order
    platform::gdi::Rect list;
    bool listVisible = true;
};

// The accordion geometry of the two palette bars, in bar client
// coordinates. Buttons keep their horizontal extent, the list its own.
class CPaletteAccordion {
public:
    // Device palette: h is the current page's button height; the buttons up
    // to the current one stack from 2 x (h div 3), the list follows with
    // barHeight - 5h (0 when that is less than h div 3), then the rest.
    static CPaletteLayout LayoutDevice(const std::vector<platform::gdi::Rect>& buttons,
                                       const platform::gdi::Rect& list, int barHeight,
                                       int currentPage);
    // DSP palette: h is page 0's button height; button i up to the current
    // page at i x h + h div 3; below 10h of bar height the list is hidden,
    // else it takes barHeight - 10h - 2 x (h div 3); then the rest.
    static CPaletteLayout LayoutDsp(const std::vector<platform::gdi::Rect>& buttons,
                                    const platform::gdi::Rect& list, int barHeight,
                                    int currentPage);
};

} // namespace shell
