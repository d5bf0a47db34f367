#pragma once
// An entry of a card session's assignment queue or ARP-reply queue.
#include "qo/ip_address.h"
#include "qo/mac_address.h"

namespace qo::vg {

struct assignment_t {
    static constexpr int manual = 0;
    static constexpr int automatic = 1;
    static constexpr int arp_reply = 2;

    qo::mac_address_t mac;
    qo::ip_address_t ip;
    int kind = manual;

    friend bool operator==(const assignment_t&, const assignment_t&) = default;
};

} // namespace qo::vg
