#include "poller/server/com_variable_vector.h"

#include <utility>

namespace kestrin2 {

namespace pa = platform::automation;

const pa::dispatch_class_t& Ccom_variable_vector::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Ccom_variable_vector::get_length>("length", vector_dispid::length),
        pa::method<&Ccom_variable_vector::at>("at", vector_dispid::at),
    };
    static const pa::dispatch_class_t cls{"Ccom_variable_vector", progid_com_variable_vector,
                                          members};
    return cls;
}

void Ccom_variable_vector::append(pa::com_ptr_t<pa::IDispatch> variable) {
    items_.push_back(std::move(variable));
}

pa::HRESULT Ccom_variable_vector::get_length(std::int32_t* length) {
    if (!length)
        return pa::E_POINTER;
    *length = static_cast<std::int32_t>(items_.size());
    return pa::S_OK;
}

pa::HRESULT Ccom_variable_vector::at(std::int32_t index, pa::IDispatch** variable) {
    if (!variable)
        return pa::E_POINTER;
    const auto count = static_cast<std::int64_t>(items_.size());
    if (index < 0 || index >= count)
        return error(pa::illegal_index_text(index, count));
    *variable = pa::com_ptr_t<pa::IDispatch>(items_[static_cast<std::size_t>(index)]).detach();
    return pa::S_OK;
}

std::uint32_t Ccom_variable_vector::element_count() {
    return static_cast<std::uint32_t>(items_.size());
}

pa::HRESULT Ccom_variable_vector::element(std::uint32_t index, pa::VARIANT* out) {
    out->vt = pa::VT_DISPATCH;
    out->pdispVal = pa::com_ptr_t<pa::IDispatch>(items_[index]).detach();
    return pa::S_OK;
}

} // namespace kestrin2
