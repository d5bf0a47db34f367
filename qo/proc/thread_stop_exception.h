#pragma once
// Thrown inside a thread when it sees its stop request; thread_t's entry
// swallows it, so a thread function may simply let it pass.
#include "qo/proc/exception.h"

namespace qo::proc {

class thread_stop_exception_t : public exception_t {
public:
    thread_stop_exception_t() : exception_t("thread stop signaled") {}
};

} // namespace qo::proc
