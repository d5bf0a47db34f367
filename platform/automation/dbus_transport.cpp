#include "platform/automation/dbus_transport.h"

#include "platform/automation/activation.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/error_info.h"
#include "platform/automation/variant.h"

#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace platform::automation {

namespace {

constexpr const char* interface_name = "org.ostrel.Automation1";
constexpr const char* root_path = "/org/ostrel/Automation";
constexpr const char* object_prefix = "/org/ostrel/Automation/o";
constexpr const char* no_object = "/";
constexpr const char* transport_source = "platform::automation";
// A call may start a card session or wait for a device; the bus's own 25 s
// default is too short for the slowest members.
constexpr std::uint64_t call_timeout_usec = 120ull * 1000 * 1000;

// A creation that reached a server on its way out: the client tries again,
// and the bus starts a new server.
constexpr HRESULT server_ending = CO_E_SERVER_EXEC_FAILURE;
constexpr int creation_attempts = 3;

// Identifies this layer's proxies among the objects a caller passes in.
constexpr IID proxy_iid = make_guid("{6E0C3A52-1D7B-4F0E-9C56-2B8A7D41E903}");

using wire_value = sdbus::Struct<std::uint16_t, sdbus::Variant>;

std::string guid_hex(const GUID& id) {
    std::string out;
    for (char c : to_string(id))
        if (c != '{' && c != '}' && c != '-')
            out += c;
    return out;
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool wants_system_bus() {
    return env("DBUS_STARTER_BUS_TYPE") == "system" || env("OSTREL_AUTOMATION_BUS") == "system";
}

std::unique_ptr<sdbus::IConnection> connect_bus() {
    // A program the bus started answers on that bus.
    const std::string starter = env("DBUS_STARTER_ADDRESS");
    if (!starter.empty() && env("DBUS_STARTER_BUS_TYPE") != "system")
        return sdbus::createSessionBusConnectionWithAddress(starter);
    if (wants_system_bus())
        return sdbus::createSystemBusConnection();
    return sdbus::createSessionBusConnection();
}

HRESULT fail(HRESULT hr, std::string_view source, std::string_view description) {
    set_error_info(source, description);
    return hr;
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

// ---- values on the wire ----------------------------------------------------
//
// A VARIANT travels as (type tag, value). Texts travel as bytes (a BSTR need
// not be valid UTF-8, which D-Bus strings must be); a null BSTR as the
// boolean false; objects as object paths, "/" for none.

template <class Export> wire_value to_wire(const VARIANT& given, Export&& export_object) {
    const VARIANT* v = &given;
    VARIANT deref;
    if (given.vt & VT_BYREF) {
        // Out-arguments cannot come back across the bus; their values go.
        deref.vt = static_cast<VARTYPE>(given.vt & ~VT_BYREF);
        switch (deref.vt) {
        case VT_I4:
            deref.lVal = *given.plVal;
            break;
        case VT_UI4:
            deref.ulVal = *given.pulVal;
            break;
        case VT_I2:
            deref.iVal = *given.piVal;
            break;
        case VT_UI1:
            deref.bVal = *given.pbVal;
            break;
        case VT_R8:
            deref.dblVal = *given.pdblVal;
            break;
        case VT_BOOL:
            deref.boolVal = *given.pboolVal;
            break;
        case VT_ERROR:
            deref.scode = *given.pscode;
            break;
        case VT_BSTR:
            deref.bstrVal = *given.pbstrVal;
            break;
        case VT_DISPATCH:
            deref.pdispVal = *given.ppdispVal;
            break;
        case VT_UNKNOWN:
            deref.punkVal = *given.ppunkVal;
            break;
        case VT_VARIANT:
            return to_wire(*given.pvarVal, export_object);
        default:
            throw std::invalid_argument("a by-reference argument of an unknown type");
        }
        v = &deref;
    }
    switch (v->vt) {
    case VT_EMPTY:
    case VT_NULL:
        return {v->vt, sdbus::Variant(std::uint8_t{0})};
    case VT_I4:
        return {v->vt, sdbus::Variant(v->lVal)};
    case VT_UI4:
        return {v->vt, sdbus::Variant(v->ulVal)};
    case VT_I2:
        return {v->vt, sdbus::Variant(v->iVal)};
    case VT_UI1:
        return {v->vt, sdbus::Variant(v->bVal)};
    case VT_R8:
        return {v->vt, sdbus::Variant(v->dblVal)};
    case VT_BOOL:
        return {v->vt, sdbus::Variant(v->boolVal != VARIANT_FALSE)};
    case VT_ERROR:
        return {v->vt, sdbus::Variant(v->scode)};
    case VT_BSTR: {
        if (!v->bstrVal)
            return {v->vt, sdbus::Variant(false)};
        const auto text = bstr_view(v->bstrVal);
        return {v->vt, sdbus::Variant(std::vector<std::uint8_t>(text.begin(), text.end()))};
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return {v->vt, sdbus::Variant(sdbus::ObjectPath(export_object(v->punkVal)))};
    default:
        throw std::invalid_argument("a value of an unknown type");
    }
}

template <class T> T wire_get(const sdbus::Variant& v) {
    if (!v.containsValueOfType<T>())
        throw std::invalid_argument("a value of the wrong type");
    return v.get<T>();
}

// Fills `out` (EMPTY on entry); objects come from `import_object`, which
// gives a new reference or null.
template <class Import> void from_wire(const wire_value& w, VARIANT& out, Import&& import_object) {
    const auto vt = std::get<0>(w);
    const auto& v = std::get<1>(w);
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        out.vt = vt;
        return;
    case VT_I4:
        out.lVal = wire_get<std::int32_t>(v);
        break;
    case VT_UI4:
        out.ulVal = wire_get<std::uint32_t>(v);
        break;
    case VT_I2:
        out.iVal = wire_get<std::int16_t>(v);
        break;
    case VT_UI1:
        out.bVal = wire_get<std::uint8_t>(v);
        break;
    case VT_R8:
        out.dblVal = wire_get<double>(v);
        break;
    case VT_BOOL:
        out.boolVal = wire_get<bool>(v) ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_ERROR:
        out.scode = wire_get<std::int32_t>(v);
        break;
    case VT_BSTR:
        if (v.containsValueOfType<bool>()) {
            out.bstrVal = nullptr;
        } else {
            const auto bytes = wire_get<std::vector<std::uint8_t>>(v);
            out.bstrVal = SysAllocString(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            if (!out.bstrVal)
                throw std::bad_alloc();
        }
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        out.punkVal = import_object(std::string(wire_get<sdbus::ObjectPath>(v)));
        break;
    default:
        throw std::invalid_argument("a value of an unknown type");
    }
    out.vt = vt;
}

// ---- client side -----------------------------------------------------------

class remote_object_t;

// The client's one connection, and its proxies by (bus name, path).
class client_t {
public:
    static client_t& get() {
        // Never destroyed: proxies may be released from static destructors.
        static auto* c = new client_t;
        return *c;
    }

    // Connects on first use. Throws sdbus::Error.
    sdbus::IConnection& connection() {
        std::lock_guard lock(call_mutex);
        if (!connection_)
            connection_ = connect_bus();
        return *connection_;
    }

    // A proxy for an object the server just handed over (one of its
    // references); null for "/".
    IDispatch* import(const std::string& service, const std::string& path);
    void forget(remote_object_t* object);

    std::recursive_mutex call_mutex; // one call on the connection at a time
    std::mutex table_mutex;

private:
    std::unique_ptr<sdbus::IConnection> connection_;
    std::map<std::pair<std::string, std::string>, remote_object_t*> table_;
};

HRESULT transport_failure(const sdbus::Error& e) {
    return fail(RPC_E_DISCONNECTED, transport_source,
                "D-Bus: " + e.getName() + ": " + e.getMessage());
}

class remote_object_t final : public IDispatch {
public:
    remote_object_t(std::string service, std::string path)
        : service_(std::move(service)), path_(std::move(path)) {}

    const std::string& service() const { return service_; }
    const std::string& path() const { return path_; }

    HRESULT QueryInterface(const IID& riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == IUnknown::iid || riid == IDispatch::iid || riid == proxy_iid) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    std::uint32_t AddRef() override {
        std::lock_guard lock(client_t::get().table_mutex);
        return ++refs_;
    }

    std::uint32_t Release() override {
        auto& client = client_t::get();
        std::uint32_t give_back = 0;
        {
            std::lock_guard lock(client.table_mutex);
            if (--refs_ > 0)
                return refs_;
            client.forget(this);
            give_back = remote_refs_;
        }
        send_release(give_back);
        delete this;
        return 0;
    }

    HRESULT GetTypeInfoCount(unsigned* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }

    HRESULT GetTypeInfo(unsigned, LCID, ITypeInfo** info) override {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }

    HRESULT GetIDsOfNames(const IID&, const char* const* names, unsigned count, LCID,
                          DISPID* ids) override {
        if (!names || !ids)
            return E_POINTER;
        std::vector<std::string> list(names, names + count);
        try {
            auto& client = client_t::get();
            std::lock_guard lock(client.call_mutex);
            auto call = proxy().createMethodCall(interface_name, "GetIDsOfNames");
            call << list;
            auto reply = proxy().callMethod(call, call_timeout_usec);
            std::int32_t hr = 0;
            std::vector<std::int32_t> got;
            reply >> hr >> got;
            for (unsigned i = 0; i < count; ++i)
                ids[i] = i < got.size() ? got[i] : DISPID_UNKNOWN;
            return hr;
        } catch (const sdbus::Error& e) {
            return transport_failure(e);
        }
    }

    HRESULT Invoke(DISPID id, const IID&, LCID, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, unsigned* arg_err) override {
        std::vector<wire_value> args;
        std::vector<std::int32_t> named;
        try {
            if (params) {
                if (params->cArgs && !params->rgvarg)
                    return E_POINTER;
                for (unsigned i = 0; i < params->cArgs; ++i)
                    args.push_back(
                        to_wire(params->rgvarg[i], [&](IUnknown* p) { return path_of(p); }));
                for (unsigned i = 0; i < params->cNamedArgs && params->rgdispidNamedArgs; ++i)
                    named.push_back(params->rgdispidNamedArgs[i]);
            }
        } catch (const std::invalid_argument&) {
            return DISP_E_BADVARTYPE;
        }
        std::int32_t hr = 0;
        wire_value out;
        std::uint16_t code = 0;
        std::string source, description;
        std::int32_t scode = 0;
        std::uint32_t bad_arg = 0;
        try {
            auto& client = client_t::get();
            std::lock_guard lock(client.call_mutex);
            auto call = proxy().createMethodCall(interface_name, "Invoke");
            call << id << flags << args << named;
            auto reply = proxy().callMethod(call, call_timeout_usec);
            reply >> hr >> out >> code >> source >> description >> scode >> bad_arg;
        } catch (const sdbus::Error& e) {
            return transport_failure(e);
        }
        if (hr < 0) {
            if (hr == DISP_E_EXCEPTION && excep) {
                clear_excepinfo(*excep);
                excep->wCode = code;
                excep->bstrSource = SysAllocString(source);
                excep->bstrDescription = SysAllocString(description);
                excep->scode = scode;
            } else if (!description.empty() || !source.empty()) {
                set_error_info(source, description);
            }
            if (arg_err)
                *arg_err = bad_arg;
        }
        // The server's result is taken even when the caller wants none, so
        // that objects in it are given back.
        VARIANT value;
        try {
            from_wire(out, value, [&](const std::string& p) {
                return static_cast<IUnknown*>(client_t::get().import(service_, p));
            });
        } catch (const std::exception&) {
            return fail(RPC_E_DISCONNECTED, transport_source, "The server sent a malformed result");
        }
        if (result && value.vt != VT_EMPTY) {
            *result = value;
        } else {
            VariantClear(&value);
        }
        return hr;
    }

    // One more reference of the server is held by this proxy.
    void add_remote_ref() { ++remote_refs_; }
    void add_ref_locked() { ++refs_; }
    // Under the table lock: a proxy whose count reached 0 is being destroyed.
    bool alive() const { return refs_ > 0; }

private:
    sdbus::IProxy& proxy() {
        if (!proxy_)
            proxy_ = sdbus::createProxy(client_t::get().connection(), service_, path_);
        return *proxy_;
    }

    // An argument object: ours for this same server goes as its path, any
    // other as none.
    std::string path_of(IUnknown* p) const {
        if (!p)
            return no_object;
        void* raw = nullptr;
        if (p->QueryInterface(proxy_iid, &raw) != S_OK || !raw)
            return no_object;
        auto* r = static_cast<remote_object_t*>(static_cast<IDispatch*>(raw));
        std::string path = r->service_ == service_ ? r->path_ : no_object;
        r->Release();
        return path;
    }

    // Also lets go of the bus proxy, which touches the shared connection.
    void send_release(std::uint32_t count) {
        auto& client = client_t::get();
        std::lock_guard lock(client.call_mutex);
        try {
            if (count > 0) {
                auto call = proxy().createMethodCall(interface_name, "Release");
                call << count;
                call.dontExpectReply();
                proxy().callMethod(call);
            }
        } catch (const sdbus::Error&) {
            // A server that is gone holds nothing any more.
        }
        proxy_.reset();
    }

    const std::string service_;
    const std::string path_;
    std::unique_ptr<sdbus::IProxy> proxy_;
    std::uint32_t refs_ = 0;        // under the table lock
    std::uint32_t remote_refs_ = 0; // under the table lock
};

IDispatch* client_t::import(const std::string& service, const std::string& path) {
    if (path == no_object)
        return nullptr;
    std::lock_guard lock(table_mutex);
    const auto key = std::make_pair(service, path);
    auto it = table_.find(key);
    remote_object_t* object;
    if (it != table_.end() && it->second->alive()) {
        object = it->second;
    } else {
        object = new remote_object_t(service, path);
        table_[key] = object;
    }
    object->add_remote_ref();
    object->add_ref_locked();
    return object;
}

void client_t::forget(remote_object_t* object) {
    auto it = table_.find({object->service(), object->path()});
    if (it != table_.end() && it->second == object)
        table_.erase(it);
}

// The class object a client sees for a class of a local server.
class remote_factory_t final : public IClassFactory {
public:
    remote_factory_t(std::string service, CLSID clsid, std::string name)
        : service_(std::move(service)), clsid_(clsid), name_(std::move(name)) {}

    HRESULT QueryInterface(const IID& riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == IUnknown::iid || riid == IClassFactory::iid) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        const auto left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!(riid == IUnknown::iid || riid == IDispatch::iid))
            return E_NOINTERFACE;
        std::int32_t hr = 0;
        sdbus::ObjectPath path;
        std::string source, description;
        for (int attempt = 0; attempt < creation_attempts; ++attempt) {
            try {
                auto& client = client_t::get();
                std::lock_guard lock(client.call_mutex);
                auto proxy = sdbus::createProxy(client.connection(), service_, root_path);
                auto call = proxy->createMethodCall(interface_name, "CreateInstance");
                call << to_string(clsid_);
                // The bus starts the server on this call when it is not running.
                auto reply = proxy->callMethod(call, call_timeout_usec);
                reply >> hr >> path >> source >> description;
            } catch (const sdbus::Error& e) {
                // A server that ended between our call and its reply.
                if (e.getName() == "org.freedesktop.DBus.Error.NoReply" &&
                    attempt + 1 < creation_attempts)
                    continue;
                return fail(CO_E_SERVER_EXEC_FAILURE, name_,
                            "The local server cannot be reached: " + e.getName() + ": " +
                                e.getMessage());
            }
            if (!(hr == server_ending && source == transport_source))
                break;
        }
        if (hr < 0) {
            if (!source.empty() || !description.empty())
                set_error_info(source, description);
            return hr;
        }
        IDispatch* object = client_t::get().import(service_, path);
        if (!object)
            return fail(E_UNEXPECTED, name_, "The server gave no object");
        *out = object;
        return S_OK;
    }

    HRESULT LockServer(bool) override { return S_OK; }

private:
    std::string service_;
    CLSID clsid_;
    std::string name_;
    std::atomic<std::uint32_t> refs_{0};
};

class dbus_activator_t final : public activator_t {
public:
    HRESULT get_class_object(const class_record_t& record, const IID& riid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        const std::string service = dbus_service_name(record.appid ? *record.appid : record.clsid);
        auto* factory = new remote_factory_t(
            service, record.clsid, record.progid.empty() ? to_string(record.clsid) : record.progid);
        factory->AddRef();
        const HRESULT hr = factory->QueryInterface(riid, out);
        factory->Release();
        return hr;
    }
};

} // namespace

// ---- registration ----------------------------------------------------------

void use_dbus_transport() {
    set_activator(server_kind::local, std::make_shared<dbus_activator_t>());
}

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

// ---- server side -----------------------------------------------------------

struct dbus_server_t::impl_t {
    struct exported_t {
        com_ptr_t<IUnknown> object;
        com_ptr_t<IDispatch> dispatch;
        std::unique_ptr<sdbus::IObject> dbus;
        std::map<std::string, std::uint32_t> refs; // client -> references
    };

    const server_info_t& info;
    std::unique_ptr<sdbus::IConnection> connection;
    std::unique_ptr<sdbus::IObject> root;
    std::map<std::string, exported_t> by_path;
    std::map<IUnknown*, std::string> by_identity;
    std::map<std::string, std::set<std::string>> clients; // client -> paths
    std::uint64_t next_id = 1;
    // Objects let go inside a handler of their own path; freed after it.
    std::vector<exported_t> graveyard;
    std::function<void()> after_message;
    int quit_fd = -1;
    std::atomic<bool> quitting{false};
    // After quit: the names are given up, and calls already on their way are
    // still served, except creations, which the client repeats elsewhere.
    bool closing = false;
    mutable std::mutex count_mutex; // for the two counts, read from other threads

    explicit impl_t(const server_info_t& i) : info(i) {
        quit_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    ~impl_t() {
        // Objects are taken out under the count lock but unexported outside
        // it: the bus connection's own lock is taken inside that one while a
        // call is served.
        std::vector<exported_t> dead;
        std::map<std::string, exported_t> exported;
        {
            std::lock_guard lock(count_mutex);
            dead.swap(graveyard);
            exported.swap(by_path);
            by_identity.clear();
            clients.clear();
        }
        dead.clear();
        exported.clear();
        root.reset();
        if (quit_fd >= 0)
            ::close(quit_fd);
    }

    // A path for the object, with one more reference of `client`.
    std::string export_object(IUnknown* p, const std::string& client) {
        if (!p)
            return no_object;
        com_ptr_t<IUnknown> identity;
        p->QueryInterface(IUnknown::iid, identity.put_void());
        if (!identity)
            return no_object;
        std::lock_guard lock(count_mutex);
        auto it = by_identity.find(identity.get());
        std::string path;
        if (it != by_identity.end()) {
            path = it->second;
        } else {
            path = object_prefix + std::to_string(next_id++);
            exported_t e;
            e.object = identity;
            p->QueryInterface(IDispatch::iid, e.dispatch.put_void());
            e.dbus = sdbus::createObject(*connection, path);
            register_object_methods(*e.dbus, path);
            by_identity[identity.get()] = path;
            by_path.emplace(path, std::move(e));
        }
        ++by_path[path].refs[client];
        clients[client].insert(path);
        return path;
    }

    // Our own object for a path, or null (foreign, unknown or none).
    IUnknown* import_object(const std::string& path) {
        auto it = by_path.find(path);
        if (it == by_path.end())
            return nullptr;
        it->second.object->AddRef();
        return it->second.object.get();
    }

    void release(const std::string& path, const std::string& client, std::uint32_t count) {
        std::lock_guard lock(count_mutex);
        auto it = by_path.find(path);
        if (it == by_path.end())
            return;
        auto r = it->second.refs.find(client);
        if (r == it->second.refs.end())
            return;
        if (count >= r->second) {
            it->second.refs.erase(r);
            auto c = clients.find(client);
            if (c != clients.end()) {
                c->second.erase(path);
                if (c->second.empty())
                    clients.erase(c);
            }
        } else {
            r->second -= count;
        }
        if (it->second.refs.empty())
            unexport(it);
    }

    void unexport(std::map<std::string, exported_t>::iterator it) {
        by_identity.erase(it->second.object.get());
        graveyard.push_back(std::move(it->second));
        by_path.erase(it);
    }

    void client_gone(const std::string& client) {
        std::lock_guard lock(count_mutex);
        auto c = clients.find(client);
        if (c == clients.end())
            return;
        for (const auto& path : c->second) {
            auto it = by_path.find(path);
            if (it == by_path.end())
                continue;
            it->second.refs.erase(client);
            if (it->second.refs.empty())
                unexport(it);
        }
        clients.erase(c);
    }

    void register_object_methods(sdbus::IObject& o, const std::string& path) {
        o.registerMethod(interface_name, "Invoke", "iqa(qv)ai", "i(qv)qssiu",
                         [this, path](sdbus::MethodCall call) { on_invoke(path, call); });
        o.registerMethod(interface_name, "GetIDsOfNames", "as", "iai",
                         [this, path](sdbus::MethodCall call) { on_names(path, call); });
        o.registerMethod(interface_name, "Release", "u", "", [this, path](sdbus::MethodCall call) {
            std::uint32_t count = 0;
            call >> count;
            release(path, call.getSender(), count);
        });
        o.finishRegistration();
    }

    IDispatch* dispatch_of(const std::string& path) {
        auto it = by_path.find(path);
        return it == by_path.end() ? nullptr : it->second.dispatch.get();
    }

    void on_names(const std::string& path, sdbus::MethodCall& call) {
        std::vector<std::string> names;
        call >> names;
        std::vector<const char*> raw;
        for (const auto& n : names)
            raw.push_back(n.c_str());
        std::vector<std::int32_t> ids(names.size(), DISPID_UNKNOWN);
        HRESULT hr = DISP_E_UNKNOWNINTERFACE;
        if (IDispatch* d = dispatch_of(path))
            hr = d->GetIDsOfNames(GUID_NULL, raw.data(), static_cast<unsigned>(raw.size()), 0,
                                  ids.data());
        auto reply = call.createReply();
        reply << hr << ids;
        reply.send();
    }

    void on_invoke(const std::string& path, sdbus::MethodCall& call) {
        const std::string client = call.getSender();
        std::int32_t id = 0;
        std::uint16_t flags = 0;
        std::vector<wire_value> wire_args;
        std::vector<std::int32_t> named;
        call >> id >> flags >> wire_args >> named;

        std::vector<variant_t> args(wire_args.size());
        HRESULT hr = S_OK;
        try {
            for (std::size_t i = 0; i < wire_args.size(); ++i)
                from_wire(wire_args[i], args[i],
                          [&](const std::string& p) { return import_object(p); });
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        } catch (const std::exception&) {
            hr = DISP_E_BADVARTYPE;
        }
        variant_t result;
        EXCEPINFO excep;
        unsigned arg_err = 0;
        IDispatch* target = dispatch_of(path);
        if (hr >= 0 && !target)
            hr = DISP_E_UNKNOWNINTERFACE;
        if (hr >= 0) {
            SetErrorInfo(nullptr);
            DISPPARAMS dp;
            dp.rgvarg = args.empty() ? nullptr : args.data();
            dp.cArgs = static_cast<unsigned>(args.size());
            dp.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
            dp.cNamedArgs = static_cast<unsigned>(named.size());
            // Keeps the object while its own member runs, whatever the member releases.
            com_ptr_t<IDispatch> hold(target);
            hr = target->Invoke(id, GUID_NULL, 0, flags, &dp, &result, &excep, &arg_err);
        }
        std::string source, description;
        if (hr == DISP_E_EXCEPTION) {
            if (excep.pfnDeferredFillIn)
                excep.pfnDeferredFillIn(&excep);
            source = bstr_view(excep.bstrSource);
            description = bstr_view(excep.bstrDescription);
        } else if (hr < 0) {
            com_ptr_t<IErrorInfo> info;
            if (GetErrorInfo(info.put()) == S_OK && info) {
                BSTR s = nullptr, d = nullptr;
                info->GetSource(&s);
                info->GetDescription(&d);
                source = bstr_view(s);
                description = bstr_view(d);
                SysFreeString(s);
                SysFreeString(d);
            }
        }
        wire_value out;
        try {
            out = to_wire(result, [&](IUnknown* p) { return export_object(p, client); });
        } catch (const std::invalid_argument&) {
            out = wire_value{VT_EMPTY, sdbus::Variant(std::uint8_t{0})};
            if (hr >= 0) {
                hr = DISP_E_BADVARTYPE;
                source = transport_source;
                description = "The result has a type that cannot cross the bus";
            }
        }
        auto reply = call.createReply();
        reply << hr << out << excep.wCode << source << description << excep.scode
              << static_cast<std::uint32_t>(arg_err);
        clear_excepinfo(excep);
        reply.send();
    }

    void on_create(sdbus::MethodCall& call) {
        std::string clsid_text;
        call >> clsid_text;
        HRESULT hr = CLASS_E_CLASSNOTAVAILABLE;
        std::string path = no_object, source, description;
        const auto clsid = parse_guid(clsid_text);
        if (closing) {
            auto reply = call.createReply();
            reply << server_ending << sdbus::ObjectPath(no_object) << std::string(transport_source)
                  << std::string("The server is ending");
            reply.send();
            return;
        }
        for (const auto& entry : info.classes) {
            if (!clsid || !(entry.clsid == *clsid))
                continue;
            if (!entry.create) {
                hr = E_NOTIMPL;
                break;
            }
            SetErrorInfo(nullptr);
            com_ptr_t<IDispatch> object;
            hr = entry.create(IDispatch::iid, object.put_void());
            if (hr >= 0 && object)
                path = export_object(object.get(), call.getSender());
            else if (hr >= 0)
                hr = E_UNEXPECTED;
            break;
        }
        if (hr < 0) {
            com_ptr_t<IErrorInfo> info_record;
            if (GetErrorInfo(info_record.put()) == S_OK && info_record) {
                BSTR s = nullptr, d = nullptr;
                info_record->GetSource(&s);
                info_record->GetDescription(&d);
                source = bstr_view(s);
                description = bstr_view(d);
                SysFreeString(s);
                SysFreeString(d);
            } else {
                source = clsid_text;
                description = hresult_text(hr);
            }
        }
        auto reply = call.createReply();
        reply << hr << sdbus::ObjectPath(path) << source << description;
        reply.send();
    }

    void after() {
        {
            std::vector<exported_t> dead;
            {
                std::lock_guard lock(count_mutex);
                dead.swap(graveyard);
            }
            // Destructors of released objects may release further objects.
        }
        if (after_message)
            after_message();
    }
};

dbus_server_t::dbus_server_t(const server_info_t& info) : impl_(std::make_unique<impl_t>(info)) {}

dbus_server_t::~dbus_server_t() = default;

HRESULT dbus_server_t::start() {
    auto& d = *impl_;
    try {
        d.connection = connect_bus();
        // Set up before any call is served: the bus reports a client's end
        // after every message that client sent.
        d.connection->addMatch(
            "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
            "member='NameOwnerChanged'",
            [&d](sdbus::Message& msg) {
                std::string name, old_owner, new_owner;
                msg >> name >> old_owner >> new_owner;
                if (new_owner.empty() && !name.empty() && name[0] == ':')
                    d.client_gone(name);
            },
            sdbus::floating_slot);
        d.root = sdbus::createObject(*d.connection, root_path);
        d.root->registerMethod(interface_name, "CreateInstance", "s", "ioss",
                               [&d](sdbus::MethodCall call) { d.on_create(call); });
        d.root->finishRegistration();
        for (const auto& name : bus_names(d.info))
            d.connection->requestName(name);
    } catch (const sdbus::Error& e) {
        return fail(CO_E_SERVER_EXEC_FAILURE, transport_source,
                    "Cannot serve on D-Bus: " + e.getName() + ": " + e.getMessage());
    }
    return S_OK;
}

void dbus_server_t::run() {
    auto& d = *impl_;
    if (!d.connection)
        return;
    serve(false);
    d.closing = true;
    try {
        for (const auto& name : bus_names(d.info))
            d.connection->releaseName(name);
    } catch (const sdbus::Error&) {
    }
    serve(true);
}

void dbus_server_t::serve(bool drain) {
    auto& d = *impl_;
    sdbus::IConnection::PollData poll_data{};
    while (drain || !d.quitting.load()) {
        try {
            while (d.connection->processPendingRequest()) {
                d.after();
                if (!drain && d.quitting.load())
                    return;
            }
            if (drain)
                return;
            d.after();
            poll_data = d.connection->getEventLoopPollData();
        } catch (const sdbus::Error&) {
            // Handlers answer their own failures; what reaches here is the
            // connection itself failing (the bus went away): nobody can call
            // any more.
            d.after();
            d.quitting.store(true);
            return;
        }
        pollfd fds[2] = {{poll_data.fd, poll_data.events, 0}, {d.quit_fd, POLLIN, 0}};
        int timeout = -1;
        if (const auto rel = poll_data.getRelativeTimeout())
            timeout = static_cast<int>((rel->count() + 999) / 1000);
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            return;
    }
}

void dbus_server_t::quit() {
    impl_->quitting.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto w = ::write(impl_->quit_fd, &one, sizeof one);
}

void dbus_server_t::set_after_message(std::function<void()> fn) {
    impl_->after_message = std::move(fn);
}

std::size_t dbus_server_t::exported_count() const {
    std::lock_guard lock(impl_->count_mutex);
    return impl_->by_path.size();
}

std::size_t dbus_server_t::client_count() const {
    std::lock_guard lock(impl_->count_mutex);
    return impl_->clients.size();
}

} // namespace platform::automation
