#pragma once
// The class registry of the sheet objects: what a document loader may
// create by the class names its files carry.
#include "platform/archive/class_registry.h"

namespace model {

// Adds every sheet object class of the model to `registry`.
void RegisterSheetClasses(platform::archive::class_registry_t& registry);

// One registry of every sheet object class, made on first use.
const platform::archive::class_registry_t& SheetClasses();

} // namespace model
