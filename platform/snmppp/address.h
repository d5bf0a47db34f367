#pragma once
// Addresses: an IPv4 address (also a value), the address of an agent
// (IPv4 address and UDP port) and a MAC address.
//
// Only numeric addresses are accepted; host names are never looked up, so
// checking an address never blocks.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/snmppp/value.h"

namespace platform::snmppp {

// Exactly four decimal parts of 0..255 (one to three digits each) joined by
// '.'; anything else is invalid.
class IpAddress : public SnmpSyntax {
public:
    IpAddress() = default;
    explicit IpAddress(std::string_view dotted);
    explicit IpAddress(const std::array<std::uint8_t, 4>& bytes) : bytes_(bytes), valid_(true) {}

    const std::array<std::uint8_t, 4>& bytes() const { return bytes_; }
    bool valid() const override { return valid_; }
    std::uint8_t get_syntax() const override { return syntax_ip_address; }
    // "a.b.c.d"; empty when invalid.
    std::string get_printable() const override;
    std::unique_ptr<SnmpSyntax> clone() const override;

    friend bool operator==(const IpAddress& a, const IpAddress& b) {
        return a.valid_ == b.valid_ && a.bytes_ == b.bytes_;
    }

private:
    std::array<std::uint8_t, 4> bytes_{};
    bool valid_ = false;
};

// An agent's address: an IpAddress text, optionally followed by "/port"
// (decimal 1..65535); without a port, 161.
class GenAddress {
public:
    static constexpr std::uint16_t default_port = 161;

    GenAddress() = default;
    explicit GenAddress(std::string_view text);

    bool valid() const { return ip_.valid() && port_ != 0; }
    const IpAddress& ip() const { return ip_; }
    std::uint16_t port() const { return port_; }
    // "a.b.c.d/port"; empty when invalid.
    std::string get_printable() const;

    friend bool operator==(const GenAddress& a, const GenAddress& b) {
        return a.ip_ == b.ip_ && a.port_ == b.port_;
    }

private:
    IpAddress ip_;
    std::uint16_t port_ = 0;
};

// Six bytes; texts are twelve hexadecimal digits, in pairs that may be
// separated by ':' or '-' ("00:60:2b:01:02:03", "00602b010203").
class MacAddress {
public:
    MacAddress() = default;
    explicit MacAddress(std::string_view text);
    explicit MacAddress(const std::array<std::uint8_t, 6>& bytes) : bytes_(bytes), valid_(true) {}

    const std::array<std::uint8_t, 6>& bytes() const { return bytes_; }
    bool valid() const { return valid_; }
    // "00:60:2b:01:02:03" (lower case); empty when invalid.
    std::string get_printable() const;

private:
    std::array<std::uint8_t, 6> bytes_{};
    bool valid_ = false;
};

} // namespace platform::snmppp
