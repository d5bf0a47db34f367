#pragma once
// What a server declares once about its classes, and the registration
// that writes it into the class registry.
#include "platform/automation/guid.h"
#include "platform/automation/registry.h"
#include "platform/automation/types.h"

#include <span>
#include <string_view>

namespace platform::automation {

struct class_entry_t {
    CLSID clsid;
    std::string_view progid{};
    std::string_view version_independent_progid{};
    std::string_view description{};
    std::string_view threading_model{};
    bool programmable = true;
    // A new object, answering for riid, with one reference for the caller.
    HRESULT (*create)(const IID& riid, void** out) = nullptr;
};

struct server_info_t {
    std::span<const class_entry_t> classes{};
    GUID typelib = GUID_NULL; // GUID_NULL: no type library
    std::string_view typelib_name{};
    std::string_view typelib_version{};
    GUID appid = GUID_NULL; // GUID_NULL: no AppID
    std::string_view appid_name{};
    std::string_view executable_name{};
};

// Writes every class of the server (with `kind` and `path`), its type
// library and AppID entries; removes them again.
HRESULT register_server(const server_info_t& info, server_kind kind, std::string_view path);
HRESULT unregister_server(const server_info_t& info);
// register_server for the library that contains `address`.
HRESULT register_inproc_server(const server_info_t& info, const void* address);

} // namespace platform::automation
