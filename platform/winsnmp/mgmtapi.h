#pragma once
// libmgmtapi.so: the management side of the SNMP API as the poller's NT
// back end uses it, loaded by name at run time.
//
//   SnmpMgrOpen, SnmpMgrClose, SnmpMgrStrToOid, SnmpMgrRequest
//
// Requests are SNMP version 1 over UDP (Net-SNMP's single-session API).
// A failed call returns 0 (or a null session) and leaves a code for
// platform::get_last_error() (last_error.h): error_timeout when the agent did
// not answer within the time-out and retries, error_select when waiting for
// the answer failed, error_cancelled when the thread's abandon descriptor
// fired, error_invalid_parameter for a bad argument. The binding lists it
// returns are released through libsnmpapi.so (snmpapi.h).
#include "platform/winsnmp/snmp_types.h"

// Opens a session to `agent`: a dotted IPv4 address, optionally followed by
// "/port" (default 161); host names are not looked up. The time-out (ms) is
// waited for each of the 1 + retries attempts; negative values count as 0.
PLATFORM_WINSNMP_EXPORT platform::winsnmp::snmp_mgr_session_t*
SnmpMgrOpen(const char* agent, const char* community, int timeout_ms, int retries);
PLATFORM_WINSNMP_EXPORT int SnmpMgrClose(platform::winsnmp::snmp_mgr_session_t* session);
// Numeric identifiers only: ".1.3.6.1.2.1.1.1.0" is taken as it is; a text
// without the leading dot is relative to mib-2 (1.3.6.1.2.1). The identifier
// is allocated with SnmpUtilMemAlloc.
PLATFORM_WINSNMP_EXPORT int SnmpMgrStrToOid(const char* text, platform::winsnmp::snmp_oid_t* oid);
// Sends the bindings as a request of `pdu_type` and waits for the answer;
// on success the bindings are replaced by those of the response, whose error
// status and index are stored.
PLATFORM_WINSNMP_EXPORT int SnmpMgrRequest(platform::winsnmp::snmp_mgr_session_t* session,
                                           std::uint8_t pdu_type,
                                           platform::winsnmp::SnmpVarBindList* bindings,
                                           std::int32_t* error_status, std::int32_t* error_index);
