#pragma once
// Parameter templates: the parameters of one algorithm module kept under a
// name in a file of its own (.amu), to be loaded into modules of the same
// type and variant later, on any sheet.
//
// The files live in the folder "AttriModules" of the program folder, each
// named "<type name><variant>_<template name>.amu" ("Equalizer3_EQ 1.amu").
// The file form (archive forms, little-endian): the tag "AriModule" and the
// template name (archive strings), the version (int32, 2; 1 is read alike),
// the module's type code and variant (int32 each), then the module as its
// Serialize stores it, without a class tag in front: the header names the
// class, and the module's own part is read with the version as its schema.
//
// A file may have been renamed or copied by hand: its name says nothing
// sure; what it holds, and the path it was found under, count.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/base_ari_module.h"

namespace dsp_editor {

inline constexpr std::string_view kAmuTag = "AriModule";
inline constexpr std::int32_t kAmuVersion = 2;
// The characters a template name must not hold: it becomes part of a file
// name.
inline constexpr std::string_view kAmuForbiddenCharacters = "\\/:*?\"<>|";

// The folder of the parameter templates: the program folder's
// "AttriModules", found without regard to case; that name when it does not
// exist yet.
std::filesystem::path ParameterTemplateFolder();

// The file name of template `name` of the module's type and variant.
std::string ParameterTemplateFileName(const model::CBaseAriModule& module, std::string_view name);

// The file form of template `name` holding the module's parameters.
std::vector<std::uint8_t> StoreParameterTemplate(std::string_view name,
                                                 model::CBaseAriModule& module);

// A template read back for a module of the type and variant: the module
// made from it, else the message of the first check that failed: 479 when
// the tag is not "AriModule", the stored name is not `expectedName` (when
// given) or the module does not load; 482 for another version; 480 for
// another type or variant; 481 when the type makes no module.
struct LoadedAmu {
    int problem = 0;
    std::string name;
    std::unique_ptr<model::CBaseAriModule> module;
};
LoadedAmu LoadParameterTemplate(std::span<const std::uint8_t> bytes, std::int32_t type,
                                std::int32_t variant,
                                std::optional<std::string_view> expectedName = std::nullopt);

// One template file found for a module: the name stored in it and the path
// of the file it was found in.
struct ParameterTemplateRow {
    std::string name;
    std::filesystem::path path;
    friend bool operator==(const ParameterTemplateRow&, const ParameterTemplateRow&) = default;
};

// The templates of the folder for modules of the type and variant, by file
// name: every regular file that LoadParameterTemplate reads as one. A file
// that cannot be read, is cut short or is no archive is passed over, as is
// a folder that does not exist.
std::vector<ParameterTemplateRow> ListParameterTemplates(const std::filesystem::path& folder,
                                                         std::int32_t type, std::int32_t variant);

} // namespace dsp_editor
