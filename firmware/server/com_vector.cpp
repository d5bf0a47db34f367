#include "firmware/server/com_vector.h"

#include "firmware/server/version.h"
#include "platform/automation/error_info.h"

namespace gorlith {

version_generator_t::version_generator_t(std::shared_ptr<const catalogue_t> catalogue,
                                         std::vector<const image_record*> records)
    : catalogue_(std::move(catalogue)), records_(std::move(records)) {}

std::uint32_t version_generator_t::count() const {
    return static_cast<std::uint32_t>(records_.size());
}

pa::com_ptr_t<pa::IDispatch> version_generator_t::item(std::uint32_t index) {
    if (index >= records_.size())
        return nullptr;
    return pa::com_ptr_t<pa::IDispatch>(pa::make_object<Cversion>(catalogue_, records_[index]).get());
}

Ccom_vector::Ccom_vector(std::unique_ptr<dispatch_generator_abc> generator)
    : generator_(std::move(generator)), cache_(generator_ ? generator_->count() : 0) {}

pa::com_ptr_t<pa::IDispatch> Ccom_vector::item(std::uint32_t index) {
    std::lock_guard guard(lock_);
    pa::com_ptr_t<pa::IDispatch>& cached = cache_[index];
    if (!cached)
        cached = generator_->item(index);
    return cached;
}

std::uint32_t Ccom_vector::element_count() {
    return static_cast<std::uint32_t>(cache_.size());
}

pa::HRESULT Ccom_vector::get_length(std::int32_t* out) {
    *out = static_cast<std::int32_t>(element_count());
    return pa::S_OK;
}

pa::HRESULT Ccom_vector::at(std::int32_t index, pa::IDispatch** out) {
    // Taken as unsigned: a negative index is beyond the end.
    const auto position = static_cast<std::uint32_t>(index);
    if (position >= element_count())
        return error(pa::illegal_index_text(index, element_count()));
    return pa::hand_out(item(position), out);
}

pa::HRESULT Ccom_vector::element(std::uint32_t index, pa::VARIANT* out) {
    out->pdispVal = item(index).detach();
    out->vt = pa::VT_DISPATCH;
    return pa::S_OK;
}

const pa::dispatch_class_t& Ccom_vector::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Ccom_vector::get_length>("length", DISPID_length),
        pa::method<&Ccom_vector::at>("at", DISPID_at),
    };
    static const pa::dispatch_class_t cls{"Ccom_vector", progid_com_vector, members};
    return cls;
}

} // namespace gorlith
