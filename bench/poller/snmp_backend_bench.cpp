// One synchronous get of sysDescr from a private snmpd on loopback, through
// each back end, against the same get through Net-SNMP's synchronous API
// on one open session (the baseline), measured in the same run. The rounds
// alternate so that a slow patch of the machine hits all three alike.
//
// Targets: snmp_pp_t within 1.2 times the baseline; snmp_nt_t, which opens
// a session for every request, within 2 times.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/snmppp/netsnmp_session.h"
#include "poller/snmp_nt.h"
#include "poller/snmp_pp.h"
#include "tools/snmpagent/peers.h"

namespace {

using clock_type = std::chrono::steady_clock;

const oid sys_descr_ids[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
const char* sys_descr = "1.3.6.1.2.1.1.1.0";

// The baseline: Net-SNMP's own synchronous request on a session kept open.
class netsnmp_sync_t {
public:
    netsnmp_sync_t(const snmp_peers::snmpd_t& agent) {
        platform::snmppp::netsnmp_init();
        netsnmp_session settings;
        snmp_sess_init(&settings);
        std::string peer = "udp:" + agent.address() + ":" + std::to_string(agent.port());
        std::string community = snmp_peers::snmpd_t::community;
        settings.version = SNMP_VERSION_1;
        settings.peername = peer.data();
        settings.community = reinterpret_cast<u_char*>(community.data());
        settings.community_len = community.size();
        settings.timeout = 1000000;
        settings.retries = 1;
        handle_ = snmp_sess_open(&settings);
        if (!handle_) {
            std::fprintf(stderr, "cannot open the baseline session\n");
            std::exit(1);
        }
    }
    ~netsnmp_sync_t() { snmp_sess_close(handle_); }

    bool get() {
        netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GET);
        snmp_add_null_var(request, sys_descr_ids, sizeof sys_descr_ids / sizeof(oid));
        netsnmp_pdu* response = nullptr;
        const int status = snmp_sess_synch_response(handle_, request, &response);
        const bool ok = status == STAT_SUCCESS && response && response->errstat == 0;
        if (response)
            snmp_free_pdu(response);
        return ok;
    }

private:
    void* handle_ = nullptr;
};

struct contender_t {
    const char* name;
    std::function<bool()> get;
    std::vector<double> round_us;

    double median_us() const {
        std::vector<double> sorted = round_us;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    const int per_round = argc > 2 ? std::atoi(argv[2]) : 300;

    snmp_peers::snmpd_t agent("127.0.0.45");
    netsnmp_sync_t baseline(agent);
    kestrin2::snmp_pp_t pp;
    kestrin2::snmp_nt_t nt;
    kestrin2::snmp_request_options_t options;
    options.community = snmp_peers::snmpd_t::community;
    options.timeout_ms = 1000;
    options.retry_count = 1;
    kestrin2::snmp_vb_t vb;
    vb.ip = agent.target();

    auto through = [&](kestrin2::snmp_base_t& backend) {
        return [&vb, &options, &backend] {
            vb.name = sys_descr;
            backend.get(vb, options);
            return vb.value == snmp_peers::snmpd_t::sys_descr;
        };
    };
    std::vector<contender_t> contenders = {
        {"Net-SNMP synchronous get (baseline)", [&] { return baseline.get(); }, {}},
        {"snmp_pp_t get", through(pp), {}},
        {"snmp_nt_t get (a session per request)", through(nt), {}},
    };

    // Warm-up: sessions, caches, the agent's own.
    for (contender_t& c : contenders)
        for (int i = 0; i < 50; ++i)
            if (!c.get()) {
                std::fprintf(stderr, "%s failed\n", c.name);
                return 1;
            }

    for (int r = 0; r < rounds; ++r) {
        for (contender_t& c : contenders) {
            const auto began = clock_type::now();
            for (int i = 0; i < per_round; ++i)
                c.get();
            const double us =
                std::chrono::duration<double, std::micro>(clock_type::now() - began).count();
            c.round_us.push_back(us / per_round);
        }
    }

    const double base = contenders[0].median_us();
    std::printf("one synchronous get of sysDescr from snmpd on loopback, median of %d rounds of %d:\n",
                rounds, per_round);
    for (const contender_t& c : contenders)
        std::printf("  %-40s %8.1f us/get  ratio %5.2f\n", c.name, c.median_us(),
                    c.median_us() / base);
    std::printf("targets: snmp_pp_t <= 1.20, snmp_nt_t <= 2.00\n");
    return 0;
}
