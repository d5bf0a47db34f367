#pragma once
// The device editor's dialogs as the program runs them: the three the shell
// asks for (start-up's IP range, the net type, the stored units' list) and
// the sheet window's commands for the IP range, the hardware configuration
// and a device's properties.
#include <cstdint>
#include <optional>
#include <string>

class QWidget;

namespace model {
class CBaseDevice;
}

namespace shell::ui {
class CMainFrame;
}

namespace device_editor {
class CZoDeviceDoc;
}

namespace device_editor::ui {

// Hands the shell its three dialogs over `frame`; they stay until
// UnregisterShellDialogs.
void RegisterShellDialogs(shell::ui::CMainFrame& frame);
void UnregisterShellDialogs();

// The IP range dialog on the program's current range; on OK the frame takes
// the new range. Whether it ended with OK.
bool RunIpRangeDialog(shell::ui::CMainFrame& frame, QWidget* parent);
// The password prompt, then (unless cancelled) the hardware dialog.
void RunHardwareConfigDialogs(shell::ui::CMainFrame& frame, QWidget* parent);
// The property dialog on a unit, generic device or matrix of `doc`: the
// device's name after OK, none on Cancel.
std::optional<std::string> RunDevicePropertyDialog(CZoDeviceDoc& doc, model::CBaseDevice& device,
                                                   QWidget* parent);

} // namespace device_editor::ui
