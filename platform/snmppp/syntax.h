#pragma once
// Value syntaxes of the SNMP classes: the ASN.1 tags of the values.
#include <cstdint>

namespace platform::snmppp {

inline constexpr std::uint8_t syntax_int32 = 0x02;
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
inline constexpr std::uint8_t syntax_uint32 = 0x47;

// SNMP versions of a target: requests go out as version 1.
enum class snmp_version { version1 = 0 };

} // namespace platform::snmppp
