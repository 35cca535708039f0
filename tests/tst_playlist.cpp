#include "Fixtures.h"

#include "settings/ListPair.h"
#include "shell/ErrorReport.h"
#include "sound/MediaPlayer.h"
#include "sound/MusicPlaylist.h"

#include <QTest>

using namespace lettora;

namespace {

// The playlist with a list of `entries` tracks, a check box and a timer of its own.
struct Music
{
    explicit Music(int entries)
    {
        QStringList files;
        for (int i = 0; i < entries; ++i)
            files << QStringLiteral("/music/track%1.ogg").arg(i);
        list.add(files);
        playlist.setMusicOn = [this](bool on) {
            if (musicOn == on)
                return;  // setting the same state runs no action
            musicOn = on;
            playlist.musicOnChanged(on);
        };
        playlist.enableTimer = [this] { timerEnabled = true; };
        // As the game window shows them.
        playlist.reportFailure = [](MusicPlaylist::Failure kind, const QString &text) {
            if (kind == MusicPlaylist::Failure::Error)
                reportError(text);
            else
                showInformation(text);
        };
        messages = test::installMessageRecorder();
    }
    ~Music() { setMessageHook({}); }
    // The user clicks the check box: its action runs; an error is reported, the state stays.
    void clickMusicOn(bool on)
    {
        musicOn = on;
        guard([&] { playlist.musicOnChanged(on); });
    }
    void tick() { guard([this] { playlist.endOfTrackCheck(); }); }
    QStringList takeLog()
    {
        const QStringList l = player.log;
        player.log.clear();
        return l;
    }
    static QString opened(int i) { return QStringLiteral("open /music/track%1.ogg").arg(i); }
    static QStringList started(int i) { return {opened(i), QStringLiteral("play")}; }

    ListPair list;
    test::ScriptedPlayer player;
    test::ScriptedPlayer welcome;
    MusicPlaylist playlist{player, [this] { return &list; }};
    bool musicOn = false;
    bool timerEnabled = false;
    std::shared_ptr<QStringList> messages;
};

const QString NoMusic = QStringLiteral("Information|There is no list in Music List Option");

} // namespace

class TestPlaylist : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void handOverAndWrap();
    void handOverWithEmptyList();
    void handOverWhenTheTuneNeverOpened();
    void handOverFailures_data();
    void handOverFailures();
    void failuresGoToTheCallback_data();
    void failuresGoToTheCallback();
    void clickChoosesWhatFollows();
    void doubleClick();
    void musicOnSwitch();
    void uncheckedAtTheEndOfATrack();
    void removingAndClearingWhilePlaying();
    void trackThatCannotOpen();
    void welcomeTune();
};

void TestPlaylist::handOverAndWrap()
{
    Music m(3);
    m.welcome.FileName = QStringLiteral("/w/tune.mid");
    m.welcome.Open();
    m.welcome.Play();
    m.welcome.log.clear();
    m.playlist.handOver(m.welcome);
    QCOMPARE(m.welcome.log, QStringList{QStringLiteral("stop")});
    QVERIFY(!m.welcome.isOpen());  // its synthesiser let go
    // Entry 0 starts, and again at once when the check box goes on.
    QCOMPARE(m.takeLog(), Music::started(0) + Music::started(0));
    QVERIFY(m.musicOn);
    QVERIFY(m.timerEnabled);
    QCOMPARE(m.playlist.MusicIndex, 0);

    m.tick();  // still playing
    QVERIFY(m.takeLog().isEmpty());
    for (int next : {1, 2}) {
        m.player.finish();
        m.tick();
        QCOMPARE(m.takeLog(), Music::started(next));
        QCOMPARE(m.playlist.MusicIndex, next);
    }
    m.player.finish();
    m.tick();  // past the last entry: a silence
    QCOMPARE(m.playlist.MusicIndex, -1);
    QVERIFY(m.takeLog().isEmpty());
    m.tick();  // and from the top again
    QCOMPARE(m.playlist.MusicIndex, 0);
    QCOMPARE(m.takeLog(), Music::started(0));
    QVERIFY(m.messages->isEmpty());
}

void TestPlaylist::handOverWithEmptyList()
{
    Music m(0);
    m.playlist.handOver(m.welcome);
    QCOMPARE(*m.messages, QStringList{NoMusic});
    QVERIFY(!m.musicOn);
    QVERIFY(!m.timerEnabled);
    QVERIFY(m.takeLog().isEmpty());
    m.tick();  // no track open: nothing, no error
    QVERIFY(m.messages->size() == 1);
}

void TestPlaylist::handOverWhenTheTuneNeverOpened()
{
    Music m(2);
    QVERIFY(!m.welcome.isOpen());
    m.playlist.handOver(m.welcome);
    QVERIFY(m.messages->isEmpty());
    QVERIFY(m.musicOn);
    QCOMPARE(m.takeLog(), Music::started(0) + Music::started(0));
}

void TestPlaylist::handOverFailures_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("unplayable");  // the entry that cannot be played; -1 for none
    QTest::addColumn<QString>("message");
    const QString cannotPlay = QStringLiteral("%1|Cannot open file \"/music/track%2.ogg\". The file cannot be played.");
    QTest::newRow("empty list") << 0 << 0 << -1 << NoMusic;
    QTest::newRow("index past the end") << 2 << 2 << -1 << NoMusic;
    QTest::newRow("index -1") << 2 << -1 << -1 << NoMusic;
    QTest::newRow("first entry cannot be played") << 3 << 0 << 0 << cannotPlay.arg(currentApplicationTitle()).arg(0);
    QTest::newRow("last entry cannot be played") << 3 << 2 << 2 << cannotPlay.arg(currentApplicationTitle()).arg(2);
    QTest::newRow("another entry cannot be played") << 3 << 1 << 2 << QString();
}

// The hand-over says why the music does not start: no entry to play, or the entry's own reason.
void TestPlaylist::handOverFailures()
{
    QFETCH(int, entries);
    QFETCH(int, index);
    QFETCH(int, unplayable);
    QFETCH(QString, message);
    Music m(entries);
    if (unplayable >= 0)
        m.player.unplayable << QStringLiteral("/music/track%1.ogg").arg(unplayable);
    m.playlist.MusicIndex = index;
    m.playlist.handOver(m.welcome);
    QCOMPARE(*m.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(m.musicOn, message.isEmpty());
    QCOMPARE(m.timerEnabled, message.isEmpty());
}

void TestPlaylist::failuresGoToTheCallback_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("unplayable");
    QTest::addColumn<QString>("reported");  // kind|text; empty for nothing
    const QString noMusic = QStringLiteral("no music|There is no list in Music List Option");
    QTest::newRow("empty list") << 0 << 0 << -1 << noMusic;
    QTest::newRow("index past the end") << 2 << 2 << -1 << noMusic;
    QTest::newRow("index -1") << 2 << -1 << -1 << noMusic;
    QTest::newRow("entry cannot be played")
        << 2 << 1 << 1 << QStringLiteral("error|Cannot open file \"/music/track1.ogg\". The file cannot be played");
    QTest::newRow("plays") << 2 << 1 << -1 << QString();
}

// The list opens no box of its own: what fails goes to its owner's callback, once.
void TestPlaylist::failuresGoToTheCallback()
{
    QFETCH(int, entries);
    QFETCH(int, index);
    QFETCH(int, unplayable);
    QFETCH(QString, reported);
    Music m(entries);
    QStringList calls;
    m.playlist.reportFailure = [&calls](MusicPlaylist::Failure kind, const QString &text) {
        calls << (kind == MusicPlaylist::Failure::Error ? QStringLiteral("error|") : QStringLiteral("no music|")) + text;
    };
    if (unplayable >= 0)
        m.player.unplayable << QStringLiteral("/music/track%1.ogg").arg(unplayable);
    m.playlist.MusicIndex = index;
    m.playlist.handOver(m.welcome);
    QCOMPARE(calls, reported.isEmpty() ? QStringList() : QStringList{reported});
    QVERIFY(m.messages->isEmpty());
}

void TestPlaylist::clickChoosesWhatFollows()
{
    Music m(4);
    m.playlist.handOver(m.welcome);
    m.takeLog();
    m.playlist.nameChosen(1);  // j = 0 plays on
    QVERIFY(m.takeLog().isEmpty());
    m.player.finish();
    m.tick();
    QCOMPARE(m.takeLog(), Music::started(2));  // k + 1 follows, not k

    m.playlist.nameChosen(-1);  // no entry selected
    m.player.finish();
    m.tick();
    QCOMPARE(m.takeLog(), Music::started(0));
}

void TestPlaylist::doubleClick()
{
    {
        Music m(4);  // music off, never started
        m.playlist.nameDoubleClicked(2);
        QVERIFY(m.musicOn);
        QVERIFY(m.timerEnabled);
        QCOMPARE(m.takeLog(), Music::started(2) + Music::started(2));  // opened twice
        m.player.finish();
        m.tick();
        QCOMPARE(m.takeLog(), Music::started(3));
    }
    {
        Music m(4);
        m.playlist.handOver(m.welcome);
        m.takeLog();
        m.playlist.nameDoubleClicked(3);  // music on: once, from its beginning
        QCOMPARE(m.takeLog(), Music::started(3));
        QCOMPARE(m.playlist.MusicIndex, 3);
    }
}

void TestPlaylist::musicOnSwitch()
{
    Music m(3);
    m.playlist.handOver(m.welcome);
    m.player.finish();
    m.tick();
    m.takeLog();
    m.player.position = 5000;
    m.clickMusicOn(false);
    QCOMPARE(m.takeLog(), QStringList{QStringLiteral("stop")});
    QCOMPARE(m.playlist.MusicIndex, 1);
    QCOMPARE(m.player.position, 5000);  // the track stays open where it stopped
    QVERIFY(m.timerEnabled);
    m.clickMusicOn(true);  // no resume: entry MusicIndex from its beginning
    QCOMPARE(m.takeLog(), Music::started(1));
    QCOMPARE(m.player.position, 0);

    // Unchecked before the music ever started: the stop has no track to stop.
    Music never(1);
    never.musicOn = true;
    never.clickMusicOn(false);
    QCOMPARE(*never.messages, QStringList(QStringLiteral("%1|No MCI device open.").arg(currentApplicationTitle())));
    // Checked with an empty list: the index names no entry; the timer is not enabled by it.
    Music empty(0);
    empty.clickMusicOn(true);
    QCOMPARE(*empty.messages, QStringList(QStringLiteral("%1|List index out of bounds (0)").arg(currentApplicationTitle())));
    QVERIFY(!empty.timerEnabled);
    QVERIFY(empty.musicOn);  // the box keeps the state it was given
}

void TestPlaylist::uncheckedAtTheEndOfATrack()
{
    Music m(3);
    m.playlist.handOver(m.welcome);
    m.takeLog();
    m.player.finish();
    m.clickMusicOn(false);
    QCOMPARE(m.takeLog(), QStringList{QStringLiteral("stop")});
    m.tick();  // the track stands at its end: the next one starts although the music is off
    QCOMPARE(m.takeLog(), Music::started(1));
}

void TestPlaylist::removingAndClearingWhilePlaying()
{
    {
        Music m(3);
        m.playlist.nameDoubleClicked(2);
        m.takeLog();
        m.list.removeAt(0);
        m.list.removeAt(0);  // MusicIndex 2 now lies past the end
        m.tick();
        QVERIFY(m.takeLog().isEmpty());  // the track plays on
        m.player.finish();
        m.tick();
        QCOMPARE(m.playlist.MusicIndex, -1);
        m.tick();
        QCOMPARE(m.takeLog(), (QStringList{QStringLiteral("open /music/track2.ogg"), QStringLiteral("play")}));
        QCOMPARE(m.playlist.MusicIndex, 0);
    }
    {
        Music m(3);
        m.playlist.handOver(m.welcome);
        m.takeLog();
        m.list.clear();
        m.player.finish();
        m.tick();
        m.tick();
        m.tick();
        QVERIFY(m.takeLog().isEmpty());  // nothing follows
        QVERIFY(m.messages->isEmpty());
    }
}

void TestPlaylist::trackThatCannotOpen()
{
    Music m(3);
    m.player.unplayable << QStringLiteral("/music/track1.ogg");
    m.playlist.handOver(m.welcome);
    m.player.finish();
    m.tick();
    QCOMPARE(m.messages->size(), 1);
    QCOMPARE(m.messages->first(), QStringLiteral("%1|Cannot open file \"/music/track1.ogg\". The file cannot be played.")
                                      .arg(currentApplicationTitle()));
    QCOMPARE(m.playlist.MusicIndex, 1);  // the failed entry's index stays
    QVERIFY(!m.player.isOpen());         // the previous track was closed: the music stopped
    m.tick();                            // nothing open: the check does nothing
    QCOMPARE(m.messages->size(), 1);
}

void TestPlaylist::welcomeTune()
{
    test::ProgramFolderCopy folder;
    test::ScriptedPlayer welcome;
    MusicPlaylist::playWelcomeTune(welcome);
    QCOMPARE(welcome.log, (QStringList{QStringLiteral("open ") + folder.file(QStringLiteral("Music/chachacha.mid")),
                                       QStringLiteral("play")}));
}

QTEST_MAIN(TestPlaylist)
#include "tst_playlist.moc"
