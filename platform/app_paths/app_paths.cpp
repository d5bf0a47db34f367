#include "platform/app_paths/app_paths.h"

#include <cstdlib>

namespace platform::app_paths {

std::filesystem::path ProgramFolder() {
    if (const char* home = std::getenv("OSTREL_HOME"); home != nullptr && *home != '\0')
        return std::filesystem::path(home);
    const char* user_home = std::getenv("HOME");
    const std::filesystem::path base = user_home != nullptr && *user_home != '\0'
                                           ? std::filesystem::path(user_home)
                                           : std::filesystem::current_path();
    return base / ".local" / "share" / "ostrel";
}

std::filesystem::path ProgramIniPath() {
    return ProgramFolder() / "Ostrel.ini";
}

} // namespace platform::app_paths
