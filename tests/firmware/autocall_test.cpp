// End to end: tools/autocall, a separate client process, registers
// libgorlith.so and drives it by ProgID against simulated units on
// loopback, as the server's own client would.
#include "firmware/tftp.h"

#include "family_cases.h"
#include "firmware_fixture.h"
#include "server_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace firmware_test;


// The client has no loop: a job is polled a fixed number of times. Jobs on
// loopback take tens of milliseconds; the sanitizer builds are slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int poll_count = 240;
#else
constexpr int poll_count = 80;
#endif

struct run_t {
    int status = -1;
    std::vector<std::string> out;
    std::vector<std::string> err;
};

std::vector<std::string> lines_of(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs autocall with the arguments, `script` on its standard input.
run_t autocall(const temp_dir_t& dir, const std::string& script,
               std::vector<std::string> args = {}) {
    const std::string in = dir.file("script.txt");
    const std::string out = dir.file("out.txt");
    const std::string err = dir.file("err.txt");
    std::ofstream(in) << script;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), AUTOCALL_PATH);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    run_t run;
    pid_t pid = 0;
    if (::posix_spawn(&pid, AUTOCALL_PATH, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = lines_of(out);
    run.err = lines_of(err);
    return run;
}

// Script lines that poll `job` and print "<label> <done>" each time.
std::string poll(const std::string& label, const std::string& job) {
    std::string lines;
    for (int i = 0; i < poll_count; ++i)
        lines += "sleep 25\nprint \"" + label + "\" " + job + ".done\n";
    return lines;
}

// The last value a poll printed for `label`.
std::string last(const run_t& run, const std::string& label) {
    std::string value = "(not printed)";
    for (const std::string& line : run.out)
        if (line.rfind(label + " ", 0) == 0)
            value = line.substr(label.size() + 1);
    return value;
}

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string settings(const std::string& images) {
    return "u = create Gorlith.updater.1\n"
           "u.timeout = 1000\n"
           "u.write_timeout = 3000\n"
           "u.retries = 1\n"
           "u.holdoff = 10\n"
           "u.init \"" + images + "\"\n";
}

class GorlithAutocall : public ::testing::TestWithParam<family_case_t> {
protected:
    void start(const family_case_t& c, std::vector<std::string> args = {}) {
        install_case_unit(c, dir_.file("unit"));
        write_case_images(c, images_.path());
        args.insert(args.end(), {"--mac", unit_mac});
        unit_ = std::make_unique<namsim_t>(c.family, dir_.file("unit"), args, c.address);
        port_ = std::make_unique<env_guard_t>("GORLITH_TFTP_PORT", std::to_string(unit_->port()));
        const run_t reg = autocall(dir_, "", {"--register", GORLITH_PATH});
        ASSERT_EQ(reg.status, 0) << joined(reg.err);
    }

    temp_registry_t registry_;
    temp_dir_t dir_;
    temp_dir_t images_;
    std::unique_ptr<namsim_t> unit_;
    std::unique_ptr<env_guard_t> port_;
};

TEST_P(GorlithAutocall, ReadsWritesAndCancels) {
    const family_case_t& c = GetParam();
    start(c);
    const std::string address = std::string("\"") + c.address + "\"";
    const std::string script =
        settings(images_.path()) +
        "j = u.upload " + address + "\n" + poll("upload", "j") +
        "unit = j.result\n"
        "print \"type\" unit.type\n"
        "print \"mac\" unit.mac\n"
        "v = unit.ver\n"
        "print \"running\" v.name\n"
        "p = u.find_prefered v\n"
        "print \"prefered\" p.name\n"
        "c = u.find_compatible v\n"
        "print \"compatible\" c.length\n"
        "k = unit.check_update p\n"
        "print \"code_update\" k.code_update\n"
        "d = unit.download p\n" + poll("download", "d") +
        "print \"status\" d.status\n"
        "j2 = u.upload " + address + "\n" + poll("upload2", "j2") +
        "unit2 = j2.result\n"
        "v2 = unit2.ver\n"
        "print \"now\" v2.name\n"
        // Back to the old version, cancelled: it is still written whole.
        "x = unit2.download2 v 0 1\n"
        "x.cancel\n" + poll("cancelled", "x") +
        "print \"cancel status\" x.status\n";
    const run_t run = autocall(dir_, script);
    ASSERT_EQ(run.status, 0) << joined(run.err) << joined(run.out);
    EXPECT_EQ(last(run, "upload"), "1");
    EXPECT_TRUE(has_line(run.out, "type " + std::to_string(c.type_code)));
    EXPECT_TRUE(has_line(run.out, std::string("mac ") + unit_mac));
    EXPECT_TRUE(has_line(run.out, "running " + case_version_name(c, false)));
    EXPECT_TRUE(has_line(run.out, "prefered " + case_version_name(c, true)));
    EXPECT_TRUE(has_line(run.out, "compatible 2"));
    EXPECT_TRUE(has_line(run.out, "code_update 1"));
    EXPECT_EQ(last(run, "download"), "1");
    EXPECT_TRUE(has_line(run.out, std::string("status ") + c.download_done));
    EXPECT_EQ(last(run, "upload2"), "1");
    EXPECT_TRUE(has_line(run.out, "now " + case_version_name(c, true)));
    EXPECT_EQ(last(run, "cancelled"), "3");
    EXPECT_TRUE(has_line(run.out, std::string("cancel status ") + c.download_done));
}

INSTANTIATE_TEST_SUITE_P(Families, GorlithAutocall, ::testing::ValuesIn(family_cases()),
                         [](const auto& info) { return std::string(info.param.family); });

// Every error a client can meet, with its source and text, on a unit that
// stays silent.
TEST_F(GorlithAutocall, ErrorsReachTheClient) {
    const family_case_t& c = family_cases()[0];
    start(c, {"--fault", "silent"});
    const std::string script =
        settings(images_.path()) +
        "u.timeout = 200\n"
        "try j = u.upload \"10.0.0\"\n"
        "try p = u.find_prefered 5\n"
        "try p = u.find_compatible nothing\n"
        "a = u.find_all\n"
        "try x = a.at -1\n"
        "try x = a.at 2\n"
        "v = a.at 0\n"
        "j = u.upload \"" + std::string(c.address) + "\"\n"
        "try r = j.result\n"
        "w = create Gorlith.unit.1\n"
        "try w.mac = \"0060\"\n"
        "try d = w.download2 v 3 0\n"
        "try d = w.download2 v 0 2\n"
        "try d = w.download u\n"
        "try d = w.download v\n"
        "try k = w.check_update v\n" + poll("upload", "j") +
        "print \"status\" j.status\n";
    const run_t run = autocall(dir_, script);
    ASSERT_EQ(run.status, 0) << joined(run.err) << joined(run.out);
    const std::vector<std::string> expected = {
        "error: 0x80020009 Gorlith.updater.1: updater::upload : invalid parameter passed",
        "error: 0x80020009 Gorlith.updater.1: updater::find_prefered : invalid parameter passed",
        "error: 0x80020009 Gorlith.updater.1: updater::find_compatible : invalid parameter passed",
        "error: 0x80020009 Gorlith.com_vector.1: Illegal index -1 for vector with 2 element(s).",
        "error: 0x80020009 Gorlith.com_vector.1: Illegal index 2 for vector with 2 element(s).",
        "error: 0x80020009 Gorlith.job.1: Haven't finished the operation, no result.",
        "error: 0x80020009 Gorlith.unit.1: Unit::mac : invalid parameter passed",
        "error: 0x80020009 Gorlith.unit.1: Unit::update : invalid boot range",
        "error: 0x80020009 Gorlith.unit.1: Unit::update : invalid code range",
        "error: 0x80020009 Gorlith.unit.1: Unit::update : invalid parameter passed",
        "error: 0x80020009 Gorlith.unit.1: Unit::update : object error",
        "error: 0x80020009 Gorlith.unit.1: Unit::check_update : object error",
    };
    EXPECT_EQ(run.err, expected);
    EXPECT_EQ(last(run, "upload"), "2");
    // The status text holds a line break: its second line follows.
    EXPECT_TRUE(has_line(run.out, "status Timeout during firmware file transfer.\r"));
}

} // namespace
