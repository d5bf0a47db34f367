#pragma once
// A net watch that reads no card: its first sweep comes at once, so a
// session without a network (the README's pictures, the program's tests)
// gets past the start's wait for the online list.
#include "comm/online_devices.h"
#include "shell/main_frame_core.h"

namespace shell {

class CSweepingWatch final : public INetWatch {
public:
    explicit CSweepingWatch(comm::CWatchState& state) : m_state(state) {}
    void Start(bool) override {
        m_state.firstSweep = 1;
        m_state.sweepEvent.set();
    }
    void Stop() override { m_state.RequestStop(); }

private:
    comm::CWatchState& m_state;
};

} // namespace shell
