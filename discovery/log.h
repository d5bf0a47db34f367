#pragma once
// Trace lines of the discovery server: one line per call, onto the
// server's console.
#include <string>
#include <string_view>

#include "qo/console.h"

namespace qo::vg {

inline void log_line(std::string_view text) {
    // A hidden console drops the line anyway; a flooded packet thread logs
    // one for every frame.
    if (!qo::console.shown())
        return;
    std::string line(text);
    line += '\n';
    qo::console << line;
}

} // namespace qo::vg
