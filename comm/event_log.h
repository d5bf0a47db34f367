#pragma once
// The operator program's event log: one text file per local day in the
// program folder, "Halvik_Log(<mm-dd-yyyy>).txt", each line
// "<yyyy-mm-dd hh:mm:ss>   0x<window>    <text>\r\n". Every ten days, or on
// request, the files of days older than the last ten are deleted.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace comm {

class CEventLog {
public:
    using Clock = std::function<std::time_t()>;

    // `folder` empty: the program folder, looked up at each write.
    explicit CEventLog(std::filesystem::path folder = {}, Clock clock = {});

    // Appends the line; failures are silent (a log has nowhere to report
    // them). Serialised with every other write to this log.
    void Write(std::string_view text, bool purge = false);

    // The main window's value the lines carry (0 until there is one).
    void SetWindowValue(std::uint32_t value);

    // "Halvik_Log(03-07-2008).txt" for the local date of `when`.
    static std::string DailyFileName(std::time_t when);

private:
    void Purge(const std::filesystem::path& folder, std::time_t now) const;

    std::mutex m_lock;
    std::filesystem::path m_folder;
    Clock m_clock;
    std::uint32_t m_window = 0;
    std::optional<std::time_t> m_lastPurge;
};

// The process's log in the program folder.
CEventLog& ProgramLog();
void WriteLog(std::string_view text, bool purge = false);

} // namespace comm
