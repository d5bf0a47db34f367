#include "comm/unit_mailbox.h"

#include "comm/snmp_mailbox.h"

#include <map>

namespace comm {

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

bool WritePostedWithTries(IUnitMailbox& mailbox, const Sleeper& sleep)
{
    for (int attempt = 0; attempt < kSnmpTries; ++attempt) {
        if (attempt > 0) {
            std::string value;
            if (mailbox.Read(kSerialPriorityOid, value) &&
                (value == kMailboxPosted || value == kMailboxReplied))
                return true;
        }
        if (mailbox.Write(kSerialPriorityOid, kMailboxPosted))
            return true;
        sleep(kSnmpRetrySleep);
    }
    return false;
}

std::shared_ptr<CUnitMailboxState> UnitMailboxState(std::string_view ip)
{
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<CUnitMailboxState>, std::less<>> units;
    std::lock_guard lock(mutex);
    auto found = units.find(ip);
    if (found == units.end())
        found = units.emplace(std::string(ip), std::make_shared<CUnitMailboxState>()).first;
    return found->second;
}

} // namespace comm
