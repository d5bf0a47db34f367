// The server side of the D-Bus transport: a local server's objects on the
// bus, served in order on the thread that runs the server.
#include "platform/automation/dbus_transport.h"

#include "platform/automation/com_ptr.h"
#include "platform/automation/dbus_bus.h"
#include "platform/automation/dbus_codec.h"
#include "platform/automation/error_info.h"
#include "platform/automation/variant.h"

#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <cstring>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace platform::automation {

using namespace dbus;

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
            out = empty_wire_value();
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
    if (d.quit_fd < 0)
        return fail(CO_E_SERVER_EXEC_FAILURE, transport_source,
                    std::string("Cannot make the server's quit event: ") + std::strerror(errno));
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

HRESULT dbus_server_t::run() {
    auto& d = *impl_;
    if (!d.connection)
        return S_OK;
    const HRESULT served = serve(false);
    d.closing = true;
    try {
        for (const auto& name : bus_names(d.info))
            d.connection->releaseName(name);
    } catch (const sdbus::Error&) {
    }
    const HRESULT drained = serve(true);
    return served < 0 ? served : drained;
}

HRESULT dbus_server_t::serve(bool drain) {
    auto& d = *impl_;
    sdbus::IConnection::PollData poll_data{};
    while (drain || !d.quitting.load()) {
        try {
            while (d.connection->processPendingRequest()) {
                d.after();
                if (!drain && d.quitting.load())
                    return S_OK;
            }
            if (drain)
                return S_OK;
            d.after();
            poll_data = d.connection->getEventLoopPollData();
        } catch (const sdbus::Error&) {
            // Handlers answer their own failures; what reaches here is the
            // connection itself failing (the bus went away): nobody can call
            // any more.
            d.after();
            d.quitting.store(true);
            return S_OK;
        }
        pollfd fds[2] = {{poll_data.fd, poll_data.events, 0}, {d.quit_fd, POLLIN, 0}};
        int timeout = -1;
        if (const auto rel = poll_data.getRelativeTimeout())
            timeout = static_cast<int>((rel->count() + 999) / 1000);
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            return fail(E_FAIL, transport_source,
                        std::string("Waiting for calls failed: ") + std::strerror(errno));
    }
    return S_OK;
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
