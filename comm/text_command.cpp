#include "comm/text_command.h"

#include "comm/snmp_mailbox.h"

#include <utility>

namespace comm {

using namespace std::chrono_literals;

std::chrono::steady_clock::time_point RealClock()
{
    return std::chrono::steady_clock::now();
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
    }
    std::string text;
    if (!ReadWithTries(m_mailbox, kSerialPriorityOid, text, m_sleep))
        return kStepSnmpFailed;
    const int value = HandshakeNumber(text);
    if (value != 127)
        m_unit.leftBusy = false;
    const auto write = [&](std::string_view oid, std::string_view what) {
        return WriteWithTries(m_mailbox, oid, what, m_sleep);
    };
    const auto free = [&] { write(kSerialPriorityOid, kMailboxFree); };

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
            return kStepRefused;
        case 165:
            if (m_clock() - m_postedAt >= kPostedLimit) {
                free();
                m_posted = m_awaitingReply = false;
                return kStepRefused;
            }
            return kStepPosted;
        default:
            free();
            m_posted = m_awaitingReply = false;
            return kStepUnexpected;
        }
    }

    m_sleep(1ms);
    switch (value) {
    case 0:
        if (m_awaitingReply)
            return kStepWaiting;
        if (!write(kSerialPriorityOid, kMailboxClaimed))
            return kStepSnmpFailed;
        m_sleep(1ms);
        if (!write(kSysContactOid, command)) {
            free();
            return kStepSnmpFailed;
        }
        m_sleep(1ms);
        if (!WritePostedWithTries(m_mailbox, m_sleep)) {
            free();
            return kStepSnmpFailed;
        }
        m_postedAt = m_clock();
        m_posted = true;
        return kStepPosted;
    case 90: {
        if (!m_awaitingReply || !replyWanted) {
            free();
            return kStepWaiting;
        }
        m_awaitingReply = false;
        std::string answer;
        if (!ReadWithTries(m_mailbox, kSysContactOid, answer, m_sleep))
            return kStepSnmpFailed;
        m_sleep(1ms);
        if (!IsCommandReply(answer)) {
            write(kSerialPriorityOid, kMailboxBusy);
            m_unit.leftBusy = true;
            return kStepRefused;
        }
        if (!write(kSerialPriorityOid, kMailboxFree))
            return kStepSnmpFailed;
        if (reply)
            *reply = std::move(answer);
        return kStepDone;
    }
    case 127:
        // Our own "127" from an earlier unframed reply: no unit is busy.
        if (m_unit.leftBusy && !m_awaitingReply) {
            m_unit.leftBusy = false;
            free();
        }
        return kStepWaiting;
    case 165:
        return kStepWaiting;
    case 247:
        free();
        return kStepWaiting;
    default:
        free();
        return kStepUnexpected;
    }
}

int RunTextExchange(IUnitMailbox& mailbox, CUnitMailboxState& unit, std::string_view framed,
                    bool replyWanted, std::string* reply, std::chrono::milliseconds spacing,
                    const Sleeper& sleep, const SteadyClock& clock)
{
    const auto start = clock();
    const auto past_limit = [&] { return clock() - start > kTextCommandLimit; };
    std::unique_lock lock(unit.lock, std::defer_lock);
    // The queued sender may hold the unit for a whole exchange; the wait
    // for it counts against the command's own limit.
    while (!lock.try_lock_for(10ms)) {
        if (past_limit())
            return 0;
    }
    CTextExchange exchange(mailbox, unit, sleep, clock);
    bool reset = true;
    for (;;) {
        const int result = exchange.Step(framed, replyWanted, reply, reset);
        reset = false;
        if (result == kStepDone)
            return 1;
        if (result < 0 || past_limit())
            return 0;
        sleep(spacing);
    }
}

namespace {

int RunOnPoller(const Icom_manager& poller, std::string_view ip, std::string_view framed,
                bool replyWanted, std::string* reply, std::chrono::milliseconds spacing,
                const Sleeper& sleep)
{
    CPollerMailbox mailbox(poller, ip);
    const auto unit = UnitMailboxState(ip);
    return RunTextExchange(mailbox, *unit, framed, replyWanted, reply, spacing, sleep);
}

} // namespace

int SendTextCommand(const Icom_manager& poller, std::string_view ip, std::string_view text,
                    bool replyWanted, std::string* reply, const Sleeper& sleep)
{
    std::string framed = "*";
    framed += text;
    framed += '#';
    return RunOnPoller(poller, ip, framed, replyWanted, reply, 20ms, sleep);
}

int QueryFirmware(const Icom_manager& poller, std::string_view ip, const Sleeper& sleep)
{
    return RunOnPoller(poller, ip, "*FIRMW#", false, nullptr, 50ms, sleep);
}

} // namespace comm
