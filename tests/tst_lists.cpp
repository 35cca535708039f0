#include "Fixtures.h"

#include "settings/ListFile.h"
#include "settings/ListPair.h"

#include <QBrush>
#include <QColor>
#include "shell/ErrorReport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace lettora;

Q_DECLARE_METATYPE(ListEntries)

class TestLists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void format_data();
    void format();
    void loadFailure();
    void saveFailures();
    void fifoNeverReplaced();
    void interruptedSaveKeepsOldFile();
    void pairSavedWholeOrNotAtAll_data();
    void pairSavedWholeOrNotAtAll();
    void pairOperations();
    void drawnEntriesAreSaved();
    void misalignedFilesLoadAsTheyAre();
    void gameViewMatchesTheMarks();
    void viewSignals();
    void longEntriesShownCut_data();
    void longEntriesShownCut();
    void relativeEntriesLieInTheProgramFolder_data();
    void relativeEntriesLieInTheProgramFolder();
};

void TestLists::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ListEntries>("entries");
    QTest::newRow("empty file") << QByteArray() << ListEntries{};
    QTest::newRow("CR LF") << QByteArray("cat.jpg\r\ndog.bmp\r\n") << ListEntries{"cat.jpg", "dog.bmp"};
    QTest::newRow("LF only") << QByteArray("cat.jpg\ndog.bmp\n") << ListEntries{"cat.jpg", "dog.bmp"};
    QTest::newRow("lone CR") << QByteArray("cat.jpg\rdog.bmp\r") << ListEntries{"cat.jpg", "dog.bmp"};
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << ListEntries{"a", "b", "c", "d"};
    QTest::newRow("no final line end") << QByteArray("cat.jpg\r\nsun.bmp") << ListEntries{"cat.jpg", "sun.bmp"};
    QTest::newRow("two final CR LF") << QByteArray("cat.jpg\r\n\r\n") << ListEntries{"cat.jpg", ""};
    QTest::newRow("only CR LF") << QByteArray("\r\n") << ListEntries{""};
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << ListEntries{"a", "", "b"};
    QTest::newRow("blanks kept") << QByteArray("  my cat .jpg \r\n") << ListEntries{"  my cat .jpg "};
    QTest::newRow("NUL ends the text") << QByteArray("cat.jpg\r\ndog\0.bmp\r\nsun.bmp\r\n", 27)
                                       << ListEntries{"cat.jpg", "dog"};
    QTest::newRow("NUL at a line start") << QByteArray("cat.jpg\r\n\0dog.bmp", 17) << ListEntries{"cat.jpg"};
    QTest::newRow("8-bit bytes kept") << QByteArray("caf\xe9.jpg\r\n\xc3\xa9t\xc3\xa9.png\r\n")
                                      << ListEntries{"caf\xe9.jpg", "\xc3\xa9t\xc3\xa9.png"};
}

void TestLists::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(ListEntries, entries);
    QCOMPARE(parseListFile(bytes), entries);
}

void TestLists::format_data()
{
    QTest::addColumn<ListEntries>("entries");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty list: 0 bytes") << ListEntries{} << QByteArray();
    QTest::newRow("CR LF after every entry") << ListEntries{"cat.jpg", "dog.bmp"} << QByteArray("cat.jpg\r\ndog.bmp\r\n");
    QTest::newRow("one empty entry") << ListEntries{""} << QByteArray("\r\n");
    QTest::newRow("8-bit bytes as they are") << ListEntries{"caf\xe9.jpg", "/home/\xc3\xa9/x.png"}
                                             << QByteArray("caf\xe9.jpg\r\n/home/\xc3\xa9/x.png\r\n");
}

void TestLists::format()
{
    QFETCH(ListEntries, entries);
    QFETCH(QByteArray, bytes);
    QCOMPARE(formatListFile(entries), bytes);
    // What is written reads back the same.
    QCOMPARE(parseListFile(bytes), entries);
    test::ProgramFolderCopy folder;
    saveListFile(QStringLiteral("./Data/Image.txt"), entries);
    QCOMPARE(folder.bytes(QStringLiteral("Data/Image.txt")), bytes);
    QCOMPARE(loadListFile(QStringLiteral("./Data/Image.txt")), entries);
}

void TestLists::loadFailure()
{
    test::ProgramFolderCopy folder;
    folder.remove(QStringLiteral("Data/Music.txt"));
    try {
        loadListFile(QStringLiteral("./Data/Music.txt"));
        QFAIL("no error raised");
    } catch (const Error &e) {
        QCOMPARE(e.text(), QStringLiteral("Cannot open file \"%1\". No such file or directory")
                               .arg(folder.file(QStringLiteral("Data/Music.txt"))));
    }
}

void TestLists::saveFailures()
{
    test::ProgramFolderCopy folder;
    QDir(folder.file(QStringLiteral("Data"))).removeRecursively();
    try {
        saveListFile(QStringLiteral("./Data/ImageFile.txt"), {"cat.jpg"});
        QFAIL("no error raised");
    } catch (const Error &e) {
        QVERIFY2(e.text().startsWith(QStringLiteral("Cannot create file \"%1\". ")
                                         .arg(folder.file(QStringLiteral("Data/ImageFile.txt")))),
                 qPrintable(e.text()));
    }
}

// A FIFO in a list file's place is the user's own: the save says so and leaves it there.
void TestLists::fifoNeverReplaced()
{
    test::ProgramFolderCopy folder;
    const QString path = folder.file(QStringLiteral("Data/ImageFile.txt"));
    folder.remove(QStringLiteral("Data/ImageFile.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QString error;
    try {
        saveListFile(QStringLiteral("./Data/ImageFile.txt"), {"cat.jpg"});
    } catch (const Error &e) {
        error = e.text();
    }
    QCOMPARE(error, QStringLiteral("Cannot create file \"%1\". Not a regular file").arg(path));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
}

void TestLists::interruptedSaveKeepsOldFile()
{
    test::ProgramFolderCopy folder;
    const QByteArray old("cat.jpg\r\ndog.jpg\r\n");
    folder.write(QStringLiteral("Data/ImageFile.txt"), old);
    ListEntries big;
    for (int i = 0; i < 200; ++i)
        big << QByteArray("a-rather-long-picture-name-") + QByteArray::number(i) + ".jpg";

    // The file system refuses every byte past the first 64 of a file, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    try {
        saveListFile(QStringLiteral("./Data/ImageFile.txt"), big);
    } catch (const Error &e) {
        error = e.text();
    }
    setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(error, QStringLiteral("Stream write error"));
    QCOMPARE(folder.bytes(QStringLiteral("Data/ImageFile.txt")), old);
    // No temporary file is left behind.
    QCOMPARE(QDir(folder.file(QStringLiteral("Data"))).entryList(QDir::Files).size(), 4);
}

// The two files of a pair are replaced together or not at all: when one cannot be written, the
// other keeps its old bytes too, and no temporary file stays behind.
void TestLists::pairSavedWholeOrNotAtAll_data()
{
    QTest::addColumn<QString>("blocked");  // the file that a folder stands in place of; "" = none
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<QByteArray>("paths");
    QTest::newRow("both written") << "" << QByteArray("b.jpg\r\n") << QByteArray("/p/b.jpg\r\n");
    QTest::newRow("names blocked") << "Data/ImageFile.txt" << QByteArray() << QByteArray("/p/a.jpg\r\n");
    QTest::newRow("paths blocked") << "Data/Image.txt" << QByteArray("a.jpg\r\n") << QByteArray();
}

void TestLists::pairSavedWholeOrNotAtAll()
{
    QFETCH(QString, blocked);
    QFETCH(QByteArray, names);
    QFETCH(QByteArray, paths);
    test::ProgramFolderCopy folder;
    folder.write(QStringLiteral("Data/ImageFile.txt"), "a.jpg\r\n");
    folder.write(QStringLiteral("Data/Image.txt"), "/p/a.jpg\r\n");
    ListPair list;
    list.loadNames(QStringLiteral("./Data/ImageFile.txt"));
    list.loadPaths(QStringLiteral("./Data/Image.txt"));
    list.clear();
    list.add({QStringLiteral("/p/b.jpg")});
    QVERIFY(list.hasUnsavedEdits());
    if (!blocked.isEmpty()) {
        folder.remove(blocked);
        QVERIFY(QDir().mkdir(folder.file(blocked)));
    }
    QString error;
    try {
        list.save(QStringLiteral("./Data/ImageFile.txt"), QStringLiteral("./Data/Image.txt"));
    } catch (const Error &e) {
        error = e.text();
    }
    QCOMPARE(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(folder.file(blocked))), !blocked.isEmpty());
    QCOMPARE(list.hasUnsavedEdits(), !blocked.isEmpty());
    if (!names.isNull())
        QCOMPARE(folder.bytes(QStringLiteral("Data/ImageFile.txt")), names);
    if (!paths.isNull())
        QCOMPARE(folder.bytes(QStringLiteral("Data/Image.txt")), paths);
    QCOMPARE(QDir(folder.file(QStringLiteral("Data"))).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);
}

void TestLists::pairOperations()
{
    ListPair list;
    list.add({QStringLiteral("/home/ann/Pictures/cat.jpg"), QStringLiteral("/tmp/x/sun.jpeg"),
              QStringLiteral("/home/ann/Pictures/cat.jpg"), QStringLiteral("/srv/\u00e9t\u00e9.png")});
    QCOMPARE(list.allNames(), (ListEntries{"cat.jpg", "sun.jpeg", "cat.jpg", "\xc3\xa9t\xc3\xa9.png"}));
    QCOMPARE(list.allPaths().at(1), QByteArray("/tmp/x/sun.jpeg"));
    QCOMPARE(ListPair::display(list.allNames().at(3)), QStringLiteral("\u00e9t\u00e9.png"));
    QCOMPARE(ListPair::display("caf\xe9.jpg"), QStringLiteral("caf\u00e9.jpg"));  // not UTF-8: Latin-1

    list.removeAt(0);
    QCOMPARE(list.allNames(), (ListEntries{"sun.jpeg", "cat.jpg", "\xc3\xa9t\xc3\xa9.png"}));
    QCOMPARE(list.allPaths(), (ListEntries{"/tmp/x/sun.jpeg", "/home/ann/Pictures/cat.jpg", "/srv/\xc3\xa9t\xc3\xa9.png"}));
    list.removeAt(7);  // no such entry: nothing happens
    QCOMPARE(list.nameEntries(), 3);
    list.clear();
    QCOMPARE(list.nameEntries(), 0);
    QVERIFY(list.allPaths().isEmpty());
}

void TestLists::drawnEntriesAreSaved()
{
    test::ProgramFolderCopy folder;
    ListPair list;
    list.add({QStringLiteral("/p/a.jpg"), QStringLiteral("/p/b.jpg"), QStringLiteral("/p/c.jpg"), QStringLiteral("/p/d.jpg")});
    list.draw(1);  // b
    list.draw(1);  // c, now second in the game's view
    QCOMPARE(list.nameCount(), 2);
    QCOMPARE(list.pathCount(), 2);
    QCOMPARE(list.name(1), QByteArray("d.jpg"));
    QCOMPARE(list.path(0), QStringLiteral("/p/a.jpg"));
    QVERIFY(list.isDrawn(1) && list.isDrawn(2) && !list.isDrawn(3));

    // An edit in the dialog after the draws: the entry is gone for good.
    list.removeAt(0);
    list.add({QStringLiteral("/p/e.jpg")});
    list.save(QStringLiteral("./Data/ImageFile.txt"), QStringLiteral("./Data/Image.txt"));
    QCOMPARE(folder.bytes(QStringLiteral("Data/ImageFile.txt")), QByteArray("b.jpg\r\nc.jpg\r\nd.jpg\r\ne.jpg\r\n"));
    QCOMPARE(folder.bytes(QStringLiteral("Data/Image.txt")), QByteArray("/p/b.jpg\r\n/p/c.jpg\r\n/p/d.jpg\r\n/p/e.jpg\r\n"));
    // The game still does not see the drawn ones.
    QCOMPARE(list.nameCount(), 2);
    QCOMPARE(list.name(0), QByteArray("d.jpg"));

    // Loading brings everything back.
    list.loadNames(QStringLiteral("./Data/ImageFile.txt"));
    list.loadPaths(QStringLiteral("./Data/Image.txt"));
    QCOMPARE(list.nameCount(), 4);
    QCOMPARE(list.name(0), QByteArray("b.jpg"));
}

void TestLists::misalignedFilesLoadAsTheyAre()
{
    test::ProgramFolderCopy folder;
    folder.write(QStringLiteral("Data/ImageFile.txt"), "a.jpg\r\nb.jpg\r\nc.jpg\r\n");
    folder.write(QStringLiteral("Data/Image.txt"), "/p/a.jpg\r\n");
    ListPair list;
    list.loadNames(QStringLiteral("./Data/ImageFile.txt"));
    list.loadPaths(QStringLiteral("./Data/Image.txt"));
    QCOMPARE(list.nameCount(), 3);
    QCOMPARE(list.pathCount(), 1);
    list.draw(0);
    QCOMPARE(list.nameCount(), 2);
    QCOMPARE(list.pathCount(), 0);
    QCOMPARE(list.name(0), QByteArray("b.jpg"));
}

void TestLists::gameViewMatchesTheMarks()
{
    // Draws and removals in any order: the game's view is the undrawn entries, in order.
    QRandomGenerator random(7);
    ListPair list;
    QStringList files;
    for (int i = 0; i < 300; ++i)
        files << QStringLiteral("/p/%1.jpg").arg(i);
    list.add(files);
    ListEntries names = list.allNames();
    QList<bool> drawn(names.size(), false);
    for (int step = 0; step < 400 && !names.isEmpty(); ++step) {
        ListEntries view;
        for (int i = 0; i < names.size(); ++i)
            if (!drawn.at(i))
                view << names.at(i);
        QCOMPARE(list.nameCount(), int(view.size()));
        QCOMPARE(list.pathCount(), int(view.size()));
        for (int i = 0; i < view.size(); ++i)
            QCOMPARE(list.name(i), view.at(i));
        if (view.isEmpty() || random.bounded(3) == 0) {
            const int at = random.bounded(int(names.size()));
            list.removeAt(at);
            names.removeAt(at);
            drawn.removeAt(at);
        } else {
            const int pick = random.bounded(int(view.size()));
            list.draw(pick);
            int seen = -1;
            for (int i = 0; i < names.size(); ++i)
                if (!drawn.at(i) && ++seen == pick) {
                    drawn[i] = true;
                    break;
                }
        }
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(list.isDrawn(i), drawn.at(i));
    }
    QVERIFY_THROWS_EXCEPTION(Error, list.name(list.nameCount()));
    QVERIFY_THROWS_EXCEPTION(Error, list.rawPath(-1));
}

void TestLists::viewSignals()
{
    // The list view is told exactly which rows changed.
    ListPair list;
    list.add({QStringLiteral("/p/a.jpg"), QStringLiteral("/p/b.jpg"), QStringLiteral("/p/c.jpg")});
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    list.add({QStringLiteral("/p/d.jpg"), QStringLiteral("/p/e.jpg")});
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 3);
    QCOMPARE(inserted.first().at(2).toInt(), 4);
    list.draw(1);  // b
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
    QCOMPARE(changed.first().at(1).toModelIndex().row(), 1);
    QCOMPARE(list.index(1).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::gray));
    QVERIFY(!list.index(2).data(Qt::ForegroundRole).isValid());
    list.removeAt(0);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 0);
    QCOMPARE(removed.first().at(2).toInt(), 0);
    QVERIFY(list.isDrawn(0));  // b moved up with its mark
    QCOMPARE(reset.size(), 0);
    list.clear();
    QCOMPARE(reset.size(), 1);
    QCOMPARE(inserted.size() + removed.size() + changed.size(), 3);
}

void TestLists::longEntriesShownCut_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("head");  // what the shown text starts with
    QTest::addColumn<QString>("tail");  // and ends with
    const QByteArray middle(10 * 1024 * 1024, 'x');
    QTest::newRow("short: whole") << QByteArray("cat.jpg") << "cat.jpg" << "cat.jpg";
    QTest::newRow("10 MB") << QByteArray("start-" + middle + "-end.jpg") << "start-xxx" << "xxx-end.jpg";
    QByteArray utf8;
    for (int i = 0; i < 4000; ++i)
        utf8 += "\xc3\xa9";  // é
    QTest::newRow("UTF-8 cut between characters") << QByteArray("a" + utf8 + "z.jpg")
                                                  << QString::fromUtf8("a\xc3\xa9\xc3\xa9") << QString::fromUtf8("\xc3\xa9z.jpg");
    QTest::newRow("Latin-1") << QByteArray("caf\xe9" + middle + "\xe9t\xe9.png") << QString::fromUtf8("caf\xc3\xa9x")
                             << QString::fromUtf8("x\xc3\xa9t\xc3\xa9.png");
}

void TestLists::longEntriesShownCut()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, head);
    QFETCH(QString, tail);
    test::ProgramFolderCopy folder;
    folder.write(QStringLiteral("Data/ImageFile.txt"), entry + "\r\n");
    ListPair list;
    list.loadNames(QStringLiteral("./Data/ImageFile.txt"));
    const QString shown = list.index(0).data().toString();
    QVERIFY2(shown.startsWith(head) && shown.endsWith(tail), qPrintable(shown.left(40)));
    QVERIFY(shown.size() <= ListPair::DisplayChars);
    QCOMPARE(shown.contains(QChar(0x2026)), entry.size() > ListPair::DisplayChars);  // the cut, in the middle
    QVERIFY(!shown.contains(QChar::ReplacementCharacter));
    QCOMPARE(list.allNames().first(), entry);  // only the display is cut
}

void TestLists::relativeEntriesLieInTheProgramFolder_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QByteArray>("file");  // relative to the program folder; empty: the entry as it is
    QTest::newRow("./") << QByteArray("./Picture/cat.jpg") << QByteArray("Picture/cat.jpg");
    QTest::newRow(".\\ and another case") << QByteArray(".\\picture\\Cat.jpg") << QByteArray("Picture/cat.jpg");
    QTest::newRow("full path kept") << QByteArray("/home/ann/cat.jpg") << QByteArray();
    QTest::newRow("relative without ./ kept") << QByteArray("Picture/cat.jpg") << QByteArray();
    QTest::newRow("8-bit bytes") << QByteArray("./Picture/caf\xe9.jpg") << QByteArray("Picture/caf\xe9.jpg");
}

void TestLists::relativeEntriesLieInTheProgramFolder()
{
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, file);
    test::ProgramFolderCopy folder;
    folder.write(QStringLiteral("Picture/cat.jpg"), "x");
    QDir::setCurrent(QDir::tempPath());
    QCOMPARE(ListPair::localFile(entry), file.isEmpty() ? entry : QFile::encodeName(folder.root()) + "/" + file);
}

QTEST_GUILESS_MAIN(TestLists)
#include "tst_lists.moc"
