#include "WindowFixtures.h"

#include "shell/core/AssetPaths.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/app/Program.h"
#include "shell/app/SplashUnit.h"
#include "shell/app/Welcomeunit.h"
#include "parents/PicturesPage.h"
#include "parents/ProgressRecorder.h"
#include "sound/AudioModule.h"
#include "sound/Effects.h"
#include "speech/SpeechWorker.h"
#include "speech/Voice.h"

#include <QCheckBox>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QMap>
#include <QTest>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

using namespace lettora;

namespace {

// All four windows in their order; the music list holds two tracks.
struct Start : test::Windows
{
    explicit Start(const QStringList &remove = {})
        : test::Windows({{QStringLiteral("Data/MusicFile.txt"), "a.ogg\r\nb.ogg\r\n"},
                         {QStringLiteral("Data/Music.txt"), "/m/a.ogg\r\n/m/b.ogg\r\n"}},
                        remove)
    {
        dialog->hide();
        setMediaPlayerMaker([this] {
            auto player = std::make_unique<test::ScriptedPlayer>();
            player->unplayable = unplayable;
            return player;
        });
        splash = std::make_unique<TFormSplash>();
        FormSplash = splash.get();
        welcome = std::make_unique<TFormWelcome>(game.get());
        FormWelcome = welcome.get();
        game->show();
    }
    ~Start()
    {
        welcome.reset();
        splash.reset();
        FormWelcome = nullptr;
        FormSplash = nullptr;
    }
    test::ScriptedPlayer &tune() const { return static_cast<test::ScriptedPlayer &>(*welcome->PlayerWelcome); }
    QImage picture(const char *path) const { return loadPicture(QLatin1String(path)); }
    QImage shown(PictureControl *c) const { return c->pixmap().toImage(); }

    QStringList unplayable;
    std::unique_ptr<TFormSplash> splash;
    std::unique_ptr<TFormWelcome> welcome;
};

// Runs a loop of its own, as a real message box does, until `done` holds (at most 20 s).
void holdOpenUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
}

// The whole program in a folder of its own, made as the program's entry makes it, with the
// display, the players and the boxes recorded.
struct WholeProgram
{
    explicit WholeProgram(const QStringList &remove = {})
    {
        for (const QString &f : remove)
            folder.remove(f);
        qputenv("LETTORA_AUDIO_OUTPUT", "null");  // the effect player the program makes plays nowhere
        display = test::installFakeDisplay();
        setMediaPlayerMaker([] { return std::make_unique<test::ScriptedPlayer>(); });
    }
    ~WholeProgram()
    {
        setMessageHook({});
        setMediaPlayerMaker({});
    }
    test::ProgramFolderCopy folder;
    std::shared_ptr<test::FakeDisplay::Log> display;
};

} // namespace

class TestWelcome : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void comesUpOnce();
    void comesUpFromTheEventLoop();
    void layout();
    void howToTwice();
    void playHandsOver();
    void closeBoxHandsOver();
    void keysDoNothing();
    void insideTheGameWindow();
    void tuneThatNeverOpened();
    void creationErrorBoxShowsWelcome_data();
    void creationErrorBoxShowsWelcome();
    void closingTheGameClosesNothingElse();
    void closeLeavesTheMainThreadAlone();
    void voiceStopsBeforeTheMixerCloses();
    void stuckJobHoldsTheEndForAWhileOnly();
};

void TestWelcome::comesUpOnce()
{
    Start s;
    QCOMPARE(s.splash->SplashTicks, 0);
    QVERIFY(!s.splash->isVisible());
    QVERIFY(!s.welcome->isVisible());
    s.splash->TimerSplash->fire();
    QCOMPARE(s.splash->SplashTicks, 1);
    QVERIFY(s.welcome->isVisible());
    QVERIFY(!s.splash->isVisible());  // the start-up form is never seen
    QCOMPARE(s.tune().log, (QStringList{QStringLiteral("open ") + s.folder.file(QStringLiteral("Music/chachacha.mid")),
                                        QStringLiteral("play")}));
    s.welcome->close();
    for (int tick = 2; tick <= 5; ++tick) {
        s.splash->TimerSplash->fire();
        QCOMPARE(s.splash->SplashTicks, tick);
        QVERIFY(!s.welcome->isVisible());  // never again
    }
    QVERIFY(s.splash->TimerSplash->isCounting());  // it ticks on
}

void TestWelcome::comesUpFromTheEventLoop()
{
    Start s;
    QVERIFY(s.splash->TimerSplash->isCounting());
    QCOMPARE(s.splash->TimerSplash->interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(s.welcome->isVisible(), 10000);
    QCOMPARE(s.splash->SplashTicks, 1);
}

void TestWelcome::layout()
{
    Start s;
    s.splash->TimerSplash->fire();
    TFormWelcome &w = *s.welcome;
    QCOMPARE(w.windowTitle(), QStringLiteral("Welcome"));
    QCOMPARE(w.size(), QSize(627, 444));
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!w.isModal());
    QCOMPARE(w.Label1->text(), QStringLiteral("Welcome to Lettora"));
    QCOMPARE(w.Label1->font().pixelSize(), 27);
    QCOMPARE(w.Label1->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    QCOMPARE(w.Label1->pos(), QPoint(32, 8));
    QCOMPARE(w.ImagePanel->geometry(), QRect(128, 48, 500, 374));
    QCOMPARE(w.Image4->geometry(), QRect(24, 40, 100, 200));
    QCOMPARE(w.ImageShoot->geometry(), QRect(224, 240, 132, 132));
    QCOMPARE(w.BtnPlay->pos(), QPoint(16, 304));
    QCOMPARE(w.BtnHowTo->pos(), QPoint(16, 360));
    QCOMPARE(s.shown(w.BtnPlay), s.picture(paths::BtnPlay));
    QCOMPARE(s.shown(w.BtnHowTo), s.picture(paths::BtnHowTo));
    QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
    // Centred on the game window.
    QVERIFY((w.frameGeometry().center() - s.game->frameGeometry().center()).manhattanLength() <= 4);
    // The game under it keeps working.
    QTest::keyClicks(s.game.get(), QStringLiteral("ab"));
    QCOMPARE(s.game->row.typedWord(), QStringLiteral("AB"));
}

void TestWelcome::howToTwice()
{
    Start s;
    s.splash->TimerSplash->fire();
    TFormWelcome &w = *s.welcome;
    QVERIFY(w.ImageShoot->isVisible());
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(w.BtnHowTo, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(s.shown(w.ImagePanel), s.picture(paths::PanelHelp));
        QCOMPARE(w.ImagePanel->pos(), QPoint(128, 48));
        QCOMPARE(w.ImagePanel->size(), s.picture(paths::PanelHelp).size());
        QVERIFY(!w.ImageShoot->isVisible());
    }
    QCOMPARE(s.shown(w.BtnHowTo), s.picture(paths::BtnHowTo));  // the release put the picture back
}

void TestWelcome::playHandsOver()
{
    Start s;
    s.splash->TimerSplash->fire();
    s.tune().log.clear();
    QTest::mousePress(s.welcome->BtnPlay, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(s.shown(s.welcome->BtnPlay), s.picture(paths::BtnPlay2));
    QTest::mouseRelease(s.welcome->BtnPlay, Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!s.welcome->isVisible());
    QCOMPARE(s.tune().log, QStringList{QStringLiteral("stop")});
    QVERIFY(!s.tune().isOpen());  // its synthesiser let go
    QCOMPARE(s.music().log, (QStringList{QStringLiteral("open /m/a.ogg"), QStringLiteral("play"),
                                         QStringLiteral("open /m/a.ogg"), QStringLiteral("play")}));
    QVERIFY(s.dialog->MusicOn->isChecked());
    QVERIFY(s.game->TimerMusic->isEnabled());
    QVERIFY(s.messages->isEmpty());
}

void TestWelcome::closeBoxHandsOver()
{
    Start s;
    s.splash->TimerSplash->fire();
    s.welcome->close();  // what the close box does
    QVERIFY(!s.welcome->isVisible());
    QVERIFY(s.tune().log.contains(QStringLiteral("stop")));
    QVERIFY(s.dialog->MusicOn->isChecked());
    QCOMPARE(s.music().log.count(QStringLiteral("play")), 2);

    // Once closed, its pictures and its window go; shown again, it is made as it was.
    QTRY_VERIFY(!s.welcome->windowHandle());
    QVERIFY(!s.welcome->ImagePanel->hasPicture() && !s.welcome->BtnPlay->hasPicture());
    s.welcome->show();
    QVERIFY(s.welcome->windowHandle());
    QCOMPARE(s.shown(s.welcome->BtnPlay), s.picture(paths::BtnPlay));
    QVERIFY(s.welcome->ImageShoot->isVisible());
    // Its decorations are read when it is drawn.
    QTRY_VERIFY(s.welcome->ImagePanel->hasPicture() && s.welcome->ImageShoot->hasPicture());
}

void TestWelcome::keysDoNothing()
{
    Start s;
    s.splash->TimerSplash->fire();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_A})
        QTest::keyClick(s.welcome.get(), key);
    QVERIFY(s.welcome->isVisible());
    QCOMPARE(s.game->row.typedWord(), QString());
}

// Where a full-screen window hides the others, the screen is shown inside the game window: in
// its middle, above every control, with the keys; Play hands over to the game as before.
void TestWelcome::insideTheGameWindow()
{
    Start s;
    s.game->resize(1067, 600);
    s.game->show();
    s.game->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.game.get()));
    s.welcome->showInside(s.game.get());
    QVERIFY(!s.welcome->isWindow());
    QCOMPARE(s.welcome->parentWidget(), s.game.get());
    QVERIFY(s.welcome->isVisible());
    QCOMPARE(s.welcome->geometry(), QRect(220, 78, 627, 444));
    // Above every control of the game window: the topmost widget at its middle is its own.
    QWidget *atMiddle = s.game->childAt(QPoint(533, 300));
    QVERIFY(atMiddle && (atMiddle == s.welcome.get() || s.welcome->isAncestorOf(atMiddle)));
    QCOMPARE(s.tune().log.count(QStringLiteral("play")), 1);
    // Keys reach the window's focus, as the keyboard's do.
    QTest::keyClick(s.game->windowHandle(), Qt::Key_A);
    QCOMPARE(s.game->row.typedWord(), QString());
    // A new size of the game window keeps it in the middle.
    s.game->resize(1200, 700);
    QCOMPARE(s.welcome->geometry(), QRect(286, 128, 627, 444));

    s.welcome->BtnPlayClick();
    QVERIFY(!s.welcome->isVisible());
    QVERIFY(s.tune().log.contains(QStringLiteral("stop")));
    QCOMPARE(s.music().log.count(QStringLiteral("play")), 2);
    QTest::keyClick(s.game->windowHandle(), Qt::Key_A);
    QCOMPARE(s.game->row.typedWord(), QStringLiteral("A"));
}

void TestWelcome::tuneThatNeverOpened()
{
    Start s;
    s.unplayable << s.folder.file(QStringLiteral("Music/chachacha.mid"));
    s.welcome = std::make_unique<TFormWelcome>(s.game.get());
    FormWelcome = s.welcome.get();
    s.splash->TimerSplash->fire();
    QVERIFY(s.welcome->isVisible());  // shown, silent
    QCOMPARE(s.messages->size(), 1);
    QVERIFY(s.messages->first().contains(QStringLiteral("chachacha.mid")));
    s.welcome->close();
    QVERIFY(!s.welcome->isVisible());
    QCOMPARE(s.messages->size(), 1);  // no second box
    QVERIFY(s.dialog->MusicOn->isChecked());  // and the music list starts
}

void TestWelcome::creationErrorBoxShowsWelcome_data()
{
    QTest::addColumn<QString>("missing");
    QTest::newRow("Play") << "Image/BtnPlay.jpg";
    QTest::newRow("How-to") << "Image/BtnHowTo.jpg";
}

// The start-up timer ticks inside the welcome screen's creation error box and shows the screen.
void TestWelcome::creationErrorBoxShowsWelcome()
{
    QFETCH(QString, missing);
    WholeProgram p({missing});
    QStringList boxes;
    setMessageHook([&](const QString &, const QString &text) {
        boxes << text;
        holdOpenUntil([] { return FormWelcome && FormWelcome->isVisible(); });
    });
    {
        Program program;
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().contains(p.folder.file(missing)), qPrintable(boxes.first()));
        QVERIFY(FormWelcome->isVisible());
        QCOMPARE(FormSplash->SplashTicks, 1);
        QVERIFY(FormLettora && FormOption);
    }
    QVERIFY(!FormWelcome && !FormSplash && !FormOption && !FormLettora);
}

// With the welcome screen up and an empty music list, closing the game ends the program: the
// welcome screen's close handler does not run (no box saying the list is empty, no track).
void TestWelcome::closingTheGameClosesNothingElse()
{
    WholeProgram p;
    auto messages = test::installMessageRecorder();
    QStringList music;
    int code = -1;
    {
        Program program;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (FormWelcome->isVisible() && FormLettora->isVisible()) {
                poll.stop();
                FormLettora->close();
            }
        });
        poll.start(20);
        QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
        code = program.run();
        music = static_cast<test::ScriptedPlayer &>(*FormLettora->Musik).log;
    }
    QCOMPARE(code, 0);
    QCOMPARE(music, QStringList());
    QVERIFY2(messages->isEmpty(), qPrintable(messages->join(QLatin1Char('\n'))));  // nor when the windows go
}

// This process's threads but the main one and the test harness's watchdog, by id, with their names.
using Threads = QMap<qint64, QString>;
Threads threads()
{
    Threads found;
    const QString tasks = QStringLiteral("/proc/self/task/");
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (task.toLongLong() == QCoreApplication::applicationPid())
            continue;
        QFile comm(tasks + task + QStringLiteral("/comm"));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : task;
        if (name != QLatin1String("QtTest Watchdog"))
            found.insert(task.toLongLong(), name);
    }
    return found;
}

// The names of the threads begun since `before` was taken.
QStringList threadNames(const Threads &before = {})
{
    QStringList names;
    const Threads now = threads();
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (!before.contains(it.key()))
            names << it.value();
    return names;
}

// No speech engine: eSpeak NG keeps a thread of its own from its start to the process's end (it
// cannot be started again once ended); the program's own threads are what is counted here, those
// begun since the test began (an engine that earlier tests started keeps its thread).
struct NoSpeechEngine
{
    NoSpeechEngine() { Voice::instance().setLibraryDir(QFile::encodeName(empty.path())); }
    ~NoSpeechEngine() { Voice::instance().setLibraryDir({}); }
    QTemporaryDir empty;
};

// An effect player that notes the threads there are when it goes.
struct WatchedMixer : EffectPlayer
{
    WatchedMixer(const Threads &before, QStringList *atClose) : before(before), atClose(atClose) {}
    ~WatchedMixer() override { *atClose = threadNames(before); }
    void play(const QString &) override {}
    Threads before;
    QStringList *atClose;
};

// Every worker the program starts is stopped by its end, before the application object goes:
// the fonts' warm-up, the opening of the sound output, the progress writer, the display's signal
// thread, the thumbnails' decodings.
void TestWelcome::closeLeavesTheMainThreadAlone()
{
    WholeProgram p;
    NoSpeechEngine noEngine;
    const Threads before = threads();
    p.folder.write(QStringLiteral("Picture/dot.png"), [] {
        QImage dot(4, 4, QImage::Format_RGB32);
        dot.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        dot.save(&buffer, "PNG");
        return png;
    }());
    int threadsWhileRunning = 0;
    bool ended = false;
    {
        Program program;
        ThumbnailCache thumbnails;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!FormWelcome->isVisible() || !FormLettora->isVisible())
                return;
            if (threadsWhileRunning == 0) {
                ProgressRecorder::instance().answered(QStringLiteral("Cat"), QStringLiteral("Cat"), Answer::Right);
                thumbnails.thumbnail(QFile::encodeName(p.folder.file(QStringLiteral("Picture/dot.png"))));
                Voice::instance().sayLetter('A');
                threadsWhileRunning = int(threadNames(before).size());
            }
            if (thumbnails.finished() == 1) {
                poll.stop();
                FormLettora->close();
            }
        });
        poll.start(20);
        QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
        QCOMPARE(program.run(), 0);
        ended = program.close();
        // The pools' threads are waited for, and go a moment after.
        QTRY_VERIFY2(threadNames(before).isEmpty(), qPrintable(threadNames(before).join(QLatin1Char(','))));
    }
    QVERIFY(ended);
    QVERIFY2(threadsWhileRunning > 1, qPrintable(QString::number(threadsWhileRunning)));
    const QByteArray written = p.folder.bytes(QStringLiteral("Data/Progress.csv"));  // the answer, written before the end
    QVERIFY2(written.startsWith(progress::Header) && written.count('\n') == 2, written.constData());
    QVERIFY2(threadNames(before).isEmpty(), qPrintable(threadNames(before).join(QLatin1Char(','))));
}

// The voice plays on the effects' mixer: its worker is joined before the mixer closes.
void TestWelcome::voiceStopsBeforeTheMixerCloses()
{
    WholeProgram p;
    NoSpeechEngine noEngine;
    const Threads before = threads();
    QStringList atClose;
    {
        Program program;
        bool said = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!FormWelcome->isVisible() || !FormLettora->isVisible())
                return;
            if (!said) {
                said = true;
                setEffectPlayer(std::make_unique<WatchedMixer>(before, &atClose));
                Voice::instance().sayLetter('A');
            }
            if (threadNames(before).contains(QLatin1String(SpeechWorkerThread))) {
                poll.stop();
                FormLettora->close();
            }
        });
        poll.start(20);
        QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
        QCOMPARE(program.run(), 0);
    }
    QVERIFY(!atClose.isEmpty());
    QVERIFY2(!atClose.contains(QLatin1String(SpeechWorkerThread)), qPrintable(atClose.join(QLatin1Char(','))));
}

// A job that cannot be cut short (fontconfig on a hung disk) holds the end up for a while only:
// close() says it still runs, and the program's entry then ends the process without the
// application object's end, which would wait for it for good.
void TestWelcome::stuckJobHoldsTheEndForAWhileOnly()
{
    WholeProgram p;
    QSemaphore stuck;
    bool ended = true;
    {
        Program program;
        QThreadPool::globalInstance()->start([&stuck] { stuck.acquire(); });
        ended = program.close();
        QVERIFY(program.close() == ended);  // once
    }
    stuck.release();
    QVERIFY(!ended);
    QVERIFY(QThreadPool::globalInstance()->waitForDone(30000));
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
