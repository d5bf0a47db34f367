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

bool SetProperty(CBaseDevice& device, int index, std::int32_t value) {
    model::CDeviceChnl* chnl = model::AsDeviceChnl(device.GetChnl(index));
    if (chnl == nullptr || chnl->m_property == value)
        return false;
    chnl->m_property = value;
    return true;
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
    const std::vector<CBaseDevice*> devices = UnitDevices(doc, changedMac, model::IsTwoHalfModel);
    if (devices.empty())
        return;
    const platform::profile::ini_contents_t ini = ReadUnitFile(programFolder, changedMac);
    ChangeDevices(doc, devices,
                  [&ini](CBaseDevice& device) { return ApplyUnitChannelProperties(device, ini); });
}

void ForgetDeviceConfiguration(CZoDeviceDoc& doc, const std::string& changedMac) {
    if (!IsUnitMac(changedMac))
        return;
    const std::vector<CBaseDevice*> devices = UnitDevices(doc, changedMac, model::IsTwoHalfModel);
    ChangeDevices(doc, devices, [](CBaseDevice& device) {
        bool changed = false;
        for (int k = 0; k < device.GetChnlCount(); ++k)
            changed = SetProperty(device, k, 0) || changed;
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

// --- The unit file ---------------------------------------------------------

namespace device_editor {

using platform::profile::ini_contents_t;
using platform::profile::ini_file_t;
using platform::text::format;

namespace {

constexpr std::string_view kFolderName = "Configuration";
// Read limits of the stored texts (characters, the terminating zero aside).
constexpr std::size_t kMacBuffer = 17;
constexpr std::size_t kModelBuffer = 33;
constexpr std::size_t kTypeBuffer = 9;
constexpr std::size_t kDeviceTypeBuffer = 17;
// No reader uses it.
constexpr std::string_view kTolkType = "0";

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), platform::text::ascii_lower);
    return out;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), platform::text::ascii_upper);
    return out;
}

bool IsHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return platform::text::hex_digit_value(c) >= 0; });
}

bool HasSecondBundle(std::string_view modelName) {
    return modelName == "QLM-1600A" || modelName == "QLM-1204A";
}

// The first value of an input of a new unit: type and property.
std::pair<std::string_view, std::string_view> FirstInputValues(std::int32_t code, int number) {
    const bool mic =
        code == 4 || code == 5 || code == 7 || code == 8 || code == 9 || (code == 3 && number > 6);
    return mic ? std::pair{"Mic", "3"} : std::pair{"Line", "1"};
}

std::string ChannelKey(bool output, int number) {
    return format(output ? "OutChannel%d" : "InChannel%d", number);
}

// Files of the folder named 00602b*.ini in any letter case, in folder order.
std::vector<std::filesystem::path> UnitFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() >= 10 &&
            platform::text::equals_no_case(name.substr(0, 6), kUnassignedMac) &&
            platform::text::equals_no_case(name.substr(name.size() - 4), ".ini") &&
            it->is_regular_file(ec))
            out.push_back(it->path());
    }
    return out;
}

} // namespace

const std::vector<UnitModel>& UnitModels() {
    static const std::vector<UnitModel> models = [] {
        std::vector<UnitModel> out;
        for (const std::int32_t code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 19, 20, 21}) {
            UnitModel row{code, model::ModelName(code)};
            switch (code) {
            case 5:
                row.inputs = 16;
                break;
            case 6:
                row.outputs = 16;
                break;
            case 7:
                row.inputs = 4, row.outputs = 12;
                break;
            case 8:
                row.inputs = 12, row.outputs = 4;
                break;
            default:
                row.inputs = row.outputs = code <= 4 ? 8 : 2;
                break;
            }
            out.push_back(row);
        }
        return out;
    }();
    return models;
}

std::vector<UnitModel> AddableUnitModels() {
    std::vector<UnitModel> out;
    for (const UnitModel& row : UnitModels())
        if (row.code != 10)
            out.push_back(row);
    return out;
}

std::optional<UnitModel> FindUnitModel(std::string_view name) {
    for (const UnitModel& row : UnitModels())
        if (platform::text::equals_no_case(row.name, name))
            return row;
    return std::nullopt;
}

std::pair<int, int> UnitChannelCounts(std::string_view modelName) {
    const std::optional<UnitModel> row = FindUnitModel(modelName);
    return row ? std::pair{row->inputs, row->outputs} : std::pair{0, 0};
}

std::optional<ParsedSerial> ParseSerial(std::string_view serial) {
    if (serial.size() != 20 || serial[6] != '-' || serial[11] != '-')
        return std::nullopt;
    const std::string_view mac = serial.substr(0, 6), bundle = serial.substr(7, 4);
    if (!IsHex(mac) || !IsHex(bundle))
        return std::nullopt;
    ParsedSerial out{Lower(mac), 0};
    for (const char c : bundle)
        out.bundle1 = out.bundle1 * 16 + platform::text::hex_digit_value(c);
    return out;
}

std::string StoredUnit::MacDigits() const {
    return Lower(mac.size() > 6 ? std::string_view(mac).substr(6) : std::string_view());
}

bool IsListedChannel(std::string_view modelName, bool output, int number) {
    const std::string name = Upper(modelName);
    if (name == "QLA-1")
        return false;
    if (name == "QLA-8A" || name == "QLR-450" || name == "QLV-3300A" || name == "QLM-0016A")
        return output;
    if (name == "QLA-206A")
        return output ? number >= 3 && number <= 8 : number == 7 || number == 8;
    if (name == "QLM-1600A")
        return !output;
    return true;
}

CUnitConfigFile::CUnitConfigFile(std::filesystem::path programFolder)
    : m_programFolder(std::move(programFolder)) {}

std::filesystem::path CUnitConfigFile::Folder() const {
    return platform::app_paths::FindNoCase(m_programFolder, kFolderName)
        .value_or(m_programFolder / kFolderName);
}

std::optional<std::filesystem::path> CUnitConfigFile::PathOf(std::string_view macDigits) const {
    if (macDigits.size() != 6 || !IsHex(macDigits))
        return std::nullopt;
    const std::filesystem::path folder = Folder();
    const std::string name = std::string(kUnassignedMac) + Lower(macDigits) + ".ini";
    return platform::app_paths::FindNoCase(folder, name).value_or(folder / name);
}

bool CUnitConfigFile::Add(std::string_view modelName, std::string_view serial) const {
    const std::optional<UnitModel> row = FindUnitModel(modelName);
    const std::optional<ParsedSerial> parsed = ParseSerial(serial);
    if (!row || row->code == 10 || !parsed)
        return false;
    std::error_code ec;
    std::filesystem::create_directories(Folder(), ec);
    const std::optional<std::filesystem::path> path = PathOf(parsed->macDigits);
    ini_file_t file(*path);
    const auto write = [&file](std::string_view section, const std::string& key,
                               std::string_view value) {
        return file.write_string(section, key, value);
    };
    bool ok =
        write("Configuration", "Model", row->name) && write("Configuration", "Serial", serial) &&
        write("DeviceProperty", "DeviceMac", std::string(kUnassignedMac) + parsed->macDigits) &&
        write("DeviceProperty", "DeviceType", row->name) &&
        write("DeviceProperty", "TOLKType", kTolkType) &&
        write("DeviceProperty", "TxBundle1", format("%d", parsed->bundle1)) &&
        (!HasSecondBundle(row->name) ||
         write("DeviceProperty", "TxBundle2", format("%d", parsed->bundle1 + 1)));
    for (int n = 1; ok && n <= row->inputs; ++n) {
        const auto [type, property] = FirstInputValues(row->code, n);
        ok = write("InChannelType", ChannelKey(false, n), type) &&
             write("InChannelProperty", ChannelKey(false, n), property);
    }
    for (int n = 1; ok && n <= row->outputs; ++n)
        ok = write("OutChannelType", ChannelKey(true, n), "Line") &&
             write("OutChannelProperty", ChannelKey(true, n), "1");
    if (!ok)
        std::filesystem::remove(*path, ec);
    return ok;
}

bool CUnitConfigFile::Delete(std::string_view macDigits) const {
    const std::optional<std::filesystem::path> path = PathOf(macDigits);
    if (!path)
        return false;
    std::error_code ec;
    std::filesystem::remove(*path, ec);
    return !ec;
}

std::vector<StoredUnit> CUnitConfigFile::List() const {
    std::vector<StoredUnit> out;
    for (const std::filesystem::path& path : UnitFiles(Folder())) {
        const std::string title = path.stem().string();
        if (title.size() != 12)
            continue;
        const ini_contents_t file = ini_contents_t::load(path);
        StoredUnit unit{file.read_string("DeviceProperty", "DeviceMac", "", kMacBuffer),
                        Upper(file.read_string("Configuration", "Model", "", kModelBuffer)),
                        Upper(file.read_string("Configuration", "Serial", "", kModelBuffer))};
        if (Lower(unit.mac) != Lower(title) || !FindUnitModel(unit.model) ||
            unit.serial.size() != 20 || unit.serial[6] != '-' || unit.serial[11] != '-')
            continue;
        out.push_back(std::move(unit));
    }
    return out;
}

std::vector<UnitChannelRow> CUnitConfigFile::ReadChannels(std::string_view macDigits,
                                                          std::string_view modelName) const {
    std::vector<UnitChannelRow> rows;
    const std::optional<std::filesystem::path> path = PathOf(macDigits);
    if (!path)
        return rows;
    const ini_contents_t file = ini_contents_t::load(*path);
    const auto [inputs, outputs] = UnitChannelCounts(modelName);
    for (const bool output : {false, true}) {
        for (int n = 1; n <= (output ? outputs : inputs); ++n) {
            if (!IsListedChannel(modelName, output, n))
                continue;
            const std::string key = ChannelKey(output, n);
            std::string type =
                file.read_string(output ? "OutChannelType" : "InChannelType", key, "", kTypeBuffer);
            if (type.empty())
                continue;
            const int property =
                file.read_int(output ? "OutChannelProperty" : "InChannelProperty", key, 0);
            rows.push_back({output, n, std::move(type), property != 0});
        }
    }
    return rows;
}

bool CUnitConfigFile::SubmitChannels(std::string_view macDigits,
                                     const std::vector<UnitChannelRow>& rows) const {
    const std::optional<std::filesystem::path> path = PathOf(macDigits);
    if (!path)
        return false;
    ini_file_t file(*path);
    for (const UnitChannelRow& row : rows) {
        const std::string key = ChannelKey(row.output, row.number);
        const std::string_view property = !row.inUse                         ? "0"
                                          : !row.output && row.type == "Mic" ? "3"
                                                                             : "1";
        if (!file.write_string(row.output ? "OutChannelType" : "InChannelType", key, row.type) ||
            !file.write_string(row.output ? "OutChannelProperty" : "InChannelProperty", key,
                               property))
            return false;
    }
    return true;
}

std::vector<std::string> CUnitConfigFile::OfferFor(std::string_view modelName) const {
    std::vector<std::string> out;
    for (const std::filesystem::path& path : UnitFiles(Folder())) {
        const std::string title = path.stem().string();
        if (title.size() != 12)
            continue;
        const ini_contents_t file = ini_contents_t::load(path);
        if (platform::text::equals_no_case(
                file.read_string("DeviceProperty", "DeviceMac", kUnassignedMac, kMacBuffer),
                title) &&
            file.read_string("DeviceProperty", "DeviceType", "Halvik", kDeviceTypeBuffer) ==
                modelName)
            out.push_back(Lower(title));
    }
    return out;
}

ini_contents_t CUnitConfigFile::Read(std::string_view mac) const {
    if (mac.size() != 12 || !platform::text::equals_no_case(mac.substr(0, 6), kUnassignedMac))
        return {};
    const std::optional<std::filesystem::path> path = PathOf(mac.substr(6));
    return path ? ini_contents_t::load(*path) : ini_contents_t{};
}

UnitBundles CUnitConfigFile::ReadBundles(std::string_view mac) const {
    const ini_contents_t file = Read(mac);
    return {file.read_int("DeviceProperty", "TxBundle1", 0),
            file.read_int("DeviceProperty", "TxBundle2", 0)};
}

bool ApplyUnitChannelProperties(CBaseDevice& device, const ini_contents_t& unit) {
    if (device.m_kind != model::kDeviceUnit)
        return false;
    const auto value = [&unit](bool output, int n) {
        return unit.read_int(output ? "OutChannelProperty" : "InChannelProperty",
                             ChannelKey(output, n), 0);
    };
    const std::int32_t code = device.m_typeCode;
    bool changed = false;
    if (code >= 1 && code <= 3) {
        if (device.m_subType != 3)
            return false;
        for (int n = 1; n <= device.m_inputCount; ++n)
            changed = SetProperty(device, n - 1, value(false, n)) || changed;
        for (int n = 1; n <= device.m_outputCount; ++n)
            changed = SetProperty(device, device.m_inputCount + n - 1, value(true, n)) || changed;
        return changed;
    }
    // The side of the unit the device carries, and the count its second
    // copy of each value is offset by.
    bool output = false;
    int count = 0;
    if (model::IsTwoHalfModel(code) && device.m_subType == 1)
        count = device.m_inputCount;
    else if (model::IsTwoHalfModel(code) && device.m_subType == 2)
        output = true, count = device.m_outputCount;
    else if (code == 5)
        count = device.m_inputCount;
    else if (code == 6 || code == 20 || code == 21)
        output = true, count = device.m_outputCount;
    else
        return false;
    for (int n = 1; n <= count; ++n) {
        const std::int32_t v = value(output, n);
        changed = SetProperty(device, n - 1, v) || changed;
        changed = SetProperty(device, count + n - 1, v) || changed;
    }
    return changed;
}

} // namespace device_editor
