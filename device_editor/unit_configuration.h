#pragma once
// A unit's stored configuration (Configuration/<MAC>.ini in the program
// folder, written by the hardware-configuration dialogs) as the device sheet
// shows it: which channels of the unit are in use. The dialogs name the
// unit that changed; these calls bring the open sheet's devices of that MAC
// up to date, or take the unit off them when its file was deleted.
//
// The file's channel properties go to the unit devices (device kind 1) whose
// MAC equals the changed MAC without regard to case, and to the other half
// of a two-half unit, as ApplyUnitChannelProperties below maps them.
//
// Each device whose fields change is announced as ObjectChanged (bounds
// unchanged) through CZoDeviceDoc::ChangeDevice, so its views redraw it, and
// the document is marked modified. A changed MAC that is not 12 hexadecimal
// digits names no unit: nothing happens.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_editor/zo_device_doc.h"

namespace platform::profile {
class ini_contents_t;
}

namespace device_editor {

// --- The unit file ---------------------------------------------------------
//
// Configuration/00602b<six digits>.ini in the program folder, one per
// registered unit:
//   [Configuration]      Model, Serial
//   [DeviceProperty]     DeviceMac, DeviceType, TOLKType, TxBundle1,
//                        TxBundle2 (QLM-1600A and QLM-1204A only)
//   [InChannelType]      InChannel<k>   "Line", "Mic" or "AES/EBU"
//   [InChannelProperty]  InChannel<k>   0 unused, 1 line or AES/EBU, 3 mic
//   [OutChannelType]     OutChannel<k>  "Line" or "AES/EBU"
//   [OutChannelProperty] OutChannel<k>  0 unused, 1 used
// The six digits are the first group of the unit's serial number
// "xxxxxx-hhhh-tttttttt"; the second group, hexadecimal, is its first
// transmit bundle. Names are matched without regard to case.

// A unit model's row: code, name and channel counts.
struct UnitModel {
    std::int32_t code = 0;
    std::string_view name;
    int inputs = 0;
    int outputs = 0;
};

// The 13 models a unit file may name, QLM-800 among them, in code order.
const std::vector<UnitModel>& UnitModels();
// The 12 a unit can be added as (all but QLM-800), in the order offered.
std::vector<UnitModel> AddableUnitModels();
// The row of that name (compared without regard to case), none for any
// other text.
std::optional<UnitModel> FindUnitModel(std::string_view name);
// Input and output counts of the model; 0 and 0 for any other text.
std::pair<int, int> UnitChannelCounts(std::string_view modelName);

// A serial number taken apart: the six MAC digits (lower case) and the
// first transmit bundle.
struct ParsedSerial {
    std::string macDigits;
    std::int32_t bundle1 = 0;
};
// "xxxxxx-hhhh-tttttttt": 20 characters, "-" at 6 and 11, the first group
// six hexadecimal digits (it becomes a file name), the second four.
std::optional<ParsedSerial> ParseSerial(std::string_view serial);

// One stored unit as the listings show it.
struct StoredUnit {
    std::string mac;    // DeviceMac as stored, 12 characters
    std::string model;  // Model, upper case
    std::string serial; // Serial, upper case
    // The six digits after "00602b", lower case.
    std::string MacDigits() const;
};

// A listed channel of a unit as the hardware dialog edits it.
struct UnitChannelRow {
    bool output = false;
    int number = 0;   // from 1
    std::string type; // "Line", "Mic", "AES/EBU"
    bool inUse = false;
};

// What the unit file of one stored unit holds for the property dialog.
struct UnitBundles {
    std::int32_t bundle1 = 0;
    std::int32_t bundle2 = 0;
};

class CUnitConfigFile {
public:
    // The files live in "Configuration" under `programFolder`.
    explicit CUnitConfigFile(std::filesystem::path programFolder);

    // <programFolder>/Configuration, or the folder of that name in another
    // letter case when there is one.
    std::filesystem::path Folder() const;
    // The unit's file: the existing one in any letter case, else
    // 00602b<digits in lower case>.ini. None when `macDigits` is not six
    // hexadecimal digits (such text must never reach the file system).
    std::optional<std::filesystem::path> PathOf(std::string_view macDigits) const;

    // Writes a new unit's file with the first values of its model, key by
    // key in the file's order, making the folder when it is missing. False when the model or serial
    // is not one a unit can have or when a write fails (the part written is removed).
    bool Add(std::string_view modelName, std::string_view serial) const;
    // Deletes the unit's file; false when it cannot be deleted (a missing
    // file counts as deleted).
    bool Delete(std::string_view macDigits) const;

    // The accepted files, in folder order: title of 12 characters,
    // DeviceMac equal to it, a known model, a well-formed serial.
    std::vector<StoredUnit> List() const;

    // The channels the hardware dialog lists for the unit of that model,
    // read from its file (none when it cannot be read).
    std::vector<UnitChannelRow> ReadChannels(std::string_view macDigits,
                                             std::string_view modelName) const;
    // Rewrites type and property of each row; false at the first write
    // that fails.
    bool SubmitChannels(std::string_view macDigits, const std::vector<UnitChannelRow>& rows) const;

    // The files a device of `modelName` may take: title of 12 characters,
    // DeviceMac (default "00602b") equal to it and DeviceType (default
    // "Halvik") equal to the model name. Their MACs, lower case.
    std::vector<std::string> OfferFor(std::string_view modelName) const;
    // TxBundle1 and TxBundle2 of the unit with that 12-character MAC.
    UnitBundles ReadBundles(std::string_view mac) const;
    // The whole file of the unit with that 12-character MAC (empty when it
    // cannot be read).
    platform::profile::ini_contents_t Read(std::string_view mac) const;

private:
    std::filesystem::path m_programFolder;
};

// Which channels of the listed model the hardware dialog offers for editing.
bool IsListedChannel(std::string_view modelName, bool output, int number);

// Gives a unit device (and nothing else) the channel properties of its file
// `unit` ([InChannelProperty] / [OutChannelProperty], missing keys 0):
//  - models 1-3 drawn as one device (sub-type 3): input n into channel
//    n - 1, output n into channel (inputs + n - 1);
//  - two-half models (4, 7, 8, 9, 10, 19): the input half takes input n
//    into its physical input and the network send carrying it; the output
//    half takes output n into its network receive and the physical output
//    it feeds;
//  - 5: input n into input n and the send carrying it;
//  - 6, 20, 21: output n into the receive and the output it feeds;
//  - other models: nothing.
// True when a property changed.
bool ApplyUnitChannelProperties(model::CBaseDevice& device,
                                const platform::profile::ini_contents_t& unit);

// Reads the changed unit's file, found in `programFolder` with the folder
// "Configuration" and the file "<changedMac>.ini" matched without regard to
// case, into the matching devices.
void LoadDeviceConfiguration(CZoDeviceDoc& doc, const std::string& changedMac,
                             const std::filesystem::path& programFolder);

// The unit's file is gone: every matching device and its other half (of a
// two-half model) gets the unassigned MAC "00602b", transmit bundles 0 and
// every input and output channel property 0.
void ForgetDeviceConfiguration(CZoDeviceDoc& doc, const std::string& changedMac);

} // namespace device_editor
