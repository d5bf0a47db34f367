// libkestrin2.so as the operator program uses it, created by ProgID and
// called through the automation layer:
//
// 1. Latency of one synchronous get of sysDescr from a private snmpd on
//    loopback, against the same get through Net-SNMP's synchronous API in
//    the same run: with a session opened for the request, as the
//    management-API back end does for every request, and with one session
//    kept open. Rounds alternate so a slow patch of the machine hits all
//    alike. Target: Kestrin2 within 1.2 times the session-per-request
//    baseline.
// 2. Polling: 96 watched variables over 32 scripted agents on 127.0.0.x
//    with 30 workers and a 100 ms poll period, the operator's settings.
//    Targets: every variable polled every period, and the CPU time per poll
//    within 1.2 times that of Net-SNMP's asynchronous API polling the same
//    variables from one thread, a session kept open per agent, its gets
//    spread over the period one every period / count, as the poller spreads
//    its polls (the baseline). The same API with each period's gets sent at
//    once is shown beside it for information: on a quiet agent most of the
//    CPU time of a poll is the wake-ups of the threads, not the protocol,
//    and spreading costs one per request, which the poller cannot avoid.
//    The agents count the requests they receive; the CPU time is this
//    process's (the agents run in processes of their own).
//
//   kestrin2_bench [rounds [gets per round [polling seconds]]]
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/poller/snmp_get_contest.h"
#include "platform/automation/activation.h"
#include "platform/automation/driver.h"
#include "poller/server/kestrin2_ids.h"
#include "tools/snmpagent/peers.h"

namespace {

namespace pa = platform::automation;
namespace id = kestrin2::manager_dispid;
using clock_type = std::chrono::steady_clock;
using snmp_bench::contender_t;
using snmp_bench::netsnmp_sync_t;
using snmp_bench::sys_descr;

double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// How often the threads of this process went to sleep: each sleep is a
// wake-up to come, which costs far more CPU time on a virtual machine than
// the protocol work of a poll.
long sleeps() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// A private class registry with the library registered in it.
class bench_registry_t {
public:
    bench_registry_t() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kestrin2-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        dir_ = pattern;
        ::setenv("OSTREL_AUTOMATION_REGISTRY", (dir_ / "classes.ini").c_str(), 1);
        ::setenv("OSTREL_HOME", dir_.c_str(), 1);
        if (pa::register_library(KESTRIN2_PATH) != pa::S_OK) {
            std::fprintf(stderr, "cannot register %s\n", KESTRIN2_PATH);
            std::exit(1);
        }
    }
    ~bench_registry_t() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

private:
    std::filesystem::path dir_;
};

pa::dispatch_driver_t operator_manager() {
    auto m = pa::dispatch_driver_t::create("kestrin2.com_manager.1");
    m.put(id::num_threads, std::int32_t{30});
    m.put(id::poll_period, std::int32_t{100});
    m.put(id::retry_count, std::int32_t{1});
    m.put(id::timeout, std::int32_t{100});
    m.call(id::start);
    return m;
}

int latency(int rounds, int per_round) {
    snmp_peers::snmpd_t agent("127.0.0.70");
    netsnmp_sync_t per_request(agent, false);
    netsnmp_sync_t kept_open(agent, true);
    const auto manager = operator_manager();
    const std::string target = agent.target();
    const auto through_kestrin2 = [&] {
        const auto v = manager.to_object(manager.call(id::get, {target, sys_descr}));
        return v.to_int(v.get(kestrin2::variable_dispid::valid)) == 1;
    };
    std::vector<contender_t> contenders = {
        {"Net-SNMP get, session per request (baseline)", [&] { return per_request.get(); }, {}},
        {"Net-SNMP get, session kept open", [&] { return kept_open.get(); }, {}},
        {"Kestrin2 get through the automation layer", through_kestrin2, {}},
    };
    if (!snmp_bench::run_contest(contenders, rounds, per_round))
        return 1;
    const double ratio = contenders[2].median_us() / contenders[0].median_us();
    std::printf("  Kestrin2 against the kept-open session: ratio %.2f\n",
                contenders[2].median_us() / contenders[1].median_us());
    std::printf("Kestrin2 get against the session-per-request baseline: ratio %.2f (target <= "
                "1.2): %s\n\n",
                ratio, ratio <= 1.2 ? "met" : "MISSED");
    return 0;
}

// Net-SNMP's asynchronous API polling the same variables from one thread:
// one session per agent kept open, one get of each variable per period,
// the answers read as they come. The gets of a period are spread over the
// period as the poller spreads them (one every period / count, the
// baseline), which costs a wake-up per request, or go out at once (the
// API's usual use). The CPU time per answered request.
class netsnmp_async_poll_t {
public:
    netsnmp_async_poll_t(const std::vector<std::unique_ptr<snmp_peers::scripted_agent_t>>& peers,
                         const std::vector<std::string>& oids) {
        platform::snmppp::netsnmp_init();
        for (const auto& peer : peers) {
            std::string peer_name = "udp:" + peer->address() + ":" + std::to_string(peer->port());
            std::string community = "vuzuvuz";
            netsnmp_session settings;
            snmp_sess_init(&settings);
            settings.version = SNMP_VERSION_1;
            settings.peername = peer_name.data();
            settings.community = reinterpret_cast<u_char*>(community.data());
            settings.community_len = community.size();
            settings.timeout = 100000;
            settings.retries = 1;
            settings.callback = &netsnmp_async_poll_t::on_answer;
            settings.callback_magic = this;
            netsnmp_session* session = snmp_open(&settings);
            if (!session) {
                std::fprintf(stderr, "cannot open a Net-SNMP session\n");
                std::exit(1);
            }
            sessions_.push_back(session);
        }
        for (const std::string& o : oids) {
            name_t name{};
            for (const char* p = o.c_str(); *p && name.length < MAX_OID_LEN; ++name.length) {
                char* end = nullptr;
                name.ids[name.length] = std::strtoul(p, &end, 10);
                p = *end == '.' ? end + 1 : end;
            }
            names_.push_back(name);
        }
    }
    ~netsnmp_async_poll_t() {
        for (netsnmp_session* session : sessions_)
            snmp_close(session);
    }
    netsnmp_async_poll_t(const netsnmp_async_poll_t&) = delete;
    netsnmp_async_poll_t& operator=(const netsnmp_async_poll_t&) = delete;

    // Polls for `seconds` with `period_ms`; the CPU time per answer in us.
    double run(double seconds, int period_ms, bool spread) {
        const std::size_t count = sessions_.size() * names_.size();
        const std::chrono::duration<double, std::milli> period(period_ms);
        const auto slice = period / static_cast<double>(count);
        answers_ = 0;
        const long sleeps_before = sleeps();
        const double cpu_before = cpu_seconds();
        const auto began = clock_type::now();
        const auto end = began + std::chrono::duration<double>(seconds);
        std::size_t sent = 0;
        for (;;) {
            const auto now = clock_type::now();
            const auto due = began + std::chrono::duration_cast<clock_type::duration>(
                                         spread ? slice * static_cast<double>(sent + 1)
                                                : period * static_cast<double>(sent / count));
            if (due > end)
                break;
            if (due <= now) {
                send(sent++ % count);
                continue;
            }
            int fds = 0;
            // Asks for the time to the next resend: with 0 the library
            // leaves the time-out at zero while a request is pending, and
            // the loop would spin until the answer.
            int block = 1;
            fd_set readable;
            FD_ZERO(&readable);
            timeval tv{};
            snmp_select_info(&fds, &readable, &tv, &block);
            const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(due - now);
            if (block || wait.count() < tv.tv_sec * 1000000L + tv.tv_usec) {
                tv.tv_sec = static_cast<time_t>(wait.count() / 1000000);
                tv.tv_usec = static_cast<suseconds_t>(wait.count() % 1000000);
            }
            const int ready = ::select(fds, &readable, nullptr, nullptr, &tv);
            if (ready > 0)
                snmp_read(&readable);
            else if (ready == 0)
                snmp_timeout();
        }
        const double cpu = cpu_seconds() - cpu_before;
        sleeps_per_answer_ =
            answers_ ? static_cast<double>(sleeps() - sleeps_before) / static_cast<double>(answers_)
                     : 0.0;
        return answers_ ? cpu * 1e6 / static_cast<double>(answers_) : 0.0;
    }

    long answers() const { return answers_; }
    double sleeps_per_answer() const { return sleeps_per_answer_; }

private:
    struct name_t {
        oid ids[MAX_OID_LEN];
        std::size_t length;
    };

    void send(std::size_t index) {
        const name_t& name = names_[index % names_.size()];
        netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GET);
        snmp_add_null_var(request, name.ids, name.length);
        if (!snmp_send(sessions_[index / names_.size()], request))
            snmp_free_pdu(request);
    }

    static int on_answer(int operation, netsnmp_session*, int, netsnmp_pdu* pdu, void* magic) {
        if (operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu->errstat == 0)
            ++static_cast<netsnmp_async_poll_t*>(magic)->answers_;
        return 1;
    }

    std::vector<netsnmp_session*> sessions_;
    std::vector<name_t> names_;
    long answers_ = 0;
    double sleeps_per_answer_ = 0.0;
};

int polling(double seconds) {
    constexpr int agents = 32;
    constexpr int per_agent = 3;
    constexpr int period_ms = 100;
    std::vector<std::unique_ptr<snmp_peers::scripted_agent_t>> peers;
    std::vector<std::string> oids;
    for (int v = 0; v < per_agent; ++v)
        oids.push_back("1.3.6.1.4.1.2680.1.1.10.1." + std::to_string(v + 1) + ".0");
    for (int a = 0; a < agents; ++a) {
        peers.push_back(
            std::make_unique<snmp_peers::scripted_agent_t>("127.0.0." + std::to_string(100 + a)));
        for (const std::string& o : oids)
            peers.back()->var(o, "integer", std::to_string(a));
    }
    const auto manager = operator_manager();
    for (const auto& peer : peers)
        for (const std::string& o : oids)
            manager.call(id::watch, {peer->target(), o});

    const auto counts = [&] {
        std::vector<long> out;
        for (const auto& peer : peers)
            for (const std::string& o : oids)
                out.push_back(peer->count(o));
        return out;
    };
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::vector<long> before = counts();
    const long sleeps_before = sleeps();
    const double cpu_before = cpu_seconds();
    const auto began = clock_type::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double cpu = cpu_seconds() - cpu_before;
    const long slept = sleeps() - sleeps_before;
    const double wall = std::chrono::duration<double>(clock_type::now() - began).count();
    const std::vector<long> after = counts();

    const double periods = wall * 1000.0 / period_ms;
    long total = 0;
    double least = 1e9;
    double most = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const long polls = after[i] - before[i];
        total += polls;
        least = std::min(least, static_cast<double>(polls) / periods);
        most = std::max(most, static_cast<double>(polls) / periods);
    }
    const auto all = manager.to_object(manager.call(id::get_all));
    int valid = 0;
    const int length = all.to_int(all.get(kestrin2::vector_dispid::length));
    for (std::int32_t i = 0; i < length; ++i) {
        const auto v = all.to_object(all.call(kestrin2::vector_dispid::at, {i}));
        valid += v.to_int(v.get(kestrin2::variable_dispid::valid));
    }
    std::printf("polling %zu watched variables over %d agents, 30 workers, %d ms period, %.1f s:\n",
                before.size(), agents, period_ms, wall);
    std::printf("  polls per variable per period: least %.2f, most %.2f, mean %.2f\n", least, most,
                static_cast<double>(total) / static_cast<double>(before.size()) / periods);
    std::printf("  %ld polls, %.0f polls/s, CPU time per poll %.1f us (%.1f%% of one core), "
                "%.2f thread sleeps per poll\n",
                total, static_cast<double>(total) / wall, cpu * 1e6 / static_cast<double>(total),
                cpu / wall * 100.0, static_cast<double>(slept) / static_cast<double>(total));
    std::printf("  variables valid at the end: %d of %d\n", valid, length);
    // The counts are read one agent after the other while polling goes on,
    // which may put one poll of a variable on either side: 0.95 allows it.
    std::printf("target: every variable polled every period: %s\n",
                least >= 0.95 && valid == length ? "met" : "MISSED");

    // The baseline on the same agents, with the poller's work out of the way.
    manager.call(id::clear_watch);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * period_ms));
    const double per_poll_us = cpu * 1e6 / static_cast<double>(total);
    netsnmp_async_poll_t baseline(peers, oids);
    const double spread_us = baseline.run(seconds, period_ms, true);
    std::printf("Net-SNMP asynchronous gets spread over the period (baseline): %ld answers, CPU "
                "time per request %.1f us, %.2f thread sleeps per request\n",
                baseline.answers(), spread_us, baseline.sleeps_per_answer());
    const double at_once_us = baseline.run(seconds, period_ms, false);
    std::printf("Net-SNMP asynchronous gets sent at once each period: %ld answers, CPU time per "
                "request %.1f us, %.2f thread sleeps per request\n",
                baseline.answers(), at_once_us, baseline.sleeps_per_answer());
    std::printf("  Kestrin2 CPU time per poll against the gets sent at once: ratio %.2f\n",
                at_once_us > 0 ? per_poll_us / at_once_us : 0.0);
    const double ratio = spread_us > 0 ? per_poll_us / spread_us : 0.0;
    std::printf("Kestrin2 CPU time per poll against the gets spread alike (baseline): ratio %.2f "
                "(target <= 1.2): %s\n",
                ratio, spread_us > 0 && ratio <= 1.2 ? "met" : "MISSED");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    const int per_round = argc > 2 ? std::atoi(argv[2]) : 300;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 5.0;
    if (!snmp_peers::snmpd_t::available()) {
        std::fprintf(stderr, "snmpd is not installed\n");
        return 1;
    }
    bench_registry_t registry;
    pa::initializer_t init(pa::concurrency_model::multithreaded);
    try {
        if (latency(rounds, per_round) != 0)
            return 1;
        return polling(seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
