#include "fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
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
              "error: 0x8002000E : Wrong number of arguments\n"
              "error: 0x80020005 : Type mismatch\n"
              "error: 0x80020006 : Unknown name: nosuch\n"
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
        {"a value is no call", "n = 5\n", "error: line 1: expected OBJECT.member\n"},
        {"member of a value", "t = create Autotest.thing.1\nn = t.add 1 2\nn.add 1 2\n",
         "error: line 3: n is not an object\n"},
        {"release of an unknown name", "release ghost\n", "error: line 1: release NAME: no such name\n"},
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

} // namespace
