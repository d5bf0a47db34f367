#pragma once
// The commands of a DSP view as the main frame routes them to the active
// view (menu 130 and the toolbars 130, 4 and 172): each command's effect
// on the view and the rule that enables or checks it. The window adds the
// commands that need its widgets (the zoom box's selection, print, the
// property panel, the console).
#include <cstdint>
#include <optional>
#include <set>

#include "dsp_editor/dsp_seams.h"
#include "shell/commands.h"

namespace dsp_editor {

class CZoDSPView;

// Command ids of the DSP view.
enum EDspCommand : int {
    kCmdSelectAllLinks = 32790,
    kCmdSelectAllModules = 32791,
    kCmdSelectAll = 32792,
    kCmdCut = 32782,
    kCmdPaste = 32784,
    kCmdCopyParameters = 32785,
    kCmdPasteParameters = 32786,
    kCmdSetParameters = 32794,
    kCmdProperties = 32795,
    kCmdDelete = 32796,
    kCmdCopy = 32805,
    kCmdRedo = 32800,
    kCmdUndo = 32801,
    kCmdDownloadStart = 32802,
    kCmdDownloadStop = 32867,
    kCmdGrid = 32871,
    kCmdNothing = 32887,
    kCmdSetAllChannels = 32889,
    kCmdHideChannels = 32937,
    kCmdShowChannels = 32939,
    kCmdDownloadContinue = 32940,
    kCmdConsole = 32952,
    kCmdStoreTemplates = 32955,
    kCmdSaveAsTemplate = 32959,
    kCmdLoadTemplateFile = 32960,
    kCmdSaveParameters = 33045,
    kCmdLoadParameters = 33046,
    kCmdNewGroup = 33048,
    kCmdJoinGroup = 33051,
    kCmdLeaveGroup = 33052,
    kCmdDissolveGroup = 33054,
};

// The module an add-module command places: its type and variant.
struct AddModuleCommand {
    std::int32_t type = 0;
    std::int32_t variant = 0;
    friend bool operator==(const AddModuleCommand&, const AddModuleCommand&) = default;
};
// None for an id that adds no module.
std::optional<AddModuleCommand> AddModuleOf(int id);

// The context menu after a right click (menu 163): which of its two
// submenus shows, the items greyed and the items taken out, by the
// selection. `clipboardHasContent`: modules wait to be pasted;
// `parametersMatch`: the parameter copy has the type and variant of a
// selected module.
inline constexpr int kContextMenuModules = 0; // "AriModule"
inline constexpr int kContextMenuOthers = 1;  // "Others"
struct DspContextMenu {
    int submenu = kContextMenuOthers;
    std::set<int> greyed;
    std::set<int> removed;
};
DspContextMenu ContextMenuOf(const CZoDSPView& view, bool clipboardHasContent,
                             bool parametersMatch);

// The view as group changes reach it: a changed module's body repaints,
// its dialogs reload.
class CDspGroupView final : public IGroupView {
public:
    explicit CDspGroupView(CZoDSPView& view) : m_view(view) {}
    void RedrawModule(const model::CBaseAriModule& module) override;
    void RefreshAttriDialogs(const model::CBaseAriModule& module) override;

private:
    CZoDSPView& m_view;
};

class CDspViewCommands final : public shell::ICommandTarget {
public:
    // The view outlives the commands.
    explicit CDspViewCommands(CZoDSPView& view) : m_view(view) {}

    std::optional<shell::CCmdUI> UpdateCommand(int id) override;
    bool OnCommand(int id) override;

private:
    CZoDSPView& m_view;
};

} // namespace dsp_editor
