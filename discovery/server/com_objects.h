#pragma once
// The discovery server's automation classes: the manager (one per process,
// shared by every client), one com_adapter per card session, com_device for
// one device record and com_bstr_vector for a list of texts.
//
// Every object lives on the serving thread; only the card sessions have
// threads of their own.
#include "discovery/adapter.h"
#include "discovery/adapter_list.h"
#include "platform/automation/registration.h"
#include "platform/automation/vector_dispatch.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace mellick {

namespace pa = platform::automation;

inline constexpr pa::GUID LIBID_MELLICKLib =
    pa::make_guid("{06FF62B9-A4ED-44BF-BF6B-F83D741F6415}");
inline constexpr pa::GUID APPID_Mellick = pa::make_guid("{40F143F6-D84A-4B29-803B-6C6C42261313}");
inline constexpr pa::CLSID CLSID_manager = pa::make_guid("{DA118759-2053-4496-AB8C-53C74FBB979C}");
inline constexpr pa::CLSID CLSID_com_adapter =
    pa::make_guid("{34E54BA5-6681-4F92-9886-397DA7741431}");
inline constexpr pa::CLSID CLSID_com_device =
    pa::make_guid("{CD758996-48AD-44E3-9453-804127EB5054}");
inline constexpr pa::CLSID CLSID_com_bstr_vector =
    pa::make_guid("{20035375-B811-4ECE-A3EE-D2085F103193}");

struct Imanager : pa::IDispatch {
    static constexpr pa::IID iid = pa::make_guid("{C9643CFD-8864-463F-90AD-C2D091011990}");
};
struct Icom_adapter : pa::IDispatch {
    static constexpr pa::IID iid = pa::make_guid("{FE27B1A6-1C07-4370-AD02-099BA03DFA9E}");
};
struct Icom_device : pa::IDispatch {
    static constexpr pa::IID iid = pa::make_guid("{BC687EB7-3CDA-4C94-8780-09D5B5EF37E3}");
};
struct Icom_bstr_vector : pa::IDispatch {
    static constexpr pa::IID iid = pa::make_guid("{57F536C9-D1F3-4C15-A611-5871C032F2E7}");
};

class Ccom_adapter;

class Cmanager : public pa::dispatch_object_t<Cmanager, Imanager> {
public:
    static const pa::dispatch_class_t& dispatch_class();

    // The process's one manager. It is never destroyed; each reference a
    // client holds counts as a lock of the program, like any other object.
    static Cmanager& instance();

    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    pa::HRESULT show_console();
    pa::HRESULT get_adapters(pa::IDispatch** out);
    pa::HRESULT adapter_get(pa::BSTR name, pa::IDispatch** out);

    // From the com_adapter's destructor.
    void remove_adapter(Ccom_adapter* adapter);
    std::size_t adapter_count() const { return adapters_.size(); }

private:
    Cmanager();
    ~Cmanager() override;
    const qo::vg::adapter_list_t& card_list();

    std::unique_ptr<qo::vg::adapter_list_t> list_;
    // Holds no reference: an entry goes when its com_adapter is destroyed.
    std::map<std::string, Ccom_adapter*> adapters_;
    std::atomic<std::uint32_t> refs_{0};
};

class Ccom_adapter : public pa::dispatch_object_t<Ccom_adapter, Icom_adapter> {
public:
    static const pa::dispatch_class_t& dispatch_class();

    Ccom_adapter() = default;
    ~Ccom_adapter() override;

    void attach(std::shared_ptr<qo::vg::adapter_t> session, Cmanager* manager);
    const std::shared_ptr<qo::vg::adapter_t>& session() const { return session_; }

    pa::HRESULT get_autoassign(std::int32_t* out);
    pa::HRESULT put_autoassign(std::int32_t value);
    pa::HRESULT get_ip(pa::BSTR* out);
    pa::HRESULT get_ip_subnet(pa::BSTR* out);
    pa::HRESULT get_ip_start(pa::BSTR* out);
    pa::HRESULT put_ip_start(pa::BSTR value);
    pa::HRESULT get_ip_end(pa::BSTR* out);
    pa::HRESULT put_ip_end(pa::BSTR value);
    pa::HRESULT get_ip_start_default(pa::BSTR* out);
    pa::HRESULT get_ip_end_default(pa::BSTR* out);
    pa::HRESULT device_first(pa::IDispatch** out);
    pa::HRESULT device_next(pa::IDispatch* current, pa::IDispatch** out);
    pa::HRESULT get_send_reservation(std::int32_t* out);
    pa::HRESULT put_send_reservation(std::int32_t value);
    pa::HRESULT start();
    pa::HRESULT device_get(pa::BSTR mac, pa::IDispatch** out);
    pa::HRESULT device_remove(pa::BSTR mac, std::int32_t* out);

private:
    std::shared_ptr<qo::vg::adapter_t> session_;
    Cmanager* manager_ = nullptr;
};

class Ccom_device : public pa::dispatch_object_t<Ccom_device, Icom_device> {
public:
    // How a com_adapter recognises a com_device passed back to it.
    static constexpr pa::IID implementation_iid =
        pa::make_guid("{8E1D4C62-5B07-4A3F-9E2C-71D0A5B3C9F4}");
    static const pa::dispatch_class_t& dispatch_class();

    Ccom_device() = default;
    // The record stays alive for as long as this object refers to it, even
    // after its session closed.
    explicit Ccom_device(std::shared_ptr<qo::vg::device_t> device) : device_(std::move(device)) {}

    const std::shared_ptr<qo::vg::device_t>& device() const { return device_; }

    pa::HRESULT get_ip(pa::BSTR* out);
    pa::HRESULT put_ip(pa::BSTR value);
    pa::HRESULT get_mac(pa::BSTR* out);
    pa::HRESULT get_age(std::int32_t* out);
    pa::HRESULT get_valid(std::int32_t* out);

private:
    std::shared_ptr<qo::vg::device_t> device_;
};

class Ccom_bstr_vector : public pa::vector_dispatch_t<Ccom_bstr_vector, Icom_bstr_vector> {
public:
    static const pa::dispatch_class_t& dispatch_class();
    static constexpr pa::element_access_t element_access{"Mellick BSTR vector"};

    Ccom_bstr_vector() = default;
    explicit Ccom_bstr_vector(std::vector<std::string> texts) : texts_(std::move(texts)) {}

    pa::HRESULT get_length(std::int32_t* out);
    pa::HRESULT at(std::int32_t index, pa::BSTR* out);

    std::uint32_t element_count() { return static_cast<std::uint32_t>(texts_.size()); }
    pa::HRESULT element(std::uint32_t index, pa::VARIANT* out);

private:
    std::vector<std::string> texts_;
};

// The classes, type library and AppID as registration writes them.
const pa::server_info_t& server_info();

} // namespace mellick
