// The instance lock across processes: a second start is refused and raises
// the first; a first start killed leaves nothing that refuses the next.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

struct Probe {
    pid_t pid = -1;
    FILE* out = nullptr;
};

Probe Start(const std::string& folder)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl(INSTANCE_PROBE_PATH, INSTANCE_PROBE_PATH, folder.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(fds[1]);
    return {pid, ::fdopen(fds[0], "r")};
}

std::string Line(const Probe& p)
{
    char buffer[64] = {};
    if (!std::fgets(buffer, sizeof buffer, p.out))
        return {};
    std::string line(buffer);
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

int End(Probe& p)
{
    int status = 0;
    ::waitpid(p.pid, &status, 0);
    std::fclose(p.out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(SingleInstance, ASecondStartRaisesTheFirstAndEnds)
{
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("ostrel-instance-" + std::to_string(::getpid())))
            .string();
    Probe first = Start(folder);
    ASSERT_EQ(Line(first), "first");

    // Another program folder is another program.
    Probe other = Start(folder + "-other");
    EXPECT_EQ(Line(other), "first");
    ::kill(other.pid, SIGTERM);
    End(other);

    Probe second = Start(folder);
    EXPECT_EQ(Line(second), "second");
    EXPECT_EQ(End(second), 3);
    EXPECT_EQ(Line(first), "shown");
    EXPECT_EQ(End(first), 0);

    // A first start that died leaves its socket file; the next start is
    // the first all the same.
    Probe crashed = Start(folder);
    ASSERT_EQ(Line(crashed), "first");
    ::kill(crashed.pid, SIGKILL);
    End(crashed);
    Probe next = Start(folder);
    EXPECT_EQ(Line(next), "first");
    ::kill(next.pid, SIGTERM);
    End(next);
}

} // namespace
