#pragma once
// Frames of the audio network as the card session reads and writes them.
//
// Audio-network frame (EtherType 0x8819): destination, source, type, then
// kind (byte 14) and version (byte 15, always 2), then entries from byte
// 16. An entry is: length in 16-bit words (counting its own two header
// bytes), type, then 2 x length - 2 bytes of data; a zero word ends the
// list. An entry of type 8..11 (type AND 0xFC = 8) carries an IPv4 address
// in its first four data bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "discovery/assignment.h"
#include "platform/w32n/w32n.h"
#include "qo/ip_address.h"
#include "qo/mac_address.h"

namespace qo::vg {

inline constexpr std::uint16_t ether_type_arp = 0x0806;
inline constexpr std::uint16_t ether_type_vargo = 0x8819;

inline constexpr std::size_t ethernet_header_size = 14;
inline constexpr std::size_t vargo_header_size = 16;
inline constexpr std::uint8_t kind_announcement = 1;

// The audio network's two multicast groups; reservation requests go to the
// first.
inline constexpr std::array<std::uint8_t, 6> reservation_group = {0x01, 0x60, 0x2B,
                                                                  0xFF, 0xFF, 0x01};
inline constexpr std::array<std::uint8_t, 6> second_group = {0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x00};

// The capture filter: ARP frames, announcements (kind 1) and kind-0 frames
// of one layout, all of version 2; everything else is dropped in the kernel.
std::span<const W32N_BPF_INSN> capture_filter();

// The EtherType, or nothing for a frame shorter than an Ethernet header.
std::optional<std::uint16_t> frame_ether_type(std::span<const std::uint8_t> frame);

// An ARP reply (operation 2): the Ethernet source and the sender's IP, kind
// arp_reply. Nothing for other frames, including ones too short to hold
// the sender's IP.
std::optional<assignment_t> read_arp_reply(std::span<const std::uint8_t> frame);

struct announcement_t {
    qo::mac_address_t source;
    // The addresses of the frame's IP entries, in frame order.
    std::vector<qo::ip_address_t> ips;
};

// Reads an announcement (kind 1) into `out` (its vector is reused, so a
// caller that keeps `out` allocates nothing per frame). False for anything
// else, including a frame shorter than the audio-network header.
//
// The entry walk ends at a zero word, an entry of length 0, or the end of
// the frame; an entry that would run past the end of the frame ends it too
// and is not read. An IP entry needs at least three words to hold an
// address; a shorter one is skipped.
bool read_announcement(std::span<const std::uint8_t> frame, announcement_t& out);

inline constexpr std::uint16_t ether_type_rarp = 0x8035;
inline constexpr std::size_t arp_frame_size = 42;
using arp_frame_t = std::array<std::uint8_t, arp_frame_size>;

// The broadcast ARP request (operation 1) that probes `target`, sent from the
// card's MAC and IP.
arp_frame_t arp_request_frame(const qo::mac_address_t& card_mac, const qo::ip_address_t& card_ip,
                              const qo::ip_address_t& target);

// The RARP reply (operation 4) that tells one device its address: sent to
// the device's MAC, with the device as target hardware address and
// `assigned` as target protocol address.
arp_frame_t rarp_reply_frame(const qo::mac_address_t& card_mac, const qo::ip_address_t& card_ip,
                             const qo::mac_address_t& device, const qo::ip_address_t& assigned);

// The 50-byte reservation request from the card's MAC and IP.
std::array<std::uint8_t, 50> reservation_frame(const qo::mac_address_t& card_mac,
                                               const qo::ip_address_t& card_ip);

} // namespace qo::vg
