#pragma once
// Shared by the DSP module tests: every module class made by type code and
// variant, storing and loading one module in a module array (the form the
// golden streams have), and the program folder every test starts with (one
// without Ostrel.ini, so modules take their default colours).
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/base_ari_module.h"

namespace ari_test {

// Every (type code, variant) the palette offers.
struct TypeVariant {
    std::int32_t type;
    std::int32_t variant;
};
std::vector<TypeVariant> AllTypeVariants();

// A new module of the type's class; input and output modules get unit model
// `modelCode`. Null for a type without a class.
std::unique_ptr<model::CBaseAriModule> MakeModule(std::int32_t type, std::int32_t variant,
                                                  std::int32_t id = 1, std::int32_t x = 0,
                                                  std::int32_t y = 0, std::int32_t modelCode = 0);

// A new module of the same class with CopyFrom(module).
std::unique_ptr<model::CBaseAriModule> CopyModule(const model::CBaseAriModule& module);

// A module array holding `module` (not owned).
std::vector<std::uint8_t> StoreModule(model::CBaseAriModule& module);
// The one module of a module array; archive_error as loading raises it.
std::unique_ptr<model::CBaseAriModule> LoadModule(std::span<const std::uint8_t> bytes);

// Bytes of `value` as the archive stores it.
std::vector<std::uint8_t> Int32Bytes(std::int32_t value);

} // namespace ari_test
