#include "attri_dialogs/module_reset.h"

#include "dsp_editor/live_control.h"

namespace attri_dialogs {

std::unique_ptr<model::CBaseAriModule> ResetValuesOf(const CAttriController& dialog) {
    return dsp_editor::DefaultModuleLike(dialog.Module(), dialog.Document().m_deviceModel);
}

} // namespace attri_dialogs
