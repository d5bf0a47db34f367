#include "discovery/adapter_list.h"

#include "discovery/adapter.h"
#include "discovery/log.h"
#include "platform/w32n/cards.h"

namespace qo::vg {

adapter_list_t::adapter_list_t() {
    const std::vector<platform::w32n::card_t> found = platform::w32n::ethernet_cards();
    for (std::size_t index = 0; index < found.size(); ++index) {
        const platform::w32n::card_t& card = found[index];
        adapter_info_t info;
        // Interface names are unique and stable while the machine runs:
        // they serve as name, title and the name the card opens by.
        info.name = card.name;
        info.title = card.name;
        info.service = card.name;
        info.device_name = card.name;
        info.ip.set_value(card.ip);
        info.mask.set_value(card.mask);
        log_line("\nFound adapter " + card.name + " dwIndex=" + std::to_string(index));
        log_line("Description: " + card.name);
        log_line("Title: " + info.title);
        log_line("Service name: " + info.service);
        log_line("IP Address: " + info.ip.to_string());
        log_line("Subnet Mask: " + info.mask.to_string());
        cards_[info.title] = std::move(info);
    }
}

void adapter_list_t::titles(std::vector<std::string>& out) const {
    for (const auto& [title, info] : cards_)
        out.push_back(title);
}

std::shared_ptr<adapter_t> adapter_list_t::open(const std::string& title,
                                                qo::clock_fn clock) const {
    const auto it = cards_.find(title);
    if (it == cards_.end()) {
        log_line("Failed to find the adapter: " + title);
        return nullptr;
    }
    return adapter_t::create(it->second, clock);
}

} // namespace qo::vg
