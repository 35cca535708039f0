#include "WindowFixtures.h"

#include "game/CountdownBar.h"
#include "game/rules/GameRules.h"
#include "parents/ParentSettings.h"
#include "shell/core/AssetPaths.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "sound/AudioModule.h"
#include "sound/module/MixerEffects.h"
#include "speech/Voice.h"

#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

using namespace lettora;

namespace {

const QString Button = QStringLiteral("./Sound/Button.wav");
const QString LostLife = QStringLiteral("./Sound/Lostlife.wav");

// A game whose picture list holds the given files, made in the test's program folder.
struct Game : test::Windows
{
    explicit Game(const QStringList &names, bool randomFile = false, const QStringList &missing = {})
        : test::Windows(lists(names, randomFile))
    {
        int hue = 0;
        for (const QString &name : names) {
            if (missing.contains(name))
                continue;
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(QColor::fromHsv((hue += 47) % 360, 200, 220));
            const QString file = folder.file(QStringLiteral("Picture/") + name);
            const QString suffix = QFileInfo(name).suffix().toLower();
            image.save(file, suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpg") ? "jpeg"
                             : suffix.isEmpty() || suffix == QLatin1String("bmp")              ? "bmp"
                                                                                               : suffix.toLatin1().constData());
        }
        effects->played.clear();
    }
    static QMap<QString, QByteArray> lists(const QStringList &names, bool randomFile)
    {
        QByteArray n, p;
        for (const QString &name : names) {
            n += name.toUtf8() + "\r\n";
            p += QFile::encodeName(QDir::tempPath()) + "/placeholder/" + name.toUtf8() + "\r\n";
        }
        return {{QStringLiteral("Data/ImageFile.txt"), n},
                {QStringLiteral("Data/Image.txt"), p},
                {QStringLiteral("Data/MusicFile.txt"), "tune.mid\r\n"},
                {QStringLiteral("Data/Music.txt"), "/m/tune.mid\r\n"},
                {QStringLiteral("Data/Random.dat"), QByteArray::fromHex(randomFile ? "01000000" : "00000000")}};
    }
    // The lists name the pictures in this test's own folder.
    void pointListsHere()
    {
        QByteArray p;
        for (const QByteArray &name : dialog->pictures.allNames())
            p += QFile::encodeName(folder.file(QStringLiteral("Picture/"))) + name + "\r\n";
        folder.write(QStringLiteral("Data/Image.txt"), p);
        dialog->ReloadPictureList();
    }
    void answer(const QString &word)
    {
        game->BtnClearClick();
        QTest::keyClicks(game.get(), word);
        effects->played.clear();
        QTest::keyClick(game.get(), Qt::Key_Return);
    }
    void expire() { game->TimerShow->fire(); }
    void start()
    {
        pointListsHere();
        guard([this] { game->BtnStartClick(); });  // as the event loop runs it
    }
    QList<bool> icons() const
    {
        return {game->Nyawa[1]->isVisibleTo(game.get()), game->Nyawa[2]->isVisibleTo(game.get()),
                game->Nyawa[3]->isVisibleTo(game.get())};
    }
    QImage shownPicture() const { return game->ImageShow->pixmap().toImage(); }
    QImage file(const QString &name) { return loadPicture(folder.file(QStringLiteral("Picture/") + name), QSize(220, 220)); }
    bool showsResult(const char *path) const
    {
        return game->ImageMenang->isVisibleTo(game.get()) && !game->ImageShow->isVisibleTo(game.get())
            && game->ImageMenang->pixmap().toImage() == loadPicture(QLatin1String(path));
    }
};

} // namespace

class TestGameFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setUniformSource({}); }
    void wordOfPicture_data();
    void wordOfPicture();
    void startWithEmptyList();
    void listOrderWin();
    void livesTable_data();
    void livesTable();
    void okSounds_data();
    void okSounds();
    void timerExpiry();
    void emptyWordCostsNoLife();
    void randomDraw();
    void randomWinAndReset();
    void checkBoxAndSavedOrderDisagree();
    void pictureThatCannotLoad();
    void startAfterWinWithoutReset();
    void photosOfEveryKind_data();
    void photosOfEveryKind();
    void misalignedPair_data();
    void misalignedPair();
    void picturesBesideTheProgram();
    void spokenLines_data();
    void spokenLines();
    void startWordMadeAhead();
    void countdownBar_data();
    void countdownBar();
    void countdownWarning_data();
    void countdownWarning();
};

void TestGameFlow::wordOfPicture_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("word");
    QTest::newRow("bmp") << QByteArray("Cat.bmp") << "CAT";
    QTest::newRow("jpg") << QByteArray("dog.jpg") << "DOG";
    QTest::newRow("png") << QByteArray("Owl.PNG") << "OWL";
    QTest::newRow("jpeg: the whole extension goes") << QByteArray("sun.jpeg") << "SUN";
    QTest::newRow("webp") << QByteArray("tree.webp") << "TREE";
    QTest::newRow("only the last extension") << QByteArray("a.b.jpg") << "A.B";
    QTest::newRow("no dot: the whole name") << QByteArray("cat") << "CAT";
    QTest::newRow("a name that is all extension") << QByteArray(".bmp") << "";
    QTest::newRow("blanks kept") << QByteArray("my cat.jpg") << "MY CAT";
    QTest::newRow("UTF-8 kept, only a..z upper-cased") << QByteArray("\xc3\xa9" "clair.png") << QString::fromUtf8("\xc3\xa9" "CLAIR");
    QTest::newRow("sharp s stays") << QByteArray("Stra\xc3\x9f" "e.jpg") << QString::fromUtf8("STRA\xc3\x9f" "E");
    QTest::newRow("Latin-1 bytes") << QByteArray("caf\xe9.jpg") << QString::fromUtf8("CAF\xc3\xa9");
}

void TestGameFlow::wordOfPicture()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, word);
    QCOMPARE(lettora::wordOfPicture(name), word);
}

void TestGameFlow::startWithEmptyList()
{
    Game g({});
    g.game->BtnStartClick();
    QCOMPARE(*g.messages, QStringList{QStringLiteral(
                              "Information|There is no list of picture in Image List.Please add image in list first")});
    QVERIFY(!g.game->GameStarted);
    QVERIFY(!g.game->TimerShow->isEnabled());
    QVERIFY(g.effects->played.isEmpty());
    // OK afterwards only clears the row.
    g.answer(QStringLiteral("abc"));
    QCOMPARE(g.effects->played, QStringList{Button});
    QCOMPARE(g.game->row.typedWord(), QString());
    QCOMPARE(g.game->Lives, 3);
}

void TestGameFlow::listOrderWin()
{
    Game g({QStringLiteral("cat.bmp"), QStringLiteral("dog.jpg"), QStringLiteral("sun.png")});
    g.start();
    TFormLettora &w = *g.game;
    QVERIFY(w.GameStarted);
    QCOMPARE(w.TargetWord, QStringLiteral("CAT"));
    QCOMPARE(g.shownPicture(), g.file(QStringLiteral("cat.bmp")));
    QCOMPARE(w.ImageShow->size(), QSize(220, 220));
    QVERIFY(w.TimerShow->isEnabled() && w.TimerShow->isCounting());
    QCOMPARE(g.effects->played, QStringList{Button});

    const int starts = w.TimerShow->countdownsStarted();
    g.answer(QStringLiteral("cat"));
    QCOMPARE(w.TargetWord, QStringLiteral("DOG"));
    QCOMPARE(w.PictureCursor, 1);
    QCOMPARE(w.TimerShow->countdownsStarted(), starts + 1);  // a correct answer restarts the countdown
    QCOMPARE(w.row.typedWord(), QString());
    g.answer(QStringLiteral("DOG"));
    QCOMPARE(g.shownPicture(), g.file(QStringLiteral("sun.png")));
    g.answer(QStringLiteral("sun"));
    QVERIFY(g.showsResult(paths::Win));
    QVERIFY(!w.GameStarted);
    QVERIFY(!w.TimerShow->isEnabled());
    QCOMPARE(g.effects->played, QStringList{Button});  // no sound of its own for the win
    QCOMPARE(w.Lives, 3);
    QCOMPARE(g.icons(), (QList<bool>{true, true, true}));
}

void TestGameFlow::livesTable_data()
{
    QTest::addColumn<QString>("events");  // w: a wrong answer, e: the countdown runs out
    QTest::addColumn<QList<int>>("lives");
    QTest::addColumn<int>("loseAt");     // 1-based event that shows the lose picture, 0 for none
    QTest::newRow("wrong, wrong, wrong") << "www" << QList<int>{2, 1, 0} << 0;
    QTest::newRow("a fourth wrong answer") << "wwww" << QList<int>{2, 1, 0, -1} << 0;
    QTest::newRow("a fifth wrong answer") << "wwwww" << QList<int>{2, 1, 0, -1, -1} << 5;
    QTest::newRow("four expiries") << "eeee" << QList<int>{2, 1, 0, -1} << 4;
    QTest::newRow("three wrong, then an expiry") << "wwwe" << QList<int>{2, 1, 0, -1} << 4;
}

void TestGameFlow::livesTable()
{
    QFETCH(QString, events);
    QFETCH(QList<int>, lives);
    QFETCH(int, loseAt);
    QStringList names;
    for (const char *n : {"cat", "dog", "sun", "owl", "bee", "cow", "pig"})
        names << QLatin1String(n) + QStringLiteral(".bmp");
    Game g(names);
    g.start();
    for (int i = 0; i < events.size(); ++i) {
        if (events.at(i) == QLatin1Char('w'))
            g.answer(QStringLiteral("zzz"));
        else
            g.expire();
        QCOMPARE(g.game->Lives, lives.at(i));
        const int l = lives.at(i);
        QCOMPARE(g.icons(), (QList<bool>{l >= 1, l >= 2, l >= 3}));
        QCOMPARE(g.showsResult(paths::Lose), loseAt == i + 1);
        if (loseAt == i + 1) {
            QVERIFY(!g.game->GameStarted);
            QVERIFY(!g.game->TimerShow->isEnabled());
        } else {
            QVERIFY(g.game->GameStarted);
        }
    }
    // Reset brings every life back.
    g.game->BtnResetClick();
    QCOMPARE(g.game->Lives, 3);
    QCOMPARE(g.icons(), (QList<bool>{true, true, true}));
    QVERIFY(!g.game->ImageMenang->isVisibleTo(g.game.get()));
    QVERIFY(g.game->ImageShow->isVisibleTo(g.game.get()));
    QVERIFY(!g.game->ImageShow->hasPicture());
}

void TestGameFlow::okSounds_data()
{
    QTest::addColumn<int>("livesBefore");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("sounds");
    QTest::newRow("correct") << 3 << "cat" << QStringList{Button};
    QTest::newRow("wrong, lives left") << 3 << "dog" << QStringList{LostLife, Button};
    QTest::newRow("wrong, lives 0") << 0 << "dog" << QStringList{LostLife, Button};
    QTest::newRow("wrong, lives below 0: lose") << -1 << "dog" << QStringList{Button};
}

void TestGameFlow::okSounds()
{
    QFETCH(int, livesBefore);
    QFETCH(QString, typed);
    QFETCH(QStringList, sounds);
    Game g({QStringLiteral("cat.bmp"), QStringLiteral("dog.bmp")});
    g.start();
    g.game->Lives = livesBefore;
    const int starts = g.game->TimerShow->countdownsStarted();
    g.answer(typed);
    QCOMPARE(g.effects->played, sounds);
    if (typed != QLatin1String("cat") && livesBefore >= 0)
        QCOMPARE(g.game->TimerShow->countdownsStarted(), starts);  // a wrong answer does not restart it
    QCOMPARE(g.game->row.typedWord(), QString());
}

void TestGameFlow::timerExpiry()
{
    Game g({QStringLiteral("cat.bmp"), QStringLiteral("dog.bmp"), QStringLiteral("owl.bmp")});
    g.start();
    TFormLettora &w = *g.game;
    QTest::keyClicks(&w, QStringLiteral("do"));
    g.effects->played.clear();
    g.expire();
    QCOMPARE(w.TargetWord, QStringLiteral("DOG"));
    QCOMPARE(w.Lives, 2);
    QVERIFY(g.effects->played.isEmpty());  // no sound
    QCOMPARE(w.row.typedWord(), QStringLiteral("DO"));  // the letters stay for the next picture
    QTest::keyClicks(&w, QStringLiteral("g"));
    QTest::keyClick(&w, Qt::Key_Return);
    QCOMPARE(w.TargetWord, QStringLiteral("OWL"));
    QCOMPARE(w.Lives, 2);
    // The last picture's countdown runs out: nothing new is loaded, a life goes.
    g.expire();
    QCOMPARE(w.PictureCursor, 2);
    QCOMPARE(w.TargetWord, QStringLiteral("OWL"));
    QCOMPARE(w.Lives, 1);
    g.answer(QStringLiteral("owl"));
    QVERIFY(g.showsResult(paths::Win));
}

void TestGameFlow::emptyWordCostsNoLife()
{
    Game g({QStringLiteral(".bmp"), QStringLiteral("cat.bmp")});
    g.start();
    TFormLettora &w = *g.game;
    QCOMPARE(w.TargetWord, QString());
    g.answer(QString());  // an empty row matches the empty word
    QCOMPARE(w.TargetWord, QStringLiteral("CAT"));
    QCOMPARE(w.Lives, 3);

    Game h({QStringLiteral("cat.bmp"), QStringLiteral(".bmp")});
    h.start();
    h.expire();  // takes the picture with the empty word: no life lost
    QCOMPARE(h.game->TargetWord, QString());
    QCOMPARE(h.game->Lives, 3);
    QCOMPARE(h.icons(), (QList<bool>{true, true, true}));
}

void TestGameFlow::randomDraw()
{
    // The range: over one fewer than the entries, so the last is never drawn while another remains.
    QList<int> asked;
    setUniformSource([&](int n) { asked << n; return n - 1; });
    QCOMPARE(randomPick(3), 2);
    QCOMPARE(randomPick(1), 0);
    QCOMPARE(randomPick(0), 0);
    QCOMPARE(asked, (QList<int>{3, 1}));
    setUniformSource({});
    for (int i = 0; i < 200; ++i) {
        const int pick = randomPick(4);
        QVERIFY(pick >= 0 && pick <= 3);
    }
}

void TestGameFlow::randomWinAndReset()
{
    const QStringList names = {QStringLiteral("cat.bmp"), QStringLiteral("dog.bmp"), QStringLiteral("sun.bmp"),
                               QStringLiteral("owl.bmp")};
    for (int round = 0; round < 8; ++round) {
        Game g(names);
        g.pointListsHere();
        g.dialog->RandomImage->setChecked(true);
        g.game->BtnStartClick();
        QStringList order{g.game->TargetWord};
        QCOMPARE(g.dialog->pictures.nameCount(), 3);
        QCOMPARE(g.dialog->pictures.pathCount(), 3);
        while (g.game->GameStarted) {
            g.answer(g.game->TargetWord);
            if (g.game->GameStarted)
                order << g.game->TargetWord;
        }
        QVERIFY(g.showsResult(paths::Win));
        QCOMPARE(order.size(), 4);
        QCOMPARE(order.last(), QStringLiteral("OWL"));  // the last entry always comes last
        QCOMPARE(QSet<QString>(order.begin(), order.end()).size(), 4);  // each picture once
        QCOMPARE(g.dialog->pictures.nameCount(), 0);
        // The drawn pictures are still in the saved lists, and Reset brings them back.
        QCOMPARE(g.bytes("Data/ImageFile.txt"), QByteArray("cat.bmp\r\ndog.bmp\r\nsun.bmp\r\nowl.bmp\r\n"));
        g.game->BtnResetClick();
        QCOMPARE(g.dialog->pictures.nameCount(), 4);
        QCOMPARE(g.game->PictureCursor, 0);
        QCOMPARE(g.effects->played.last(), Button);
    }
}

void TestGameFlow::checkBoxAndSavedOrderDisagree()
{
    const QStringList names = {QStringLiteral("cat.bmp"), QStringLiteral("dog.bmp"), QStringLiteral("sun.bmp"),
                               QStringLiteral("owl.bmp"), QStringLiteral("bee.bmp")};
    setUniformSource([](int) { return 0; });  // always the first entry
    {
        // Saved order: list; the box: random. Start and OK draw, the timer walks the shortened list.
        Game g(names);
        g.pointListsHere();
        g.dialog->RandomImage->setChecked(true);
        g.game->BtnStartClick();
        QVERIFY(!g.game->RandomMode);
        QCOMPARE(g.game->TargetWord, QStringLiteral("CAT"));
        QCOMPARE(g.dialog->pictures.nameCount(), 4);
        g.answer(QStringLiteral("cat"));
        QCOMPARE(g.game->TargetWord, QStringLiteral("DOG"));  // drawn: entry 0 of what is left
        QCOMPARE(g.dialog->pictures.nameCount(), 3);
        g.expire();  // list order: PictureCursor 0 -> 1 over [sun, owl, bee]
        QCOMPARE(g.game->PictureCursor, 1);
        QCOMPARE(g.game->TargetWord, QStringLiteral("OWL"));
        QCOMPARE(g.dialog->pictures.nameCount(), 3);
    }
    {
        // Saved order: random; the box: unchecked. Start and the timer draw, OK walks the list.
        Game g(names, true);
        g.pointListsHere();
        g.dialog->RandomImage->setChecked(false);
        g.game->BtnStartClick();
        QVERIFY(g.game->RandomMode);
        QCOMPARE(g.game->TargetWord, QStringLiteral("CAT"));
        QCOMPARE(g.dialog->pictures.nameCount(), 4);
        g.expire();
        QCOMPARE(g.game->TargetWord, QStringLiteral("DOG"));
        QCOMPARE(g.dialog->pictures.nameCount(), 3);
        g.answer(QStringLiteral("dog"));  // list order: PictureCursor 0 -> 1 over [sun, owl, bee]
        QCOMPARE(g.game->PictureCursor, 1);
        QCOMPARE(g.game->TargetWord, QStringLiteral("OWL"));
    }
}

void TestGameFlow::pictureThatCannotLoad()
{
    {
        Game g({QStringLiteral("cat.bmp"), QStringLiteral("gone.bmp"), QStringLiteral("sun.bmp")}, false,
               {QStringLiteral("gone.bmp")});
        g.pointListsHere();
        g.game->BtnStartClick();
        g.answer(QStringLiteral("cat"));
        QCOMPARE(g.messages->size(), 1);
        QVERIFY(g.messages->first().contains(QStringLiteral("gone.bmp\". No such file or directory")));
        QCOMPARE(g.game->TargetWord, QStringLiteral("CAT"));  // the previous word stays
        QCOMPARE(g.game->PictureCursor, 1);                   // already advanced
        QCOMPARE(g.game->row.typedWord(), QStringLiteral("CAT"));  // the row was not cleared
        QVERIFY(!g.effects->played.contains(Button));             // the handler stopped there
        g.expire();  // the next one loads; the lost period costs a life
        QCOMPARE(g.game->TargetWord, QStringLiteral("SUN"));
        QCOMPARE(g.game->Lives, 2);
    }
    {
        setUniformSource([](int) { return 0; });
        Game g({QStringLiteral("gone.bmp"), QStringLiteral("cat.bmp")}, false, {QStringLiteral("gone.bmp")});
        g.pointListsHere();
        g.dialog->RandomImage->setChecked(true);
        guard([&] { g.game->BtnStartClick(); });
        QCOMPARE(g.messages->size(), 1);
        QVERIFY(g.game->GameStarted);
        QVERIFY(!g.game->TimerShow->isEnabled());  // Start stopped before the timer
        QCOMPARE(g.dialog->pictures.nameCount(), 2);  // the entry that failed stays
    }
}

void TestGameFlow::startAfterWinWithoutReset()
{
    Game g({QStringLiteral("cat.bmp")});
    g.start();
    g.answer(QStringLiteral("cat"));
    QVERIFY(g.showsResult(paths::Win));
    g.game->BtnStartClick();
    QVERIFY(g.game->GameStarted);
    QVERIFY(!g.game->ImageShow->isVisibleTo(g.game.get()));
    QVERIFY(g.game->TimerShow->isEnabled());
    g.expire();
    QCOMPARE(g.game->Lives, 2);  // the last word is still the target
}

void TestGameFlow::photosOfEveryKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("convertArgs");
    QTest::newRow("progressive JPEG") << "a.jpg" << QStringList{"-interlace", "Plane"};
    QTest::newRow("CMYK JPEG") << "b.jpeg" << QStringList{"-colorspace", "CMYK"};
    QTest::newRow("grayscale JPEG") << "c.jpg" << QStringList{"-colorspace", "Gray"};
    QTest::newRow("1-bit BMP") << "d.bmp" << QStringList{"-monochrome", "-type", "Bilevel"};
    QTest::newRow("4-bit BMP") << "e.bmp" << QStringList{"-colors", "16", "-type", "Palette", "-define", "bmp:format=bmp3"};
    QTest::newRow("8-bit BMP") << "f.bmp" << QStringList{"-colors", "200", "-type", "Palette"};
    QTest::newRow("16-bit BMP") << "g.bmp" << QStringList{"-define", "bmp:subtype=RGB565"};
    QTest::newRow("32-bit BMP") << "h.bmp" << QStringList{"-alpha", "on", "-define", "bmp:format=bmp4"};
    QTest::newRow("GIF") << "i.gif" << QStringList{};
    QTest::newRow("WebP") << "j.webp" << QStringList{};
}

void TestGameFlow::photosOfEveryKind()
{
    QFETCH(QString, name);
    QFETCH(QStringList, convertArgs);
    if (!QFile::exists(QStringLiteral("/usr/bin/convert")))
        QSKIP("ImageMagick is not installed");
    Game g({name}, false, {name});
    const QString file = g.folder.file(QStringLiteral("Picture/") + name);
    QStringList args{QStringLiteral("-size"), QStringLiteral("1600x1200"), QStringLiteral("gradient:red-blue")};
    args << convertArgs << file;
    QCOMPARE(QProcess::execute(QStringLiteral("/usr/bin/convert"), args), 0);
    g.pointListsHere();
    g.game->BtnStartClick();
    QVERIFY2(g.messages->isEmpty(), qPrintable(g.messages->join(QLatin1Char('\n'))));
    QCOMPARE(g.game->ImageShow->pixmap().size(), QSize(220, 220));
    QCOMPARE(g.game->TargetWord, QFileInfo(name).completeBaseName().toUpper());
}

void TestGameFlow::misalignedPair_data()
{
    QTest::addColumn<QStringList>("names");      // ImageFile.txt
    QTest::addColumn<QStringList>("pathNames");  // the files Image.txt names
    QTest::addColumn<bool>("random");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("then");  // after the failed read: "ok" with an empty row, or "expire"
    QTest::addColumn<int>("lives");
    // Random order draws over the paths: the last draw reads a name past the end of the names.
    QTest::newRow("names one short, random order")
        << QStringList{"cat.bmp", "dog.bmp"} << QStringList{"cat.bmp", "dog.bmp", "owl.bmp"} << true
        << "List index out of bounds (0)" << "ok" << 2;
    // List order walks the names: the third has no path.
    QTest::newRow("paths one short, list order")
        << QStringList{"cat.bmp", "dog.bmp", "owl.bmp"} << QStringList{"cat.bmp", "dog.bmp"} << false
        << "The picture path list has no entry 2 (for \"owl.bmp\")" << "expire" << 2;
}

void TestGameFlow::misalignedPair()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, pathNames);
    QFETCH(bool, random);
    QFETCH(QString, message);
    QFETCH(QString, then);
    QFETCH(int, lives);
    setUniformSource([](int) { return 0; });
    Game g({QStringLiteral("cat.bmp"), QStringLiteral("dog.bmp"), QStringLiteral("owl.bmp")}, random);
    QByteArray n, p;
    for (const QString &name : names)
        n += name.toUtf8() + "\r\n";
    for (const QString &name : pathNames)
        p += QFile::encodeName(g.folder.file(QStringLiteral("Picture/") + name)) + "\r\n";
    g.folder.write(QStringLiteral("Data/ImageFile.txt"), n);
    g.folder.write(QStringLiteral("Data/Image.txt"), p);
    g.dialog->ReloadPictureList();
    g.dialog->RandomImage->setChecked(random);
    guard([&] { g.game->BtnStartClick(); });
    QCOMPARE(g.game->TargetWord, QStringLiteral("CAT"));
    g.answer(QStringLiteral("cat"));
    QCOMPARE(g.game->TargetWord, QStringLiteral("DOG"));
    const QImage dog = g.shownPicture();
    QVERIFY(g.messages->isEmpty());
    g.answer(QStringLiteral("dog"));
    // The read fails: the message says so, the word and the picture stay, no life goes.
    QCOMPARE(*g.messages, QStringList{currentApplicationTitle() + QLatin1Char('|') + message});
    QCOMPARE(g.game->TargetWord, QStringLiteral("DOG"));
    QCOMPARE(g.shownPicture(), dog);
    QCOMPARE(g.game->Lives, 3);
    QVERIFY(g.game->GameStarted);
    // No free pass: an empty answer is wrong, and an expiry costs a life.
    if (then == QLatin1String("ok"))
        g.answer(QString());
    else
        g.expire();
    QCOMPARE(g.game->Lives, lives);
    QCOMPARE(g.game->TargetWord, QStringLiteral("DOG"));
    QVERIFY(g.game->GameStarted);
}

void TestGameFlow::picturesBesideTheProgram()
{
    // Entries relative to the program folder are found wherever the game was started from.
    Game g({QStringLiteral("cat.bmp"), QStringLiteral("dog.bmp")});
    g.folder.write(QStringLiteral("Data/Image.txt"), "./Picture/cat.bmp\r\n.\\Picture\\dog.bmp\r\n");
    g.dialog->ReloadPictureList();
    QDir::setCurrent(QDir::tempPath());
    g.game->BtnStartClick();
    QCOMPARE(g.shownPicture(), g.file(QStringLiteral("cat.bmp")));
    QDir::setCurrent(QDir::tempPath());
    g.answer(QStringLiteral("cat"));
    QVERIFY2(g.messages->isEmpty(), qPrintable(g.messages->join(QLatin1Char('\n'))));
    QCOMPARE(g.shownPicture(), g.file(QStringLiteral("dog.bmp")));
    QCOMPARE(g.dialog->pictures.allPaths().first(), QByteArray("./Picture/cat.bmp"));  // kept as written
}

void TestGameFlow::spokenLines_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("lines");  // " | " between lines, "," between the parts of one
    const QStringList two{QStringLiteral("Cat.bmp"), QStringLiteral("dog.jpg")};
    // Keys that come in one turn: the last letter only.
    QTest::newRow("word, letters, praise and the next word") << two << "start type:c type:at ok"
        << "word:cat+recording | letter:C | letter:T | right:cat,word:dog+recording";
    QTest::newRow("wrong") << two << "start type:x ok" << "word:cat+recording | letter:X | wrong";
    QTest::newRow("win") << QStringList{QStringLiteral("cat.bmp")} << "start type:cat ok"
        << "word:cat+recording | letter:T | right:cat,win";
    QTest::newRow("countdown runs out") << two << "start expire" << "word:cat+recording | word:dog+recording";
    QTest::newRow("lost on a countdown: no word for the hidden picture")
        << QStringList{"cat.bmp", "dog.bmp", "owl.bmp", "bee.bmp", "ant.bmp"} << "start expire expire expire expire"
        << "word:cat+recording | word:dog+recording | word:owl+recording | word:bee+recording | lose";
    QTest::newRow("speaker") << two << "start speaker speaker"
        << "word:cat+recording | word:cat+recording | word:cat+recording";
    QTest::newRow("speaker before Start") << two << "speaker" << "";
}

void TestGameFlow::spokenLines()
{
    QFETCH(QStringList, names);
    QFETCH(QString, script);
    QFETCH(QString, lines);
    Game g(names);
    // What the tests before asked for without an event loop is not said.
    Voice::instance().stop();
    QStringList said;
    Voice::instance().setLineLog([&said](const QStringList &parts) { said.append(parts.join(QLatin1Char(','))); });
    for (const QString &step : script.split(QLatin1Char(' '))) {
        if (step == QLatin1String("start"))
            g.start();
        else if (step.startsWith(QLatin1String("type:")))
            QTest::keyClicks(g.game.get(), step.mid(5));
        else if (step == QLatin1String("ok"))
            QTest::keyClick(g.game.get(), Qt::Key_Return);
        else if (step == QLatin1String("expire"))
            g.expire();
        else if (step == QLatin1String("speaker"))
            QTest::mouseClick(g.game->BtnSpeaker, Qt::LeftButton, {}, QPoint(30, 30));
        // Each step is a turn of the event loop: its lines go out at its end.
        QCoreApplication::processEvents();
    }
    Voice::instance().setLineLog(nullptr);
    Voice::instance().stop();
    QCOMPARE(said.join(QStringLiteral(" | ")), lines);
}

// While the child waits for Start, the word of the picture it shows in list order is made, so that
// it is heard with Start's click.
void TestGameFlow::startWordMadeAhead()
{
    Game g({QStringLiteral("dog.jpg"), QStringLiteral("cat.bmp")});
    // Lines are made in the format of a real mixer's output.
    setEffectPlayer(makeModuleEffectPlayer("null"));
    const auto restore = qScopeGuard([] { setEffectPlayer(nullptr); });
    Voice &voice = Voice::instance();
    voice.stop();
    g.game->BtnResetClick();
    QTRY_VERIFY_WITH_TIMEOUT(voice.preparedLines().contains(QStringLiteral("dog\nen\n100")), 10000);
    QVERIFY(!voice.preparedLines().contains(QStringLiteral("cat\nen\n100")));
    voice.stop();
}

QTEST_MAIN(TestGameFlow)
#include "tst_gameflow.moc"

void TestGameFlow::countdownBar_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("win") << "win";
    QTest::newRow("lose") << "lose";
    QTest::newRow("reset") << "reset";
    QTest::newRow("setting off") << "setting off";
}

// The bar turns to its warning colour for the last 3 seconds, or the last quarter of a shorter
// countdown.
void TestGameFlow::countdownWarning_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("left");
    QTest::addColumn<bool>("warning");
    QTest::newRow("10 s, 2.6 s left: not yet the quarter") << qint64(10000) << qint64(2600) << false;
    QTest::newRow("10 s, the last quarter") << qint64(10000) << qint64(2500) << true;
    QTest::newRow("60 s, 3.1 s left") << qint64(60000) << qint64(3100) << false;
    QTest::newRow("60 s, 3 s left") << qint64(60000) << qint64(3000) << true;
    QTest::newRow("12 s, the quarter is 3 s") << qint64(12000) << qint64(3000) << true;
    QTest::newRow("12 s, just before") << qint64(12000) << qint64(3001) << false;
    QTest::newRow("1 s, 0.3 s left") << qint64(1000) << qint64(300) << false;
    QTest::newRow("1 s, 0.25 s left") << qint64(1000) << qint64(250) << true;
    QTest::newRow("10 s, none left") << qint64(10000) << qint64(0) << true;
    QTest::newRow("no countdown") << qint64(0) << qint64(0) << false;
}

void TestGameFlow::countdownWarning()
{
    QFETCH(qint64, total);
    QFETCH(qint64, left);
    QFETCH(bool, warning);
    QWidget stage;
    CountdownBar bar(&stage);
    qint64 now = 5000;
    bar.setClock([&now] { return now; });
    bar.start(total);
    now += total - left;
    QCOMPARE(bar.isWarning(), warning);
}

// The bar follows the picture's countdown on a clock the test moves: full with each picture,
// orange at the end, gone when the game ends or the grown-ups turn it off; it covers no control.
void TestGameFlow::countdownBar()
{
    QFETCH(QString, end);
    ParentSettingsStore::instance().apply(ParentSettings());
    const auto restore = qScopeGuard([] { ParentSettingsStore::instance().apply(ParentSettings()); });
    Game g({QStringLiteral("cat.bmp"), QStringLiteral("dog.jpg")});
    TFormLettora &w = *g.game;
    CountdownBar *bar = w.Countdown;
    qint64 now = 1000;
    bar->setClock([&now] { return now; });
    w.TimerShow->setInterval(10000);
    w.show();
    for (QWidget *control : w.Stage->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control != bar && control != w.Background)
            QVERIFY2(!control->geometry().intersects(bar->geometry()), qPrintable(control->objectName()));
    }
    QVERIFY(!bar->isVisibleTo(&w));
    QVERIFY(!bar->isTicking());

    g.start();
    QVERIFY(bar->isVisibleTo(&w));
    QCOMPARE(bar->fraction(), 1.0);
    QVERIFY(bar->isTicking());
    now += 6000;
    QCOMPARE(bar->fraction(), 0.4);
    QVERIFY(!bar->isWarning());
    now += 1600;  // the last quarter
    QVERIFY(bar->isWarning());
    const QColor drawn = bar->grab().toImage().pixelColor(bar->width() / 2, bar->height() - 8);
    QVERIFY2(std::abs(drawn.hue() - CountdownBar::Warning.hue()) < 10, qPrintable(drawn.name()));

    g.answer(QStringLiteral("cat"));  // a new picture: full again
    QCOMPARE(w.TargetWord, QStringLiteral("DOG"));
    QCOMPARE(bar->fraction(), 1.0);
    QVERIFY(!bar->isWarning());
    const QColor fresh = bar->grab().toImage().pixelColor(bar->width() / 2, bar->height() - 8);
    QVERIFY2(std::abs(fresh.hue() - CountdownBar::Plenty.hue()) < 10, qPrintable(fresh.name()));
    w.TimerShow->setEnabled(true);  // enabling an enabled timer is no new countdown
    now += 2000;
    QCOMPARE(bar->fraction(), 0.8);

    if (end == QLatin1String("win")) {
        g.answer(QStringLiteral("dog"));
        QVERIFY(g.showsResult(paths::Win));
    } else if (end == QLatin1String("lose")) {
        for (int i = 0; i < 4; ++i)
            g.expire();
        QVERIFY(g.showsResult(paths::Lose));
    } else if (end == QLatin1String("reset")) {
        w.BtnResetClick();
    } else {
        ParentSettings off;
        off.showCountdown = false;
        ParentSettingsStore::instance().apply(off);
        QVERIFY(w.TimerShow->isCounting());
    }
    QVERIFY(!bar->isVisibleTo(&w));
    QVERIFY(!bar->isTicking());
}
