// A stand-in for both servers the operator program creates, registered in a
// test's class registry under their ProgIDs. It journals every call, one
// line each, to $COMM_STANDIN_JOURNAL, and answers from the table file
// $COMM_STANDIN_TABLE, read at every call:
//
//   card <title> <ip>        a network card of the discovery side
//   device <mac> <ip>        a device the adapters know
//   invalid <n>              a poller's first n gets and sets answer invalid
//   value <oid> <text>       what a get of oid answers (else "")
//   fail <member>            that member fails (error information)
#include "platform/automation/server.h"

#include <atomic>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace standin {

namespace {

using namespace platform::automation;

struct table_t {
    std::vector<std::pair<std::string, std::string>> cards;
    std::map<std::string, std::string> devices; // MAC -> IP
    std::map<std::string, std::string> values;  // OID -> value
    std::set<std::string> failing;
    int invalid = 0;
};

table_t read_table()
{
    table_t t;
    const char* path = std::getenv("COMM_STANDIN_TABLE");
    if (!path)
        return t;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string kind, a, b;
        s >> kind >> a;
        std::getline(s >> std::ws, b);
        if (kind == "card")
            t.cards.emplace_back(a, b);
        else if (kind == "device")
            t.devices[a] = b;
        else if (kind == "value")
            t.values[a] = b;
        else if (kind == "fail")
            t.failing.insert(a);
        else if (kind == "invalid")
            t.invalid = std::stoi(a);
    }
    return t;
}

std::mutex journal_lock;

void journal(const std::string& line)
{
    const char* path = std::getenv("COMM_STANDIN_JOURNAL");
    if (!path)
        return;
    std::lock_guard lock(journal_lock);
    std::ofstream(path, std::ios::app) << line << '\n';
}

std::string text(BSTR b)
{
    return std::string(bstr_view(b));
}

// Journals the call; true when the table makes it fail.
bool called(const std::string& member, const std::string& args = {})
{
    journal(args.empty() ? member : member + " " + args);
    return read_table().failing.count(member) != 0;
}

#define STANDIN_IFACE(name, n)                                                                     \
    struct name : IDispatch {                                                                      \
        static constexpr IID iid = make_guid("{7D3A55E0-2B6C-4F11-8C0D-5A7E3B9C10" n "}");       \
    }
STANDIN_IFACE(Imanager_s, "01");
STANDIN_IFACE(Iadapter_s, "02");
STANDIN_IFACE(Idevice_s, "03");
STANDIN_IFACE(Ivector_s, "04");
STANDIN_IFACE(Ipoller_s, "05");
STANDIN_IFACE(Ivariable_s, "06");
#undef STANDIN_IFACE

class Cvector : public dispatch_object_t<Cvector, Ivector_s> {
public:
    static const dispatch_class_t& dispatch_class();
    std::vector<std::string> texts;

    HRESULT get_length(std::int32_t* out)
    {
        *out = static_cast<std::int32_t>(texts.size());
        return S_OK;
    }
    HRESULT at(std::int32_t index, BSTR* out)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= texts.size())
            return error("index out of range");
        *out = SysAllocString(texts[static_cast<std::size_t>(index)]);
        return S_OK;
    }
};

class Cdevice : public dispatch_object_t<Cdevice, Idevice_s> {
public:
    static constexpr IID implementation_iid = make_guid("{7D3A55E0-2B6C-4F11-8C0D-5A7E3B9C1103}");
    static const dispatch_class_t& dispatch_class();
    std::string mac_, ip_;
    bool valid_ = false;

    HRESULT get_ip(BSTR* out)
    {
        *out = SysAllocString(ip_);
        return S_OK;
    }
    HRESULT put_ip(BSTR value)
    {
        if (called("device.ip=", mac_ + " " + text(value)))
            return error("device::ip : refused");
        ip_ = text(value);
        return S_OK;
    }
    HRESULT get_mac(BSTR* out)
    {
        *out = SysAllocString(mac_);
        return S_OK;
    }
    HRESULT get_valid(std::int32_t* out)
    {
        *out = valid_ ? 1 : 0;
        return S_OK;
    }
};

com_ptr_t<Cdevice> make_device(const table_t& t, const std::string& mac)
{
    auto d = make_object<Cdevice>();
    const auto found = t.devices.find(mac);
    if (found != t.devices.end()) {
        d->mac_ = mac;
        d->ip_ = found->second;
        d->valid_ = true;
    }
    return d;
}

class Cadapter : public dispatch_object_t<Cadapter, Iadapter_s> {
public:
    static const dispatch_class_t& dispatch_class();
    std::string title_, ip_;

    HRESULT get_autoassign(std::int32_t* out)
    {
        *out = 0;
        return S_OK;
    }
    HRESULT get_ip(BSTR* out)
    {
        *out = SysAllocString(ip_);
        return S_OK;
    }
    HRESULT start()
    {
        return called("adapter.start", title_) ? error("adapter::start : refused") : S_OK;
    }
    HRESULT device_first(IDispatch** out)
    {
        called("adapter.device_first");
        const auto t = read_table();
        return hand_out(make_device(t, t.devices.empty() ? "" : t.devices.begin()->first), out);
    }
    HRESULT device_next(IDispatch* current, IDispatch** out)
    {
        called("adapter.device_next");
        const auto t = read_table();
        const auto device = implementation_cast<Cdevice>(current);
        std::string next;
        if (device) {
            const auto found = t.devices.upper_bound(device->mac_);
            if (found != t.devices.end())
                next = found->first;
        }
        return hand_out(make_device(t, next), out);
    }
    HRESULT device_get(BSTR mac, IDispatch** out)
    {
        if (called("adapter.device_get", text(mac)))
            return error("adapter::device_get : refused");
        return hand_out(make_device(read_table(), text(mac)), out);
    }
};

class Cmanager : public dispatch_object_t<Cmanager, Imanager_s> {
public:
    static const dispatch_class_t& dispatch_class();

    Cmanager() { called("mellick.create"); }

    HRESULT adapters(IDispatch** out)
    {
        called("mellick.adapters");
        auto v = make_object<Cvector>();
        for (const auto& [title, ip] : read_table().cards)
            v->texts.push_back(title);
        return hand_out(std::move(v), out);
    }
    HRESULT adapter_get(BSTR title, IDispatch** out)
    {
        if (called("mellick.adapter_get", text(title)))
            return error("manager::adapter_get : refused");
        auto a = make_object<Cadapter>();
        a->title_ = text(title);
        for (const auto& [t, ip] : read_table().cards)
            if (t == a->title_)
                a->ip_ = ip;
        return hand_out(std::move(a), out);
    }
};

class Cvariable : public dispatch_object_t<Cvariable, Ivariable_s> {
public:
    static const dispatch_class_t& dispatch_class();
    std::string value_;
    bool valid_ = false;

    HRESULT get_value(BSTR* out)
    {
        *out = SysAllocString(value_);
        return S_OK;
    }
    HRESULT get_valid(std::int32_t* out)
    {
        *out = valid_ ? 1 : 0;
        return S_OK;
    }
};

class Cpoller : public dispatch_object_t<Cpoller, Ipoller_s> {
public:
    static const dispatch_class_t& dispatch_class();

    Cpoller() { called("kestrin2.create"); }

    HRESULT start() { return called("kestrin2.start") ? error("manager::start : refused") : S_OK; }
    HRESULT get(BSTR ip, BSTR oid, IDispatch** out)
    {
        if (called("kestrin2.get", text(ip) + " " + text(oid)))
            return error("manager::get : refused");
        const auto t = read_table();
        auto v = make_object<Cvariable>();
        v->valid_ = answer_valid(t);
        if (v->valid_) {
            const auto found = t.values.find(text(oid));
            if (found != t.values.end())
                v->value_ = found->second;
        }
        return hand_out(std::move(v), out);
    }
    HRESULT set(BSTR ip, BSTR oid, BSTR value, IDispatch** out)
    {
        if (called("kestrin2.set", text(ip) + " " + text(oid) + " " + text(value)))
            return error("manager::set : refused");
        auto v = make_object<Cvariable>();
        v->valid_ = answer_valid(read_table());
        v->value_ = text(value);
        return hand_out(std::move(v), out);
    }
    HRESULT put_num_threads(std::int32_t n) { return setting("num_threads", n); }
    HRESULT put_poll_period(std::int32_t n) { return setting("poll_period", n); }
    HRESULT put_timeout(std::int32_t n) { return setting("timeout", n); }
    HRESULT put_retry_count(std::int32_t n) { return setting("retry_count", n); }

private:
    std::atomic<int> answered_{0}; // gets and sets, for `invalid`

    bool answer_valid(const table_t& t) { return answered_++ >= t.invalid; }
    HRESULT setting(const std::string& name, std::int32_t n)
    {
        return called("kestrin2." + name, std::to_string(n)) ? error("manager::" + name + " : refused")
                                                             : S_OK;
    }
};

const dispatch_class_t& Cvector::dispatch_class()
{
    static const member_t members[] = {
        property_get<&Cvector::get_length>("length", 1),
        method<&Cvector::at>("at", 2),
    };
    static const dispatch_class_t cls{"Cvector", "Standin.vector", members};
    return cls;
}

const dispatch_class_t& Cdevice::dispatch_class()
{
    static const member_t members[] = {
        property_get<&Cdevice::get_ip>("ip", 1),
        property_put<&Cdevice::put_ip>("ip", 1),
        property_get<&Cdevice::get_mac>("mac", 2),
        property_get<&Cdevice::get_valid>("valid", 4),
    };
    static const dispatch_class_t cls{"Cdevice", "Standin.device", members};
    return cls;
}

const dispatch_class_t& Cadapter::dispatch_class()
{
    static const member_t members[] = {
        property_get<&Cadapter::get_autoassign>("autoassign", 1),
        property_get<&Cadapter::get_ip>("ip", 2),
        method<&Cadapter::device_first>("device_first", 8),
        method<&Cadapter::device_next>("device_next", 9),
        method<&Cadapter::start>("start", 11),
        method<&Cadapter::device_get>("device_get", 12),
    };
    static const dispatch_class_t cls{"Cadapter", "Standin.adapter", members};
    return cls;
}

const dispatch_class_t& Cmanager::dispatch_class()
{
    static const member_t members[] = {
        property_get<&Cmanager::adapters>("adapters", 2),
        method<&Cmanager::adapter_get>("adapter_get", 3),
    };
    static const dispatch_class_t cls{"Cmanager", "Mellick.manager.1", members};
    return cls;
}

const dispatch_class_t& Cvariable::dispatch_class()
{
    static const member_t members[] = {
        property_get<&Cvariable::get_value>("value", 3),
        property_get<&Cvariable::get_valid>("valid", 4),
    };
    static const dispatch_class_t cls{"Cvariable", "Standin.variable", members};
    return cls;
}

const dispatch_class_t& Cpoller::dispatch_class()
{
    static const member_t members[] = {
        method<&Cpoller::start>("start", 1),
        method<&Cpoller::get>("get", 3),
        method<&Cpoller::set>("set", 4),
        property_put<&Cpoller::put_num_threads>("num_threads", 9),
        property_put<&Cpoller::put_poll_period>("poll_period", 10),
        property_put<&Cpoller::put_timeout>("timeout", 11),
        property_put<&Cpoller::put_retry_count>("retry_count", 12),
    };
    static const dispatch_class_t cls{"Cpoller", "kestrin2.com_manager.1", members};
    return cls;
}

constexpr CLSID CLSID_manager = make_guid("{7D3A55E0-2B6C-4F11-8C0D-5A7E3B9C1201}");
constexpr CLSID CLSID_poller = make_guid("{7D3A55E0-2B6C-4F11-8C0D-5A7E3B9C1202}");

const class_entry_t classes[] = {
    {CLSID_manager, "Mellick.manager.1", "Mellick.manager", "stand-in discovery manager", "Both",
     true, &create_instance_of<Cmanager>},
    {CLSID_poller, "kestrin2.com_manager.1", "kestrin2.com_manager", "stand-in poller manager",
     "Both", true, &create_instance_of<Cpoller>},
};

const server_info_t& server_info()
{
    static const server_info_t info{classes};
    return info;
}

} // namespace

} // namespace standin

OSTREL_AUTOMATION_INPROC_SERVER(standin::server_info())

// The objects of this library still alive (the tests check releases).
extern "C" __attribute__((visibility("default"))) long standin_module_count()
{
    return platform::automation::this_module().count();
}
