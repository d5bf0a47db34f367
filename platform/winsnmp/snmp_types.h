#pragma once
// What the two libraries of the SNMP management API share with each other
// and with the module that loads them: the binding lists and their values,
// the codes they leave as last error, the library names and the entry
// points' types as resolved by name. The entry points themselves are
// declared by their own library's header: mgmtapi.h and snmpapi.h.
//
// Every buffer that a binding list holds (the list, identifiers, octet
// strings) comes from SnmpUtilMemAlloc / SnmpUtilMemReAlloc, and
// SnmpUtilVarBindListFree releases them all.
#include <cstdint>

#define PLATFORM_WINSNMP_EXPORT extern "C" __attribute__((visibility("default")))

namespace platform::winsnmp {

// File names the back end loads: first beside the program, then through the
// dynamic linker's search path (LD_LIBRARY_PATH, the RUNPATH of the loading
// module, the system folders).
inline constexpr const char* mgmtapi_library = "libmgmtapi.so";
inline constexpr const char* snmpapi_library = "libsnmpapi.so";

// Last-error codes.
inline constexpr std::uint32_t error_gen_failure = 31;
inline constexpr std::uint32_t error_timeout = 40;
inline constexpr std::uint32_t error_select = 41;
inline constexpr std::uint32_t error_not_enough_memory = 8;
inline constexpr std::uint32_t error_invalid_parameter = 87;
inline constexpr std::uint32_t error_cancelled = 1223;

// PDU types of SnmpMgrRequest.
inline constexpr std::uint8_t pdu_get = 0xA0;
inline constexpr std::uint8_t pdu_get_next = 0xA1;
inline constexpr std::uint8_t pdu_set = 0xA3;

// Value syntaxes: the ASN.1 tags of the values.
inline constexpr std::uint8_t syntax_integer = 0x02;
inline constexpr std::uint8_t syntax_bits = 0x03;
inline constexpr std::uint8_t syntax_octets = 0x04;
inline constexpr std::uint8_t syntax_null = 0x05;
inline constexpr std::uint8_t syntax_oid = 0x06;
inline constexpr std::uint8_t syntax_sequence = 0x30;
inline constexpr std::uint8_t syntax_ip_address = 0x40;
inline constexpr std::uint8_t syntax_counter32 = 0x41;
inline constexpr std::uint8_t syntax_gauge32 = 0x42;
inline constexpr std::uint8_t syntax_timeticks = 0x43;
inline constexpr std::uint8_t syntax_opaque = 0x44;
inline constexpr std::uint8_t syntax_counter64 = 0x46;
inline constexpr std::uint8_t syntax_unsigned32 = 0x47;

// The syntaxes whose values are bytes (snmp_value_t::octets).
inline constexpr bool holds_octets(std::uint8_t type) {
    return type == syntax_bits || type == syntax_octets || type == syntax_sequence ||
           type == syntax_ip_address || type == syntax_opaque;
}

// An object identifier: `count` sub-identifiers at `ids`.
struct snmp_oid_t {
    std::uint32_t count;
    std::uint32_t* ids;
};

// Bytes of an OCTET STRING, bit string, Opaque, IpAddress (four bytes) or
// sequence value. `owned`: the bytes were allocated for this value and go
// with it.
struct snmp_octets_t {
    std::uint8_t* bytes;
    std::uint32_t length;
    std::uint32_t owned;
};

struct snmp_counter64_t {
    std::uint32_t low;
    std::uint32_t high;
};

// One value; `type` (a syntax above) says which member holds it.
struct snmp_value_t {
    std::uint8_t type;
    union {
        std::int32_t integer;     // INTEGER
        std::uint32_t unsigned32; // Counter32, Gauge32, TimeTicks, unsigned 32-bit
        snmp_counter64_t counter64;
        snmp_octets_t octets;
        snmp_oid_t oid;
    };
};

struct SnmpVarBind {
    snmp_oid_t name;
    snmp_value_t value;
};

struct SnmpVarBindList {
    SnmpVarBind* list;
    std::uint32_t count;
};

// An open session (opaque).
struct snmp_mgr_session_t;

// The entry points, as resolved by name.
using SnmpMgrOpen_t = snmp_mgr_session_t* (*)(const char* agent, const char* community,
                                              int timeout_ms, int retries);
using SnmpMgrClose_t = int (*)(snmp_mgr_session_t* session);
using SnmpMgrStrToOid_t = int (*)(const char* text, snmp_oid_t* oid);
using SnmpMgrRequest_t = int (*)(snmp_mgr_session_t* session, std::uint8_t pdu_type,
                                 SnmpVarBindList* bindings, std::int32_t* error_status,
                                 std::int32_t* error_index);
using SnmpUtilVarBindListFree_t = void (*)(SnmpVarBindList* bindings);
using SnmpUtilMemFree_t = void (*)(void* memory);
using SnmpUtilMemAlloc_t = void* (*)(std::uint32_t size);
using SnmpUtilMemReAlloc_t = void* (*)(void* memory, std::uint32_t size);

} // namespace platform::winsnmp
