// Loads each picture named on the command line as the game shows it (220 x 220) and at its own
// size, and says what became of it. A picture is either shown or refused with a clear message;
// anything else (a crash, another kind of error) fails.
//   picture-check FILE...
#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const QString file = QString::fromLocal8Bit(argv[i]);
        for (const QSize target : {QSize(220, 220), QSize()}) {
            try {
                const QImage image = lettora::loadPicture(file, target);
                std::printf("shown %dx%d: %s\n", image.width(), image.height(), argv[i]);
            } catch (const lettora::Error &e) {
                const bool clear = e.text().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(file));
                std::printf("%s: %s\n", clear ? "refused" : "UNCLEAR", qPrintable(e.text()));
                failures += clear ? 0 : 1;
            } catch (const std::exception &e) {
                std::printf("FAILED: %s: %s\n", argv[i], e.what());
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
