#include "attri_dialogs/module_reset.h"

#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/live_control.h"

namespace attri_dialogs {

std::unique_ptr<model::CBaseAriModule> ResetValuesOf(const CAttriController& dialog) {
    return dsp_editor::DefaultModuleLike(dialog.Module(), dialog.Document().m_deviceModel);
}

bool ResetUnlessAtDefaults(CAttriController& dialog, bool atDefaults) {
    if (!dialog.Editable() || atDefaults)
        return false;
    model::CBaseAriModule* copy = nullptr;
    if (dsp_editor::CDSPUndoHistory* history = dsp_editor::UndoHistoryOf(dialog.Document()))
        copy = history->AddAction(3, dialog.Module(), 0, 0, true);
    dialog.View().ResetModuleToDefaults(dialog.Module(), copy);
    return true;
}

} // namespace attri_dialogs
