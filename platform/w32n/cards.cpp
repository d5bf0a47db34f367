#include "platform/w32n/cards.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <linux/if_packet.h>

#include <algorithm>
#include <cstring>

namespace platform::w32n {

std::vector<card_t> ethernet_cards() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return {};

    // The link entries say which interfaces are Ethernet; the address
    // entries come separately, possibly several per interface.
    std::vector<card_t> links;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET || !a->ifa_name)
            continue;
        const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
        if (ll->sll_hatype != ARPHRD_ETHER || ll->sll_halen != 6)
            continue;
        card_t card;
        card.name = a->ifa_name;
        std::memcpy(card.mac.data(), ll->sll_addr, 6);
        links.push_back(std::move(card));
    }

    std::vector<card_t> cards;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name)
            continue;
        const auto link = std::find_if(links.begin(), links.end(),
                                       [&](const card_t& c) { return c.name == a->ifa_name; });
        if (link == links.end())
            continue;
        if (std::any_of(cards.begin(), cards.end(),
                        [&](const card_t& c) { return c.name == a->ifa_name; }))
            continue;
        card_t card = *link;
        card.ip = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        if (a->ifa_netmask && a->ifa_netmask->sa_family == AF_INET)
            card.mask =
                ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr);
        cards.push_back(std::move(card));
    }
    ::freeifaddrs(list);
    return cards;
}

} // namespace platform::w32n
