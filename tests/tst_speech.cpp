#include "Fixtures.h"

#include "parents/ParentSettings.h"
#include "sound/AudioModule.h"
#include "sound/Effects.h"
#include "sound/module/MixerEffects.h"
#include "speech/SpeechEngine.h"
#include "speech/SpeechWorker.h"
#include "speech/SpokenText.h"
#include "speech/Voice.h"
#include "speech/VoiceOutput.h"


#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <chrono>
#include <mutex>
#include <thread>

using namespace lettora;
using namespace lettora::test;

namespace {

// A steady tone of `seconds`, 16-bit mono.
Pcm tone(double seconds, int rate = 16000)
{
    Pcm pcm;
    pcm.rate = rate;
    pcm.samples.resize(qsizetype(seconds * rate) * 2);
    auto *samples = reinterpret_cast<qint16 *>(pcm.samples.data());
    for (qsizetype i = 0; i < pcm.frames(); ++i)
        samples[i] = qint16((i % 40 < 20) ? 8000 : -8000);
    return pcm;
}

// A WAV file of `seconds` of tone, for an effect that lasts.
QByteArray wavFile(double seconds)
{
    const Pcm pcm = tone(seconds, 44100);
    QByteArray wav("RIFF");
    auto le32 = [&wav](quint32 v) { wav.append(reinterpret_cast<const char *>(&v), 4); };
    auto le16 = [&wav](quint16 v) { wav.append(reinterpret_cast<const char *>(&v), 2); };
    le32(quint32(36 + pcm.samples.size()));
    wav += "WAVEfmt ";
    le32(16), le16(1), le16(1), le32(44100), le32(88200), le16(2), le16(16);
    wav += "data";
    le32(quint32(pcm.samples.size()));
    return wav + pcm.samples;
}

qint16 peak(const Pcm &pcm)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.samples.constData());
    qint16 top = 0;
    for (qsizetype i = 0; i < pcm.frames(); ++i)
        top = std::max<qint16>(top, qint16(std::abs(samples[i])));
    return top;
}

} // namespace

class TestSpeech : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void spokenWord_data();
    void spokenWord();
    void letterNames_data();
    void letterNames();
    void lines_data();
    void lines();
    void longWordCut_data();
    void longWordCut();
    void trimSilence_data();
    void trimSilence();
    void enginesStopWhenAsked_data();
    void enginesStopWhenAsked();
    void workerAbandonsItsLineWhenItGoes();
    void language_data();
    void languageNames_data();
    void languageNames();
    void language();
    void recordedFile_data();
    void recordedFile();
    void enginesSpeak_data();
    void enginesSpeak();
    void voiceAndEffectsOnTheirOwnChannels();
    void newerRequestSupersedes();
    void nextWordMadeAhead();
    void gameVoiceCutsItsOwnLine();
    void lettersFollowEachOther();
    void recordingInsteadOfTheVoice();
    void silentWithoutVoiceOrAudio();
    void followsSettings_data();
    void followsSettings();
};

// A letter's name as the voice says it: English names for English, the letter itself elsewhere,
// either case; nothing for what is not a letter, the characters either side of A to Z included.
void TestSpeech::letterNames_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    QTest::newRow("A") << 'A' << "en" << "ay";
    QTest::newRow("a") << 'a' << "en" << "ay";
    QTest::newRow("W, two words") << 'W' << "en" << "double you";
    QTest::newRow("Z") << 'Z' << "en" << "zee";
    QTest::newRow("z, English of the US") << 'z' << "en-US" << "zee";
    QTest::newRow("French Z") << 'Z' << "fr" << "z";
    QTest::newRow("'@' before A") << '@' << "en" << "";
    QTest::newRow("'[' after Z") << '[' << "en" << "";
    QTest::newRow("'`' before a") << '`' << "en" << "";
    QTest::newRow("'{' after z") << '{' << "fr" << "";
    QTest::newRow("digit") << '7' << "en" << "";
    QTest::newRow("NUL") << '\0' << "en" << "";
}

void TestSpeech::letterNames()
{
    QFETCH(char, letter);
    QFETCH(QString, language);
    QFETCH(QString, name);
    QCOMPARE(letterName(letter, language), name);
}

void TestSpeech::spokenWord_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("word");
    QTest::newRow("extension off, lower case") << QByteArray("Cat.jpg") << "cat";
    QTest::newRow("all capitals") << QByteArray("BOAT.PNG") << "boat";
    QTest::newRow("last dot only") << QByteArray("Mr.Bean.bmp") << "mr.bean";
    QTest::newRow("no extension") << QByteArray("Ship") << "ship";
    QTest::newRow("non-ASCII kept") << QByteArray("\xc3\x89" "clair.jpg") << QString::fromUtf8("\xc3\x89" "clair");
    QTest::newRow("no word") << QByteArray(".jpg") << "";
}

void TestSpeech::spokenWord()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, word);
    QCOMPARE(lettora::spokenWord(name), word);
}

void TestSpeech::lines_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("text");
    QTest::newRow("letter in English") << int(Line::Letter) << "B" << "en" << "bee";
    QTest::newRow("W in English") << int(Line::Letter) << "w" << "en" << "double you";
    QTest::newRow("letter elsewhere") << int(Line::Letter) << "B" << "sv" << "b";
    QTest::newRow("not a letter") << int(Line::Letter) << "1" << "en" << "";
    QTest::newRow("word") << int(Line::Word) << "cat" << "fr" << "cat";
    QTest::newRow("right") << int(Line::Right) << "cat" << "en" << "Yes! cat!";
    QTest::newRow("right, regional") << int(Line::Right) << "chat" << "fr-BE" << QString::fromUtf8("Oui ! chat !");
    QTest::newRow("right without lines") << int(Line::Right) << "katt" << "sv" << "katt";
    QTest::newRow("wrong") << int(Line::Wrong) << "" << "en" << "Try again";
    QTest::newRow("wrong without lines") << int(Line::Wrong) << "" << "sv" << "";
    QTest::newRow("win without lines") << int(Line::Win) << "" << "sv" << "";
    QTest::newRow("lose") << int(Line::Lose) << "" << "de" << "Oh nein! Noch einmal?";
    QTest::newRow("try without lines") << int(Line::Try) << "" << "sv" << "a, b, c";
    QTest::newRow("try") << int(Line::Try) << "" << "en" << "cat";
}

void TestSpeech::lines()
{
    QFETCH(int, line);
    QFETCH(QString, argument);
    QFETCH(QString, language);
    QFETCH(QString, text);
    QCOMPARE(lineText(Line(line), argument, language), text);
}

void TestSpeech::longWordCut_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("text");
    const QString twenty(20, QLatin1Char('a'));
    QTest::newRow("empty") << int(Line::Word) << "" << "";
    QTest::newRow("as long as the row") << int(Line::Word) << twenty << twenty;
    QTest::newRow("one past the row") << int(Line::Word) << twenty + "b" << twenty;
    QTest::newRow("ten thousand letters") << int(Line::Word) << QString(10000, QLatin1Char('z'))
                                          << QString(20, QLatin1Char('z'));
    QTest::newRow("never half a character") << int(Line::Word) << QString(19, QLatin1Char('a')) + "\U0001F431"
                                            << QString(19, QLatin1Char('a'));
    QTest::newRow("praise, ten thousand letters") << int(Line::Right) << QString(10000, QLatin1Char('z'))
                                                  << "Yes! " + QString(20, QLatin1Char('z')) + "!";
}

// A word longer than the answer row cannot be spelled: no more of it is said.
void TestSpeech::longWordCut()
{
    QFETCH(int, line);
    QFETCH(QString, word);
    QFETCH(QString, text);
    QCOMPARE(lineText(Line(line), word, QStringLiteral("en")), text);
}

void TestSpeech::trimSilence_data()
{
    QTest::addColumn<QList<int>>("samples");
    QTest::addColumn<QList<int>>("kept");  // threshold 100, 2 frames kept beside the sound
    QTest::newRow("empty") << QList<int>{} << QList<int>{};
    QTest::newRow("all silence") << QList<int>{0, 5, -99, 99, 0, -1} << QList<int>{};
    QTest::newRow("silence at both ends") << QList<int>{0, 0, 1, -2, 3, 100, -500, 7, -100, 4, 5, 6, 0, 0}
                                          << QList<int>{-2, 3, 100, -500, 7, -100, 4, 5};
    QTest::newRow("no silence") << QList<int>{300, -300, 0, 0, 0, 0, 0, 200} << QList<int>{300, -300, 0, 0, 0, 0, 0, 200};
    QTest::newRow("loudest sample first") << QList<int>{-32768, 0, 0, 0, 0} << QList<int>{-32768, 0, 0};
    QTest::newRow("one loud sample last") << QList<int>{0, 0, 0, 0, 32767} << QList<int>{0, 0, 32767};
    QTest::newRow("one loud sample alone") << QList<int>{0, 0, 0, 0, 101, 0, 0, 0, 0} << QList<int>{0, 0, 101, 0, 0};
}

void TestSpeech::trimSilence()
{
    QFETCH(QList<int>, samples);
    QFETCH(QList<int>, kept);
    auto bytes = [](const QList<int> &values) {
        QByteArray out;
        for (int v : values) {
            const qint16 sample = qint16(v);
            out.append(reinterpret_cast<const char *>(&sample), 2);
        }
        return out;
    };
    QCOMPARE(lettora::trimSilence(bytes(samples), 100, 2), bytes(kept));
}

void TestSpeech::enginesStopWhenAsked_data()
{
    QTest::addColumn<bool>("flite");
    QTest::addColumn<QString>("language");
    QTest::newRow("Flite") << true << "en";
    QTest::newRow("eSpeak NG") << false << "fr";
}

// Asked to stop in the middle of a long line, an engine gives up at once: it asks no more and
// makes nothing.
void TestSpeech::enginesStopWhenAsked()
{
    QFETCH(bool, flite);
    QFETCH(QString, language);
    std::unique_ptr<SpeechEngine> engine = flite ? loadFlite() : loadEspeak();
    QVERIFY(engine);
    const QString text = QStringLiteral("elephant, giraffe and umbrella. ").repeated(40);
    QStringList events;
    int asked = 0;
    Pcm pcm;
    const bool made = engine->synthesize(text, language, 100, pcm, [&] {
        // Some speech is made before the stop comes.
        if (++asked < 3)
            return false;
        events << (events.isEmpty() ? QStringLiteral("stop") : QStringLiteral("asked again"));
        return true;
    });
    events << QStringLiteral("returned");
    QCOMPARE(events, (QStringList{QStringLiteral("stop"), QStringLiteral("returned")}));
    QVERIFY(!made);
    // The same engine speaks whole lines again afterwards.
    QVERIFY(engine->synthesize(QStringLiteral("cat"), language, 100, pcm, [] { return false; }));
    QVERIFY(pcm.frames() > 0);
}

// Exit does not wait for a line to be made: the worker's end abandons it.
void TestSpeech::workerAbandonsItsLineWhenItGoes()
{
    QStringList events;
    std::mutex eventsMutex;
    auto note = [&](const QString &event) {
        std::lock_guard lock(eventsMutex);
        events << event;
    };
    QSemaphore started;
    QObject context;
    {
        SpeechWorker<QString, QString> worker(
            [&](const QString &text, const std::function<bool()> &stopped) {
                note(QStringLiteral("making"));
                started.release();
                // A synthesis that asks now and then, for at most a minute.
                for (int i = 0; i < 60000; ++i) {
                    if (stopped()) {
                        note(QStringLiteral("abandoned"));
                        return QString();
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                note(QStringLiteral("made whole"));
                return text;
            },
            &context, [&](QString) { note(QStringLiteral("played")); });
        worker.submit(QStringLiteral("a very long line"));
        QVERIFY(started.tryAcquire(1, 10000));
    }
    note(QStringLiteral("worker gone"));
    QCoreApplication::processEvents();
    QCOMPARE(events, (QStringList{QStringLiteral("making"), QStringLiteral("abandoned"), QStringLiteral("worker gone")}));
}

void TestSpeech::language_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("speaking");
    const QStringList codes{"en", "fr", "pt", "pt-BR"};
    QTest::newRow("chosen") << codes << "fr" << "en_US.UTF-8" << "fr";
    QTest::newRow("chosen region") << codes << "pt-br" << "en" << "pt-BR";
    QTest::newRow("region falls to language") << codes << "fr_CA" << "en" << "fr";
    QTest::newRow("system") << codes << "" << "pt_PT.UTF-8" << "pt";
    QTest::newRow("no system voice: English") << codes << "" << "sv_SE.UTF-8" << "en";
    QTest::newRow("chosen without a voice: silent") << codes << "xx" << "fr" << "";
    QTest::newRow("chosen without a voice, no English either") << QStringList{"de", "fr"} << "sv" << "C" << "";
    QTest::newRow("no English: the first") << QStringList{"de", "fr"} << "" << "C" << "de";
    QTest::newRow("no voice at all") << QStringList() << "fr" << "fr" << "";
}

void TestSpeech::language()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, chosen);
    QFETCH(QString, system);
    QFETCH(QString, speaking);
    QCOMPARE(chooseLanguage(codes, chosen, system), speaking);
}

void TestSpeech::languageNames_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    const QString dash = QStringLiteral(" \u2014 ");
    QTest::newRow("language alone") << "en" << "English";
    QTest::newRow("region") << "en-gb" << "English (United Kingdom)";
    QTest::newRow("variant") << "en-gb-scotland" << "English (United Kingdom, scotland)";
    QTest::newRow("own name") << "fr" << "French" + dash + "fran\u00e7ais";
    QTest::newRow("own name and region") << "pt-br" << "Portuguese (Brazil)" + dash + "portugu\u00eas (Brasil)";
    QTest::newRow("private variant") << "vi-vn-x-central" << "Vietnamese (Vietnam, central)" + dash + "Ti\u1ebfng Vi\u1ec7t (Vi\u1ec7t Nam)";
    QTest::newRow("no own name known") << "an" << "Aragonese";
    QTest::newRow("Mandarin") << "cmn" << "Chinese (Mandarin)";
    QTest::newRow("unknown code") << "bpy" << "bpy";
}

void TestSpeech::languageNames()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QCOMPARE(languageDisplayName(code), name);
}

void TestSpeech::recordedFile_data()
{
    QTest::addColumn<QStringList>("files");  // "fifo:" a FIFO, "dir:" a folder
    QTest::addColumn<QString>("chosen");
    QTest::newRow("none") << QStringList{"cat.jpg"} << "";
    QTest::newRow("wav") << QStringList{"cat.jpg", "cat.wav"} << "cat.wav";
    QTest::newRow("extension in capitals") << QStringList{"cat.jpg", "cat.MP3"} << "cat.MP3";
    QTest::newRow("wav before ogg before mp3") << QStringList{"cat.jpg", "cat.mp3", "cat.ogg"} << "cat.ogg";
    QTest::newRow("another base name") << QStringList{"cat.jpg", "Cat.wav", "cats.wav"} << "";
    QTest::newRow("another sound type") << QStringList{"cat.jpg", "cat.flac"} << "";
    QTest::newRow("FIFO passed over") << QStringList{"cat.jpg", "fifo:cat.wav", "cat.mp3"} << "cat.mp3";
    QTest::newRow("folder passed over") << QStringList{"cat.jpg", "dir:cat.ogg"} << "";
    QTest::newRow("wildcards in the name") << QStringList{"[c]at*.jpg", "[c]at*.wav"} << "[c]at*.wav";
}

void TestSpeech::recordedFile()
{
    QFETCH(QStringList, files);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    for (const QString &entry : files) {
        const QString name = entry.section(QLatin1Char(':'), -1);
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        if (entry.startsWith(QLatin1String("fifo:")))
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else if (entry.startsWith(QLatin1String("dir:")))
            QVERIFY(QDir(dir.path()).mkdir(name));
        else {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    const QByteArray picture = QFile::encodeName(dir.filePath(files.first()));
    QCOMPARE(recordedWordFile(picture), chosen.isEmpty() ? QByteArray() : QFile::encodeName(dir.filePath(chosen)));
}

void TestSpeech::enginesSpeak_data()
{
    QTest::addColumn<bool>("flite");
    QTest::addColumn<QString>("language");
    QTest::newRow("Flite, English") << true << "en";
    QTest::newRow("eSpeak NG, French") << false << "fr";
    QTest::newRow("eSpeak NG, German") << false << "de";
}

void TestSpeech::enginesSpeak()
{
    QFETCH(bool, flite);
    QFETCH(QString, language);
    std::unique_ptr<SpeechEngine> engine = flite ? loadFlite() : loadEspeak();
    QVERIFY(engine);
    QVERIFY(engine->languages().contains(language));
    Pcm normal, slow;
    QVERIFY(engine->synthesize(QStringLiteral("elephant"), language, 100, normal));
    QVERIFY(engine->synthesize(QStringLiteral("elephant"), language, 50, slow));
    // A word is audible and lasts a while; half the speed takes longer.
    QVERIFY(normal.rate >= 8000);
    QVERIFY(normal.frames() > normal.rate / 5);
    QVERIFY(peak(normal) > 2000);
    QVERIFY(slow.frames() > normal.frames() * 5 / 4);
    // A missing library gives no engine, not a crash.
    QVERIFY(!(flite ? loadFlite("/nonexistent") : loadEspeak("/nonexistent")));
}

void TestSpeech::voiceAndEffectsOnTheirOwnChannels()
{
    QTemporaryDir dir;
    const QString effect = dir.filePath(QStringLiteral("long.wav"));
    {
        QFile file(effect);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(wavFile(30));
    }
    MixerEffectPlayer effects("null");
    QVERIFY(effects.isOpen());
    VoiceOutput voice;
    auto first = std::make_shared<VoiceClip>(toMixerFormat(tone(30)));
    auto second = std::make_shared<VoiceClip>(toMixerFormat(tone(30)));
    QVERIFY(first->chunk() && second->chunk());

    // An effect during speech leaves the voice sounding, and the reverse.
    QVERIFY(voice.play(first));
    effects.play(effect);
    QVERIFY(effects.isSounding());
    QCOMPARE(voice.sounding(), first->chunk());
    effects.play(effect);
    QCOMPARE(voice.sounding(), first->chunk());
    // A new line cuts the old one off; the effect goes on.
    QVERIFY(voice.play(second));
    QCOMPARE(voice.sounding(), second->chunk());
    QCOMPARE(effects.sounding(), effects.cached(effect));
    QCOMPARE(mixer::sounding(EffectsChannel), effects.cached(effect));
    voice.halt();
    QVERIFY(!voice.isSounding());
    QVERIFY(effects.isSounding());
}

void TestSpeech::newerRequestSupersedes()
{
    QSemaphore entered, release;
    QStringList made, played;
    std::mutex madeMutex;
    QObject context;
    {
        SpeechWorker<QString, QString> worker(
            [&](const QString &text, const std::function<bool()> &) {
                {
                    std::lock_guard lock(madeMutex);
                    made.append(text);
                }
                entered.release();
                release.acquire();
                return text;
            },
            &context, [&](QString text) { played.append(text); });
        worker.submit(QStringLiteral("one"));
        QVERIFY(entered.tryAcquire(1, 10000));  // "one" is being made
        worker.submit(QStringLiteral("two"));
        worker.submit(QStringLiteral("three"));  // takes the waiting "two"'s place
        release.release(2);
        QVERIFY(entered.tryAcquire(1, 10000));
        QTRY_COMPARE_WITH_TIMEOUT(played, QStringList{QStringLiteral("three")}, 10000);
        // "one", made after newer requests came, was never played; "two" was never made.
        std::lock_guard lock(madeMutex);
        QCOMPARE(made, (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    }
}

// The next picture's word and the praise for this one are made while the child spells, and kept.
void TestSpeech::nextWordMadeAhead()
{
    test::ProgramFolderCopy folder;
    setEffectPlayer(makeModuleEffectPlayer("null"));
    Voice &voice = Voice::instance();
    voice.setLibraryDir({});
    QStringList said;
    voice.setLineLog([&said](const QStringList &parts) { said.append(parts.join(QLatin1Char(','))); });
    voice.sayPictureWord("Cat.jpg", {});
    voice.preparePictureWord("Dog.png");
    const QStringList ahead{"Yes! cat!\nen\n100", "cat\nen\n100", "dog\nen\n100"};
    auto sorted = [](QStringList list) {
        list.sort();
        return list;
    };
    QTRY_COMPARE_WITH_TIMEOUT(sorted(voice.preparedLines()), ahead, 10000);
    // The words of many pictures to come keep no more than a few lines.
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg", "g.jpg", "h.jpg"}) {
        voice.preparePictureWord(name);
        QTRY_VERIFY_WITH_TIMEOUT(voice.preparedLines().last().startsWith(QLatin1Char(name[0])), 10000);
    }
    QCOMPARE(voice.preparedLines().size(), 6);
    voice.setLineLog(nullptr);
    voice.stop();
    setEffectPlayer(nullptr);
    QCOMPARE(said, QStringList{QStringLiteral("word:cat")});
}

void TestSpeech::gameVoiceCutsItsOwnLine()
{
    setEffectPlayer(makeModuleEffectPlayer("null"));
    Voice &voice = Voice::instance();
    voice.setLibraryDir({});
    QCOMPARE(voice.speakingLanguage(), QStringLiteral("en"));
    voice.sayPictureWord("Elephant.jpg", {});
    QTRY_VERIFY_WITH_TIMEOUT(mixer::sounding(VoiceChannel), 10000);
    const MixerChunk *word = mixer::sounding(VoiceChannel);
    PlayEffect(QStringLiteral("./Sound/Click.wav"));
    // The letter's name replaces the word at once; nothing is queued behind it.
    voice.sayLetter('b');
    QTRY_VERIFY_WITH_TIMEOUT(mixer::sounding(VoiceChannel) && mixer::sounding(VoiceChannel) != word, 10000);
    QVERIFY(mixer::sounding(EffectsChannel));
    voice.stop();
    QVERIFY(!mixer::sounding(VoiceChannel));
    setEffectPlayer(nullptr);
}

// Letters typed faster than their names are said: each name is said whole, in the order typed;
// a word cuts them all.
void TestSpeech::lettersFollowEachOther()
{
    test::ProgramFolderCopy folder;
    setEffectPlayer(makeModuleEffectPlayer("null"));
    Voice &voice = Voice::instance();
    voice.setLibraryDir({});
    QStringList played;
    voice.setPlayLog([&played](const QString &line) { played.append(line); });
    voice.sayLetter('W');  // "double you", the longest name
    QTRY_COMPARE_WITH_TIMEOUT(played, QStringList{"play letter:W"}, 10000);
    voice.sayLetter('B');
    QTRY_COMPARE_WITH_TIMEOUT(played.size(), 2, 10000);
    voice.sayLetter('C');
    QTRY_COMPARE_WITH_TIMEOUT(played.size(), 3, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(played,
                              (QStringList{"play letter:W", "wait letter:B", "wait letter:C", "play letter:B",
                                           "play letter:C"}),
                              10000);
    // The picture's word does not wait behind letters.
    QTRY_VERIFY_WITH_TIMEOUT(!mixer::sounding(VoiceChannel), 10000);
    played.clear();
    voice.sayLetter('W');
    QTRY_COMPARE_WITH_TIMEOUT(played, QStringList{"play letter:W"}, 10000);
    voice.sayLetter('B');
    QTRY_COMPARE_WITH_TIMEOUT(played.size(), 2, 10000);
    voice.repeatPictureWord();
    voice.sayPictureWord("Cat.jpg", {});
    QTRY_COMPARE_WITH_TIMEOUT(played, (QStringList{"play letter:W", "wait letter:B", "play word:cat"}), 10000);
    // The letter that waited is not said after the word.
    QTRY_VERIFY_WITH_TIMEOUT(!mixer::sounding(VoiceChannel), 10000);
    QTest::qWait(100);
    QCOMPARE(played.size(), 3);
    voice.setPlayLog(nullptr);
    voice.stop();
    setEffectPlayer(nullptr);
}

void TestSpeech::recordingInsteadOfTheVoice()
{
    QTemporaryDir dir;
    {
        QFile picture(dir.filePath(QStringLiteral("cat.jpg")));
        QFile recording(dir.filePath(QStringLiteral("cat.WAV")));
        QVERIFY(picture.open(QIODevice::WriteOnly) && recording.open(QIODevice::WriteOnly));
        recording.write(wavFile(4));
    }
    setEffectPlayer(makeModuleEffectPlayer("null"));
    mixer::Format format;
    QVERIFY(mixer::format(format));
    Voice &voice = Voice::instance();
    voice.setLibraryDir({});
    voice.sayPictureWord("cat.jpg", QFile::encodeName(dir.filePath(QStringLiteral("cat.jpg"))));
    QTRY_VERIFY_WITH_TIMEOUT(mixer::sounding(VoiceChannel), 10000);
    // The parent's 4-second recording, not the synthetic word (under a second).
    const double seconds = double(mixer::sounding(VoiceChannel)->samples.size()) / (format.rate * format.frameBytes());
    QVERIFY2(seconds > 3.9 && seconds < 4.1, qPrintable(QString::number(seconds)));
    voice.stop();
    setEffectPlayer(nullptr);
}

void TestSpeech::silentWithoutVoiceOrAudio()
{
    auto messages = installMessageRecorder();
    Voice &voice = Voice::instance();
    // No engine at all: no languages, silence.
    setEffectPlayer(makeModuleEffectPlayer("null"));
    voice.setLibraryDir("/nonexistent");
    QVERIFY(voice.languages().isEmpty());
    QCOMPARE(voice.speakingLanguage(), QString());
    voice.sayPictureWord("Cat.jpg", {});
    voice.sayLetter('c');
    voice.sayTry();
    QTest::qWait(300);
    QVERIFY(!mixer::sounding(VoiceChannel));
    // No audio: the voice is made and dropped.
    setEffectPlayer(nullptr);
    voice.setLibraryDir({});
    QVERIFY(!voice.languages().isEmpty());
    voice.sayPictureWord("Cat.jpg", {});
    voice.repeatPictureWord();
    voice.sayWin();
    QTest::qWait(300);
    QVERIFY(messages->isEmpty());
}

void TestSpeech::followsSettings_data()
{
    QTest::addColumn<QString>("off");  // the switch turned off
    QTest::addColumn<QString>("lines");
    const QString all = QStringLiteral("word:cat | letter:B | right:cat | wrong | win | try");
    QTest::newRow("all on") << "" << all;
    QTest::newRow("no words") << "speakWords" << "letter:B | right:cat | wrong | win | try";
    QTest::newRow("no letters") << "speakLetters" << "word:cat | right:cat | wrong | win | try";
    QTest::newRow("no praise") << "praise" << "word:cat | letter:B | try";
}

void TestSpeech::followsSettings()
{
    QFETCH(QString, off);
    QFETCH(QString, lines);
    test::ProgramFolderCopy folder;
    setEffectPlayer(makeModuleEffectPlayer("null"));
    ParentSettings settings;
    settings.speakWords = off != QLatin1String("speakWords");
    settings.speakLetters = off != QLatin1String("speakLetters");
    settings.praise = off != QLatin1String("praise");
    settings.voiceVolume = 50;
    settings.effectsVolume = 25;
    ParentSettingsStore::instance().save(settings);
    // The volumes follow at once, each on its own channel.
    QCOMPARE(mixer::volume(VoiceChannel), MixerMaxVolume / 2);
    QCOMPARE(mixer::volume(EffectsChannel), MixerMaxVolume / 4);

    Voice &voice = Voice::instance();
    QStringList said;
    voice.setLineLog([&said](const QStringList &parts) { said.append(parts.join(QLatin1Char(','))); });
    const std::function<void()> calls[] = {
        [&] { voice.sayPictureWord("Cat.jpg", {}); }, [&] { voice.sayLetter('B'); },
        [&] { voice.sayRight(QStringLiteral("CAT")); }, [&] { voice.sayWrong(); },
        [&] { voice.sayWin(); }, [&] { voice.sayTry(); }};
    for (const auto &call : calls) {
        call();
        QCoreApplication::processEvents();
    }
    voice.setLineLog(nullptr);
    voice.stop();
    ParentSettingsStore::instance().save(ParentSettings());
    setEffectPlayer(nullptr);
    QCOMPARE(said.join(QStringLiteral(" | ")), lines);
}

QTEST_MAIN(TestSpeech)
#include "tst_speech.moc"
