#pragma once
#include "platform/archive/class_registry.h"

#include <cstdint>
#include <memory>

namespace model {

class CBaseAriModule;

// The algorithm modules of a sheet with `moduleCount` modules in all, as the
// module-count status pane and the property panel show them: the count less
// 14, though a sheet has 16 fixed channel modules.
inline std::int32_t AlgorithmModuleCount(std::int32_t moduleCount) { return moduleCount - 14; }

// An empty module of the class of type code 1-13 (Input, Output, Delay,
// Router, Mixer, -, Dynamic, Generator, Equalizer, Filter, Crossover, Text,
// Meter), made with its default constructor; null for 6 and any other code.
std::unique_ptr<CBaseAriModule> CreateAriModule(std::int32_t typeCode);

// A new module of that class built as a sheet builds it: id, variant, the
// body's top-left corner and, for input and output modules, the unit's
// model row. Null where CreateAriModule gives none.
std::unique_ptr<CBaseAriModule> MakeAriModule(std::int32_t typeCode, std::int32_t id,
                                              std::int32_t variant, std::int32_t x, std::int32_t y,
                                              std::int32_t deviceModel);

// Adds the DSP algorithm module classes (CAri...) to `registry`.
void RegisterAriClasses(platform::archive::class_registry_t& registry);

} // namespace model
