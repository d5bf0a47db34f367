#pragma once
// The logic of the hardware-configuration dialogs without their widgets:
// the modal editor of the stored units (unit list, channel list, add,
// delete, submit), the add dialog's serial number, and the modeless
// read-only view. The widgets show what these hold and pass the user's
// actions on; messages and questions go through model/messages.h.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_editor/unit_configuration.h"
#include "resources/message_ids.h"

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

// CDeviceDlgAddConfig: a model combo (AddableUnitModels(), first selected)
// and three serial groups of 6, 4 and 8 characters.
class CAddConfigController {
public:
    // -1 no move; else the group (0-2) the focus moves to.
    int SetGroup(int group, std::string_view text);
    const std::string& Group(int group) const { return m_groups[group]; }
    void SelectModel(int index) { m_model = index; }
    int SelectedModel() const { return m_model; }
    // OK is enabled exactly then: 6, 4 and 8 characters and the serial
    // parses.
    bool IsSerialComplete() const;
    // OK: the new unit, or none after message resources::kMsgSerialFormat with the
    // group at fault in `focus`.
    std::optional<NewUnit> Accept(int& focus) const;

private:
    std::string m_groups[3];
    int m_model = 0;
};

// CDeviceDlgDeviceConfig. The unit list holds the accepted unit files; one
// of them is the current unit whose listed channels the channel list
// edits. The modified flag is set by an edit of the channel list and
// guards every way that would drop the edits (another unit, exit, close).
class CDeviceConfigController {
public:
    struct UnitRow {
        std::string macDigits; // six, lower case
        std::string model;     // upper case
        std::string serial;    // upper case
    };

    CDeviceConfigController(std::filesystem::path programFolder, IHardwareConfigFrame& frame);

    // Opening: creates the Configuration folder when missing, then lists
    // the units; the first becomes current. False when the folder could
    // not be made (the lists stay empty).
    bool Open();

    const std::vector<UnitRow>& Units() const { return m_units; }
    const std::string& CurrentMac() const { return m_currentMac; }
    const std::string& CurrentModel() const { return m_currentModel; }
    // The current unit's row, -1 when there is none.
    int CurrentRow() const;
    // The channel list: label "In n"/"Out n", item data 0 input, 1 output.
    const std::vector<UnitChannelRow>& Channels() const { return m_channels; }
    static std::string ChannelLabel(const UnitChannelRow& row);
    // "通道配置", with "(<MAC digits>)" while a unit is current.
    std::string ChannelFrameCaption() const;
    // The type column's choices for a row ("Mic" for inputs only).
    static std::vector<std::string> TypeChoices(bool output);

    // An edit of the channel list's type or validity; sets the flag.
    void EditChannel(int row, std::string_view type, bool inUse);
    bool IsModified() const { return m_modified; }
    // "提交" is enabled while edits wait.
    bool IsSubmitEnabled() const { return m_modified; }

    // The unit list's selection moved to `row`: another unit is shown
    // (after the save question when edits wait).
    void SelectUnit(int row);
    // "增加" with the add dialog's result (none: it was cancelled).
    void Add(const std::optional<NewUnit>& unit);
    // "删除" the current unit.
    void Delete();
    // "提交".
    void Submit();
    // "退出" and the close box: the save question when edits wait.
    void Exit();

private:
    void ShowUnit(const std::string& macDigits, const std::string& model);
    bool SubmitChannels();
    void ClearCurrent();

    CUnitConfigFile m_file;
    IHardwareConfigFrame& m_frame;
    std::vector<UnitRow> m_units;
    std::vector<UnitChannelRow> m_channels;
    std::string m_currentMac;
    std::string m_currentModel;
    bool m_modified = false;
};

// CDeviceDlgConfigView: the accepted unit files, 12-character MAC in lower
// case and model.
class CConfigViewController {
public:
    struct Row {
        std::string mac;
        std::string model;
    };
    CConfigViewController(std::filesystem::path programFolder, IHardwareConfigFrame& frame);
    // Lists the files again.
    void Refresh();
    const std::vector<Row>& Rows() const { return m_rows; }
    // The window closes: the frame destroys it on this code.
    void Close() { m_frame.Notify(kNotifyCloseHwConfig); }

private:
    CUnitConfigFile m_file;
    IHardwareConfigFrame& m_frame;
    std::vector<Row> m_rows;
};

} // namespace device_editor
