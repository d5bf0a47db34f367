#include "discovery/frames.h"

#include <linux/bpf_common.h>

#include <algorithm>

namespace qo::vg {

namespace {

constexpr W32N_BPF_INSN stmt(std::uint16_t code, std::uint32_t k) {
    return {code, 0, 0, k};
}
constexpr W32N_BPF_INSN jump(std::uint16_t code, std::uint32_t k, std::uint8_t jt,
                             std::uint8_t jf) {
    return {code, jt, jf, k};
}

constexpr std::uint16_t ldh_abs = BPF_LD | BPF_H | BPF_ABS;
constexpr std::uint16_t ldb_abs = BPF_LD | BPF_B | BPF_ABS;
constexpr std::uint16_t jeq_k = BPF_JMP | BPF_JEQ | BPF_K;
constexpr std::uint16_t and_k = BPF_ALU | BPF_AND | BPF_K;
constexpr std::uint16_t ret_k = BPF_RET | BPF_K;

// Jump offsets count from the next instruction.
constexpr std::array<W32N_BPF_INSN, 16> filter_program = {
    stmt(ldh_abs, 12),          //  0 EtherType
    jump(jeq_k, 0x8819, 0, 11), //  1 audio network -> 2, else -> 13
    stmt(ldb_abs, 15),          //  2 version
    jump(jeq_k, 2, 0, 11),      //  3 -> 4, else -> 15
    stmt(ldb_abs, 14),          //  4 kind
    jump(jeq_k, 1, 8, 0),       //  5 announcement -> 14, else -> 6
    jump(jeq_k, 0, 0, 8),       //  6 kind 0 -> 7, else -> 15
    stmt(ldh_abs, 16),          //  7 first entry's header
    stmt(and_k, 0xFC),          //  8
    jump(jeq_k, 4, 0, 5),       //  9 -> 10, else -> 15
    stmt(ldh_abs, 18),          // 10
    stmt(and_k, 0xFF01),        // 11
    jump(jeq_k, 0, 1, 2),       // 12 -> 14, else -> 15
    jump(jeq_k, 0x0806, 0, 1),  // 13 ARP -> 14, else -> 15
    stmt(ret_k, 0xFFFFFFFF),    // 14 accept the whole frame
    stmt(ret_k, 0),             // 15 drop
};

std::uint16_t read_u16(std::span<const std::uint8_t> frame, std::size_t offset) {
    return static_cast<std::uint16_t>(frame[offset] << 8 | frame[offset + 1]);
}

qo::mac_address_t read_mac(std::span<const std::uint8_t> frame, std::size_t offset) {
    std::array<std::uint8_t, 6> bytes{};
    std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(offset), 6, bytes.begin());
    return qo::mac_address_t(bytes);
}

qo::ip_address_t read_ip(std::span<const std::uint8_t> frame, std::size_t offset) {
    return qo::ip_address_t(static_cast<std::uint32_t>(frame[offset]) << 24 |
                            static_cast<std::uint32_t>(frame[offset + 1]) << 16 |
                            static_cast<std::uint32_t>(frame[offset + 2]) << 8 |
                            static_cast<std::uint32_t>(frame[offset + 3]));
}

// The layout both ARP frames share: Ethernet header, then hardware type 1,
// protocol IPv4, address sizes 6 and 4, the operation, sender MAC and IP,
// target MAC and IP.
arp_frame_t arp_layout(const qo::mac_address_t& destination, std::uint16_t ether_type,
                       std::uint16_t operation, const qo::mac_address_t& card_mac,
                       const qo::ip_address_t& card_ip, const qo::mac_address_t& target_mac,
                       const qo::ip_address_t& target_ip) {
    arp_frame_t frame{};
    const auto put_mac = [&](std::size_t at, const qo::mac_address_t& mac) {
        std::copy(mac.bytes().begin(), mac.bytes().end(), frame.begin() + at);
    };
    const auto put_ip = [&](std::size_t at, const qo::ip_address_t& ip) {
        std::copy(ip.bytes().begin(), ip.bytes().end(), frame.begin() + at);
    };
    const auto put_u16 = [&](std::size_t at, std::uint16_t value) {
        frame[at] = static_cast<std::uint8_t>(value >> 8);
        frame[at + 1] = static_cast<std::uint8_t>(value);
    };
    put_mac(0, destination);
    put_mac(6, card_mac);
    put_u16(12, ether_type);
    put_u16(14, 0x0001);
    put_u16(16, 0x0800);
    frame[18] = 6;
    frame[19] = 4;
    put_u16(20, operation);
    put_mac(22, card_mac);
    put_ip(28, card_ip);
    put_mac(32, target_mac);
    put_ip(38, target_ip);
    return frame;
}

} // namespace

arp_frame_t arp_request_frame(const qo::mac_address_t& card_mac, const qo::ip_address_t& card_ip,
                              const qo::ip_address_t& target) {
    // Target hardware address all ones (not zeros), like the destination.
    const qo::mac_address_t broadcast({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    return arp_layout(broadcast, ether_type_arp, 1, card_mac, card_ip, broadcast, target);
}

arp_frame_t rarp_reply_frame(const qo::mac_address_t& card_mac, const qo::ip_address_t& card_ip,
                             const qo::mac_address_t& device, const qo::ip_address_t& assigned) {
    return arp_layout(device, ether_type_rarp, 4, card_mac, card_ip, device, assigned);
}

std::span<const W32N_BPF_INSN> capture_filter() {
    return filter_program;
}

std::optional<std::uint16_t> frame_ether_type(std::span<const std::uint8_t> frame) {
    if (frame.size() < ethernet_header_size)
        return std::nullopt;
    return read_u16(frame, 12);
}

std::optional<assignment_t> read_arp_reply(std::span<const std::uint8_t> frame) {
    // Operation at 20, sender IP at 28..31.
    if (frame.size() < 32 || read_u16(frame, 12) != ether_type_arp || read_u16(frame, 20) != 2)
        return std::nullopt;
    return assignment_t{read_mac(frame, 6), read_ip(frame, 28), assignment_t::arp_reply};
}

bool read_announcement(std::span<const std::uint8_t> frame, announcement_t& out) {
    out.ips.clear();
    if (frame.size() < vargo_header_size || read_u16(frame, 12) != ether_type_vargo ||
        frame[14] != kind_announcement)
        return false;
    out.source = read_mac(frame, 6);
    std::size_t at = vargo_header_size;
    while (at + 2 <= frame.size()) {
        const std::size_t words = frame[at];
        const std::uint8_t type = frame[at + 1];
        if (words == 0)
            break;
        const std::size_t end = at + 2 * words;
        if (end > frame.size())
            break;
        if ((type & 0xFC) == 8 && words >= 3)
            out.ips.push_back(read_ip(frame, at + 2));
        at = end;
    }
    return true;
}

std::array<std::uint8_t, 50> reservation_frame(const qo::mac_address_t& card_mac,
                                               const qo::ip_address_t& card_ip) {
    std::array<std::uint8_t, 50> frame{};
    std::copy(reservation_group.begin(), reservation_group.end(), frame.begin());
    std::copy(card_mac.bytes().begin(), card_mac.bytes().end(), frame.begin() + 6);
    frame[12] = 0x88;
    frame[13] = 0x19;
    frame[14] = 0x01;
    frame[15] = 0x02;
    // 16: length 3, type 4, four zero bytes
    frame[16] = 0x03;
    frame[17] = 0x04;
    // 22: length 3, type 8, the card's address
    frame[22] = 0x03;
    frame[23] = 0x08;
    std::copy(card_ip.bytes().begin(), card_ip.bytes().end(), frame.begin() + 24);
    // 28: length 4, type 0x40, 10 10 and four zero bytes
    frame[28] = 0x04;
    frame[29] = 0x40;
    frame[30] = 0x10;
    frame[31] = 0x10;
    // 36: length 6, type 0x60, 10 10 and eight zero bytes
    frame[36] = 0x06;
    frame[37] = 0x60;
    frame[38] = 0x10;
    frame[39] = 0x10;
    // 48: the zero word that ends the entries
    return frame;
}

} // namespace qo::vg
