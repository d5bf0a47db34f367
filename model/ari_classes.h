#pragma once
#include "platform/archive/class_registry.h"

namespace model {

// Adds the DSP algorithm module classes (CAri...) to `registry`.
void RegisterAriClasses(platform::archive::class_registry_t& registry);

} // namespace model
