#pragma once
// What the hardware-configuration dialogs share without their widgets: the
// main frame as they reach it, the codes it is sent when the units change,
// the Configuration folder's helpers and the unit the add dialog hands over.
// Each dialog's logic is its own controller (add_config_controller.h,
// device_config_controller.h, config_view_controller.h); the widgets show
// what these hold and pass the user's actions on; messages and questions go
// through model/messages.h.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace device_editor {

// Codes the main frame is sent (with wParam 0) when the units change.
inline constexpr int kNotifyCloseHwConfig = 0x405;
inline constexpr int kNotifyRefreshHwConfig = 0x406;
inline constexpr int kNotifyReloadUnitConfig = 0x407;
inline constexpr int kNotifyRefreshHwConfigDevices = 0x408;

// The main frame as these dialogs reach it.
class IHardwareConfigFrame {
public:
    virtual ~IHardwareConfigFrame() = default;
    // The changed-unit text: "00602B" and the unit's six MAC digits.
    virtual void SetChangedUnit(const std::string& text) = 0;
    // WM_APPNOTIFY with the code.
    virtual void Notify(int code) = 0;
};

// True when `path`, less one trailing separator, names a directory.
bool DirectoryExists(const std::filesystem::path& path);
// Makes the directory and every missing one above it; whether it exists
// afterwards.
bool CreateDirectoryPath(const std::filesystem::path& path);

// What the add dialog hands over on OK.
struct NewUnit {
    std::string serial;    // the three groups joined by "-"
    std::string modelName; // as the model table names it
    std::int32_t modelCode = 0;
    std::string macDigits; // the first group, lower case
    std::int32_t bundle1 = 0;
    int inputs = 0;
    int outputs = 0;
};

// The text with its ASCII letters in lower case.
std::string LowerCase(std::string_view text);

} // namespace device_editor
