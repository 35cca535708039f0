#include "shell/core/JpegFrame.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>

namespace lettora {

namespace {
qint64 ceilDiv(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}
} // namespace

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
        if (marker == 0x00)
            continue;  // a stuffed zero, no marker: libjpeg skips it and looks on, and so must this
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
    // Qt then scales what was decoded to the target size, the two held at once; a grey picture
    // (decoded at a byte a pixel) is first copied at four, as Qt's smooth scaling works on those.
    if (target.isValid() && !target.isEmpty()) {
        cost += qint64(target.width()) * target.height() * 4;
        if (frame.components.size() == 1)
            cost += ceilDiv(qint64(frame.width) * eighths, 8) * ceilDiv(qint64(frame.height) * eighths, 8) * 4;
    }
    return cost;
}

} // namespace lettora
