#include "shell/PictureLoader.h"

#include "shell/ErrorReport.h"
#include "settings/ListPair.h"
#include "shell/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lettora {

namespace {

// The Qt format behind each accepted extension; empty when the extension is not a picture.
QByteArray formatFor(const QString &fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("bmp"))
        return "bmp";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return "jpeg";
    for (const char *optional : {"png", "gif", "webp"}) {
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
    throw Error(QString::fromLatin1(messages::CannotOpenFile).arg(file, reason));
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

bool isPictureExtension(const QString &fileName)
{
    return !formatFor(fileName).isEmpty();
}

namespace {

QByteArray acceptedFormat(const QString &file)
{
    const QByteArray format = formatFor(file);
    if (format.isEmpty()) {
        const QString ext = QFileInfo(file).suffix();
        fail(file, ext.isEmpty() ? QStringLiteral("The file has no picture extension")
                                 : QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    }
    return format;
}

QImage decode(QFile &device, const QString &file, const QByteArray &format, QSize targetSize)
{
    QImageReader reader(&device, format);
    reader.setAutoTransform(true);
    const QSize size = claimedSize(reader, device, format);
    const bool scaled = targetSize.isValid() && !targetSize.isEmpty();
    qint64 limit = MaxNaturalPixels;
    if (scaled && reader.supportsOption(QImageIOHandler::ScaledSize) && format == "jpeg")
        limit *= qint64(MaxScaledDecodeFactor) * MaxScaledDecodeFactor;
    if (size.isValid() && qint64(size.width()) * size.height() > limit)
        fail(file, QStringLiteral("The picture is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height()));
    if (scaled)
        reader.setScaledSize(targetSize);

    QImage image = reader.read();
    if (image.isNull())
        fail(file, QStringLiteral("The file is not a valid picture (%1)").arg(reader.errorString()));
    return image;
}

} // namespace

QImage loadPicture(const QString &path, QSize targetSize)
{
    const QString file = ProgramFolder::resolve(path);
    const QByteArray format = acceptedFormat(file);
    QFile device(file);
    if (!device.open(QIODevice::ReadOnly))
        fail(file, device.errorString());
    return decode(device, file, format, targetSize);
}

QImage loadPictureFile(const QByteArray &localPath, QSize targetSize)
{
    // Opened by its bytes: a name that is not UTF-8 would not survive a trip through QString.
    const QString shown = ListPair::display(localPath);
    const QByteArray format = acceptedFormat(shown);
    const int fd = ::open(localPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(shown, QString::fromLocal8Bit(std::strerror(errno)));
    QFile device;
    if (!device.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(shown, device.errorString());
    }
    return decode(device, shown, format, targetSize);
}

} // namespace lettora
