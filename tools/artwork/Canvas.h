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

// An RGB canvas filled with one colour (BMP and JPEG have no transparency).
QImage canvas(int w, int h, QColor fill);

// A colour emoji drawn with its centre at (cx, cy), `size` pixels high.
void drawEmoji(QImage &image, const QString &emoji, qreal cx, qreal cy, qreal size);

// Text centred on (cx, cy) in white with a soft dark outline, as on the buttons.
void drawCaption(QImage &image, const QString &text, qreal cx, qreal cy, qreal pixelSize, QColor fill,
                 QColor outline);

QColor darker(QColor c, int percent);

// Writes BMP (24-bit) or JPEG by extension, with a fixed resolution so the bytes never vary.
void save(const QImage &image, const QString &file);

} // namespace art
