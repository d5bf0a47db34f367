#include "model/program_settings.h"

#include <mutex>
#include <string>
#include <utility>

#include "model/sheet_size.h"
#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"

namespace model {

namespace gdi = platform::gdi;
using platform::profile::ini_contents_t;

namespace {

COLORREF ReadColour(const ini_contents_t& ini, std::string_view section, std::string_view key,
                    COLORREF def) {
    return static_cast<COLORREF>(ini.read_int(section, key, static_cast<int>(def)));
}

// None for a missing key or an empty value, like the default of the integer
// reader, so that each reader can supply its own default.
std::optional<COLORREF> ReadOptionalColour(const ini_contents_t& ini, std::string_view section,
                                           std::string_view key) {
    if (ini.read_string(section, key, "").empty())
        return std::nullopt;
    return static_cast<COLORREF>(ini.read_int(section, key, 0));
}

CDeviceColourScheme ReadColourScheme(const ini_contents_t& ini, std::string_view modelName) {
    const std::string name(modelName);
    CDeviceColourScheme scheme;
    scheme.fore = ReadColour(ini, "ColorScheme", name + "Fore", scheme.fore);
    scheme.back = ReadOptionalColour(ini, "ColorScheme", name + "Back");
    scheme.title = ReadColour(ini, "ColorScheme", name + "Title", scheme.title);
    scheme.other = ReadColour(ini, "ColorScheme", name + "Other", scheme.other);
    scheme.transparent = ini.read_int("ColorScheme", name + "Transparent", scheme.transparent);
    return scheme;
}

LOGFONT ReadTextDeviceFont(const ini_contents_t& ini) {
    LOGFONT font = DefaultTextDeviceFont();
    const auto number = [&](const char* key, std::int32_t def) {
        return ini.read_int("TextDeviceFont", key, def);
    };
    // Byte fields keep the value's low byte, as a byte field of the font
    // record would.
    const auto byte = [&](const char* key, std::uint8_t def) {
        return static_cast<std::uint8_t>(number(key, def));
    };
    font.lfHeight = number("Height", font.lfHeight);
    font.lfWidth = number("Width", font.lfWidth);
    font.lfEscapement = number("Escapement", font.lfEscapement);
    font.lfOrientation = number("Orientation", font.lfOrientation);
    font.lfWeight = number("Weight", font.lfWeight);
    font.lfItalic = byte("Italic", font.lfItalic);
    font.lfUnderline = byte("Underline", font.lfUnderline);
    font.lfStrikeOut = byte("StrikeOut", font.lfStrikeOut);
    font.lfCharSet = byte("CharSet", font.lfCharSet);
    font.lfOutPrecision = byte("OutPrecision", font.lfOutPrecision);
    font.lfClipPrecision = byte("ClipPrecision", font.lfClipPrecision);
    font.lfQuality = byte("Quality", font.lfQuality);
    font.lfPitchAndFamily = byte("PitchAndFamily", font.lfPitchAndFamily);
    font.SetFaceName(ini.read_string("TextDeviceFont", "FaceName", font.lfFaceName));
    return font;
}

// The current snapshot. Readers copy the pointer under the lock, so a swap
// never frees a snapshot somebody is still reading.
struct SettingsStore {
    std::mutex mutex;
    std::shared_ptr<const CProgramSettings> current;
    // Keeps reloads in the order they were asked for: a slow read of the old
    // file cannot overwrite the result of a later one.
    std::mutex reload;
};

SettingsStore& Store() {
    static SettingsStore store;
    return store;
}

std::shared_ptr<const CProgramSettings> ReadProgramIni() {
    return std::make_shared<const CProgramSettings>(
        CProgramSettings::Load(platform::app_paths::ProgramIniPath()));
}

} // namespace

LOGFONT DefaultTextDeviceFont() {
    LOGFONT font;
    font.lfHeight = 12;
    font.lfWeight = gdi::FW_NORMAL;
    font.lfCharSet = gdi::DEFAULT_CHARSET;
    font.lfPitchAndFamily = gdi::FF_SWISS;
    font.SetFaceName("Arial");
    return font;
}

std::optional<COLORREF> CProgramSettings::AriTypeColour(std::int32_t typeCode) const {
    const bool named =
        typeCode >= 0 && typeCode < static_cast<std::int32_t>(g_szAriTypeName.size());
    return ariTypeColours[named ? static_cast<std::size_t>(typeCode) : ariTypeColours.size() - 1];
}

const CDeviceColourScheme& CProgramSettings::DeviceColours(std::int32_t model) const {
    const bool named = model >= 0 && model < static_cast<std::int32_t>(kModelCount);
    return deviceColours[named ? static_cast<std::size_t>(model) : deviceColours.size() - 1];
}

CProgramSettings CProgramSettings::FromIni(const ini_contents_t& ini) {
    CProgramSettings s;
    for (std::size_t type = 0; type < g_szAriTypeName.size(); ++type) {
        s.ariTypeColours[type] = ReadOptionalColour(
            ini, AriColourSection(static_cast<std::int32_t>(type)), "RcTypeColor");
    }
    s.ariTypeColours.back() = ReadOptionalColour(ini, AriColourSection(-1), "RcTypeColor");
    s.ariTextBackColour =
        ReadColour(ini, AriColourSection(kAriText), "RcBackColor", s.ariTextBackColour);

    s.link.width = ini.read_int("Link", "LinkWidth", s.link.width);
    s.link.colour = ReadColour(ini, "Link", "LinkColor", s.link.colour);
    s.dspSheet.width = ClampSheetSide(ini.read_int("DSPSheet", "SheetWidth", s.dspSheet.width));
    s.dspSheet.height =
        ClampSheetSide(ini.read_int("DSPSheet", "SheetHeight", s.dspSheet.height));
    s.dspSheet.colour = ReadColour(ini, "DSPSheet", "SheetColor", s.dspSheet.colour);

    for (std::size_t model = 0; model < kModelCount; ++model)
        s.deviceColours[model] = ReadColourScheme(ini, ModelName(static_cast<std::int32_t>(model)));
    s.deviceColours.back() = ReadColourScheme(ini, ModelName(-1));
    s.textDeviceFont = ReadTextDeviceFont(ini);

    CDeviceSheetDefaults& sheet = s.deviceSheet;
    sheet.width = ClampSheetSide(ini.read_int("SheetSize", "SheetWidth", sheet.width));
    sheet.height = ClampSheetSide(ini.read_int("SheetSize", "SheetHeight", sheet.height));
    sheet.background = ReadColour(ini, "ColorScheme", "SysDocBack", sheet.background);
    sheet.physicalLink = ReadColour(ini, "ColorScheme", "SysPhysicalLine", sheet.physicalLink);
    sheet.networkLink = ReadColour(ini, "ColorScheme", "SysNetLine", sheet.networkLink);
    return s;
}

CProgramSettings CProgramSettings::Load(const std::filesystem::path& iniPath) {
    return FromIni(ini_contents_t::load(iniPath));
}

std::shared_ptr<const CProgramSettings> ProgramSettings() {
    SettingsStore& store = Store();
    std::lock_guard lock(store.mutex);
    // The first reader pays for the one read; the others wait for it rather
    // than read the file again.
    if (!store.current)
        store.current = ReadProgramIni();
    return store.current;
}

std::shared_ptr<const CProgramSettings> ReloadProgramSettings() {
    SettingsStore& store = Store();
    std::lock_guard reload(store.reload);
    std::shared_ptr<const CProgramSettings> fresh = ReadProgramIni();
    std::shared_ptr<const CProgramSettings> old;
    std::lock_guard lock(store.mutex);
    old = std::exchange(store.current, fresh);
    return fresh;
}

void InstallProgramSettings(std::shared_ptr<const CProgramSettings> settings) {
    SettingsStore& store = Store();
    std::shared_ptr<const CProgramSettings> old;
    std::lock_guard lock(store.mutex);
    old = std::exchange(store.current, std::move(settings));
}

} // namespace model
