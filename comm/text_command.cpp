#include "comm/text_command.h"

#include "comm/snmp_mailbox.h"

#include <utility>

namespace comm {

using namespace std::chrono_literals;

std::chrono::steady_clock::time_point RealClock()
{
    return std::chrono::steady_clock::now();
}

const char* TextFailureText(ETextFailure failure)
{
    switch (failure) {
    case ETextFailure::None:
        return "no failure";
    case ETextFailure::Snmp:
        return "SNMP failure (the unit's mailbox did not answer)";
    case ETextFailure::Busy:
        return "unit busy (its mailbox stayed busy)";
    case ETextFailure::NotTaken:
        return "no reply (the unit never took the command)";
    case ETextFailure::NoReply:
        return "no reply (the unit took the command but did not answer it)";
    case ETextFailure::AskedAgain:
        return "the unit asked for the command again";
    case ETextFailure::Unframed:
        return "the reply was not framed by \"*\" and \"#\"";
    case ETextFailure::Unexpected:
        return "unexpected handshake value";
    }
    return "unknown failure";
}

int HandshakeNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 1000000)
            break; // far past every handshake value; what it is exactly does not matter
    }
    return static_cast<int>(value);
}

CTextExchange::CTextExchange(IUnitMailbox& mailbox, CUnitMailboxState& unit, Sleeper sleep,
                             SteadyClock clock)
    : m_mailbox(mailbox), m_unit(unit), m_sleep(std::move(sleep)), m_clock(std::move(clock))
{
}

int CTextExchange::Step(std::string_view command, bool replyWanted, std::string* reply,
                        bool reset)
{
    if (reset) {
        m_posted = false;
        m_awaitingReply = false;
        m_postedAt = {};
        m_failure = ETextFailure::None;
    }
    std::string text;
    if (!ReadWithTries(m_mailbox, kSerialPriorityOid, text, m_sleep)) {
        m_failure = ETextFailure::Snmp;
        // Once our "165" may be with the unit the register is read again
        // until the caller's limit: starting over would post the command a
        // second time.
        if (m_posted)
            return kStepPosted;
        return m_awaitingReply ? kStepWaiting : kStepSnmpFailed;
    }
    const int value = HandshakeNumber(text);
    if (value != 127)
        m_unit.leftBusy = false;
    const auto write = [&](std::string_view oid, std::string_view what) {
        return WriteWithTries(m_mailbox, oid, what, m_sleep);
    };
    const auto free = [&] { write(kSerialPriorityOid, kMailboxFree); };
    // A result with why the exchange has not succeeded (yet).
    const auto outcome = [&](int result, ETextFailure why) {
        m_failure = why;
        return result;
    };

    if (m_posted) {
        switch (value) {
        case 0:
        case 90:
        case 127:
            m_posted = false;
            if (!replyWanted)
                return kStepDone;
            m_awaitingReply = true;
            break;
        case 247:
            free();
            m_posted = m_awaitingReply = false;
            return outcome(kStepRefused, ETextFailure::AskedAgain);
        case 165:
            if (m_clock() - m_postedAt >= kPostedLimit) {
                free();
                m_posted = m_awaitingReply = false;
                return outcome(kStepRefused, ETextFailure::NotTaken);
            }
            return outcome(kStepPosted, ETextFailure::NotTaken);
        default:
            free();
            m_posted = m_awaitingReply = false;
            return outcome(kStepUnexpected, ETextFailure::Unexpected);
        }
    }

    m_sleep(1ms);
    switch (value) {
    case 0:
        if (m_awaitingReply)
            return outcome(kStepWaiting, ETextFailure::NoReply);
        if (!write(kSerialPriorityOid, kMailboxClaimed))
            return outcome(kStepSnmpFailed, ETextFailure::Snmp);
        m_sleep(1ms);
        if (!write(kSysContactOid, command)) {
            free();
            return outcome(kStepSnmpFailed, ETextFailure::Snmp);
        }
        m_sleep(1ms);
        if (!PostWithTries(m_mailbox, m_sleep)) {
            free();
            return outcome(kStepSnmpFailed, ETextFailure::Snmp);
        }
        m_postedAt = m_clock();
        m_posted = true;
        return outcome(kStepPosted, ETextFailure::NotTaken);
    case 90: {
        if (!m_awaitingReply || !replyWanted) {
            free();
            return kStepWaiting;
        }
        std::string answer;
        // The register still says "90": the reply is read again next step.
        if (!ReadWithTries(m_mailbox, kSysContactOid, answer, m_sleep))
            return outcome(kStepWaiting, ETextFailure::Snmp);
        m_awaitingReply = false;
        m_sleep(1ms);
        if (!IsCommandReply(answer)) {
            LogUnframedReply(m_unit.ip, command, answer);
            write(kSerialPriorityOid, kMailboxBusy);
            m_unit.leftBusy = true;
            return outcome(kStepRefused, ETextFailure::Unframed);
        }
        if (!write(kSerialPriorityOid, kMailboxFree))
            return outcome(kStepSnmpFailed, ETextFailure::Snmp);
        if (reply)
            *reply = std::move(answer);
        m_failure = ETextFailure::None;
        return kStepDone;
    }
    case 127:
        // Our own "127" from an earlier unframed reply: no unit is busy.
        if (m_unit.leftBusy && !m_awaitingReply) {
            m_unit.leftBusy = false;
            free();
        }
        return outcome(kStepWaiting, ETextFailure::Busy);
    case 165:
        return outcome(kStepWaiting, m_awaitingReply ? ETextFailure::NoReply : ETextFailure::Busy);
    case 247:
        free();
        return outcome(kStepWaiting, ETextFailure::Busy);
    default:
        free();
        return outcome(kStepUnexpected, ETextFailure::Unexpected);
    }
}

int RunTextExchange(IUnitMailbox& mailbox, CUnitMailboxState& unit, std::string_view framed,
                    bool replyWanted, std::string* reply, std::chrono::milliseconds spacing,
                    const Sleeper& sleep, const SteadyClock& clock, ETextFailure* why)
{
    const auto start = clock();
    const auto past_limit = [&] { return clock() - start > kTextCommandLimit; };
    const auto failed = [&](ETextFailure failure) {
        if (why)
            *why = failure;
        return 0;
    };
    std::unique_lock lock(unit.lock, std::defer_lock);
    // The queued sender may hold the unit for a whole exchange; the wait
    // for it counts against the command's own limit.
    while (!lock.try_lock_for(10ms)) {
        if (past_limit())
            return failed(ETextFailure::Busy);
    }
    CTextExchange exchange(mailbox, unit, sleep, clock);
    bool reset = true;
    for (;;) {
        const int result = exchange.Step(framed, replyWanted, reply, reset);
        reset = false;
        if (result == kStepDone) {
            if (why)
                *why = ETextFailure::None;
            return 1;
        }
        if (result < 0 || past_limit())
            return failed(exchange.Failure());
        sleep(spacing);
    }
}

namespace {

int RunOnPoller(const Icom_manager& poller, std::string_view ip, std::string_view framed,
                bool replyWanted, std::string* reply, std::chrono::milliseconds spacing,
                const Sleeper& sleep, ETextFailure* why = nullptr)
{
    CPollerMailbox mailbox(poller, ip);
    const auto unit = UnitMailboxState(ip);
    return RunTextExchange(mailbox, *unit, framed, replyWanted, reply, spacing, sleep,
                           RealClock, why);
}

} // namespace

int SendTextCommand(const Icom_manager& poller, std::string_view ip, std::string_view text,
                    bool replyWanted, std::string* reply, const Sleeper& sleep,
                    ETextFailure* why)
{
    std::string framed = "*";
    framed += text;
    framed += '#';
    return RunOnPoller(poller, ip, framed, replyWanted, reply, 20ms, sleep, why);
}

int QueryFirmware(const Icom_manager& poller, std::string_view ip, const Sleeper& sleep)
{
    return RunOnPoller(poller, ip, "*FIRMW#", false, nullptr, 50ms, sleep);
}

} // namespace comm
