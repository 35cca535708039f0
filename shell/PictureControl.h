#pragma once

#include <QLabel>

#include <functional>

namespace lettora {

// A picture control: shows one picture, sizes itself to it (top-left corner unmoved) unless it
// stretches its picture to a fixed size, and reports mouse presses, releases and clicks the
// way the game needs them:
// - a click is the left button pressed over the control and released inside it; the click
//   action runs before the release handler, inside the same error guard;
// - the second press of a double click is a press but never becomes a click;
// - the left release always reaches the control after a press on it; right and middle
//   releases only while the pointer is over it;
// - it never takes the keyboard focus.
class PictureControl : public QLabel
{
    Q_OBJECT
public:
    PictureControl(QWidget *parent, const QString &name, QRect designed);

    // Loads the picture at path (see loadPicture); on failure raises and keeps the old picture.
    void load(const QString &path);
    void setPicture(const QImage &image);
    void clearPicture();
    bool hasPicture() const { return m_hasPicture; }

    // Shows every picture stretched to exactly this size, proportions not kept.
    void setStretchedTo(QSize size);

    // Off: the control keeps its size and draws its picture from the top-left corner.
    void setAutoSize(bool on) { m_autoSize = on; }

    void setClickable(bool hand);

    std::function<void(Qt::MouseButton)> onPress;
    std::function<void(Qt::MouseButton)> onRelease;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void press(QMouseEvent *event, bool mayClick);

    QSize m_stretch;
    bool m_autoSize = true;
    bool m_hasPicture = false;
    bool m_leftMayClick = false;
};

} // namespace lettora
