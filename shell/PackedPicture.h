#pragma once

#include <QByteArray>
#include <QImage>

#include <vector>

class QPainter;

namespace lettora {

// A picture kept compressed (LZ4) in square tiles, unpacked tile by tile as it is drawn. The
// game's background at 1.28 is 2.4 MB as pixels and about 0.15 MB packed (at 3.6, 19 MB and
// 0.5 MB), a letter 10 kB and 1-2 kB; a paint unpacks only the tiles it covers, and a full frame
// takes about 1.5 ms more at 1.8. A picture that would pack to more than half its size (a photo)
// is kept whole.
class PackedPicture
{
public:
    static constexpr int Tile = 64;  // device pixels a side

    PackedPicture() = default;
    // Keeps the picture's device pixel ratio.
    explicit PackedPicture(const QImage &image);
    // Kept whole, not tried: a user's photo, which would not pack.
    static PackedPicture whole(const QImage &image);

    bool isNull() const { return m_size.isEmpty(); }
    bool isPacked() const { return !m_tiles.empty(); }
    QSize size() const { return m_size; }  // device pixels
    qint64 bytes() const;                   // what is held

    // Draws the picture with its top left at `at` (logical), one picture pixel to one device
    // pixel, as QPainter::drawImage(at, image) would; only the tiles that meet `exposed` (logical)
    // are unpacked.
    void draw(QPainter &painter, QPointF at, const QRect &exposed) const;
    // The whole picture, unpacked.
    QImage toImage() const;

private:
    QImage tile(int column, int row) const;
    void keepWhole(const QImage &image);

    QSize m_size;
    qreal m_ratio = 1;
    QImage::Format m_format = QImage::Format_RGB32;  // of the tiles
    int m_columns = 0;
    std::vector<QByteArray> m_tiles;  // row by row; empty: m_whole holds the picture
    QImage m_whole;
};

} // namespace lettora
