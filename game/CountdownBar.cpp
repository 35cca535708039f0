#include "game/CountdownBar.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace lettora {

namespace {
constexpr qint64 WarningSeconds = 3;
constexpr int WarningShare = 4;      // ... or the last quarter, whichever is shorter
constexpr int Border = 2;            // the outline's width
constexpr int MinRepaintMs = 40;     // a short countdown on a tall bar moves no faster than 25 frames a second
const QColor Outline(0xff, 0xa7, 0x26);  // the frame's orange
const QColor Track(Qt::white);

qint64 steadyNow()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
} // namespace

const QColor CountdownBar::Plenty(0x4c, 0xb8, 0x4c);
const QColor CountdownBar::Warning(0xf4, 0x51, 0x1e);

CountdownBar::CountdownBar(QWidget *parent) : QWidget(parent), m_clock(steadyNow)
{
    setObjectName(QStringLiteral("Countdown"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    m_repaint.setSingleShot(true);
    connect(&m_repaint, &QTimer::timeout, this, &CountdownBar::refresh);
    hide();
}

void CountdownBar::start(qint64 ms)
{
    m_total = std::max<qint64>(ms, 0);
    m_deadline = m_clock() + m_total;
    refresh();
}

void CountdownBar::stop()
{
    m_total = 0;
    refresh();
}

void CountdownBar::setWanted(bool wanted)
{
    m_wanted = wanted;
    refresh();
}

qint64 CountdownBar::remaining() const
{
    return std::clamp<qint64>(m_deadline - m_clock(), 0, m_total);
}

double CountdownBar::fraction() const
{
    return m_total > 0 ? double(remaining()) / double(m_total) : 0.0;
}

qint64 CountdownBar::warningFrom() const
{
    return std::min(WarningSeconds * 1000, m_total / WarningShare);
}

bool CountdownBar::isWarning() const
{
    return m_total > 0 && remaining() <= warningFrom();
}

int CountdownBar::trackLength() const
{
    return std::max(1, height() - 2 * Border);
}

void CountdownBar::refresh()
{
    const bool showing = m_wanted && m_total > 0;
    setVisible(showing);
    m_repaint.stop();
    if (!showing)
        return;
    update();
    scheduleNext();
}

// The next repaint comes when the bar's length drops by one pixel, or when it turns red.
void CountdownBar::scheduleNext()
{
    const qint64 left = remaining();
    if (left <= 0)
        return;  // empty: the timer's next countdown or its stop comes next
    const int track = trackLength();
    const qint64 pixels = (left * track + m_total - 1) / m_total;  // drawn now, rounded up
    qint64 next = left - (pixels - 1) * m_total / track;
    if (left > warningFrom())
        next = std::min(next, left - warningFrom());
    m_repaint.start(int(std::clamp<qint64>(next, MinRepaintMs, left)));
}

void CountdownBar::paintEvent(QPaintEvent *)
{
    if (m_total <= 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(Border / 2.0, Border / 2.0, -Border / 2.0, -Border / 2.0);
    const qreal radius = outer.width() / 2;
    p.setPen(QPen(Outline, Border));
    p.setBrush(Track);
    p.drawRoundedRect(outer, radius, radius);

    const int track = trackLength();
    const qint64 left = remaining();
    const int filled = int((left * track + m_total - 1) / m_total);
    if (filled <= 0)
        return;
    // The sand sinks: the filled part keeps to the bottom.
    const QRectF inner = QRectF(rect()).adjusted(Border, Border, -Border, -Border);
    QRectF fill = inner;
    fill.setTop(inner.bottom() - filled);
    QPainterPath clip;
    clip.addRoundedRect(inner, inner.width() / 2, inner.width() / 2);
    p.setClipPath(clip);
    p.setPen(Qt::NoPen);
    const QColor colour = isWarning() ? Warning : Plenty;
    QLinearGradient shine(inner.topLeft(), inner.topRight());
    shine.setColorAt(0, colour.lighter(125));
    shine.setColorAt(0.5, colour);
    shine.setColorAt(1, colour.darker(115));
    p.setBrush(shine);
    p.drawRect(fill);
}

} // namespace lettora
