#include "firmware/base.h"
#include "firmware/brisk.h"
#include "firmware/plinth.h"
#include "firmware/tolk.h"
#include "firmware/tolkamd.h"

#include <mutex>

namespace update {

void register_families() {
    // The upload job probes in registration order, and a unit that serves
    // the boot files of two families is taken by the first: the order is
    // fixed here rather than left to static initialisation.
    static std::once_flag once;
    std::call_once(once, [] {
        register_family(&tolk_t::probe, &tolk_t::image_check);
        register_family(&tolkamd_t::probe, &tolkamd_t::image_check);
        register_family(&brisk_t::probe, &brisk_t::image_check);
        register_family(&plinth_t::probe, &plinth_t::image_check);
    });
}

} // namespace update
