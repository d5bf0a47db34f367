#pragma once
// The recent-file list of the File menu: four slots, the most recent first,
// kept in the framework profile of the registry store
// (HKEY_CURRENT_USER\Software\Ny\Ostrel\Recent File List, "File1".."File4").
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {
class registry_store_t;
}

namespace shell {

inline constexpr std::size_t kRecentFileCount = 4;
inline constexpr std::string_view kProfileKey = "Software\\Ny\\Ostrel";
inline constexpr std::string_view kRecentFileSection = "Recent File List";

class CRecentFileList {
public:
    explicit CRecentFileList(std::size_t size = kRecentFileCount);

    std::size_t GetSize() const { return m_names.size(); }
    // The path in slot `index`; "" for an empty slot.
    const std::string& operator[](std::size_t index) const { return m_names.at(index); }

    // Puts `path` first; the same path further down moves up instead of
    // appearing twice, and the last entry drops off a full list. An empty
    // path changes nothing.
    void Add(std::string_view path);
    // Empties slot `index`; the later entries move up one slot.
    void Remove(std::size_t index);
    // The text the menu shows for slot `index`: the file's name ("" for an
    // empty slot).
    std::string GetDisplayName(std::size_t index) const;

    // Reads the slots from the store (a missing value is an empty slot).
    void ReadList(const platform::profile::registry_store_t& store);
    // Writes the slots, removing the values of empty ones; false when the
    // store cannot be written.
    bool WriteList(platform::profile::registry_store_t& store) const;

private:
    std::vector<std::string> m_names;
};

// Removes from the list every entry whose display name is neither empty nor
// a document of the program's: a name ending in ".dsp" or ".zo", compared
// without regard to case as the program opens them.
void CleanRecentFileList(CRecentFileList& list);

} // namespace shell
