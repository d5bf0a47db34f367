#include "discovery/device.h"

#include "discovery/adapter.h"
#include "discovery/log.h"

#include <string>

namespace qo::vg {

device_t::device_t(const qo::mac_address_t& mac, std::weak_ptr<adapter_t> session,
                   qo::clock_fn clock)
    : mac_(mac), session_(std::move(session)), age_timer_(clock) {}

qo::ip_address_t device_t::ip() const {
    std::lock_guard lock(ip_mutex_);
    return ip_;
}

void device_t::set_ip(const qo::ip_address_t& ip) {
    std::lock_guard lock(ip_mutex_);
    ip_ = ip;
}

std::uint64_t device_t::age() const {
    std::lock_guard lock(age_mutex_);
    return age_timer_.elapsed();
}

void device_t::reset_age() {
    std::lock_guard lock(age_mutex_);
    age_timer_.reset();
}

void device_t::queue_manual_ip(const qo::ip_address_t& ip) {
    if (const std::shared_ptr<adapter_t> session = session_.lock())
        session->queue_manual_assignment(mac_, ip);
}

bool device_t::queue_manual_ip(std::string_view text) {
    qo::ip_address_t ip;
    // Strictly: a lenient read would turn "10.0.0.300" or "10.0.1" into
    // some other device's address.
    if (!ip.try_parse(text)) {
        log_line("Refusing manual IP assignment " + std::string(text) + " " + mac_.to_string() +
                 ": not an IPv4 address");
        return false;
    }
    queue_manual_ip(ip);
    return true;
}

} // namespace qo::vg
