#include "platform/snmppp/snmp.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/snmppp/netsnmp_session.h"

namespace platform::snmppp {

namespace {

// Net-SNMP keeps sub-identifiers in its own (wider) type.
std::vector<oid> to_netsnmp(const Oid& id) {
    return std::vector<oid>(id.ids().begin(), id.ids().end());
}

// Adds the binding's value as the request carries it; false when Net-SNMP
// refuses it.
bool add_binding(netsnmp_pdu* pdu, const Vb& vb) {
    const std::vector<oid> name = to_netsnmp(vb.get_oid());
    const SnmpSyntax* value = vb.get_value();
    netsnmp_variable_list* added = nullptr;
    if (!value) {
        added = snmp_add_null_var(pdu, name.data(), name.size());
        return added != nullptr;
    }
    const u_char type = value->get_syntax();
    switch (type) {
    case syntax_int32: {
        const long number = static_cast<const SnmpInt32*>(value)->value();
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, &number, sizeof number);
        break;
    }
    case syntax_counter32:
    case syntax_gauge32:
    case syntax_timeticks:
    case syntax_uint32: {
        const u_long number = static_cast<const SnmpUInt32*>(value)->value();
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, &number, sizeof number);
        break;
    }
    case syntax_counter64: {
        const auto* counter = static_cast<const Counter64*>(value);
        counter64 number{};
        number.high = counter->high();
        number.low = counter->low();
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, &number, sizeof number);
        break;
    }
    case syntax_oid: {
        const std::vector<oid> ids = to_netsnmp(*static_cast<const Oid*>(value));
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, ids.data(),
                                      ids.size() * sizeof(oid));
        break;
    }
    case syntax_ip_address: {
        const auto& bytes = static_cast<const IpAddress*>(value)->bytes();
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, bytes.data(),
                                      bytes.size());
        break;
    }
    case syntax_octets:
    case syntax_bits:
    case syntax_opaque: {
        const auto& bytes = static_cast<const OctetStr*>(value)->bytes();
        static const u_char none = 0;
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type,
                                      bytes.empty() ? &none : bytes.data(), bytes.size());
        break;
    }
    default:
        return false;
    }
    return added != nullptr;
}

// The binding as the response carries it. Values of a syntax the classes do
// not know come back as NULL.
Vb binding_of(const netsnmp_variable_list* variable) {
    std::vector<std::uint32_t> ids(variable->name, variable->name + variable->name_length);
    Vb vb(Oid(ids.data(), ids.size()));
    const auto* bytes = static_cast<const std::uint8_t*>(variable->val.string);
    if (const auto number = opaque_number_text(*variable)) {
        vb.set_value(OpaqueStr(reinterpret_cast<const std::uint8_t*>(number->data()), number->size()));
        return vb;
    }
    switch (variable->type) {
    case syntax_int32:
        vb.set_value(SnmpInt32(static_cast<std::int32_t>(*variable->val.integer)));
        break;
    case syntax_counter32:
        vb.set_value(Counter32(static_cast<std::uint32_t>(*variable->val.integer)));
        break;
    case syntax_gauge32:
        vb.set_value(Gauge32(static_cast<std::uint32_t>(*variable->val.integer)));
        break;
    case syntax_timeticks:
        vb.set_value(TimeTicks(static_cast<std::uint32_t>(*variable->val.integer)));
        break;
    case syntax_uint32:
        vb.set_value(SnmpUInt32(static_cast<std::uint32_t>(*variable->val.integer)));
        break;
    case syntax_counter64:
        vb.set_value(Counter64(static_cast<std::uint32_t>(variable->val.counter64->high),
                               static_cast<std::uint32_t>(variable->val.counter64->low)));
        break;
    case syntax_oid: {
        const std::size_t count = variable->val_len / sizeof(oid);
        std::vector<std::uint32_t> value(variable->val.objid, variable->val.objid + count);
        vb.set_value(Oid(value.data(), value.size()));
        break;
    }
    case syntax_ip_address:
        if (variable->val_len == 4)
            vb.set_value(IpAddress({bytes[0], bytes[1], bytes[2], bytes[3]}));
        else
            vb.set_value(OctetStr(bytes, variable->val_len));
        break;
    case syntax_octets:
    case syntax_bits:
    case syntax_sequence:
        vb.set_value(OctetStr(bytes, variable->val_len, variable->type));
        break;
    case syntax_opaque:
        vb.set_value(OpaqueStr(bytes, variable->val_len));
        break;
    default:
        break;
    }
    return vb;
}

} // namespace

Snmp::Snmp(int& status, std::uint16_t port) {
    if (port != 0) {
        status = status_unsupported;
        return;
    }
    netsnmp_init();
    status = status_success;
}

Snmp::~Snmp() = default;

int Snmp::get(Pdu& pdu, const CTarget& target) {
    return request(SNMP_MSG_GET, pdu, target);
}

int Snmp::get_next(Pdu& pdu, const CTarget& target) {
    return request(SNMP_MSG_GETNEXT, pdu, target);
}

int Snmp::set(Pdu& pdu, const CTarget& target) {
    return request(SNMP_MSG_SET, pdu, target);
}

int Snmp::request(int pdu_type, Pdu& pdu, const CTarget& target) {
    if (!target.valid())
        return status_invalid_address;
    if (pdu.get_vb_count() == 0)
        return status_invalid_pdu;
    const OctetStr& community =
        pdu_type == SNMP_MSG_SET ? target.get_writecommunity() : target.get_readcommunity();

    if (!session_ || !(session_->agent() == target.get_address())) {
        session_.reset();
        int error = 0;
        // Each request carries its own community, so the session's own
        // never goes out.
        session_ = netsnmp_session_t::open(target.get_address(), "public", &error);
        if (!session_)
            return status_resource_unavailable;
    }
    session_->set_timing(static_cast<long>(target.get_timeout()) * 10000L, target.get_retry());

    netsnmp_pdu* request = snmp_pdu_create(pdu_type);
    if (!request)
        return status_resource_unavailable;
    request->version = SNMP_VERSION_1;
    request->community = static_cast<u_char*>(std::malloc(community.len() ? community.len() : 1));
    if (!request->community) {
        snmp_free_pdu(request);
        return status_resource_unavailable;
    }
    if (community.len())
        std::memcpy(request->community, community.bytes().data(), community.len());
    request->community_len = community.len();
    for (const Vb& vb : pdu.vbs()) {
        Vb sent = vb;
        if (pdu_type != SNMP_MSG_SET)
            sent.set_null();
        if (!sent.get_oid().valid() || !add_binding(request, sent)) {
            snmp_free_pdu(request);
            return status_invalid_pdu;
        }
    }

    netsnmp_pdu* response = nullptr;
    switch (session_->exchange(request, abandon_fd_, &response)) {
    case exchange_result::answered:
        break;
    case exchange_result::timed_out:
        return status_timeout;
    case exchange_result::abandoned:
        // The request given up may still be resent; a fresh session next
        // time leaves it behind.
        session_.reset();
        return status_abandoned;
    case exchange_result::send_failed:
        session_.reset();
        return status_send_failed;
    case exchange_result::wait_failed:
        session_.reset();
        return status_wait_failed;
    }

    std::vector<Vb> vbs;
    for (const netsnmp_variable_list* variable = response->variables; variable;
         variable = variable->next_variable)
        vbs.push_back(binding_of(variable));
    const long error_status = response->errstat;
    const long error_index = response->errindex;
    snmp_free_pdu(response);
    pdu.set_vbs(std::move(vbs));
    pdu.set_error(static_cast<int>(error_status), static_cast<int>(error_index));
    return error_status != 0 ? status_error_status_set : status_success;
}

const char* Snmp::error_msg(int status) {
    switch (status) {
    case status_success:
        return "Success";
    case status_error:
        return "General session error";
    case status_resource_unavailable:
        return "Resource unavailable";
    case status_internal_error:
        return "Internal error";
    case status_unsupported:
        return "Unsupported function";
    case status_timeout:
        return "Request timeout";
    case status_invalid_address:
        return "Invalid address";
    case status_invalid_pdu:
        return "Invalid PDU";
    case status_send_failed:
        return "Request could not be sent";
    case status_wait_failed:
        return "Waiting for the response failed";
    case status_abandoned:
        return "Request abandoned";
    case status_error_status_set:
        return "Response carries an error status";
    // Error statuses of a response.
    case 1:
        return "Response too big";
    case 2:
        return "Unknown variable";
    case 3:
        return "Bad value";
    case 4:
        return "Write protect";
    case 5:
        return "General error";
    case 6:
        return "No access";
    case 7:
        return "Wrong type";
    case 8:
        return "Wrong length";
    case 9:
        return "Wrong encoding";
    case 10:
        return "Wrong value";
    case 11:
        return "No creation";
    case 12:
        return "Inconsistent value";
    case 13:
        return "Resource unavailable";
    case 14:
        return "Commit failed";
    case 15:
        return "Undo failed";
    case 16:
        return "Authorization error";
    case 17:
        return "Not writable";
    case 18:
        return "Inconsistent name";
    default:
        return "Unknown error";
    }
}

} // namespace platform::snmppp
