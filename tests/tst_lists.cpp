#include "Fixtures.h"

#include "settings/ListFile.h"
#include "settings/ListPair.h"
#include "shell/ErrorReport.h"

#include <QDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

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
    void interruptedSaveKeepsOldFile();
    void pairOperations();
    void drawnEntriesAreSaved();
    void misalignedFilesLoadAsTheyAre();
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
    list.saveNames(QStringLiteral("./Data/ImageFile.txt"));
    list.savePaths(QStringLiteral("./Data/Image.txt"));
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

QTEST_GUILESS_MAIN(TestLists)
#include "tst_lists.moc"
