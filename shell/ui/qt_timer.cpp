#include "shell/ui/qt_timer.h"

namespace shell::ui {

void CQtTimer::Start(std::chrono::milliseconds period, std::function<void()> tick)
{
    Stop();
    m_connection = QObject::connect(&m_timer, &QTimer::timeout, std::move(tick));
    m_timer.start(period);
}

void CQtTimer::Stop()
{
    m_timer.stop();
    QObject::disconnect(m_connection);
}

} // namespace shell::ui
