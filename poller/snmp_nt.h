#pragma once
// The back end over the SNMP management API (libmgmtapi.so and
// libsnmpapi.so, loaded by name): a fresh session for every request with
// the settings the request began with. Values travel as text both ways.
//
// The two libraries are loaded when the first snmp_nt_t of the process is
// made and unloaded when the last one goes; each is looked for beside the
// program first, then in the folder of libplatform_last_error.so (where
// they are built and installed), then through the dynamic linker's search
// path (in the build tree it includes their folder, by the RUNPATH the
// build gives every module linking the poller).
//
// A session that cannot be opened is reported on standard output and in
// "session.log" in the program folder ($OSTREL_HOME, else
// ~/.local/share/ostrel), and raised. Net-SNMP's own diagnostics go to
// session.log too.
#include <cstdint>
#include <string>

#include "platform/winsnmp/snmp_types.h"
#include "poller/session_log.h"
#include "poller/snmp_base.h"

namespace kestrin2 {

class snmp_nt_t final : public snmp_base_t {
public:
    // Loads the libraries when no other snmp_nt_t lives; a library that does
    // not load or an entry point that is missing raises qo::wapi::exception_t.
    snmp_nt_t();
    ~snmp_nt_t() override;
    snmp_nt_t(const snmp_nt_t&) = delete;
    snmp_nt_t& operator=(const snmp_nt_t&) = delete;

    void get(snmp_vb_t& vb, const snmp_request_options_t& options) override;
    void get_next(snmp_vb_t& vb, const snmp_request_options_t& options) override;
    // Reads the variable first to learn its syntax, converts vb.value by it
    // and writes; vb gets the value the device answered.
    void set(snmp_vb_t& vb, const snmp_request_options_t& options) override;

    // How many snmp_nt_t live, and whether the libraries are loaded.
    static int living_count();
    static bool libraries_loaded();

    // The entry points this object uses.
    struct api_t {
        platform::winsnmp::SnmpMgrOpen_t open = nullptr;
        platform::winsnmp::SnmpMgrClose_t close = nullptr;
        platform::winsnmp::SnmpMgrStrToOid_t str_to_oid = nullptr;
        platform::winsnmp::SnmpMgrRequest_t request = nullptr;
        platform::winsnmp::SnmpUtilVarBindListFree_t list_free = nullptr;
        platform::winsnmp::SnmpUtilMemFree_t mem_free = nullptr;
        platform::winsnmp::SnmpUtilMemAlloc_t mem_alloc = nullptr;
        platform::winsnmp::SnmpUtilMemReAlloc_t mem_realloc = nullptr;
    };

private:
    class session_t;

    void request(snmp_vb_t& vb, const snmp_request_options_t& options, std::uint8_t pdu_type);

    netsnmp_diagnostics_route_t diagnostics_;
    api_t api_;
};

// The printable text of a value, by its syntax (empty for a syntax without
// one).
std::string snmp_nt_value_text(const platform::winsnmp::snmp_value_t& value);

} // namespace kestrin2
