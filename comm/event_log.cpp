#include "comm/event_log.h"

#include "platform/app_paths/app_paths.h"
#include "platform/text/ascii.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <set>

namespace comm {

namespace {

constexpr std::string_view kPrefix = "Halvik_Log";
constexpr int kKeptDays = 10;
constexpr std::time_t kPurgeEvery = 9 * 86400;

std::tm LocalTime(std::time_t when)
{
    std::tm tm{};
    localtime_r(&when, &tm);
    return tm;
}

bool IsLogFileName(const std::string& name)
{
    using platform::text::equals_no_case;
    return name.size() >= kPrefix.size() + 4 &&
           equals_no_case(std::string_view(name).substr(0, kPrefix.size()), kPrefix) &&
           equals_no_case(std::string_view(name).substr(name.size() - 4), ".txt");
}

} // namespace

CEventLog::CEventLog(std::filesystem::path folder, Clock clock)
    : m_folder(std::move(folder)), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::time(nullptr); };
}

void CEventLog::SetWindowValue(std::uint32_t value)
{
    std::lock_guard lock(m_lock);
    m_window = value;
}

std::string CEventLog::DailyFileName(std::time_t when)
{
    const std::tm tm = LocalTime(when);
    char date[16];
    std::strftime(date, sizeof date, "%m-%d-%Y", &tm);
    return std::string(kPrefix) + "(" + date + ").txt";
}

void CEventLog::Write(std::string_view text, bool purge)
{
    std::lock_guard lock(m_lock);
    const std::time_t now = m_clock();
    if (!m_lastPurge)
        m_lastPurge = now;
    // A clock set back counts as due as well: the files of the "future"
    // would otherwise stay for good.
    if (now - *m_lastPurge > kPurgeEvery || now < *m_lastPurge)
        purge = true;

    const std::filesystem::path folder =
        m_folder.empty() ? platform::app_paths::ProgramFolder() : m_folder;
    const std::tm tm = LocalTime(now);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S   ", &tm);
    char window[24];
    std::snprintf(window, sizeof window, "0x%08X    ", m_window);
    std::string line = std::string(stamp) + window;
    line.append(text);
    line += "\r\n";

    // One write on an append-mode descriptor, so lines of other processes
    // writing the same day's file never cut into ours.
    const int fd = ::open((folder / DailyFileName(now)).c_str(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] const auto written = ::write(fd, line.data(), line.size());
        ::close(fd);
    }
    if (purge) {
        m_lastPurge = now;
        Purge(folder, now);
    }
}

void CEventLog::Purge(const std::filesystem::path& folder, std::time_t now) const
{
    // The days kept are calendar dates: stepping back by 86400 s would skip
    // or repeat a date where the clock changes for summer time.
    std::set<std::string> kept;
    const std::tm today = LocalTime(now);
    for (int back = 0; back < kKeptDays; ++back) {
        std::tm day{};
        day.tm_year = today.tm_year;
        day.tm_mon = today.tm_mon;
        day.tm_mday = today.tm_mday - back;
        day.tm_hour = 12;
        day.tm_isdst = -1;
        kept.insert(DailyFileName(std::mktime(&day)));
    }
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsLogFileName(name) && !kept.count(name) && it->is_regular_file(ec)) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

CEventLog& ProgramLog()
{
    static CEventLog log;
    return log;
}

void WriteLog(std::string_view text, bool purge)
{
    ProgramLog().Write(text, purge);
}

} // namespace comm
