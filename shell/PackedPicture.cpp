#include "PackedPicture.h"

#include <QPainter>

#include <lz4.h>

#include <algorithm>

namespace lettora {

PackedPicture::PackedPicture(const QImage &image)
    : m_size(image.size())
    , m_ratio(image.devicePixelRatio())
{
    if (image.isNull())
        return;
    m_format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage pixels = image.convertToFormat(m_format);
    m_columns = (m_size.width() + Tile - 1) / Tile;
    const int rows = (m_size.height() + Tile - 1) / Tile;
    m_tiles.reserve(size_t(m_columns) * rows);
    qint64 packed = 0;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            // A copy of 4-byte pixels has no padding at the end of its lines.
            const QImage tile = pixels.copy(QRect(column * Tile, row * Tile, Tile, Tile) & pixels.rect());
            const auto source = reinterpret_cast<const char *>(tile.constBits());
            const int bytes = int(tile.sizeInBytes());
            QByteArray &packedTile = m_tiles.emplace_back(LZ4_compressBound(bytes), Qt::Uninitialized);
            packedTile.resize(LZ4_compress_default(source, packedTile.data(), bytes, int(packedTile.size())));
            packedTile.squeeze();
            packed += packedTile.size();
        }
    }
    if (packed * 2 > qint64(m_size.width()) * m_size.height() * 4) {
        m_tiles.clear();
        m_columns = 0;
        keepWhole(pixels);
    }
}

PackedPicture PackedPicture::whole(const QImage &image)
{
    PackedPicture picture;
    picture.m_size = image.size();
    picture.m_ratio = image.devicePixelRatio();
    picture.keepWhole(image);
    return picture;
}

// An opaque picture kept whole takes 3 bytes a pixel (drawing it whole costs 0.5 ms more than 4).
void PackedPicture::keepWhole(const QImage &image)
{
    const bool seeThrough = image.hasAlphaChannel();
    m_whole = image.convertToFormat(seeThrough ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB888);
    m_whole.setDevicePixelRatio(m_ratio);
}

qint64 PackedPicture::bytes() const
{
    qint64 total = m_whole.sizeInBytes();
    for (const QByteArray &tile : m_tiles)
        total += tile.size();
    return total;
}

QImage PackedPicture::tile(int column, int row) const
{
    const int width = std::min(Tile, m_size.width() - column * Tile);
    const int height = std::min(Tile, m_size.height() - row * Tile);
    // Unpacked where the last tile was: it is drawn before the next one is unpacked.
    thread_local std::vector<uchar> pixels(size_t(Tile) * Tile * 4);
    const QByteArray &packed = m_tiles[size_t(row) * m_columns + column];
    const int bytes = width * 4 * height;
    const auto unpacked = reinterpret_cast<char *>(pixels.data());
    if (LZ4_decompress_safe(packed.constData(), unpacked, int(packed.size()), bytes) != bytes)
        return {};
    return QImage(pixels.data(), width, height, width * 4, m_format);
}

void PackedPicture::draw(QPainter &painter, QPointF at, const QRect &exposed) const
{
    if (isNull())
        return;
    if (!isPacked()) {
        painter.drawImage(QRectF(at, QSizeF(m_size) / m_ratio), m_whole);
        return;
    }
    // Tiles are placed in device pixels: the painter's scale for the screen is undone, so that
    // a tile lands where the same pixels of the whole picture would, with no seam between two.
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / m_ratio, 1 / m_ratio), true);
    const QPointF origin = at * m_ratio;
    // The exposed part in the picture's own pixels, a pixel wider for the rounding.
    const QRect wanted = QRectF(QPointF(exposed.topLeft()) * m_ratio - origin, QSizeF(exposed.size()) * m_ratio)
                             .toAlignedRect()
                             .adjusted(-1, -1, 1, 1)
                         & QRect(QPoint(0, 0), m_size);
    for (int row = wanted.top() / Tile; !wanted.isEmpty() && row <= wanted.bottom() / Tile; ++row)
        for (int column = wanted.left() / Tile; column <= wanted.right() / Tile; ++column)
            painter.drawImage(origin + QPointF(column * Tile, row * Tile), tile(column, row));
    painter.restore();
}

QImage PackedPicture::toImage() const
{
    if (!isPacked())
        return m_whole;
    QImage image(m_size, m_format);
    image.setDevicePixelRatio(m_ratio);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    draw(painter, QPointF(0, 0), QRect(QPoint(0, 0), m_size));  // at a ratio of 1 or more, all of it
    return image;
}

} // namespace lettora
