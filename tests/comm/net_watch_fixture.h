#pragma once
// Shared by the watch threads' tests: a program folder of the test's own
// whose event log the test reads back, short waits, and polling with a
// deadline.
#include "comm/net_watch.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace watch_test {

using namespace std::chrono_literals;

// $OSTREL_HOME for the test's life: the watch threads' log goes there.
class CProgramFolder {
public:
    CProgramFolder()
    {
        char pattern[] = "/tmp/comm-watch-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made)
            throw std::runtime_error("mkdtemp failed");
        m_dir = made;
        ::setenv("OSTREL_HOME", m_dir.c_str(), 1);
    }
    ~CProgramFolder()
    {
        ::unsetenv("OSTREL_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    CProgramFolder(const CProgramFolder&) = delete;
    CProgramFolder& operator=(const CProgramFolder&) = delete;

    // The texts of the log's lines, in order, without time and window.
    std::vector<std::string> LogTexts() const
    {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            if (entry.path().filename().string().rfind("Halvik_Log(", 0) == 0)
                files.push_back(entry.path());
        std::sort(files.begin(), files.end()); // a run across midnight
        std::vector<std::string> texts;
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            std::stringstream all;
            all << in.rdbuf();
            const std::string text = all.str();
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t end = text.find("\r\n", at);
                if (end == std::string::npos)
                    break; // a line still being written
                const std::string line = text.substr(at, end - at);
                // "<date> <time>   0x<8 digits>    <text>"
                const std::size_t window = line.find("   0x");
                texts.push_back(window == std::string::npos ? line
                                                            : line.substr(window + 3 + 10 + 4));
                at = end + 2;
            }
        }
        return texts;
    }

    bool LogHas(const std::string& text) const
    {
        for (const std::string& line : LogTexts())
            if (line == text)
                return true;
        return false;
    }

private:
    std::filesystem::path m_dir;
};

// Short waits, so a test sees many passes and sweeps.
inline comm::CWatchTiming QuickTiming()
{
    comm::CWatchTiming timing;
    timing.sweepWindow = 300ms;
    timing.sweepSleep = 20ms;
    timing.readTimeout = 50ms;
    timing.failureSleep = 1ms;
    timing.noAdapterSleep = 1ms;
    timing.creationSleep = 1ms;
    return timing;
}

template <typename Condition>
bool Eventually(Condition&& condition, std::chrono::milliseconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

} // namespace watch_test
