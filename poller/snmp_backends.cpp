#include "poller/snmp_backends.h"

#include "poller/snmp_nt.h"
#include "poller/snmp_pp.h"

namespace kestrin2 {

snmp_backend_factory_t snmp_backends() {
    return [](int type) -> std::unique_ptr<snmp_base_t> {
        if (type == snmp_backend_nt)
            return std::make_unique<snmp_nt_t>();
        return std::make_unique<snmp_pp_t>();
    };
}

} // namespace kestrin2
