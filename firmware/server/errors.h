#pragma once
// Error reporting at the automation boundary: every member runs its work
// through report_errors, which turns an exception of the qo family into the
// thread's error information (source: the class's ProgID; description: the
// member's prefix, such as "updater::upload : ", and the exception text)
// and DISP_E_EXCEPTION. Other exceptions are left to the dispatch layer.
#include <string>
#include <string_view>

#include "platform/automation/error_info.h"
#include "platform/automation/types.h"
#include "qo/exception.h"

namespace gorlith {

// An argument that is not what the member takes.
inline constexpr const char* invalid_parameter_text = "invalid parameter passed";
// An object without what the member needs (a version without record, a
// unit without family object or catalogue).
inline constexpr const char* object_error_text = "object error";

template <typename Body>
platform::automation::HRESULT report_errors(std::string_view source, std::string_view prefix,
                                            Body&& body) {
    try {
        return body();
    } catch (const qo::exception_t& e) {
        platform::automation::set_error_info(platform::automation::GUID_NULL, source,
                                             std::string(prefix) + e.what());
        return platform::automation::DISP_E_EXCEPTION;
    }
}

// A new BSTR for the caller.
inline platform::automation::HRESULT hand_out_text(std::string_view text,
                                                   platform::automation::BSTR* out) {
    *out = platform::automation::SysAllocString(text);
    return *out ? platform::automation::S_OK : platform::automation::E_OUTOFMEMORY;
}

} // namespace gorlith
