#pragma once
// The dual interfaces of libkestrin2.so. Late-bound clients call them
// through IDispatch by the DISPIDs of kestrin2_ids.h; a client in the same
// process may also QueryInterface for one of these and call it directly:
// the slots follow IDispatch's in this order.
//
// Text arguments stay the caller's; a text or object handed out becomes the
// caller's (one reference). A failing call leaves error information.
#include <cstdint>

#include "platform/automation/interfaces.h"
#include "poller/server/kestrin2_ids.h"

namespace kestrin2 {

struct Icom_manager : platform::automation::IDispatch {
    static constexpr platform::automation::IID iid = IID_Icom_manager;

    using HRESULT = platform::automation::HRESULT;
    using BSTR = platform::automation::BSTR;

    virtual HRESULT start() = 0;
    virtual HRESULT stop() = 0;
    virtual HRESULT get(BSTR ip, BSTR name, IDispatch** variable) = 0;
    virtual HRESULT set(BSTR ip, BSTR name, BSTR value, IDispatch** variable) = 0;
    virtual HRESULT watch(BSTR ip, BSTR name) = 0;
    virtual HRESULT end_watch(BSTR ip, BSTR name) = 0;
    virtual HRESULT get_all(IDispatch** vector) = 0;
    virtual HRESULT get_changes(IDispatch** vector) = 0;
    virtual HRESULT get_num_threads(std::int32_t* count) = 0;
    virtual HRESULT put_num_threads(std::int32_t count) = 0;
    virtual HRESULT get_poll_period(std::int32_t* milliseconds) = 0;
    virtual HRESULT put_poll_period(std::int32_t milliseconds) = 0;
    virtual HRESULT get_timeout(std::int32_t* milliseconds) = 0;
    virtual HRESULT put_timeout(std::int32_t milliseconds) = 0;
    virtual HRESULT get_retry_count(std::int32_t* count) = 0;
    virtual HRESULT put_retry_count(std::int32_t count) = 0;
    virtual HRESULT get_user(BSTR* user) = 0;
    virtual HRESULT put_user(BSTR user) = 0;
    virtual HRESULT get_password(BSTR* password) = 0;
    virtual HRESULT put_password(BSTR password) = 0;
    virtual HRESULT get_device_changes(BSTR ip, IDispatch** vector) = 0;
    virtual HRESULT clear_watch() = 0;
    virtual HRESULT end_device_watch(BSTR ip) = 0;
    virtual HRESULT get_watch_size(std::int32_t* size) = 0;
    virtual HRESULT get_next(BSTR ip, BSTR name, IDispatch** variable) = 0;

protected:
    ~Icom_manager() = default;
};

struct Icom_variable : platform::automation::IDispatch {
    static constexpr platform::automation::IID iid = IID_Icom_variable;

    using HRESULT = platform::automation::HRESULT;
    using BSTR = platform::automation::BSTR;

    virtual HRESULT get_ip(BSTR* ip) = 0;
    virtual HRESULT put_ip(BSTR ip) = 0;
    virtual HRESULT get_name(BSTR* name) = 0;
    virtual HRESULT put_name(BSTR name) = 0;
    virtual HRESULT get_value(BSTR* value) = 0;
    virtual HRESULT put_value(BSTR value) = 0;
    virtual HRESULT get_valid(std::int32_t* valid) = 0;
    virtual HRESULT get_type(std::int32_t* type) = 0;

protected:
    ~Icom_variable() = default;
};

struct Icom_variable_vector : platform::automation::IDispatch {
    static constexpr platform::automation::IID iid = IID_Icom_variable_vector;

    using HRESULT = platform::automation::HRESULT;

    virtual HRESULT get_length(std::int32_t* length) = 0;
    virtual HRESULT at(std::int32_t index, IDispatch** variable) = 0;

protected:
    ~Icom_variable_vector() = default;
};

} // namespace kestrin2
