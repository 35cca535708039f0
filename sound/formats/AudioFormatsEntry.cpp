// The second audio module's one exported function (sound/module/AudioFormats.h), and the MIDI files'
// synthesiser, which only it links. Everything else in it is hidden.

#include "sound/module/AudioFormats.h"

#include "shell/core/RegularFile.h"
#include "sound/MediaPlayer.h"
#include "sound/formats/Background.h"
#include "sound/formats/GstMediaPlayer.h"
#include "sound/formats/MidiSynth.h"
#include "sound/module/MixerTrack.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <memory>
#include <mutex>

namespace lettora {

namespace {

// After its last event a tune rings out, at most this long, before it counts as ended.
constexpr int RingOutSeconds = 2;

// The threads that read soundfonts. The module stays loaded until the program ends; a font still
// being read when the application object goes is waited for then, so that no thread outlives it.
BackgroundThreads &fontReaders()
{
    static BackgroundThreads threads;
    static const bool joinedWithTheApplication = [] {
        qAddPostRoutine([] { fontReaders().joinAll(); });
        return true;
    }();
    (void)joinedWithTheApplication;
    return threads;
}

// A synthesiser with its soundfont, read on a thread of its own: a large font takes seconds, and
// the window must not wait for it.
struct SynthLoad
{
    SynthLoad(int rate, const QString &font)
        : rate(rate), font(font),
          synth(fontReaders(), [rate, font] { return std::make_unique<MidiSynth>(rate, font); })
    {
    }
    const int rate;
    const QString font;
    Background<MidiSynth> synth;
};

// The synthesiser of the track closed last, kept until the program next waits: the music list
// closes its first track and opens it again at once, which would read the soundfont twice.
struct Spare
{
    std::mutex lock;
    std::shared_ptr<SynthLoad> load;
};

Spare &spare()
{
    static Spare s;
    return s;
}

std::shared_ptr<SynthLoad> synthFor(int rate, const QString &font)
{
    std::shared_ptr<SynthLoad> load;
    {
        std::lock_guard guard(spare().lock);
        load = std::exchange(spare().load, nullptr);
    }
    if (load && load->rate == rate && load->font == font)
        return load;
    return std::make_shared<SynthLoad>(rate, font);
}

void keepSpare(std::shared_ptr<SynthLoad> load)
{
    const std::weak_ptr<SynthLoad> kept = load;
    std::shared_ptr<SynthLoad> replaced;
    {
        std::lock_guard guard(spare().lock);
        replaced = std::exchange(spare().load, std::move(load));
    }
    QTimer::singleShot(0, [kept] {
        std::shared_ptr<SynthLoad> gone;
        std::lock_guard guard(spare().lock);
        if (spare().load == kept.lock())
            gone = std::move(spare().load);
    });
}

class MidiTrack : public MixerTrack
{
public:
    // On the window's thread; the synthesiser comes later (ready).
    MidiTrack(QByteArray data, qint64 length, int rate, const QString &soundFont)
        : m_data(std::move(data)), m_length(length), m_load(synthFor(rate, soundFont)), m_rate(rate)
    {
    }
    ~MidiTrack() override
    {
        dropPlayer();
        keepSpare(std::move(m_load));
    }

    int rate() const override { return m_rate; }
    int channels() const override { return 2; }
    qint64 length() const override { return m_length; }

    bool ready() override
    {
        if (!m_synth && m_load->synth.ready()) {
            // A soundfont that does not load leaves the tune silent: it ends at once.
            MidiSynth *synth = m_load->synth.get();
            m_synth = synth && synth->ok() ? synth->synth() : nullptr;
            m_failed = !m_synth;
        }
        return m_synth || m_failed;
    }

    int read(std::int16_t *out, int frames) override
    {
        if (!m_synth)
            return 0;
        if (!m_player)
            rewind();
        if (!m_player)
            return 0;
        if (fluid_player_get_status(m_player) != FLUID_PLAYER_PLAYING) {
            if (fluid_synth_get_active_voice_count(m_synth) == 0 || m_ringing >= RingOutSeconds * m_rate)
                return 0;
            m_ringing += frames;
        }
        fluid_synth_write_s16(m_synth, frames, out, 0, 2, out, 1, 2);
        return frames;
    }

    void rewind() override
    {
        dropPlayer();
        if (!m_synth)
            return;  // it starts from the beginning once it is ready
        fluid_synth_system_reset(m_synth);
        m_ringing = 0;
        m_player = new_fluid_player(m_synth);
        if (m_player && (fluid_player_add_mem(m_player, m_data.constData(), size_t(m_data.size())) != FLUID_OK
                         || fluid_player_play(m_player) != FLUID_OK))
            dropPlayer();
    }

private:
    void dropPlayer()
    {
        if (!m_player)
            return;
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
        m_player = nullptr;
    }

    QByteArray m_data;
    qint64 m_length;
    std::shared_ptr<SynthLoad> m_load;
    fluid_synth_t *m_synth = nullptr;  // m_load's, once ready
    bool m_failed = false;
    int m_rate;
    fluid_player_t *m_player = nullptr;
    int m_ringing = 0;  // frames rendered after the last event
};

MediaPlayer *newGstMediaPlayer(const char *audioSink)
{
    return makeGstMediaPlayer(audioSink).release();
}

MixerTrack *openMidi(const QByteArray &data, qint64 length, int rate, const QString &soundFont)
{
    // What is no soundfont at all is refused here, so that GStreamer reports it.
    QFile font;
    QString refused;
    if (!openRegularFile(font, QFile::encodeName(soundFont), refused) || !isSoundFont(font.read(12)))
        return nullptr;
    return new MidiTrack(data, length, rate, soundFont);
}

} // namespace

} // namespace lettora

extern "C" __attribute__((visibility("default"))) const lettora::AudioFormats *lettora_audio_formats()
{
    using namespace lettora;
    static const AudioFormats table{
        AudioFormatsVersion, int(sizeof(AudioFormats)), &newGstMediaPlayer, &setGstMusicVolume, &openMidi,
    };
    return &table;
}
