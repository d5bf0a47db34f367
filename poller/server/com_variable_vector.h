#pragma once
// com_variable_vector: a read-only list of com_variable objects, in the
// order the poller gave them. Elements are reached by `at` or, late bound,
// by the DISPID 256 + index.
#include <cstdint>
#include <vector>

#include "platform/automation/com_ptr.h"
#include "platform/automation/vector_dispatch.h"
#include "poller/server/kestrin2_interfaces.h"

namespace kestrin2 {

class Ccom_variable_vector final
    : public platform::automation::vector_dispatch_t<Ccom_variable_vector, Icom_variable_vector> {
public:
    static const platform::automation::dispatch_class_t& dispatch_class();
    static constexpr platform::automation::element_access_t element_access{
        vector_element_source, platform::automation::element_check::flags_first};

    // While the vector is being filled, before it is handed out; the vector
    // holds one reference of each element.
    void append(platform::automation::com_ptr_t<platform::automation::IDispatch> variable);

    HRESULT get_length(std::int32_t* length) override;
    HRESULT at(std::int32_t index, platform::automation::IDispatch** variable) override;

    std::uint32_t element_count();
    HRESULT element(std::uint32_t index, platform::automation::VARIANT* out);

private:
    // Never changed once handed out, so callers on any thread may read it.
    std::vector<platform::automation::com_ptr_t<platform::automation::IDispatch>> items_;
};

} // namespace kestrin2
