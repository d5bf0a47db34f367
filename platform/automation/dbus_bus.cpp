#include "platform/automation/dbus_bus.h"

#include "platform/automation/dbus_transport.h"
#include "platform/automation/error_info.h"

#include <sdbus-c++/sdbus-c++.h>

#include <cstdlib>

namespace platform::automation::dbus {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

namespace {

bool wants_system_bus() {
    return env("DBUS_STARTER_BUS_TYPE") == "system" || env("OSTREL_AUTOMATION_BUS") == "system";
}

} // namespace

std::unique_ptr<sdbus::IConnection> connect_bus() {
    // A program the bus started answers on that bus.
    const std::string starter = env("DBUS_STARTER_ADDRESS");
    if (!starter.empty() && env("DBUS_STARTER_BUS_TYPE") != "system")
        return sdbus::createSessionBusConnectionWithAddress(starter);
    if (wants_system_bus())
        return sdbus::createSystemBusConnection();
    // A program with a file capability (ostrel, mellick) runs in secure
    // execution, where sd-bus itself reads no environment and finds no
    // session bus: the address is taken here, as any client would.
    const std::string session = env("DBUS_SESSION_BUS_ADDRESS");
    if (!session.empty())
        return sdbus::createSessionBusConnectionWithAddress(session);
    const std::string runtime = env("XDG_RUNTIME_DIR");
    if (!runtime.empty())
        return sdbus::createSessionBusConnectionWithAddress("unix:path=" + runtime + "/bus");
    return sdbus::createSessionBusConnection();
}

std::vector<std::string> bus_names(const server_info_t& info) {
    std::vector<std::string> names;
    if (!(info.appid == GUID_NULL))
        names.push_back(dbus_service_name(info.appid));
    else
        for (const auto& c : info.classes)
            names.push_back(dbus_service_name(c.clsid));
    return names;
}

HRESULT fail(HRESULT hr, std::string_view source, std::string_view description) {
    set_error_info(source, description);
    return hr;
}

} // namespace platform::automation::dbus
