#include "shell/recent_files.h"

#include "platform/profile/registry.h"
#include "platform/text/ascii.h"

#include <algorithm>
#include <filesystem>

namespace shell {

namespace {

using platform::profile::hive;

std::string RecentKey() {
    return std::string(kProfileKey) + "\\" + std::string(kRecentFileSection);
}

std::string ValueName(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           platform::text::equals_no_case(text.substr(text.size() - suffix.size()), suffix);
}

} // namespace

CRecentFileList::CRecentFileList(std::size_t size) : m_names(size) {}

void CRecentFileList::Add(std::string_view path) {
    if (path.empty() || m_names.empty())
        return;
    auto found = std::find(m_names.begin(), m_names.end(), path);
    if (found == m_names.end())
        found = m_names.end() - 1;
    std::rotate(m_names.begin(), found, found + 1);
    m_names.front() = std::string(path);
}

void CRecentFileList::Remove(std::size_t index) {
    if (index >= m_names.size())
        return;
    m_names.erase(m_names.begin() + static_cast<std::ptrdiff_t>(index));
    m_names.emplace_back();
}

std::string CRecentFileList::GetDisplayName(std::size_t index) const {
    if (index >= m_names.size() || m_names[index].empty())
        return {};
    return std::filesystem::path(m_names[index]).filename().string();
}

void CRecentFileList::ReadList(const platform::profile::registry_store_t& store) {
    const std::string key = RecentKey();
    for (std::size_t i = 0; i < m_names.size(); ++i)
        m_names[i] = store.get(hive::current_user, key, ValueName(i)).value_or("");
}

bool CRecentFileList::WriteList(platform::profile::registry_store_t& store) const {
    const std::string key = RecentKey();
    bool ok = true;
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i].empty())
            ok = store.erase_value(hive::current_user, key, ValueName(i)) && ok;
        else
            ok = store.set(hive::current_user, key, ValueName(i), m_names[i]) && ok;
    }
    return ok;
}

void CleanRecentFileList(CRecentFileList& list) {
    for (std::size_t i = 0; i < list.GetSize();) {
        // The display name is the path's last part, so it ends as the path does.
        const std::string& name = list[i];
        if (!name.empty() && !EndsWithNoCase(name, ".dsp") && !EndsWithNoCase(name, ".zo"))
            list.Remove(i); // the next entry has moved into this slot
        else
            ++i;
    }
}

} // namespace shell
