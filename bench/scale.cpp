// A full frame of the game window painted at 800 x 600 (the switched display) and at the factors
// that fit 1920 x 1080 and 3840 x 2160, a picture shown and a word typed; medians of repeated
// paints into the window's backing store. Offscreen platform, silent sound.
#include "Measure.h"
#include "game/LettoraUnit.h"
#include "shell/ErrorReport.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/core/ProgramFolder.h"
#include "shell/ScreenScale.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QThreadPool>
#include <QWindow>

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
        auto window = std::make_unique<TFormLettora>();
        // What the creation does on such a screen (the offscreen one is 800 x 600).
        screenScaler().setFactor(factor);
        window->resize(qRound(screen.width() / factor), qRound(screen.height() / factor));
        window->show();
        window->ImageShow->setPicture(loadPictureFile(ProgramFolder::resolve(QStringLiteral("./Picture/cat.jpg")).toLocal8Bit(),
                                                      QSize(220, 220)));
        for (const int key : {Qt::Key_C, Qt::Key_A, Qt::Key_T}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &press);
        }
        for (int i = 0; i < 100 && !window->windowHandle()->isExposed(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
        // The sharper copies made on worker threads, in place before anything is timed.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        // Into the window's backing store, as the screen gets it; and into an image of its own.
        const double frame = medianMs(31, [&] { window->repaint(); });
        QWidget *letter = window->findChild<QWidget *>(QStringLiteral("Huruf1"));
        const double letterArea = medianMs(31, [&] { letter->repaint(); });
        QSize device;
        const double grabbed = medianMs(31, [&] { device = window->grab().size(); });
        std::printf("%dx%d (factor %.2f, window %dx%d): a full frame painted in %.2f ms, a letter (%dx%d) in %.3f ms;"
                    " grabbed (%dx%d) in %.2f ms\n",
                    screen.width(), screen.height(), factor, window->width(), window->height(), frame,
                    letter->width(), letter->height(), letterArea, device.width(), device.height(), grabbed);
    }
    screenScaler().setFactor(1.0);
    return 0;
}
