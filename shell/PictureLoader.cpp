#include "shell/PictureLoader.h"

#include "shell/ErrorReport.h"
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

// What libjpeg's memory depends on, from the markers before the first scan.
struct JpegFrame
{
    struct Component
    {
        int h = 1, v = 1;  // sampling factors
    };
    bool found = false;
    int width = 0, height = 0;
    // A progressive or multi-scan file: the decoder keeps every coefficient of the whole image,
    // whatever size it outputs.
    bool keepsAllCoefficients = false;
    QList<Component> components;
};

JpegFrame readJpegFrame(QIODevice &device)
{
    JpegFrame frame;
    auto byte = [&device]() -> int {
        char c;
        return device.getChar(&c) ? uchar(c) : -1;
    };
    if (byte() != 0xFF || byte() != 0xD8)
        return frame;
    for (;;) {
        int marker = byte();
        while (marker >= 0 && marker != 0xFF)
            marker = byte();  // stray bytes between segments, which libjpeg skips too
        while (marker == 0xFF)
            marker = byte();  // fill bytes
        if (marker < 0 || marker == 0xD9)
            return frame;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;  // no length follows
        const int high = byte(), low = byte();
        if (high < 0 || low < 0 || (high << 8 | low) < 2)
            return frame;
        const int length = (high << 8 | low) - 2;
        const QByteArray payload = device.read(length);
        if (payload.size() != length)
            return frame;
        const auto at = [&payload](int i) { return uchar(payload.at(i)); };
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof && length >= 6) {
            const int count = at(5);
            if (length < 6 + 3 * count || count == 0)
                return frame;
            frame.height = at(1) << 8 | at(2);
            frame.width = at(3) << 8 | at(4);
            // Only baseline and extended sequential files (SOF0, SOF1, SOF9) may decode a row at a time.
            frame.keepsAllCoefficients = !(marker == 0xC0 || marker == 0xC1 || marker == 0xC9);
            frame.components.clear();
            for (int c = 0; c < count; ++c)
                frame.components.append({std::max(1, at(7 + 3 * c) >> 4), std::max(1, at(7 + 3 * c) & 15)});
            frame.found = true;
        } else if (marker == 0xDA) {
            // A first scan without every component means more scans, each needing the whole image.
            if (frame.found && length >= 1 && at(0) < frame.components.size())
                frame.keepsAllCoefficients = true;
            return frame;
        }
    }
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}

// libjpeg's memory for a decode: the coefficients of the whole image when it keeps them, the
// output at the size it decodes to (M/8 of the picture, as Qt's reader asks for a target size),
// and a few rows of samples.
qint64 jpegDecodeCost(JpegFrame frame, QSize size, QSize target)
{
    if (!frame.found) {
        // Headers only Qt could read: count them as the costliest kind, three full components.
        frame.width = size.width();
        frame.height = size.height();
        frame.keepsAllCoefficients = true;
        frame.components = {{}, {}, {}};
    }
    int hMax = 1, vMax = 1;
    for (const JpegFrame::Component &c : std::as_const(frame.components)) {
        hMax = std::max(hMax, c.h);
        vMax = std::max(vMax, c.v);
    }
    qint64 cost = 0;
    if (frame.keepsAllCoefficients) {
        for (const JpegFrame::Component &c : std::as_const(frame.components)) {
            const qint64 blocksWide = ceilDiv(ceilDiv(qint64(frame.width) * c.h, hMax), 8);
            const qint64 blocksHigh = ceilDiv(ceilDiv(qint64(frame.height) * c.v, vMax), 8);
            cost += ceilDiv(blocksWide, c.h) * c.h * ceilDiv(blocksHigh, c.v) * c.v * 64 * 2;
        }
    }
    int eighths = 8;
    if (target.isValid() && !target.isEmpty() && frame.width > 0 && frame.height > 0) {
        const double f = std::min(double(frame.width) / target.width(), double(frame.height) / target.height());
        eighths = std::clamp(int(std::ceil(8 / f)), 1, 8);
    }
    cost += ceilDiv(qint64(frame.width) * eighths, 8) * ceilDiv(qint64(frame.height) * eighths, 8) * 4;
    cost += qint64(frame.width) * frame.components.size() * vMax * 8 * 2;
    return cost;
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
