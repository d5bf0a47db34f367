#pragma once
// A lossy path between the poller and a simulated unit: a UDP relay on
// 127.0.0.0/8 that passes every SNMP request on to the unit and every reply
// back, except the replies it was told to lose. A lost reply is the case
// where a write reached the unit and only its answer went missing, which no
// unit knob can show.
#include "tools/snmpagent/ber.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace commtest {

class CLossyRelay {
public:
    // Listens on `address` (a free port) and relays to the agent at
    // `unitAddress`:`unitPort`. Raises std::runtime_error when it cannot.
    CLossyRelay(const std::string& address, const std::string& unitAddress,
                std::uint16_t unitPort);
    ~CLossyRelay();
    CLossyRelay(const CLossyRelay&) = delete;
    CLossyRelay& operator=(const CLossyRelay&) = delete;

    // "<address>/<port>", as the poller takes it.
    std::string Target() const;

    // Loses the reply to the next write of `value` to SerialPriority, and
    // the replies to the `reads` reads of SerialPriority that follow it.
    void LoseReplyToWrite(const std::string& value, int reads = 0);
    // Replies lost so far.
    int Lost() const { return m_lost; }

private:
    void Run();
    // Whether the reply to this request is to be lost.
    bool LoseReplyTo(const snmpagent::message_t& request);

    std::string m_address;
    std::uint16_t m_port = 0;
    int m_clientSide = -1; // the poller's requests come in here
    int m_unitSide = -1;   // connected to the unit
    int m_wake[2] = {-1, -1};

    std::mutex m_mutex;
    std::string m_loseWrite; // empty: no write is waited for
    int m_loseReads = 0;
    bool m_writeSeen = false;
    std::atomic<int> m_lost{0};
    std::thread m_thread;
};

} // namespace commtest
