#pragma once
// CStoredTemplateIni: the stored templates' records in the ini file (the
// keys stored_templates.h lists).
#include <filesystem>
#include <string>
#include <string_view>

#include "dsp_editor/stored_templates.h"
#include "platform/profile/profile.h"

namespace dsp_editor {

// The slots after `path` is stored to `slot` (1-8): every other slot
// holding the same path (compared in lower case) is emptied.
TemplateSlotPaths WithSlotPath(TemplateSlotPaths paths, int slot, std::string_view path);

// One row of the template dialog's list.
struct StoredTemplateRow {
    int slot = 0;
    std::string structName;
    std::string paramName;
    std::string path;
    friend bool operator==(const StoredTemplateRow&, const StoredTemplateRow&) = default;
};

// The stored templates' records in the ini file.
class CStoredTemplateIni {
public:
    explicit CStoredTemplateIni(std::filesystem::path path) : m_ini(std::move(path)) {}

    // The slots of the unit (all empty when it is not listed).
    TemplateSlotPaths Paths(std::string_view mac) const;
    std::string StructName(std::string_view mac, int slot) const;
    std::string ParamName(std::string_view mac, int slot) const;
    // Empties the path of a slot whose file went missing.
    bool EmptySlot(std::string_view mac, int slot);
    // Records a store: the slot's path and names, every other slot with the
    // same path emptied, the unit listed when it was not.
    bool Record(std::string_view mac, int slot, std::string_view path, std::string_view structName,
                std::string_view paramName);

private:
    // The unit's key in the MAC list (1..Number), 0 when it is not listed.
    int UnitKey(std::string_view mac) const;

    platform::profile::ini_file_t m_ini;
};

} // namespace dsp_editor
