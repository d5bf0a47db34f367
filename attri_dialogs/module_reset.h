#pragma once
// "Set default values" judged by the parameters a reset sets, compared
// field by field with a new module of the same type and variant. The
// dialogs that use it need the comparison to ignore what a reset leaves
// alone (the selection flag in particular: a dialog's module is usually the
// selected one).
#include <memory>

#include "attri_dialogs/attri_controller.h"

namespace attri_dialogs {

// A new module of the dialog module's type and variant: the values a reset
// gives it. Null for a type without a class.
std::unique_ptr<model::CBaseAriModule> ResetValuesOf(const CAttriController& dialog);

// Editable and not `atDefaults`: one undo step (merged with the module's
// newest) and the view's reset of the module and its undo copy. Whether
// the module was reset.
bool ResetUnlessAtDefaults(CAttriController& dialog, bool atDefaults);

} // namespace attri_dialogs
