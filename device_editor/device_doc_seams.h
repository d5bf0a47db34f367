#pragma once
// What the device document needs of the windows around it, as small
// interfaces: the main frame's records and panes, the dialogs a palette drop
// opens, and the status windows of monitored amplifier units. The program
// implements them over its windows; tests script them.
#include <cstdint>
#include <optional>
#include <string>

namespace model {
class CDeviceText;
} // namespace model

namespace device_editor {

class CZoDeviceDoc;

// The main frame as the device document sees it.
class IDeviceMainFrame {
public:
    virtual ~IDeviceMainFrame() = default;
    // Empties the output list (the lines device-sheet commands report).
    virtual void ClearOutputList() = 0;
    // Forgets that the output bar is shown.
    virtual void ClearOutputBarShown() = 0;
    // Forgets the downloading frame and view.
    virtual void ClearDownloadingRecord() = 0;
    // The path of the device sheet's file: set by every load and store,
    // cleared ("") when a device document goes.
    virtual void SetDeviceDocumentPath(const std::string& path) = 0;
    // Repaints status bar panes: selector 0 the address panes, 1 the sheet
    // colours, 2 the sheet size.
    virtual void UpdateStatusPanes(int selector) = 0;
    // Redraws the frame titles from their documents' titles.
    virtual void RefreshFrameTitles() = 0;
};

// What the add-generic-device dialog returns on OK.
struct GenericDeviceEntry {
    std::string name;
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
};

// The dialogs a palette drop opens.
class IDeviceDocDialogs {
public:
    virtual ~IDeviceDocDialogs() = default;
    // The add-generic-device dialog, opened with a proposed name; nothing on
    // Cancel.
    virtual std::optional<GenericDeviceEntry> AddGeneric(const std::string& name) = 0;
    // The text property dialog on a new text box; it writes what the user
    // chose into the box (the text into its name). False on Cancel.
    virtual bool EditText(model::CDeviceText& text) = 0;
};

// An open status window of a monitored amplifier unit. The document owns
// it; destroying it removes the window.
class IDeviceStatusWindow {
public:
    virtual ~IDeviceStatusWindow() = default;
    // The device it shows, (id, sub-type).
    virtual std::int32_t DeviceId() const = 0;
    virtual std::int32_t DeviceSubType() const = 0;
};

} // namespace device_editor
