#pragma once
// The values "set default values" gives a module, for the dialogs that
// judge "already at defaults" field by field.
#include <memory>

#include "attri_dialogs/attri_controller.h"

namespace attri_dialogs {

// A new module of the dialog module's type and variant: the values a reset
// gives it. Null for a type without a class.
std::unique_ptr<model::CBaseAriModule> ResetValuesOf(const CAttriController& dialog);

} // namespace attri_dialogs
