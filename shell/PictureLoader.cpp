#include "shell/PictureLoader.h"

#include "shell/ErrorReport.h"
#include "shell/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

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

[[noreturn]] void fail(const QString &file, const QString &reason)
{
    throw Error(QString::fromLatin1(messages::CannotOpenFile).arg(file, reason));
}

} // namespace

bool isPictureExtension(const QString &fileName)
{
    return !formatFor(fileName).isEmpty();
}

QImage loadPicture(const QString &path, QSize targetSize)
{
    const QString file = ProgramFolder::resolve(path);
    const QByteArray format = formatFor(file);
    if (format.isEmpty()) {
        const QString ext = QFileInfo(file).suffix();
        fail(file, ext.isEmpty() ? QStringLiteral("The file has no picture extension")
                                 : QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    }

    QFile device(file);
    if (!device.open(QIODevice::ReadOnly))
        fail(file, device.errorString());

    QImageReader reader(&device, format);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (targetSize.isValid() && !targetSize.isEmpty()) {
        reader.setScaledSize(targetSize);
    } else if (size.isValid() && qint64(size.width()) * size.height() > MaxNaturalPixels) {
        fail(file, QStringLiteral("The picture is too large (%1 x %2 pixels)")
                       .arg(size.width())
                       .arg(size.height()));
    }

    QImage image = reader.read();
    if (image.isNull()) {
        if (reader.error() == QImageReader::InvalidDataError && size.isValid()
            && reader.errorString().contains(QLatin1String("limit"), Qt::CaseInsensitive))
            fail(file, QStringLiteral("The picture is too large (%1 x %2 pixels)")
                           .arg(size.width())
                           .arg(size.height()));
        fail(file, QStringLiteral("The file is not a valid picture (%1)").arg(reader.errorString()));
    }
    return image;
}

} // namespace lettora
