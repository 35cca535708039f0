#include "Starter.h"

#include "Canvas.h"
#include "settings/ListFile.h"
#include "shell/core/AssetPaths.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRadialGradient>

#include <cstdio>
#include <cstdlib>

namespace art {

namespace {

struct Starter
{
    const char *word;
    const char *emoji;  // UTF-8
};

// Short words a young child knows, each with one clear picture.
const Starter Starters[] = {
    {"cat", "\xF0\x9F\x90\xB1"},    {"dog", "\xF0\x9F\x90\xB6"},  {"sun", "\xE2\x98\x80\xEF\xB8\x8F"},
    {"fish", "\xF0\x9F\x90\x9F"},   {"apple", "\xF0\x9F\x8D\x8E"}, {"car", "\xF0\x9F\x9A\x97"},
    {"pig", "\xF0\x9F\x90\xB7"},    {"ball", "\xE2\x9A\xBD"},      {"duck", "\xF0\x9F\xA6\x86"},
    {"key", "\xF0\x9F\x94\x91"},    {"cow", "\xF0\x9F\x90\xAE"},   {"banana", "\xF0\x9F\x8D\x8C"},
    {"bus", "\xF0\x9F\x9A\x8C"},    {"frog", "\xF0\x9F\x90\xB8"},  {"egg", "\xF0\x9F\xA5\x9A"},
    {"tree", "\xF0\x9F\x8C\xB3"},   {"bee", "\xF0\x9F\x90\x9D"},   {"hat", "\xF0\x9F\x8E\xA9"},
    {"moon", "\xF0\x9F\x8C\x99"},   {"boat", "\xE2\x9B\xB5"},      {"fox", "\xF0\x9F\xA6\x8A"},
    {"pear", "\xF0\x9F\x8D\x90"},   {"star", "\xE2\xAD\x90"},      {"kite", "\xF0\x9F\xAA\x81"},
};

constexpr int StarterScale = 2;

const QColor Pastels[] = {QColor(0xFF, 0xF3, 0xC4), QColor(0xD7, 0xF5, 0xE3), QColor(0xDC, 0xEB, 0xFF),
                          QColor(0xFF, 0xE0, 0xE6), QColor(0xEE, 0xE3, 0xFF), QColor(0xFF, 0xE8, 0xCC)};

} // namespace

void drawStarterPictures(const QString &dir)
{
    const QString folder = dir + QStringLiteral("/Picture/");
    // Drawn at twice the picture frame's size, so that a screen that shows the game larger reduces
    // them rather than enlarges them; there are no copies beside them (see main.cpp).
    const int scale = artScale();
    setArtScale(StarterScale);
    int i = 0;
    for (const Starter &s : Starters) {
        const QColor base = Pastels[i++ % std::size(Pastels)];
        QImage image = canvas(220, 220, base);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            QRadialGradient glow(QPointF(110, 100), 150);
            glow.setColorAt(0, Qt::white);
            glow.setColorAt(1, base);
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawRect(image.rect());
        }
        drawEmoji(image, QString::fromUtf8(s.emoji), 110, 110, 150);
        setArtScale(1);  // saved under its own name, not as a copy's
        save(image, folder + QLatin1String(s.word) + QStringLiteral(".jpg"));
        setArtScale(StarterScale);
    }
    setArtScale(scale);
}

QStringList starterPictureNames()
{
    QStringList names;
    for (const Starter &s : Starters)
        names << QLatin1String(s.word) + QStringLiteral(".jpg");
    return names;
}

} // namespace art
