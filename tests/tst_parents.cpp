#include "WindowFixtures.h"

#include "parents/AdultGate.h"
#include "parents/KeepInGame.h"
#include "parents/ParentSettings.h"
#include "parents/ParentsCorner.h"
#include "parents/ScreenPage.h"
#include "parents/VoicePage.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/core/ProgramFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QAbstractItemView>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <qpa/qwindowsysteminterface.h>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace lettora;

Q_DECLARE_METATYPE(lettora::ParentSettings)

namespace {

const QString IniFile = QStringLiteral("Data/Lettora.ini");

const QByteArray DefaultText("[Voice]\nSpeakWords=true\nSpeakLetters=true\nPraise=true\nLanguage=\nSpeed=100\n"
                             "\n[Volume]\nVoice=100\nEffects=100\nMusic=100\n\n[Screen]\nShowCountdown=true\n"
                             "ChangeScreen=true\nKeepInGame=false\n");

ParentSettings settings(bool words, bool letters, bool praise, const char *language, int speed, int voice,
                        int effects, int music, bool countdown = true, bool changeScreen = true, bool keep = false)
{
    return {words, letters, praise, QLatin1String(language), speed, voice, effects, music, countdown, changeScreen, keep};
}

ParentSettingsStore &store()
{
    return ParentSettingsStore::instance();
}

bool isFifo(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Something other than a regular file in the settings file's place.
void putInPlace(const test::ProgramFolderCopy &folder, const QString &kind)
{
    const QString path = folder.file(IniFile);
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
}

// The texts a check answers the grown-ups' question with.
QString answerFor(const AdultQuestion &q, const QString &kind)
{
    return kind == QLatin1String("right") ? QString::number(q.left() + q.right())
                                          : QString::number(q.left() + q.right() + 1);
}

// Answers the question as a grown-up would: "right", "wrong", "cancel" or "escape".
void answerGate(AdultGate *gate, const QString &answer)
{
    if (answer == QLatin1String("cancel")) {
        gate->cancelButton->click();
    } else if (answer == QLatin1String("escape")) {
        QTest::keyClick(gate->answerField, Qt::Key_Escape);
    } else {
        gate->answerField->setText(answerFor(gate->question(), answer));
        QTest::keyClick(gate->answerField, Qt::Key_Return);
    }
}

} // namespace

class TestParents : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { store().apply(ParentSettings()); }
    void roundTrip_data();
    void roundTrip();
    void readsWhatItCan_data();
    void readsWhatItCan();
    void refusesToWrite_data();
    void refusesToWrite();
    void readOnlyDataFolder();
    void question_data();
    void question();
    void emptyAnswer();
    void door_data();
    void door();
    void voicePageSaves_data();
    void voicePageSaves();
    void screenPageSaves();
    void keptInTheGame_data();
    void keptInTheGame();
    void optionsWhenKept_data();
    void optionsWhenKept();
    void languageNote_data();
    void languageNote();
    void keepsTheKeyboard();
    void languageNoteWhole();
    void languageNames_data();
    void languageNames();
};

void TestParents::roundTrip_data()
{
    QTest::addColumn<ParentSettings>("settings");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("defaults") << ParentSettings() << DefaultText;
    QTest::newRow("all off, lowest") << settings(false, false, false, "pt-BR", 50, 0, 0, 0, false, false)
                                     << QByteArray("[Voice]\nSpeakWords=false\nSpeakLetters=false\nPraise=false\n"
                                                   "Language=pt-BR\nSpeed=50\n\n[Volume]\nVoice=0\nEffects=0\nMusic=0\n"
                                                   "\n[Screen]\nShowCountdown=false\nChangeScreen=false\nKeepInGame=false\n");
    QTest::newRow("mixed, highest") << settings(true, false, true, "fr", 200, 100, 37, 0, true, true, true)
                                    << QByteArray("[Voice]\nSpeakWords=true\nSpeakLetters=false\nPraise=true\n"
                                                  "Language=fr\nSpeed=200\n\n[Volume]\nVoice=100\nEffects=37\nMusic=0\n"
                                                  "\n[Screen]\nShowCountdown=true\nChangeScreen=true\nKeepInGame=true\n");
}

// Saved byte for byte, read back the same at the next start.
void TestParents::roundTrip()
{
    QFETCH(ParentSettings, settings);
    QFETCH(QByteArray, text);
    const ParentSettings chosen = settings;
    test::ProgramFolderCopy folder;
    QSignalSpy changed(&store(), &ParentSettingsStore::changed);
    QVERIFY(store().save(chosen));
    QCOMPARE(folder.bytes(IniFile), text);
    QCOMPARE(changed.size(), chosen == ParentSettings() ? 0 : 1);
    ParentSettings other = chosen;
    other.speed = chosen.speed == 100 ? 60 : 100;
    store().apply(other);
    store().load();
    QVERIFY(store().current() == chosen);
    QVERIFY(store().save(store().current()));
    QCOMPARE(folder.bytes(IniFile), text);
}

void TestParents::readsWhatItCan_data()
{
    QTest::addColumn<QString>("kind");  // "file", "fifo", "folder", "missing"
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<ParentSettings>("expected");
    const ParentSettings defaults;
    QTest::newRow("missing") << "missing" << QByteArray() << defaults;
    QTest::newRow("empty") << "file" << QByteArray() << defaults;
    QTest::newRow("binary") << "file" << QByteArray("\x00\xff\xfe[\x01=\x02\n", 8) << defaults;
    QTest::newRow("no sections") << "file" << QByteArray("Speed=60\nMusic=0\n") << defaults;
    QTest::newRow("one value, the rest missing")
        << "file" << QByteArray("[Volume]\r\nMusic=0\r\n") << settings(true, true, true, "", 100, 100, 100, 0);
    QTest::newRow("odd values") << "file"
                                << QByteArray("[Voice]\nSpeakWords=maybe\nSpeakLetters=0\nPraise=\nLanguage=../fr\n"
                                              "Speed=1000\n[Volume]\nVoice=-5\nEffects=1e2\nMusic= 40 \n")
                                << settings(true, false, true, "", 100, 100, 100, 40);
    QTest::newRow("kept in the game, spelt as a word")
        << "file" << QByteArray("[Screen]\nKeepInGame=true\n")
        << settings(true, true, true, "", 100, 100, 100, 100, true, true, true);
    QTest::newRow("kept in the game, written by hand as 1")
        << "file" << QByteArray("[Screen]\nKeepInGame=1\n") << settings(true, true, true, "", 100, 100, 100, 100, true, true, true);
    QTest::newRow("the screen kept as it is") << "file" << QByteArray("[Screen]\nChangeScreen=0\n")
                                              << settings(true, true, true, "", 100, 100, 100, 100, true, false);
    QTest::newRow("a broken line among good ones")
        << "file" << QByteArray("[Vpeed=100\n\n[Voice]\nLanguage = pt-BR \r\n[Volume\n[Volume]\nMusic=40\n")
        << settings(true, true, true, "pt-BR", 100, 100, 100, 40);
    QTest::newRow("list in place of a value")
        << "file" << QByteArray("[Voice]\nLanguage=en,fr\nSpeed=60,70\n") << defaults;
    QTest::newRow("too big to be ours")
        << "file" << QByteArray("[Volume]\nMusic=0\n") + QByteArray(70 * 1024, '\n') << defaults;
    QTest::newRow("fifo") << "fifo" << QByteArray() << defaults;
    QTest::newRow("folder") << "folder" << QByteArray() << defaults;
}

// A missing, broken or odd file gives the defaults of what it could not give, and no message;
// a FIFO is never waited on.
void TestParents::readsWhatItCan()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, text);
    QFETCH(ParentSettings, expected);
    test::ProgramFolderCopy folder;
    const auto messages = test::installMessageRecorder();
    const auto unhook = qScopeGuard([] { setMessageHook({}); });
    if (kind == QLatin1String("file"))
        folder.write(IniFile, text);
    else
        putInPlace(folder, kind);
    store().apply(settings(false, false, false, "de", 70, 1, 2, 3));
    store().load();
    QVERIFY(store().current() == expected);
    QVERIFY(messages->isEmpty());
    QCOMPARE(isFifo(folder.file(IniFile)), kind == QLatin1String("fifo"));
}

void TestParents::refusesToWrite_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("folder") << "folder";
}

// Nothing of ours replaces a FIFO or a folder; the settings hold for the run all the same.
void TestParents::refusesToWrite()
{
    QFETCH(QString, kind);
    test::ProgramFolderCopy folder;
    putInPlace(folder, kind);
    const ParentSettings chosen = settings(false, true, false, "fr", 150, 10, 20, 30);
    QVERIFY(!store().save(chosen));
    QVERIFY(store().current() == chosen);
    QCOMPARE(isFifo(folder.file(IniFile)), kind == QLatin1String("fifo"));
    QCOMPARE(QFileInfo(folder.file(IniFile)).isDir(), kind == QLatin1String("folder"));
}

void TestParents::readOnlyDataFolder()
{
    if (geteuid() != 0)
        QSKIP("a read-only mount needs root");
    test::ProgramFolderCopy folder;
    folder.write(IniFile, DefaultText);
    const QString data = folder.file(QStringLiteral("Data"));
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), data, data}) != 0)
        QSKIP("this machine does not let the test mount a file system");
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), data}); });
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), data}),
             0);
    const ParentSettings chosen = settings(true, true, false, "en", 120, 50, 60, 0);
    QVERIFY(!store().save(chosen));
    QVERIFY(store().current() == chosen);
    QCOMPARE(folder.bytes(IniFile), DefaultText);
}

void TestParents::question_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 77u, 4096u})
        QTest::addRow("seed %u", seed) << seed;
}

// Two two-digit numbers, a new sum each time; only their sum opens.
void TestParents::question()
{
    QFETCH(quint32, seed);
    AdultQuestion q(seed);
    for (int round = 0; round < 200; ++round) {
        QVERIFY(q.left() >= 10 && q.left() <= 99);
        QVERIFY(q.right() >= 10 && q.right() <= 99);
        QCOMPARE(q.text(), QStringLiteral("What is %1 + %2?").arg(q.left()).arg(q.right()));
        const int sum = q.left() + q.right();
        QVERIFY(q.isAnswer(QStringLiteral(" %1 ").arg(sum)));
        QVERIFY(!q.isAnswer(QString::number(sum - 1)));
        QVERIFY(!q.isAnswer(QString()));
        const auto before = std::pair(q.left(), q.right());
        q.next();
        QVERIFY(std::pair(q.left(), q.right()) != before);
    }
}

// Enter with nothing typed is no answer: the same question stays, and no wrong answer is said.
void TestParents::emptyAnswer()
{
    AdultGate gate(nullptr, 77, AdultGate::ToOpenTheCorner);
    gate.show();
    const QString asked = gate.questionLabel->text();
    QTest::keyClick(gate.answerField, Qt::Key_Return);
    QCOMPARE(gate.questionLabel->text(), asked);
    QCOMPARE(gate.hintLabel->text(), QString());
    QVERIFY(gate.isVisible());
    QCOMPARE(gate.result(), 0);
    // A right answer after it still opens.
    gate.answerField->setText(answerFor(gate.question(), QStringLiteral("right")));
    QTest::keyClick(gate.answerField, Qt::Key_Return);
    QCOMPARE(gate.result(), int(QDialog::Accepted));
}

void TestParents::door_data()
{
    QTest::addColumn<QStringList>("answers");  // "right", "wrong", "cancel", "escape"
    QTest::addColumn<bool>("opens");
    QTest::newRow("right") << QStringList{"right"} << true;
    QTest::newRow("wrong, then right") << QStringList{"wrong", "wrong", "right"} << true;
    QTest::newRow("cancel") << QStringList{"cancel"} << false;
    QTest::newRow("wrong, then cancel") << QStringList{"wrong", "cancel"} << false;
    QTest::newRow("escape") << QStringList{"escape"} << false;
}

// "Parents..." asks the grown-ups' question; only the right answer opens the corner, above the
// options dialog.
void TestParents::door()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, opens);
    test::Windows w;
    QStringList problems;
    int cornersOpened = 0;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *corner = qobject_cast<ParentsCorner *>(modal)) {
            ++cornersOpened;
            if (corner->parentWidget() != w.dialog.get() || !(corner->windowFlags() & Qt::WindowStaysOnTopHint))
                problems << QStringLiteral("the corner is not kept above the options dialog");
            corner->closeButton->click();
            return;
        }
        auto *gate = qobject_cast<AdultGate *>(modal);
        if (!gate || answers.isEmpty())
            return;
        if (gate->windowTitle() != QLatin1String("For grown-ups") || !(gate->windowFlags() & Qt::WindowStaysOnTopHint))
            problems << QStringLiteral("the question's box");
        const QString answer = answers.takeFirst();
        const QString asked = gate->questionLabel->text();
        if (asked != gate->question().text())
            problems << QStringLiteral("shows %1").arg(asked);
        answerGate(gate, answer);
        if (answer == QLatin1String("wrong")
            && (!gate->isVisible() || gate->questionLabel->text() == asked
                || gate->hintLabel->text() != QLatin1String(AdultGate::WrongAnswer)
                || !gate->answerField->text().isEmpty()))
            problems << QStringLiteral("a wrong answer does not ask anew");
    });
    poll.start();
    QTest::mouseClick(w.dialog->TombolParents, Qt::LeftButton);
    poll.stop();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QVERIFY(answers.isEmpty());
    QCOMPARE(cornersOpened, opens ? 1 : 0);
    QVERIFY(w.dialog->isVisible());
    QVERIFY(w.messages->isEmpty());
}

void TestParents::voicePageSaves_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<ParentSettings>("expected");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("words") << "words" << settings(false, true, true, "", 100, 100, 100, 100)
                           << QByteArray("SpeakWords=false\n");
    QTest::newRow("letters") << "letters" << settings(true, false, true, "", 100, 100, 100, 100)
                             << QByteArray("SpeakLetters=false\n");
    QTest::newRow("praise") << "praise" << settings(true, true, false, "", 100, 100, 100, 100)
                            << QByteArray("Praise=false\n");
    QTest::newRow("speed") << "speed" << settings(true, true, true, "", 110, 100, 100, 100)
                           << QByteArray("Speed=110\n");
    QTest::newRow("voice") << "voice" << settings(true, true, true, "", 100, 90, 100, 100)
                           << QByteArray("Voice=90\n");
    QTest::newRow("effects") << "effects" << settings(true, true, true, "", 100, 100, 90, 100)
                             << QByteArray("Effects=90\n");
    QTest::newRow("music") << "music" << settings(true, true, true, "", 100, 100, 100, 90)
                           << QByteArray("Music=90\n");
    QTest::newRow("language") << "language" << settings(true, true, true, "fr", 100, 100, 100, 100)
                              << QByteArray("Language=fr\n");
}

// What the page shows is what the store holds and the file says, at once; a failed save is one
// quiet line on the page.
void TestParents::voicePageSaves()
{
    QFETCH(QString, control);
    QFETCH(ParentSettings, expected);
    QFETCH(QByteArray, line);
    test::ProgramFolderCopy folder;
    const VoicePage::LanguageSource two{
        [] { return QList<Voice::Language>{{"en", "English"}, {"fr", "français"}}; }, [] { return QString("en"); }};
    VoicePage page(two);
    page.show();
    QCOMPARE(page.language->currentText(), QStringLiteral("English"));
    QSignalSpy changed(&store(), &ParentSettingsStore::changed);
    // Keys, as a parent would use them: Space on a box, Page Down on a slider (one step of 10).
    const QMap<QString, QWidget *> controls = {
        {"words", page.speakWords}, {"letters", page.speakLetters}, {"praise", page.praise},
        {"speed", page.speed},      {"voice", page.voiceVolume},   {"effects", page.effectsVolume},
        {"music", page.musicVolume}, {"language", page.language}};
    QWidget *target = controls.value(control);
    QVERIFY(target);
    target->setFocus();
    if (control == QLatin1String("language"))
        QTest::keyClick(target, Qt::Key_Down);
    else if (qobject_cast<QSlider *>(target))
        QTest::keyClick(target, control == QLatin1String("speed") ? Qt::Key_PageUp : Qt::Key_PageDown);
    else
        QTest::keyClick(target, Qt::Key_Space);
    QVERIFY(store().current() == expected);
    QVERIFY(page.shown() == expected);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(folder.bytes(IniFile), ParentSettingsStore::format(expected));
    QVERIFY(folder.bytes(IniFile).contains(line));
    QVERIFY(page.saveProblem->text().isEmpty());

    // The same change where the file cannot be written: held for the run, said quietly.
    folder.remove(IniFile);
    putInPlace(folder, QStringLiteral("folder"));
    page.tryButton->click();
    QCOMPARE(page.saveProblem->text(), QLatin1String(VoicePage::NotSaved));
    QVERIFY(store().current() == expected);
}

// "Show the countdown" and "Change the screen to 800 x 600" are saved at once, and the Voice page's next
// save keeps them.
void TestParents::screenPageSaves()
{
    test::ProgramFolderCopy folder;
    ScreenPage page;
    page.show();
    QVERIFY(page.showCountdown->isChecked());
    QCOMPARE(page.showCountdown->text(), QStringLiteral("Show the countdown"));
    page.showCountdown->setFocus();
    QTest::keyClick(page.showCountdown, Qt::Key_Space);
    QVERIFY(!store().current().showCountdown);
    QVERIFY(folder.bytes(IniFile).endsWith("[Screen]\nShowCountdown=false\nChangeScreen=true\nKeepInGame=false\n"));
    // "Change the screen to 800 x 600": on unless the parents turn it off, read at the next start.
    QVERIFY(page.changeScreen->isChecked());
    QCOMPARE(page.changeScreen->text(), QStringLiteral("Change the screen to 800 x 600"));
    const auto *note = page.findChild<QLabel *>(QStringLiteral("changeScreenNote"));
    QVERIFY(note && note->isVisible());
    QCOMPARE(note->text(), QStringLiteral("Takes effect the next time the game starts."));
    page.changeScreen->click();
    QVERIFY(!store().current().changeScreen);
    QVERIFY(folder.bytes(IniFile).endsWith("[Screen]\nShowCountdown=false\nChangeScreen=false\nKeepInGame=false\n"));
    page.changeScreen->click();

    VoicePage voice({[] { return QList<Voice::Language>{{"en", "English"}}; }, [] { return QString("en"); }});
    voice.praise->click();
    QCOMPARE(folder.bytes(IniFile), ParentSettingsStore::format(settings(true, true, false, "", 100, 100, 100, 100, false)));

    folder.remove(IniFile);
    putInPlace(folder, QStringLiteral("folder"));
    page.showCountdown->click();
    QCOMPARE(page.saveProblem->text(), QLatin1String(VoicePage::NotSaved));
    QVERIFY(store().current().showCountdown);
}

void TestParents::keptInTheGame_data()
{
    QTest::addColumn<bool>("keep");       // "Keep my child in the game" ticked on the Screen page
    QTest::addColumn<QString>("action");  // "exit": the Exit picture; "close": a close Exit did not ask for
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("ends");
    QTest::newRow("off, Exit") << false << "exit" << QStringList{} << true;
    QTest::newRow("off, close") << false << "close" << QStringList{} << true;
    QTest::newRow("on, close") << true << "close" << QStringList{} << false;
    QTest::newRow("on, Exit, right") << true << "exit" << QStringList{"right"} << true;
    QTest::newRow("on, Exit, wrong, right") << true << "exit" << QStringList{"wrong", "right"} << true;
    QTest::newRow("on, Exit, wrong, cancel") << true << "exit" << QStringList{"wrong", "cancel"} << false;
    QTest::newRow("on, Exit, escape") << true << "exit" << QStringList{"escape"} << false;
}

// Kept in the game, the window manager's close does nothing and Exit asks the grown-ups'
// question: the right answer ends the program as Exit always did, anything else leaves the game
// as it was. Off, both end the program at once.
void TestParents::keptInTheGame()
{
    QFETCH(bool, keep);
    QFETCH(QString, action);
    QFETCH(QStringList, answers);
    QFETCH(bool, ends);
    constexpr int Stayed = 99, Hung = 98;
    test::Windows w;
    ScreenPage page;
    QCOMPARE(page.keepInGame->text(), QStringLiteral("Keep my child in the game"));
    QVERIFY(!page.keepInGame->isChecked());
    if (keep)
        page.keepInGame->click();
    QCOMPARE(w.bytes("Data/Lettora.ini").contains("KeepInGame=true\n"), keep);

    TFormLettora &game = *w.game;
    game.show();
    game.LetterClick('C');
    game.TimerShow->setInterval(600000);
    game.TimerShow->setEnabled(true);
    const QStringList music = w.music().log;
    const qsizetype effects = w.effects->played.size();

    QStringList problems;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
        auto *gate = qobject_cast<AdultGate *>(QApplication::activeModalWidget());
        if (!gate)
            return;
        if (answers.isEmpty()) {
            problems << QStringLiteral("asked once too often");
            gate->reject();
            return;
        }
        if (gate->parentWidget() != &game)
            problems << QStringLiteral("the question is not above the game window");
        const QString answer = answers.takeFirst();
        answerGate(gate, answer);
    });
    poll.start();
    QTimer hang;
    hang.setSingleShot(true);
    connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(Hung); });
    hang.start(20000);
    QTimer::singleShot(0, &hang, [&] {
        if (action == QLatin1String("exit"))
            game.BtnExitClick();
        else
            game.close();
        // Ending, the game has asked for the end of the program itself.
        if (game.isVisible())
            QCoreApplication::exit(Stayed);
    });
    QApplication::setQuitOnLastWindowClosed(false);
    const int code = QApplication::exec();
    poll.stop();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QVERIFY(answers.isEmpty());
    QCOMPARE(code, ends ? 0 : Stayed);
    QCOMPARE(game.isVisible(), !ends);
    QCOMPARE(w.display->requests.size(), std::size_t(ends ? 2 : 1));
    // Exit stops the countdown and clicks as it always did; staying, the countdown runs on in silence.
    const bool byExit = ends && action == QLatin1String("exit");
    QCOMPARE(game.TimerShow->isEnabled(), !byExit);
    QCOMPARE(w.effects->played.mid(effects), byExit ? QStringList{QStringLiteral("./Sound/Button.wav")}
                                                    : QStringList{});
    QCOMPARE(game.row.typedWord(), QStringLiteral("C"));
    QCOMPARE(w.music().log, music);
}

// Kept in the game, Option asks the grown-ups' question before the dialog whose Clear and OK
// can empty every list; off, the dialog opens at once as it always did.
void TestParents::optionsWhenKept_data()
{
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("opens");
    QTest::newRow("off") << false << QStringList{} << true;
    QTest::newRow("on, right") << true << QStringList{"right"} << true;
    QTest::newRow("on, wrong, right") << true << QStringList{"wrong", "right"} << true;
    QTest::newRow("on, cancel") << true << QStringList{"cancel"} << false;
    QTest::newRow("on, escape") << true << QStringList{"escape"} << false;
}

void TestParents::optionsWhenKept()
{
    QFETCH(bool, keep);
    QFETCH(QStringList, answers);
    QFETCH(bool, opens);
    const int answerCount = int(answers.size());
    test::Windows w;
    ScreenPage page;
    if (keep)
        page.keepInGame->click();
    QStringList seen;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *gate = qobject_cast<AdultGate *>(modal)) {
            const auto *explanation = gate->findChild<QLabel *>(QStringLiteral("explanation"));
            seen << (explanation ? explanation->text() : QStringLiteral("a question without its explanation"));
            answerGate(gate, answers.isEmpty() ? QStringLiteral("cancel") : answers.takeFirst());
        } else if (modal == w.dialog.get()) {
            seen << QStringLiteral("options");
            w.dialog->reject();
        }
    });
    poll.start();
    w.game->BtnOptionClick();
    poll.stop();
    QVERIFY(answers.isEmpty());
    const QStringList asked(keep ? answerCount : 0, QLatin1String(AdultGate::ToOpenTheOptions));
    QCOMPARE(seen, asked + (opens ? QStringList{QStringLiteral("options")} : QStringList{}));
}

void TestParents::languageNote_data()
{
    QTest::addColumn<QStringList>("voices");  // codes that have a voice, the system's first
    QTest::addColumn<QString>("speaking");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("note");
    QTest::newRow("system's language") << QStringList{"fr", "en"} << "fr" << "" << "fr" << "";
    QTest::newRow("a chosen one") << QStringList{"fr", "en"} << "en" << "en" << "en" << "";
    QTest::newRow("chosen without a voice") << QStringList{"fr", "en"} << "" << "de" << "de"
                                            << QString::fromLatin1(VoicePage::NoVoiceSilent);
    QTest::newRow("no voice at all") << QStringList{} << "" << "" << "" << QString::fromLatin1(VoicePage::NoVoiceAtAll);
}

// The list holds the languages with a voice; where the choice has none, the page says so.
void TestParents::languageNote()
{
    QFETCH(QStringList, voices);
    QFETCH(QString, speaking);
    QFETCH(QString, chosen);
    QFETCH(QString, shown);
    QFETCH(QString, note);
    test::ProgramFolderCopy folder;
    ParentSettings s;
    s.language = chosen;
    store().apply(s);
    QList<Voice::Language> languages;
    for (const QString &code : voices)
        languages << Voice::Language{code, code};
    VoicePage page({[=] { return languages; }, [=] { return speaking; }});
    QCOMPARE(page.language->currentData().toString(), shown);
    QCOMPARE(page.language->count(), int(voices.size()) + (voices.contains(chosen) || chosen.isEmpty() ? 0 : 1));
    QCOMPARE(page.languageNote->text(), note);
    QCOMPARE(page.languageNote->isVisibleTo(&page), !note.isEmpty());
    QCOMPARE(page.shown().language, chosen);  // showing the choice changes nothing
    QVERIFY(!QFile::exists(folder.file(IniFile)));
}

namespace {
// Holds the keyboard as the window system would, saying what it was asked to do.
struct FakeGrab : KeyboardGrab
{
    std::shared_ptr<QStringList> log;
    explicit FakeGrab(std::shared_ptr<QStringList> log) : log(std::move(log)) {}
    bool grab(QWindow *window) override
    {
        *log << QStringLiteral("grab ") + window->title();
        return true;
    }
    void release(QWindow *window) override { *log << QStringLiteral("release ") + window->title(); }
};

// Another program takes the focus, as a window manager gives it away.
void anotherProgramTakesTheFocus()
{
    QWindowSystemInterface::handleWindowActivated<QWindowSystemInterface::SynchronousDelivery>(nullptr);
}
} // namespace

// With "Keep my child in the game" on, a window of the game holds the keyboard while any is shown:
// another program taking the focus does not free it, a window shown again takes it again; only
// with every window gone, or the option off, is it let go.
void TestParents::keepsTheKeyboard()
{
    const auto log = std::make_shared<QStringList>();
    KeepInGame &keep = KeepInGame::instance();
    keep.setGrab(std::make_unique<FakeGrab>(log));
    const auto restore = qScopeGuard([&keep] {
        keep.stop();
        keep.setGrab(nullptr);
    });
    QWidget game;
    game.setWindowTitle(QStringLiteral("game"));
    game.show();
    game.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&game));
    keep.start();
    QCOMPARE(keep.holder(), nullptr);  // off: nothing is held
    QVERIFY(log->isEmpty());

    ParentSettings on;
    on.keepInGame = true;
    store().apply(on);
    QTRY_COMPARE(keep.holder(), game.windowHandle());
    QCOMPARE(log->last(), QStringLiteral("grab game"));

    qsizetype asked = log->size();
    anotherProgramTakesTheFocus();
    QCOMPARE(QGuiApplication::focusWindow(), nullptr);
    QTRY_VERIFY(log->size() > asked);
    QCOMPARE(log->mid(asked), QStringList{QStringLiteral("grab game")});  // asked again, never let go
    QCOMPARE(keep.holder(), game.windowHandle());

    // A box above the game takes it, and keeps it when another program takes the focus.
    QWidget box(&game, Qt::Dialog);
    box.setWindowTitle(QStringLiteral("box"));
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QTRY_COMPARE(keep.holder(), box.windowHandle());
    asked = log->size();
    anotherProgramTakesTheFocus();
    QTRY_VERIFY(log->size() > asked);
    QCOMPARE(log->mid(asked), QStringList{QStringLiteral("grab box")});
    QCOMPARE(keep.holder(), box.windowHandle());
    // Closed, the window under it holds the keyboard.
    box.hide();
    QTRY_COMPARE(keep.holder(), game.windowHandle());
    QCOMPARE(log->last(), QStringLiteral("grab game"));

    // No window of the game shown: let go. Shown again, even without the focus: held again.
    log->clear();
    game.hide();
    QTRY_COMPARE(keep.holder(), nullptr);
    QCOMPARE(*log, QStringList{QStringLiteral("release game")});
    game.show();
    anotherProgramTakesTheFocus();
    QTRY_COMPARE(keep.holder(), game.windowHandle());
    QCOMPARE(log->last(), QStringLiteral("grab game"));

    // Off: let go at once, and not taken again when the game is active.
    store().apply(ParentSettings());
    QTRY_COMPARE(keep.holder(), nullptr);
    QCOMPARE(log->last(), QStringLiteral("release game"));
    log->clear();
    game.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&game));
    QCoreApplication::processEvents();
    QVERIFY(log->isEmpty());
}

// In the corner, at its own size, the note has the height its wrapped lines need, inside the page.
void TestParents::languageNoteWhole()
{
    test::ProgramFolderCopy folder;
    ParentSettings s;
    s.language = QStringLiteral("zz");  // a language nobody speaks
    store().apply(s);
    ParentsCorner corner;
    corner.pages->setCurrentWidget(corner.voicePage);
    corner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&corner));
    const QLabel *note = corner.voicePage->languageNote;
    // Nothing on the page asks for more room than the corner gives: a layout squeezed below its
    // minimum no longer gives a wrapped line the height it needs.
    QVERIFY2(corner.voicePage->minimumSizeHint().width() <= corner.voicePage->width(),
             qPrintable(QStringLiteral("%1 px wanted, %2 px given")
                            .arg(corner.voicePage->minimumSizeHint().width())
                            .arg(corner.voicePage->width())));
    QVERIFY(note->isVisible());
    QVERIFY(!note->text().isEmpty());
    QVERIFY2(note->height() >= note->heightForWidth(note->width()),
             qPrintable(QStringLiteral("%1 px for %2").arg(note->height()).arg(note->heightForWidth(note->width()))));
    const QRect inPage(note->mapTo(corner.voicePage, QPoint()), note->size());
    QVERIFY(corner.voicePage->rect().contains(inPage));
}

void TestParents::languageNames_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");     // as the language calls itself
    QTest::addColumn<QString>("english");  // shown where no font here has its letters
    QTest::newRow("Amharic") << "am" << QString::fromUtf8("\xe1\x8a\xa0\xe1\x88\x9b\xe1\x88\xad\xe1\x8a\x9b") << "Amharic";
    QTest::newRow("Burmese") << "my" << QString::fromUtf8("\xe1\x80\x99\xe1\x80\xbc\xe1\x80\x94\xe1\x80\xba\xe1\x80\x99\xe1\x80\xac")
                             << "Burmese";
    QTest::newRow("Cherokee") << "chr" << QString::fromUtf8("\xe1\x8f\xa3\xe1\x8e\xb3\xe1\x8e\xa9") << "Cherokee";
    QTest::newRow("Hindi") << "hi" << QString::fromUtf8("\xe0\xa4\xb9\xe0\xa4\xbf\xe0\xa4\xa8\xe0\xa5\x8d\xe0\xa4\xa6\xe0\xa5\x80")
                           << "Hindi";
    QTest::newRow("French") << "fr" << QString::fromUtf8("fran\xc3\xa7" "ais") << "French";
    QTest::newRow("Russian") << "ru" << QString::fromUtf8("\xd1\x80\xd1\x83\xd1\x81\xd1\x81\xd0\xba\xd0\xb8\xd0\xb9") << "Russian";
}

// The language list shows each name in letters a font here has: its own name, else in English;
// and drawing the list warns of nothing.
void TestParents::languageNames()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, english);
    test::ProgramFolderCopy folder;
    // Drawable: some installed font has every letter (asked of each font in turn).
    const QStringList families = QFontDatabase::families();
    const auto drawable = [&](const QString &text) {
        const QList<uint> letters = text.toUcs4();
        return std::all_of(letters.begin(), letters.end(), [&](uint c) {
            return QChar::isSpace(c) || std::any_of(families.begin(), families.end(), [c](const QString &f) {
                       return QFontMetrics(QFont(f)).inFontUcs4(c);
                   });
        });
    };
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler before = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        warnings << text;
    });
    const auto unhook = qScopeGuard([before] { qInstallMessageHandler(before); });
    VoicePage page({[=] { return QList<Voice::Language>{{QStringLiteral("en"), QStringLiteral("English")}, {code, name}}; },
                    [] { return QString("en"); }});
    page.show();
    page.language->showPopup();
    page.language->view()->grab();
    page.grab();
    page.language->hidePopup();
    // Laying out a script no font has warns: the check below does, after the page's own drawing.
    const QStringList fromThePage = warnings;
    const QString shown = page.language->itemText(1);
    QCOMPARE(page.language->itemData(1).toString(), code);
    QVERIFY2(drawable(shown), qPrintable(shown));
    QCOMPARE(shown, drawable(name) ? name : english);
    QCOMPARE(fromThePage.filter(QStringLiteral("OpenType")), QStringList());
}

QTEST_MAIN(TestParents)
#include "tst_parents.moc"
