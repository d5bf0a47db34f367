#pragma once
// The modal editor of the stored units without its widget: the unit list,
// the channel list, add, delete and submit.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_editor/hardware_config.h"
#include "device_editor/unit_configuration.h"

namespace device_editor {

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

} // namespace device_editor
