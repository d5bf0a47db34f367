#include "dsp_editor/zo_dsp_view.h"

#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/parameter_copy.h"
#include "model/ari_classes.h"

namespace dsp_editor {

using model::CBaseAriModule;

CDspGestures& CZoDSPView::Gestures() {
    if (!m_gestures)
        m_gestures = std::make_shared<CDspGestures>(*this);
    return *m_gestures;
}

int CZoDSPView::DeviceModelCode() const {
    return m_document.m_deviceModel;
}

std::optional<int> CZoDSPView::ModuleTypeByOrder(int order) const {
    if (const model::CBaseAriModule* module = m_document.GetModuleByOrder(order))
        return module->m_typeCode;
    return std::nullopt;
}

void CZoDSPView::PostToWindow(std::function<void()> call) {
    std::lock_guard lock(m_windowLock);
    if (m_window == nullptr)
        return;
    m_window->Post([alive = std::weak_ptr<int>(m_alive), call = std::move(call)] {
        if (!alive.expired())
            call();
    });
}

void CZoDSPView::CountSelection() {
    m_selectedModules = m_selectedAriModules = m_selectedLinks = 0;
    for (const auto& module : m_document.Modules()) {
        if (module->m_selected == 0)
            continue;
        ++m_selectedModules;
        if (module->m_typeCode != model::kAriInput && module->m_typeCode != model::kAriOutput)
            ++m_selectedAriModules;
    }
    for (const auto& link : m_document.Links())
        m_selectedLinks += link->m_selected != 0 ? 1 : 0;
}

DspStatusFigures CZoDSPView::StatusFigures(bool idsSet) const {
    DspStatusFigures f;
    f.size = {m_document.m_sheetWidth, m_document.m_sheetHeight};
    for (const auto& module : m_document.Modules()) {
        if (module->m_selected != 0) {
            f.size = {module->m_body.Width(), module->m_body.Height()};
            f.position = {module->m_body.left, module->m_body.top};
            break;
        }
    }
    f.modules = static_cast<std::int32_t>(m_document.Modules().size());
    f.selectedModules = m_selectedModules;
    f.links = static_cast<std::int32_t>(m_document.Links().size());
    f.selectedLinks = m_selectedLinks;
    f.idsSet = idsSet;
    f.spaceUsed = m_document.m_spaceTotal;
    f.timeUsed = m_document.m_timeTotal;
    return f;
}

bool CZoDSPView::CanUndo() const {
    const CDSPUndoHistory* history = UndoHistoryOf(m_document);
    return history != nullptr && history->UndoCount() >= 1;
}

bool CZoDSPView::CanRedo() const {
    const CDSPUndoHistory* history = UndoHistoryOf(m_document);
    return history != nullptr && history->RedoCount() >= 1;
}

void CZoDSPView::OnEditUndo() {
    if (CanUndo())
        UndoHistoryOf(m_document)->Undo();
}

void CZoDSPView::OnEditRedo() {
    if (CanRedo())
        UndoHistoryOf(m_document)->Redo();
}

// -- parameters and binding groups

void CZoDSPView::SendParameterChanges(const CBaseAriModule& source, CBaseAriModule& destination,
                                      bool send) {
    dsp_editor::SendParameterChanges(source, destination, send, m_console);
}

void CZoDSPView::OnModuleChanged(const CBaseAriModule& module) {
    if (module.m_group == 0)
        return;
    CDSPUndoHistory* history = UndoHistoryOf(m_document);
    for (const auto& member : m_document.Modules()) {
        if (member->m_id == module.m_id || member->m_typeCode != module.m_typeCode ||
            member->m_subType != module.m_subType || member->m_group != module.m_group)
            continue;
        // Into the step of the change that started this: one undo puts the
        // whole group back.
        CBaseAriModule* after =
            history != nullptr ? history->AddAction(kUndoParameters, *member) : nullptr;
        SendParameterChanges(module, *member, m_document.m_live != 0);
        if (after != nullptr)
            SendParameterChanges(module, *after, false);
        m_document.NotifyModuleChanged(*member);
        RefreshDialogsOf(*member);
    }
}

void CZoDSPView::RefreshDialogsOf(const CBaseAriModule& module) {
    // The all-channels dialogs: id 0 the inputs, 1 the outputs.
    const std::int32_t side = module.m_typeCode == model::kAriInput    ? 0
                              : module.m_typeCode == model::kAriOutput ? 1
                                                                       : -1;
    // A dialog may reach back into the list while it reloads.
    const std::vector<IAttriDialog*> dialogs = m_document.AttriDialogs();
    for (IAttriDialog* dialog : dialogs) {
        const bool single = dialog->GetKind() == 0 && dialog->GetModuleId() == module.m_id;
        const bool all = dialog->GetKind() == 1 && side >= 0 && dialog->GetModuleId() == side;
        if (single || all)
            dialog->RefreshControls();
    }
}

} // namespace dsp_editor
