// One synchronous get of sysDescr from a private snmpd on loopback, through
// each back end, against the same get through Net-SNMP's synchronous API
// on one open session (the baseline), measured in the same run. The rounds
// alternate so that a slow patch of the machine hits all three alike.
//
// Targets: snmp_pp_t within 1.2 times the baseline; snmp_nt_t, which opens
// a session for every request, within 2 times.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/poller/snmp_get_contest.h"
#include "poller/snmp_nt.h"
#include "poller/snmp_pp.h"
#include "tools/snmpagent/peers.h"

using snmp_bench::contender_t;
using snmp_bench::sys_descr;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    const int per_round = argc > 2 ? std::atoi(argv[2]) : 300;

    snmp_peers::snmpd_t agent("127.0.0.45");
    snmp_bench::netsnmp_sync_t baseline(agent, true);
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

    if (!snmp_bench::run_contest(contenders, rounds, per_round))
        return 1;
    std::printf("targets: snmp_pp_t <= 1.20, snmp_nt_t <= 2.00\n");
    return 0;
}
