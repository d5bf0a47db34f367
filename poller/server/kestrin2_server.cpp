// libkestrin2.so: the poller's three classes and the library's four exported
// functions.
#include <dlfcn.h>

#include <new>

#include "platform/automation/error_info.h"
#include "platform/automation/server.h"
#include "platform/snmppp/netsnmp_session.h"
#include "poller/server/com_manager.h"
#include "poller/server/com_variable.h"
#include "poller/server/com_variable_vector.h"
#include "poller/server/kestrin2_ids.h"
#include "qo/exception.h"

namespace kestrin2 {

namespace {

namespace pa = platform::automation;

// Net-SNMP is set up once per process and keeps what it set up in its
// own globals, so the SNMP layer (and Net-SNMP beneath it) stays loaded
// once a poller has used it, even when this library is unloaded: unloaded,
// it would lose that state and set itself up again on the next load.
OSTREL_AUTOMATION_HIDDEN void keep_snmp_layer_loaded() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<const void*>(&platform::snmppp::netsnmp_init), &info) ||
        !info.dli_fname)
        return;
    if (void* handle = ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
        ::dlclose(handle);
}

// The manager's failure to build its poller reaches the creator as error
// information with the class's ProgID as source.
OSTREL_AUTOMATION_HIDDEN pa::HRESULT create_manager(const pa::IID& riid, void** out) {
    if (!out)
        return pa::E_POINTER;
    *out = nullptr;
    keep_snmp_layer_loaded();
    try {
        return pa::make_object<Ccom_manager>()->QueryInterface(riid, out);
    } catch (const qo::exception_t& e) {
        pa::set_error_info(progid_com_manager, e.what());
        return pa::E_FAIL;
    } catch (const std::bad_alloc&) {
        pa::set_error_info(progid_com_manager,
                           "Out of memory, error in the constructor of Ccom_manager");
        return pa::E_OUTOFMEMORY;
    } catch (...) {
        pa::set_error_info(progid_com_manager, "Unknown error in the constructor of Ccom_manager");
        return pa::E_FAIL;
    }
}

const pa::class_entry_t classes[] = {
    {CLSID_com_manager, progid_com_manager, vi_progid_com_manager, "com_manager Class", "Apartment",
     true, &create_manager},
    {CLSID_com_variable, progid_com_variable, vi_progid_com_variable, "com_variable Class", "Both",
     false, &pa::create_instance_of<Ccom_variable>},
    {CLSID_com_variable_vector, progid_com_variable_vector, vi_progid_com_variable_vector,
     "com_variable_vector Class", "Apartment", true, &pa::create_instance_of<Ccom_variable_vector>},
};

const pa::server_info_t& server_info() {
    static const pa::server_info_t info{classes, LIBID_KESTRIN2Lib, typelib_name, typelib_version};
    return info;
}

} // namespace

} // namespace kestrin2

OSTREL_AUTOMATION_INPROC_SERVER(kestrin2::server_info())
