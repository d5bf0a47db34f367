#pragma once
// Per-thread use of the layer and creation of registered classes.
//
// Every thread that creates objects initialises the layer for itself first.
// create_object finds the class in the class registry and asks the
// activator of the class's server kind for its class object. The
// in-process activator loads the registered library and calls its exported
// DllGetClassObject; a library stays loaded while DllCanUnloadNow says
// otherwise, and free_unused_libraries (also run when the last initialised
// thread uninitialises) unloads the rest. Objects of in-process servers are
// called directly on the caller's thread, whatever threading model the class
// registered. A transport to local servers plugs in with set_activator.
//
// A failed creation leaves error information (source: the name asked for)
// unless the server left its own.
#include "platform/automation/interfaces.h"
#include "platform/automation/registry.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace platform::automation {

enum class concurrency_model { apartment, multithreaded };

// The exported functions of an in-process server library.
using DllGetClassObject_fn = HRESULT (*)(const CLSID&, const IID&, void**);
using DllCanUnloadNow_fn = HRESULT (*)();
using DllRegisterServer_fn = HRESULT (*)();
using DllUnregisterServer_fn = HRESULT (*)();

// S_OK for the thread's first call, S_FALSE for a further one with the same
// model (each needs its uninitialize), RPC_E_CHANGED_MODE when the thread
// already chose the other model, E_FAIL when there is no place for the class
// registry (no $OSTREL_AUTOMATION_REGISTRY and no home folder).
HRESULT initialize(concurrency_model model = concurrency_model::apartment);
// Undoes one successful initialize of this thread.
void uninitialize();
bool is_initialized();

// initialize for a scope; check hr().
class initializer_t {
public:
    explicit initializer_t(concurrency_model model = concurrency_model::apartment)
        : hr_(initialize(model)) {}
    ~initializer_t()
    {
        if (hr_ >= 0)
            uninitialize();
    }
    initializer_t(const initializer_t&) = delete;
    initializer_t& operator=(const initializer_t&) = delete;
    HRESULT hr() const { return hr_; }

private:
    HRESULT hr_;
};

// Produces the class objects of one server kind.
class activator_t {
public:
    virtual ~activator_t() = default;
    // The class object of a registered class (normally IClassFactory).
    virtual HRESULT get_class_object(const class_record_t& record, const IID& riid, void** out) = 0;
};

// Replaces the activator of a kind (null: none; creation then fails with
// CO_E_SERVER_EXEC_FAILURE). The in-process one is there from the start.
void set_activator(server_kind kind, std::shared_ptr<activator_t> activator);

HRESULT clsid_from_progid(std::string_view progid, CLSID* out);
HRESULT progid_from_clsid(const CLSID& clsid, std::string* out);

HRESULT get_class_object(const CLSID& clsid, const IID& riid, void** out);
HRESULT create_instance(const CLSID& clsid, const IID& riid, void** out);
// A new object of the class named by ProgID (any letter case) or by CLSID
// text, with one reference for the caller. REGDB_E_CLASSNOTREG when no such
// class is registered, CO_E_NOTINITIALIZED before initialize.
HRESULT create_object(std::string_view progid_or_clsid, IDispatch** out);

void free_unused_libraries();
bool is_library_loaded(const std::filesystem::path& path);
std::size_t loaded_library_count();

// Loads a server library and runs its DllRegisterServer or
// DllUnregisterServer.
HRESULT register_library(const std::filesystem::path& path);
HRESULT unregister_library(const std::filesystem::path& path);

} // namespace platform::automation
