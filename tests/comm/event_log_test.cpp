// The event log: daily files, the line form, the purge of old days by
// calendar date, and writers on many threads.
#include "comm/event_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CommEventLog : public testing::Test {
protected:
    void SetUp() override
    {
        // US Eastern rules written out, so no time zone data is needed:
        // summer time from 8 March 2026 02:00.
        ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
        ::tzset();
        char pattern[] = "/tmp/comm-log-XXXXXX";
        dir_ = ::mkdtemp(pattern);
    }
    void TearDown() override
    {
        fs::remove_all(dir_);
        ::unsetenv("TZ");
        ::tzset();
    }

    static std::time_t Local(int year, int month, int day, int hour, int minute, int second = 0)
    {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        tm.tm_isdst = -1;
        return std::mktime(&tm);
    }

    std::string Read(const std::string& name) const
    {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::set<std::string> Files() const
    {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_))
            out.insert(e.path().filename().string());
        return out;
    }
    void Touch(const std::string& name) const { std::ofstream(dir_ / name) << "old\r\n"; }

    fs::path dir_;
    std::time_t now_ = 0;
    comm::CEventLog::Clock clock_ = [this] { return now_; };
};

TEST_F(CommEventLog, LinesGoToTheDaysFileAndMidnightStartsANewOne)
{
    comm::CEventLog log(dir_, clock_);
    now_ = Local(2008, 3, 7, 23, 59, 58);
    log.Write("Started");
    log.SetWindowValue(0x1A2Bu);
    log.Write("网络已连接");
    now_ = Local(2008, 3, 8, 0, 0, 1);
    log.Write("next day");

    EXPECT_EQ(Read("Halvik_Log(03-07-2008).txt"),
              "2008-03-07 23:59:58   0x00000000    Started\r\n"
              "2008-03-07 23:59:58   0x00001A2B    网络已连接\r\n");
    EXPECT_EQ(Read("Halvik_Log(03-08-2008).txt"), "2008-03-08 00:00:01   0x00001A2B    next day\r\n");
}

TEST_F(CommEventLog, APurgeKeepsTheLastTenCalendarDatesAcrossTheChangeToSummerTime)
{
    // Just after midnight nine days after the change, 9 x 86400 s back is
    // still 7 March: stepping by seconds would delete 8 March's file.
    for (int day = 20; day <= 28; ++day)
        Touch("Halvik_Log(02-" + std::to_string(day) + "-2026).txt");
    for (int day = 1; day <= 17; ++day) {
        char name[40];
        std::snprintf(name, sizeof name, "Halvik_Log(03-%02d-2026).txt", day);
        Touch(name);
    }
    for (const char* other : {"halvik_log_old.TXT", "Halvik_Log.txt", "HALVIK_LOG(1).txt",
                              "Other.txt", "Halvik_Log(03-01-2026).txt.bak"})
        Touch(other);

    now_ = Local(2026, 3, 17, 0, 30);
    comm::CEventLog log(dir_, clock_);
    log.Write("purge now", true);

    std::set<std::string> expected{"Other.txt", "Halvik_Log(03-01-2026).txt.bak"};
    for (int day = 8; day <= 17; ++day) {
        char name[40];
        std::snprintf(name, sizeof name, "Halvik_Log(03-%02d-2026).txt", day);
        expected.insert(name);
    }
    EXPECT_EQ(Files(), expected);
}

TEST_F(CommEventLog, TheFirstCallNeverPurgesLaterOnesEveryTenDaysOrWhenTheClockGoesBack)
{
    Touch("Halvik_Log(01-01-2026).txt");
    now_ = Local(2026, 6, 1, 12, 0);
    comm::CEventLog log(dir_, clock_);
    log.Write("first");
    EXPECT_TRUE(Files().count("Halvik_Log(01-01-2026).txt")) << "the first call purged";

    now_ += 9 * 86400; // nine whole days: not yet
    log.Write("nine days");
    EXPECT_TRUE(Files().count("Halvik_Log(01-01-2026).txt"));
    now_ += 1;
    log.Write("just over nine days");
    EXPECT_FALSE(Files().count("Halvik_Log(01-01-2026).txt"));

    // The clock set back an hour: due again at once.
    Touch("Halvik_Log(01-02-2026).txt");
    now_ -= 3600;
    log.Write("clock back");
    EXPECT_FALSE(Files().count("Halvik_Log(01-02-2026).txt"));
}

TEST_F(CommEventLog, WritersOnManyThreadsLeaveWholeLines)
{
    now_ = Local(2026, 12, 10, 10, 0);
    comm::CEventLog log(dir_, clock_);
    std::vector<std::thread> writers;
    for (int t = 0; t < 8; ++t)
        writers.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.Write("writer " + std::to_string(t) + " line " + std::to_string(i) +
                          std::string(200, 'x'));
        });
    for (auto& w : writers)
        w.join();

    std::istringstream in(Read("Halvik_Log(12-10-2026).txt"));
    const std::regex whole("2026-12-10 10:00:00   0x00000000    writer [0-7] line [0-9]+x{200}\r");
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines)
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
    EXPECT_EQ(lines, 1600);
}

} // namespace
