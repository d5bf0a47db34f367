#include "tests/poller/fake_snmp_backend.h"

#include <gtest/gtest.h>

#include <chrono>

#include "qo/exception.h"

namespace poller_test {

using kestrin2::snmp_kind_t;

namespace {

std::string variable_key(const std::string& ip, const std::string& name) {
    return ip + " " + name;
}

} // namespace

kestrin2::snmp_backend_factory_t fake_network_t::factory() {
    std::shared_ptr<fake_network_t> self = shared_from_this();
    return [self](int) { return std::make_unique<fake_backend_t>(self); };
}

void fake_network_t::set_value(const std::string& ip, const std::string& name,
                               const std::string& value) {
    std::lock_guard lock(mutex_);
    values_[variable_key(ip, name)] = value;
}

std::string fake_network_t::value(const std::string& ip, const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(variable_key(ip, name));
    return it == values_.end() ? "0" : it->second;
}

void fake_network_t::fail(const std::string& ip, const std::string& name, const std::string& text) {
    std::lock_guard lock(mutex_);
    failures_[variable_key(ip, name)] = text;
}

void fake_network_t::set_latency(const std::string& ip, std::uint32_t milliseconds) {
    std::lock_guard lock(mutex_);
    latency_[ip] = milliseconds;
}

std::shared_ptr<platform::sync::event_t> fake_network_t::gate(const std::string& ip) {
    auto& gate = gates_[ip];
    if (!gate)
        gate =
            std::make_shared<platform::sync::event_t>(platform::sync::event_t::reset::manual, true);
    return gate;
}

void fake_network_t::hold(const std::string& ip) {
    std::lock_guard lock(mutex_);
    gate(ip)->reset_event();
}

void fake_network_t::release(const std::string& ip) {
    std::lock_guard lock(mutex_);
    gate(ip)->set();
}

void fake_network_t::ignore_abandon(const std::string& ip) {
    std::lock_guard lock(mutex_);
    ignoring_abandon_.insert(ip);
}

std::vector<fake_request_t> fake_network_t::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<std::string> fake_network_t::names_sent_to(const std::string& ip) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& entry : log_)
        if (entry.ip == ip)
            names.push_back(entry.name);
    return names;
}

std::size_t fake_network_t::request_count() const {
    std::lock_guard lock(mutex_);
    return log_.size();
}

int fake_network_t::in_flight() const {
    std::lock_guard lock(mutex_);
    return total_in_flight_;
}

int fake_network_t::in_flight(const std::string& ip) const {
    std::lock_guard lock(mutex_);
    auto it = in_flight_.find(ip);
    return it == in_flight_.end() ? 0 : it->second;
}

int fake_network_t::max_in_flight() const {
    std::lock_guard lock(mutex_);
    return max_in_flight_;
}

int fake_network_t::overlaps() const {
    std::lock_guard lock(mutex_);
    return overlaps_;
}

int fake_network_t::abandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
}

int fake_network_t::backends_made() const {
    std::lock_guard lock(mutex_);
    return backends_made_;
}

int fake_network_t::backends_alive() const {
    std::lock_guard lock(mutex_);
    return backends_alive_;
}

bool fake_network_t::wait_until(const std::function<bool()>& condition) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
}

void fake_network_t::backend_made() {
    std::lock_guard lock(mutex_);
    ++backends_made_;
    ++backends_alive_;
}

void fake_network_t::backend_gone() {
    std::lock_guard lock(mutex_);
    --backends_alive_;
    changed_.notify_all();
}

void fake_network_t::leave(const std::string& ip) {
    std::lock_guard lock(mutex_);
    --in_flight_[ip];
    --total_in_flight_;
    changed_.notify_all();
}

void fake_network_t::abandon() {
    {
        std::lock_guard lock(mutex_);
        ++abandoned_;
    }
    throw kestrin2::snmp_abandoned_t();
}

void fake_network_t::request(snmp_kind_t kind, kestrin2::snmp_vb_t& vb,
                             const kestrin2::snmp_request_options_t& options) {
    std::shared_ptr<platform::sync::event_t> held;
    std::uint32_t latency = 0;
    bool honour_abandon = true;
    {
        std::lock_guard lock(mutex_);
        int& device = in_flight_[vb.ip];
        if (device > 0) {
            ++overlaps_;
            ADD_FAILURE() << "two requests to " << vb.ip << " in flight at once";
        }
        ++device;
        max_in_flight_ = std::max(max_in_flight_, ++total_in_flight_);
        log_.push_back({vb.ip, vb.name, kind, vb.value, options.community, options.timeout_ms,
                        options.retry_count});
        held = gate(vb.ip);
        latency = latency_[vb.ip];
        honour_abandon = ignoring_abandon_.count(vb.ip) == 0 && options.abandon != nullptr;
        changed_.notify_all();
    }
    struct leaving_t {
        fake_network_t& network;
        const std::string ip;
        ~leaving_t() { network.leave(ip); }
    } leaving{*this, vb.ip};

    if (honour_abandon) {
        if (platform::sync::wait_any({options.abandon, held.get()}, platform::sync::infinite) == 0)
            abandon();
        if (latency > 0 && options.abandon->wait(latency))
            abandon();
    } else {
        held->wait();
        // The device's own latency: a delay that must elapse.
        if (latency > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(latency));
    }

    std::lock_guard lock(mutex_);
    if (auto it = failures_.find(variable_key(vb.ip, vb.name)); it != failures_.end())
        throw qo::exception_t(std::string_view(it->second));
    switch (kind) {
    case snmp_kind_t::get:
        break;
    case snmp_kind_t::get_next:
        vb.name += ".1";
        break;
    case snmp_kind_t::set:
        values_[variable_key(vb.ip, vb.name)] = vb.value;
        break;
    }
    auto it = values_.find(variable_key(vb.ip, vb.name));
    vb.value = it == values_.end() ? "0" : it->second;
    vb.type = octet_string;
}

fake_backend_t::fake_backend_t(std::shared_ptr<fake_network_t> network)
    : network_(std::move(network)) {
    network_->backend_made();
}

fake_backend_t::~fake_backend_t() {
    network_->backend_gone();
}

void fake_backend_t::get(kestrin2::snmp_vb_t& vb, const kestrin2::snmp_request_options_t& options) {
    network_->request(snmp_kind_t::get, vb, options);
}

void fake_backend_t::get_next(kestrin2::snmp_vb_t& vb,
                              const kestrin2::snmp_request_options_t& options) {
    network_->request(snmp_kind_t::get_next, vb, options);
}

void fake_backend_t::set(kestrin2::snmp_vb_t& vb, const kestrin2::snmp_request_options_t& options) {
    network_->request(snmp_kind_t::set, vb, options);
}

} // namespace poller_test
