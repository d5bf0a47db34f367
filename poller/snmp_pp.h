#pragma once
// The back end over the SNMP classes: version 1 get, get-next and set with
// one session, PDU, binding and target kept from request to request.
#include <cstdint>
#include <memory>

#include "platform/snmppp/snmp_pp.h"
#include "poller/session_log.h"
#include "poller/snmp_base.h"

namespace kestrin2 {

class snmp_pp_t final : public snmp_base_t {
public:
    // A session that cannot be made raises "SNMP++ Session Create Fail, "
    // followed by the status text.
    snmp_pp_t();
    ~snmp_pp_t() override;

    void get(snmp_vb_t& vb, const snmp_request_options_t& options) override;
    void get_next(snmp_vb_t& vb, const snmp_request_options_t& options) override;
    // Reads the variable first to learn its syntax; a syntax without a
    // conversion or a text that does not convert raises "Could not convert
    // <text> to snmp variable".
    void set(snmp_vb_t& vb, const snmp_request_options_t& options) override;

    // The target's time-out for a poller time-out: hundredths of a second,
    // the milliseconds divided by 30 (a negative time-out counts as 0).
    static std::uint32_t target_timeout(int timeout_ms);

private:
    void prepare(const snmp_vb_t& vb, const snmp_request_options_t& options);
    // Raises the status as "SNMP Error: <text>"; a request given up on the
    // abandon event as snmp_abandoned_t.
    void check(int status) const;
    void take(snmp_vb_t& vb, bool with_name);

    // Before the session: Net-SNMP's diagnostics go to session.log.
    netsnmp_diagnostics_route_t diagnostics_;
    std::unique_ptr<platform::snmppp::Snmp> snmp_;
    platform::snmppp::Pdu pdu_;
    platform::snmppp::Vb vb_;
    platform::snmppp::CTarget target_;
};

} // namespace kestrin2
