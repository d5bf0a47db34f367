#include "attri_dialogs/module_steps.h"

#include <cmath>

#include "dsp_editor/dsp_undo.h"
#include "platform/text/number.h"

namespace attri_dialogs::module_steps {

model::CBaseAriModule* UndoCopy(dsp_editor::CZoDSPDoc& document, model::CBaseAriModule& module,
                                bool merge) {
    dsp_editor::CDSPUndoHistory* history = dsp_editor::UndoHistoryOf(document);
    return history != nullptr ? history->AddAction(3, module, 0, 0, merge) : nullptr;
}

double ReadNumber(const std::string& text) {
    const double value = platform::text::to_double(text);
    return std::isfinite(value) ? value : 0.0;
}

} // namespace attri_dialogs::module_steps
