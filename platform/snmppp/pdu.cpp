#include "platform/snmppp/pdu.h"

namespace platform::snmppp {

Pdu& Pdu::operator+=(const Vb& vb) {
    vbs_.push_back(vb);
    return *this;
}

bool Pdu::get_vb(Vb& vb, int index) const {
    if (index < 0 || index >= get_vb_count())
        return false;
    vb = vbs_[static_cast<std::size_t>(index)];
    return true;
}

bool Pdu::set_vb(const Vb& vb, int index) {
    if (index < 0 || index >= get_vb_count())
        return false;
    vbs_[static_cast<std::size_t>(index)] = vb;
    return true;
}

} // namespace platform::snmppp
