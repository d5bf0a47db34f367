#include "dsp_editor/parameter_copy.h"

#include "dsp_editor/zo_dsp_view.h"
#include "model/module_parameters.h"

namespace dsp_editor {

void SendParameterChanges(const model::CBaseAriModule& source, model::CBaseAriModule& destination,
                          bool send, comm::CDSPDlgShowCMD& console) {
    CConsoleSink control(console, false);
    model::CopyModuleParameters(source, destination, send ? &control : nullptr);
}

CViewParameterHost::CViewParameterHost(CZoDSPView& view)
    : m_view(view), m_control(view.Console(), false) {}

void CViewParameterHost::FollowGroup(const model::CBaseAriModule& module) {
    m_view.OnModuleChanged(module);
}

} // namespace dsp_editor
