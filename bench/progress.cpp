// A year of the answers' history (50 answers a day, 365 days): read, counted per day and per
// word, the chart painted and the whole page filled; and what recording costs an OK.
#include "Measure.h"
#include "parents/ProgressLog.h"
#include "parents/ProgressPage.h"
#include "parents/ProgressRecorder.h"
#include "shell/core/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <vector>

using namespace lettora;
using lettora::bench::medianMs;
using lettora::bench::statusKb;

namespace {
QByteArray yearOfPlay(QDate today)
{
    const char *words[] = {"cat", "dog", "sun", "apple", "banana", "owl", "tree", "house", "fish", "ball",
                           "car", "bee", "moon", "star", "frog", "duck", "horse", "cake", "boat", "kite"};
    const char *results[] = {"right", "right", "right", "wrong", "timeout"};
    QByteArray text = progress::Header;
    unsigned seed = 7;
    for (int day = 364; day >= 0; --day) {
        const QByteArray date = today.addDays(-day).toString(Qt::ISODate).toLatin1();
        for (int i = 0; i < 50; ++i) {
            seed = seed * 1103515245u + 12345u;
            const char *word = words[(seed >> 8) % 20];
            text += date + "T" + QTime(17, 0).addSecs(i * 20).toString(Qt::ISODate).toLatin1() + "," + word + ","
                + results[(seed >> 16) % 5] + "," + QByteArray::number(((seed >> 4) % 200) / 10.0, 'f', 1) + ","
                + word + "\n";
        }
    }
    return text;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Data"));
    ProgramFolder::setRoot(dir.path());
    const QDate today = QDate::currentDate();
    const QByteArray text = yearOfPlay(today);
    {
        QFile out(ProgressRecorder::file());
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
            return 1;
    }
    std::vector<ProgressRecord> records;
    const double read = medianMs(21, [&] { records = progress::read(ProgressRecorder::file()); });
    std::printf("a year of history: %zu records, %lld kB\n", records.size(), (long long)text.size() / 1024);
    std::printf("read and parsed: %.2f ms\n", read);
    std::vector<DayCount> days;
    const double month = medianMs(21, [&] {
        const auto [first, last] = progress::chartRange(records, today);
        days = progress::perDay(records, first, last);
    });
    const double year = medianMs(21, [&] { (void)progress::perDay(records, today.addDays(-364), today); });
    std::printf("counted per day: %.2f ms for the 30 days shown, %.2f ms for the whole year\n", month, year);
    const double perWord = medianMs(21, [&] { (void)progress::perWord(records); });
    std::printf("counted per word and sorted: %.2f ms\n", perWord);
    QImage image(510, 190, QImage::Format_ARGB32_Premultiplied);
    const double paint = medianMs(21, [&] {
        image.fill(Qt::white);
        QPainter p(&image);
        ProgressChart::paint(p, image.rect(), days);
    });
    std::printf("chart of 30 days painted (510 x 190): %.2f ms\n", paint);
    ProgressPage page;
    page.resize(510, 400);
    const double reload = medianMs(11, [&] {
        page.reload();
        page.grab();
    });
    std::printf("the whole page read, filled and painted: %.2f ms (%d words)\n", reload, page.words->rowCount());

    // An answer handed over on the game's thread; the writer appends it on its own.
    ProgressRecorder &recorder = ProgressRecorder::instance();
    recorder.pictureShown();
    const double handOver = medianMs(1001, [&] {
        recorder.answered(QStringLiteral("CAT"), QStringLiteral("CAT"), Answer::Right);
    });
    QElapsedTimer drain;
    drain.start();
    while (progress::read(ProgressRecorder::file()).size() < records.size() + 1001 && drain.elapsed() < 30000)
        QThread::msleep(5);
    std::printf("an answer handed to the writer: %.4f ms; 1001 answers on disk after %lld ms\n", handOver,
                (long long)drain.elapsed());

    // Histories no game writes: the page opened and Export run on each, with the peak they add.
    const QByteArray when = today.toString(Qt::ISODate).toLatin1() + "T10:00:00,";
    const std::pair<const char *, std::function<void(QFile &)>> odd[] = {
        {"one word of 30 MB", [&](QFile &f) { f.write(when + QByteArray(30 * 1024 * 1024, 'a') + ",wrong,1.0,a\n"); }},
        {"1 M different words",
         [&](QFile &f) {
             for (int i = 0; i < 1000000; ++i)
                 f.write(when + "w" + QByteArray::number(i) + ",wrong,1.0,a\n");
         }},
        {"10 M lines",
         [&](QFile &f) {
             QByteArray block;
             for (int i = 0; i < 1000; ++i)
                 block += when + "cat,right,1.0,cat\n";
             for (int i = 0; i < 10000; ++i)
                 f.write(block);
         }},
    };
    for (const auto &[name, fill] : odd) {
        {
            QFile out(ProgressRecorder::file());
            if (!out.open(QIODevice::WriteOnly))
                return 1;
            out.write(progress::Header);
            fill(out);
        }
        page.reload();
        malloc_trim(0);
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        const long rss = statusKb("VmRSS:");
        QElapsedTimer t;
        t.start();
        page.reload();
        page.grab();
        const qint64 shown = t.elapsed();
        const long pagePeak = statusKb("VmHWM:") - rss;
        const QString exported = dir.filePath(QStringLiteral("export.csv"));
        t.start();
        page.exportTo(exported);
        const qint64 copied = t.elapsed();
        const long exportPeak = statusKb("VmHWM:") - rss;
        std::printf("%s (%lld MB): page %lld ms, +%.1f MB at the peak (%d rows); Export %lld ms, +%.1f MB\n", name,
                    (long long)(QFileInfo(ProgressRecorder::file()).size() >> 20), (long long)shown, pagePeak / 1024.0,
                    page.words->rowCount(), (long long)copied, exportPeak / 1024.0);
        QFile::remove(exported);
    }
    return 0;
}
