#pragma once
// The few BER forms an SNMP version 1 message needs, written independently
// of the SNMP library the programs under test use, so that a misreading
// shared by both cannot hide.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace snmpagent {

using bytes_t = std::vector<std::uint8_t>;

inline constexpr std::uint8_t tag_integer = 0x02;
inline constexpr std::uint8_t tag_octets = 0x04;
inline constexpr std::uint8_t tag_null = 0x05;
inline constexpr std::uint8_t tag_oid = 0x06;
inline constexpr std::uint8_t tag_sequence = 0x30;
inline constexpr std::uint8_t tag_ip_address = 0x40;
inline constexpr std::uint8_t tag_counter32 = 0x41;
inline constexpr std::uint8_t tag_gauge32 = 0x42;
inline constexpr std::uint8_t tag_timeticks = 0x43;
inline constexpr std::uint8_t tag_counter64 = 0x46;
inline constexpr std::uint8_t tag_unsigned32 = 0x47;
inline constexpr std::uint8_t pdu_get = 0xA0;
inline constexpr std::uint8_t pdu_get_next = 0xA1;
inline constexpr std::uint8_t pdu_response = 0xA2;
inline constexpr std::uint8_t pdu_set = 0xA3;

// One element: its tag and the bytes of its contents.
struct element_t {
    std::uint8_t tag = 0;
    bytes_t content;
};

// Appends tag, length and contents.
void put(bytes_t& out, std::uint8_t tag, const bytes_t& content);
bytes_t encode(std::uint8_t tag, const bytes_t& content);

// Contents of integers (two's complement, shortest form) and of unsigned
// numbers (Counter32 and the like: never negative, a leading zero byte
// when the top bit is set).
bytes_t signed_content(std::int64_t value);
bytes_t unsigned_content(std::uint64_t value);
// Contents of an identifier from dotted text; nullopt when it is not one.
std::optional<bytes_t> oid_content(std::string_view dotted);

// Reads the elements one after another from `data`; false on anything
// malformed (a length beyond the data, a long length of more than four
// bytes, a multi-byte tag).
bool read_elements(const std::uint8_t* data, std::size_t size, std::vector<element_t>& out);

std::optional<std::int64_t> read_signed(const bytes_t& content);
std::optional<std::uint64_t> read_unsigned(const bytes_t& content);
// Dotted text of identifier contents; nullopt when malformed.
std::optional<std::string> read_oid(const bytes_t& content);
// Identifier contents compare as their sub-identifier sequences.
std::optional<std::vector<std::uint64_t>> oid_ids(const bytes_t& content);

std::string hex(const bytes_t& bytes);
std::optional<bytes_t> from_hex(std::string_view text);

// A version 1 message with one PDU.
struct message_t {
    std::string community;
    std::uint8_t pdu_type = 0;
    std::int64_t request_id = 0;
    std::int64_t error_status = 0;
    std::int64_t error_index = 0;
    std::vector<std::pair<bytes_t, element_t>> bindings; // identifier contents, value
};

std::optional<message_t> read_message(const std::uint8_t* data, std::size_t size);
bytes_t write_message(const message_t& message);

} // namespace snmpagent
