// The second audio module's one exported function (sound/AudioFormats.h), and the MIDI files'
// synthesiser, which only it links. Everything else in it is hidden.

#include "sound/AudioFormats.h"

#include "sound/MediaPlayer.h"
#include "sound/MidiSynth.h"
#include "sound/MixerTrack.h"

namespace lettora {

namespace {

// After its last event a tune rings out, at most this long, before it counts as ended.
constexpr int RingOutSeconds = 2;

class MidiTrack : public MixerTrack
{
public:
    MidiTrack(QByteArray data, qint64 length, int rate, const QString &soundFont)
        : m_data(std::move(data)), m_length(length), m_synth(rate, soundFont), m_rate(rate)
    {
    }
    ~MidiTrack() override { dropPlayer(); }

    bool ok() const { return m_synth.ok(); }
    int rate() const override { return m_rate; }
    int channels() const override { return 2; }
    qint64 length() const override { return m_length; }

    int read(std::int16_t *out, int frames) override
    {
        if (!m_player)
            rewind();
        if (!m_player)
            return 0;
        if (fluid_player_get_status(m_player) != FLUID_PLAYER_PLAYING) {
            if (fluid_synth_get_active_voice_count(m_synth.synth()) == 0 || m_ringing >= RingOutSeconds * m_rate)
                return 0;
            m_ringing += frames;
        }
        fluid_synth_write_s16(m_synth.synth(), frames, out, 0, 2, out, 1, 2);
        return frames;
    }

    void rewind() override
    {
        dropPlayer();
        fluid_synth_system_reset(m_synth.synth());
        m_ringing = 0;
        m_player = new_fluid_player(m_synth.synth());
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
    MidiSynth m_synth;
    int m_rate;
    fluid_player_t *m_player = nullptr;
    int m_ringing = 0;  // frames rendered after the last event
};

MediaPlayer *makePlayer(const char *audioSink)
{
    return makeGstMediaPlayer(audioSink).release();
}

MixerTrack *openMidi(const QByteArray &data, qint64 length, int rate, const QString &soundFont)
{
    auto track = std::make_unique<MidiTrack>(data, length, rate, soundFont);
    return track->ok() ? track.release() : nullptr;
}

} // namespace

} // namespace lettora

extern "C" __attribute__((visibility("default"))) const lettora::AudioFormats *lettora_audio_formats()
{
    using namespace lettora;
    static const AudioFormats table{
        AudioFormatsVersion, int(sizeof(AudioFormats)), &makePlayer, &setMusicVolume, &openMidi,
    };
    return &table;
}
