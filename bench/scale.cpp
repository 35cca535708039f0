// A full frame of the game window painted at 800 x 600 (the switched display) and at the factors
// that fit 1920 x 1080 and 3840 x 2160, a picture shown and a word typed; medians of repeated
// paints into the window's backing store. Offscreen platform, silent sound.
#include "Measure.h"
#include "game/LettoraUnit.h"
#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"
#include "shell/ProgramFolder.h"
#include "shell/ScreenScale.h"

#include <QApplication>
#include <QKeyEvent>

#include <cstdio>
#include <memory>

using namespace lettora;
using lettora::bench::medianMs;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setMessageHook([](const QString &caption, const QString &text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    });
    ProgramFolder::setRoot(QStringLiteral(LETTORA_PROGRAM_DIR));
    for (const QSize screen : {QSize(800, 600), QSize(1920, 1080), QSize(3840, 2160)}) {
        const qreal factor = designScale(screen, false);
        screenScaler().setFactor(factor);
        auto window = std::make_unique<TFormLettora>();
        window->resize(qRound(screen.width() / factor), qRound(screen.height() / factor));
        window->show();
        window->ImageShow->setPicture(loadPictureFile(ProgramFolder::resolve(QStringLiteral("./Picture/cat.jpg")).toLocal8Bit(),
                                                      QSize(220, 220)));
        for (const int key : {Qt::Key_C, Qt::Key_A, Qt::Key_T}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &press);
        }
        QCoreApplication::processEvents();
        const double frame = medianMs(31, [&] { window->repaint(); });
        std::printf("%dx%d (factor %.2f, window %dx%d): a full frame painted in %.2f ms\n", screen.width(),
                    screen.height(), factor, window->width(), window->height(), frame);
    }
    screenScaler().setFactor(1.0);
    return 0;
}
