#include "poller/snmp_nt.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "platform/snmppp/address.h"
#include "platform/snmppp/value.h"
#include "platform/text/number.h"
#include "platform/winsnmp/last_error.h"
#include "poller/octet_text.h"
#include "poller/session_log.h"
#include "qo/exception.h"
#include "qo/module_dir.h"
#include "qo/proc/exception.h"
#include "qo/wapi/exception.h"

namespace kestrin2 {

namespace ws = platform::winsnmp;
namespace pp = platform::snmppp;

namespace {

// System codes of a library that does not load and of a missing entry point.
constexpr std::uint32_t error_mod_not_found = 126;
constexpr std::uint32_t error_proc_not_found = 127;

// The process-wide table of the two libraries; changed only while the
// first object is made and the last one goes, under its lock. Each object
// keeps its own copy of the entry points.
struct library_table_t {
    std::mutex lock;
    void* mgmtapi = nullptr;
    void* snmpapi = nullptr;
    snmp_nt_t::api_t api;
    int count = 0;
};

library_table_t& libraries() {
    static library_table_t table;
    return table;
}

std::string dl_error_text(const char* fallback) {
    const char* text = ::dlerror();
    return text ? text : fallback;
}

// Beside the program, then in the folder the libraries come with, then
// wherever the dynamic linker finds it. (A sanitizer's dlopen does not see
// the loading module's RUNPATH, so the folder is asked for, not assumed.)
void* load_library(const char* name) {
    void* handle = nullptr;
    for (const std::string& dir : {qo::module_dir(), ws::library_folder()}) {
        if (handle || dir.empty())
            continue;
        const std::string path = dir + name;
        if (::access(path.c_str(), F_OK) == 0)
            handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!handle)
        handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw qo::wapi::exception_t(error_mod_not_found, dl_error_text(name));
    return handle;
}

template <typename F>
void resolve(void* library, const char* name, F& entry) {
    ::dlerror();
    entry = reinterpret_cast<F>(::dlsym(library, name));
    if (!entry)
        throw qo::wapi::exception_t(error_proc_not_found, dl_error_text(name));
}

void load_libraries(library_table_t& table) {
    try {
        table.mgmtapi = load_library(ws::mgmtapi_library);
        table.snmpapi = load_library(ws::snmpapi_library);
        snmp_nt_t::api_t& api = table.api;
        resolve(table.mgmtapi, "SnmpMgrOpen", api.open);
        resolve(table.mgmtapi, "SnmpMgrClose", api.close);
        resolve(table.mgmtapi, "SnmpMgrStrToOid", api.str_to_oid);
        resolve(table.mgmtapi, "SnmpMgrRequest", api.request);
        resolve(table.snmpapi, "SnmpUtilVarBindListFree", api.list_free);
        resolve(table.snmpapi, "SnmpUtilMemFree", api.mem_free);
        resolve(table.snmpapi, "SnmpUtilMemAlloc", api.mem_alloc);
        resolve(table.snmpapi, "SnmpUtilMemReAlloc", api.mem_realloc);
    } catch (...) {
        if (table.snmpapi)
            ::dlclose(table.snmpapi);
        if (table.mgmtapi)
            ::dlclose(table.mgmtapi);
        table.snmpapi = table.mgmtapi = nullptr;
        table.api = {};
        throw;
    }
}

// Writes the failure of a session to standard output and "session.log", and
// raises it.
[[noreturn]] void session_failed(const std::string& ip, const std::string& community,
                                 int timeout_ms, int retries) {
    const std::uint32_t code = platform::get_last_error();
    const std::string text = session_log_time() + ": GetLastError = " + std::to_string(code) +
                             ",IP = [" + ip + "],user=[" + community + "],timeout = [" +
                             std::to_string(timeout_ms) + "],retry_count = [" +
                             std::to_string(retries) +
                             "]  Snmp session creation fails, error in snmp_nt_t::open_session ()";
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    session_log_append(text);
    throw qo::exception_t(std::string_view(text));
}

std::string status_text(std::int32_t status) {
    switch (status) {
    case 1:
        return "Unexpected response";
    case 2:
        return "Unknown variable";
    case 3:
        return "Bad value";
    case 4:
        return "Write protect";
    case 5:
        return "General error";
    default:
        return "Error status " + std::to_string(status);
    }
}

[[noreturn]] void cannot_convert(const std::string& text) {
    throw qo::exception_t(std::string_view("Could not convert " + text + " to snmp variable"));
}

// strtoul with base 10 where unsigned long has 32 bits: a minus sign
// negates modulo 2^32, a value out of range gives the maximum.
std::uint32_t to_uint32(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value = 0xFFFFFFFFu;
        }
    }
    if (overflow)
        return 0xFFFFFFFFu;
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

// Puts `text` into the value by the value's syntax; a syntax without a
// text form keeps the value.
void put_text(const snmp_nt_t::api_t& api, ws::snmp_value_t& value, const std::string& text) {
    switch (value.type) {
    case ws::syntax_integer:
        value.integer = platform::text::to_int32(text);
        break;
    case ws::syntax_bits:
    case ws::syntax_octets:
    case ws::syntax_sequence:
    case ws::syntax_opaque: {
        const std::string bytes = value.type == ws::syntax_octets ? octets_from_text(text) : text;
        const auto length = static_cast<std::uint32_t>(bytes.size());
        void* buffer = api.mem_realloc(value.octets.owned ? value.octets.bytes : nullptr, length);
        if (!buffer)
            throw qo::exception_t("Memory allocation fails, error in asn_set_value().");
        std::memcpy(buffer, bytes.data(), length);
        value.octets.bytes = static_cast<std::uint8_t*>(buffer);
        value.octets.length = length;
        value.octets.owned = 1;
        break;
    }
    case ws::syntax_oid: {
        const pp::Oid id(text);
        if (!id.valid())
            cannot_convert(text);
        auto* ids = static_cast<std::uint32_t*>(
            api.mem_alloc(static_cast<std::uint32_t>(id.len() * sizeof(std::uint32_t))));
        if (!ids)
            throw qo::exception_t("Memory allocation fails, error in asn_set_value().");
        std::memcpy(ids, id.ids().data(), id.len() * sizeof(std::uint32_t));
        api.mem_free(value.oid.ids);
        value.oid.ids = ids;
        value.oid.count = static_cast<std::uint32_t>(id.len());
        break;
    }
    case ws::syntax_ip_address: {
        const pp::IpAddress address(text);
        if (!address.valid())
            cannot_convert(text);
        void* buffer = api.mem_realloc(value.octets.owned ? value.octets.bytes : nullptr, 4);
        if (!buffer)
            throw qo::exception_t("Memory allocation fails, error in asn_set_value().");
        std::memcpy(buffer, address.bytes().data(), 4);
        value.octets.bytes = static_cast<std::uint8_t*>(buffer);
        value.octets.length = 4;
        value.octets.owned = 1;
        break;
    }
    case ws::syntax_counter32:
    case ws::syntax_gauge32:
    case ws::syntax_timeticks:
        value.unsigned32 = static_cast<std::uint32_t>(platform::text::to_int32(text));
        break;
    case ws::syntax_counter64: {
        const auto number = static_cast<std::uint64_t>(platform::text::to_int64(text));
        value.counter64.high = static_cast<std::uint32_t>(number >> 32);
        value.counter64.low = static_cast<std::uint32_t>(number);
        break;
    }
    case ws::syntax_unsigned32:
        value.unsigned32 = to_uint32(text);
        break;
    default:
        break;
    }
}

int clamped(int value) {
    return value < 0 ? 0 : value;
}

} // namespace

std::string snmp_nt_value_text(const ws::snmp_value_t& value) {
    switch (value.type) {
    case ws::syntax_integer:
        return pp::SnmpInt32(value.integer).get_printable();
    case ws::syntax_octets:
        return text_from_octets(value.octets.bytes, value.octets.length);
    case ws::syntax_bits:
    case ws::syntax_sequence:
    case ws::syntax_opaque:
        return pp::OctetStr(value.octets.bytes, value.octets.length).get_printable();
    case ws::syntax_oid:
        return pp::Oid(value.oid.ids, value.oid.count).get_printable();
    case ws::syntax_ip_address:
        if (value.octets.length == 4)
            return pp::IpAddress({value.octets.bytes[0], value.octets.bytes[1],
                                  value.octets.bytes[2], value.octets.bytes[3]})
                .get_printable();
        return pp::OctetStr(value.octets.bytes, value.octets.length).get_printable();
    case ws::syntax_counter32:
        return pp::Counter32(value.unsigned32).get_printable();
    case ws::syntax_gauge32:
        return pp::Gauge32(value.unsigned32).get_printable();
    case ws::syntax_timeticks:
        return pp::TimeTicks(value.unsigned32).get_printable();
    case ws::syntax_counter64:
        return pp::Counter64(value.counter64.high, value.counter64.low).get_printable();
    case ws::syntax_unsigned32:
        return pp::SnmpUInt32(value.unsigned32).get_printable();
    default:
        return {};
    }
}

// One session and its binding list; both go on every path.
class snmp_nt_t::session_t {
public:
    session_t(const api_t& api, const std::string& ip, const snmp_request_options_t& options)
        : api_(api) {
        const int timeout = clamped(options.timeout_ms);
        const int retries = clamped(options.retry_count);
        handle_ = api_.open(ip.c_str(), options.community.c_str(), timeout, retries);
        if (!handle_)
            session_failed(ip, options.community, timeout, retries);
    }
    ~session_t() {
        api_.list_free(&list_);
        api_.close(handle_);
    }
    session_t(const session_t&) = delete;
    session_t& operator=(const session_t&) = delete;

    // One binding of `name` with a NULL value.
    void fill(const std::string& name) {
        try {
            ws::snmp_oid_t id{};
            const std::string text = "." + name;
            if (!api_.str_to_oid(text.c_str(), &id))
                throw qo::exception_t("SnmpMgrStrToOid () fails, error in snmp_nt_t::vb_fill ()");
            list_.list = static_cast<ws::SnmpVarBind*>(api_.mem_alloc(sizeof(ws::SnmpVarBind)));
            if (!list_.list) {
                api_.mem_free(id.ids);
                throw qo::exception_t(
                    "SnmpVarBindList memory allocation fails, error in snmp_nt_t::vb_fill ()");
            }
            list_.count = 1;
            ws::SnmpVarBind& binding = list_.list[0];
            binding.name.ids = static_cast<std::uint32_t*>(
                api_.mem_alloc(static_cast<std::uint32_t>(id.count * sizeof(std::uint32_t))));
            if (!binding.name.ids) {
                api_.mem_free(id.ids);
                throw qo::exception_t("vb_list.list[0].name.ids memory allocation fails, error in "
                                      "snmp_nt_t::vb_fill ()");
            }
            std::memcpy(binding.name.ids, id.ids, id.count * sizeof(std::uint32_t));
            binding.name.count = id.count;
            api_.mem_free(id.ids);
            binding.value.type = ws::syntax_null;
        } catch (const qo::exception_t&) {
            throw;
        } catch (...) {
            throw qo::exception_t("Unknown error in snmp_nt_t::vb_fill().");
        }
    }

    // The request and the error status of its answer; any failure is raised
    // as qo::proc::exception_t.
    void request(std::uint8_t pdu_type, const snmp_request_options_t& options) {
        std::int32_t status = 0;
        std::int32_t index = 0;
        int done = 0;
        {
            const ws::scoped_abandon_fd_t abandon(options.abandon ? options.abandon->fd() : -1);
            done = api_.request(handle_, pdu_type, &list_, &status, &index);
        }
        if (!done) {
            const std::uint32_t code = platform::get_last_error();
            if (code == ws::error_cancelled)
                throw snmp_abandoned_t();
            throw qo::proc::exception_t(code == ws::error_select ? "Winsock select error"
                                                                 : "Request timeout");
        }
        if (status != 0)
            throw qo::proc::exception_t(std::string_view(status_text(status)));
    }

    void extract(snmp_vb_t& vb, bool with_name) const {
        try {
            if (list_.count < 1 || !list_.list)
                throw std::out_of_range("no binding");
            const ws::SnmpVarBind& binding = list_.list[0];
            if (with_name)
                vb.name = pp::Oid(binding.name.ids, binding.name.count).get_printable();
            vb.value = snmp_nt_value_text(binding.value);
            vb.type = binding.value.type;
        } catch (...) {
            throw qo::exception_t("Unknown error in snmp_nt_t::vb_extract().");
        }
    }

    ws::SnmpVarBindList& list() { return list_; }

private:
    const api_t& api_;
    ws::snmp_mgr_session_t* handle_ = nullptr;
    ws::SnmpVarBindList list_{};
};

snmp_nt_t::snmp_nt_t() {
    library_table_t& table = libraries();
    std::lock_guard lock(table.lock);
    if (table.count == 0)
        load_libraries(table);
    ++table.count;
    api_ = table.api;
}

snmp_nt_t::~snmp_nt_t() {
    library_table_t& table = libraries();
    std::lock_guard lock(table.lock);
    if (--table.count > 0)
        return;
    ::dlclose(table.mgmtapi);
    ::dlclose(table.snmpapi);
    table.mgmtapi = table.snmpapi = nullptr;
    table.api = {};
}

int snmp_nt_t::living_count() {
    library_table_t& table = libraries();
    std::lock_guard lock(table.lock);
    return table.count;
}

bool snmp_nt_t::libraries_loaded() {
    library_table_t& table = libraries();
    std::lock_guard lock(table.lock);
    return table.mgmtapi != nullptr && table.snmpapi != nullptr;
}

void snmp_nt_t::request(snmp_vb_t& vb, const snmp_request_options_t& options,
                        std::uint8_t pdu_type) {
    session_t session(api_, vb.ip, options);
    session.fill(vb.name);
    session.request(pdu_type, options);
    session.extract(vb, true);
}

void snmp_nt_t::get(snmp_vb_t& vb, const snmp_request_options_t& options) {
    request(vb, options, ws::pdu_get);
}

void snmp_nt_t::get_next(snmp_vb_t& vb, const snmp_request_options_t& options) {
    request(vb, options, ws::pdu_get_next);
}

void snmp_nt_t::set(snmp_vb_t& vb, const snmp_request_options_t& options) {
    session_t session(api_, vb.ip, options);
    session.fill(vb.name);
    // The variable's syntax is what the device reports for it.
    session.request(ws::pdu_get, options);
    ws::SnmpVarBindList& list = session.list();
    if (list.count < 1 || !list.list)
        throw qo::exception_t("Unknown error in snmp_nt_t::vb_extract().");
    put_text(api_, list.list[0].value, vb.value);
    session.request(ws::pdu_set, options);
    session.extract(vb, false);
}

} // namespace kestrin2
