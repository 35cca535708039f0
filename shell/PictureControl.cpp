#include "shell/PictureControl.h"

#include "shell/ErrorReport.h"
#include "shell/HeldWork.h"
#include "shell/Memory.h"
#include "shell/PictureLoader.h"
#include "shell/core/ProgramFolder.h"

#include <QApplication>
#include <QCache>
#include <QDateTime>
#include <QFileInfo>
#include <QIconEngine>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <utility>

namespace lettora {

namespace {

constexpr int SharedArtKilobytes = 4 * 1024;
constexpr int LargestSharedArtKilobytes = 256;
constexpr qint64 LargePicture = 256 * 1024;  // bytes at 1x: the background, the large panels

// The program's own pictures drawn for a sharper screen, shared by the controls that show them
// (a keyboard letter and its copies in the answer row, a button's two pictures): each copy is read
// once for a ratio and size, and again only when its file changes.
struct SharpArt
{
    PackedPicture picture;  // null: no copy fits, the 1x picture is drawn
    QDateTime modified;
    qint64 bytes = -1;
};

QCache<QString, SharpArt> &sharpArtCache()
{
    // Small pictures only (the letters, the buttons): a large one is held by the control that
    // shows it, and goes with it.
    static QCache<QString, SharpArt> cache(SharedArtKilobytes);  // cost in kB
    return cache;
}

QString sharpArtKey(const QString &path, qreal ratio, QSize deviceSize)
{
    return QStringLiteral("%1|%2|%3x%4").arg(path).arg(ratio).arg(deviceSize.width()).arg(deviceSize.height());
}

QString sharpArtFile(const QString &path, qreal ratio)
{
    return ProgramFolder::resolve(artVariantPath(path, artScaleFor(ratio)));
}

// The copy in the shared cache, when it was made from the file as it is now.
bool cachedSharpArt(const QString &path, qreal ratio, QSize deviceSize, PackedPicture &out)
{
    const QFileInfo info(sharpArtFile(path, ratio));
    const SharpArt *known = sharpArtCache().object(sharpArtKey(path, ratio, deviceSize));
    if (!known || known->modified != info.lastModified() || known->bytes != info.size())
        return false;
    out = known->picture;
    return true;
}

// A copy read for `ratio` and packed (null: none fits), kept in the shared cache when it is small.
PackedPicture keepSharpArt(const QString &path, qreal ratio, QSize deviceSize, PackedPicture picture)
{
    const QFileInfo info(sharpArtFile(path, ratio));
    auto *art = new SharpArt;
    art->modified = info.lastModified();
    art->bytes = info.size();
    art->picture = std::move(picture);
    const PackedPicture kept = art->picture;
    const QSize size = kept.size();
    if (size.width() * qint64(size.height()) * 4 / 1024 <= LargestSharedArtKilobytes)
        sharpArtCache().insert(sharpArtKey(path, ratio, deviceSize), art, 1 + int(kept.bytes() / 1024));
    else
        delete art;
    return kept;
}

// The sharper copies are made in passing memory, mostly in small blocks between lasting ones
// (at 8 s, 1.2 MB of the heap was free and kept): once the last copy asked for is in place and its
// 1x picture let go, what is free goes back to the system.
int sharpeningUnderway = 0;

void copyMadeOrGivenUp()
{
    static QTimer *settled = [] {
        auto *timer = new QTimer(qApp);
        timer->setSingleShot(true);
        timer->setInterval(500);
        QObject::connect(timer, &QTimer::timeout, [] {
            if (sharpeningUnderway == 0)
                giveBackFreeMemory();
        });
        return timer;
    }();
    if (--sharpeningUnderway == 0)
        settled->start();
}

PackedPicture pack(QImage image, qreal ratio)
{
    image.setDevicePixelRatio(ratio);
    return PackedPicture(image);
}

PackedPicture sharpArt(const QString &path, qreal ratio, QSize deviceSize)
{
    PackedPicture known;
    if (cachedSharpArt(path, ratio, deviceSize, known))
        return known;
    return keepSharpArt(path, ratio, deviceSize, pack(loadArtForRatio(path, ratio, deviceSize), ratio));
}

} // namespace

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
    showImage(loadPicture(path, m_stretch));
    m_artPath = path;
}

void PictureControl::loadDecoration(const QString &path)
{
    const QImage image = lettora::loadDecoration(path);
    if (image.isNull())
        return;
    showImage(image);
    m_artPath = path;
    m_decoration = true;
}

void PictureControl::loadFile(const QByteArray &localPath)
{
    showImage(loadPictureFile(localPath, m_stretch));
    m_userFile = localPath;
}

void PictureControl::setPicture(const QImage &image)
{
    showImage(image);
}

void PictureControl::forgetSource()
{
    m_decorationToDraw.clear();
    ++m_sharpening;  // a copy still being made is not wanted
    m_artPath.clear();
    m_userFile.clear();
    m_sharp = PackedPicture();
    m_sharpRatio = 1;
    m_decoration = false;
    m_plainDropped = false;
}

void PictureControl::showImage(const QImage &image)
{
    forgetSource();
    m_plainSize = image.size();
    setPixmap(QPixmap::fromImage(image));
    m_hasPicture = true;
    if (m_autoSize && m_stretch.isEmpty())
        resize(image.size());
}

void PictureControl::clearPicture()
{
    clear();
    forgetSource();
    m_hasPicture = false;
}

PackedPicture PictureControl::sharpPicture(qreal ratio)
{
    const QSize logical = m_stretch.isEmpty() ? m_plainSize : m_stretch;
    const QSize device = (QSizeF(logical) * ratio).toSize();
    if (!m_artPath.isEmpty()) {
        // A copy that has to be scaled besides (at 1.28 the background takes 18 ms, the letters
        // and buttons together 7 ms) is made on a worker thread, the 1x picture drawn until it is
        // ready: the first paint waits for none of them. One made already is drawn at once.
        if (ratio != artScaleFor(ratio)) {
            PackedPicture known;
            if (!isLarge() && cachedSharpArt(m_artPath, ratio, device, known))
                return known;
            sharpenLater(ratio, device);
            return {};
        }
        if (isLarge())
            return pack(loadArtForRatio(m_artPath, ratio, device), ratio);
        return sharpArt(m_artPath, ratio, device);
    }
    if (m_userFile.isEmpty())
        return {};
    // A user's picture is decoded anew from its file at the screen's size, within the decoding
    // budget; a file gone since it was shown leaves the 1x picture.
    QImage image;
    try {
        image = loadPictureFile(m_userFile, device);
    } catch (const Error &) {
        return {};
    }
    image.setDevicePixelRatio(ratio);
    return PackedPicture::whole(image);
}

void PictureControl::paintEvent(QPaintEvent *event)
{
    if (!m_decorationToDraw.isEmpty())
        loadDecoration(std::exchange(m_decorationToDraw, QString()));
    // At ratio 1 the picture is drawn as loaded and nothing more is read.
    const qreal ratio = devicePixelRatioF();
    if (m_hasPicture && ratio != m_sharpRatio) {
        m_sharp = ratio > 1 ? sharpPicture(ratio) : PackedPicture();
        m_sharpRatio = ratio;
        if (!hasSharp() && m_plainDropped)
            restorePlainPicture();
    }
    if (!m_hasPicture || ratio <= 1 || !hasSharp()) {
        QLabel::paintEvent(event);
        return;
    }
    // Device pixel for device pixel: the copy is already at the size the screen shows.
    QPainter painter(this);
    const QRect place = m_stretch.isEmpty() ? QRect(contentsRect().topLeft(), m_plainSize) : contentsRect();
    m_sharp.draw(painter, place.topLeft(), event->rect());
    if (!m_plainDropped && !m_artPath.isEmpty())
        QTimer::singleShot(0, this, &PictureControl::dropPlainPicture);
    // Let go after the paint that letting go of the 1x picture asked for, the last one.
    if (m_plainDropped && m_decoration && !m_letGoPath.isEmpty() && m_artPath == m_letGoPath)
        QTimer::singleShot(0, this, &PictureControl::letGoOfDrawnPicture);
}

// Nothing here asks for a paint: the window's buffer still shows the picture, and the next paint,
// if any comes, reads it again.
void PictureControl::letGoOfDrawnPicture()
{
    if (!m_plainDropped || !m_decoration || m_artPath != m_letGoPath || !hasSharp())
        return;
    const QString path = m_artPath;
    forgetSource();
    m_decorationToDraw = path;
}

bool PictureControl::isLarge() const
{
    return qint64(m_plainSize.width()) * m_plainSize.height() * 4 >= LargePicture;
}

void PictureControl::sharpenLater(qreal ratio, QSize device)
{
    const int ticket = ++m_sharpening;
    const QString path = m_artPath;
    const bool large = isLarge();
    const QPointer<PictureControl> control(this);
    const auto make = [control, ticket, path, ratio, device, large] {
        PackedPicture packed = pack(loadArtForRatio(path, ratio, device), ratio);
        // The control is looked at on its own thread only.
        QMetaObject::invokeMethod(qApp, [=, packed = std::move(packed)]() mutable {
            copyMadeOrGivenUp();
            if (!control || control->m_sharpening != ticket || control->m_artPath != path
                || control->m_sharpRatio != ratio)
                return;
            if (large) {
                if (packed.isNull())
                    return;
                control->m_sharp = std::move(packed);
            } else {
                control->m_sharp = keepSharpArt(path, ratio, device, std::move(packed));
            }
            control->update();
        }, Qt::QueuedConnection);
    };
    runWhenSeen(this, [make] {
        ++sharpeningUnderway;
        QThreadPool::globalInstance()->start(make);
    });
}

void PictureControl::dropPlainPicture()
{
    if (m_plainDropped || !hasSharp() || m_artPath.isEmpty())
        return;
    QLabel::setPixmap(QPixmap());
    m_plainDropped = true;
}

// Back at ratio 1 (the screen changed): the 1x picture is read again, as it was loaded.
void PictureControl::restorePlainPicture()
{
    const QString path = m_artPath;
    const bool decoration = m_decoration;
    try {
        if (decoration)
            loadDecoration(path);
        else
            load(path);
    } catch (const Error &) {
        m_plainDropped = false;  // gone since: nothing to draw, and nothing raised from a paint
    }
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

namespace {

// Draws an icon from its 1x picture at ratio 1 and from the copy that fits elsewhere.
class ArtIconEngine : public QIconEngine
{
public:
    ArtIconEngine(const QString &path, const QPixmap &picture) : m_path(path), m_picture(picture) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, scaledPixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state, ratio));
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1);
    }

    // QIcon asks with the size in device pixels.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        QPixmap shown;
        if (scale > 1)
            shown = QPixmap::fromImage(sharpArt(m_path, scale, m_picture.size() * scale).toImage());
        if (shown.isNull())
            shown = m_picture;
        if (shown.size() != size && !shown.isNull())
            shown = shown.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        shown.setDevicePixelRatio(1);
        if (mode != QIcon::Normal && !shown.isNull()) {
            QStyleOption option;
            option.palette = QApplication::palette();
            shown = QApplication::style()->generatedIconPixmap(mode, shown, &option);
        }
        return shown;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        return m_picture.size().scaled(size, Qt::KeepAspectRatio).boundedTo(size);
    }

    QIconEngine *clone() const override { return new ArtIconEngine(m_path, m_picture); }
    QString key() const override { return QStringLiteral("lettora-art"); }

private:
    QString m_path;
    QPixmap m_picture;
};

} // namespace

QIcon artIcon(const QString &path)
{
    const QImage picture = loadDecoration(path);
    if (picture.isNull())
        return {};
    return QIcon(new ArtIconEngine(path, QPixmap::fromImage(picture)));
}

} // namespace lettora
