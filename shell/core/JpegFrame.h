#pragma once

#include <QList>
#include <QSize>

class QIODevice;

namespace lettora {

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

// Reads a JPEG's markers from the device's position up to its first scan, skipping them as
// libjpeg does; found stays false where they cannot be read.
JpegFrame readJpegFrame(QIODevice &device);

// libjpeg's memory for a decode: the coefficients of the whole image when it keeps them, the
// output at the size it decodes to (M/8 of the picture, as Qt's reader asks for a target size),
// a few rows of samples, and the copy Qt scales from that output to the target size. `size` is
// the size Qt's reader reports, used when no frame was found; `target` is invalid for a decode at
// full size.
qint64 jpegDecodeCost(JpegFrame frame, QSize size, QSize target);

} // namespace lettora
