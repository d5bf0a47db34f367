#pragma once
// A card session: one opened network card, its device table and threads.
//
// Locks, outermost first: control (start, close and the reservation
// switch; never taken by the session's threads), device lock (device
// table, switches, every frame sent), queue lock (the two queues, the
// card's addresses and pool), the history's lock, and each record's own
// locks.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "discovery/adapter_info.h"
#include "discovery/adapter_threads.h"
#include "discovery/assignment.h"
#include "discovery/device.h"
#include "discovery/ip_history.h"
#include "discovery/timer.h"
#include "qo/ip_address.h"
#include "qo/mac_address.h"

namespace qo::vg {

// The pool a card starts with: from the first address of its subnet to the
// 199th, keeping clear of the card's own (above it when the card's host
// number is below 101, below it when 101..199), and never past the subnet:
// not its network nor its broadcast address. Empty (end before start) when
// the subnet leaves no room.
std::pair<qo::ip_address_t, qo::ip_address_t> default_pool(const qo::ip_address_t& card_ip,
                                                           const qo::ip_address_t& mask);

class adapter_t : public std::enable_shared_from_this<adapter_t> {
    struct passkey_t {
        explicit passkey_t() = default;
    };

public:
    // Device ages and the table's sweep run on `clock`.
    static constexpr std::uint64_t sweep_period_ms = 10000;
    static constexpr std::uint64_t sweep_heard_ms = 5000;

    // Opens the card; a card that does not open leaves a session without
    // one (logged as "AdapterOpen failure: ..."). Sessions are always
    // shared, so that device records can find theirs while it lives.
    static std::shared_ptr<adapter_t> create(const adapter_info_t& info,
                                             qo::clock_fn clock = platform::sync::tick_ms);
    adapter_t(passkey_t, const adapter_info_t& info, qo::clock_fn clock);
    ~adapter_t();
    adapter_t(const adapter_t&) = delete;
    adapter_t& operator=(const adapter_t&) = delete;

    bool opened() const { return handle_.load() != -1; }
    const adapter_info_t& info() const { return info_; }

    // Starts the packet and ARP threads, and the reservation thread when
    // its switch is on.
    void start();
    // Stops the threads, then closes the card, then saves the history if
    // it was loaded. Run by the destructor too.
    void close();
    bool started() const { return started_.load(); }

    // Why the card is taken to be down: 0 while frames come; the error a
    // read of the card failed with (the card reported it at once); ETIMEDOUT
    // after a read slot waited its 3 s in vain. A failed read outranks a
    // time-out, and the next frame received clears either.
    std::uint32_t network_error() const { return network_error_.load(); }
    bool network_down() const { return network_error() != 0; }

    // Sends one frame on the card, serialised with every other send.
    bool packet_send(const std::uint8_t* frame, std::size_t length);

    // The device table in MAC order.
    std::shared_ptr<device_t> device_first() const;
    std::shared_ptr<device_t> device_next(const device_t& current) const;
    std::shared_ptr<device_t> device_get(const qo::mac_address_t& mac) const;
    // 1 when the MAC was in the table. The record lives on for whoever
    // holds it.
    int device_remove(const qo::mac_address_t& mac);

    qo::mac_address_t mac() const { return card_mac_; }
    qo::ip_address_t ip() const;
    qo::ip_address_t subnet_mask() const;
    qo::ip_address_t pool_start() const;
    qo::ip_address_t pool_end() const;
    qo::ip_address_t default_pool_start() const;
    qo::ip_address_t default_pool_end() const;
    void put_pool_start(const qo::ip_address_t& ip);
    void put_pool_end(const qo::ip_address_t& ip);

    int autoassign() const;
    void put_autoassign(int value); // stores 1 for any non-zero value
    int send_reservation() const;
    void put_send_reservation(int value);

    // A manual assignment for a device of the table: marks it queued (and
    // no longer failed) and queues {MAC, IP, manual}. Nothing for an
    // unknown MAC. (Texts from clients go through device_t::queue_manual_ip,
    // which refuses what is not an address.)
    void queue_manual_assignment(const qo::mac_address_t& mac, const qo::ip_address_t& ip);

    // What the table and the history keep (read from [Limits] when the card
    // opens).
    void set_limits(const table_limits_t& limits);

    // What the packet thread does with one received frame.
    void handle_frame(const std::uint8_t* frame, std::size_t length);

    // Copies of the two queues, oldest first.
    std::vector<assignment_t> queued_assignments() const;
    std::vector<assignment_t> queued_arp_replies() const;

    ip_history_t& history() { return history_; }
    // The card's W32N handle, -1 when not open.
    int handle() const { return handle_.load(); }

private:
    friend class arp_thread_t;
    friend class packet_thread_t;

    // What the packet thread learns of the card. A failure is logged with
    // `line` when it begins a loss of the network, not again while it lasts.
    void note_frame_received();
    void note_read_timeout();
    void note_read_failed(std::uint32_t error, const std::string& line);

    // What the ARP thread does with the queues. It alone takes entries off
    // them; the front assignment stays in place until it is dropped.
    std::optional<assignment_t> front_assignment() const;
    void set_front_ip(const qo::ip_address_t& ip);
    // Takes the front entry off; its device (if still listed) is marked
    // failed when asked, and is no longer queued unless another entry of
    // its own waits.
    void drop_front_assignment(bool failed);
    void drop_arp_replies();
    // Drops the queued replies for any address but `ip`: no probe waits for
    // them. True when one for `ip` is left.
    bool drop_other_arp_replies(const qo::ip_address_t& ip);
    std::optional<assignment_t> take_arp_reply();
    // A device answered for its address: the device and the history learn it.
    void accept_arp_reply(const assignment_t& reply);
    bool queued_elsewhere_locked(const qo::mac_address_t& mac) const;

    void open();
    // The record of a frame's sender, new or refreshed; runs the sweep,
    // which also lets records unheard for the age limit go. A full table
    // makes room by dropping its oldest record that waits for no
    // assignment; null when every record waits for one.
    std::shared_ptr<device_t> touch_locked(const qo::mac_address_t& mac);
    // Every change to the table goes through these, so that the heard order
    // lists exactly its records.
    void heard_locked(const qo::mac_address_t& mac);
    void erase_locked(std::map<qo::mac_address_t, std::shared_ptr<device_t>>::iterator it);
    void stop_thread(qo::proc::thread_t& thread);

    std::atomic<int> handle_{-1};
    ip_history_t history_;

    mutable std::mutex queue_mutex_;
    std::deque<assignment_t> assignments_;
    std::deque<assignment_t> arp_replies_;

    mutable std::mutex device_mutex_;
    std::map<qo::mac_address_t, std::shared_ptr<device_t>> devices_;
    // The table's records by when they were last heard, both ways, oldest
    // first: a full table finds the record to let go without a walk through
    // all of them, which a flood of new senders would pay for every frame.
    std::map<qo::mac_address_t, std::uint64_t> heard_at_;
    std::map<std::uint64_t, qo::mac_address_t> heard_order_;
    std::uint64_t next_heard_ = 0;
    // Under the device lock.
    std::size_t device_cap_ = table_limits_t{}.devices;
    std::uint64_t device_max_age_ms_ = std::uint64_t(table_limits_t{}.device_age_s) * 1000;
    bool table_full_logged_ = false;
    const qo::clock_fn clock_;
    qo::win_timer_imp_t sweep_timer_;

    const adapter_info_t info_;
    int autoassign_ = 0;
    int send_reservation_ = 0;

    // The card's own: written only while the card opens.
    qo::mac_address_t card_mac_;
    // Under the queue lock.
    qo::ip_address_t card_ip_;
    qo::ip_address_t subnet_mask_;
    qo::ip_address_t pool_end_;
    qo::ip_address_t pool_start_;
    qo::ip_address_t default_pool_start_;
    qo::ip_address_t default_pool_end_;

    std::atomic<bool> started_{false};
    std::atomic<std::uint32_t> network_error_{0};
    std::mutex control_mutex_;

    packet_thread_t packet_thread_{*this};
    arp_thread_t arp_thread_{*this};
    bootp_thread_t bootp_thread_{*this};
    reservation_thread_t reservation_thread_{*this};
};

} // namespace qo::vg
