#pragma once
// A scripted SNMP network for the poller's tests. Every worker gets its own
// fake_backend_t; all of them talk to one fake_network_t, which keeps the
// variables, the scripted latency, failures and holds, a log of requests,
// and checks that no device ever has two requests in flight.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/sync/event.h"
#include "poller/snmp_base.h"
#include "poller/snmp_task.h"
#include "poller/snmp_thread.h"

namespace poller_test {

struct fake_request_t {
    std::string ip;
    std::string name;
    kestrin2::snmp_kind_t kind;
    std::string value;
    // The settings the request was sent with.
    std::string community;
    int timeout_ms;
    int retry_count;
};

class fake_network_t : public std::enable_shared_from_this<fake_network_t> {
public:
    // Type the fake reports for every variable.
    static constexpr int octet_string = 4;

    // Back ends for a manager; each keeps the network alive.
    kestrin2::snmp_backend_factory_t factory();

    void set_value(const std::string& ip, const std::string& name, const std::string& value);
    std::string value(const std::string& ip, const std::string& name) const;
    // Requests for the variable throw qo::exception_t with `text`.
    void fail(const std::string& ip, const std::string& name, const std::string& text);
    void set_latency(const std::string& ip, std::uint32_t milliseconds);
    // Requests to the device wait until released.
    void hold(const std::string& ip);
    void release(const std::string& ip);
    // Requests to the device do not watch the abandon event.
    void ignore_abandon(const std::string& ip);

    std::vector<fake_request_t> log() const;
    std::vector<std::string> names_sent_to(const std::string& ip) const;
    std::size_t request_count() const;
    int in_flight() const;
    int in_flight(const std::string& ip) const;
    int max_in_flight() const;
    // Requests that met another request to the same device in flight.
    int overlaps() const;
    int abandoned() const;
    int backends_made() const;
    int backends_alive() const;

    // true once `condition` holds; false after 10 s.
    bool wait_until(const std::function<bool()>& condition) const;

    // The back end's side.
    void request(kestrin2::snmp_kind_t kind, kestrin2::snmp_vb_t& vb,
                 const kestrin2::snmp_request_options_t& options);
    void backend_made();
    void backend_gone();

private:
    std::shared_ptr<platform::sync::event_t> gate(const std::string& ip);
    void leave(const std::string& ip);
    [[noreturn]] void abandon();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, std::string> values_;
    std::map<std::string, std::string> failures_;
    std::map<std::string, std::uint32_t> latency_;
    std::map<std::string, std::shared_ptr<platform::sync::event_t>> gates_;
    std::set<std::string> ignoring_abandon_;
    std::vector<fake_request_t> log_;
    std::map<std::string, int> in_flight_;
    int total_in_flight_ = 0;
    int max_in_flight_ = 0;
    int overlaps_ = 0;
    int abandoned_ = 0;
    int backends_made_ = 0;
    int backends_alive_ = 0;
};

class fake_backend_t final : public kestrin2::snmp_base_t {
public:
    explicit fake_backend_t(std::shared_ptr<fake_network_t> network);
    ~fake_backend_t() override;

    void get(kestrin2::snmp_vb_t& vb, const kestrin2::snmp_request_options_t& options) override;
    void get_next(kestrin2::snmp_vb_t& vb,
                  const kestrin2::snmp_request_options_t& options) override;
    void set(kestrin2::snmp_vb_t& vb, const kestrin2::snmp_request_options_t& options) override;

private:
    std::shared_ptr<fake_network_t> network_;
};

} // namespace poller_test
