#include "poller/server/com_manager.h"

#include <new>
#include <string>
#include <utility>

#include "platform/automation/object.h"
#include "poller/server/com_variable.h"
#include "poller/server/com_variable_vector.h"
#include "poller/snmp_manager.h"
#include "qo/bstr.h"
#include "qo/exception.h"

namespace kestrin2 {

namespace pa = platform::automation;

const pa::dispatch_class_t& Ccom_manager::dispatch_class() {
    namespace id = manager_dispid;
    static const pa::member_t members[] = {
        pa::method<&Ccom_manager::start>("start", id::start),
        pa::method<&Ccom_manager::stop>("stop", id::stop),
        pa::method<&Ccom_manager::get>("get", id::get),
        pa::method<&Ccom_manager::set>("set", id::set),
        pa::method<&Ccom_manager::watch>("watch", id::watch),
        pa::method<&Ccom_manager::end_watch>("end_watch", id::end_watch),
        pa::method<&Ccom_manager::get_all>("get_all", id::get_all),
        pa::method<&Ccom_manager::get_changes>("get_changes", id::get_changes),
        pa::property_get<&Ccom_manager::get_num_threads>("num_threads", id::num_threads),
        pa::property_put<&Ccom_manager::put_num_threads>("num_threads", id::num_threads),
        pa::property_get<&Ccom_manager::get_poll_period>("poll_period", id::poll_period),
        pa::property_put<&Ccom_manager::put_poll_period>("poll_period", id::poll_period),
        pa::property_get<&Ccom_manager::get_timeout>("timeout", id::timeout),
        pa::property_put<&Ccom_manager::put_timeout>("timeout", id::timeout),
        pa::property_get<&Ccom_manager::get_retry_count>("retry_count", id::retry_count),
        pa::property_put<&Ccom_manager::put_retry_count>("retry_count", id::retry_count),
        pa::property_get<&Ccom_manager::get_user>("user", id::user),
        pa::property_put<&Ccom_manager::put_user>("user", id::user),
        pa::property_get<&Ccom_manager::get_password>("password", id::password),
        pa::property_put<&Ccom_manager::put_password>("password", id::password),
        pa::method<&Ccom_manager::get_device_changes>("get_device_changes", id::get_device_changes),
        pa::method<&Ccom_manager::clear_watch>("clear_watch", id::clear_watch),
        pa::method<&Ccom_manager::end_device_watch>("end_device_watch", id::end_device_watch),
        pa::property_get<&Ccom_manager::get_watch_size>("watch_size", id::watch_size),
        pa::method<&Ccom_manager::get_next>("get_next", id::get_next),
    };
    static const pa::dispatch_class_t cls{"Ccom_manager", progid_com_manager, members};
    return cls;
}

Ccom_manager::Ccom_manager() {
    try {
        poller_ = std::make_unique<snmp_manager_t>();
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory, error in the constructor of Ccom_manager");
    }
}

// The poller stops its workers and then its scheduler.
Ccom_manager::~Ccom_manager() = default;

pa::HRESULT Ccom_manager::hand_out_variable(snmp_variable_t record, pa::IDispatch** out) {
    return pa::hand_out(pa::make_object<Ccom_variable>(std::move(record)), out);
}

pa::HRESULT Ccom_manager::hand_out_vector(std::vector<snmp_variable_t> records,
                                          pa::IDispatch** out) {
    auto vector = pa::make_object<Ccom_variable_vector>();
    for (snmp_variable_t& record : records)
        vector->append(
            pa::com_ptr_t<pa::IDispatch>(pa::make_object<Ccom_variable>(std::move(record)).get()));
    return pa::hand_out(std::move(vector), out);
}

pa::HRESULT Ccom_manager::start() {
    try {
        std::lock_guard lock(lock_);
        poller_->start();
        return pa::S_OK;
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknow error in Ccom_manager::start().");
    }
}

pa::HRESULT Ccom_manager::stop() {
    try {
        std::lock_guard lock(lock_);
        poller_->stop();
    } catch (const qo::exception_t&) {
        // The scheduler that did not end in time is left to end by itself.
    } catch (...) {
        return error("Unknow error in Ccom_manager::stop().");
    }
    return pa::S_OK;
}

pa::HRESULT Ccom_manager::get(pa::BSTR ip, pa::BSTR name, pa::IDispatch** variable) {
    if (!variable)
        return pa::E_POINTER;
    try {
        return hand_out_variable(poller_->get(bstr_to_string(ip), bstr_to_string(name)), variable);
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown error in Ccom_manager::get().");
    }
}

pa::HRESULT Ccom_manager::set(pa::BSTR ip, pa::BSTR name, pa::BSTR value,
                              pa::IDispatch** variable) {
    if (!variable)
        return pa::E_POINTER;
    try {
        return hand_out_variable(
            poller_->set(bstr_to_string(ip), bstr_to_string(name), bstr_to_string(value)),
            variable);
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown error in Ccom_manager::set().");
    }
}

pa::HRESULT Ccom_manager::get_next(pa::BSTR ip, pa::BSTR name, pa::IDispatch** variable) {
    if (!variable)
        return pa::E_POINTER;
    try {
        return hand_out_variable(poller_->get_next(bstr_to_string(ip), bstr_to_string(name)),
                                 variable);
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown error in Ccom_manager::get_next().");
    }
}

pa::HRESULT Ccom_manager::watch(pa::BSTR ip, pa::BSTR name) {
    try {
        poller_->watch(bstr_to_string(ip), bstr_to_string(name));
        return pa::S_OK;
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown error in Ccom_manager::watch().");
    }
}

pa::HRESULT Ccom_manager::end_watch(pa::BSTR ip, pa::BSTR name) {
    try {
        poller_->end_watch(bstr_to_string(ip), bstr_to_string(name));
        return pa::S_OK;
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown error in Ccom_manager::end_watch().");
    }
}

pa::HRESULT Ccom_manager::clear_watch() {
    try {
        poller_->clear_watch();
        return pa::S_OK;
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown error in Ccom_manager::clear_watch().");
    }
}

pa::HRESULT Ccom_manager::end_device_watch(pa::BSTR ip) {
    try {
        poller_->end_device_watch(bstr_to_string(ip));
        return pa::S_OK;
    } catch (const std::bad_alloc&) {
        return pa::E_OUTOFMEMORY;
    }
}

pa::HRESULT Ccom_manager::get_all(pa::IDispatch** vector) {
    if (!vector)
        return pa::E_POINTER;
    try {
        return hand_out_vector(poller_->get_all(), vector);
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown errors in Ccom_manager::get_all().");
    }
}

pa::HRESULT Ccom_manager::get_changes(pa::IDispatch** vector) {
    if (!vector)
        return pa::E_POINTER;
    try {
        return hand_out_vector(poller_->get_changes(), vector);
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown errors in Ccom_manager::get_changes().");
    }
}

pa::HRESULT Ccom_manager::get_device_changes(pa::BSTR ip, pa::IDispatch** vector) {
    if (!vector)
        return pa::E_POINTER;
    try {
        return hand_out_vector(poller_->get_device_changes(bstr_to_string(ip)), vector);
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown errors in Ccom_manager::get_device_changes().");
    }
}

pa::HRESULT Ccom_manager::get_num_threads(std::int32_t* count) {
    if (!count)
        return pa::E_POINTER;
    *count = poller_->num_threads();
    return pa::S_OK;
}

pa::HRESULT Ccom_manager::put_num_threads(std::int32_t count) {
    try {
        poller_->set_num_threads(count);
        return pa::S_OK;
    } catch (const qo::exception_t& e) {
        return error(e.what());
    } catch (...) {
        return error("Unknown error in Ccom_manager::put_num_threads().");
    }
}

pa::HRESULT Ccom_manager::get_poll_period(std::int32_t* milliseconds) {
    if (!milliseconds)
        return pa::E_POINTER;
    *milliseconds = poller_->poll_period();
    return pa::S_OK;
}

pa::HRESULT Ccom_manager::put_poll_period(std::int32_t milliseconds) {
    try {
        poller_->set_poll_period(milliseconds);
        return pa::S_OK;
    } catch (const qo::exception_t& e) {
        return error(e.what());
    }
}

pa::HRESULT Ccom_manager::get_timeout(std::int32_t* milliseconds) {
    if (!milliseconds)
        return pa::E_POINTER;
    *milliseconds = poller_->timeout();
    return pa::S_OK;
}

pa::HRESULT Ccom_manager::put_timeout(std::int32_t milliseconds) {
    poller_->set_timeout(milliseconds);
    return pa::S_OK;
}

pa::HRESULT Ccom_manager::get_retry_count(std::int32_t* count) {
    if (!count)
        return pa::E_POINTER;
    *count = poller_->retry_count();
    return pa::S_OK;
}

pa::HRESULT Ccom_manager::put_retry_count(std::int32_t count) {
    try {
        poller_->set_retry_count(count);
        return pa::S_OK;
    } catch (const qo::exception_t& e) {
        return error(e.what());
    }
}

pa::HRESULT Ccom_manager::get_user(pa::BSTR* user) {
    if (!user)
        return pa::E_POINTER;
    try {
        *user = qo::string_to_bstr(poller_->user());
        return pa::S_OK;
    } catch (...) {
        return pa::E_OUTOFMEMORY;
    }
}

pa::HRESULT Ccom_manager::put_user(pa::BSTR user) {
    try {
        poller_->set_user(bstr_to_string(user));
        return pa::S_OK;
    } catch (const std::bad_alloc&) {
        return pa::E_OUTOFMEMORY;
    }
}

pa::HRESULT Ccom_manager::get_password(pa::BSTR* password) {
    if (!password)
        return pa::E_POINTER;
    try {
        *password = qo::string_to_bstr(poller_->password());
        return pa::S_OK;
    } catch (...) {
        return pa::E_OUTOFMEMORY;
    }
}

pa::HRESULT Ccom_manager::put_password(pa::BSTR password) {
    try {
        poller_->set_password(bstr_to_string(password));
        return pa::S_OK;
    } catch (const std::bad_alloc&) {
        return pa::E_OUTOFMEMORY;
    }
}

pa::HRESULT Ccom_manager::get_watch_size(std::int32_t* size) {
    if (!size)
        return pa::E_POINTER;
    *size = poller_->watch_size();
    return pa::S_OK;
}

} // namespace kestrin2
