#pragma once
// One network card of the card list.
#include <string>

#include "qo/ip_address.h"

namespace qo::vg {

struct adapter_info_t {
    std::string name;        // the card's own name
    std::string title;       // what the operator chooses; unique in the list
    std::string service;     // the driver side's name for the card
    std::string device_name; // what W32N_OpenAdapterA opens
    qo::ip_address_t ip;
    qo::ip_address_t mask;
};

} // namespace qo::vg
