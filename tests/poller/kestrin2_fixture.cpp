#include "kestrin2_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/automation/error_info.h"

extern char** environ;

namespace k2test {

namespace {

using clock_type = std::chrono::steady_clock;

std::optional<std::string> replace_env(const char* name, const std::string& value) {
    std::optional<std::string> previous;
    if (const char* old = std::getenv(name))
        previous = old;
    ::setenv(name, value.c_str(), 1);
    return previous;
}

void restore_env(const char* name, const std::optional<std::string>& previous) {
    if (previous)
        ::setenv(name, previous->c_str(), 1);
    else
        ::unsetenv(name);
}

std::filesystem::path make_temp_dir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kestrin2-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

struct temp_dir_t {
    temp_dir_t() : path(make_temp_dir()) {}
    ~temp_dir_t() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    temp_dir_t(const temp_dir_t&) = delete;
    temp_dir_t& operator=(const temp_dir_t&) = delete;
    const std::filesystem::path path;
};

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

registry_copy_t::registry_copy_t(bool copy_build_registry) : dir_(make_temp_dir()) {
    if (copy_build_registry)
        std::filesystem::copy_file(KESTRIN2_BUILD_REGISTRY, file());
    std::filesystem::create_directory(dir_ / "home");
    previous_registry_ = replace_env("OSTREL_AUTOMATION_REGISTRY", file().string());
    previous_home_ = replace_env("OSTREL_HOME", (dir_ / "home").string());
}

registry_copy_t::~registry_copy_t() {
    restore_env("OSTREL_AUTOMATION_REGISTRY", previous_registry_);
    restore_env("OSTREL_HOME", previous_home_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string take_error_info() {
    pa::com_ptr_t<pa::IErrorInfo> info;
    if (pa::GetErrorInfo(info.put()) != pa::S_OK || !info)
        return {};
    pa::BSTR source = nullptr;
    pa::BSTR description = nullptr;
    info->GetSource(&source);
    info->GetDescription(&description);
    return pa::bstr_t::attach(source).str() + ": " + pa::bstr_t::attach(description).str();
}

invoke_result_t invoke(pa::IDispatch* object, pa::DISPID id, std::uint16_t flags,
                       const std::vector<pa::variant_t>& args) {
    // Arguments travel last first.
    std::vector<pa::VARIANT> reversed(args.rbegin(), args.rend());
    pa::DISPID named = pa::DISPID_PROPERTYPUT;
    pa::DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<unsigned>(reversed.size());
    if (flags & pa::DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    invoke_result_t r;
    pa::VARIANT out;
    pa::EXCEPINFO excep;
    unsigned arg_err = 0;
    r.hr = object->Invoke(id, pa::GUID_NULL, 0, flags, &params, &out, &excep, &arg_err);
    r.value = pa::variant_t::attach(out);
    r.code = excep.wCode;
    r.source = std::string(pa::bstr_view(excep.bstrSource));
    r.description = std::string(pa::bstr_view(excep.bstrDescription));
    pa::clear_excepinfo(excep);
    return r;
}

void Kestrin2Test::SetUp() {
    ASSERT_EQ(pa::initialize(pa::concurrency_model::multithreaded), pa::S_OK);
    initialised_ = true;
}

void Kestrin2Test::TearDown() {
    if (initialised_)
        pa::uninitialize();
}

pa::dispatch_driver_t Kestrin2Test::create_manager() {
    return pa::dispatch_driver_t::create("kestrin2.com_manager.1");
}

program_result_t run_program(const std::vector<std::string>& argv, const std::string& input,
                             const std::function<void(const std::string&)>& on_line, int limit_ms) {
    const temp_dir_t scratch;
    const auto in_path = scratch.path / "stdin";
    const auto err_path = scratch.path / "stderr";
    {
        std::ofstream in(in_path, std::ios::binary);
        in << input;
    }
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in_path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> copy = argv;
    std::vector<char*> args;
    for (std::string& a : copy)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    program_result_t r;
    if (failed != 0) {
        ::close(out[0]);
        r.err = "cannot start " + argv[0];
        return r;
    }
    const auto until = clock_type::now() + std::chrono::milliseconds(limit_ms);
    std::string pending;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - clock_type::now())
                .count();
        pollfd p{out[0], POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        char chunk[4096];
        const ssize_t got = ::read(out[0], chunk, sizeof chunk);
        if (got <= 0)
            break;
        r.out.append(chunk, static_cast<std::size_t>(got));
        pending.append(chunk, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (on_line)
                on_line(line);
        }
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.err = slurp(err_path);
    return r;
}

program_result_t run_autocall(const std::string& script,
                              const std::function<void(const std::string&)>& on_line) {
    return run_program({AUTOCALL_PATH}, script, on_line);
}

bool snmpset_available() {
    return ::access("/usr/bin/snmpset", X_OK) == 0;
}

void snmpset(const std::string& address, std::uint16_t port, const std::string& oid, char type,
             const std::string& value) {
    // No MIBs and no configuration of the user's: numeric identifiers only.
    const auto r =
        run_program({"/usr/bin/env", "MIBS=", "MIBDIRS=/nonexistent", "SNMPCONFPATH=/nonexistent",
                     "/usr/bin/snmpset", "-v1", "-c", "vuzuvuz", "-r", "1", "-t", "1", "-On", "-Le",
                     address + ":" + std::to_string(port), oid, std::string(1, type), value},
                    "");
    if (r.status != 0)
        throw std::runtime_error("snmpset failed: " + r.err + r.out);
}

int slowness() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return 4;
#else
    return 1;
#endif
}

} // namespace k2test
