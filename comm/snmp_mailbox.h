#pragma once
// The two synchronous SNMP operations every text command to a unit goes
// through, and the names of the unit's mailbox: the handshake register and
// the command/reply variable with the values the handshake writes and reads.
#include "comm/automation_wrappers.h"

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

} // namespace comm
