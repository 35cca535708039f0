// The parents' corner's picture page over 1,000 photos of 12 megapixels: time from opening to the
// first thumbnails, to all the visible ones, to all 1,000, and the memory it adds at its peak.
// Usage: lettora-pictures-bench [folder]   (the photos are made there once; a temporary folder
// otherwise)
#include "Measure.h"
#include "parents/PicturesPage.h"
#include "settings/ListPair.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace lettora;
using lettora::bench::medianMs;
using lettora::bench::statusKb;

namespace {
constexpr int Photos = 1000;
constexpr QSize PhotoSize{4000, 3000};

// One photo-like JPEG (a gradient with grain, so it does not compress to nothing), linked under
// 1,000 names: each name is decoded on its own, as 1,000 different photos would be.
QStringList makePhotos(const QString &folder)
{
    QStringList files;
    const QString first = folder + QStringLiteral("/IMG_0000.jpg");
    if (!QFile::exists(first)) {
        QImage image(PhotoSize, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, PhotoSize.width(), PhotoSize.height());
        gradient.setColorAt(0, QColor(30, 90, 160));
        gradient.setColorAt(1, QColor(230, 200, 120));
        painter.fillRect(image.rect(), gradient);
        painter.end();
        QRandomGenerator random(1);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grain = int(random.bounded(24)) - 12;
                const QRgb p = line[x];
                line[x] = qRgb(qBound(0, qRed(p) + grain, 255), qBound(0, qGreen(p) + grain, 255),
                               qBound(0, qBlue(p) + grain, 255));
            }
        }
        image.save(first, "JPEG", 85);
    }
    for (int i = 0; i < Photos; ++i) {
        const QString file = folder + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        if (i > 0 && !QFile::exists(file))
            ::link(QFile::encodeName(first).constData(), QFile::encodeName(file).constData());
        files << file;
    }
    return files;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    QDir().mkpath(folder);
    const QStringList files = makePhotos(folder);
    std::printf("%d photos of %d x %d, %lld kB each\n", Photos, PhotoSize.width(), PhotoSize.height(),
                QFileInfo(files.first()).size() / 1024);

    ListPair list;
    list.add(files);
    const long base = statusKb("VmRSS:");
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
    refs.close();

    QElapsedTimer clock;
    clock.start();
    PicturesPage page(list);
    page.resize(520, 380);
    page.show();
    QCoreApplication::processEvents();
    const qint64 shown = clock.elapsed();
    ThumbnailCache &cache = page.model->thumbnails();
    while (cache.finished() == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 first = clock.elapsed();
    // The visible cells have asked for theirs by now; wait until those are all in.
    int visible = 0;
    for (int row = 0; row < list.nameEntries(); ++row)
        if (page.grid->viewport()->rect().intersects(page.grid->visualRect(page.model->index(row, 0))))
            ++visible;
    while (cache.finished() < visible)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 allVisible = clock.elapsed();
    // Scrolling to the end asks for every one.
    for (int row = 0; row < list.nameEntries(); ++row)
        cache.thumbnail(list.allPaths().at(row));
    while (cache.finished() < Photos)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 all = clock.elapsed();
    std::printf("page shown:                 %lld ms\n", shown);
    std::printf("first thumbnail:            %lld ms\n", first);
    std::printf("all %2d visible thumbnails:  %lld ms\n", visible, allVisible);
    std::printf("all %d thumbnails:        %lld ms (%.1f ms a photo, %d threads)\n", Photos, all,
                double(all) / Photos, ThumbnailCache::Threads);
    std::printf("memory added at the peak:   %ld kB (resident after: +%ld kB)\n", statusKb("VmHWM:") - base,
                statusKb("VmRSS:") - base);
    return 0;
}
