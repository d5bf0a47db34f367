#include "dsp_editor/dsp_clipboard.h"

#include <utility>

namespace dsp_editor {

using model::CBaseAriModule;

void CDspClipboard::SetModules(ModuleCopies copies) {
    m_modules = std::move(copies);
    m_pastes = 0;
}

void CDspClipboard::SetParameters(std::unique_ptr<CBaseAriModule> copy) {
    m_parameters = std::move(copy);
}

} // namespace dsp_editor
