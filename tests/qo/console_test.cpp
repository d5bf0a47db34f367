#include "qo/console.h"
#include "qo/format.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Each test traces into its own file through QO_TRACE_FILE.
class QoConsole : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                (std::string("qo_console_") + info->name() + "_" + std::to_string(::getpid()));
        fs::remove(path_);
        ::setenv("QO_TRACE_FILE", path_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("QO_TRACE_FILE");
        fs::remove(path_);
    }
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    fs::path path_;
};

TEST_F(QoConsole, TextWrittenWhileHiddenIsLostAndNotReplayed) {
    qo::console_t console;
    EXPECT_FALSE(console.shown());
    console << "early " << 1 << "\n";
    console.show(true);
    EXPECT_TRUE(console.shown());
    console << "seen " << 2 << std::endl;
    console.show(false);
    console << "late\n";
    console.show(true);
    console.show(true);
    console << "again\n";
    console.show(false);
    EXPECT_EQ(contents(), "seen 2\nagain\n");
}

TEST_F(QoConsole, FlushWritesAnUnfinishedLine) {
    qo::console_t console;
    console.show(true);
    console << "partial" << std::flush;
    EXPECT_EQ(contents(), "partial");
    console << " rest\n";
    EXPECT_EQ(contents(), "partial rest\n");
}

TEST_F(QoConsole, FormatsWithoutTheProcessLocaleAndKeepsStreamStatePerThread) {
    qo::console_t console;
    console.show(true);
    qo::format(console, "%s=%d %e\n", "level", -3, 0.5);
    console << std::hex << 255 << " " << std::setw(4) << 7 << " " << 1.5 << "\n";
    std::thread other([&] { console << 255 << "\n"; });
    other.join();
    EXPECT_EQ(contents(), "level=-3 5.000000e-001\nff    7 1.5\n255\n");
}

// Lines traced by several threads at once, each written in many pieces,
// come out whole and in each thread's order.
TEST_F(QoConsole, LinesOfManyThreadsNeverInterleave) {
    qo::console_t console;
    console.show(true);
    constexpr int threads = 8;
    constexpr int lines = 200;
    const std::string payload(150, '#');
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t)
        writers.emplace_back([&, t] {
            for (int n = 0; n < lines; ++n)
                console << "T" << t << " " << n << " " << payload << " end" << std::endl;
        });
    for (std::thread& w : writers)
        w.join();
    console.show(false);

    std::istringstream in(contents());
    std::string line;
    std::map<int, int> next;
    int count = 0;
    while (std::getline(in, line)) {
        ++count;
        int t = -1;
        int n = -1;
        char rest[400] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "T%d %d %399[^\n]", &t, &n, rest), 3) << line;
        ASSERT_EQ(std::string(rest), payload + " end") << line;
        ASSERT_EQ(n, next[t]) << line;
        ++next[t];
    }
    EXPECT_EQ(count, threads * lines);
}

TEST_F(QoConsole, ProcessWideConsoleIsThere) {
    qo::console.show(true);
    qo::console << "from the process console\n";
    qo::console.show(false);
    EXPECT_EQ(contents(), "from the process console\n");
}

// A sink whose reader is gone must not end the process.
TEST(QoConsoleSink, ClosedSinkDoesNotEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::unsetenv("QO_TRACE_FILE");
            int ends[2];
            if (::pipe(ends) != 0)
                std::_Exit(3);
            ::close(ends[0]);
            ::dup2(ends[1], STDERR_FILENO);
            qo::console_t console;
            console.show(true);
            console << "nobody reads this" << std::endl;
            console << "nor this\n";
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
