#pragma once
// The network cards as the discovery server lists them, through the
// device-communication wrappers: the manager "Mellick.manager.1", its
// adapters vector and each card's adapter object (released after use).
#include <memory>

#include "comm/automation_wrappers.h"
#include "device_editor/set_ip_controller.h"

namespace device_editor {

class CDiscoveryCards final : public INetworkCards {
public:
    // None when the manager cannot be created.
    static std::unique_ptr<CDiscoveryCards> Create();

    std::vector<std::string> Titles() override;
    std::string Address(const std::string& title) override;

private:
    explicit CDiscoveryCards(comm::Imanager manager) : m_manager(std::move(manager)) {}
    comm::Imanager m_manager;
};

} // namespace device_editor
