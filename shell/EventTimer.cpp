#include "shell/EventTimer.h"

#include "shell/ErrorReport.h"

#include <limits>

namespace lettora {

namespace {
bool usable(qint64 ms)
{
    return ms > 0 && ms <= std::numeric_limits<int>::max();
}
} // namespace

EventTimer::EventTimer(QObject *parent, qint64 intervalMs, bool enabled)
    : QObject(parent), m_interval(intervalMs), m_enabled(enabled)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // The next countdown is already running when the tick's handler begins.
        Q_EMIT countdownStarted(m_interval);
        fire();
    });
    restartOrStop();
}

void EventTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restartOrStop();
}

void EventTimer::setInterval(qint64 ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    restartOrStop();
}

void EventTimer::fire()
{
    if (onTimer)
        guard(onTimer);
}

void EventTimer::restartOrStop()
{
    if (m_enabled && usable(m_interval)) {
        m_timer.start(static_cast<int>(m_interval));
        ++m_starts;
        Q_EMIT countdownStarted(m_interval);
    } else if (m_timer.isActive()) {
        m_timer.stop();
        Q_EMIT countdownStopped();
    }
}

} // namespace lettora
