#include "platform/automation/registration.h"

#include "platform/automation/error_info.h"

#include <dlfcn.h>
#include <filesystem>
#include <string>

namespace platform::automation {

namespace {

HRESULT registry_failure(const class_registry_t& registry)
{
    set_error_info("platform::automation", "Cannot write the class registry " + registry.path().string());
    return E_FAIL;
}

} // namespace

HRESULT register_server(const server_info_t& info, server_kind kind, std::string_view path)
{
    class_registry_t registry(class_registry_t::default_path());
    if (registry.path().empty())
        return registry_failure(registry);
    for (const auto& entry : info.classes) {
        class_record_t r;
        r.clsid = entry.clsid;
        r.description = entry.description;
        r.progid = entry.progid;
        r.version_independent_progid = entry.version_independent_progid;
        r.kind = kind;
        r.path = path;
        r.threading_model = entry.threading_model;
        if (!(info.typelib == GUID_NULL))
            r.typelib = info.typelib;
        if (!(info.appid == GUID_NULL))
            r.appid = info.appid;
        r.programmable = entry.programmable;
        if (!registry.add_class(r))
            return registry_failure(registry);
    }
    if (!(info.typelib == GUID_NULL)
        && !registry.add_typelib(typelib_record_t{info.typelib, std::string(info.typelib_name),
                                                  std::string(info.typelib_version),
                                                  std::string(path)}))
        return registry_failure(registry);
    if (!(info.appid == GUID_NULL)
        && !registry.add_appid(appid_record_t{info.appid, std::string(info.appid_name),
                                              std::string(info.executable_name)}))
        return registry_failure(registry);
    return S_OK;
}

HRESULT unregister_server(const server_info_t& info)
{
    class_registry_t registry(class_registry_t::default_path());
    if (registry.path().empty())
        return registry_failure(registry);
    for (const auto& entry : info.classes)
        if (!registry.remove_class(entry.clsid))
            return registry_failure(registry);
    if (!(info.typelib == GUID_NULL) && !registry.remove_typelib(info.typelib))
        return registry_failure(registry);
    if (!(info.appid == GUID_NULL) && !registry.remove_appid(info.appid))
        return registry_failure(registry);
    return S_OK;
}

HRESULT register_inproc_server(const server_info_t& info, const void* address)
{
    Dl_info dl{};
    if (!::dladdr(address, &dl) || !dl.dli_fname || !*dl.dli_fname) {
        set_error_info("platform::automation", "Cannot tell which library is being registered");
        return E_FAIL;
    }
    std::error_code ec;
    auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(dl.dli_fname, ec), ec);
    const std::string text = ec ? std::string(dl.dli_fname) : path.string();
    return register_server(info, server_kind::inproc, text);
}

} // namespace platform::automation
