#pragma once
// Where the operator program keeps its own files ("the program folder"): the
// ini file Ostrel.ini, unit configurations, language packs, templates and
// logs. The sheet model and the shell both find their files here.
//
// It is $OSTREL_HOME when that is set and not empty, else
// ~/.local/share/ostrel. Nothing here creates the folder or fills it; the
// application's start-up does that.
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform::app_paths {

std::filesystem::path ProgramFolder();

// Ostrel.ini in the program folder.
std::filesystem::path ProgramIniPath();

// The entry of `folder` named `name` without regard to ASCII case, as the
// program's files were found where they came from: the exact name preferred,
// else of several spellings the same one every time; none when there is no
// such entry.
std::optional<std::filesystem::path> FindNoCase(const std::filesystem::path& folder,
                                                std::string_view name);

} // namespace platform::app_paths
