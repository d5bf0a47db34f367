#pragma once
// What both ends of the D-Bus transport share: the protocol's names, and how
// a program finds its bus. Internal to the transport.
#include "platform/automation/registration.h"
#include "platform/automation/types.h"

#include <sdbus-c++/IConnection.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::automation::dbus {

inline constexpr const char* interface_name = "org.ostrel.Automation1";
// The server's class objects: CreateInstance.
inline constexpr const char* root_path = "/org/ostrel/Automation";
// Objects handed to clients: Invoke, GetIDsOfNames, Release.
inline constexpr const char* object_prefix = "/org/ostrel/Automation/o";
// The path that stands for "no object".
inline constexpr const char* no_object = "/";
// The source of error information the transport itself writes.
inline constexpr const char* transport_source = "platform::automation";

// A creation that reached a server on its way out: the client tries again,
// and the bus starts a new server.
inline constexpr HRESULT server_ending = CO_E_SERVER_EXEC_FAILURE;

std::string env(const char* name);

// The bus this program's automation traffic uses (see dbus_transport.h).
// Throws sdbus::Error.
std::unique_ptr<sdbus::IConnection> connect_bus();

// The well-known names a server takes: its AppID's, else each class's.
std::vector<std::string> bus_names(const server_info_t& info);

// Sets error information and gives `hr` back.
HRESULT fail(HRESULT hr, std::string_view source, std::string_view description);

} // namespace platform::automation::dbus
