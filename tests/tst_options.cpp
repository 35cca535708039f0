#include "WindowFixtures.h"

#include "game/LettoraUnit.h"
#include "settings/FilePicker.h"
#include "settings/OptionUnit.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "sound/MediaPlayer.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QToolButton>
#include <QLineEdit>
#include <QFileDialog>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace lettora;

namespace {

const QByteArray Names("cat.jpg\r\ndog.png\r\n");
const QByteArray Paths("/home/ann/cat.jpg\r\n/home/ann/dog.png\r\n");
const QByteArray Tunes("song.mid\r\n");
const QByteArray TunePaths("/music/song.mid\r\n");
QMap<QString, QByteArray> withLists()
{
    return {{QStringLiteral("Data/ImageFile.txt"), Names},
            {QStringLiteral("Data/Image.txt"), Paths},
            {QStringLiteral("Data/MusicFile.txt"), Tunes},
            {QStringLiteral("Data/Music.txt"), TunePaths}};
}
const QString EmptyWarning = QStringLiteral("Information|List is empty,please add items in list");

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void creation();
    void controlsMadeWhenFirstShown();
    void layoutKeepsItsPlaces_data();
    void layoutKeepsItsPlaces();
    void unreadListFiles_data();
    void unreadListFiles();
    void addKeepsPickerOrder();
    void addCancelled();
    void remove();
    void okWithTimerText_data();
    void okWithTimerText();
    void okWarnings_data();
    void okWarnings();
    void okSwitchesTheGame();
    void okWithoutCaseOption();
    void okThatCannotSave();
    void cancelKeepsEditsInMemoryOnly();
    void okDuringRandomGameKeepsDrawnPictures();
    void escapeDoesNothing();
    void optionCommandOpensTheDialog();
    void musicControlsActOnTheGame();
    void selectionStays_data();
    void selectionStays();
    void radioGroupTabStop_data();
    void radioGroupTabStop();
    void pickerTakesTypedNames();
};

void TestOptions::creation()
{
    auto files = withLists();
    files[QStringLiteral("Data/Timer.dat")] = QByteArray::fromHex("0F000000");
    files[QStringLiteral("Data/Random.dat")] = QByteArray::fromHex("01000000");
    test::Windows w(files);
    QVERIFY(w.messages->isEmpty());
    QCOMPARE(w.shown(w.dialog->ListBoxImage), (QStringList{"cat.jpg", "dog.png"}));
    QCOMPARE(w.dialog->pictures.allPaths(), (ListEntries{"/home/ann/cat.jpg", "/home/ann/dog.png"}));
    QCOMPARE(w.shown(w.dialog->ListBoxMusic), QStringList{"song.mid"});
    QCOMPARE(w.dialog->EditTimer->text(), QStringLiteral("15"));
    QVERIFY(w.dialog->RandomImage->isChecked());
    QCOMPARE(w.dialog->fontIndex(), 1);  // Font.dat was created with 0: lower case
    QVERIFY(!w.dialog->MusicOn->isChecked());
    QCOMPARE(w.dialog->size(), QSize(572, 409));
    // Its background is read when it is first drawn, not while the game starts.
    auto *background = static_cast<PictureControl *>(w.dialog->Image1);
    QVERIFY(!background->hasPicture());
    w.dialog->grab();
    QVERIFY(background->hasPicture());
    QVERIFY(w.dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.dialog->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.dialog->GroupBox1->title(), QStringLiteral("Image"));
    QCOMPARE(w.dialog->GroupBox2->title(), QStringLiteral("Music"));
    QCOMPARE(w.dialog->TombolOK->geometry(), QRect(288, 328, 75, 25));
    QCOMPARE(w.dialog->ListBoxImage->geometry(), QRect(11, 24, 153, 241));
    QCOMPARE(w.dialog->TombolAddImage->focusPolicy(), Qt::NoFocus);
    QVERIFY(!w.dialog->TombolOK->isDefault());
    QCOMPARE(TFormOption::selectedIndex(w.dialog->ListBoxImage), -1);
    QVERIFY(w.dialog->ListBoxImage->uniformItemSizes());
}

// The dialog made at start holds what its creation read, and what the game set, without its
// controls; the game reads it there. Its controls, made when it is first shown, show the same.
void TestOptions::controlsMadeWhenFirstShown()
{
    auto files = withLists();
    files[QStringLiteral("Data/Timer.dat")] = QByteArray::fromHex("0F000000");
    files[QStringLiteral("Data/Random.dat")] = QByteArray::fromHex("01000000");
    test::Windows w(files);
    {
        TFormOption later(w.game.get(), w.game.get());
        QVERIFY(!later.GroupBox1 && !later.RandomImage && !later.EditTimer && !later.MusicOn && !later.LowerCaseOption);
        later.setMusicOnChecked(true);
        QVERIFY(later.randomChecked());
        QCOMPARE(later.timerText(), QStringLiteral("15"));
        QCOMPARE(later.fontIndex(), 1);
        QVERIFY(later.musicOnChecked());
        later.show();
        QVERIFY(later.RandomImage->isChecked());
        QCOMPARE(later.EditTimer->text(), QStringLiteral("15"));
        QVERIFY(later.LowerCaseOption->isChecked() && !later.UpperCaseOption->isChecked());
        QVERIFY(later.MusicOn->isChecked());
        QCOMPARE(w.shown(later.ListBoxImage), (QStringList{"cat.jpg", "dog.png"}));
    }
    FormOption = w.dialog.get();
}

void TestOptions::layoutKeepsItsPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");  // in the parent's client area
    const QList<std::pair<const char *, QRect>> places = {
        {"GroupBox1", {18, 21, 257, 276}},        {"ListBoxImage", {11, 24, 153, 241}},
        {"TombolAddImage", {176, 32, 73, 25}},    {"TombolRemoveImage", {176, 64, 73, 25}},
        {"TombolClearImage", {176, 96, 73, 25}},  {"RandomImage", {176, 136, 65, 17}},
        {"GroupBox2", {299, 20, 257, 277}},       {"ListBoxMusic", {16, 24, 153, 241}},
        {"TombolAddMusic", {176, 32, 73, 25}},    {"TombolRemoveMusic", {176, 64, 73, 25}},
        {"TombolClearMusic", {176, 96, 73, 25}},  {"MusicOn", {176, 128, 73, 17}},
        {"GroupBox3", {21, 309, 254, 81}},        {"RadioGroupFont", {8, 16, 105, 57}},
        {"Label1", {120, 24, 40, 13}},            {"EditTimer", {120, 48, 57, 21}},
        {"TombolOK", {288, 328, 75, 25}},         {"TombolCancel", {384, 328, 75, 25}},
        {"Image1", {0, 0, 572, 409}},             {"TombolParents", {480, 328, 75, 25}}};
    for (const auto &[name, geometry] : places)
        QTest::newRow(name) << QString::fromLatin1(name) << geometry;
}

// Every control keeps its place and size; "Parents..." comes beside Cancel over no other control,
// and last in the focus order.
void TestOptions::layoutKeepsItsPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    test::Windows w(withLists());
    auto *control = w.dialog->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(w.dialog->size(), QSize(572, 409));
    QCOMPARE(w.dialog->TombolParents->text(), QStringLiteral("Parents..."));
    const QRect door = w.dialog->TombolParents->geometry();
    if (control != w.dialog->TombolParents && control != w.dialog->Image1) {
        const QRect inWindow(control->mapTo(w.dialog.get(), QPoint(0, 0)), control->size());
        QVERIFY(!inWindow.intersects(door));
    }

    w.dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.dialog.get()));
    w.dialog->ListBoxImage->setFocus();
    const QList<QWidget *> chain = {w.dialog->RandomImage,  w.dialog->ListBoxMusic,   w.dialog->MusicOn,
                                    w.dialog->TombolOK,     w.dialog->TombolCancel,   w.dialog->EditTimer,
                                    w.dialog->LowerCaseOption, w.dialog->TombolParents, w.dialog->ListBoxImage};
    for (QWidget *next : chain) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestOptions::unreadListFiles_data()
{
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QString>("edit");  // what the user does to the picture list before OK
    QTest::addColumn<QByteArrayList>("after");  // ImageFile.txt, Image.txt, MusicFile.txt, Music.txt
    const QByteArray gone("<missing>");
    QTest::newRow("picture names, no edit") << QStringList{"ImageFile.txt"} << ""
                                            << QByteArrayList{gone, Paths, Tunes, TunePaths};
    QTest::newRow("music paths, no edit") << QStringList{"Music.txt"} << ""
                                          << QByteArrayList{Names, Paths, Tunes, gone};
    QTest::newRow("two files, no edit") << QStringList{"ImageFile.txt", "MusicFile.txt"} << ""
                                        << QByteArrayList{gone, Paths, gone, TunePaths};
    QTest::newRow("picture names, a picture added") << QStringList{"ImageFile.txt"} << "add"
                                                    << QByteArrayList{"new.jpg\r\n", Paths + "/p/new.jpg\r\n",
                                                                      Tunes, TunePaths};
    QTest::newRow("picture names, pictures cleared") << QStringList{"ImageFile.txt"} << "clear"
                                                     << QByteArrayList{"", "", Tunes, TunePaths};
    QTest::newRow("picture paths, a picture removed") << QStringList{"Image.txt"} << "remove"
                                                      << QByteArrayList{"dog.png\r\n", "", Tunes, TunePaths};
}

void TestOptions::unreadListFiles()
{
    QFETCH(QStringList, missing);
    QFETCH(QString, edit);
    QFETCH(QByteArrayList, after);
    auto files = withLists();
    files[QStringLiteral("Data/Timer.dat")] = QByteArray::fromHex("0F000000");
    files[QStringLiteral("Data/Random.dat")] = QByteArray::fromHex("01000000");
    files[QStringLiteral("Data/Font.dat")] = QByteArray::fromHex("01000000");
    QStringList removed;
    for (const QString &f : missing)
        removed << QStringLiteral("Data/") + f;
    test::Windows w(files, removed);
    // Each file that cannot be read is reported; the others and the settings are still read.
    QCOMPARE(w.messages->size(), missing.size());
    for (int i = 0; i < missing.size(); ++i)
        QVERIFY2(w.messages->at(i).endsWith(QStringLiteral("|Cannot open file \"%1\". No such file or directory.")
                                                .arg(w.folder.file(removed.at(i)))),
                 qPrintable(w.messages->at(i)));
    QCOMPARE(w.dialog->EditTimer->text(), QStringLiteral("15"));
    QVERIFY(w.dialog->RandomImage->isChecked());
    QCOMPARE(w.dialog->fontIndex(), 0);
    if (!missing.contains(QStringLiteral("MusicFile.txt")))
        QCOMPARE(w.shown(w.dialog->ListBoxMusic), QStringList{"song.mid"});

    w.picker->answer = {QStringLiteral("/p/new.jpg")};
    if (edit == QLatin1String("add"))
        QTest::mouseClick(w.dialog->TombolAddImage, Qt::LeftButton);
    if (edit == QLatin1String("clear"))
        QTest::mouseClick(w.dialog->TombolClearImage, Qt::LeftButton);
    if (edit == QLatin1String("remove")) {
        w.select(w.dialog->ListBoxImage, 0);
        QTest::mouseClick(w.dialog->TombolRemoveImage, Qt::LeftButton);
    }
    w.messages->clear();
    QTest::mouseClick(w.dialog->TombolOK, Qt::LeftButton);
    QVERIFY2(!w.dialog->isVisible(), qPrintable(w.messages->join(QLatin1Char('\n'))));
    QCOMPARE(w.bytes("Data/ImageFile.txt"), after.at(0));
    QCOMPARE(w.bytes("Data/Image.txt"), after.at(1));
    QCOMPARE(w.bytes("Data/MusicFile.txt"), after.at(2));
    QCOMPARE(w.bytes("Data/Music.txt"), after.at(3));
    QCOMPARE(w.bytes("Data/Timer.dat"), QByteArray::fromHex("0F000000"));
}

void TestOptions::addKeepsPickerOrder()
{
    test::Windows w(withLists());
    w.select(w.dialog->ListBoxImage, 1);
    w.picker->answer = {QStringLiteral("/photos/zebra.JPG"), QStringLiteral("/photos/apple.jpeg"),
                        QStringLiteral("/home/ann/cat.jpg")};
    QDir::setCurrent(QDir::tempPath());
    QTest::mouseClick(w.dialog->TombolAddImage, Qt::LeftButton);
    QCOMPARE(w.picker->startFolders, QStringList{w.folder.file(QStringLiteral("Picture"))});
    QCOMPARE(w.shown(w.dialog->ListBoxImage),
             (QStringList{"cat.jpg", "dog.png", "zebra.JPG", "apple.jpeg", "cat.jpg"}));
    QCOMPARE(w.dialog->pictures.allPaths(),
             (ListEntries{"/home/ann/cat.jpg", "/home/ann/dog.png", "/photos/zebra.JPG", "/photos/apple.jpeg",
                          "/home/ann/cat.jpg"}));
    QCOMPARE(TFormOption::selectedIndex(w.dialog->ListBoxImage), 1);  // the selection stays

    w.picker->answer = {QStringLiteral("/m/a.ogg")};
    QTest::mouseClick(w.dialog->TombolAddMusic, Qt::LeftButton);
    QCOMPARE(w.picker->startFolders.last(), w.folder.file(QStringLiteral("Music")));
    QCOMPARE(w.shown(w.dialog->ListBoxMusic), (QStringList{"song.mid", "a.ogg"}));
    // Only memory changed.
    QCOMPARE(w.bytes("Data/ImageFile.txt"), Names);
}

void TestOptions::addCancelled()
{
    test::Windows w(withLists());
    w.picker->answer = {};
    w.dialog->TombolAddImageClick();
    QCOMPARE(w.dialog->pictures.nameEntries(), 2);
    QVERIFY(w.messages->isEmpty());
    // A name with a line break would split its entry: it is refused, the others are added.
    w.picker->answer = {QStringLiteral("/p/ok.jpg"), QStringLiteral("/p/two\nlines.jpg")};
    guard([&] { w.dialog->TombolAddImageClick(); });
    QCOMPARE(w.dialog->pictures.nameEntries(), 3);
    QCOMPARE(w.messages->size(), 1);
}

void TestOptions::remove()
{
    test::Windows w(withLists());
    QTest::mouseClick(w.dialog->TombolRemoveImage, Qt::LeftButton);  // nothing selected: nothing happens
    QCOMPARE(w.dialog->pictures.nameEntries(), 2);
    w.dialog->ListBoxImage->selectionModel()->setCurrentIndex(w.dialog->pictures.index(0),
                                                              QItemSelectionModel::NoUpdate);  // current, not selected
    w.dialog->TombolRemoveImageClick();
    QCOMPARE(w.dialog->pictures.nameEntries(), 2);

    w.select(w.dialog->ListBoxImage, 0);
    QTest::mouseClick(w.dialog->TombolRemoveImage, Qt::LeftButton);
    QCOMPARE(w.shown(w.dialog->ListBoxImage), QStringList{"dog.png"});
    QCOMPARE(w.dialog->pictures.allPaths(), ListEntries{"/home/ann/dog.png"});
    QCOMPARE(TFormOption::selectedIndex(w.dialog->ListBoxImage), -1);
    w.dialog->TombolRemoveImageClick();  // a second Remove right after: nothing selected any more
    QCOMPARE(w.dialog->pictures.nameEntries(), 1);

    w.select(w.dialog->ListBoxMusic, 0);
    w.dialog->TombolRemoveMusicClick();
    QCOMPARE(w.dialog->music.nameEntries(), 0);
    QVERIFY(w.dialog->music.allPaths().isEmpty());

    QTest::mouseClick(w.dialog->TombolClearImage, Qt::LeftButton);
    QCOMPARE(w.dialog->ListBoxImage->model()->rowCount(), 0);
    QVERIFY(w.dialog->pictures.allPaths().isEmpty());
}

void TestOptions::okWithTimerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("timerFile");
    QTest::addColumn<qint64>("interval");
    QTest::newRow("15") << "15" << true << QByteArray::fromHex("0F000000") << qint64(15000);
    QTest::newRow("leading blank") << " 15" << true << QByteArray::fromHex("0F000000") << qint64(15000);
    QTest::newRow("trailing blank") << "15 " << false << QByteArray() << qint64(0);
    QTest::newRow("empty") << "" << false << QByteArray() << qint64(0);
    QTest::newRow("decimal point") << "1.5" << false << QByteArray() << qint64(0);
    QTest::newRow("$FF") << "$FF" << true << QByteArray::fromHex("FF000000") << qint64(255000);
    QTest::newRow("x1F") << "x1F" << true << QByteArray::fromHex("1F000000") << qint64(31000);
    QTest::newRow("0X10") << "0X10" << true << QByteArray::fromHex("10000000") << qint64(16000);
    QTest::newRow("0x7FFFFFFF") << "0x7FFFFFFF" << true << QByteArray::fromHex("FFFFFF7F") << qint64(2147483647) * 1000;
    QTest::newRow("$FFFFFFFF is -1") << "$FFFFFFFF" << true << QByteArray::fromHex("FFFFFFFF") << qint64(-1000);
    QTest::newRow("FFFFFFFF without prefix") << "FFFFFFFF" << false << QByteArray() << qint64(0);
    QTest::newRow("$100000000 is too long") << "$100000000" << false << QByteArray() << qint64(0);
    QTest::newRow("2147483647") << "2147483647" << true << QByteArray::fromHex("FFFFFF7F") << qint64(2147483647) * 1000;
    QTest::newRow("2147483648") << "2147483648" << false << QByteArray() << qint64(0);
    QTest::newRow("-2147483648") << "-2147483648" << true << QByteArray::fromHex("00000080") << qint64(-2147483648LL) * 1000;
    QTest::newRow("0") << "0" << true << QByteArray::fromHex("00000000") << qint64(0);
    QTest::newRow("+7") << "+7" << true << QByteArray::fromHex("07000000") << qint64(7000);
    QTest::newRow("-3") << "-3" << true << QByteArray::fromHex("FDFFFFFF") << qint64(-3000);
    QTest::newRow("sign alone") << "-" << false << QByteArray() << qint64(0);
    QTest::newRow("prefix alone") << "$" << false << QByteArray() << qint64(0);
    QTest::newRow("letters") << "ten" << false << QByteArray() << qint64(0);
}

void TestOptions::okWithTimerText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, timerFile);
    QFETCH(qint64, interval);
    test::Windows w(withLists());
    w.dialog->pictures.clear();  // an edit that OK saves whatever the timer text
    w.dialog->EditTimer->setText(text);
    w.dialog->RandomImage->setChecked(true);
    QTest::mouseClick(w.dialog->TombolOK, Qt::LeftButton);

    // The lists are saved first, in every case.
    QCOMPARE(w.bytes("Data/ImageFile.txt"), QByteArray());
    QCOMPARE(w.bytes("Data/Image.txt"), QByteArray());
    QCOMPARE(w.bytes("Data/MusicFile.txt"), Tunes);
    if (valid) {
        QCOMPARE(w.bytes("Data/Timer.dat"), timerFile);
        QCOMPARE(w.bytes("Data/Random.dat"), QByteArray::fromHex("01000000"));
        QCOMPARE(w.game->TimerShow->interval(), interval);
        QCOMPARE(*w.messages, QStringList{EmptyWarning});
        QVERIFY(!w.dialog->isVisible());
    } else {
        QCOMPARE(*w.messages, QStringList{QStringLiteral("%1|'%2' is not a valid integer value.")
                                              .arg(currentApplicationTitle(), text)});
        QCOMPARE(w.bytes("Data/Timer.dat"), QByteArray::fromHex("0A000000"));
        QCOMPARE(w.bytes("Data/Random.dat"), QByteArray::fromHex("00000000"));
        QCOMPARE(w.game->TimerShow->interval(), 10000);
        QVERIFY(w.dialog->isVisible());  // open, so that the text can be corrected
    }
}

void TestOptions::okWarnings_data()
{
    QTest::addColumn<bool>("pictures");
    QTest::addColumn<bool>("music");
    QTest::addColumn<int>("boxes");
    QTest::newRow("both empty: one box") << false << false << 1;
    QTest::newRow("no pictures") << false << true << 1;
    QTest::newRow("no music") << true << false << 1;
    QTest::newRow("both filled: none") << true << true << 0;
}

void TestOptions::okWarnings()
{
    QFETCH(bool, pictures);
    QFETCH(bool, music);
    QFETCH(int, boxes);
    test::Windows w(withLists());
    if (!pictures)
        w.dialog->TombolClearImageClick();
    if (!music)
        w.dialog->TombolClearMusicClick();
    w.dialog->TombolOKClick();
    QCOMPARE(w.messages->count(EmptyWarning), boxes);
    QCOMPARE(w.messages->size(), boxes);
    QVERIFY(!w.dialog->isVisible());
    QCOMPARE(w.bytes("Data/ImageFile.txt"), pictures ? Names : QByteArray());
    QCOMPARE(w.bytes("Data/Music.txt"), music ? TunePaths : QByteArray());
}

void TestOptions::okSwitchesTheGame()
{
    test::Windows w(withLists());
    TFormLettora &game = *w.game;
    game.TimerShow->setEnabled(true);
    const int starts = game.TimerShow->countdownsStarted();
    w.dialog->setFontIndex(0);
    w.dialog->TombolOKClick();
    QCOMPARE(w.bytes("Data/Font.dat"), QByteArray::fromHex("01000000"));
    QVERIFY(game.UpperCaseMode);
    QCOMPARE(game.letterImage('Q')->pos(), QPoint(187, 504));
    QCOMPARE(game.letterImage('A')->pos(), QPoint(48, 440));
    // The same seconds leave a running countdown alone.
    QCOMPARE(game.TimerShow->countdownsStarted(), starts);

    w.dialog->show();
    w.dialog->EditTimer->setText(QStringLiteral("4"));
    w.dialog->setFontIndex(1);
    w.dialog->TombolOKClick();
    QCOMPARE(game.TimerShow->countdownsStarted(), starts + 1);  // new seconds restart it
    QCOMPARE(game.TimerShow->interval(), 4000);
    QCOMPARE(w.bytes("Data/Font.dat"), QByteArray::fromHex("00000000"));
    QVERIFY(!game.UpperCaseMode);
    QCOMPARE(game.letterImage('A')->pos(), QPoint(48, 453));

    // Seconds whose milliseconds do not fit in 32 bits: stored as typed, the countdown never fires.
    w.dialog->show();
    w.dialog->EditTimer->setText(QStringLiteral("2147484"));
    w.dialog->TombolOKClick();
    QCOMPARE(w.bytes("Data/Timer.dat"), QByteArray::fromHex("9CC42000"));
    QVERIFY(game.TimerShow->isEnabled() && !game.TimerShow->isCounting());
}

void TestOptions::okWithoutCaseOption()
{
    auto files = withLists();
    files[QStringLiteral("Data/Font.dat")] = QByteArray::fromHex("05000000");
    test::Windows w(files);
    QCOMPARE(w.dialog->fontIndex(), -1);
    QVERIFY(!w.dialog->UpperCaseOption->isChecked() && !w.dialog->LowerCaseOption->isChecked());
    const QImage before = w.game->letterImage('A')->pixmap().toImage();
    w.dialog->TombolOKClick();
    QCOMPARE(w.bytes("Data/Font.dat"), QByteArray::fromHex("05000000"));
    QVERIFY(!w.game->UpperCaseMode);
    QCOMPARE(w.game->letterImage('A')->pixmap().toImage(), before);
}

void TestOptions::okThatCannotSave()
{
    test::Windows w(withLists());
    // The music name list cannot be created: the picture files are saved, nothing after.
    QDir().mkpath(w.folder.file(QStringLiteral("Data/MusicFile.txt.lock")));
    w.folder.remove(QStringLiteral("Data/MusicFile.txt"));
    QDir().rename(w.folder.file(QStringLiteral("Data/MusicFile.txt.lock")), w.folder.file(QStringLiteral("Data/MusicFile.txt")));
    w.dialog->TombolClearImageClick();
    w.dialog->EditTimer->setText(QStringLiteral("20"));
    QTest::mouseClick(w.dialog->TombolOK, Qt::LeftButton);
    QCOMPARE(w.messages->size(), 1);
    QVERIFY2(w.messages->first().contains(QStringLiteral("Cannot create file \"%1\".")
                                              .arg(w.folder.file(QStringLiteral("Data/MusicFile.txt")))),
             qPrintable(w.messages->first()));
    QCOMPARE(w.bytes("Data/ImageFile.txt"), QByteArray());
    QCOMPARE(w.bytes("Data/Music.txt"), TunePaths);
    QCOMPARE(w.bytes("Data/Timer.dat"), QByteArray::fromHex("0A000000"));
    QVERIFY(w.dialog->isVisible());
}

void TestOptions::cancelKeepsEditsInMemoryOnly()
{
    test::Windows w(withLists());
    w.dialog->TombolClearImageClick();
    w.dialog->RandomImage->setChecked(true);
    w.dialog->EditTimer->setText(QStringLiteral("3"));
    w.dialog->setFontIndex(0);
    QTest::mouseClick(w.dialog->TombolCancel, Qt::LeftButton);
    QVERIFY(!w.dialog->isVisible());
    QCOMPARE(w.bytes("Data/ImageFile.txt"), Names);
    QCOMPARE(w.bytes("Data/Image.txt"), Paths);
    QCOMPARE(w.bytes("Data/Random.dat"), QByteArray::fromHex("00000000"));
    QCOMPARE(w.bytes("Data/Font.dat"), QByteArray::fromHex("00000000"));
    QCOMPARE(w.game->TimerShow->interval(), 10000);
    QVERIFY(!w.game->UpperCaseMode);
    // The next showing shows the edits.
    w.dialog->show();
    QCOMPARE(w.dialog->ListBoxImage->model()->rowCount(), 0);
    QVERIFY(w.dialog->RandomImage->isChecked());
    QCOMPARE(w.dialog->EditTimer->text(), QStringLiteral("3"));
    QCOMPARE(w.dialog->fontIndex(), 0);
    // Reset's reload brings the saved picture list back.
    w.dialog->ReloadPictureList();
    QCOMPARE(w.shown(w.dialog->ListBoxImage), (QStringList{"cat.jpg", "dog.png"}));
}

void TestOptions::okDuringRandomGameKeepsDrawnPictures()
{
    auto files = withLists();
    files[QStringLiteral("Data/ImageFile.txt")] = "a.jpg\r\nb.jpg\r\nc.jpg\r\n";
    files[QStringLiteral("Data/Image.txt")] = "/p/a.jpg\r\n/p/b.jpg\r\n/p/c.jpg\r\n";
    test::Windows w(files);
    w.dialog->pictures.draw(1);  // the game has shown b.jpg
    QCOMPARE(w.dialog->pictures.index(1).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::gray));
    w.select(w.dialog->ListBoxImage, 0);
    w.dialog->TombolRemoveImageClick();  // the adult removes a.jpg
    w.dialog->TombolOKClick();
    QCOMPARE(w.bytes("Data/ImageFile.txt"), QByteArray("b.jpg\r\nc.jpg\r\n"));
    QCOMPARE(w.bytes("Data/Image.txt"), QByteArray("/p/b.jpg\r\n/p/c.jpg\r\n"));
    QCOMPARE(w.dialog->pictures.nameCount(), 1);  // the game still does not draw b.jpg again
}

void TestOptions::escapeDoesNothing()
{
    test::Windows w(withLists());
    QTest::keyClick(w.dialog.get(), Qt::Key_Escape);
    QVERIFY(w.dialog->isVisible());
    w.dialog->ListBoxImage->setFocus();
    QTest::keyClick(w.dialog->ListBoxImage, Qt::Key_Return);  // no default button
    QVERIFY(w.dialog->isVisible());
    w.dialog->TombolCancel->setFocus();
    QTest::keyClick(w.dialog->TombolCancel, Qt::Key_Return);  // Enter presses the button that has the focus
    QVERIFY(!w.dialog->isVisible());
    QCOMPARE(w.bytes("Data/Timer.dat"), QByteArray::fromHex("0A000000"));
}

void TestOptions::optionCommandOpensTheDialog()
{
    test::Windows w(withLists());
    w.dialog->hide();
    w.game->show();
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        wasModal = QApplication::activeModalWidget() == w.dialog.get();
        w.dialog->TombolCancelClick();
    });
    QTest::mouseClick(w.game->BtnOption, Qt::LeftButton);  // returns when the dialog has closed
    QVERIFY(wasModal);
    QVERIFY(!w.dialog->isVisible());
}

void TestOptions::musicControlsActOnTheGame()
{
    auto files = withLists();
    files[QStringLiteral("Data/MusicFile.txt")] = "a.ogg\r\nb.ogg\r\nc.ogg\r\n";
    // The last entry lies in the program folder, wherever the game was started from.
    files[QStringLiteral("Data/Music.txt")] = "/m/a.ogg\r\n/m/b.ogg\r\n./Music/c.ogg\r\n";
    test::Windows w(files);
    QVERIFY(QTest::qWaitForWindowExposed(w.dialog.get()));
    test::ScriptedPlayer &music = w.music();
    QDir::setCurrent(QDir::tempPath());

    QTest::mouseClick(w.dialog->MusicOn, Qt::LeftButton);
    QCOMPARE(music.log, (QStringList{QStringLiteral("open /m/a.ogg"), QStringLiteral("play")}));
    QVERIFY(w.game->TimerMusic->isEnabled());
    music.log.clear();

    // A click on a name chooses where the list goes on; nothing starts.
    QListView *box = w.dialog->ListBoxMusic;
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualRect(box->model()->index(1, 0)).center());
    QCOMPARE(w.game->playlist.MusicIndex, 1);
    QVERIFY(music.log.isEmpty());
    // Removing the selected entry leaves the index alone.
    w.dialog->TombolRemoveMusicClick();
    QCOMPARE(w.game->playlist.MusicIndex, 1);
    // A double click plays the name at once.
    QTest::mouseDClick(w.dialog->windowHandle(), Qt::LeftButton, {},
                       box->viewport()->mapTo(w.dialog.get(), box->visualRect(box->model()->index(1, 0)).center()));
    QCOMPARE(w.game->playlist.MusicIndex, 1);
    QCOMPARE(music.log, (QStringList{QStringLiteral("open ") + w.folder.file(QStringLiteral("Music/c.ogg")),
                                     QStringLiteral("play")}));
    music.log.clear();

    // Unchecking by the user stops the music.
    QTest::mouseClick(w.dialog->MusicOn, Qt::LeftButton);
    QCOMPARE(music.log, QStringList{QStringLiteral("stop")});
    QVERIFY(w.messages->isEmpty());
}

void TestOptions::selectionStays_data()
{
    QTest::addColumn<bool>("music");
    QTest::addColumn<QString>("action");
    for (const bool music : {false, true}) {
        const char *list = music ? "music" : "pictures";
        QTest::addRow("%s: click below the names", list) << music << "below";
        QTest::addRow("%s: Ctrl+click on the chosen name", list) << music << "ctrl-click";
        QTest::addRow("%s: Ctrl+Space on the chosen name", list) << music << "ctrl-space";
    }
}

void TestOptions::selectionStays()
{
    QFETCH(bool, music);
    QFETCH(QString, action);
    auto files = withLists();
    files[QStringLiteral("Data/MusicFile.txt")] = "a.ogg\r\nb.ogg\r\n";
    files[QStringLiteral("Data/Music.txt")] = "/m/a.ogg\r\n/m/b.ogg\r\n";
    test::Windows w(files);
    QVERIFY(QTest::qWaitForWindowExposed(w.dialog.get()));
    QListView *box = music ? w.dialog->ListBoxMusic : w.dialog->ListBoxImage;
    const QPoint second = box->visualRect(box->model()->index(1, 0)).center();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(TFormOption::selectedIndex(box), 1);
    QCOMPARE(w.game->playlist.MusicIndex, music ? 1 : 0);

    if (action == QLatin1String("below"))
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(20, box->viewport()->height() - 4));
    else if (action == QLatin1String("ctrl-click"))
        QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
    else
        QTest::keyClick(box, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(TFormOption::selectedIndex(box), 1);
    QCOMPARE(w.game->playlist.MusicIndex, music ? 1 : 0);
    // Switching the music on plays the chosen entry.
    QTest::mouseClick(w.dialog->MusicOn, Qt::LeftButton);
    QCOMPARE(w.music().log.value(0), music ? QStringLiteral("open /m/b.ogg") : QStringLiteral("open /m/a.ogg"));
    QVERIFY2(w.messages->isEmpty(), qPrintable(w.messages->join(QLatin1Char('\n'))));
}

void TestOptions::radioGroupTabStop_data()
{
    QTest::addColumn<int>("checked");
    QTest::newRow("UpperCase checked") << 0;
    QTest::newRow("LowerCase checked") << 1;
    QTest::newRow("none checked: the first") << -1;
}

void TestOptions::radioGroupTabStop()
{
    QFETCH(int, checked);
    test::Windows w(withLists());
    w.dialog->setFontIndex(checked);
    w.dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.dialog.get()));
    QRadioButton *stop = checked == 1 ? w.dialog->LowerCaseOption : w.dialog->UpperCaseOption;
    QRadioButton *other = checked == 1 ? w.dialog->UpperCaseOption : w.dialog->LowerCaseOption;
    w.dialog->EditTimer->setFocus();
    QTest::keyClick(w.dialog->EditTimer, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), stop);
    // Space on the stop checks it: a checked option stays checked.
    QTest::keyClick(stop, Qt::Key_Space);
    QCOMPARE(w.dialog->fontIndex(), checked == 1 ? 1 : 0);
    // The group is one stop: Tab leaves it for the last control, "Parents...".
    QTest::keyClick(stop, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.dialog->TombolParents);
    // The arrow keys move to the other option and check it; it becomes the stop.
    stop->setFocus();
    QTest::keyClick(stop, checked == 1 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), other);
    QCOMPARE(w.dialog->fontIndex(), checked == 1 ? 0 : 1);
    w.dialog->EditTimer->setFocus();
    QTest::keyClick(w.dialog->EditTimer, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), other);
}

void TestOptions::pickerTakesTypedNames()
{
    test::Windows w(withLists());
    w.folder.write(QStringLiteral("Picture/cat.jpg"), "not looked at");
    w.dialog->setFilePicker(makeDialogFilePicker());
    bool multiple = false;
    std::function<void()> answer = [&] {
        auto *picker = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *field = picker ? picker->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!field || !field->isVisible()) {
            QTimer::singleShot(20, answer);
            return;
        }
        auto *files = picker->findChild<QAbstractItemView *>(QStringLiteral("listView"));
        multiple = files && files->selectionMode() == QAbstractItemView::ExtendedSelection;
        picker->activateWindow();
        if (!QTest::qWaitForWindowActive(picker))
            qWarning("the picker did not become active");
        field->setFocus();
        field->setText(QStringLiteral("\"cat.jpg\" \"gone.jpg\""));
        QTest::keyClick(field, Qt::Key_Return);
        if (picker->isVisible())  // the key did not close it: end the test rather than wait
            picker->reject();
    };
    QTimer::singleShot(0, answer);
    QTest::mouseClick(w.dialog->TombolAddImage, Qt::LeftButton);  // returns when the picker has closed
    QVERIFY(multiple);
    QVERIFY2(w.messages->isEmpty(), qPrintable(w.messages->join(QLatin1Char('\n'))));
    QCOMPARE(w.shown(w.dialog->ListBoxImage), (QStringList{"cat.jpg", "dog.png", "cat.jpg", "gone.jpg"}));
    const QByteArray folder = QFile::encodeName(w.folder.file(QStringLiteral("Picture")));
    QCOMPARE(w.dialog->pictures.allPaths(),
             (ListEntries{"/home/ann/cat.jpg", "/home/ann/dog.png", folder + "/cat.jpg", folder + "/gone.jpg"}));
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
