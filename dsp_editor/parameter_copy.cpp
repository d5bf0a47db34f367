#include "dsp_editor/parameter_copy.h"

#include "dsp_editor/download_program.h"
#include "model/module_parameters.h"

namespace dsp_editor {

void SendParameterChanges(const model::CBaseAriModule& source, model::CBaseAriModule& destination,
                          bool send, comm::CDSPDlgShowCMD& console) {
    CConsoleSink control(console, false);
    model::CopyModuleParameters(source, destination, send ? &control : nullptr);
}

} // namespace dsp_editor
