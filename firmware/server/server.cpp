// libgorlith.so: the firmware updater as an in-process automation server.
// The six classes, the four exported functions and what the library sets
// up when it is loaded.
#include <memory>
#include <string_view>

#include "firmware/base.h"
#include "firmware/job.h"
#include "firmware/server/com_vector.h"
#include "firmware/server/ids.h"
#include "firmware/server/job.h"
#include "firmware/server/unit.h"
#include "firmware/server/update_check.h"
#include "firmware/server/updater.h"
#include "firmware/server/version.h"
#include "platform/automation/module.h"
#include "platform/automation/server.h"

namespace gorlith {

namespace {

const bool loaded = [] {
    update::register_families();
    // Every job holds the library until both the job object and its thread
    // are gone.
    update::set_job_hold([] { return std::make_shared<pa::module_lock_t>(); });
    return true;
}();

const pa::class_entry_t classes[] = {
    {CLSID_updater, progid_updater, "Gorlith.updater", "updater Class", "Apartment", true,
     &pa::create_instance_of<Cupdater>},
    {CLSID_unit, progid_unit, "Gorlith.unit", "unit Class", "Apartment", true,
     &pa::create_instance_of<Cunit>},
    {CLSID_version, progid_version, "Gorlith.version", "version Class", "Apartment", true,
     &pa::create_instance_of<Cversion>},
    {CLSID_com_vector, progid_com_vector, "Gorlith.com_vector", "com_vector Class", "Apartment",
     true, &pa::create_instance_of<Ccom_vector>},
    {CLSID_update_check, progid_update_check, "Gorlith.update_check", "update_check Class",
     "Apartment", true, &pa::create_instance_of<Cupdate_check>},
    {CLSID_job, progid_job, "Gorlith.job", "job Class", "Apartment", true,
     &pa::create_instance_of<Cjob>},
};

const pa::server_info_t& server_info() {
    (void)loaded;
    static const pa::server_info_t info{classes, LIBID_GORLITHLib, "GORLITHLib", "1.0"};
    return info;
}

} // namespace

} // namespace gorlith

OSTREL_AUTOMATION_INPROC_SERVER(gorlith::server_info())
