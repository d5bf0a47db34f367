#pragma once
// The process-wide trace console. Text written to it reaches the sink only
// while the console is shown; at other times it is dropped.
//
// Write through console_t itself (qo::console << ...): its operators format
// each value on a per-thread stream, so threads share no stream state, and
// the buffer assembles whole lines per thread.
#include <cstdint>
#include <iostream>
#include <sstream>

#include "qo/console_streambuf.h"

namespace qo {

class console_t : public std::iostream {
public:
    console_t();
    ~console_t() override;

    // true: switches the sink on (text written before stays unseen);
    // false: switches it off.
    void show(bool on);
    bool shown() const { return buf_.shown(); }

    template <typename T> console_t& operator<<(const T& value) {
        std::ostringstream& out = formatter();
        out << value;
        pass(out);
        return *this;
    }
    // std::endl, std::flush: a flush also writes an unfinished line.
    console_t& operator<<(std::ostream& (*manipulator)(std::ostream&));
    console_t& operator<<(std::ios_base& (*manipulator)(std::ios_base&));

private:
    std::ostringstream& formatter();
    void pass(std::ostringstream& out);

    console_streambuf_t buf_;
    const std::uint64_t id_;
};

extern console_t console;

} // namespace qo
