#pragma once
// Where and how a request goes: the agent's address, version, communities,
// time-out (hundredths of a second, for each attempt) and retries.
#include <cstdint>

#include "platform/snmppp/address.h"
#include "platform/snmppp/syntax.h"
#include "platform/snmppp/value.h"

namespace platform::snmppp {

class CTarget {
public:
    CTarget() = default;
    explicit CTarget(const GenAddress& address) : address_(address) {}

    bool valid() const { return address_.valid(); }
    void set_address(const GenAddress& address) { address_ = address; }
    const GenAddress& get_address() const { return address_; }

    void set_version(snmp_version version) { version_ = version; }
    snmp_version get_version() const { return version_; }
    void set_retry(int retries) { retries_ = retries < 0 ? 0 : retries; }
    int get_retry() const { return retries_; }
    void set_timeout(std::uint32_t hundredths) { timeout_ = hundredths; }
    std::uint32_t get_timeout() const { return timeout_; }
    void set_readcommunity(const OctetStr& community) { read_community_ = community; }
    const OctetStr& get_readcommunity() const { return read_community_; }
    void set_writecommunity(const OctetStr& community) { write_community_ = community; }
    const OctetStr& get_writecommunity() const { return write_community_; }

private:
    GenAddress address_;
    snmp_version version_ = snmp_version::version1;
    int retries_ = 1;
    std::uint32_t timeout_ = 100;
    OctetStr read_community_{std::string_view("public")};
    OctetStr write_community_{std::string_view("public")};
};

} // namespace platform::snmppp
