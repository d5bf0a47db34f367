#pragma once
// Commands of the main window's menus and toolbars, routed the way the
// framework routes them: the active view first, then the main frame. A
// command no target takes is disabled.
#include <optional>

namespace shell {

// What a target says of a command: whether it may run now and whether its
// menu item or button shows checked.
struct CCmdUI {
    bool enabled = true;
    bool checked = false;
    friend bool operator==(const CCmdUI&, const CCmdUI&) = default;
};

class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;
    // None when the command is not this target's.
    virtual std::optional<CCmdUI> UpdateCommand(int id) = 0;
    // Runs it; false when the command is not this target's.
    virtual bool OnCommand(int id) = 0;
};

// Standard command ids of the framework's menus.
enum EStandardCommand : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_WINDOW_ARRANGE = 57649,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// The main frame's own commands.
enum EFrameCommand : int {
    ID_DOWNLOAD_DEVICE_SHEET = 32924,
    ID_LEAVE_RUN = 32925,
    ID_VIEW_OUTPUT = 32922,
    ID_LANGUAGE = 32929,
    ID_DSP_TEMPLATE = 32956,
    ID_NET_TYPE = 33038,
    ID_VIEW_HWCONFIG = 32932,
};

// The zoom combo box of the DSP arrangement toolbar; its selection change
// reaches the active view as this command.
inline constexpr int kZoomCombo = 1178;

} // namespace shell
