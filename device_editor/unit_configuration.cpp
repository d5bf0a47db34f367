#include "device_editor/unit_configuration.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/undo_history.h"
#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"
#include "platform/text/ascii.h"
#include "platform/text/format.h"

namespace device_editor {

using model::CBaseDevice;

namespace {

constexpr std::string_view kUnassignedMac = "00602b";

// The changed MAC also names the file; anything but 12 hex digits is no
// unit's and never reaches the file system.
bool IsUnitMac(std::string_view mac) {
    return mac.size() == 12 && std::all_of(mac.begin(), mac.end(), [](char c) {
               return platform::text::hex_digit_value(c) >= 0;
           });
}

// The two-half models whose halves take their channels from one file.
bool FillsPairFromFile(std::int32_t model) {
    return model == 4 || model == 7 || model == 8 || model == 9 || model == 19;
}

platform::profile::ini_contents_t ReadUnitFile(const std::filesystem::path& programFolder,
                                               const std::string& mac) {
    if (const auto folder = platform::app_paths::FindNoCase(programFolder, "Configuration"))
        if (const auto file = platform::app_paths::FindNoCase(*folder, mac + ".ini"))
            return platform::profile::ini_contents_t::load(*file);
    return {};
}

// The units of that MAC in sheet order, each followed by its other half
// when `withPair` takes its model; each device once.
std::vector<CBaseDevice*> UnitDevices(const CZoDeviceDoc& doc, std::string_view mac,
                                      bool (*withPair)(std::int32_t)) {
    std::vector<CBaseDevice*> out;
    const auto add = [&](CBaseDevice* device) {
        if (device != nullptr && std::find(out.begin(), out.end(), device) == out.end())
            out.push_back(device);
    };
    for (const auto& device : doc.Devices()) {
        if (device->m_kind != model::kDeviceUnit ||
            !platform::text::equals_no_case(device->m_mac, mac))
            continue;
        add(device.get());
        if (withPair(device->m_typeCode))
            add(doc.FindSameIdDevice(device->m_id, device->m_subType, device->m_typeCode));
    }
    return out;
}

// The file's value for input (fromInputs) or output channel k, from 0.
using file_values_t = std::function<std::int32_t(bool fromInputs, int k)>;

bool SetProperty(CBaseDevice& device, int index, std::int32_t value) {
    model::CDeviceChnl* chnl = model::AsDeviceChnl(device.GetChnl(index));
    if (chnl == nullptr || chnl->m_property == value)
        return false;
    chnl->m_property = value;
    return true;
}

// Gives the device's channels their values; true when one changed.
bool SetChannels(CBaseDevice& device, const file_values_t& file) {
    // A half of a two-half unit carries one side of the unit: its network
    // channels pass on what its physical ones take.
    bool inputsFromInputs = true, outputsFromInputs = false;
    if (FillsPairFromFile(device.m_typeCode) && (device.m_subType == 1 || device.m_subType == 2))
        inputsFromInputs = outputsFromInputs = device.m_subType == 1;
    bool changed = false;
    for (int k = 0; k < device.m_inputCount; ++k)
        changed = SetProperty(device, k, file(inputsFromInputs, k)) || changed;
    for (int k = 0; k < device.m_outputCount; ++k)
        changed =
            SetProperty(device, device.m_inputCount + k, file(outputsFromInputs, k)) || changed;
    return changed;
}

// Edits a copy of each device and hands the copies that differ to the
// document, which announces them.
void ChangeDevices(CZoDeviceDoc& doc, const std::vector<CBaseDevice*>& devices,
                   const std::function<bool(CBaseDevice&)>& edit) {
    bool changed = false;
    for (CBaseDevice* device : devices) {
        const std::unique_ptr<CBaseDevice> copy = model::CopyDevice(*device);
        if (!edit(*copy))
            continue;
        doc.ChangeDevice(*device, *copy);
        changed = true;
    }
    if (changed)
        doc.SetModifiedFlag();
}

} // namespace

void LoadDeviceConfiguration(CZoDeviceDoc& doc, const std::string& changedMac,
                             const std::filesystem::path& programFolder) {
    if (!IsUnitMac(changedMac))
        return;
    const std::vector<CBaseDevice*> devices = UnitDevices(doc, changedMac, FillsPairFromFile);
    if (devices.empty())
        return;
    const platform::profile::ini_contents_t ini = ReadUnitFile(programFolder, changedMac);
    const file_values_t file = [&ini](bool fromInputs, int k) {
        using platform::text::format;
        return fromInputs ? ini.read_int("InChannelProperty", format("InChannel%d", k + 1), 0)
                          : ini.read_int("OutChannelProperty", format("OutChannel%d", k + 1), 0);
    };
    ChangeDevices(doc, devices, [&file](CBaseDevice& device) { return SetChannels(device, file); });
}

void ForgetDeviceConfiguration(CZoDeviceDoc& doc, const std::string& changedMac) {
    if (!IsUnitMac(changedMac))
        return;
    const std::vector<CBaseDevice*> devices = UnitDevices(doc, changedMac, model::IsTwoHalfModel);
    ChangeDevices(doc, devices, [](CBaseDevice& device) {
        bool changed = SetChannels(device, [](bool, int) { return 0; });
        if (device.m_mac != kUnassignedMac) {
            device.m_mac = kUnassignedMac;
            changed = true;
        }
        auto* unit = dynamic_cast<model::CDeviceNy*>(&device);
        if (unit != nullptr && (unit->m_bundle1 != 0 || unit->m_bundle2 != 0)) {
            unit->m_bundle1 = unit->m_bundle2 = 0;
            changed = true;
        }
        return changed;
    });
}

} // namespace device_editor
