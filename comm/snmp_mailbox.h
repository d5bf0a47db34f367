#pragma once
// A unit's SNMP mailbox: the handshake register and the command/reply
// variable with the values the handshake writes and reads, the two
// synchronous SNMP operations every text command to a unit goes through,
// single reads and writes of the mailbox's variables with the tries around
// them, and the process-wide state every sender of that unit shares (the
// lock that keeps two exchanges from interleaving, and whether we left
// "busy" in the handshake register).
#include "comm/automation_wrappers.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace comm {

// The handshake register and the variable that carries command and reply.
inline constexpr const char* kSerialPriorityOid = "1.3.6.1.4.1.2680.1.1.10.1.5.0";
inline constexpr const char* kSysContactOid = "1.3.6.1.2.1.1.4.0";

// Values of the handshake register, as text.
inline constexpr std::string_view kMailboxFree = "0";
inline constexpr std::string_view kMailboxClaimed = "247";
inline constexpr std::string_view kMailboxPosted = "165";
inline constexpr std::string_view kMailboxReplied = "90";
inline constexpr std::string_view kMailboxBusy = "127";

inline constexpr int kSnmpTries = 3;
inline constexpr std::chrono::milliseconds kSnmpRetrySleep{30};

// Reads one variable of the unit at `ip`. True with `value` set when one of
// three tries gave a valid answer; false, `value` untouched, after three
// invalid ones (each followed by a 30 ms sleep). Automation failures are
// raised, not caught.
bool SnmpGetValue(const Icom_manager& poller, std::string_view ip, std::string_view oid,
                  std::string& value, const Sleeper& sleep = RealSleep);
// Writes one variable; the poller chooses the SNMP type. Same tries as above.
bool SnmpSetValue(const Icom_manager& poller, std::string_view ip, std::string_view oid,
                  std::string_view value, const Sleeper& sleep = RealSleep);

// A reply is framed: "*" first and "#" last.
bool IsCommandReply(std::string_view text);

// The address handed to the poller for a unit: `ip`, followed by "/<port>"
// when $OSTREL_UNIT_SNMP_PORT names one (read once per process). Units
// answer on 161 only; tests point the program at simulated units on
// unprivileged ports this way.
std::string UnitSnmpAddress(std::string_view ip);

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
// Posts the command already in SysContact: writes "165" to the handshake
// register. A write whose answer was lost may still have reached the unit,
// and a unit given "165" again runs the command again, or, once it has
// replied, takes its own reply in SysContact for a new command. So after a
// failed write the register is read, and "165" is written again only while
// it still holds our claim ("247"). False only when every write failed and
// the last read still showed the claim: the unit has not got the command.
// True otherwise, also when the register could not be read: the command may
// be with the unit, and the caller follows the register from there without
// posting it again unless the unit asks for it.
bool PostWithTries(IUnitMailbox& mailbox, const Sleeper& sleep);

// Writes to the event log that the unit at `ip` answered `command` with a
// reply not framed by "*" and "#", quoting what it sent.
void LogUnframedReply(std::string_view ip, std::string_view command, std::string_view reply);

// A lock whose wait is bounded, for std::unique_lock like std::timed_mutex.
// std::timed_mutex waits with pthread_mutex_clocklock, which ThreadSanitizer
// (as shipped with GCC 12) does not see, so every exchange would look like an
// unlock of a mutex nobody took; a condition variable's wait it does see.
class CUnitLock {
public:
    void lock();
    bool try_lock();
    void unlock();

    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& wait)
    {
        return try_lock_until(std::chrono::steady_clock::now() +
                              std::chrono::ceil<std::chrono::steady_clock::duration>(wait));
    }
    bool try_lock_until(std::chrono::steady_clock::time_point deadline);

private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    bool m_held = false;
};

// What every sender in the process shares about one unit. `lock` is held by
// a sender for the whole of one exchange; `leftBusy` may be read and written
// only while holding it.
struct CUnitMailboxState {
    // The unit's IP text (empty for a state made outside UnitMailboxState).
    std::string ip;
    CUnitLock lock;
    // We wrote "127" after an unframed reply, and nothing has cleared it
    // since: the next exchange that reads "127" frees the register instead
    // of waiting for a unit that is not busy.
    bool leftBusy = false;
};

// The state of the unit at `ip` (the same object for the process's life).
std::shared_ptr<CUnitMailboxState> UnitMailboxState(std::string_view ip);

} // namespace comm
