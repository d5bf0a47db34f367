// libmgmtapi.so: sessions and requests over Net-SNMP's single-session API.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/snmppp/address.h"
#include "platform/snmppp/netsnmp_session.h"
#include "platform/snmppp/value.h"
#include "platform/winsnmp/last_error.h"
#include "platform/winsnmp/mgmtapi.h"
#include "platform/winsnmp/snmpapi.h"

using namespace platform::winsnmp;

struct platform::winsnmp::snmp_mgr_session_t {
    std::unique_ptr<platform::snmppp::netsnmp_session_t> session;
    // The agent text and community it was opened with.
    std::string key;
    // Its last request was answered, so nothing of it is left in the
    // session: neither a resend due nor an answer on its way.
    bool settled = false;
};

namespace {

std::string session_key(std::string_view agent, std::string_view community) {
    std::string key(agent);
    key += '\0';
    key += community;
    return key;
}

// Sessions whose request was answered, kept for the next request to the
// same agent with the same community: opening one costs a socket and
// Net-SNMP's transport set-up, more than the request itself to a near
// agent. Every request still has a session of its own; a kept one serves
// one request at a time, and a late answer to another request is dropped
// by its request id. The oldest goes when the pool is full.
class session_pool_t {
public:
    std::unique_ptr<snmp_mgr_session_t> take(const std::string& key) {
        std::lock_guard lock(lock_);
        for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
            if ((*it)->key != key)
                continue;
            std::unique_ptr<snmp_mgr_session_t> session = std::move(*it);
            idle_.erase(std::next(it).base());
            return session;
        }
        return nullptr;
    }

    void give_back(std::unique_ptr<snmp_mgr_session_t> session) {
        std::unique_ptr<snmp_mgr_session_t> oldest;
        {
            std::lock_guard lock(lock_);
            idle_.push_back(std::move(session));
            if (idle_.size() > limit) {
                oldest = std::move(idle_.front());
                idle_.pop_front();
            }
        }
    }

private:
    // Above the poller's workers and the devices a site has.
    static constexpr std::size_t limit = 64;

    std::mutex lock_;
    std::deque<std::unique_ptr<snmp_mgr_session_t>> idle_;
};

session_pool_t& pool() {
    static session_pool_t sessions;
    return sessions;
}

// mib-2: where a name without a leading dot starts.
constexpr std::uint32_t mib2[] = {1, 3, 6, 1, 2, 1};

int fail(std::uint32_t code) {
    platform::set_last_error(code);
    return 0;
}

std::uint32_t error_of_errno(int error) {
    switch (error) {
    case ENOMEM:
        return error_not_enough_memory;
    case EINVAL:
        return error_invalid_parameter;
    case EMFILE:
    case ENFILE:
        return 4; // too many open files
    default:
        return error_gen_failure;
    }
}

// Adds one binding to the request; values of a syntax Net-SNMP cannot send
// go as NULL.
bool add_binding(netsnmp_pdu* pdu, const SnmpVarBind& binding) {
    if (binding.name.count == 0 || !binding.name.ids)
        return false;
    std::vector<oid> name(binding.name.ids, binding.name.ids + binding.name.count);
    const snmp_value_t& value = binding.value;
    const u_char type = value.type;
    netsnmp_variable_list* added = nullptr;
    switch (type) {
    case syntax_integer: {
        const long number = value.integer;
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, &number, sizeof number);
        break;
    }
    case syntax_counter32:
    case syntax_gauge32:
    case syntax_timeticks:
    case syntax_unsigned32: {
        const u_long number = value.unsigned32;
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, &number, sizeof number);
        break;
    }
    case syntax_counter64: {
        counter64 number{};
        number.high = value.counter64.high;
        number.low = value.counter64.low;
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, &number, sizeof number);
        break;
    }
    case syntax_oid: {
        if (value.oid.count == 0 || !value.oid.ids)
            return false;
        std::vector<oid> ids(value.oid.ids, value.oid.ids + value.oid.count);
        added = snmp_pdu_add_variable(pdu, name.data(), name.size(), type, ids.data(),
                                      ids.size() * sizeof(oid));
        break;
    }
    case syntax_bits:
    case syntax_octets:
    case syntax_sequence:
    case syntax_ip_address:
    case syntax_opaque: {
        static const u_char none = 0;
        const u_char* bytes =
            value.octets.bytes && value.octets.length ? value.octets.bytes : &none;
        // A SEQUENCE is held as an OCTET STRING of its contents, which the
        // session sends as a SEQUENCE (netsnmp_session_t::exchange).
        const u_char held = type == syntax_sequence ? syntax_octets : type;
        added =
            snmp_pdu_add_variable(pdu, name.data(), name.size(), held, bytes, value.octets.length);
        if (added)
            added->type = type;
        break;
    }
    default:
        added = snmp_add_null_var(pdu, name.data(), name.size());
        break;
    }
    return added != nullptr;
}

// One binding of the response, in memory of SnmpUtilMemAlloc.
bool copy_binding(const netsnmp_variable_list* variable, SnmpVarBind& binding) {
    binding = SnmpVarBind{};
    binding.name.ids = static_cast<std::uint32_t*>(SnmpUtilMemAlloc(
        static_cast<std::uint32_t>(variable->name_length * sizeof(std::uint32_t))));
    if (!binding.name.ids)
        return false;
    for (std::size_t i = 0; i < variable->name_length; ++i)
        binding.name.ids[i] = static_cast<std::uint32_t>(variable->name[i]);
    binding.name.count = static_cast<std::uint32_t>(variable->name_length);

    snmp_value_t& value = binding.value;
    value.type = variable->type;
    if (const auto number = platform::snmppp::opaque_number_text(*variable)) {
        const auto length = static_cast<std::uint32_t>(number->size());
        value.type = syntax_opaque;
        value.octets.bytes = static_cast<std::uint8_t*>(SnmpUtilMemAlloc(length));
        if (!value.octets.bytes) {
            value.type = syntax_null;
            return false;
        }
        std::memcpy(value.octets.bytes, number->data(), length);
        value.octets.length = length;
        value.octets.owned = 1;
        return true;
    }
    switch (variable->type) {
    case syntax_integer:
        value.integer = static_cast<std::int32_t>(*variable->val.integer);
        break;
    case syntax_counter32:
    case syntax_gauge32:
    case syntax_timeticks:
    case syntax_unsigned32:
        value.unsigned32 = static_cast<std::uint32_t>(*variable->val.integer);
        break;
    case syntax_counter64:
        value.counter64.high = static_cast<std::uint32_t>(variable->val.counter64->high);
        value.counter64.low = static_cast<std::uint32_t>(variable->val.counter64->low);
        break;
    case syntax_oid: {
        const std::size_t count = variable->val_len / sizeof(oid);
        value.oid.ids = static_cast<std::uint32_t*>(
            SnmpUtilMemAlloc(static_cast<std::uint32_t>(count * sizeof(std::uint32_t))));
        if (!value.oid.ids) {
            value.type = syntax_null;
            return false;
        }
        for (std::size_t i = 0; i < count; ++i)
            value.oid.ids[i] = static_cast<std::uint32_t>(variable->val.objid[i]);
        value.oid.count = static_cast<std::uint32_t>(count);
        break;
    }
    case syntax_bits:
    case syntax_octets:
    case syntax_sequence:
    case syntax_ip_address:
    case syntax_opaque: {
        const auto length = static_cast<std::uint32_t>(variable->val_len);
        value.octets.bytes = static_cast<std::uint8_t*>(SnmpUtilMemAlloc(length));
        if (!value.octets.bytes) {
            value.type = syntax_null;
            return false;
        }
        if (length)
            std::memcpy(value.octets.bytes, variable->val.string, length);
        value.octets.length = length;
        value.octets.owned = 1;
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace

snmp_mgr_session_t* SnmpMgrOpen(const char* agent, const char* community, int timeout_ms,
                                int retries) {
    if (!agent || !community) {
        fail(error_invalid_parameter);
        return nullptr;
    }
    const platform::snmppp::GenAddress address{std::string_view(agent)};
    if (!address.valid()) {
        fail(error_invalid_parameter);
        return nullptr;
    }
    std::unique_ptr<snmp_mgr_session_t> session;
    int error = 0;
    try {
        std::string key = session_key(agent, community);
        session = pool().take(key);
        if (!session) {
            session = std::make_unique<snmp_mgr_session_t>();
            session->key = std::move(key);
            session->session =
                platform::snmppp::netsnmp_session_t::open(address, community, &error);
        }
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    if (!session || !session->session) {
        fail(error_of_errno(error));
        return nullptr;
    }
    session->settled = false;
    const long timeout_us = timeout_ms < 0 ? 0 : static_cast<long>(timeout_ms) * 1000L;
    session->session->set_timing(timeout_us, retries);
    return session.release();
}

int SnmpMgrClose(snmp_mgr_session_t* session) {
    if (!session)
        return fail(error_invalid_parameter);
    std::unique_ptr<snmp_mgr_session_t> closed(session);
    if (closed->settled)
        pool().give_back(std::move(closed));
    return 1;
}

int SnmpMgrStrToOid(const char* text, snmp_oid_t* oid) {
    if (!text || !oid)
        return fail(error_invalid_parameter);
    const std::string_view view(text);
    const platform::snmppp::Oid parsed(view);
    if (!parsed.valid())
        return fail(error_invalid_parameter);
    std::vector<std::uint32_t> ids;
    if (view.front() != '.')
        ids.assign(std::begin(mib2), std::end(mib2));
    ids.insert(ids.end(), parsed.ids().begin(), parsed.ids().end());
    if (ids.size() > platform::snmppp::Oid::max_length)
        return fail(error_invalid_parameter);
    auto* copy = static_cast<std::uint32_t*>(
        SnmpUtilMemAlloc(static_cast<std::uint32_t>(ids.size() * sizeof(std::uint32_t))));
    if (!copy)
        return fail(error_not_enough_memory);
    std::memcpy(copy, ids.data(), ids.size() * sizeof(std::uint32_t));
    oid->ids = copy;
    oid->count = static_cast<std::uint32_t>(ids.size());
    return 1;
}

int SnmpMgrRequest(snmp_mgr_session_t* session, std::uint8_t pdu_type, SnmpVarBindList* bindings,
                   std::int32_t* error_status, std::int32_t* error_index) {
    if (!session || !bindings || !error_status || !error_index || bindings->count == 0 ||
        !bindings->list)
        return fail(error_invalid_parameter);
    if (pdu_type != pdu_get && pdu_type != pdu_get_next && pdu_type != pdu_set)
        return fail(error_invalid_parameter);

    netsnmp_pdu* request = snmp_pdu_create(pdu_type);
    if (!request)
        return fail(error_not_enough_memory);
    for (std::uint32_t i = 0; i < bindings->count; ++i) {
        if (!add_binding(request, bindings->list[i])) {
            snmp_free_pdu(request);
            return fail(error_invalid_parameter);
        }
    }

    netsnmp_pdu* response = nullptr;
    session->settled = false;
    switch (session->session->exchange(request, abandon_fd(), &response)) {
    case platform::snmppp::exchange_result::answered:
        session->settled = true;
        break;
    case platform::snmppp::exchange_result::timed_out:
        return fail(error_timeout);
    case platform::snmppp::exchange_result::abandoned:
        return fail(error_cancelled);
    case platform::snmppp::exchange_result::wait_failed:
        return fail(error_select);
    case platform::snmppp::exchange_result::send_failed:
        return fail(error_gen_failure);
    }

    std::uint32_t count = 0;
    for (const netsnmp_variable_list* v = response->variables; v; v = v->next_variable)
        ++count;
    SnmpVarBindList answer{};
    answer.list = static_cast<SnmpVarBind*>(
        SnmpUtilMemAlloc(static_cast<std::uint32_t>(count * sizeof(SnmpVarBind))));
    if (!answer.list) {
        snmp_free_pdu(response);
        return fail(error_not_enough_memory);
    }
    for (const netsnmp_variable_list* v = response->variables; v; v = v->next_variable) {
        const bool copied = copy_binding(v, answer.list[answer.count]);
        ++answer.count;
        if (!copied) {
            SnmpUtilVarBindListFree(&answer);
            snmp_free_pdu(response);
            return fail(error_not_enough_memory);
        }
    }
    *error_status = static_cast<std::int32_t>(response->errstat);
    *error_index = static_cast<std::int32_t>(response->errindex);
    snmp_free_pdu(response);
    SnmpUtilVarBindListFree(bindings);
    *bindings = answer;
    return 1;
}
