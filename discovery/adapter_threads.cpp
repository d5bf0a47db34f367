#include "discovery/adapter_threads.h"

#include "discovery/adapter.h"
#include "discovery/frames.h"
#include "discovery/log.h"
#include "platform/w32n/w32n.h"
#include "qo/proc/thread_stop_exception.h"

#include <array>
#include <memory>
#include <string>

namespace qo::vg {

namespace {

constexpr int slot_count = 10;
constexpr std::uint32_t slot_wait_ms = 3000;

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
            log_line("W32N_PacketRead failed " + std::to_string(W32N_GetLastError()));
            return false;
        }
        return true;
    };
    const auto take = [&](int i) {
        const std::uint32_t status = overlapped[i].status.load(std::memory_order_acquire);
        if (status == W32N_ERROR_SUCCESS)
            session_.handle_frame(slots[i].frame, overlapped[i].bytes.load());
        else
            log_line("Packet read failed " + std::to_string(status));
    };

    try {
        bool reading = true;
        for (int i = 0; i < slot_count && reading; ++i)
            reading = post(i);
        while (reading && session_.started()) {
            for (int i = 0; i < slot_count && reading; ++i) {
                if (wait_for_objects(*events[i], slot_wait_ms)) {
                    take(i);
                } else if (!W32N_CancelPacketRead(handle, &slots[i]) &&
                           W32N_HasOverlappedCompleted(overlapped[i])) {
                    // The frame came just as the wait gave up.
                    take(i);
                } else {
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
    try {
        while (session_.started())
            check_stop(1000);
    } catch (const qo::proc::thread_stop_exception_t&) {
        log_line("arp_thread shutting down...");
    }
    log_line("arp_thread exiting...");
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
