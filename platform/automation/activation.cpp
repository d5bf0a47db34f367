#include "platform/automation/activation.h"

#include "platform/automation/com_ptr.h"
#include "platform/automation/error_info.h"

#include <atomic>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <vector>

namespace platform::automation {

namespace {

struct thread_state_t {
    int count = 0;
    concurrency_model model = concurrency_model::apartment;
};

thread_local thread_state_t thread_state;
std::atomic<int> initialised_threads{0};

std::string library_key(const std::filesystem::path& path)
{
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path.string() : canonical.string();
}

std::string last_dl_error()
{
    const char* e = ::dlerror();
    return e ? e : "unknown reason";
}

// In-process libraries loaded by this layer. A library is opened once and
// closed only when its DllCanUnloadNow allows it. The lock is recursive
// because a server's DllGetClassObject may itself create objects.
class library_table_t {
public:
    HRESULT get_class_object(const class_record_t& record, const IID& riid, void** out,
                             std::string& error)
    {
        std::lock_guard lock(mutex_);
        const auto key = library_key(record.path);
        library_t* lib = find(key);
        if (!lib) {
            ::dlerror();
            void* handle = ::dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                error = "Cannot load " + record.path + ": " + last_dl_error();
                return CO_E_SERVER_EXEC_FAILURE;
            }
            auto get = reinterpret_cast<DllGetClassObject_fn>(::dlsym(handle, "DllGetClassObject"));
            auto can_unload = reinterpret_cast<DllCanUnloadNow_fn>(::dlsym(handle, "DllCanUnloadNow"));
            if (!get) {
                ::dlclose(handle);
                error = record.path + " does not export DllGetClassObject";
                return CO_E_SERVER_EXEC_FAILURE;
            }
            libraries_.push_back(library_t{key, handle, get, can_unload});
            lib = &libraries_.back();
        }
        const HRESULT hr = lib->get(record.clsid, riid, out);
        if (hr == CLASS_E_CLASSNOTAVAILABLE)
            error = record.path + " does not serve the class " + to_string(record.clsid);
        return hr;
    }

    void free_unused()
    {
        std::lock_guard lock(mutex_);
        std::erase_if(libraries_, [](const library_t& lib) {
            // Without DllCanUnloadNow nobody can tell when the library is idle.
            if (!lib.can_unload || lib.can_unload() != S_OK)
                return false;
            ::dlclose(lib.handle);
            return true;
        });
    }

    bool is_loaded(const std::filesystem::path& path)
    {
        std::lock_guard lock(mutex_);
        return find(library_key(path)) != nullptr;
    }

    std::size_t count()
    {
        std::lock_guard lock(mutex_);
        return libraries_.size();
    }

private:
    struct library_t {
        std::string key;
        void* handle;
        DllGetClassObject_fn get;
        DllCanUnloadNow_fn can_unload;
    };

    library_t* find(const std::string& key)
    {
        for (auto& lib : libraries_)
            if (lib.key == key)
                return &lib;
        return nullptr;
    }

    std::recursive_mutex mutex_;
    std::vector<library_t> libraries_;
};

// Never destroyed: libraries stay loaded until the process ends, and objects
// may still be released from static destructors of other libraries.
library_table_t& libraries()
{
    static auto* table = new library_table_t;
    return *table;
}

class inproc_activator_t final : public activator_t {
public:
    HRESULT get_class_object(const class_record_t& record, const IID& riid, void** out) override
    {
        if (record.path.empty()) {
            set_error_info(to_string(record.clsid), "No library is registered for the class");
            return REGDB_E_CLASSNOTREG;
        }
        std::string error;
        const HRESULT hr = libraries().get_class_object(record, riid, out, error);
        if (hr < 0 && !error.empty())
            set_error_info(record.progid.empty() ? to_string(record.clsid) : record.progid, error);
        return hr;
    }
};

struct activators_t {
    std::mutex mutex;
    std::shared_ptr<activator_t> inproc = std::make_shared<inproc_activator_t>();
    std::shared_ptr<activator_t> local;
};

activators_t& activators()
{
    static auto* a = new activators_t;
    return *a;
}

std::shared_ptr<activator_t> activator_for(server_kind kind)
{
    auto& a = activators();
    std::lock_guard lock(a.mutex);
    return kind == server_kind::inproc ? a.inproc : a.local;
}

HRESULT fail(HRESULT hr, std::string_view source, std::string_view description)
{
    set_error_info(source, description);
    return hr;
}

HRESULT activate(const CLSID& clsid, const IID& riid, void** out, std::string_view source)
{
    const class_registry_t registry(class_registry_t::default_path());
    const auto record = registry.find_class(clsid);
    if (!record)
        return fail(REGDB_E_CLASSNOTREG, source, hresult_text(REGDB_E_CLASSNOTREG));
    const auto activator = activator_for(record->kind);
    if (!activator)
        return fail(CO_E_SERVER_EXEC_FAILURE, source,
                    "No transport to local servers is available");
    return activator->get_class_object(*record, riid, out);
}

HRESULT create(const CLSID& clsid, const IID& riid, void** out, std::string_view source)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!is_initialized())
        return fail(CO_E_NOTINITIALIZED, source, hresult_text(CO_E_NOTINITIALIZED));
    com_ptr_t<IClassFactory> factory;
    HRESULT hr = activate(clsid, IClassFactory::iid, factory.put_void(), source);
    if (hr < 0)
        return hr;
    if (!factory)
        return fail(E_UNEXPECTED, source, "The server gave no class object");
    return factory->CreateInstance(nullptr, riid, out);
}

HRESULT call_library_export(const std::filesystem::path& given, const char* name)
{
    // A bare file name would send dlopen searching the library path.
    std::error_code ec;
    const auto path = std::filesystem::absolute(given, ec);
    const std::string source = given.string();
    ::dlerror();
    void* handle = ::dlopen((ec ? given : path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return fail(CO_E_SERVER_EXEC_FAILURE, source, "Cannot load " + source + ": " + last_dl_error());
    auto fn = reinterpret_cast<DllRegisterServer_fn>(::dlsym(handle, name));
    HRESULT hr;
    if (!fn)
        hr = fail(E_NOTIMPL, source, source + " does not export " + name);
    else
        hr = fn();
    ::dlclose(handle);
    return hr;
}

} // namespace

HRESULT initialize(concurrency_model model)
{
    auto& t = thread_state;
    if (t.count > 0) {
        if (t.model != model)
            return RPC_E_CHANGED_MODE;
        ++t.count;
        return S_FALSE;
    }
    if (class_registry_t::default_path().empty())
        return fail(E_FAIL, "platform::automation",
                    "No place for the class registry: neither OSTREL_AUTOMATION_REGISTRY nor HOME is set");
    t.count = 1;
    t.model = model;
    initialised_threads.fetch_add(1, std::memory_order_acq_rel);
    return S_OK;
}

void uninitialize()
{
    auto& t = thread_state;
    if (t.count == 0)
        return;
    if (--t.count > 0)
        return;
    if (initialised_threads.fetch_sub(1, std::memory_order_acq_rel) == 1)
        free_unused_libraries();
}

bool is_initialized() { return thread_state.count > 0; }

void set_activator(server_kind kind, std::shared_ptr<activator_t> activator)
{
    auto& a = activators();
    std::lock_guard lock(a.mutex);
    (kind == server_kind::inproc ? a.inproc : a.local) = std::move(activator);
}

HRESULT clsid_from_progid(std::string_view progid, CLSID* out)
{
    if (!out)
        return E_POINTER;
    const class_registry_t registry(class_registry_t::default_path());
    const auto clsid = registry.clsid_from_progid(progid);
    if (!clsid)
        return fail(REGDB_E_CLASSNOTREG, progid, hresult_text(REGDB_E_CLASSNOTREG));
    *out = *clsid;
    return S_OK;
}

HRESULT progid_from_clsid(const CLSID& clsid, std::string* out)
{
    if (!out)
        return E_POINTER;
    const class_registry_t registry(class_registry_t::default_path());
    const auto progid = registry.progid_from_clsid(clsid);
    if (!progid)
        return REGDB_E_CLASSNOTREG;
    *out = *progid;
    return S_OK;
}

HRESULT get_class_object(const CLSID& clsid, const IID& riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!is_initialized())
        return CO_E_NOTINITIALIZED;
    SetErrorInfo(nullptr);
    return activate(clsid, riid, out, to_string(clsid));
}

HRESULT create_instance(const CLSID& clsid, const IID& riid, void** out)
{
    SetErrorInfo(nullptr);
    return create(clsid, riid, out, to_string(clsid));
}

HRESULT create_object(std::string_view progid_or_clsid, IDispatch** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    SetErrorInfo(nullptr);
    if (!is_initialized())
        return fail(CO_E_NOTINITIALIZED, progid_or_clsid, hresult_text(CO_E_NOTINITIALIZED));
    CLSID clsid;
    const HRESULT hr = clsid_from_progid(progid_or_clsid, &clsid);
    if (hr < 0)
        return hr;
    return create(clsid, IDispatch::iid, reinterpret_cast<void**>(out), progid_or_clsid);
}

void free_unused_libraries() { libraries().free_unused(); }

bool is_library_loaded(const std::filesystem::path& path) { return libraries().is_loaded(path); }

std::size_t loaded_library_count() { return libraries().count(); }

HRESULT register_library(const std::filesystem::path& path)
{
    SetErrorInfo(nullptr);
    return call_library_export(path, "DllRegisterServer");
}

HRESULT unregister_library(const std::filesystem::path& path)
{
    SetErrorInfo(nullptr);
    return call_library_export(path, "DllUnregisterServer");
}

} // namespace platform::automation
