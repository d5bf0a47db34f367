#include "discovery/server/com_objects.h"

#include "discovery/log.h"
#include "platform/automation/server.h"
#include "qo/bstr.h"
#include "qo/console.h"

namespace mellick {

namespace {

constexpr const char* progid_manager = "Mellick.manager.1";
constexpr const char* progid_com_adapter = "Mellick.com_adapter.1";
constexpr const char* progid_com_device = "Mellick.com_device.1";
constexpr const char* progid_com_bstr_vector = "Mellick.com_bstr_vector.1";

pa::HRESULT text_out(const std::string& text, pa::BSTR* out) {
    *out = qo::string_to_bstr(text);
    return pa::S_OK;
}

pa::HRESULT new_device(std::shared_ptr<qo::vg::device_t> device, pa::IDispatch** out) {
    return pa::hand_out(pa::make_object<Ccom_device>(std::move(device)), out);
}

// An address a client gives: exactly a dotted quad of 0..255.
std::optional<qo::ip_address_t> address_of(pa::BSTR text) {
    qo::ip_address_t ip;
    if (!ip.try_parse(bstr_to_string(text)))
        return std::nullopt;
    return ip;
}

pa::HRESULT create_manager(const pa::IID& riid, void** out) {
    if (!out)
        return pa::E_POINTER;
    *out = nullptr;
    return Cmanager::instance().QueryInterface(riid, out);
}

} // namespace

// ---- manager -----------------------------------------------------------------

Cmanager::Cmanager() {
    // The base counted the object itself; only client references count.
    pa::this_module().unlock();
}

Cmanager::~Cmanager() {
    pa::this_module().lock();
}

Cmanager& Cmanager::instance() {
    static Cmanager* one = new Cmanager;
    return *one;
}

std::uint32_t Cmanager::AddRef() {
    pa::this_module().lock();
    return refs_.fetch_add(1) + 1;
}

std::uint32_t Cmanager::Release() {
    const auto left = refs_.fetch_sub(1) - 1;
    pa::this_module().unlock();
    return left;
}

const pa::dispatch_class_t& Cmanager::dispatch_class() {
    static const pa::member_t members[] = {
        pa::method<&Cmanager::show_console>("show_console", 1),
        pa::property_get<&Cmanager::get_adapters>("adapters", 2),
        pa::method<&Cmanager::adapter_get>("adapter_get", 3),
    };
    static const pa::dispatch_class_t cls{"Cmanager", progid_manager, members};
    return cls;
}

const qo::vg::adapter_list_t& Cmanager::card_list() {
    if (!list_)
        list_ = std::make_unique<qo::vg::adapter_list_t>();
    return *list_;
}

pa::HRESULT Cmanager::show_console() {
    qo::console.show(true);
    return pa::S_OK;
}

pa::HRESULT Cmanager::get_adapters(pa::IDispatch** out) {
    std::vector<std::string> titles;
    card_list().titles(titles);
    return pa::hand_out(pa::make_object<Ccom_bstr_vector>(std::move(titles)), out);
}

pa::HRESULT Cmanager::adapter_get(pa::BSTR name, pa::IDispatch** out) {
    const std::string title = bstr_to_string(name);
    auto it = adapters_.find(title);
    if (it == adapters_.end()) {
        qo::vg::log_line("creating adapter " + title);
        auto adapter = pa::make_object<Ccom_adapter>();
        adapter->attach(card_list().open(title), this);
        it = adapters_.emplace(title, adapter.get()).first;
        return pa::hand_out(std::move(adapter), out);
    }
    return pa::hand_out(pa::com_ptr_t<Ccom_adapter>(it->second), out);
}

void Cmanager::remove_adapter(Ccom_adapter* adapter) {
    qo::vg::log_line("removing adapter...");
    std::erase_if(adapters_, [adapter](const auto& entry) { return entry.second == adapter; });
}

// ---- com_adapter ---------------------------------------------------------------

const pa::dispatch_class_t& Ccom_adapter::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Ccom_adapter::get_autoassign>("autoassign", 1),
        pa::property_put<&Ccom_adapter::put_autoassign>("autoassign", 1),
        pa::property_get<&Ccom_adapter::get_ip>("ip", 2),
        pa::property_get<&Ccom_adapter::get_ip_subnet>("ip_subnet", 3),
        pa::property_get<&Ccom_adapter::get_ip_start>("ip_start", 4),
        pa::property_put<&Ccom_adapter::put_ip_start>("ip_start", 4),
        pa::property_get<&Ccom_adapter::get_ip_end>("ip_end", 5),
        pa::property_put<&Ccom_adapter::put_ip_end>("ip_end", 5),
        pa::property_get<&Ccom_adapter::get_ip_start_default>("ip_start_default", 6),
        pa::property_get<&Ccom_adapter::get_ip_end_default>("ip_end_default", 7),
        pa::method<&Ccom_adapter::device_first>("device_first", 8),
        pa::method<&Ccom_adapter::device_next>("device_next", 9),
        pa::property_get<&Ccom_adapter::get_send_reservation>("send_reservation", 10),
        pa::property_put<&Ccom_adapter::put_send_reservation>("send_reservation", 10),
        pa::method<&Ccom_adapter::start>("start", 11),
        pa::method<&Ccom_adapter::device_get>("device_get", 12),
        pa::method<&Ccom_adapter::device_remove>("device_remove", 13),
    };
    static const pa::dispatch_class_t cls{"Ccom_adapter", progid_com_adapter, members};
    return cls;
}

void Ccom_adapter::attach(std::shared_ptr<qo::vg::adapter_t> session, Cmanager* manager) {
    session_ = std::move(session);
    manager_ = manager;
}

Ccom_adapter::~Ccom_adapter() {
    if (manager_)
        manager_->remove_adapter(this);
    // Stops the threads and saves the history; records that clients still
    // hold outlive the session.
    if (session_)
        session_->close();
    session_.reset();
}

pa::HRESULT Ccom_adapter::get_autoassign(std::int32_t* out) {
    if (session_)
        *out = session_->autoassign();
    return pa::S_OK;
}

pa::HRESULT Ccom_adapter::put_autoassign(std::int32_t value) {
    if (session_)
        session_->put_autoassign(value);
    return pa::S_OK;
}

pa::HRESULT Ccom_adapter::get_ip(pa::BSTR* out) {
    return session_ ? text_out(session_->ip().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_adapter::get_ip_subnet(pa::BSTR* out) {
    return session_ ? text_out(session_->subnet_mask().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_adapter::get_ip_start(pa::BSTR* out) {
    return session_ ? text_out(session_->pool_start().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_adapter::get_ip_end(pa::BSTR* out) {
    return session_ ? text_out(session_->pool_end().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_adapter::put_ip_start(pa::BSTR value) {
    if (!session_)
        return pa::S_OK;
    // A text that is no address would put 0.0.0.0 at the head of the pool.
    const auto ip = address_of(value);
    if (!ip)
        return error("Not an IPv4 address: " + bstr_to_string(value));
    session_->put_pool_start(*ip);
    return pa::S_OK;
}

pa::HRESULT Ccom_adapter::put_ip_end(pa::BSTR value) {
    if (!session_)
        return pa::S_OK;
    const auto ip = address_of(value);
    if (!ip)
        return error("Not an IPv4 address: " + bstr_to_string(value));
    session_->put_pool_end(*ip);
    return pa::S_OK;
}

pa::HRESULT Ccom_adapter::get_ip_start_default(pa::BSTR* out) {
    return session_ ? text_out(session_->default_pool_start().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_adapter::get_ip_end_default(pa::BSTR* out) {
    return session_ ? text_out(session_->default_pool_end().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_adapter::device_first(pa::IDispatch** out) {
    return session_ ? new_device(session_->device_first(), out) : pa::S_OK;
}

pa::HRESULT Ccom_adapter::device_next(pa::IDispatch* current, pa::IDispatch** out) {
    if (!session_)
        return pa::S_OK;
    const auto device = pa::implementation_cast<Ccom_device>(current);
    if (!device)
        return pa::S_OK;
    // A com_device without a device stands after every device.
    return new_device(device->device() ? session_->device_next(*device->device()) : nullptr, out);
}

pa::HRESULT Ccom_adapter::get_send_reservation(std::int32_t* out) {
    if (session_)
        *out = session_->send_reservation();
    return pa::S_OK;
}

pa::HRESULT Ccom_adapter::put_send_reservation(std::int32_t value) {
    if (session_)
        session_->put_send_reservation(value);
    return pa::S_OK;
}

pa::HRESULT Ccom_adapter::start() {
    if (session_)
        session_->start();
    return pa::S_OK;
}

pa::HRESULT Ccom_adapter::device_get(pa::BSTR mac, pa::IDispatch** out) {
    if (!session_)
        return pa::S_OK;
    qo::mac_address_t m;
    if (!m.try_parse(bstr_to_string(mac)))
        return new_device(nullptr, out);
    return new_device(session_->device_get(m), out);
}

pa::HRESULT Ccom_adapter::device_remove(pa::BSTR mac, std::int32_t* out) {
    if (!session_)
        return pa::S_OK;
    qo::mac_address_t m;
    *out = m.try_parse(bstr_to_string(mac)) ? session_->device_remove(m) : 0;
    return pa::S_OK;
}

// ---- com_device ----------------------------------------------------------------

const pa::dispatch_class_t& Ccom_device::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Ccom_device::get_ip>("ip", 1),
        pa::property_put<&Ccom_device::put_ip>("ip", 1),
        pa::property_get<&Ccom_device::get_mac>("mac", 2),
        pa::property_get<&Ccom_device::get_age>("age", 3),
        pa::property_get<&Ccom_device::get_valid>("valid", 4),
    };
    static const pa::dispatch_class_t cls{"Ccom_device", progid_com_device, members};
    return cls;
}

pa::HRESULT Ccom_device::get_ip(pa::BSTR* out) {
    return device_ ? text_out(device_->ip().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_device::put_ip(pa::BSTR value) {
    if (!device_)
        return pa::S_OK;
    // Anything else would be sent to the device as 255.255.255.255 or 0.0.0.0.
    if (!device_->queue_manual_ip(bstr_to_string(value)))
        return error("Not an IPv4 address: " + bstr_to_string(value));
    return pa::S_OK;
}

pa::HRESULT Ccom_device::get_mac(pa::BSTR* out) {
    return device_ ? text_out(device_->mac().to_string(), out) : pa::S_OK;
}

pa::HRESULT Ccom_device::get_age(std::int32_t* out) {
    if (device_) {
        const auto age = device_->age();
        *out = age > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(age);
    }
    return pa::S_OK;
}

pa::HRESULT Ccom_device::get_valid(std::int32_t* out) {
    *out = device_ ? 1 : 0;
    return pa::S_OK;
}

// ---- com_bstr_vector -----------------------------------------------------------

const pa::dispatch_class_t& Ccom_bstr_vector::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Ccom_bstr_vector::get_length>("length", 1),
        pa::method<&Ccom_bstr_vector::at>("at", 2),
    };
    static const pa::dispatch_class_t cls{"Ccom_bstr_vector", progid_com_bstr_vector, members};
    return cls;
}

pa::HRESULT Ccom_bstr_vector::get_length(std::int32_t* out) {
    *out = static_cast<std::int32_t>(texts_.size());
    return pa::S_OK;
}

pa::HRESULT Ccom_bstr_vector::at(std::int32_t index, pa::BSTR* out) {
    if (index < 0 || static_cast<std::size_t>(index) >= texts_.size())
        return error(pa::illegal_index_text(index, static_cast<std::int64_t>(texts_.size())));
    return text_out(texts_[static_cast<std::size_t>(index)], out);
}

pa::HRESULT Ccom_bstr_vector::element(std::uint32_t index, pa::VARIANT* out) {
    out->bstrVal = qo::string_to_bstr(texts_.at(index));
    out->vt = pa::VT_BSTR;
    return pa::S_OK;
}

// ---- registration --------------------------------------------------------------

const pa::server_info_t& server_info() {
    static const pa::class_entry_t classes[] = {
        {CLSID_manager, progid_manager, "Mellick.manager", "manager Class", "Apartment", true,
         &create_manager},
        {CLSID_com_adapter, progid_com_adapter, "Mellick.com_adapter", "com_adapter Class",
         "Apartment", true, &pa::create_instance_of<Ccom_adapter>},
        {CLSID_com_device, progid_com_device, "Mellick.com_device", "com_device Class", "Apartment",
         true, &pa::create_instance_of<Ccom_device>},
        {CLSID_com_bstr_vector, progid_com_bstr_vector, "Mellick.com_bstr_vector",
         "com_bstr_vector Class", "Apartment", true, &pa::create_instance_of<Ccom_bstr_vector>},
    };
    static const pa::server_info_t info{classes,       LIBID_MELLICKLib, "MELLICKLib", "1.0",
                                        APPID_Mellick, "Mellick",        "mellick"};
    return info;
}

} // namespace mellick
