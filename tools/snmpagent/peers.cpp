#include "tools/snmpagent/peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tools/snmpagent/ber.h"

extern char** environ;

namespace snmp_peers {

namespace {

using clock_type = std::chrono::steady_clock;

sockaddr_in socket_address(const std::string& address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1)
        throw std::runtime_error("not an IPv4 address: " + address);
    return a;
}

bool child_ended(pid_t pid) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    return done == pid || (done < 0 && errno == ECHILD);
}

void end_child(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const auto until = clock_type::now() + std::chrono::seconds(5);
    while (!child_ended(pid)) {
        if (clock_type::now() >= until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extra_env,
            posix_spawn_file_actions_t* actions) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_copy = extra_env;
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        envp.push_back(*e);
    for (std::string& e : env_copy)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), envp.data());
    if (failed != 0)
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(failed));
    return pid;
}

// true when an SNMP version 1 agent answers a get of sysDescr there.
bool agent_answers(const std::string& address, std::uint16_t port, const std::string& community) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    snmpagent::message_t probe;
    probe.community = community;
    probe.pdu_type = snmpagent::pdu_get;
    probe.request_id = 4711;
    probe.bindings.push_back(
        {*snmpagent::oid_content("1.3.6.1.2.1.1.1.0"), snmpagent::element_t{snmpagent::tag_null, {}}});
    const snmpagent::bytes_t packet = snmpagent::write_message(probe);
    const sockaddr_in to = socket_address(address, port);
    ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    pollfd p{fd, POLLIN, 0};
    bool answered = false;
    if (::poll(&p, 1, 200) == 1) {
        std::uint8_t buffer[2048];
        answered = ::recv(fd, buffer, sizeof buffer, 0) > 0;
    }
    ::close(fd);
    return answered;
}

std::string make_temp_folder(const char* stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / stem).string() + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

const char* snmpd_path() {
    // Tests of the peer rule point this elsewhere to play a machine
    // without snmpd.
    if (const char* chosen = std::getenv("OSTREL_SNMPD"); chosen && *chosen)
        return ::access(chosen, X_OK) == 0 ? chosen : nullptr;
    for (const char* path : {"/usr/sbin/snmpd", "/sbin/snmpd", "/usr/local/sbin/snmpd"})
        if (::access(path, X_OK) == 0)
            return path;
    return nullptr;
}

} // namespace

std::uint16_t free_udp_port(const std::string& address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = socket_address(address, 0);
    socklen_t size = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error(std::string("no free port: ") + std::strerror(error));
    }
    ::close(fd);
    return ntohs(a.sin_port);
}

bool snmpd_t::available() {
    return snmpd_path() != nullptr;
}

snmpd_t::snmpd_t(const std::string& address) : address_(address) {
    if (!available())
        throw std::runtime_error("snmpd is not installed");
    folder_ = make_temp_folder("snmpd-peer");
    std::filesystem::create_directory(folder_ + "/persist");
    // A port taken between the probe and snmpd's bind: try another.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (start_on(free_udp_port(address_)))
            return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    throw std::runtime_error("snmpd did not come up on " + address_);
}

bool snmpd_t::start_on(std::uint16_t port) {
    port_ = port;
    {
        std::ofstream conf(folder_ + "/snmpd.conf", std::ios::trunc);
        conf << "agentAddress udp:" << address_ << ":" << port << "\n"
             << "rwcommunity " << community << " 127.0.0.0/8\n"
             << "sysDescr " << sys_descr << "\n"
             << "sysLocation test bench\n";
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (folder_ + "/stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    try {
        pid_ = spawn({snmpd_path(), "-C", "-c", folder_ + "/snmpd.conf", "-Lf", folder_ + "/log",
                      "-f", "-p", folder_ + "/pid", "-M", folder_ + "/mibs", "-m", ""},
                     {"SNMP_PERSISTENT_DIR=" + folder_ + "/persist", "SNMPCONFPATH=" + folder_},
                     &actions);
    } catch (...) {
        posix_spawn_file_actions_destroy(&actions);
        throw;
    }
    posix_spawn_file_actions_destroy(&actions);
    const auto until = clock_type::now() + std::chrono::seconds(15);
    while (clock_type::now() < until) {
        if (child_ended(pid_)) {
            pid_ = -1;
            return false;
        }
        if (agent_answers(address_, port_, community))
            return true;
    }
    stop();
    return false;
}

void snmpd_t::stop() {
    end_child(pid_);
    pid_ = -1;
}

snmpd_t::~snmpd_t() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

scripted_agent_t::scripted_agent_t(const std::string& address, const std::string& community,
                                   const std::vector<std::string>& options)
    : address_(address) {
    // A write to an agent that has ended must fail, not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    try {
        std::vector<std::string> argv{SNMPAGENT_PATH, "--address", address, "--port", "0",
                                      "--community", community};
        argv.insert(argv.end(), options.begin(), options.end());
        pid_ = spawn(argv, {}, &actions);
    } catch (...) {
        posix_spawn_file_actions_destroy(&actions);
        for (int fd : {in[0], in[1], out[0], out[1]})
            ::close(fd);
        throw;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    to_agent_ = in[1];
    from_agent_ = out[0];
    const std::string line = read_line();
    if (line.rfind("port ", 0) != 0) {
        ::close(to_agent_);
        ::close(from_agent_);
        end_child(pid_);
        throw std::runtime_error("snmpagent did not start: " + line);
    }
    port_ = static_cast<std::uint16_t>(std::atoi(line.c_str() + 5));
}

scripted_agent_t::~scripted_agent_t() {
    // Closing its input ends the agent.
    ::close(to_agent_);
    const auto until = clock_type::now() + std::chrono::seconds(5);
    while (!child_ended(pid_) && clock_type::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!child_ended(pid_))
        end_child(pid_);
    ::close(from_agent_);
}

std::string scripted_agent_t::read_line() {
    const auto until = clock_type::now() + std::chrono::seconds(10);
    for (;;) {
        const std::size_t end = buffered_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffered_.substr(0, end);
            buffered_.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - clock_type::now()).count();
        pollfd p{from_agent_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) != 1)
            throw std::runtime_error("snmpagent does not answer");
        char chunk[1024];
        const ssize_t got = ::read(from_agent_, chunk, sizeof chunk);
        if (got <= 0)
            throw std::runtime_error("snmpagent ended");
        buffered_.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string scripted_agent_t::command(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(to_agent_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("cannot write to snmpagent");
    std::string answer = read_line();
    if (answer.rfind("error", 0) == 0)
        throw std::runtime_error("snmpagent: " + answer + " (" + line + ")");
    return answer;
}

void scripted_agent_t::var(const std::string& oid, const std::string& type,
                           const std::string& value) {
    command("var " + oid + " " + type + " " + value);
}

void scripted_agent_t::fault(const std::string& oid, const std::string& kind) {
    command("fault " + oid + " " + kind);
}

long scripted_agent_t::count(const std::string& oid) {
    const std::string answer = command(oid.empty() ? "count" : "count " + oid);
    return std::atol(answer.c_str() + 6);
}

std::string scripted_agent_t::show(const std::string& oid) {
    const std::string answer = command("show " + oid);
    return answer.substr(6);
}

std::vector<std::string> scripted_agent_t::journal(const std::string& file) {
    command("unit journal " + file);
    std::vector<std::string> lines;
    {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
    }
    std::remove(file.c_str());
    return lines;
}

std::vector<std::string> scripted_agent_t::journal() {
    struct folder_t {
        std::string path;
        ~folder_t() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } const folder{make_temp_folder("unit-journal")};
    return journal(folder.path + "/journal");
}

std::vector<std::string> scripted_agent_t::journal_commands(const std::string& file) {
    std::vector<std::string> commands;
    for (const std::string& line : journal(file))
        if (line.rfind("command ", 0) == 0)
            commands.push_back(line.substr(8, line.find(" -> ") - 8));
    return commands;
}

} // namespace snmp_peers
