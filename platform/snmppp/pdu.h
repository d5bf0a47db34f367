#pragma once
// The bindings of a request and, after it, the response's bindings with its
// error status and index.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/snmppp/vb.h"

namespace platform::snmppp {

class Pdu {
public:
    Pdu() = default;

    Pdu& operator+=(const Vb& vb);
    int get_vb_count() const { return static_cast<int>(vbs_.size()); }
    // false when there is no binding `index`.
    bool get_vb(Vb& vb, int index) const;
    bool set_vb(const Vb& vb, int index);
    const std::vector<Vb>& vbs() const { return vbs_; }
    void set_vbs(std::vector<Vb> vbs) { vbs_ = std::move(vbs); }

    // Of the last response (0 before any).
    int get_error_status() const { return error_status_; }
    int get_error_index() const { return error_index_; }
    void set_error(int status, int index) {
        error_status_ = status;
        error_index_ = index;
    }

private:
    std::vector<Vb> vbs_;
    int error_status_ = 0;
    int error_index_ = 0;
};

} // namespace platform::snmppp
