#include "WindowFixtures.h"

#include "settings/IntSettings.h"
#include "settings/ListFile.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "shell/core/ProgramFolder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace lettora;

namespace {

bool run(const QString &program, const QStringList &args)
{
    return QProcess::execute(program, args) == 0;
}

// A mount that goes again at the end of the test.
struct Mount
{
    explicit Mount(const QString &target) : target(target) {}
    ~Mount()
    {
        if (mounted)
            run(QStringLiteral("umount"), {QStringLiteral("-l"), target});
    }
    QString target;
    bool mounted = false;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedWhileSaving();
    void fullDisk();
    void missingDataFolder();
    void readOnlyDataFolder();
    void oddFileNames();
};

void TestFaults::killedWhileSaving()
{
    test::ProgramFolderCopy folder;
    const QStringList files = {QStringLiteral("ImageFile.txt"), QStringLiteral("Image.txt"), QStringLiteral("MusicFile.txt"),
                               QStringLiteral("Music.txt"), QStringLiteral("Timer.dat"), QStringLiteral("Random.dat"),
                               QStringLiteral("Font.dat")};
    QMap<QString, QSet<QByteArray>> versions;  // each file's two possible contents
    for (int round = 0; round < 40; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(LETTORA_SAVE_LOOP), {folder.root()});
        QVERIFY(saver.waitForReadyRead(30000));
        QCOMPARE(saver.readLine(), QByteArray("ready\n"));
        if (versions.isEmpty()) {
            for (const QString &f : files)
                versions[f] << folder.bytes(QStringLiteral("Data/") + f);
        }
        // Somewhere in the middle of a save: each round stops it at another moment.
        usleep(QRandomGenerator::global()->bounded(1000, 60000));
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));
        for (const QString &f : files) {
            const QByteArray now = folder.bytes(QStringLiteral("Data/") + f);
            if (!versions[f].contains(now) && versions[f].size() == 1)
                versions[f] << now;  // the first time version B is seen whole
            QVERIFY2(versions[f].contains(now), qPrintable(QStringLiteral("%1 holds %2 bytes of neither version")
                                                                 .arg(f).arg(now.size())));
        }
    }
}

void TestFaults::fullDisk()
{
    if (geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    test::Windows w({{QStringLiteral("Data/ImageFile.txt"), "cat.jpg\r\n"},
                     {QStringLiteral("Data/Image.txt"), "/p/cat.jpg\r\n"},
                     {QStringLiteral("Data/MusicFile.txt"), "a.ogg\r\n"},
                     {QStringLiteral("Data/Music.txt"), "/m/a.ogg\r\n"}});
    QMap<QString, QByteArray> before;
    const QDir data(w.folder.file(QStringLiteral("Data")));
    for (const QString &f : data.entryList(QDir::Files))
        before[f] = w.folder.bytes(QStringLiteral("Data/") + f);
    Mount disk(data.path());
    if (!run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       QStringLiteral("size=512k"), QStringLiteral("tmpfs"), data.path()}))
        QSKIP("this machine does not let the test mount a file system");
    disk.mounted = true;
    for (auto it = before.begin(); it != before.end(); ++it)
        w.folder.write(QStringLiteral("Data/") + it.key(), it.value());
    // Fill the disk but for a little room.
    QFile filler(data.filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray block(1024, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    filler.resize(std::max<qint64>(0, filler.size() - 8 * 1024));

    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << QStringLiteral("/home/ann/Pictures/picture-number-%1.jpg").arg(i);
    w.picker->answer = many;
    w.dialog->TombolAddImageClick();
    guard([&] { w.dialog->TombolOKClick(); });
    QCOMPARE(w.messages->size(), 1);
    QVERIFY2(w.messages->first().contains(QStringLiteral("Stream write error"))
                 || w.messages->first().contains(QStringLiteral("No space left on device")),
             qPrintable(w.messages->first()));
    QVERIFY(w.dialog->isVisible());  // open, nothing lost: the edits are still there to save
    QCOMPARE(w.dialog->pictures.nameEntries(), 2001);
    for (auto it = before.begin(); it != before.end(); ++it)
        QCOMPARE(w.folder.bytes(QStringLiteral("Data/") + it.key()), it.value());

    // With room again, the same OK saves everything.
    QVERIFY(filler.remove());
    w.messages->clear();
    guard([&] { w.dialog->TombolOKClick(); });
    QVERIFY2(w.messages->isEmpty(), qPrintable(w.messages->join(QLatin1Char('\n'))));
    QCOMPARE(parseListFile(w.folder.bytes(QStringLiteral("Data/ImageFile.txt"))).size(), 2001);
    QVERIFY(!w.dialog->isVisible());
}

void TestFaults::missingDataFolder()
{
    test::ProgramFolderCopy folder;
    QVERIFY(QDir(folder.file(QStringLiteral("Data"))).removeRecursively());
    ProgramFolder::chooseDataFolder();
    QVERIFY(QFileInfo(folder.file(QStringLiteral("Data"))).isDir());
    test::OpenWindows w;
    // A message for each list file; the settings were made anew and the game is playable.
    QCOMPARE(w.messages->size(), 4);
    QVERIFY(w.messages->first().contains(QStringLiteral("Cannot open file \"%1\"").arg(folder.file(QStringLiteral("Data/ImageFile.txt")))));
    QCOMPARE(folder.bytes(QStringLiteral("Data/Timer.dat")), QByteArray::fromHex("0A000000"));
    QTest::keyClicks(w.game.get(), QStringLiteral("cat"));
    QCOMPARE(w.game->row.typedWord(), QStringLiteral("CAT"));
    // OK writes the lists the user has made, and the next start finds them.
    w.picker->answer = {QStringLiteral("/p/cat.jpg")};
    w.dialog->TombolAddImageClick();
    guard([&] { w.dialog->TombolOKClick(); });
    QCOMPARE(folder.bytes(QStringLiteral("Data/ImageFile.txt")), QByteArray("cat.jpg\r\n"));
    QCOMPARE(folder.bytes(QStringLiteral("Data/Image.txt")), QByteArray("/p/cat.jpg\r\n"));
}

void TestFaults::readOnlyDataFolder()
{
    if (geteuid() != 0)
        QSKIP("a read-only mount needs root");
    test::ProgramFolderCopy folder;
    folder.write(QStringLiteral("Data/ImageFile.txt"), "cat.jpg\r\n");
    folder.write(QStringLiteral("Data/Image.txt"), "/p/cat.jpg\r\n");
    folder.write(QStringLiteral("Data/MusicFile.txt"), "a.ogg\r\n");
    folder.write(QStringLiteral("Data/Music.txt"), "/m/a.ogg\r\n");
    folder.write(QLatin1String(ProgramFolder::InstalledMarker), {});  // an installed game
    const QString data = folder.file(QStringLiteral("Data"));
    Mount readOnly(data);
    if (!run(QStringLiteral("mount"), {QStringLiteral("--bind"), data, data}))
        QSKIP("this machine does not let the test mount a file system");
    readOnly.mounted = true;
    QVERIFY(run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), data}));

    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    const auto restore = qScopeGuard([] {
        ProgramFolder::setDataFolder(QString());
        qunsetenv("XDG_DATA_HOME");
    });
    ProgramFolder::chooseDataFolder();
    const QString own = home.path() + QStringLiteral("/lettora/Data");
    QCOMPARE(ProgramFolder::dataFolder(), own);
    {
        test::OpenWindows w;
        QVERIFY2(w.messages->isEmpty(), qPrintable(w.messages->join(QLatin1Char('\n'))));
        QCOMPARE(w.dialog->pictures.allNames(), ListEntries{"cat.jpg"});
        w.dialog->EditTimer->setText(QStringLiteral("20"));
        guard([&] { w.dialog->TombolOKClick(); });
        QVERIFY(w.messages->isEmpty());
    }
    QFile timer(own + QStringLiteral("/Timer.dat"));
    QVERIFY(timer.open(QIODevice::ReadOnly));
    QCOMPARE(timer.readAll(), QByteArray::fromHex("14000000"));
    QVERIFY(!QFile::exists(data + QStringLiteral("/Timer.dat")));  // the installed folder was not touched
}

void TestFaults::oddFileNames()
{
    const QList<QByteArray> names = {"my cat.jpg", "dog's \"toy\".png", "sun;$(rm -rf x)&`y`.bmp", "\xc3\xa9t\xc3\xa9.jpg",
                                     "caf\xe9.jpg", "a\\b.jpg"};
    test::Windows w;
    QByteArray nameList, pathList;
    const QByteArray dir = QFile::encodeName(w.folder.file(QStringLiteral("Picture")));
    for (const QByteArray &name : names) {
        const QByteArray path = dir + '/' + name;
        // Written by its bytes, as any program may have named it.
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray encoded;
        {
            QBuffer buffer(&encoded);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, name.endsWith(".png") ? "png" : name.endsWith(".bmp") ? "bmp" : "jpeg");
        }
        FILE *f = std::fopen(path.constData(), "wb");
        QVERIFY(f);
        std::fwrite(encoded.constData(), 1, size_t(encoded.size()), f);
        std::fclose(f);
        nameList += name + "\r\n";
        pathList += path + "\r\n";
    }
    w.folder.write(QStringLiteral("Data/ImageFile.txt"), nameList);
    w.folder.write(QStringLiteral("Data/Image.txt"), pathList);
    w.dialog->ReloadPictureList();
    const QStringList words = {QStringLiteral("MY CAT"), QStringLiteral("DOG'S \"TOY\""), QStringLiteral("SUN;$(RM -RF X)&`Y`"),
                               QString::fromUtf8("\xc3\xa9T\xc3\xa9"), QString::fromUtf8("CAF\xc3\xa9"), QStringLiteral("A\\B")};
    guard([&] { w.game->BtnStartClick(); });
    for (int i = 0; i < names.size(); ++i) {
        QVERIFY2(w.messages->isEmpty(), qPrintable(w.messages->join(QLatin1Char('\n'))));
        QCOMPARE(w.game->TargetWord, words.at(i));
        QCOMPARE(w.game->ImageShow->pixmap().size(), QSize(220, 220));
        w.game->TimerShow->fire();  // on to the next one
    }
    // Saved back byte for byte.
    guard([&] { w.dialog->TombolOKClick(); });
    QCOMPARE(w.folder.bytes(QStringLiteral("Data/ImageFile.txt")), nameList);
    QCOMPARE(w.folder.bytes(QStringLiteral("Data/Image.txt")), pathList);
    for (const QByteArray &name : names)
        ::unlink((dir + '/' + name).constData());  // Qt cannot name the one that is not UTF-8
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
