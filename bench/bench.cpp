// Start-up, letter entry and picture decoding, timed as medians of repeated runs, and the
// resident memory of a game window. Runs on the offscreen platform with silent sound.
#include "Measure.h"
#include "game/LettoraUnit.h"
#include "settings/ListFile.h"
#include "settings/ListPair.h"
#include "settings/OptionUnit.h"
#include "shell/DisplaySize.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureLoader.h"
#include "shell/core/ProgramFolder.h"
#include "tests/TestPictures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QListView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace lettora;
using lettora::bench::medianMs;
using lettora::bench::statusKb;

namespace {

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
    // Message boxes would wait for a click: print them instead.
    setMessageHook([](const QString &caption, const QString &text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    });
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

    // With the painting: the window shown (offscreen), each change painted at once.
    window->resize(800, 600);
    window->show();
    QCoreApplication::processEvents();
    const double painted = medianMs(99, [&] {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &key);
        window->repaint();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &escape);
        window->repaint();
    });
    std::printf("a letter typed and painted, then Clear and painted: %.2f ms\n", painted);

    const double switchCase = medianMs(30, [&] {
        window->LoadUpperCaseSet();
        window->LoadLowerCaseSet();
    });
    std::printf("letter set switch, both ways: %.2f ms\n", switchCase);

    // A correct OK that loads the next picture (starter pictures, list order).
    {
        TFormOption options(window.get());
        FormLettora = window.get();
        FormOption = &options;
        QStringList starters;
        for (const char *word : {"cat", "dog", "sun", "fish", "apple", "car", "pig", "ball"})
            starters << ProgramFolder::resolve(QStringLiteral("./Picture/%1.jpg").arg(QLatin1String(word)));
        options.pictures.clear();
        for (int i = 0; i < 50; ++i)
            options.pictures.add(starters);
        window->BtnStartClick();
        const double ok = medianMs(99, [&] {
            for (QChar c : window->TargetWord)
                window->LetterClick(c.toLatin1());
            window->BtnOKClick();
        });
        std::printf("a correct answer that loads the next picture: %.2f ms\n", ok);
        window->TimerShow->setEnabled(false);
        FormOption = nullptr;
        FormLettora = nullptr;
    }

    // Lists of 10,000 entries: save, load, and Reset's reload.
    {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath(QStringLiteral("Data"));
        const QString saved = ProgramFolder::root();
        ProgramFolder::setRoot(folder.path());
        ListPair big;
        QStringList files;
        for (int i = 0; i < 10000; ++i)
            files << QStringLiteral("/home/ann/Pictures/holiday %1/picture-%2.jpg").arg(i / 100).arg(i);
        big.add(files);
        const double save = medianMs(9, [&] {
            big.save(QStringLiteral("./Data/ImageFile.txt"), QStringLiteral("./Data/Image.txt"));
        });
        const double load = medianMs(9, [&] {
            big.loadNames(QStringLiteral("./Data/ImageFile.txt"));
            big.loadPaths(QStringLiteral("./Data/Image.txt"));
        });
        for (const char *f : {"MusicFile.txt", "Music.txt"})
            QFile(folder.path() + QStringLiteral("/Data/") + QLatin1String(f)).open(QIODevice::WriteOnly);
        TFormOption options;
        const double reset = medianMs(9, [&] { options.ReloadPictureList(); });
        std::printf("lists of 10,000 entries: save %.1f ms, load %.1f ms, reload with the dialog's list shown %.1f ms\n",
                    save, load, reset);
        ProgramFolder::setRoot(saved);
    }

    // Lists of 100,000 entries in the options dialog: its creation with the lists loaded and
    // shown, a Remove, a draw and Reset's reload; each alone and with the dialog painted after it.
    {
        QTemporaryDir folder;
        ProgramFolder::setDataFolder(folder.path());
        ListEntries names, paths;
        for (int i = 0; i < 100000; ++i) {
            names << "picture-" + QByteArray::number(i) + ".jpg";
            paths << "/home/ann/Pictures/holiday " + QByteArray::number(i / 100) + "/" + names.last();
        }
        saveListFile(QStringLiteral("./Data/ImageFile.txt"), names);
        saveListFile(QStringLiteral("./Data/Image.txt"), paths);
        saveListFile(QStringLiteral("./Data/MusicFile.txt"), names);
        saveListFile(QStringLiteral("./Data/Music.txt"), paths);
        FormLettora = window.get();
        std::unique_ptr<TFormOption> options;
        bool paint = false;
        const auto painted = [&] {
            if (!paint)
                return;
            QCoreApplication::processEvents();
            options->repaint();
        };
        double show[2], remove[2], draw[2], reset[2], paintOnly = 0;
        int row = 50000;
        for (int p = 0; p < 2; ++p) {
            paint = p == 1;
            show[p] = medianMs(5, [&] {
                options.reset();
                options = std::make_unique<TFormOption>(window.get(), window.get());
                FormOption = options.get();
                options->show();
                painted();
            });
            QListView *box = options->ListBoxImage;
            box->scrollTo(options->pictures.index(row));
            remove[p] = medianMs(99, [&] {
                box->selectionModel()->setCurrentIndex(options->pictures.index(row), QItemSelectionModel::ClearAndSelect);
                options->TombolRemoveImageClick();
                painted();
            });
            draw[p] = medianMs(99, [&] {
                options->pictures.draw(row);
                painted();
            });
            reset[p] = medianMs(9, [&] {
                options->ReloadPictureList();
                painted();
            });
            if (paint)
                paintOnly = medianMs(29, [&] { options->repaint(); });
        }
        std::printf("lists of 100,000 entries in the dialog, alone / with the dialog painted after it:\n"
                    "  creation with both lists loaded and shown %.1f / %.1f ms\n"
                    "  Remove %.2f / %.2f ms, draw %.2f / %.2f ms, Reset's reload %.1f / %.1f ms\n"
                    "  (painting the dialog alone: %.2f ms)\n",
                    show[0], show[1], remove[0], remove[1], draw[0], draw[1], reset[0], reset[1], paintOnly);
        options.reset();
        FormOption = nullptr;
        FormLettora = nullptr;
        ProgramFolder::setDataFolder(QString());
    }

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

    // The largest pictures: each either shown or refused before it is decoded.
    const auto write = [&dir](const char *name, const QByteArray &bytes) {
        QFile f(dir.filePath(QLatin1String(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    const QList<std::pair<QString, QString>> huge = {
        {QStringLiteral("22500 x 33300 progressive JPEG"), write("large.jpg", test::progressiveJpeg(22500, 33300))},
        {QStringLiteral("8000 x 6000 progressive JPEG"), write("grey.jpg", test::progressiveJpeg(8000, 6000))},
        {QStringLiteral("8000 x 6000 PNG"), write("photo.png", test::solidPng(8000, 6000, {30, 120, 200}))}};
    for (const auto &[what, file] : huge) {
        for (const QSize target : {QSize(220, 220), QSize()}) {
            resetPeak();
            base = residentKb();
            QString outcome = QStringLiteral("shown");
            try {
                loadPicture(file, target);
            } catch (const Error &) {
                outcome = QStringLiteral("refused");
            }
            std::printf("%s %s: %s, the decode adds %ld kB at its peak\n", qPrintable(what),
                        target.isValid() ? "at 220 x 220" : "at full size", qPrintable(outcome), peakKb() - base);
        }
    }
    return 0;
}
