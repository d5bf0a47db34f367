#pragma once
// An IPv4 address: host-order value and its four bytes (first byte = first
// dotted part).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qo {

class ip_address_t {
public:
    ip_address_t() = default;
    explicit ip_address_t(std::uint32_t value) { set_value(value); }

    // Lenient read of "%d.%d.%d.%d" for texts that stored files and peers
    // hand in: missing parts stay 0 ("10.0.0" gives 10.0.0.0) and reading
    // stops at the first character that does not fit. The address is
    // cleared first; a part outside 0..255 leaves it 0.0.0.0 rather than
    // keeping only the low byte. Returns false in that case.
    bool parse(std::string_view text);
    // Strict check for callers that need a real address: exactly four
    // decimal parts of 0..255 (one to three digits each) joined by '.',
    // nothing else. On failure the address is 0.0.0.0 and false returned.
    bool try_parse(std::string_view text);

    // "a.b.c.d" in decimal.
    std::string to_string() const;

    std::uint32_t value() const { return value_; }
    void set_value(std::uint32_t value);
    const std::array<std::uint8_t, 4>& bytes() const { return bytes_; }
    void clear() { set_value(0); }

    friend bool operator==(const ip_address_t& a, const ip_address_t& b) {
        return a.value_ == b.value_;
    }
    friend auto operator<=>(const ip_address_t& a, const ip_address_t& b) {
        return a.value_ <=> b.value_;
    }

private:
    std::uint32_t value_ = 0;
    std::array<std::uint8_t, 4> bytes_{};
};

} // namespace qo
