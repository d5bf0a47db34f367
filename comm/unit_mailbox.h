#pragma once
// One unit's mailbox as both senders use it: single reads and writes of its
// variables, the tries around them, and the process-wide state every sender
// of that unit shares (the lock that keeps two exchanges from interleaving,
// and whether we left "busy" in the handshake register).
#include "comm/automation_wrappers.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace comm {

// One attempt per call; false when the unit gave no valid answer. A sender
// decides itself whether and how to try again.
class IUnitMailbox {
public:
    virtual ~IUnitMailbox() = default;
    virtual bool Read(std::string_view oid, std::string& value) = 0;
    virtual bool Write(std::string_view oid, std::string_view value) = 0;
};

// The mailbox of the unit at `ip` through the poller (the address as
// UnitSnmpAddress makes it). Automation failures are raised.
class CPollerMailbox final : public IUnitMailbox {
public:
    CPollerMailbox(const Icom_manager& poller, std::string_view ip);
    bool Read(std::string_view oid, std::string& value) override;
    bool Write(std::string_view oid, std::string_view value) override;

private:
    const Icom_manager& m_poller;
    std::string m_address;
};

// Three tries 30 ms apart, as SnmpGetValue and SnmpSetValue.
bool ReadWithTries(IUnitMailbox& mailbox, std::string_view oid, std::string& value,
                   const Sleeper& sleep);
bool WriteWithTries(IUnitMailbox& mailbox, std::string_view oid, std::string_view value,
                    const Sleeper& sleep);
// Writes "165" to the handshake register. A write whose answer was lost may
// still have reached the unit, and a unit given "165" twice runs the command
// twice, so before writing again the register is read: "165" or "90" there
// means the unit has the command. Same three tries otherwise.
bool WritePostedWithTries(IUnitMailbox& mailbox, const Sleeper& sleep);

// What every sender in the process shares about one unit. `lock` is held by
// a sender for the whole of one exchange; `leftBusy` may be read and written
// only while holding it.
struct CUnitMailboxState {
    std::timed_mutex lock;
    // We wrote "127" after an unframed reply, and nothing has cleared it
    // since: the next exchange that reads "127" frees the register instead
    // of waiting for a unit that is not busy.
    bool leftBusy = false;
};

// The state of the unit at `ip` (the same object for the process's life).
std::shared_ptr<CUnitMailboxState> UnitMailboxState(std::string_view ip);

} // namespace comm
