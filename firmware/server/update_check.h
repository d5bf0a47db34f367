#pragma once
// Cupdate_check (class "update_check" over Iupdate_check): which parts of a
// unit differ from an image, as the unit's family judged it.
#include <cstdint>

#include "firmware/base.h"
#include "firmware/server/interfaces.h"
#include "platform/automation/dispatch.h"

namespace gorlith {

class Cupdate_check : public pa::dispatch_object_t<Cupdate_check, Iupdate_check> {
public:
    static const pa::dispatch_class_t& dispatch_class();

    // A check a client created itself says "nothing to do".
    Cupdate_check() = default;
    explicit Cupdate_check(const update::update_flags_t& flags) : flags_(flags) {}

    pa::HRESULT get_boot_update(std::int32_t* out) { return flag(flags_.boot_update, out); }
    pa::HRESULT get_code_update(std::int32_t* out) { return flag(flags_.code_update, out); }
    pa::HRESULT get_fpga_update(std::int32_t* out) { return flag(flags_.fpga_update, out); }
    pa::HRESULT get_config_update(std::int32_t* out) { return flag(flags_.config_update, out); }
    pa::HRESULT get_boot_differs(std::int32_t* out) { return flag(flags_.boot_differs, out); }

private:
    static pa::HRESULT flag(bool value, std::int32_t* out) {
        *out = value ? 1 : 0;
        return pa::S_OK;
    }

    const update::update_flags_t flags_;
};

} // namespace gorlith
