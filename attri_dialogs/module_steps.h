#pragma once
// The steps of a change one by one, for the dialogs (and the recipe
// itself) that take them apart: the undo step's copy of a module for a
// reset, and a number as a dialog reads it.
#include <string>

#include "dsp_editor/zo_dsp_doc.h"
#include "model/base_ari_module.h"

namespace attri_dialogs::module_steps {

// The undo step's copy of the module: with `merge`, the newest step of this
// module (or a new step); without, an action added to the current step.
// Null when the document keeps no undo history.
model::CBaseAriModule* UndoCopy(dsp_editor::CZoDSPDoc& document, model::CBaseAriModule& module,
                                bool merge);

// A number as typed; what is no finite number reads as 0.
double ReadNumber(const std::string& text);

} // namespace attri_dialogs::module_steps
