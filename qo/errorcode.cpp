#include "qo/errorcode.h"

#include "platform/text/format.h"

#include <string>

namespace qo {

const std::array<errorcode_info_t, 38> errorcode_table = {{
    {0x00000000, "no_error", "this is not an error"},
    {0x20000001, "generic_error", "Generic error"},
    {0x20000002, "unknown_exception", "unknown exception encountered"},
    {0x20000003, "winapi", "Windows API error"},
    {0x20000004, "not_implemented", "function is not implemented"},
    {0x20000100, "vesk_min", "VESK min error number"},
    {0x200001FF, "vesk_max", "VESK max error number"},
    {0x20000200, "xml_min", "XML min error number"},
    {0x200002FF, "xml_max", "XML max error number"},
    {0x20000300, "qonet_min", "qo::net min error number"},
    {0x200003FF, "qonet_max", "qo::net max error number"},
    {0x20000101, "vesk_generic", "control engine generic error"},
    {0x20000102, "vesk_no_engine", "control engine does not exist"},
    {0x20000103, "vesk_no_config_file", "no configuration file"},
    {0x20000103, "vesk_bad_config_file", "bad configuration file"},
    {0x20000104, "vesk_bad_type", "bad control type specified in configuration file"},
    {0x20000105, "vesk_bad_function", "bad function name specified in configuration file"},
    {0x20000106, "vesk_bad_cgid", "bad change group id"},
    {0x20000107, "vesk_bad_ruid", "bad ruid"},
    {0x20000108, "vesk_readonly", "control is read-only"},
    {0x20000109, "vesk_internal", "control engine internal failure"},
    {0x20000201, "xml_generic", "xml generic error"},
    {0x20000202, "xml_internal", "xml internal error"},
    {0x20000203, "xml_unknown_exception", "xml unknown exception"},
    {0x20000204, "xml_rethrow_exception", "xml error"},
    {0x20000205, "xml_file_open", "xml file open failure"},
    {0x20000206, "xml_file_read", "xml file read failure"},
    {0x20000207, "xml_parse_error", "xml parse error"},
    {0x20000208, "xml_element_missing", "xml element missing"},
    {0x20000209, "xml_element_illegal", "xml element illegal"},
    {0x2000020A, "xml_element_invalid", "xml element invalid"},
    {0x2000020B, "xml_attribute_missing", "xml attribute missing"},
    {0x2000020C, "xml_attribute_illegal", "xml attribute illegal"},
    {0x2000020D, "xml_attribute_invalid", "xml attribute invalid"},
    {0x20000301, "qonet_generic", "network generic error"},
    {0x20000302, "qonet_sock_timeout", "sockets timeout"},
    {0x20000303, "qonet_malformed_address", "malformed network address"},
    {0x20000303, "qonet_bad_address", "bad network address"},
}};

const errorcode_info_t* errorcode_t::find(std::uint32_t code) {
    for (const errorcode_info_t& row : errorcode_table)
        if (row.code == code)
            return &row;
    return nullptr;
}

errorcode_t::errorcode_t(std::uint32_t code, std::string_view text) : code_(code) {
    std::string full(text);
    if (const errorcode_info_t* row = find(code)) {
        full += ": ";
        full += row->text;
    } else {
        try {
            full += platform::text::format(": unkown qo::errorcode 0x%X", code);
        } catch (...) {
        }
    }
    set_text(std::move(full));
}

} // namespace qo
