#include "device_editor/sheet_dialog_fields.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "model/program_settings.h"
#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"
#include "platform/text/format.h"

namespace device_editor {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::optional<std::int32_t> ParseCount(std::string_view text, std::int32_t low, std::int32_t high) {
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : trimmed) {
        if (c < '0' || c > '9')
            return std::nullopt;
        // Past `high` the value can only grow: stop before it overflows.
        if (value <= high)
            value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string DecimalText(std::int64_t value) {
    return platform::text::format("%d", static_cast<int>(value));
}

bool WriteSheetDefaults(std::string_view section,
                        std::initializer_list<std::pair<std::string_view, std::string>> keys) {
    platform::profile::ini_file_t ini(platform::app_paths::ProgramIniPath());
    bool written = true;
    for (const auto& [key, value] : keys)
        written = ini.write_string(section, key, value) && written;
    model::ReloadProgramSettings();
    return written;
}

} // namespace device_editor
