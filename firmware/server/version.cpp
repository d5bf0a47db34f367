#include "firmware/server/version.h"

#include "firmware/server/errors.h"

namespace gorlith {

namespace {

constexpr const char* unknown_text = "Unknown";

} // namespace

Cversion::Cversion(std::shared_ptr<const catalogue_t> catalogue, const image_record* record)
    : catalogue_(std::move(catalogue)), record_(catalogue_ ? record : nullptr) {}

pa::com_ptr_t<Cversion> Cversion::from(const pa::VARIANT& argument) {
    switch (argument.vt) {
    case pa::VT_DISPATCH:
        return pa::implementation_cast<Cversion>(argument.pdispVal);
    case pa::VT_UNKNOWN:
        return pa::implementation_cast<Cversion>(argument.punkVal);
    case pa::VT_DISPATCH | pa::VT_BYREF:
        return argument.ppdispVal ? pa::implementation_cast<Cversion>(*argument.ppdispVal)
                                  : nullptr;
    case pa::VT_UNKNOWN | pa::VT_BYREF:
        return argument.ppunkVal ? pa::implementation_cast<Cversion>(*argument.ppunkVal) : nullptr;
    case pa::VT_VARIANT | pa::VT_BYREF:
        return argument.pvarVal ? from(*argument.pvarVal) : nullptr;
    default:
        return nullptr;
    }
}

pa::HRESULT Cversion::get_name(pa::BSTR* out) {
    return hand_out_text(record_ ? catalogue_->display_name(record_) : unknown_text, out);
}

pa::HRESULT Cversion::get_path(pa::BSTR* out) {
    return hand_out_text(record_ ? catalogue_->image_path(*record_) : unknown_text, out);
}

// Without a record the checksums leave the caller's value alone.
pa::HRESULT Cversion::get_code_cs(std::int32_t* out) {
    if (record_)
        *out = static_cast<std::int32_t>(record_->checksums.code);
    return pa::S_OK;
}

pa::HRESULT Cversion::get_fpga_cs(std::int32_t* out) {
    if (record_)
        *out = static_cast<std::int32_t>(record_->checksums.fpga);
    return pa::S_OK;
}

pa::HRESULT Cversion::get_fpga2_cs(std::int32_t* out) {
    if (record_)
        *out = static_cast<std::int32_t>(record_->checksums.fpga2);
    return pa::S_OK;
}

pa::HRESULT Cversion::get_boot_cs(std::int32_t* out) {
    if (record_)
        *out = static_cast<std::int32_t>(record_->checksums.boot);
    return pa::S_OK;
}

pa::HRESULT Cversion::get_valid(std::int32_t* out) {
    *out = record_ ? 1 : 0;
    return pa::S_OK;
}

pa::HRESULT Cversion::get_exists(std::int32_t* out) {
    *out = record_ && record_->exists ? 1 : 0;
    return pa::S_OK;
}

// Anything but a version of this server is compatible with nothing.
pa::HRESULT Cversion::is_compatible(const pa::VARIANT& ver, std::int32_t* out) {
    const pa::com_ptr_t<Cversion> other = from(ver);
    *out = record_ && other && other->record_ && other->record_->type_name == record_->type_name
               ? 1
               : 0;
    return pa::S_OK;
}

const pa::dispatch_class_t& Cversion::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Cversion::get_name>("name", DISPID_name),
        pa::property_get<&Cversion::get_path>("path", DISPID_path),
        pa::property_get<&Cversion::get_code_cs>("code_cs", DISPID_code_cs),
        pa::property_get<&Cversion::get_fpga_cs>("fpga_cs", DISPID_fpga_cs),
        pa::property_get<&Cversion::get_fpga2_cs>("fpga2_cs", DISPID_fpga2_cs),
        pa::property_get<&Cversion::get_boot_cs>("boot_cs", DISPID_boot_cs),
        pa::property_get<&Cversion::get_valid>("valid", DISPID_valid),
        pa::property_get<&Cversion::get_exists>("exists", DISPID_exists),
        pa::method<&Cversion::is_compatible>("is_compatible", DISPID_is_compatible),
    };
    static const pa::dispatch_class_t cls{"Cversion", progid_version, members};
    return cls;
}

} // namespace gorlith
