#pragma once
// Errors of the thread module.
#include "qo/exception.h"

namespace qo::proc {

class exception_t : public qo::exception_t {
public:
    using qo::exception_t::exception_t;
};

} // namespace qo::proc
