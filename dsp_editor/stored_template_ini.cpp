#include "dsp_editor/stored_template_ini.h"

#include <algorithm>

#include "platform/text/ascii.h"

namespace dsp_editor {

namespace {

constexpr std::string_view kUnitCountSection = "FirAriTemplateNum";
constexpr std::string_view kUnitCountKey = "Number";
constexpr std::string_view kUnitMacSection = "FirmAriTemplateDeviceMAC";
// Buffer sizes the values are read with: a MAC of up to 20 characters, a
// path of up to 500.
constexpr std::size_t kMacBuffer = 21;
constexpr std::size_t kPathBuffer = 501;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), platform::text::ascii_lower);
    return lower;
}

std::string UnitSection(std::string_view mac) {
    return std::string(mac) + "-FirmAriTemplate";
}

std::string SlotKey(int slot) {
    return std::to_string(slot);
}

} // namespace

TemplateSlotPaths WithSlotPath(TemplateSlotPaths paths, int slot, std::string_view path) {
    const std::string lower = Lower(path);
    for (std::string& other : paths)
        if (Lower(other) == lower)
            other.clear();
    if (IsTemplateSlot(slot))
        paths[TemplateSlotIndex(slot)] = std::string(path);
    return paths;
}

int CStoredTemplateIni::UnitKey(std::string_view mac) const {
    const std::string lower = Lower(mac);
    const int units = m_ini.read_int(kUnitCountSection, kUnitCountKey, 0);
    for (int key = 1; key <= units; ++key)
        if (Lower(m_ini.read_string(kUnitMacSection, SlotKey(key), "", kMacBuffer)) == lower)
            return key;
    return 0;
}

TemplateSlotPaths CStoredTemplateIni::Paths(std::string_view mac) const {
    TemplateSlotPaths paths;
    if (UnitKey(mac) == 0)
        return paths;
    const std::string section = UnitSection(mac);
    for (int slot = 1; slot <= kTemplateSlots; ++slot)
        paths[TemplateSlotIndex(slot)] = m_ini.read_string(section, SlotKey(slot), "", kPathBuffer);
    return paths;
}

std::string CStoredTemplateIni::StructName(std::string_view mac, int slot) const {
    return m_ini.read_string(UnitSection(mac), SlotKey(slot) + "TYPENAME", "");
}

std::string CStoredTemplateIni::ParamName(std::string_view mac, int slot) const {
    return m_ini.read_string(UnitSection(mac), SlotKey(slot) + "CHILDTYPENAME", "");
}

bool CStoredTemplateIni::EmptySlot(std::string_view mac, int slot) {
    return m_ini.write_string(UnitSection(mac), SlotKey(slot), "");
}

bool CStoredTemplateIni::Record(std::string_view mac, int slot, std::string_view path,
                                std::string_view structName, std::string_view paramName) {
    const std::string section = UnitSection(mac);
    const std::string lower = Lower(path);
    bool written = true;
    for (int other = 1; other <= kTemplateSlots; ++other)
        if (other != slot &&
            Lower(m_ini.read_string(section, SlotKey(other), "", kPathBuffer)) == lower)
            written = m_ini.write_string(section, SlotKey(other), "") && written;
    written = m_ini.write_string(section, SlotKey(slot), path) && written;
    written = m_ini.write_string(section, SlotKey(slot) + "TYPENAME", structName) && written;
    written = m_ini.write_string(section, SlotKey(slot) + "CHILDTYPENAME", paramName) && written;
    if (UnitKey(mac) == 0) {
        const int units = m_ini.read_int(kUnitCountSection, kUnitCountKey, 0) + 1;
        written = m_ini.write_string(kUnitCountSection, kUnitCountKey, SlotKey(units)) && written;
        written = m_ini.write_string(kUnitMacSection, SlotKey(units), mac) && written;
    }
    return written;
}

} // namespace dsp_editor
