#pragma once
// The machine's network cards as the discovery server offers them: the
// Ethernet interfaces that have an IPv4 address, each under its interface
// name as title. Read once, when the list is made.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "discovery/adapter_info.h"
#include "discovery/timer.h"

namespace qo::vg {

class adapter_t;

class adapter_list_t {
public:
    adapter_list_t();

    // Appends every title, in title order.
    void titles(std::vector<std::string>& out) const;
    const std::map<std::string, adapter_info_t>& cards() const { return cards_; }

    // A new session on the card with this title; none (logged) for an
    // unknown title.
    std::shared_ptr<adapter_t> open(const std::string& title,
                                    qo::clock_fn clock = platform::sync::tick_ms) const;

private:
    std::map<std::string, adapter_info_t> cards_;
};

} // namespace qo::vg
