#pragma once
// The operator program's clients of the discovery server and the SNMP
// poller: one thin wrapper per member the program calls, by DISPID, and the
// rule that creates and starts both managers.
//
// Every wrapper holds one dispatch pointer. An object a server returns is
// owned by the wrapper that receives it and released when that wrapper is
// reassigned or destroyed. A failing call raises
// platform::automation::automation_error; the wrappers catch nothing.
#include "platform/automation/driver.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

namespace comm {

namespace pa = platform::automation;

class CDispatchWrapper {
public:
    CDispatchWrapper() = default;
    explicit CDispatchWrapper(pa::dispatch_driver_t object) : m_object(std::move(object)) {}

    bool IsNull() const noexcept { return !m_object; }
    void Release() noexcept { m_object.reset(); }
    pa::IDispatch* Dispatch() const noexcept { return m_object.get(); }
    const pa::dispatch_driver_t& Driver() const noexcept { return m_object; }

protected:
    pa::dispatch_driver_t m_object;
};

class Icom_bstr_vector : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;
    std::int32_t length() const;
    std::string at(std::int32_t index) const;
};

class Icom_device : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;
    std::string mac() const;
    std::string ip() const;
    void set_ip(std::string_view address) const;
    // 0 as well when the server handed out no object.
    std::int32_t valid() const;
};

class Icom_adapter : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;
    void start() const;
    Icom_device device_first() const;
    Icom_device device_next(const Icom_device& current) const;
    Icom_device device_get(std::string_view mac) const;
    std::string ip() const;
    std::int32_t autoassign() const;
};

class Imanager : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;
    Icom_bstr_vector adapters() const;
    Icom_adapter adapter_get(std::string_view card_title) const;
};

class Icom_variable : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;
    std::int32_t valid() const;
    std::string value() const;
};

class Icom_manager : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;
    void start() const;
    Icom_variable get(std::string_view ip, std::string_view oid) const;
    Icom_variable set(std::string_view ip, std::string_view oid, std::string_view value) const;
    void set_num_threads(std::int32_t value) const;
    void set_poll_period(std::int32_t value) const;
    void set_timeout(std::int32_t value) const;
    void set_retry_count(std::int32_t value) const;
};

inline constexpr const char* kDiscoveryProgId = "Mellick.manager.1";
inline constexpr const char* kPollerProgId = "kestrin2.com_manager.1";

// Every wait of this library goes through one of these, so tests record the
// waits instead of sitting them out.
using Sleeper = std::function<void(std::chrono::milliseconds)>;
void RealSleep(std::chrono::milliseconds duration);
// Sleeps `duration` unless `stop` is requested first (or already); false
// when it was.
bool SleepUnlessStopped(const std::stop_token& stop, std::chrono::milliseconds duration);

// Creates and starts the managers asked for (a null pointer skips that side):
// the discovery manager with the adapter of `cardTitle` started, the poller
// with the program's settings. 1 on success; 0 when anything failed, with
// every object this call made released again.
int CreateNetComponents(Imanager* discovery, Icom_manager* poller, Icom_adapter& adapter,
                        std::string_view cardTitle, const Sleeper& sleep = RealSleep);

} // namespace comm
