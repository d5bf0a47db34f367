#pragma once
// com_variable: one SNMP variable as the poller answered it. The poller's
// results own their record; an object a client creates has none, and then
// every member succeeds without doing anything.
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/automation/dispatch.h"
#include "poller/server/kestrin2_interfaces.h"
#include "poller/snmp_variable.h"

namespace kestrin2 {

class Ccom_variable final
    : public platform::automation::dispatch_object_t<Ccom_variable, Icom_variable> {
public:
    static const platform::automation::dispatch_class_t& dispatch_class();

    Ccom_variable() = default;
    explicit Ccom_variable(snmp_variable_t record);

    HRESULT get_ip(BSTR* ip) override;
    HRESULT put_ip(BSTR ip) override;
    HRESULT get_name(BSTR* name) override;
    HRESULT put_name(BSTR name) override;
    HRESULT get_value(BSTR* value) override;
    HRESULT put_value(BSTR value) override;
    HRESULT get_valid(std::int32_t* valid) override;
    HRESULT get_type(std::int32_t* type) override;

private:
    HRESULT get_text(std::string snmp_variable_t::*field, BSTR* out);
    HRESULT put_text(std::string snmp_variable_t::*field, BSTR text);

    // The puts change only this copy. The class is registered for any
    // thread, so the copy is guarded.
    std::mutex lock_;
    std::optional<snmp_variable_t> record_;
};

} // namespace kestrin2
