#include "firmware/server/update_check.h"

namespace gorlith {

const pa::dispatch_class_t& Cupdate_check::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Cupdate_check::get_boot_update>("boot_update", DISPID_boot_update),
        pa::property_get<&Cupdate_check::get_code_update>("code_update", DISPID_code_update),
        pa::property_get<&Cupdate_check::get_fpga_update>("fpga_update", DISPID_fpga_update),
        pa::property_get<&Cupdate_check::get_config_update>("config_update", DISPID_config_update),
        pa::property_get<&Cupdate_check::get_boot_differs>("boot_differs", DISPID_boot_differs),
    };
    static const pa::dispatch_class_t cls{"Cupdate_check", progid_update_check, members};
    return cls;
}

} // namespace gorlith
