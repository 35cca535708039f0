#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace lettora {

// An event-loop timer with the game's rules, which differ from QTimer's:
// - enabling an enabled timer changes nothing: its countdown goes on;
// - giving a running timer the interval it already has changes nothing, a new one restarts it;
// - disabling and enabling restarts the countdown;
// - an interval of 0, a negative one or one that does not fit in 32 bits never fires.
// Each tick runs the handler inside the error guard.
class EventTimer : public QObject
{
    Q_OBJECT
public:
    explicit EventTimer(QObject *parent, qint64 intervalMs = 1000, bool enabled = true);

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setInterval(qint64 ms);
    qint64 interval() const { return m_interval; }

    // True while a countdown is running (enabled with a usable interval).
    bool isCounting() const { return m_timer.isActive(); }
    // How many countdowns have been started so far; lets tests see restarts without waiting.
    int countdownsStarted() const { return m_starts; }

    // Time left of the running countdown in milliseconds; -1 while none runs.
    qint64 remainingTime() const { return m_timer.isActive() ? m_timer.remainingTime() : -1; }

    std::function<void()> onTimer;

    // Fires a tick now, as if the countdown had run out (for tests).
    void fire();

Q_SIGNALS:
    // A countdown of `ms` begins: at a start, a restart, and each time one runs out (before its tick).
    void countdownStarted(qint64 ms);
    // The running countdown ends without a tick: disabled, or an interval that never fires.
    void countdownStopped();

private:
    void restartOrStop();

    QTimer m_timer;
    qint64 m_interval;
    bool m_enabled;
    int m_starts = 0;
};

} // namespace lettora
