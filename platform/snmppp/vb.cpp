#include "platform/snmppp/vb.h"

namespace platform::snmppp {

Vb::Vb(const Vb& other) : oid_(other.oid_), value_(other.value_ ? other.value_->clone() : nullptr) {}

Vb& Vb::operator=(const Vb& other) {
    if (this != &other) {
        oid_ = other.oid_;
        value_ = other.value_ ? other.value_->clone() : nullptr;
    }
    return *this;
}

void Vb::set_value(long value) {
    value_ = std::make_unique<SnmpInt32>(static_cast<std::int32_t>(value));
}

std::uint8_t Vb::get_syntax() const {
    return value_ ? value_->get_syntax() : syntax_null;
}

std::string Vb::get_printable_value() const {
    return value_ ? value_->get_printable() : std::string();
}

} // namespace platform::snmppp
