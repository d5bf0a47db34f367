#include "comm/snmp_mailbox.h"

#include "comm/event_log.h"

#include <charconv>
#include <cstdlib>
#include <map>

namespace comm {

namespace {

std::string ReadUnitPortSuffix()
{
    const char* text = std::getenv("OSTREL_UNIT_SNMP_PORT");
    if (!text || !*text)
        return {};
    const std::string_view s(text);
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), port);
    if (ec != std::errc() || end != s.data() + s.size() || port == 0 || port > 65535)
        return {};
    return "/" + std::to_string(port);
}

} // namespace

std::string UnitSnmpAddress(std::string_view ip)
{
    static const std::string suffix = ReadUnitPortSuffix();
    std::string address(ip);
    address += suffix;
    return address;
}

bool SnmpGetValue(const Icom_manager& poller, std::string_view ip, std::string_view oid,
                  std::string& value, const Sleeper& sleep)
{
    CPollerMailbox mailbox(poller, ip);
    return ReadWithTries(mailbox, oid, value, sleep);
}

bool SnmpSetValue(const Icom_manager& poller, std::string_view ip, std::string_view oid,
                  std::string_view value, const Sleeper& sleep)
{
    CPollerMailbox mailbox(poller, ip);
    return WriteWithTries(mailbox, oid, value, sleep);
}

bool IsCommandReply(std::string_view text)
{
    return text.size() >= 2 && text.front() == '*' && text.back() == '#';
}

CPollerMailbox::CPollerMailbox(const Icom_manager& poller, std::string_view ip)
    : m_poller(poller), m_address(UnitSnmpAddress(ip))
{
}

bool CPollerMailbox::Read(std::string_view oid, std::string& value)
{
    const Icom_variable variable = m_poller.get(m_address, oid);
    if (!variable.valid())
        return false;
    value = variable.value();
    return true;
}

bool CPollerMailbox::Write(std::string_view oid, std::string_view value)
{
    return m_poller.set(m_address, oid, value).valid() != 0;
}

bool ReadWithTries(IUnitMailbox& mailbox, std::string_view oid, std::string& value,
                   const Sleeper& sleep)
{
    for (int attempt = 0; attempt < kSnmpTries; ++attempt) {
        if (mailbox.Read(oid, value))
            return true;
        sleep(kSnmpRetrySleep);
    }
    return false;
}

bool WriteWithTries(IUnitMailbox& mailbox, std::string_view oid, std::string_view value,
                    const Sleeper& sleep)
{
    for (int attempt = 0; attempt < kSnmpTries; ++attempt) {
        if (mailbox.Write(oid, value))
            return true;
        sleep(kSnmpRetrySleep);
    }
    return false;
}

bool PostWithTries(IUnitMailbox& mailbox, const Sleeper& sleep)
{
    for (int attempt = 0; attempt < kSnmpTries; ++attempt) {
        if (mailbox.Write(kSerialPriorityOid, kMailboxPosted))
            return true;
        sleep(kSnmpRetrySleep);
        std::string value;
        if (!ReadWithTries(mailbox, kSerialPriorityOid, value, sleep) || value != kMailboxClaimed)
            return true;
    }
    return false;
}

void LogUnframedReply(std::string_view ip, std::string_view command, std::string_view reply)
{
    std::string line = "Unframed reply from ";
    line += ip;
    line += " to ";
    line += command;
    line += ": \"";
    line += reply;
    line += '"';
    WriteLog(line);
}

void CUnitLock::lock()
{
    std::unique_lock guard(m_mutex);
    m_freed.wait(guard, [this] { return !m_held; });
    m_held = true;
}

bool CUnitLock::try_lock()
{
    std::lock_guard guard(m_mutex);
    if (m_held)
        return false;
    m_held = true;
    return true;
}

bool CUnitLock::try_lock_until(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock guard(m_mutex);
    if (!m_freed.wait_until(guard, deadline, [this] { return !m_held; }))
        return false;
    m_held = true;
    return true;
}

void CUnitLock::unlock()
{
    // Notified under the mutex: the next holder may end the unit's state as
    // soon as it has the lock, so nothing may touch it after release.
    std::lock_guard guard(m_mutex);
    m_held = false;
    m_freed.notify_one();
}

std::shared_ptr<CUnitMailboxState> UnitMailboxState(std::string_view ip)
{
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<CUnitMailboxState>, std::less<>> units;
    std::lock_guard lock(mutex);
    auto found = units.find(ip);
    if (found == units.end()) {
        auto state = std::make_shared<CUnitMailboxState>();
        state->ip = ip;
        found = units.emplace(std::string(ip), std::move(state)).first;
    }
    return found->second;
}

} // namespace comm
