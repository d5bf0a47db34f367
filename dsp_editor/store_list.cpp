#include "dsp_editor/store_list.h"

#include <algorithm>

namespace dsp_editor {

namespace {

// The text a builder queued, less its last `values` blank-separated parts.
std::string HeadOf(const std::string& command, int values) {
    std::size_t end = command.size();
    for (int i = 0; i < values; ++i) {
        if (end == 0)
            return command;
        end = command.rfind(' ', end - 1);
        if (end == std::string::npos)
            return command;
    }
    return command.substr(0, end + 1);
}

} // namespace

void CStoreList::Sent(int values) {
    const std::vector<std::string> queued = m_format.Queue(comm::EConsoleQueue::Store);
    m_format.ClearStoreList();
    m_commands.insert(m_commands.end(), queued.begin(), queued.end());
    if (values == 0 || !m_pruneFrom || queued.empty())
        return;
    PruneStoreQueue(*m_pruneFrom, HeadOf(queued.front(), values), queued.front(),
                    queued.size() > 1 ? std::string_view(queued[1]) : std::string_view());
}

void CStoreList::PruneStoreQueue(std::size_t start, std::string_view prefix,
                                 std::string_view command, std::string_view second) {
    if (start >= m_commands.size())
        return;
    const auto from = m_commands.begin() + static_cast<std::ptrdiff_t>(start);
    m_commands.erase(std::remove_if(from, m_commands.end(),
                                    [&](const std::string& entry) {
                                        return entry.starts_with(prefix) && entry != command &&
                                               (second.empty() || entry != second);
                                    }),
                     m_commands.end());
}

void CStoreList::KeepLastOnce(std::size_t start, std::size_t count) {
    if (count > m_commands.size() || start >= m_commands.size() - count)
        return;
    const auto last = m_commands.end() - static_cast<std::ptrdiff_t>(count);
    const std::vector<std::string> kept(last, m_commands.end());
    const auto from = m_commands.begin() + static_cast<std::ptrdiff_t>(start);
    const auto end = std::remove_if(from, last, [&](const std::string& entry) {
        return std::find(kept.begin(), kept.end(), entry) != kept.end();
    });
    m_commands.erase(end, last);
}

} // namespace dsp_editor
