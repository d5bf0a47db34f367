#pragma once
// The simulated DSP unit of snmpagent --unit: the mailbox of a unit in its
// two variables, the handshake the program drives ("165" posts the command
// in SysContact; the unit answers it there and writes "90"), the replies of
// the command vocabulary, and knobs for every way a unit misbehaves.
#include "tools/snmpagent/ber.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace snmpagent::unit {

inline constexpr const char* serial_priority = "1.3.6.1.4.1.2680.1.1.10.1.5.0";
inline constexpr const char* sys_contact = "1.3.6.1.2.1.1.4.0";

// A model-21 amplifier's variables: its output gains (written) and output
// volumes (read), INTEGER each, named in the journal.
struct named_oid_t {
    const char* oid;
    const char* name;
};
inline constexpr named_oid_t amplifier_variables[] = {
    {"1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.4.1.2.12", "LeftGain"},
    {"1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.4.1.2.16", "RightGain"},
    {"1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.2.1.2.12", "LeftVolume"},
    {"1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.2.1.2.13", "RightVolume"},
};

// The agent's variable of an identifier (contents), or null.
using lookup_t = std::function<element_t*(const bytes_t& oid)>;

// Turns the unit on: gives both mailbox variables their start values
// (SerialPriority as INTEGER when `integer_register`, else OCTET STRING "0";
// SysContact OCTET STRING "") and the amplifier's variables INTEGER 0. The
// agent creates the variables first.
void start(const lookup_t& lookup, bool integer_register);
// Appends every journal entry to `path` as well, as it is made, for someone
// watching the unit (tail -f); false when the file cannot be opened.
bool journal_to(const std::string& path);
bool active();

// A step fault for this request: the SNMP error status to answer with (5,
// genErr), or nothing. Counts the fault used.
std::optional<long> fault_for(const message_t& request);
// After the agent applied a set of one variable.
void after_set(const bytes_t& oid, const element_t& value);
// After the agent answered a get of one variable.
void after_get(const bytes_t& oid);
// The value a get of `oid` answers with, when the unit says otherwise than
// the variable (busy: "127").
std::optional<element_t> read_override(const bytes_t& oid);

// Milliseconds until the unit's next timed step (-1: none), and the step.
int next_due_ms();
void run_due();

// One "unit ..." script line (without "unit"), answered like the others.
std::string script(const std::string& arguments);
// The usage lines of the unit's script commands.
const char* usage();

} // namespace snmpagent::unit
