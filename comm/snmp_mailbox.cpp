#include "comm/snmp_mailbox.h"

#include "comm/unit_mailbox.h"

#include <charconv>
#include <cstdlib>

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

} // namespace comm
