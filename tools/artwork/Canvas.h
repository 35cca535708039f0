#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QString>

// Drawing helpers shared by every picture of the generator.
namespace art {

struct Fonts
{
    QString letters;  // Andika Bold
    QString emoji;    // Noto Color Emoji
};
const Fonts &fonts();
void loadFonts(const QString &andika, const QString &emoji);

QFont letterFont(qreal pixelSize);
QPainterPath textPath(const QString &text, qreal pixelSize);

// Every picture is drawn at 1x, 2x and 3x: the same drawing in the same design pixels on a canvas
// of `artScale()` times as many pixels, saved beside the 1x file as "Name@2x.ext", "Name@3x.ext".
void setArtScale(int scale);
int artScale();

// An RGB canvas of w x h design pixels filled with one colour (BMP and JPEG have no transparency);
// a painter on it draws in design pixels at the current scale.
QImage canvas(int w, int h, QColor fill);

// A colour emoji drawn with its centre at (cx, cy), `size` pixels high.
void drawEmoji(QImage &image, const QString &emoji, qreal cx, qreal cy, qreal size);

// Text centred on (cx, cy) in white with a soft dark outline, as on the buttons.
void drawCaption(QImage &image, const QString &text, qreal cx, qreal cy, qreal pixelSize, QColor fill,
                 QColor outline);

QColor darker(QColor c, int percent);

// Writes BMP (24-bit) or JPEG by extension, with a fixed resolution so the bytes never vary; at a
// scale above 1 the file name takes its "@2x" or "@3x" before the extension.
void save(const QImage &image, const QString &file);

} // namespace art
