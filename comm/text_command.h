#pragma once
// One-shot text commands: a single command posted to a unit's mailbox and
// waited for, outside any DSP view's queues (route commands, the command
// that makes a unit keep its routes, the main frame's text commands).
//
// Each call has its own exchange state, and holds the unit's mailbox lock
// (snmp_mailbox.h) for its whole length, so one-shots from several threads
// and a DSP view's queued sender never interleave on one unit.
#include "comm/automation_wrappers.h"
#include "comm/snmp_mailbox.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace comm {

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
std::chrono::steady_clock::time_point RealClock();

// Results of one handshake step.
inline constexpr int kStepDone = 1;       // taken (and the reply read when wanted)
inline constexpr int kStepPosted = 2;     // posted, not yet taken
inline constexpr int kStepWaiting = 0;    // nothing to do yet
inline constexpr int kStepSnmpFailed = -1;
inline constexpr int kStepRefused = -2;   // asked again, not taken in time, or an unframed reply
inline constexpr int kStepUnexpected = -3; // a handshake value the exchange has no meaning for

// Why a one-shot command failed.
enum class ETextFailure {
    None,
    Snmp,       // the unit's mailbox did not answer
    Busy,       // the mailbox stayed busy ("127", or another sender's exchange)
    NotTaken,   // posted, never taken ("165" throughout)
    NoReply,    // taken, no reply came
    AskedAgain, // the unit asked for the command again ("247")
    Unframed,   // the reply was not framed by "*" and "#"
    Unexpected, // a handshake value the exchange has no meaning for
};
// A few words on the failure, for logs and tools.
const char* TextFailureText(ETextFailure failure);

// How long a posted command may sit untaken ("165") before the exchange
// frees the mailbox and gives up.
inline constexpr std::chrono::milliseconds kPostedLimit{3000};

// The state of one one-shot exchange with one unit.
class CTextExchange {
public:
    // `unit` is the unit's shared state; its lock must be held by the caller
    // while it steps.
    CTextExchange(IUnitMailbox& mailbox, CUnitMailboxState& unit, Sleeper sleep = RealSleep,
                  SteadyClock clock = RealClock);

    // At most one handshake step for the framed `command`. `reply` is
    // written only on success with a reply wanted.
    int Step(std::string_view command, bool replyWanted, std::string* reply, bool reset);
    // After a negative step result, why; while the exchange waits, what for
    // (the reason it fails with when the caller's limit runs out).
    ETextFailure Failure() const { return m_failure; }

private:
    IUnitMailbox& m_mailbox;
    CUnitMailboxState& m_unit;
    Sleeper m_sleep;
    SteadyClock m_clock;
    bool m_posted = false;
    bool m_awaitingReply = false;
    std::chrono::steady_clock::time_point m_postedAt{};
    ETextFailure m_failure = ETextFailure::None;
};

// The handshake value as the one-shot reads it: the leading digits after
// any blanks, 0 when there are none.
int HandshakeNumber(std::string_view text);

// Steps `framed` through one exchange until it is done, fails, or `limit`
// has passed since the start (the wait for the unit's lock included),
// sleeping `spacing` between steps. 1 on success, else 0 with `why` (when
// given) set.
int RunTextExchange(IUnitMailbox& mailbox, CUnitMailboxState& unit, std::string_view framed,
                    bool replyWanted, std::string* reply, std::chrono::milliseconds spacing,
                    const Sleeper& sleep = RealSleep, const SteadyClock& clock = RealClock,
                    ETextFailure* why = nullptr);

inline constexpr std::chrono::milliseconds kTextCommandLimit{4000};

// Sends "*" + text + "#" to the unit at `ip`, steps 20 ms apart, at most
// 4000 ms. Every wait goes through `sleep` (a cancellable caller's sleeper
// may throw to abandon the exchange). 1 on success (`reply` set when
// wanted), else 0 with `why` (when given) set. Automation failures are
// raised.
int SendTextCommand(const Icom_manager& poller, std::string_view ip, std::string_view text,
                    bool replyWanted, std::string* reply = nullptr,
                    const Sleeper& sleep = RealSleep, ETextFailure* why = nullptr);
// Has the unit keep its current routes ("*FIRMW#"): 1 as soon as the unit
// took it (no reply is read), else 0. Steps 50 ms apart, at most 4000 ms.
int QueryFirmware(const Icom_manager& poller, std::string_view ip,
                  const Sleeper& sleep = RealSleep);

} // namespace comm
