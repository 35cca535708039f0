#include "shell/PictureControl.h"

#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"

#include <QMouseEvent>

namespace lettora {

PictureControl::PictureControl(QWidget *parent, const QString &name, QRect designed)
    : QLabel(parent)
{
    setObjectName(name);
    setGeometry(designed);
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureControl::load(const QString &path)
{
    setPicture(loadPicture(path, m_stretch));
}

void PictureControl::setPicture(const QImage &image)
{
    setPixmap(QPixmap::fromImage(image));
    m_hasPicture = true;
    if (m_autoSize && m_stretch.isEmpty())
        resize(image.size());
}

void PictureControl::clearPicture()
{
    clear();
    m_hasPicture = false;
}

void PictureControl::setStretchedTo(QSize size)
{
    m_stretch = size;
    setScaledContents(true);
    setFixedSize(size);
}

void PictureControl::setClickable(bool hand)
{
    setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void PictureControl::mousePressEvent(QMouseEvent *event)
{
    press(event, true);
}

void PictureControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click swaps pictures like any press but is not a click.
    press(event, false);
}

void PictureControl::press(QMouseEvent *event, bool mayClick)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_leftMayClick = mayClick;
    if (onPress)
        guard([&] { onPress(event->button()); });
}

void PictureControl::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool inside = rect().contains(event->position().toPoint());
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && !inside)
        return; // Qt grabs the mouse for every button; only the left one holds it here
    const bool click = button == Qt::LeftButton && m_leftMayClick && inside;
    if (button == Qt::LeftButton)
        m_leftMayClick = false;
    guard([&] {
        if (click && onClick)
            onClick();
        if (onRelease)
            onRelease(button);
    });
}

} // namespace lettora
