// The client side of the D-Bus transport: proxies of a server's objects, the
// class objects of local servers, and the activator that hands them out.
#include "platform/automation/dbus_transport.h"

#include "platform/automation/activation.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dbus_bus.h"
#include "platform/automation/dbus_codec.h"
#include "platform/automation/dbus_link.h"
#include "platform/automation/error_info.h"
#include "platform/automation/variant.h"

#include <atomic>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace platform::automation {

namespace {

using namespace dbus;

// A failed creation is tried again this often in all: a server that was
// ending, or a connection that ended, is met at most twice in a row.
constexpr int creation_attempts = 3;

// Identifies this layer's proxies among the objects a caller passes in.
constexpr IID proxy_iid = make_guid("{6E0C3A52-1D7B-4F0E-9C56-2B8A7D41E903}");

std::atomic<std::int64_t> call_timeout_ms{default_dbus_call_timeout.count()};

// What a call that got no answer within `timeout` reports; S_OK for an answer.
HRESULT call_failure(const call_result_t& r, std::string_view source,
                     std::chrono::milliseconds timeout) {
    switch (r.outcome) {
    case outcome_t::answered:
        return S_OK;
    case outcome_t::timed_out:
        return fail(RPC_E_TIMEOUT, source,
                    "The server did not answer within " + std::to_string(timeout.count()) +
                        " ms; the call may still be running there");
    case outcome_t::failed:
        return fail(RPC_E_DISCONNECTED, source, "D-Bus: " + r.error_name + ": " + r.error_message);
    case outcome_t::lost:
    case outcome_t::not_sent:
        break;
    }
    return fail(RPC_E_DISCONNECTED, source,
                "The connection to the bus ended; objects of the server it reached are gone");
}

HRESULT transport_failure(const sdbus::Error& e) {
    return fail(RPC_E_DISCONNECTED, transport_source,
                "D-Bus: " + e.getName() + ": " + e.getMessage());
}

// Gives back one reference of an object a server handed over in an answer
// nobody waited for.
void release_late(bus_link_t& link, const std::string& peer, const std::string& path) {
    if (path == no_object)
        return;
    auto out = link.prepare(peer, path, "Release");
    out.call << std::uint32_t{1};
    link.send(std::move(out));
}

class remote_object_t;

// Proxies by (link, server connection, path), and the link creations use.
class client_t {
public:
    static client_t& get() {
        // Never destroyed: proxies may be released from static destructors.
        static auto* c = new client_t;
        return *c;
    }

    // The link new creations go through: the current one, or a new one when
    // there is none or it ended. Throws sdbus::Error.
    std::shared_ptr<bus_link_t> link() {
        std::lock_guard lock(link_mutex_);
        if (!link_ || !link_->alive())
            link_ = std::make_shared<bus_link_t>();
        return link_;
    }

    // A proxy for an object the server `peer` just handed over through
    // `link` (one of its references); null for "/".
    IDispatch* import(const std::shared_ptr<bus_link_t>& link, const std::string& peer,
                      const std::string& path);
    void forget(remote_object_t* object);

    std::mutex table_mutex; // the table, and every proxy's counts

private:
    using key_t = std::tuple<std::uint64_t, std::string, std::string>;

    std::mutex link_mutex_;
    std::shared_ptr<bus_link_t> link_;
    std::map<key_t, remote_object_t*> table_;
};

// A server's object. It is addressed by the unique name of the server's
// connection, not the well-known name: a replacement server answering to the
// same name does not have this object, and must not be taken for its owner.
class remote_object_t final : public IDispatch {
public:
    remote_object_t(std::shared_ptr<bus_link_t> link, std::string peer, std::string path)
        : link_(std::move(link)), peer_(std::move(peer)), path_(std::move(path)) {}

    std::uint64_t link_id() const { return link_->id(); }
    const std::string& peer() const { return peer_; }
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
        const auto timeout = dbus_call_timeout();
        call_result_t r;
        try {
            auto out = link_->prepare(peer_, path_, "GetIDsOfNames");
            out.call << list;
            r = link_->call(std::move(out), timeout);
        } catch (const sdbus::Error& e) {
            return transport_failure(e);
        }
        if (const HRESULT failed = call_failure(r, transport_source, timeout); failed < 0)
            return failed;
        std::int32_t hr = 0;
        std::vector<std::int32_t> got;
        try {
            r.reply >> hr >> got;
        } catch (const sdbus::Error& e) {
            return transport_failure(e);
        }
        for (unsigned i = 0; i < count; ++i)
            ids[i] = i < got.size() ? got[i] : DISPID_UNKNOWN;
        return hr;
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
        const auto timeout = dbus_call_timeout();
        try {
            auto call = link_->prepare(peer_, path_, "Invoke");
            call.call << id << flags << args << named;
            auto r = link_->call(
                std::move(call), timeout, [](bus_link_t& link, sdbus::MethodReply& reply) {
                    std::int32_t late_hr = 0;
                    wire_value late_out;
                    reply >> late_hr >> late_out;
                    release_late(link, reply.getSender(), object_path_of(late_out));
                });
            if (const HRESULT failed = call_failure(r, transport_source, timeout); failed < 0)
                return failed;
            r.reply >> hr >> out >> code >> source >> description >> scode >> bad_arg;
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
                return static_cast<IUnknown*>(client_t::get().import(link_, peer_, p));
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
    // An argument object: ours for this same server (through the same
    // connection) goes as its path, any other as none.
    std::string path_of(IUnknown* p) const {
        if (!p)
            return no_object;
        void* raw = nullptr;
        if (p->QueryInterface(proxy_iid, &raw) != S_OK || !raw)
            return no_object;
        auto* r = static_cast<remote_object_t*>(static_cast<IDispatch*>(raw));
        std::string path =
            r->link_ == link_ && r->peer_ == peer_ ? r->path_ : std::string(no_object);
        r->Release();
        return path;
    }

    void send_release(std::uint32_t count) {
        // Through a connection that ended, the server holds nothing for us
        // any more.
        if (count == 0 || !link_->alive())
            return;
        try {
            auto out = link_->prepare(peer_, path_, "Release");
            out.call << count;
            link_->send(std::move(out));
        } catch (const sdbus::Error&) {
            // A server that is gone holds nothing any more.
        }
    }

    const std::shared_ptr<bus_link_t> link_;
    const std::string peer_;
    const std::string path_;
    std::uint32_t refs_ = 0;        // under the table lock
    std::uint32_t remote_refs_ = 0; // under the table lock
};

IDispatch* client_t::import(const std::shared_ptr<bus_link_t>& link, const std::string& peer,
                            const std::string& path) {
    if (path == no_object)
        return nullptr;
    std::lock_guard lock(table_mutex);
    const auto key = key_t{link->id(), peer, path};
    auto it = table_.find(key);
    remote_object_t* object;
    if (it != table_.end() && it->second->alive()) {
        object = it->second;
    } else {
        object = new remote_object_t(link, peer, path);
        table_[key] = object;
    }
    object->add_remote_ref();
    object->add_ref_locked();
    return object;
}

void client_t::forget(remote_object_t* object) {
    auto it = table_.find({object->link_id(), object->peer(), object->path()});
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

    // Goes to the server's well-known name, so that the bus starts the
    // server when it is not running. A creation is repeated when it met a
    // server on its way out, or a connection that ended (reconnecting):
    // whatever it created there was made for a client connection that the
    // server sees go, and is released with it, so nothing is made twice.
    HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!(riid == IUnknown::iid || riid == IDispatch::iid))
            return E_NOINTERFACE;
        std::int32_t hr = E_UNEXPECTED;
        sdbus::ObjectPath path;
        std::string source, description, peer;
        std::shared_ptr<bus_link_t> link;
        const auto timeout = dbus_call_timeout();
        for (int attempt = 0; attempt < creation_attempts; ++attempt) {
            call_result_t r;
            try {
                link = client_t::get().link();
                auto call = link->prepare(service_, root_path, "CreateInstance");
                call.call << to_string(clsid_);
                r = link->call(std::move(call), timeout,
                               [](bus_link_t& late, sdbus::MethodReply& reply) {
                                   std::int32_t late_hr = 0;
                                   sdbus::ObjectPath late_path;
                                   reply >> late_hr >> late_path;
                                   if (late_hr >= 0)
                                       release_late(late, reply.getSender(), late_path);
                               });
            } catch (const sdbus::Error& e) {
                return unreachable(e.getName(), e.getMessage());
            }
            switch (r.outcome) {
            case outcome_t::timed_out:
                return call_failure(r, name_, timeout);
            case outcome_t::lost:
            case outcome_t::not_sent:
                if (attempt + 1 < creation_attempts)
                    continue;
                return call_failure(r, name_, timeout);
            case outcome_t::failed:
                // A server that ended between our call and its reply.
                if (r.error_name == "org.freedesktop.DBus.Error.NoReply" &&
                    attempt + 1 < creation_attempts)
                    continue;
                return unreachable(r.error_name, r.error_message);
            case outcome_t::answered:
                break;
            }
            try {
                r.reply >> hr >> path >> source >> description;
            } catch (const sdbus::Error& e) {
                return unreachable(e.getName(), e.getMessage());
            }
            peer = r.reply.getSender();
            if (!(hr == server_ending && source == transport_source))
                break;
        }
        if (hr < 0) {
            if (!source.empty() || !description.empty())
                set_error_info(source, description);
            return hr;
        }
        IDispatch* object = client_t::get().import(link, peer, path);
        if (!object)
            return fail(E_UNEXPECTED, name_, "The server gave no object");
        *out = object;
        return S_OK;
    }

    HRESULT LockServer(bool) override { return S_OK; }

private:
    HRESULT unreachable(const std::string& error, const std::string& message) const {
        return fail(CO_E_SERVER_EXEC_FAILURE, name_,
                    "The local server cannot be reached: " + error + ": " + message);
    }

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

void use_dbus_transport() {
    set_activator(server_kind::local, std::make_shared<dbus_activator_t>());
}

void set_dbus_call_timeout(std::chrono::milliseconds timeout) {
    call_timeout_ms.store(timeout.count() > 0 ? timeout.count()
                                              : default_dbus_call_timeout.count());
}

std::chrono::milliseconds dbus_call_timeout() {
    return std::chrono::milliseconds(call_timeout_ms.load());
}

} // namespace platform::automation
