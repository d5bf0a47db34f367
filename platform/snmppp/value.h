#pragma once
// The value classes: each knows its syntax, whether it holds a usable value,
// and its printable form.
//
// Printable forms: integers in decimal; TimeTicks as "h:mm:ss.cc", "1 day
// h:mm:ss.cc" or "N days, h:mm:ss.cc"; an octet string as its text when
// every byte is printable ASCII, carriage return or line feed, else as
// upper-case hexadecimal byte pairs separated by blanks ("00 1A FF");
// identifiers and addresses dotted.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/snmppp/syntax.h"

namespace platform::snmppp {

class SnmpSyntax {
public:
    virtual ~SnmpSyntax() = default;
    virtual std::uint8_t get_syntax() const = 0;
    virtual bool valid() const { return true; }
    virtual std::string get_printable() const = 0;
    virtual std::unique_ptr<SnmpSyntax> clone() const = 0;
};

class SnmpInt32 : public SnmpSyntax {
public:
    explicit SnmpInt32(std::int32_t value = 0) : value_(value) {}
    std::int32_t value() const { return value_; }
    std::uint8_t get_syntax() const override { return syntax_int32; }
    std::string get_printable() const override;
    std::unique_ptr<SnmpSyntax> clone() const override;

private:
    std::int32_t value_;
};

class SnmpUInt32 : public SnmpSyntax {
public:
    explicit SnmpUInt32(std::uint32_t value = 0) : value_(value) {}
    std::uint32_t value() const { return value_; }
    std::uint8_t get_syntax() const override { return syntax_uint32; }
    std::string get_printable() const override;
    std::unique_ptr<SnmpSyntax> clone() const override;

private:
    std::uint32_t value_;
};

class Counter32 : public SnmpUInt32 {
public:
    using SnmpUInt32::SnmpUInt32;
    std::uint8_t get_syntax() const override { return syntax_counter32; }
    std::unique_ptr<SnmpSyntax> clone() const override;
};

class Gauge32 : public SnmpUInt32 {
public:
    using SnmpUInt32::SnmpUInt32;
    std::uint8_t get_syntax() const override { return syntax_gauge32; }
    std::unique_ptr<SnmpSyntax> clone() const override;
};

// Hundredths of a second.
class TimeTicks : public SnmpUInt32 {
public:
    using SnmpUInt32::SnmpUInt32;
    std::uint8_t get_syntax() const override { return syntax_timeticks; }
    std::string get_printable() const override;
    std::unique_ptr<SnmpSyntax> clone() const override;
};

class Counter64 : public SnmpSyntax {
public:
    explicit Counter64(std::uint64_t value = 0) : value_(value) {}
    Counter64(std::uint32_t high, std::uint32_t low)
        : value_((static_cast<std::uint64_t>(high) << 32) | low) {}
    std::uint64_t value() const { return value_; }
    std::uint32_t high() const { return static_cast<std::uint32_t>(value_ >> 32); }
    std::uint32_t low() const { return static_cast<std::uint32_t>(value_); }
    std::uint8_t get_syntax() const override { return syntax_counter64; }
    std::string get_printable() const override;
    std::unique_ptr<SnmpSyntax> clone() const override;

private:
    std::uint64_t value_;
};

// An octet string. The syntax is OCTET STRING unless the string carries the
// bytes of a bit string or a sequence (`syntax`); Opaque has its own class.
class OctetStr : public SnmpSyntax {
public:
    OctetStr() = default;
    // The text's bytes, without a terminating zero.
    explicit OctetStr(std::string_view text);
    OctetStr(const std::uint8_t* bytes, std::size_t length, std::uint8_t syntax = syntax_octets);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t len() const { return bytes_.size(); }
    std::uint8_t get_syntax() const override { return syntax_; }
    std::string get_printable() const override;
    // Always the hexadecimal form.
    std::string get_printable_hex() const;
    std::unique_ptr<SnmpSyntax> clone() const override;

    friend bool operator==(const OctetStr& a, const OctetStr& b) {
        return a.syntax_ == b.syntax_ && a.bytes_ == b.bytes_;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint8_t syntax_ = syntax_octets;
};

class OpaqueStr : public OctetStr {
public:
    OpaqueStr() : OctetStr(nullptr, 0, syntax_opaque) {}
    OpaqueStr(const std::uint8_t* bytes, std::size_t length)
        : OctetStr(bytes, length, syntax_opaque) {}
    std::unique_ptr<SnmpSyntax> clone() const override;
};

// An object identifier. Texts are numeric and dotted, with or without a
// leading dot ("1.3.6.1.2.1.1.1.0"); anything else, an empty text, more than
// 128 sub-identifiers or one above 4294967295 gives an invalid identifier.
class Oid : public SnmpSyntax {
public:
    Oid() = default;
    explicit Oid(std::string_view dotted);
    Oid(const std::uint32_t* ids, std::size_t count);

    static constexpr std::size_t max_length = 128;

    std::size_t len() const { return ids_.size(); }
    std::uint32_t operator[](std::size_t index) const { return ids_[index]; }
    const std::vector<std::uint32_t>& ids() const { return ids_; }
    bool valid() const override { return valid_; }
    std::uint8_t get_syntax() const override { return syntax_oid; }
    // Dotted, without a leading dot; empty for an invalid identifier.
    std::string get_printable() const override;
    std::unique_ptr<SnmpSyntax> clone() const override;

    friend bool operator==(const Oid& a, const Oid& b) {
        return a.valid_ == b.valid_ && a.ids_ == b.ids_;
    }

private:
    std::vector<std::uint32_t> ids_;
    bool valid_ = false;
};

} // namespace platform::snmppp
