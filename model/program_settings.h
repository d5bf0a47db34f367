#pragma once
// The program's settings that sheet objects and documents take their
// defaults from, read from Ostrel.ini in the program folder once into an
// immutable snapshot. A constructor reads the current snapshot instead of the
// file: a sheet of thousands of objects would otherwise read the file
// thousands of times, each time under the file's lock.
//
// The shell calls ReloadProgramSettings when the file or a settings dialog
// has changed it; objects made afterwards see the new values. An object keeps
// what it took when it was made, and whoever holds a snapshot may keep using
// it after a reload.
//
// Values are read with the ini reader's rules: a number is the value's
// leading decimal integer, and a missing key or an empty value gives the
// default. A subsystem that needs more keys adds a field, with its default as
// the initialiser, and its reading in CProgramSettings::FromIni.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "model/base_ari_module.h"
#include "model/device_models.h"
#include "model/gdi_types.h"

namespace platform::profile {
class ini_contents_t;
}

namespace model {

// The [ColorScheme] keys of one device model: "<model name>Fore" and so on.
struct CDeviceColourScheme {
    COLORREF fore = 0;            // "Fore"
    std::optional<COLORREF> back; // "Back": none when unset, each device class has its own
    COLORREF title = 0;           // "Title"
    COLORREF other = 0;           // "Other"
    std::int32_t transparent = 0; // "Transparent", read by the text box

    friend bool operator==(const CDeviceColourScheme&, const CDeviceColourScheme&) = default;
};

// [TextDeviceFont]: a new text box's font, by the font record's field names.
LOGFONT DefaultTextDeviceFont();

// Default-constructed: every key at its default, as a program folder without
// Ostrel.ini gives.
struct CProgramSettings {
    // DSP modules. Section AriColourSection(type code), key "RcTypeColor", by
    // type code; none where the file has no value, since each module class
    // has its own default. The last slot is a code outside the type table,
    // whose section name is empty.
    std::array<std::optional<COLORREF>, g_szAriTypeName.size() + 1> ariTypeColours{};
    // [ARITEXT] RcBackColor: the text module's body.
    COLORREF ariTextBackColour = 0xFFFFFF;

    // [Link] LinkWidth, LinkColor: a new DSP link's pen. The defaults are the
    // ones the DSP property panel restores as the initial values.
    struct CLinkDefaults {
        std::int32_t width = 1;
        COLORREF colour = 0xB40000;
        friend bool operator==(const CLinkDefaults&, const CLinkDefaults&) = default;
    } link;

    // [DSPSheet] SheetWidth, SheetHeight, SheetColor: a new DSP sheet.
    struct CDSPSheetDefaults {
        std::int32_t width = 1260;
        std::int32_t height = 1800;
        COLORREF colour = 0xFFFFFF;
        friend bool operator==(const CDSPSheetDefaults&, const CDSPSheetDefaults&) = default;
    } dspSheet;

    // Devices. [ColorScheme] by model code; the last slot is a code outside
    // the model table, whose name is empty.
    std::array<CDeviceColourScheme, kModelCount + 1> deviceColours{};
    LOGFONT textDeviceFont = DefaultTextDeviceFont();

    // A new device sheet: [SheetSize] SheetWidth, SheetHeight and
    // [ColorScheme] SysDocBack, SysPhysicalLine, SysNetLine.
    struct CDeviceSheetDefaults {
        std::int32_t width = 1130;
        std::int32_t height = 1600;
        COLORREF background = 0xFFFFFF;
        COLORREF physicalLink = 0x000000;
        COLORREF networkLink = 0xFF0000;
        friend bool operator==(const CDeviceSheetDefaults&, const CDeviceSheetDefaults&) = default;
    } deviceSheet;

    // The type colour of the type code's section; none when unset.
    std::optional<COLORREF> AriTypeColour(std::int32_t typeCode) const;
    // The colour keys of the model's name.
    const CDeviceColourScheme& DeviceColours(std::int32_t model) const;

    // Every key from the ini file's contents.
    static CProgramSettings FromIni(const platform::profile::ini_contents_t& ini);
    // Reads the file once.
    static CProgramSettings Load(const std::filesystem::path& iniPath);

    friend bool operator==(const CProgramSettings&, const CProgramSettings&) = default;
};

// The current snapshot. The first call reads Ostrel.ini in the program folder
// unless a snapshot was installed before. Safe from any thread.
std::shared_ptr<const CProgramSettings> ProgramSettings();

// Reads Ostrel.ini in the program folder again and makes it the current
// snapshot, which it returns. Safe from any thread; holders of the previous
// snapshot keep it.
std::shared_ptr<const CProgramSettings> ReloadProgramSettings();

// Makes `settings` the current snapshot: for tests, and for a settings dialog
// that has just written the values it holds. Null reads the file again at the
// next ProgramSettings call.
void InstallProgramSettings(std::shared_ptr<const CProgramSettings> settings);

} // namespace model
