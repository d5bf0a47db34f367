#pragma once
// The main window's menus and toolbars as tables: which commands they hold,
// in which order, with the built-in Chinese texts. The installed language
// pack's [Menu <id>] section translates a menu's entries by command id (a
// popup by its own small id); a toolbar button's tip is the string of its
// command id.
#include <string>
#include <vector>

namespace shell {

// Menu resources.
inline constexpr int kMenuMain = 128;    // no document open
inline constexpr int kMenuDevice = 129;  // a device sheet is active
inline constexpr int kMenuDsp = 130;     // a DSP configuration is active
inline constexpr int kMenuArrange = 164; // the arrangement drop-downs
inline constexpr int kMenuModules = 166; // the module drop-downs
inline constexpr int kMenuDspContext = 163; // a DSP view's context menu
inline constexpr int kMenuDeviceContext = 162; // a device view's context menu
inline constexpr int kMenuAttriQuick = 165; // an attribute dialog's background menu

// The place in a File menu where the recent files go.
inline constexpr int kRecentFilesPlace = 57616;

struct CMenuEntry {
    // A command id; for a popup its key in the pack (1, 2, ...); 0 for a
    // separator.
    int id = 0;
    std::string text;
    std::vector<CMenuEntry> items; // a popup's entries
    bool IsPopup() const { return !items.empty(); }
    bool IsSeparator() const { return id == 0; }
};

// The popups of a menu resource in order; empty for an unknown id.
const std::vector<CMenuEntry>& MenuResource(int id);

// Toolbar resources.
inline constexpr int kToolbarStandard = 129; // device sheets
inline constexpr int kToolbarSpecial = 241;  // device sheets
inline constexpr int kToolbarDsp = 130;      // DSP configurations
inline constexpr int kToolbarArrange = 4;    // DSP configurations
inline constexpr int kToolbarModules = 172;  // DSP configurations

struct CToolbarButton {
    int id = 0; // 0 for a separator
    // The submenu of kMenuArrange or kMenuModules the button's arrow opens;
    // -1 for a plain button.
    int dropDown = -1;
};

// The buttons of a toolbar in order; the zoom combo stands in the
// arrangement toolbar as a button with id kZoomCombo. Empty for an unknown
// id.
const std::vector<CToolbarButton>& ToolbarResource(int id);
// The menu whose submenus a toolbar's drop-downs open; 0 for none.
int ToolbarDropDownMenu(int toolbarId);

} // namespace shell
