#pragma once
// What the SNMP get benchmarks share: Net-SNMP's own synchronous get of
// sysDescr as the baseline, and a contest that warms every contender up,
// then measures them in alternating rounds (so a slow patch of the machine
// hits all alike) and prints each median with its ratio to the first.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/snmppp/netsnmp_session.h"
#include "tools/snmpagent/peers.h"

namespace snmp_bench {

inline const oid sys_descr_ids[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
inline const char* const sys_descr = "1.3.6.1.2.1.1.1.0";

// Net-SNMP's own synchronous get, on a session opened for each request or
// kept open.
class netsnmp_sync_t {
public:
    netsnmp_sync_t(const snmp_peers::snmpd_t& agent, bool keep_open)
        : peer_("udp:" + agent.address() + ":" + std::to_string(agent.port())) {
        platform::snmppp::netsnmp_init();
        if (keep_open)
            handle_ = open();
    }
    ~netsnmp_sync_t() {
        if (handle_)
            snmp_sess_close(handle_);
    }
    netsnmp_sync_t(const netsnmp_sync_t&) = delete;
    netsnmp_sync_t& operator=(const netsnmp_sync_t&) = delete;

    bool get() {
        void* handle = handle_ ? handle_ : open();
        netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GET);
        snmp_add_null_var(request, sys_descr_ids, sizeof sys_descr_ids / sizeof(oid));
        netsnmp_pdu* response = nullptr;
        const int status = snmp_sess_synch_response(handle, request, &response);
        const bool ok = status == STAT_SUCCESS && response && response->errstat == 0;
        if (response)
            snmp_free_pdu(response);
        if (!handle_)
            snmp_sess_close(handle);
        return ok;
    }

private:
    void* open() {
        netsnmp_session settings;
        snmp_sess_init(&settings);
        std::string community = snmp_peers::snmpd_t::community;
        settings.version = SNMP_VERSION_1;
        settings.peername = peer_.data();
        settings.community = reinterpret_cast<u_char*>(community.data());
        settings.community_len = community.size();
        settings.timeout = 1000000;
        settings.retries = 1;
        void* handle = snmp_sess_open(&settings);
        if (!handle) {
            std::fprintf(stderr, "cannot open a Net-SNMP session\n");
            std::exit(1);
        }
        return handle;
    }

    std::string peer_;
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

// false when a contender fails during the warm-up.
inline bool run_contest(std::vector<contender_t>& contenders, int rounds, int per_round) {
    using clock_type = std::chrono::steady_clock;
    for (contender_t& c : contenders)
        for (int i = 0; i < 50; ++i)
            if (!c.get()) {
                std::fprintf(stderr, "%s failed\n", c.name);
                return false;
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
    std::printf("one synchronous get of sysDescr from snmpd on loopback, median of %d rounds "
                "of %d:\n",
                rounds, per_round);
    for (const contender_t& c : contenders)
        std::printf("  %-46s %8.1f us/get  ratio %5.2f\n", c.name, c.median_us(),
                    c.median_us() / base);
    return true;
}

} // namespace snmp_bench
