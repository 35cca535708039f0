#include "Canvas.h"

#include "shell/PictureLoader.h"

#include <QFile>
#include <QFontDatabase>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace art {

namespace {
Fonts loaded;
int scale = 1;

QString familyOf(const QString &file)
{
    const int id = QFontDatabase::addApplicationFont(file);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) {
        std::fprintf(stderr, "lettora-artwork: cannot load the font %s (install its Debian package)\n",
                     qPrintable(file));
        std::exit(1);
    }
    return families.first();
}
} // namespace

const Fonts &fonts()
{
    return loaded;
}

void loadFonts(const QString &andika, const QString &emoji)
{
    loaded.letters = familyOf(andika);
    loaded.emoji = familyOf(emoji);
}

QFont letterFont(qreal pixelSize)
{
    QFont f(loaded.letters);
    f.setPixelSize(qRound(pixelSize));
    f.setBold(true);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QPainterPath textPath(const QString &text, qreal pixelSize)
{
    QPainterPath path;
    path.addText(0, 0, letterFont(pixelSize), text);
    path.setFillRule(Qt::WindingFill); // Andika's contours overlap
    return path;
}

void setArtScale(int s)
{
    scale = s;
}

int artScale()
{
    return scale;
}

QImage canvas(int w, int h, QColor fill)
{
    QImage image(w * scale, h * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(fill);
    return image;
}

void drawEmoji(QImage &image, const QString &emoji, qreal cx, qreal cy, qreal size)
{
    // The emoji font holds 109-pixel bitmaps; draw at that size and scale, smoothly.
    QFont f(loaded.emoji);
    f.setPixelSize(109);
    QImage glyph(136, 136, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::transparent);
    {
        QPainter p(&glyph);
        p.setFont(f);
        p.drawText(glyph.rect(), Qt::AlignCenter, emoji);
    }
    // Trim to the drawn pixels so that `size` is the emoji's own height.
    QRect used;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (qAlpha(glyph.pixel(x, y)) > 8)
                used |= QRect(x, y, 1, 1);
    if (used.isEmpty())
        return;
    const QImage trimmed = glyph.copy(used);
    const qreal scale = size / qMax(trimmed.width(), trimmed.height());
    const QSizeF target(trimmed.width() * scale, trimmed.height() * scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(QPointF(cx - target.width() / 2, cy - target.height() / 2), target), trimmed);
}

void drawCaption(QImage &image, const QString &text, qreal cx, qreal cy, qreal pixelSize, QColor fill,
                 QColor outline)
{
    QPainterPath path = textPath(text, pixelSize);
    const QRectF box = path.boundingRect();
    path.translate(cx - box.center().x(), cy - box.center().y());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(outline, pixelSize / 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
}

QColor darker(QColor c, int percent)
{
    return c.darker(percent);
}

void save(const QImage &source, const QString &fileAt1x)
{
    const QString file = lettora::artVariantPath(fileAt1x, scale);
    // PNG keeps its transparency; BMP and JPEG have none.
    QImage image = source.convertToFormat(file.endsWith(QLatin1String(".png")) ? QImage::Format_ARGB32
                                                                              : QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 pixels per inch
    image.setDotsPerMeterY(3780);
    QImageWriter writer(file);
    if (file.endsWith(QLatin1String(".jpg")))
        writer.setQuality(92);
    if (!writer.write(image)) {
        std::fprintf(stderr, "lettora-artwork: cannot write %s: %s\n", qPrintable(file),
                     qPrintable(writer.errorString()));
        std::exit(1);
    }
}

} // namespace art
