#include "dsp_editor/zo_dsp_view.h"

#include "dsp_editor/dsp_undo.h"

namespace dsp_editor {

int CZoDSPView::DeviceModelCode() const {
    return m_document.m_deviceModel;
}

std::optional<int> CZoDSPView::ModuleTypeByOrder(int order) const {
    if (const model::CBaseAriModule* module = m_document.GetModuleByOrder(order))
        return module->m_typeCode;
    return std::nullopt;
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

} // namespace dsp_editor
