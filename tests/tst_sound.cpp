#include "Fixtures.h"

#include "shell/ErrorReport.h"
#include "sound/AudioModule.h"
#include "sound/formats/Background.h"
#include "sound/MediaPlayer.h"
#include "shell/core/MidiFile.h"
#include "sound/module/MixerMusic.h"
#include "sound/module/MixerTrack.h"
#include "sound/module/MixerEffects.h"
#include "sound/module/SampleConverter.h"
#include "sound/module/SoundFile.h"
#include "speech/VoiceOutput.h"
#include "tools/artwork/TuneRender.h"

#include <gst/base/gstbasesink.h>
#include <gst/gst.h>

#include <QFile>
#include <QProcess>
#include <QDir>
#include <QFileInfo>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QScopeGuard>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <QTemporaryDir>
#include <QTest>

using namespace lettora;

// Every allocation of the program goes through here; those of a thread that counts are counted.
namespace {
thread_local bool countAllocations = false;
thread_local int allocations = 0;
} // namespace

void *operator new(std::size_t size)
{
    if (countAllocations)
        ++allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Encodes a tone of `seconds` through GStreamer into `file`.
bool encode(const QString &file, const char *encoder, double seconds)
{
    const int buffers = int(seconds * 44100 / 1024);
    const QByteArray description = QByteArrayLiteral("audiotestsrc num-buffers=") + QByteArray::number(buffers)
        + " samplesperbuffer=1024 freq=440 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! " + encoder
        + " ! filesink location=\"" + QFile::encodeName(file) + "\"";
    GError *error = nullptr;
    GstElement *pipeline = gst_parse_launch(description.constData(), &error);
    if (!pipeline || error) {
        if (error)
            g_error_free(error);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *msg = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

// A MIDI file of one track: four quarter notes at 120 beats a minute, 2 seconds.
QByteArray midiFile()
{
    QByteArray track;
    for (int key : {60, 64, 67, 72}) {
        track += QByteArray::fromHex("00");
        track += char(0x90), track += char(key), track += char(90);
        track += QByteArray::fromHex("8360");  // 480 ticks later
        track += char(0x80), track += char(key), track += char(0);
    }
    track += QByteArray::fromHex("00FF2F00");
    QByteArray file = QByteArray::fromHex("4D546864000000060000000101E0");  // MThd, format 0, 1 track, 480 ppq
    file += "MTrk";
    const quint32 size = quint32(track.size());
    file += char(size >> 24), file += char(size >> 16), file += char(size >> 8), file += char(size);
    return file + track;
}

// A MIDI file of format 1 with the given tracks (480 ticks a quarter unless `division` says).
QByteArray midiTracks(const QList<QByteArray> &tracks, const char *division = "01E0")
{
    QByteArray file = QByteArray::fromHex("4D54686400000006000100") + char(tracks.size()) + QByteArray::fromHex(division);
    for (const QByteArray &track : tracks) {
        file += "MTrk";
        const quint32 size = quint32(track.size());
        file += char(size >> 24), file += char(size >> 16), file += char(size >> 8), file += char(size);
        file += track;
    }
    return file;
}

// Music that holds the mixer's thread until it is let go, as a slow decoder would.
std::atomic<bool> musicHeld{false};
std::atomic<bool> musicLetGo{false};
bool heldMusic(std::uint8_t *, int)
{
    musicHeld = true;
    while (!musicLetGo)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return false;
}

// A track that holds the mixer's thread in its first read until it is let go, as a slow decoder
// or synthesiser would.
std::atomic<int> heldTracksAlive{0};
class HeldTrack : public MixerTrack
{
public:
    HeldTrack() { ++heldTracksAlive; }
    ~HeldTrack() override { --heldTracksAlive; }
    int rate() const override { return 44100; }
    int channels() const override { return 2; }
    qint64 length() const override { return 60000; }
    int read(std::int16_t *out, int frames) override
    {
        musicHeld = true;
        while (!musicLetGo)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::fill(out, out + frames * 2, std::int16_t(0));
        return frames;
    }
    void rewind() override {}
};

// A track that says it is 50 ms long and plays on until told to end, as a header that rounds down
// does.
std::atomic<bool> longTrackEnds{false};
class LongerThanItSays : public MixerTrack
{
public:
    int rate() const override { return 44100; }
    int channels() const override { return 2; }
    qint64 length() const override { return 50; }
    int read(std::int16_t *out, int frames) override
    {
        if (longTrackEnds)
            return 0;
        std::fill(out, out + frames * 2, std::int16_t(0));
        return frames;
    }
    void rewind() override {}
};

QString errorOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const Error &e) {
        return e.text();
    }
    return QString();
}

// The error of opening a file, raised by Open or, when the file fails while it opens in the
// background, by the first Length after that.
QString openError(MediaPlayer &player)
{
    QString error = errorOf([&] { player.Open(); });
    if (!QTest::qWaitFor([&] { return !error.isEmpty() || !(error = errorOf([&] { player.Length(); })).isEmpty(); }, 20000))
        return QString();
    return error;
}

// A sound output that holds the preroll's first buffer until it is let go, as a slow disk or
// decoder would; let go, it takes it, or fails with "The sound output failed".
std::atomic<bool> outputHolding{false};
std::atomic<int> outputLetGo{0};  // 1: takes it, 2: fails
std::atomic<bool> outputUnlocked{false};
constexpr const char *HeldOutput = "lettoraheldoutput";

GstFlowReturn heldPreroll(GstBaseSink *sink, GstBuffer *)
{
    outputHolding = true;
    while (outputLetGo == 0 && !outputUnlocked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (outputLetGo == 2) {
        GST_ELEMENT_ERROR(sink, RESOURCE, FAILED, ("The sound output failed."), (nullptr));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

void registerHeldOutput()
{
    struct Sink
    {
        GstBaseSink parent;
    };
    struct SinkClass
    {
        GstBaseSinkClass parent;
    };
    static GstStaticPadTemplate pad = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    GTypeInfo info{};
    info.class_size = sizeof(SinkClass);
    info.instance_size = sizeof(Sink);
    info.class_init = [](gpointer klass, gpointer) {
        gst_element_class_set_static_metadata(GST_ELEMENT_CLASS(klass), "Held output", "Sink/Audio",
                                              "Holds the preroll until let go", "Lettora");
        gst_element_class_add_static_pad_template(GST_ELEMENT_CLASS(klass), &pad);
        auto *base = GST_BASE_SINK_CLASS(klass);
        base->preroll = &heldPreroll;
        base->render = [](GstBaseSink *, GstBuffer *) { return GST_FLOW_OK; };
        base->unlock = [](GstBaseSink *) -> gboolean {
            outputUnlocked = true;
            return TRUE;
        };
        base->unlock_stop = [](GstBaseSink *) -> gboolean {
            outputUnlocked = false;
            return TRUE;
        };
    };
    const GType type = g_type_register_static(GST_TYPE_BASE_SINK, "LettoraHeldOutput", &info, GTypeFlags(0));
    gst_element_register(nullptr, HeldOutput, GST_RANK_NONE, type);
}

} // namespace

class TestSound : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void openFailures();
    void openInTheBackground_data();
    void openInTheBackground();
    void formats_data();
    void formats();
    void twoPlayersAtOnce();
    void mixerPlaysOneTrackAtATime();
    void midiLengths_data();
    void midiLengths();
    void midiReader_data();
    void midiReader();
    void brokenAndLongTracks();
    void effects();
    void recordings_data();
    void recordings();
    void hugeRecordings();
    void effectsOpenOnTheFirstEffect();
    void effectsDoNotWaitForTheMusic();
    void musicDoesNotWaitForItsRendering();
    void musicGoesWhileItRenders();
    void positionReachesLengthAtTheEndOnly();
    void anEffectPlayerThatGoes();
    void alsaOutputRests();
    void sampleConversion_data();
    void sampleConversion();
    void conversionAllocatesOnlyAtFirst_data();
    void conversionAllocatesOnlyAtFirst();
    void soundFontChoice_data();
    void soundFontChoice();
    void soundFontReadInTheBackground();
    void registryChoice_data();
    void registryChoice();
    void registryInPlace_data();
    void registryInPlace();
    void deliveredTunes();

private:
    QTemporaryDir m_dir;
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
};

void TestSound::initTestCase()
{
    gst_init(nullptr, nullptr);
    registerHeldOutput();
    QVERIFY(encode(file("tone.wav"), "wavenc", 1.5));
    QVERIFY(encode(file("tone.mp3"), "lamemp3enc ! xingmux", 1.5));
    QVERIFY(encode(file("bare.mp3"), "lamemp3enc", 1.5));  // no header: the length is learnt while playing
    QVERIFY(encode(file("tone.ogg"), "vorbisenc ! oggmux", 1.5));
    QVERIFY(encode(file("tone.flac"), "flacenc", 1.5));
    QFile midi(file("tune.mid"));
    QVERIFY(midi.open(QIODevice::WriteOnly));
    midi.write(midiFile());
    QFile words(file("words.mp3"));
    QVERIFY(words.open(QIODevice::WriteOnly));
    words.write(QByteArray("a list of words, not a recording of one\n").repeated(50));
}

void TestSound::openFailures()
{
    auto player = makeModuleMediaPlayer("fakesink");
    QCOMPARE(errorOf([&] { player->Play(); }), QStringLiteral("No MCI device open"));
    QCOMPARE(errorOf([&] { player->Stop(); }), QStringLiteral("No MCI device open"));
    QCOMPARE(errorOf([&] { player->Length(); }), QStringLiteral("No MCI device open"));
    QCOMPARE(player->Position(), 0);

    player->FileName = file("missing.ogg");
    QCOMPARE(errorOf([&] { player->Open(); }),
             QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(player->FileName));
    QVERIFY(!player->isOpen());

    QFile text(file("notes.mp3"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("this is not music at all\n");
    text.close();
    player->FileName = text.fileName();
    const QString error = openError(*player);
    QVERIFY2(error.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(text.fileName())) &&
                 error.size() > text.fileName().size() + 22,
             qPrintable(error));
    QVERIFY(!player->isOpen());

    // A failed Open leaves no device, also when one was open before.
    player->FileName = file("tone.wav");
    player->Open();
    QVERIFY(player->isOpen());
    player->FileName = file("missing.ogg");
    QVERIFY(!errorOf([&] { player->Open(); }).isEmpty());
    QVERIFY(!player->isOpen());
    QCOMPARE(errorOf([&] { player->Stop(); }), QStringLiteral("No MCI device open"));
}

void TestSound::openInTheBackground_data()
{
    QTest::addColumn<bool>("fails");
    QTest::newRow("opens") << false;
    QTest::newRow("fails while it opens") << true;
}

// Open does not wait for the track to preroll: until it has, the length is unknown and the position
// 0, which the music list's check takes for a track that plays on. An error found meanwhile is
// raised by the next call, with the text Open gives, and then nothing is open.
void TestSound::openInTheBackground()
{
    QFETCH(bool, fails);
    outputHolding = false;
    outputLetGo = 0;
    auto player = makeModuleMediaPlayer(HeldOutput);
    player->FileName = file("tone.mp3");
    player->Open();
    QVERIFY(player->isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(outputHolding, 20000);  // the preroll has reached the output
    QCOMPARE(player->Length(), -1);
    QCOMPARE(player->Position(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(player->Length(), -1);
    outputLetGo = fails ? 2 : 1;
    if (fails) {
        QString error;
        QVERIFY(QTest::qWaitFor([&] { return !(error = errorOf([&] { player->Length(); })).isEmpty(); }, 20000));
        QCOMPARE(error, QStringLiteral("Cannot open file \"%1\". The sound output failed").arg(player->FileName));
        QVERIFY(!player->isOpen());
        QCOMPARE(player->Position(), 0);  // reported once
        QCOMPARE(errorOf([&] { player->Play(); }), QStringLiteral("No MCI device open"));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(player->Length() > 0, 20000);
    QVERIFY2(qAbs(player->Length() - 1500) < 150, qPrintable(QString::number(player->Length())));
    player->Play();
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() > 0, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() == player->Length(), 20000);
}

void TestSound::formats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("millis");
    QTest::addColumn<bool>("mixer");  // the mixer's player, else GStreamer's
    QTest::newRow("WAV") << "tone.wav" << 1500 << false;
    QTest::newRow("MP3") << "tone.mp3" << 1500 << false;
    QTest::newRow("MP3 without a header") << "bare.mp3" << -1 << false;
    QTest::newRow("OGG") << "tone.ogg" << 1500 << false;
    QTest::newRow("FLAC") << "tone.flac" << 1500 << false;
    QTest::newRow("MIDI") << "tune.mid" << 2000 << false;
    QTest::newRow("OGG, mixer") << "tone.ogg" << 1500 << true;
    QTest::newRow("MIDI, mixer") << "tune.mid" << 2000 << true;
}

void TestSound::formats()
{
    QFETCH(QString, name);
    QFETCH(int, millis);
    QFETCH(bool, mixer);
    std::unique_ptr<MixerEffectPlayer> output;
    if (mixer) {
        output = std::make_unique<MixerEffectPlayer>("null");
        QVERIFY(output->isOpen());
    }
    auto player = mixer ? makeMixerMediaPlayer() : makeModuleMediaPlayer("fakesink");
    player->FileName = m_dir.filePath(name);
    player->Open();
    if (millis >= 0)  // known once the track has prerolled
        QTRY_VERIFY_WITH_TIMEOUT(player->Length() >= 0, 20000);
    qint64 length = player->Length();
    if (millis < 0)
        QCOMPARE(length, -1);  // unknown, and never equal to a position
    else
        QVERIFY2(qAbs(length - millis) < millis / 10, qPrintable(QString::number(length)));
    QCOMPARE(player->Position(), 0);

    player->Play();
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() > 0, 20000);
    QVERIFY(player->Position() != player->Length());  // only the end makes them equal
    player->Stop();
    const qint64 stopped = player->Position();
    QTest::qWait(300);
    QCOMPARE(player->Position(), stopped);  // Stop keeps the position
    QVERIFY(length < 0 || stopped < length);

    player->Play();  // goes on from there
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() == player->Length(), 20000);
    if (length >= 0)
        QCOMPARE(player->Position(), length);
    length = player->Length();
    QVERIFY2(qAbs(length - 1500) < 300 || millis > 1500, qPrintable(QString::number(length)));
    QTest::qWait(100);
    QCOMPARE(player->Position(), player->Length());  // it stays at the end
    player->Stop();
    QCOMPARE(player->Position(), player->Length());  // stopped at its end, still at the end

    player->Play();  // at the end: rewinds and plays again
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() < player->Length(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() == player->Length(), 20000);
    player->Close();
    QVERIFY(!player->isOpen());
}

void TestSound::twoPlayersAtOnce()
{
    auto music = makeModuleMediaPlayer("fakesink");
    auto welcome = makeModuleMediaPlayer("fakesink");
    music->FileName = file("tone.ogg");
    welcome->FileName = file("tune.mid");
    music->Open();
    welcome->Open();
    music->Play();
    welcome->Play();
    QTRY_VERIFY_WITH_TIMEOUT(welcome->Position() > 0 && music->Position() > 0, 20000);
    welcome->Stop();
    const qint64 held = welcome->Position();
    const qint64 before = music->Position();
    QTRY_VERIFY_WITH_TIMEOUT(music->Position() > before, 20000);  // the other one plays on
    QCOMPARE(welcome->Position(), held);
    QTRY_VERIFY_WITH_TIMEOUT(music->Position() == music->Length(), 20000);
    QCOMPARE(welcome->Position(), held);
}

// The mixer sounds one track at a time: a Play stops the other player where it stands. What the
// mixer does not play goes to the other player; without one it does not open.
void TestSound::mixerPlaysOneTrackAtATime()
{
    auto music = makeMixerMediaPlayer();
    auto welcome = makeMixerMediaPlayer();
    music->FileName = file("tone.ogg");
    welcome->FileName = file("tune.mid");
    music->Open();
    welcome->Open();
    welcome->Play();
    QTest::qWait(200);
    QCOMPARE(welcome->Position(), 0);  // the mixer is not open yet: the tune waits for it
    MixerEffectPlayer output("null");
    QVERIFY(output.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(welcome->Position() > 0, 10000);
    music->Play();
    QTest::qWait(100);
    const qint64 held = welcome->Position();
    QTRY_VERIFY_WITH_TIMEOUT(music->Position() > 300, 10000);
    QCOMPARE(welcome->Position(), held);
    welcome->Play();  // on from where it stood; the music holds
    const qint64 musicHeld = music->Position();
    QTRY_VERIFY_WITH_TIMEOUT(welcome->Position() > held + 300, 10000);
    QCOMPARE(music->Position(), musicHeld);
    QVERIFY(welcome->Position() < welcome->Length());

    music->FileName = file("tone.wav");
    QCOMPARE(errorOf([&] { music->Open(); }),
             QStringLiteral("Cannot open file \"%1\". %2").arg(music->FileName, QLatin1String(NotForMixer)));
    auto routed = makeMixerMediaPlayer([] { return makeModuleMediaPlayer("fakesink"); });
    routed->FileName = file("tone.wav");
    routed->Open();
    routed->Play();
    QTRY_VERIFY_WITH_TIMEOUT(routed->Position() == routed->Length(), 20000);

    // The program's player, through the audio module's table, gone while its tune sounds.
    auto program = makeModuleMediaPlayer();
    program->FileName = file("tune.mid");
    program->Open();
    program->Play();
    QTRY_VERIFY_WITH_TIMEOUT(program->Position() > 0, 10000);
    program.reset();
    QTest::qWait(200);  // the mixer's thread goes on mixing
    QVERIFY(output.isOpen());
}

void TestSound::midiLengths_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("millis");
    const QByteArray end = QByteArray::fromHex("00FF2F00");
    const QByteArray twoBeats = QByteArray::fromHex("00903C40" "8740803C00") + end;  // 960 ticks, running on
    QTest::newRow("120 a minute") << midiTracks({twoBeats}) << qint64(1000);
    // The tempo halves after one beat, in a track of its own.
    QTest::newRow("tempo change") << midiTracks({QByteArray::fromHex("00FF5103" "07A120" "8360FF5103" "0F4240") + end, twoBeats})
                                  << qint64(500 + 1000);
    QTest::newRow("running status and a system message")
        << midiTracks({QByteArray::fromHex("00F00343" "1122" "00903C40" "8360" "4000" "8360" "3C00") + end})
        << qint64(1000);
    QTest::newRow("25 frames of 40 ticks") << midiTracks({QByteArray::fromHex("00903C40" "8F50803C00") + end}, "E728")
                                           << qint64(2000);
    QTest::newRow("cut short") << midiTracks({twoBeats}).left(30) << qint64(0);
    QTest::newRow("no track") << QByteArray::fromHex("4D546864000000060000000001E0") << qint64(-1);
    QTest::newRow("not MIDI") << QByteArray("OggS and so on") << qint64(-1);
}

void TestSound::midiLengths()
{
    QFETCH(QByteArray, data);
    QFETCH(qint64, millis);
    QCOMPARE(midiFileLength(data), millis);
}

namespace {

// A chunk: its name, its size (the body's unless given) and its body.
QByteArray chunk(const char *id, const QByteArray &body, qint64 size = -1)
{
    const quint32 n = quint32(size < 0 ? body.size() : size);
    QByteArray c(id, 4);
    c += char(n >> 24), c += char(n >> 16), c += char(n >> 8), c += char(n);
    return c + body;
}

// A MIDI file of `format` whose header counts `tracks`, 480 ticks a quarter, then the chunks.
QByteArray smf(int format, int tracks, const QByteArray &chunks)
{
    return chunk("MThd", QByteArray::fromHex("00") + char(format) + QByteArray::fromHex("00") + char(tracks)
                             + QByteArray::fromHex("01E0"))
        + chunks;
}

} // namespace

void TestSound::midiReader_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("read");  // format, tracks and events; "none" when it is no MIDI file
    const QByteArray end = QByteArray::fromHex("00FF2F00");
    const QByteArray notes = QByteArray::fromHex("00903C40" "8360803C00");  // a beat, 480 ticks
    QTest::newRow("format 0") << smf(0, 1, chunk("MTrk", notes + end))
                              << "0, 1 tracks: 0:0:90 3c 40, 480:0:80 3c 00, 480:0:ff 2f []";
    QTest::newRow("format 1, a tempo track")
        << smf(1, 2, chunk("MTrk", QByteArray::fromHex("00FF5103" "07A120") + end) + chunk("MTrk", notes))
        << "1, 2 tracks: 0:0:ff 51 [07a120], 0:0:ff 2f [], 0:1:90 3c 40, 480:1:80 3c 00";
    QTest::newRow("running status") << smf(0, 1, chunk("MTrk", QByteArray::fromHex("00903C40" "83603C00" "8360C005" "00" "06")))
                                    << "0, 1 tracks: 0:0:90 3c 40, 480:0:90 3c 00, 960:0:c0 05, 960:0:c0 06";
    QTest::newRow("a meta event ends the running status")
        << smf(0, 1, chunk("MTrk", QByteArray::fromHex("00903C40" "00FF0100" "003C40")))
        << "0, 1 tracks: 0:0:90 3c 40, 0:0:ff 01 []";
    QTest::newRow("system exclusive") << smf(0, 1, chunk("MTrk", QByteArray::fromHex("00F00343" "1122" "00F70101")))
                                      << "0, 1 tracks: 0:0:f0 [431122], 0:0:f7 [01]";
    QTest::newRow("a meta event at the end of the file") << smf(0, 1, chunk("MTrk", notes + QByteArray::fromHex("00FF0103414243")))
                                                         << "0, 1 tracks: 0:0:90 3c 40, 480:0:80 3c 00, 480:0:ff 01 [414243]";
    QTest::newRow("a meta event running past the end") << smf(0, 1, chunk("MTrk", notes + QByteArray::fromHex("00FF0105414243")))
                                                       << "0, 1 tracks: 0:0:90 3c 40, 480:0:80 3c 00";
    QTest::newRow("a track longer than the file") << smf(0, 1, chunk("MTrk", notes + end, 1000))
                                                  << "0, 1 tracks: 0:0:90 3c 40, 480:0:80 3c 00, 480:0:ff 2f []";
    QTest::newRow("a track shorter than its events")
        << smf(1, 2, chunk("MTrk", notes.left(6)) + chunk("MTrk", end))
        << "1, 2 tracks: 0:0:90 3c 40, 0:1:ff 2f []";
    QTest::newRow("an event cut short") << smf(0, 1, chunk("MTrk", notes.left(7)))
                                        << "0, 1 tracks: 0:0:90 3c 40";
    QTest::newRow("a number of five bytes") << smf(0, 1, chunk("MTrk", QByteArray::fromHex("FFFFFFFF7F903C40")))
                                            << "0, 1 tracks: ";
    QTest::newRow("other chunks passed over") << smf(1, 1, chunk("XFIH", "abc") + chunk("MTrk", end))
                                              << "1, 1 tracks: 0:0:ff 2f []";
    QTest::newRow("zero tracks") << smf(1, 0, {}) << "1, 0 tracks: ";
    QTest::newRow("a header cut short") << smf(0, 1, {}).left(13) << "none";
    QTest::newRow("a header of 5 bytes") << chunk("MThd", QByteArray::fromHex("0000000101")) + chunk("MTrk", end) << "none";
    QTest::newRow("not MIDI") << QByteArray("RIFF....sfbk and so on") << "none";
}

// The one reader of MIDI files (the game's lengths, the artwork tool's instruments), at its edges.
void TestSound::midiReader()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, read);
    const std::optional<MidiFile> file = readMidiFile(data);
    QString got = QStringLiteral("none");
    if (file) {
        QStringList events;
        for (const MidiEvent &e : file->events) {
            QString text = QStringLiteral("%1:%2:%3").arg(e.tick).arg(e.track).arg(uint(e.status), 2, 16, QLatin1Char('0'));
            if (e.status == 0xFF)
                text += QStringLiteral(" %1").arg(uint(e.type), 2, 16, QLatin1Char('0'));
            if (e.status >= 0xF0) {
                text += QStringLiteral(" [%1]").arg(QLatin1String(e.data.toHex()));
            } else {
                text += QStringLiteral(" %1").arg(uint(e.data1), 2, 16, QLatin1Char('0'));
                if ((e.status & 0xF0) != 0xC0 && (e.status & 0xF0) != 0xD0)
                    text += QStringLiteral(" %1").arg(uint(e.data2), 2, 16, QLatin1Char('0'));
            }
            events << text;
        }
        got = QStringLiteral("%1, %2 tracks: ").arg(file->format).arg(file->tracks) + events.join(QStringLiteral(", "));
    }
    QCOMPARE(got, read);
}

void TestSound::brokenAndLongTracks()
{
    // An MP3 cut off in the middle: its header promises more than there is; it still ends.
    QFile whole(file("tone.mp3"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    QFile cut(file("cut.mp3"));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(whole.read(whole.size() / 2));
    cut.close();
    auto player = makeModuleMediaPlayer("fakesink");
    player->FileName = cut.fileName();
    player->Open();
    player->Play();
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() == player->Length(), 20000);

    // A two-hour track opens and plays like any other.
    QByteArray track = QByteArray::fromHex("00903C40");
    track += QByteArray::fromHex("83A5F000");  // 6,912,000 ticks later: 2 hours at 120 beats a minute
    track += QByteArray::fromHex("803C00") + QByteArray::fromHex("00FF2F00");
    QByteArray midi = QByteArray::fromHex("4D546864000000060000000101E0") + "MTrk";
    const quint32 size = quint32(track.size());
    midi += char(size >> 24), midi += char(size >> 16), midi += char(size >> 8), midi += char(size);
    QFile longFile(file("long.mid"));
    QVERIFY(longFile.open(QIODevice::WriteOnly));
    longFile.write(midi + track);
    longFile.close();
    player->FileName = longFile.fileName();
    player->Open();
    QTRY_VERIFY_WITH_TIMEOUT(player->Length() >= 0, 20000);
    QVERIFY2(qAbs(player->Length() - 2 * 3600 * 1000) < 60000, qPrintable(QString::number(player->Length())));
    QCOMPARE(midiFileLength(midi + track), 2 * 3600 * 1000);
    player->Play();
    QTRY_VERIFY_WITH_TIMEOUT(player->Position() > 0, 20000);
    player->Stop();
    QVERIFY(player->Position() < player->Length());
}

void TestSound::effects()
{
    MixerEffectPlayer player("null");
    QVERIFY(player.isOpen());
    test::ProgramFolderCopy folder;
    const QString click = folder.file(QStringLiteral("Sound/Click.wav"));
    const QString lost = folder.file(QStringLiteral("Sound/Lostlife.wav"));
    const QString button = folder.file(QStringLiteral("Sound/Button.wav"));

    player.play(click);
    QVERIFY(!player.lastWasDefault());
    const MixerChunk *clickChunk = player.cached(click);
    QVERIFY(clickChunk);
    player.play(click);
    QCOMPARE(player.cached(click), clickChunk);  // loaded once, then kept

    // A wrong answer: the lost-life sound starts and the button sound cuts it off at once.
    player.play(lost);
    QCOMPARE(player.sounding(), player.cached(lost));
    player.play(button);
    QCOMPARE(player.sounding(), player.cached(button));

    // A missing file plays the default sound.
    player.play(folder.file(QStringLiteral("Sound/Nothing.wav")));
    QVERIFY(player.lastWasDefault());
    QVERIFY(player.isSounding());
    QVERIFY(player.sounding() != player.cached(button));
    QFile broken(folder.file(QStringLiteral("Sound/Broken.wav")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("RIFF....not really a wave");
    broken.close();
    player.play(broken.fileName());
    QVERIFY(player.lastWasDefault());
}

void TestSound::recordings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("milliseconds");
    QTest::newRow("WAV") << "tone.wav" << 1500;
    QTest::newRow("Ogg Vorbis") << "tone.ogg" << 1500;
    QTest::newRow("MP3") << "tone.mp3" << 1500;
    QTest::newRow("MP3 without a header") << "bare.mp3" << 1500;
    QTest::newRow("not a sound") << "words.mp3" << 0;
    QTest::newRow("no file") << "none.wav" << 0;
}

// A parent's recording of a word, read whole into the mixer's format, whatever its kind.
void TestSound::recordings()
{
    QFETCH(QString, name);
    QFETCH(int, milliseconds);
    MixerEffectPlayer player("null");
    mixer::Format format;
    QVERIFY(mixer::format(format));
    const QByteArray samples = loadRecording(QFile::encodeName(file(qPrintable(name))));
    QCOMPARE(samples.size() % format.frameBytes(), 0);
    const double read = samples.size() * 1000.0 / (format.rate * format.frameBytes());
    // The encoders add a frame or so of their own.
    QVERIFY2(std::abs(read - milliseconds) < 60, qPrintable(QString::number(read)));
}

// A sound of many channels at a high rate is read a block at a time: memory holds the converted
// sound, not the file's own samples (368 MB for a minute of 8 channels at 384 kHz). Read in a child
// whose address space has room for the converted sound and little more.
void TestSound::hugeRecordings()
{
    constexpr int Rate = 384000;
    constexpr int Channels = 8;
    constexpr qint64 Frames = qint64(Rate) * 70;
    constexpr qint64 DataBytes = Frames * Channels * 2;
    QByteArray header = "RIFF";
    auto number = [&](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header += char(v >> (8 * i));
    };
    number(quint32(36 + DataBytes), 4);
    header += "WAVEfmt ";
    number(16, 4), number(1, 2), number(Channels, 2), number(Rate, 4), number(Rate * Channels * 2, 4);
    number(Channels * 2, 2), number(16, 2);
    header += "data";
    number(quint32(DataBytes), 4);
    QFile wav(file("huge.wav"));
    QVERIFY(wav.open(QIODevice::WriteOnly));
    wav.write(header);
    QVERIFY(wav.resize(header.size() + DataBytes));  // sparse: silence taking no room on the disk
    wav.close();

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        QFile statm(QStringLiteral("/proc/self/statm"));
        statm.open(QIODevice::ReadOnly);
        const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
        const rlim_t room = rlim_t(pages * sysconf(_SC_PAGESIZE) + 128 * 1024 * 1024);
        const rlimit limit{room, room};
        if (pages <= 0 || setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(3);
        try {
            const QByteArray samples = readSoundFile(QFile::encodeName(wav.fileName()), mixer::LongestSoundSeconds, 44100, 2);
            const qint64 frames = samples.size() / 4;  // the converter may give a frame or so more or less
            _exit(qAbs(frames - qint64(44100) * mixer::LongestSoundSeconds) < 64 ? 0 : 1);
        } catch (const std::bad_alloc &) {
            _exit(2);
        }
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

// The program's player opens nothing when it is made; the first effect opens the mixer on a thread
// of its own and sounds once it is open, at the level set before; the mixer closes with the player.
void TestSound::effectsOpenOnTheFirstEffect()
{
    qputenv("LETTORA_AUDIO_OUTPUT", "null");
    test::ProgramFolderCopy folder;
    auto player = makeOnDemandEffectPlayer();
    setChannelVolume(EffectsChannel, 50);
    mixer::Format format;
    QVERIFY(!mixer::format(format));
    player->play(folder.file(QStringLiteral("Sound/Lostlife.wav")));
    QVERIFY(player->prepare().wait_for(std::chrono::seconds(30)) == std::future_status::ready);
    QTRY_VERIFY_WITH_TIMEOUT(mixer::sounding(EffectsChannel), 10000);
    QCOMPARE(mixer::volume(EffectsChannel), MixerMaxVolume / 2);
    player.reset();
    QVERIFY(!mixer::format(format));
    setChannelVolume(EffectsChannel, 100);
    qunsetenv("LETTORA_AUDIO_OUTPUT");
}

// The window's effects never wait while the mixer's thread decodes or synthesises the music.
void TestSound::effectsDoNotWaitForTheMusic()
{
    MixerEffectPlayer output("null");
    QVERIFY(output.isOpen());
    musicHeld = false;
    musicLetGo = false;
    mixer::setMusic(&heldMusic);
    QTRY_VERIFY_WITH_TIMEOUT(musicHeld, 10000);
    const MixerChunk chunk{QByteArray(4096, '\0')};
    std::atomic<bool> played{false};
    std::thread window([&] { played = mixer::play(EffectsChannel, &chunk); });
    auto letGo = qScopeGuard([&] {
        musicLetGo = true;
        window.join();
        mixer::setMusic(nullptr);
        mixer::halt(-1);
    });
    QTRY_VERIFY_WITH_TIMEOUT(played, 10000);
    QVERIFY(!musicLetGo);
}

// The window's calls on the music (Position, Stop, Play of another track) never wait while the
// mixer's thread renders a track.
// The playlist takes a track whose position equals its length for one that has ended: played past
// what its header says, the position stays a millisecond short until the track really ends.
void TestSound::positionReachesLengthAtTheEndOnly()
{
    MixerEffectPlayer output("null");
    QVERIFY(output.isOpen());
    longTrackEnds = false;
    auto player = makeMixerMediaPlayerOf([](const QString &) { return std::make_unique<LongerThanItSays>(); });
    player->FileName = QStringLiteral("long");
    player->Open();
    QCOMPARE(player->Length(), 50);
    player->Play();
    QTRY_COMPARE_WITH_TIMEOUT(player->Position(), 49, 10000);
    QTest::qWait(100);  // well past the length, still playing
    QCOMPARE(player->Position(), 49);
    longTrackEnds = true;
    QTRY_COMPARE_WITH_TIMEOUT(player->Position(), 50, 10000);
    player->Close();
}

void TestSound::musicDoesNotWaitForItsRendering()
{
    MixerEffectPlayer output("null");
    QVERIFY(output.isOpen());
    musicHeld = false;
    musicLetGo = false;
    auto held = makeMixerMediaPlayerOf([](const QString &) { return std::make_unique<HeldTrack>(); });
    auto other = makeMixerMediaPlayer();
    held->FileName = QStringLiteral("held");
    held->Open();
    other->FileName = file("tone.ogg");
    other->Open();
    held->Play();
    QTRY_VERIFY_WITH_TIMEOUT(musicHeld, 10000);
    std::atomic<bool> answered{false};
    std::thread window([&] {
        held->Position();
        held->Stop();
        other->Play();
        answered = true;
    });
    auto letGo = qScopeGuard([&] {
        musicLetGo = true;
        window.join();
    });
    QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
    QVERIFY(!musicLetGo);
}

// While the mixer's thread renders a track, the window rewinds another, closes the rendered one,
// opens and plays a new one and lets its player go, none of it waiting for the render. The player
// that goes leaves the music silent, and the track still rendering is deleted once it is let go.
void TestSound::musicGoesWhileItRenders()
{
    MixerEffectPlayer output("null");
    QVERIFY(output.isOpen());
    musicHeld = false;
    musicLetGo = false;
    longTrackEnds = true;  // it ends with its first block
    auto ended = makeMixerMediaPlayerOf([](const QString &) { return std::make_unique<LongerThanItSays>(); });
    ended->FileName = QStringLiteral("ended");
    ended->Open();
    ended->Play();
    QTRY_COMPARE_WITH_TIMEOUT(ended->Position(), ended->Length(), 10000);
    auto held = makeMixerMediaPlayerOf([](const QString &) { return std::make_unique<HeldTrack>(); });
    held->FileName = QStringLiteral("held");
    held->Open();
    held->Play();
    QTRY_VERIFY_WITH_TIMEOUT(musicHeld, 10000);
    std::atomic<bool> answered{false};
    bool silent = false;
    std::thread window([&] {
        ended->Play();  // at its end: rewound first
        ended->Stop();
        held->Open();  // the rendered track closes, another opens
        held->Play();
        held.reset();
        silent = !mixerMusicSounding();
        answered = true;
    });
    auto letGo = qScopeGuard([&] {
        musicLetGo = true;
        window.join();
    });
    QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
    QVERIFY(!musicLetGo);
    QVERIFY(silent);
    QCOMPARE(heldTracksAlive.load(), 1);  // the one the mixer's thread still renders
    letGo.dismiss();
    musicLetGo = true;
    window.join();
    // Deleted by the window's next close once the mixer's thread has let go of it.
    const auto closeAgain = [&] {
        ended->Open();
        ended->Close();
        return heldTracksAlive.load();
    };
    QTRY_COMPARE_WITH_TIMEOUT(closeAgain(), 0, 10000);
    QVERIFY(!mixerMusicSounding());
}

// An effect player that goes takes its own sounds with it, the default one too; the mixer and the
// music go on for the player that stays.
void TestSound::anEffectPlayerThatGoes()
{
    MixerEffectPlayer stays("null");
    QVERIFY(stays.isOpen());
    QVERIFY(encode(file("long.ogg"), "vorbisenc ! oggmux", 60));
    auto music = makeMixerMediaPlayer();
    music->FileName = file("long.ogg");
    music->Open();
    music->Play();
    QTRY_VERIFY_WITH_TIMEOUT(music->Position() > 0, 10000);
    {
        MixerEffectPlayer goes("null");
        goes.play(file("none.wav"));
        QVERIFY(goes.lastWasDefault());
        QCOMPARE(mixer::sounding(EffectsChannel), goes.sounding());
        QVERIFY(mixer::sounding(EffectsChannel));
    }
    QCOMPARE(mixer::sounding(EffectsChannel), nullptr);
    const qint64 at = music->Position();
    QTRY_VERIFY_WITH_TIMEOUT(music->Position() > at, 10000);
    music->Close();
}

// Where no sound server answers, the card is fed through ALSA (here its default device written to
// a file, at no real pace): after 2 s of silence nothing more is written until the next effect,
// which then comes whole.
void TestSound::alsaOutputRests()
{
    QTemporaryDir home;
    const QString written = home.filePath(QStringLiteral("card.raw"));
    QFile config(home.filePath(QStringLiteral(".asoundrc")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("pcm.!default { type file slave.pcm \"null\" file \"%1\" format \"raw\" }\n")
                     .arg(written).toUtf8());
    config.close();
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(home.filePath(QStringLiteral("no-server"))));
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        qunsetenv("PULSE_SERVER");
    });
    const auto settled = [&written] {  // the size once it stops growing; -1 if it does not
        qint64 before = -1;
        for (int look = 0; look < 30; ++look) {
            QTest::qWait(300);
            const qint64 now = QFileInfo(written).size();
            if (now == before)
                return now;
            before = now;
        }
        return qint64(-1);
    };
    test::ProgramFolderCopy folder;
    MixerEffectPlayer player(nullptr);
    if (!player.isOpen())
        QSKIP("ALSA's library is not installed");
    const qint64 frameBytes = 2 * sizeof(std::int16_t);
    const qint64 nearlyTwoSeconds = MixerRate * 19 / 10 * frameBytes;  // the last block is not written
    const qint64 quiet = settled();
    QVERIFY2(quiet >= nearlyTwoSeconds, qPrintable(QString::number(quiet)));
    QCOMPARE(settled(), quiet);  // at rest

    player.play(folder.file(QStringLiteral("Sound/Click.wav")));
    const qint64 after = settled();
    QFile card(written);
    QVERIFY(card.open(QIODevice::ReadOnly));
    card.seek(quiet);
    const QByteArray played = card.readAll();
    const auto *samples = reinterpret_cast<const std::int16_t *>(played.constData());
    qint64 loud = 0;
    qint64 first = -1;
    for (qint64 i = 0; i < played.size() / qint64(sizeof(std::int16_t)); ++i) {
        if (std::abs(samples[i]) > 500) {
            ++loud;
            if (first < 0)
                first = i;
        }
    }
    // The click starts in the first block after the rest and is followed by the silence before the
    // next rest; the click's own loud samples are all there.
    QVERIFY2(first >= 0 && first < 2 * 4096, qPrintable(QString::number(first)));
    QVERIFY2(after - quiet >= nearlyTwoSeconds, qPrintable(QString::number(after - quiet)));
    QVERIFY2(loud > 1000, qPrintable(QString::number(loud)));
}

void TestSound::sampleConversion_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("mono at 22050 Hz") << 22050 << 1;
    QTest::newRow("stereo at 48000 Hz") << 48000 << 2;
    QTest::newRow("six channels at the mixer's rate") << 44100 << 6;
    QTest::newRow("mono at 8000 Hz") << 8000 << 1;
}

// Half a second of a 441 Hz tone, the second channel at half its level, reaches the mixer's format
// the same whole or a block at a time: half a second long, a mono sound on both sides, of more
// channels the first two, at its pitch.
void TestSound::conversionAllocatesOnlyAtFirst_data()
{
    QTest::addColumn<int>("fromRate");
    QTest::addColumn<int>("fromChannels");
    QTest::newRow("resampled") << 22050 << 1;
    QTest::newRow("channels only") << 44100 << 1;
    QTest::newRow("rewound on the way") << 48000 << 2;
}

// A tune converted block after block, as the mixer's thread does, allocates nothing once its first
// blocks have given the converter its room, rewound or not.
void TestSound::conversionAllocatesOnlyAtFirst()
{
    QFETCH(int, fromRate);
    QFETCH(int, fromChannels);
    SampleConverter converter(fromRate, fromChannels, 44100, 2);
    QVERIFY(converter.ok());
    constexpr int Piece = 1024;
    constexpr int Block = 512;
    std::vector<std::int16_t> in(size_t(Piece * fromChannels), 1000);
    std::vector<std::int16_t> out(size_t(Block * 2));
    const auto blocks = [&](int count) {
        int got = 0;
        for (int b = 0; b < count; ++b) {
            while (converter.available() < Block)
                converter.put(in.data(), Piece);
            got += converter.get(out.data(), Block);
        }
        return got;
    };
    QCOMPARE(blocks(20), 20 * Block);
    if (QTest::currentDataTag() == QByteArray("rewound on the way"))
        converter.reset();
    QCOMPARE(blocks(20), 20 * Block);
    allocations = 0;
    countAllocations = true;
    const int got = blocks(200);
    countAllocations = false;
    QCOMPARE(got, 200 * Block);
    QCOMPARE(allocations, 0);
}

void TestSound::sampleConversion()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    const int frames = rate / 2;
    std::vector<std::int16_t> in(size_t(frames) * channels, 1234);
    for (int f = 0; f < frames; ++f) {
        const double v = 10000 * std::sin(2 * M_PI * 441 * f / rate);
        in[size_t(f) * channels] = std::int16_t(v);
        if (channels > 1)
            in[size_t(f) * channels + 1] = std::int16_t(v / 2);
    }
    const QByteArray whole = SampleConverter::convert(
        QByteArray(reinterpret_cast<const char *>(in.data()), qsizetype(in.size() * 2)), rate, channels, MixerRate, 2);
    SampleConverter converter(rate, channels, MixerRate, 2);
    QVERIFY(converter.ok());
    std::vector<std::int16_t> streamed, block(2 * 333);
    for (int at = 0; at < frames; at += 1000) {
        converter.put(in.data() + size_t(at) * channels, std::min(1000, frames - at), at + 1000 >= frames);
        while (const int got = converter.get(block.data(), 333))
            streamed.insert(streamed.end(), block.begin(), block.begin() + 2 * got);
    }
    QCOMPARE(qsizetype(streamed.size() * 2), whole.size());
    QVERIFY(std::memcmp(streamed.data(), whole.constData(), size_t(whole.size())) == 0);
    const int out = int(streamed.size() / 2);
    QVERIFY2(std::abs(out - MixerRate / 2) <= MixerRate / 200, qPrintable(QString::number(out)));
    int crossings = 0;
    for (int f = out / 10; f < out * 9 / 10; ++f) {
        const int left = streamed[size_t(f) * 2], right = streamed[size_t(f) * 2 + 1];
        QVERIFY2(std::abs((channels == 1 ? left : left / 2) - right) < 300, qPrintable(QString::number(f)));
        crossings += (streamed[size_t(f - 1) * 2] < 0) != (left < 0);
    }
    QVERIFY2(std::abs(crossings - 353) <= 6, qPrintable(QString::number(crossings)));  // 441 Hz over 0.4 s
}

void TestSound::soundFontChoice_data()
{
    QTest::addColumn<QString>("beside");  // what stands at tune.sf2 beside tune.mid
    QTest::addColumn<bool>("own");
    QTest::newRow("a font of its own") << "file" << true;
    QTest::newRow("none") << "" << false;
    QTest::newRow("a FIFO") << "fifo" << false;
    QTest::newRow("a folder") << "folder" << false;
    QTest::newRow("as large as may be") << "largest" << true;
    QTest::newRow("one byte larger") << "too large" << false;
}

void TestSound::soundFontChoice()
{
    QFETCH(QString, beside);
    QFETCH(bool, own);
    QTemporaryDir dir;
    const QString tune = dir.filePath(QStringLiteral("tune.mid"));
    const QString font = dir.filePath(QStringLiteral("tune.sf2"));
    if (beside == QLatin1String("file"))
        QFile(font).open(QIODevice::WriteOnly);
    else if (beside == QLatin1String("fifo"))
        QCOMPARE(mkfifo(QFile::encodeName(font).constData(), 0600), 0);
    else if (beside == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("tune.sf2")));
    else if (beside.contains(QLatin1String("large"))) {  // sparse: no room taken on the disk
        QFile file(font);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(LargestSoundFont + (beside == QLatin1String("too large") ? 1 : 0)));
    }
    QCOMPARE(soundFontFor(tune), own ? font : QString::fromLatin1(SystemSoundFont));
}

// A soundfont is read on a thread of its own: the window never waits for it, nor for one it let go
// of while it was read (its player went), and the thread is joined by its owner: none is left.
void TestSound::soundFontReadInTheBackground()
{
    struct Made
    {
        explicit Made(std::shared_ptr<std::atomic<int>> alive) : alive(std::move(alive)) { ++*this->alive; }
        ~Made() { --*alive; }
        std::shared_ptr<std::atomic<int>> alive;
    };
    auto letGo = std::make_shared<std::atomic<bool>>(false);
    auto made = std::make_shared<std::atomic<int>>(0);
    auto alive = std::make_shared<std::atomic<int>>(0);
    auto make = [letGo, made, alive] {
        while (!*letGo)  // the soundfont is being read
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++*made;
        return std::make_unique<Made>(alive);
    };
    BackgroundThreads threads;
    {
        Background<Made> dropped(threads, make);
        QVERIFY(!dropped.ready());
    }  // its player went while the font was read: no wait, no crash
    QCOMPARE(threads.unjoined(), std::size_t(1));
    Background<Made> kept(threads, make);
    QVERIFY(!kept.ready());
    QCOMPARE(kept.get(), nullptr);
    QCOMPARE(threads.unjoined(), std::size_t(2));
    *letGo = true;
    QTRY_VERIFY_WITH_TIMEOUT(kept.ready(), 10000);
    QVERIFY(kept.get());
    threads.joinAll();
    QCOMPARE(threads.unjoined(), std::size_t(0));
    QCOMPARE(made->load(), 2);
    QCOMPARE(alive->load(), 1);  // the one let go of was deleted by its thread, before it ended
}

void TestSound::registryChoice_data()
{
    QTest::addColumn<QString>("home");  // "~": the temporary folder; "unset": none
    QTest::addColumn<QString>("xdgCache");
    QTest::addColumn<QString>("stands");  // what stands where the registry goes
    QTest::addColumn<QString>("registry");  // under the temporary folder; empty: none kept
    const QString kept = QStringLiteral(".cache/gstreamer-1.0/registry.%1.bin");  // %1: the processor
    QTest::newRow("nothing yet") << "~" << "" << "" << kept;
    QTest::newRow("a registry") << "~" << "" << "file" << kept;
    QTest::newRow("garbage") << "~" << "" << "garbage" << kept;
    QTest::newRow("a link to a registry") << "~" << "" << "link" << kept;
    QTest::newRow("a FIFO") << "~" << "" << "fifo" << "";
    QTest::newRow("a link to a FIFO") << "~" << "" << "fifo link" << "";
    QTest::newRow("a folder") << "~" << "" << "folder" << "";
    QTest::newRow("the cache's own place") << "unset" << "~/elsewhere" << "" << "elsewhere/gstreamer-1.0/registry.%1.bin";
    QTest::newRow("a relative cache") << "~" << "cache" << "" << kept;
    QTest::newRow("no HOME") << "unset" << "" << "" << "";
    QTest::newRow("an empty HOME") << "" << "" << "" << "";
    QTest::newRow("a relative HOME") << "home" << "" << "" << "";
    QTest::newRow("the root as HOME") << "/" << "" << "" << "";
    QTest::newRow("the root as cache") << "unset" << "/" << "" << "";
}

// GStreamer's own registry is kept in the user's cache only: nothing at the filesystem's root,
// and nothing that would hold GStreamer's open() for ever.
void TestSound::registryChoice()
{
    QFETCH(QString, home);
    QFETCH(QString, xdgCache);
    QFETCH(QString, stands);
    QFETCH(QString, registry);
    QTemporaryDir dir;
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
    const bool hadHome = qEnvironmentVariableIsSet("HOME");
    const bool hadCache = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    auto restore = qScopeGuard([&] {
        hadHome ? qputenv("HOME", savedHome) : qunsetenv("HOME");
        hadCache ? qputenv("XDG_CACHE_HOME", savedCache) : qunsetenv("XDG_CACHE_HOME");
    });
    auto inDir = [&](QString path) { return path.replace(QLatin1Char('~'), dir.path()); };
    home == QLatin1String("unset") ? qunsetenv("HOME") : qputenv("HOME", QFile::encodeName(inDir(home)));
    xdgCache.isEmpty() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", QFile::encodeName(inDir(xdgCache)));

    if (!registry.isEmpty())
        registry = registry.arg(QLatin1String(LETTORA_GST_CPU));
    const QString path = dir.filePath(QStringLiteral(".cache/gstreamer-1.0/registry.%1.bin").arg(QLatin1String(LETTORA_GST_CPU)));
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const QString other = dir.filePath(QStringLiteral("other"));
    if (stands == QLatin1String("file") || stands == QLatin1String("link") || stands == QLatin1String("garbage")) {
        QFile file(stands == QLatin1String("link") ? other : path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stands == QLatin1String("garbage") ? QByteArray("not a registry") : QByteArray());
    }
    if (stands == QLatin1String("fifo"))
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (stands == QLatin1String("fifo link"))
        QCOMPARE(mkfifo(QFile::encodeName(other).constData(), 0600), 0);
    if (stands.endsWith(QLatin1String("link")))
        QVERIFY(QFile::link(other, path));
    if (stands == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));

    QCOMPARE(gstRegistryFile(userCacheFolder()), registry.isEmpty() ? QString() : dir.filePath(registry));
}

void TestSound::registryInPlace_data()
{
    QTest::addColumn<QString>("stands");  // what stands where GStreamer's registry goes
    QTest::newRow("nothing yet") << "";
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("a folder") << "folder";
}

// A new user's first tune leaves GStreamer's registry in the cache; a FIFO or a folder in its place
// neither holds the tune nor is touched.
void TestSound::registryInPlace()
{
    QFETCH(QString, stands);
    QTemporaryDir home;
    const QString registry =
        home.filePath(QStringLiteral(".cache/gstreamer-1.0/registry.%1.bin").arg(QLatin1String(LETTORA_GST_CPU)));
    QVERIFY(QDir().mkpath(QFileInfo(registry).path()));
    if (stands == QLatin1String("garbage")) {
        QFile file(registry);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a registry") > 0);
    } else if (stands == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(registry).constData(), 0600), 0);
    } else if (stands == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(registry));
    }
    QProcess tune;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_CACHE_HOME", "GST_REGISTRY", "GST_REGISTRY_1_0", "GST_REGISTRY_DISABLE"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("HOME"), home.path());
    tune.setProcessEnvironment(env);
    tune.start(QStringLiteral(LETTORA_FIRST_TUNE), {file("tone.wav")});
    const bool ended = tune.waitForFinished(120000);
    if (!ended)
        tune.kill();
    QVERIFY2(ended, "the first tune waited for ever");
    QCOMPARE(tune.exitCode(), 0);
    const qint64 length = tune.readAllStandardOutput().trimmed().toLongLong();
    QVERIFY2(qAbs(length - 1500) < 150, qPrintable(QString::number(length)));
    const QFileInfo after(registry);
    if (stands == QLatin1String("fifo")) {
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(registry).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    } else if (stands == QLatin1String("folder")) {
        QVERIFY(after.isDir());
    } else {  // made, or made again over what GStreamer could not read
        QVERIFY(after.isFile());
        QVERIFY(after.size() > 1000);
    }
}

// The delivered tunes come as recordings that play without a synthesiser, made with the system's
// soundfont; changed, a tune is synthesised with that font too (no font of its own beside it).
void TestSound::deliveredTunes()
{
    const QString folder = QStringLiteral(LETTORA_PROGRAM_DIR);
    const QString welcome = folder + QStringLiteral("/Music/chachacha.mid");
    QCOMPARE(soundFontFor(welcome), QString::fromLatin1(SystemSoundFont));
    const std::vector<std::int16_t> whole = art::renderMidi(welcome, QLatin1String(SystemSoundFont));
    QVERIFY(whole.size() > std::size_t(10 * art::TuneRate));
    {
        auto recording = makeModuleMediaPlayer("fakesink");
        recording->FileName = midiRecording(welcome);
        recording->Open();
        QTRY_VERIFY_WITH_TIMEOUT(recording->Length() >= 0, 20000);
        const qint64 rendered = qint64(whole.size() / 2) * 1000 / art::TuneRate;
        QVERIFY2(qAbs(recording->Length() - rendered) < 50, qPrintable(QString::number(recording->Length())));
    }

    // Every tune has its recording beside it, which plays in its place while the file is the same.
    const QStringList recordings = QDir(folder + QStringLiteral("/Music")).entryList({QStringLiteral("*.ogg")});
    QCOMPARE(recordings.size(), 4);
    QTemporaryDir changed;
    for (const QString &entry : recordings) {
        const QString ogg = folder + QStringLiteral("/Music/") + entry;
        auto player = makeModuleMediaPlayer("fakesink");
        player->FileName = ogg;
        player->Open();
        QTRY_VERIFY_WITH_TIMEOUT(player->Length() >= 0, 20000);
        QVERIFY2(player->Length() > 10000, qPrintable(entry));
        QString midi = ogg;
        midi.replace(QStringLiteral(".ogg"), QStringLiteral(".mid"));
        QFile file(midi);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        auto mixer = makeMixerMediaPlayer();
        mixer->FileName = midi;
        mixer->Open();
        QVERIFY2(qAbs(mixer->Length() - player->Length()) < 50, qPrintable(entry));
        QVERIFY(mixer->Length() > midiFileLength(bytes));  // the last notes ring out in the recording
        // The same file with one note softer: synthesised.
        bytes[bytes.lastIndexOf(char(0x64))] = char(0x63);
        QFile::copy(ogg, changed.filePath(entry));
        QFile copy(changed.filePath(QFileInfo(midi).fileName()));
        QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size());
        copy.close();
        mixer->FileName = copy.fileName();
        mixer->Open();
        QCOMPARE(mixer->Length(), midiFileLength(bytes));
    }
}

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
