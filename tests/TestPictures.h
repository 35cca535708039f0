#pragma once
// Large test pictures made in memory in a moment: they compress to almost nothing.

#include <QByteArray>
#include <QtEndian>

#include <array>

namespace lettora::test {

// A progressive JPEG that decodes to mid grey: three components sampled 2x2, 1x1, 1x1 as a
// photo's are, and a single DC scan of zero differences (one bit per block).
inline QByteArray progressiveJpeg(int width, int height)
{
    QByteArray j;
    const auto u16 = [&j](int v) {
        j += char(v >> 8);
        j += char(v & 0xFF);
    };
    j += QByteArray::fromHex("FFD8");
    j += QByteArray::fromHex("FFDB"), u16(67), j += char(0), j += QByteArray(64, char(1));  // all ones
    j += QByteArray::fromHex("FFC2"), u16(17), j += char(8), u16(height), u16(width);
    j += QByteArray::fromHex("03 012200 021100 031100");
    // DC table 0: the one code "0", for a difference of 0.
    j += QByteArray::fromHex("FFC4"), u16(20), j += char(0), j += char(1), j += QByteArray(15, '\0'), j += char(0);
    j += QByteArray::fromHex("FFDA"), u16(12), j += QByteArray::fromHex("03 0100 0200 0300 00 00 00");
    const qint64 blocks = qint64((width + 15) / 16) * ((height + 15) / 16) * 6;
    j += QByteArray((blocks + 7) / 8, '\0');
    j += QByteArray::fromHex("FFD9");
    return j;
}

// A baseline JPEG of one grey component that decodes to mid grey: each block a DC difference of
// zero and an end of block, one bit each.
inline QByteArray greyJpeg(int width, int height)
{
    QByteArray j;
    const auto u16 = [&j](int v) {
        j += char(v >> 8);
        j += char(v & 0xFF);
    };
    j += QByteArray::fromHex("FFD8");
    j += QByteArray::fromHex("FFDB"), u16(67), j += char(0), j += QByteArray(64, char(1));
    j += QByteArray::fromHex("FFC0"), u16(11), j += char(8), u16(height), u16(width);
    j += QByteArray::fromHex("01 011100");
    // DC table 0 and AC table 0: the one code "0", for a difference of 0 and for the end of block.
    for (const char table : {'\x00', '\x10'})
        j += QByteArray::fromHex("FFC4"), u16(20), j += table, j += char(1), j += QByteArray(15, '\0'), j += char(0);
    j += QByteArray::fromHex("FFDA"), u16(8), j += QByteArray::fromHex("01 0100 00 3F 00");
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    j += QByteArray((blocks * 2 + 7) / 8, '\0');
    j += QByteArray::fromHex("FFD9");
    return j;
}

// A PNG of one colour, RGB with 8 bits a sample as a photo is stored, or 16 as a scanner's.
inline QByteArray solidPng(int width, int height, std::array<uchar, 3> rgb, int bitsPerSample = 8)
{
    const int bytesPerSample = bitsPerSample / 8;
    const auto crc32 = [](const QByteArray &bytes) {
        quint32 c = 0xFFFFFFFFu;
        for (const char b : bytes) {
            c ^= uchar(b);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return c ^ 0xFFFFFFFFu;
    };
    QByteArray png = QByteArray::fromHex("89504E470D0A1A0A");
    const auto chunk = [&](const char *type, const QByteArray &data) {
        char be[4];
        qToBigEndian<quint32>(quint32(data.size()), be);
        png += QByteArray(be, 4);
        const QByteArray body = QByteArray(type) + data;
        png += body;
        qToBigEndian<quint32>(crc32(body), be);
        png += QByteArray(be, 4);
    };
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header[8] = char(bitsPerSample);
    header[9] = 2;  // RGB
    chunk("IHDR", header);
    QByteArray compressed;
    {
        // The first row spelled out, every further row "same as above" (filter 2) and zeros.
        const qsizetype row = 1 + qsizetype(width) * 3 * bytesPerSample;
        QByteArray raw(row * height, '\0');
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < 3 * bytesPerSample; ++k)
                raw[1 + 3 * bytesPerSample * x + k] = char(rgb[size_t(k / bytesPerSample)]);
        for (int y = 1; y < height; ++y)
            raw[y * row] = 2;
        compressed = qCompress(raw, 1).mid(4);  // a zlib stream after Qt's length prefix
    }
    chunk("IDAT", compressed);
    chunk("IEND", {});
    return png;
}

} // namespace lettora::test
