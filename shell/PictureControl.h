#pragma once

#include "shell/PackedPicture.h"

#include <QIcon>
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
// On a screen of device pixel ratio above 1 it draws the program's own pictures from their larger
// copies (see loadArtForRatio) and a user's picture decoded anew at the screen's size, never an
// enlargement of the 1x picture; the picture it holds and its size in design pixels stay as loaded.
class PictureControl : public QLabel
{
    Q_OBJECT
public:
    PictureControl(QWidget *parent, const QString &name, QRect designed);

    // Loads the picture at path (see loadPicture); on failure raises and keeps the old picture.
    void load(const QString &path);
    // The same for a decoration (see loadDecoration): a picture that cannot be loaded changes nothing.
    void loadDecoration(const QString &path);
    // The same, read only when the control is first drawn: a dialog that may never open holds no
    // picture until it does.
    void loadDecorationWhenDrawn(const QString &path) { m_decorationToDraw = path; }
    // The same, and let go once its sharper copy has been drawn: the window's buffer keeps what it
    // shows, and a part drawn again reads it again. For a large picture that nothing moves over.
    void loadDecorationForOneDrawing(const QString &path)
    {
        m_decorationToDraw = path;
        m_letGoPath = path;
    }
    // A user's picture named by its bytes (see loadPictureFile), decoded at the control's size.
    void loadFile(const QByteArray &localPath);
    // A picture made in memory: drawn as it is at every ratio.
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
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void press(QMouseEvent *event, bool mayClick);
    void showImage(const QImage &image);
    // Lets go of where the picture came from and of its sharper copies.
    void forgetSource();
    // The copy for `ratio` (null: none, or not yet).
    PackedPicture sharpPicture(qreal ratio);
    bool isLarge() const;
    void sharpenLater(qreal ratio, QSize device);
    void dropPlainPicture();
    bool hasSharp() const { return !m_sharp.isNull(); }
    void restorePlainPicture();
    void letGoOfDrawnPicture();

    // Where the picture came from, to draw it again for a sharper screen.
    QString m_artPath;
    QByteArray m_userFile;
    QString m_decorationToDraw;
    QString m_letGoPath;  // the decoration let go once drawn
    // The copy for m_sharpRatio, packed: a paint unpacks what it covers; null: the 1x picture is drawn.
    PackedPicture m_sharp;
    qreal m_sharpRatio = 1;
    QSize m_plainSize;  // the 1x picture's
    bool m_decoration = false;
    // The program's 1x picture is let go while a sharper copy is drawn, and read again if needed.
    bool m_plainDropped = false;
    int m_sharpening = 0;  // the latest sharper copy asked of a worker thread
    QSize m_stretch;
    bool m_autoSize = true;
    bool m_hasPicture = false;
    bool m_leftMayClick = false;
};

// An icon of one of the program's own pictures (see loadDecoration) that draws from the copy
// fitting the screen it is painted on.
QIcon artIcon(const QString &path);

} // namespace lettora
