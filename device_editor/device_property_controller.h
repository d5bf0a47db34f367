#pragma once
// The logic of the device and channel property dialog without its widget:
// name, the stored unit it stands for (by MAC), channel names and the four
// display colours of a unit, a generic device or a matrix, and of the
// unit's other half (its twin) alongside.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device_editor/zo_device_doc.h"
#include "model/base_device.h"
#include "model/gdi_types.h"

namespace device_editor {

// The colour slots as the dialog's swatches name them, indexes into the
// device's colours.
enum class EDeviceColour { Back = 0, Fore = 1, Other = 2, Title = 3 };

class CDevicePropertyController {
public:
    struct ChannelRow {
        std::string name;
        int number = 0; // from 1 within inputs or outputs
        bool output = false;
    };

    // Units, generic devices and matrices have this dialog; nothing else.
    static bool Handles(const model::CBaseDevice& device);

    // `device` belongs to `doc`; unit files are found under
    // `programFolder`.
    CDevicePropertyController(CZoDeviceDoc& doc, model::CBaseDevice& device,
                              std::filesystem::path programFolder);

    const std::string& Name() const { return m_name; }
    std::string ModelName() const;
    // The MAC combo: the device's own 12-character MAC alone, or the stored
    // units of its model that no other device of the sheet uses. Disabled
    // (empty) for generic devices and matrices.
    const std::vector<std::string>& MacChoices() const { return m_macs; }
    bool HasMacChoice() const { return m_device.m_kind == model::kDeviceUnit; }
    const std::vector<ChannelRow>& Channels() const { return m_channels; }

    // A swatch's colour chosen: the device and its twin take it at once.
    void SetColour(EDeviceColour slot, model::COLORREF colour);
    model::COLORREF Colour(EDeviceColour slot) const;
    // "保存为默认": [ColorScheme] <model>Back/Fore/Title/Other in `iniPath`,
    // then the settings snapshot is read again. False when a write failed.
    bool SaveColoursAsDefault(const std::filesystem::path& iniPath) const;
    // Cancel: both get their colours back.
    void Cancel();

    // OK with the controls' values: `macIndex` into MacChoices() (-1 none),
    // the list's channel names in its order. False when the new name does
    // not fit on the sheet (message shown, the old name kept: the focus goes
    // to the name box). A change is one undo step of kind 3.
    bool Accept(const std::string& name, int macIndex, const std::vector<std::string>& channelNames,
                const model::TextMeasurer& dc);

private:
    model::CBaseDevice* Twin() const;
    void PutColours(model::CBaseDevice& device, const std::array<model::COLORREF, 4>& colours);

    CZoDeviceDoc& m_doc;
    model::CBaseDevice& m_device;
    std::filesystem::path m_programFolder;
    // Device and twin as opened: Cancel's colours and the undo step.
    std::unique_ptr<model::CBaseDevice> m_opened;
    std::unique_ptr<model::CBaseDevice> m_openedTwin;
    std::string m_name;
    std::vector<std::string> m_macs;
    std::vector<ChannelRow> m_channels;
};

} // namespace device_editor
