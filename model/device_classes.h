#pragma once
#include "platform/archive/class_registry.h"

namespace model {

// Adds the device sheet classes (devices, device channels, device links).
void RegisterDeviceClasses(platform::archive::class_registry_t& registry);

} // namespace model
