#include "device_editor/discovery_cards.h"

namespace device_editor {

namespace pa = platform::automation;

std::unique_ptr<CDiscoveryCards> CDiscoveryCards::Create() {
    try {
        return std::unique_ptr<CDiscoveryCards>(new CDiscoveryCards(
            comm::Imanager(pa::dispatch_driver_t::create(comm::kDiscoveryProgId))));
    } catch (const pa::automation_error&) {
        return nullptr;
    }
}

// A server that fails part way leaves the cards read so far.
std::vector<std::string> CDiscoveryCards::Titles() {
    std::vector<std::string> titles;
    try {
        const comm::Icom_bstr_vector cards = m_manager.adapters();
        const std::int32_t count = cards.IsNull() ? 0 : cards.length();
        for (std::int32_t i = 0; i < count; ++i)
            titles.push_back(cards.at(i));
    } catch (const pa::automation_error&) {
    }
    return titles;
}

std::string CDiscoveryCards::Address(const std::string& title) {
    try {
        const comm::Icom_adapter adapter = m_manager.adapter_get(title);
        return adapter.IsNull() ? std::string() : adapter.ip();
    } catch (const pa::automation_error&) {
        return {};
    }
}

} // namespace device_editor
