#pragma once
// The shell's timer seam over a QTimer of the user-interface thread.
#include "shell/main_frame_core.h"

#include <QTimer>

namespace shell::ui {

class CQtTimer final : public ITimer {
public:
    void Start(std::chrono::milliseconds period, std::function<void()> tick) override;
    void Stop() override;

private:
    QTimer m_timer;
    QMetaObject::Connection m_connection;
};

} // namespace shell::ui
