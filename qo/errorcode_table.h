#pragma once
// The library's own error codes with their names and texts.
#include <array>
#include <cstdint>
#include <string_view>

namespace qo {

namespace errorcode {
inline constexpr std::uint32_t no_error = 0x00000000;
inline constexpr std::uint32_t generic_error = 0x20000001;
inline constexpr std::uint32_t unknown_exception = 0x20000002;
inline constexpr std::uint32_t winapi = 0x20000003;
inline constexpr std::uint32_t not_implemented = 0x20000004;
inline constexpr std::uint32_t vesk_min = 0x20000100;
inline constexpr std::uint32_t vesk_max = 0x200001FF;
inline constexpr std::uint32_t xml_min = 0x20000200;
inline constexpr std::uint32_t xml_max = 0x200002FF;
inline constexpr std::uint32_t qonet_min = 0x20000300;
inline constexpr std::uint32_t qonet_max = 0x200003FF;
inline constexpr std::uint32_t vesk_generic = 0x20000101;
inline constexpr std::uint32_t vesk_no_engine = 0x20000102;
inline constexpr std::uint32_t vesk_no_config_file = 0x20000103;
inline constexpr std::uint32_t vesk_bad_config_file = 0x20000103;
inline constexpr std::uint32_t vesk_bad_type = 0x20000104;
inline constexpr std::uint32_t vesk_bad_function = 0x20000105;
inline constexpr std::uint32_t vesk_bad_cgid = 0x20000106;
inline constexpr std::uint32_t vesk_bad_ruid = 0x20000107;
inline constexpr std::uint32_t vesk_readonly = 0x20000108;
inline constexpr std::uint32_t vesk_internal = 0x20000109;
inline constexpr std::uint32_t xml_generic = 0x20000201;
inline constexpr std::uint32_t xml_internal = 0x20000202;
inline constexpr std::uint32_t xml_unknown_exception = 0x20000203;
inline constexpr std::uint32_t xml_rethrow_exception = 0x20000204;
inline constexpr std::uint32_t xml_file_open = 0x20000205;
inline constexpr std::uint32_t xml_file_read = 0x20000206;
inline constexpr std::uint32_t xml_parse_error = 0x20000207;
inline constexpr std::uint32_t xml_element_missing = 0x20000208;
inline constexpr std::uint32_t xml_element_illegal = 0x20000209;
inline constexpr std::uint32_t xml_element_invalid = 0x2000020A;
inline constexpr std::uint32_t xml_attribute_missing = 0x2000020B;
inline constexpr std::uint32_t xml_attribute_illegal = 0x2000020C;
inline constexpr std::uint32_t xml_attribute_invalid = 0x2000020D;
inline constexpr std::uint32_t qonet_generic = 0x20000301;
inline constexpr std::uint32_t qonet_sock_timeout = 0x20000302;
inline constexpr std::uint32_t qonet_malformed_address = 0x20000303;
inline constexpr std::uint32_t qonet_bad_address = 0x20000303;
} // namespace errorcode

struct errorcode_info_t {
    std::uint32_t code;
    std::string_view name;
    std::string_view text;
};

// Searched from the first row: of two rows with one code (0x20000103,
// 0x20000303) the first always wins.
extern const std::array<errorcode_info_t, 38> errorcode_table;

} // namespace qo
