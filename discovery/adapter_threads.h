#pragma once
// The threads of a card session. Each runs while the session is started
// and ends at once when stopped.
#include "qo/proc/thread.h"

namespace qo::vg {

class adapter_t;

class adapter_thread_t : public qo::proc::thread_t {
protected:
    explicit adapter_thread_t(adapter_t& session) : session_(session) {}
    adapter_t& session_;
};

// Receives the card's frames into ten read slots, in turn, and hands each
// to the session.
class packet_thread_t final : public adapter_thread_t {
public:
    explicit packet_thread_t(adapter_t& session) : adapter_thread_t(session) {}
    ~packet_thread_t() override;

protected:
    void thread_function() override;
};

// Serves the assignment queue. For now it only keeps its place in the
// session's life cycle: the queues record what is handed to it.
class arp_thread_t final : public adapter_thread_t {
public:
    explicit arp_thread_t(adapter_t& session) : adapter_thread_t(session) {}
    ~arp_thread_t() override;

protected:
    void thread_function() override;
};

// Never started by the session; when started it only waits.
class bootp_thread_t final : public adapter_thread_t {
public:
    explicit bootp_thread_t(adapter_t& session) : adapter_thread_t(session) {}
    ~bootp_thread_t() override;

protected:
    void thread_function() override;
};

// Multicasts the reservation request every 1666 ms.
class reservation_thread_t final : public adapter_thread_t {
public:
    static constexpr std::uint32_t period_ms = 1666;

    explicit reservation_thread_t(adapter_t& session) : adapter_thread_t(session) {}
    ~reservation_thread_t() override;

protected:
    void thread_function() override;
};

} // namespace qo::vg
