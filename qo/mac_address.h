#pragma once
// A MAC address: six bytes, written as 12 hexadecimal digits without
// separators.
#include <array>
#include <bit>
#include <compare>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qo {

class mac_address_t {
public:
    mac_address_t() = default;
    explicit mac_address_t(const std::array<std::uint8_t, 6>& bytes) : bytes_(bytes) {}

    void clear() { bytes_.fill(0); }
    // Lenient read of "%2x%2x%2x%2x%2x%2x": up to six fields of up to two
    // hexadecimal digits, stopping at the first character that does not
    // fit. The address is cleared first, so the bytes of a short text that
    // are not read are 0.
    void parse(std::string_view text);
    // Strict check for callers that need a real address: exactly 12
    // hexadecimal digits (either case), nothing else. On failure the address
    // is all zero and false returned.
    bool try_parse(std::string_view text);

    // Twelve lower-case hexadecimal digits.
    std::string to_string() const;
    bool is_zero() const;

    const std::array<std::uint8_t, 6>& bytes() const { return bytes_; }
    std::array<std::uint8_t, 6>& bytes() { return bytes_; }

    friend bool operator==(const mac_address_t& a, const mac_address_t& b) {
        return a.bytes_ == b.bytes_;
    }
    // Byte by byte, first byte first, as unsigned bytes: the same order as
    // the six bytes read as one big-endian number, which compares without a
    // call to memcmp (device tables look MACs up for every frame).
    friend std::strong_ordering operator<=>(const mac_address_t& a, const mac_address_t& b) {
        return a.number() <=> b.number();
    }

private:
    // The first byte highest, the two lowest bytes zero.
    std::uint64_t number() const {
        std::uint64_t n = 0;
        std::memcpy(&n, bytes_.data(), bytes_.size());
        if constexpr (std::endian::native == std::endian::little)
            n = __builtin_bswap64(n);
        return n;
    }

    std::array<std::uint8_t, 6> bytes_{};
};

} // namespace qo
