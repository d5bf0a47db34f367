#pragma once
// Where the program keeps its own files ("the program folder"): the ini file
// Ostrel.ini, unit configurations, language packs, templates and logs.
//
// It is $OSTREL_HOME when that is set and not empty, else
// ~/.local/share/ostrel. Nothing here creates the folder or fills it; the
// application's start-up does that.
#include <filesystem>

namespace model {

std::filesystem::path ProgramFolder();

// Ostrel.ini in the program folder.
std::filesystem::path ProgramIniPath();

} // namespace model
