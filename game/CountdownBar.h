#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

namespace lettora {

// The picture's countdown as a child sees it: a rounded bar beside the picture's frame that is full
// when a picture comes and empties, from the top down, over the picture's seconds; it turns red
// in the last seconds. Hidden while no countdown runs or when the grown-ups turned it off. It
// repaints only when its length moves by a pixel, and nothing ticks while it is hidden.
class CountdownBar : public QWidget
{
    Q_OBJECT
public:
    // Milliseconds on a steady clock; tests give their own.
    using Clock = std::function<qint64()>;

    explicit CountdownBar(QWidget *parent);
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // A countdown of `ms` begins now; it ends without a tick.
    void start(qint64 ms);
    void stop();
    // The grown-ups' "Show the countdown".
    void setWanted(bool wanted);

    bool isCounting() const { return m_total > 0; }
    // 1 when a countdown begins, 0 when it has run out.
    double fraction() const;
    bool isWarning() const;
    // True while a repaint is scheduled.
    bool isTicking() const { return m_repaint.isActive(); }

    static const QColor Plenty;
    static const QColor Warning;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint64 remaining() const;
    qint64 warningFrom() const;
    int trackLength() const;
    void refresh();
    void scheduleNext();

    Clock m_clock;
    QTimer m_repaint;
    qint64 m_total = 0;  // 0: no countdown runs
    qint64 m_deadline = 0;
    bool m_wanted = true;
};

} // namespace lettora
