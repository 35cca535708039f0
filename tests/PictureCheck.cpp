// Loads each picture named on the command line as the game shows it (220 x 220) and at its own
// size, and says what became of it. A picture is either shown or refused with a clear message;
// anything else (a crash, another kind of error) fails.
// With --plugins, says which image plugins the process has loaded by then.
//   picture-check [--plugins] FILE...
#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"

#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>

namespace {
// The image plugins mapped into this process, sorted: "libqjpeg.so" and the like.
QString loadedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    QStringList plugins;
    const QRegularExpression plugin(QStringLiteral("/imageformats/(lib\\w+\\.so)$"));
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QRegularExpressionMatch m = plugin.match(QString::fromLocal8Bit(line));
        if (m.hasMatch() && !plugins.contains(m.captured(1)))
            plugins << m.captured(1);
    }
    plugins.sort();
    return plugins.join(QLatin1Char(' '));
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int failures = 0;
    const bool plugins = argc > 1 && QByteArray(argv[1]) == "--plugins";
    for (int i = plugins ? 2 : 1; i < argc; ++i) {
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
    if (plugins)
        std::printf("plugins: %s\n", qPrintable(loadedImagePlugins()));
    return failures == 0 ? 0 : 1;
}
