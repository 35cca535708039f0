#include "GameView.h"

#include "Canvas.h"
#include "game/LettoraUnit.h"
#include "shell/core/AssetPaths.h"
#include "shell/PictureControl.h"
#include "shell/core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

namespace art {

void drawGameView(const QString &dir)
{
    // A program folder of its own, so that the settings files the game window creates stay out
    // of the real one.
    QTemporaryDir scratch;
    for (const char *folder : {"Image", "Font", "Picture", "Sound"})
        QFile::link(dir + QLatin1Char('/') + QLatin1String(folder), scratch.filePath(QLatin1String(folder)));
    QDir(scratch.path()).mkpath(QStringLiteral("Data"));
    lettora::ProgramFolder::setRoot(scratch.path());

    QImage screen;
    {
        lettora::TFormLettora game;
        game.resize(800, 600);
        game.ImageShow->load(dir + QStringLiteral("/Picture/cat.jpg"));
        for (char letter : {'C', 'A', 'T'})
            game.LetterClick(letter);
        screen = game.grab().toImage();
    }
    lettora::ProgramFolder::setRoot(dir);

    QImage view = canvas(132, 132, Qt::white);
    {
        QPainter p(&view);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF shot(2, 17, 128, 96);
        p.drawImage(shot, screen.scaled((shot.size() * artScale()).toSize(), Qt::IgnoreAspectRatio,
                                        Qt::SmoothTransformation));
        p.setPen(QPen(QColor(0x90, 0xCA, 0xF9), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(shot.adjusted(-1, -1, 1, 1), 4, 4);
    }
    save(view, dir + QLatin1Char('/') + QLatin1String(lettora::paths::WelcomeGameView));
}

} // namespace art
