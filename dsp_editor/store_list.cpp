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

void CStoreList::Take(int values) {
    const std::vector<std::string> queued = m_format.Queue(comm::EConsoleQueue::Store);
    m_format.ClearStoreList();
    m_commands.insert(m_commands.end(), queued.begin(), queued.end());
    if (values == 0 || !m_pruneFrom || queued.empty())
        return;
    PruneStoreQueue(*m_pruneFrom, HeadOf(queued.front(), values), queued.front(),
                    queued.size() > 1 ? std::string_view(queued[1]) : std::string_view());
}

void CStoreList::Text(std::string_view text) {
    m_format.SendText(text, true);
    Take(0);
}
void CStoreList::MDU(int type, int order, int variant) {
    m_format.SendMDU(type, order, variant, true);
    Take(0);
}
void CStoreList::ILK(int toOrder, int toPin, int fromOrder, int fromPin) {
    m_format.SendILK(toOrder, toPin, fromOrder, fromPin, true);
    Take(0);
}
void CStoreList::SetI(int order, int code, int value) {
    m_format.SendSetI(order, code, value, true);
    Take(1);
}
void CStoreList::SetF(int order, int code, float value) {
    m_format.SendSetF(order, code, value, true);
    Take(1);
}
void CStoreList::SetII(int order, int code, int index, int value) {
    m_format.SendSetII(order, code, index, value, true);
    Take(1);
}
void CStoreList::SetIF(int order, int code, int index, float value) {
    m_format.SendSetIF(order, code, index, value, true);
    Take(1);
}
void CStoreList::SetIIF(int order, int code, int a, int b, float value) {
    m_format.SendSetIIF(order, code, a, b, value, true);
    Take(1);
}
void CStoreList::SetFF(int order, int code, float a, float b) {
    m_format.SendSetFF(order, code, a, b, true);
    Take(2);
}
void CStoreList::Biquad(int order, int index, const BiquadCoeffs& section) {
    // Two lines under one head: b0 b1 b2, then a1 a2.
    m_format.SendBiquad(order, index, section, true);
    Take(3);
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
