#include "shell/PictureLoader.h"

#include "shell/ErrorReport.h"
#include "shell/core/JpegFrame.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/RegularFile.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lettora {

namespace {

// What follows the file name's last full stop. QFileInfo cannot be asked: it gets it wrong for
// paths of more than 32767 characters.
QString extensionOf(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

// The Qt format behind each accepted extension; empty when the extension is not a picture.
QByteArray formatFor(const QString &fileName)
{
    const QString ext = extensionOf(fileName).toLower();
    if (ext == QLatin1String("bmp"))
        return "bmp";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return "jpeg";
    if (ext == QLatin1String("png"))
        return "png";  // read by Qt itself, like BMP
    for (const char *optional : {"gif", "webp"}) {
        if (ext == QLatin1String(optional)
            && QImageReader::supportedImageFormats().contains(QByteArray(optional)))
            return optional;
    }
    return {};
}

// The size the picture's header claims. Qt's BMP reader refuses to report sizes it will not
// decode, so for BMP the header is read here to name the size in the message.
QSize claimedSize(QImageReader &reader, QFile &device, const QByteArray &format)
{
    const QSize size = reader.size();
    if (size.isValid() || format != "bmp")
        return size;
    const qint64 at = device.pos();
    device.seek(0);
    const QByteArray header = device.peek(26);
    device.seek(at);
    if (header.size() < 26 || !header.startsWith("BM"))
        return size;
    const qint32 w = qFromLittleEndian<qint32>(header.constData() + 18);
    const qint32 h = qFromLittleEndian<qint32>(header.constData() + 22);
    return QSize(std::abs(w), std::abs(h));
}

[[noreturn]] void fail(const QString &file, const QString &reason)
{
    throw Error(QString::fromLatin1(messages::CannotOpenFile).arg(quotedName(file), reason));
}

} // namespace

QImage loadDecoration(const QString &path)
{
    try {
        return loadPicture(path);
    } catch (const Error &e) {
        qWarning("%s", qPrintable(e.text()));
        return {};
    }
}

void limitPictureDecoding()
{
    QImageReader::setAllocationLimit(int(PictureDecodeBudget / (1024 * 1024)));
}

bool isPictureExtension(const QString &fileName)
{
    return !formatFor(fileName).isEmpty();
}

namespace {

QByteArray acceptedFormat(const QString &file)
{
    const QByteArray format = formatFor(file);
    if (format.isEmpty()) {
        const QString ext = extensionOf(file);
        fail(file, ext.isEmpty() ? QStringLiteral("The file has no picture extension")
                                 : QStringLiteral("Unknown picture file extension (.%1)").arg(quotedName(ext)));
    }
    return format;
}

// True when the file begins as its format's files do. Such a file is read by that format's reader
// alone: Qt would otherwise load every image plugin (nine libraries) to ask each whether it reads
// the format. Any other file keeps Qt's detection by content, so a PNG named .jpg still shows.
bool startsAsFormat(QFile &device, const QByteArray &format)
{
    const QByteArray head = device.peek(12);
    if (format == "bmp")
        return head.startsWith("BM");
    if (format == "jpeg")
        return head.startsWith("\xFF\xD8\xFF");
    if (format == "png")
        return head.startsWith("\x89PNG\r\n\x1A\n");
    if (format == "gif")
        return head.startsWith("GIF87a") || head.startsWith("GIF89a");
    if (format == "webp")
        return head.startsWith("RIFF") && head.mid(8, 4) == "WEBP";
    return false;
}

QImage decode(QFile &device, const QString &file, const QByteArray &format, QSize targetSize)
{
    const bool scaled = targetSize.isValid() && !targetSize.isEmpty();
    JpegFrame frame;
    if (format == "jpeg") {
        frame = readJpegFrame(device);
        device.seek(0);
    }
    QImageReader reader(&device, format);
    reader.setAutoDetectImageFormat(!startsAsFormat(device, format));
    reader.setAutoTransform(true);
    const QSize size = claimedSize(reader, device, format);
    if (size.isValid()) {
        // Other formats are decoded whole before any scaling, at the depth of their samples (a
        // 16-bit PNG takes 8 bytes a pixel).
        const int bitsPerPixel = QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel();
        const qint64 bytesPerPixel = std::max(4, (bitsPerPixel + 7) / 8);
        const qint64 cost = format == "jpeg" ? jpegDecodeCost(frame, size, scaled ? targetSize : QSize())
                                             : qint64(size.width()) * size.height() * bytesPerPixel;
        if (cost > PictureDecodeBudget)
            fail(file, QStringLiteral("The picture is too large to show (%1 x %2 pixels).").arg(size.width()).arg(size.height()));
    }
    if (scaled)
        reader.setScaledSize(targetSize);

    QImage image = reader.read();
    if (image.isNull())
        fail(file, QStringLiteral("The file is not a valid picture (%1)").arg(reader.errorString()));
    return image;
}

} // namespace

namespace {
// Opens a picture as the game opens every picture (a regular file, never a FIFO) and gives its
// format; a format the game does not take, or a file it cannot open, raises the game's error.
QByteArray openPicture(QFile &device, const QByteArray &localPath, const QString &shown)
{
    const QByteArray format = acceptedFormat(shown);
    QString reason;
    if (!openRegularFile(device, localPath, reason))
        fail(shown, reason);
    return format;
}
} // namespace

QImage loadPicture(const QString &path, QSize targetSize)
{
    const QString file = ProgramFolder::resolve(path);
    QFile device;
    const QByteArray format = openPicture(device, QFile::encodeName(file), file);
    return decode(device, file, format, targetSize);
}

QImage loadPictureFile(const QByteArray &localPath, QSize targetSize)
{
    // Opened by its bytes: a name that is not UTF-8 would not survive a trip through QString.
    const QString shown = shownBytes(localPath);
    QFile device;
    const QByteArray format = openPicture(device, localPath, shown);
    return decode(device, shown, format, targetSize);
}

QImage loadPictureFileWithin(const QByteArray &localPath, QSize box)
{
    const QString shown = shownBytes(localPath);
    QFile device;
    const QByteArray format = openPicture(device, localPath, shown);
    QSize size;
    {
        QImageReader header(&device, format);
        header.setAutoDetectImageFormat(!startsAsFormat(device, format));
        // The size as stored: a picture turned by its orientation tag is scaled first, then turned.
        size = claimedSize(header, device, format);
    }
    device.seek(0);
    const QSize target = !size.isValid() || size.isEmpty()
                             ? box
                             : size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return decode(device, shown, format, target);
}

int artScaleFor(qreal devicePixelRatio)
{
    // A hair of rounding (1.9999) still takes the copy of its whole number.
    for (int scale = 1; scale < LargestArtScale; ++scale)
        if (devicePixelRatio <= scale + 0.001)
            return scale;
    return LargestArtScale;
}

QString artVariantPath(const QString &path, int scale)
{
    if (scale == 1)
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        dot = path.size();
    QString extension = path.mid(dot);
    if (scale >= CompressedArtScale && extension.compare(QLatin1String(".bmp"), Qt::CaseInsensitive) == 0)
        extension = QStringLiteral(".png");
    return path.left(dot) + QStringLiteral("@%1x").arg(scale) + extension;
}

bool isArtVariantName(const QString &fileName)
{
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    for (int scale = 2; scale <= LargestArtScale; ++scale)
        if (name.contains(QStringLiteral("@%1x.").arg(scale)))
            return true;
    return false;
}

QImage loadArtForRatio(const QString &path, qreal devicePixelRatio, QSize deviceSize)
{
    const int scale = artScaleFor(devicePixelRatio);
    if (scale == 1 || deviceSize.isEmpty())
        return {};
    try {
        QImage copy = loadPicture(artVariantPath(path, scale));
        // The picture's own size from its header (opened as loadPicture opens it: never a FIFO).
        QFile own;
        QString reason;
        if (!openRegularFile(own, QFile::encodeName(ProgramFolder::resolve(path)), reason))
            return {};
        const QByteArray format = formatFor(path);
        QImageReader header(&own, format);
        header.setAutoDetectImageFormat(!startsAsFormat(own, format));
        const QSize size = header.size();
        if (!size.isValid() || copy.size() != size * scale)
            return {};
        if (copy.size() != deviceSize)
            copy = copy.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return copy;
    } catch (const Error &) {
        return {};
    }
}

} // namespace lettora
