// The parents' corner's picture page: the words of picture names, renames that change the name
// alone, and the grid's edits, drops, moves and removals, each saved at once with both list files.
#include "WindowFixtures.h"

#include "parents/PictureWords.h"
#include "parents/ParentsCorner.h"
#include "parents/PicturesPage.h"
#include "settings/ListPair.h"
#include "shell/core/AssetPaths.h"
#include "shell/ErrorReport.h"
#include "shell/ScreenScale.h"

#include <QDir>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QBuffer>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QPainter>
#include <QTabWidget>
#include <QSignalSpy>
#include <QPushButton>
#include <QMimeData>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace lettora;

namespace {
const QString Names = QLatin1String(paths::ImageFileList).mid(2);
const QString Paths = QLatin1String(paths::ImagePathList).mid(2);

void writePicture(const QString &file)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(file));
}

// A drop as a drag ends on the view: the drag enters, then drops; true when the drop is taken.
bool drop(QListView *view, QPoint at, QMimeData *data)
{
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &dropped);
    return dropped.isAccepted();
}
} // namespace

class TestPictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void words_data();
    void words();
    void rename_data();
    void rename();
    void editInGrid();
    void gridEdits_data();
    void gridEdits();
    void dropFromOutside();
    void saveFails();
    void moveKeepsDrawn_data();
    void moveKeepsDrawn();
    void samePictureOnce();
    void pendingEditsOfTheDialog_data();
    void pendingEditsOfTheDialog();
    void moveNeedsBothLists_data();
    void moveNeedsBothLists();
    void fifoInTheList();
    void closeDoesNotWait();
    void thumbnailsBounded_data();
    void thumbnailsBounded();
    void notUtf8KeepsShape();
    void addPhotos_data();
    void addPhotos();
    void photoPicker();
    void reasonLines_data();
    void reasonLines();
    void reasonFits_data();
    void reasonFits();
};

void TestPictures::words_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("suggestion");
    QTest::newRow("plain") << QByteArray("apple.jpg") << "" << "apple";
    QTest::newRow("space") << QByteArray("ice cream.jpg") << "Has a space" << "icecream";
    QTest::newRow("accent utf-8") << QByteArray("cr\xc3\xa8me.jpg") << "Has an accent" << "creme";
    QTest::newRow("accent latin-1") << QByteArray("Fran\xe7ois.bmp") << "Has an accent" << "Francois";
    QTest::newRow("sharp s") << QByteArray("Stra\xc3\x9f" "e.png") << "Has an accent" << "Strasse";
    QTest::newRow("ligature, slashed o") << QByteArray("\xc3\xa6" "bler s\xc3\xb8" "d.jpg")
                                         << "Has a space and an accent" << "aeblersod";
    QTest::newRow("digit") << QByteArray("cat2.jpg") << "Has a digit" << "cat";
    QTest::newRow("punctuation") << QByteArray("hello!.jpg") << "Has punctuation" << "hello";
    QTest::newRow("other script") << QByteArray("\xd0\xba\xd0\xbe\xd1\x82.jpg") << "Has a letter other than a to z" << "";
    QTest::newRow("phone") << QByteArray("IMG_20261204_1832.jpg") << "Has a digit and punctuation" << "";
    QTest::newRow("pixel") << QByteArray("PXL_20261204_1832.jpg") << "Has a digit and punctuation" << "";
    QTest::newRow("camera") << QByteArray("DSC01234.JPG") << "Has a digit" << "";
    QTest::newRow("screenshot") << QByteArray("Screenshot 2026-12.png") << "Has a space, a digit and punctuation" << "";
    QTest::newRow("digits only") << QByteArray("12345.jpg") << "Has a digit" << "";
    QTest::newRow("mostly digits") << QByteArray("a1234.jpg") << "Has a digit" << "";
    QTest::newRow("as many digits as letters") << QByteArray("ab12.jpg") << "Has a digit" << "ab";
    QTest::newRow("no word") << QByteArray(".jpg") << "No word" << "";
    QTest::newRow("20 letters") << QByteArray("abcdefghijklmnopqrst.jpg") << "" << "abcdefghijklmnopqrst";
    QTest::newRow("21 letters") << QByteArray("abcdefghijklmnopqrstu.jpg") << "Longer than 20 letters"
                                << "abcdefghijklmnopqrstu";
    QTest::newRow("long, space") << QByteArray("ice cream with sprinkles.jpg")
                                 << "Has a space; longer than 20 letters" << "icecreamwithsprinkles";
    QTest::newRow("word photo") << QByteArray("photo.jpg") << "" << "photo";
}

void TestPictures::words()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, problem);
    QFETCH(QString, suggestion);
    QCOMPARE(PictureWords::problem(name), problem);
    QCOMPARE(PictureWords::suggestion(name), suggestion);
    // The fix, where there is one, gives a word the child can type.
    if (!suggestion.isEmpty() && suggestion.size() <= 20)
        QCOMPARE(PictureWords::problem(PictureWords::renamed(name, suggestion)), QString());
}

void TestPictures::rename_data()
{
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QByteArray>("saved");
    const QByteArray three = "IMG_1.jpg\r\nice cream.JPEG\r\nsun\r\n";
    QTest::newRow("keeps the extension") << three << 0 << "cake" << QByteArray("cake.jpg\r\nice cream.JPEG\r\nsun\r\n");
    QTest::newRow("upper extension") << three << 1 << "icecream" << QByteArray("IMG_1.jpg\r\nicecream.JPEG\r\nsun\r\n");
    QTest::newRow("no extension") << three << 2 << "moon" << QByteArray("IMG_1.jpg\r\nice cream.JPEG\r\nmoon\r\n");
    QTest::newRow("last dot") << QByteArray("a.b.png\r\n") << 0 << "ab" << QByteArray("ab.png\r\n");
    QTest::newRow("typed in utf-8") << QByteArray("x.jpg\r\n") << 0 << QString::fromUtf8("cr\xc3\xa8me")
                                    << QByteArray("cr\xc3\xa8me.jpg\r\n");
    QTest::newRow("lone LF, Latin-1 kept") << QByteArray("caf\xe9.jpg\nIMG_2.jpg\n") << 1 << "tea"
                                           << QByteArray("caf\xe9.jpg\r\ntea.jpg\r\n");
}

// Through the page, as a parent's word is taken: the name changes, the paths stay the same
// entries, and the game reads the new word.
void TestPictures::rename()
{
    QFETCH(QByteArray, names);
    QFETCH(int, row);
    QFETCH(QString, word);
    QFETCH(QByteArray, saved);
    const QByteArray paths = "/photos/IMG_1.jpg\n./Picture/x.bmp\r\n/p/\xe9t\xe9.jpg\r";
    test::Windows w({{Names, names}, {Paths, paths}});
    PicturesPage page(w.dialog->pictures);
    page.setWord(row, word);
    QCOMPARE(w.bytes(paths::ImageFileList), saved);
    // The paths are written with the names, each entry as it was, in the list file's own line ends.
    QCOMPARE(w.bytes(paths::ImagePathList), QByteArray("/photos/IMG_1.jpg\r\n./Picture/x.bmp\r\n/p/\xe9t\xe9.jpg\r\n"));
    QCOMPARE(parseListFile(saved).at(row), w.dialog->pictures.name(row));
}

void TestPictures::editInGrid()
{
    const QByteArray paths = "/p/IMG_20261204_1832.jpg\r\n/p/ice cream.jpg\r\n";
    test::Windows w({{Names, "IMG_20261204_1832.jpg\r\nice cream.jpg\r\n"}, {Paths, paths}});
    PicturesPage page(w.dialog->pictures);
    page.resize(500, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    // The fix for a camera name opens the editor, empty, asking for the word.
    page.grid->setCurrentIndex(page.model->index(0, 0));
    QCOMPARE(page.hint->text(), QStringLiteral("Has a digit and punctuation. Fix: type the word."));
    page.fixButton->click();
    auto *editor = page.grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QString());
    QCOMPARE(editor->placeholderText(), QStringLiteral("Type the word for this picture"));
    QTest::keyClicks(editor, QStringLiteral("cake"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The fix of a spaced word is applied at once.
    page.grid->setCurrentIndex(page.model->index(1, 0));
    QCOMPARE(page.hint->text(), QStringLiteral("Has a space. Fix: \"icecream\"."));
    page.fixButton->click();
    QCOMPARE(w.bytes(paths::ImageFileList), QByteArray("cake.jpg\r\nicecream.jpg\r\n"));
    QCOMPARE(w.bytes(paths::ImagePathList), paths);
    QVERIFY(!page.fixButton->isEnabled());
}

void TestPictures::gridEdits_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<QByteArray>("paths");
    QTest::addColumn<int>("selected");  // the moved picture stays selected where it went; -1: not looked at
    QTest::newRow("Delete") << "delete 1" << QByteArray("a.jpg\r\nc.jpg\r\nd.jpg\r\n")
                            << QByteArray("/a.jpg\r\n/c.jpg\r\n/d.jpg\r\n") << -1;
    QTest::newRow("drag forward") << "drag 0 2" << QByteArray("b.jpg\r\nc.jpg\r\na.jpg\r\nd.jpg\r\n")
                                  << QByteArray("/b.jpg\r\n/c.jpg\r\n/a.jpg\r\n/d.jpg\r\n") << 2;
    QTest::newRow("drag back") << "drag 3 0" << QByteArray("d.jpg\r\na.jpg\r\nb.jpg\r\nc.jpg\r\n")
                               << QByteArray("/d.jpg\r\n/a.jpg\r\n/b.jpg\r\n/c.jpg\r\n") << 0;
    QTest::newRow("drag past the end") << "drag 1 -1" << QByteArray("a.jpg\r\nc.jpg\r\nd.jpg\r\nb.jpg\r\n")
                                       << QByteArray("/a.jpg\r\n/c.jpg\r\n/d.jpg\r\n/b.jpg\r\n") << 3;
}

void TestPictures::gridEdits()
{
    QFETCH(QString, action);
    QFETCH(QByteArray, names);
    QFETCH(QByteArray, paths);
    QFETCH(int, selected);
    test::Windows w({{Names, "a.jpg\r\nb.jpg\r\nc.jpg\r\nd.jpg\r\n"}, {Paths, "/a.jpg\n/b.jpg\n/c.jpg\n/d.jpg\n"}});
    PicturesPage page(w.dialog->pictures);
    page.resize(600, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QStringList words = action.split(QLatin1Char(' '));
    const int from = words.at(1).toInt();
    if (words.at(0) == QLatin1String("delete")) {
        page.grid->setCurrentIndex(page.model->index(from, 0));
        QTest::keyClick(page.grid, Qt::Key_Delete);
    } else {
        const int onto = words.at(2).toInt();
        QMimeData data;
        data.setData(QLatin1String(PictureGridModel::RowFormat), page.model->mimeData({page.model->index(from, 0)})
                                                                    ->data(QLatin1String(PictureGridModel::RowFormat)));
        const QPoint at = onto < 0 ? QPoint(page.grid->viewport()->width() - 2, page.grid->viewport()->height() - 2)
                                   : page.grid->visualRect(page.model->index(onto, 0)).center();
        QVERIFY(drop(page.grid, at, &data));
    }
    QCOMPARE(w.bytes(paths::ImageFileList), names);
    QCOMPARE(w.bytes(paths::ImagePathList), paths);
    if (selected >= 0) {
        QCOMPARE(page.selectedRow(), selected);
        QCOMPARE(page.grid->currentIndex().row(), selected);
    }
}

// Files and a folder dropped from a file manager are added as Add adds them: picture files only,
// a folder's sorted and one level down, a name with a line break refused.
void TestPictures::dropFromOutside()
{
    QTemporaryDir photos;
    const QString root = photos.path();
    QDir(root).mkpath(QStringLiteral("album/sub/deeper"));
    for (const char *f : {"album/b.jpg", "album/a.png", "album/sub/c.jpg", "album/sub/deeper/d.jpg", "one.jpg",
                          "two\nlines.jpg"})
        writePicture(root + QLatin1Char('/') + QLatin1String(f));
    QFile text(root + QStringLiteral("/album/notes.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();

    test::Windows w;
    PicturesPage page(w.dialog->pictures);
    page.resize(600, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(root + QStringLiteral("/one.jpg")), QUrl::fromLocalFile(root + QStringLiteral("/album")),
                  QUrl::fromLocalFile(root + QStringLiteral("/two\nlines.jpg")), QUrl::fromLocalFile(root + QStringLiteral("/one.jpg"))});
    QVERIFY(drop(page.grid, QPoint(10, 10), &data));

    const QByteArray at = QFile::encodeName(root);
    QCOMPARE(w.bytes(paths::ImageFileList), QByteArray("one.jpg\r\na.png\r\nb.jpg\r\nc.jpg\r\none.jpg\r\n"));
    QCOMPARE(w.bytes(paths::ImagePathList), at + "/one.jpg\r\n" + at + "/album/a.png\r\n" + at + "/album/b.jpg\r\n" + at
                                                + "/album/sub/c.jpg\r\n" + at + "/one.jpg\r\n");
    QVERIFY(page.saveProblem->text().contains(QStringLiteral("line break")));
    // The note keeps to one line of the page.
    QCOMPARE(page.saveProblem->sizeHint().height(), page.saveProblem->fontMetrics().height());
    QVERIFY(page.saveProblem->minimumSizeHint().width() < page.width());
}

// A list file that cannot be written: one quiet line, and the game plays the new word anyway.
void TestPictures::saveFails()
{
    test::Windows w({{Names, "ice cream.jpg\r\n"}, {Paths, "/p/ice cream.jpg\r\n"}});
    PicturesPage page(w.dialog->pictures);
    const QString names = w.folder.file(Names);
    QVERIFY(QFile::remove(names));
    QVERIFY(QDir().mkdir(names));
    page.fix(0);
    QCOMPARE(page.saveProblem->text(), QLatin1String(PicturesPage::NotSaved));
    QCOMPARE(w.dialog->pictures.name(0), QByteArray("icecream.jpg"));
    QCOMPARE(w.messages->size(), 0);
    QVERIFY(QDir().rmdir(names));
    page.setWord(0, QStringLiteral("cake"));
    QCOMPARE(page.saveProblem->text(), QString());
    QCOMPARE(w.bytes(paths::ImageFileList), QByteArray("cake.jpg\r\n"));
}

// A move in the middle of a random game: the picture already shown stays out of the game's view.
void TestPictures::moveKeepsDrawn_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<int>("drawnAt");
    QTest::newRow("the drawn one forward") << 1 << 4 << QByteArray("a c d b") << 3;
    QTest::newRow("another over it") << 3 << 0 << QByteArray("d a b c") << 2;
    QTest::newRow("another behind it") << 0 << 2 << QByteArray("b a c d") << 0;
    QTest::newRow("another before it") << 2 << 0 << QByteArray("c a b d") << 2;
}

void TestPictures::moveKeepsDrawn()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QByteArray, names);
    QFETCH(int, drawnAt);
    ListPair list;
    list.add({QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c"), QStringLiteral("/d")});
    list.draw(1);
    list.move(from, to);
    QCOMPARE(list.allNames().join(' '), names);
    QCOMPARE(list.allPaths().join(' '), "/" + names.replace(" ", " /"));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(list.isDrawn(i), i == drawnAt);
}

// The same photo twice is decoded once and shown as the same picture.
void TestPictures::samePictureOnce()
{
    QTemporaryDir photos;
    const QString a = photos.path() + QStringLiteral("/a.jpg"), b = photos.path() + QStringLiteral("/b.jpg");
    writePicture(a);
    writePicture(b);
    ThumbnailCache cache;
    for (const QString &file : {a, b, a})
        QVERIFY(cache.thumbnail(QFile::encodeName(file)).isNull());
    QTRY_COMPARE(cache.finished(), 2);
    QTest::qWait(200);
    QCOMPARE(cache.finished(), 2);
    const QPixmap first = cache.thumbnail(QFile::encodeName(a));
    QCOMPARE(first.size(), QSize(96, 72));
    QCOMPARE(cache.thumbnail(QFile::encodeName(a)).cacheKey(), first.cacheKey());
}

// The options dialog edits the list in memory and saves it at its OK; the page saves at once.
// An edit on the page while the dialog's edits are unsaved asks first: "Don't change" leaves the
// list and both files as they were (Cancel, then Reset, brings the files' list back whole);
// "Save all now" writes both files as the list stands, still a pair.
void TestPictures::pendingEditsOfTheDialog_data()
{
    QTest::addColumn<QString>("dialog");  // the dialog's edit, left unsaved
    QTest::addColumn<QString>("page");    // then the page's edit
    QTest::addColumn<bool>("saveAll");    // the parent's answer, when asked
    QTest::addColumn<int>("asked");
    QTest::addColumn<QByteArray>("names");  // ImageFile.txt afterwards, "" = unchanged
    QTest::addColumn<QByteArray>("paths");  // Image.txt afterwards
    const QByteArray same;
    QTest::newRow("no edit, rename") << "" << "rename" << false << 0 << QByteArray("kitty.jpg\r\ndog.jpg\r\nsun.jpg\r\n")
                                     << QByteArray("/p/cat.jpg\r\n/p/dog.jpg\r\n/p/sun.jpg\r\n");
    QTest::newRow("remove, rename, don't") << "remove" << "rename" << false << 1 << same << same;
    QTest::newRow("remove, rename, save") << "remove" << "rename" << true << 1 << QByteArray("kitty.jpg\r\nsun.jpg\r\n")
                                          << QByteArray("/p/cat.jpg\r\n/p/sun.jpg\r\n");
    QTest::newRow("add, rename, save") << "add" << "rename" << true << 1
                                       << QByteArray("kitty.jpg\r\ndog.jpg\r\nsun.jpg\r\nfox.jpg\r\n")
                                       << QByteArray("/p/cat.jpg\r\n/p/dog.jpg\r\n/p/sun.jpg\r\n/q/fox.jpg\r\n");
    QTest::newRow("clear, drop, don't") << "clear" << "drop" << false << 1 << same << same;
    QTest::newRow("clear, drop, save") << "clear" << "drop" << true << 1 << QByteArray("one.jpg\r\n") << QByteArray("@/one.jpg\r\n");
    QTest::newRow("clear, Delete, nothing to ask") << "clear" << "delete" << true << 0 << same << same;
    QTest::newRow("remove, Delete, don't") << "remove" << "delete" << false << 1 << same << same;
    QTest::newRow("remove, move, save") << "remove" << "move" << true << 1 << QByteArray("sun.jpg\r\ncat.jpg\r\n")
                                        << QByteArray("/p/sun.jpg\r\n/p/cat.jpg\r\n");
}

void TestPictures::pendingEditsOfTheDialog()
{
    QFETCH(QString, dialog);
    QFETCH(QString, page);
    QFETCH(bool, saveAll);
    QFETCH(int, asked);
    QFETCH(QByteArray, names);
    QFETCH(QByteArray, paths);
    const QByteArray oldNames("cat.jpg\r\ndog.jpg\r\nsun.jpg\r\n"), oldPaths("/p/cat.jpg\r\n/p/dog.jpg\r\n/p/sun.jpg\r\n");
    test::Windows w({{Names, oldNames}, {Paths, oldPaths}});
    QTemporaryDir photos;
    writePicture(photos.path() + QStringLiteral("/one.jpg"));
    paths.replace('@', QFile::encodeName(photos.path()));

    if (dialog == QLatin1String("remove")) {
        w.select(w.dialog->ListBoxImage, 1);
        w.dialog->TombolRemoveImageClick();
    } else if (dialog == QLatin1String("clear")) {
        w.dialog->TombolClearImageClick();
    } else if (dialog == QLatin1String("add")) {
        w.picker->answer = QStringList{QStringLiteral("/q/fox.jpg")};
        w.dialog->TombolAddImageClick();
    }
    PicturesPage pictures(w.dialog->pictures);
    int questions = 0;
    pictures.confirmSavingPending = [&](QWidget *over) {
        ++questions;
        return over == &pictures && saveAll;
    };
    if (page == QLatin1String("rename"))
        pictures.setWord(0, QStringLiteral("kitty"));
    else if (page == QLatin1String("drop"))
        pictures.addDropped({QUrl::fromLocalFile(photos.path() + QStringLiteral("/one.jpg"))});
    else if (page == QLatin1String("delete"))
        pictures.removeAt(0);
    else if (page == QLatin1String("move"))
        pictures.moveEntry(1, 0);
    QCOMPARE(questions, asked);
    QCOMPARE(w.bytes(paths::ImageFileList), names.isNull() ? oldNames : names);
    QCOMPARE(w.bytes(paths::ImagePathList), paths.isNull() ? oldPaths : paths);
    QCOMPARE(w.dialog->pictures.allNames().size(), w.dialog->pictures.allPaths().size());

    // The dialog's Cancel, then the game's Reset: the list is what the files hold.
    w.dialog->TombolCancelClick();
    w.game->BtnResetClick();
    QCOMPARE(formatListFile(w.dialog->pictures.allNames()), w.bytes(paths::ImageFileList));
    QCOMPARE(formatListFile(w.dialog->pictures.allPaths()), w.bytes(paths::ImagePathList));
}

// A move takes the name and the path, or nothing: with a name list longer than the path list, an
// entry without a path stays where it is, as does every entry it would pass.
void TestPictures::moveNeedsBothLists_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<QByteArray>("paths");
    QTest::newRow("fish to the first cell") << 3 << 0 << QByteArray("cat dog sun fish") << QByteArray("/cat /dog");
    QTest::newRow("cat past the last path") << 0 << 3 << QByteArray("cat dog sun fish") << QByteArray("/cat /dog");
    QTest::newRow("cat to the last path") << 0 << 2 << QByteArray("dog cat sun fish") << QByteArray("/dog /cat");
    QTest::newRow("dog to the first cell") << 1 << 0 << QByteArray("dog cat sun fish") << QByteArray("/dog /cat");
    QTest::newRow("sun before fish, no paths") << 2 << 4 << QByteArray("cat dog sun fish") << QByteArray("/cat /dog");
}

void TestPictures::moveNeedsBothLists()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QByteArray, names);
    QFETCH(QByteArray, paths);
    test::Windows w({{Names, "cat\r\ndog\r\nsun\r\nfish\r\n"}, {Paths, "/cat\r\n/dog\r\n"}});
    PicturesPage page(w.dialog->pictures);
    page.confirmSavingPending = [](QWidget *) {
        QTest::qFail("asked without unsaved edits", __FILE__, __LINE__);
        return false;
    };
    page.moveEntry(from, to);
    QCOMPARE(w.dialog->pictures.allNames().join(' '), names);
    QCOMPARE(w.dialog->pictures.allPaths().join(' '), paths);
    QCOMPARE(w.bytes(paths::ImagePathList), (paths.replace(' ', "\r\n") + "\r\n"));
}

// A FIFO in the list is refused at once, its cell saying it cannot be read, and the page goes
// without waiting for anything.
void TestPictures::fifoInTheList()
{
    QTemporaryDir photos;
    const QByteArray fifo = QFile::encodeName(photos.path() + QStringLiteral("/pipe.jpg"));
    const QString photo = photos.path() + QStringLiteral("/cat.jpg");
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    writePicture(photo);
    test::Windows w({{Names, "pipe.jpg\r\ncat.jpg\r\n"}, {Paths, fifo + "\r\n" + QFile::encodeName(photo) + "\r\n"}});
    auto page = std::make_unique<PicturesPage>(w.dialog->pictures);
    // Whatever happens, a reader stuck in the FIFO's open is let go before the page goes.
    const auto letGo = qScopeGuard([&] {
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    });
    page->resize(500, 400);
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    const QModelIndex pipe = page->model->index(0, 0), cat = page->model->index(1, 0);
    QTRY_COMPARE_WITH_TIMEOUT(pipe.data(PictureGridModel::StateRole).toInt(), int(ThumbnailCache::State::Failed), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(cat.data(PictureGridModel::StateRole).toInt(), int(ThumbnailCache::State::Ready), 5000);
    QCOMPARE(pipe.data(Qt::ToolTipRole).toString(),
             QStringLiteral("%1\nThis picture cannot be shown.\nCannot open file \"%2\". Not a regular file")
                 .arg(QString::fromUtf8(fifo), QString::fromUtf8(fifo)));
    // The cell shows the words, not a blank box.
    const QImage cell = page->grid->viewport()->grab(page->grid->visualRect(pipe)).toImage();
    bool dark = false;
    for (int y = 0; y < cell.height() && !dark; ++y)
        for (int x = 0; x < cell.width() && !dark; ++x)
            dark = qGray(cell.pixel(x, y)) < 160;
    QVERIFY(dark);
    page.reset();
}

// A decoding that never ends holds up neither the cache's end nor anything after it; its picture,
// when it comes at last, goes nowhere.
void TestPictures::closeDoesNotWait()
{
    QSemaphore started, release;
    std::atomic_bool returned = false;
    auto cache = std::make_unique<ThumbnailCache>(nullptr, [&](const QByteArray &) {
        started.release();
        release.acquire();
        returned = true;
        QImage image(10, 10, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        return image;
    });
    QSignalSpy ready(cache.get(), &ThumbnailCache::ready);
    cache->thumbnail("/stuck.jpg");
    QVERIFY(started.tryAcquire(1, 5000));
    // A watchdog lets the decoding go if the cache's end waits for it.
    std::atomic_bool waited = false;
    std::thread watchdog([&] {
        for (int i = 0; i < 300 && !returned.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!returned.load()) {
            waited = true;
            release.release();
        }
    });
    cache.reset();
    const bool waitedForIt = waited.load();
    if (!waitedForIt)
        release.release();
    watchdog.join();
    QVERIFY(!waitedForIt);
    QTRY_VERIFY(returned.load());
    QTest::qWait(50);
    QCOMPARE(ready.size(), 0);
}

void TestPictures::thumbnailsBounded_data()
{
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<bool>("firstKept");
    const qint64 one = 10 * 10 * 4;
    QTest::newRow("three fit") << 3 * one << true;
    QTest::newRow("one byte short") << 3 * one - 1 << false;
}

// The pictures kept never take more than the cache's bytes; the one asked for longest ago goes
// first and is decoded again when asked for.
void TestPictures::thumbnailsBounded()
{
    QFETCH(qint64, maxBytes);
    QFETCH(bool, firstKept);
    QStringList decoded;
    ThumbnailCache cache(
        nullptr,
        [&](const QByteArray &path) {
            QMetaObject::invokeMethod(qApp, [&decoded, path] { decoded << QString::fromUtf8(path); }, Qt::QueuedConnection);
            QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::green);
            return image;
        },
        maxBytes);
    for (const char *path : {"/a", "/b", "/c"}) {
        cache.thumbnail(path);
        QTRY_COMPARE(cache.finished(), int(path[1] - 'a') + 1);
    }
    QVERIFY(cache.bytes() <= maxBytes);
    ThumbnailCache::State state;
    cache.thumbnail("/a", &state);
    QCOMPARE(state, firstKept ? ThumbnailCache::State::Ready : ThumbnailCache::State::Pending);
    QTRY_COMPARE(cache.finished(), firstKept ? 3 : 4);
    QCOMPARE(cache.thumbnail("/a", &state).size(), QSize(10, 10));
    QCOMPARE(state, ThumbnailCache::State::Ready);
    QTRY_COMPARE(decoded, firstKept ? QStringList({"/a", "/b", "/c"}) : QStringList({"/a", "/b", "/c", "/a"}));
    QVERIFY(cache.bytes() <= maxBytes);
}

// A path that is not UTF-8 is opened by its bytes: its picture keeps its shape.
void TestPictures::notUtf8KeepsShape()
{
    QTemporaryDir photos;
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(&encoded, "png"));
    const QByteArray path = QFile::encodeName(photos.path()) + "/\xe9t\xe9.png";
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, encoded.data().constData(), size_t(encoded.data().size())), ssize_t(encoded.data().size()));
    ::close(fd);
    ThumbnailCache cache;
    cache.thumbnail(path);
    QTRY_COMPARE(cache.finished(), 1);
    ThumbnailCache::State state;
    QCOMPARE(cache.thumbnail(path, &state).size(), QSize(96, 72));
    QCOMPARE(state, ThumbnailCache::State::Ready);
}

void TestPictures::addPhotos_data()
{
    QTest::addColumn<QStringList>("chosen");  // under the photos' folder
    QTest::addColumn<QByteArray>("names");    // added after the 40 already there
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("files") << QStringList{"one.jpg", "album/b.jpg"} << QByteArray("one.jpg\r\nb.jpg\r\n")
                           << QStringList{"one.jpg", "album/b.jpg"};
    QTest::newRow("a folder, as a drop adds it")
        << QStringList{"album"} << QByteArray("a.png\r\nb.jpg\r\nc.jpg\r\n")
        << QStringList{"album/a.png", "album/b.jpg", "album/sub/c.jpg"};
    QTest::newRow("cancelled") << QStringList{} << QByteArray() << QStringList{};
}

// "Add photos..." adds what the picker gives, as a drop does, saves, and shows the first added.
void TestPictures::addPhotos()
{
    QFETCH(QStringList, chosen);
    QFETCH(QByteArray, names);
    QFETCH(QStringList, paths);
    QTemporaryDir photos;
    const QString root = photos.path();
    QDir(root).mkpath(QStringLiteral("album/sub"));
    for (const char *f : {"album/b.jpg", "album/a.png", "album/sub/c.jpg", "one.jpg"})
        writePicture(root + QLatin1Char('/') + QLatin1String(f));
    QFile text(root + QStringLiteral("/album/notes.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    QByteArray oldNames, oldPaths;
    for (int i = 0; i < 40; ++i) {
        oldNames += "p" + QByteArray::number(i) + ".jpg\r\n";
        oldPaths += "/none/p" + QByteArray::number(i) + ".jpg\r\n";
    }
    test::Windows w({{Names, oldNames}, {Paths, oldPaths}});
    PicturesPage page(w.dialog->pictures);
    auto picker = std::make_unique<test::FakePicker>();
    for (const QString &c : chosen)
        picker->answer << root + QLatin1Char('/') + c;
    test::FakePicker *asked = picker.get();
    page.setFilePicker(std::move(picker));
    page.resize(500, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.addButton->text(), QStringLiteral("Add photos..."));
    page.addButton->click();
    QCOMPARE(asked->startFolders, QStringList{w.folder.file(QStringLiteral("Picture"))});
    QByteArray savedPaths = oldPaths;
    for (const QString &p : paths)
        savedPaths += QFile::encodeName(root) + "/" + p.toUtf8() + "\r\n";
    if (chosen.isEmpty()) {
        QCOMPARE(w.dialog->pictures.nameCount(), 40);
        QCOMPARE(page.selectedRow(), -1);
        return;
    }
    QCOMPARE(w.bytes(paths::ImageFileList), oldNames + names);
    QCOMPARE(w.bytes(paths::ImagePathList), savedPaths);
    QCOMPARE(page.selectedRow(), 40);
    const QRect shown = page.grid->visualRect(page.model->index(40, 0));
    QVERIFY(page.grid->viewport()->rect().contains(shown));
}

// The real picker: the picture under the cursor previewed in its shape, and a folder chosen as it is.
void TestPictures::photoPicker()
{
    QTemporaryDir photos;
    const QString root = photos.path();
    QDir(root).mkpath(QStringLiteral("album"));
    writePicture(root + QStringLiteral("/one.jpg"));
    writePicture(root + QStringLiteral("/album/a.jpg"));
    QSize previewed;
    int step = 0;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *preview = dialog->findChild<QLabel *>(QStringLiteral("preview"));
        if (!preview) {
            dialog->reject();
            return;
        }
        if (step == 0) {
            // The cursor put on the photo, as a click in the list puts it.
            auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
            QVERIFY(list);
            const QAbstractItemModel *files = list->model();
            for (int row = 0; row < files->rowCount(list->rootIndex()); ++row) {
                const QModelIndex index = files->index(row, 0, list->rootIndex());
                if (index.data().toString() == QLatin1String("one.jpg") && list->currentIndex() != index)
                    list->setCurrentIndex(index);
            }
            if (!preview->pixmap().isNull()) {
                previewed = preview->pixmap().size();
                step = 1;
            }
        } else if (step == 1) {
            // A click on the folder.
            auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
            const QAbstractItemModel *files = list->model();
            for (int row = 0; row < files->rowCount(list->rootIndex()); ++row) {
                const QModelIndex index = files->index(row, 0, list->rootIndex());
                if (index.data().toString() == QLatin1String("album"))
                    list->setCurrentIndex(index);
            }
            static_cast<QDialog *>(dialog)->accept();  // Open, as its button does
            step = 2;
        }
    });
    poll.start();
    QTimer::singleShot(10000, &poll, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            static_cast<QDialog *>(modal)->reject();
    });
    const QStringList chosen = makePhotoPicker()->chooseFiles(nullptr, QStringLiteral("Add photos"), root);
    poll.stop();
    QCOMPARE(previewed, QSize(160, 120));
    QCOMPARE(chosen, QStringList{root + QStringLiteral("/album")});
}

void TestPictures::reasonLines_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("width");  // in letters "x" wide
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one line") << "Has a digit" << 20 << 3 << QStringList{"Has a digit"};
    QTest::newRow("wrapped") << "Has a space and a digit" << 12 << 3 << QStringList{"Has a space", "and a digit"};
    QTest::newRow("just fills the lines") << "aaaa bbbb cccc" << 4 << 3 << QStringList{"aaaa", "bbbb", "cccc"};
    QTest::newRow("one word more") << "aaaa bbbb cccc dd" << 4 << 3 << QStringList{"aaaa", "bbbb", "cc…"};
    QTest::newRow("a word longer than the line") << "abcdefgh" << 4 << 3 << QStringList{"ab…"};
    QTest::newRow("empty") << "" << 4 << 3 << QStringList{};
}

// A reason is wrapped at its spaces, never more lines than the cell holds, the last cut with "…".
void TestPictures::reasonLines()
{
    QFETCH(QString, reason);
    QFETCH(int, width);
    QFETCH(int, maxLines);
    QFETCH(QStringList, lines);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(10);
    const QFontMetrics metrics(mono);
    QCOMPARE(PicturesPage::reasonLines(reason, metrics, width * metrics.horizontalAdvance(QLatin1Char('x')), maxLines),
             lines);
}

void TestPictures::reasonFits_data()
{
    QTest::addColumn<qreal>("factor");
    QTest::newRow("1") << 1.0;
    QTest::newRow("1.8") << 1.8;
}

// Every reason a name can have is drawn whole or cut with "…", never below its cell, in the smaller
// font's own pixels (no warning of a size of none).
void TestPictures::reasonFits()
{
    QFETCH(qreal, factor);
    screenScaler().setFactor(factor);
    const auto restore = qScopeGuard([] { screenScaler().setFactor(1.0); });
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler before = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        warnings << text;
    });
    const auto unhook = qScopeGuard([before] { qInstallMessageHandler(before); });
    const QByteArray names = "Screenshot 2026-12 at 10.00.png\r\nice cream with sprinkles!.jpg\r\n"
                             "\xc3\xa9\xd0\xba 1, 2.jpg\r\nIMG_1.jpg\r\n";
    test::Windows w({{Names, names}, {Paths, "/p/1.png\r\n/p/2.jpg\r\n/p/3.jpg\r\n/p/4.jpg\r\n"}});
    ParentsCorner corner;
    auto *page = corner.findChild<PicturesPage *>();
    QVERIFY(page);
    corner.pages->setCurrentWidget(page);
    corner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&corner));
    const QFont small = PicturesPage::reasonFont(page->grid->font());
    QCOMPARE(small.pixelSize(), 9);
    for (int row = 0; row < 4; ++row) {
        const QModelIndex index = page->model->index(row, 0);
        const QString reason = index.data(PictureGridModel::ProblemRole).toString();
        QVERIFY(!reason.isEmpty());
        const QRect cell = page->grid->visualRect(index);
        QImage image(cell.size() * factor, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(factor);
        QPainter painter(&image);
        painter.setFont(small);
        const QFontMetrics metrics = painter.fontMetrics();
        const int width = cell.width() - 2 - 8;
        const QStringList lines = PicturesPage::reasonLines(reason, metrics, width, 3);
        for (const QString &line : lines)
            QVERIFY2(metrics.horizontalAdvance(line) <= width, qPrintable(line));
        // The reason's lines end inside the cell.
        const int wordBottom = 1 + 4 + ThumbnailCache::Side + 4 + QFontMetrics(page->grid->font()).height() + 4;
        QVERIFY2(wordBottom + int(lines.size()) * metrics.lineSpacing() <= cell.height(), qPrintable(reason));
    }
    page->grid->viewport()->grab();
    QCOMPARE(warnings.filter(QStringLiteral("Point size")), QStringList());
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
