#include "fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

using namespace autotest;

namespace {

struct run_result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs autocall with `script` on its standard input (or the given arguments).
run_result autocall(const temp_registry_t& reg, const std::string& script,
                    std::vector<std::string> args = {})
{
    const auto in = reg.dir() / "script.txt";
    const auto out = reg.dir() / "out.txt";
    const auto err = reg.dir() / "err.txt";
    {
        std::ofstream f(in);
        f << script;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv_text{AUTOCALL_PATH};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_text)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    run_result r;
    if (posix_spawn(&pid, AUTOCALL_PATH, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

class AutomationAutocall : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto r = autocall(registry_, "", {"--register", AUTOTEST_SERVER_PATH});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    temp_registry_t registry_;
};

TEST_F(AutomationAutocall, DrivesAServerCreatedByProgIdInAnyCase)
{
    const auto r = autocall(registry_,
                            "# comment lines and blank lines are skipped\n"
                            "\n"
                            "t = create autotest.THING.1\n"
                            "sum = t.add 40 2\n"
                            "t.Name = \"say \\\"hi\\\"\"\n"
                            "print sum t.name\n"
                            "t.ratio = 2.5\n"
                            "t.flag = true\n"
                            "print t.ratio t.flag t.checksum \"literal\" 7\n"
                            "v = t.items 2\n"
                            "print v.length v\n"
                            "first = v.at 0\n"
                            "print first.name\n"
                            "same = t.same first\n"
                            "other = t.same nothing\n"
                            "print same other\n"
                            "release v\n"
                            "sleep 10\n"
                            "u = create \"{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F001}\"\n"
                            "print u.calls\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "42 say \"hi\"\n"
              "2.5 true 3735928559 literal 7\n"
              "2 <object>\n"
              "item0\n"
              "1 0\n"
              "0\n");
}

TEST_F(AutomationAutocall, FailedCallEndsTheScriptWithItsError)
{
    const auto r = autocall(registry_,
                            "t = create Autotest.thing.1\n"
                            "print \"before\"\n"
                            "t.fail \"stop here\"\n"
                            "print \"after\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "before\n");
    EXPECT_EQ(r.err, "error: 0x80020009 Autotest.thing.1: thing::fail : stop here\n");
}

TEST_F(AutomationAutocall, TryPrintsTheErrorAndGoesOn)
{
    const auto r = autocall(registry_,
                            "t = create Autotest.thing.1\n"
                            "v = t.items 3\n"
                            "try x = v.at -1\n"
                            "try x = v.at 3\n"
                            "try t.limit = -5\n"
                            "try t.add 1\n"
                            "try t.add \"x\" 1\n"
                            "try t.nosuch\n"
                            "try n = create nosuch.thing.1\n"
                            "try t.explode\n"
                            "print \"end\"\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "end\n");
    EXPECT_EQ(r.err,
              "error: 0x80020009 Autotest.vector.1: Illegal index -1 for vector with 3 element(s).\n"
              "error: 0x80020009 Autotest.vector.1: Illegal index 3 for vector with 3 element(s).\n"
              "error: 0x80020009 Autotest.thing.1: Out of range of the limit\n"
              "error: 0x8002000E Autotest.thing.1: add takes 2 arguments, not 1\n"
              "error: 0x80020005 Autotest.thing.1: add: argument 1 must be a 32-bit integer\n"
              "error: 0x80020006 Autotest.thing.1: Unknown member nosuch; members: add, name, "
              "calls, limit, fail, explode, explode_odd, items, flag, ratio, echo, start_worker, "
              "same, checksum, texts\n"
              "error: 0x80040154 nosuch.thing.1: Class not registered\n"
              "error: 0x80020009 Autotest.thing.1: boom\n");
}

TEST_F(AutomationAutocall, ScriptGivenWithDashE)
{
    const auto r = autocall(registry_, "print \"stdin is not read\"\n",
                            {"-e", "t = create Autotest.thing\nn = t.add 1 2", "-e", "print n \"x\""});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3 x\n");
}

TEST_F(AutomationAutocall, MalformedScriptsEndWithStatus2)
{
    const struct {
        const char* fault;
        const char* script;
        const char* err;
    } rows[] = {
        {"unknown name", "print nobody\n", "error: line 1: no such name: nobody\n"},
        {"unterminated string", "t = create Autotest.thing.1\nprint \"open\n",
         "error: line 2: unterminated string\n"},
        {"a value is no call", "n = 5\n",
         "error: line 1: after n = comes create PROGID or OBJECT.member, not 5\n"},
        {"a call as an argument", "t = create Autotest.thing.1\nn = t.add t.calls 1\n",
         "error: line 2: an argument is a value, not a call: t.calls (keep its result in a NAME "
         "first)\n"},
        {"no command", "t\n",
         "error: line 1: not a command: t (a line is NAME = ..., OBJECT.member ..., print, "
         "release, sleep, try, help or quit)\n"},
        {"member of a value", "t = create Autotest.thing.1\nn = t.add 1 2\nn.add 1 2\n",
         "error: line 3: n is not an object\n"},
        {"release of an unknown name", "release ghost\n",
         "error: line 1: release: no such name: ghost\n"},
        {"malformed number", "sleep 1x\n", "error: line 1: not a number: 1x\n"},
    };
    for (const auto& row : rows) {
        const auto r = autocall(registry_, row.script);
        EXPECT_EQ(r.status, 2) << row.fault;
        EXPECT_EQ(r.err, row.err) << row.fault;
    }
}

TEST_F(AutomationAutocall, UnregisterRemovesTheClasses)
{
    auto r = autocall(registry_, "", {"--unregister", AUTOTEST_SERVER_PATH});
    ASSERT_EQ(r.status, 0) << r.err;
    r = autocall(registry_, "t = create Autotest.thing.1\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "error: 0x80040154 Autotest.thing.1: Class not registered\n");
    r = autocall(registry_, "", {"--register", (registry_.dir() / "missing.so").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot load"), std::string::npos) << r.err;
}

TEST_F(AutomationAutocall, RefusedCallsNameTheMemberAndWhatItTakes)
{
    const struct {
        const char* fault;
        const char* line;
        const char* err;
    } rows[] = {
        {"argument count not told", "t.add 1 2 3",
         "error: 0x8002000E Autotest.thing.1: add takes 2 arguments, not 3\n"},
        {"property given arguments", "n = t.name 1",
         "error: 0x8002000E Autotest.thing.1: name takes no arguments, not 1\n"},
        {"method without its arguments in print", "print t.add",
         "error: 0x8002000E Autotest.thing.1: add takes 2 arguments, not 0\n"},
        {"read-only property set", "t.calls = 1",
         "error: 0x80020003 Autotest.thing.1: calls is read-only\n"},
        {"write-only property read", "print t.limit",
         "error: 0x80020003 Autotest.thing.1: limit is write-only\n"},
        {"method set", "t.add = 1",
         "error: 0x80020003 Autotest.thing.1: add is a method and cannot be set\n"},
        {"wrong value type of a property", "t.flag = \"maybe\"",
         "error: 0x80020005 Autotest.thing.1: the value of flag must be true or false\n"},
        {"wrong type of a later argument", "t.add 1 \"x\"",
         "error: 0x80020005 Autotest.thing.1: add: argument 2 must be a 32-bit integer\n"},
        {"number for an object", "t.same 5",
         "error: 0x80020005 Autotest.thing.1: same: argument 1 must be an object (or nothing)\n"},
        {"unknown member of a returned object", "v = t.items 1\ntry v.size",
         "error: 0x80020006 Autotest.vector.1: Unknown member size; members: length, at\n"},
    };
    for (const auto& row : rows) {
        const auto r = autocall(registry_, std::string("t = create Autotest.thing.1\ntry ") + row.line
                                               + "\nprint \"end\"\n");
        EXPECT_EQ(r.status, 0) << row.fault << ": " << r.err;
        EXPECT_EQ(r.err, row.err) << row.fault;
        EXPECT_EQ(r.out, "end\n") << row.fault;
    }
}

// A running autocall whose standard input, output and error are a terminal
// (the far side of a pseudo-terminal) or pipes, talked to line by line.
class session_t {
public:
    enum class over { terminal, pipes };

    session_t(over how, std::vector<std::string> args) : how_(how)
    {
        // A session that ended early makes a write fail, not the test die.
        ::signal(SIGPIPE, SIG_IGN);
        std::vector<std::string> argv_text{AUTOCALL_PATH};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argv_text)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (how == over::terminal) {
            // No echo and no output processing: the test reads what autocall wrote, as written.
            termios mode{};
            mode.c_iflag = ICRNL;
            mode.c_lflag = ICANON | ISIG;
            mode.c_cflag = CS8 | CREAD;
            mode.c_cc[VEOF] = 4;
            mode.c_cc[VINTR] = 3;
            cfsetispeed(&mode, B38400);
            cfsetospeed(&mode, B38400);
            pid_ = ::forkpty(&out_, nullptr, &mode, nullptr);
            if (pid_ == 0) {
                ::execve(AUTOCALL_PATH, argv.data(), environ);
                ::_exit(127);
            }
            in_ = out_;
            return;
        }
        int to_child[2];
        int from_child[2];
        if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
        posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
        posix_spawn_file_actions_adddup2(&actions, from_child[1], 2);
        if (posix_spawn(&pid_, AUTOCALL_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(to_child[0]);
        ::close(from_child[1]);
        in_ = to_child[1];
        out_ = from_child[0];
    }

    ~session_t()
    {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (in_ >= 0 && in_ != out_)
            ::close(in_);
        if (out_ >= 0)
            ::close(out_);
    }
    session_t(const session_t&) = delete;
    session_t& operator=(const session_t&) = delete;

    bool started() const { return pid_ > 0; }

    void send(std::string_view text) const
    {
        while (!text.empty()) {
            const auto n = ::write(in_, text.data(), text.size());
            if (n <= 0)
                return;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // Reads until `wanted` appears, and gives what came up to its end (the
    // rest stays for the next wait); empty optional at the deadline or the end.
    std::optional<std::string> wait_for(std::string_view wanted)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            if (const auto at = pending_.find(wanted); at != std::string::npos) {
                std::string got = pending_.substr(0, at + wanted.size());
                pending_.erase(0, at + wanted.size());
                return got;
            }
            if (!read_some(deadline))
                return std::nullopt;
        }
    }

    // Ends the input: end of file typed on the terminal, or the pipe closed.
    void end_input()
    {
        if (how_ == over::terminal) {
            send("\x04");
        } else {
            ::close(in_);
            in_ = -1;
        }
    }

    // The exit status (-1 when it does not end by the deadline); what was
    // still unread is kept in rest().
    int wait_exit()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (read_some(deadline)) {
        }
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::poll(nullptr, 0, 10);
        }
        return -1;
    }

    const std::string& rest() const { return pending_; }

private:
    // False at the end of the output (on a terminal: EIO once the child is gone) or the deadline.
    bool read_some(std::chrono::steady_clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buf[4096];
        const auto n = ::read(out_, buf, sizeof buf);
        if (n <= 0)
            return false;
        pending_.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    over how_;
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string pending_;
};

TEST_F(AutomationAutocall, InteractiveSessionRunsEachLineAsTypedAndGoesOnAfterErrors)
{
    const struct {
        const char* mode;
        session_t::over how;
        std::vector<std::string> args;
    } modes[] = {
        {"on a terminal", session_t::over::terminal, {}},
        {"forced on pipes", session_t::over::pipes, {"-i"}},
    };
    const std::string prompt = "autocall> ";
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.mode);
        session_t s(mode.how, mode.args);
        ASSERT_TRUE(s.started());
        ASSERT_TRUE(s.wait_for(prompt));
        // Every answer is awaited before the next line goes: nothing runs
        // only once the input has ended.
        s.send("t = create Autotest.thing.1\n");
        ASSERT_TRUE(s.wait_for(prompt));
        s.send("print \"first\"\n");
        auto got = s.wait_for(prompt);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, "first\n" + prompt);
        s.send("t.fail \"oops\"\n");
        got = s.wait_for(prompt);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, "error: 0x80020009 Autotest.thing.1: thing::fail : oops\n" + prompt);
        s.send("print nobody\n");
        got = s.wait_for(prompt);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, "error: no such name: nobody\n" + prompt);
        s.send("help\n");
        got = s.wait_for(prompt);
        ASSERT_TRUE(got);
        EXPECT_NE(got->find("NAME = create PROGID"), std::string::npos) << *got;
        s.send("n = t.add 40 2\n");
        ASSERT_TRUE(s.wait_for(prompt));
        s.send("print n\n");
        got = s.wait_for(prompt);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, "42\n" + prompt);
        s.end_input();
        EXPECT_EQ(s.wait_exit(), 0) << s.rest();
    }
}

TEST_F(AutomationAutocall, ScriptOnAPipeRunsLinesAsTheyComeAndEndsAtTheFirstFailure)
{
    session_t s(session_t::over::pipes, {});
    ASSERT_TRUE(s.started());
    s.send("t = create Autotest.thing.1\nprint \"first\"\n");
    ASSERT_TRUE(s.wait_for("first\n"));
    // The input stays open: the failure alone ends the script.
    s.send("t.fail \"stop\"\nprint \"after\"\n");
    EXPECT_EQ(s.wait_exit(), 1);
    EXPECT_EQ(s.rest(), "error: 0x80020009 Autotest.thing.1: thing::fail : stop\n");
}

TEST_F(AutomationAutocall, HelpDescribesTheLanguage)
{
    const auto r = autocall(registry_, "", {"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* statement : {"NAME = create PROGID", "OBJ.member = VALUE", "print EXPR",
                                  "release NAME", "sleep MS", "try LINE", "--register LIB",
                                  "--unregister LIB", "-i, --interactive"})
        EXPECT_NE(r.out.find(statement), std::string::npos) << statement;
}

} // namespace
