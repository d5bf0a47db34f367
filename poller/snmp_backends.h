#pragma once
// The real back ends of the workers.
#include "poller/snmp_thread.h"

namespace kestrin2 {

// snmp_pp_t for snmp_backend_snmppp, snmp_nt_t for snmp_backend_nt.
snmp_backend_factory_t snmp_backends();

} // namespace kestrin2
