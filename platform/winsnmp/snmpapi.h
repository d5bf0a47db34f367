#pragma once
// libsnmpapi.so: the memory of binding lists, shared by libmgmtapi.so and
// its caller.
//
//   SnmpUtilVarBindListFree, SnmpUtilMemFree, SnmpUtilMemAlloc,
//   SnmpUtilMemReAlloc
#include "platform/winsnmp/snmp_types.h"

PLATFORM_WINSNMP_EXPORT void SnmpUtilVarBindListFree(platform::winsnmp::SnmpVarBindList* bindings);
PLATFORM_WINSNMP_EXPORT void SnmpUtilMemFree(void* memory);
// Zeroed memory; null when it cannot be had.
PLATFORM_WINSNMP_EXPORT void* SnmpUtilMemAlloc(std::uint32_t size);
PLATFORM_WINSNMP_EXPORT void* SnmpUtilMemReAlloc(void* memory, std::uint32_t size);
