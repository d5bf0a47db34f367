#pragma once
// Where the operator program keeps its own files ("the program folder"): the
// ini file Ostrel.ini, unit configurations, language packs, templates and
// logs. The sheet model and the shell both find their files here.
//
// It is $OSTREL_HOME when that is set and not empty, else
// ~/.local/share/ostrel. Nothing here creates the folder or fills it; the
// application's start-up does that.
#include <filesystem>

namespace platform::app_paths {

std::filesystem::path ProgramFolder();

// Ostrel.ini in the program folder.
std::filesystem::path ProgramIniPath();

} // namespace platform::app_paths
