#pragma once
// What the device-sheet download tests record: the frame's notifications
// and cursor, and the output list's lines, from the download's thread.
#include "comm/device_download.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace download_test {

constexpr std::uint32_t Ip(int a, int b, int c, int d)
{
    return std::uint32_t(a) << 24 | std::uint32_t(b) << 16 | std::uint32_t(c) << 8 |
           std::uint32_t(d);
}

class CRecordingFrame final : public comm::IDownloadFrame {
public:
    void SetWaitCursor(bool wait) override { Record(wait ? "wait" : "arrow"); }
    void NotifyDownloadBegin() override { Record("begin"); }
    void NotifyDownloadFailed() override { Record("failed"); }
    void NotifyDownloadDone() override { Record("done"); }
    std::vector<std::string> Events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    void Record(std::string e)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(e));
    }
    std::mutex m_mutex;
    std::vector<std::string> m_events;
};

class CRecordingOutput final : public comm::IOutputList {
public:
    void AddLine(const std::string& line) override
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

} // namespace download_test
