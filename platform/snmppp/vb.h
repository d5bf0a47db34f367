#pragma once
// A variable binding: an object identifier and a value (none: NULL).
#include <cstdint>
#include <memory>
#include <string>

#include "platform/snmppp/value.h"

namespace platform::snmppp {

class Vb {
public:
    Vb() = default;
    explicit Vb(const Oid& oid) : oid_(oid) {}
    Vb(const Vb& other);
    Vb& operator=(const Vb& other);
    Vb(Vb&&) noexcept = default;
    Vb& operator=(Vb&&) noexcept = default;

    void set_oid(const Oid& oid) { oid_ = oid; }
    const Oid& get_oid() const { return oid_; }
    std::string get_printable_oid() const { return oid_.get_printable(); }

    void set_value(const SnmpSyntax& value) { value_ = value.clone(); }
    // INTEGER.
    void set_value(long value);
    // Back to NULL, as in a request.
    void set_null() { value_.reset(); }
    // Null for a NULL value.
    const SnmpSyntax* get_value() const { return value_.get(); }

    // The value's syntax; syntax_null for none.
    std::uint8_t get_syntax() const;
    // The value's printable form; empty for NULL.
    std::string get_printable_value() const;

private:
    Oid oid_;
    std::unique_ptr<SnmpSyntax> value_;
};

} // namespace platform::snmppp
