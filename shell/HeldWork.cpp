#include "shell/HeldWork.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <utility>
#include <vector>

namespace lettora {

namespace {

// The first paint of a window comes before the window manager has framed it and put it on the
// screen, and the X server still has to show what was painted: this long after it, both are done
// (released at its second exposure instead, when it is framed and shown, the game window was seen
// 7 ms later than this, medians of 16).
constexpr int WorkAfterFirstPaintMs = 150;
// A window never painted (minimized at once, closed) holds nothing longer than this.
constexpr int WorkHeldAtMostMs = 1000;

struct HeldWork
{
    QPointer<QObject> context;
    std::function<void()> work;
};
int holds = 0;
std::vector<HeldWork> held;

void releaseOneHold()
{
    if (holds == 0 || --holds > 0)
        return;
    for (HeldWork &waiting : std::exchange(held, {}))
        if (waiting.context)
            waiting.work();
}

// Lives apart from the window, which may go before it is painted; the timer releases in any case.
class ReleaseAfterFirstPaint : public QObject
{
public:
    explicit ReleaseAfterFirstPaint(QWidget *window) : QObject(qApp), m_window(window)
    {
        if (window)
            window->installEventFilter(this);
        QTimer::singleShot(WorkHeldAtMostMs, this, &ReleaseAfterFirstPaint::release);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(WorkAfterFirstPaintMs, this, &ReleaseAfterFirstPaint::release);
        }
        return false;
    }

private:
    void release()
    {
        if (std::exchange(m_released, true))
            return;
        if (m_window)
            m_window->removeEventFilter(this);
        releaseOneHold();
        deleteLater();
    }

    QPointer<QWidget> m_window;
    bool m_released = false;
};

} // namespace

void holdWork()
{
    ++holds;
}

void runWhenSeen(QObject *context, std::function<void()> work)
{
    if (holds > 0)
        held.push_back({context, std::move(work)});
    else
        work();
}

void releaseWorkWhenSeen(QWidget *window)
{
    new ReleaseAfterFirstPaint(window);
}

} // namespace lettora
