#include "sound/formats/GstMediaPlayer.h"

#include "sound/MediaPlayer.h"

#include "shell/core/Error.h"
#include "shell/core/RegularFile.h"

#include <gst/gst.h>

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace lettora {

namespace {

constexpr int PlayAudioOnly = 0x02 | 0x10;  // GST_PLAY_FLAG_AUDIO | GST_PLAY_FLAG_SOFT_VOLUME

// GStreamer keeps its own registry of the system's plugins in the user's cache, made by scanning
// them once in a helper process and kept up to date by GStreamer itself. Only where something
// other than a regular file stands in its place (a FIFO would hold GStreamer's open() for ever), or
// there is no cache folder, is no registry kept: GStreamer then scans into a file of its own in a
// temporary folder that goes with the program. Where GStreamer's registry was chosen already, that
// choice stands.
void chooseRegistry()
{
    for (const char *chosen : {"GST_REGISTRY_1_0", "GST_REGISTRY"}) {
        if (!qEnvironmentVariableIsEmpty(chosen))
            return;
    }
    QString registry = gstRegistryFile(userCacheFolder());
    if (registry.isEmpty()) {
        static QTemporaryDir scratch;
        if (!scratch.isValid())
            return;
        registry = scratch.filePath(QStringLiteral("registry.bin"));
    }
    qputenv("GST_REGISTRY_1_0", QFile::encodeName(registry));
}

void ensureInitialised()
{
    static const bool initialised = [] {
        if (!gst_is_initialized())
            chooseRegistry();
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)initialised;
}

// Each element playbin makes passes through here: the MIDI synthesiser gets the soundfont of the
// file being opened (`file`, a QByteArray) and its level.
void onElementSetup(GstElement *, GstElement *element, gpointer file)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    if (!factory || g_strcmp0(GST_OBJECT_NAME(factory), "fluiddec") != 0)
        return;
    const QString font = soundFontFor(QFile::decodeName(*static_cast<const QByteArray *>(file)));
    if (QFileInfo::exists(font))
        g_object_set(element, "soundfont", QFile::encodeName(font).constData(), nullptr);
    g_object_set(element, "synth-gain", SynthGain, nullptr);
}

double &musicVolume()
{
    static double volume = 1.0;
    return volume;
}

class GstMediaPlayer;
QSet<GstMediaPlayer *> &livePlayers()
{
    static QSet<GstMediaPlayer *> players;
    return players;
}

class GstMediaPlayer : public MediaPlayer
{
public:
    // GStreamer starts with the first track, not with the window: start-up stays quick.
    explicit GstMediaPlayer(const char *audioSink) : m_sink(audioSink ? audioSink : "") { livePlayers().insert(this); }

    ~GstMediaPlayer() override
    {
        livePlayers().remove(this);
        Close();
        if (m_playbin) {
            gst_element_set_state(m_playbin, GST_STATE_NULL);
            GstBus *bus = gst_element_get_bus(m_playbin);
            gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
            gst_object_unref(bus);
            gst_object_unref(m_playbin);
        }
    }

protected:
    QString openDevice(const QString &file) override
    {
        // playbin would wait for ever on a FIFO, or read a device without end.
        QFile probe;
        QString refused;
        if (!openRegularFile(probe, QFile::encodeName(file), refused))
            return refused;
        probe.close();
        if (!makePipeline())
            return QStringLiteral("GStreamer's playbin is not installed");
        reset();
        m_file = QFile::encodeName(QFileInfo(file).absoluteFilePath());
        const QByteArray uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded();
        g_object_set(m_playbin, "uri", uri.constData(), nullptr);

        // Prerolled on GStreamer's threads: the length and any error come later, through the bus.
        // What fails at once (the file's type found on this thread) is reported at once.
        m_state = State::Opening;
        if (gst_element_set_state(m_playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
            drainBus();
            if (m_failure.isEmpty())
                m_failure = QStringLiteral("The file could not be opened");
            return m_failure;
        }
        return {};
    }

    QString deviceFailure() override
    {
        drainBus();
        return m_failure;
    }

    void park()
    {
        if (m_state != State::Prerolled)
            return;
        gst_element_set_state(m_playbin, GST_STATE_READY);
        m_state = State::Ready;
    }

public:
    void applyVolume()
    {
        if (m_playbin)
            g_object_set(m_playbin, "volume", musicVolume(), nullptr);
    }

protected:

    void closeDevice() override
    {
        if (m_playbin)
            gst_element_set_state(m_playbin, GST_STATE_NULL);
        reset();
    }

    void playDevice() override
    {
        drainBus();
        if (m_state == State::Failed)
            return;
        m_atEnd = false;
        gst_element_set_state(m_playbin, GST_STATE_PLAYING);
        m_state = State::Playing;
    }

    void seekToStart() override
    {
        m_position = 0;
        m_atEnd = false;
        if (m_prerolled && m_state != State::Ready && m_state != State::Failed)
            gst_element_seek_simple(m_playbin, GST_FORMAT_TIME,
                                    GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
    }

    void stopDevice() override
    {
        drainBus();
        if (m_state != State::Playing)
            return;
        m_position = devicePosition();
        // PAUSED, not READY: the position stays where it stopped.
        gst_element_set_state(m_playbin, GST_STATE_PAUSED);
        m_state = State::Paused;
    }

    qint64 deviceLength() override
    {
        drainBus();
        if (m_length < 0 && m_prerolled && m_state != State::Ready && m_state != State::Failed) {
            gint64 duration = 0;
            if (gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &duration) && duration > 0)
                m_length = duration / GST_MSECOND;
        }
        return m_length;
    }

    qint64 devicePosition() override
    {
        drainBus();
        if (m_atEnd)
            return m_length;
        if (m_state == State::Playing && m_prerolled) {
            gint64 position = 0;
            if (gst_element_query_position(m_playbin, GST_FORMAT_TIME, &position) && position >= 0)
                m_position = position / GST_MSECOND;
        }
        // Before the end the position stays below the length, so only the end makes them equal.
        if (m_length >= 0 && m_position >= m_length)
            return m_length - 1;
        return m_position;
    }

private:
    // Opening: prerolling, nothing asked yet; Prerolled: ready for a Play that follows at once;
    // Ready: parked; Failed: the preroll failed (m_failure says why).
    enum class State { Closed, Opening, Prerolled, Ready, Playing, Paused, Failed };

    bool makePipeline()
    {
        if (m_playbin)
            return true;
        ensureInitialised();
        m_playbin = gst_element_factory_make("playbin", nullptr);
        if (!m_playbin)
            return false;
        gst_object_ref_sink(m_playbin);
        g_object_set(m_playbin, "flags", PlayAudioOnly, nullptr);
        applyVolume();
        if (!m_sink.isEmpty()) {
            if (GstElement *sink = gst_element_factory_make(m_sink.constData(), nullptr)) {
                if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "sync"))
                    g_object_set(sink, "sync", TRUE, nullptr);
                g_object_set(m_playbin, "audio-sink", sink, nullptr);
            }
        }
        g_signal_connect(m_playbin, "element-setup", G_CALLBACK(onElementSetup), &m_file);
        GstBus *bus = gst_element_get_bus(m_playbin);
        gst_bus_set_sync_handler(bus, &onMessage, this, nullptr);
        gst_object_unref(bus);
        return true;
    }

    // On GStreamer's threads: what the player waits for is read on its own thread as soon as that
    // thread is free (the message stays on the bus for drainBus).
    static GstBusSyncReply onMessage(GstBus *, GstMessage *msg, gpointer self)
    {
        const GstMessageType type = GST_MESSAGE_TYPE(msg);
        if (type == GST_MESSAGE_ASYNC_DONE || type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS) {
            auto *player = static_cast<GstMediaPlayer *>(self);
            QMetaObject::invokeMethod(&player->m_context, [player] { player->drainBus(); }, Qt::QueuedConnection);
        }
        return GST_BUS_PASS;
    }

    void reset()
    {
        m_state = State::Closed;
        m_prerolled = false;
        m_failure.clear();
        m_length = -1;
        m_position = 0;
        m_atEnd = false;
    }

    // Reads what the pipeline has said since the last call: the end of the preroll, an error
    // before it (the file does not open), the end of the stream.
    void drainBus()
    {
        if (!m_playbin)
            return;
        GstBus *bus = gst_element_get_bus(m_playbin);
        while (GstMessage *msg = gst_bus_pop(bus)) {
            switch (GST_MESSAGE_TYPE(msg)) {
            case GST_MESSAGE_ERROR:
                // After the preroll GStreamer's own handling stands, as for a cut file.
                if (!m_prerolled && m_state != State::Closed && m_state != State::Failed) {
                    m_failure = errorText(msg);
                    m_state = State::Failed;
                }
                break;
            case GST_MESSAGE_ASYNC_DONE:
                if (!m_prerolled && m_state != State::Closed && m_state != State::Failed)
                    prerolled();
                break;
            case GST_MESSAGE_EOS:
                if (m_state == State::Playing) {
                    m_atEnd = true;
                    if (m_length < 0)
                        m_length = m_position;  // never known: the end is where it stopped
                }
                break;
            default: break;
            }
            gst_message_unref(msg);
        }
        gst_object_unref(bus);
        if (m_state == State::Failed)
            gst_element_set_state(m_playbin, GST_STATE_NULL);
    }

    void prerolled()
    {
        m_prerolled = true;
        // Asked once: an MP3 without a header learns its length while it plays (deviceLength).
        if (gint64 duration = 0; gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &duration) && duration > 0)
            m_length = duration / GST_MSECOND;
        if (m_state != State::Opening)
            return;
        // Left prerolled for a Play that follows at once (the synthesiser keeps its soundfont);
        // parked in READY as soon as the program waits instead: a pipeline left prerolled in
        // PAUSED starts its sound late by as long as it waited.
        m_state = State::Prerolled;
        QTimer::singleShot(0, &m_context, [this] { park(); });
    }

    static QString errorText(GstMessage *msg)
    {
        GError *error = nullptr;
        gst_message_parse_error(msg, &error, nullptr);
        QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("Unknown error code");
        if (error)
            g_error_free(error);
        while (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        return quotedName(text);  // it may name the file
    }

    QByteArray m_sink;
    QByteArray m_file;  // the file being opened, for the synthesiser's soundfont
    GstElement *m_playbin = nullptr;
    State m_state = State::Closed;
    bool m_prerolled = false;  // since the file was opened
    QString m_failure;         // why the file did not open, found while prerolling
    QObject m_context;         // ends pending calls (a park, a look at the bus) with the player
    qint64 m_length = -1;
    qint64 m_position = 0;
    bool m_atEnd = false;
};

} // namespace

void setGstMusicVolume(int percent)
{
    musicVolume() = std::clamp(percent, 0, 100) / 100.0;
    for (GstMediaPlayer *player : std::as_const(livePlayers()))
        player->applyVolume();
}

std::unique_ptr<MediaPlayer> makeGstMediaPlayer(const char *audioSink)
{
    return std::make_unique<GstMediaPlayer>(audioSink);
}

} // namespace lettora
