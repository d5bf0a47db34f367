// Registration of local servers: the class registry's entries, and the bus's
// service files that let the bus start a server on the first call.
#include "platform/automation/dbus_transport.h"

#include "platform/automation/dbus_bus.h"
#include "platform/automation/guid.h"

#include <fstream>

namespace platform::automation {

namespace {

using namespace dbus;

std::string guid_hex(const GUID& id) {
    std::string out;
    for (char c : to_string(id))
        if (c != '{' && c != '}' && c != '-')
            out += c;
    return out;
}

} // namespace

std::string dbus_service_name(const GUID& id) {
    return "org.ostrel.Automation.A" + guid_hex(id);
}

std::filesystem::path dbus_service_dir() {
    if (const auto dir = env("OSTREL_DBUS_SERVICE_DIR"); !dir.empty())
        return dir;
    if (const auto data = env("XDG_DATA_HOME"); !data.empty())
        return std::filesystem::path(data) / "dbus-1/services";
    if (const auto home = env("HOME"); !home.empty())
        return std::filesystem::path(home) / ".local/share/dbus-1/services";
    return {};
}

HRESULT register_local_server(const server_info_t& info, const std::filesystem::path& executable) {
    std::error_code ec;
    auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(executable, ec), ec);
    if (ec)
        path = executable;
    HRESULT hr = register_server(info, server_kind::local, path.string());
    if (hr < 0)
        return hr;
    const auto dir = dbus_service_dir();
    if (dir.empty())
        return fail(E_FAIL, transport_source, "No folder for D-Bus service files: HOME is not set");
    std::filesystem::create_directories(dir, ec);
    for (const auto& name : bus_names(info)) {
        const auto file = dir / (name + ".service");
        const auto temp = dir / (name + ".service.tmp");
        {
            std::ofstream out(temp, std::ios::trunc);
            out << "[D-BUS Service]\nName=" << name << "\nExec=" << path.string() << "\n";
            out.flush();
            if (!out)
                return fail(E_FAIL, transport_source, "Cannot write " + temp.string());
        }
        std::filesystem::rename(temp, file, ec);
        if (ec)
            return fail(E_FAIL, transport_source,
                        "Cannot write " + file.string() + ": " + ec.message());
    }
    return S_OK;
}

HRESULT unregister_local_server(const server_info_t& info) {
    const HRESULT hr = unregister_server(info);
    if (hr < 0)
        return hr;
    const auto dir = dbus_service_dir();
    for (const auto& name : bus_names(info)) {
        std::error_code ec;
        if (!dir.empty())
            std::filesystem::remove(dir / (name + ".service"), ec);
    }
    return S_OK;
}

} // namespace platform::automation
