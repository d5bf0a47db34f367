#include "discovery/adapter_threads.h"

#include "discovery/adapter.h"
#include "discovery/frames.h"
#include "discovery/log.h"
#include "platform/w32n/w32n.h"
#include "qo/proc/thread_stop_exception.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace qo::vg {

namespace {

constexpr int slot_count = 10;
constexpr std::uint32_t slot_wait_ms = 3000;

// A W32N error code as the log shows it: the number and what it means.
std::string error_text(std::uint32_t code) {
    std::string text = std::to_string(code);
    if (code == W32N_ERROR_OPERATION_ABORTED)
        return text + " (operation aborted)";
    if (code > 0 && code < 4096)
        text += std::string(" (") + std::strerror(static_cast<int>(code)) + ")";
    return text;
}

template <typename Thread> void stop_quietly(Thread& thread) {
    try {
        thread.stop();
    } catch (...) {
    }
}

} // namespace

packet_thread_t::~packet_thread_t() {
    stop_quietly(*this);
}

void packet_thread_t::thread_function() {
    log_line("Packet thread starting");
    const int handle = session_.handle();
    const auto slots = std::make_unique<W32N_PACKET[]>(slot_count);
    std::array<W32N_OVERLAPPED, slot_count> overlapped;
    std::array<std::unique_ptr<platform::sync::event_t>, slot_count> events;
    for (int i = 0; i < slot_count; ++i) {
        events[i] =
            std::make_unique<platform::sync::event_t>(platform::sync::event_t::reset::manual);
        overlapped[i].event = events[i].get();
    }
    // The card fills posted slots from its own thread: every read still
    // posted is withdrawn before the slots and events go, however this
    // function ends.
    struct withdraw_t {
        int handle;
        W32N_PACKET* slots;
        ~withdraw_t() {
            for (int i = 0; i < slot_count; ++i)
                W32N_CancelPacketRead(handle, &slots[i]);
        }
    } withdraw{handle, slots.get()};

    // Posting a read also resets its event, as starting an overlapped
    // operation does.
    const auto post = [&](int i) {
        slots[i].header.room = W32N_FRAME_ROOM;
        std::uint32_t count = 0;
        if (W32N_PacketRead(handle, &slots[i], &count, &overlapped[i], 0) == 0 &&
            W32N_GetLastError() != W32N_ERROR_IO_PENDING) {
            const std::uint32_t error = W32N_GetLastError();
            session_.note_read_failed(error, "W32N_PacketRead failed " + error_text(error));
            return false;
        }
        return true;
    };
    // A card whose link fails ends every posted read with the error at
    // once: one line says so, not one per slot, and the slots are posted
    // again in case the link comes back.
    const auto take = [&](int i) {
        std::uint32_t count = 0;
        if (W32N_GetOverlappedResult(&overlapped[i], &count)) {
            session_.note_frame_received();
            session_.handle_frame(slots[i].frame, count);
            return;
        }
        const std::uint32_t error = W32N_GetLastError();
        session_.note_read_failed(error, "Packet read failed " + error_text(error) +
                                             ", the network is down");
    };

    try {
        bool reading = true;
        for (int i = 0; i < slot_count && reading; ++i)
            reading = post(i);
        while (reading && session_.started()) {
            for (int i = 0; i < slot_count && reading; ++i) {
                // A slot filled already needs no wait: two polls a frame
                // while frames queue up. Its event is set by then (the card
                // completes under its lock, which the next post takes).
                if (W32N_HasOverlappedCompleted(overlapped[i]) ||
                    wait_for_objects(*events[i], slot_wait_ms)) {
                    take(i);
                } else if (!W32N_CancelPacketRead(handle, &slots[i]) &&
                           W32N_HasOverlappedCompleted(overlapped[i])) {
                    // The frame came just as the wait gave up.
                    take(i);
                } else {
                    session_.note_read_timeout();
                    log_line("No vargo packet received, probably the network is down");
                }
                bool exhausted = true;
                for (int j = 0; j < slot_count && exhausted; ++j)
                    exhausted = j == i || W32N_HasOverlappedCompleted(overlapped[j]);
                if (exhausted)
                    log_line("*** Packet grab buffer is exhausted!!!");
                reading = post(i);
            }
        }
    } catch (const qo::proc::thread_stop_exception_t&) {
        log_line("packet_thread_t shutting down...");
    } catch (const qo::exception_t& e) {
        log_line(e.text());
    }
    log_line("Packet thread exiting");
}

arp_thread_t::~arp_thread_t() {
    stop_quietly(*this);
}

void arp_thread_t::thread_function() {
    state_ = idle;
    arp_tries_ = rarp_tries_ = 0;
    const arp_settings_t settings = session_.history().read_settings();
    sleep_ms_ = settings.sleep_ms;
    arp_retries_ = settings.arp_retries;
    rarp_retries_ = settings.rarp_retries;
    while (session_.started()) {
        try {
            step();
            check_stop(static_cast<std::uint32_t>(sleep_ms_));
        } catch (const qo::proc::thread_stop_exception_t&) {
            log_line("arp_thread shutting down...");
            // The stop request stays set: waiting again would end at once.
            break;
        } catch (const qo::exception_t& e) {
            log_line(e.text());
        }
    }
    log_line("arp_thread exiting...");
}

void arp_thread_t::step() {
    if (state_ == idle) {
        step_idle();
        return;
    }
    const std::optional<assignment_t> entry = session_.front_assignment();
    if (!entry) {
        // Only this thread takes entries off; nothing to work on is idle.
        state_ = idle;
        return;
    }
    if (state_ == probing)
        step_probing(*entry);
    else
        step_assigning(*entry);
}

void arp_thread_t::step_idle() {
    // Replies that came while no probe ran answer nothing: dropped at every
    // idle step, so that ARP traffic on the network cannot pile them up.
    session_.drop_arp_replies();
    if (!session_.front_assignment())
        return;
    arp_tries_ = arp_retries_;
    begin();
}

void arp_thread_t::begin() {
    std::optional<assignment_t> entry = session_.front_assignment();
    if (!entry)
        return;
    if (entry->kind == assignment_t::automatic) {
        entry->ip = session_.history().suggest(entry->mac);
        session_.set_front_ip(entry->ip);
        log_line("History suggests " + entry->ip.to_string() + " for " + entry->mac.to_string());
    }
    if (entry->ip.value() == 0) {
        state_ = idle;
        session_.drop_front_assignment(false);
        return;
    }
    state_ = probing;
    send_arp_request(entry->ip);
}

void arp_thread_t::step_probing(const assignment_t& entry) {
    // A reply for another address is not an answer to this probe; left
    // queued, each would cost a step and hold the probe up.
    if (!session_.drop_other_arp_replies(entry.ip)) {
        if (arp_tries_ > 0) {
            --arp_tries_;
            send_arp_request(entry.ip);
            return;
        }
        log_line("ARP retries expired on " + entry.ip.to_string());
        arp_tries_ = arp_retries_;
        rarp_tries_ = rarp_retries_;
        state_ = assigning;
        assign(entry);
        return;
    }
    if (!test_arp_response())
        return;
    // Somebody has the address. The history now knows it as that
    // somebody's; excluded too, since a host with several addresses (a PC's
    // interface) keeps only one of them in the history, and the others
    // would be offered again and again.
    if (entry.kind == assignment_t::automatic) {
        session_.history().exclude(entry.ip);
        arp_tries_ = arp_retries_;
        begin();
        return;
    }
    log_line("Aborting manual IP assignment " + entry.ip.to_string());
    session_.drop_front_assignment(false);
    state_ = idle;
}

void arp_thread_t::step_assigning(const assignment_t& entry) {
    if (!session_.drop_other_arp_replies(entry.ip)) {
        if (arp_tries_ > 0) {
            --arp_tries_;
            send_arp_request(entry.ip);
        } else if (rarp_tries_ > 0) {
            --rarp_tries_;
            arp_tries_ = arp_retries_;
            assign(entry);
        } else {
            state_ = idle;
            session_.drop_front_assignment(true);
            log_line("No response from " + entry.mac.to_string());
        }
        return;
    }
    if (test_arp_response()) {
        session_.drop_front_assignment(false);
        state_ = idle;
    }
}

void arp_thread_t::assign(const assignment_t& entry) {
    log_line("Assigning " + entry.ip.to_string() + " to " + entry.mac.to_string());
    const arp_frame_t frame = rarp_reply_frame(session_.mac(), session_.ip(), entry.mac, entry.ip);
    session_.packet_send(frame.data(), frame.size());
    check_stop(1);
    send_arp_request(entry.ip);
    check_stop(1);
}

bool arp_thread_t::test_arp_response() {
    const std::optional<assignment_t> reply = session_.take_arp_reply();
    if (!reply) {
        log_line("adapter_test_arp_response error: no ARP reply queued");
        return false;
    }
    const std::optional<assignment_t> entry = session_.front_assignment();
    if (!entry || entry->ip != reply->ip)
        return false;
    session_.accept_arp_reply(*reply);
    return true;
}

void arp_thread_t::send_arp_request(const qo::ip_address_t& ip) {
    log_line("Sending ARP request for " + ip.to_string());
    const arp_frame_t frame = arp_request_frame(session_.mac(), session_.ip(), ip);
    session_.packet_send(frame.data(), frame.size());
}

bootp_thread_t::~bootp_thread_t() {
    stop_quietly(*this);
}

void bootp_thread_t::thread_function() {
    try {
        while (session_.started())
            check_stop(1000);
    } catch (const qo::proc::thread_stop_exception_t&) {
    }
    log_line("bootp_thread_t shutting down...");
}

reservation_thread_t::~reservation_thread_t() {
    stop_quietly(*this);
}

void reservation_thread_t::thread_function() {
    const std::array<std::uint8_t, 50> frame = reservation_frame(session_.mac(), session_.ip());
    try {
        while (session_.started()) {
            log_line("Send Res. Request thread starting");
            session_.packet_send(frame.data(), frame.size());
            check_stop(period_ms);
        }
    } catch (const qo::proc::thread_stop_exception_t&) {
    } catch (const qo::exception_t& e) {
        log_line(e.text());
    }
    log_line("reservation_thread_t shutting down...");
}

} // namespace qo::vg
