#pragma once
// One device of the audio network that a card session has heard.
//
// Records are shared: the session's table holds one, and so may any client
// object that refers to the device, for as long as it likes; a record taken
// out of the table (or outliving its session) keeps answering.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "discovery/timer.h"
#include "qo/ip_address.h"
#include "qo/mac_address.h"

namespace qo::vg {

class adapter_t;

class device_t {
public:
    device_t(const qo::mac_address_t& mac, std::weak_ptr<adapter_t> session,
             qo::clock_fn clock = platform::sync::tick_ms);
    device_t(const device_t&) = delete;
    device_t& operator=(const device_t&) = delete;

    const qo::mac_address_t& mac() const { return mac_; }

    qo::ip_address_t ip() const;
    void set_ip(const qo::ip_address_t& ip);

    // Milliseconds since the device was last heard.
    std::uint64_t age() const;
    void reset_age();

    // An address the operator gives the device: queued for assignment by
    // the session, if the session is still there and still lists the
    // device. Takes no lock of the record's own while queueing: the session
    // takes its device lock there, and its packet thread takes the record's
    // locks inside that one.
    void queue_manual_ip(const qo::ip_address_t& ip);
    // The same for an address given as text, as clients give it: anything
    // but a dotted quad of 0..255 is refused (logged, nothing queued) and
    // false returned.
    bool queue_manual_ip(std::string_view text);

    // Changed under the session's device lock; readable anywhere.
    bool failed() const { return failed_.load(); }
    void set_failed(bool on) { failed_.store(on); }
    bool queued() const { return queued_.load(); }
    void set_queued(bool on) { queued_.store(on); }

private:
    const qo::mac_address_t mac_;
    const std::weak_ptr<adapter_t> session_;

    mutable std::mutex ip_mutex_;
    qo::ip_address_t ip_;

    mutable std::mutex age_mutex_;
    qo::win_timer_imp_t age_timer_;

    std::atomic<bool> failed_{false};
    std::atomic<bool> queued_{false};
};

} // namespace qo::vg
