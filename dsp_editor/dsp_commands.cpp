#include "dsp_editor/dsp_commands.h"

#include <map>

#include "dsp_editor/binding_groups.h"
#include "dsp_editor/dsp_arrangement.h"
#include "dsp_editor/dsp_clipboard.h"
#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/dsp_view_paint.h"
#include "dsp_editor/parameter_template_controller.h"
#include "dsp_editor/zo_dsp_view.h"

namespace dsp_editor {

std::optional<AddModuleCommand> AddModuleOf(int id) {
    using namespace model;
    static const std::map<int, AddModuleCommand> commands = [] {
        std::map<int, AddModuleCommand> table;
        const auto add = [&](std::int32_t type, std::initializer_list<int> ids,
                             std::initializer_list<std::int32_t> variants) {
            auto variant = variants.begin();
            for (int id : ids)
                table[id] = {type, *variant++};
        };
        add(kAriDelay, {32808, 32809, 32810, 32811, 32812}, {1, 2, 3, 4, 5});
        add(kAriRouter, {32813, 32814, 32816}, {1, 2, 3});
        add(kAriMixer, {32817, 33017, 32818, 32819, 33018, 33019, 32821, 32879},
            {1, 2, 3, 4, 5, 6, 7, 8});
        add(kAriDynamic, {32822, 32823, 32824, 32825, 32826, 33020}, {1, 2, 3, 4, 5, 6});
        add(kAriGenerator, {32827, 32828, 32829}, {1, 2, 3});
        add(kAriEqualizer, {32831, 32832, 32833, 32834, 32835, 32836, 32837, 32838, 32839},
            {1, 3, 5, 7, 10, 16, 51, 52, 53});
        add(kAriFilter, {32840, 32842, 32844, 32845}, {1, 2, 3, 4});
        add(kAriCrossover, {32846, 32847, 32848}, {19, 20, 21});
        add(kAriMeter, {32849, 32851, 32852, 32853}, {1, 2, 3, 4});
        add(kAriText, {32875}, {1});
        return table;
    }();
    const auto found = commands.find(id);
    if (found == commands.end())
        return std::nullopt;
    return found->second;
}

namespace {

// The selected modules in array order.
std::vector<model::CBaseAriModule*> SelectedModules(const CZoDSPDoc& doc) {
    std::vector<model::CBaseAriModule*> selected;
    for (const auto& module : doc.Modules())
        if (module->m_selected != 0)
            selected.push_back(module.get());
    return selected;
}

// The input and output modules become hidden or shown: one step, one
// action for each that changes.
void SetChannelsHidden(CZoDSPView& view, const std::vector<model::CBaseAriModule*>& modules,
                       std::int32_t hidden) {
    CZoDSPDoc& doc = view.GetDocument();
    CDSPUndoHistory* history = UndoHistoryOf(doc);
    if (history != nullptr)
        history->BeginStep();
    for (model::CBaseAriModule* module : modules) {
        if (!module->IsChannelModule() || module->m_hidden == hidden)
            continue;
        if (history != nullptr)
            history->AddHideAction(*module, hidden);
        module->m_hidden = hidden;
    }
    doc.m_hiddenModules = hidden;
    if (IDspViewWindow* window = view.Window())
        window->Repaint();
}

} // namespace

void CDspGroupView::RedrawModule(const model::CBaseAriModule& module) {
    if (IDspViewWindow* window = m_view.Window())
        window->InvalidateSheet(ModuleBounds(module));
}

void CDspGroupView::RefreshAttriDialogs(const model::CBaseAriModule& module) {
    m_view.RefreshDialogsOf(module);
}

DspContextMenu ContextMenuOf(const CZoDSPView& view, bool clipboardHasContent,
                             bool parametersMatch) {
    DspContextMenu menu;
    if (!clipboardHasContent)
        menu.greyed.insert(kCmdPaste);
    const std::int32_t modules = view.m_selectedModules;
    if (modules == 0) {
        if (view.m_selectedLinks == 0)
            menu.greyed.insert(kCmdDelete);
        return menu;
    }
    menu.submenu = kContextMenuModules;
    const bool busy = view.Download().m_progress != 0 || view.Download().m_commFault != 0;
    if (modules == 1 && view.m_selectedLinks == 0) {
        const std::vector<model::CBaseAriModule*> selected = SelectedModules(view.GetDocument());
        const model::CBaseAriModule* first = selected.empty() ? nullptr : selected.front();
        if (first != nullptr && first->IsChannelModule())
            menu.greyed.insert({kCmdDelete, kCmdCut, kCmdCopy});
        else
            menu.removed.insert(kCmdSetAllChannels);
        if (busy)
            menu.greyed.insert(kCmdSetParameters);
        if (!parametersMatch)
            menu.greyed.insert(kCmdPasteParameters);
        if (first == nullptr || first->m_group == 0)
            menu.greyed.insert({kCmdLeaveGroup, kCmdDissolveGroup});
        else
            menu.greyed.insert({kCmdNewGroup, kCmdJoinGroup});
        return menu;
    }
    if (view.m_selectedAriModules == 0)
        menu.greyed.insert({kCmdDelete, kCmdCut, kCmdCopy});
    menu.greyed.insert({kCmdCopyParameters, kCmdSetParameters, kCmdSetAllChannels,
                        kCmdPasteParameters, kCmdSaveParameters, kCmdLoadParameters, kCmdNewGroup,
                        kCmdJoinGroup, kCmdLeaveGroup, kCmdDissolveGroup});
    return menu;
}

std::optional<shell::CCmdUI> CDspViewCommands::UpdateCommand(int id) {
    const auto enabled = [](bool on) { return shell::CCmdUI{on, false}; };
    switch (id) {
    case kCmdUndo:
        return enabled(m_view.CanUndo());
    case kCmdRedo:
        return enabled(m_view.CanRedo());
    case kCmdSelectAllLinks:
    case kCmdSelectAllModules:
    case kCmdSelectAll:
    case kCmdNothing:
    case kCmdSaveAsTemplate:
        return enabled(true);
    case kCmdDelete:
        return enabled(m_view.m_selectedModules > 0 || m_view.m_selectedLinks > 0);
    case kCmdSetParameters:
        return enabled(m_view.m_selectedModules == 1);
    case kCmdSetAllChannels:
    case kCmdHideChannels:
        return enabled(m_view.m_selectedModules > 0 && m_view.m_selectedAriModules == 0 &&
                       (id == kCmdHideChannels || m_view.m_selectedLinks == 0));
    case kCmdShowChannels:
        return enabled(m_view.GetDocument().m_hiddenModules != 0);
    case kCmdLeaveGroup:
    case kCmdDissolveGroup:
    case kCmdSaveParameters:
    case kCmdLoadParameters:
        return enabled(true);
    case kCmdCopy:
    case kCmdCut:
        return enabled(m_view.ClipboardCommands().CanCopy());
    case kCmdPaste:
        return enabled(m_view.ClipboardCommands().CanPaste());
    case kCmdCopyParameters:
        return enabled(m_view.ClipboardCommands().CanCopyParameters());
    case kCmdPasteParameters:
        return enabled(m_view.ClipboardCommands().CanPasteParameters());
    case kCmdZoomIn:
        return enabled(m_view.Zoom().CanZoomIn());
    case kCmdZoomOut:
        return enabled(m_view.Zoom().CanZoomOut());
    case kCmdZoomNormal:
        return enabled(m_view.Zoom().CanZoomNormal());
    case kCmdGrid:
        return shell::CCmdUI{true, m_view.Zoom().m_paint.gridVisible};
    case kCmdDownloadStart:
        return enabled(m_view.Download().CanStartDownload());
    case kCmdDownloadStop:
        return enabled(m_view.Download().CanStopDownload());
    case kCmdDownloadContinue:
        return enabled(m_view.Download().CanContinueDownload());
    case kCmdStoreTemplates:
        return enabled(m_view.StoredTemplates().CanStoreTemplates());
    case kCmdLoadTemplateFile:
        return enabled(m_view.SheetTemplates().CanLoadTemplateFile());
    default:
        if (const auto how = ArrangementOf(id))
            return enabled(m_view.Arrangement().CanArrange(*how));
        if (AddModuleOf(id))
            return enabled(m_view.GetDocument().m_live == 0 && m_view.Download().m_progress == 0 &&
                           m_view.Download().m_commFault == 0);
        return std::nullopt;
    }
}

bool CDspViewCommands::OnCommand(int id) {
    switch (id) {
    case kCmdUndo:
        m_view.OnEditUndo();
        return true;
    case kCmdRedo:
        m_view.OnEditRedo();
        return true;
    case kCmdSelectAllLinks:
        m_view.Gestures().OnSelectAllLinks();
        return true;
    case kCmdSelectAllModules:
        m_view.Gestures().OnSelectAllModules();
        return true;
    case kCmdSelectAll:
        m_view.Gestures().OnSelectAll();
        return true;
    case kCmdDelete:
        m_view.Gestures().OnEditDelete();
        return true;
    case kCmdSetParameters:
    case kCmdSetAllChannels: {
        const std::vector<model::CBaseAriModule*> selected = SelectedModules(m_view.GetDocument());
        if (selected.empty())
            return true;
        model::CBaseAriModule& module = *selected.front();
        if (id == kCmdSetParameters)
            m_view.GetDocument().SelectModule(module);
        m_view.ShowAttriDialog(module, id == kCmdSetAllChannels);
        return true;
    }
    case kCmdSaveParameters:
        OnSaveAriModule(m_view);
        return true;
    case kCmdCopy:
        m_view.ClipboardCommands().OnEditCopy();
        return true;
    case kCmdCut:
        m_view.ClipboardCommands().OnEditCut();
        return true;
    case kCmdPaste:
        m_view.ClipboardCommands().OnEditPaste();
        return true;
    case kCmdCopyParameters:
        m_view.ClipboardCommands().OnCopyParameters();
        return true;
    case kCmdPasteParameters:
        m_view.ClipboardCommands().OnPasteParameters();
        return true;
    case kCmdLoadParameters:
        OnLoadAriModule(m_view);
        return true;
    case kCmdHideChannels:
        SetChannelsHidden(m_view, SelectedModules(m_view.GetDocument()), 1);
        return true;
    case kCmdShowChannels: {
        std::vector<model::CBaseAriModule*> all;
        for (const auto& module : m_view.GetDocument().Modules())
            all.push_back(module.get());
        SetChannelsHidden(m_view, all, 0);
        return true;
    }
    case kCmdLeaveGroup:
    case kCmdDissolveGroup: {
        CDspGroupView groupView(m_view);
        if (id == kCmdLeaveGroup)
            LeaveGroups(m_view.GetDocument(), &groupView);
        else
            DissolveGroups(m_view.GetDocument(), &groupView);
        return true;
    }
    case kCmdZoomIn:
        m_view.Zoom().OnZoomIn();
        return true;
    case kCmdZoomOut:
        m_view.Zoom().OnZoomOut();
        return true;
    case kCmdZoomNormal:
        m_view.Zoom().OnZoomNormal();
        return true;
    case kCmdGrid:
        m_view.Zoom().m_paint.gridVisible = !m_view.Zoom().m_paint.gridVisible;
        if (IDspViewWindow* window = m_view.Window())
            window->Repaint();
        return true;
    case kCmdNothing:
        return true;
    case kCmdDownloadStart:
        m_view.Download().OnDownloadStart();
        return true;
    case kCmdDownloadStop:
        m_view.Download().OnDownloadStop();
        return true;
    case kCmdDownloadContinue:
        m_view.Download().OnDownloadContinue();
        return true;
    case kCmdStoreTemplates:
        m_view.StoredTemplates().OnSolidifyTemplates();
        return true;
    case kCmdSaveAsTemplate:
        m_view.SheetTemplates().SaveAsTemplate();
        return true;
    case kCmdLoadTemplateFile:
        m_view.SheetTemplates().OnLoadTemplateFile();
        return true;
    default:
        if (const auto how = ArrangementOf(id)) {
            m_view.Arrangement().Arrange(*how);
            return true;
        }
        if (const std::optional<AddModuleCommand> add = AddModuleOf(id)) {
            m_view.Gestures().AddModuleAtScroll(add->type, add->variant);
            return true;
        }
        return false;
    }
}

} // namespace dsp_editor
