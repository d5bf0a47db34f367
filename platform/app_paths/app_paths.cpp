#include "platform/app_paths/app_paths.h"

#include "platform/text/ascii.h"

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

std::optional<std::filesystem::path> FindNoCase(const std::filesystem::path& folder,
                                                std::string_view name) {
    std::error_code ec;
    if (std::filesystem::exists(folder / name, ec))
        return folder / name;
    std::optional<std::filesystem::path> found;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (platform::text::equals_no_case(entry, name) &&
            (!found || entry < found->filename().string()))
            found = it->path();
    }
    return found;
}

} // namespace platform::app_paths
