#include "netns.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace netns {

namespace {

constexpr const char* prefix = "ostrel-";

std::atomic<int> g_counter{0};

std::vector<char*> c_argv(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv)
        out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

std::string joined(const std::vector<std::string>& argv) {
    std::string text;
    for (const std::string& a : argv) {
        if (!text.empty())
            text += ' ';
        text += a;
    }
    return text;
}

void check(const std::vector<std::string>& argv) {
    std::string output;
    if (run(argv, &output) != 0)
        throw std::runtime_error(joined(argv) + ": " + output);
}

bool process_alive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Waits up to `ms` for the child; true when it was reaped.
bool reap(pid_t pid, int ms, int* status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const pid_t r = ::waitpid(pid, status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

int run(const std::vector<std::string>& argv, std::string* output) {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args = c_argv(argv);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    ::close(pipe_fds[0]);
    if (output)
        *output = spawned == 0 ? text : std::string("cannot run ") + argv[0];
    if (spawned != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string& unavailable_reason() {
    static const std::string reason = [] {
        if (::geteuid() != 0)
            return std::string("network namespaces need root");
        std::string output;
        if (run({"ip", "netns", "list"}, &output) != 0)
            return "ip netns is unavailable: " + output;
        const std::string probe = std::string(prefix) + std::to_string(::getpid()) + "-probe";
        if (run({"ip", "netns", "add", probe}, &output) != 0)
            return "cannot create a network namespace: " + output;
        run({"ip", "netns", "del", probe});
        return std::string();
    }();
    return reason;
}

void remove_stale() {
    DIR* dir = ::opendir("/run/netns");
    if (!dir)
        return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) != 0)
            continue;
        const std::string rest = name.substr(std::strlen(prefix));
        const std::size_t digits = rest.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, digits)));
        if (pid != ::getpid() && !process_alive(pid))
            stale.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : stale)
        run({"ip", "netns", "del", name});
}

namespace_t::namespace_t(const std::string& tag)
    : name_(std::string(prefix) + std::to_string(::getpid()) + "-" + tag + "-" +
            std::to_string(g_counter++)) {
    check({"ip", "netns", "add", name_});
    try {
        ip({"link", "set", "lo", "up"});
    } catch (...) {
        run({"ip", "netns", "del", name_});
        throw;
    }
}

namespace_t::~namespace_t() {
    run({"ip", "netns", "del", name_});
}

void namespace_t::ip(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"ip", "-n", name_};
    argv.insert(argv.end(), args.begin(), args.end());
    check(argv);
}

std::vector<std::string> namespace_t::exec_argv(const std::vector<std::string>& argv) const {
    std::vector<std::string> out{"ip", "netns", "exec", name_};
    out.insert(out.end(), argv.begin(), argv.end());
    return out;
}

enter_t::enter_t(const namespace_t& ns) {
    home_fd_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (home_fd_ < 0)
        throw std::runtime_error(std::string("open own namespace: ") + std::strerror(errno));
    const std::string path = "/run/netns/" + ns.name();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        ::close(home_fd_);
        throw std::runtime_error("enter " + path + ": " + std::strerror(error));
    }
    ::close(fd);
}

enter_t::~enter_t() {
    ::setns(home_fd_, CLONE_NEWNET);
    ::close(home_fd_);
}

topology_t::topology_t(const std::string& tag, int peers) {
    remove_stale();
    hub_ = std::make_unique<namespace_t>(tag + "h");
    const std::string pid = std::to_string(::getpid());
    for (int k = 0; k < peers; ++k) {
        peers_.push_back(std::make_unique<namespace_t>(tag + "p" + std::to_string(k)));
        const int n = g_counter++;
        link_t link;
        // Made inside the namespaces, so no name ever appears on the host.
        link.hub_if = "v" + pid + "h" + std::to_string(n);
        link.peer_if = "v" + pid + "p" + std::to_string(n);
        link.hub_address = "198.18." + std::to_string(k) + ".1";
        link.peer_address = "198.18." + std::to_string(k) + ".2";
        namespace_t& peer = *peers_.back();
        hub_->ip({"link", "add", link.hub_if, "type", "veth", "peer", "name", link.peer_if, "netns",
                  peer.name()});
        hub_->ip({"addr", "add", link.hub_address + "/24", "dev", link.hub_if});
        peer.ip({"addr", "add", link.peer_address + "/24", "dev", link.peer_if});
        hub_->ip({"link", "set", link.hub_if, "up"});
        peer.ip({"link", "set", link.peer_if, "up"});
        links_.push_back(link);
    }
}

// Peers go first: deleting a namespace takes its veth ends along.
topology_t::~topology_t() {
    peers_.clear();
    hub_.reset();
}

process_t::process_t(const namespace_t& ns, const std::vector<std::string>& argv) {
    int in_pipe[2];
    int out_pipe[2];
    if (::pipe2(in_pipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
        ::close(in_pipe[0]);
        ::close(in_pipe[1]);
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    const std::vector<std::string> full = ns.exec_argv(argv);
    std::vector<char*> args = c_argv(full);
    const int spawned = ::posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    in_fd_ = in_pipe[1];
    out_fd_ = out_pipe[0];
    if (spawned != 0) {
        pid_ = -1;
        ::close(in_fd_);
        ::close(out_fd_);
        throw std::runtime_error("cannot start " + joined(full));
    }
    // A child that ended must not kill the test with SIGPIPE on a write.
    ::signal(SIGPIPE, SIG_IGN);
}

process_t::~process_t() {
    stop();
}

int process_t::stop() {
    if (in_fd_ >= 0) {
        ::close(in_fd_);
        in_fd_ = -1;
    }
    int status = 0;
    int result = -1;
    if (pid_ > 0) {
        if (!reap(pid_, 300, &status)) {
            ::kill(pid_, SIGTERM);
            if (!reap(pid_, 2000, &status)) {
                ::kill(pid_, SIGKILL);
                reap(pid_, 5000, &status);
            }
        }
        if (WIFEXITED(status))
            result = WEXITSTATUS(status);
        pid_ = -1;
    }
    if (out_fd_ >= 0) {
        ::close(out_fd_);
        out_fd_ = -1;
    }
    return result;
}

bool process_t::send_line(const std::string& line) {
    if (in_fd_ < 0)
        return false;
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(in_fd_, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> process_t::read_line(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (eof_ || out_fd_ < 0)
            return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd p{out_fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            return std::nullopt;
        if (ready <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::read(out_fd_, chunk, sizeof chunk);
        if (n > 0)
            buffer_.append(chunk, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            eof_ = true;
    }
}

std::optional<std::string> process_t::wait_for(const std::string& prefix_text,
                                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        std::optional<std::string> line = read_line(left);
        if (!line)
            return std::nullopt;
        if (line->rfind(prefix_text, 0) == 0)
            return line;
    }
}

} // namespace netns
