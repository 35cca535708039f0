// Start-up, letter entry and picture decoding, timed as medians of repeated runs, and the
// resident memory of a game window. Runs on the offscreen platform with silent sound.
#include "game/LettoraUnit.h"
#include "shell/DisplaySize.h"
#include "shell/PictureLoader.h"
#include "shell/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace lettora;

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return -1;
}

long peakKb()
{
    return statusKb("VmHWM:");
}

// Starts the peak anew from what is resident now (Linux: "5" to clear_refs resets VmHWM).
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

long residentKb()
{
    return statusKb("VmRSS:");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ProgramFolder::setRoot(QStringLiteral(LETTORA_PROGRAM_DIR));
    const long before = residentKb();

    std::unique_ptr<TFormLettora> window;
    const double create = medianMs(15, [&] {
        window.reset();
        window = std::make_unique<TFormLettora>();
    });
    std::printf("game window creation (pictures, settings, letter set): %.2f ms\n", create);
    std::printf("resident memory: %ld kB before, %ld kB with the game window\n", before, residentKb());

    const double typing = medianMs(50, [&] {
        for (int i = 0; i < 20; ++i) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_A + (i % 26), Qt::NoModifier);
            QApplication::sendEvent(window.get(), &key);
        }
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &escape);
    });
    std::printf("20 letters and a clear: %.2f ms (%.3f ms a letter)\n", typing, typing / 21);

    const double switchCase = medianMs(30, [&] {
        window->LoadUpperCaseSet();
        window->LoadLowerCaseSet();
    });
    std::printf("letter set switch, both ways: %.2f ms\n", switchCase);

    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    // A 13-megapixel camera photo: 4160 x 3120.
    QImage big(4160, 3120, QImage::Format_RGB32);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            big.setPixel(x, y, qRgb(x * 255 / big.width(), y * 255 / big.height(), (x ^ y) & 255));
    big.save(photo, "jpeg", 90);
    big = QImage();
    resetPeak();
    long base = residentKb();
    const double scaled = medianMs(9, [&] { loadPicture(photo, QSize(220, 220)); });
    const long scaledPeak = peakKb() - base;
    resetPeak();
    base = residentKb();
    const double full = medianMs(5, [&] { loadPicture(photo); });
    const long fullPeak = peakKb() - base;
    std::printf("13-megapixel JPEG: %.1f ms shown at 220 x 220 (scaled decoding), %.1f ms decoded at full size\n",
                scaled, full);
    std::printf("memory the decode adds at its peak: %ld kB scaled, %ld kB at full size\n", scaledPeak, fullPeak);
    return 0;
}
