#pragma once
// Network-namespace harness for tests and benchmarks that need real
// Ethernet links: named namespaces joined by veth pairs, programs run inside
// them, and a thread of the caller moved into one.
//
// Every name carries the creating process's id ("ostrel-<pid>-..."), so
// parallel test processes never meet, and remove_stale() can delete what a
// crashed process left behind. Namespaces and the processes in them go when
// their objects do, also when a test fails. Addresses come from
// 198.18.0.0/15.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace netns {

// Empty when namespaces can be made here; else why not (not root, no `ip`,
// no permission to create namespaces).
const std::string& unavailable_reason();

// Runs a program (looked up in PATH) and waits for it: its exit status, or
// -1 when it could not run or ended by a signal. `output` receives its
// standard output and error.
int run(const std::vector<std::string>& argv, std::string* output = nullptr);

// Deletes the harness's namespaces whose creating process has ended.
void remove_stale();

class namespace_t {
public:
    // Creates "ostrel-<pid>-<tag>-<n>" with its loopback up; throws
    // std::runtime_error when it cannot.
    explicit namespace_t(const std::string& tag);
    ~namespace_t();
    namespace_t(const namespace_t&) = delete;
    namespace_t& operator=(const namespace_t&) = delete;

    const std::string& name() const { return name_; }
    // `ip -n <name> <args...>`; throws std::runtime_error on failure.
    void ip(const std::vector<std::string>& args) const;
    // The command line that runs `argv` inside the namespace.
    std::vector<std::string> exec_argv(const std::vector<std::string>& argv) const;

private:
    std::string name_;
};

// Moves the calling thread into a namespace; back when destroyed. Sockets
// opened and threads started meanwhile belong to that namespace.
class enter_t {
public:
    explicit enter_t(const namespace_t& ns);
    ~enter_t();
    enter_t(const enter_t&) = delete;
    enter_t& operator=(const enter_t&) = delete;

private:
    int home_fd_ = -1;
};

struct link_t {
    std::string hub_if;       // interface name in the hub
    std::string peer_if;      // interface name in the peer
    std::string hub_address;  // 198.18.<k>.1
    std::string peer_address; // 198.18.<k>.2
    int prefix = 24;
};

// A hub namespace joined to `peers` namespaces, one veth pair each; link k
// uses 198.18.<k>.0/24 with the hub at .1 and the peer at .2.
class topology_t {
public:
    topology_t(const std::string& tag, int peers);
    ~topology_t();

    namespace_t& hub() { return *hub_; }
    namespace_t& peer(int k) { return *peers_.at(static_cast<std::size_t>(k)); }
    const link_t& link(int k) const { return links_.at(static_cast<std::size_t>(k)); }

private:
    std::unique_ptr<namespace_t> hub_;
    std::vector<std::unique_ptr<namespace_t>> peers_;
    std::vector<link_t> links_;
};

// A program running inside a namespace, its standard input and output
// joined to the test by pipes (standard error is the test's own). It is
// ended when the object goes: standard input closed, then SIGTERM, then
// SIGKILL.
class process_t {
public:
    process_t(const namespace_t& ns, const std::vector<std::string>& argv);
    ~process_t();
    process_t(const process_t&) = delete;
    process_t& operator=(const process_t&) = delete;

    pid_t pid() const { return pid_; }
    bool send_line(const std::string& line);
    // The next line of output, without its end; nothing on time-out or at
    // the end of the output.
    std::optional<std::string> read_line(std::chrono::milliseconds timeout);
    // Reads until a line starts with `prefix` and returns it; the lines
    // passed over are dropped.
    std::optional<std::string> wait_for(const std::string& prefix,
                                        std::chrono::milliseconds timeout);
    // Ends the program and waits for it; its exit status or -1.
    int stop();

private:
    pid_t pid_ = -1;
    int in_fd_ = -1;
    int out_fd_ = -1;
    std::string buffer_;
    bool eof_ = false;
};

} // namespace netns
