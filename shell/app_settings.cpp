#include "shell/app_settings.h"

#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"
#include "platform/profile/registry.h"
#include "platform/text/ascii.h"
#include "shell/ip_text.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace shell {

namespace {

using platform::profile::ini_file_t;

// The profile functions' buffers, in characters with the terminating zero.
constexpr std::size_t kAddressBuffer = 20;
constexpr std::size_t kAdapterBuffer = 128;
constexpr std::size_t kNetTypeBuffer = 20;
// The registry read's buffer, in bytes with the terminating zero.
constexpr std::size_t kRegistryBuffer = 80;

// The key's value is the registry's default value, which the store keeps
// under the name .reg files give it.
constexpr std::string_view kDefaultValueName = "@";

} // namespace

CAppSettings::CAppSettings(std::filesystem::path iniPath) : m_iniPath(std::move(iniPath)) {}

CAppSettings CAppSettings::Program() {
    return CAppSettings(platform::app_paths::ProgramIniPath());
}

// The title is read whole: a pack's file title of eight or more characters
// must name that pack, not a cut-off one.
std::string CAppSettings::Language() const {
    return ini_file_t(m_iniPath).read_string("Interface", "Language", kDefaultLanguage);
}

bool CAppSettings::SetLanguage(std::string_view title) {
    return ini_file_t(m_iniPath).write_string("Interface", "Language", title);
}

std::string CAppSettings::IpStart() const {
    return ini_file_t(m_iniPath).read_string("IPSeg", "IPStart", "0.0.0.0", kAddressBuffer);
}

std::string CAppSettings::IpEnd() const {
    return ini_file_t(m_iniPath).read_string("IPSeg", "IPEnd", "0.0.0.0", kAddressBuffer);
}

bool CAppSettings::SetIpRange(std::uint32_t start, std::uint32_t end) {
    ini_file_t ini(m_iniPath);
    return ini.write_string("IPSeg", "IPStart", IpToString(start)) &&
           ini.write_string("IPSeg", "IPEnd", IpToString(end));
}

int CAppSettings::StartVisible() const {
    return ini_file_t(m_iniPath).read_int("IPSeg", "StartVisible", 1);
}

bool CAppSettings::SetStartVisible(bool visible) {
    return ini_file_t(m_iniPath).write_string("IPSeg", "StartVisible", visible ? "1" : "0");
}

std::string CAppSettings::Adapter() const {
    return ini_file_t(m_iniPath).read_string("AdapterSeg", "Adapter", "", kAdapterBuffer);
}

bool CAppSettings::SetAdapter(std::string_view title) {
    return ini_file_t(m_iniPath).write_string("AdapterSeg", "Adapter", title);
}

std::string CAppSettings::NetType() const {
    return ini_file_t(m_iniPath).read_string("NetAttri", "NetType", kNetTypeNormal, kNetTypeBuffer);
}

bool CAppSettings::SetNetType(std::string_view type) {
    return ini_file_t(m_iniPath).write_string("NetAttri", "NetType", type);
}

CNetworkSettings CAppSettings::ReadNetworkSettings() const {
    const auto ini = platform::profile::ini_contents_t::load(m_iniPath);
    CNetworkSettings settings;
    settings.startAddress = StringToIp(ini.read_string("IPSeg", "IPStart", "0.0.0.0", kAddressBuffer));
    settings.endAddress = StringToIp(ini.read_string("IPSeg", "IPEnd", "0.0.0.0", kAddressBuffer));
    settings.adapter = ini.read_string("AdapterSeg", "Adapter", "", kAdapterBuffer);
    settings.startVisible = ini.read_int("IPSeg", "StartVisible", 1) == 1;
    return settings;
}

bool IsPacketCaptureNetType(std::string_view netType) {
    return netType == kNetTypeNormal;
}

// --- Registry values -------------------------------------------------------

platform::profile::registry_store_t ProgramRegistry() {
    return platform::profile::registry_store_t(platform::app_paths::ProgramFolder() / "Registry.ini");
}

bool ReadRegistryString(const platform::profile::registry_store_t& store, std::string_view keyPath,
                        std::string& value) {
    value.clear();
    const std::optional<std::string> stored =
        store.get(platform::profile::hive::local_machine, keyPath, kDefaultValueName);
    if (!stored || stored->size() >= kRegistryBuffer)
        return false;
    value = *stored;
    return true;
}

bool WriteRegistryString(platform::profile::registry_store_t& store, std::string_view keyPath,
                         std::string_view value) {
    return store.set(platform::profile::hive::local_machine, keyPath, kDefaultValueName, value);
}

bool ReadRegistryString(std::string_view keyPath, std::string& value) {
    return ReadRegistryString(ProgramRegistry(), keyPath, value);
}

bool WriteRegistryString(std::string_view keyPath, std::string_view value) {
    auto store = ProgramRegistry();
    return WriteRegistryString(store, keyPath, value);
}

// --- Shipped defaults --------------------------------------------------------

std::filesystem::path DataDirectory() {
    if (const char* dir = std::getenv("OSTREL_DATA_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path installed = exe.parent_path().parent_path() / "share" / "ostrel";
        if (std::filesystem::is_directory(installed, ec))
            return installed;
    }
    return OSTREL_SOURCE_DATA_DIR;
}

namespace {

// Copies `from` to `to` unless `to` exists: into a file of its own first, then
// linked under the final name, which fails rather than replacing a file that
// appeared meanwhile. A copy cut short leaves no half file under the name.
bool CopyIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (FindNoCase(to.parent_path(), to.filename().string()))
        return false;
    std::filesystem::path partial = to;
    partial += ".partial-" + std::to_string(::getpid());
    std::filesystem::copy_file(from, partial, std::filesystem::copy_options::overwrite_existing);
    const int linked = ::link(partial.c_str(), to.c_str());
    const int error = errno;
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    if (linked == 0)
        return true;
    if (error == EEXIST)
        return false;
    throw std::filesystem::filesystem_error("cannot install the shipped default", from, to,
                                            std::error_code(error, std::generic_category()));
}

bool HasExtensionNoCase(const std::filesystem::path& file, std::string_view extension) {
    const std::string name = file.filename().string();
    return name.size() > extension.size() &&
           platform::text::equals_no_case(std::string_view(name).substr(name.size() - extension.size()),
                                          extension);
}

} // namespace

std::vector<std::filesystem::path> InstallShippedDefaults(const std::filesystem::path& dataDir,
                                                          const std::filesystem::path& programFolder) {
    std::vector<std::filesystem::path> copied;
    std::filesystem::create_directories(programFolder);
    for (const char* name : {"Ostrel.ini", "Alarm.wav"}) {
        const std::filesystem::path from = dataDir / name;
        if (std::filesystem::is_regular_file(from) && CopyIfAbsent(from, programFolder / name))
            copied.push_back(programFolder / name);
    }

    const std::filesystem::path packs = dataDir / "Language";
    if (!std::filesystem::is_directory(packs))
        return copied;
    std::vector<std::filesystem::path> shipped;
    for (const auto& entry : std::filesystem::directory_iterator(packs))
        if (entry.is_regular_file() && HasExtensionNoCase(entry.path(), ".lang"))
            shipped.push_back(entry.path());
    if (shipped.empty())
        return copied;
    std::sort(shipped.begin(), shipped.end());

    std::filesystem::path target = programFolder / "Language";
    if (const auto existing = FindNoCase(programFolder, "Language"))
        target = *existing;
    std::filesystem::create_directories(target);
    for (const auto& from : shipped) {
        const std::filesystem::path to = target / from.filename();
        if (CopyIfAbsent(from, to))
            copied.push_back(to);
    }
    return copied;
}

} // namespace shell
