#include "poller/server/com_variable.h"

#include <new>
#include <utility>

#include "qo/bstr.h"
#include "qo/exception.h"

namespace kestrin2 {

namespace pa = platform::automation;

Ccom_variable::Ccom_variable(snmp_variable_t record) : record_(std::move(record)) {}

const pa::dispatch_class_t& Ccom_variable::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Ccom_variable::get_ip>("ip", variable_dispid::ip),
        pa::property_put<&Ccom_variable::put_ip>("ip", variable_dispid::ip),
        pa::property_get<&Ccom_variable::get_name>("name", variable_dispid::name),
        pa::property_put<&Ccom_variable::put_name>("name", variable_dispid::name),
        pa::property_get<&Ccom_variable::get_value>("value", variable_dispid::value),
        pa::property_put<&Ccom_variable::put_value>("value", variable_dispid::value),
        pa::property_get<&Ccom_variable::get_valid>("valid", variable_dispid::valid),
        pa::property_get<&Ccom_variable::get_type>("type", variable_dispid::type),
    };
    static const pa::dispatch_class_t cls{"Ccom_variable", progid_com_variable, members};
    return cls;
}

pa::HRESULT Ccom_variable::get_text(std::string snmp_variable_t::*field, pa::BSTR* out) {
    if (!out)
        return pa::E_POINTER;
    std::lock_guard lock(lock_);
    if (!record_)
        return pa::S_OK;
    try {
        *out = qo::string_to_bstr((*record_).*field);
    } catch (const qo::exception_t&) {
        return pa::E_OUTOFMEMORY;
    }
    return pa::S_OK;
}

pa::HRESULT Ccom_variable::put_text(std::string snmp_variable_t::*field, pa::BSTR text) {
    std::lock_guard lock(lock_);
    if (!record_)
        return pa::S_OK;
    try {
        (*record_).*field = bstr_to_string(text);
    } catch (const std::bad_alloc&) {
        return pa::E_OUTOFMEMORY;
    }
    return pa::S_OK;
}

pa::HRESULT Ccom_variable::get_ip(pa::BSTR* ip) {
    return get_text(&snmp_variable_t::ip, ip);
}

pa::HRESULT Ccom_variable::put_ip(pa::BSTR ip) {
    return put_text(&snmp_variable_t::ip, ip);
}

pa::HRESULT Ccom_variable::get_name(pa::BSTR* name) {
    return get_text(&snmp_variable_t::name, name);
}

pa::HRESULT Ccom_variable::put_name(pa::BSTR name) {
    return put_text(&snmp_variable_t::name, name);
}

pa::HRESULT Ccom_variable::get_value(pa::BSTR* value) {
    return get_text(&snmp_variable_t::value, value);
}

pa::HRESULT Ccom_variable::put_value(pa::BSTR value) {
    return put_text(&snmp_variable_t::value, value);
}

pa::HRESULT Ccom_variable::get_valid(std::int32_t* valid) {
    if (!valid)
        return pa::E_POINTER;
    std::lock_guard lock(lock_);
    if (record_)
        *valid = record_->valid;
    return pa::S_OK;
}

pa::HRESULT Ccom_variable::get_type(std::int32_t* type) {
    if (!type)
        return pa::E_POINTER;
    std::lock_guard lock(lock_);
    if (record_)
        *type = record_->type;
    return pa::S_OK;
}

} // namespace kestrin2
