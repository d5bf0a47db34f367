#pragma once
// The records that carry one SNMP variable across the poller's boundaries.
#include <cstdint>
#include <string>

namespace kestrin2 {

// One variable as the automation interface hands it out (a com_variable
// owns one).
struct snmp_variable_t {
    std::string ip;
    std::string name;
    std::string value = "unknown";
    int type = 0;
    std::uint8_t valid = 0;
};

// One request as a worker hands it to a back end.
struct snmp_vb_t {
    std::string ip;
    // Object identifier, dotted, no leading dot; after a get-next the
    // identifier the device returned.
    std::string name;
    // In for a set; out for every request.
    std::string value;
    // ASN.1 tag of the value received.
    int type = 0;
};

} // namespace kestrin2
