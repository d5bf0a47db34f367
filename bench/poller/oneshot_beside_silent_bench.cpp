// A get to a healthy unit while silent devices are watched, with the
// poller's default settings (community, time-out 3000 ms, 3 retries, 5
// workers, poll period 5000 ms) and its own back ends over loopback.
//
// Eight watched devices never answer: each request to one holds a worker
// for the time-out and every retry (12 s). With more than one worker the
// poller keeps one from watched polling, so a get to a live unit (the
// scripted agent) is served at once instead of waiting behind them.
// Target: every get returns within twice the unit's own round trip (a get
// through the same poller with nothing watched) plus one poll step (the
// poll period over the watched variables).
//
//   oneshot_beside_silent_bench [gets]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "poller/snmp_manager.h"
#include "tools/snmpagent/peers.h"

namespace {

using clock_type = std::chrono::steady_clock;

const char* const sys_descr = "1.3.6.1.2.1.1.1.0";
const char* const watched = "1.3.6.1.4.1.2680.1.1.10.1.5.0";

// A UDP socket on 127.0.0.0/8 that receives requests and never answers.
class silent_device_t {
public:
    explicit silent_device_t(const std::string& address) : address_(address) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (fd_ < 0 || ::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
            ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            std::perror("silent device");
            std::exit(1);
        }
        socklen_t size = sizeof local;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size);
        port_ = ntohs(local.sin_port);
    }
    ~silent_device_t() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    silent_device_t(const silent_device_t&) = delete;
    silent_device_t& operator=(const silent_device_t&) = delete;

    int fd() const { return fd_; }
    std::string target() const { return address_ + "/" + std::to_string(port_); }
    // Reads what arrived; true when anything did.
    bool drain() const {
        bool any = false;
        char buffer[2048];
        while (::recv(fd_, buffer, sizeof buffer, 0) >= 0)
            any = true;
        return any;
    }

private:
    std::string address_;
    std::uint16_t port_ = 0;
    int fd_ = -1;
};

double ms_of(clock_type::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One get through the poller; its latency in ms, or a negative value when
// it failed.
double timed_get(kestrin2::snmp_manager_t& manager, const std::string& target) {
    const auto began = clock_type::now();
    const kestrin2::snmp_variable_t v = manager.get(target, sys_descr);
    const double ms = ms_of(clock_type::now() - began);
    if (v.valid != 1) {
        std::fprintf(stderr, "get failed: %s\n", v.value.c_str());
        return -1;
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const int gets = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    snmp_peers::scripted_agent_t unit("127.0.0.1");
    unit.var(sys_descr, "octets", "live unit");

    kestrin2::snmp_manager_t manager;
    manager.start();
    const int poll_period = manager.poll_period();
    const int timeout = manager.timeout();
    const int retries = manager.retry_count();
    const int workers = manager.num_threads();

    // The unit's own round trip: the same poller with nothing watched.
    std::vector<double> alone;
    for (int i = 0; i < 20 + gets; ++i) {
        const double ms = timed_get(manager, unit.target());
        if (ms < 0)
            return 1;
        if (i >= 20)
            alone.push_back(ms);
    }
    const double round_trip = median(alone);

    std::vector<std::unique_ptr<silent_device_t>> silent;
    for (int d = 0; d < 8; ++d) {
        silent.push_back(std::make_unique<silent_device_t>("127.0.0." + std::to_string(71 + d)));
        manager.watch(silent.back()->target(), watched);
    }
    const double poll_step = static_cast<double>(poll_period) / static_cast<double>(silent.size());
    const double bound = 2 * round_trip + poll_step;

    // Wait until every worker that watched polling may take is held by a
    // silent device.
    const std::size_t held_wanted = static_cast<std::size_t>(workers > 1 ? workers - 1 : 1);
    std::set<std::size_t> asked;
    const auto until = clock_type::now() + std::chrono::seconds(30);
    while (asked.size() < held_wanted && clock_type::now() < until) {
        std::vector<pollfd> fds;
        for (const auto& s : silent)
            fds.push_back({s->fd(), POLLIN, 0});
        ::poll(fds.data(), fds.size(), 100);
        for (std::size_t d = 0; d < silent.size(); ++d)
            if (silent[d]->drain())
                asked.insert(d);
    }
    if (asked.size() < held_wanted) {
        std::fprintf(stderr, "only %zu silent devices were asked\n", asked.size());
        return 1;
    }

    // Gets spread over the poll steps, each while the silent devices hold
    // their workers (a request to one lasts timeout * (retries + 1)).
    std::vector<double> beside;
    for (int i = 0; i < gets; ++i) {
        const double ms = timed_get(manager, unit.target());
        if (ms < 0)
            return 1;
        beside.push_back(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(37 + 53 * (i % 5)));
    }
    const double worst = *std::max_element(beside.begin(), beside.end());
    const double typical = median(beside);

    std::printf("one-shot get of a live unit beside 8 silent watched devices\n"
                "settings: timeout %d ms, %d retries, %d workers, poll period %d ms "
                "(a silent request holds a worker %d ms)\n",
                timeout, retries, workers, poll_period, timeout * (retries + 1));
    std::printf("  unit's own round trip (nothing watched), median of %d  %9.3f ms\n",
                static_cast<int>(alone.size()), round_trip);
    std::printf("  one-shot beside silent devices, median of %d           %9.3f ms  "
                "ratio %6.2f\n",
                gets, typical, typical / round_trip);
    std::printf("  one-shot beside silent devices, worst                  %9.3f ms  "
                "ratio %6.2f\n",
                worst, worst / round_trip);
    std::printf("  bound: 2 x round trip + one poll step (%.0f ms)        %9.3f ms\n", poll_step,
                bound);
    const bool within = worst <= bound;
    std::printf("  every get within the bound: %s\n", within ? "yes" : "NO");
    return within ? 0 : 1;
}
