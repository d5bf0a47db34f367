#pragma once
// The server side of a library: class objects and the four exported
// functions built from what the library declares about its classes
// (registration.h).
//
// Everything here is inline and counts objects in this_module(), so it
// must be compiled into the server itself, never into the layer's own
// library.
//
//   static const class_entry_t classes[] = {
//       {CLSID_thing, "Server.thing.1", "Server.thing", "thing Class", "Apartment", true,
//        &create_instance_of<Cthing>},
//   };
//   const server_info_t& server_info() { static const server_info_t s{classes, ...}; return s; }
//   OSTREL_AUTOMATION_INPROC_SERVER(server_info())
#include "platform/automation/dispatch.h"
#include "platform/automation/registration.h"

#include <new>

namespace platform::automation {

// A class entry's creator for T (a dispatch_object_t): a constructor that
// throws leaves error information and gives E_FAIL (E_OUTOFMEMORY for
// std::bad_alloc).
template <class T>
OSTREL_AUTOMATION_HIDDEN HRESULT create_instance_of(const IID& riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    try {
        return make_object<T>()->QueryInterface(riid, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        set_error_info(T::dispatch_class().error_source, e.what());
        return E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

// The class object of one class entry; it holds the module while it lives.
class OSTREL_AUTOMATION_HIDDEN class_factory_t final : public single_interface_t<IClassFactory> {
public:
    OSTREL_AUTOMATION_HIDDEN explicit class_factory_t(const class_entry_t& entry) noexcept
        : entry_(entry)
    {
        this_module().lock();
    }
    OSTREL_AUTOMATION_HIDDEN ~class_factory_t() { this_module().unlock(); }
    class_factory_t(const class_factory_t&) = delete;
    class_factory_t& operator=(const class_factory_t&) = delete;


    HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!entry_.create)
            return E_NOTIMPL;
        return entry_.create(riid, out);
    }
    OSTREL_AUTOMATION_HIDDEN HRESULT LockServer(bool lock) override
    {
        if (lock)
            this_module().lock();
        else
            this_module().unlock();
        return S_OK;
    }

private:
    const class_entry_t& entry_;
};

OSTREL_AUTOMATION_HIDDEN inline HRESULT server_get_class_object(const server_info_t& info,
                                                                const CLSID& clsid,
                                                                const IID& riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (const auto& entry : info.classes) {
        if (entry.clsid == clsid) {
            auto* factory = new (std::nothrow) class_factory_t(entry);
            if (!factory)
                return E_OUTOFMEMORY;
            factory->AddRef();
            const HRESULT hr = factory->QueryInterface(riid, out);
            factory->Release();
            return hr;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

OSTREL_AUTOMATION_HIDDEN inline HRESULT server_can_unload_now()
{
    return this_module().count() == 0 ? S_OK : S_FALSE;
}

} // namespace platform::automation

// Defines the four exported functions of an in-process server library.
// `info` is an expression giving the library's const server_info_t&.
#define OSTREL_AUTOMATION_INPROC_SERVER(info)                                                     \
    extern "C" __attribute__((visibility("default"))) ::platform::automation::HRESULT             \
    DllGetClassObject(const ::platform::automation::CLSID& clsid,                                 \
                      const ::platform::automation::IID& riid, void** out)                        \
    {                                                                                             \
        return ::platform::automation::server_get_class_object((info), clsid, riid, out);         \
    }                                                                                             \
    extern "C" __attribute__((visibility("default"))) ::platform::automation::HRESULT             \
    DllCanUnloadNow()                                                                             \
    {                                                                                             \
        return ::platform::automation::server_can_unload_now();                                   \
    }                                                                                             \
    extern "C" __attribute__((visibility("default"))) ::platform::automation::HRESULT             \
    DllRegisterServer()                                                                           \
    {                                                                                             \
        return ::platform::automation::register_inproc_server(                                    \
            (info), reinterpret_cast<const void*>(&DllRegisterServer));                           \
    }                                                                                             \
    extern "C" __attribute__((visibility("default"))) ::platform::automation::HRESULT             \
    DllUnregisterServer()                                                                         \
    {                                                                                             \
        return ::platform::automation::unregister_server((info));                                 \
    }
