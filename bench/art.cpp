// The resident memory the 2x and 3x copies of the art add to the game window, at device pixel
// ratios 1, 2 and 3.6 (QT_SCALE_FACTOR), offscreen. Each figure comes from a fresh process: the
// game window shown, painted, every button pressed and released, a picture started and a word
// typed, once over the program folder as built and once over a copy without the larger copies.
//   lettora-art-bench            runs them all and prints the table
//   lettora-art-bench RATIO with|without   one process, prints its figure in kB
#include "Measure.h"
#include "game/LettoraUnit.h"
#include "settings/OptionUnit.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/core/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

using namespace lettora;
using lettora::bench::statusKb;

namespace {

// The program folder in a temporary copy, with or without the larger copies of the art.
void copyProgramFolder(const QString &to, bool withCopies)
{
    const QString from = QStringLiteral(LETTORA_PROGRAM_DIR);
    for (const char *sub : {"Image", "Font", "Sound", "Music", "Picture"}) {
        QDirIterator it(from + QLatin1Char('/') + QLatin1String(sub), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (!withCopies && isArtVariantName(it.fileName()))
                continue;
            const QString target = to + file.mid(from.size());
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(file, target);
        }
    }
    QDir(to).mkpath(QStringLiteral("Data"));
    for (const char *list : {"ImageFile.txt", "Image.txt", "MusicFile.txt", "Music.txt"}) {
        QFile f(to + QStringLiteral("/Data/") + QLatin1String(list));
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray());
    }
}

int measureOne(int argc, char *argv[])
{
    // Large blocks always from the system and back to it when freed, so that the resident size
    // counts what is held and not what malloc keeps of the grabs made on the way.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    qputenv("QT_SCALE_FACTOR", argv[1]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool withCopies = QByteArray(argv[2]) == "with";
    QApplication app(argc, argv);
    setMessageHook([](const QString &caption, const QString &text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    });
    QTemporaryDir folder;
    copyProgramFolder(folder.path(), withCopies);
    ProgramFolder::setRoot(folder.path());
    // Qt's own start (fonts, the first paint of any widget) is not the game's.
    {
        QWidget warm;
        warm.resize(100, 100);
        warm.show();
        warm.grab();
    }
    QCoreApplication::processEvents();
    malloc_trim(0);
    const long before = statusKb("RssAnon:");

    auto window = std::make_unique<TFormLettora>();
    auto options = std::make_unique<TFormOption>(window.get(), window.get());
    FormLettora = window.get();
    FormOption = options.get();
    window->resize(800, 600);
    window->show();
    QCoreApplication::processEvents();
    window->grab();
    for (PictureControl *button : {window->BtnStart, window->BtnReset, window->BtnOK, window->BtnClear,
                                   window->BtnSpeaker}) {
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        window->grab();
        // Released outside: no click, the window stays as it is.
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-5, -5));
    }
    options->pictures.add({folder.path() + QStringLiteral("/Picture/cat.jpg")});
    window->BtnStartClick();
    window->TimerShow->setEnabled(false);
    QTest::keyClicks(window.get(), QStringLiteral("cat"));
    window->grab();
    QCoreApplication::processEvents();
    malloc_trim(0);
    std::printf("%ld\n", statusKb("RssAnon:") - before);
    FormOption = nullptr;
    FormLettora = nullptr;
    return 0;
}

long median(std::vector<long> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3)
        return measureOne(argc, argv);
    QCoreApplication app(argc, argv);
    std::printf("| Ratio | Game window without the copies | With the 2x and 3x copies | Added by the copies |\n"
                "|---|---|---|---|\n");
    for (const char *ratio : {"1", "2", "3.6"}) {
        long kb[2] = {0, 0};
        for (int with = 0; with < 2; ++with) {
            std::vector<long> runs;
            for (int run = 0; run < 5; ++run) {
                QProcess child;
                child.start(QCoreApplication::applicationFilePath(),
                            {QLatin1String(ratio), QLatin1String(with ? "with" : "without")});
                child.waitForFinished(120000);
                runs.push_back(child.readAllStandardOutput().trimmed().toLong());
            }
            kb[with] = median(runs);
        }
        std::printf("| %s | %.1f MB | %.1f MB | %+.1f MB |\n", ratio, kb[0] / 1024.0, kb[1] / 1024.0,
                    (kb[1] - kb[0]) / 1024.0);
    }
    return 0;
}
