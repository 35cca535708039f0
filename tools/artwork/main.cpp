// Draws every picture and writes every sound of the program folder, and the lists a new user
// starts with:
//   lettora-artwork PROGRAM_FOLDER ANDIKA_BOLD_TTF NOTO_COLOR_EMOJI_TTF [ICON_FOLDER]
// Only the lists (for an installed program folder):
//   lettora-artwork --lists DATA_FOLDER
// The output is the same bytes on every run.

#include "Canvas.h"
#include "Delivered.h"
#include "GameView.h"
#include "Pictures.h"
#include "Sounds.h"
#include "Starter.h"

#include "shell/core/AssetPaths.h"
#include "shell/PictureLoader.h"

#include <QDir>
#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--lists") {
        art::writeDeliveredLists(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: lettora-artwork PROGRAM_FOLDER ANDIKA_BOLD_TTF NOTO_COLOR_EMOJI_TTF [ICON_FOLDER]\n"
                             "       lettora-artwork --lists DATA_FOLDER\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    art::loadFonts(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    for (const char *sub : {"Image", "Font/Upper", "Font/Lower", "Sound", "Music", "Picture", "Data"})
        QDir(dir).mkpath(QLatin1String(sub));

    // The starter pictures are the first entries of the user's picture list, at one size like any
    // picture a parent adds: copies beside them would show in the picker, which opens in their folder.
    art::drawStarterPictures(dir);
    // The program's own art at 1x, 2x and 3x; the 1x set first, since the game view is drawn from it.
    for (int scale = 1; scale <= lettora::LargestArtScale; ++scale) {
        art::setArtScale(scale);
        art::drawLetters(dir);
        art::drawGameWindow(dir);
        art::drawWelcome(dir);
        art::drawOptions(dir);
        art::drawWelcomeDecor(dir);
        art::drawGameView(dir);
    }
    art::setArtScale(1);
    art::writeSounds(dir);
    art::writeWelcomeTune(dir + QLatin1Char('/') + QLatin1String(lettora::paths::WelcomeTune));
    art::writeBackgroundTunes(dir);
    art::writeDeliveredLists(dir + QStringLiteral("/Data"));
    if (argc == 5)
        art::drawIcons(QString::fromLocal8Bit(argv[4]));
    return 0;
}
