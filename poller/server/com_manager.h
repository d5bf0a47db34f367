#pragma once
// com_manager: the poller as an automation object. It owns one
// snmp_manager_t for its whole life; releasing the last reference stops
// the poller's threads.
//
// Every member may be called from any thread. get, set and get_next block
// the caller until a worker has served the request.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/automation/dispatch.h"
#include "poller/server/kestrin2_interfaces.h"
#include "poller/snmp_variable.h"

namespace kestrin2 {

class snmp_manager_t;

class Ccom_manager final
    : public platform::automation::dispatch_object_t<Ccom_manager, Icom_manager> {
public:
    static const platform::automation::dispatch_class_t& dispatch_class();

    // Builds the poller; its failure ("Out of memory, error in the
    // constructor of Ccom_manager" or the poller's own) is thrown as
    // qo::exception_t, and the object is never handed out.
    Ccom_manager();
    ~Ccom_manager() override;

    HRESULT start() override;
    HRESULT stop() override;
    HRESULT get(BSTR ip, BSTR name, IDispatch** variable) override;
    HRESULT set(BSTR ip, BSTR name, BSTR value, IDispatch** variable) override;
    HRESULT watch(BSTR ip, BSTR name) override;
    HRESULT end_watch(BSTR ip, BSTR name) override;
    HRESULT get_all(IDispatch** vector) override;
    HRESULT get_changes(IDispatch** vector) override;
    HRESULT get_num_threads(std::int32_t* count) override;
    HRESULT put_num_threads(std::int32_t count) override;
    HRESULT get_poll_period(std::int32_t* milliseconds) override;
    HRESULT put_poll_period(std::int32_t milliseconds) override;
    HRESULT get_timeout(std::int32_t* milliseconds) override;
    HRESULT put_timeout(std::int32_t milliseconds) override;
    HRESULT get_retry_count(std::int32_t* count) override;
    HRESULT put_retry_count(std::int32_t count) override;
    HRESULT get_user(BSTR* user) override;
    HRESULT put_user(BSTR user) override;
    HRESULT get_password(BSTR* password) override;
    HRESULT put_password(BSTR password) override;
    HRESULT get_device_changes(BSTR ip, IDispatch** vector) override;
    HRESULT clear_watch() override;
    HRESULT end_device_watch(BSTR ip) override;
    HRESULT get_watch_size(std::int32_t* size) override;
    HRESULT get_next(BSTR ip, BSTR name, IDispatch** variable) override;

private:
    // A new com_variable owning the record, or a new com_variable_vector of
    // one such object per record, in order; one reference for the caller.
    static HRESULT hand_out_variable(snmp_variable_t record, IDispatch** out);
    static HRESULT hand_out_vector(std::vector<snmp_variable_t> records, IDispatch** out);

    // Serialises start and stop: the poller's thread is started and stopped
    // by one caller at a time.
    std::mutex lock_;
    std::unique_ptr<snmp_manager_t> poller_;
};

} // namespace kestrin2
