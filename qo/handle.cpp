#include "qo/handle.h"

#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

#include <system_error>

namespace qo {

bool handle_t::wait(std::uint32_t milliseconds) const {
    if (!object_)
        throw wapi::exception_t(wapi::error_invalid_handle);
    try {
        return platform::sync::wait_any({object_.get()}, milliseconds) == 0;
    } catch (const std::system_error& e) {
        throw wapi::exception_t(wapi::error_from_errno(e.code().value()));
    }
}

} // namespace qo
