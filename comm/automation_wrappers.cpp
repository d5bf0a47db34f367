#include "comm/automation_wrappers.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace comm {

namespace {

// The servers' members, by the DISPIDs of their type libraries.
namespace dispid {
// discovery manager
constexpr pa::DISPID adapters = 2;
constexpr pa::DISPID adapter_get = 3;
// adapter
constexpr pa::DISPID autoassign = 1;
constexpr pa::DISPID adapter_ip = 2;
constexpr pa::DISPID device_first = 8;
constexpr pa::DISPID device_next = 9;
constexpr pa::DISPID adapter_start = 11;
constexpr pa::DISPID device_get = 12;
// device
constexpr pa::DISPID device_ip = 1;
constexpr pa::DISPID device_mac = 2;
constexpr pa::DISPID valid = 4; // device and variable
// string vector
constexpr pa::DISPID length = 1;
constexpr pa::DISPID at = 2;
// poller manager
constexpr pa::DISPID manager_start = 1;
constexpr pa::DISPID get = 3;
constexpr pa::DISPID set = 4;
constexpr pa::DISPID num_threads = 9;
constexpr pa::DISPID poll_period = 10;
constexpr pa::DISPID timeout = 11;
constexpr pa::DISPID retry_count = 12;
// variable
constexpr pa::DISPID value = 3;
} // namespace dispid

using driver = pa::dispatch_driver_t;

} // namespace

std::int32_t Icom_bstr_vector::length() const
{
    return driver::to_int(m_object.get(dispid::length));
}

std::string Icom_bstr_vector::at(std::int32_t index) const
{
    return driver::to_string(m_object.call(dispid::at, {index}));
}

std::string Icom_device::mac() const
{
    return driver::to_string(m_object.get(dispid::device_mac));
}

std::string Icom_device::ip() const
{
    return driver::to_string(m_object.get(dispid::device_ip));
}

void Icom_device::set_ip(std::string_view address) const
{
    m_object.put(dispid::device_ip, pa::variant_t(address));
}

std::int32_t Icom_device::valid() const
{
    // An adapter of an unknown card hands out no device at all; callers ask
    // `valid` to find that out, so no object is simply not valid.
    if (!m_object)
        return 0;
    return driver::to_int(m_object.get(dispid::valid));
}

void Icom_adapter::start() const
{
    m_object.call(dispid::adapter_start);
}

Icom_device Icom_adapter::device_first() const
{
    return Icom_device(driver::to_object(m_object.call(dispid::device_first)));
}

Icom_device Icom_adapter::device_next(const Icom_device& current) const
{
    return Icom_device(
        driver::to_object(m_object.call(dispid::device_next, {pa::variant_t(current.Dispatch())})));
}

Icom_device Icom_adapter::device_get(std::string_view mac) const
{
    return Icom_device(driver::to_object(m_object.call(dispid::device_get, {pa::variant_t(mac)})));
}

std::string Icom_adapter::ip() const
{
    return driver::to_string(m_object.get(dispid::adapter_ip));
}

std::int32_t Icom_adapter::autoassign() const
{
    return driver::to_int(m_object.get(dispid::autoassign));
}

Icom_bstr_vector Imanager::adapters() const
{
    return Icom_bstr_vector(driver::to_object(m_object.get(dispid::adapters)));
}

Icom_adapter Imanager::adapter_get(std::string_view card_title) const
{
    return Icom_adapter(
        driver::to_object(m_object.call(dispid::adapter_get, {pa::variant_t(card_title)})));
}

std::int32_t Icom_variable::valid() const
{
    if (!m_object)
        return 0;
    return driver::to_int(m_object.get(dispid::valid));
}

std::string Icom_variable::value() const
{
    return driver::to_string(m_object.get(dispid::value));
}

void Icom_manager::start() const
{
    m_object.call(dispid::manager_start);
}

Icom_variable Icom_manager::get(std::string_view ip, std::string_view oid) const
{
    return Icom_variable(
        driver::to_object(m_object.call(dispid::get, {pa::variant_t(ip), pa::variant_t(oid)})));
}

Icom_variable Icom_manager::set(std::string_view ip, std::string_view oid,
                                std::string_view value) const
{
    return Icom_variable(driver::to_object(m_object.call(
        dispid::set, {pa::variant_t(ip), pa::variant_t(oid), pa::variant_t(value)})));
}

void Icom_manager::set_num_threads(std::int32_t value) const
{
    m_object.put(dispid::num_threads, pa::variant_t(value));
}

void Icom_manager::set_poll_period(std::int32_t value) const
{
    m_object.put(dispid::poll_period, pa::variant_t(value));
}

void Icom_manager::set_timeout(std::int32_t value) const
{
    m_object.put(dispid::timeout, pa::variant_t(value));
}

void Icom_manager::set_retry_count(std::int32_t value) const
{
    m_object.put(dispid::retry_count, pa::variant_t(value));
}

void RealSleep(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

bool SleepUnlessStopped(const std::stop_token& stop, std::chrono::milliseconds duration)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, stop, duration, [] { return false; }) && !stop.stop_requested();
}

int CreateNetComponents(Imanager* discovery, Icom_manager* poller, Icom_adapter& adapter,
                        std::string_view cardTitle, const Sleeper& sleep)
{
    // A half-made set of components is worse than none: the callers retry or
    // give up on 0, so whatever failed takes down what this call made.
    try {
        if (discovery) {
            *discovery = Imanager(driver::create(kDiscoveryProgId));
            adapter = discovery->adapter_get(cardTitle);
            adapter.start();
            sleep(std::chrono::milliseconds(300));
        }
        if (poller) {
            *poller = Icom_manager(driver::create(kPollerProgId));
            poller->set_num_threads(30);
            poller->set_poll_period(100);
            // Mailbox writes must not be repeated behind our back: a unit
            // given "165" twice runs the command twice. Every caller tries
            // again itself, knowing what a repeat means.
            poller->set_retry_count(0);
            poller->set_timeout(100);
            poller->start();
        }
        return 1;
    } catch (const pa::automation_error&) {
    } catch (const std::bad_alloc&) {
    }
    if (discovery) {
        adapter.Release();
        discovery->Release();
    }
    if (poller)
        poller->Release();
    return 0;
}

} // namespace comm
