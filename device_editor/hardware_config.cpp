#include "device_editor/hardware_config.h"

#include <algorithm>
#include <system_error>

#include "platform/text/ascii.h"

namespace device_editor {

std::string LowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), platform::text::ascii_lower);
    return out;
}

bool DirectoryExists(const std::filesystem::path& path) {
    std::filesystem::path p = path;
    if (!p.has_filename() && p.has_parent_path())
        p = p.parent_path();
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}

bool CreateDirectoryPath(const std::filesystem::path& path) {
    if (DirectoryExists(path))
        return true;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return DirectoryExists(path);
}

} // namespace device_editor
