// Files the program opens by a path, when something else stands there or the path is absurd: every
// open returns at once with a clear message. A regression here hangs, so CTest gives this program
// a time limit.
#include "WindowFixtures.h"

#include "settings/IntSettings.h"
#include "settings/ListFile.h"
#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"
#include "sound/AudioModule.h"
#include "sound/MediaPlayer.h"
#include "sound/module/MixerEffects.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace lettora;

class TestFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void notRegularFiles_data();
    void notRegularFiles();
    void hugePathInList();
};

void TestFiles::notRegularFiles_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");  // %1: the path; empty: none, the default sound plays
    const QString cannotOpen = QStringLiteral("Cannot open file \"%1\". Not a regular file");
    const QString cannotCreate = QStringLiteral("Cannot create file \"%1\". Not a regular file");
    for (const char *kind : {"fifo", "directory"}) {
        const auto row = [kind](const char *open) {
            return &QTest::addRow("%s, %s", open, kind);
        };
        *row("list file") << "list" << "ImageFile.txt" << kind << cannotOpen;
        // The read fails and the default is not written over what stands there.
        *row("settings file") << "setting" << "Timer.dat" << kind << cannotCreate;
        *row("user picture") << "picture" << "x.jpg" << kind << cannotOpen;
        *row("fixed picture") << "fixed picture" << "border.bmp" << kind << cannotOpen;
        *row("music file") << "music" << "song.ogg" << kind << cannotOpen;
        *row("effect") << "effect" << "Click.wav" << kind << QString();
    }
    QTest::newRow("list file, endless device") << "list" << "Image.txt" << "/dev/zero" << cannotOpen;
    QTest::newRow("user picture, endless device") << "picture" << "x.jpg" << "/dev/zero" << cannotOpen;
}

void TestFiles::notRegularFiles()
{
    QFETCH(QString, open);
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    const QByteArray local = QFile::encodeName(path);
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(local.constData(), 0600), 0);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir(dir.path()).mkdir(name));
    else
        QVERIFY(QFile::link(kind, path));

    QString raised;
    try {
        if (open == QLatin1String("list")) {
            loadListFile(path);
        } else if (open == QLatin1String("setting")) {
            ReadIntSetting(path, 10);
        } else if (open == QLatin1String("picture")) {
            loadPictureFile(local, QSize(220, 220));
        } else if (open == QLatin1String("fixed picture")) {
            loadPicture(path);
        } else if (open == QLatin1String("music")) {
            auto player = makeModuleMediaPlayer("fakesink");
            player->FileName = path;
            player->Open();
            QVERIFY(!player->isOpen());
        } else {
            MixerEffectPlayer player("null");
            QVERIFY(player.isOpen());
            player.play(path);
            QVERIFY(player.lastWasDefault());
        }
    } catch (const Error &e) {
        raised = e.text();
    }
    QCOMPARE(raised, message.isEmpty() ? QString() : message.arg(path));
    // Whatever stood there is still there.
    const QFileInfo after(path);
    QCOMPARE(after.isDir(), kind == QLatin1String("directory"));
    if (kind == QLatin1String("fifo")) {
        struct stat st;
        QVERIFY(::stat(local.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    }
}

void TestFiles::hugePathInList()
{
    // One line of 10 MB in the path list: the message quotes its start and end only.
    const QByteArray path = '/' + QByteArray(10 * 1024 * 1024, 'a') + "/x.jpg";
    test::Windows w({{QStringLiteral("Data/ImageFile.txt"), "x.jpg\r\n"}, {QStringLiteral("Data/Image.txt"), path + "\r\n"}});
    guard([&] { w.game->BtnStartClick(); });
    QCOMPARE(w.messages->size(), 1);
    const QString quoted = QStringLiteral("/") + QString(98, QLatin1Char('a')) + QChar(0x2026) + QString(94, QLatin1Char('a'))
        + QStringLiteral("/x.jpg");
    QCOMPARE(w.messages->first().section(QLatin1Char('|'), 1),
             QStringLiteral("Cannot open file \"%1\". File name too long.").arg(quoted));
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
