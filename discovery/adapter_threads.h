#pragma once
// The threads of a card session. Each runs while the session is started
// and ends at once when stopped.
#include "discovery/assignment.h"
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

// Serves the assignment queue, one step per ARPSleepMS: probes the front
// entry's address with ARP requests; when nobody answers, tells the device
// its address with RARP replies until it answers ARP for it.
class arp_thread_t final : public adapter_thread_t {
public:
    static constexpr int idle = 0;
    static constexpr int probing = 1;
    static constexpr int assigning = 2;

    explicit arp_thread_t(adapter_t& session) : adapter_thread_t(session) {}
    ~arp_thread_t() override;

protected:
    void thread_function() override;

private:
    void step();
    void step_idle();
    void step_probing(const assignment_t& entry);
    void step_assigning(const assignment_t& entry);
    // Works on the front entry: finds an automatic entry its address, and
    // probes it.
    void begin();
    void assign(const assignment_t& entry);
    // Takes the front reply: yes when it answers for the front entry's
    // address, which the device and the history then learn.
    bool test_arp_response();
    void send_arp_request(const qo::ip_address_t& ip);

    // Only the thread itself touches these.
    int state_ = idle;
    int rarp_tries_ = 0;
    int arp_tries_ = 0;
    int arp_retries_ = 5;
    int rarp_retries_ = 5;
    int sleep_ms_ = 100;
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
