#pragma once
// The shell's stored settings: its keys of Ostrel.ini, the registry values
// it keeps, and the shipped defaults copied into the program folder on the
// first start.
//
// Ostrel.ini keys ([section] key: default, longest text kept):
//   [Interface]  Language      "rcEng", whole (the language pack's title)
//   [IPSeg]      IPStart       "0.0.0.0", 19 characters
//   [IPSeg]      IPEnd         "0.0.0.0", 19 characters
//   [IPSeg]      StartVisible  1 (show the IP-range dialog at start-up)
//   [AdapterSeg] Adapter       "", 127 characters (the network card's title)
//   [NetAttri]   NetType       "Normal", 19 characters
// Every read goes to the file afresh: the IP-range and network-type dialogs
// write these keys while the program runs.
#include "platform/app_paths/app_paths.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {
class registry_store_t;
}

namespace shell {

inline constexpr std::string_view kDefaultLanguage = "rcEng";
inline constexpr std::string_view kNetTypeNormal = "Normal";
inline constexpr std::string_view kNetTypeWireless = "Wireless";

// The start-up's reading of the network keys.
struct CNetworkSettings {
    std::uint32_t startAddress = 0; // [IPSeg] IPStart through StringToIp
    std::uint32_t endAddress = 0;   // [IPSeg] IPEnd
    std::string adapter;            // [AdapterSeg] Adapter
    bool startVisible = true;       // [IPSeg] StartVisible == 1
};

class CAppSettings {
public:
    explicit CAppSettings(std::filesystem::path iniPath);
    // Ostrel.ini in the program folder.
    static CAppSettings Program();

    const std::filesystem::path& IniPath() const { return m_iniPath; }

    std::string Language() const;
    bool SetLanguage(std::string_view title);

    std::string IpStart() const;
    std::string IpEnd() const;
    // Both addresses as dotted text.
    bool SetIpRange(std::uint32_t start, std::uint32_t end);
    int StartVisible() const;
    bool SetStartVisible(bool visible);

    std::string Adapter() const;
    bool SetAdapter(std::string_view title);

    std::string NetType() const;
    bool SetNetType(std::string_view type);

    CNetworkSettings ReadNetworkSettings() const;

private:
    std::filesystem::path m_iniPath;
};

// Whether the online-device watch listens for the units' frames itself (net
// type exactly "Normal") rather than asking the discovery server.
bool IsPacketCaptureNetType(std::string_view netType);

// --- Registry values -------------------------------------------------------

// The process's registry store: Registry.ini in the program folder.
platform::profile::registry_store_t ProgramRegistry();

// The default value of `keyPath` under HKEY_LOCAL_MACHINE. A missing key or
// value, or one too long for the 80-byte buffer it is read into (79 bytes
// and the terminating zero), gives false and "".
bool ReadRegistryString(std::string_view keyPath, std::string& value);
// Sets the default value of `keyPath` under HKEY_LOCAL_MACHINE, creating the
// key; false when the store cannot be written.
bool WriteRegistryString(std::string_view keyPath, std::string_view value);
// The same on a store of the caller's.
bool ReadRegistryString(const platform::profile::registry_store_t& store,
                        std::string_view keyPath, std::string& value);
bool WriteRegistryString(platform::profile::registry_store_t& store, std::string_view keyPath,
                         std::string_view value);

// --- Shipped defaults --------------------------------------------------------

// Where the shipped defaults are: $OSTREL_DATA_DIR when set and not empty,
// else <executable's folder>/../share/ostrel when that folder exists (an
// installed program), else the source tree's resources folder (a program
// run from its build tree).
std::filesystem::path DataDirectory();

// Copies the shipped defaults that `dataDir` holds (Ostrel.ini, Alarm.wav,
// Language/*.lang) into `programFolder`, creating the folders they need, and
// returns the files copied. A file already there is never replaced, even
// when its name differs only in case (the program finds its files without
// regard to case): the user's settings and edited packs stay as they are.
// Throws std::filesystem::filesystem_error when a folder cannot be made or
// a file cannot be copied.
std::vector<std::filesystem::path> InstallShippedDefaults(const std::filesystem::path& dataDir,
                                                          const std::filesystem::path& programFolder);

using platform::app_paths::FindNoCase;

} // namespace shell
